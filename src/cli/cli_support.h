#pragma once
// What the commands share: the dialog and progress of a terminal, argument checks.
#include "base/progress.h"
#include "base/userdialog.h"
#include "command.h"

#include <chrono>
#include <ostream>
#include <string>
#include <optional>
#include <vector>

namespace velmora {
class Workbench;
}

namespace velmora::cli {

// Messages go to the context's streams (errors and warnings to err, the rest to out); a line
// break ("\r") in a message becomes a new line. Questions take their answer from options given
// on the command line, never from standard input.
class CliDialog final : public UserDialog {
public:
    explicit CliDialog(CommandContext& context, MessageAnswer confirmAnswer = MessageAnswer::Ok)
        : m_context(context), m_confirmAnswer(confirmAnswer) {}
    // The detail, when there is one, is printed as a further line.
    MessageAnswer ShowMessage(MessageKind kind, const std::string& caption, const std::string& text,
                              MessageButtons buttons, const std::string& detail = {}) override;
    std::optional<std::string> ChooseFile(FileDialogKind, const std::string&, const std::string&,
                                          const std::string&) override
    {
        return std::nullopt;
    }
    // The answer given on the command line (e.g. a set name), or nothing.
    std::optional<std::string> AskText(const std::string&, const std::string&) override { return textAnswer; }
    std::optional<std::string> textAnswer;
    bool quiet = false;       // information messages are not printed
    bool allToError = false;  // every message goes to err (refusals shown as information boxes)
    std::string prefix;       // put before error and warning texts: "velmora-cli search: FILE: "

private:
    CommandContext& m_context;
    MessageAnswer m_confirmAnswer;
};

// A progress bar on stderr when it is a terminal; Ctrl-C asks the loop to stop after the current
// structure (a second Ctrl-C ends the process at once).
class CliProgress final : public Progress {
public:
    explicit CliProgress(CommandContext& context);
    ~CliProgress() override;
    void Start(ProgressKind kind, const std::string& caption, long total) override;
    void Step(long done) override;
    ProgressRequest Poll() override;
    void Finish() override;
    bool Interrupted() const;

private:
    void Draw(bool force);
    CommandContext& m_context;
    std::string m_caption;
    long m_total = 0;
    long m_done = 0;
    bool m_drawn = false;
    std::chrono::steady_clock::time_point m_lastDraw{};
};

// Splits args into positional arguments and flags ("--name" or "--name=value"; known value
// options take the next argument). Unknown flags raise UsageError.
struct ParsedArgs {
    std::vector<std::string> positional;
    std::vector<std::pair<std::string, std::string>> options;
    bool Has(const std::string& name) const;
    std::string Value(const std::string& name, const std::string& fallback = {}) const;
};

class UsageError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

ParsedArgs ParseArgs(const std::vector<std::string>& args, const std::vector<std::string>& flags,
                     const std::vector<std::string>& valueOptions);

// Runs body, turning UsageError into a usage message and exit status 2.
int WithUsage(const char* command, CommandContext& context, const std::vector<std::string>& args,
              int (*body)(const ParsedArgs&, CommandContext&), const std::vector<std::string>& flags,
              const std::vector<std::string>& valueOptions, std::size_t minPositional,
              std::size_t maxPositional);

// Parses a whole positive number; UsageError naming what when it is not one.
long ParsePositive(const std::string& text, const std::string& what);

// Throws IoError naming the file when name cannot be a library's (it does not end in ".clb"); a
// library set (".vset") is read and checked, the error naming its line.
void RequireLibraryName(const std::string& name);
// A write beyond the file size limit then fails with an error instead of ending the process.
void IgnoreFileSizeSignal();
// The descriptor-set file: --sets-file FILE, DIR/crits.txt for --dir DIR, or crits.txt in the
// user's data folder (the current folder when it is writable).
std::string SetsFilePath(const ParsedArgs& args);

// The options the searching commands share, checked before any work (UsageError naming the option).
// --coefficient C: the coefficient's number (the table's first row when not given).
int CoefficientOption(const ParsedArgs& args);
// --mode normal|intro, or "" when not given.
std::string ModeOption(const ParsedArgs& args);
// A count option such as --best N: a whole number 1..200 (blanks and a "+" allowed, as the window's
// field takes it); fallback when not given.
int CountOption(const ParsedArgs& args, const std::string& option, int fallback);
// --descriptors NAME,...: the catalogue indices, in the order given (none when not given).
std::vector<int> DescriptorsOption(const ParsedArgs& args);


// The steps a command takes on the workbench before choosing descriptors, each saying why it
// failed as `velmora-cli COMMAND: ...`: switching to the mode asked for ("normal", "intro" or empty:
// as opened) and opening the descriptor choice (INTRO mode needs the library parameters). Nothing
// when the step succeeded, else the exit status.
std::optional<int> EnterMode(Workbench& workbench, const std::string& mode, const std::string& command,
                             const std::string& libraryName, bool yes, const CliProgress& progress,
                             CommandContext& context);
std::optional<int> OpenDescriptorChoice(Workbench& workbench, const std::string& command,
                                        const std::string& libraryName, bool yes, const CliProgress& progress,
                                        CommandContext& context);

} // namespace velmora::cli
