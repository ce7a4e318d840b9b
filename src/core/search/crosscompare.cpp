// One library against another, exactly as single searches of each A structure in B would rank it.
//
// Every pair is first given a bound in double computed over the dense scaled vectors (two A
// structures by eight B structures at a time, in vector registers); a pair whose bound shows it can neither enter the A
// structure's K-best list nor change a B structure's threshold state is settled without more
// work. The rest are computed by the coefficient itself (the very function the search calls) and
// rounded through the result line's text, so values, ranks and ties are the search's.
//
// Why the bounds are safe: the single search's value differs from the exact mathematical value by a
// few units of the 6-byte real's last place per descriptor (about 2^-39 relative), and the double
// bound from it by far less; the value read back is the value rounded to 4 decimals and then to a
// float. So a pair whose bound is farther than 10^-4 plus 10^-6 relative from a limit is on the
// same side of it as its read-back value. The correlation's value comes from raw sums and can lose
// digits when a vector has little spread around its own mean; its margin grows with that loss
// (and a vector with none is always computed exactly).
#include "search/crosscompare.h"

#include "base/chunkpipeline.h"
#include "base/ioerror.h"
#include "base/numtext.h"
#include "base/threadcount.h"
#include "descriptors/descfiles.h"
#include "descriptors/groups.h"
#include "io/libfiles.h"
#include "io/liblock.h"
#include "io/libreplace.h"
#include "io/libstamp.h"
#include "search/coefficients.h"
#include "search/libsetfiles.h"
#include "search/workbench.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <limits>
#include <thread>
#include <unistd.h>

namespace velmora {

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

constexpr double kInfinity = std::numeric_limits<double>::infinity();

// The room a limit leaves around a read-back value: half a unit of the fourth decimal (and the
// float's rounding) plus the difference between the bound and the search's computation.
double Slack(double value) { return 1e-4 + 1e-6 * (1.0 + std::fabs(value)); }

// The value as the single search reads it back from its result line.
float ReadBack(double value)
{
    char line[kMaxResultLine + 2];
    float readBack = 0.0f;
    WriteResultLine(line, 1, value, readBack);
    return readBack;
}

struct Ranked {
    float value = 0.0f;
    long position = 0;
};

// Correlation: a vector's values less their mean, divided by the root of their sum of squares,
// and the margin its loss of digits needs. Returns the margin (infinite for a vector without spread).
double Normalized(const double* x, std::size_t n, double* z)
{
    if (n < 3) {
        std::fill(z, z + n, 0.0);
        return kInfinity;
    }
    double sum = 0.0, squares = 0.0;
    for (std::size_t d = 0; d < n; ++d) {
        sum += x[d];
        squares += x[d] * x[d];
    }
    const double mean = sum / static_cast<double>(n);
    double spread = 0.0;
    for (std::size_t d = 0; d < n; ++d)
        spread += (x[d] - mean) * (x[d] - mean);
    if (!(spread > 1e-280 * (squares + 1e-300)) || !std::isfinite(spread)) {
        std::fill(z, z + n, 0.0);
        return kInfinity;
    }
    const double root = std::sqrt(spread);
    for (std::size_t d = 0; d < n; ++d)
        z[d] = (x[d] - mean) / root;
    const double loss = squares / spread; // >= 1: how much the raw sums overstate the spread
    return 4e-12 * static_cast<double>(n + 4) * loss;
}

// What the pairs are compared by: the coefficient, its shape and its lanes' comparison.
struct Kernel {
    int coefficient = 0;
    bool smaller = true; // distances: smaller is better
    std::size_t n = 0;
    int chosenCount = 0;
    std::vector<int> denseIndex; // 0..n-1

