// Import and export through the converter window, the descriptor dialog, and the results of a
// search on screen (report, overview, detail page, diagram, ASCII export), driven headless through
// the real widgets of the workbench window. Messages, file choices and set names are scripted.
#include "descriptors/descfiles.h"
#include "asciiwindow.h"
#include "convertform.h"
#include "critdlg.h"
#include "descriptors/descsets.h"
#include "detailpage.h"
#include "dialogs.h"
#include "explainpanel.h"
#include "fittedlabel.h"
#include "flowpage.h"
#include "report/explainchart.h"
#include "io/convert.h"
#include "io/molfile.h"
#include "overviewpage.h"
#include "progresswindows.h"
#include "gui_support.h"
#include "reportpage.h"
#include "base/numtext.h"
#include "search/coefficients.h"
#include "search/explain.h"
#include "search/libparams.h"
#include "report/reportprint.h"
#include "srchdiag.h"
#include "structurepanel.h"

#include <QComboBox>
#include <QFileInfo>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QScrollBar>
#include <QStackedWidget>
#include <QTableWidget>
#include <QTimer>
#include <QToolTip>
#include <QtTest>

#include <filesystem>
#include <functional>
#include <memory>

using namespace velmora;
using namespace velmora::gui;
using namespace velmora::test;
namespace fs = std::filesystem;

namespace {

const char* const kMakesNoSense = "This descriptor makes no sense with this library !\r"
                                  "All structures in this library get the same value with\r"
                                  "this descriptor .\rPlease choose a different one instead !";
const char* const kNotInIntro = "This descriptor is not available in INTRO mode !\r"
                                "If you want to use it, you have to change to the NORMAL mode !\r"
                                "Change this setting in the MODE pulldownmenue .";
const char* const kToluene = "toluene\r\n  test\r\n\r\n"
                             "  7  7  0  0  0  0  0  0  0  0999 V2000\r\n"
                             "    0.0000    1.4000    0.0000 C   0  0  0  0  0  0  0  0  0  0  0  0\r\n"
                             "    1.2124    0.7000    0.0000 C   0  0  0  0  0  0  0  0  0  0  0  0\r\n"
                             "    1.2124   -0.7000    0.0000 C   0  0  0  0  0  0  0  0  0  0  0  0\r\n"
                             "    0.0000   -1.4000    0.0000 C   0  0  0  0  0  0  0  0  0  0  0  0\r\n"
                             "   -1.2124   -0.7000    0.0000 C   0  0  0  0  0  0  0  0  0  0  0  0\r\n"
                             "   -1.2124    0.7000    0.0000 C   0  0  0  0  0  0  0  0  0  0  0  0\r\n"
                             "    0.0000    2.9000    0.0000 C   0  0  0  0  0  0  0  0  0  0  0  0\r\n"
                             "  1  2  4  0  0  0  0\r\n  2  3  4  0  0  0  0\r\n  3  4  4  0  0  0  0\r\n"
                             "  4  5  4  0  0  0  0\r\n  5  6  4  0  0  0  0\r\n  6  1  4  0  0  0  0\r\n"
                             "  1  7  1  0  0  0  0\r\nM  END\r\n$$$$\r\n";

std::string NameAt(int position) { return CatalogueName(CatalogueIndexOfPosition(position + 1)); }

// A click on a list item, as the user makes it.
void ClickItem(QListWidget* list, int row)
{
    list->scrollToItem(list->item(row));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->item(row)).center());
}

QStringList GridNames(const TSimCritDlg* d)
{
    QStringList names;
    for (int r = 0; r < d->Chosen()->rowCount(); ++r)
        names << d->Chosen()->item(r, 0)->text();
    return names;
}

QStringList ChosenNames(Workbench& bench)
{
    QStringList names;
    for (const auto& name : bench.Selection().ChosenNames())
        names << QString::fromStdString(name);
    return names;
}

// A double click as the window system delivers it: press, release, double click, release.
void DoubleClick(QWidget* widget, QPoint at)
{
    QTest::mouseClick(widget, Qt::LeftButton, {}, at);
    QTest::mouseDClick(widget, Qt::LeftButton, {}, at);
    QTest::mouseRelease(widget, Qt::LeftButton, {}, at);
}

QString TableText(QTableWidget* table, int row, int column)
{
    const QTableWidgetItem* item = table->item(row, column);
    return item ? item->text() : QString();
}

} // namespace

class ResultsTest : public QObject {
    Q_OBJECT

private:
    test::TempDir m_dir;
    std::unique_ptr<test::MainWindow> m_main;
    std::string m_sd30, m_library;
    std::vector<int> m_varying, m_constant; // list positions whose values differ / agree in the library

