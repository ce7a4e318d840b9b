#pragma once
// The search that follows the structure editor's drawing: the open library searched for the
// drawing as it is now, from the caller's (worker) thread, with the values and the order of the
// workbench's NORMAL mode search, but without its files (no result file, no result library) and
// without touching the workbench's results. A newer drawing cancels the run in hand.
#include "io/structlib.h"
#include "model/ctab.h"
#include "search/ranking.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace velmora {

struct ComparisonSetup; // search/comparison.h

// The library state a live search needs, taken from the workbench when the editor opens: the
// comparison as the workbench's search would set it up (its query left empty; shared, never
// changed) and the best count.
struct LiveSearchSetup {
    std::shared_ptr<const ComparisonSetup> comparison;
    int bestCount = 50;
    // Threads that compare the library's chunks (0: ThreadCount()). The results do not depend on it.
    int threads = 0;
};

// One finished live search: the ranking and histogram as the workbench's search would leave them,
// and the structures and names of the filled ranks, in rank order.
struct LiveResults {
    std::uint64_t generation = 0; // the drawing it belongs to
    SearchResults ranking;
    std::vector<TCTab> structures;
    std::vector<std::string> names;
};

class LiveSearch {
public:
    // Throws IoError when the library's descriptor file is missing or does not fit the library.
    explicit LiveSearch(LiveSearchSetup setup);
    ~LiveSearch();
    LiveSearch(const LiveSearch&) = delete;
    LiveSearch& operator=(const LiveSearch&) = delete;

    const LiveSearchSetup& Setup() const { return m_setup; }

    // Searches the library for query, its chunks compared on Setup().threads threads and ranked on
    // the calling thread in library order. Returns nothing when cancel became true before the end
    // (polled once per chunk of structures); throws IoError when the descriptor file
    // cannot be read to its end. Not to be called from two threads at once.
    std::optional<LiveResults> Run(const TCTab& query, std::uint64_t generation, const std::atomic<bool>& cancel);

private:
    LiveSearchSetup m_setup;
    StructureLibrary m_library; // reads the structures of the best ranks; stays open between runs
    // The descriptor file, mapped once: every run reads it in place.
    void* m_map = nullptr;
    std::size_t m_mapBytes = 0;
};

} // namespace velmora
