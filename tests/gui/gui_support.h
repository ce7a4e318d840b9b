#pragma once
// Helpers shared by the headless GUI suites: waiting for modal windows, finding menu actions,
// pictures for a person to look at, and the main window answered by a scripted dialog.
#include "gui_suites.h"
#include "qtprogress.h"
#include "qvxform.h"
#include "scripted.h"
#include "test_support.h"

#include <QApplication>
#include <QDialog>
#include <QMessageBox>
#include <QTimer>
#include <QtTest>

#include <functional>
#include <string>
#include <vector>

namespace velmora::test {

// The same look for every run: Fusion style and the substitute fonts.
void SetUpLook();
// Where the suite's user settings live: a temporary folder of its own.
QString SettingsFolder();

// Runs action on the modal widget of type T as soon as it is shown (the caller then blocks in exec).
// A failed check inside the action must not leave the test waiting on an open dialog.
template <typename T>
void WhenModal(std::function<void(T*)> action, int attempts = 1000)
{
    QTimer::singleShot(10, [action, attempts] {
        if (auto* widget = qobject_cast<T*>(QApplication::activeModalWidget()); widget && widget->isVisible()) {
            action(widget);
            if (QTest::currentTestFailed())
                if (auto* dialog = qobject_cast<QDialog*>(widget); dialog && dialog->isVisible())
                    dialog->done(QDialog::Rejected);
        } else if (attempts > 0) {
            WhenModal<T>(action, attempts - 1);
        } else {
            qWarning("no modal window appeared");
        }
    });
}

// The captions of the box's buttons, sorted.
QStringList ButtonTexts(QMessageBox* box);
// The distribution diagram comes modally after every search that goes through: checked, then closed by OK.
void CloseDiagramWhenShown(std::function<void(gui::TFormSearchDiagram*)> check = {});

// Files and texts from the script; each message, after onMessage, goes to messages (a real
// QtUserDialog, say) or, when that is null, to the script.
class RelayDialog final : public UserDialog {
public:
    MessageAnswer ShowMessage(MessageKind kind, const std::string& caption, const std::string& text,
                              MessageButtons buttons, const std::string& detail = {}) override
    {
        if (onMessage)
            onMessage();
        return (messages ? *messages : static_cast<UserDialog&>(scripted)).ShowMessage(kind, caption, text, buttons, detail);
    }
    std::optional<std::string> ChooseFile(FileDialogKind kind, const std::string& title, const std::string& filter,
                                          const std::string& suggestion) override
    {
        return scripted.ChooseFile(kind, title, filter, suggestion);
    }
    std::optional<std::string> AskText(const std::string& caption, const std::string& text) override
    {
        return scripted.AskText(caption, text);
    }
    ScriptedDialog scripted;
    UserDialog* messages = nullptr;
    std::function<void()> onMessage;
};

// Shows the widget and waits until it is on screen.
inline bool ShowAndWait(QWidget& widget)
{
    widget.show();
    return QTest::qWaitForWindowExposed(&widget);
}

// The window's action with this caption (a warning and null when there is none).
QAction* Action(QWidget* window, const QString& text);

// The folder VELMORA_TEST_OUTPUT names (created), or empty when it is not set.
QString OutputFolder();
// Writes name.png of the widget, or of the image, into the output folder when there is one.
void Screenshot(QWidget* widget, const QString& name);
void Screenshot(const QImage& image, const QString& name);

// The main window with scripted answers and the real progress windows.
struct MainWindow {
    explicit MainWindow(const std::string& folder) : window(dialog, progress, folder) {}
    ScriptedDialog dialog;
    gui::QtProgress progress;
    gui::TQVXForm window;

    Workbench& Bench() { return window.Bench(); }
    // Shows the window (at size when given) and waits until it is on screen.
    bool Show(QSize size = {});
    // Chooses exactly these descriptors, as the descriptor dialog does, and refreshes the window.
    void Choose(const std::vector<std::string>& names);
};

} // namespace velmora::test
