// velmora-cli descriptors: the TSV layout that others compare against, failed and unreadable
// records, libraries next to SD files, and the command-line faults.
#include "cli_support.h"
#include "descriptors/catalogue.h"
#include "io/molfile.h"
#include "io/structlib.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

namespace velmora::cli {
namespace {

using CommandRun = test::CliRun;
constexpr auto RunCommand = test::RunTool;

std::vector<std::string> Split(const std::string& text, char separator)
{
    std::vector<std::string> parts;
    std::string part;
    std::istringstream in(text);
    while (std::getline(in, part, separator))
        parts.push_back(part);
    if (!text.empty() && text.back() == separator)
        parts.emplace_back();
    return parts;
}

std::vector<std::vector<std::string>> Rows(const std::string& out)
{
    std::vector<std::vector<std::string>> rows;
    for (const std::string& line : Split(out, '\n'))
        if (!line.empty())
            rows.push_back(Split(line, '\t'));
    return rows;
}

// Column of a descriptor in a row: position and name come first.
std::size_t Column(const std::string& name) { return 2 + ListPosition(test::DescriptorIndex(name)); }

std::string Molfile(const std::string& name, const std::vector<std::string>& atoms,
                    const std::vector<std::string>& bonds, bool terminated = true)
{
    char counts[80];
    std::snprintf(counts, sizeof counts, "%3zu%3zu  0  0  0  0  0  0  0  0999 V2000\n", atoms.size(),
                  bonds.size());
    std::string text = name + "\n  test\n\n" + counts;
    for (const std::string& symbol : atoms) {
        char line[80];
        std::snprintf(line, sizeof line, "    0.0000    0.0000    0.0000 %-3s 0  0  0  0  0  0  0  0  0  0  0  0\n",
                      symbol.c_str());
        text += line;
    }
    for (const std::string& bond : bonds)
        text += bond + "  0\n";
    text += "M  END\n";
    if (terminated)
        text += "$$$$\n";
    return text;
}

std::string Bond(int a, int b, int type)
{
    char line[40];
    std::snprintf(line, sizeof line, "%3d%3d%3d", a, b, type);
    return line;
}

TEST(DescriptorsCommand, ListGivesPositionIndexAndName)
{
    const CommandRun run = RunCommand({"descriptors", "--list"});
    ASSERT_EQ(run.status, kExitOk);
    const auto rows = Rows(run.out);
    ASSERT_EQ(rows.size(), 149u);
    EXPECT_EQ(rows[0], (std::vector<std::string>{"0", "0", "Aromatic bonds"}));
    EXPECT_EQ(rows[33], (std::vector<std::string>{"33", "35", "Aug: C4C4C"}));
    EXPECT_EQ(rows[148], (std::vector<std::string>{"148", "151", "TopoRad"}));
}

TEST(DescriptorsCommand, SdFileRowsWithFailedAndUnreadableRecords)
{
    test::TempDir dir;
    std::string sd = Molfile("ethanol\twith tab", {"C", "C", "O"}, {Bond(1, 2, 1), Bond(2, 3, 1)});
    // 99 atoms: nothing is read, only the name.
    sd += "too big\n  test\n\n 99  0  0  0  0  0  0  0  0  0999 V2000\nM  END\n$$$$\n";
    // A bond type 7 is entered as single and reported as a failure.
    sd += Molfile("odd bond", {"C", "C"}, {Bond(1, 2, 7)});
    // Two loose atoms: "Number of rings" is -1.
    sd += Molfile("two atoms", {"C", "O"}, {});
    // 63 carbons each bonded to the five next ones around a circle: 315 single bonds.
    std::vector<std::string> atoms(63, "C"), bonds;
    for (int i = 1; i <= 63; ++i)
        for (int step = 1; step <= 5; ++step)
            bonds.push_back(Bond(i, (i - 1 + step) % 63 + 1, 1));
    sd += Molfile("crowded", atoms, bonds);
    sd += "\n"; // a blank line after the last record is no record
    test::WriteBytes(dir.File("in.sdf"), sd);

    const CommandRun run = RunCommand({"descriptors", dir.File("in.sdf")});
    ASSERT_EQ(run.status, kExitOk) << run.err;
    EXPECT_NE(run.err.find("2 of 5 records"), std::string::npos) << run.err;
    const auto rows = Rows(run.out);
    ASSERT_EQ(rows.size(), 6u);
    for (const auto& row : rows)
        ASSERT_EQ(row.size(), 151u);
    EXPECT_EQ((std::vector<std::string>{rows[0][0], rows[0][1], rows[0][2], rows[0][150]}),
              (std::vector<std::string>{"#", "Name", "Aromatic bonds", "TopoRad"}));
    EXPECT_EQ(rows[0][Column("COO  (not a COOH)")], "COO  (not a COOH)");

    const auto& ethanol = rows[1];
    EXPECT_EQ(ethanol[0], "1");
    EXPECT_EQ(ethanol[1], "ethanol with tab");
    for (const auto& [name, value] : std::vector<std::pair<std::string, std::string>>{
             {"Atoms of C", "2"}, {"OH", "1"}, {"Number of rings", "0"}, {"TopoDia", "2"}, {"TopoRad", "1"},
             {"RandicIx", "1.4142135623730951"}}) // 2 / sqrt 2
        EXPECT_EQ(ethanol[Column(name)], value) << name;

    std::vector<std::string> tooBig(151);
    tooBig[0] = "2*", tooBig[1] = "too big";
    EXPECT_EQ(rows[2], tooBig);

    EXPECT_EQ(rows[3][0], "3*");
    EXPECT_EQ(rows[3][Column("Bonds: single")], "1");
    EXPECT_EQ(rows[3][Column("TopoJ")], "1");

    EXPECT_EQ(rows[4][0], "4");
    EXPECT_EQ(rows[4][Column("Number of rings")], "-1");

    // Counts are written as computed, not cut to the 8 bits of the stored record.
    EXPECT_EQ(rows[5][Column("Bonds: single")], "315");
    EXPECT_EQ(rows[5][Column("Bonds: C-C single")], "315");
    EXPECT_EQ(rows[5][Column("Branching atoms")], "63");
}

TEST(DescriptorsCommand, LibraryGivesTheSameValuesAsItsSource)
{
    test::TempDir dir;
    std::string sd = Molfile("acetic acid", {"C", "C", "O", "O"}, {Bond(1, 2, 1), Bond(2, 3, 2), Bond(2, 4, 1)});
    sd += Molfile("benzene", {"C", "C", "C", "C", "C", "C"},
                  {Bond(1, 2, 4), Bond(2, 3, 4), Bond(3, 4, 4), Bond(4, 5, 4), Bond(5, 6, 4), Bond(6, 1, 4)});
    test::WriteBytes(dir.File("src.sdf"), sd);
    const CommandRun fromSd = RunCommand({"descriptors", dir.File("src.sdf")});
    ASSERT_EQ(fromSd.status, kExitOk);

    // The same structures in a library whose extension is in capitals. Under any name but ".clb"
    // the library's data file is not a library, and not one record of it reads (exit status 1).
    auto writeLibrary = [&](const std::string& name, std::vector<const char*> titles) {
        StructureLibrary library;
        library.SetWritePermission(true);
        TextReader reader(dir.File("src.sdf"));
        for (const char* title : titles) {
            ASSERT_TRUE(ReadMolRecord(library.Structure(), reader));
            ASSERT_EQ(library.WriteLibraryRecord(dir.File(name), title, 0), kLibOk);
        }
    };
    writeLibrary("store.dat", {"acetic acid", "benzene"});
    EXPECT_EQ(RunCommand({"descriptors", dir.File("store.dat")}).status, kExitFailure);
    for (const std::string name : {"lib.CLB"}) {
        writeLibrary(name, {"acetic acid", "benzene"});
        const CommandRun fromLibrary = RunCommand({"descriptors", dir.File(name)});
        ASSERT_EQ(fromLibrary.status, kExitOk) << fromLibrary.err;
        // The library keeps names in capitals; every other field is the same.
        auto libraryRows = Rows(fromLibrary.out);
        auto sdRows = Rows(fromSd.out);
        ASSERT_EQ(libraryRows.size(), sdRows.size()) << name;
        for (std::size_t r = 1; r < sdRows.size(); ++r) {
            EXPECT_EQ(libraryRows[r][1], r == 1 ? "ACETIC ACID" : "BENZENE");
            libraryRows[r][1] = sdRows[r][1];
            EXPECT_TRUE(libraryRows[r] == sdRows[r]) << name << " row " << r;
        }
    }
    // An SD file beside a library of the same stem shares its index name and is still read as
    // an SD file.
    writeLibrary("src.clb", {"acetic acid"});
    EXPECT_EQ(RunCommand({"descriptors", dir.File("src.sdf")}).out, fromSd.out);

    const auto rows = Rows(fromSd.out);
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[1][Column("COOH")], "1");
    EXPECT_EQ(rows[1][Column("Aug: C2O1O1C")], "1");
    EXPECT_EQ(rows[2][Column("Aromatic bonds")], "6");
    EXPECT_EQ(rows[2][Column("Number of 6-rings")], "1");
    EXPECT_EQ(rows[2][Column("TopoJ")], "3");
}

TEST(DescriptorsCommand, FaultsOnTheCommandLineAndMissingFiles)
{
    EXPECT_EQ(RunCommand({"descriptors"}).status, kExitUsage);
    EXPECT_EQ(RunCommand({"descriptors", "a.sdf", "b.sdf"}).status, kExitUsage);
    EXPECT_EQ(RunCommand({"descriptors", "--lists"}).status, kExitUsage);

    test::TempDir dir;
    for (const char* name : {"none.sdf", "none.clb"}) {
        const CommandRun missing = RunCommand({"descriptors", dir.File(name)});
        EXPECT_EQ(missing.status, kExitFailure);
        EXPECT_TRUE(test::Contains(missing.err, name)) << missing.err;
        EXPECT_EQ(missing.out, "");
    }
}

} // namespace
} // namespace velmora::cli
