// The workbench window driven end to end through its real widgets: open a library, switch modes,
// load a query, choose the search parameters, search, look at the results, reset. Messages and file
// choices are answered by a scripted dialog; the loops run with the real progress windows.
#include "base/progress.h"
#include "dialogs.h"
#include "convertform.h"
#include "flowpage.h"
#include "io/liblock.h"
#include "progresswindows.h"
#include "critdlg.h"
#include "qtprinttarget.h"
#include "gui_support.h"
#include "search/coefficients.h"
#include "srchdiag.h"

#include <QComboBox>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPainter>
#include <QPushButton>
#include <QStackedWidget>
#include <QTimer>
#include <QtTest>

#include <filesystem>
#include <functional>
#include <future>
#include <thread>

using namespace velmora;
using namespace velmora::gui;
using namespace velmora::test;

namespace {

const char* const kBuildQuestion = "Do you really want to calculate all\rdescriptor-values now ???? \rIt could take a long time";

// A printer choice that counts the requests and refuses each (nothing is printed).
class AskedPrinters final : public PrinterProvider {
public:
    QPrinter* ChoosePrinter(QWidget*) override
    {
        ++asked;
        return nullptr;
    }
    int asked = 0;
};

std::string LastText(const test::ScriptedDialog& dialog)
{
    return dialog.shown.empty() ? std::string() : dialog.shown.back().text;
}

// Holds a library's lock on a thread of its own as another program would (a lock of this thread
// would nest with the window's).
class OtherProgram {
public:
    OtherProgram(const std::string& library, LibraryWork work)
        : m_thread([this, library, work] {
              const LibraryLock lock(library, work);
              m_holding.set_value();
              m_release.get_future().wait();
          })
    {
        m_holding.get_future().wait();
    }
    ~OtherProgram()
    {
        m_release.set_value();
        m_thread.join();
    }

private:
    std::promise<void> m_holding, m_release;
    std::thread m_thread;
};

} // namespace

class WorkbenchWindowTest : public QObject {
    Q_OBJECT

private:
    test::TempDir m_dir;
    std::string m_library;
    std::string m_longQuery;

    // A 300-structure library made by the core, without a descriptor file.
    void MakeFixtures()
    {
        m_library = test::NciLibrary(m_dir, "fixture", 300, false);
        QVERIFY(!m_library.empty());
        // The bundled query under a name too long for its label.
        std::string query = test::ReadBytes(test::DataFile("query.mol"));
        query = "3-(4'-Aminobiphenyl-4-yl)-2-methylquinazolin-4(3H)-one" + query.substr(query.find('\n'));
        m_longQuery = m_dir.File("long name.mol");
        test::WriteBytes(m_longQuery, query);
    }

    // The window and its colours at every phase of the loops.
    struct Phase {
        ProgressKind kind;
        bool started;
        QString waitLabel;
        QColor calculators, best;
    };

private slots:
    void initTestCase()
    {
        test::SetUpLook();
        MakeFixtures();
    }

