#pragma once
// The report of the last search as text and as files: the INPUT block (library, descriptors, best
// count, coefficient), the OUTPUT table of the ranked structures with the calculation time, and the
// pair of files a finished search can leave behind, DIR/report.txt and DIR/report.html. Every front
// end that writes these reports calls these functions, so that they say the same.
#include "report/htmlreport.h"
#include "search/explain.h"
#include "search/workbench.h"

#include <string>
#include <vector>

namespace velmora {

// The INPUT block, one line per entry: the label padded to 19 characters, then the value.
std::vector<std::string> SearchInputLines(Workbench& workbench);

// The text report, lines ending in '\n': "INPUT", the input lines indented by two, "OUTPUT" with
// the table of ranks, positions, values, CAS numbers and names, a note when fewer ranks than asked
// for were filled, the calculation time and the descriptors left out for lack of spread.
std::string SearchReportText(Workbench& workbench);

// What the HTML report shows of the last search: the input lines, the ranked rows and their
// structures read from the result library, the query, the distribution diagram and explanations.
HtmlReportData MakeHtmlReportData(Workbench& workbench, const std::vector<MatchExplanation>& explanations = {});

// Writes DIR/report.txt (the text report with CR LF line ends, as every text file written) and the
// self-contained DIR/report.html beside it, creating DIR when needed. Throws IoError or
// std::filesystem::filesystem_error.
void WriteSearchReports(Workbench& workbench, const std::string& directory,
                        const std::vector<MatchExplanation>& explanations = {});

} // namespace velmora
