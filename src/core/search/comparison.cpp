#include "search/comparison.h"

#include "base/ioerror.h"
#include "base/real48.h"
#include "descriptors/descfiles.h"
#include "descriptors/groups.h"
#include "search/coefficients.h"
#include "search/workbench.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace velmora {

namespace {

// Four doubles at a time: the plain distance sums of every query (columns: descriptor by
// descriptor, stride values each) to one structure's row. AVX2 where the processor has it.
using FourDoubles = double __attribute__((vector_size(32)));
#if defined(__x86_64__) && defined(__GNUC__) && !defined(__clang__)
__attribute__((target_clones("avx2", "default")))
#endif
void PlainDistances(double* plain, const double* columns, std::size_t stride, const double* row, std::size_t n,
                    bool absolute)
{
    for (std::size_t b = 0; b < stride; b += 4) {
        FourDoubles sum = {0.0, 0.0, 0.0, 0.0};
        for (std::size_t e = 0; e < n; ++e) {
            FourDoubles value;
            std::memcpy(&value, columns + e * stride + b, sizeof value);
            const FourDoubles d = value - row[e];
            sum += absolute ? (d < 0.0 ? -d : d) : d * d;
        }
        std::memcpy(plain + b, &sum, sizeof sum);
    }
}

} // namespace

double ScaleQuickly(const LibraryParameters& parameters, int index, double value)
{
    // The extended quotient errs by at most 2^-64 of it, the double one by half a unit.
    const auto i = static_cast<std::size_t>(index);
    double difference, rounded;
    if (ExactDoubleDifference(value, parameters.Mean[i], difference) &&
        Real48RoundedIfClear(difference / parameters.StdDev[i], rounded))
        return rounded;
    return parameters.Scale(index, value);
}

StructureComparer::StructureComparer(const ComparisonSetup& setup, StructureLibrary* library)
    : m_setup(setup), m_library(library), m_statistics(setup.statistics)
{
    // Counts take few values: their scaled values are computed once, not per structure.
    m_table.fill(-1);
    for (int i : setup.participating)
        if (!IsRealDescriptor(i)) {
            m_table[static_cast<std::size_t>(i)] = static_cast<int>(m_scaledCounts.size());
            auto& row = m_scaledCounts.emplace_back();
            for (int v = 0; v < 256; ++v)
                row[static_cast<std::size_t>(v)] = setup.parameters.Scale(i, v);
        }
    for (int i : setup.participating) {
        m_fields.push_back(StoredDescriptorFieldOf(i));
        m_denseIndex.push_back(static_cast<int>(m_denseQuery.size()));
        m_denseQuery.push_back(setup.query[static_cast<std::size_t>(i)]);
    }
    for (const RangeFilter& range : setup.ranges)
        m_rangeFields.push_back(StoredDescriptorFieldOf(range.descriptor));
    m_queryCount = setup.queries.size();
    for (const auto& query : setup.queries)
        for (int i : setup.participating)
            m_denseQueries.push_back(query[static_cast<std::size_t>(i)]);
    if (setup.fusion == Fusion::Rrf && !setup.ranks)
        m_counts.resize(m_queryCount);
    const std::size_t dense = setup.participating.size();
    m_columnStride = (m_queryCount + 3) / 4 * 4; // whole blocks of four queries, the last padded with 0
    m_queryColumns.assign(dense * m_columnStride, 0.0);
    for (std::size_t q = 0; q < m_queryCount; ++q)
        for (std::size_t e = 0; e < dense; ++e)
            m_queryColumns[e * m_columnStride + q] = m_denseQueries[q * dense + e];
    m_plain.resize(m_columnStride);
    m_groupsOnly = std::all_of(setup.participating.begin(), setup.participating.end(), [](int i) { return i <= 32; });
    if (setup.mode == DescriptorMode::Normal && setup.mappedRecords) {
        // Read in place.
    } else if (setup.mode == DescriptorMode::Normal && !setup.parts.empty()) {
        for (const DescriptorPart& part : setup.parts) {
            m_partFds.push_back(::open(part.file.c_str(), O_RDONLY | O_CLOEXEC));
            if (m_partFds.back() < 0)
                throw IoError(part.file, std::string("cannot open: ") + std::strerror(errno));
        }
    } else if (setup.mode == DescriptorMode::Normal) {
        m_fd = ::open(setup.descriptorFile.c_str(), O_RDONLY | O_CLOEXEC);
        if (m_fd < 0)
            throw IoError(setup.descriptorFile, std::string("cannot open: ") + std::strerror(errno));
    } else if (!m_library) {
        m_ownLibrary = std::make_unique<StructureLibrary>();
        m_library = m_ownLibrary.get();
    }
}

