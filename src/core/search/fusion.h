#pragma once
// How a search with a set of queries turns a structure's values against each query into one value:
// the best of them, their mean, or reciprocal-rank fusion of the per-query rankings. The per-query
// values are those a single search with that query gives (ResultLineValue of its coefficient), so
// every fused value is reproducible from single searches.
#include "search/keycounts.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace velmora {

enum class Fusion {
    Max,  // the best value by the coefficient's own order; the first query on ties
    Mean, // the per-query values summed in double in query order, divided by their number and
          // rounded as a result line rounds a value (6-byte real, four decimals, 4-byte float)
    Rrf,  // sum over queries of 1 / (60 + rank) in double in query order, rounded to a 4-byte float;
          // rank: the structure's place in that query's full ranking (ties by library position)
};

constexpr double kRrfOffset = 60.0;

// "max", "mean", "rrf" as typed on the command line, and back (nothing for another word).
const char* FusionTyped(Fusion fusion);
std::optional<Fusion> FusionFromTyped(const std::string& typed);
// Whether smaller fused values are better: as the coefficient for max and mean, never for rrf.
bool FusedSmallerIsBetter(Fusion fusion, bool coefficientSmallerIsBetter);
// The line the reports give the rule: "Fusion: max of 12 queries (the best value against any query)".
std::string FusionRuleText(Fusion fusion, int queries);

// One structure's values against every query, fused.
struct FusedValue {
    float value = 0.0f;      // the fused value
    int query = 0;           // the query with the best per-query value (the first one on ties)
    float queryValue = 0.0f; // that query's value, as a single search with it gives it
};
// The max rule from the coefficient's doubles (values[0..queries-1], queries >= 1): the best value
// is found on the doubles, and only the queries whose double lies within the rounding's reach of
// it are rounded to tell ties apart, so mostly one value is rounded. Equal to rounding them all.
FusedValue FuseBest(const double* values, std::size_t queries, bool smallerIsBetter);
// The best of per-query values already rounded (floats), the first one on ties.
FusedValue BestOf(const float* values, std::size_t queries, bool smallerIsBetter);
// The mean rule of the rounded per-query values.
float MeanOf(const float* values, std::size_t queries);

// The distinct values of one query's structures with how often each occurs, counted in batches:
// memory is 8 bytes per distinct value (plus a batch of 16,384 keys), whatever the library size.
class ValueCounts {
public:
    void Add(float value);
    // Counts the batch taken so far; before Merge and Entries.
    void Flush();
    void Merge(ValueCounts& other);
    using Entry = KeyCount;
    const std::vector<Entry>& Entries() const { return m_entries; }

private:
    void MergeSorted(const std::vector<Entry>& from);
    std::vector<std::uint32_t> m_batch;
    std::vector<Entry> m_entries, m_merged, m_sorted;
};

// Every query's distinct values in order with the number of structures whose value for that query
// is better: the rank of a structure is that number, plus the structures of equal value before it
// in the library, plus one.
class RankTables {
public:
    // counts: one per query, flushed. Throws std::length_error beyond 2^32 - 1 distinct values.
    RankTables(const std::vector<ValueCounts>& counts, bool smallerIsBetter);
    static constexpr std::uint32_t kNone = UINT32_MAX;
    // The slot (over all queries) of query q's value, kNone when it was not counted.
    std::uint32_t Slot(std::size_t q, float value) const;
    std::uint32_t Better(std::uint32_t slot) const { return m_better[slot]; }
    std::size_t Slots() const { return m_keys.size(); }

private:
    // Each query's keys are found through kBuckets buckets of equal key span from its least to
    // its greatest key: a key is searched only among the slots of its bucket.
    static constexpr std::uint64_t kBuckets = 1024;
    std::uint64_t BucketOf(std::size_t q, std::uint32_t key) const
    {
        return (static_cast<std::uint64_t>(key - m_least[q]) * kBuckets) / m_span[q];
    }
    std::vector<std::uint32_t> m_keys;   // per query ascending, one after another
    std::vector<std::uint32_t> m_better; // per slot
    std::vector<std::size_t> m_offsets;  // query q: slots m_offsets[q] .. m_offsets[q + 1] - 1
    std::vector<std::uint32_t> m_least;  // per query: its least key
    std::vector<std::uint64_t> m_span;   // per query: greatest - least key + 1
    std::vector<std::uint32_t> m_buckets; // per query kBuckets + 1 slot offsets within the query
};

} // namespace velmora
