// Drawing speed: every structure of an SD file drawn to a standalone SVG picture (400 x 300,
// label mode 1), as `velmora-cli draw` does. Reading the file is not timed.
//
//   draw_bench [FILE.sdf] [ROUNDS]    (default: the shared nci5k.sdf, 5 rounds)
#include "base/textfile.h"
#include "graphics/structuresvg.h"
#include "io/molfile.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

int main(int argc, char** argv)
{
    const std::string path = argc > 1 ? argv[1] : std::string(VELMORA_SHARED_DATA_DIR) + "/nci5k.sdf";
    const int rounds = argc > 2 ? std::max(1, std::atoi(argv[2])) : 5;
    std::vector<velmora::TCTab> tables;
    try {
        velmora::TextReader reader(path);
        while (!reader.Eof()) {
            tables.emplace_back();
            velmora::ReadMolRecord(tables.back(), reader);
        }
    } catch (const std::exception& error) {
        std::fprintf(stderr, "draw_bench: %s\n", error.what());
        return 1;
    }
    long atoms = 0;
    for (const auto& table : tables)
        atoms += table.NumValidAtoms;

    double best = 1e300;
    std::size_t bytes = 0;
    for (int round = 0; round < rounds; ++round) {
        bytes = 0;
        const auto start = std::chrono::steady_clock::now();
        for (const auto& table : tables)
            bytes += velmora::StructureSvg(table).size();
        const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
        best = std::min(best, elapsed.count());
    }
    std::printf("%s: %zu structures, %ld atoms\n", path.c_str(), tables.size(), atoms);
    std::printf("best of %d rounds: %.3f s, %.0f structures/s, %.1f us/structure, %.0f bytes of SVG each\n",
                rounds, best, tables.size() / best, best * 1e6 / tables.size(),
                static_cast<double>(bytes) / tables.size());
    return 0;
}
