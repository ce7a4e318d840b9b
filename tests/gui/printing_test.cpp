// Printing, the library viewer with its connection table, and the statistics window, driven
// headless through their real widgets. Printouts go to PDF files, checked with pdfinfo/pdftotext.
// With VELMORA_TEST_OUTPUT set, the PDFs, PNG pages of them and window pictures are written there.
#include "ctabview.h"
#include "dbstat.h"
#include "fonts.h"
#include "base/ioerror.h"
#include "io/convert.h"
#include "io/molfile.h"
#include "model/elements.h"
#include "printreport.h"
#include "qtprinttarget.h"
#include "qtprogress.h"
#include "gui_support.h"
#include "search/coefficients.h"
#include "search/paramcalc.h"
#include "sharedprinter.h"
#include "viewlib.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QPrinter>
#include <QProcess>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollBar>
#include <QTableWidget>
#include <QTimer>
#include <QtTest>

#include <csignal>
#include <filesystem>
#include <functional>
#include <sys/resource.h>

using namespace velmora;
using namespace velmora::gui;
using namespace velmora::test;

namespace {

QString Tool(const QString& program, const QStringList& arguments)
{
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(60000))
        return {};
    return QString::fromUtf8(process.readAllStandardOutput());
}

// What pdfinfo says after "field:" (empty when it cannot read the file).
QString PdfInfo(const QString& pdf, const QString& field)
{
    const QRegularExpressionMatch match = QRegularExpression(field + ":\\s+(.*\\S)").match(Tool("pdfinfo", {pdf}));
    return match.hasMatch() ? match.captured(1) : QString();
}
int PdfPages(const QString& pdf) { return PdfInfo(pdf, "Pages").toInt(); }

// Number of pictures in the document.
int PdfImages(const QString& pdf)
{
    const QStringList lines = Tool("pdfimages", {"-list", pdf}).split('\n', Qt::SkipEmptyParts);
    return static_cast<int>(lines.size()) - 2; // two heading lines
}

// The text of one page (or of all, page 0), laid out as printed.
QString PdfText(const QString& pdf, int page = 0)
{
    QStringList arguments{"-layout"};
    if (page > 0)
        arguments << "-f" << QString::number(page) << "-l" << QString::number(page);
    return Tool("pdftotext", arguments << pdf << "-");
}

// The page's last non-blank line (where the footer is).
QString LastLine(const QString& pageText)
{
    const QStringList lines = pageText.split('\n', Qt::SkipEmptyParts);
    for (auto line = lines.rbegin(); line != lines.rend(); ++line)
        if (!line->trimmed().isEmpty() && line->trimmed() != "\f")
            return line->trimmed();
    return {};
}

// The first page of the PDF as one PNG at 100 dpi, name.png in the output folder.
void KeepPage(const QString& pdf, const QString& name)
{
    const QString folder = OutputFolder();
    if (!folder.isEmpty())
        Tool("pdftoppm", {"-png", "-r", "100", "-f", "1", "-singlefile", pdf, QDir(folder).filePath(name)});
}

// Copies the PDF and its pages as PNGs into the output folder.
void KeepPrintout(const QString& pdf, const QString& name)
{
    const QString folder = OutputFolder();
    if (folder.isEmpty())
        return;
    QFile::remove(QDir(folder).filePath(name + ".pdf"));
    QFile::copy(pdf, QDir(folder).filePath(name + ".pdf"));
    Tool("pdftoppm", {"-r", "80", "-png", pdf, QDir(folder).filePath(name)});
}

// The print dialog's stand-in: the shared printer, writing each job to a new PDF file.
class PdfPrinters final : public PrinterProvider {
public:
    explicit PdfPrinters(QString folder) : m_folder(std::move(folder)) {}
    QPrinter* ChoosePrinter(QWidget*) override
    {
        ++asked;
        if (cancel)
            return nullptr;
        QPrinter& printer = m_shared.Printer();
        printer.setOutputFormat(QPrinter::PdfFormat);
        last = QDir(m_folder).filePath(QString("job%1.pdf").arg(asked));
        printer.setOutputFileName(last);
        return &printer;
    }
    bool cancel = false;
    int asked = 0;
    QString last;

private:
    QString m_folder;
    SharedPrinter m_shared;
};

struct Bond {
    int a, b, type;
};
struct Atom {
    int element;
    float x, y;
    int charge = 0;
};

