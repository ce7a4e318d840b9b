// Query sets and library sets in the window: File > "Load query set ..." names the set on the flow
// page (its size and file, the fusion rule in the coefficient box) and in the status line; the
// report table, the overview and the detail page gain a Query column or line after a query set's
// search and a Library column or line after a library set's, each equal to the workbench's report
// rows, and lose them again after a plain search. A ".vset" opened by New Library is searched,
// viewed across its members and named in the status window.
#include "detailpage.h"
#include "dialogs.h"
#include "fittedlabel.h"
#include "flowpage.h"
#include "gui_support.h"
#include "io/convert.h"
#include "overviewpage.h"
#include "reportpage.h"
#include "search/coefficients.h"
#include "search/fusion.h"
#include "search/queryset.h"
#include "structurepanel.h"
#include "viewlib.h"

#include <QAction>
#include <QLabel>
#include <QScrollBar>
#include <QTableWidget>
#include <QtTest>

using namespace velmora;
using namespace velmora::test;

namespace {

// A molfile record whose counts line cannot be read: the query set leaves it out.
const std::string kBrokenRecord = "broken\r\n  test\r\n\r\nnot a counts line\r\nM  END\r\n$$$$\r\n";

QString Cell(QTableWidget* table, int row, int column)
{
    const QTableWidgetItem* item = table->item(row, column);
    return item ? item->text() : QString();
}

} // namespace

class SetWindowsTest : public QObject {
    Q_OBJECT

private:
    test::TempDir m_dir;
    std::string m_library;

    // The library name.clb of NCI records first.., with its descriptor files.
    std::string Library(const std::string& name, int first, int count)
    {
        const std::string sd = m_dir.File(name + ".sdf"), library = m_dir.File(name + ".clb");
        WriteBytes(sd, NciRecords(first, count));
        StructureLibrary importer;
        NullProgress quiet;
        if (!ImportStructures(importer, sd, CountSDRecords(sd), library, ConversionMode::WriteAnew, quiet).Completed())
            return {};
        return BuildDescriptorFiles(library) ? library : std::string();
    }

    static void ShowStatus(MainWindow& main)
    {
        QAction* status = Action(&main.window, "Show status");
        QVERIFY(status);
        status->trigger();
    }

    static void Search(MainWindow& main)
    {
        CloseDiagramWhenShown();
        Action(&main.window, "Calculate")->trigger();
    }

    // Every row of the report table against the workbench's rows: position, value and name always,
    // the given extra column's text as the row's field.
    static void CheckTable(MainWindow& main, const QString& heading, std::string ReportRow::*field)
    {
        gui::ReportPage& page = main.window.ReportView();
        const auto rows = main.Bench().ReportRows();
        QVERIFY(!rows.empty());
        const int column = page.Column(heading);
        QVERIFY(column > 0);
        const int value = page.Column(QString::fromStdString(CoefficientHeading(main.Bench().ResultCoefficient())));
        const int name = page.Column("Structurename");
        QCOMPARE(name, page.Table()->columnCount() - 1); // the names keep the stretched last column
        for (const ReportRow& row : rows) {
            const int r = row.rank - 1;
            QCOMPARE(Cell(page.Table(), r, 0), QString::number(row.libraryPosition));
            QCOMPARE(Cell(page.Table(), r, value), QString::fromStdString(row.value));
            QCOMPARE(Cell(page.Table(), r, column), QString::fromStdString(row.*field).trimmed());
            QVERIFY(!(row.*field).empty());
        }
    }

private slots:
    void initTestCase()
    {
        test::SetUpLook();
        m_library = Library("fixture", 1, 120);
        QVERIFY(!m_library.empty());
    }

