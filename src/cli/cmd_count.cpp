// velmora-cli count SOURCE [--smiles-column COL]
#include "cli_support.h"

#include "io/libset.h"
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
    if (IsLibrarySetName(args.positional[0])) { // the structures of all its libraries
        if (!options.smilesColumn.empty())
            throw UsageError("--smiles-column is for SMILES tables (.csv, .tsv)");
        context.out << LibrarySet::Read(args.positional[0]).Count() << "\n";
        return kExitOk;
    }
    context.out << CountStructureRecords(args.positional[0], options) << "\n";
    return kExitOk;
}

int Run(const std::vector<std::string>& args, CommandContext& context)
{
    return WithUsage("count", context, args, &Count, {}, {"--smiles-column"}, 1, 1);
}

} // namespace

int CountCommand(const std::vector<std::string>& args, CommandContext& context) { return Run(args, context); }

} // namespace velmora::cli