StructureComparer::~StructureComparer()
{
    if (m_fd >= 0)
        ::close(m_fd);
    for (int fd : m_partFds)
        if (fd >= 0)
            ::close(fd);
}

namespace {

// Reads up to bytes at offset; the bytes read (fewer at the end of the file).
std::size_t ReadAt(int fd, std::uint8_t* to, std::size_t bytes, off_t offset, const std::string& file)
{
    std::size_t got = 0;
    while (got < bytes) {
        const ssize_t n = ::pread(fd, to + got, bytes - got, offset + static_cast<off_t>(got));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            throw IoError(file, std::string("read error: ") + std::strerror(errno));
        if (n == 0)
            break;
        got += static_cast<std::size_t>(n);
    }
    return got;
}

} // namespace

std::size_t StructureComparer::ReadRecords(long first, long last)
{
    const std::size_t bytes = static_cast<std::size_t>(last - first + 1) * kDescriptorRecordSize;
    m_records.resize(bytes);
    if (m_setup.parts.empty())
        return ReadAt(m_fd, m_records.data(), bytes, static_cast<off_t>(first - 1) * kDescriptorRecordSize,
                      m_setup.descriptorFile) /
               kDescriptorRecordSize;
    // Member after member; a member's file that ends early ends the records read there.
    std::size_t records = 0;
    for (std::size_t p = 0; p < m_setup.parts.size() && first + static_cast<long>(records) <= last; ++p) {
        const DescriptorPart& part = m_setup.parts[p];
        const long from = first + static_cast<long>(records);
        if (from > part.first + part.count - 1)
            continue;
        const long to = std::min(last, part.first + part.count - 1);
        const std::size_t want = static_cast<std::size_t>(to - from + 1) * kDescriptorRecordSize;
        const std::size_t got = ReadAt(m_partFds[p], m_records.data() + records * kDescriptorRecordSize, want,
                                       static_cast<off_t>(from - part.first) * kDescriptorRecordSize, part.file);
        records += got / kDescriptorRecordSize;
        if (got < want)
            break;
    }
    return records;
}

double StructureComparer::Scaled(int index, double value) const
{
    const int row = m_table[static_cast<std::size_t>(index)];
    if (row >= 0 && value >= 0 && value < 256)
        return m_scaledCounts[static_cast<std::size_t>(row)][static_cast<std::size_t>(value)];
    return ScaleQuickly(m_setup.parameters, index, value);
}

