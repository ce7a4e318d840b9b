#pragma once
// Distinct 4-byte float values with their counts, as the histogram tally and the rank tables of
// reciprocal-rank fusion keep them: batches sorted by radix and merged into ascending lists.
#include <cstdint>
#include <vector>

namespace velmora {

// A 4-byte float as an unsigned key in the order of the values (-0 just below +0, NaN at the ends).
std::uint32_t FloatOrderKey(float value);

// A distinct key and how often it occurs; lists of them are kept in ascending keys.
struct KeyCount {
    std::uint32_t key = 0;
    std::uint32_t count = 0;
};
// Sorts keys by radix (through scratch, a byte at a time from the lowest) and makes out the distinct
// keys with their counts. keys ends sorted.
void CountKeys(std::vector<std::uint32_t>& keys, std::vector<std::uint32_t>& scratch, std::vector<KeyCount>& out);
// Merges two ascending lists of distinct keys into out (cleared first), adding the counts of a key in
// both. False, with out incomplete, when a count would pass 2^32 - 1.
bool MergeKeyCounts(const std::vector<KeyCount>& a, const std::vector<KeyCount>& b, std::vector<KeyCount>& out);

} // namespace velmora
