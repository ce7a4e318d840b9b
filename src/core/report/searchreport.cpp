#include "report/searchreport.h"

#include "base/numtext.h"
#include "graphics/wholefile.h"
#include "search/coefficients.h"

#include <algorithm>
#include <filesystem>
#include <iomanip>
#include <sstream>

namespace velmora {

std::vector<std::string> SearchInputLines(Workbench& workbench)
{
    std::vector<std::string> lines;
    for (const auto& [label, value] : workbench.ReportInput()) {
        std::ostringstream line;
        line << std::left << std::setw(19) << label << value;
        lines.push_back(line.str());
    }
    return lines;
}

std::string SearchReportText(Workbench& workbench)
{
    std::ostringstream out;
    out << "INPUT\n";
    for (const auto& line : SearchInputLines(workbench))
        out << "  " << line << "\n";
    const auto& results = workbench.Results();
    out << "\nOUTPUT\n";
    const std::vector<ReportRow> rows = workbench.ReportRows();
    // A library set's report names each match's library in a column after its set position.
    std::size_t libraryWidth = 0;
    for (const auto& row : rows)
        if (!row.library.empty())
            libraryWidth = std::max(libraryWidth, std::max<std::size_t>(7, row.library.size()));
    // A query set's search names the query with the best value of each structure.
    const bool querySet = results.queries > 0;
    const std::string heading =
        querySet && results.fusion == Fusion::Rrf ? PadText("RRF score", 14, TextAlign::Left)
                                                  : CoefficientHeading(results.coefficient);
    out << "  Rank  Position  ";
    if (libraryWidth > 0)
        out << std::left << std::setw(static_cast<int>(libraryWidth)) << "Library" << "  " << std::right;
    out << heading << (querySet ? "  Query       " : "") << "  CAS-Nr        Structurename\n";
    for (const auto& row : rows) {
        out << std::right << std::setw(6) << row.rank << std::setw(10) << row.libraryPosition << "  ";
        if (libraryWidth > 0)
            out << std::left << std::setw(static_cast<int>(libraryWidth)) << row.library << "  " << std::right;
        out << std::setw(14) << row.value << "  " << std::left;
        if (querySet)
            out << std::setw(12) << row.query << "  ";
        out << std::setw(12) << row.casNumber << "  " << row.name << "\n";
    }
    out << std::right;
    const SearchState& state = workbench.State();
    if (results.filled < state.BestCount)
        out << "(" << results.filled << " of " << state.BestCount << " ranks filled)\n";
    out << "\nCalculation time: " << ElapsedText(state.StartTime, state.EndTime) << "\n";
    if (!workbench.LeftOut().empty()) {
        out << "Left out (no spread in this library):";
        for (int i : workbench.LeftOut())
            out << " \"" << CatalogueName(i) << "\"";
        out << "\n";
    }
    return out.str();
}

HtmlReportData MakeHtmlReportData(Workbench& workbench, const std::vector<MatchExplanation>& explanations)
{
    HtmlReportData data;
    data.Title = "Similarity search: " + std::filesystem::path(workbench.State().LibraryFileName).filename().string();
    data.InputLines = SearchInputLines(workbench);
    data.Query = workbench.State().Query;
    for (const auto& row : workbench.ReportRows()) {
        data.Rows.push_back({row.rank, row.libraryPosition, row.value, row.casNumber, row.name, row.library});
        if (workbench.Results().queries > 0)
            data.RowQueries.push_back(row.query);
    }
    if (workbench.Results().queries > 0) {
        data.QueryCaption = "Query set: " + std::to_string(workbench.Results().queries) + " structures, the first shown";
    }
    for (int rank = 1; rank <= workbench.Results().filled; ++rank) {
        workbench.Library().ReadLibraryRecord(workbench.State().SimilarLibraryFileName, rank);
        data.Structures.push_back(workbench.Library().Structure());
    }
    const SearchResults& results = workbench.Results();
    data.Diagram.CoefficientIndex = results.coefficient;
    data.Diagram.MaxValue = results.MaxValue;
    for (std::size_t bin = 0; bin < results.histogram.size(); ++bin)
        data.Diagram.Histogram[bin] = static_cast<std::int32_t>(results.histogram[bin]);
    data.Diagram.TimeText = ElapsedText(workbench.State().StartTime, workbench.State().EndTime);
    data.Explanations = explanations;
    return data;
}

void WriteSearchReports(Workbench& workbench, const std::string& directory,
                        const std::vector<MatchExplanation>& explanations)
{
    std::filesystem::create_directories(directory);
    std::string crlfText;
    std::istringstream lines(SearchReportText(workbench));
    for (std::string line; std::getline(lines, line);)
        crlfText += line + "\r\n";
    WriteWholeFile((std::filesystem::path(directory) / "report.txt").string(), crlfText);
    WriteHtmlReport((std::filesystem::path(directory) / "report.html").string(), MakeHtmlReportData(workbench, explanations));
}

} // namespace velmora