    Workbench& Bench() { return m_main->window.Bench(); }
    test::ScriptedDialog& Dialog() { return m_main->dialog; }
    std::string File(const char* name) { return m_dir.File(name); }
    void Search()
    {
        CloseDiagramWhenShown();
        Action(&m_main->window, "Calculate")->trigger();
        QVERIFY(Bench().HasResults());
    }

private slots:
    void initTestCase()
    {
        test::SetUpLook();
        m_sd30 = File("thirty.sdf");
        test::WriteBytes(m_sd30, test::NciRecords(1, 30));
        test::WriteBytes(File("toluene.mol"), kToluene);
        m_main = std::make_unique<test::MainWindow>(m_dir.Path().string());
        QVERIFY(m_main->Show({1100, 760}));
    }

    void cleanupTestCase()
    {
        m_main.reset();
    }

    // Import with "Save As ..." and "Convert", and an append aborted in the progress window.
    void importThroughTheConverter()
    {
        // A target typed without an extension becomes a library file: "lib30.clb".
        m_library = File("lib30.clb");
        Dialog().files = {m_sd30, File("lib30")};
        Dialog().answers = {MessageAnswer::Ok, MessageAnswer::Ok, MessageAnswer::No};
        bool checked = false;
        WhenModal<TConvertForm>([&](TConvertForm* form) {
            QCOMPARE(form->windowTitle(), QString("Import"));
            QCOMPARE(form->FromName()->toolTip(), QString::fromStdString(m_sd30));
            QCOMPARE(form->FromFormat()->text(), QString("*.sdf"));
            QVERIFY(form->FromSize()->text().endsWith(" kB"));
            QCOMPARE(form->Structures()->text(), QString("30"));
            QVERIFY(form->ToName()->text().isEmpty() && !form->ConvertButton()->isEnabled());
            Screenshot(form, "converter-import-before");
            form->SaveAsButton()->click();
            QCOMPARE(form->ToName()->toolTip(), QString::fromStdString(m_library));
            QVERIFY(form->ConvertButton()->isEnabled());
            form->ConvertButton()->click();
            QCOMPARE(Dialog().shown.back().text, std::string("Conversion successful"));
            QCOMPARE(form->ToFormat()->text(), QString("*.clb"));
            QVERIFY(form->ToSize()->text().endsWith(" kB"));
            QVERIFY(!form->ConvertButton()->isEnabled()); // a second run needs a new target
            Screenshot(form, "converter-import-after");
            checked = true;
            form->ExitButton()->click();
        });
        QTest::mouseClick(m_main->window.Flow().molLibrary, Qt::LeftButton);
        QVERIFY(checked);
        QCOMPARE(Dialog().titles.at(0), std::string("Import Library"));
        QCOMPARE(Dialog().filters.at(1), std::string("CLB-File (*.clb)|*.clb"));
        QCOMPARE(Dialog().shown.size(), std::size_t{3});
        QVERIFY(test::ExpectMessage(Dialog().shown[0], MessageKind::Information, "Conversion successful", MessageButtons::Ok));
        QVERIFY(test::ExpectMessage(Dialog().shown[1], MessageKind::Information, kIntroNotice, MessageButtons::Ok));
        QVERIFY(test::ExpectMessage(Dialog().shown[2], MessageKind::Confirmation, kNoParameters, MessageButtons::OkNo));
        QCOMPARE(Bench().State().LibraryFileName, m_library);
        QCOMPARE(Bench().State().LibraryCount, 30L);
        QVERIFY(m_main->window.Flow().internalLibrary->isVisibleTo(&m_main->window));

        // Aborted while appending to the open library: that library is read afresh.
        Dialog().shown.clear();
        Dialog().files = {m_sd30, m_library};
        Dialog().answers = {MessageAnswer::Ok, MessageAnswer::Ok, MessageAnswer::No};
        WhenModal<TConvertForm>([this](TConvertForm* form) {
            Dialog().answers.push_front(MessageAnswer::Append); // "File already exists"
            form->SaveAsButton()->click();
            QTimer::singleShot(0, m_main->progress.Window().AbortButton(), &QPushButton::click);
            form->ConvertButton()->click();
            form->ExitButton()->click();
        });
        Action(&m_main->window, "&Import Library")->trigger();
        QCOMPARE(Bench().State().LibraryFileName, m_library);
        QVERIFY(Bench().State().LibraryOpen);
        QCOMPARE(Bench().State().LibraryCount, CountLibraryRecords(m_library));
        QVERIFY(Contains(Dialog().shown.at(1).text, "the library holds " + std::to_string(Bench().State().LibraryCount)));
        QCOMPARE(Dialog().shown.at(2).text, std::string(kIntroNotice));
    }

