#pragma once
// From the result lines of a comparison to the best list, the histogram of all values and the
// result library.
#include "base/progress.h"
#include "io/structlib.h"
#include "search/keycounts.h"
#include "search/fusion.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace velmora {

constexpr int kMaxBestCount = 200;
constexpr int kHistogramBins = 20;

// One line of the result file, without its line end: the structure number right-aligned in 6,
// two blanks, the value rounded to the 6-byte real in fixed notation with 4 decimals,
// right-aligned in 8.
std::string ResultLine(long structureNumber, double value);
// Appends ResultLine(structureNumber, value) and its line end "\r\n" to out, and returns the value
// exactly as RankResults reads it back from that text.
float AppendResultLine(std::string& out, long structureNumber, double value);
// The same written to out, which has room for kMaxResultLine characters; returns the length and
// sets readBack to the value as read back.
inline constexpr std::size_t kMaxResultLine = 480;
std::size_t WriteResultLine(char* out, long structureNumber, double value, float& readBack);
// The value WriteResultLine reads back for value, without writing the line: the same rounding
// (6-byte real, four decimals, 4-byte float) by the same steps. Never decreases as value grows.
float ResultLineValue(double value);

struct BestEntry {
    float value = 0.0f;
    float number = 0.0f; // the structure number, held as a float
    int query = 0;       // a query set's search: the query (0-based) with the best value
    float queryValue = 0.0f; // that query's value (the value itself in a single search)
};

struct SearchResults {
    int coefficient = 0;
    std::vector<BestEntry> best; // ranks 1..BestCount at 0..BestCount-1
    int filled = 0;              // ranks that a structure reached (the first ones)
    float MaxValue = 0.0f;
    std::array<long, kHistogramBins> histogram{};
    long lines = 0; // result lines read
    // A query set's search: the number of its queries and the rule that fused their values (0:
    // a single query's search).
    int queries = 0;
    Fusion fusion = Fusion::Max;

    long StructureAt(int rank) const { return static_cast<long>(best[static_cast<std::size_t>(rank - 1)].number); }
};

// The start value of distance ranks: 3.3 x e^38 as a 4-byte float.
float DistanceStartValue();

// The best list built one result line at a time, in the order of the lines. Among equal values
// the line offered first keeps the better rank.
class BestRanking {
public:
    BestRanking(int coefficient, int bestCount);
    // Ranking values that are better the larger they are whatever the coefficient (or the smaller).
    BestRanking(int coefficient, int bestCount, bool smallerIsBetter);
    void Offer(long number, float value) { Offer(number, value, 0, value); }
    void Offer(long number, float value, int query, float queryValue);
    SearchResults& Results() { return m_results; }

private:
    SearchResults m_results;
    bool m_smaller;
};

// Ranks the lines of the result file into bestCount entries (BestRanking). Throws IoError when the
// file cannot be read.
SearchResults RankResults(const std::string& resultFile, int coefficient, int bestCount);
// The histogram bin of a value: Trunc(19 x v / MaxValue) within 0..19; with MaxValue 0 bin 0.
int HistogramBin(float value, float maxValue);
// Counts every result line into its HistogramBin.
void BuildHistogram(const std::string& resultFile, SearchResults& results);

// The distinct values of result lines with their counts, so that the histogram can be built
// without reading the result file again. Memory is bounded: values that do not fit (too many
// distinct ones, or not finite) make it overflow, and the file must then be read.
class ValueTally {
public:
    // Counts values (taken in batches).
    void Add(const float* values, std::size_t count);
    // Counts the batch taken so far; before Merge and FillHistogram.
    void Flush();
    // Adds the other (flushed) tally's counts.
    void Merge(const ValueTally& other);
    bool Overflowed() const { return m_overflowed; }
    // The histogram of the values counted; only when flushed and not overflowed.
    void FillHistogram(SearchResults& results) const;

private:
    static constexpr std::size_t kMaxDistinct = std::size_t{1} << 16;
    static constexpr std::size_t kBatch = std::size_t{1} << 14;
    using Entry = KeyCount; // the value's FloatOrderKey
    // Merges the sorted distinct entries of `from` into m_entries.
    void MergeEntries(const std::vector<Entry>& from);

    std::vector<Entry> m_entries; // ascending keys, each once
    std::vector<Entry> m_merged, m_batch;
    std::vector<std::uint32_t> m_keys, m_scratch;
    bool m_overflowed = false;
};

// Copies the structures of the filled ranks, in rank order, into the result library (replaced if it
// exists), under its lock for writing, and stamps it as a search's result library. 0 or the first failing library result code; when reading the library failed,
// failedPosition (if given) receives the library position that could not be read.
int WriteResultLibrary(StructureLibrary& library, const std::string& libraryName,
                       const std::string& resultLibraryName, const SearchResults& results,
                       long* failedPosition = nullptr);

} // namespace velmora
