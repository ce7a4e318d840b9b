// The live search beside the structure editor: a series of edits made through the editor's
// controller (ring templates, a typed nitrogen, a spiro ring, a chain, then undo and redo of each),
// each searched on a worker thread as the window does, the run in hand cancelled by the next edit.
//
//   live_search_bench LIB.clb [EDITS] [GAP_MS]
//
// LIB must be a NORMAL-mode library (its .pre built). Each edit waits GAP_MS (default 0: the
// previous search finishes first) before the next one; a gap shorter than a search cancels it.
// Prints p50/p95/max of the time from an edit to the best list of that drawing being ready, the
// time a cancelled run takes to stop, and the peak resident memory.
#include "bench_support.h"
#include "base/progress.h"
#include "editor/editorcontroller.h"
#include "editor/editormodel.h"
#include "search/comparison.h"
#include "search/livesearch.h"
#include "search/workbench.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <filesystem>
#include <mutex>
#include <string>
#include <thread>
#include <sys/resource.h>
#include <vector>

namespace {

using namespace velmora;
using Clock = std::chrono::steady_clock;

// CPU seconds of this process so far (every thread).
double CpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

double Percentile(std::vector<double> values, double p)
{
    if (values.empty())
        return 0.0;
    std::sort(values.begin(), values.end());
    const auto k = static_cast<std::size_t>(p * static_cast<double>(values.size() - 1) + 0.5);
    return values[std::min(k, values.size() - 1)];
}

// The drawings of the edit series, in order.
std::vector<TCTab> EditSeries(int edits)
{
    editor::EditorModel model;
    model.SetDrawingArea(648, 360);
    editor::EditorController controller(model);
    std::vector<TCTab> forward;
    auto keep = [&] { forward.push_back(model.Structure()); };
    auto click = [&](double x, double y) {
        controller.MousePress(editor::MouseButton::Left, x, y);
        controller.MouseRelease();
        keep();
    };
    controller.PressTool(editor::Control::Benzene);
    click(200, 150);
    const TCTab& t = model.Structure();
    click((t.Atom(2).x + t.Atom(3).x) / 2, (t.Atom(2).y + t.Atom(3).y) / 2); // fused
    int far = 1;
    for (int i = 2; i <= t.NumValidAtoms; ++i)
        if (t.Atom(i).x > t.Atom(far).x + 0.5)
            far = i;
    controller.MouseMove(t.Atom(far).x, t.Atom(far).y, false);
    controller.KeyText("N");
    keep();
    controller.PressTool(editor::Control::Ring5);
    int low = 1;
    for (int i = 2; i <= t.NumValidAtoms; ++i)
        if (t.Atom(i).y > t.Atom(low).y + 0.5)
            low = i;
    click(t.Atom(low).x, t.Atom(low).y); // spiro
    controller.PressTool(editor::Control::Bond);
    int left = 1;
    for (int i = 2; i <= t.NumValidAtoms; ++i)
        if (t.Atom(i).x < t.Atom(left).x - 0.5)
            left = i;
    click(t.Atom(left).x, t.Atom(left).y);
    click(t.Atom(left).x - 40, t.Atom(left).y);
    click(t.Atom(left).x - 40, t.Atom(left).y + 30);
    controller.EndTool();
    const std::size_t steps = forward.size();
    std::vector<TCTab> series = forward;
    while (static_cast<int>(series.size()) < edits) {
        for (std::size_t k = 0; k < steps && controller.Undo(); ++k)
            series.push_back(model.Structure());
        for (std::size_t k = 0; k < steps && controller.Redo(); ++k)
            series.push_back(model.Structure());
    }
    series.resize(static_cast<std::size_t>(edits));
    return series;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: live_search_bench LIB.clb [EDITS] [GAP_MS]\n");
        return 2;
    }
    const std::string libraryName = argv[1];
    const int edits = argc > 2 ? std::max(1, std::atoi(argv[2])) : 60;
    const int gapMs = argc > 3 ? std::max(0, std::atoi(argv[3])) : 0;

