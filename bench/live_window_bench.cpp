// The editor window with "Live" ticked, on the offscreen platform: a series of edits (ring
// templates, then undo and redo of them) each waited for until the panel shows the results of the
// drawing on screen. Prints p50/p95/max from the edit to the results shown (the 100 ms pause after
// an edit included) and the longest time the window's event loop went without turning.
//
//   live_window_bench LIB.clb [EDITS]    (LIB: a NORMAL-mode library, its .pre built)
#include "base/progress.h"
#include "base/userdialog.h"
#include "bench_support.h"
#include "drawpenform.h"
#include "fonts.h"
#include "livepanel.h"
#include "search/workbench.h"

#include <QApplication>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QTimer>
#include <QToolButton>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

using namespace velmora;
using velmora::editor::Control;
using velmora::editor::MouseButton;

namespace {
double Percentile(std::vector<double> values, double p)
{
    if (values.empty())
        return 0.0;
    std::sort(values.begin(), values.end());
    return values[std::min(values.size() - 1, static_cast<std::size_t>(p * static_cast<double>(values.size() - 1) + 0.5))];
}
} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QApplication::setStyle("Fusion");
    gui::InstallFontSubstitutions();
    if (argc < 2) {
        std::fprintf(stderr, "usage: live_window_bench LIB.clb [EDITS]\n");
        return 2;
    }
    const int edits = argc > 2 ? std::max(2, std::atoi(argv[2])) : 40;
    bench::QuietDialog dialog;
    NullProgress progress;
    Workbench workbench(dialog, progress, std::filesystem::temp_directory_path().string());
    if (!workbench.OpenLibrary(argv[1]))
        return 1;
    auto context = workbench.Context();
    for (int index : {10, 12, 32, 41, 135, 136, 139, 141, 146, 150})
        workbench.Selection().ClickDescriptor(ListPosition(index), context, dialog);
    workbench.DescriptorDialogClosed();
    workbench.SetBestCount("50");

    gui::TDrawpenForm form(std::filesystem::temp_directory_path().string());
    form.TakeQuery(TCTab(), true);
    form.SetLiveSource(workbench.LiveSetup());
    form.resize(948, 760);
    form.show();
    form.LiveBox()->setChecked(true);
    gui::LivePanel& panel = *form.LiveResultsPanel();

    // The event loop's turns: a timer every 2 ms notes the longest time between two of them.
    QElapsedTimer clock;
    clock.start();
    qint64 lastTurn = clock.elapsed(), longest = 0;
    QTimer watchdog;
    watchdog.setInterval(2);
    QObject::connect(&watchdog, &QTimer::timeout, [&] {
        const qint64 now = clock.elapsed();
        longest = std::max(longest, now - lastTurn);
        lastTurn = now;
    });

    auto waitCurrent = [&](QElapsedTimer& since) {
        while (!panel.Current() && since.elapsed() < 20000)
            app.processEvents(QEventLoop::WaitForMoreEvents, 5);
        return static_cast<double>(since.nsecsElapsed()) / 1e6;
    };
    // Forward: rings placed across the drawing; then undo and redo of all of them, repeatedly.
    std::vector<double> latencies;
    QElapsedTimer since;
    since.start();
    waitCurrent(since);
    watchdog.start();
    lastTurn = clock.elapsed();
    const Control rings[] = {Control::Benzene, Control::Ring6, Control::Ring5, Control::Ring3};
    int made = 0;
    for (int k = 0; k < 4 && made < edits; ++k, ++made) {
        form.Button(rings[k])->click();
        since.restart();
        form.AreaPress(MouseButton::Left, QPointF(120 + 120 * k, 200));
        form.AreaRelease();
        latencies.push_back(waitCurrent(since));
    }
    form.Button(Control::Benzene)->click(); // the ring tool ends
    while (made < edits) {
        for (int k = 0; k < 4 && made < edits; ++k, ++made) {
            since.restart();
            form.Button(Control::Undo)->click();
            latencies.push_back(waitCurrent(since));
        }
        for (int k = 0; k < 4 && made < edits; ++k, ++made) {
            since.restart();
            form.Button(Control::Redo)->click();
            latencies.push_back(waitCurrent(since));
        }
    }
    watchdog.stop();
    std::printf("editor with live results on %ld structures: %zu edits\n", workbench.State().LibraryCount,
                latencies.size());
    std::printf("edit to results shown (100 ms pause included): p50 %.1f ms, p95 %.1f ms, max %.1f ms\n",
                Percentile(latencies, 0.5), Percentile(latencies, 0.95), Percentile(latencies, 1.0));
    std::printf("longest time between two turns of the event loop: %lld ms\n", static_cast<long long>(longest));
    return 0;
}
