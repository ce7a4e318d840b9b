#pragma once
// What the core asks of a user interface: messages with fixed texts and button sets, and file
// choices. The desktop windows, the command-line tool and the tests implement it.
#include <optional>
#include <string>

namespace velmora {

enum class MessageKind { Error, Warning, Information, Confirmation };
enum class MessageButtons { Ok, OkCancel, OkNo, ReplaceAppendAbort };
enum class MessageAnswer { Ok, Cancel, No, Replace, Append, Abort };
enum class FileDialogKind { Open, Save };

class UserDialog {
public:
    virtual ~UserDialog() = default;
    // Shows text (a "\r" stands for a line break) and returns the button pressed. detail, when not
    // empty, names the file, the record and the cause behind the message (a message box's details).
    virtual MessageAnswer ShowMessage(MessageKind kind, const std::string& caption, const std::string& text,
                                      MessageButtons buttons, const std::string& detail = {}) = 0;
    // A file name, or nothing when the user cancels. title is the dialog's title; filter is
    // "Label (*.x)|*.x".
    virtual std::optional<std::string> ChooseFile(FileDialogKind kind, const std::string& title,
                                                  const std::string& filter, const std::string& suggestion) = 0;
    // The one-line text dialog: the text entered, or nothing when cancelled.
    virtual std::optional<std::string> AskText(const std::string& caption, const std::string& text) = 0;
};

} // namespace velmora
