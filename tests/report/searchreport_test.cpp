// The report of the last search as the front ends write it: the text report, laid out as a fixed
// table, and the pair of files report.txt and report.html.
#include "report/searchreport.h"

#include "../search/workbench_support.h"
#include "base/ioerror.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

namespace velmora {
namespace {

namespace fs = std::filesystem;

class SearchReportTest : public test::WorkbenchFixture {
protected:
    // A searched library of count structures (the query is its first one), best count best.
    void Searched(int count, const std::string& best)
    {
        lib = test::NciLibrary(dir, "lib", count, true);
        ASSERT_TRUE(wb.OpenLibrary(lib));
        ASSERT_TRUE(wb.LoadQuery(lib));
        Choose({"Bonds: single", "Atoms of O", "Hetero atoms"});
        ASSERT_TRUE(wb.SetBestCount(best));
        ASSERT_EQ(wb.RunSearch(), SearchOutcome::Completed);
    }

    static std::vector<std::string> Lines(const std::string& text)
    {
        std::vector<std::string> lines;
        std::istringstream in(text);
        for (std::string line; std::getline(in, line);)
            lines.push_back(line);
        return lines;
    }

    std::string lib;
};

TEST_F(SearchReportTest, TextReportHasInputTableAndTime)
{
    Searched(12, "5");
    const auto input = SearchInputLines(wb);
    ASSERT_EQ(input.size(), wb.ReportInput().size());
    EXPECT_EQ(input[0], "Libraryname     :  " + wb.State().LibraryFileName); // label padded to 19

    const auto lines = Lines(SearchReportText(wb));
    ASSERT_EQ(lines.size(), 1 + input.size() + 3 + 5 + 2);
    EXPECT_EQ(lines[0], "INPUT");
    for (std::size_t i = 0; i < input.size(); ++i)
        EXPECT_EQ(lines[1 + i], "  " + input[i]);
    std::size_t at = 1 + input.size();
    EXPECT_EQ(lines[at], "");
    EXPECT_EQ(lines[at + 1], "OUTPUT");
    EXPECT_EQ(lines[at + 2].rfind("  Rank  Position  ", 0), 0u);
    const auto rows = wb.ReportRows();
    ASSERT_EQ(rows.size(), 5u);
    for (std::size_t r = 0; r < rows.size(); ++r) {
        const std::string& line = lines[at + 3 + r];
        // Rank in 6 columns, position in 10, the value in 14 after two blanks, then CAS and name.
        EXPECT_EQ(std::stoi(line.substr(0, 6)), rows[r].rank) << line;
        EXPECT_EQ(std::stol(line.substr(6, 10)), rows[r].libraryPosition) << line;
        EXPECT_NE(line.find(rows[r].value + "  " + rows[r].casNumber), std::string::npos) << line;
        EXPECT_EQ(line.substr(line.size() - rows[r].name.size()), rows[r].name);
    }
    EXPECT_EQ(lines[at + 8], "");
    EXPECT_EQ(lines[at + 9].rfind("Calculation time: ", 0), 0u);
}

TEST_F(SearchReportTest, FewerMatchesThanAskedForAreSaid)
{
    Searched(3, "10");
    const std::string text = SearchReportText(wb);
    EXPECT_NE(text.find("\n(3 of 10 ranks filled)\n"), std::string::npos) << text;
}

TEST_F(SearchReportTest, ReportFilesHoldTheTextAndTheHtmlReport)
{
    Searched(8, "4");
    const fs::path folder = dir.Path() / "out" / "deeper";
    WriteSearchReports(wb, folder.string());
    // report.txt is the text report with CR LF line ends.
    EXPECT_EQ(test::CrLfLines(test::ReadBytes(folder / "report.txt")), Lines(SearchReportText(wb)));
    const std::string html = test::ReadBytes(folder / "report.html");
    EXPECT_NE(html.find("Similarity search: lib.clb"), std::string::npos);
    const HtmlReportData data = MakeHtmlReportData(wb);
    ASSERT_EQ(data.Rows.size(), 4u);
    ASSERT_EQ(data.Structures.size(), 4u);
    for (std::size_t r = 0; r < data.Rows.size(); ++r) {
        // Each row's structure is the one its rank names in the result library.
        EXPECT_EQ(data.Structures[r].FStrucName, data.Rows[r].Name);
        EXPECT_NE(html.find(data.Rows[r].CASText), std::string::npos);
    }
    EXPECT_EQ(data.InputLines, SearchInputLines(wb));
    EXPECT_EQ(data.Query.FStrucName, wb.State().Query.FStrucName);
}

TEST_F(SearchReportTest, UnwritableFolderFailsWithoutFiles)
{
    Searched(4, "2");
    const fs::path blocker = dir.Path() / "blocker";
    test::WriteBytes(blocker, "a file where the folder would be");
    EXPECT_ANY_THROW(WriteSearchReports(wb, (blocker / "reports").string()));
    EXPECT_FALSE(fs::exists(blocker / "reports"));
    EXPECT_EQ(test::ReadBytes(blocker), "a file where the folder would be");
}

} // namespace
} // namespace velmora