    void searchFromStartToReset()
    {
        test::MainWindow main(m_dir.Path().string());
        auto& [dialog, progress, window] = main;
        QVERIFY(main.Show({1180, 760}));
        FlowPage& flow = window.Flow();
        AskedPrinters printers;
        window.SetPrinterProvider(printers);
        std::vector<Phase> phases;
        std::function<void(ProgressKind, bool)> duringPhase;
        const auto windowPhase = progress.onPhase;
        progress.onPhase = [&](ProgressKind kind, bool started) {
            windowPhase(kind, started);
            phases.push_back({kind, started, progress.Wait().Label()->text(), flow.libraryCalculator->Fill(),
                              flow.bestMatching->Fill()});
            if (duringPhase)
                duringPhase(kind, started);
        };
        Screenshot(&window, "workbench-start");
        QVERIFY(flow.calculatePanel->isHidden());
        QVERIFY(!Action(&window, "S&ave  molecule")->isEnabled());

        // A library without descriptor file: INTRO mode, and no parameters wanted now.
        dialog.files.push_back(m_library);
        dialog.answers = {MessageAnswer::Ok, MessageAnswer::No};
        Action(&window, "&New    Library")->trigger();
        QCOMPARE(dialog.shown.size(), std::size_t{2});
        QVERIFY(test::ExpectMessage(dialog.shown[0], MessageKind::Information, kIntroNotice, MessageButtons::Ok));
        QVERIFY(test::ExpectMessage(dialog.shown[1], MessageKind::Confirmation, kNoParameters, MessageButtons::OkNo));
        QVERIFY(Action(&window, "In&tro")->isChecked() && !Action(&window, "N&ormal")->isChecked());
        QVERIFY(flow.internalLibrary->isVisibleTo(&window) && flow.calculatePanel->isHidden());
        QVERIFY(window.StatusLine().text().contains("fixture.clb (300 structures, INTRO mode)"));
        Screenshot(&window, "workbench-library-open");

        // INTRO mode without parameters: the descriptor dialog does not open (it would be closed here).
        bool descriptorDialogOpened = false;
        QTimer::singleShot(0, [&] {
            if (auto* opened = qobject_cast<TSimCritDlg*>(QApplication::activeModalWidget())) {
                descriptorDialogOpened = true;
                opened->reject();
            }
        });
        Action(&window, "Structural descriptors")->trigger();
        QCoreApplication::processEvents();
        QCOMPARE(LastText(dialog), std::string(kIntroGate));
        QVERIFY(!descriptorDialogOpened);

        // NORMAL mode builds the descriptor file; the first build is aborted in its progress window.
        bool aborted = false;
        duringPhase = [&](ProgressKind kind, bool started) {
            if (started && kind == ProgressKind::DescriptorFile && !aborted) {
                aborted = true;
                QVERIFY(progress.Window().isVisible());
                QTimer::singleShot(0, progress.Window().AbortButton(), &QPushButton::click);
            }
        };
        dialog.shown.clear();
        Action(&window, "N&ormal")->trigger();
        QVERIFY(aborted);
        QVERIFY(test::ExpectMessage(dialog.shown.at(0), MessageKind::Information, kBuildQuestion, MessageButtons::OkCancel));
        QVERIFY(!std::filesystem::exists(CompanionFileName(m_library, "pre")));
        // The check marks say what the workbench decided.
        const bool intro = window.Bench().State().Mode == DescriptorMode::Intro;
        QCOMPARE(Action(&window, "In&tro")->isChecked(), intro);
        QCOMPARE(Action(&window, "N&ormal")->isChecked(), !intro);
        QVERIFY(!progress.Busy() && !progress.Window().isVisible());
        duringPhase = [&](ProgressKind kind, bool started) {
            if (!started || kind != ProgressKind::DescriptorFile)
                return;
            // Suspended for a moment: the picture shows "Proceed"; then the build goes on.
            QTimer::singleShot(0, progress.Window().SuspendButton(), &QPushButton::click);
            QTimer::singleShot(30, [&] {
                Screenshot(&progress.Window(), "progress-window-descriptor-file");
                progress.Window().SuspendButton()->click();
            });
        };
        Action(&window, "N&ormal")->trigger();
        QVERIFY(std::filesystem::exists(CompanionFileName(m_library, "pre")));
        QVERIFY(Action(&window, "N&ormal")->isChecked() && !Action(&window, "In&tro")->isChecked());
        QVERIFY(Action(&window, "Structural descriptors")->isEnabled());

        // The query, its name fitted to the label.
        dialog.files.push_back(m_longQuery);
        QTest::mouseClick(flow.loadMolecule, Qt::LeftButton);
        QVERIFY(flow.queryName->text().endsWith("=>"));
        QVERIFY(QString("3-(4'-Aminobiphenyl-4-yl)-2-methylquinazolin").startsWith(flow.queryName->text().chopped(2)));
        QVERIFY(Action(&window, "S&ave  molecule")->isEnabled() && flow.saveMolecule->isEnabled());
        // A file that cannot be written: one message naming it, and the window goes on.
        dialog.shown.clear();
        dialog.files.push_back(m_dir.File("no such folder/query.mol"));
        QTest::mouseClick(flow.saveMolecule, Qt::LeftButton);
        QCOMPARE(dialog.shown.size(), std::size_t{1});
        QCOMPARE(dialog.shown[0].kind, MessageKind::Error);
        QVERIFY(test::Contains(dialog.shown[0].text, "no such folder"));
        QVERIFY(!progress.Busy());
        QVERIFY(flow.calculatePanel->isHidden());

        // The descriptors, then the coefficient from the flow box and again from the menu.
        main.Choose({"Bonds: single", "Atoms of O", "Hetero atoms", "Number of rings", "RandicIx"});
        QVERIFY(!flow.calculatePanel->isHidden() && Action(&window, "Calculate")->isEnabled());
        QCOMPARE(flow.descriptors->Fill(), kWorkingColor);
        const auto chooseCoefficient = [](const char* name) {
            WhenModal<CoefficientDialog>([name](CoefficientDialog* d) {
                d->List()->setCurrentText(name);
                d->accept();
            });
        };
        chooseCoefficient("Correlation coefficient");
        QTest::mouseClick(flow.coefficient, Qt::LeftButton);
        QCOMPARE(window.ValueCaption().text(), QString("  Correlation coeff:"));
        chooseCoefficient("Tanimoto coefficient");
        Action(&window, "Similarity coefficient")->trigger();
        QCOMPARE(window.ValueCaption().text(), QString::fromStdString(CoefficientLabel(kTanimoto)));
        WhenModal<BestCountDialog>([](BestCountDialog* d) {
            d->Field()->setText("30");
            d->accept();
        });
        QTest::mouseClick(flow.bestCount, Qt::LeftButton);
        QCOMPARE(window.Bench().State().BestCount, 30);

        // The search: wait-window labels in order, the flow boxes lime while working.
        phases.clear();
        duringPhase = [&](ProgressKind kind, bool started) {
            if (kind != ProgressKind::Comparison || !started)
                return;
            QImage picture = window.grab().toImage();
            QPainter painter(&picture);
            const QImage wait = progress.Wait().grab().toImage();
            painter.drawImage((picture.width() - wait.width()) / 2, (picture.height() - wait.height()) / 2, wait);
            painter.end();
            Screenshot(picture, "workbench-searching");
        };
        CloseDiagramWhenShown();
        QTest::mouseClick(flow.calculate, Qt::LeftButton);
        duringPhase = nullptr;
        QVERIFY(window.Bench().HasResults());
        QStringList labels;
        std::vector<ProgressKind> kinds;
        for (const Phase& p : phases)
            if (p.started) {
                labels << p.waitLabel;
                kinds.push_back(p.kind);
            }
        QCOMPARE(labels, QStringList({"Compare Structures:", "Search of the best:", "Please wait ..."}));
        QVERIFY(kinds == std::vector<ProgressKind>({ProgressKind::Comparison, ProgressKind::Ranking,
                                                    ProgressKind::ResultLibrary}));
        QCOMPARE(phases.front().calculators, kWorkingColor);
        QCOMPARE(phases[1].calculators, kRestColor); // the comparison finished
        QCOMPARE(phases.back().best, kWorkingColor);
        for (FlowBox* box : {flow.libraryCalculator, flow.queryCalculator, flow.comparison, flow.bestMatching})
            QCOMPARE(box->Fill(), kRestColor);
        QVERIFY(!progress.Wait().isVisible());
        for (const char* item : {"View similarity table", "Molecules overview", "View molecule detailed", "Print"})
            QVERIFY2(Action(&window, item)->isEnabled(), item);
        QVERIFY(flow.similarityTable->isVisibleTo(&window) && flow.internalStructure->isVisibleTo(&window));
        Screenshot(&window, "workbench-after-search");
        // Print asks for the report style, then for the printer (refused here: nothing printed).
        bool styleAsked = false;
        WhenModal<QMessageBox>([&](QMessageBox* box) {
            styleAsked = box->windowTitle() == "Reportstyle";
            box->reject();
        });
        Action(&window, "Print")->trigger();
        QVERIFY(styleAsked);
        QCOMPARE(printers.asked, 1);

        // The report pages and back.
        Action(&window, "View similarity table")->trigger();
        QCOMPARE(window.Stack().currentIndex(), 1);
        QVERIFY(Action(&window, "Graphic")->isVisible() && !Action(&window, "Detailed")->isVisible());
        Action(&window, " Back  ")->trigger();
        QCOMPARE(window.Stack().currentIndex(), 0);

        // A new query: the old results no longer apply.
        Action(&window, "View similarity table")->trigger();
        dialog.files.push_back(test::DataFile("query.mol"));
        Action(&window, "&Load  molecule")->trigger();
        for (const char* item : {"View similarity table", "Molecules overview", "View molecule detailed", "Print"})
            QVERIFY2(!Action(&window, item)->isEnabled(), item);
        QVERIFY(flow.similarityTable->isHidden() && !flow.calculatePanel->isHidden());
        QCOMPARE(window.Stack().currentIndex(), 0);

        // Reset all: the start state.
        CloseDiagramWhenShown();
        QTest::mouseClick(flow.calculate, Qt::LeftButton);
        QVERIFY(window.Bench().HasResults());
        Action(&window, "Reset All")->trigger();
        QVERIFY(!window.Bench().State().LibraryOpen && !window.Bench().HasResults());
        QVERIFY(flow.calculatePanel->isHidden() && flow.internalLibrary->isHidden() && flow.similarityTable->isHidden());
        QCOMPARE(flow.descriptors->Fill(), kRestColor);
        QCOMPARE(flow.queryName->text(), QString(" "));
        QCOMPARE(window.ValueCaption().text(), QString("  Euclidean dist   :"));
        QVERIFY(Action(&window, "N&ormal")->isChecked() && !Action(&window, "In&tro")->isChecked());
        for (const char* item : {"S&ave  molecule", "Structural descriptors", "Calculate", "Print", "Calc&ulate library parameters"})
            QVERIFY2(!Action(&window, item)->isEnabled(), item);
        QVERIFY(window.StatusLine().text().startsWith("No library open"));
    }

