#pragma once
// The printed search report: the input of the search (query drawing, library, coefficient, best
// count, descriptors) and its output, either as a table of the ranked structures or as a grid of
// their drawings. Laid out in printer pixels for 300 dpi on any PrintTarget.
#include "graphics/printtarget.h"
#include "model/ctab.h"
#include "search/workbench.h"

#include <functional>
#include <string>
#include <vector>

namespace velmora {

enum class ReportStyle { Table, Drawing };

// The coefficient's name in the table heading, 10 characters ("Euclidean ", ..., "Corr coeff").
const std::string& PrintedCoefficientName(int index);

// The chosen descriptor names joined by ",  " into at most 15 lines: a name joins the current line
// while the line's length plus the name's stays below 47 (line 1) or 63 (the others); names that
// do not fit into 15 lines are left out and line 15 ends in "=>".
std::vector<std::string> PrintDescriptorLines(const std::vector<std::string>& names);

struct ReportPrintData {
    TCTab query;
    std::string libraryFileName;
    int coefficient = 0;
    int bestCount = 0;
    std::vector<std::string> descriptorNames;
    // The ranked structures; the table also prints blank rows up to tableRows - 1.
    std::vector<ReportRow> rows;
    int tableRows = 10; // rows of the report table with its heading: BestCount + 1, at least 10
    // The search's filters and what they removed, one line each (none without filters).
    std::vector<std::string> filterLines;
    // Reads the result structure of a rank into the table; false when it cannot be read (its
    // drawing cell is then left empty rather than showing another structure).
    std::function<bool(int rank, TCTab& structure)> readResult;
};

// The data of the last search of the workbench (its report rows, query, choices and result
// library), with the best count that search ran with.
ReportPrintData MakeReportPrintData(Workbench& workbench);

// The whole print job. The query is printed from a copy: the data is never changed.
void PrintSearchReport(PrintTarget& printer, const ReportPrintData& data, ReportStyle style);

} // namespace velmora