TCTab Structure(const std::vector<Atom>& atoms, const std::vector<Bond>& bonds, const std::string& name, int cas)
{
    TCTab table;
    for (const auto& a : atoms) {
        TAtomRecord record;
        record.AtNum = static_cast<std::uint8_t>(a.element);
        record.AtWeight = static_cast<std::uint8_t>(MassNumber(a.element));
        record.Charge = static_cast<std::int8_t>(a.charge);
        record.x = 60 + a.x * 40; // the library keeps whole coordinates
        record.y = 60 + a.y * 40;
        table.AddAtom(record);
    }
    for (const auto& b : bonds) {
        table.SetConnection(b.a, b.b, b.type);
        table.SetConnection(b.b, b.a, b.type);
    }
    table.FStrucName = name;
    table.FCASNr = cas;
    return table;
}

const std::string kLongName = "2-[4-(2-Methylpropyl)phenyl]propanoic acid, racemic, from batch 7"; // 65

// Ethanol, benzene (aromatic bonds), a long-named ibuprofen-like chain, sodium chloride as two
// ions, and ethane with a lone oxygen.
std::vector<TCTab> FiveStructures()
{
    std::vector<TCTab> five;
    five.push_back(Structure({{6, 0, 0}, {6, 1.3f, 0.75f}, {8, 2.6f, 0}}, {{1, 2, 1}, {2, 3, 1}}, "Ethanol", 64175));
    std::vector<Atom> ring;
    std::vector<Bond> aromatic;
    for (int i = 0; i < 6; ++i) {
        ring.push_back({6, static_cast<float>(std::cos(i * M_PI / 3)), static_cast<float>(std::sin(i * M_PI / 3))});
        aromatic.push_back({i + 1, (i + 1) % 6 + 1, 4});
    }
    five.push_back(Structure(ring, aromatic, "Benzene", 71432));
    five.push_back(Structure({{6, 0, 0}, {6, 1.3f, 0.75f}, {6, 2.6f, 0}, {6, 3.9f, 0.75f}, {8, 5.2f, 0}, {8, 3.9f, 2.25f}},
                             {{1, 2, 1}, {2, 3, 1}, {3, 4, 1}, {4, 5, 1}, {4, 6, 2}}, kLongName, 15687271));
    five.push_back(Structure({{11, 0, 0, 3}, {17, 2, 0, 5}}, {}, "Sodium chloride", 7647145));
    five.push_back(Structure({{6, 0, 0}, {6, 1.3f, 0}, {8, 3, 1}}, {{1, 2, 1}}, "Ethane and oxygen", 0));
    return five;
}

std::string WriteLibrary(const std::string& path, const std::vector<TCTab>& structures)
{
    StructureLibrary library;
    library.SetWritePermission(true);
    for (const TCTab& t : structures) {
        library.Structure().Assign(t);
        library.WriteLibraryRecord(path, t.FStrucName, static_cast<std::uint32_t>(t.FCASNr));
    }
    return path;
}

// Runs action once the window's count is over, closing the window when a check in it failed.
// Polled by timer: the count processes events, so the check may run inside it and must not wait.
void WhenCounted(TStatisticForm* window, std::function<void()> action, int attempts = 1000)
{
    QTimer::singleShot(5, window, [window, action, attempts] {
        if (!window->Counting() && !window->CountPending()) {
            action();
            if (QTest::currentTestFailed() && window->isVisible())
                window->reject();
        } else if (attempts > 0)
            WhenCounted(window, action, attempts - 1);
        else
            window->reject();
    });
}

} // namespace

class PrintingTest : public QObject {
    Q_OBJECT

private:
    test::TempDir m_dir;
    std::string m_nci;      // 1000 NCI structures with descriptor file and parameters
    std::string m_nciPlain; // the same structures without descriptor file
    std::string m_five;

    QString Folder() const { return QString::fromStdString(m_dir.Path().string()); }

    // The main window after a search of the NCI library for its first structure.
    void Search(TQVXForm& form, test::ScriptedDialog& dialog, int bestCount)
    {
        QVERIFY(form.OpenLibraryFile(m_nci));
        QVERIFY(form.LoadQueryFile(m_nci));
        Workbench& bench = form.Bench();
        test::ChooseDescriptors(bench, dialog, {"Atoms of C", "Atoms of N", "Atoms of O", "Hetero atoms", "Number of rings"});
        QVERIFY(bench.SetBestCount(std::to_string(bestCount)));
        QCOMPARE(bench.RunSearch(), SearchOutcome::Completed);
        form.Refresh();
    }

