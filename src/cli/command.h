#pragma once
// The command-line tool's commands. Each command lives in its own file; the one table of all of
// them (name, usage and help text, function) is in commands.cpp, and RunCli dispatches through it.
// Commands write results to out, messages to err, and return the process exit status. They run
// in-process in the tests.
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
    std::string help;    // the rest of --help
    CommandFunction run;
};

// Every command, in the order the overview lists them (by name).
const std::vector<Command>& Commands();
const Command* FindCommand(const std::string& name);

// Runs "velmora-cli ARGS..." (args without the program name); the whole tool in one call.
int RunCli(const std::vector<std::string>& args, CommandContext& context);

// The commands' functions, one in each command's file; the table names them.
int BuildCommand(const std::vector<std::string>& args, CommandContext& context);
int CompareCommand(const std::vector<std::string>& args, CommandContext& context);
int CountCommand(const std::vector<std::string>& args, CommandContext& context);
int DescriptorsCommand(const std::vector<std::string>& args, CommandContext& context);
int DrawCommand(const std::vector<std::string>& args, CommandContext& context);
int ExportCommand(const std::vector<std::string>& args, CommandContext& context);
int ImportCommand(const std::vector<std::string>& args, CommandContext& context);
int ParamsCommand(const std::vector<std::string>& args, CommandContext& context);
int SearchCommand(const std::vector<std::string>& args, CommandContext& context);
int SetsCommand(const std::vector<std::string>& args, CommandContext& context);
int ShowCommand(const std::vector<std::string>& args, CommandContext& context);
int StatsCommand(const std::vector<std::string>& args, CommandContext& context);

// Exit statuses.
constexpr int kExitOk = 0;
constexpr int kExitFailure = 1; // the job failed (a file, a record)
constexpr int kExitUsage = 2;   // the command line is wrong
constexpr int kExitAborted = 130;

} // namespace velmora::cli