    // The key of a limit value: keys are "smaller is better" for every coefficient (similarities
    // negated), in the space the bound loop computes (squared sums for the Euclidean ones).
    double KeyOf(double value) const
    {
        switch (coefficient) {
        case kEuclidean: return value < 0 ? -1.0 : value * value;
        case kAverage: return value < 0 ? -1.0 : (value * chosenCount) * (value * chosenCount);
        case kManhattan: return value;
        default: return -value;
        }
    }
    // The value of a key (the inverse of KeyOf on its range).
    double ValueOf(double key) const
    {
        switch (coefficient) {
        case kEuclidean: return std::sqrt(std::max(key, 0.0));
        case kAverage: return chosenCount > 0 ? std::sqrt(std::max(key, 0.0)) / chosenCount : 0.0;
        case kManhattan: return key;
        default: return -key;
        }
    }
    bool Eligible(float value) const { return smaller ? value < DistanceStartValue() : value > 0.0f; }
    bool Better(const Ranked& x, const Ranked& y) const
    {
        if (x.value != y.value)
            return smaller ? x.value < y.value : x.value > y.value;
        return x.position < y.position;
    }
    bool Within(float value, float threshold) const { return smaller ? value <= threshold : value >= threshold; }
};

// The bound loops: two A structures against eight B structures at a time, the sums kept in
// registers over the descriptors (B's columns are read once for both). Built twice, for the
// processor's wide vectors where it has them and for the baseline; both give bounds, never values.
using Vec4 = double __attribute__((vector_size(32)));
// The helpers below are always inlined, so no vector crosses a call and its ABI does not matter
// (the build turns the compiler's warning about it off for this file).

#if defined(__x86_64__) && defined(__GNUC__)
#define VELMORA_WIDE_TARGET __attribute__((target("avx2,fma")))
#else
#define VELMORA_WIDE_TARGET
#endif

struct PairKeysInput {
    int coefficient = 0;
    const double* q0 = nullptr; // the two query vectors (dense; normalized for the correlation)
    const double* q1 = nullptr;
    double extra0 = 0.0, extra1 = 0.0; // Tanimoto: their sums of squares
    const double* columns = nullptr;   // n x stride
    const double* extra = nullptr;     // per B structure: Tanimoto sum of squares, correlation margin
    std::size_t n = 0;
    std::size_t stride = 0; // a multiple of 8
    double* keys0 = nullptr;
    double* keys1 = nullptr;
};

__attribute__((always_inline)) inline Vec4 Load4(const double* p)
{
    Vec4 v;
    std::memcpy(&v, p, sizeof v);
    return v;
}
__attribute__((always_inline)) inline void Store4(double* p, Vec4 v) { std::memcpy(p, &v, sizeof v); }
__attribute__((always_inline)) inline Vec4 Splat4(double x) { return Vec4{x, x, x, x}; }
__attribute__((always_inline)) inline Vec4 Abs4(Vec4 v) { return v < 0 ? -v : v; }

// The Tanimoto key of dot products with a query of squared length qq and structures of squared
// lengths ll. A plain function, not a lambda: GCC's UBSan build loses the closure of a lambda inlined
// into an always-inlined vector loop and reports a null member access.
__attribute__((always_inline)) inline Vec4 TanimotoKey4(Vec4 dot, double qq, Vec4 ll)
{
    const Vec4 tiny = Splat4(std::numeric_limits<double>::min());
    Vec4 denominator = Splat4(qq) + ll - dot;
    denominator = denominator > tiny ? denominator : tiny;
    return -(Abs4(dot) / denominator);
}

template <int Kind> // 0: squared differences, 1: absolute differences, 2: products
__attribute__((always_inline)) inline void PairKeysBody(const PairKeysInput& in)
{
    for (std::size_t c = 0; c < in.stride; c += 8) {
        Vec4 a0 = Splat4(0.0), a1 = Splat4(0.0), b0 = Splat4(0.0), b1 = Splat4(0.0);
        for (std::size_t d = 0; d < in.n; ++d) {
            const double* column = in.columns + d * in.stride + c;
            const Vec4 x0 = Load4(column), x1 = Load4(column + 4);
            const Vec4 p = Splat4(in.q0[d]), r = Splat4(in.q1[d]);
            if constexpr (Kind == 0) {
                const Vec4 e0 = p - x0, e1 = p - x1, f0 = r - x0, f1 = r - x1;
                a0 += e0 * e0;
                a1 += e1 * e1;
                b0 += f0 * f0;
                b1 += f1 * f1;
            } else if constexpr (Kind == 1) {
                a0 += Abs4(p - x0);
                a1 += Abs4(p - x1);
                b0 += Abs4(r - x0);
                b1 += Abs4(r - x1);
            } else {
                a0 += p * x0;
                a1 += p * x1;
                b0 += r * x0;
                b1 += r * x1;
            }
        }
        if constexpr (Kind == 2) {
            const Vec4 e0 = Load4(in.extra + c), e1 = Load4(in.extra + c + 4);
            if (in.coefficient == kTanimoto) {
                a0 = TanimotoKey4(a0, in.extra0, e0);
                a1 = TanimotoKey4(a1, in.extra0, e1);
                b0 = TanimotoKey4(b0, in.extra1, e0);
                b1 = TanimotoKey4(b1, in.extra1, e1);
            } else { // the correlation: r squared, raised by B's margin
                a0 = -(a0 * a0 + e0);
                a1 = -(a1 * a1 + e1);
                b0 = -(b0 * b0 + e0);
                b1 = -(b1 * b1 + e1);
            }
        }
        Store4(in.keys0 + c, a0);
        Store4(in.keys0 + c + 4, a1);
        Store4(in.keys1 + c, b0);
        Store4(in.keys1 + c + 4, b1);
    }
}

inline void PairKeysBaseline(const PairKeysInput& in)
{
    switch (in.coefficient) {
    case kEuclidean:
    case kAverage: PairKeysBody<0>(in); break;
    case kManhattan: PairKeysBody<1>(in); break;
    default: PairKeysBody<2>(in); break;
    }
}

VELMORA_WIDE_TARGET void PairKeysWide(const PairKeysInput& in)
{
    switch (in.coefficient) {
    case kEuclidean:
    case kAverage: PairKeysBody<0>(in); break;
    case kManhattan: PairKeysBody<1>(in); break;
    default: PairKeysBody<2>(in); break;
    }
}

void PairKeys(const PairKeysInput& in)
{
#if defined(__x86_64__) && defined(__GNUC__)
    static const bool wide = __builtin_cpu_supports("avx2") && __builtin_cpu_supports("fma");
    if (wide)
        return PairKeysWide(in);
#endif
    PairKeysBaseline(in);
}

// A block of A: the dense scaled query vectors and what the bounds need of them.
struct QueryBlock {
    long first = 1;
    long count = 0;
    std::vector<double> vectors;   // count x n
    std::vector<double> extra;     // Tanimoto: the sum of squares; correlation: the margin
    std::vector<double> normalized; // correlation: count x n
    std::vector<unsigned char> usable;
    std::vector<CrossQueryResult> results;
};

// A chunk of B as the lanes read it.
struct LaneBuffers {
    std::vector<std::uint8_t> records;
    std::vector<double> rows;    // chunk x n, the scaled vectors
    std::vector<double> columns; // n x chunk, the same transposed (normalized for the correlation)
    std::vector<double> extra;   // per structure: Tanimoto sum of squares, correlation margin
    std::vector<unsigned char> registered;
    std::vector<double> keys, bestKeys;
    std::size_t stride = 0; // the chunk rounded up to a multiple of 8
    std::vector<std::int32_t> groupCounts;
    std::vector<double> z;
};

// Reads B's structures and scales them as the search's comparer does.
class LibraryRows {
public:
    explicit LibraryRows(const ComparisonSetup& setup) : m_setup(setup)
    {
        m_table.fill(-1);
        for (int i : setup.participating)
            if (!IsRealDescriptor(i)) {
                m_table[static_cast<std::size_t>(i)] = static_cast<int>(m_scaledCounts.size());
                auto& row = m_scaledCounts.emplace_back();
                for (int v = 0; v < 256; ++v)
                    row[static_cast<std::size_t>(v)] = setup.parameters.Scale(i, v);
            }
        for (int i : setup.participating)
            m_fields.push_back(StoredDescriptorFieldOf(i));
        for (const RangeFilter& range : setup.ranges)
            m_rangeFields.push_back(StoredDescriptorFieldOf(range.descriptor));
        // The ranges need the raw values of their descriptors: all of them computed then.
        m_groupsOnly = setup.ranges.empty() &&
                       std::all_of(setup.participating.begin(), setup.participating.end(), [](int i) { return i <= 32; });
        if (setup.mode == DescriptorMode::Normal && !setup.mappedRecords && !setup.parts.empty()) {
            for (const DescriptorPart& part : setup.parts) { // a library set: its members' files
                m_partFds.push_back(::open(part.file.c_str(), O_RDONLY | O_CLOEXEC));
                if (m_partFds.back() < 0)
                    throw IoError(part.file, std::string("cannot open: ") + std::strerror(errno));
            }
        } else if (setup.mode == DescriptorMode::Normal && !setup.mappedRecords) {
            m_fd = ::open(setup.descriptorFile.c_str(), O_RDONLY | O_CLOEXEC);
            if (m_fd < 0)
                throw IoError(setup.descriptorFile, std::string("cannot open: ") + std::strerror(errno));
        }
    }
    ~LibraryRows()
    {
        if (m_fd >= 0)
            ::close(m_fd);
        for (int fd : m_partFds)
            if (fd >= 0)
                ::close(fd);
    }
    LibraryRows(const LibraryRows&) = delete;
    LibraryRows& operator=(const LibraryRows&) = delete;