    // Triggers "Print" and answers the report-style box with the button captioned answer.
    void PrintReport(TQVXForm& form, const QString& answer)
    {
        QAction* print = Action(&form, "Print");
        QVERIFY(print && print->isEnabled());
        bool asked = false;
        WhenModal<QMessageBox>([&asked, answer](QMessageBox* box) {
            asked = box->windowTitle() == "Reportstyle" && box->text() == "Choose image of the report";
            QCOMPARE(ButtonTexts(box), (QStringList{"Graphic", "Table"}));
            for (QAbstractButton* button : box->buttons())
                if (button->text() == answer)
                    button->click();
            if (answer.isEmpty())
                box->reject();
        });
        print->trigger();
        QVERIFY(asked);
    }

private slots:
    void initTestCase()
    {
        Q_INIT_RESOURCE(velmora);
        InstallFontSubstitutions();
        m_nci = test::NciLibrary(m_dir, "nci", 1000, false);
        QVERIFY(!m_nci.empty());
        m_nciPlain = m_dir.File("plain.clb");
        std::filesystem::copy_file(m_nci, m_nciPlain);
        std::filesystem::copy_file(IndexFileName(m_nci), IndexFileName(m_nciPlain));
        QVERIFY(test::BuildDescriptorFiles(m_nci));
        m_five = WriteLibrary(m_dir.File("five.clb"), FiveStructures());
        QCOMPARE(CountLibraryRecords(m_five), 5L);
    }

    void reportInBothStyles()
    {
        test::MainWindow main(m_dir.Path().string());
        auto& [dialog, progress, form] = main;
        PdfPrinters printers(Folder());
        form.SetPrinterProvider(printers);
        QVERIFY(!Action(&form, "Print")->isEnabled());
        Search(form, dialog, 100);
        const TCTab query = form.Bench().State().Query;

        // Table: 100 rows over several pages, each with its heading and footer (the layout is the
        // core's, tested on the recording target; here it reaches a real PDF).
        PrintReport(form, "Table");
        const QString table = printers.last;
        const int pages = PdfPages(table);
        QVERIFY2(pages >= 3, qPrintable(QString::number(pages)));
        QVERIFY(PdfInfo(table, "Page size").startsWith("595")); // A4: 595 x 842 points
        QVERIFY(PdfInfo(table, "Page size").contains("x 84"));
        const QString first = PdfText(table, 1);
        for (const char* text : {"INPUT:", "Similarity coefficient : Euclidean distance", "Number of best matching: 100"})
            QVERIFY2(first.contains(text), text);
        const QRegularExpression heading("Position\\s+\\|\\s+Euclidean\\s+\\|\\s+CASNr\\s+\\|\\s+Structure Name");
        for (int page = 1; page <= pages; ++page) {
            const QString text = PdfText(table, page);
            QCOMPARE(LastLine(text), QString("- %1 -").arg(page));
            QVERIFY(text.contains(heading));
        }
        // The first rank is the query itself, at distance 0; its library number is 1.
        QVERIFY(QRegularExpression("\\n\\s+1\\s+\\|\\s+0\\.0000\\s+\\|").match(first).hasMatch());
        QCOMPARE(CompareCtab(form.Bench().State().Query, query), 0);
        QVERIFY(!form.Report().Printing().isVisible());
        KeepPrintout(table, "report-table");

        // Drawings: the query and three rows of four on one page, without a footer, each labelled.
        PrintReport(form, "Graphic");
        const QString drawing = printers.last;
        QVERIFY(drawing != table);
        KeepPrintout(drawing, "report-graphic");
        KeepPage(drawing, "report-drawings-labelled");
        QCOMPARE(PdfPages(drawing), 1);
        QCOMPARE(PdfImages(drawing), 1 + 12);
        const QString drawingText = PdfText(drawing);
        QVERIFY(!drawingText.contains("- 1 -"));
        QVERIFY(drawingText.contains("0.0000"));
        QVERIFY(drawingText.contains("0-00-0"));
        QVERIFY(drawingText.contains(QRegularExpression("Rank 12\\s+Position \\d+")));

        // A coefficient chosen after the search is for the next one: the printout names the
        // coefficient of its results, and the library by its full path.
        form.Bench().SetCoefficient(kTanimoto);
        PrintReport(form, "Table");
        const QString relabelled = PdfText(printers.last, 1);
        QVERIFY(relabelled.contains(heading));
        QVERIFY(relabelled.contains("Similarity coefficient : Euclidean distance"));
        QVERIFY(relabelled.contains("Library: " + QString::fromStdString(form.Bench().LibraryPath())));
        QVERIFY(relabelled.contains(QRegularExpression("\\|\\s+0-00-0\\s+\\|")));
        form.Bench().SetCoefficient(kEuclidean);

        // Closing the box prints the drawings too; a cancelled print dialog prints nothing.
        printers.cancel = true;
        const int asked = printers.asked;
        PrintReport(form, "");
        QCOMPARE(printers.asked, asked + 1);
        QVERIFY(!QFile::exists(QDir(Folder()).filePath(QString("job%1.pdf").arg(printers.asked))));
        printers.cancel = false;
    }

