// The results as the pages, the export and the printout read them: result structures by rank, the
// export of the best matches, and descriptor lines packed for screen and paper.
#include "search/workbench.h"

#include "base/ioerror.h"
#include "io/convert.h"
#include "io/molfile.h"
#include "search/descriptorlines.h"
#include "scripted.h"
#include "test_support.h"
#include "workbench_support.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace velmora {
namespace {

namespace fs = std::filesystem;

class WorkbenchResultsTest : public test::WorkbenchFixture {
protected:
    // A searched library of count structures: its first structure is the query, three descriptors.
    void Searched(int count)
    {
        lib = test::NciLibrary(dir, "lib", count, true);
        ASSERT_TRUE(wb.OpenLibrary(lib));
        ASSERT_TRUE(wb.LoadQuery(lib));
        test::ChooseDescriptors(wb, dialog, {"Bonds: single", "Atoms of O", "Hetero atoms"});
        ASSERT_EQ(wb.RunSearch(), SearchOutcome::Completed);
    }
    std::string lib;
};

TEST_F(WorkbenchResultsTest, ResultStructuresByRankAndFailedReads)
{
    Searched(30);
    wb.State().BestCount = 5; // changed after the search: the ranks of the search still count
    const ResultStructure first = wb.ReadResultStructure(1);
    EXPECT_EQ(first.read, kLibOk);
    EXPECT_EQ(first.row.libraryPosition, 1);
    EXPECT_EQ(first.row.value, "  0.0000");
    EXPECT_EQ(first.row.name, test::LibraryStructureName(lib, 1));
    EXPECT_EQ(wb.Library().Structure().FStrucName, first.row.name);
    EXPECT_GT(wb.Library().Structure().NumValidAtoms, 0);
    EXPECT_EQ(wb.ReadResultStructure(30).read, kLibOk);

    // A rank without a match and an unreadable record both leave nothing of the last structure.
    for (int rank : {0, 31}) {
        ASSERT_EQ(wb.ReadResultStructure(2).read, kLibOk);
        const ResultStructure none = wb.ReadResultStructure(rank);
        EXPECT_NE(none.read, kLibOk);
        EXPECT_TRUE(none.row.name.empty() && none.row.casNumber.empty());
        EXPECT_EQ(wb.Library().Structure().NumValidAtoms, 0) << rank;
        EXPECT_TRUE(wb.Library().Structure().FStrucName.empty());
    }
    ASSERT_EQ(wb.ReadResultStructure(2).read, kLibOk);
    wb.Library().ReleaseFiles();
    fs::resize_file(wb.State().SimilarLibraryFileName, 10);
    const ResultStructure damaged = wb.ReadResultStructure(3);
    EXPECT_NE(damaged.read, kLibOk);
    EXPECT_EQ(damaged.row.libraryPosition, wb.Results().StructureAt(3)); // position and value still shown
    EXPECT_EQ(wb.Library().Structure().NumValidAtoms, 0);
    const auto rows = wb.ReportRows();
    ASSERT_EQ(rows.size(), 30u);
    EXPECT_TRUE(rows[2].name.empty());
}

TEST_F(WorkbenchResultsTest, ExportWritesTheBestMatchesAndReportsItsOwnCompletion)
{
    Converter converter;
    bool shown = false;
    EXPECT_FALSE(wb.ExportLibrary(converter, [&](Converter&) { shown = true; }));
    EXPECT_FALSE(shown); // nothing to export before a search

    Searched(12);
    const std::string target = dir.File("hits.sdf");
    auto convert = [&](Converter& c) {
        EXPECT_EQ(c.Caption(), "Export");
        EXPECT_EQ(c.FromName(), wb.State().SimilarLibraryFileName);
        EXPECT_EQ(c.FromFormat(), "*.clb");
        EXPECT_EQ(c.StructureCount(), 12); // the filled ranks, not the best count of 50
        c.SetTarget(target, ConversionMode::WriteAnew);
        c.Convert(wb.Library(), dialog, progress);
    };
    EXPECT_TRUE(wb.ExportLibrary(converter, convert));
    EXPECT_EQ(CountSDRecords(target), 12);
    EXPECT_EQ(converter.ToFormat(), "*.sdf");
    test::ExpectMessage(dialog.shown.back(), MessageKind::Information, "Conversion successful", MessageButtons::Ok);

    // Showing the window again and leaving it without converting is no export, whatever came before;
    // so is an aborted one.
    EXPECT_FALSE(wb.ExportLibrary(converter, [](Converter&) {}));
    progress.polls = 0;
    progress.abortAtPoll = 3;
    EXPECT_FALSE(wb.ExportLibrary(converter, convert));
    EXPECT_FALSE(converter.Exit()); // the import flag is not the export's answer

    // A new query takes the results, and with them the export.
    ASSERT_TRUE(wb.LoadQuery(lib));
    EXPECT_FALSE(wb.ExportLibrary(converter, [&](Converter&) { shown = true; }));
    EXPECT_FALSE(shown);
}

TEST_F(WorkbenchResultsTest, AsciiExportNeedsASearchOfAnOpenLibrary)
{
    std::mt19937 random(1);
    EXPECT_THROW(wb.ExportAscii(random), IoError);
    EXPECT_FALSE(fs::exists("asc")); // an empty library name would have named it
}

TEST(DescriptorLines, PackForScreenAndPaper)
{
    const std::string name20(20, 'a'), name30(30, 'b'), name40(40, 'c');
    struct Case {
        std::vector<std::string> names;
        std::size_t lines, first, other;
        std::vector<std::string> expected;
    };
    const std::vector<Case> cases{
        {{}, 4, 58, 58, {""}},
        // 20 + 30 < 58 joins; 54 + 20 does not.
        {{name20, name30, name20}, 4, 58, 58, {name20 + ",  " + name30, name20}},
        // The printout's first line is shorter than the others.
        {{name20, name30, name20, name40}, 15, 47, 63, {name20, name30 + ",  " + name20, name40}},
        // A name longer than the limit still takes an empty line.
        {{std::string(70, 'd'), name20}, 4, 58, 58, {std::string(70, 'd'), name20}},
        // Sixteen long names on paper: fifteen lines, the last marked.
        {std::vector<std::string>(16, name40), 15, 47, 63,
         [&] {
             std::vector<std::string> l(15, name40);
             l.back() += "=>";
             return l;
         }()},
    };
    for (const Case& c : cases)
        EXPECT_EQ(PackDescriptorLines(c.names, c.lines, c.first, c.other), c.expected) << c.names.size();
}

} // namespace
} // namespace velmora