    // Structures first..last into rows (and registered); throws IoError when one cannot be read.
    void Read(long first, long last, LaneBuffers& buffers)
    {
        const std::size_t n = m_setup.participating.size();
        const auto structures = static_cast<std::size_t>(last - first + 1);
        buffers.rows.assign(structures * n, 0.0);
        buffers.registered.assign(structures, 0);
        if (m_setup.mode == DescriptorMode::Normal) {
            const std::uint8_t* data = ReadRecords(first, last, buffers.records);
            for (std::size_t r = 0; r < structures; ++r) {
                const std::uint8_t* record = data + r * kDescriptorRecordSize;
                if (record[0] + record[9] + record[10] + record[11] == 0)
                    continue; // not registered: the search writes no line for it
                bool inRanges = true;
                for (std::size_t f = 0; f < m_rangeFields.size() && inRanges; ++f)
                    inRanges = m_setup.ranges[f].Holds(m_rangeFields[f].ValueIn(record));
                if (!inRanges)
                    continue; // outside a range: no match and neither similar nor dissimilar
                double* row = buffers.rows.data() + r * n;
                for (std::size_t e = 0; e < n; ++e)
                    row[e] = Scaled(m_setup.participating[e], m_fields[e].ValueIn(record));
                buffers.registered[r] = 1;
            }
            return;
        }
        const std::vector<int>& participating = m_setup.participating;
        for (std::size_t r = 0; r < structures; ++r) {
            const long k = first + static_cast<long>(r);
            if (const int read = m_library.ReadLibraryRecord(m_setup.libraryName, k); read != kLibOk)
                throw IoError(m_setup.libraryName, LibraryReadProblem(m_setup.libraryName, read, k));
            double* row = buffers.rows.data() + r * n;
            if (m_groupsOnly) {
                CountGroups(m_library.Structure(), participating, buffers.groupCounts);
                for (std::size_t e = 0; e < n; ++e)
                    row[e] = Scaled(participating[e], buffers.groupCounts[e]);
            } else {
                const auto values = ComputeDescriptorValues(m_library.Structure());
                for (std::size_t e = 0; e < n; ++e)
                    row[e] = Scaled(participating[e], values[static_cast<std::size_t>(participating[e])]);
                if (!std::all_of(m_setup.ranges.begin(), m_setup.ranges.end(), [&](const RangeFilter& range) {
                        return range.Holds(values[static_cast<std::size_t>(range.descriptor)]);
                    }))
                    continue;
            }
            buffers.registered[r] = 1;
        }
    }

private:
    double Scaled(int index, double value) const
    {
        const int row = m_table[static_cast<std::size_t>(index)];
        if (row >= 0 && value >= 0 && value < 256)
            return m_scaledCounts[static_cast<std::size_t>(row)][static_cast<std::size_t>(value)];
        return ScaleQuickly(m_setup.parameters, index, value);
    }

