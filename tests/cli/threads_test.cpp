// The thread count changes no output: an import, the descriptor file, the INTRO parameters and
// both kinds of search write the same bytes and print the same report on one thread as on three,
// over a library of several search chunks.
#include "cli_support.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <map>
#include <sstream>
#include <string>

namespace velmora {
namespace {

namespace fs = std::filesystem;
using test::RunTool;

// Every file the commands left in dir, and what they printed without the elapsed times.
std::map<std::string, std::string> RunAll(const std::string& threads)
{
    ::setenv("VELMORA_THREADS", threads.c_str(), 1);
    test::TempDir dir;
    const fs::path previous = fs::current_path();
    fs::current_path(dir.Path()); // the search writes its result file here
    std::map<std::string, std::string> outputs;
    const std::string lib = "lib.clb"; // relative: the printed names do not tell the two folders apart
    const std::string query = test::DataFile("query.mol");
    const std::string d10 = "Bonds: single,Bonds: double,Hetero atoms,Atoms of N,Atoms of O,RandicIx,"
                            "Number of rings,Number of 6-rings,XuIndex 1,TopoJ";
    const std::vector<std::vector<std::string>> commands{
        {"import", test::DataFile("nci1000.sdf"), lib},
        {"import", test::DataFile("nci1000.sdf"), lib, "--append"},
        {"import", test::DataFile("egfr.sdf"), lib, "--append"},
        {"build", lib},
        {"params", lib},
        {"search", lib, query, "--descriptors", d10, "--best", "60"},
        {"search", lib, query, "--descriptors", d10, "--mode", "intro", "--coefficient", "tanimoto", "--best", "40"},
        {"search", lib, query, "--query-aug", "--coefficient", "manhattan", "--best", "30"},
    };
    for (std::size_t c = 0; c < commands.size(); ++c) {
        const auto run = RunTool(commands[c]);
        EXPECT_EQ(run.status, 0) << commands[c][0] << ": " << run.err;
        std::istringstream lines(run.out + run.err);
        std::string kept;
        for (std::string line; std::getline(lines, line);)
            if (line.find("time") == std::string::npos && line.find("Time") == std::string::npos)
                kept += line + "\n";
        outputs["printed by " + std::to_string(c) + " " + commands[c][0]] = kept;
    }
    for (const auto& entry : fs::recursive_directory_iterator(dir.Path()))
        if (entry.is_regular_file() && entry.path().extension() != ".lock")
            outputs[fs::relative(entry.path(), dir.Path()).string()] = test::ReadBytes(entry.path());
    fs::current_path(previous);
    ::unsetenv("VELMORA_THREADS");
    return outputs;
}

TEST(ThreadSetting, OneThreadAndThreeWriteTheSameBytes)
{
    const auto one = RunAll("1");
    const auto three = RunAll("3");
    ASSERT_GT(one.size(), 8u);
    EXPECT_GT(one.at("lib.pre").size(), 2048u * 260u) << "more than two search chunks";
    ASSERT_EQ(one.size(), three.size());
    for (const auto& [name, bytes] : one) {
        ASSERT_TRUE(three.count(name)) << name;
        EXPECT_TRUE(three.at(name) == bytes) << name << " differs";
    }
}

} // namespace
} // namespace velmora
