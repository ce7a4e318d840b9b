#include "qtprogress.h"

#include "progresswindows.h"

#include <QCoreApplication>
#include <QThread>

namespace velmora::gui {

namespace {

// The import count reports no progress and cannot be interrupted.
const std::string kCountCaption = "Count Structures :";
// Only these runs pause while "Suspend" is pressed; the others show it disabled.
bool Suspendable(const std::string& caption)
{
    return caption == "Conversion" || caption == "Calculates new library-descriptors";
}

} // namespace

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

bool QtProgress::IsWaitCaption(const std::string& caption)
{
    return caption == kCountCaption || caption == "Compare Structures:" || caption == "Search of the best:" ||
           caption == "Please wait ...";
}

void QtProgress::Start(const std::string& caption, long total)
{
    const bool wait = IsWaitCaption(caption);
    if (!m_busy)
        m_abortRequested = false;
    else if (m_inWait != wait)
        (m_inWait ? static_cast<QDialog&>(Wait()) : static_cast<QDialog&>(Window())).hide();
    m_busy = true;
    m_inWait = wait;
    m_caption = caption;
    m_done = 0;
    m_shown = -1;
    const QString text = QString::fromUtf8(caption);
    if (wait) {
        Wait().SetAbortable(caption != kCountCaption);
        Wait().Begin(text);
    } else {
        Window().SetSuspendable(Suspendable(caption));
        Window().Begin(text, total);
    }
    if (onPhase)
        onPhase(caption, true);
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
    const bool suspended = m_busy && !m_inWait && Window().Suspended();
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
    return Window().Suspended() ? ProgressRequest::Suspend : ProgressRequest::Continue;
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
    const std::string caption = m_caption;
    if (onPhase)
        onPhase(caption, false);
}

} // namespace velmora::gui