    const std::uint8_t* ReadRecords(long first, long last, std::vector<std::uint8_t>& records)
    {
        const std::size_t bytes = static_cast<std::size_t>(last - first + 1) * kDescriptorRecordSize;
        const std::size_t offset = static_cast<std::size_t>(first - 1) * kDescriptorRecordSize;
        std::size_t got = 0;
        const std::uint8_t* data = nullptr;
        if (m_setup.mappedRecords) {
            got = offset < m_setup.mappedBytes ? std::min(bytes, m_setup.mappedBytes - offset) : 0;
            data = m_setup.mappedRecords + std::min(offset, m_setup.mappedBytes);
        } else if (!m_setup.parts.empty()) {
            // Member after member; a member's file that ends early is named with its own position.
            records.resize(bytes);
            for (std::size_t p = 0; p < m_setup.parts.size() && got < bytes; ++p) {
                const DescriptorPart& part = m_setup.parts[p];
                const long from = first + static_cast<long>(got / kDescriptorRecordSize);
                if (from > part.first + part.count - 1)
                    continue;
                const long to = std::min(last, part.first + part.count - 1);
                const std::size_t want = static_cast<std::size_t>(to - from + 1) * kDescriptorRecordSize;
                const std::size_t read = ReadAt(m_partFds[p], records.data() + got, want,
                                                static_cast<off_t>(from - part.first) * kDescriptorRecordSize, part.file);
                got += read;
                if (read < want)
                    throw IoError(part.file, "structure " + std::to_string(from - part.first + 1 + static_cast<long>(read / kDescriptorRecordSize)) +
                                                 ": no descriptor record (the file ends early)");
            }
            data = records.data();
        } else {
            records.resize(bytes);
            while (got < bytes) {
                const ssize_t n = ::pread(m_fd, records.data() + got, bytes - got, static_cast<off_t>(offset + got));
                if (n < 0 && errno == EINTR)
                    continue;
                if (n < 0)
                    throw IoError(m_setup.descriptorFile, std::string("read error: ") + std::strerror(errno));
                if (n == 0)
                    break;
                got += static_cast<std::size_t>(n);
            }
            data = records.data();
        }
        if (got < bytes)
            throw IoError(m_setup.descriptorFile, "structure " + std::to_string(first + static_cast<long>(got / kDescriptorRecordSize)) +
                                                      ": no descriptor record (the file ends early)");
        return data;
    }

    const ComparisonSetup& m_setup;
    std::vector<std::array<double, 256>> m_scaledCounts;
    std::array<int, kCatalogueSize> m_table{};
    std::vector<StoredDescriptorField> m_fields;
    std::vector<StoredDescriptorField> m_rangeFields; // of the setup's ranges, in their order
    bool m_groupsOnly = false;
    int m_fd = -1;
    std::vector<int> m_partFds; // one per setup.parts
    StructureLibrary m_library;
};

// One lane: its reader, its buffers and its own K-best lists of the block's A structures.
struct Lane {
    std::unique_ptr<LibraryRows> rows;
    LaneBuffers buffers;
    StatisticsAccumulator statistics;
    std::vector<Ranked> best;   // count x K, each list in rank order
    std::vector<int> filled;    // per A structure
    std::vector<double> limits; // per A structure: the key a pair must not exceed to be computed
};

struct CrossChunk {
    long first = 1, last = 0;
};

class Comparer {
public:
    Comparer(const CrossCompareSetup& setup, const Kernel& kernel, std::vector<unsigned char>* states)
        : m_setup(setup), m_kernel(kernel), m_states(states), m_k(static_cast<std::size_t>(setup.best))
    {
    }

    void StartBlock(Lane& lane, const QueryBlock& block) const
    {
        const auto count = static_cast<std::size_t>(block.count);
        lane.best.assign(count * m_k, Ranked{});
        lane.filled.assign(count, 0);
        lane.limits.resize(count);
        for (std::size_t a = 0; a < count; ++a)
            lane.limits[a] = UnfilledLimit(block, a);
    }

    // Compares B's structures first..last with every A structure of the block.
    void Compute(Lane& lane, const QueryBlock& block, long first, long last) const
    {
        LaneBuffers& b = lane.buffers;
        lane.rows->Read(first, last, b);
        const std::size_t n = m_kernel.n;
        const auto chunk = static_cast<std::size_t>(last - first + 1);
        Prepare(b, chunk);
        const std::size_t stride = b.stride;
        b.keys.resize(2 * stride);
        b.bestKeys.assign(stride, kInfinity);
        PairKeysInput input;
        input.coefficient = m_kernel.coefficient;
        input.columns = b.columns.data();
        input.extra = b.extra.data();
        input.n = n;
        input.stride = stride;
        input.keys0 = b.keys.data();
        input.keys1 = b.keys.data() + stride;
        const bool correlation = m_kernel.coefficient == kCorrelation;
        const std::vector<double>& queries = correlation ? block.normalized : block.vectors;
        const auto count = static_cast<std::size_t>(block.count);
        for (std::size_t a = 0; a < count;) {
            // The next two usable A structures (or one, twice).
            while (a < count && !block.usable[a])
                ++a;
            if (a == count)
                break;
            std::size_t next = a + 1;
            while (next < count && !block.usable[next])
                ++next;
            const std::size_t second = next < count ? next : a;
            input.q0 = queries.data() + a * n;
            input.q1 = queries.data() + second * n;
            input.extra0 = block.extra[a];
            input.extra1 = block.extra[second];
            PairKeys(input);
            Scan(lane, block, a, input.keys0, first, chunk);
            if (second != a)
                Scan(lane, block, second, input.keys1, first, chunk);
            a = next < count ? next + 1 : count;
        }
        if (m_states)
            Classify(lane, block, first, chunk);
    }

    // Offers the pairs of A structure a whose keys pass its limit, and keeps the best key per B structure.
    void Scan(Lane& lane, const QueryBlock& block, std::size_t a, const double* keys, long first, std::size_t chunk) const
    {
        LaneBuffers& b = lane.buffers;
        double* bestKeys = b.bestKeys.data();
        if (m_states)
            for (std::size_t c = 0; c < chunk; ++c)
                bestKeys[c] = keys[c] < bestKeys[c] ? keys[c] : bestKeys[c];
        const std::size_t n = m_kernel.n;
        for (std::size_t c = 0; c < chunk; ++c) {
            if (!(keys[c] <= lane.limits[a]) || !b.registered[c])
                continue;
            const double value = Coefficient(m_kernel.coefficient, block.vectors.data() + a * n, b.rows.data() + c * n,
                                             m_kernel.denseIndex, m_kernel.chosenCount, lane.statistics);
            Offer(lane, block, a, Ranked{ReadBack(value), first + static_cast<long>(c)});
        }
    }

private:
    // The limit of an A structure whose list is not full: any value that can enter.
    double UnfilledLimit(const QueryBlock& block, std::size_t a) const
    {
        if (m_kernel.smaller)
            return kInfinity;
        return m_kernel.KeyOf(-Slack(0.0)) + Margin(block, a);
    }
    double Margin(const QueryBlock& block, std::size_t a) const
    {
        return m_kernel.coefficient == kCorrelation ? block.extra[a] : 0.0;
    }

