// velmora-cli stats LIBRARY
#include "cli_support.h"

#include "base/ioerror.h"
#include "report/statsreport.h"

#include <ostream>

namespace velmora::cli {

namespace {

int Stats(const ParsedArgs& args, CommandContext& context)
{
    const std::string& libraryName = args.positional[0];
    RequireLibraryName(libraryName);
    StructureLibrary library;
    if (library.ReadLibraryRecord(libraryName, 1) != kLibOk)
        throw IoError(libraryName, "none CLB-Format !!  Please import library");
    CliProgress progress(context);
    const LibraryStatistics statistics = CountLibraryStatistics(library, libraryName, progress);
    for (const auto& line : StatisticsReport(statistics, libraryName))
        context.out << line.text << "\n";
    if (statistics.Counted < statistics.Total) {
        context.err << "velmora-cli stats: interrupted after " << statistics.Counted << " structures\n";
        return kExitAborted;
    }
    return kExitOk;
}

int Run(const std::vector<std::string>& args, CommandContext& context)
{
    return WithUsage("stats", context, args, &Stats, {}, {}, 1, 1);
}

} // namespace

int StatsCommand(const std::vector<std::string>& args, CommandContext& context) { return Run(args, context); }

} // namespace velmora::cli
