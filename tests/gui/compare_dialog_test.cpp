// The "Compare libraries" dialog driven from the main window's File menu: the rules that enable OK,
// names refused before any work, a compare whose files equal those the core writes for the same
// choices, and Suspend and Abort in its progress window leaving every file as it was.
// With VELMORA_TEST_OUTPUT set, pictures of the dialog and its progress window are written there.
// The core's headers come before Qt's: its chunk pipeline has a variable named like a Qt keyword.
#include "search/crosscompare.h"

#include "base/progress.h"
#include "comparedialog.h"
#include "gui_support.h"
#include "io/convert.h"
#include "io/libfiles.h"
#include "io/molfile.h"
#include "io/structlib.h"
#include "progresswindows.h"
#include "search/coefficients.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QtTest>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <set>

using namespace velmora;
using namespace velmora::gui;
using namespace velmora::test;

namespace {

const std::vector<std::string> kDescriptors = {"Bonds: single", "Atoms of O", "Hetero atoms", "Number of rings", "RandicIx"};

// The names of the folder's files but the lock files (made at a library's first lock and kept).
std::set<std::string> FolderFiles(const std::filesystem::path& folder)
{
    std::set<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        if (entry.path().extension() != ".lock")
            names.insert(entry.path().filename().string());
    return names;
}

// Opens the dialog from the menu and runs check on it while it is shown.
void WithDialog(MainWindow& main, std::function<void(CompareLibrariesDialog*)> check)
{
    WhenModal<CompareLibrariesDialog>(std::move(check));
    Action(&main.window, "Compare libraries ...")->trigger();
}

} // namespace

class CompareDialogTest : public QObject {
    Q_OBJECT

private:
    TempDir m_dir;
    std::string m_searched; // B: 300 structures with descriptor files
    std::string m_queries;  // A: 40 other structures

    // The window with B open, the descriptors chosen and the Tanimoto coefficient set.
    void PrepareWindow(MainWindow& main)
    {
        QVERIFY(main.Show());
        main.dialog.files.push_back(m_searched);
        Action(&main.window, "&New    Library")->trigger();
        QVERIFY(main.Bench().State().LibraryOpen);
        main.Choose(kDescriptors);
        main.Bench().SetCoefficient(kTanimoto);
        main.window.Refresh();
    }

private slots:
    void initTestCase()
    {
        SetUpLook();
        m_searched = NciLibrary(m_dir, "vendor", 300, true);
        QVERIFY(!m_searched.empty());
        const std::string sd = m_dir.File("actives.sdf");
        WriteBytes(sd, NciRecords(601, 40));
        m_queries = m_dir.File("actives.clb");
        StructureLibrary importer;
        NullProgress quiet;
        QVERIFY(ImportStructures(importer, sd, CountSDRecords(sd), m_queries, ConversionMode::WriteAnew, quiet).Completed());
        QCOMPARE(CountLibraryRecords(m_queries), 40L);
    }

