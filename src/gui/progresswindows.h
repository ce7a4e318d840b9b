#pragma once
// The two windows of the long loops: the wait window ("Please Wait": a label, a count, Abort) and
// the progress window (totals, counter, gauge, Abort, "Suspend"/"Proceed"). Both are shown
// application-modal but without a local event loop: the loop itself processes events through
// QtProgress, so while it runs only these windows take input. Which buttons a loop gets is its
// kind's rule (Abortable, Suspendable); the caption is only shown.
#include "base/progress.h"

#include <QDialog>

class QLabel;
class QProgressBar;
class QPushButton;

namespace velmora::gui {

class WaitWindow : public QDialog {
    Q_OBJECT
public:
    explicit WaitWindow(QWidget* parent = nullptr);
    // Label text e.g. "Compare Structures:"; count cleared; shown, application-modal, non-blocking.
    // A loop that cannot be stopped (the import count) is offered no Abort.
    void Begin(ProgressKind kind, const QString& label);
    void SetCount(long count); // right-aligned count
    bool AbortRequested() const { return m_abort; }
    void End();

    QLabel* Label() const { return m_label; }
    QLabel* Count() const { return m_count; }
    QPushButton* AbortButton() const { return m_abortButton; }

protected:
    void reject() override;
    void closeEvent(QCloseEvent* event) override;

private:
    QLabel* m_label;
    QLabel* m_count;
    QPushButton* m_abortButton;
    bool m_abort = false;
};

class ProgressWindow : public QDialog {
    Q_OBJECT
public:
    explicit ProgressWindow(QWidget* parent = nullptr);
    // The caption is the window's title. A conversion shows the conversion texts; other kinds are
    // calculations ("Calculated structures:"). Loops that cannot pause show "Suspend" disabled.
    // The gauge runs 0..max(total, 1).
    void Begin(ProgressKind kind, const QString& caption, long total);
    void SetDone(long done);
    bool AbortRequested() const { return m_abort; }
    bool Suspended() const { return m_suspended; } // "Suspend" pressed, the button now says "Proceed"
    void End();

    QLabel* TotalLabel() const { return m_totalLabel; }
    QLabel* Total() const { return m_total; }
    QLabel* DoneLabel() const { return m_doneLabel; }
    QLabel* Done() const { return m_done; }
    QProgressBar* Gauge() const { return m_gauge; }
    QPushButton* AbortButton() const { return m_abortButton; }
    QPushButton* SuspendButton() const { return m_suspendButton; }

protected:
    void reject() override;
    void closeEvent(QCloseEvent* event) override;

private:
    void ToggleSuspend();

    QLabel* m_totalLabel;
    QLabel* m_total;
    QLabel* m_doneLabel;
    QLabel* m_done;
    QProgressBar* m_gauge;
    QPushButton* m_abortButton;
    QPushButton* m_suspendButton;
    bool m_abort = false;
    bool m_suspended = false;
};

} // namespace velmora::gui