    void viewerScenario()
    {
        test::MainWindow main(m_dir.Path().string());
        auto& [dialog, progress, form] = main;
        PdfPrinters printers(Folder());
        form.SetPrinterProvider(printers);
        QAction* view = Action(&form, "&View    Library");
        QVERIFY(view && !view->isEnabled());
        QVERIFY(form.OpenLibraryFile(m_five));
        QVERIFY(view->isEnabled());

        const std::string written = m_dir.File("written.mol");
        bool done = false;
        WhenModal<TViewForm>([&](TViewForm* viewer) {
            QCOMPARE(viewer->windowTitle().toStdString(), m_five);
            QCOMPARE(viewer->CountLabel().text(), QString("     5"));
            QCOMPARE(viewer->PositionField().text(), QString("         1"));
            QCOMPARE(viewer->NameLabel().text(), QString("ETHANOL")); // names are kept in upper case
            QCOMPARE(viewer->FormulaLabel().text(), QString("C2H6O1"));
            QCOMPARE(viewer->CasLabel().text(), QString("64-17-5"));
            Screenshot(viewer, "viewer");

            // A position typed (the rules of moving are the core's), a position beyond undone.
            viewer->PositionField().setText("6");
            QTest::mouseClick(&viewer->Button("goto"), Qt::LeftButton);
            QCOMPARE(viewer->PositionField().text(), QString("         1"));
            viewer->PositionField().setText("5");
            QTest::keyClick(&viewer->PositionField(), Qt::Key_Return);
            QCOMPARE(viewer->Navigation().Position(), 5L);
            QCOMPARE(viewer->FormulaLabel().text(), QString("C2H8O1")); // the lone oxygen as water
            QCOMPARE(viewer->ScrollBar().value(), 5);
            viewer->ScrollBar().setValue(2);
            QCOMPARE(viewer->NameLabel().text(), QString("BENZENE"));
            QCOMPARE(viewer->FormulaLabel().text(), QString("C6H6"));
            QCOMPARE(viewer->PositionField().text(), QString("         2"));

            // The long name is fitted to its label, the whole name in its tool tip.
            viewer->ScrollBar().setValue(3);
            QVERIFY(viewer->NameLabel().text().endsWith("=>"));
            QCOMPARE(viewer->NameLabel().toolTip().toStdString(), FoldUpper(kLongName));

            // ConnTab: atom numbers in the picture while the list is shown, labels again after.
            const QImage plain = viewer->Picture();
            bool listed = false;
            WhenModal<TConTab>([&](TConTab* table) {
                QCOMPARE(table->windowTitle(), QString("Connection Table"));
                QCOMPARE(table->PositionLabel().text(), QString("3"));
                QCOMPARE(table->Grid().rowCount(), 17);
                QCOMPARE(table->Grid().item(0, 0)->text(), QString("AtomNumber"));
                QCOMPARE(table->Grid().item(4, 1)->text(), QString("3-  5-  6=  "));
                QVERIFY(viewer->Picture() != plain);
                Screenshot(table, "conntab");
                QTest::mouseClick(table->findChild<QPushButton*>("exit"), Qt::LeftButton);
                listed = true;
            });
            QTest::mouseClick(&viewer->Button("connTab"), Qt::LeftButton);
            QVERIFY(listed);
            QCOMPARE(viewer->Picture(), plain);

            // "Write to file": a new file, then appended to.
            dialog.files = {written, written};
            dialog.answers = {MessageAnswer::Append};
            QTest::mouseClick(&viewer->Button("writeToFile"), Qt::LeftButton);
            QTest::mouseClick(&viewer->Button("writeToFile"), Qt::LeftButton);
            QCOMPARE(dialog.titles.back(), std::string("Save structure"));
            QCOMPARE(dialog.shown.back().text, "File: " + written + " already exists");

            // "Print Structure": one page, the 65-character name in two lines.
            QTest::mouseClick(&viewer->Button("printStructure"), Qt::LeftButton);
            QCOMPARE(PdfPages(printers.last), 1);
            const QString page = PdfText(printers.last);
            QVERIFY(page.contains(QString::fromStdString("Structure name  : " + FoldUpper(kLongName).substr(0, 60))));
            QVERIFY(page.contains("Library position: 3"));
            QVERIFY(!viewer->Printing().isVisible());
            KeepPrintout(printers.last, "viewer-print");

            // A record that cannot be read shows nothing rather than the structure before it.
            QFile index(QString::fromStdString(ExistingIndexFileName(m_five)));
            QVERIFY(index.open(QIODevice::ReadWrite));
            const QByteArray saved = index.readAll();
            index.seek(saved.size() - 4);
            index.write(QByteArray(4, '\x7f'));
            index.close();
            form.Bench().Library().ReleaseFiles();
            viewer->PositionField().setText("5");
            QTest::keyClick(&viewer->PositionField(), Qt::Key_Return);
            QVERIFY(!viewer->StructureRead());
            QVERIFY(viewer->NameLabel().text().isEmpty() && viewer->FormulaLabel().text().isEmpty() &&
                    viewer->CasLabel().text().isEmpty());
            QVERIFY(!viewer->Button("printStructure").isEnabled());
            QCOMPARE(viewer->PositionField().text(), QString("         5"));
            QVERIFY(index.open(QIODevice::WriteOnly));
            index.write(saved);
            index.close();
            form.Bench().Library().ReleaseFiles();

            QTest::mouseClick(&viewer->Button("exit"), Qt::LeftButton);
            done = true;
        });
        view->trigger();
        QVERIFY(done);

        TextReader reader(written);
        TCTab read;
        MolReadStatus status;
        QStringList names;
        while (ReadMolRecord(read, reader, status))
            names << QString::fromStdString(read.FStrucName);
        QCOMPARE(names.size(), 2);

        // Another library opened: the viewer follows it and starts at 1.
        QVERIFY(form.OpenLibraryFile(m_nciPlain));
        done = false;
        WhenModal<TViewForm>([&](TViewForm* viewer) {
            QCOMPARE(viewer->windowTitle().toStdString(), m_nciPlain);
            QCOMPARE(viewer->CountLabel().text(), QString("  1000"));
            QCOMPARE(viewer->Navigation().Position(), 1L);
            QCOMPARE(viewer->ScrollBar().maximum(), 1000);
            QTest::mouseClick(&viewer->Button("forward"), Qt::LeftButton);
            QCOMPARE(viewer->PositionField().text(), QString("        11"));
            viewer->reject();
            done = true;
        });
        view->trigger();
        QVERIFY(done);
    }