    // OK stays disabled, with the reason shown, until everything the compare needs is there.
    void okNeedsLibraryDescriptorsAndNames()
    {
        MainWindow main(m_dir.Path().string());
        QVERIFY(main.Show());
        QString reason;
        bool enabled = true;
        const auto look = [&](CompareLibrariesDialog* d) {
            reason = d->findChild<QLabel*>("reason")->text();
            enabled = d->OkButton()->isEnabled();
            d->reject();
        };
        WithDialog(main, look);
        QVERIFY(!enabled && reason.contains("Open the library"));

        // "Browse ..." beside B opens the library in the window, which shows it at once.
        WithDialog(main, [&](CompareLibrariesDialog* d) {
            main.dialog.files.push_back(m_searched);
            d->BrowseSearched()->click();
            QCOMPARE(d->SearchedLibrary()->text().toStdString(), m_searched);
            QVERIFY(main.window.StatusLine().text().contains("vendor.clb (300 structures"));
            look(d);
        });
        QVERIFY(main.Bench().State().LibraryOpen);
        QVERIFY(!enabled && reason.contains("Choose the descriptors"));

        // The Correlation coefficient needs more descriptors than one.
        main.Choose({"Atoms of O"});
        main.Bench().SetCoefficient(kCorrelation);
        WithDialog(main, look);
        QVERIFY2(!enabled && reason.contains("at least"), qPrintable(reason));

        main.Choose(kDescriptors);
        main.Bench().SetCoefficient(kTanimoto);
        bool checked = false;
        WithDialog(main, [&](CompareLibrariesDialog* d) {
            checked = true;
            QCOMPARE(d->SearchedLibrary()->text().toStdString(), m_searched);
            QVERIFY(d->Settings()->text().contains("Tanimoto"));
            QVERIFY(d->Settings()->text().contains("5 chosen descriptors"));
            QVERIFY(d->Settings()->text().contains("300 structures"));
            QCOMPARE(d->Best()->value(), kDefaultCrossBest);
            QVERIFY(!d->OkButton()->isEnabled() && d->Reason().contains("library A"));
            // A through its Browse button, from the window's file dialog.
            main.dialog.files.push_back(m_queries);
            d->BrowseQuery()->click();
            QCOMPARE(d->QueryLibrary()->text().toStdString(), m_queries);
            QVERIFY(!d->OkButton()->isEnabled() && d->Reason().contains("pairs file"));
            d->Pairs()->setText(QString::fromStdString(m_dir.File("pairs.tsv")));
            QVERIFY(d->OkButton()->isEnabled() && d->Reason().isEmpty());
            // The threshold's libraries are used only with the threshold, which must be a number.
            QVERIFY(!d->Similar()->isEnabled() && !d->Threshold()->isEnabled());
            d->ThresholdChosen()->setChecked(true);
            QVERIFY(d->Similar()->isEnabled() && d->Dissimilar()->isEnabled());
            for (const char* bad : {"", "abc", "-0.1", "0.5x", "inf"}) {
                d->Threshold()->setText(bad);
                QVERIFY2(!d->OkButton()->isEnabled() && d->Reason().contains("number"), bad);
            }
            Screenshot(d, "compare-libraries-reason");
            d->Threshold()->setText(" 0.75 ");
            QVERIFY(!d->OkButton()->isEnabled() && d->Reason().contains("similar or a dissimilar"));
            d->Dissimilar()->setText(QString::fromStdString(m_dir.File("unlike.clb")));
            QVERIFY(d->OkButton()->isEnabled());
            d->ThresholdChosen()->setChecked(false);
            QVERIFY(d->OkButton()->isEnabled() && !d->Dissimilar()->isEnabled());

            // Names refused on OK before any work: the dialog stays open with them.
            const auto refused = [&](const std::string& expected) {
                main.dialog.shown.clear();
                d->OkButton()->click();
                QVERIFY(d->isVisible());
                QCOMPARE(main.dialog.shown.size(), std::size_t{1});
                QCOMPARE(main.dialog.shown[0].kind, MessageKind::Error);
                QVERIFY2(Contains(main.dialog.shown[0].text, expected), main.dialog.shown[0].text.c_str());
            };
            d->QueryLibrary()->setText(QString::fromStdString(m_dir.File("missing.clb")));
            refused("missing.clb: no such library");
            d->QueryLibrary()->setText(QString::fromStdString(m_queries));
            d->Pairs()->setText(QString::fromStdString(CompanionFileName(m_searched, "pre")));
            refused("a file of the library " + m_searched);
            d->Pairs()->setText(QString::fromStdString(m_dir.File("no such folder/pairs.tsv")));
            refused("no such folder");
            d->Pairs()->setText(QString::fromStdString(m_dir.File("pairs.tsv")));
            d->ThresholdChosen()->setChecked(true);
            d->Similar()->setText(QString::fromStdString(m_dir.File("unlike.clb")));
            refused("also named as the similar library");
            d->reject();
        });
        QVERIFY(checked);
        QVERIFY(!std::filesystem::exists(m_dir.File("pairs.tsv")));
    }