    void Offer(Lane& lane, const QueryBlock& block, std::size_t a, const Ranked& entry) const
    {
        if (!m_kernel.Eligible(entry.value))
            return;
        Ranked* list = lane.best.data() + a * m_k;
        int& filled = lane.filled[a];
        const auto held = static_cast<std::size_t>(filled);
        if (held == m_k && !m_kernel.Better(entry, list[m_k - 1]))
            return;
        std::size_t at = std::min(held, m_k - 1);
        while (at > 0 && m_kernel.Better(entry, list[at - 1])) {
            list[at] = list[at - 1];
            --at;
        }
        list[at] = entry;
        if (held < m_k)
            ++filled;
        if (static_cast<std::size_t>(filled) == m_k) {
            const double last = list[m_k - 1].value;
            lane.limits[a] = m_kernel.KeyOf(m_kernel.smaller ? last + Slack(last) : last - Slack(last)) + Margin(block, a);
        }
    }

    // The chunk's columns (and what the coefficient's bound needs per structure).
    void Prepare(LaneBuffers& b, std::size_t chunk) const
    {
        const std::size_t n = m_kernel.n;
        const std::size_t stride = (chunk + 7) / 8 * 8; // the bound loops take eight at a time
        b.stride = stride;
        b.columns.assign(n * stride, 0.0);
        b.extra.assign(stride, 0.0);
        if (m_kernel.coefficient == kCorrelation) {
            b.z.resize(n);
            for (std::size_t c = 0; c < chunk; ++c) {
                b.extra[c] = Normalized(b.rows.data() + c * n, n, b.z.data());
                for (std::size_t d = 0; d < n; ++d)
                    b.columns[d * stride + c] = b.z[d];
            }
            return;
        }
        for (std::size_t c = 0; c < chunk; ++c) {
            const double* row = b.rows.data() + c * n;
            double squares = 0.0;
            for (std::size_t d = 0; d < n; ++d) {
                b.columns[d * stride + c] = row[d];
                squares += row[d] * row[d];
            }
            b.extra[c] = squares;
        }
    }

    // The exact value of a pair, read back.
    float Exact(Lane& lane, const QueryBlock& block, std::size_t a, const LaneBuffers& b, std::size_t c) const
    {
        const std::size_t n = m_kernel.n;
        return ReadBack(Coefficient(m_kernel.coefficient, block.vectors.data() + a * n, b.rows.data() + c * n,
                                    m_kernel.denseIndex, m_kernel.chosenCount, lane.statistics));
    }

    // Whether a pair's value, of which only a bound (a key and its margin) is known, is surely
    // within the threshold (1), surely not (-1), or must be computed (0).
    int Side(double key, double margin, float threshold) const
    {
        const double value = m_kernel.ValueOf(key);
        const double slack = Slack(threshold) + margin;
        if (!std::isfinite(value) || !std::isfinite(slack))
            return 0; // a vector without spread: only its value tells
        if (m_kernel.smaller)
            return value <= threshold - slack ? 1 : value > threshold + slack ? -1 : 0;
        return value >= threshold + slack ? 1 : value < threshold - slack ? -1 : 0;
    }

    void Classify(Lane& lane, const QueryBlock& block, long first, std::size_t chunk) const
    {
        LaneBuffers& b = lane.buffers;
        const float threshold = *m_setup.threshold;
        const bool correlation = m_kernel.coefficient == kCorrelation;
        double largestQueryMargin = 0.0;
        if (correlation)
            for (std::size_t a = 0; a < static_cast<std::size_t>(block.count); ++a)
                if (block.usable[a])
                    largestQueryMargin = std::max(largestQueryMargin, block.extra[a]);
        for (std::size_t c = 0; c < chunk; ++c) {
            unsigned char& state = (*m_states)[static_cast<std::size_t>(first - 1) + c];
            if (!b.registered[c]) {
                state = kCrossNoValue;
                continue;
            }
            if (state == kCrossSimilar)
                continue;
            state = kCrossDissimilar;
            // The best key over the block: the best value lies within the margins of its value.
            const double margin = correlation ? 2 * b.extra[c] + largestQueryMargin : 0.0;
            const int side = Side(b.bestKeys[c], margin, threshold);
            if (side > 0) {
                state = kCrossSimilar;
                continue;
            }
            if (side < 0)
                continue;
            // Close to the threshold: each A structure's own bound, then its value where needed.
            for (std::size_t a = 0; a < static_cast<std::size_t>(block.count) && state != kCrossSimilar; ++a) {
                if (!block.usable[a])
                    continue;
                const int own = Side(PairKey(block, a, b, c), correlation ? 2 * b.extra[c] + block.extra[a] : 0.0, threshold);
                if (own > 0 || (own == 0 && m_kernel.Within(Exact(lane, block, a, b, c), threshold)))
                    state = kCrossSimilar;
            }
        }
    }

