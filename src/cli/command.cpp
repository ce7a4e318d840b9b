#include "command.h"
#include "cli_support.h"

#include "base/ioerror.h"

#include <algorithm>
#include <ostream>

namespace velmora::cli {

namespace {
void PrintOverview(std::ostream& out)
{
    out << "Usage: velmora-cli COMMAND [ARGS...]\n"
           "Similarity searching in structure libraries, headless.\n\nCommands:\n";
    for (const auto& command : Commands())
        out << "  " << command.usage << "\n      " << command.summary << "\n";
    out << "\n'velmora-cli COMMAND --help' describes one command.\n";
}
} // namespace

const Command* FindCommand(const std::string& name)
{
    for (const auto& command : Commands())
        if (name == command.name)
            return &command;
    return nullptr;
}

int RunCli(const std::vector<std::string>& args, CommandContext& context)
{
    if (args.empty() || args[0] == "--help" || args[0] == "-h" || args[0] == "help") {
        if (args.size() >= 2 && args[0] == "help") {
            return RunCli({args[1], "--help"}, context);
        }
        PrintOverview(args.empty() ? context.err : context.out);
        return args.empty() ? kExitUsage : kExitOk;
    }
    const Command* command = FindCommand(args[0]);
    if (!command) {
        context.err << "velmora-cli: unknown command '" << args[0] << "' (see velmora-cli --help)\n";
        return kExitUsage;
    }
    const std::vector<std::string> rest(args.begin() + 1, args.end());
    if (std::find(rest.begin(), rest.end(), "--help") != rest.end()) {
        context.out << "Usage: velmora-cli " << command->usage << "\n" << command->summary << "\n";
        if (!command->help.empty())
            context.out << "\n" << command->help;
        return kExitOk;
    }
    // A write beyond the file size limit fails with an error naming the file instead of ending
    // the process.
    IgnoreFileSizeSignal();
    try {
        return command->run(rest, context);
    } catch (const IoError& error) {
        context.err << "velmora-cli " << command->name << ": " << error.what() << "\n";
        return kExitFailure;
    } catch (const std::exception& error) {
        context.err << "velmora-cli " << command->name << ": " << error.what() << "\n";
        return kExitFailure;
    }
}

} // namespace velmora::cli
