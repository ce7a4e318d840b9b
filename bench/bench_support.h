#pragma once
// What the timed drivers share: wall time since a point, the peak resident memory, and a dialog
// that answers every message with OK.
#include "base/userdialog.h"

#include <chrono>
#include <cstdio>
#include <optional>
#include <string>
#include <sys/resource.h>

namespace velmora::bench {

inline double Seconds(std::chrono::steady_clock::time_point since)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

// Peak resident set size of this process so far, in KiB.
inline long PeakKiB()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

// Answers every message with OK, chooses no file and prints errors and warnings on stderr.
class QuietDialog final : public UserDialog {
public:
    MessageAnswer ShowMessage(MessageKind kind, const std::string&, const std::string& text, MessageButtons,
                              const std::string& detail = {}) override
    {
        if (kind == MessageKind::Error || kind == MessageKind::Warning)
            std::fprintf(stderr, "%s\n%s", text.c_str(), detail.empty() ? "" : (detail + "\n").c_str());
        return MessageAnswer::Ok;
    }
    std::optional<std::string> ChooseFile(FileDialogKind, const std::string&, const std::string&,
                                          const std::string&) override
    {
        return {};
    }
    std::optional<std::string> AskText(const std::string&, const std::string&) override { return {}; }
};

} // namespace velmora::bench