    // A query file that is not there is no question of format: the box says so, the query stays.
    void missingQueryFileKeepsTheQuery()
    {
        test::MainWindow main(m_dir.Path().string());
        auto& [dialog, progress, window] = main;
        QVERIFY(main.Show());
        QVERIFY(window.LoadQueryFile(test::DataFile("query.mol")));
        const std::string missing = m_dir.File("missing.mol");
        dialog.shown.clear();
        QVERIFY(!window.LoadQueryFile(missing));
        QCOMPARE(dialog.shown.size(), std::size_t{1});
        QVERIFY(test::ExpectMessage(dialog.shown[0], MessageKind::Error, missing + ": no such file", MessageButtons::Ok));
        QCOMPARE(window.Bench().State().QueryFileName, test::DataFile("query.mol"));
        QCOMPARE(window.Bench().State().Query.FStrucName, std::string("2783"));
    }

    // Closing the window while a search runs stops the search first and closes afterwards; no
    // command runs inside the loop.
    void closingDuringASearchWaitsForTheLoop()
    {
        test::MainWindow main(m_dir.Path().string());
        auto& [dialog, progress, window] = main;
        QVERIFY(main.Show());
        if (!std::filesystem::exists(CompanionFileName(m_library, "pre")))
            QVERIFY(test::BuildDescriptorFiles(m_library));
        QVERIFY(window.OpenLibraryFile(m_library));
        QVERIFY(window.LoadQueryFile(test::DataFile("query.mol")));
        main.Choose({"Bonds: single"});

        bool closeRefused = false, resetRefused = false;
        const auto windowPhase = progress.onPhase;
        progress.onPhase = [&](ProgressKind kind, bool started) {
            windowPhase(kind, started);
            if (kind == ProgressKind::Comparison && started)
                QTimer::singleShot(0, [&] {
                    // Inside the loop's event processing, as a click on the window's close box.
                    closeRefused = !window.close() && window.isVisible();
                    Action(&window, "Reset All")->trigger();
                    resetRefused = window.Bench().State().LibraryOpen;
                });
        };
        Action(&window, "Calculate")->trigger();
        QVERIFY(closeRefused && resetRefused);
        QVERIFY(!progress.Busy());
        QVERIFY(!window.isVisible()); // closed once the loop had ended
        QVERIFY(!window.Bench().HasResults()); // the search stopped early
        QVERIFY(window.Bench().State().LibraryOpen && window.Bench().State().QueryLoaded);
    }