    // The key of one pair, as Keys computes it.
    double PairKey(const QueryBlock& block, std::size_t a, const LaneBuffers& b, std::size_t c) const
    {
        const std::size_t n = m_kernel.n;
        const double* q = (m_kernel.coefficient == kCorrelation ? block.normalized : block.vectors).data() + a * n;
        double sum = 0.0;
        for (std::size_t d = 0; d < n; ++d) {
            const double l = b.columns[d * b.stride + c];
            switch (m_kernel.coefficient) {
            case kEuclidean:
            case kAverage: sum += (q[d] - l) * (q[d] - l); break;
            case kManhattan: sum += std::fabs(q[d] - l); break;
            default: sum += q[d] * l; break;
            }
        }
        if (m_kernel.coefficient == kTanimoto)
            return -(std::fabs(sum) / std::max(block.extra[a] + b.extra[c] - sum, std::numeric_limits<double>::min()));
        if (m_kernel.coefficient == kCorrelation)
            return -(sum * sum + b.extra[c]);
        return sum;
    }

    const CrossCompareSetup& m_setup;
    const Kernel& m_kernel;
    std::vector<unsigned char>* m_states;
    std::size_t m_k;
};

// Polls until the answer is not Suspend; true for Abort.
bool AbortRequested(Progress& progress)
{
    ProgressRequest request = progress.Poll();
    while (request == ProgressRequest::Suspend) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        request = progress.Poll();
    }
    return request == ProgressRequest::Abort;
}

// Reads A structures first..first+count-1 as queries: each scaled with B's parameters as the search
// scales its query. False when aborted.
bool LoadQueries(const CrossCompareSetup& setup, const Kernel& kernel, long first, long count, QueryBlock& block,
                 Progress& progress)
{
    const std::size_t n = kernel.n;
    block.first = first;
    block.count = count;
    block.vectors.assign(static_cast<std::size_t>(count) * n, 0.0);
    block.extra.assign(static_cast<std::size_t>(count), 0.0);
    block.normalized.assign(kernel.coefficient == kCorrelation ? static_cast<std::size_t>(count) * n : 0, 0.0);
    block.usable.assign(static_cast<std::size_t>(count), 0);
    block.results.assign(static_cast<std::size_t>(count), CrossQueryResult{});
    StructureLibrary library;
    const std::vector<int>& participating = setup.library.participating;
    for (long i = 0; i < count; ++i) {
        const long position = first + i;
        const auto a = static_cast<std::size_t>(i);
        if (position % 100 == 0) {
            progress.Step(position - 1);
            if (AbortRequested(progress))
                return false;
        }
        CrossQueryResult& result = block.results[a];
        result.queryPosition = position;
        if (const int read = library.ReadLibraryRecord(setup.queryLibrary, position); read != kLibOk) {
            result.readable = false;
            result.problem = LibraryReadProblem(setup.queryLibrary, read, position);
            continue;
        }
        result.queryName = library.RecordName();
        TCTab query;
        query.Assign(library.Structure());
        const auto values = ComputeDescriptorValues(query);
        double* vector = block.vectors.data() + a * n;
        double squares = 0.0;
        for (std::size_t e = 0; e < n; ++e) {
            const int index = participating[e];
            vector[e] = setup.library.parameters.Scale(index, values[static_cast<std::size_t>(index)]);
            squares += vector[e] * vector[e];
        }
        block.extra[a] = kernel.coefficient == kCorrelation ? Normalized(vector, n, block.normalized.data() + a * n) : squares;
        block.usable[a] = 1;
    }
    return true;
}

} // namespace

CrossOutcome CompareLibraries(const CrossCompareSetup& setup, Progress& progress,
                              const std::function<void(const CrossQueryResult&)>& sink,
                              std::vector<unsigned char>* states)
{
    Kernel kernel;
    kernel.coefficient = setup.library.coefficient;
    kernel.smaller = SmallerIsBetter(kernel.coefficient);
    kernel.n = setup.library.participating.size();
    kernel.chosenCount = setup.library.chosenCount;
    for (std::size_t e = 0; e < kernel.n; ++e)
        kernel.denseIndex.push_back(static_cast<int>(e));
    const int best = std::clamp(setup.best, 1, kMaxBestCount);
    CrossCompareSetup own = setup;
    own.best = best;
    if (!setup.threshold)
        states = nullptr;
    if (states)
        states->assign(static_cast<std::size_t>(std::max(0L, setup.library.count)), kCrossNoValue);

    const int threads = setup.threads > 0 ? setup.threads : ThreadCount();
    const long chunkSize = std::max(1L, setup.chunkSize);
    const long chunks = (setup.library.count + chunkSize - 1) / chunkSize;
    // What one A structure of a block holds: its vector(s), its lists on every lane, its name.
    const std::size_t lanes = static_cast<std::size_t>(threads) + 1;
    const std::size_t perQuery = kernel.n * sizeof(double) * (kernel.coefficient == kCorrelation ? 2 : 1) +
                                 lanes * (static_cast<std::size_t>(best) * sizeof(Ranked) + 16) + 96;
    const long blockSize = std::max<long>(1, static_cast<long>(setup.blockBytes / perQuery));

    Comparer comparer(own, kernel, states);
    QueryBlock block;
    progress.Start(ProgressKind::CrossComparison, "Compare libraries:", setup.queryCount);
    for (long first = 1; first <= setup.queryCount; first += blockSize) {
        const long count = std::min(blockSize, setup.queryCount - first + 1);
        if (!LoadQueries(own, kernel, first, count, block, progress)) {
            progress.Finish();
            return CrossOutcome::Aborted;
        }
        std::vector<Lane> laneStates;
        {
            ChunkPipeline<CrossChunk> pipeline(chunks, {threads},
                                               [&](long c, CrossChunk& chunk, int lane) {
                                                   chunk.first = c * chunkSize + 1;
                                                   chunk.last = std::min(setup.library.count, chunk.first + chunkSize - 1);
                                                   comparer.Compute(laneStates[static_cast<std::size_t>(lane)], block,
                                                                    chunk.first, chunk.last);
                                                   return true;
                                               });
            laneStates.resize(static_cast<std::size_t>(pipeline.Lanes()));
            for (Lane& lane : laneStates) {
                lane.rows = std::make_unique<LibraryRows>(setup.library);
                lane.statistics = setup.library.statistics;
                comparer.StartBlock(lane, block);
            }
            for (long c = 0; c < chunks; ++c) {
                if (!pipeline.Next())
                    break;
                progress.Step(first - 1 + static_cast<long>(static_cast<double>(count) * static_cast<double>(c + 1) / chunks));
                if (AbortRequested(progress)) {
                    pipeline.Stop();
                    progress.Finish();
                    return CrossOutcome::Aborted;
                }
            }
        }
        // Each lane saw some of B's chunks; a structure's best K are the best K of the lanes' lists,
        // ordered as the single search orders them.
        std::vector<Ranked> merged;
        for (std::size_t a = 0; a < static_cast<std::size_t>(count); ++a) {
            CrossQueryResult& result = block.results[a];
            merged.clear();
            for (const Lane& lane : laneStates)
                merged.insert(merged.end(), lane.best.begin() + static_cast<long>(a) * best,
                              lane.best.begin() + static_cast<long>(a) * best + lane.filled[a]);
            std::sort(merged.begin(), merged.end(), [&](const Ranked& x, const Ranked& y) { return kernel.Better(x, y); });
            for (std::size_t r = 0; r < merged.size() && r < static_cast<std::size_t>(best); ++r)
                result.matches.push_back(CrossMatch{static_cast<int>(r + 1), merged[r].position, merged[r].value});
            sink(result);
        }
        progress.Step(first - 1 + count);
    }
    progress.Finish();
    return CrossOutcome::Completed;
}

