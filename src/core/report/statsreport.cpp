#include "report/statsreport.h"

#include "base/ioerror.h"
#include "base/numtext.h"
#include "descriptors/catalogue.h"
#include "io/libset.h"

#include <filesystem>

namespace velmora {

std::vector<ReportLine> StatisticsReport(const LibraryStatistics& s, const std::string& libraryName)
{
    std::vector<ReportLine> lines;
    auto add = [&](const std::string& text, int size = 10) { lines.push_back({text, size}); };
    auto blank = [&](int count, int size = 10) {
        for (int i = 0; i < count; ++i)
            add("", size);
    };
    auto plural = [](long count, const char* word) {
        return std::to_string(count) + " " + word + (count == 1 ? "" : "s");
    };
    blank(4);
    add("           Name of structurefile: " + libraryName);
    std::error_code ec;
    double bytes = static_cast<double>(std::filesystem::file_size(libraryName, ec));
    if (IsLibrarySetName(libraryName)) { // the structures are in its members' data files
        bytes = 0;
        try {
            for (const LibrarySetEntry& entry : ReadLibrarySetList(libraryName)) {
                std::error_code member;
                const auto size = std::filesystem::file_size(entry.path, member);
                bytes += member ? 0.0 : static_cast<double>(size);
            }
        } catch (const IoError&) {
        }
    }
    const double kb = ec ? 0.0 : bytes / 1024.0;
    std::string size;
    if (kb > 1023) {
        const double mb = kb / 1024.0;
        size = PadLeft(FormatFixed(mb, mb < 100 ? 1 : 0), 6) + " MB";
    } else {
        size = PadLeft(FormatFixed(kb, 0), 6) + " kB";
    }
    add("           Size of structurefile: " + size);
    blank(1);
    add("           Total number of structures in structurefile: " + std::to_string(s.Total));
    blank(1);
    add("           Structures, which are not registered       : " + std::to_string(s.NotRegistered));
    add("                   includes " + plural(s.Salts, "salt"));
    add("                   includes " + plural(s.Errors, "error structure"));
    blank(1);
    add("           Total number of registered structures      : " + std::to_string(s.Registered));
    add("           Structures, which have graphic information : " + std::to_string(s.WithGraphics));
    blank(2);
    add("               Functional groups  Structures    %");
    blank(1);
    for (int g : StatisticsGroups())
        add(std::string(13, ' ') + PadLeft(CatalogueName(g) + ":", 19) +
            PadLeft(std::to_string(s.Present[static_cast<std::size_t>(g)]), 8) + PadLeft(FormatFixed(s.Percent(g), 1), 9));
    blank(2);
    add("           Distribution of functional groups per molecule:");
    blank(1);
    add("                                           number of functional groups", 8);
    blank(1, 8);
    add("                               1      2      3      4      5      6      7      8      9      >9", 8);
    blank(1, 8);
    for (int g : StatisticsGroups()) {
        if (s.Present[static_cast<std::size_t>(g)] == 0)
            continue;
        std::string line = PadLeft(CatalogueName(g), 25) + ":";
        for (int c = 1; c <= 10; ++c)
            line += PadLeft(std::to_string(s.Occurrence[static_cast<std::size_t>(c)][static_cast<std::size_t>(g)]), 7);
        add(line, 8);
    }
    return lines;
}

void PrintStatisticsReport(PrintTarget& printer, const LibraryStatistics& statistics, const std::string& libraryName)
{
    PrintTextLines(printer, StatisticsReport(statistics, libraryName));
}

} // namespace velmora
