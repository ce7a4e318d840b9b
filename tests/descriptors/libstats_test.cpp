#include "descriptors/libstats.h"

#include "descriptors/groups.h"
#include "graphics/recordingprinttarget.h"
#include "report/statsreport.h"
#include "molecules_support.h"
#include "scripted.h"
#include "search/paramcalc.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace velmora {
namespace {

constexpr int kOH = 29;
constexpr int kNH2 = 22;
constexpr int kHalogens = 20;

// Writes the structures as a library; returns its path.
std::string WriteLibrary(const test::TempDir& dir, const std::string& name, const std::vector<TCTab>& structures)
{
    const std::string path = dir.File(name);
    StructureLibrary library;
    library.SetWritePermission(true);
    int n = 0;
    for (const TCTab& t : structures) {
        library.Structure().Assign(t);
        EXPECT_EQ(library.WriteLibraryRecord(path, "S" + std::to_string(++n), 0), kLibOk);
    }
    return path;
}

// Sodium chloride as two unbonded ions (charge codes +1 = 3, -1 = 5).
TCTab SodiumChloride()
{
    TCTab t = test::Graph({11, 17}, {});
    t.SetCharge(1, 3);
    t.SetCharge(2, 5);
    return t;
}

// Ethane with a stray neutral oxygen atom: not registered, but not a salt.
TCTab EthaneAndLoneOxygen() { return test::Graph({6, 6, 8}, {{1, 2, 1}}); }

// Ethanol, ethylene glycol (with coordinates), propylamine, sodium chloride (with coordinates),
// and a structure with an unbonded neutral atom.
std::vector<TCTab> SmallLibrary()
{
    TCTab glycol = test::Smiles("OCCO");
    glycol.SetCoord(2, 1, 1.5);
    TCTab salt = SodiumChloride();
    salt.SetCoord(1, 1, 2.0);
    return {test::Smiles("CCO"), glycol, test::Smiles("CCCN"), salt, EthaneAndLoneOxygen()};
}

TEST(LibraryStatistics, SaltsAndErrorStructuresFromStructuresAndFromRecords)
{
    test::TempDir dir;
    const std::string path = WriteLibrary(dir, "small.clb", SmallLibrary());
    StructureLibrary library;
    NullProgress progress;
    for (bool fromRecords : {false, true}) {
        if (fromRecords)
            test::BuildDescriptorFiles(path);
        const LibraryStatistics s = CountLibraryStatistics(library, path, progress);
        SCOPED_TRACE(fromRecords ? "records" : "structures");
        EXPECT_EQ(s.FromRecords, fromRecords);
        // Total, not registered, salts, errors, registered, with graphics (the salt's do not count).
        EXPECT_EQ((std::vector<long>{s.Total, s.NotRegistered, s.Salts, s.Errors, s.Registered, s.WithGraphics}),
                  (std::vector<long>{5, 2, 1, 1, 3, 1}));
        // OH, NH2, halogens (the chloride is not registered); OH once, twice and not at all.
        EXPECT_EQ((std::vector<long>{s.Present[kOH], s.Present[kNH2], s.Present[kHalogens], s.Occurrence[1][kOH],
                                     s.Occurrence[2][kOH], s.Occurrence[0][kOH]}),
                  (std::vector<long>{2, 1, 0, 1, 1, 1}));
        EXPECT_NEAR(s.Percent(kOH), 200.0 / 3.0, 1e-9);
    }
}

TEST(LibraryStatistics, ReportLinesOfASmallLibrary)
{
    test::TempDir dir;
    const std::string path = WriteLibrary(dir, "small.clb", SmallLibrary());
    ASSERT_EQ(std::filesystem::file_size(path), 16384u); // one block: 16 kB
    StructureLibrary library;
    NullProgress progress;
    const auto lines = StatisticsReport(CountLibraryStatistics(library, path, progress), path);

    std::vector<std::string> expected{"", "", "", "",
                                      "           Name of structurefile: " + path,
                                      "           Size of structurefile:     16 kB", "",
                                      "           Total number of structures in structurefile: 5", "",
                                      "           Structures, which are not registered       : 2",
                                      "                   includes 1 salt",
                                      "                   includes 1 error structure", "",
                                      "           Total number of registered structures      : 3",
                                      "           Structures, which have graphic information : 1", "", "",
                                      "               Functional groups  Structures    %", ""};
    // 13 blanks, "name:" right-aligned in 19, the count in 8, the percentage in 9.
    const char* groups[] = {"Aromatic Br", "Aromatic Cl", "Aromatic NO2", "Aromatic OH", "Aromatic SO3H",
                            "CHO", "CN", "CO", "CONR2", "COO  (not a COOH)", "COOH", "COX", "Halogen atoms",
                            "NCON", "NH2", "NHR", "NNH2 or NNH", "NO", "NO2", "NR2", "OCH3", "OH", "SO", "SO2"};
    for (const std::string name : groups) {
        const std::string label = name + ":";
        std::string counts = "       0      0.0";
        if (name == "OH")
            counts = "       2     66.7";
        if (name == "NH2")
            counts = "       1     33.3";
        expected.push_back(std::string(13, ' ') + std::string(19 - label.size(), ' ') + label + counts);
    }
    expected.insert(expected.end(), {
        "", "", "           Distribution of functional groups per molecule:", "",
        "                                           number of functional groups", "",
        "                               1      2      3      4      5      6      7      8      9      >9", "",
        // Only groups that some registered structure contains, in table order.
        "                      NH2:      1      0      0      0      0      0      0      0      0      0",
        "                       OH:      1      1      0      0      0      0      0      0      0      0"});

    ASSERT_EQ(lines.size(), expected.size());
    for (std::size_t i = 0; i < lines.size(); ++i) {
        EXPECT_EQ(lines[i].text, expected[i]) << "line " << i;
        // From the "number of functional groups" heading on, the report is printed in 8 point.
        EXPECT_EQ(lines[i].fontSize, i >= 47 ? 8 : 10) << "line " << i;
    }
    // The literal line for a name with two blanks inside.
    EXPECT_EQ(lines[19 + 9].text, "              COO  (not a COOH):       0      0.0");

    // Printed: every text line once, in its own size, on one A4 page at 300 dpi (no footer).
    RecordingPrintTarget printer(2480, 3508);
    PrintStatisticsReport(printer, CountLibraryStatistics(library, path, progress), path);
    std::vector<std::pair<std::string, int>> printed, wanted;
    for (const auto& text : printer.Texts())
        printed.emplace_back(text.text, text.fontSize);
    for (const auto& line : lines)
        if (!line.text.empty())
            wanted.emplace_back(line.text, line.fontSize);
    EXPECT_EQ(printed, wanted);
    EXPECT_EQ(printer.PageNumber(), 1);
}

TEST(LibraryStatistics, HydrogensAreRemovedBeforeCountingFromStructures)
{
    // Methanol written with its hydroxyl hydrogen: the O has two neighbours as loaded.
    const TCTab methanol = test::Smiles("CO[H]");
    ASSERT_EQ(CountGroup(methanol, kOH), 0);
    test::TempDir dir;
    const std::string path = WriteLibrary(dir, "meoh.clb", {methanol, test::Smiles("CC")});
    StructureLibrary library;
    NullProgress progress;
    LibraryStatistics s = CountLibraryStatistics(library, path, progress);
    ASSERT_FALSE(s.FromRecords);
    EXPECT_EQ(s.Present[kOH], 1);
    EXPECT_EQ(s.Occurrence[1][kOH], 1);

    // The descriptor records hold the counts of the structures as loaded.
    test::BuildDescriptorFiles(path);
    s = CountLibraryStatistics(library, path, progress);
    ASSERT_TRUE(s.FromRecords);
    EXPECT_EQ(s.Present[kOH], 0);
    EXPECT_EQ(s.Occurrence[0][kOH], 2);
}

TEST(LibraryStatistics, TenOrMoreOccurrencesGoToTheLastColumn)
{
    // A chain of twelve carbons, each carrying an OH.
    std::string smiles;
    for (int i = 0; i < 12; ++i)
        smiles += "C(O)";
    test::TempDir dir;
    const std::string path = WriteLibrary(dir, "poly.clb", {test::Smiles(smiles), test::Smiles("CCO")});
    StructureLibrary library;
    NullProgress progress;
    const LibraryStatistics s = CountLibraryStatistics(library, path, progress);
    EXPECT_EQ((std::vector<long>{s.Occurrence[10][kOH], s.Occurrence[1][kOH], s.Present[kOH]}),
              (std::vector<long>{1, 1, 2}));
    const auto lines = StatisticsReport(s, path);
    EXPECT_EQ(lines[10].text, "                   includes 0 salts");
    EXPECT_EQ(lines[11].text, "                   includes 0 error structures");
    EXPECT_EQ(lines.back().text,
              "                       OH:      1      0      0      0      0      0      0      0      0      1");
}

TEST(LibraryStatistics, AStoppedCountStillDerivesRegisteredFromTotal)
{
    test::TempDir dir;
    const std::string path = WriteLibrary(dir, "small.clb", SmallLibrary());
    StructureLibrary library;
    test::ScriptedProgress progress;
    progress.abortAtPoll = 5;
    const LibraryStatistics s = CountLibraryStatistics(library, path, progress);
    EXPECT_LT(s.Counted, 5);
    EXPECT_EQ(s.Total, 5);
    EXPECT_EQ(s.Registered, s.Total - s.NotRegistered);
    EXPECT_EQ(s.Errors, s.NotRegistered - s.Salts);
}

TEST(LibraryStatistics, FileSizeLine)
{
    // kB up to 1023 kB with no decimals; MB above, with one decimal below 100 MB.
    struct Case {
        std::uintmax_t bytes;
        const char* text;
    };
    const std::vector<Case> cases{
        {2000, "     2 kB"},          {16384, "    16 kB"},          {1023u * 1024u, "  1023 kB"},
        {1024u * 1024u, "   1.0 MB"}, {1536u * 1024u, "   1.5 MB"}, {150u * 1024u * 1024u, "   150 MB"},
    };
    test::TempDir dir;
    const std::string path = dir.File("sized.clb");
    for (const auto& c : cases) {
        test::WriteBytes(path, "");
        std::filesystem::resize_file(path, c.bytes);
        const auto lines = StatisticsReport(LibraryStatistics{}, path);
        EXPECT_EQ(lines.at(5).text, std::string("           Size of structurefile: ") + c.text) << c.bytes;
    }
}

} // namespace
} // namespace velmora
