// The descriptor dialog shows descriptor sets that another program saves or deletes in crits.txt
// while the workbench runs, file replaced whole and all.
#include "critdlg.h"
#include "descriptors/descsets.h"
#include "gui_support.h"
#include "workbench_access.h"
#include "setfilewatcher.h"

#include <QComboBox>
#include <QProcess>
#include <QtTest>

using namespace velmora;
using namespace velmora::gui;
using namespace velmora::test;

namespace {

QStringList SetList(const TSimCritDlg& dialog)
{
    QStringList names;
    for (int i = 0; i < dialog.Sets()->count(); ++i)
        names << dialog.Sets()->itemText(i);
    return names;
}

// Another program writes crits.txt as the tool does: a temporary file renamed over it.
bool WriteFromOutside(const std::string& folder, const QByteArray& content)
{
    QProcess shell;
    shell.setWorkingDirectory(QString::fromStdString(folder));
    shell.start(QStringLiteral("/bin/sh"), {QStringLiteral("-c"), QStringLiteral("cat > crits.dum && mv crits.dum crits.txt")});
    if (!shell.waitForStarted())
        return false;
    shell.write(content);
    shell.closeWriteChannel();
    return shell.waitForFinished() && shell.exitCode() == 0;
}

} // namespace

class SetFileWatchTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { test::SetUpLook(); }

    void setsSavedOutsideShowWithoutARestart()
    {
        test::TempDir folder;
        ScriptedDialog messages;
        NullProgress progress;
        Workbench workbench(messages, progress, folder.Path().string());
        // A library whose parameters let every descriptor discriminate, so a set can be chosen whole.
        std::string parameters;
        for (int i = 0; i < 153; ++i)
            parameters += " 2.50000000000000E+0000 1.25000000000000E+0000\r\n";
        test::WriteBytes(folder.File("drugs.idp"), parameters);
        WorkbenchTestAccess::State(workbench).LibraryFileName = folder.File("drugs.clb");
        WorkbenchTestAccess::State(workbench).LibraryOpen = true;
        TSimCritDlg dialog(workbench, messages);
        dialog.Refresh();
        QVERIFY(ShowAndWait(dialog));
        QCOMPARE(SetList(dialog), QStringList{"[none]"});
        QCOMPARE(dialog.SetFileWatch()->Path().toStdString(), folder.File("crits.txt"));

        // The file appears (saved in this program's way, from another process's point of view the same).
        DescriptorSetFile::AtPath(folder.File("crits.txt")).Append("carbonyls", {1, 2});
        QTRY_COMPARE(SetList(dialog), QStringList({"[none]", "carbonyls"}));

        // Replaced by another program, twice: each replacement is seen, the set shown stays current.
        auto context = workbench.Context();
        workbench.Selection().ChooseSet(1, context, messages);
        dialog.Refresh();
        QVERIFY(WriteFromOutside(folder.Path().string(), "2 [none]\r\n1 rings\r\n7\r\n2 carbonyls\r\n1\r\n2\r\n"));
        QTRY_COMPARE(SetList(dialog), QStringList({"[none]", "rings", "carbonyls"}));
        QCOMPARE(dialog.Sets()->currentText(), QStringLiteral("carbonyls"));
        Screenshot(&dialog, "descriptor-sets-from-outside");
        QVERIFY(WriteFromOutside(folder.Path().string(), "1 [none]\r\n1 rings\r\n7\r\n"));
        QTRY_COMPARE(SetList(dialog), QStringList({"[none]", "rings"}));
        QCOMPARE(dialog.Sets()->currentIndex(), 0);
        QVERIFY(messages.shown.empty());
    }
};

VELMORA_GUI_SUITE("set_file_watch_test", SetFileWatchTest);
#include "set_file_watch_test.moc"