    // The descriptor dialog: clicks, the library check, named sets, and the grid.
    void descriptorDialog()
    {
        QVERIFY(test::BuildDescriptorFiles(m_library));
        {
            LibraryParameters parameters;
            parameters.Read(CompanionFileName(m_library, "idp"), 153, ParameterFileLines(DescriptorMode::Normal));
            for (int p = 0; p < kDescriptorCount; ++p)
                (parameters.StdDev[static_cast<std::size_t>(CatalogueIndexOfPosition(p + 1))] > 0 ? m_varying
                                                                                                   : m_constant)
                    .push_back(p);
        }
        QVERIFY(m_varying.size() >= 25 && !m_constant.empty());
        const int constant = m_constant.front();
        const int a = m_varying[0], b = m_varying[1], c = m_varying[2];
        // A set saved earlier that holds a descriptor this library cannot use.
        const int low = std::min(a, constant), high = std::max(a, constant);
        DescriptorSetFile(m_dir.Path().string()).Append("withcut", {low, high});
        Dialog().answers.clear();
        QVERIFY(m_main->window.OpenLibraryFile(m_library));
        QVERIFY(m_main->window.LoadQueryFile(File("toluene.mol")));
        QCOMPARE(Bench().State().Mode, DescriptorMode::Normal);

        // INTRO mode: augmented atoms are not available.
        Dialog().shown.clear();
        Dialog().answers = {MessageAnswer::Ok, MessageAnswer::Ok};
        Action(&m_main->window, "In&tro")->trigger();
        QVERIFY(Bench().State().ParametersAvailable);
        Dialog().shown.clear();
        WhenModal<TSimCritDlg>([&](TSimCritDlg* d) {
            ClickItem(d->List(), ListPosition(DescriptorIndex("Aug: C4C4C")));
            QVERIFY(test::ExpectMessage(Dialog().shown.at(0), MessageKind::Warning, kNotInIntro, MessageButtons::Ok));
            QVERIFY(!d->List()->item(ListPosition(DescriptorIndex("Aug: C4C4C")))->isSelected());
            // The button for the query's augmented atoms says the same, once, and chooses none.
            Dialog().shown.clear();
            QVERIFY(d->AugAtomsButton()->isEnabled());
            d->AugAtomsButton()->click();
            QCOMPARE(Dialog().shown.size(), std::size_t(1));
            QVERIFY(test::ExpectMessage(Dialog().shown.at(0), MessageKind::Warning, kNotInIntro, MessageButtons::Ok));
            QVERIFY(GridNames(d).isEmpty());
            d->CloseButton()->click();
        });
        Action(&m_main->window, "Structural descriptors")->trigger();
        QVERIFY(!Dialog().shown.empty());
        Action(&m_main->window, "N&ormal")->trigger();
        QCOMPARE(Bench().State().Mode, DescriptorMode::Normal);

        Dialog().shown.clear();
        bool done = false;
        WhenModal<TSimCritDlg>([&](TSimCritDlg* d) {
            QCOMPARE(d->windowTitle(), QString("Structural Descriptors"));
            QCOMPARE(d->List()->count(), kDescriptorCount);
            QCOMPARE(d->Sets()->itemText(0), QString("[none]"));
            QVERIFY(d->AugAtomsButton()->isEnabled());

            // Clicks toggle one item each; the library check refuses a constant descriptor.
            for (int p : {c, a, b})
                ClickItem(d->List(), p);
            ClickItem(d->List(), constant);
            QVERIFY(test::ExpectMessage(Dialog().shown.at(0), MessageKind::Warning, kMakesNoSense, MessageButtons::Ok));
            QVERIFY(!d->List()->item(constant)->isSelected());
            QCOMPARE(GridNames(d), ChosenNames(Bench()));
            QCOMPARE(GridNames(d).size(), 3);
            QCOMPARE(GridNames(d).front(), QString::fromStdString(NameAt(a))); // list order
            ClickItem(d->List(), b);
            QCOMPARE(GridNames(d).size(), 2);
            ClickItem(d->List(), b);
            Screenshot(d, "descriptors-3");

            // Saved as a named set (the texts of crits.txt and the set messages are the core's and
            // tested there): the list offers it; a set this library cannot use whole is cut.
            Dialog().texts = {std::string("three")};
            d->SaveButton()->click();
            QCOMPARE(Dialog().textCaptions.back(), std::string("Name this new criteriaset:"));
            QCOMPARE(d->Sets()->currentText(), QString("three"));
            d->DeselectButton()->click();
            QVERIFY(GridNames(d).isEmpty() && d->Sets()->currentIndex() == 0 && !d->SaveButton()->isEnabled());
            emit d->Sets()->activated(2);
            QCOMPARE(GridNames(d).size(), 3);
            emit d->Sets()->activated(1);
            QCOMPARE(Dialog().shown.back().kind, MessageKind::Warning);
            QCOMPARE(d->Sets()->currentIndex(), 0);
            QCOMPARE(GridNames(d), QStringList{QString::fromStdString(NameAt(a))});
            // The query's augmented atoms join the grid.
            d->AugAtomsButton()->click();
            QVERIFY(GridNames(d).size() > 1);

            // The grid grows with its rows up to its largest height, then scrolls.
            d->DeselectButton()->click();
            int grown = 0;
            for (int count = 1; count <= 25; ++count) {
                ClickItem(d->List(), m_varying[static_cast<std::size_t>(count - 1)]);
                QCoreApplication::processEvents();
                const int height = d->Chosen()->height();
                if (count <= TSimCritDlg::kVisibleRows) {
                    QVERIFY2(height > grown, qPrintable(QString::number(count)));
                    // Every chosen row is in view.
                    QVERIFY(d->Chosen()->visualItemRect(d->Chosen()->item(count - 1, 0)).bottom() <
                            d->Chosen()->viewport()->height());
                }
                else
                    QCOMPARE(height, grown);
                grown = height;
                QCOMPARE(d->Chosen()->verticalScrollBarPolicy() == Qt::ScrollBarAlwaysOn,
                         count > TSimCritDlg::kVisibleRows);
                if (count == 20)
                    Screenshot(d, "descriptors-20");
            }
            QCOMPARE(d->Chosen()->rowCount(), 25);
            done = true;
            d->CloseButton()->click();
        });
        Action(&m_main->window, "Structural descriptors")->trigger();
        QVERIFY(done);
        QVERIFY(Bench().State().DescriptorsChosen && Bench().CalculateEnabled());
    }

