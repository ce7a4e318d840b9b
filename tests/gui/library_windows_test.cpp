// The library viewer and its statistics window as a chemist reads them: a cut name ends in a whole
// "=>", the count's lines stay together at the top, and every column heading stands above its
// column.
#include "dbstat.h"
#include "gui_support.h"
#include "workbench_access.h"
#include "io/convert.h"
#include "qtprinttarget.h"
#include "viewlib.h"

#include <QLabel>
#include <QProgressBar>
#include <QtTest>

using namespace velmora;
using namespace velmora::gui;
using namespace velmora::test;

namespace {

class NoPrinters final : public PrinterProvider {
public:
    QPrinter* ChoosePrinter(QWidget*) override { return nullptr; }
};

} // namespace

class LibraryWindowsTest : public QObject {
    Q_OBJECT

private:
    test::TempDir m_dir;
    std::string m_library;

private slots:
    void initTestCase()
    {
        test::SetUpLook();
        // Narrow letters first: "=>" is wider than the two characters it replaces.
        std::string records = test::NciRecords(1, 3);
        records.replace(0, records.find("\r\n"), std::string(60, 'I') + "-ILLINOIS-" + std::string(40, 'l'));
        test::WriteBytes(m_dir.File("named.sdf"), records);
        m_library = m_dir.File("named.clb");
        StructureLibrary library;
        NullProgress progress;
        const ImportReport report =
            ImportStructures(library, m_dir.File("named.sdf"), 3, m_library, ConversionMode::WriteAnew, progress);
        QCOMPARE(report.written, 3L);
    }

    void viewerShowsTheWholeArrow()
    {
        ScriptedDialog dialog;
        NullProgress progress;
        Workbench workbench(dialog, progress, m_dir.Path().string());
        WorkbenchTestAccess::State(workbench).LibraryFileName = m_library;
        WorkbenchTestAccess::State(workbench).LibraryOpen = true;
        NoPrinters printers;
        TViewForm viewer(workbench, dialog, printers);
        viewer.Open();
        QVERIFY(ShowAndWait(viewer));
        QLabel& name = viewer.NameLabel();
        QVERIFY2(name.text().endsWith(QStringLiteral("=>")), qPrintable(name.text()));
        const int shown = name.fontMetrics().horizontalAdvance(name.text());
        QVERIFY2(shown <= name.contentsRect().width(),
                 qPrintable(QStringLiteral("%1 wider than %2").arg(shown).arg(name.contentsRect().width())));
        QVERIFY(name.toolTip().startsWith(QString(60, QLatin1Char('I'))));
        Screenshot(&viewer, "viewer-cut-name");
    }

    void statisticsLinesAndHeadings()
    {
        StructureLibrary library;
        ScriptedDialog dialog;
        NoPrinters printers;
        TStatisticForm statistics(library, dialog, printers);
        statistics.resize(620, 760);
        statistics.MarkPending(m_library);
        QVERIFY(ShowAndWait(statistics));
        QTRY_VERIFY(!statistics.CountPending() && !statistics.Counting());
        QVERIFY(statistics.ResultPanel().isVisible());
        QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);

        // Each heading above its column: the same right edge as the column's values, the group
        // names' heading at their left edge.
        auto global = [](QWidget& widget) { return QRect(widget.mapTo(widget.window(), QPoint()), widget.size()); };
        auto* groups = statistics.findChild<QLabel*>(QStringLiteral("heading0"));
        auto* present = statistics.findChild<QLabel*>(QStringLiteral("heading1"));
        auto* percent = statistics.findChild<QLabel*>(QStringLiteral("heading2"));
        QVERIFY(groups && present && percent);
        QCOMPARE(groups->text(), QStringLiteral("Functional groups"));
        QCOMPARE(present->text(), QStringLiteral("Structures"));
        QCOMPARE(percent->text(), QStringLiteral("%"));
        QCOMPARE(global(*present).right(), global(statistics.GroupCount(0)).right());
        QCOMPARE(global(*percent).right(), global(statistics.GroupPercent(0)).right());
        QVERIFY(global(*present).left() > global(*groups).left() + groups->fontMetrics().horizontalAdvance(groups->text()));
        QVERIFY(global(*groups).bottom() < global(statistics.GroupCount(0)).top());
        Screenshot(&statistics, "statistics-columns");

        // While counting (the results hidden) the count's lines stay together at the top.
        statistics.ResultPanel().hide();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
        auto* total = statistics.findChild<QLabel*>(QStringLiteral("total"));
        QVERIFY(total);
        const int lineHeight = total->fontMetrics().lineSpacing();
        QVERIFY2(global(statistics.DoneLabel()).top() - global(*total).bottom() < lineHeight,
                 qPrintable(QString::number(global(statistics.DoneLabel()).top() - global(*total).bottom())));
        QVERIFY(global(statistics.Gauge()).bottom() < statistics.height() / 3);
        Screenshot(&statistics, "statistics-counting");
    }
};

VELMORA_GUI_SUITE("library_windows_test", LibraryWindowsTest);
#include "library_windows_test.moc"
