// The workbench's dialogs and progress windows, driven headless through their real widgets.
#include "dialogs.h"
#include "helpwindow.h"
#include "progresswindows.h"
#include "qtprogress.h"
#include "qtuserdialog.h"
#include "gui_support.h"
#include "workbench_access.h"
#include "sharedprinter.h"
#include "flowpage.h"
#include "io/convert.h"
#include "search/coefficients.h"
#include "search/workbench.h"

#include <QApplication>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QElapsedTimer>
#include <QFile>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QMenu>
#include <QProgressBar>
#include <QRegularExpression>
#include <QPushButton>
#include <QScreen>
#include <QSettings>
#include <QTemporaryDir>
#include <QTextBrowser>
#include <QThread>
#include <QtTest>


using namespace velmora;
using namespace velmora::gui;
using namespace velmora::test;

namespace {

// Chooses file in the file dialog that is up (typed into its name field, as a person does) and
// notes the folder it opened in.
void ChooseInFileDialog(const QString& file, QString* openedIn)
{
    WhenModal<QFileDialog>([file, openedIn](QFileDialog* dialog) {
        if (openedIn)
            *openedIn = QFileInfo(dialog->directory().absolutePath()).canonicalFilePath();
        // A file the dialog would not find (not in the folder it opened in) would bring a message
        // box of its own: the dialog is cancelled instead.
        if (dialog->acceptMode() == QFileDialog::AcceptOpen && !QFileInfo(dialog->directory(), file).exists()) {
            dialog->reject();
            return;
        }
        auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        QVERIFY(name);
        name->setText(file);
        QTest::keyClick(name, Qt::Key_Return);
    });
}

} // namespace

class WindowsTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { test::SetUpLook(); }

    void fileFilter_data()
    {
        QTest::addColumn<QString>("filter");
        QTest::addColumn<QString>("expected");
        QTest::addColumn<QString>("firstSuffix");
        QTest::newRow("library") << "Library-Files (*.clb)|*.clb" << "Library-Files (*.clb)" << "clb";
        QTest::newRow("import") << "Mol-Files (*.mol ; *.sd ; *.sdf)|*.mol;*.sd;*.sdf"
                                << "Mol-Files (*.mol *.sd *.sdf)" << "mol";
        QTest::newRow("query, two entries") << "Mol-Files (*.mol ; *.sd)|*.mol;*.sd|CLB-File  (*.clb)|*.clb"
                                            << "Mol-Files (*.mol *.sd);;CLB-File (*.clb)" << "mol";
        QTest::newRow("save structure") << "Molfile (*.mol)|*.mol|QVX-Format (*.clb)|*.clb"
                                        << "Molfile (*.mol);;QVX-Format (*.clb)" << "mol";
        QTest::newRow("label without list") << "Kalvinor Files|*.CTB" << "Kalvinor Files (*.CTB)" << "CTB";
        QTest::newRow("patterns decide, not the label") << "Odd (*.txt)|*.sd ; *.mol" << "Odd (*.sd *.mol)" << "sd";
        QTest::newRow("every file") << "All|*" << "All (*)" << "";
        QTest::newRow("no filter") << "" << "" << "";
    }

    void fileFilter()
    {
        QFETCH(QString, filter);
        QFETCH(QString, expected);
        QFETCH(QString, firstSuffix);
        const QString converted = QtUserDialog::FileFilter(filter.toStdString());
        QCOMPARE(converted, expected);
        QCOMPARE(QtUserDialog::FirstSuffix(converted.section(QStringLiteral(";;"), 0, 0)), firstSuffix);
    }

    // The save dialog keeps its title, adds the filter's extension and never asks its own overwrite
    // question (the callers ask Replace/Append/Abort).
    void saveDialogAddsSuffixAndDoesNotAskToOverwrite()
    {
        QTemporaryDir folder;
        QVERIFY(folder.isValid());
        QFile existing(folder.filePath(QStringLiteral("old.mol")));
        QVERIFY(existing.open(QIODevice::WriteOnly));
        existing.close();

        struct Case {
            QString typed;
            QString expected;
        };
        const QList<Case> cases = {{QStringLiteral("aspirin"), QStringLiteral("aspirin.mol")},
                                   {QStringLiteral("old.mol"), QStringLiteral("old.mol")}};
        for (const Case& c : cases) {
            QtUserDialog dialogs;
            QString title;
            QStringList filters;
            bool noOverwriteQuestion = false;
            int extraBoxes = 0;
            WhenModal<QFileDialog>([&](QFileDialog* dialog) {
                title = dialog->windowTitle();
                filters = dialog->nameFilters();
                noOverwriteQuestion = dialog->testOption(QFileDialog::DontConfirmOverwrite);
                // A question box Qt might add is counted and dismissed; the timer dies with the dialog.
                QTimer::singleShot(100, dialog, [&extraBoxes] {
                    if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                        ++extraBoxes;
                        box->reject();
                    }
                });
                dialog->setDirectory(folder.path());
                auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
                QVERIFY(name);
                name->setText(c.typed);
                QTest::keyClick(name, Qt::Key_Return);
            });
            const auto chosen = dialogs.ChooseFile(FileDialogKind::Save, "Save Structure",
                                                   "Molfile (*.mol)|*.mol|QVX-Format (*.clb)|*.clb",
                                                   (folder.path() + "/x").toStdString());
            QCOMPARE(title, QStringLiteral("Save Structure"));
            QCOMPARE(filters, QStringList({QStringLiteral("Molfile (*.mol)"), QStringLiteral("QVX-Format (*.clb)")}));
            QVERIFY(noOverwriteQuestion);
            QVERIFY(chosen.has_value());
            QCOMPARE(QString::fromStdString(*chosen), folder.filePath(c.expected));
            QCOMPARE(extraBoxes, 0);
        }
    }

    void messageBoxes_data()
    {
        QTest::addColumn<int>("buttons");
        QTest::addColumn<QString>("press"); // a button text, or "Esc"
        QTest::addColumn<int>("answer");
        QTest::addColumn<QStringList>("offered");
        const auto rab = static_cast<int>(MessageButtons::ReplaceAppendAbort);
        const QStringList threeButtons = {"Abort", "Append", "Replace"};
        QTest::newRow("replace") << rab << "Replace" << int(MessageAnswer::Replace) << threeButtons;
        QTest::newRow("append") << rab << "Append" << int(MessageAnswer::Append) << threeButtons;
        QTest::newRow("abort") << rab << "Abort" << int(MessageAnswer::Abort) << threeButtons;
        QTest::newRow("esc aborts") << rab << "Esc" << int(MessageAnswer::Abort) << threeButtons;
        QTest::newRow("ok") << int(MessageButtons::Ok) << "OK" << int(MessageAnswer::Ok) << QStringList{"OK"};
        QTest::newRow("esc on ok") << int(MessageButtons::Ok) << "Esc" << int(MessageAnswer::Ok) << QStringList{"OK"};
        QTest::newRow("esc cancels") << int(MessageButtons::OkCancel) << "Esc" << int(MessageAnswer::Cancel)
                                     << QStringList{"Cancel", "OK"};
        QTest::newRow("ok of ok-cancel") << int(MessageButtons::OkCancel) << "OK" << int(MessageAnswer::Ok)
                                         << QStringList{"Cancel", "OK"};
        QTest::newRow("esc says no") << int(MessageButtons::OkNo) << "Esc" << int(MessageAnswer::No)
                                     << QStringList{"&No", "OK"};
    }

    void messageBoxes()
    {
        QFETCH(int, buttons);
        QFETCH(QString, press);
        QFETCH(int, answer);
        QFETCH(QStringList, offered);
        QtUserDialog dialogs;
        QString caption, text;
        QStringList shown;
        WhenModal<QMessageBox>([&](QMessageBox* box) {
            caption = box->windowTitle();
            text = box->text();
            shown = ButtonTexts(box);
            if (QTest::currentDataTag() == QLatin1String("replace"))
                Screenshot(box, "replace-append-abort");
            if (press == QLatin1String("Esc")) {
                QTest::keyClick(box, Qt::Key_Escape);
            } else {
                for (QAbstractButton* button : box->buttons())
                    if (button->text() == press)
                        button->click();
            }
        });
        const MessageAnswer result = dialogs.ShowMessage(MessageKind::Information, "Information",
                                                         "File already exists\rPlease choose", MessageButtons(buttons));
        QCOMPARE(int(result), answer);
        QCOMPARE(caption, QStringLiteral("Information"));
        QCOMPARE(text, QStringLiteral("File already exists\nPlease choose"));
        QCOMPARE(shown, offered);
    }

    // The core decides and words the messages; the dialog puts the remembered text back and stays.
    // The field has the focus with its value selected at every opening and after a refusal, so
    // digits typed at once replace it; Enter accepts, Enter alone keeps the value, Esc cancels.
    void bestCountThroughTheRealDialog()
    {
        QTemporaryDir folder;
        test::ScriptedDialog messages;
        NullProgress progress;
        Workbench workbench(messages, progress, folder.path().toStdString());
        BestCountDialog dialog(workbench);
        auto typeInto = [](QDialog* shown, const QString& text, int key) {
            QApplication::setActiveWindow(shown);
            QWidget* focus = shown->focusWidget();
            QVERIFY(focus);
            if (!text.isEmpty())
                QTest::keyClicks(focus, text);
            QTest::keyClick(focus, Qt::Key(key));
        };
        auto state = [](BestCountDialog* shown) {
            QLineEdit* field = shown->Field();
            return field->text() + (shown->focusWidget() == field ? "|focus" : "") +
                   (field->selectedText() == field->text() ? "|selected" : "");
        };
        QStringList seen;
        bool open = true;
        WhenModal<BestCountDialog>([&](BestCountDialog* shown) {
            seen << state(shown);
            typeInto(shown, QStringLiteral("201"), Qt::Key_Return);
            seen << state(shown) + (shown->isVisible() ? "|open" : "");
            Screenshot(shown, "best-count-dialog");
            typeInto(shown, QStringLiteral("30"), Qt::Key_Return);
            open = shown->isVisible();
        });
        QVERIFY(dialog.Run());
        QVERIFY(!open);
        QCOMPARE(seen, QStringList({"      50|focus|selected", "      50|focus|selected|open"}));
        QCOMPARE(workbench.State().BestCount, 30);
        QCOMPARE(messages.shown.size(), std::size_t{1});

        WhenModal<BestCountDialog>([&](BestCountDialog* shown) { typeInto(shown, QString(), Qt::Key_Enter); });
        QVERIFY(dialog.Run());
        QCOMPARE(workbench.State().BestCount, 30);
        WhenModal<BestCountDialog>([](BestCountDialog* shown) {
            shown->Field()->setText(QStringLiteral("7"));
            QTest::keyClick(shown, Qt::Key_Escape);
        });
        QVERIFY(!dialog.Run());
        QCOMPARE(workbench.State().BestCount, 30);
        QCOMPARE(dialog.Field()->text(), QStringLiteral("      30"));
        QCOMPARE(messages.shown.size(), std::size_t{1});
    }

    // A message broken into lines by its author shows those lines, none wrapped again.
    void messageLinesAreNotWrappedAgain()
    {
        QWidget parent;
        parent.resize(1000, 700);
        QtUserDialog dialogs(&parent);
        const QStringList lines = QString::fromLatin1(test::kIntroNotice).split(QLatin1Char('\r'));
        QStringList tooNarrow;
        int labelHeight = 0, lineHeight = 0;
        WhenModal<QMessageBox>([&](QMessageBox* box) {
            auto* label = box->findChild<QLabel*>(QStringLiteral("qt_msgbox_label"));
            QVERIFY(label);
            const QFontMetrics metrics(label->font());
            for (const QString& line : lines)
                if (metrics.horizontalAdvance(line) > label->contentsRect().width())
                    tooNarrow << line;
            labelHeight = label->height();
            lineHeight = metrics.lineSpacing();
            Screenshot(box, "intro-mode-message");
            box->button(QMessageBox::Ok)->click();
        });
        dialogs.ShowMessage(MessageKind::Information, "Information", test::kIntroNotice, MessageButtons::Ok);
        QVERIFY2(tooNarrow.isEmpty(), qPrintable(tooNarrow.join(QLatin1Char('|'))));
        QVERIFY2(labelHeight < (lines.size() + 1) * lineHeight, qPrintable(QString::number(labelHeight)));
    }

    // An error names what lies behind it (the file, the line) where it can be read at once; other
    // messages keep their detail behind "Show Details...".
    void errorDetailIsShownAtOnce()
    {
        QWidget parent;
        QtUserDialog dialogs(&parent);
        const std::string detail = "/tmp/q.mol: record 1 ends at line 7; its counts line promises 25 atoms and 28 bonds";
        for (const MessageKind kind : {MessageKind::Error, MessageKind::Information}) {
            QString shown, onRequest;
            WhenModal<QMessageBox>([&](QMessageBox* box) {
                shown = box->informativeText();
                onRequest = box->detailedText();
                box->button(QMessageBox::Ok)->click();
            });
            dialogs.ShowMessage(kind, "Error", "Fileformat not valid", MessageButtons::Ok, detail);
            QCOMPARE(shown, kind == MessageKind::Error ? QString::fromStdString(detail) : QString());
            QCOMPARE(onRequest, kind == MessageKind::Error ? QString() : QString::fromStdString(detail));
        }
    }

    // Each kind of file dialog opens in the folder it was last used in, after a restart too; the
    // folders are kept in the suite's own settings, never in the user's.
    void fileDialogsRememberTheirFolders()
    {
        QTemporaryDir root;
        QVERIFY(root.isValid());
        QDir(root.path()).mkpath(QStringLiteral("queries"));
        QDir(root.path()).mkpath(QStringLiteral("libraries"));
        const QString queries = QFileInfo(root.filePath(QStringLiteral("queries"))).canonicalFilePath();
        const QString libraries = QFileInfo(root.filePath(QStringLiteral("libraries"))).canonicalFilePath();
        for (const QString& file : {queries + "/aspirin.mol", queries + "/caffeine.sdf", libraries + "/drugs.clb"}) {
            QFile touch(file);
            QVERIFY(touch.open(QIODevice::WriteOnly));
        }
        const std::string queryFilter = "Mol-Files (*.mol ; *.sd ; *.sdf)|*.mol;*.sd;*.sdf|CLB-File  (*.clb)|*.clb";
        const std::string libraryFilter = "Library-Files (*.clb)|*.clb";
        QString openedIn;
        {
            QtUserDialog dialogs;
            ChooseInFileDialog(queries + "/aspirin.mol", &openedIn);
            QCOMPARE(dialogs.ChooseFile(FileDialogKind::Open, "Open X-File", queryFilter, ""),
                     std::optional<std::string>((queries + "/aspirin.mol").toStdString()));
            // The next query dialog starts there: a name alone is enough.
            ChooseInFileDialog(QStringLiteral("caffeine.sdf"), &openedIn);
            QCOMPARE(dialogs.ChooseFile(FileDialogKind::Open, "Open X-File", queryFilter, ""),
                     std::optional<std::string>((queries + "/caffeine.sdf").toStdString()));
            QCOMPARE(openedIn, queries);
            // Another kind keeps its own folder.
            ChooseInFileDialog(libraries + "/drugs.clb", &openedIn);
            QVERIFY(dialogs.ChooseFile(FileDialogKind::Open, "Open Library", libraryFilter, ""));
            QVERIFY(openedIn != queries);
            // A cancelled dialog changes nothing.
            WhenModal<QFileDialog>([&](QFileDialog* dialog) { dialog->reject(); });
            QVERIFY(!dialogs.ChooseFile(FileDialogKind::Open, "Open X-File", queryFilter, ""));
        }
        // As after a restart: a new dialog object, the settings read again.
        QtUserDialog again;
        ChooseInFileDialog(QStringLiteral("drugs.clb"), &openedIn);
        QVERIFY(again.ChooseFile(FileDialogKind::Open, "Open Library", libraryFilter, ""));
        QCOMPARE(openedIn, libraries);
        ChooseInFileDialog(QStringLiteral("aspirin.mol"), &openedIn);
        QVERIFY(again.ChooseFile(FileDialogKind::Open, "Open X-File", queryFilter, ""));
        QCOMPARE(openedIn, queries);
        // A folder named by the caller comes first.
        ChooseInFileDialog(QStringLiteral("drugs.clb"), &openedIn);
        QVERIFY(again.ChooseFile(FileDialogKind::Open, "Open X-File", queryFilter, (libraries + "/x").toStdString()));
        QCOMPARE(openedIn, libraries);

        const std::unique_ptr<QSettings> settings = UserSettings();
        QVERIFY2(settings->fileName().startsWith(test::SettingsFolder()), qPrintable(settings->fileName()));
        QCOMPARE(settings->value(QtUserDialog::FolderKey("Open X-File", queryFilter)).toString(), libraries);
        QVERIFY(QtUserDialog::FolderKey("Save As", "CLB-File (*.clb)|*.clb") !=
                QtUserDialog::FolderKey("Save As", "Mol-File (*.mol ; *.sd ; *.sdf)|*.sdf;*.mol;*.sd"));
    }

    // "hits" typed in the export's "Save As" for many records is an SD file, "hits.sdf".
    void exportSaveAsTypedWithoutExtension()
    {
        QTemporaryDir folder;
        QVERIFY(folder.isValid());
        const QString canonical = QFileInfo(folder.path()).canonicalFilePath();
        for (const long records : {50L, 1L}) {
            QtUserDialog dialogs;
            Converter converter;
            converter.PrepareExport((canonical + "/resultSIM.clb").toStdString(), records);
            ChooseInFileDialog(canonical + "/hits", nullptr);
            converter.SaveAs(dialogs);
            QCOMPARE(QString::fromStdString(converter.ToName()),
                     canonical + (records > 1 ? "/hits.sdf" : "/hits.mol"));
        }
    }

    // Messages during a command (here the start-up's opening of a library without descriptor file)
    // stand in front of a window that already shows the library.
    void startUpMessagesStandBeforeTheNewState()
    {
        test::TempDir folder;
        const std::string library = test::NciLibrary(folder, "start", 20, false);
        QVERIFY(!library.empty());
        RelayDialog dialog; // notes what the window shows behind each message
        QtProgress progress;
        TQVXForm window(dialog, progress, folder.Path().string());
        window.resize(1000, 700);
        QVERIFY(ShowAndWait(window));
        QStringList behind;
        dialog.onMessage = [&] {
            behind << window.StatusLine().text().section(QStringLiteral("    "), 0, 0) +
                          (window.Flow().internalLibrary->isVisibleTo(&window) ? "|viewer" : "");
            if (behind.size() == 1)
                Screenshot(&window, "startup-message-behind");
        };
        dialog.scripted.answers = {MessageAnswer::Ok, MessageAnswer::No};
        QVERIFY(window.OpenLibraryFile(library));
        QCOMPARE(dialog.scripted.shown.size(), std::size_t{2});
        QCOMPARE(dialog.scripted.shown[0].text, std::string(test::kIntroNotice));
        QCOMPARE(behind, QStringList(2, "Library: start.clb (20 structures, INTRO mode)|viewer"));
    }

    void coefficientChooseAndCancel()
    {
        CoefficientDialog dialog;
        QCOMPARE(dialog.List()->count(), kCoefficientCount);
        QCOMPARE(dialog.windowTitle(), QStringLiteral("Similarity coefficient"));

        int shownAtOpen = -1;
        WhenModal<CoefficientDialog>([&](CoefficientDialog* shown) {
            shownAtOpen = shown->List()->currentIndex();
            QTest::keyClick(shown->List(), Qt::Key_Down);
            Screenshot(shown, "coefficient-dialog");
            QTest::keyClick(shown, Qt::Key_Return);
        });
        QCOMPARE(dialog.Choose(2), std::optional<int>(3));
        QCOMPARE(shownAtOpen, 2);

        WhenModal<CoefficientDialog>([](CoefficientDialog* shown) {
            shown->List()->setCurrentIndex(4);
            QTest::keyClick(shown, Qt::Key_Escape);
        });
        QCOMPARE(dialog.Choose(3), std::nullopt);

        WhenModal<CoefficientDialog>([](CoefficientDialog* shown) {
            shown->List()->setCurrentIndex(0);
            shown->close();
        });
        QCOMPARE(dialog.Choose(3), std::nullopt);
    }

    void textDialogCaseClearUndo()
    {
        TextDialog dialog;
        QStringList seen;
        QString caption;
        WhenModal<TextDialog>([&](TextDialog* shown) {
            caption = shown->windowTitle();
            QVERIFY(shown->Heading()->isVisible());
            for (QPushButton* button : {shown->SwCaseButton(), shown->SwCaseButton(), shown->ClearButton(),
                                        shown->UndoButton(), shown->SwCaseButton()}) {
                QTest::mouseClick(button, Qt::LeftButton);
                seen << shown->Field()->text();
            }
            Screenshot(shown, "text-dialog");
            QTest::keyClick(shown->Field(), Qt::Key_Return);
        });
        const auto result = dialog.Ask("", "aBc", "Name of Compound");
        QCOMPARE(caption, QStringLiteral("Enter Text"));
        QCOMPARE(seen, QStringList({"ABC", "abc", "", "aBc", "ABC"}));
        QCOMPARE(result, std::optional<std::string>("ABC"));

        // The core's own question (descriptor set names) shows the bare field; Cancel gives nothing.
        QtUserDialog dialogs;
        bool extrasShown = true;
        WhenModal<TextDialog>([&](TextDialog* shown) {
            caption = shown->windowTitle();
            extrasShown = shown->SwCaseButton()->isVisible() || shown->ClearButton()->isVisible() ||
                          shown->UndoButton()->isVisible() || shown->Heading()->isVisible();
            QTest::keyClicks(shown->Field(), QStringLiteral("aromatics"));
            QTest::keyClick(shown, Qt::Key_Escape);
        });
        QCOMPARE(dialogs.AskText("Name this new criteriaset:", ""), std::nullopt);
        QCOMPARE(caption, QStringLiteral("Name this new criteriaset:"));
        QVERIFY(!extrasShown);
    }

    // Events reach the window only through Poll, at most every ~40 ms while running; Suspend makes
    // Poll answer Suspend until "Proceed", Abort ends the loop.
    void progressWindowSuspendProceedAbort()
    {
        QtProgress progress;
        std::vector<std::pair<ProgressKind, bool>> phases;
        progress.onPhase = [&](ProgressKind kind, bool started) { phases.emplace_back(kind, started); };
        const std::string caption = "Calculates new library-descriptors";
        progress.Start(ProgressKind::DescriptorFile, caption, 100000);
        ProgressWindow& window = progress.Window();
        QVERIFY(window.isVisible());
        QVERIFY(!progress.Wait().isVisible());
        QCOMPARE(window.windowModality(), Qt::ApplicationModal);
        QCOMPARE(window.windowTitle(), QString::fromStdString(caption));
        QCOMPARE(window.DoneLabel()->text(), QStringLiteral("Calculated structures:"));
        QCOMPARE(window.TotalLabel()->text(), QStringLiteral("Total structures        :"));

        int passes = 0; // one per event-processing pass
        QTimer pass;
        pass.setInterval(0);
        connect(&pass, &QTimer::timeout, [&] { ++passes; });
        pass.start();

        QString suspendText, proceedText;
        QTimer::singleShot(150, [&] { QTest::mouseClick(window.SuspendButton(), Qt::LeftButton); });
        QTimer::singleShot(350, [&] {
            proceedText = window.SuspendButton()->text();
            Screenshot(&window, "progress-window");
            QTest::mouseClick(window.SuspendButton(), Qt::LeftButton);
            suspendText = window.SuspendButton()->text();
        });
        QTimer::singleShot(550, [&] { QTest::mouseClick(window.AbortButton(), Qt::LeftButton); });

        long done = 0, polls = 0, suspendedPolls = 0, doneAtSuspend = -1, doneAtProceed = -1;
        int passesBeforeSuspend = 0;
        QElapsedTimer clock;
        clock.start();
        qint64 runningMs = 0;
        ProgressRequest request;
        while ((request = progress.Poll()) != ProgressRequest::Abort && clock.elapsed() < 10000) {
            ++polls;
            if (request == ProgressRequest::Suspend) {
                if (doneAtSuspend < 0) {
                    doneAtSuspend = done;
                    passesBeforeSuspend = passes;
                    runningMs = clock.elapsed();
                }
                ++suspendedPolls;
                continue;
            }
            if (doneAtSuspend >= 0 && doneAtProceed < 0)
                doneAtProceed = done;
            progress.Step(++done);
            QThread::usleep(20);
        }
        QCOMPARE(request, ProgressRequest::Abort);
        QCOMPARE(proceedText, QStringLiteral("Proceed"));
        QCOMPARE(suspendText, QStringLiteral("Suspend"));
        QVERIFY(suspendedPolls > 0);
        QCOMPARE(doneAtProceed, doneAtSuspend); // no work while suspended
        QVERIFY(done > doneAtProceed);
        // Before the suspension: thousands of polls, a handful of event passes.
        QVERIFY2(passesBeforeSuspend >= 1, "events must be processed while the loop runs");
        QVERIFY2(passesBeforeSuspend <= runningMs / QtProgress::kEventIntervalMs + 3,
                 qPrintable(QStringLiteral("%1 passes in %2 ms").arg(passesBeforeSuspend).arg(runningMs)));
        QVERIFY(doneAtSuspend > 10 * passesBeforeSuspend);
        QVERIFY(window.Gauge()->value() > 0);
        QVERIFY(progress.Busy());

        progress.Finish();
        QVERIFY(!window.isVisible());
        QVERIFY(!progress.Busy());
        QVERIFY(phases == (std::vector<std::pair<ProgressKind, bool>>{{ProgressKind::DescriptorFile, true},
                                                                      {ProgressKind::DescriptorFile, false}}));
    }

    // The texts and the Suspend button follow the loop's kind; the caption is only the title.
    void progressWindowTextsByKind_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QString>("doneLabel");
        QTest::addColumn<bool>("suspendable");
        const auto row = [](const char* name, ProgressKind kind) -> QTestData& {
            return QTest::newRow(name) << static_cast<int>(kind);
        };
        row("conversion", ProgressKind::Conversion) << "Conversion" << "Converted structures:" << true;
        row("descriptor file", ProgressKind::DescriptorFile) << "Calculates new library-descriptors"
                                                             << "Calculated structures:" << true;
        row("intro parameters", ProgressKind::Parameters) << "Calculates mean and standard deviation"
                                                          << "Calculated structures:" << false;
        row("statistics", ProgressKind::Statistics) << "Count Structures" << "Calculated structures:" << false;
        row("caption of another kind", ProgressKind::Parameters) << "Conversion" << "Calculated structures:" << false;
    }

    void progressWindowTextsByKind()
    {
        QFETCH(int, kind);
        QFETCH(QString, caption);
        QFETCH(QString, doneLabel);
        QFETCH(bool, suspendable);
        QtProgress progress;
        progress.Start(static_cast<ProgressKind>(kind), caption.toStdString(), 0);
        ProgressWindow& window = progress.Window();
        QVERIFY(window.isVisible());
        QCOMPARE(window.windowTitle(), caption);
        QCOMPARE(window.DoneLabel()->text(), doneLabel);
        QCOMPARE(window.Gauge()->maximum(), 1); // a range 0..0 would show a busy animation
        QCOMPARE(window.SuspendButton()->isEnabled(), suspendable);
        // The window cannot be closed away; closing asks the loop to stop.
        QTest::keyClick(&window, Qt::Key_Escape);
        QVERIFY(window.isVisible());
        QCOMPARE(progress.Poll(), ProgressRequest::Abort);
        progress.Finish();
        QVERIFY(!window.isVisible());
    }

    // The search's comparison, ranking and result library follow without a Finish in between: one
    // window, relabelled, closed once. Only the comparison can be stopped.
    void waitWindowRelabels()
    {
        QtProgress progress;
        std::vector<std::pair<ProgressKind, bool>> phases;
        progress.onPhase = [&](ProgressKind kind, bool started) { phases.emplace_back(kind, started); };
        progress.Start(ProgressKind::Comparison, "Compare Structures:", 250);
        WaitWindow& wait = progress.Wait();
        QVERIFY(wait.isVisible());
        QCOMPARE(wait.windowTitle(), QStringLiteral("Please Wait"));
        QCOMPARE(wait.Label()->text(), QStringLiteral("Compare Structures:"));
        QVERIFY(wait.AbortButton()->isVisible());
        QVERIFY(wait.Count()->text().isEmpty());
        progress.Step(100);
        QTest::qWait(QtProgress::kEventIntervalMs + 10);
        progress.Step(200);
        QCOMPARE(progress.Poll(), ProgressRequest::Continue);
        QCOMPARE(wait.Count()->text(), QStringLiteral("200"));
        QVERIFY(wait.Count()->alignment() & Qt::AlignRight);
        Screenshot(&wait, "wait-window");
        QTest::mouseClick(wait.AbortButton(), Qt::LeftButton);
        QTest::qWait(QtProgress::kEventIntervalMs + 10);
        QCOMPARE(progress.Poll(), ProgressRequest::Abort);

        progress.Start(ProgressKind::Ranking, "Search of the best:", 0);
        QVERIFY(wait.isVisible());
        QCOMPARE(wait.Label()->text(), QStringLiteral("Search of the best:"));
        QVERIFY(wait.Count()->text().isEmpty());
        QVERIFY(!wait.AbortButton()->isVisible());
        progress.Start(ProgressKind::ResultLibrary, "Please wait ...", 0);
        QCOMPARE(wait.Label()->text(), QStringLiteral("Please wait ..."));
        QVERIFY(!progress.Window().isVisible());
        QVERIFY(!wait.AbortButton()->isVisible());
        QTest::keyClick(&wait, Qt::Key_Escape); // nothing to stop: the window stays
        QTest::qWait(QtProgress::kEventIntervalMs + 10);
        QCOMPARE(progress.Poll(), ProgressRequest::Continue);
        QVERIFY(wait.isVisible() && progress.Busy());
        progress.Finish();
        QVERIFY(!wait.isVisible());
        QVERIFY(!progress.Busy());
        const std::vector<std::pair<ProgressKind, bool>> expected = {{ProgressKind::Comparison, true},
                                                                     {ProgressKind::Ranking, true},
                                                                     {ProgressKind::ResultLibrary, true},
                                                                     {ProgressKind::ResultLibrary, false}};
        QVERIFY(phases == expected);

        // The import count cannot be interrupted, so its window offers no Abort; a new loop starts clean.
        progress.Start(ProgressKind::ImportCount, "Count Structures :", 0);
        QCOMPARE(wait.Label()->text(), QStringLiteral("Count Structures :"));
        QVERIFY(!wait.AbortButton()->isVisible());
        QCOMPARE(progress.Poll(), ProgressRequest::Continue);
        progress.RequestAbort();
        QCOMPARE(progress.Poll(), ProgressRequest::Abort);
        progress.Finish();
    }

    void statusWindowShowsTheState()
    {
        QTemporaryDir folder;
        test::ScriptedDialog messages;
        NullProgress progress;
        Workbench workbench(messages, progress, folder.path().toStdString());
        // A library whose parameters let every descriptor discriminate, so some can be chosen.
        const QString library = folder.filePath(QStringLiteral("drugs.clb"));
        QFile parameters(folder.filePath(QStringLiteral("drugs.idp")));
        QVERIFY(parameters.open(QIODevice::WriteOnly));
        for (int i = 0; i < 153; ++i)
            parameters.write(" 2.50000000000000E+0000 1.25000000000000E+0000\r\n");
        parameters.close();
        SearchState& state = WorkbenchTestAccess::State(workbench);
        state.LibraryFileName = library.toStdString();
        state.LibraryOpen = true;
        state.QueryFileName = folder.filePath(QStringLiteral("query.mol")).toStdString();
        state.QueryLoaded = true;
        state.Query.FStrucName = "M\x9aLLER-ACID"; // code page 437 upper-case U umlaut
        state.BestCount = 25;
        workbench.SetCoefficient(3);
        SelectionContext context = workbench.Context();
        for (int position : {0, 1, 5})
            workbench.Selection().ClickDescriptor(position, context, messages);
        const std::vector<std::string> chosen = workbench.Selection().ChosenNames();
        QCOMPARE(chosen.size(), std::size_t{3});

        StatusWindow status(workbench);
        WhenModal<StatusWindow>([&](StatusWindow* shown) {
            Screenshot(shown, "status-window");
            QTest::keyClick(shown, Qt::Key_Escape);
        });
        status.Run();
        QCOMPARE(status.windowTitle(), QStringLiteral("Status"));
        QCOMPARE(status.Library()->toolTip(), library);
        QCOMPARE(status.QueryName()->text(), QStringLiteral("MÜLLER-ACID"));
        QCOMPARE(status.BestCount()->text(), QStringLiteral("25"));
        QCOMPARE(status.Coefficient()->text(), QStringLiteral("Tanimoto coefficient"));
        QCOMPARE(status.Mode()->text(), QStringLiteral("normal"));
        QCOMPARE(status.Descriptors()->count(), 3);
        QCOMPARE(status.Descriptors()->item(2)->text(), QString::fromStdString(chosen[2]));

        state.Mode = DescriptorMode::Intro;
        status.Refresh();
        QCOMPARE(status.Mode()->text(), QStringLiteral("introduction mode"));
    }

    void aboutBoxFlashesAndCloses()
    {
        AboutBox about;
        QVERIFY(!about.Flashing());
        WhenModal<AboutBox>([&](AboutBox* shown) {
            QCOMPARE(shown->focusWidget(), shown->FlashButton());
            Screenshot(shown, "about-box");
            QTest::keyClick(shown->FlashButton(), Qt::Key_Space);
            QVERIFY(shown->Flashing());
            QTimer::singleShot(300, shown, [shown] { QTest::keyClick(shown, Qt::Key_Return); });
        });
        about.exec();
        QVERIFY(!about.Flashing());
        QCOMPARE(about.windowTitle(), QStringLiteral("About"));
    }

    void sharedPrinterIsPinned()
    {
        SharedPrinter shared;
        QPrinter& printer = shared.Printer();
        QCOMPARE(printer.resolution(), SharedPrinter::kResolution);
        QCOMPARE(printer.pageLayout().pageSize().id(), QPageSize::A4);
        if (!SharedPrinter::HasPrinters()) {
            QCOMPARE(printer.outputFormat(), QPrinter::PdfFormat);
            QVERIFY(printer.outputFileName().endsWith(QStringLiteral(".pdf")));
        }
        printer.setResolution(1200); // as a driver or dialog might
        QCOMPARE(shared.Printer().resolution(), SharedPrinter::kResolution);
    }

    // Wherever it was, the help window opens whole on its screen, bottom edge and all, and over
    // the workbench at its first opening.
    void helpWindowOpensOnScreen()
    {
        QWidget workbench;
        const QRect room = workbench.screen()->availableGeometry();
        workbench.setGeometry(room.adjusted(room.width() / 4, room.height() / 3, 0, 0));
        workbench.show();
        HelpWindow help(&workbench);
        help.setWindowFlag(Qt::Window);
        help.resize(640, std::max(560, room.height() - 20));
        help.ShowTopic(2);
        QVERIFY(QTest::qWaitForWindowExposed(&help));
        QVERIFY2(room.contains(help.frameGeometry()), qPrintable(QStringLiteral("%1,%2 %3x%4")
                                                                      .arg(help.frameGeometry().x())
                                                                      .arg(help.frameGeometry().y())
                                                                      .arg(help.frameGeometry().width())
                                                                      .arg(help.frameGeometry().height())));
        QVERIFY(help.frameGeometry().intersects(workbench.frameGeometry()));
        help.close();
        // Put low down (as a window manager or an earlier session might have): moved up.
        help.move(room.left() + 40, room.bottom() - 200);
        help.ShowTopic(1);
        QVERIFY(QTest::qWaitForWindowExposed(&help));
        QVERIFY(room.contains(help.frameGeometry()));
        QCOMPARE(help.frameGeometry().left(), room.left() + 40);
    }

    void helpTopicsAndLinks()
    {
        HelpWindow help;
        const QList<std::pair<int, QString>> topics = {{1, "contents.html"}, {2, "searching.html"}, {3, "features.html"}};
        for (const auto& [context, page] : topics) {
            help.ShowTopic(context);
            QVERIFY(help.isVisible());
            QVERIFY(help.Browser()->source().toString().endsWith(page));
            QVERIFY2(help.Browser()->toPlainText().size() > 400, qPrintable(page));
            QVERIFY(!help.Browser()->documentTitle().isEmpty());
            if (context != 3)
                Screenshot(&help, context == 1 ? "help-contents" : "help-window");
        }
    }

    // Every window the workbench makes says in its title what it is for: none is titled with a
    // class name such as "DrawpenForm" or "Editform".
    void windowTitlesAreNotClassNames()
    {
        test::TempDir dir;
        test::MainWindow main(dir.Path().string());
        QVERIFY(main.Show());
        const QRegularExpression className(QStringLiteral("^T?[A-Z][A-Za-z]*([Ff]orm|Dlg|Bx)$"));
        QStringList titles;
        for (QWidget* widget : main.window.findChildren<QWidget*>()) {
            if (!widget->isWindow() || qobject_cast<QMenu*>(widget))
                continue;
            const QString title = widget->windowTitle();
            const QString name = QString::fromLatin1(widget->metaObject()->className()).section(QStringLiteral("::"), -1);
            QVERIFY2(!className.match(title).hasMatch() && title != name, qPrintable(name + ": " + title));
            titles << title;
        }
        for (const char* expected : {"Structure Editor", "Enter Text", "Periodical System of Elements"})
            QVERIFY2(titles.contains(QString::fromLatin1(expected)), expected);
    }
};

VELMORA_GUI_SUITE("windows_test", WindowsTest);
#include "windows_test.moc"
