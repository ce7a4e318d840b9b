// Parameters > "Filters ...": the dialog checks each pattern and range as it is typed, sets the
// workbench's filters on OK, and the flow page shows a "Filters" box between "Best matching" and
// the results while any is set; the search then keeps only passing structures and the report page
// names the filters. Without RDKit the structural kinds are disabled and ranges still work.
#include "filtersdialog.h"
#include "flowpage.h"
#include "gui_support.h"
#include "reportpage.h"
#include "search/structurematching.h"
#include "srchdiag.h"
#ifdef VELMORA_HAVE_INTEROP
#include "interop.h"
#endif

#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QtTest>

using namespace velmora;
using namespace velmora::test;

class FiltersWindowTest : public QObject {
    Q_OBJECT

private:
    test::TempDir m_dir;
    std::string m_library;

    // Opens the filters dialog through the menu, lets edit fill it, and presses OK.
    static void EditFilters(MainWindow& main, std::function<void(gui::FiltersDialog*)> edit)
    {
        WhenModal<gui::FiltersDialog>([edit](gui::FiltersDialog* dialog) {
            edit(dialog);
            dialog->Ok()->click();
            if (dialog->isVisible())
                dialog->reject();
        });
        Action(&main.window, "Filters ...")->trigger();
    }

private slots:
    void initTestCase()
    {
#ifdef VELMORA_HAVE_INTEROP
        interop::RegisterInteropMatching();
#endif
        test::SetUpLook();
        m_library = test::NciLibrary(m_dir, "fixture", 120, true);
        QVERIFY(!m_library.empty());
    }

    void typedFiltersAreCheckedAtOnce()
    {
        MainWindow main(m_dir.Path().string());
        QVERIFY(main.Show());
        gui::FiltersDialog& dialog = main.window.Filters();
        dialog.Ranges()->setPlainText("Atoms of C=30..10");
        QVERIFY(Contains(dialog.Check()->text().toStdString(), "the lower end 30 is above the upper end 10"));
        QVERIFY(!dialog.Ok()->isEnabled());
        dialog.Ranges()->setPlainText("Atoms of C=10..30\n\nRandicIx=..12");
        QVERIFY(dialog.Ok()->isEnabled());
        if (!StructureMatchingAvailable()) {
            QVERIFY(!dialog.Required()->isEnabled());
            QVERIFY(!dialog.Alert("pains")->isEnabled());
            return;
        }
        dialog.Required()->setPlainText("c1ccccc1\nc1ccc");
        QVERIFY2(Contains(dialog.Check()->text().toStdString(), "\"c1ccc\" is not a valid SMARTS pattern"),
                 qPrintable(dialog.Check()->text()));
        QVERIFY(!dialog.Ok()->isEnabled());
        dialog.Required()->setPlainText("c1ccccc1");
        dialog.Alert("pains")->setChecked(true);
        QVERIFY(dialog.Ok()->isEnabled());
        std::string problem;
        const auto typed = dialog.Typed(problem);
        QVERIFY(typed.has_value());
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        Screenshot(&dialog, "filters-dialog");
        QCOMPARE(typed->ranges.size(), std::size_t{2});
        QCOMPARE(typed->smarts, std::vector<std::string>{"c1ccccc1"});
        QCOMPARE(typed->alerts, std::vector<std::string>{"pains"});
    }

    void filtersShowOnTheFlowAndFilterTheSearch()
    {
        MainWindow main(m_dir.Path().string());
        QVERIFY(main.Show(QSize(1500, 720)));
        gui::FlowPage& flow = main.window.Flow();
        QVERIFY(flow.filters->isHidden());
        // Hidden, its column takes no room: the results sit one spacing after "Best matching".
        const int gap = flow.similarityTable->x() - (flow.bestMatching->x() + flow.bestMatching->width());
        QVERIFY(main.window.OpenLibraryFile(m_library));
        QVERIFY(main.window.LoadQueryFile(m_library));
        main.Choose({"Bonds: single", "Atoms of O", "Hetero atoms"});
        const bool structural = StructureMatchingAvailable();
        EditFilters(main, [structural](gui::FiltersDialog* dialog) {
            dialog->Ranges()->setPlainText("Atoms of O=1..2");
            if (structural)
                dialog->Required()->setPlainText("[#7]");
        });
        QVERIFY(main.Bench().Filters().Any());
        QCOMPARE(main.Bench().Filters().ranges.size(), std::size_t{1});
        QVERIFY(!flow.filters->isHidden());
        QVERIFY(flow.filters->x() > flow.bestMatching->x() + flow.bestMatching->width());
        QVERIFY(flow.similarityTable->x() > flow.filters->x() + flow.filters->width());
        Screenshot(&main.window, "workbench-filters");

        CloseDiagramWhenShown();
        Action(&main.window, "Calculate")->trigger();
        QVERIFY(main.Bench().HasResults());
        const FilterSummary& summary = main.Bench().LastFilterSummary();
        QVERIFY(summary.active);
        QCOMPARE(summary.compared, 120L);
        QVERIFY(summary.passed > 0 && summary.passed == main.Bench().Results().filled);
        main.window.ReportView().Fill(main.Bench());
        QVERIFY(main.window.ReportView().Filters()->isVisibleTo(&main.window.ReportView()));
        QVERIFY(Contains(main.window.ReportView().Filters()->text().toStdString(), "--range Atoms of O=1..2: removed "));

        // Cleared, the box goes and the flow is as before.
        EditFilters(main, [](gui::FiltersDialog* dialog) {
            dialog->Ranges()->clear();
            dialog->Required()->clear();
        });
        QVERIFY(!main.Bench().Filters().Any());
        QVERIFY(flow.filters->isHidden());
        QCOMPARE(flow.similarityTable->x() - (flow.bestMatching->x() + flow.bestMatching->width()), gap);
    }
};

VELMORA_GUI_SUITE("filters_window_test", FiltersWindowTest);
#include "filters_window_test.moc"