    bench::QuietDialog dialog;
    NullProgress progress;
    Workbench workbench(dialog, progress, std::filesystem::temp_directory_path().string());
    if (!workbench.OpenLibrary(libraryName))
        return 1;
    // The descriptors of the search benchmark: a mix of every family.
    auto context = workbench.Context();
    for (int index : {10, 12, 32, 41, 135, 136, 139, 141, 146, 150})
        workbench.Selection().ClickDescriptor(ListPosition(index), context, dialog);
    workbench.DescriptorDialogClosed();
    workbench.SetBestCount("50");
    auto setup = workbench.LiveSetup();
    if (!setup) {
        std::fprintf(stderr, "%s: no live search possible (NORMAL mode with its descriptor file needed)\n",
                     libraryName.c_str());
        return 1;
    }
    const auto opened = Clock::now();
    LiveSearch search(std::move(*setup));
    const double openSeconds = bench::Seconds(opened);
    const std::vector<TCTab> series = EditSeries(edits);

    // The worker as the window runs it: one job slot; a new edit cancels the run in hand.
    struct Job {
        std::size_t index = 0;
        Clock::time_point edited;
        std::shared_ptr<std::atomic<bool>> cancel;
    };
    std::mutex mutex;
    std::condition_variable wake, finished;
    std::optional<Job> pending;
    bool stop = false;
    std::vector<double> latencies; // ms from the edit to its results
    std::vector<double> stops;     // ms from a cancel to the run's return
    int cancelled = 0;
    std::size_t lastDone = static_cast<std::size_t>(-1);
    std::shared_ptr<std::atomic<bool>> running;
    Clock::time_point cancelAt;
    std::thread worker([&] {
        for (;;) {
            Job job;
            {
                std::unique_lock lock(mutex);
                wake.wait(lock, [&] { return stop || pending; });
                if (stop)
                    return;
                job = *pending;
                pending.reset();
                running = job.cancel;
            }
            const auto result = search.Run(series[job.index], job.index, *job.cancel);
            const auto now = Clock::now();
            std::lock_guard lock(mutex);
            running.reset();
            if (result) {
                latencies.push_back(std::chrono::duration<double, std::milli>(now - job.edited).count());
                lastDone = job.index;
            } else {
                ++cancelled;
                stops.push_back(std::chrono::duration<double, std::milli>(now - cancelAt).count());
            }
            finished.notify_all();
        }
    });
    const auto start = Clock::now();
    const double cpuStart = CpuSeconds();
    for (std::size_t k = 0; k < series.size(); ++k) {
        {
            std::lock_guard lock(mutex);
            if (running) {
                cancelAt = Clock::now();
                *running = true;
            }
            pending = Job{k, Clock::now(), std::make_shared<std::atomic<bool>>(false)};
        }
        wake.notify_all();
        if (gapMs > 0) {
            std::this_thread::sleep_for(std::chrono::milliseconds(gapMs));
        } else {
            std::unique_lock lock(mutex);
            finished.wait(lock, [&] { return lastDone == k; });
        }
    }
    {
        std::unique_lock lock(mutex);
        finished.wait(lock, [&] { return lastDone == series.size() - 1; });
        stop = true;
    }
    wake.notify_all();
    worker.join();
    const double total = bench::Seconds(start);
    const double cpu = CpuSeconds() - cpuStart;
    std::printf("live search of %ld structures, %zu descriptors, best 50: %zu edits (gap %d ms) in %.3f s, "
                "first open %.3f s\n",
                workbench.State().LibraryCount, search.Setup().comparison->participating.size(), series.size(), gapMs,
                total, openSeconds);
    std::printf("edit to results: p50 %.1f ms, p95 %.1f ms, max %.1f ms (%zu searches completed, %d cancelled)\n",
                Percentile(latencies, 0.5), Percentile(latencies, 0.95), Percentile(latencies, 1.0), latencies.size(),
                cancelled);
    // On a machine shared with other work the wall times above include waiting for a core.
    std::printf("CPU time per edit (both workers and this thread): %.1f ms\n",
                1000.0 * cpu / static_cast<double>(series.size()));
    if (!stops.empty())
        std::printf("cancel to stop: p50 %.2f ms, max %.2f ms\n", Percentile(stops, 0.5), Percentile(stops, 1.0));
    std::printf("peak RSS %ld KiB\n", bench::PeakKiB());
    return 0;
}
