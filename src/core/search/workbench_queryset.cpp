// The workbench's query sets: loading one, and the search that compares every library structure
// with all its queries in one pass over the library (the scaled vector of each structure computed
// once, then every query's coefficient) and fuses the values.
#include "search/workbench.h"

#include "base/ioerror.h"
#include "base/threadcount.h"
#include "descriptors/descfiles.h"
#include "io/libfiles.h"
#include "search/coefficients.h"
#include "search/comparison.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <stdexcept>

namespace velmora {

namespace {

constexpr long kSetChunk = 1024;

// The fused values in library order, kept in a file beside the library: the histogram needs them
// again when there are too many distinct ones to count in memory.
class ValueFile {
public:
    explicit ValueFile(const std::string& name) : m_name(name), m_file(std::fopen(name.c_str(), "w+b"))
    {
        if (!m_file)
            throw IoError(name, std::string("cannot write: ") + std::strerror(errno));
    }
    ~ValueFile() { std::fclose(m_file); }
    ValueFile(const ValueFile&) = delete;
    ValueFile& operator=(const ValueFile&) = delete;
    void Write(const float* values, std::size_t count)
    {
        if (count > 0 && std::fwrite(values, sizeof(float), count, m_file) != count)
            throw IoError(m_name, std::string("write error: ") + std::strerror(errno));
    }
    // Every value written, in order, bin by bin.
    void FillHistogram(SearchResults& results)
    {
        results.histogram.fill(0);
        std::fflush(m_file);
        std::rewind(m_file);
        float buffer[4096];
        for (std::size_t n; (n = std::fread(buffer, sizeof(float), 4096, m_file)) > 0;)
            for (std::size_t i = 0; i < n; ++i)
                ++results.histogram[static_cast<std::size_t>(HistogramBin(buffer[i], results.MaxValue))];
        if (std::ferror(m_file))
            throw IoError(m_name, "read error");
    }

private:
    std::string m_name;
    std::FILE* m_file;
};

} // namespace

bool Workbench::LoadQuerySet(const std::optional<std::string>& file)
{
    std::string filter =
        "Mol-Files (*.mol ; *.sd ; *.sdf)|*.mol;*.sd;*.sdf|CLB-File  (*.clb)|*.clb|Library Set (*.vset)|*.vset";
    if (StructureFormatsAvailable())
        filter += "|SMILES-Files (*.smi ; *.smiles ; *.csv ; *.tsv)|*.smi;*.smiles;*.csv;*.tsv";
    const auto chosen = file ? file : m_dialog.ChooseFile(FileDialogKind::Open, "Load Query Set", filter, "");
    if (!chosen)
        return false;
    UseQuerySet(ReadQuerySet(*chosen, m_library));
    return true;
}

void Workbench::UseQuerySet(QuerySet read)
{
    if (read.queries.empty())
        throw IoError(read.file, "holds no structure that can be used as a query");
    auto set = std::make_shared<QuerySet>(std::move(read));
    if (!set->skipped.empty())
        m_dialog.ShowMessage(MessageKind::Warning, "Warning",
                             std::to_string(set->skipped.size()) + " record" + (set->skipped.size() == 1 ? "" : "s") +
                                 " of the query set cannot be used and " +
                                 (set->skipped.size() == 1 ? "is" : "are") + " left out; " +
                                 std::to_string(set->Size()) + " quer" + (set->Size() == 1 ? "y is" : "ies are") +
                                 " searched.",
                             MessageButtons::Ok, set->SkippedText());
    m_state.Query.Assign(set->queries.front());
    m_state.QueryFileName = set->file;
    m_state.QueryLoaded = true;
    m_state.QueryDrawn = false;
    m_querySet = std::move(set);
    InvalidateResults();
}

const TCTab& Workbench::ResultQuery(int rank) const
{
    if (m_hasResults && m_resultSet && rank >= 1 && rank <= m_results.filled) {
        const auto q = static_cast<std::size_t>(m_results.best[static_cast<std::size_t>(rank - 1)].query);
        if (q < m_resultSet->Size())
            return m_resultSet->queries[q];
    }
    return m_state.Query;
}

SearchOutcome Workbench::CompareQuerySet(const std::string& valueFile, SearchResults& results)
{
    const QuerySet& set = *m_querySet;
    const bool normal = m_state.Mode == DescriptorMode::Normal;
    ComparisonSetup setup = SearchSetup();
    const std::string descriptorFile = setup.descriptorFile;
    setup.fusion = m_fusion;
    // Each query's vector as the single search computes it (ComputeQueryVector).
    for (const TCTab& query : set.queries) {
        const auto values = ComputeDescriptorValues(query);
        auto& vector = setup.queries.emplace_back();
        vector.fill(0.0);
        for (int i : m_participating)
            vector[static_cast<std::size_t>(i)] = m_parameters.Scale(i, values[static_cast<std::size_t>(i)]);
    }
    const std::size_t queries = setup.queries.size();
    const bool smaller = FusedSmallerIsBetter(m_fusion, SmallerIsBetter(m_state.CoefficientIndex));
    BestRanking ranking(m_state.CoefficientIndex, m_state.BestCount, smaller);
    // Filters only remove: the fused values (reciprocal ranks among them: those of the unfiltered
    // per-query rankings) are the unfiltered search's, the hits its passing subsequence.
    std::unique_ptr<FilteredRanking> filtered = StartFilteredRanking(smaller);
    ValueFile values(valueFile);
    ValueTally tally;
    std::unique_ptr<RankTables> ranks;
    std::vector<std::uint32_t> seen; // per rank slot: the structures of that value taken so far
    std::vector<float> fused;

    // One pass over the library; counting: reciprocal-rank fusion's first pass, which only counts.
    auto pass = [&](ChunkedComparison& comparison, bool counting) {
        m_progress.Start(ProgressKind::Comparison, counting ? "Rank Structures:" : "Compare Structures:",
                         m_state.LibraryCount);
        SearchOutcome outcome = SearchOutcome::Completed;
        while (outcome == SearchOutcome::Completed) {
            const ComparedChunk* chunk = comparison.Next();
            if (!chunk)
                break;
            std::size_t line = 0;
            fused.clear();
            for (long k = chunk->first; k <= chunk->last; ++k) {
                m_state.StructureCounter = k;
                if (k % 100 == 0) {
                    m_progress.Step(k);
                    if (m_progress.Poll() == ProgressRequest::Abort)
                        m_state.AbortRequested = true;
                }
                if (chunk->error && k == chunk->errorAt)
                    std::rethrow_exception(chunk->error);
                if (k == chunk->failedAt) {
                    m_failureDetail = normal ? descriptorFile + ": structure " + std::to_string(k) +
                                                   ": no descriptor record (the file ends early)"
                                             : m_state.LibraryFileName + ": " +
                                                   LibraryReadProblem(m_state.LibraryFileName, chunk->failure, k);
                    outcome = SearchOutcome::ReadError;
                    break;
                }
                if (line < chunk->lines.size() && chunk->lines[line] == k) {
                    if (!counting) {
                        float value = 0.0f;
                        if (ranks) {
                            double sum = 0.0;
                            for (std::size_t q = 0; q < queries; ++q) {
                                const std::uint32_t slot = chunk->rankSlots[line * queries + q];
                                if (slot == RankTables::kNone)
                                    throw std::logic_error("a value of the second pass was not counted in the first");
                                const double rank = static_cast<double>(ranks->Better(slot)) + seen[slot]++ + 1.0;
                                sum += 1.0 / (kRrfOffset + rank);
                            }
                            value = static_cast<float>(sum);
                        } else {
                            value = chunk->values[line];
                        }
                        fused.push_back(value);
                        if (filtered)
                            filtered->Offer(k, value, chunk->rangeFailures.empty() ? -1 : chunk->rangeFailures[line],
                                            chunk->lineQueries[line], chunk->queryValues[line]);
                        else
                            ranking.Offer(k, value, chunk->lineQueries[line], chunk->queryValues[line]);
                    }
                    ++line;
                }
                if (m_state.AbortRequested && k < m_state.LibraryCount) {
                    outcome = SearchOutcome::Aborted;
                    break;
                }
            }
            values.Write(fused.data(), fused.size());
            tally.Add(fused.data(), fused.size());
        }
        comparison.Stop();
        return outcome;
    };

    SearchOutcome outcome = SearchOutcome::Completed;
    if (m_fusion == Fusion::Rrf) {
        std::vector<ValueCounts> counts;
        {
            ChunkedComparison counting(setup, ThreadCount(), kSetChunk);
            outcome = pass(counting, true);
            if (outcome == SearchOutcome::Completed)
                counts = counting.MergedCounts();
        }
        if (outcome == SearchOutcome::Completed) {
            ranks = std::make_unique<RankTables>(counts, SmallerIsBetter(m_state.CoefficientIndex));
            counts.clear();
            seen.assign(ranks->Slots(), 0);
            setup.ranks = ranks.get();
        }
    }
    if (outcome == SearchOutcome::Completed) {
        ChunkedComparison comparison(setup, ThreadCount(), kSetChunk);
        outcome = pass(comparison, false);
    }
    m_progress.Finish();
    if (outcome != SearchOutcome::Completed)
        return outcome;
    if (!filtered)
        results = std::move(ranking.Results());
    else if (!filtered->Finish(m_state.LibraryFileName, m_progress, results, m_pendingFilterSummary))
        return SearchOutcome::Aborted;
    results.queries = static_cast<int>(queries);
    results.fusion = m_fusion;
    tally.Flush();
    if (!tally.Overflowed())
        tally.FillHistogram(results);
    else
        values.FillHistogram(results);
    return outcome;
}

} // namespace velmora
