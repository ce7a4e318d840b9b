// Import (with read-back) and export throughput on an SD file, and peak memory.
// usage: library_bench SOURCE.sdf WORKDIR [import]   (import: skip the export, for profiling)
#include "bench_support.h"
#include "base/progress.h"
#include "io/convert.h"
#include "io/molfile.h"

#include <chrono>
#include <cstdio>
#include <string>
#include <sys/resource.h>


int main(int argc, char** argv)
{
    using namespace velmora;
    using bench::PeakKiB;
    using bench::Seconds;
    if (argc != 3 && argc != 4) {
        std::fprintf(stderr, "usage: library_bench SOURCE.sdf WORKDIR [import]\n");
        return 2;
    }
    const std::string source = argv[1];
    const std::string library = std::string(argv[2]) + "/bench.clb";
    const std::string exported = std::string(argv[2]) + "/bench_export.sdf";
    NullProgress progress;
    StructureLibrary structures;

    auto start = std::chrono::steady_clock::now();
    const long total = CountSDRecords(source);
    const double countTime = Seconds(start);

    start = std::chrono::steady_clock::now();
    const ImportReport imported =
        ImportStructures(structures, source, total, library, ConversionMode::WriteAnew, progress);
    const double importTime = Seconds(start);
    const long importPeak = PeakKiB();
    if (!imported.Completed()) {
        std::fprintf(stderr, "import stopped at record %ld: %s\n", imported.failedRecord, imported.failure.c_str());
        return 1;
    }

    const bool importOnly = argc == 4 && std::string(argv[3]) == "import";
    start = std::chrono::steady_clock::now();
    const ExportReport out = importOnly ? ExportReport{}
                                        : ExportStructures(structures, library, imported.written, exported,
                                                           ConversionMode::WriteAnew, progress);
    const double exportTime = Seconds(start);

    std::printf("records %ld (skipped %ld)\n", imported.written, imported.skipped);
    std::printf("count   %8.3f s  %10.0f records/s\n", countTime, total / countTime);
    std::printf("import  %8.3f s  %10.0f structures/s (write, read back, compare)\n", importTime,
                imported.written / importTime);
    std::printf("export  %8.3f s  %10.0f structures/s\n", exportTime, out.written / exportTime);
    std::printf("peak RSS after import %ld KiB, after export %ld KiB\n", importPeak, PeakKiB());
    return 0;
}