    void querySetLoadedThroughTheMenuIsShownAndSearched()
    {
        MainWindow main(m_dir.Path().string());
        QVERIFY(main.Show(QSize(1300, 760)));
        gui::FlowPage& flow = main.window.Flow();
        const QString plainCoefficient = flow.coefficient->text();
        const QSize plainBox = flow.coefficient->sizeHint();
        QVERIFY(main.window.OpenLibraryFile(m_library));

        // Four records, one of them unreadable: one warning naming it, three queries.
        const std::string queries = m_dir.File("actives.sdf");
        WriteBytes(queries, NciRecords(5, 2) + kBrokenRecord + NciRecords(30, 1));
        main.dialog.files.push_back(queries);
        QAction* load = Action(&main.window, "Load &query set ...");
        QVERIFY(load);
        load->trigger();
        const QuerySet* set = main.Bench().LoadedQuerySet();
        QVERIFY(set);
        QCOMPARE(set->Size(), std::size_t{3});
        QCOMPARE(main.dialog.shown.size(), std::size_t{1});
        QCOMPARE(main.dialog.shown.back().kind, MessageKind::Warning);
        QVERIFY(Contains(main.dialog.shown.back().detail, "actives.sdf: record 3"));
        QCOMPARE(flow.queryTitle->text(), QString("My Structures"));
        QCOMPARE(flow.queryName->toolTip(), "3 queries from " + QString::fromStdString(queries));
        QCOMPARE(flow.queryName->text(), QString("3 structures (actives.sdf)"));
        QVERIFY(flow.coefficient->text().endsWith("fused by max"));
        QVERIFY(flow.coefficient->sizeHint().height() > plainBox.height()); // the third line has room
        QVERIFY(main.window.findChild<QLabel*>("statusLine")->text().contains("Query set: 3 structures (actives.sdf), fused by max"));

        // The rule is chosen in Parameters, one checked at a time, and shown at once.
        QAction* mean = main.window.findChild<QAction*>("fusion-mean");
        QAction* max = main.window.findChild<QAction*>("fusion-max");
        QVERIFY(mean && max && max->isChecked());
        mean->trigger();
        QCOMPARE(main.Bench().ChosenFusion(), Fusion::Mean);
        QVERIFY(mean->isChecked() && !max->isChecked());
        QVERIFY(flow.coefficient->text().endsWith("fused by mean"));
        max->trigger();
        QCOMPARE(main.Bench().ChosenFusion(), Fusion::Max);

        main.Choose({"Bonds: single", "Atoms of O", "Hetero atoms", "Atoms of C"});
        Screenshot(&main.window, "workbench-query-set");
        const QString firstName = QString::fromStdString(set->QueryName(0));
        WhenModal<gui::StatusWindow>([firstName](gui::StatusWindow* status) {
            QCOMPARE(status->QueryName()->text(), "3 queries (the first: " + firstName + ")");
            QVERIFY(status->Coefficient()->text().endsWith(", fused by max"));
            Screenshot(status, "status-query-set");
            status->accept();
        });
        ShowStatus(main);
        Search(main);
        QVERIFY(main.Bench().HasResults());
        CheckTable(main, "Query", &ReportRow::query);
        gui::ReportPage& report = main.window.ReportView();
        QCOMPARE(report.Column("Library"), -1);
        QVERIFY(report.QuerySet()->isVisibleTo(&report));
        QVERIFY(report.QuerySet()->text().contains("actives.sdf"));
        QVERIFY(report.QuerySet()->text().contains(QString::fromStdString(FusionRuleText(Fusion::Max, 3))));
        // The query of every row is one of the set's, and the first query, matching itself, leads.
        const auto rows = main.Bench().ReportRows();
        QCOMPARE(rows.front().query, set->QueryName(0));
        main.Bench().Pages().ViewTable();
        main.window.Refresh();
        Screenshot(&main.window, "report-query-set");

        gui::OverviewPage& overview = main.window.OverviewView();
        QCOMPARE(overview.QueryPanel()->Note(), QString("first of 3 queries"));
        for (int rank = 1; rank <= std::min<int>(gui::OverviewPage::kRanks, static_cast<int>(rows.size())); ++rank)
            QCOMPARE(overview.RankPanel(rank)->Note(),
                     "Query " + QString::fromStdString(rows[static_cast<std::size_t>(rank - 1)].query).trimmed());
        main.Bench().Pages().Overview();
        main.window.Refresh();
        Screenshot(&main.window, "overview-query-set");

        // The detail page puts each match beside the query its value came from.
        gui::DetailPage& detail = main.window.DetailView();
        const auto other = std::find_if(rows.begin(), rows.end(), [&](const ReportRow& row) { return row.query != rows.front().query; });
        QVERIFY(other != rows.end());
        detail.ShowRank(other->rank);
        QVERIFY(detail.ResultQueryLine()->isVisibleTo(&detail));
        QVERIFY(!detail.ResultLibraryLine()->isVisibleTo(&detail));
        QCOMPARE(detail.ResultQueryLine()->text(), QString::fromStdString(other->query).trimmed());
        QCOMPARE(detail.QueryName()->FullText().trimmed(), QString::fromStdString(other->query).trimmed());
        main.Bench().Pages().OpenMatch();
        main.window.Refresh();
        QCOMPARE(detail.QueryName()->FullText().trimmed(), QString::fromStdString(other->query).trimmed());
        Screenshot(&main.window, "detail-query-set");

        // A single molecule drops the set: the flow, the pages and the table are a plain search's again.
        QVERIFY(main.window.LoadQueryFile(m_library));
        QVERIFY(!main.Bench().LoadedQuerySet());
        QCOMPARE(flow.queryTitle->text(), QString("My Structure"));
        QCOMPARE(flow.coefficient->text(), plainCoefficient);
        QCOMPARE(flow.coefficient->sizeHint(), plainBox);
        Search(main);
        QVERIFY(main.Bench().HasResults());
        QCOMPARE(report.Table()->columnCount(), 4);
        QCOMPARE(report.Column("Query"), -1);
        QVERIFY(!report.QuerySet()->isVisibleTo(&report));
        QVERIFY(overview.QueryPanel()->Note().isEmpty());
        QVERIFY(overview.RankPanel(1)->Note().isEmpty());
        detail.ShowRank(2);
        QVERIFY(!detail.ResultQueryLine()->isVisibleTo(&detail));
        // A column width the user dragged stays from one plain search to the next.
        report.Table()->setColumnWidth(2, 211);
        Search(main);
        QCOMPARE(report.Table()->columnWidth(2), 211);
    }

