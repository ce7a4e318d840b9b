#include "scripted.h"

#include <gtest/gtest.h>

namespace velmora::test {

MessageAnswer ScriptedDialog::ShowMessage(MessageKind kind, const std::string& caption,
                                          const std::string& text, MessageButtons buttons, const std::string& detail)
{
    shown.push_back({kind, caption, text, buttons, detail});
    if (answers.empty())
        return MessageAnswer::Ok;
    const MessageAnswer answer = answers.front();
    answers.pop_front();
    return answer;
}

std::optional<std::string> ScriptedDialog::ChooseFile(FileDialogKind, const std::string& title,
                                                      const std::string& filter, const std::string&)
{
    titles.push_back(title);
    filters.push_back(filter);
    if (files.empty())
        return std::nullopt;
    auto file = files.front();
    files.pop_front();
    return file;
}

std::optional<std::string> ScriptedDialog::AskText(const std::string& caption, const std::string&)
{
    textCaptions.push_back(caption);
    if (texts.empty())
        return std::nullopt;
    auto text = texts.front();
    texts.pop_front();
    return text;
}

void ScriptedProgress::Start(ProgressKind, const std::string& caption, long total)
{
    captions.push_back(caption);
    totals.push_back(total);
}

ProgressRequest ScriptedProgress::Poll()
{
    ++polls;
    if (polls == abortAtPoll)
        return ProgressRequest::Abort;
    if (polls <= suspendPolls)
        return ProgressRequest::Suspend;
    return ProgressRequest::Continue;
}

bool ExpectMessage(const ShownMessage& shown, MessageKind kind, const std::string& text, MessageButtons buttons)
{
    EXPECT_EQ(shown.kind, kind);
    EXPECT_EQ(shown.text, text);
    EXPECT_EQ(shown.buttons, buttons);
    return shown.kind == kind && shown.text == text && shown.buttons == buttons;
}

const char* const kIntroNotice =
    "You are now running the INTRO MODE !!!\r"
    "If you want to work seriously with this program, it is highly recommended to\r"
    "use the NORMAL MODE, because it is much more quicker and some features are\r"
    "only available in the normal mode .";
const char* const kNoParameters =
    "No mean and standard deviations of library available\rDo you want to calculate the libraryparameters now ?";
const char* const kIntroGate =
    "Mean and standard deviations of library not available !\r"
    "Before you use the INTRO MODE, you have to calculate the libraryparameters .\r"
    "You can find it in the SETUP menu !";

} // namespace velmora::test
