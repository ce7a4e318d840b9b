#include "setfilewatcher.h"

#include <QFileInfo>

namespace velmora::gui {

namespace {

// Changes within this time (a write and its rename) are answered once.
constexpr int kSettleMs = 50;

} // namespace

SetFileWatcher::SetFileWatcher(QObject* parent) : QObject(parent)
{
    m_settle.setSingleShot(true);
    m_settle.setInterval(kSettleMs);
    connect(&m_settle, &QTimer::timeout, this, &SetFileWatcher::Changed);
    connect(&m_watcher, &QFileSystemWatcher::fileChanged, this, &SetFileWatcher::Touched);
    connect(&m_watcher, &QFileSystemWatcher::directoryChanged, this, &SetFileWatcher::Touched);
}

void SetFileWatcher::Watch(const QString& path)
{
    const QString absolute = QFileInfo(path).absoluteFilePath();
    if (absolute == m_path)
        return;
    if (!m_watcher.files().isEmpty())
        m_watcher.removePaths(m_watcher.files());
    if (!m_watcher.directories().isEmpty())
        m_watcher.removePaths(m_watcher.directories());
    m_path = absolute;
    m_watcher.addPath(QFileInfo(m_path).absolutePath());
    if (QFileInfo::exists(m_path))
        m_watcher.addPath(m_path);
}

void SetFileWatcher::Touched()
{
    // A file renamed over the watched one ends the watch: watch the new one.
    if (!m_watcher.files().contains(m_path) && QFileInfo::exists(m_path))
        m_watcher.addPath(m_path);
    m_settle.start();
}

} // namespace velmora::gui
