#include "search/livesearch.h"

#include "base/chunkpipeline.h"
#include "base/ioerror.h"
#include "base/threadcount.h"
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
#include <unistd.h>
#include <utility>

namespace velmora {
namespace {
// Chunks of about a tenth of a millisecond each, so a cancelled run stops within one chunk.
constexpr long kLiveChunk = 1024;
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
    const auto descriptors = ComputeDescriptorValues(query);
    for (int i : setup.participating)
        setup.query[static_cast<std::size_t>(i)] = setup.parameters.Scale(i, descriptors[static_cast<std::size_t>(i)]);

    // The chunks are compared on every thread and ranked here in library order, as the one-thread
    // loop ranks them; each thread counts the values of its chunks in its own tally.
    struct Lane {
        std::unique_ptr<StructureComparer> comparer;
        ValueTally tally;
    };
    std::vector<Lane> lanes;
    ChunkPipeline<ComparedChunk> pipeline(
        (setup.count + kLiveChunk - 1) / kLiveChunk, {m_setup.threads > 0 ? m_setup.threads : ThreadCount()},
        [&](long c, ComparedChunk& chunk, int lane) {
            if (cancel.load(std::memory_order_relaxed))
                return false; // left as it is: the caller sees the cancel and stops
            Lane& own = lanes[static_cast<std::size_t>(lane)];
            const long first = c * kLiveChunk + 1;
            own.comparer->Compute(first, std::min(setup.count, first + kLiveChunk - 1), chunk, &own.tally);
            return chunk.failedAt == 0 && !chunk.error;
        });
    lanes.resize(static_cast<std::size_t>(pipeline.Lanes()));
    for (Lane& lane : lanes)
        lane.comparer = std::make_unique<StructureComparer>(setup);
    BestRanking ranking(setup.coefficient, m_setup.bestCount);
    std::vector<float> values; // every value, for the histogram when the tally overflows
    values.reserve(static_cast<std::size_t>(std::max(0L, setup.count)));
    while (const ComparedChunk* chunk = pipeline.Next()) {
        // A chunk cut short by the cancel is never used: whoever saw the cancel, this thread sees it.
        if (cancel.load(std::memory_order_relaxed))
            return std::nullopt;
        if (chunk->error)
            std::rethrow_exception(chunk->error);
        const long end = chunk->failedAt ? chunk->failedAt - 1 : chunk->last;
        std::size_t value = 0;
        for (long k = chunk->first; k <= end; ++k)
            if (chunk->HasLine(k)) {
                values.push_back(chunk->values[value]);
                ranking.Offer(k, chunk->values[value++]);
            }
        if (chunk->failedAt)
            throw IoError(setup.descriptorFile, "structure " + std::to_string(chunk->failedAt) +
                                                    ": no descriptor record (the file ends early)");
    }
    pipeline.Stop();
    if (cancel.load(std::memory_order_relaxed))
        return std::nullopt;

    LiveResults results;
    results.generation = generation;
    results.ranking = std::move(ranking.Results());
    ValueTally& tally = lanes.front().tally;
    for (Lane& lane : lanes)
        lane.tally.Flush();
    for (std::size_t l = 1; l < lanes.size(); ++l)
        tally.Merge(lanes[l].tally);
    if (!tally.Overflowed()) {
        tally.FillHistogram(results.ranking);
    } else {
        results.ranking.histogram.fill(0);
        for (float v : values)
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
