#pragma once
// Runs the command-line tool in-process and keeps what it printed.
#include "command.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

namespace velmora::test {

struct CliRun {
    int status = 0;
    std::string out;
    std::string err;
};

inline CliRun RunTool(const std::vector<std::string>& args)
{
    std::ostringstream out, err;
    cli::CommandContext context{out, err, false};
    CliRun run;
    run.status = cli::RunCli(args, context);
    run.out = out.str();
    run.err = err.str();
    return run;
}

// Methane of carbon 14, an isotope a library cannot store.
inline std::string Carbon14Record()
{
    std::string record = kMethaneRecord;
    return record.insert(record.find("M  END"), "M  ISO  1   1  14\r\n");
}

// Imports the SD text, written as name.sdf in dir, into the library name.clb there.
inline std::string ImportInto(const TempDir& dir, const std::string& name, const std::string& sdText)
{
    const std::string sd = dir.File(name + ".sdf"), lib = dir.File(name + ".clb");
    WriteBytes(sd, sdText);
    const auto run = RunTool({"import", sd, lib});
    EXPECT_EQ(run.status, 0) << run.err;
    return lib;
}

} // namespace velmora::test