    // The report table, overview, detail page, navigation, diagram, ASCII export and the export.
    void resultPages()
    {
        TQVXForm& window = m_main->window;
        QVERIFY(window.LoadQueryFile(m_library)); // structure 1 of the library is the query
        QVERIFY(!Action(&window, "Export as ASCII")->isEnabled());
        QVERIFY(!Action(&window, "&Export Library")->isEnabled());
        Bench().SetCoefficient(kManhattan);
        QVERIFY(Bench().SetBestCount("5"));
        bool diagramChecked = false;
        CloseDiagramWhenShown([&](TFormSearchDiagram* d) {
            QCOMPARE(d->windowTitle(), QString("Distribution of similar structures"));
            QCOMPARE(d->View()->GetChart().IdAbscissa(), std::string("Manhattan distance"));
            QCOMPARE(d->TimeLabel()->text(),
                     QString::fromStdString(ElapsedText(Bench().State().StartTime, Bench().State().EndTime)));
            Screenshot(d, "diagram");
            diagramChecked = true;
        });
        QTest::mouseClick(window.Flow().calculate, Qt::LeftButton);
        QVERIFY(diagramChecked);

        // Best count 5: ten rows with the heading, rows 6..9 empty.
        ReportPage& report = window.ReportView();
        QTableWidget* table = report.Table();
        QCOMPARE(table->rowCount() + 1, 10);
        QStringList headings;
        for (int column = 0; column < 4; ++column)
            headings << table->horizontalHeaderItem(column)->text();
        QCOMPARE(headings, QStringList({" Position", "Manhattan dist", " CAS-Nr", " Structurename"}));
        const auto rows = Bench().ReportRows();
        QCOMPARE(rows.size(), std::size_t{5});
        for (int r = 0; r < 5; ++r) {
            QCOMPARE(TableText(table, r, 0), QString::number(rows[static_cast<std::size_t>(r)].libraryPosition));
            QCOMPARE(TableText(table, r, 1), QString::fromStdString(rows[static_cast<std::size_t>(r)].value));
            // The library's structures have no CAS number: shown as printed, "0-00-0".
            QCOMPARE(TableText(table, r, 2), QString("0-00-0"));
            QCOMPARE(TableText(table, r, 3), QString::fromStdString(rows[static_cast<std::size_t>(r)].name));
        }
        QCOMPARE(TableText(table, 0, 0), QString("1"));
        for (int r = 5; r < 9; ++r)
            QVERIFY(TableText(table, r, 0).isEmpty() && TableText(table, r, 3).isEmpty());
        QCOMPARE(report.LibraryName()->FullText(), QString::fromStdString(Bench().LibraryPath()));
        QCOMPARE(report.LibraryName()->toolTip(), QString::fromStdString(Bench().LibraryPath()));
        QCOMPARE(report.BestCount()->text(), QString("5"));
        QCOMPARE(report.Coefficient()->text(), QString::fromStdString(CoefficientName(kManhattan)));
        // 25 chosen descriptors fill all four lines and more: "=>" marks the overflow.
        for (int i = 0; i < 4; ++i)
            QVERIFY(report.DescriptorLine(i)->isVisibleTo(&report));
        QVERIFY(report.DescriptorLine(3)->text().endsWith("=>"));
        QCOMPARE(report.DescriptorLine(0)->text(), QString::fromStdString(Bench().DescriptorLines()[0]));
        // What the table shows is what is printed: no cell can be edited. A double click on a match
        // shows it on the detail page, and " Back  " returns to the table.
        auto page = [&] { return window.Stack().currentIndex(); };
        DetailPage& detail = window.DetailView();
        // Keys go to the window again after the dialogs (a window manager would see to it; the
        // offscreen platform leaves the closed dialog active).
        QApplication::setActiveWindow(&window);
        QTRY_VERIFY(window.isActiveWindow());
        QTest::mouseClick(window.Flow().similarityTable, Qt::LeftButton);
        QCOMPARE(page(), 1);
        QVERIFY(table->hasFocus());
        table->setCurrentCell(2, 3);
        DoubleClick(table->viewport(), table->visualItemRect(table->item(2, 3)).center());
        QCOMPARE(page(), 3);
        QCOMPARE(detail.ScrollBar()->value(), 3);
        QCOMPARE(detail.Rank()->text(), QString("Rank 3 of 5"));
        QCOMPARE(detail.Picture()->Structure().FStrucName, rows[2].name);
        QCOMPARE(detail.CasNumber()->text(), QString("0-00-0"));
        QTest::keyClicks(table->viewport(), "edited");
        Action(&window, " Back  ")->trigger();
        QCOMPARE(page(), 1);
        QCOMPARE(TableText(table, 2, 3), QString::fromStdString(rows[2].name));
        // Enter on a row does the same; rows without a match open nothing.
        table->setFocus();
        table->setCurrentCell(4, 0);
        QTest::keyClick(table, Qt::Key_Return);
        QCOMPARE(page(), 3);
        QCOMPARE(detail.ScrollBar()->value(), 5);
        Action(&window, " Back  ")->trigger();
        QCOMPARE(page(), 1);
        table->setFocus();
        table->setCurrentCell(7, 0);
        QTest::keyClick(table, Qt::Key_Return);
        DoubleClick(table->viewport(), table->visualRect(table->model()->index(8, 1)).center());
        QCOMPARE(page(), 1);

        // The overview: the query and eleven numbered panels, those above the best count empty.
        OverviewPage& overview = window.OverviewView();
        QVERIFY(overview.QueryPanel()->HasStructure());
        QCOMPARE(overview.QueryPanel()->Caption(), QString("My"));
        for (int k = 1; k <= OverviewPage::kRanks; ++k) {
            QCOMPARE(overview.RankPanel(k)->Caption(), QString::number(k));
            QCOMPARE(overview.RankPanel(k)->HasStructure(), k <= 5);
        }
        QCOMPARE(overview.RankPanel(1)->Structure().FStrucName, rows[0].name);
        // A click on a match opens it in detail, and " Back  " returns to the overview; the empty
        // panels are no links.
        Action(&window, "Graphic")->trigger();
        QCOMPARE(page(), 2);
        QVERIFY(overview.RankPanel(4)->Clickable() && !overview.RankPanel(6)->Clickable());
        QTest::mouseClick(overview.RankPanel(6), Qt::LeftButton);
        QCOMPARE(page(), 2);
        QTest::mouseClick(overview.RankPanel(4), Qt::LeftButton);
        QCOMPARE(page(), 3);
        QCOMPARE(detail.ScrollBar()->value(), 4);
        QCOMPARE(detail.Picture()->Structure().FStrucName, rows[3].name);
        Action(&window, " Back  ")->trigger();
        QCOMPARE(page(), 2);
        Action(&window, " Back  ")->trigger();
        Action(&window, " Back  ")->trigger();
        QCOMPARE(page(), 0);

        // Best count 30: 31 rows, the detail scroll bar over 1..30.
        QVERIFY(Bench().SetBestCount("30"));
        Search();
        QCOMPARE(table->rowCount() + 1, 31);
        const auto all = Bench().ReportRows();
        QCOMPARE(detail.ScrollBar()->minimum(), 1);
        QCOMPARE(detail.ScrollBar()->maximum(), 30);
        QCOMPARE(detail.ScrollBar()->value(), 1);
        QCOMPARE(detail.Position()->text(), QString("1"));
        QCOMPARE(detail.ValueCaption()->text(), QString::fromStdString(CoefficientLabel(kManhattan)));
        // Why similar: a row per participating descriptor, closest first as the core sorts them,
        // each row's tool tip with that descriptor's numbers; the panel follows the scroll bar.
        ExplainPanel& why = *detail.Explanation();
        ExplainChart& chart = *why.Chart();
        const auto expectExplained = [&](int rank) {
            const MatchExplanation e = ExplainMatch(Bench(), rank);
            QCOMPARE(chart.RowCount(), static_cast<int>(Bench().Participating().size()));
            QCOMPARE(e.contributions.size(), Bench().Participating().size());
            for (int r = 0; r < chart.RowCount(); ++r) {
                const DescriptorContribution& c = e.contributions[static_cast<std::size_t>(r)];
                const QString tip = chart.RowToolTip(r);
                QVERIFY2(tip.startsWith(QString::fromStdString(CatalogueName(c.index) + "\n")), qPrintable(tip));
                for (const std::string& number :
                     {RawValueText(c.index, c.queryRaw), RawValueText(c.index, c.matchRaw), FormatFixed(c.queryScaled, 4),
                      FormatFixed(c.matchScaled, 4), FormatFixed(c.term, 4), SharePercent(c.share),
                      FormatFixed(c.contribution, 4)})
                    QVERIFY2(tip.contains(QString::fromStdString(number)), qPrintable(tip + " lacks " + number.c_str()));
            }
            QCOMPARE(why.Formula()->text(), QString::fromStdString(ValueFormula(e)));
            QVERIFY(why.Problem()->isHidden());
        };
        expectExplained(1);
        const QString formula = why.Formula()->text();
        detail.ScrollBar()->setValue(2);
        expectExplained(2);
        QVERIFY(why.Formula()->text() != formula);
        // Pointing at a row shows its tool tip.
        QHelpEvent help(QEvent::ToolTip, chart.RowRect(1).center(), chart.mapToGlobal(chart.RowRect(1).center()));
        QApplication::sendEvent(&chart, &help);
        QCOMPARE(QToolTip::text(), chart.RowToolTip(1));
        detail.ScrollBar()->setValue(7);
        QCOMPARE(Bench().State().StructureCounter, 7L);
        QCOMPARE(detail.Position()->text(), QString::number(all[6].libraryPosition));
        QCOMPARE(detail.Value()->text(), QString::fromStdString(all[6].value));
        QCOMPARE(detail.CasNumber()->text(), QString("0-00-0"));
        QCOMPARE(detail.Rank()->text(), QString("Rank 7 of 30"));
        QCOMPARE(detail.Name()->toolTip(), QString::fromStdString(all[6].name));
        QCOMPARE(detail.Picture()->Structure().FStrucName, all[6].name);
        QCOMPARE(detail.QueryName()->toolTip(), QString::fromStdString(Bench().State().Query.FStrucName));
        // The library by its full path; where the label is too narrow, shortened in the middle.
        const QString fullPath = QString::fromStdString(Bench().LibraryPath());
        QVERIFY(QFileInfo(fullPath).isAbsolute() && fullPath.endsWith("lib30.clb"));
        QCOMPARE(detail.Library()->FullText(), fullPath);
        QCOMPARE(detail.Library()->toolTip(), fullPath);
        const QSize libraryLabel = detail.Library()->size();
        detail.Library()->resize(detail.Library()->fontMetrics().horizontalAdvance(fullPath) / 2, libraryLabel.height());
        QVERIFY2(detail.Library()->text().contains(QChar(0x2026)) && detail.Library()->text().endsWith(".clb") &&
                     detail.Library()->text().startsWith(fullPath.left(2)),
                 qPrintable(detail.Library()->text()));
        detail.Library()->resize(libraryLabel);

        // Another coefficient chosen after the search is for the next one: the result pages keep
        // naming the coefficient their values were computed with.
        WhenModal<CoefficientDialog>([](CoefficientDialog* d) {
            d->List()->setCurrentIndex(kTanimoto);
            d->accept();
        });
        Action(&window, "Similarity coefficient")->trigger();
        QCOMPARE(Bench().State().CoefficientIndex, kTanimoto);
        QCOMPARE(detail.ValueCaption()->text(), QString::fromStdString(CoefficientLabel(kManhattan)));
        QCOMPARE(table->horizontalHeaderItem(1)->text(), QString("Manhattan dist"));
        QCOMPARE(report.Coefficient()->text(), QString::fromStdString(CoefficientName(kManhattan)));
        detail.ScrollBar()->setValue(6);
        QCOMPARE(detail.ValueCaption()->text(), QString::fromStdString(CoefficientLabel(kManhattan)));
        Bench().SetCoefficient(kManhattan);
        // So is a best count: the pages, filled again, keep the count of the search.
        QVERIFY(Bench().SetBestCount("4"));
        report.Fill(Bench());
        window.OverviewView().Fill(Bench());
        QCOMPARE(report.BestCount()->text(), QString("30"));
        QCOMPARE(table->rowCount() + 1, 31);
        QCOMPARE(TableText(table, 29, 0), QString::number(all[29].libraryPosition));
        QVERIFY(window.OverviewView().RankPanel(11)->HasStructure());
        QCOMPARE(MakeReportPrintData(Bench()).bestCount, 30);
        QVERIFY(Bench().SetBestCount("30"));
        QApplication::setActiveWindow(&window); // as after the dialogs above
        QTRY_VERIFY(window.isActiveWindow());

        // The keyboard moves through the ranks once the detail page is shown: arrows one rank,
        // PgUp/PgDn ten, Home and End to the first and the last; a click on the page keeps the keys there.
        Action(&window, "View molecule detailed")->trigger();
        QCOMPARE(page(), 3);
        QVERIFY(detail.ScrollBar()->hasFocus());
        const std::vector<std::pair<Qt::Key, int>> keys{{Qt::Key_Home, 1},      {Qt::Key_Down, 2},  {Qt::Key_Right, 3},
                                                       {Qt::Key_PageDown, 13}, {Qt::Key_Up, 12},   {Qt::Key_End, 30},
                                                       {Qt::Key_PageDown, 30}, {Qt::Key_Left, 29}, {Qt::Key_PageUp, 19}};
        for (const auto& [key, rank] : keys) {
            QTest::keyClick(QApplication::focusWidget(), key);
            QCOMPARE(detail.ScrollBar()->value(), rank);
            QCOMPARE(detail.Rank()->text(), QString("Rank %1 of 30").arg(rank));
            QCOMPARE(detail.Position()->text(), QString::number(all[static_cast<std::size_t>(rank - 1)].libraryPosition));
        }
        QTest::mouseClick(detail.Picture(), Qt::LeftButton);
        QVERIFY(detail.ScrollBar()->hasFocus());
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_PageUp);
        QCOMPARE(detail.ScrollBar()->value(), 9);
        QCOMPARE(detail.Name()->toolTip(), QString::fromStdString(all[8].name));
        Screenshot(&window, "detail-rank-keyboard");
        Action(&window, " Back  ")->trigger();
        QCOMPARE(page(), 0);
        detail.ScrollBar()->setValue(7);

