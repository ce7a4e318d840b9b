#pragma once
// Watches the descriptor-set file, so that sets saved or deleted by another program (the
// command-line tool) show without a restart. The file is replaced whole when it is written (a
// temporary file renamed over it), which ends a watch on it: the watch is set again on the new
// file, and the folder is watched for a file that appears.
#include <QFileSystemWatcher>
#include <QObject>
#include <QString>
#include <QTimer>

namespace velmora::gui {

class SetFileWatcher : public QObject {
    Q_OBJECT
public:
    explicit SetFileWatcher(QObject* parent = nullptr);
    // Watches path (and its folder) from now on; another path given before is no longer watched.
    void Watch(const QString& path);
    const QString& Path() const { return m_path; }

signals:
    // The file may have changed; a burst of changes gives one signal.
    void Changed();

private:
    void Touched();

    QFileSystemWatcher m_watcher;
    QTimer m_settle;
    QString m_path;
};

} // namespace velmora::gui
