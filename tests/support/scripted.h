#pragma once
// Scripted stand-ins for the user: dialogs answer from a queue and record what they showed;
// progress records its calls and can ask for abort or suspend at a given poll.
#include "base/progress.h"
#include "base/userdialog.h"

#include <deque>
#include <string>
#include <vector>

namespace velmora::test {

struct ShownMessage {
    MessageKind kind;
    std::string caption;
    std::string text;
    MessageButtons buttons;
    std::string detail;
};

class ScriptedDialog final : public UserDialog {
public:
    MessageAnswer ShowMessage(MessageKind kind, const std::string& caption, const std::string& text,
                              MessageButtons buttons, const std::string& detail = {}) override;
    std::optional<std::string> ChooseFile(FileDialogKind kind, const std::string& title, const std::string& filter,
                                          const std::string& suggestion) override;
    std::optional<std::string> AskText(const std::string& caption, const std::string& text) override;

    std::deque<MessageAnswer> answers;            // taken in order; Ok when empty
    std::deque<std::optional<std::string>> files; // taken in order; cancel when empty
    std::vector<ShownMessage> shown;
    std::vector<std::string> titles;
    std::vector<std::string> filters;
    std::deque<std::optional<std::string>> texts; // answers of the text dialog; cancel when empty
    std::vector<std::string> textCaptions;
};

class ScriptedProgress final : public Progress {
public:
    void Start(ProgressKind kind, const std::string& caption, long total) override;
    void Step(long done) override { steps.push_back(done); }
    ProgressRequest Poll() override;
    void Finish() override { ++finished; }

    long abortAtPoll = -1;     // 1-based poll that answers Abort
    long suspendPolls = 0;     // how many polls, from the first, answer Suspend
    long polls = 0;
    std::vector<std::string> captions;
    std::vector<long> totals;
    std::vector<long> steps;
    int finished = 0;
};

// Expects one message box: its kind, exact text and buttons; true when it is so (for Qt Test callers).
bool ExpectMessage(const ShownMessage& shown, MessageKind kind, const std::string& text, MessageButtons buttons);

// Messages the workbench shows about a library without descriptor file or parameters.
extern const char* const kIntroNotice;
extern const char* const kNoParameters;
extern const char* const kIntroGate;

} // namespace velmora::test