void StructureComparer::Compute(long first, long last, ComparedChunk& chunk, ValueTally* tally)
{
    chunk.first = first;
    chunk.last = last;
    chunk.ends.clear();
    chunk.values.clear();
    chunk.rangeFailures.clear();
    chunk.failedAt = 0;
    chunk.failure = 0;
    chunk.error = nullptr;
    chunk.errorAt = 0;
    chunk.lines.clear();
    chunk.lineQueries.clear();
    chunk.queryValues.clear();
    chunk.rankSlots.clear();
    m_setValues.clear();
    const std::vector<int>& participating = m_setup.participating;
    long k = first;
    try {
        std::size_t available = 0; // whole records read (NORMAL mode)
        if (m_setup.mode == DescriptorMode::Normal && last >= first && m_setup.mappedRecords) {
            const std::size_t offset = static_cast<std::size_t>(first - 1) * kDescriptorRecordSize;
            const std::size_t bytes = static_cast<std::size_t>(last - first + 1) * kDescriptorRecordSize;
            m_recordData = m_setup.mappedRecords + std::min(offset, m_setup.mappedBytes);
            available = (offset < m_setup.mappedBytes ? std::min(bytes, m_setup.mappedBytes - offset) : 0) /
                        kDescriptorRecordSize;
        } else if (m_setup.mode == DescriptorMode::Normal && last >= first) {
            available = ReadRecords(first, last);
            m_recordData = m_records.data();
        }
        if (m_setup.mode == DescriptorMode::Normal) {
            k = ComputeStored(first, last, available, chunk);
        } else {
            for (; k <= last; ++k) {
                if (const int read = m_library->ReadLibraryRecord(m_setup.libraryName, k); read != kLibOk) {
                    chunk.failedAt = k;
                    chunk.failure = read;
                    return;
                }
                const TCTab& table = m_library->Structure();
                // The ranges need the raw values of their descriptors: all of them computed then.
                std::array<double, kCatalogueSize> values{};
                if (m_groupsOnly && m_setup.ranges.empty()) {
                    CountGroups(table, participating, m_groupCounts);
                    for (std::size_t e = 0; e < participating.size(); ++e)
                        m_vector[static_cast<std::size_t>(participating[e])] = Scaled(participating[e], m_groupCounts[e]);
                } else {
                    values = ComputeDescriptorValues(table);
                    for (int i : participating)
                        m_vector[static_cast<std::size_t>(i)] = Scaled(i, values[static_cast<std::size_t>(i)]);
                }
                if (m_queryCount > 0) {
                    for (const auto& query : m_setup.queries)
                        m_setValues.push_back(Coefficient(m_setup.coefficient, query.data(), m_vector.data(),
                                                          participating, m_setup.chosenCount, m_statistics));
                    chunk.lines.push_back(k);
                } else {
                    const double value = Coefficient(m_setup.coefficient, m_setup.query.data(), m_vector.data(),
                                                     participating, m_setup.chosenCount, m_statistics);
                    AddLine(chunk, k, value);
                }
                if (!m_setup.ranges.empty()) {
                    int failure = -1;
                    for (std::size_t r = 0; r < m_setup.ranges.size() && failure < 0; ++r)
                        if (!m_setup.ranges[r].Holds(values[static_cast<std::size_t>(m_setup.ranges[r].descriptor)]))
                            failure = static_cast<int>(r);
                    chunk.rangeFailures.push_back(static_cast<std::int16_t>(failure));
                }
            }
            if (m_queryCount > 0)
                FuseStructures(chunk);
        }
        if (chunk.failedAt != 0)
            return;
        if (tally)
            tally->Add(chunk.values.data(), chunk.values.size());
    } catch (...) {
        chunk.error = std::current_exception();
        chunk.errorAt = k;
        if (m_setup.mode == DescriptorMode::Normal) { // the chunk's lines are computed together: none stands
            chunk.errorAt = first;
            chunk.text.clear();
            chunk.ends.clear();
            chunk.values.clear();
            chunk.rangeFailures.clear();
            chunk.lines.clear();
            chunk.lineQueries.clear();
            chunk.queryValues.clear();
            chunk.rankSlots.clear();
        }
    }
}

void StructureComparer::FuseStructures(ComparedChunk& chunk)
{
    const std::size_t queries = m_queryCount;
    const bool smaller = SmallerIsBetter(m_setup.coefficient);
    m_setFloats.resize(queries);
    for (std::size_t line = 0; line < chunk.lines.size(); ++line) {
        const double* values = m_setValues.data() + line * queries;
        FusedValue fused;
        if (m_setup.fusion == Fusion::Max) {
            fused = FuseBest(values, queries, smaller);
        } else {
            for (std::size_t q = 0; q < queries; ++q)
                m_setFloats[q] = ResultLineValue(values[q]);
            FuseRounded(chunk);
            continue;
        }
        chunk.values.push_back(fused.value);
        chunk.lineQueries.push_back(fused.query);
        chunk.queryValues.push_back(fused.queryValue);
    }
}

