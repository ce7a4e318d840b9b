// The results as the pages, the export and the printout read them: result structures by rank, the
// export of the best matches, and descriptor lines packed for screen and paper.
#include "search/workbench.h"

#include "base/ioerror.h"
#include "io/convert.h"
#include "io/molfile.h"
#include "report/asciiexport.h"
#include "report/reportprint.h"
#include "search/coefficients.h"
#include "search/descriptorlines.h"
#include "scripted.h"
#include "test_support.h"
#include "workbench_support.h"

#include <gtest/gtest.h>

#include <algorithm>
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

// The rank the detail page shows is the state's structure counter; ranks the results do not hold
// leave it alone, and so does a workbench whose results are gone. The page navigation is the
// workbench's: its BackPage is the state's, and dropping the results resets it.
TEST_F(WorkbenchResultsTest, ShownRankAndBackPageFollowTheResults)
{
    Searched(30);
    EXPECT_EQ(wb.State().StructureCounter, 30); // the comparison's last structure
    wb.SetShownRank(7);
    EXPECT_EQ(wb.State().StructureCounter, 7);
    for (int rank : {0, -1, 31})
        wb.SetShownRank(rank);
    EXPECT_EQ(wb.State().StructureCounter, 7);

    wb.Pages().ViewTable();
    wb.Pages().OpenMatch();
    EXPECT_EQ(wb.State().BackPage, static_cast<int>(Page::Report));
    wb.InvalidateResults();
    EXPECT_EQ(wb.State().BackPage, 0);
    wb.SetShownRank(3);
    EXPECT_EQ(wb.State().StructureCounter, 7);
}