    // The files of a compare run from the dialog equal those the core writes for the same choices.
    void compareWritesWhatTheCoreWrites()
    {
        MainWindow main(m_dir.Path().string());
        PrepareWindow(main);
        const std::string pairs = m_dir.File("run.tsv"), similar = m_dir.File("run_similar.clb"),
                          dissimilar = m_dir.File("run_dissimilar.clb");
        std::vector<ProgressKind> kinds;
        QStringList titles;
        const auto windowPhase = main.progress.onPhase;
        main.progress.onPhase = [&](ProgressKind kind, bool started) {
            windowPhase(kind, started);
            if (started) {
                kinds.push_back(kind);
                titles.push_back(main.progress.Window().windowTitle());
                QVERIFY(main.progress.Window().isVisible());
            }
        };
        main.dialog.shown.clear();
        WithDialog(main, [&](CompareLibrariesDialog* d) {
            d->QueryLibrary()->setText(QString::fromStdString(m_queries));
            d->Best()->setValue(3);
            d->Pairs()->setText(QString::fromStdString(pairs));
            d->ThresholdChosen()->setChecked(true);
            d->Threshold()->setText("0.8");
            d->Similar()->setText(QString::fromStdString(similar));
            d->Dissimilar()->setText(QString::fromStdString(dissimilar));
            Screenshot(d, "compare-libraries-dialog");
            d->OkButton()->click();
        });
        main.progress.onPhase = windowPhase;
        QVERIFY(!main.progress.Busy() && !main.progress.Window().isVisible());
        QVERIFY(!kinds.empty());
        for (ProgressKind kind : kinds)
            QCOMPARE(kind, ProgressKind::CrossComparison);
        // The comparison, then the writing of the two libraries.
        QCOMPARE(titles.size(), qsizetype{3});
        QCOMPARE(titles[0], QString("Compare libraries:"));
        QVERIFY(titles[1].contains("run_similar.clb") && titles[2].contains("run_dissimilar.clb"));
        QCOMPARE(main.dialog.shown.size(), std::size_t{1});
        const std::string& summary = main.dialog.shown[0].text;
        QVERIFY2(Contains(summary, "Compared 40 structures of actives.clb with 300 of vendor.clb (Tanimoto"), summary.c_str());
        QVERIFY2(Contains(summary, "120 rows written to " + pairs), summary.c_str());

        // The core with the window's setup and the dialog's choices, into other files.
        std::vector<int> leftOut;
        std::string problem;
        const auto comparison = CrossLibrarySetup(main.Bench(), leftOut, problem);
        QVERIFY2(comparison.has_value(), problem.c_str());
        CrossCompareSetup setup;
        setup.library = *comparison;
        setup.queryLibrary = m_queries;
        setup.queryCount = 40;
        setup.best = 3;
        setup.threshold = 0.8f;
        const CrossFiles reference{m_dir.File("ref.tsv"), m_dir.File("ref_similar.clb"), m_dir.File("ref_dissimilar.clb")};
        NullProgress quiet;
        const CrossSummary expected = WriteLibraryComparison(setup, reference, quiet);
        QCOMPARE(expected.rows, 120L);
        QVERIFY(ReadBytes(pairs) == ReadBytes(reference.pairs));
        // Both parts are there and make up B.
        QVERIFY(expected.similar > 0 && expected.dissimilar > 0);
        QCOMPARE(expected.similar + expected.dissimilar, 300L);
        QCOMPARE(CountLibraryRecords(similar), expected.similar);
        QCOMPARE(CountLibraryRecords(dissimilar), expected.dissimilar);
        for (long k : {1L, expected.similar})
            QCOMPARE(LibraryStructureName(similar, k), LibraryStructureName(reference.similar, k));
        QVERIFY2(Contains(summary, std::to_string(expected.similar) + " structures of vendor.clb with a value >= 0.8"),
                 summary.c_str());
        QVERIFY2(Contains(summary, std::to_string(expected.dissimilar) + " structures of vendor.clb beyond 0.8"),
                 summary.c_str());

        // The window's own search is untouched and still runs.
        QVERIFY(main.Bench().State().LibraryOpen && main.Bench().State().DescriptorsChosen);
    }