void StructureComparer::FuseRounded(ComparedChunk& chunk)
{
    const std::size_t queries = m_queryCount;
    FusedValue fused = BestOf(m_setFloats.data(), queries, SmallerIsBetter(m_setup.coefficient));
    if (m_setup.fusion == Fusion::Mean)
        fused.value = MeanOf(m_setFloats.data(), queries);
    else if (!m_setup.ranks)
        for (std::size_t q = 0; q < queries; ++q)
            m_counts[q].Add(m_setFloats[q]);
    else
        for (std::size_t q = 0; q < queries; ++q)
            chunk.rankSlots.push_back(m_setup.ranks->Slot(q, m_setFloats[q]));
    if (m_setup.fusion != Fusion::Rrf)
        chunk.values.push_back(fused.value);
    chunk.lineQueries.push_back(fused.query);
    chunk.queryValues.push_back(fused.queryValue);
}

void StructureComparer::RoundedDistances(const double* row)
{
    const std::size_t queries = m_queryCount;
    const std::size_t n = m_setup.participating.size();
    const bool absolute = m_setup.coefficient == kManhattan;
    PlainDistances(m_plain.data(), m_queryColumns.data(), m_columnStride, row, n, absolute);
    const double scale = m_setup.coefficient == kAverage && m_setup.chosenCount > 0 ? m_setup.chosenCount : 1.0;
    m_setFloats.resize(queries);
    for (std::size_t q = 0; q < queries; ++q) {
        // The coefficient lies within (n + 8) x 2^-39 of the plain value (FuseNearestByDistance);
        // when that whole neighbourhood, widened to 2^-28, rounds to the same four decimals, the
        // plain value rounds as the coefficient does. Otherwise the coefficient decides.
        const double plain = (absolute ? m_plain[q] : std::sqrt(m_plain[q])) / scale;
        const double units = plain * 1e4;
        if (std::isfinite(units) && units < 0x1p40) {
            const double low = std::floor(units * (1.0 - 0x1p-28) + 0.5), high = std::floor(units * (1.0 + 0x1p-28) + 0.5);
            if (low == high) {
                m_setFloats[q] = ResultLineValue(plain);
                continue;
            }
        }
        m_setFloats[q] = ResultLineValue(Coefficient(m_setup.coefficient, m_denseQueries.data() + q * n, row,
                                                     m_denseIndex, m_setup.chosenCount, m_statistics));
    }
}

void StructureComparer::AddLine(ComparedChunk& chunk, long k, double value)
{
    // Formatted straight into the chunk's text, which grows ahead of the lines (ends mark them).
    const std::size_t used = chunk.ends.empty() ? 0 : chunk.ends.back();
    if (chunk.text.size() < used + kMaxResultLine)
        chunk.text.resize(std::max(2 * chunk.text.size(), used + kMaxResultLine));
    float readBack = 0.0f;
    const std::size_t length = WriteResultLine(chunk.text.data() + used, k, value, readBack);
    chunk.values.push_back(readBack);
    chunk.ends.push_back(static_cast<std::uint32_t>(used + length));
}