std::optional<ComparisonSetup> CrossLibrarySetup(Workbench& workbench, std::vector<int>& leftOut, std::string& problem)
{
    leftOut.clear();
    const SearchState& state = workbench.State();
    if (!state.LibraryOpen || !state.DescriptorsChosen) {
        problem = !state.LibraryOpen ? "no library is open" : "no descriptor is chosen";
        return std::nullopt;
    }
    if (state.Mode == DescriptorMode::Intro && !state.ParametersAvailable) {
        problem = state.LibraryFileName + ": INTRO mode needs the library parameters";
        return std::nullopt;
    }
    workbench.Selection().Refresh(workbench.Choice());
    const int chosen = workbench.Selection().ChosenCount();
    if (chosen < CoefficientInfo(state.CoefficientIndex).fewestChosen) {
        problem = "the " + CoefficientName(state.CoefficientIndex) + " needs at least " +
                  std::to_string(CoefficientInfo(state.CoefficientIndex).fewestChosen) + " chosen descriptors";
        return std::nullopt;
    }
    ComparisonSetup setup;
    // The descriptors that take part as the search chooses them.
    for (int i = 0; i < kCatalogueSize; ++i)
        if (workbench.Choice().TakesPart(i))
            (workbench.Parameters().StdDev[static_cast<std::size_t>(i)] == 0.0 ? leftOut : setup.participating).push_back(i);
    if (setup.participating.empty()) {
        problem = "none of the chosen descriptors can tell the structures of " + state.LibraryFileName + " apart";
        return std::nullopt;
    }
    if (const long now = CountLibraryRecords(state.LibraryFileName); now != state.LibraryCount) {
        problem = state.LibraryFileName + ": the library has changed since it was opened (" +
                  std::to_string(state.LibraryCount) + " structures then, " + std::to_string(now) + " now)";
        return std::nullopt;
    }
    const bool normal = state.Mode == DescriptorMode::Normal;
    setup.mode = state.Mode;
    setup.libraryName = state.LibraryFileName;
    setup.descriptorFile = CompanionFileName(state.LibraryFileName, "pre");
    const bool set = IsLibrarySetName(state.LibraryFileName); // reads its members' descriptor files
    if (normal && set)
        setup.parts = SetDescriptorParts(LibrarySet::Read(state.LibraryFileName));
    else if (normal)
        CheckDescriptorFile(setup.descriptorFile, state.LibraryCount);
    const std::string companion = normal ? "pre" : "idr";
    if ((normal && !set) || std::filesystem::exists(CompanionFileName(state.LibraryFileName, companion)))
        if (const std::string mismatch = CompanionMismatch(state.LibraryFileName, companion, false); !mismatch.empty())
            throw IoError(CompanionFileName(state.LibraryFileName, companion),
                          mismatch + (normal ? "; calculate the descriptor values again to rebuild it"
                                             : "; calculate the library parameters again to rebuild it"));
    setup.count = state.LibraryCount;
    setup.coefficient = state.CoefficientIndex;
    setup.chosenCount = chosen;
    setup.parameters = workbench.Parameters();
    setup.statistics = workbench.Statistics();
    return setup;
}

std::string CrossPairsHeader() { return "A position\tA name\trank\tB position\tB name\tvalue"; }

