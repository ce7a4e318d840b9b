// velmora-cli count SOURCE [--smiles-column COL]
#include "cli_support.h"

#include "io/structureformats.h"

#include <ostream>

namespace velmora::cli {

namespace {

int Count(const ParsedArgs& args, CommandContext& context)
{
    SourceOptions options;
    options.smilesColumn = args.Value("--smiles-column");
    options.columnOption = "--smiles-column";
    if (!options.smilesColumn.empty() && !IsSmilesFileName(args.positional[0]))
        throw UsageError("--smiles-column is for SMILES tables (.csv, .tsv)");
    context.out << CountStructureRecords(args.positional[0], options) << "\n";
    return kExitOk;
}

int Run(const std::vector<std::string>& args, CommandContext& context)
{
    return WithUsage("count", context, args, &Count, {}, {"--smiles-column"}, 1, 1);
}

VELMORA_COMMAND("count", "count SOURCE [--smiles-column COL]",
                "Count the records of an SD file (its \"$$$$\" lines) or a SMILES file (its structure lines).",
                "A molfile without a \"$$$$\" line counts 0. A SMILES file counts its lines that are\n"
                "neither blank nor its header; the import reads as many records.\n",
                &Run);

} // namespace
} // namespace velmora::cli
