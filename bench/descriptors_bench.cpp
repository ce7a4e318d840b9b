// Times ComputeDescriptorRecord on every structure of an SD file (one core), then on the
// structures that an unbounded ring or path search cannot finish.
//
//   descriptors_bench [SDFILE] [REPEATS]
// SDFILE defaults to the shared nci5k.sdf; REPEATS (default 5) passes over all structures, the
// best pass is reported.
#include "cages_support.h"
#include "descriptors/catalogue.h"
#include "io/molfile.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <string>
#include <vector>

using namespace velmora;
using Clock = std::chrono::steady_clock;

namespace {

std::vector<TCTab> ReadAll(const std::string& path)
{
    TextReader reader(path);
    std::vector<TCTab> result;
    TCTab table;
    while (!reader.Eof()) {
        MolReadStatus status;
        ReadMolRecord(table, reader, status);
        if (!status.atomCountOutOfRange)
            result.push_back(table);
    }
    return result;
}

double Seconds(Clock::duration d) { return std::chrono::duration<double>(d).count(); }

// CPU time of this thread: on a machine shared with other jobs it leaves out the time the
// benchmark waits for a core.
double ThreadCpuSeconds()
{
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) + 1e-9 * static_cast<double>(ts.tv_nsec);
}

volatile double g_sink = 0.0; // keeps the results alive

} // namespace

int main(int argc, char** argv)
{
    const std::string path = argc > 1 ? argv[1] : "/work/shared/data/nci5k.sdf";
    const int repeats = argc > 2 ? std::max(1, std::atoi(argv[2])) : 5;
    const std::vector<TCTab> structures = ReadAll(path);
    long atoms = 0;
    for (const TCTab& t : structures)
        atoms += t.NumValidAtoms;
    std::printf("%s: %zu structures, %.1f atoms on average\n", path.c_str(), structures.size(),
                structures.empty() ? 0.0 : static_cast<double>(atoms) / structures.size());

    double best = 1e300, bestCpu = 1e300;
    for (int r = 0; r < repeats; ++r) {
        const auto start = Clock::now();
        const double cpuStart = ThreadCpuSeconds();
        for (const TCTab& t : structures) {
            const DescriptorRecord record = ComputeDescriptorRecord(t);
            g_sink = g_sink + record.topoJ;
        }
        const double cpu = ThreadCpuSeconds() - cpuStart;
        const double elapsed = Seconds(Clock::now() - start);
        best = std::min(best, elapsed);
        bestCpu = std::min(bestCpu, cpu);
        std::printf("pass %d: %.3f s wall, %.3f s CPU, %.0f structures/s (wall)\n", r + 1, elapsed, cpu,
                    structures.size() / elapsed);
    }
    std::printf("best: %.3f s wall for %zu structures = %.0f structures/s (%.1f us each); "
                "by CPU time %.0f structures/s\n",
                best, structures.size(), structures.size() / best, 1e6 * best / structures.size(),
                structures.size() / bestCpu);

    const struct {
        const char* name;
        TCTab table;
    } hard[] = {
        {"C60 fullerene", test::Fullerene60(false)},
        {"C60 fullerene + methyl", test::Fullerene60(true)},
        {"C20 dodecahedrane", test::Dodecahedrane(false)},
        {"C20 dodecahedrane + methyl", test::Dodecahedrane(true)},
        {"63-atom fused sheet", test::FusedSheet63()},
        {"63-atom chain", test::Chain63()},
        {"atom with 10 neighbours", test::TenNeighbourHub()},
        {"28-ring joined to a sheet", test::MacrocycleWithSheet()},
    };
    for (const auto& [name, table] : hard) {
        constexpr int kRuns = 21;
        std::vector<double> times, cpuTimes;
        for (int r = 0; r < kRuns; ++r) {
            const auto start = Clock::now();
            const double cpuStart = ThreadCpuSeconds();
            const DescriptorRecord record = ComputeDescriptorRecord(table);
            cpuTimes.push_back(ThreadCpuSeconds() - cpuStart);
            times.push_back(Seconds(Clock::now() - start));
            g_sink = g_sink + record.topoJ;
        }
        std::sort(times.begin(), times.end());
        std::sort(cpuTimes.begin(), cpuTimes.end());
        std::printf("%-28s %2d atoms: median %.3f ms wall; CPU median %.3f ms, slowest of %d %.3f ms\n", name,
                    table.NumValidAtoms, 1e3 * times[kRuns / 2], 1e3 * cpuTimes[kRuns / 2], kRuns,
                    1e3 * cpuTimes.back());
    }
    return 0;
}
