#pragma once
// Filters inside the ranking: the best N structures that pass every filter, in exactly the order
// of the unfiltered ranking (the same values, ties by library position).
//  - Descriptor ranges ("NAME=LO..HI", closed, either end open) are tested for every structure
//    while it is compared: from the stored descriptor record in NORMAL mode, from the computed
//    values in INTRO mode (the raw values, never the scaled ones).
//  - Substructure patterns and alert catalogues are checked lazily in rank order: the comparison
//    keeps a band of the best candidates that pass the ranges; they are checked on all cores in
//    rank order until N pass. When the band runs out first, the next band (the candidates that
//    rank after it) is taken from a spill file of the range-passing values (an unnamed temporary
//    file beside the library, 16 bytes a structure), so memory stays
//    bounded whatever the library size and however rare the pattern.
// The histogram and the maximum value stay those of every value compared: the distribution of the
// library against the query, which the filters do not change.
#include "base/progress.h"
#include "search/ranking.h"
#include "search/structurematching.h"

#include <cstdint>
#include <cstdio>
#include <limits>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace velmora {

// Bad filter input; the message names the option ("--range: ...").
class FilterError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

struct RangeFilter {
    int descriptor = -1; // catalogue index
    double low = -std::numeric_limits<double>::infinity();
    double high = std::numeric_limits<double>::infinity();
    std::string text; // as given

    // Closed at both ends; a value that is not a number never passes.
    bool Holds(double value) const { return value >= low && value <= high; }
};

// The alert catalogues by the names the options take.
const std::vector<std::string>& AlertCatalogueNames();

struct SearchFilters {
    std::vector<std::string> smarts;    // every one must match
    std::vector<std::string> notSmarts; // none may match
    std::vector<std::string> alerts;    // catalogue names; no entry of them may match
    std::vector<RangeFilter> ranges;

    bool Any() const { return Structural() || !ranges.empty(); }
    bool Structural() const { return !smarts.empty() || !notSmarts.empty() || !alerts.empty(); }
    // One label per filter, ranges first and then in the order StructureMatcher::Check numbers
    // them: "--range MW=100..500", "--smarts c1ccccc1", "--alerts pains".
    std::vector<std::string> Labels() const;
};

// "NAME=LO..HI", "NAME=..HI" or "NAME=LO.." with the descriptor's listed name. FilterError naming
// --range when malformed, when no descriptor has the name, or when LO > HI.
RangeFilter ParseRangeFilter(const std::string& text);
// "pains,brenk" (blanks and case ignored) into catalogue names; FilterError naming --alerts for
// an unknown or empty name.
std::vector<std::string> ParseAlertList(const std::string& list);
// Checks what needs the toolkit before any work: FilterError naming the option when the
// structural filters cannot be used in this build or a SMARTS does not parse.
void CheckStructuralFilters(const SearchFilters& filters);

// What the filters did in the last search.
struct FilterSummary {
    bool active = false;
    SearchFilters filters;
    int bestCount = 0;
    long compared = 0;                    // structures with a value
    std::vector<long> removed;            // per filter, in the order of Labels(): the first one it failed
    long checked = 0;                     // structures the structural filters were checked on
    long uncheckable = 0;                 // of those, structures the toolkit could not read
    long passed = 0;                      // the hits (at most bestCount)
    bool moreUnchecked = false;           // candidates ranked after the last hit were not checked

    // The lines the reports show (label, value), after the search's input.
    std::vector<std::pair<std::string, std::string>> ReportLines() const;
};

// The best list of a filtered search, fed every result line in library order.
class FilteredRanking {
public:
    // spillFolder: where the range-passing values go while structural filters are set, in an unnamed
    // file (none of another search's, none left behind, whatever happens). matcher: the compiled structural filters (null without them). firstBand:
    // the candidates of the first band (0: FirstBand(bestCount)). smallerIsBetter: the order of the
    // values ranked when it is not the coefficient's own (a query set's fused values).
    FilteredRanking(const SearchFilters& filters, std::shared_ptr<const StructureMatcher> matcher, int coefficient,
                    int bestCount, const std::string& spillFolder, std::size_t firstBand = 0,
                    std::optional<bool> smallerIsBetter = std::nullopt);
    ~FilteredRanking();
    FilteredRanking(const FilteredRanking&) = delete;
    FilteredRanking& operator=(const FilteredRanking&) = delete;

    // One result line; rangeFailure: -1, or the first range the structure fails. A query set's
    // line also carries the query that gave the value and that query's own value (BestEntry).
    void Offer(long number, float value, int rangeFailure) { Offer(number, value, rangeFailure, 0, value); }
    void Offer(long number, float value, int rangeFailure, int query, float queryValue)
    {
        ++m_lines;
        if (value > m_maxValue)
            m_maxValue = value;
        if (rangeFailure >= 0)
            ++m_rangeRemoved[static_cast<std::size_t>(rangeFailure)];
        else if (!m_structural)
            m_ranking.Offer(number, value, query, queryValue);
        else
            OfferCandidate(number, value, query, queryValue);
    }
    // After the last line: the best passing structures of libraryName into results (the maximum
    // value and the line count over every line), the counts into summary. The structural filters
    // report to progress as a Comparison loop; false when the user aborted there. Throws IoError
    // when a candidate's record or the spill file cannot be read.
    bool Finish(const std::string& libraryName, Progress& progress, SearchResults& results, FilterSummary& summary);

    // The first band holds this many candidates (the later ones twice the one before, up to a cap).
    static std::size_t FirstBand(int bestCount);

private:
    struct Candidate {
        float value;
        std::uint32_t number;
        std::int32_t query;
        float queryValue;
    };
    bool Better(const Candidate& a, const Candidate& b) const;
    void OfferCandidate(long number, float value, int query, float queryValue);
    bool Qualifies(float value) const;
    void Spill(const Candidate& candidate);
    // The best `size` qualifying candidates that rank after `after` (all when null), best first.
    std::vector<Candidate> NextBand(std::size_t size, const Candidate* after);
    // Checks the band in rank order until the hits are complete; false when aborted.
    bool CheckBand(const std::string& libraryName, const std::vector<Candidate>& band, Progress& progress,
                   SearchResults& results, FilterSummary& summary, bool& complete);

    SearchFilters m_filters;
    bool m_structural;
    std::shared_ptr<const StructureMatcher> m_matcher;
    int m_bestCount;
    bool m_smaller;
    float m_start;
    BestRanking m_ranking; // the ranges-only search
    std::vector<Candidate> m_heap; // the first band (structural filters): worst on top
    std::size_t m_firstBand = 0;
    long m_qualifying = 0; // range-passing lines that can rank at all
    long m_lines = 0;
    float m_maxValue = 0.0f;
    std::vector<long> m_rangeRemoved;
    std::string m_spillName; // for messages
    std::FILE* m_spill = nullptr;
    std::vector<Candidate> m_spillBuffer;
};

} // namespace velmora