        // Navigation: table, overview, detail and back the same way; which of "Graphic" and
        // "Detailed" each page offers.
        QTest::mouseClick(window.Flow().similarityTable, Qt::LeftButton);
        const struct {
            const char* action; // null: the page reached by the click above
            int page;
            bool graphic, detailed;
            const char* picture;
        } steps[] = {{nullptr, 1, true, false, "report-page"},  {"Graphic", 2, false, true, "overview-page"},
                     {"Detailed", 3, false, false, "detail-explained"}, {" Back  ", 2, false, true, nullptr},
                     {" Back  ", 1, true, false, nullptr},      {" Back  ", 0, false, false, nullptr},
                     {"View molecule detailed", 3, false, false, nullptr}, {" Back  ", 0, false, false, nullptr}};
        for (const auto& step : steps) {
            if (step.action)
                Action(&window, step.action)->trigger();
            QCOMPARE(page(), step.page);
            QCOMPARE(Action(&window, "Graphic")->isVisible(), step.graphic);
            QCOMPARE(Action(&window, "Detailed")->isVisible(), step.detailed);
            if (step.picture)
                Screenshot(&window, step.picture);
        }

        // The diagram again from the menu.
        diagramChecked = false;
        CloseDiagramWhenShown([&](TFormSearchDiagram*) { diagramChecked = true; });
        Action(&window, "Distribution diagram")->trigger();
        QVERIFY(diagramChecked);

