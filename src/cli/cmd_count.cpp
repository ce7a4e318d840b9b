// velmora-cli count SOURCE
#include "cli_support.h"

#include "io/molfile.h"

#include <ostream>

namespace velmora::cli {

namespace {

int Count(const ParsedArgs& args, CommandContext& context)
{
    context.out << CountSDRecords(args.positional[0]) << "\n";
    return kExitOk;
}

int Run(const std::vector<std::string>& args, CommandContext& context)
{
    return WithUsage("count", context, args, &Count, {}, {}, 1, 1);
}

VELMORA_COMMAND("count", "count SOURCE", "Count the records of an SD file (its \"$$$$\" lines).",
                "A molfile without a \"$$$$\" line counts 0.\n", &Run);

} // namespace
} // namespace velmora::cli
