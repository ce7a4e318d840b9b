#pragma once
// The command-line tool's commands. Each command lives in its own file and registers itself with
// VELMORA_COMMAND; main() only dispatches. Commands write results to out, messages to err, and
// return the process exit status. They run in-process in the tests.
#include <iosfwd>
#include <string>
#include <vector>

namespace velmora::cli {

struct CommandContext {
    std::ostream& out;
    std::ostream& err;
    bool interactive = false; // stderr is a terminal: progress bars are drawn
};

using CommandFunction = int (*)(const std::vector<std::string>& args, CommandContext& context);

struct Command {
    const char* name;
    const char* usage;   // one line: "import SOURCE LIBRARY [--append|--replace]"
    const char* summary; // one line
    const char* help;    // the rest of --help
    CommandFunction run;
};

const std::vector<Command>& Commands();
const Command* FindCommand(const std::string& name);

// Runs "velmora-cli ARGS..." (args without the program name); the whole tool in one call.
int RunCli(const std::vector<std::string>& args, CommandContext& context);

struct CommandRegistration {
    explicit CommandRegistration(const Command& command);
};

// Exit statuses.
constexpr int kExitOk = 0;
constexpr int kExitFailure = 1; // the job failed (a file, a record)
constexpr int kExitUsage = 2;   // the command line is wrong
constexpr int kExitAborted = 130;

} // namespace velmora::cli

#define VELMORA_CLI_CONCAT2(a, b) a##b
#define VELMORA_CLI_CONCAT(a, b) VELMORA_CLI_CONCAT2(a, b)
#define VELMORA_COMMAND(...)                                                                          \
    static const ::velmora::cli::CommandRegistration VELMORA_CLI_CONCAT(s_registration_, __LINE__)(   \
        ::velmora::cli::Command{__VA_ARGS__})
