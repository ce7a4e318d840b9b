#pragma once
// Library statistics: how many structures a library holds, how many are unusable (salts and other
// structures with unbonded atoms), how many carry coordinates, and how often 24 functional groups
// occur. Counted from the descriptor file when the library has one, else from the structures.
#include "base/progress.h"
#include "io/structlib.h"

#include <array>
#include <string>
#include <vector>

namespace velmora {

struct LibraryStatistics {
    long Total = 0;
    long NotRegistered = 0;
    long Salts = 0;
    long Errors = 0;
    long Registered = 0;
    long WithGraphics = 0;
    long Counted = 0;      // structures looked at (less than Total after a stop)
    bool FromRecords = false;
    std::array<std::array<long, 34>, 11> Occurrence{}; // [c][g]: g occurs c times (10: 10 or more)
    std::array<long, 34> Present{};

    // Present[g] x 100 / Registered; 0 when nothing is registered.
    double Percent(int group) const;
};

// The 24 groups shown, as catalogue indices, and their labels on the statistics window.
const std::array<int, 24>& StatisticsGroups();
const std::array<std::string, 24>& StatisticsLabels();

// Counts a library; a stop request ends the count after the current structure.
LibraryStatistics CountLibraryStatistics(StructureLibrary& library, const std::string& libraryName,
                                         Progress& progress);

} // namespace velmora