long StructureComparer::ComputeStored(long first, long last, std::size_t available, ComparedChunk& chunk)
{
    // First the scaled vectors of the chunk, then their coefficients two at a time, then the lines.
    const std::size_t n = m_setup.participating.size();
    const std::size_t structures = static_cast<std::size_t>(last - first + 1);
    const std::size_t readable = std::min(available, structures);
    m_rows.resize(readable * n);
    m_lineRows.clear();
    for (std::size_t r = 0; r < readable; ++r) {
        const std::uint8_t* record = m_recordData + r * kDescriptorRecordSize;
        if (record[0] + record[9] + record[10] + record[11] == 0)
            continue; // not registered: no line
        double* row = m_rows.data() + r * n;
        for (std::size_t e = 0; e < n; ++e)
            row[e] = Scaled(m_setup.participating[e], m_fields[e].ValueIn(record));
        m_lineRows.push_back(r);
    }
    const int coefficient = m_setup.coefficient;
    if (m_queryCount > 0 && (coefficient == kEuclidean || coefficient == kAverage || coefficient == kManhattan)) {
        // Distances: every query's plain value first, the coefficient itself only where it can
        // decide the nearest query or the rounded value.
        std::size_t line = 0;
        for (std::size_t r = 0; r < readable; ++r) {
            if (line >= m_lineRows.size() || m_lineRows[line] != r)
                continue;
            const double* row = m_rows.data() + r * n;
            if (m_setup.fusion != Fusion::Max) {
                RoundedDistances(row);
                FuseRounded(chunk);
            } else if (!FuseNearestByDistance(row, chunk)) {
                for (std::size_t q = 0; q < m_queryCount; ++q)
                    m_plain[q] = Coefficient(coefficient, m_denseQueries.data() + q * n, row, m_denseIndex,
                                             m_setup.chosenCount, m_statistics);
                const FusedValue fused = FuseBest(m_plain.data(), m_queryCount, true);
                chunk.values.push_back(fused.value);
                chunk.lineQueries.push_back(fused.query);
                chunk.queryValues.push_back(fused.queryValue);
            }
            chunk.lines.push_back(first + static_cast<long>(r));
            ++line;
        }
        StoredRangeFailures(chunk);
        if (readable < structures)
            chunk.failedAt = first + static_cast<long>(readable);
        return first + static_cast<long>(readable);
    }
    if (m_queryCount > 0) {
        // Every query's values over the chunk, two structures at a time, then fused per structure.
        const std::size_t lines = m_lineRows.size();
        m_setValues.resize(lines * m_queryCount);
        m_lineValues.resize(lines);
        for (std::size_t q = 0; q < m_queryCount; ++q) {
            const double* query = m_denseQueries.data() + q * n;
            std::size_t line = 0;
            for (; line + 1 < lines; line += 2)
                CoefficientPair(m_setup.coefficient, query, m_rows.data() + m_lineRows[line] * n,
                                m_rows.data() + m_lineRows[line + 1] * n, m_denseIndex, m_setup.chosenCount,
                                m_statistics, m_lineValues[line], m_lineValues[line + 1]);
            if (line < lines)
                m_lineValues[line] = Coefficient(m_setup.coefficient, query, m_rows.data() + m_lineRows[line] * n,
                                                 m_denseIndex, m_setup.chosenCount, m_statistics);
            for (line = 0; line < lines; ++line)
                m_setValues[line * m_queryCount + q] = m_lineValues[line];
        }
        for (std::size_t r : m_lineRows)
            chunk.lines.push_back(first + static_cast<long>(r));
        FuseStructures(chunk);
        StoredRangeFailures(chunk);
        if (readable < structures)
            chunk.failedAt = first + static_cast<long>(readable);
        return first + static_cast<long>(readable);
    }
    m_lineValues.resize(m_lineRows.size());
    std::size_t line = 0;
    for (; line + 1 < m_lineRows.size(); line += 2)
        CoefficientPair(m_setup.coefficient, m_denseQuery.data(), m_rows.data() + m_lineRows[line] * n,
                        m_rows.data() + m_lineRows[line + 1] * n, m_denseIndex, m_setup.chosenCount, m_statistics,
                        m_lineValues[line], m_lineValues[line + 1]);
    if (line < m_lineRows.size())
        m_lineValues[line] = Coefficient(m_setup.coefficient, m_denseQuery.data(), m_rows.data() + m_lineRows[line] * n,
                                         m_denseIndex, m_setup.chosenCount, m_statistics);
    if (!m_lineRows.empty()) // the library vector as the last line left it
        for (std::size_t e = 0; e < n; ++e)
            m_vector[static_cast<std::size_t>(m_setup.participating[e])] = m_rows[m_lineRows.back() * n + e];
    line = 0;
    for (std::size_t r = 0; r < readable; ++r) {
        if (line < m_lineRows.size() && m_lineRows[line] == r) {
            AddLine(chunk, first + static_cast<long>(r), m_lineValues[line++]);
        } else
            chunk.ends.push_back(chunk.ends.empty() ? 0 : chunk.ends.back());
    }
    StoredRangeFailures(chunk);
    if (readable < structures)
        chunk.failedAt = first + static_cast<long>(readable);
    return first + static_cast<long>(readable);
}

void StructureComparer::StoredRangeFailures(ComparedChunk& chunk)
{
    if (m_setup.ranges.empty()) // the raw values of the structures with a line, in their order
        return;
    for (std::size_t r : m_lineRows) {
        const std::uint8_t* record = m_recordData + r * kDescriptorRecordSize;
        int failure = -1;
        for (std::size_t f = 0; f < m_rangeFields.size() && failure < 0; ++f)
            if (!m_setup.ranges[f].Holds(m_rangeFields[f].ValueIn(record)))
                failure = static_cast<int>(f);
        chunk.rangeFailures.push_back(static_cast<std::int16_t>(failure));
    }
}

