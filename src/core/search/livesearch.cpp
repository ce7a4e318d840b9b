#include "search/livesearch.h"

#include "base/ioerror.h"
#include "descriptors/catalogue.h"
#include "descriptors/descfiles.h"
#include "io/libstamp.h"
#include "search/coefficients.h"
#include "search/comparison.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>
#include <utility>

namespace velmora {
namespace {
// Chunks of about a tenth of a millisecond each, so a cancelled run stops within one chunk.
constexpr long kLiveChunk = 1024;

// One contiguous part of the library, ranked on its own.
struct LivePart {
    long first = 1;
    long last = 0;
    std::optional<BestRanking> ranking;
    ValueTally tally;
    std::vector<float> values; // every value, for the histogram when the tally overflows
    std::exception_ptr error;  // the part's first problem; nothing after it was ranked
};

// Ranks the structures of part in library order, chunk by chunk, as the one-thread loop did. Stops
// before the next chunk when cancel is set or an earlier part failed (stopAt: the first part that
// failed).
void ScanPart(const ComparisonSetup& setup, int bestCount, int index, LivePart& part, const std::atomic<bool>& cancel,
              std::atomic<int>& stopAt)
{
    try {
        part.ranking.emplace(setup.coefficient, bestCount);
        part.values.reserve(static_cast<std::size_t>(part.last - part.first + 1));
        StructureComparer comparer(setup);
        ComparedChunk chunk;
        for (long first = part.first; first <= part.last; first += kLiveChunk) {
            if (cancel.load(std::memory_order_relaxed) || stopAt.load(std::memory_order_relaxed) < index)
                return;
            comparer.Compute(first, std::min(part.last, first + kLiveChunk - 1), chunk, &part.tally);
            if (chunk.error)
                std::rethrow_exception(chunk.error);
            const long end = chunk.failedAt ? chunk.failedAt - 1 : chunk.last;
            std::size_t value = 0;
            for (long k = chunk.first; k <= end; ++k)
                if (chunk.HasLine(k)) {
                    part.values.push_back(chunk.values[value]);
                    part.ranking->Offer(k, chunk.values[value++]);
                }
            if (chunk.failedAt)
                throw IoError(setup.descriptorFile, "structure " + std::to_string(chunk.failedAt) +
                                                        ": no descriptor record (the file ends early)");
        }
        part.tally.Flush();
    } catch (...) {
        part.error = std::current_exception();
        int seen = stopAt.load();
        while (index < seen && !stopAt.compare_exchange_weak(seen, index)) {
        }
    }
}

// Adds the best list of later structures to that of earlier ones (into), as if the later lines had
// been offered after the earlier: the better value first, on equal values the earlier structure.
void MergeLater(SearchResults& into, const SearchResults& later)
{
    const bool smaller = SmallerIsBetter(into.coefficient);
    const std::size_t count = into.best.size();
    const auto filledInto = static_cast<std::size_t>(into.filled);
    const auto filledLater = static_cast<std::size_t>(later.filled);
    std::vector<BestEntry> merged;
    merged.reserve(count);
    std::size_t a = 0, b = 0;
    while (merged.size() < count && (a < filledInto || b < filledLater)) {
        const bool takeLater =
            b < filledLater && (a >= filledInto || (smaller ? later.best[b].value < into.best[a].value
                                                            : later.best[b].value > into.best[a].value));
        merged.push_back(takeLater ? later.best[b++] : into.best[a++]);
    }
    into.filled = static_cast<int>(merged.size());
    // The ranks no structure reached keep their start entries.
    const BestEntry start{smaller ? DistanceStartValue() : 0.0f, 0.0f};
    merged.resize(count, start);
    into.best = std::move(merged);
    into.lines += later.lines;
    if (later.MaxValue > into.MaxValue)
        into.MaxValue = later.MaxValue;
}
} // namespace

LiveSearch::LiveSearch(LiveSearchSetup setup) : m_setup(std::move(setup))
{
    const ComparisonSetup& c = *m_setup.comparison;
    CheckDescriptorFile(c.descriptorFile, c.count);
    // A descriptor file made from another state of the library would rank other values.
    if (const std::string mismatch = CompanionMismatch(c.libraryName, "pre", false); !mismatch.empty())
        throw IoError(c.descriptorFile, mismatch + "; calculate the descriptor values again to rebuild it");
    // A descriptor file rebuilt meanwhile replaces the name, not these bytes (it is written
    // beside and renamed), so the mapping keeps the state that was checked.
    const int fd = ::open(c.descriptorFile.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        throw IoError(c.descriptorFile, std::string("cannot open: ") + std::strerror(errno));
    struct stat info {};
    if (::fstat(fd, &info) == 0 && info.st_size > 0) {
        m_mapBytes = static_cast<std::size_t>(info.st_size);
        void* map = ::mmap(nullptr, m_mapBytes, PROT_READ, MAP_SHARED, fd, 0);
        if (map != MAP_FAILED)
            m_map = map; // otherwise each run reads the file
    }
    ::close(fd);
}

LiveSearch::~LiveSearch()
{
    if (m_map)
        ::munmap(m_map, m_mapBytes);
}

std::optional<LiveResults> LiveSearch::Run(const TCTab& query, std::uint64_t generation, const std::atomic<bool>& cancel)
{
    ComparisonSetup setup = *m_setup.comparison;
    if (m_map) {
        setup.mappedRecords = static_cast<const std::uint8_t*>(m_map);
        setup.mappedBytes = m_mapBytes;
    }
    // The query vector as the workbench computes it for its search.
    const auto values = ComputeDescriptorValues(query);
    for (int i : setup.participating)
        setup.query[static_cast<std::size_t>(i)] = setup.parameters.Scale(i, values[static_cast<std::size_t>(i)]);

    // Contiguous parts of whole chunks, one per thread; a part's own ranking and tally are merged
    // in library order afterwards, so the results are those of one thread.
    const long chunks = (setup.count + kLiveChunk - 1) / kLiveChunk;
    int threads = m_setup.threads > 0 ? m_setup.threads : static_cast<int>(std::thread::hardware_concurrency());
    threads = static_cast<int>(std::clamp<long>(threads, 1, std::max(1L, chunks)));
    std::vector<LivePart> parts(static_cast<std::size_t>(threads));
    for (int p = 0; p < threads; ++p) {
        parts[static_cast<std::size_t>(p)].first = chunks * p / threads * kLiveChunk + 1;
        parts[static_cast<std::size_t>(p)].last = std::min(setup.count, chunks * (p + 1) / threads * kLiveChunk);
    }
    std::atomic<int> stopAt{threads};
    {
        std::vector<std::jthread> helpers;
        helpers.reserve(parts.size() - 1);
        try {
            for (int p = 1; p < threads; ++p)
                helpers.emplace_back(ScanPart, std::cref(setup), m_setup.bestCount, p,
                                     std::ref(parts[static_cast<std::size_t>(p)]), std::cref(cancel), std::ref(stopAt));
        } catch (...) {
            stopAt = 0; // the started ones stop; joined on leaving
            throw;
        }
        ScanPart(setup, m_setup.bestCount, 0, parts.front(), cancel, stopAt);
    }
    if (cancel.load(std::memory_order_relaxed))
        return std::nullopt;
    for (const LivePart& part : parts)
        if (part.error)
            std::rethrow_exception(part.error);

    LiveResults results;
    results.generation = generation;
    results.ranking = std::move(parts.front().ranking->Results());
    ValueTally& tally = parts.front().tally;
    for (std::size_t p = 1; p < parts.size(); ++p) {
        MergeLater(results.ranking, parts[p].ranking->Results());
        tally.Merge(parts[p].tally);
    }
    if (!tally.Overflowed()) {
        tally.FillHistogram(results.ranking);
    } else {
        results.ranking.histogram.fill(0);
        for (const LivePart& part : parts)
            for (float v : part.values)
                ++results.ranking.histogram[static_cast<std::size_t>(HistogramBin(v, results.ranking.MaxValue))];
    }
    for (int rank = 1; rank <= results.ranking.filled; ++rank) {
        if (cancel.load(std::memory_order_relaxed))
            return std::nullopt;
        const int read = m_library.ReadLibraryRecord(setup.libraryName, results.ranking.StructureAt(rank));
        results.structures.push_back(read == kLibOk ? m_library.Structure() : TCTab());
        results.names.push_back(read == kLibOk ? m_library.Structure().FStrucName : std::string());
    }
    if (cancel.load(std::memory_order_relaxed))
        return std::nullopt;
    return results;
}

} // namespace velmora
