// Times the desktop printouts and the statistics window's count on real Qt objects (offscreen):
//   printing_bench report LIB.clb     the search report of 200 rows to PDF, table and drawings
//   printing_bench stats LIB.clb      the statistics count through the window, against the core's
//                                     count with a silent progress (as the command-line tool runs it)
#include "bench_support.h"
#include "dbstat.h"
#include "descriptors/libstats.h"
#include "fonts.h"
#include "qtprinttarget.h"
#include "report/reportprint.h"
#include "sharedprinter.h"

#include <QApplication>
#include <QDir>
#include <QPrinter>

#include <chrono>

#include <cstdio>
#include <cstdlib>
#include <string>

using namespace velmora;
using namespace velmora::gui;

namespace {

template <typename F>
double Timed(F&& work)
{
    const auto start = std::chrono::steady_clock::now();
    work();
    return bench::Seconds(start);
}

class NoPrinters final : public PrinterProvider {
public:
    QPrinter* ChoosePrinter(QWidget*) override { return nullptr; }
};

int Report(const std::string& library)
{
    const long count = CountLibraryRecords(library);
    if (count < 1) {
        std::fprintf(stderr, "%s: no structures\n", library.c_str());
        return 1;
    }
    StructureLibrary reader;
    ReportPrintData data;
    reader.ReadLibraryRecord(library, 1);
    data.query = reader.Structure();
    data.libraryFileName = library;
    data.bestCount = 200;
    data.tableRows = 201;
    data.descriptorNames = {"Atoms of C", "Atoms of N", "Atoms of O", "Hetero atoms", "Number of rings"};
    for (int rank = 1; rank <= 200; ++rank) {
        const long position = 1 + (rank - 1) % count;
        reader.ReadLibraryRecord(library, position);
        data.rows.push_back({rank, position, "  0.1234", CASNumberShown(reader.Structure().FCASNr), reader.Structure().FStrucName, ""});
    }
    data.readResult = [&](int rank, TCTab& structure) {
        if (reader.ReadLibraryRecord(library, 1 + (rank - 1) % count) != kLibOk)
            return false;
        structure = reader.Structure();
        return true;
    };
    SharedPrinter shared;
    QPrinter& printer = shared.Printer();
    printer.setOutputFormat(QPrinter::PdfFormat);
    for (ReportStyle style : {ReportStyle::Table, ReportStyle::Drawing}) {
        const char* name = style == ReportStyle::Table ? "table" : "drawings";
        printer.setOutputFileName(QDir::temp().filePath(QString("printing_bench_%1.pdf").arg(name)));
        const double seconds = Timed([&] {
            QtPrintTarget target(printer);
            PrintSearchReport(target, data, style);
        });
        std::printf("report %-8s 200 rows: %.3f s (%s)\n", name, seconds, printer.outputFileName().toLocal8Bit().constData());
    }
    return 0;
}

int Stats(const std::string& library)
{
    StructureLibrary reader;
    NullProgress quiet;
    LibraryStatistics core;
    const double coreSeconds = Timed([&] { core = CountLibraryStatistics(reader, library, quiet); });

    NoPrinters printers;
    bench::QuietDialog dialog;
    StructureLibrary windowLibrary;
    TStatisticForm window(windowLibrary, dialog, printers);
    window.show();
    QApplication::processEvents();
    window.MarkPending(library);
    const double windowSeconds = Timed([&] { window.Count(); });
    const bool same = window.Statistics().Registered == core.Registered && window.Statistics().Present == core.Present;
    std::printf("statistics of %ld structures (%s): core %.3f s, window %.3f s (%+.1f %%)%s\n", core.Total,
                core.FromRecords ? "descriptor file" : "structures", coreSeconds, windowSeconds,
                100.0 * (windowSeconds - coreSeconds) / coreSeconds, same ? "" : "  RESULTS DIFFER");
    return same ? 0 : 1;
}

} // namespace

int main(int argc, char** argv)
{
    if (!std::getenv("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    Q_INIT_RESOURCE(velmora);
    InstallFontSubstitutions();
    if (argc == 3 && std::string(argv[1]) == "report")
        return Report(argv[2]);
    if (argc == 3 && std::string(argv[1]) == "stats")
        return Stats(argv[2]);
    std::fprintf(stderr, "usage: printing_bench report|stats LIB.clb\n");
    return 2;
}
