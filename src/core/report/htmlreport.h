#pragma once
// The search report as one self-contained HTML file: the INPUT block, the ranked table, the query
// and every best match drawn as inline SVG with name, CAS number and value, and the distribution
// diagram with the calculation time. No scripts, no external files: it can be mailed and opened
// in any browser.
#include "model/ctab.h"
#include "report/searchdiagram.h"
#include "search/explain.h"

#include <string>
#include <vector>

namespace velmora {

struct HtmlReportRow {
    int Rank = 0;
    long LibraryPosition = 0;
    std::string ValueText; // the similarity value as the text report writes it
    std::string CASText;   // as CASNumberShown gives it
    std::string Name;
    std::string Library; // the library of a set's match (a "Library" column); empty for one library
};

struct HtmlReportData {
    std::string Title = "Similarity search";
    std::vector<std::string> InputLines; // the INPUT block of the text report, line by line
    std::vector<HtmlReportRow> Rows;     // best matches, best first
    TCTab Query;
    // A query set's search: the query with the best value of each row (a Query column), and a
    // caption under the query's picture.
    std::vector<std::string> RowQueries;
    std::string QueryCaption;
    std::vector<TCTab> Structures; // the structure of each row, same order; missing ones are not drawn
    SearchDiagramData Diagram;
    // Why the first matches are similar: one bar chart each, in rank order (none: no section).
    std::vector<MatchExplanation> Explanations;
};

std::string BuildHtmlReport(const HtmlReportData& data);
// Writes the report to path; the file appears whole or not at all. Throws IoError.
void WriteHtmlReport(const std::string& path, const HtmlReportData& data);

} // namespace velmora
