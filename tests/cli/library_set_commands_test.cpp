// The command-line tool on library sets: build, params, count, show, search and its exports take a
// ".vset"; a refused set names its file and line and changes nothing.
#include "cli_support.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <sstream>

namespace velmora {
namespace {

namespace fs = std::filesystem;
using test::Contains;
using test::RunTool;

// The table rows of a search report, with the Library column (when there is one) taken out.
std::vector<std::string> TableRows(const std::string& out, bool libraryColumn)
{
    std::vector<std::string> rows;
    std::istringstream in(out);
    bool table = false;
    std::size_t cut = 0, width = 0;
    for (std::string line; std::getline(in, line);) {
        if (line.rfind("  Rank  Position  ", 0) == 0) {
            table = true;
            cut = 18;
            width = libraryColumn ? line.find_first_not_of(' ', line.find("Library") + 7) - cut : 0;
            continue;
        }
        if (table && line.empty())
            break;
        if (table)
            rows.push_back(line.substr(0, cut) + line.substr(cut + width));
    }
    return rows;
}

std::map<std::string, std::string> Snapshot(const fs::path& folder)
{
    std::map<std::string, std::string> files;
    for (const auto& entry : fs::directory_iterator(folder))
        if (entry.is_regular_file())
            files[entry.path().filename().string()] = test::ReadBytes(entry.path());
    return files;
}

class LibrarySetCommandTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        whole = test::ImportInto(dir, "whole", test::NciRecords(1, 45) + test::NciRecords(1, 5));
        a = test::ImportInto(dir, "a", test::NciRecords(1, 20));
        b = test::ImportInto(dir, "b", test::NciRecords(21, 25) + test::NciRecords(1, 5));
        set = dir.File("ab.vset");
        test::WriteBytes(set, "a.clb\nb.clb\n");
    }
    test::TempDir dir;
    std::string whole, a, b, set;
};

TEST_F(LibrarySetCommandTest, BuildCountShowAndSearchTakeASet)
{
    auto run = RunTool({"build", set});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_TRUE(Contains(run.out, "Descriptor file " + dir.File("a.pre")));
    EXPECT_TRUE(Contains(run.out, "Parameters " + dir.File("ab.idp") + " of the library set written for 50 structures"));
    ASSERT_EQ(RunTool({"build", whole}).status, 0);
    EXPECT_EQ(test::ReadBytes(dir.File("ab.idp")), test::ReadBytes(dir.File("whole.idp")));
    // Built members are left as they are.
    const std::string pre = test::ReadBytes(dir.File("a.pre"));
    run = RunTool({"build", set});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_FALSE(Contains(run.out, "Descriptor file"));
    EXPECT_EQ(test::ReadBytes(dir.File("a.pre")), pre);

    run = RunTool({"params", set});
    ASSERT_EQ(run.status, 0) << run.err;
    ASSERT_EQ(RunTool({"params", whole}).status, 0);
    EXPECT_EQ(test::ReadBytes(dir.File("ab.idr")), test::ReadBytes(dir.File("whole.idr")));

    run = RunTool({"count", set});
    EXPECT_EQ(run.out, "50\n");
    // The statistics of the set are those of its structures; its size is its libraries'.
    run = RunTool({"stats", set});
    ASSERT_EQ(run.status, 0) << run.err;
    std::string stats = RunTool({"stats", whole}).out;
    const std::string name = "Name of structurefile: ";
    stats.replace(stats.find(name) + name.size(), whole.size(), set);
    EXPECT_EQ(run.out.substr(0, run.out.find("Size of")), stats.substr(0, stats.find("Size of")));
    EXPECT_EQ(run.out.substr(run.out.find("Total number")), stats.substr(stats.find("Total number")));
    EXPECT_FALSE(Contains(run.out, "Size of structurefile:      0 kB"));
    run = RunTool({"descriptors", set});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, RunTool({"descriptors", whole}).out);
    run = RunTool({"draw", set, "23", "-o", dir.File("b.idp")});
    EXPECT_EQ(run.status, 1);
    EXPECT_TRUE(Contains(run.err, "which is read")) << run.err;
    run = RunTool({"show", set, "23"});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_TRUE(Contains(run.out, "Library: b.clb (structure 3)\nName: " + test::LibraryStructureName(whole, 23)));

    for (const std::string mode : {"normal", "intro"}) {
        SCOPED_TRACE(mode);
        const std::vector<std::string> options{"--descriptors", "Bonds: single,Hetero atoms,OH,CO", "--coefficient",
                                               "tanimoto",      "--mode",                          mode};
        auto args = [&](const std::string& library) {
            std::vector<std::string> all{"search", library, b};
            all.insert(all.end(), options.begin(), options.end());
            return all;
        };
        const auto one = RunTool(args(whole));
        const auto two = RunTool(args(set));
        ASSERT_EQ(two.status, 0) << two.err;
        const auto rows = TableRows(two.out, true);
        EXPECT_EQ(rows.size(), 50u);
        EXPECT_EQ(rows, TableRows(one.out, false));
        EXPECT_TRUE(Contains(two.out, "Library  ")) << two.out;
    }
}

