// A library set searched as one, beside a single library, in the same process.
//
//   libset_bench copies LIB.clb N DIR      copies LIB's data, index and descriptor files (with their
//                                          stamps) to DIR/m1.clb .. DIR/mN.clb and lists them in
//                                          DIR/set.vset (one big library made once, searched N times)
//   libset_bench search SET.vset LIB.clb QUERY.mol
//                                          a NORMAL search of LIB and then of the set, 10 descriptors,
//                                          best 50; the set's parameters are made first when missing
//                                          (timed apart)
//
// Each search prints its open and search times and the process's peak resident memory; the last
// line gives the whole set run (open + search) and the whole process time.
#include "bench_support.h"
#include "base/progress.h"
#include "io/libfiles.h"
#include "io/libset.h"
#include "io/libstamp.h"
#include "search/libparams.h"
#include "search/paramcalc.h"
#include "search/workbench.h"

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <sys/resource.h>
#include <vector>

namespace {

using namespace velmora;
using bench::PeakKiB;
using bench::QuietDialog;
using bench::Seconds;

const auto kProcessStart = std::chrono::steady_clock::now();

// CPU seconds of the process so far (all threads, user and system).
double CpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

int Copies(const std::string& library, int count, const std::string& folder)
{
    namespace fs = std::filesystem;
    std::ofstream list(fs::path(folder) / "set.vset", std::ios::binary);
    list << "# " << count << " copies of " << library << "\n";
    for (int n = 1; n <= count; ++n) {
        const std::string copy = (fs::path(folder) / ("m" + std::to_string(n) + ".clb")).string();
        for (const char* extension : {"clb", "III", "pre", "idp", "pre-state", "idp-state"}) {
            const std::string from = extension == std::string("clb") ? library : LibraryCompanionName(library, extension);
            if (fs::exists(from))
                fs::copy_file(from, LibraryCompanionName(copy, extension), fs::copy_options::overwrite_existing);
        }
        list << "m" << n << ".clb\n";
    }
    std::printf("%d copies of %s listed in %s/set.vset\n", count, library.c_str(), folder.c_str());
    return 0;
}

// Opens and searches one library or set; the seconds of both.
bool TimedSearch(const std::string& name, const std::string& query, double& openSeconds, double& searchSeconds)
{
    QuietDialog dialog;
    NullProgress progress;
    Workbench workbench(dialog, progress, std::filesystem::temp_directory_path().string());
    auto start = std::chrono::steady_clock::now();
    if (!workbench.OpenLibrary(name) || !workbench.LoadQuery(query))
        return false;
    openSeconds = Seconds(start);
    const std::vector<int> normal{10, 12, 32, 41, 135, 136, 139, 141, 146, 150};
    auto context = workbench.Context();
    for (int index : normal)
        workbench.Selection().ClickDescriptor(ListPosition(index), context, dialog);
    workbench.DescriptorDialogClosed();
    workbench.SetBestCount("50");
    start = std::chrono::steady_clock::now();
    const double cpu = CpuSeconds();
    if (workbench.RunSearch() != SearchOutcome::Completed)
        return false;
    searchSeconds = Seconds(start);
    std::printf("%-40s %9ld structures: open %.3f s, search %.3f s (CPU %.3f s; %.0f structures/s), best %ld at "
                "%.4f, peak RSS %ld KiB\n",
                name.c_str(), workbench.State().LibraryCount, openSeconds, searchSeconds, CpuSeconds() - cpu,
                workbench.State().LibraryCount / searchSeconds, workbench.Results().StructureAt(1),
                workbench.Results().best[0].value, PeakKiB());
    return true;
}

int Search(const std::string& set, const std::string& library, const std::string& query)
{
    if (!std::filesystem::exists(CompanionFileName(set, "idp")) || !CompanionMismatch(set, "idp").empty()) {
        QuietDialog dialog;
        NullProgress progress;
        LibraryParameters parameters;
        StatisticsAccumulator statistics;
        const auto start = std::chrono::steady_clock::now();
        if (!ComputeSetDescriptorParameters(set, parameters, statistics, progress, dialog).completed)
            return 1;
        std::printf("set parameters made once: %.3f s\n", Seconds(start));
    }
    double open = 0, search = 0;
    if (!TimedSearch(library, query, open, search))
        return 1;
    const auto setStart = std::chrono::steady_clock::now();
    if (!TimedSearch(set, query, open, search))
        return 1;
    std::printf("set open + search: %.3f s; whole process: %.3f s\n", Seconds(setStart), Seconds(kProcessStart));
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    const std::vector<std::string> args(argv + 1, argv + argc);
    if (args.size() == 4 && args[0] == "copies")
        return Copies(args[1], std::stoi(args[2]), args[3]);
    if (args.size() == 4 && args[0] == "search")
        return Search(args[1], args[2], args[3]);
    std::fprintf(stderr, "usage: libset_bench copies LIB.clb N DIR | search SET.vset LIB.clb QUERY.mol\n");
    return 2;
}