    // While another program writes the library, opening and searching it are refused with a
    // message naming the library and the work; the window stays usable and works once it is free.
    void aLibraryInUseIsRefusedAndTheWindowStaysUsable()
    {
        test::MainWindow main(m_dir.Path().string());
        auto& [dialog, progress, window] = main;
        QVERIFY(main.Show());
        if (!std::filesystem::exists(CompanionFileName(m_library, "pre")))
            QVERIFY(test::BuildDescriptorFiles(m_library));
        const std::string inUse = m_library + ": in use by another program (import): nothing was changed; "
                                              "try again when it has finished";
        {
            const OtherProgram other(m_library, LibraryWork::Import);
            QVERIFY(!window.OpenLibraryFile(m_library));
            QCOMPARE(LastText(dialog), inUse);
            QCOMPARE(dialog.shown.back().kind, MessageKind::Error);
            QVERIFY(!window.Bench().State().LibraryOpen);
        }
        QVERIFY(window.OpenLibraryFile(m_library));
        QVERIFY(window.LoadQueryFile(test::DataFile("query.mol")));
        main.Choose({"Bonds: single"});
        {
            const OtherProgram other(m_library, LibraryWork::Import);
            dialog.shown.clear();
            Action(&window, "Calculate")->trigger();
            QCOMPARE(LastText(dialog), inUse);
            QVERIFY(!window.Bench().HasResults() && !progress.Busy());
        }
        CloseDiagramWhenShown();
        Action(&window, "Calculate")->trigger();
        QVERIFY(window.Bench().HasResults());
        const QString usual = QString::fromStdString(std::filesystem::path(ResultLibraryName(m_library)).filename().string());
        QVERIFY2(window.StatusLine().text().endsWith("Best matches: " + usual), qPrintable(window.StatusLine().text()));

        // A library of the user's under that name stays; the window names the one the search used.
        std::filesystem::remove(ResultLibraryName(m_library) + "-state");
        dialog.shown.clear();
        CloseDiagramWhenShown();
        Action(&window, "Calculate")->trigger();
        QVERIFY(window.Bench().HasResults());
        const std::string used = window.Bench().State().SimilarLibraryFileName;
        QCOMPARE(QString::fromStdString(used), QString::fromStdString(ResultLibraryName(m_library)).replace("SIM.clb", "SIM2.clb"));
        QVERIFY(!dialog.shown.empty() && dialog.shown.front().kind == MessageKind::Warning);
        const QString name = QString::fromStdString(std::filesystem::path(used).filename().string());
        QVERIFY2(window.StatusLine().text().endsWith("Best matches: " + name), qPrintable(window.StatusLine().text()));
        QVERIFY(window.Flow().similarityTable->toolTip().contains(name));
        Screenshot(&window, "workbench-result-library-name");
    }