    // A query set that cannot be used changes nothing: the error names the file, the query stays.
    void unusableQuerySetKeepsTheQuery()
    {
        MainWindow main(m_dir.Path().string());
        QVERIFY(main.Show());
        QVERIFY(main.window.LoadQueryFile(m_library));
        const std::string empty = m_dir.File("nothing.sdf");
        WriteBytes(empty, kBrokenRecord);
        QVERIFY(!main.window.LoadQuerySetFile(empty));
        QVERIFY(!main.Bench().LoadedQuerySet());
        QVERIFY(main.Bench().State().QueryLoaded);
        QCOMPARE(main.dialog.shown.back().kind, MessageKind::Error);
        QVERIFY(Contains(main.dialog.shown.back().text, "nothing.sdf"));
        QCOMPARE(main.window.Flow().queryTitle->text(), QString("My Structure"));
    }

    void librarySetOpenedByNewLibraryIsSearchedAndViewed()
    {
        // Two members of 40 structures each; the query is the second member's first structure.
        const std::string first = Library("first", 1, 40), second = Library("second", 41, 40);
        QVERIFY(!first.empty() && !second.empty());
        const std::string set = m_dir.File("both.vset");
        WriteBytes(set, "first.clb\nsecond.clb\n");

        MainWindow main(m_dir.Path().string());
        QVERIFY(main.Show(QSize(1300, 760)));
        main.dialog.files.push_back(set);
        QAction* open = main.window.findChild<QAction*>("newLibrary");
        QVERIFY(open);
        open->trigger();
        QVERIFY(main.Bench().State().LibraryOpen);
        QCOMPARE(main.Bench().State().LibraryCount, 80L);
        QVERIFY(main.window.findChild<QLabel*>("statusLine")->text().contains("Library: both.vset (80 structures"));

        // The viewer goes across the members: position 41 is the second member's first structure.
        gui::TViewForm& viewer = main.window.Viewer();
        viewer.Open();
        viewer.ScrollBar().setValue(41);
        QVERIFY(viewer.StructureRead());
        QCOMPARE(viewer.NameLabel().text().trimmed().toStdString(), LibraryStructureName(second, 1));
        QCOMPARE(viewer.ScrollBar().maximum(), 80);

        WhenModal<gui::StatusWindow>([](gui::StatusWindow* status) {
            QVERIFY(status->Library()->toolTip().endsWith("both.vset"));
            status->accept();
        });
        ShowStatus(main);

        QVERIFY(main.window.LoadQueryFile(second)); // its first structure: found in the second member
        main.Choose({"Bonds: single", "Atoms of O", "Hetero atoms", "Atoms of C"});
        Search(main);
        QVERIFY(main.Bench().HasResults());
        CheckTable(main, "Library", &ReportRow::library);
        gui::ReportPage& report = main.window.ReportView();
        QCOMPARE(report.Column("Query"), -1);
        QCOMPARE(report.Column("Library"), 1);
        const auto rows = main.Bench().ReportRows();
        QCOMPARE(rows.front().library, std::string("second.clb"));
        QCOMPARE(rows.front().libraryPosition, 41L);
        QVERIFY(std::any_of(rows.begin(), rows.end(), [](const ReportRow& row) { return row.library == "first.clb"; }));
        main.Bench().Pages().ViewTable();
        main.window.Refresh();
        Screenshot(&main.window, "report-library-set");

        QCOMPARE(main.window.OverviewView().RankPanel(1)->Note(), QString("Library second.clb"));
        gui::DetailPage& detail = main.window.DetailView();
        detail.ShowRank(1);
        QVERIFY(detail.ResultLibraryLine()->isVisibleTo(&detail));
        QVERIFY(!detail.ResultQueryLine()->isVisibleTo(&detail));
        QCOMPARE(detail.ResultLibraryLine()->text(), QString("second.clb"));
        main.Bench().Pages().OpenMatch();
        main.window.Refresh();
        QTest::qWait(20); // the page laid out at its size before the picture
        Screenshot(&main.window, "detail-library-set");
    }
};

VELMORA_GUI_SUITE("set_windows_test", SetWindowsTest);
#include "set_windows_test.moc"