TEST_F(LibrarySetCommandTest, ExportsOfASetAndOfItsMatchesNeverWriteOntoAMember)
{
    auto run = RunTool({"search", set, a, "--descriptors", "Bonds: single,Hetero atoms,OH", "--mode", "intro", "--yes", "--best", "3", "--export",
                        dir.File("hits.sdf")});
    ASSERT_EQ(run.status, 0) << run.err;
    const std::string hits = test::ReadBytes(dir.File("hits.sdf"));
    EXPECT_TRUE(Contains(hits, "> <LIBRARY>\r\na.clb\r\n")) << hits;

    run = RunTool({"export", set, dir.File("all.sdf")});
    ASSERT_EQ(run.status, 0) << run.err;
    ASSERT_EQ(RunTool({"export", whole, dir.File("whole.sdf")}).status, 0);
    EXPECT_EQ(test::ReadBytes(dir.File("all.sdf")), test::ReadBytes(dir.File("whole.sdf")));

    const auto before = Snapshot(dir.Path());
    for (const std::string& target : {b, dir.File("b.III"), set}) {
        run = RunTool({"export", set, target});
        EXPECT_NE(run.status, 0) << target;
        run = RunTool({"search", set, a, "--descriptors", "Bonds: single,Hetero atoms,OH", "--mode", "intro", "--yes", "--export", target});
        EXPECT_NE(run.status, 0) << target;
        EXPECT_TRUE(Contains(run.err, target)) << run.err;
    }
    EXPECT_EQ(Snapshot(dir.Path()), before);
}

TEST_F(LibrarySetCommandTest, RefusedSetsNameTheFileAndLine)
{
    test::WriteBytes(set, "a.clb\n# b comes later\nc.clb\n");
    const auto before = Snapshot(dir.Path());
    for (const std::vector<std::string>& command :
         {std::vector<std::string>{"search", set, a, "--query-aug"}, {"build", set}, {"params", set}, {"count", set},
          {"show", set, "1"}}) {
        const auto run = RunTool(command);
        EXPECT_EQ(run.status, 1) << command[0];
        EXPECT_TRUE(Contains(run.err, set + ", line 3: c.clb: no such library")) << run.err;
    }
    EXPECT_EQ(Snapshot(dir.Path()), before);

    // Members with and without descriptor files: NORMAL mode cannot search them as one.
    ASSERT_EQ(RunTool({"build", a}).status, 0);
    test::WriteBytes(set, "a.clb\nb.clb\n");
    const auto built = Snapshot(dir.Path());
    const auto run = RunTool({"search", set, a, "--query-aug"});
    EXPECT_EQ(run.status, 1);
    EXPECT_TRUE(Contains(run.err, "line 2: b.clb has no descriptor file")) << run.err;
    EXPECT_EQ(Snapshot(dir.Path()), built);
}

} // namespace
} // namespace velmora