    // Library A may be a library set: the same rows as the one library holding its structures, and
    // no output may land on a member.
    void queryLibraryMayBeASet()
    {
        StructureLibrary importer;
        NullProgress quiet;
        for (int half : {0, 1}) {
            const std::string sd = m_dir.File("half" + std::to_string(half) + ".sdf");
            WriteBytes(sd, NciRecords(601 + 20 * half, 20));
            QVERIFY(ImportStructures(importer, sd, CountSDRecords(sd), m_dir.File("half" + std::to_string(half) + ".clb"),
                                     ConversionMode::WriteAnew, quiet)
                        .Completed());
        }
        const std::string set = m_dir.File("halves.vset");
        WriteBytes(set, "half0.clb\nhalf1.clb\n");
        MainWindow main(m_dir.Path().string());
        PrepareWindow(main);
        const std::string fromSet = m_dir.File("set.tsv"), fromLibrary = m_dir.File("library.tsv");
        for (const auto& [query, pairs] : {std::pair{set, fromSet}, std::pair{m_queries, fromLibrary}})
            WithDialog(main, [&, query = query, pairs = pairs](CompareLibrariesDialog* d) {
                d->QueryLibrary()->setText(QString::fromStdString(query));
                d->Best()->setValue(4);
                d->Pairs()->setText(QString::fromStdString(pairs));
                d->ThresholdChosen()->setChecked(false);
                d->OkButton()->click();
            });
        QVERIFY(std::filesystem::exists(fromSet));
        QVERIFY(ReadBytes(fromSet) == ReadBytes(fromLibrary));

        const std::string member = m_dir.File("half1.clb");
        const std::string before = ReadBytes(member);
        main.dialog.shown.clear();
        WithDialog(main, [&](CompareLibrariesDialog* d) {
            d->QueryLibrary()->setText(QString::fromStdString(set));
            d->Pairs()->setText(QString::fromStdString(m_dir.File("x.tsv")));
            d->ThresholdChosen()->setChecked(true);
            d->Threshold()->setText("0.8");
            d->Similar()->setText(QString::fromStdString(member));
            d->OkButton()->click();
            if (d->isVisible())
                d->reject();
        });
        QVERIFY(!main.dialog.shown.empty());
        QVERIFY2(Contains(main.dialog.shown.back().text + main.dialog.shown.back().detail, "a file of the library"),
                 main.dialog.shown.back().text.c_str());
        QVERIFY(ReadBytes(member) == before);
        QVERIFY(!std::filesystem::exists(m_dir.File("x.tsv")));
    }

