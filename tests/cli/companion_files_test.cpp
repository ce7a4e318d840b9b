// velmora-cli and companion files that do not fit their library: treated as missing, with one
// message naming the file and why; --yes calculates them again. The result library of a search
// never replaces a library of the user's.
#include "cli_support.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace velmora {
namespace {

namespace fs = std::filesystem;
using test::Contains;
using test::RunTool;

std::string ImportInto(const test::TempDir& dir, const std::string& name, int first, int count)
{
    return test::ImportInto(dir, name, test::NciRecords(first, count));
}

TEST(CompanionFiles, AnotherLibrarysDescriptorFileIsNotUsedAndYesBuildsItAgain)
{
    test::TempDir dir;
    const std::string a = ImportInto(dir, "a", 1, 30), b = ImportInto(dir, "b", 31, 30);
    ASSERT_EQ(RunTool({"build", a}).status, 0);
    ASSERT_EQ(RunTool({"build", b}).status, 0);
    const std::vector<std::string> search{"search", b, b, "--descriptors", "Atoms of C,Atoms of N,Bonds: single",
                                          "--mode", "normal"};
    const auto reference = RunTool(search);
    ASSERT_EQ(reference.status, 0) << reference.err;
    EXPECT_EQ(reference.err, "");
    const std::string own = test::ReadBytes(dir.File("b.pre"));

    fs::copy_file(dir.File("a.pre"), dir.File("b.pre"), fs::copy_options::overwrite_existing);
    auto run = RunTool(search);
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, "velmora-cli search: " + b + ": " + dir.File("b.pre") +
                           ": it has been changed or replaced since it was made (it does not fit " +
                           dir.File("b.pre-state") + "); it is treated as missing\n"
                           "velmora-cli search: " + b +
                           ": the library has no descriptor file; run 'velmora-cli build' first or give --yes\n");
    EXPECT_EQ(run.out, "");

    auto yes = search;
    yes.push_back("--yes");
    run = RunTool(yes);
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(test::ReadBytes(dir.File("b.pre")), own);
    // The report is the one the library's own descriptor file gives (but for the time it took).
    auto report = [](const std::string& out) { return out.substr(0, out.find("Calculation time")); };
    EXPECT_EQ(report(run.out), report(reference.out));
    run = RunTool(search);
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.err, "");
}

TEST(CompanionFiles, ParametersOfAnEarlierVersionAreCalculatedAgainOnlyWithYes)
{
    test::TempDir dir;
    const std::string lib = ImportInto(dir, "lib", 1, 30);
    ASSERT_EQ(RunTool({"params", lib}).status, 0);
    const std::string idr = test::ReadBytes(dir.File("lib.idr"));
    fs::remove(dir.File("lib.idr-state")); // as an earlier version left it
    const std::vector<std::string> search{"search", lib, lib, "--descriptors", "Bonds: single,Hetero atoms,Branching atoms",
                                          "--mode", "intro"};
    auto run = RunTool(search);
    EXPECT_EQ(run.status, 1);
    EXPECT_TRUE(Contains(run.err, dir.File("lib.idr") + ": it cannot be confirmed to belong to the library as it is now: " +
                                      dir.File("lib.idr-state") + ", the record of the library state it was made from, is missing"))
        << run.err;
    EXPECT_TRUE(Contains(run.err, "INTRO mode needs the library parameters; run 'velmora-cli params' or give --yes")) << run.err;
    auto yes = search;
    yes.push_back("--yes");
    run = RunTool(yes);
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(test::ReadBytes(dir.File("lib.idr")), idr); // the same library gives the same parameters
    EXPECT_TRUE(fs::exists(dir.File("lib.idr-state")));
    EXPECT_EQ(RunTool(search).err, "");
}

// 47 structures of the user's own named as the result library would be: the search leaves them and
// says where its best matches went.
TEST(CompanionFiles, TheSearchKeepsAUsersLibraryOfTheResultLibrarysName)
{
    test::TempDir dir;
    const std::string lib = ImportInto(dir, "abc", 1, 40);
    const std::string mine = ImportInto(dir, "SIM", 100, 47);
    const std::string bytes = test::ReadBytes(mine);
    ASSERT_EQ(RunTool({"build", lib}).status, 0);
    const auto run = RunTool({"search", lib, lib, "--descriptors", "Atoms of C,Atoms of N", "--best", "3",
                              "--export", dir.File("hits.sdf")});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.err, "velmora-cli search: " + mine + " is a library this program's searches did not make; it stays "
                                                       "as it is.\nThe best matches are written to " +
                           dir.File("SIM2.clb") + " instead.\n");
    EXPECT_EQ(test::ReadBytes(mine), bytes);
    EXPECT_EQ(RunTool({"count", dir.File("hits.sdf")}).out, "3\n");
}

} // namespace
} // namespace velmora
