// Whole searches on large libraries, and a way to make such libraries quickly.
//
//   search_bench scale SMALL.clb N OUT.clb    OUT gets N structures cycling through SMALL, with
//                                             SMALL's .pre cycled alongside and its .idp/.idr copied
//   search_bench normal LIB.clb QUERY.mol     a NORMAL search with 10 descriptors
//   search_bench intro LIB.clb QUERY.mol      an INTRO search with 10 group descriptors
//   search_bench build LIB.clb                BuildDescriptorFile (structures per second)
//
// Each run prints its wall time and the peak resident memory of the process.
#include "bench_support.h"
#include "base/progress.h"
#include "base/userdialog.h"
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

int Scale(const std::string& small, long count, const std::string& out)
{
    StructureLibrary library;
    const long n = CountLibraryRecords(small);
    std::filesystem::remove(out);
    std::filesystem::remove(IndexFileName(out));
    for (long k = 0; k < count; ++k) {
        library.ReadLibraryRecord(small, k % n + 1);
        library.SetWritePermission(true);
        if (library.WriteLibraryRecord(out, library.RecordName(), library.RecordCASNumber()) != kLibOk)
            return 1;
    }
    const std::string pre = CompanionFileName(small, "pre");
    if (std::filesystem::exists(pre)) {
        std::ifstream in(pre, std::ios::binary);
        const std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        std::ofstream target(CompanionFileName(out, "pre"), std::ios::binary);
        const long records = static_cast<long>(bytes.size() / kDescriptorRecordSize);
        for (long k = 0; k < count; ++k)
            target.write(bytes.data() + (k % records) * kDescriptorRecordSize, kDescriptorRecordSize);
    }
    for (const char* extension : {"idp", "idr"})
        if (std::filesystem::exists(CompanionFileName(small, extension)))
            std::filesystem::copy_file(CompanionFileName(small, extension), CompanionFileName(out, extension),
                                       std::filesystem::copy_options::overwrite_existing);
    // The copies belong to the scaled library (its structures cycle as the records do): stamped
    // as made from it, so that a search trusts them.
    for (const char* extension : {"pre", "idp", "idr"})
        if (std::filesystem::exists(CompanionFileName(out, extension)))
            StampCompanion(out, extension);
    std::printf("%ld structures written to %s\n", count, out.c_str());
    return 0;
}

int Search(const std::string& libraryName, const std::string& query, bool intro)
{
    QuietDialog dialog;
    NullProgress progress;
    Workbench workbench(dialog, progress, std::filesystem::temp_directory_path().string());
    if (!workbench.OpenLibrary(libraryName) || !workbench.LoadQuery(query))
        return 1;
    if (intro)
        workbench.SetIntroMode();
    // Ten descriptors: group counts for INTRO, a mix of every family for NORMAL.
    const std::vector<int> normal{10, 12, 32, 41, 135, 136, 139, 141, 146, 150};
    const std::vector<int> groups{6, 7, 9, 10, 12, 15, 20, 26, 29, 32};
    auto context = workbench.Context();
    for (int index : intro ? groups : normal)
        workbench.Selection().ClickDescriptor(ListPosition(index), context, dialog);
    workbench.DescriptorDialogClosed();
    workbench.SetBestCount("50");
    const auto start = std::chrono::steady_clock::now();
    const SearchOutcome outcome = workbench.RunSearch();
    const double seconds = Seconds(start);
    if (outcome != SearchOutcome::Completed)
        return 1;
    std::printf("%s search of %ld structures, %zu descriptors: %.3f s (%.0f structures/s), best %ld at %.4f, "
                "peak RSS %ld KiB\n",
                intro ? "INTRO" : "NORMAL", workbench.State().LibraryCount, workbench.Participating().size(), seconds,
                workbench.State().LibraryCount / seconds, workbench.Results().StructureAt(1),
                workbench.Results().best[0].value, PeakKiB());
    return 0;
}

int Build(const std::string& libraryName)
{
    QuietDialog dialog;
    NullProgress progress;
    StructureLibrary library;
    LibraryParameters parameters;
    StatisticsAccumulator statistics;
    const long count = CountLibraryRecords(libraryName);
    const auto start = std::chrono::steady_clock::now();
    const ParameterRun run = BuildDescriptorFile(library, libraryName, count, parameters, statistics, progress, dialog);
    const double seconds = Seconds(start);
    std::printf("BuildDescriptorFile of %ld structures: %.3f s (%.0f structures/s), peak RSS %ld KiB\n",
                run.structures, seconds, run.structures / seconds, PeakKiB());
    return run.completed ? 0 : 1;
}

} // namespace

int main(int argc, char** argv)
{
    const std::vector<std::string> args(argv + 1, argv + argc);
    if (args.size() == 4 && args[0] == "scale")
        return Scale(args[1], std::stol(args[2]), args[3]);
    if (args.size() == 3 && (args[0] == "normal" || args[0] == "intro"))
        return Search(args[1], args[2], args[0] == "intro");
    if (args.size() == 2 && args[0] == "build")
        return Build(args[1]);
    std::fprintf(stderr, "usage: search_bench scale SMALL.clb N OUT.clb | normal|intro LIB.clb QUERY.mol | build LIB.clb\n");
    return 2;
}
