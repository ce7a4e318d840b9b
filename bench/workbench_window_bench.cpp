// A search through the workbench window's own code path: the window (offscreen), its progress
// windows processing events as they do on screen, and the "Calculate" button.
//
//   workbench_window_bench LIB.clb QUERY.mol SET [RUNS]
//
// SET names a descriptor set in crits.txt of the current directory. Each run opens the library,
// loads the query, chooses the set and clicks "Calculate"; it prints the search time (the click)
// and the whole job's time, then the medians.
#include "bench_support.h"
#include "flowpage.h"
#include "fonts.h"
#include "qtprogress.h"
#include "qvxform.h"
#include "srchdiag.h"

#include <QApplication>
#include <QDir>
#include <QPushButton>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

namespace {

using namespace velmora;
using bench::QuietDialog;

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (argc < 4) {
        std::fprintf(stderr, "usage: workbench_window_bench LIB.clb QUERY.mol SET [RUNS]\n");
        return 2;
    }
    const std::string library = argv[1], query = argv[2], set = argv[3];
    const int runs = argc > 4 ? std::max(1, std::atoi(argv[4])) : 5;
    QApplication::setStyle("Fusion");
    gui::InstallFontSubstitutions();
    QuietDialog dialog;
    gui::QtProgress progress;
    gui::TQVXForm window(dialog, progress, QDir::currentPath().toStdString());
    window.show();
    // The distribution diagram is shown modally after the search: close it as soon as it is up.
    QTimer diagram;
    diagram.setInterval(5);
    QObject::connect(&diagram, &QTimer::timeout, [] {
        if (auto* shown = qobject_cast<gui::TFormSearchDiagram*>(QApplication::activeModalWidget()))
            shown->accept();
    });
    diagram.start();
    std::vector<double> searches, jobs;
    for (int run = 1; run <= runs; ++run) {
        const auto job = std::chrono::steady_clock::now();
        if (!window.OpenLibraryFile(library) || !window.LoadQueryFile(query) || !window.ChooseDescriptorSet(set))
            return 1;
        const auto search = std::chrono::steady_clock::now();
        window.Flow().calculate->click();
        const double searchSeconds = bench::Seconds(search);
        const double jobSeconds = bench::Seconds(job);
        if (!window.Bench().HasResults())
            return 1;
        searches.push_back(searchSeconds);
        jobs.push_back(jobSeconds);
        std::printf("run %d: search of %ld structures %.3f s, whole job %.3f s\n", run,
                    window.Bench().State().LibraryCount, searchSeconds, jobSeconds);
    }
    std::printf("window: median search %.3f s, median whole job %.3f s (%d runs), peak RSS %ld KiB\n",
                Median(searches), Median(jobs), runs, bench::PeakKiB());
    return 0;
}