bool StructureComparer::FuseNearestByDistance(const double* row, ComparedChunk& chunk)
{
    const std::size_t queries = m_queryCount;
    const std::size_t n = m_setup.participating.size();
    const bool absolute = m_setup.coefficient == kManhattan;
    double* plain = m_plain.data();
    PlainDistances(plain, m_queryColumns.data(), m_columnStride, row, n, absolute);
    double least = plain[0];
    for (std::size_t q = 1; q < queries; ++q)
        least = std::min(least, plain[q]);
    // The coefficient rounds each step of its sum to a 6-byte real and the root and quotient too:
    // it differs from the plain value (sum, root, quotient in double) by less than (n + 8) x 2^-39
    // of it. A query can reach the best rounded value only when its coefficient lies within 10^-4
    // plus a float step of the best one (see FuseBest); the bound T below exceeds the best plain
    // value by more than that reach and both errors, as long as the values stay below 10^4.
    const double scale = m_setup.coefficient == kAverage && m_setup.chosenCount > 0 ? m_setup.chosenCount : 1.0;
    const double best = (absolute ? least : std::sqrt(least)) / scale;
    if (!std::isfinite(best) || best > 1e4)
        return false;
    const double bound = (best + 2e-4 + (2.0 * best + 3.0) * 0x1p-18) * scale;
    const double limit = (absolute ? bound : bound * bound) * (1.0 + 0x1p-30);
    m_nearValues.clear();
    m_nearQueries.clear();
    for (std::size_t q = 0; q < queries; ++q)
        if (plain[q] <= limit) {
            m_nearQueries.push_back(static_cast<int>(q));
            m_nearValues.push_back(Coefficient(m_setup.coefficient, m_denseQueries.data() + q * n, row, m_denseIndex,
                                               m_setup.chosenCount, m_statistics));
        }
    FusedValue fused = FuseBest(m_nearValues.data(), m_nearValues.size(), true);
    fused.query = m_nearQueries[static_cast<std::size_t>(fused.query)];
    chunk.values.push_back(fused.value);
    chunk.lineQueries.push_back(fused.query);
    chunk.queryValues.push_back(fused.queryValue);
    return true;
}

ChunkedComparison::ChunkedComparison(const ComparisonSetup& setup, int threads, long chunkSize)
    : m_setup(setup), m_chunkSize(std::max(1L, chunkSize)),
      m_pipeline((setup.count + m_chunkSize - 1) / m_chunkSize, {threads},
                 [this](long c, ComparedChunk& chunk, int lane) {
                     Lane& own = m_lanes[static_cast<std::size_t>(lane)];
                     const long first = c * m_chunkSize + 1;
                     own.comparer->Compute(first, std::min(m_setup.count, first + m_chunkSize - 1), chunk, &own.tally);
                     return chunk.failedAt == 0 && !chunk.error; // the caller stops at a failed chunk
                 })
{
    m_lanes.resize(static_cast<std::size_t>(m_pipeline.Lanes()));
    for (Lane& lane : m_lanes)
        lane.comparer = std::make_unique<StructureComparer>(setup);
}

std::vector<ValueCounts> ChunkedComparison::MergedCounts()
{
    std::vector<ValueCounts> merged = std::move(m_lanes.front().comparer->Counts());
    for (ValueCounts& counts : merged)
        counts.Flush();
    for (std::size_t l = 1; l < m_lanes.size(); ++l) {
        auto& counts = m_lanes[l].comparer->Counts();
        for (std::size_t q = 0; q < merged.size() && q < counts.size(); ++q)
            merged[q].Merge(counts[q]);
    }
    return merged;
}

const ValueTally& ChunkedComparison::MergedTally()
{
    // Each value was counted on exactly one lane, so the merged counts do not depend on which.
    for (Lane& lane : m_lanes)
        lane.tally.Flush();
    ValueTally& merged = m_lanes.front().tally;
    for (std::size_t l = 1; l < m_lanes.size(); ++l)
        merged.Merge(m_lanes[l].tally);
    return merged;
}

} // namespace velmora
