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

VELMORA_COMMAND("import", "import SOURCE LIBRARY [--append|--replace] [--smiles-column COL]",
                "Read an SD file, molfile or SMILES file into a structure library (.clb and .III).",
                "SOURCE is an SD file or molfile (V2000; V3000 records are read through RDKit), or a\n"
                "SMILES file: .smi/.smiles (SMILES, blanks, name on each line) or a table .csv/.tsv\n"
                "with a header line; --smiles-column names its SMILES column by header name or\n"
                "1-based number (default: the column \"smiles\", else the one column whose name\n"
                "holds \"smiles\"; a table without one is refused, listing its columns), the name\n"
                "comes from a column \"name\", \"title\" or \"id\", else the line number. Records are\n"
                "left out, with their line and why, when a SMILES holds a control byte or a byte of\n"
                "128 or more, a quoted field runs over a line break, a line is over 1 MiB (in SD\n"
                "files too), or an SD record ends before the atoms and bonds its counts line\n"
                "promises. SMILES structures are kekulized and laid out in 2D; hydrogens are atoms\n"
                "only where written as [H].\n"
                "Every record is written, read back and compared with what was read. Records with\n"
                "more than 63 atoms (or none), and records the library cannot hold as they are\n"
                "(isotopes other than 2H 13C 15N 17O 18O, bond types outside 1..4, an 11th\n"
                "neighbour), are skipped and listed; name bytes of 128 or more are stored as \"?\".\n"
                "An existing library needs --append (add after its last record) or --replace\n"
                "(start it anew); either way the library's parameter files (.idr, .idp, .pre)\n"
                "are deleted, as they no longer fit, once a record is written. A library imported\n"
                "anew replaces the previous one only then: until its first record is written it\n"
                "is staged in the folder LIBRARY-import beside it.\n"
                "Ctrl-C stops after the current record; the records written stay readable.\n"
                "LIBRARY gets \".clb\" when it does not end in it; its index and parameter files are\n"
                "named from it. Exit status 0 also when records were left out (a warning says how\n"
                "many), 1 when the import failed (the message says how many structures were written)\n"
                "or kept not one record (no library is made then; one replaced or appended to stays\n"
                "as it was).\n",
                &Run);

} // namespace
} // namespace velmora::cli
