// A query set's search on a large library beside a single search in the same process.
//
//   queryset_bench LIB.clb QUERIES.sdf [max|mean|rrf] [BEST]
//
// First a NORMAL search with the set's first query alone, then one with the whole set (100
// queries as a rule), both with the same 10 descriptors and best 50 (or BEST). Each prints its
// wall time and the peak resident memory of the process so far. Make the library with
// bench/make_scaled.py and velmora-cli import/build, the query set with make_scaled.py too.
#include "bench_support.h"
#include "base/progress.h"
#include "search/fusion.h"
#include "search/workbench.h"

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

namespace {

using namespace velmora;

// Ten descriptors of every family, as search_bench's NORMAL search chooses them.
void ChooseTen(Workbench& workbench, UserDialog& dialog)
{
    auto context = workbench.Context();
    for (int index : {10, 12, 32, 41, 135, 136, 139, 141, 146, 150})
        workbench.Selection().ClickDescriptor(ListPosition(index), context, dialog);
    workbench.DescriptorDialogClosed();
}

} // namespace

int main(int argc, char** argv)
{
    const std::vector<std::string> args(argv + 1, argv + argc);
    if (args.size() < 2 || args.size() > 4) {
        std::fprintf(stderr, "usage: queryset_bench LIB.clb QUERIES.sdf [max|mean|rrf] [BEST]\n");
        return 2;
    }
    const auto fusion = FusionFromTyped(args.size() > 2 ? args[2] : "max");
    if (!fusion) {
        std::fprintf(stderr, "queryset_bench: the fusion is max, mean or rrf\n");
        return 2;
    }
    const std::string best = args.size() > 3 ? args[3] : "50";
    bench::QuietDialog dialog;
    NullProgress progress;
    Workbench workbench(dialog, progress, std::filesystem::temp_directory_path().string());
    const auto opened = std::chrono::steady_clock::now();
    if (!workbench.OpenLibrary(args[0]) || !workbench.LoadQuerySet(args[1]))
        return 1;
    const double openSeconds = bench::Seconds(opened);
    ChooseTen(workbench, dialog);
    workbench.SetBestCount(best);
    const QuerySet set = *workbench.LoadedQuerySet();

    // The first query alone.
    QuerySet first;
    first.file = set.file;
    first.queries = {set.queries.front()};
    first.records = {set.records.front()};
    workbench.UseQuerySet(first);
    auto start = std::chrono::steady_clock::now();
    if (workbench.RunSearch() != SearchOutcome::Completed)
        return 1;
    std::printf("one query:   %ld structures, %zu descriptors, best %s: %.3f s, best %ld at %.4f, peak RSS %ld KiB\n",
                workbench.State().LibraryCount, workbench.Participating().size(), best.c_str(), bench::Seconds(start),
                workbench.Results().StructureAt(1), workbench.Results().best[0].value, bench::PeakKiB());

    workbench.UseQuerySet(set);
    workbench.SetFusion(*fusion);
    start = std::chrono::steady_clock::now();
    if (workbench.RunSearch() != SearchOutcome::Completed)
        return 1;
    const double seconds = bench::Seconds(start);
    std::printf("query set:   %zu queries (%s), %ld structures: %.3f s (%.0f comparisons/s), best %ld at %.4f, "
                "peak RSS %ld KiB\n",
                set.Size(), FusionTyped(*fusion), workbench.State().LibraryCount, seconds,
                static_cast<double>(set.Size()) * static_cast<double>(workbench.State().LibraryCount) / seconds,
                workbench.Results().StructureAt(1), workbench.Results().best[0].value, bench::PeakKiB());
    std::printf("opening the library and reading the set: %.3f s\n", openSeconds);
    return 0;
}