namespace {
// A name as one column: tabs and line ends become blanks.
std::string Column(std::string text)
{
    for (char& c : text)
        if (c == '\t' || c == '\r' || c == '\n')
            c = ' ';
    return text;
}

// A file written under a temporary name beside it, renamed when complete; removed otherwise.
class StagedFile {
public:
    explicit StagedFile(std::string name)
        : m_name(std::move(name)), m_staged(m_name + ".part-" + std::to_string(::getpid()))
    {
        m_file = std::fopen(m_staged.c_str(), "wb");
        if (!m_file)
            throw IoError(m_name, std::string("cannot be written: ") + std::strerror(errno));
    }
    ~StagedFile()
    {
        if (m_file)
            std::fclose(m_file);
        if (!m_committed) {
            std::error_code ignored;
            std::filesystem::remove(m_staged, ignored);
        }
    }
    StagedFile(const StagedFile&) = delete;
    StagedFile& operator=(const StagedFile&) = delete;
    void Write(const std::string& text)
    {
        if (std::fwrite(text.data(), 1, text.size(), m_file) != text.size())
            throw IoError(m_name, std::string("write error: ") + std::strerror(errno));
    }
    void Commit()
    {
        const bool flushed = std::fflush(m_file) == 0;
        const int error = errno;
        const bool closed = std::fclose(m_file) == 0;
        m_file = nullptr;
        if (!flushed || !closed)
            throw IoError(m_name, std::string("write error: ") + std::strerror(flushed ? errno : error));
        std::error_code ec;
        std::filesystem::rename(m_staged, m_name, ec);
        if (ec)
            throw IoError(m_name, "cannot be replaced: " + ec.message());
        m_committed = true;
    }

private:
    std::string m_name;
    std::string m_staged;
    std::FILE* m_file = nullptr;
    bool m_committed = false;
};

// Removes a library's files (its data file, index, companions and stamp).
void RemoveLibrary(const std::string& name)
{
    RemoveLibraryCompanions(name);
    RemoveCompanionStamp(name, "clb");
    std::error_code ignored;
    std::filesystem::remove(name, ignored);
    std::filesystem::remove(ExistingIndexFileName(name), ignored);
}
} // namespace

std::string CrossPairsRow(long queryPosition, const std::string& queryName, const CrossMatch& match,
                          const std::string& libraryName)
{
    return std::to_string(queryPosition) + "\t" + Column(queryName) + "\t" + std::to_string(match.rank) + "\t" +
           std::to_string(match.libraryPosition) + "\t" + Column(libraryName) + "\t" + FormatFixed(match.value, 4);
}

CrossSummary WriteLibraryComparison(const CrossCompareSetup& setup, const CrossFiles& files, Progress& progress)
{
    CrossSummary summary;
    // Taken before any work: a library another program uses is named now, not after the comparison.
    std::vector<std::unique_ptr<LibraryLock>> locks;
    for (const std::string* name : {&files.similar, &files.dissimilar})
        if (!name->empty())
            locks.push_back(std::make_unique<LibraryLock>(*name, LibraryWork::SearchResult));
    StagedFile pairs(files.pairs);
    pairs.Write(CrossPairsHeader() + "\n");
    StructureLibrary library;
    std::string text;
    const auto sink = [&](const CrossQueryResult& result) {
        if (!result.readable) {
            summary.unreadable.push_back(result.problem);
            return;
        }
        ++summary.queries;
        text.clear();
        for (const CrossMatch& match : result.matches) {
            if (const int read = library.ReadLibraryRecord(setup.library.libraryName, match.libraryPosition); read != kLibOk)
                throw IoError(setup.library.libraryName,
                              LibraryReadProblem(setup.library.libraryName, read, match.libraryPosition));
            text += CrossPairsRow(result.queryPosition, result.queryName, match, library.RecordName()) + "\n";
            ++summary.rows;
        }
        pairs.Write(text);
    };
    std::vector<unsigned char> states;
    const bool sets = setup.threshold && (!files.similar.empty() || !files.dissimilar.empty());
    summary.outcome = CompareLibraries(setup, progress, sink, sets ? &states : nullptr);
    if (summary.outcome == CrossOutcome::Aborted)
        return summary;

    // The libraries of B's structures by their state, staged until both are complete.
    std::vector<std::unique_ptr<LibraryReplacement>> staged;
    std::vector<std::pair<std::string, long>> written; // name and structures
    for (const auto& [name, wanted] : {std::pair{files.similar, kCrossSimilar}, std::pair{files.dissimilar, kCrossDissimilar}}) {
        if (name.empty() || !sets)
            continue;
        auto replacement = std::make_unique<LibraryReplacement>(name);
        replacement->Prepare();
        long structures = 0;
        progress.Start(ProgressKind::CrossComparison, "Write " + name + ":", setup.library.count);
        for (long k = 1; k <= setup.library.count; ++k) {
            if (k % 100 == 0) {
                progress.Step(k);
                if (AbortRequested(progress)) {
                    progress.Finish();
                    summary.outcome = CrossOutcome::Aborted;
                    return summary;
                }
            }
            if (states[static_cast<std::size_t>(k - 1)] != wanted)
                continue;
            if (const int read = library.ReadLibraryRecord(setup.library.libraryName, k); read != kLibOk)
                throw IoError(setup.library.libraryName, LibraryReadProblem(setup.library.libraryName, read, k));
            library.SetWritePermission(true);
            const int result = library.WriteLibraryRecord(replacement->StagedName(), library.RecordName(), library.RecordCASNumber());
            library.SetWritePermission(false);
            if (result != kLibOk) {
                const std::string folder = FolderProblem(name);
                throw IoError(name, "cannot be written: " + (folder.empty() ? "code " + std::to_string(result) : folder));
            }
            ++structures;
        }
        progress.Finish();
        library.ReleaseFiles();
        (wanted == kCrossSimilar ? summary.similar : summary.dissimilar) = structures;
        staged.push_back(std::move(replacement));
        written.emplace_back(name, structures);
    }
    library.ReleaseFiles();
    pairs.Commit();
    for (std::size_t i = 0; i < staged.size(); ++i) {
        const std::string& name = written[i].first;
        if (written[i].second == 0) {
            RemoveLibrary(name); // an earlier library of that name would pass for this result
            continue;
        }
        RemoveCompanionStamp(name, "clb");
        staged[i]->Commit();
        StampCompanion(name, "clb");
    }
    return summary;
}

} // namespace velmora