        // The ASCII export with its small window.
        QVERIFY(Action(&window, "Export as ASCII")->isEnabled());
        bool windowShown = false;
        window.AsciiWindow().onShown = [&] {
            windowShown = window.AsciiWindow().isVisible() &&
                          window.AsciiWindow().windowTitle() == "Creating the ASCII-File" &&
                          window.AsciiWindow().Text()->text() == "Please wait ...";
        };
        Action(&window, "Export as ASCII")->trigger();
        QVERIFY(windowShown && !window.AsciiWindow().isVisible());
        const auto lines = test::CrLfLines(test::ReadBytes(CompanionFileName(m_library, "asc")));
        QCOMPARE(lines.size(), std::size_t{5 + 30}); // the table's layout is the core's

        // Export of the best matches; an aborted export does not mark the exported library.
        const std::string hits = File("hits.sdf");
        Dialog().shown.clear();
        Dialog().answers.clear();
        Dialog().files = {hits};
        WhenModal<TConvertForm>([&](TConvertForm* form) {
            QCOMPARE(form->windowTitle(), QString("Export"));
            QCOMPARE(form->FromName()->toolTip(), QString::fromStdString(Bench().State().SimilarLibraryFileName));
            QCOMPARE(form->FromFormat()->text(), QString("*.clb"));
            QCOMPARE(form->Structures()->text(), QString("30"));
            form->SaveAsButton()->click();
            QCOMPARE(form->ToFormat()->text(), QString("*.sdf")); // known once the target is chosen
            form->ConvertButton()->click();
            QCOMPARE(form->ToFormat()->text(), QString("*.sdf"));
            Screenshot(form, "converter-export");
            form->ExitButton()->click();
        });
        QTest::mouseClick(window.Flow().similarityExport, Qt::LeftButton);
        QCOMPARE(Dialog().filters.back(), std::string("Mol-File (*.mol ; *.sd ; *.sdf)|*.sdf;*.mol;*.sd"));
        QVERIFY(test::ExpectMessage(Dialog().shown.at(0), MessageKind::Information, "Conversion successful", MessageButtons::Ok));
        QCOMPARE(CountSDRecords(hits), 30L);
        QCOMPARE(window.Flow().similarityExport->Fill(), QColor(0, 255, 0));
        Dialog().files = {hits};
        Dialog().answers = {MessageAnswer::Replace};
        WhenModal<TConvertForm>([&](TConvertForm* form) {
            form->SaveAsButton()->click();
            QTimer::singleShot(0, m_main->progress.Window().AbortButton(), &QPushButton::click);
            form->ConvertButton()->click();
            form->ExitButton()->click();
        });
        Action(&window, "&Export Library")->trigger();
        QCOMPARE(window.Flow().similarityExport->Fill(), QColor(255, 255, 255));

