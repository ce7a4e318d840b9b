// velmora-cli import SOURCE LIBRARY [--append|--replace] [--smiles-column COL]
#include "cli_support.h"

#include "base/ioerror.h"
#include "io/convert.h"
#include "io/libfiles.h"
#include "io/molfile.h"
#include "io/structureformats.h"

#include <filesystem>
#include <ostream>

namespace velmora::cli {

namespace {

int Import(const ParsedArgs& args, CommandContext& context)
{
    const std::string& source = args.positional[0];
    const std::string target = WithLibraryExtension(args.positional[1]);
    if (args.Has("--append") && args.Has("--replace"))
        throw UsageError("--append and --replace exclude each other");

    ConversionMode mode = ConversionMode::Append;
    const bool exists = std::filesystem::exists(target);
    if (args.Has("--replace"))
        mode = ConversionMode::WriteAnew;
    else if (exists && !args.Has("--append"))
        throw IoError(target, "the library exists already; give --append or --replace");

    SourceOptions options;
    options.smilesColumn = args.Value("--smiles-column");
    options.columnOption = "--smiles-column";
    const StructureFileKind kind = StructureFileKindOf(source);
    if (!options.smilesColumn.empty() && kind != StructureFileKind::Smiles)
        throw UsageError("--smiles-column is for SMILES tables (.csv, .tsv)");
    if (kind == StructureFileKind::Molfile) {
        // Format test: the first record must hold a structure.
        TextReader reader(source);
        TCTab probe;
        MolReadStatus status;
        ReadMolRecord(probe, reader, status);
        if (status.Rejected())
            throw IoError(source, "none MOL-Format !!  Please convert to MOL-Format");
    }
    const long total = CountStructureRecords(source, options);
    if (kind == StructureFileKind::Smiles && total == 0)
        throw IoError(source, "holds no SMILES");

    StructureLibrary library;
    CliDialog dialog(context);
    dialog.quiet = true;
    dialog.prefix = "velmora-cli import: ";
    CliProgress progress(context);
    Converter converter;
    converter.PrepareImport(source, total);
    converter.SetSourceOptions(options);
    converter.SetTarget(target, mode);
    const bool completed = converter.Convert(library, dialog, progress);
    const ImportReport& report = converter.LastImport();

    for (const auto& note : report.skipNotes)
        context.err << "velmora-cli import: " << source << ": skipped " << note << "\n";
    if (report.skipped > static_cast<long>(report.skipNotes.size()))
        context.err << "velmora-cli import: " << source << ": "
                    << report.skipped - static_cast<long>(report.skipNotes.size())
                    << " more records skipped\n";
    for (const auto& note : report.renameNotes)
        context.err << "velmora-cli import: " << source << ": " << note << "\n";
    if (report.failed)
        return kExitFailure; // the converter's message names the record and what was written
    if (!completed && !report.aborted)
        return kExitFailure; // refused before anything was written
    if (report.aborted) {
        context.err << "velmora-cli import: interrupted; " << report.written
                    << " structures written to " << target << " stay readable\n";
        return kExitAborted;
    }
    if (report.written == 0) { // not a success: the user is left without the library asked for
        context.err << "velmora-cli import: " << source << ": not one record could be imported; ";
        // The import changed no file then: a library replaced or appended to stays as it was.
        if (!exists)
            context.err << "no library was made\n";
        else if (mode == ConversionMode::Append)
            context.err << "nothing was added to " << target << "\n";
        else
            context.err << target << " was left as it was\n";
        return kExitFailure;
    }
    context.out << "Imported " << report.written << " structures from " << source << " into "
                << target << " (" << CountLibraryRecords(target) << " in the library";
    if (report.skipped > 0)
        context.out << ", " << report.skipped << " records skipped";
    if (report.renamed > 0)
        context.out << ", " << report.renamed << " names changed";
    context.out << ")\n";
    if (report.cut)
        context.out << "The incomplete last structure was cut.\n";
    if (report.skipped > 0)
        context.err << "velmora-cli import: warning: " << report.skipped
                    << (report.skipped == 1 ? " record was" : " records were") << " left out\n";
    return kExitOk;
}

int Run(const std::vector<std::string>& args, CommandContext& context)
{
    return WithUsage("import", context, args, &Import, {"--append", "--replace"}, {"--smiles-column"}, 2, 2);
}

} // namespace

int ImportCommand(const std::vector<std::string>& args, CommandContext& context) { return Run(args, context); }

} // namespace velmora::cli
