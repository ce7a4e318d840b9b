#include "qtprogress.h"

#include "progresswindows.h"

#include <QCoreApplication>
#include <QThread>

namespace velmora::gui {

QtProgress::QtProgress(QWidget* parent) : m_parent(parent) {}

QtProgress::~QtProgress()
{
    delete m_wait.data();
    delete m_window.data();
}

void QtProgress::SetParentWidget(QWidget* parent)
{
    m_parent = parent;
    if (m_wait)
        m_wait->setParent(parent, m_wait->windowFlags());
    if (m_window)
        m_window->setParent(parent, m_window->windowFlags());
}

WaitWindow& QtProgress::Wait()
{
    if (!m_wait)
        m_wait = new WaitWindow(m_parent);
    return *m_wait;
}

ProgressWindow& QtProgress::Window()
{
    if (!m_window)
        m_window = new ProgressWindow(m_parent);
    return *m_window;
}

bool QtProgress::InWaitWindow(ProgressKind kind)
{
    switch (kind) {
    case ProgressKind::ImportCount:
    case ProgressKind::Comparison:
    case ProgressKind::Ranking:
    case ProgressKind::ResultLibrary: return true;
    case ProgressKind::Conversion:
    case ProgressKind::Parameters:
    case ProgressKind::DescriptorFile:
    case ProgressKind::Statistics:
    case ProgressKind::CrossComparison: break;
    }
    return false;
}

void QtProgress::Start(ProgressKind kind, const std::string& caption, long total)
{
    const bool wait = InWaitWindow(kind);
    if (!m_busy)
        m_abortRequested = false;
    else if (m_inWait != wait)
        (m_inWait ? static_cast<QDialog&>(Wait()) : static_cast<QDialog&>(Window())).hide();
    m_busy = true;
    m_inWait = wait;
    m_kind = kind;
    m_done = 0;
    m_shown = -1;
    const QString text = QString::fromUtf8(caption);
    if (wait)
        Wait().Begin(kind, text);
    else
        Window().Begin(kind, text, total);
    if (onPhase)
        onPhase(kind, true);
    // Let the window appear before the loop's first structure.
    ProcessEvents();
    m_sinceShown.start();
}

void QtProgress::Step(long done)
{
    m_done = done;
    if (!m_sinceShown.isValid() || m_sinceShown.hasExpired(kEventIntervalMs))
        ShowCount();
}

void QtProgress::ShowCount()
{
    m_sinceShown.start();
    if (!m_busy || m_done == m_shown)
        return;
    m_shown = m_done;
    if (m_inWait)
        Wait().SetCount(m_done);
    else
        Window().SetDone(m_done);
}

void QtProgress::ProcessEvents()
{
    QCoreApplication::processEvents();
    m_sinceEvents.start();
}

ProgressRequest QtProgress::Poll()
{
    const bool suspended = m_busy && !m_inWait && Suspendable(m_kind) && Window().Suspended();
    if (suspended) {
        // The loop polls without working until "Proceed" or Abort: keep the window alive, gently.
        QThread::msleep(10);
        ProcessEvents();
    } else if (!m_sinceEvents.isValid() || m_sinceEvents.hasExpired(kEventIntervalMs)) {
        ShowCount();
        ProcessEvents();
    }
    if (m_abortRequested)
        return ProgressRequest::Abort;
    if (!m_busy)
        return ProgressRequest::Continue;
    if (m_inWait)
        return Wait().AbortRequested() ? ProgressRequest::Abort : ProgressRequest::Continue;
    if (Window().AbortRequested())
        return ProgressRequest::Abort;
    return Suspendable(m_kind) && Window().Suspended() ? ProgressRequest::Suspend : ProgressRequest::Continue;
}

void QtProgress::Finish()
{
    if (!m_busy)
        return;
    if (m_inWait)
        Wait().End();
    else
        Window().End();
    m_busy = false;
    if (onPhase)
        onPhase(m_kind, false);
}

} // namespace velmora::gui