        // Descriptor values gone since the search: the panel says why in one line, the match stays.
        const std::string descriptors = CompanionFileName(m_library, "pre");
        const std::string stored = test::ReadBytes(descriptors);
        fs::resize_file(descriptors, 0);
        detail.ScrollBar()->setValue(4);
        QVERIFY(detail.Picture()->HasStructure() && chart.RowCount() == 0 && why.Formula()->isHidden());
        QVERIFY2(why.Problem()->isVisibleTo(&why) && why.Problem()->FullText().contains("no descriptor record"),
                 qPrintable(why.Problem()->FullText()));
        test::WriteBytes(descriptors, stored);

        // A result record that cannot be read leaves nothing of the structure shown before.
        detail.ScrollBar()->setValue(2);
        QVERIFY(detail.Picture()->HasStructure() && chart.RowCount() > 0 && why.Problem()->isHidden());
        Bench().Library().ReleaseFiles();
        fs::resize_file(Bench().State().SimilarLibraryFileName, 100);
        detail.ScrollBar()->setValue(3);
        QVERIFY(!detail.Picture()->HasStructure());
        QVERIFY(detail.Name()->FullText().isEmpty() && detail.CasNumber()->text().isEmpty() && chart.RowCount() == 0);
        QCOMPARE(detail.Position()->text(), QString::number(all[2].libraryPosition));

        // A new query takes the results: pages emptied, result commands off.
        QVERIFY(window.LoadQueryFile(File("toluene.mol")));
        QVERIFY(!Action(&window, "Export as ASCII")->isEnabled() && !Action(&window, "&Export Library")->isEnabled());
        QVERIFY(TableText(table, 0, 0).isEmpty() && !overview.RankPanel(1)->HasStructure());
        QVERIFY(detail.Position()->text().isEmpty());
    }
};

VELMORA_GUI_SUITE("results_test", ResultsTest);
#include "results_test.moc"
