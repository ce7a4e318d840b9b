#pragma once
// The core's Progress on the wait and progress windows. One object serves every loop of the
// workbench, so the windows are chosen by the loop's kind; its caption is only shown. Pending events are processed by time (about
// every 40 ms), not once per structure, so the loops keep their speed.
#include "base/progress.h"

#include <QElapsedTimer>
#include <QPointer>
#include <QString>

#include <functional>
#include <string>

class QWidget;

namespace velmora::gui {

class ProgressWindow;
class WaitWindow;

class QtProgress final : public velmora::Progress {
public:
    explicit QtProgress(QWidget* parent = nullptr);
    ~QtProgress() override;
    // Parent of the two windows; they are created at the first use.
    void SetParentWidget(QWidget* parent);

    // A Start while a loop runs (the search's ranking after the comparison) relabels the window.
    void Start(ProgressKind kind, const std::string& caption, long total) override;
    void Step(long done) override;
    // Processes pending events at most every ~40 ms; while suspended every poll processes them
    // and sleeps briefly, so the suspended loop does not spin.
    ProgressRequest Poll() override;
    void Finish() override;
    bool Busy() const { return m_busy; }
    // Makes the running loop's next Poll answer Abort (e.g. the main window is being closed).
    void RequestAbort() { m_abortRequested = true; }
    WaitWindow& Wait();
    ProgressWindow& Window();

    // Told at every Start (started=true) and Finish (started=false) with the loop's kind.
    std::function<void(ProgressKind kind, bool started)> onPhase;

    // The loops without a gauge (the import count and the search's steps) show the wait window;
    // the others the progress window.
    static bool InWaitWindow(ProgressKind kind);

    static constexpr int kEventIntervalMs = 40;

private:
    void ShowCount();
    void ProcessEvents();

    QPointer<QWidget> m_parent;
    // Owned here, or by the parent widget when that goes first.
    QPointer<WaitWindow> m_wait;
    QPointer<ProgressWindow> m_window;
    bool m_busy = false;
    bool m_inWait = false;
    bool m_abortRequested = false;
    ProgressKind m_kind = ProgressKind::Conversion;
    long m_done = 0;
    long m_shown = -1;
    QElapsedTimer m_sinceEvents;
    QElapsedTimer m_sinceShown;
};

} // namespace velmora::gui
