// velmora-cli export LIBRARY TARGET.sdf [--append]
#include "cli_support.h"

#include "base/ioerror.h"
#include "io/convert.h"

#include <ostream>

namespace velmora::cli {

namespace {

int Export(const ParsedArgs& args, CommandContext& context)
{
    const std::string& libraryName = args.positional[0];
    const std::string& target = args.positional[1];
    RequireLibraryName(libraryName);
    StructureLibrary library;
    const int probe = library.ReadLibraryRecord(libraryName, 1);
    if (probe == kLibIndexFile || probe == kLibDataFile)
        throw IoError(libraryName, "not a structure library: " + LibraryReadProblem(libraryName, probe, 1));
    const long total = CountLibraryRecords(libraryName);

    CliDialog dialog(context);
    dialog.quiet = true;
    dialog.prefix = "velmora-cli export: ";
    CliProgress progress(context);
    Converter converter;
    converter.PrepareExport(libraryName, total);
    converter.SetTarget(target, args.Has("--append") ? ConversionMode::Append : ConversionMode::WriteAnew);
    const bool converted = converter.Convert(library, dialog, progress);
    const ExportReport& report = converter.LastExport();
    for (const auto& note : report.skipNotes)
        context.err << "velmora-cli export: " << libraryName << ": skipped " << note << "\n";
    if (report.aborted) {
        context.err << "velmora-cli export: interrupted after " << report.written << " structures\n";
        return kExitAborted;
    }
    if (!converted)
        return kExitFailure; // refused, with its message
    if (report.written == 0 && report.skipped > 0) {
        context.err << "velmora-cli export: " << libraryName << ": not one of " << report.skipped
                    << " structures could be read\n";
        return kExitFailure;
    }
    context.out << "Exported " << report.written << " structures from " << libraryName << " to "
                << target << "\n";
    return kExitOk;
}

int Run(const std::vector<std::string>& args, CommandContext& context)
{
    return WithUsage("export", context, args, &Export, {"--append"}, {}, 2, 2);
}

} // namespace

int ExportCommand(const std::vector<std::string>& args, CommandContext& context) { return Run(args, context); }

} // namespace velmora::cli
