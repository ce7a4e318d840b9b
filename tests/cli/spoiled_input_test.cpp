// Input records that are not what their file promises: the tool refuses them as queries and
// leaves them out of imports, saying where and why; the records around them are read as before.
#include "cli_support.h"
#include "test_support.h"

#include "base/textfile.h"

#include <gtest/gtest.h>

namespace velmora {
namespace {

using test::Contains;
using test::RunTool;

// The first lines of query.mol (25 atoms, 28 bonds): its header, counts line and 3 atom lines.
std::string CutQuery(const test::TempDir& dir)
{
    const std::string whole = test::ReadBytes(test::DataFile("query.mol"));
    std::size_t at = 0;
    for (int line = 0; line < 7; ++line)
        at = whole.find("\r\n", at) + 2;
    const std::string cut = dir.File("cut.mol");
    test::WriteBytes(cut, whole.substr(0, at));
    return cut;
}

TEST(CliSpoiledInput, ARecordCutShortIsNeitherQueryNorLibraryRecord)
{
    test::TempDir dir;
    const std::string cut = CutQuery(dir);
    const std::string where = "ends at line 7; its counts line promises 25 atoms and 28 bonds";

    auto run = RunTool({"import", cut, dir.File("cut.clb")});
    EXPECT_TRUE(Contains(run.err, cut + ": skipped record 1 (2783) " + where)) << run.err;
    EXPECT_FALSE(Contains(run.err, "reads back differently")) << run.err;

    const std::string sd = dir.File("lib.sdf");
    test::WriteBytes(sd, test::NciRecords(1, 5));
    const std::string lib = dir.File("lib.clb");
    ASSERT_EQ(RunTool({"import", sd, lib}).status, 0);
    run = RunTool({"search", lib, cut, "--descriptors", "Atoms of C", "--yes"});
    EXPECT_EQ(run.status, 1);
    EXPECT_TRUE(Contains(run.err, cut + ": record 1 " + where)) << run.err;
    EXPECT_FALSE(Contains(run.out, "OUTPUT")) << run.out;

    run = RunTool({"draw", cut, "1", "-o", dir.File("cut.svg")});
    EXPECT_NE(run.status, 0);
    EXPECT_TRUE(Contains(run.err, where)) << run.err;

    // Its descriptors are not computed from the part that was read.
    const std::string both = dir.File("both.sdf");
    test::WriteBytes(both, test::kMethaneRecord + test::ReadBytes(cut));
    run = RunTool({"descriptors", both});
    EXPECT_TRUE(Contains(run.out, "\n2*\t2783\t" + std::string(148, '\t') + "\n")) << run.out;
}

TEST(CliSpoiledInput, ALineOverOneMebibyteSpoilsOnlyItsRecord)
{
    test::TempDir dir;
    std::string spoiled = test::kMethaneRecord;
    spoiled.replace(0, 7, "long");
    spoiled.insert(spoiled.find("$$$$"), "> <DATA>\r\n" + std::string(kMaxLineLength + 1, 'd') + "\r\n\r\n");
    const std::string sd = dir.File("long.sdf");
    test::WriteBytes(sd, test::kMethaneRecord + spoiled + test::kMethaneRecord);
    EXPECT_EQ(RunTool({"count", sd}).out, "3\n");
    const auto run = RunTool({"import", sd, dir.File("long.clb")});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_TRUE(Contains(run.out, "Imported 2 structures")) << run.out;
    EXPECT_TRUE(Contains(run.err, "skipped record 2 (long): line 15 is longer than 1 MiB")) << run.err;
}

} // namespace
} // namespace velmora