    void statisticsScenario()
    {
        test::MainWindow main(m_dir.Path().string());
        auto& [dialog, progress, form] = main;
        PdfPrinters printers(Folder());
        form.SetPrinterProvider(printers);
        TStatisticForm& statistics = form.Viewer().Statistics();

        // Counted from the structures: the salt and the error structure.
        QVERIFY(form.OpenLibraryFile(m_five));
        form.Viewer().Open();
        bool checked = false;
        WhenModal<TStatisticForm>([&](TStatisticForm* window) {
            WhenCounted(window, [&, window] {
                QVERIFY(window->ResultPanel().isVisible());
                QVERIFY(!window->Statistics().FromRecords);
                const QStringList values{"5", "2", "1 salt", "1 error structure", "3", "3"};
                for (int i = 0; i < 6; ++i)
                    QCOMPARE(window->Value(i).text(), values[i]);
                QCOMPARE(window->Gauge().value(), 100);
                QCOMPARE(window->GroupCount(0).text(), QString("0"));
                QCOMPARE(window->GroupPercent(0).text(), QString("0.0"));
                Screenshot(window, "statistics");
                window->reject();
                checked = true;
            });
        });
        form.Viewer().Button("statistics").click();
        QVERIFY(checked);

        // Counted from the descriptor file, printed on two pages; showing the window again
        // (after the print dialog was cancelled) does not count again.
        QVERIFY(form.OpenLibraryFile(m_nci));
        form.Viewer().Open();
        checked = false;
        WhenModal<TStatisticForm>([&](TStatisticForm* window) {
            WhenCounted(window, [&, window] {
                QVERIFY(window->Statistics().FromRecords);
                QCOMPARE(window->Value(0).text(), QString("1000"));
                QCOMPARE(window->windowTitle().toStdString(), m_nci);
                printers.cancel = true;
                QTest::mouseClick(&window->PrintButton(), Qt::LeftButton);
                printers.cancel = false;
                window->hide();
                window->show();
                QTest::qWait(50);
                QVERIFY(!window->Counting() && !window->CountPending());
                QTest::mouseClick(&window->PrintButton(), Qt::LeftButton);
                window->reject();
                checked = true;
            });
        });
        form.Viewer().Button("statistics").click();
        QVERIFY(checked);
        const QString report = printers.last;
        QCOMPARE(PdfPages(report), 2);
        QCOMPARE(LastLine(PdfText(report, 1)), QString("- 1 -"));
        QCOMPARE(LastLine(PdfText(report, 2)), QString("- 2 -"));
        QVERIFY(PdfText(report).contains("Total number of structures in structurefile: 1000"));
        KeepPrintout(report, "statistics-print");

        // Closing the window during a count from the structures stops it.
        QVERIFY(form.OpenLibraryFile(m_nciPlain));
        form.Viewer().Open();
        checked = false;
        QTimer watch;
        watch.setInterval(0);
        connect(&watch, &QTimer::timeout, &statistics, [&] {
            if (!statistics.Counting())
                return;
            watch.stop();
            QTest::mouseClick(statistics.findChild<QPushButton*>("close"), Qt::LeftButton);
            checked = true;
        });
        watch.start();
        QTimer::singleShot(20000, &statistics, [&statistics] { statistics.reject(); }); // never wait for ever
        form.Viewer().Button("statistics").click();
        QVERIFY(checked);
        QVERIFY(!statistics.Counting() && !statistics.isVisible());
        QVERIFY2(statistics.Statistics().Counted < 1000, qPrintable(QString::number(statistics.Statistics().Counted)));
        QCOMPARE(statistics.Statistics().Total, 1000L);
    }

