#pragma once
// Runs the command-line tool in-process and keeps what it printed.
#include "command.h"

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

} // namespace velmora::test