TEST_F(WorkbenchResultsTest, ResultStructuresByRankAndFailedReads)
{
    Searched(30);
    ASSERT_TRUE(wb.SetBestCount("5")); // changed after the search: the ranks of the search still count
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

// A coefficient chosen after the search is for the next one: every label of the results (report,
// printout, export) keeps naming the one they were computed with.
TEST_F(WorkbenchResultsTest, ResultLabelsKeepTheCoefficientOfTheirSearch)
{
    wb.SetCoefficient(kManhattan);
    EXPECT_EQ(wb.ResultCoefficient(), kManhattan); // no results yet: the chosen one
    Searched(12);
    wb.SetCoefficient(kTanimoto);
    EXPECT_EQ(wb.State().CoefficientIndex, kTanimoto);
    EXPECT_EQ(wb.ResultCoefficient(), kManhattan);
    EXPECT_EQ(wb.ReportInput().back(), std::make_pair(std::string("Similarity coeff :"), CoefficientName(kManhattan)));
    EXPECT_EQ(MakeReportPrintData(wb).coefficient, kManhattan);
    const auto items = wb.ResultDataItems(1);
    ASSERT_EQ(items.size(), 4u);
    EXPECT_EQ(items[3].value, "Manhattan distance");

    // The next search takes the new one.
    ASSERT_EQ(wb.RunSearch(), SearchOutcome::Completed);
    EXPECT_EQ(wb.ResultCoefficient(), kTanimoto);
    EXPECT_EQ(MakeReportPrintData(wb).coefficient, kTanimoto);
}

// The same for the best count: a count chosen after the search is for the next one; the report's
// input lines and the printout keep the count the results were ranked into.
TEST_F(WorkbenchResultsTest, ResultLabelsKeepTheBestCountOfTheirSearch)
{
    lib = test::NciLibrary(dir, "lib", 12, true);
    ASSERT_TRUE(wb.OpenLibrary(lib));
    ASSERT_TRUE(wb.LoadQuery(lib));
    test::ChooseDescriptors(wb, dialog, {"Bonds: single", "Atoms of O", "Hetero atoms"});
    ASSERT_TRUE(wb.SetBestCount("7"));
    EXPECT_EQ(wb.ResultBestCount(), 7); // no results yet: the chosen one
    ASSERT_EQ(wb.RunSearch(), SearchOutcome::Completed);
    ASSERT_TRUE(wb.SetBestCount("3"));
    EXPECT_EQ(wb.State().BestCount, 3);
    EXPECT_EQ(wb.ResultBestCount(), 7);
    const auto input = wb.ReportInput();
    const auto best = std::find_if(input.begin(), input.end(), [](const auto& line) { return line.first == "Best structures:"; });
    ASSERT_NE(best, input.end());
    EXPECT_EQ(best->second, "7");
    EXPECT_EQ(MakeReportPrintData(wb).bestCount, 7);
    EXPECT_EQ(wb.ReportRows().size(), 7u);

    ASSERT_EQ(wb.RunSearch(), SearchOutcome::Completed);
    EXPECT_EQ(wb.ResultBestCount(), 3);
    EXPECT_EQ(MakeReportPrintData(wb).bestCount, 3);
    // A new query takes the results: the chosen count again.
    ASSERT_TRUE(wb.SetBestCount("9"));
    ASSERT_TRUE(wb.LoadQuery(lib));
    EXPECT_EQ(wb.ResultBestCount(), 9);
}

// However the library was named when it was opened, pages and printouts name it by its full path.
TEST_F(WorkbenchResultsTest, LibraryIsNamedByItsFullPath)
{
    EXPECT_EQ(wb.LibraryPath(), "");
    lib = test::NciLibrary(dir, "lib", 5, true);
    fs::create_directories(dir.Path() / "sub");
    const fs::path previous = fs::current_path();
    fs::current_path(dir.Path() / "sub");
    const bool opened = wb.OpenLibrary("../lib.clb");
    fs::current_path(previous);
    ASSERT_TRUE(opened);
    EXPECT_EQ(wb.State().LibraryFileName, "../lib.clb"); // the companion files keep their names
    const std::string full = (fs::absolute(dir.Path()) / "lib.clb").lexically_normal().string();
    EXPECT_EQ(wb.LibraryPath(), full);
    EXPECT_EQ(MakeReportPrintData(wb).libraryFileName, full);
}

// An export of the best matches says with every record which rank it is, where it stands in the
// library, its value and the coefficient; the structures and their CAS numbers read back as before.
TEST_F(WorkbenchResultsTest, ExportedMatchesCarryRankPositionValueAndCoefficient)
{
    wb.SetCoefficient(kManhattan);
    Searched(12);
    const std::string target = dir.File("hits.sdf");
    Converter converter;
    ASSERT_TRUE(wb.ExportLibrary(converter, [&](Converter& c) {
        c.SetTarget(target, ConversionMode::WriteAnew);
        c.Convert(wb.Library(), dialog, progress);
    }));
    const std::string text = test::ReadBytes(target);
    const auto rows = wb.ReportRows();
    std::size_t at = 0;
    for (const ReportRow& row : rows) {
        std::string value = row.value;
        value.erase(0, value.find_first_not_of(' '));
        const std::string items = "M  END\r\n> <CAS_RN>\r\n" + row.casNumber + "\r\n\r\n> <SIMILARITY_RANK>\r\n" +
                                  std::to_string(row.rank) + "\r\n\r\n> <LIBRARY_POSITION>\r\n" +
                                  std::to_string(row.libraryPosition) + "\r\n\r\n> <SIMILARITY_VALUE>\r\n" + value +
                                  "\r\n\r\n> <SIMILARITY_COEFFICIENT>\r\nManhattan distance\r\n\r\n$$$$\r\n";
        const std::size_t found = text.find(items, at);
        ASSERT_NE(found, std::string::npos) << "rank " << row.rank;
        at = found + items.size();
    }
    EXPECT_EQ(at, text.size());
    TextReader reader(target);
    TCTab read;
    for (const ReportRow& row : rows) {
        ASSERT_TRUE(ReadMolRecord(read, reader)) << row.rank;
        EXPECT_EQ(read.FStrucName, row.name);
        EXPECT_EQ(CASNumberShown(read.FCASNr), row.casNumber);
    }

    // The same records exported as a plain library have no data items beyond the CAS number: the
    // plain export is what it always was.
    const std::string plain = dir.File("plain.sdf");
    Converter library;
    library.PrepareExport(wb.State().SimilarLibraryFileName, 12);
    library.SetTarget(plain, ConversionMode::WriteAnew);
    ASSERT_TRUE(library.Convert(wb.Library(), dialog, progress));
    const std::string plainText = test::ReadBytes(plain);
    EXPECT_EQ(plainText.find("SIMILARITY"), std::string::npos);
    EXPECT_EQ(plainText.find("LIBRARY_POSITION"), std::string::npos);
    TextReader plainReader(plain);
    for (const ReportRow& row : rows) {
        ASSERT_TRUE(ReadMolRecord(read, plainReader));
        EXPECT_EQ(read.FStrucName, row.name);
    }
}

TEST_F(WorkbenchResultsTest, AsciiExportNeedsASearchOfAnOpenLibrary)
{
    std::mt19937 random(1);
    EXPECT_THROW(ExportAscii(wb, random), IoError);
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
