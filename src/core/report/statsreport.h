#pragma once
// The printed statistics of a library: its file, how many structures it holds and how many are
// registered, and how often each of the 24 functional groups occurs, in total and per molecule.
// The command-line tool prints these lines; the window prints them as pages.
#include "descriptors/libstats.h"
#include "graphics/printlayout.h"

#include <string>
#include <vector>

namespace velmora {

using ReportLine = PrintLine;
// The printed report, line by line.
std::vector<ReportLine> StatisticsReport(const LibraryStatistics& statistics, const std::string& libraryName);
// The report as a print job, paged as PrintTextLines pages.
void PrintStatisticsReport(PrintTarget& printer, const LibraryStatistics& statistics, const std::string& libraryName);

} // namespace velmora
