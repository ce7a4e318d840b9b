// The fusion rules of a query set's search and the exact per-query ranks reciprocal-rank fusion
// needs, counted with memory that grows with the distinct values, not with the library.
#include "search/fusion.h"

#include "search/ranking.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <stdexcept>

namespace velmora {

const char* FusionTyped(Fusion fusion)
{
    switch (fusion) {
    case Fusion::Max: return "max";
    case Fusion::Mean: return "mean";
    case Fusion::Rrf: return "rrf";
    }
    return "";
}

std::optional<Fusion> FusionFromTyped(const std::string& typed)
{
    for (Fusion fusion : {Fusion::Max, Fusion::Mean, Fusion::Rrf})
        if (typed == FusionTyped(fusion))
            return fusion;
    return std::nullopt;
}

bool FusedSmallerIsBetter(Fusion fusion, bool coefficientSmallerIsBetter)
{
    return fusion != Fusion::Rrf && coefficientSmallerIsBetter;
}

std::string FusionRuleText(Fusion fusion, int queries)
{
    std::string text = std::string("Fusion: ") + FusionTyped(fusion) + " of " + std::to_string(queries) +
                       (queries == 1 ? " query" : " queries");
    switch (fusion) {
    case Fusion::Max: return text + " (the best value against any query)";
    case Fusion::Mean: return text + " (the mean of the values against every query)";
    case Fusion::Rrf: return text + " (sum of 1/(60 + rank) over the queries' rankings; larger is better)";
    }
    return text;
}

FusedValue BestOf(const float* values, std::size_t queries, bool smallerIsBetter)
{
    FusedValue best{values[0], 0, values[0]};
    for (std::size_t q = 1; q < queries; ++q)
        if (smallerIsBetter ? values[q] < best.value : values[q] > best.value)
            best = {values[q], static_cast<int>(q), values[q]};
    return best;
}

FusedValue FuseBest(const double* values, std::size_t queries, bool smallerIsBetter)
{
    std::size_t bestQuery = 0;
    double best = values[0];
    bool finite = true;
    for (std::size_t q = 0; q < queries; ++q) {
        finite = finite && std::isfinite(values[q]);
        if (smallerIsBetter ? values[q] < best : values[q] > best) {
            best = values[q];
            bestQuery = q;
        }
    }
    if (!finite) { // round every value: comparing doubles tells nothing about NaN
        std::vector<float> rounded(queries);
        for (std::size_t q = 0; q < queries; ++q)
            rounded[q] = ResultLineValue(values[q]);
        return BestOf(rounded.data(), queries, smallerIsBetter);
    }
    // The rounding never decreases, so no value beats the best double's, and an earlier query ties
    // with it only when its rounded value is the same. Two doubles a and b round to the same float
    // only when |a - b| <= 10^-4 (the decimals) + (|a| + |b|) x 2^-39 (the 6-byte real) + one float
    // step (at most (max(|a|, |b|) + 10^-4) x 2^-23): beyond twice that bound they cannot tie.
    const FusedValue fused{ResultLineValue(best), static_cast<int>(bestQuery), 0.0f};
    FusedValue result = fused;
    for (std::size_t q = 0; q < bestQuery; ++q) {
        const double gap = smallerIsBetter ? values[q] - best : best - values[q];
        const double reach = 1e-4 + (std::max(std::fabs(values[q]), std::fabs(best)) + 1.0) * 0x1p-20;
        if (gap <= reach && ResultLineValue(values[q]) == fused.value) {
            result.query = static_cast<int>(q);
            break;
        }
    }
    result.queryValue = result.value;
    return result;
}

float MeanOf(const float* values, std::size_t queries)
{
    double sum = 0.0;
    for (std::size_t q = 0; q < queries; ++q)
        sum += static_cast<double>(values[q]);
    return ResultLineValue(sum / static_cast<double>(queries));
}

namespace {
constexpr std::size_t kBatch = std::size_t{1} << 14;
}

void ValueCounts::Add(float value)
{
    m_batch.push_back(FloatOrderKey(value));
    if (m_batch.size() == kBatch)
        Flush();
}

void ValueCounts::Flush()
{
    if (m_batch.empty())
        return;
    thread_local std::vector<std::uint32_t> scratch; // one per thread, reused by every batch
    CountKeys(m_batch, scratch, m_sorted);
    m_batch.clear();
    MergeSorted(m_sorted);
}

void ValueCounts::Merge(ValueCounts& other)
{
    Flush();
    other.Flush();
    MergeSorted(other.m_entries);
}

void ValueCounts::MergeSorted(const std::vector<Entry>& from)
{
    // A count is at most the structures searched, far below 2^32.
    MergeKeyCounts(m_entries, from, m_merged);
    m_entries.swap(m_merged);
    m_merged.clear();
    m_merged.shrink_to_fit();
}

RankTables::RankTables(const std::vector<ValueCounts>& counts, bool smallerIsBetter)
{
    m_offsets.push_back(0);
    for (const ValueCounts& query : counts) {
        const auto& entries = query.Entries();
        if (m_keys.size() + entries.size() >= kNone)
            throw std::length_error("too many distinct values to rank");
        const std::size_t start = m_keys.size();
        for (const auto& entry : entries)
            m_keys.push_back(entry.key);
        m_better.resize(m_keys.size());
        std::uint64_t before = 0;
        if (smallerIsBetter) {
            for (std::size_t i = 0; i < entries.size(); ++i) {
                m_better[start + i] = static_cast<std::uint32_t>(before);
                before += entries[i].count;
            }
        } else {
            for (std::size_t i = entries.size(); i-- > 0;) {
                m_better[start + i] = static_cast<std::uint32_t>(before);
                before += entries[i].count;
            }
        }
        m_offsets.push_back(m_keys.size());
        const std::size_t q = m_offsets.size() - 2;
        m_least.push_back(entries.empty() ? 0 : entries.front().key);
        m_span.push_back(entries.empty() ? 1 : std::uint64_t{entries.back().key} - entries.front().key + 1);
        std::size_t i = 0;
        for (std::uint64_t b = 0; b <= kBuckets; ++b) {
            while (i < entries.size() && BucketOf(q, entries[i].key) < b)
                ++i;
            m_buckets.push_back(static_cast<std::uint32_t>(i));
        }
    }
}

std::uint32_t RankTables::Slot(std::size_t q, float value) const
{
    const std::uint32_t key = FloatOrderKey(value);
    if (m_offsets[q] == m_offsets[q + 1] || key < m_least[q] || key - m_least[q] >= m_span[q])
        return kNone;
    const std::uint64_t bucket = BucketOf(q, key);
    const std::uint32_t* buckets = m_buckets.data() + q * (kBuckets + 1);
    const auto start = m_keys.begin() + static_cast<std::ptrdiff_t>(m_offsets[q]);
    const auto begin = start + buckets[bucket];
    const auto end = start + buckets[bucket + 1];
    const auto found = std::lower_bound(begin, end, key);
    if (found == end || *found != key)
        return kNone;
    return static_cast<std::uint32_t>(found - m_keys.begin());
}

} // namespace velmora
