// Filters inside the ranking: range and alert option parsing, the checks made before any work,
// and the filtered best list with its lazy, banded structural check.
#include "search/searchfilters.h"

#include "base/chunkpipeline.h"
#include "base/ioerror.h"
#include "base/textfile.h"
#include "base/threadcount.h"
#include "descriptors/catalogue.h"
#include "io/molfile.h"
#include "io/structlib.h"
#include "search/coefficients.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <filesystem>
#include <unistd.h>

namespace velmora {

namespace {

std::string Trimmed(const std::string& text)
{
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string::npos)
        return {};
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

// An end of a range: "" (open) or a finite decimal number.
bool ParseEnd(const std::string& text, double& value, bool& open)
{
    const std::string end = Trimmed(text);
    open = end.empty();
    if (open)
        return true;
    const char* begin = end.data() + (end[0] == '+' ? 1 : 0);
    const auto [stop, ec] = std::from_chars(begin, end.data() + end.size(), value);
    return ec == std::errc() && stop == end.data() + end.size() && std::isfinite(value);
}

std::string ValueText(double value)
{
    char text[64];
    const auto stop = std::to_chars(text, text + sizeof text, value).ptr;
    return std::string(text, stop);
}

// Candidates checked per chunk of the structural check: small, since a rare pattern is found
// among the first few and what the workers computed beyond the last hit is wasted.
constexpr std::size_t kCheckChunk = 16;
// The largest band: its candidates are held in memory at once.
constexpr std::size_t kMaxBand = std::size_t{1} << 16;
constexpr std::size_t kSpillBatch = 8192;

} // namespace

const std::vector<std::string>& AlertCatalogueNames()
{
    static const std::vector<std::string> names{"pains", "brenk", "nih", "zinc"};
    return names;
}

std::vector<std::string> SearchFilters::Labels() const
{
    std::vector<std::string> labels;
    for (const auto& range : ranges)
        labels.push_back("--range " + range.text);
    for (const auto& pattern : smarts)
        labels.push_back("--smarts " + pattern);
    for (const auto& pattern : notSmarts)
        labels.push_back("--not-smarts " + pattern);
    for (const auto& name : alerts)
        labels.push_back("--alerts " + name);
    return labels;
}

RangeFilter ParseRangeFilter(const std::string& text)
{
    const std::string quoted = "--range: \"" + text + "\"";
    const auto equals = text.find('=');
    const auto dots = equals == std::string::npos ? std::string::npos : text.find("..", equals + 1);
    if (equals == std::string::npos || dots == std::string::npos)
        throw FilterError(quoted + " is not NAME=LO..HI (an open end is written NAME=..HI or NAME=LO..)");
    RangeFilter range;
    range.text = text;
    const std::string name = Trimmed(text.substr(0, equals));
    for (int i = 0; i < kCatalogueSize && range.descriptor < 0; ++i)
        if (IsDescriptor(i) && CatalogueName(i) == name)
            range.descriptor = i;
    if (range.descriptor < 0)
        throw FilterError("--range: no descriptor is named \"" + name + "\" (see velmora-cli descriptors --list)");
    bool lowOpen = false, highOpen = false;
    double low = 0.0, high = 0.0;
    if (!ParseEnd(text.substr(equals + 1, dots - equals - 1), low, lowOpen) ||
        !ParseEnd(text.substr(dots + 2), high, highOpen))
        throw FilterError(quoted + ": the ends of the range must be numbers (an open end is left empty)");
    if (lowOpen && highOpen)
        throw FilterError(quoted + ": give at least one end of the range");
    if (!lowOpen)
        range.low = low;
    if (!highOpen)
        range.high = high;
    if (range.low > range.high)
        throw FilterError(quoted + ": the lower end " + ValueText(low) + " is above the upper end " + ValueText(high));
    return range;
}

std::vector<std::string> ParseAlertList(const std::string& list)
{
    std::vector<std::string> names;
    std::size_t start = 0;
    while (true) {
        const auto comma = list.find(',', start);
        std::string name = Trimmed(list.substr(start, comma == std::string::npos ? std::string::npos : comma - start));
        for (char& c : name)
            if (c >= 'A' && c <= 'Z')
                c = static_cast<char>(c - 'A' + 'a');
        const auto& known = AlertCatalogueNames();
        std::string choices;
        for (const auto& k : known)
            choices += (choices.empty() ? "" : ", ") + k;
        if (name.empty())
            throw FilterError("--alerts: \"" + list + "\" names an empty catalogue (choose from " + choices + ")");
        if (std::find(known.begin(), known.end(), name) == known.end())
            throw FilterError("--alerts: no alert catalogue is named \"" + name + "\" (choose from " + choices + ")");
        if (std::find(names.begin(), names.end(), name) == names.end())
            names.push_back(name);
        if (comma == std::string::npos)
            break;
        start = comma + 1;
    }
    return names;
}

void CheckStructuralFilters(const SearchFilters& filters)
{
    if (!filters.Structural())
        return;
    const std::string option = !filters.smarts.empty() ? "--smarts" : !filters.notSmarts.empty() ? "--not-smarts" : "--alerts";
    if (!StructureMatchingAvailable())
        throw FilterError(option + ": " + kStructureMatchingUnavailable);
    const auto& matching = RegisteredStructureMatching();
    auto check = [&](const std::string& name, const std::vector<std::string>& patterns) {
        for (const auto& pattern : patterns) {
            if (Trimmed(pattern).empty())
                throw FilterError(name + ": the SMARTS pattern is empty");
            if (const std::string why = matching.checkSmarts(pattern); !why.empty())
                throw FilterError(name + ": \"" + pattern + "\" is not a valid SMARTS pattern: " + why);
        }
    };
    check("--smarts", filters.smarts);
    check("--not-smarts", filters.notSmarts);
    const auto known = matching.catalogues();
    for (const auto& name : filters.alerts)
        if (std::find(known.begin(), known.end(), name) == known.end())
            throw FilterError("--alerts: the alert catalogue \"" + name + "\" is not available in this build");
}

std::vector<std::pair<std::string, std::string>> FilterSummary::ReportLines() const
{
    std::vector<std::pair<std::string, std::string>> lines;
    if (!active)
        return lines;
    const auto labels = filters.Labels();
    lines.emplace_back("Filters          :", std::to_string(labels.size()) + (labels.size() == 1 ? " filter" : " filters"));
    lines.emplace_back("Looked at        :", std::to_string(compared) + " structures");
    for (std::size_t f = 0; f < labels.size(); ++f) {
        const bool structural = f >= filters.ranges.size();
        lines.emplace_back("", labels[f] + ": removed " + std::to_string(removed[f]) +
                                   (structural ? " of " + std::to_string(checked) + " checked" : ""));
    }
    if (filters.Structural()) {
        lines.emplace_back("Checked          :", std::to_string(checked) + " structures in rank order" +
                                                    (moreUnchecked ? " (the others ranked lower)" : ""));
        lines.emplace_back("Not checkable    :", std::to_string(uncheckable) + " structures (RDKit could not read them)");
    }
    if (passed < bestCount)
        lines.emplace_back("Passed           :", "only " + std::to_string(passed) + " structures pass the filters, fewer than the " +
                                                    std::to_string(bestCount) + " asked for");
    else
        lines.emplace_back("Passed           :", "the best " + std::to_string(passed) + " that pass the filters");
    return lines;
}

std::size_t FilteredRanking::FirstBand(int bestCount)
{
    return std::max<std::size_t>(256, 8 * static_cast<std::size_t>(std::clamp(bestCount, 1, kMaxBestCount)));
}

FilteredRanking::FilteredRanking(const SearchFilters& filters, std::shared_ptr<const StructureMatcher> matcher,
                                 int coefficient, int bestCount, const std::string& spillFolder, std::size_t firstBand,
                                 std::optional<bool> smallerIsBetter)
    : m_filters(filters), m_structural(filters.Structural()), m_matcher(std::move(matcher)), m_bestCount(std::clamp(bestCount, 1, kMaxBestCount)),
      m_smaller(smallerIsBetter.value_or(SmallerIsBetter(coefficient))), m_start(m_smaller ? DistanceStartValue() : 0.0f),
      m_ranking(coefficient, bestCount, m_smaller), m_firstBand(firstBand > 0 ? firstBand : FirstBand(bestCount)), m_rangeRemoved(filters.ranges.size(), 0),
      m_spillName(spillFolder.empty() ? "." : spillFolder)
{
    if (m_filters.Structural()) {
        if (!m_matcher)
            throw FilterError(kStructureMatchingUnavailable);
        // Unnamed: gone with the process, whatever happens; a file system without unnamed files
        // gets a named one, unlinked at once.
        int fd = ::open(m_spillName.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
        if (fd < 0 && (errno == EOPNOTSUPP || errno == EISDIR || errno == EINVAL)) {
            std::string name = (std::filesystem::path(m_spillName) / ".velmora-filters-XXXXXX").string();
            fd = ::mkostemp(name.data(), O_CLOEXEC);
            if (fd >= 0)
                ::unlink(name.c_str());
        }
        if (fd >= 0 && !(m_spill = ::fdopen(fd, "w+b")))
            ::close(fd);
        if (!m_spill)
            throw IoError(m_spillName, std::string("cannot create the filters' temporary file: ") + std::strerror(errno));
        m_spillName += " (the filters' temporary file)";
        m_heap.reserve(m_firstBand);
    }
}

FilteredRanking::~FilteredRanking()
{
    if (m_spill)
        std::fclose(m_spill);
}

bool FilteredRanking::Better(const Candidate& a, const Candidate& b) const
{
    if (a.value != b.value)
        return m_smaller ? a.value < b.value : a.value > b.value;
    return a.number < b.number; // the one offered first ranks first
}

bool FilteredRanking::Qualifies(float value) const { return m_smaller ? value < m_start : value > m_start; }

void FilteredRanking::Spill(const Candidate& candidate)
{
    m_spillBuffer.push_back(candidate);
    if (m_spillBuffer.size() < kSpillBatch)
        return;
    if (std::fwrite(m_spillBuffer.data(), sizeof(Candidate), m_spillBuffer.size(), m_spill) != m_spillBuffer.size())
        throw IoError(m_spillName, std::string("cannot write: ") + std::strerror(errno));
    m_spillBuffer.clear();
}

void FilteredRanking::OfferCandidate(long number, float value, int query, float queryValue)
{
    if (!Qualifies(value))
        return;
    ++m_qualifying;
    const Candidate candidate{value, static_cast<std::uint32_t>(number), query, queryValue};
    Spill(candidate);
    auto better = [this](const Candidate& a, const Candidate& b) { return Better(a, b); };
    if (m_heap.size() < m_firstBand) {
        m_heap.push_back(candidate);
        std::push_heap(m_heap.begin(), m_heap.end(), better);
    } else if (Better(candidate, m_heap.front())) {
        std::pop_heap(m_heap.begin(), m_heap.end(), better);
        m_heap.back() = candidate;
        std::push_heap(m_heap.begin(), m_heap.end(), better);
    }
}

std::vector<FilteredRanking::Candidate> FilteredRanking::NextBand(std::size_t size, const Candidate* after)
{
    auto better = [this](const Candidate& a, const Candidate& b) { return Better(a, b); };
    std::vector<Candidate> band;
    if (!after) {
        band.swap(m_heap);
    } else {
        if (std::fseek(m_spill, 0, SEEK_SET) != 0)
            throw IoError(m_spillName, std::string("cannot read: ") + std::strerror(errno));
        std::vector<Candidate> block(kSpillBatch);
        band.reserve(size);
        while (true) {
            const std::size_t got = std::fread(block.data(), sizeof(Candidate), block.size(), m_spill);
            for (std::size_t i = 0; i < got; ++i) {
                const Candidate& candidate = block[i];
                if (!Better(*after, candidate))
                    continue; // in an earlier band
                if (band.size() < size) {
                    band.push_back(candidate);
                    std::push_heap(band.begin(), band.end(), better);
                } else if (Better(candidate, band.front())) {
                    std::pop_heap(band.begin(), band.end(), better);
                    band.back() = candidate;
                    std::push_heap(band.begin(), band.end(), better);
                }
            }
            if (got < block.size()) {
                if (std::ferror(m_spill))
                    throw IoError(m_spillName, std::string("cannot read: ") + std::strerror(errno));
                break;
            }
        }
    }
    std::sort_heap(band.begin(), band.end(), better); // best first
    return band;
}

bool FilteredRanking::CheckBand(const std::string& libraryName, const std::vector<Candidate>& band, Progress& progress,
                                SearchResults& results, FilterSummary& summary, bool& complete)
{
    struct Chunk {
        std::vector<int> verdicts;
    };
    // A structure that ties with the one before it is often the same structure again (a library
    // with duplicates): its verdict is taken over when its connection table (the molfile text after
    // the header lines, up to "M  END") is the same.
    struct Lane {
        StructureLibrary library;
        std::string block;
        std::string lastTable;
        int lastVerdict = 0;
    };
    const auto chunks = static_cast<long>((band.size() + kCheckChunk - 1) / kCheckChunk);
    std::vector<std::unique_ptr<Lane>> lanes;
    const std::tm when{}; // line 2's date: fixed, so that no worker asks for the local time
    ChunkPipeline<Chunk> pipeline(chunks, {ThreadCount()}, [&](long c, Chunk& chunk, int lane) {
        Lane& own = *lanes[static_cast<std::size_t>(lane)];
        chunk.verdicts.clear();
        const std::size_t first = static_cast<std::size_t>(c) * kCheckChunk;
        for (std::size_t i = first; i < std::min(band.size(), first + kCheckChunk); ++i) {
            const long number = band[i].number;
            if (const int read = own.library.ReadLibraryRecord(libraryName, number); read != kLibOk)
                throw IoError(libraryName, LibraryReadProblem(libraryName, read, number));
            own.block.clear();
            TextWriter writer(&own.block);
            WriteMolRecord(own.library.Structure(), writer, "", "", 0, "", &when);
            writer.Close();
            std::size_t start = 0;
            for (int line = 0; line < 3 && start != std::string::npos; ++line)
                if ((start = own.block.find('\n', start)) != std::string::npos)
                    ++start;
            const std::size_t end = own.block.find("M  END");
            const std::string_view table =
                start != std::string::npos && end != std::string::npos && end > start
                    ? std::string_view(own.block).substr(start, end - start)
                    : std::string_view();
            if (table.empty() || table != own.lastTable) {
                own.lastVerdict = m_matcher->Check(own.block);
                own.lastTable.assign(table);
            }
            chunk.verdicts.push_back(own.lastVerdict);
        }
        return true;
    });
    for (int l = 0; l < pipeline.Lanes(); ++l)
        lanes.push_back(std::make_unique<Lane>());
    const std::size_t ranges = m_filters.ranges.size();
    std::size_t next = 0;
    while (const Chunk* chunk = pipeline.Next()) {
        for (int verdict : chunk->verdicts) {
            const Candidate& candidate = band[next++];
            ++summary.checked;
            if (verdict == StructureMatcher::kPasses) {
                results.best[static_cast<std::size_t>(results.filled++)] =
                    BestEntry{candidate.value, static_cast<float>(candidate.number), candidate.query, candidate.queryValue};
                if (results.filled == m_bestCount) {
                    complete = true;
                    summary.moreUnchecked = summary.checked < m_qualifying;
                    pipeline.Stop();
                    return true;
                }
            } else if (verdict == StructureMatcher::kUncheckable) {
                ++summary.uncheckable;
            } else {
                ++summary.removed[ranges + static_cast<std::size_t>(verdict)];
            }
        }
        progress.Step(results.filled);
        if (progress.Poll() == ProgressRequest::Abort) {
            pipeline.Stop();
            return false;
        }
    }
    return true;
}

bool FilteredRanking::Finish(const std::string& libraryName, Progress& progress, SearchResults& results,
                             FilterSummary& summary)
{
    summary = FilterSummary{};
    summary.active = true;
    summary.filters = m_filters;
    summary.bestCount = m_bestCount;
    summary.removed.assign(m_filters.Labels().size(), 0);
    std::copy(m_rangeRemoved.begin(), m_rangeRemoved.end(), summary.removed.begin());
    results = std::move(m_ranking.Results());
    if (m_filters.Structural()) {
        results.filled = 0;
        std::fill(results.best.begin(), results.best.end(), BestEntry{m_start, 0.0f});
        if (!m_spillBuffer.empty() &&
            std::fwrite(m_spillBuffer.data(), sizeof(Candidate), m_spillBuffer.size(), m_spill) != m_spillBuffer.size())
            throw IoError(m_spillName, std::string("cannot write: ") + std::strerror(errno));
        m_spillBuffer.clear();
        if (std::fflush(m_spill) != 0)
            throw IoError(m_spillName, std::string("cannot write: ") + std::strerror(errno));
        progress.Start(ProgressKind::Comparison, "Check Structures:", m_bestCount);
        std::size_t size = m_firstBand;
        std::vector<Candidate> band = NextBand(size, nullptr);
        long taken = 0;
        bool complete = false;
        while (!band.empty()) {
            taken += static_cast<long>(band.size());
            if (!CheckBand(libraryName, band, progress, results, summary, complete)) {
                progress.Finish();
                return false;
            }
            if (complete || band.size() < size || taken >= m_qualifying)
                break;
            const Candidate last = band.back();
            size = std::min(2 * size, kMaxBand);
            band = NextBand(size, &last);
        }
        progress.Finish();
    }
    results.lines = m_lines;
    results.MaxValue = m_maxValue;
    summary.compared = m_lines;
    summary.passed = results.filled;
    return true;
}

} // namespace velmora
