#include "gui_support.h"

#include "fonts.h"
#include "srchdiag.h"

#include <QDir>
#include <QPushButton>
#include <QSettings>
#include <QTemporaryDir>

namespace velmora::test {

QStringList ButtonTexts(QMessageBox* box)
{
    QStringList texts;
    for (QAbstractButton* button : box->buttons())
        texts << button->text();
    texts.sort();
    return texts;
}

void CloseDiagramWhenShown(std::function<void(gui::TFormSearchDiagram*)> check)
{
    WhenModal<gui::TFormSearchDiagram>([check](gui::TFormSearchDiagram* diagram) {
        if (check)
            check(diagram);
        diagram->OkButton()->click();
    });
}

namespace {

// Every suite keeps what it saves in the user's settings (the file dialogs' folders) in a folder
// of its own, set before anything is read: the user's own settings are never touched.
struct PrivateSettings {
    PrivateSettings()
    {
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, folder.path());
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, folder.path());
    }
    QTemporaryDir folder;
};

PrivateSettings& Settings()
{
    static PrivateSettings settings;
    return settings;
}

// Made as the suite's program starts, before its first window.
const bool kSettingsMade = (Settings(), true);

} // namespace

QString SettingsFolder() { return Settings().folder.path(); }

void SetUpLook()
{
    QApplication::setStyle(QStringLiteral("Fusion"));
    gui::InstallFontSubstitutions();
}

QAction* Action(QWidget* window, const QString& text)
{
    for (QAction* action : window->findChildren<QAction*>())
        if (action->text() == text)
            return action;
    qWarning("no action \"%s\"", qPrintable(text));
    return nullptr;
}

QString OutputFolder()
{
    const QByteArray folder = qgetenv("VELMORA_TEST_OUTPUT");
    if (folder.isEmpty())
        return {};
    QDir().mkpath(QString::fromLocal8Bit(folder));
    return QString::fromLocal8Bit(folder);
}

void Screenshot(const QImage& image, const QString& name)
{
    if (const QString folder = OutputFolder(); !folder.isEmpty())
        image.save(QDir(folder).filePath(name + ".png"));
}

void Screenshot(QWidget* widget, const QString& name)
{
    if (OutputFolder().isEmpty())
        return;
    // Pending layouts first, so the picture shows what a person would see.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
    Screenshot(widget->grab().toImage(), name);
}

bool MainWindow::Show(QSize size)
{
    if (size.isValid())
        window.resize(size);
    window.show();
    return QTest::qWaitForWindowExposed(&window);
}

void MainWindow::Choose(const std::vector<std::string>& names)
{
    ChooseDescriptors(Bench(), dialog, names);
    window.Refresh();
}

} // namespace velmora::test
