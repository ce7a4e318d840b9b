#pragma once
// From the result lines of a comparison to the best list, the histogram of all values and the
// result library.
#include "base/progress.h"
#include "io/structlib.h"

#include <array>
#include <string>
#include <vector>

namespace velmora {

constexpr int kMaxBestCount = 200;
constexpr int kHistogramBins = 20;

// One line of the result file, without its line end: the structure number right-aligned in 6,
// two blanks, the value rounded to the 6-byte real in fixed notation with 4 decimals,
// right-aligned in 8.
std::string ResultLine(long structureNumber, double value);

struct BestEntry {
    float value = 0.0f;
    float number = 0.0f; // the structure number, held as a float
};

struct SearchResults {
    int coefficient = 0;
    std::vector<BestEntry> best; // ranks 1..BestCount at 0..BestCount-1
    int filled = 0;              // ranks that a structure reached (the first ones)
    float MaxValue = 0.0f;
    std::array<long, kHistogramBins> histogram{};
    long lines = 0; // result lines read

    long StructureAt(int rank) const { return static_cast<long>(best[static_cast<std::size_t>(rank - 1)].number); }
};

// The start value of distance ranks: 3.3 x e^38 as a 4-byte float.
float DistanceStartValue();

// Ranks the lines of the result file into bestCount entries. Among equal values the line read
// first keeps the better rank. Throws IoError when the file cannot be read.
SearchResults RankResults(const std::string& resultFile, int coefficient, int bestCount);
// Counts every result line into bin Trunc(19 x v / MaxValue); with MaxValue 0 every value is in bin 0.
void BuildHistogram(const std::string& resultFile, SearchResults& results);
// Copies the structures of the filled ranks, in rank order, into the result library (replaced if it
// exists). 0 or the first failing library result code; when reading the library failed,
// failedPosition (if given) receives the library position that could not be read.
int WriteResultLibrary(StructureLibrary& library, const std::string& libraryName,
                       const std::string& resultLibraryName, const SearchResults& results,
                       long* failedPosition = nullptr);

} // namespace velmora