    // A records that cannot be read are listed in one message; the others are compared.
    void unreadableQueryRecordsAreListed()
    {
        const std::string damaged = m_dir.File("damaged.clb");
        for (const char* extension : {".clb", ".III", ".iii"})
            if (std::filesystem::exists(m_dir.File(std::string("actives") + extension)))
                std::filesystem::copy_file(m_dir.File(std::string("actives") + extension),
                                           m_dir.File(std::string("damaged") + extension));
        {
            // The index entry of the second structure points into nothing (4-byte entries).
            std::fstream index(m_dir.File("damaged.III"), std::ios::in | std::ios::out | std::ios::binary);
            QVERIFY(index.good());
            index.seekp(4);
            const char zeros[4] = {};
            index.write(zeros, sizeof zeros);
        }
        MainWindow main(m_dir.Path().string());
        PrepareWindow(main);
        const std::string pairs = m_dir.File("damaged.tsv");
        main.dialog.shown.clear();
        WithDialog(main, [&](CompareLibrariesDialog* d) {
            d->QueryLibrary()->setText(QString::fromStdString(damaged));
            d->Best()->setValue(2);
            d->Pairs()->setText(QString::fromStdString(pairs));
            d->OkButton()->click();
        });
        QCOMPARE(main.dialog.shown.size(), std::size_t{2});
        const auto& listed = main.dialog.shown[0];
        QCOMPARE(listed.kind, MessageKind::Warning);
        QVERIFY2(Contains(listed.text, "1 structure of " + damaged + " could not be read and is left out:\rstructure 2"),
                 listed.text.c_str());
        QVERIFY2(Contains(main.dialog.shown[1].text, "Compared 39 structures"), main.dialog.shown[1].text.c_str());
        const std::string rows = ReadBytes(pairs);
        QCOMPARE(std::count(rows.begin(), rows.end(), '\n'), 1L + 39 * 2);
    }

    // Suspend holds the loop, Abort ends it: every file stays as it was and no other file appears.
    void abortLeavesEveryFileAsItWas()
    {
        MainWindow main(m_dir.Path().string());
        PrepareWindow(main);
        const std::string pairs = m_dir.File("kept.tsv"), similar = m_dir.File("kept_similar.clb");
        WriteBytes(pairs, "earlier pairs\n");
        const auto before = FolderFiles(m_dir.Path());
        bool suspendedSeen = false, aborted = false;
        const auto windowPhase = main.progress.onPhase;
        main.progress.onPhase = [&](ProgressKind kind, bool started) {
            windowPhase(kind, started);
            if (!started || kind != ProgressKind::CrossComparison || aborted)
                return;
            aborted = true;
            ProgressWindow& window = main.progress.Window();
            QTimer::singleShot(0, window.SuspendButton(), &QPushButton::click);
            QTimer::singleShot(60, [&] {
                suspendedSeen = window.Suspended() && window.SuspendButton()->text().contains("Proceed");
                Screenshot(&window, "compare-libraries-progress");
                window.AbortButton()->click();
            });
        };
        main.dialog.shown.clear();
        WithDialog(main, [&](CompareLibrariesDialog* d) {
            d->QueryLibrary()->setText(QString::fromStdString(m_queries));
            d->Pairs()->setText(QString::fromStdString(pairs));
            d->ThresholdChosen()->setChecked(true);
            d->Threshold()->setText("0.8");
            d->Similar()->setText(QString::fromStdString(similar));
            d->OkButton()->click();
        });
        main.progress.onPhase = windowPhase;
        QVERIFY(aborted && suspendedSeen);
        QVERIFY(!main.progress.Busy());
        // The replace question for the pairs file that exists, then the abort's message.
        QCOMPARE(main.dialog.shown.size(), std::size_t{2});
        QCOMPARE(main.dialog.shown[0].kind, MessageKind::Confirmation);
        QVERIFY(Contains(main.dialog.shown[0].text, pairs));
        QVERIFY(Contains(main.dialog.shown[1].text, "aborted; no file was written"));
        QCOMPARE(ReadBytes(pairs), std::string("earlier pairs\n"));
        QVERIFY(!std::filesystem::exists(similar));
        QVERIFY(FolderFiles(m_dir.Path()) == before);

        // Declining the replace question keeps the dialog open and writes nothing.
        main.dialog.shown.clear();
        main.dialog.answers = {MessageAnswer::Cancel};
        WithDialog(main, [&](CompareLibrariesDialog* d) {
            d->OkButton()->click();
            QVERIFY(d->isVisible());
            d->reject();
        });
        QCOMPARE(main.dialog.shown.size(), std::size_t{1});
        QCOMPARE(ReadBytes(pairs), std::string("earlier pairs\n"));
    }
};

VELMORA_GUI_SUITE("compare_dialog_test", CompareDialogTest);

#include "compare_dialog_test.moc"