    // The converter window importing into a library another program writes: the same message,
    // nothing changed, and the window converts once the library is free.
    void theConverterRefusesALibraryInUse()
    {
        test::MainWindow main(m_dir.Path().string());
        auto& [dialog, progress, window] = main;
        QVERIFY(main.Show());
        const std::string target = test::NciLibrary(m_dir, "shared", 3, false);
        QVERIFY(!target.empty());
        const std::string before = test::ReadBytes(target);
        const std::string sd = m_dir.File("ten.sdf");
        test::WriteBytes(sd, test::NciRecords(20, 10));
        dialog.files = {sd, target};
        dialog.answers = {MessageAnswer::Append}; // "File already exists"
        std::string refusal, done;
        bool unchanged = false;
        WhenModal<TConvertForm>([&](TConvertForm* form) {
            form->SaveAsButton()->click();
            {
                const OtherProgram other(target, LibraryWork::Build);
                form->ConvertButton()->click();
            }
            refusal = LastText(dialog);
            unchanged = test::ReadBytes(target) == before;
            dialog.files.push_back(target);
            dialog.answers.push_back(MessageAnswer::Append);
            form->SaveAsButton()->click();
            form->ConvertButton()->click();
            done = LastText(dialog);
            form->ExitButton()->click();
        });
        Action(&window, "&Import Library")->trigger();
        QCOMPARE(refusal, target + ": in use by another program (build): nothing was changed; try again when it has "
                                   "finished");
        QVERIFY(unchanged);
        QCOMPARE(done, std::string("Conversion successful"));
        QCOMPARE(CountLibraryRecords(target), 13L);
    }
};

VELMORA_GUI_SUITE("workbench_window_test", WorkbenchWindowTest);
#include "workbench_window_test.moc"