    void pdfBeyondTheFileSizeLimit()
    {
        // As the window runs: the file size signal ignored, so a write beyond the limit fails.
        const QString pdf = QString::fromStdString(m_dir.File("limited.pdf"));
        bool threw = false;
        {
            struct Limit {
                rlimit saved{};
                void (*handler)(int) = std::signal(SIGXFSZ, SIG_IGN);
                Limit()
                {
                    ::getrlimit(RLIMIT_FSIZE, &saved);
                    rlimit small = saved;
                    small.rlim_cur = 1500;
                    ::setrlimit(RLIMIT_FSIZE, &small);
                }
                ~Limit()
                {
                    ::setrlimit(RLIMIT_FSIZE, &saved);
                    std::signal(SIGXFSZ, handler);
                }
            } limit;
            QPrinter printer(QPrinter::HighResolution);
            printer.setOutputFormat(QPrinter::PdfFormat);
            printer.setOutputFileName(pdf);
            QtPrintTarget target(printer);
            target.BeginDoc();
            for (int line = 0; line < 60; ++line)
                target.TextOut(100, 100 + 40 * line, "A line of the printout that fills the page", "Arial", 10);
            try {
                target.EndDoc();
            } catch (const IoError& error) {
                threw = true;
                QCOMPARE(QString::fromStdString(error.File()), pdf);
            }
        }
        QVERIFY2(threw, "a PDF cut short by the file size limit was taken as printed");
        QVERIFY(!QFile::exists(pdf));
    }
};

VELMORA_GUI_SUITE("printing_test", PrintingTest);
#include "printing_test.moc"
