// One library against another (velmora-cli compare) beside a single search, in one process.
//
//   compare_bench A.clb B.clb [K] [COEFFICIENT]
//   compare_bench stamp B.clb     stamps B's .pre and .idp as made from B (after search_bench scale)
//
// B needs its NORMAL-mode descriptor file (velmora-cli build, or search_bench scale from a built
// library). First a single search of B with A's first structure (10 descriptors, best 50), then
// every structure of A against B, its K best written to a pairs file in the temporary folder. Each
// prints its wall time and the peak
// resident memory of the process so far.
#include "bench_support.h"
#include "base/progress.h"
#include "base/threadcount.h"
#include "io/libstamp.h"
#include "search/coefficients.h"
#include "search/crosscompare.h"
#include "search/workbench.h"

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

using namespace velmora;
using bench::PeakKiB;
using bench::QuietDialog;
using bench::Seconds;

// The NORMAL descriptors of the search benchmark: a mix of every family.
const std::vector<int> kDescriptors{10, 12, 32, 41, 135, 136, 139, 141, 146, 150};

bool Prepare(Workbench& workbench, QuietDialog& dialog, const std::string& library, int coefficient)
{
    if (!workbench.OpenLibrary(library) || workbench.State().Mode != DescriptorMode::Normal)
        return false;
    auto context = workbench.Context();
    for (int index : kDescriptors)
        workbench.Selection().ClickDescriptor(ListPosition(index), context, dialog);
    workbench.DescriptorDialogClosed();
    workbench.SetCoefficient(coefficient);
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    const std::vector<std::string> args(argv + 1, argv + argc);
    if (args.size() == 2 && args[0] == "stamp") {
        StampCompanion(args[1], "pre");
        StampCompanion(args[1], "idp");
        return 0;
    }
    if (args.size() < 2 || args.size() > 4) {
        std::fprintf(stderr, "usage: compare_bench A.clb B.clb [K] [COEFFICIENT]\n");
        return 2;
    }
    const std::string queries = args[0], library = args[1];
    const int best = args.size() > 2 ? std::stoi(args[2]) : kDefaultCrossBest;
    const int coefficient = args.size() > 3 ? CoefficientFromTyped(args[3]) : 0;
    if (coefficient < 0) {
        std::fprintf(stderr, "compare_bench: unknown coefficient %s\n", args[3].c_str());
        return 2;
    }
    QuietDialog dialog;
    NullProgress progress;
    const std::string temp = std::filesystem::temp_directory_path().string();

    {
        Workbench single(dialog, progress, temp);
        if (!Prepare(single, dialog, library, coefficient) || !single.LoadQuery(queries))
            return 1;
        single.SetBestCount("50");
        const auto start = std::chrono::steady_clock::now();
        if (single.RunSearch() != SearchOutcome::Completed)
            return 1;
        std::printf("single search of %ld structures, %zu descriptors, %s: %.3f s, peak RSS %ld KiB\n",
                    single.State().LibraryCount, single.Participating().size(), CoefficientName(coefficient).c_str(),
                    Seconds(start), PeakKiB());
    }

    Workbench workbench(dialog, progress, temp);
    if (!Prepare(workbench, dialog, library, coefficient))
        return 1;
    std::vector<int> leftOut;
    std::string problem;
    const auto comparison = CrossLibrarySetup(workbench, leftOut, problem);
    if (!comparison) {
        std::fprintf(stderr, "compare_bench: %s\n", problem.c_str());
        return 1;
    }
    CrossCompareSetup setup;
    setup.library = *comparison;
    setup.queryLibrary = queries;
    setup.queryCount = CountLibraryRecords(queries);
    setup.best = best;
    CrossFiles files;
    files.pairs = (std::filesystem::path(temp) / ("compare_bench_" + std::to_string(::getpid()) + ".tsv")).string();
    workbench.Library().ReleaseFiles();
    const auto start = std::chrono::steady_clock::now();
    const CrossSummary summary = WriteLibraryComparison(setup, files, progress);
    const double seconds = Seconds(start);
    std::filesystem::remove(files.pairs);
    if (summary.outcome != CrossOutcome::Completed)
        return 1;
    std::printf("compare %ld x %ld structures, K %d, %zu descriptors, %s, %d threads: %.3f s (%.3g pairs/s), "
                "%ld rows, peak RSS %ld KiB\n",
                summary.queries, setup.library.count, best, setup.library.participating.size(),
                CoefficientName(coefficient).c_str(), ThreadCount(), seconds,
                static_cast<double>(summary.queries) * static_cast<double>(setup.library.count) / seconds, summary.rows,
                PeakKiB());
    return 0;
}
