// Library against library: every row is the single search's, every set is what the single
// searches' full lists give, and the files appear whole or not at all.
#include "search/crosscompare.h"

#include "base/ioerror.h"
#include "search/coefficients.h"
#include "search/workbench.h"
#include "scripted.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

namespace velmora {
namespace {

namespace fs = std::filesystem;

// Copies records of source (1-based positions, in this order) into a new library.
std::string CopyLibrary(const std::string& source, const std::string& target, const std::vector<long>& positions,
                        const std::map<long, std::string>& names = {})
{
    StructureLibrary library;
    for (long position : positions) {
        EXPECT_EQ(library.ReadLibraryRecord(source, position), kLibOk);
        library.SetWritePermission(true);
        const auto named = names.find(position);
        EXPECT_EQ(library.WriteLibraryRecord(target, named != names.end() ? named->second : library.RecordName(),
                                             library.RecordCASNumber()),
                  kLibOk);
    }
    library.ReleaseFiles();
    return target;
}

std::vector<long> Cycle(long count, long period, long offset = 0)
{
    std::vector<long> positions;
    for (long k = 0; k < count; ++k)
        positions.push_back((k + offset) % period + 1);
    return positions;
}

class CrossCompareTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        nci = test::NciLibrary(dir, "nci", 400, false);
        ASSERT_FALSE(nci.empty());
    }

    // B opened in the workbench (NORMAL mode with its descriptor file, or INTRO mode), the
    // descriptors chosen, the coefficient set.
    void OpenLibrary(const std::string& library, bool normal, int coefficient)
    {
        if (normal)
            ASSERT_TRUE(test::BuildDescriptorFiles(library));
        ASSERT_TRUE(wb.OpenLibrary(library));
        if (!normal)
            wb.SetIntroMode();
        ASSERT_EQ(wb.State().Mode, normal ? DescriptorMode::Normal : DescriptorMode::Intro);
        test::ChooseDescriptors(wb, dialog, descriptors);
        wb.SetCoefficient(coefficient);
    }

    CrossCompareSetup Setup(const std::string& queries, int best)
    {
        std::vector<int> leftOut;
        std::string problem;
        const auto comparison = CrossLibrarySetup(wb, leftOut, problem);
        EXPECT_TRUE(comparison) << problem;
        CrossCompareSetup setup;
        if (comparison)
            setup.library = *comparison;
        setup.queryLibrary = queries;
        setup.queryCount = CountLibraryRecords(queries);
        setup.best = best;
        setup.chunkSize = 64;     // many chunks over both lanes
        setup.blockBytes = 1500;  // a few A structures per block
        return setup;
    }

    std::vector<CrossQueryResult> Run(const CrossCompareSetup& setup, std::vector<unsigned char>* states = nullptr)
    {
        std::vector<CrossQueryResult> results;
        EXPECT_EQ(CompareLibraries(setup, progress, [&](const CrossQueryResult& r) { results.push_back(r); }, states),
                  CrossOutcome::Completed);
        return results;
    }

    // The single search of B with A's structure as its query.
    const SearchResults& Search(const std::string& queries, long position, int best)
    {
        StructureLibrary reader;
        EXPECT_EQ(reader.ReadLibraryRecord(queries, position), kLibOk);
        wb.SetDrawnQuery(reader.Structure());
        EXPECT_TRUE(wb.SetBestCount(std::to_string(best)));
        EXPECT_EQ(wb.RunSearch(), SearchOutcome::Completed);
        return wb.Results();
    }

    // Every row equals the single search's ranks; with best 200 (more than B holds) the lists are
    // the full lists, and the states follow from them.
    void ExpectSingleSearches(const std::string& queries, const std::string& what, int best,
                              const std::vector<CrossQueryResult>& results, const std::vector<unsigned char>* states = nullptr,
                              float threshold = 0.0f)
    {
        ASSERT_EQ(results.size(), static_cast<std::size_t>(CountLibraryRecords(queries))) << what;
        std::vector<unsigned char> expected(static_cast<std::size_t>(wb.State().LibraryCount), kCrossDissimilar);
        const bool smaller = SmallerIsBetter(wb.State().CoefficientIndex);
        for (const CrossQueryResult& result : results) {
            const SearchResults& single = Search(queries, result.queryPosition, best);
            const std::string at = what + " A " + std::to_string(result.queryPosition);
            ASSERT_EQ(result.matches.size(), static_cast<std::size_t>(single.filled)) << at;
            for (int rank = 1; rank <= single.filled; ++rank) {
                const CrossMatch& match = result.matches[static_cast<std::size_t>(rank - 1)];
                EXPECT_EQ(match.rank, rank) << at;
                EXPECT_EQ(match.libraryPosition, single.StructureAt(rank)) << at << " rank " << rank;
                EXPECT_EQ(match.value, single.best[static_cast<std::size_t>(rank - 1)].value) << at << " rank " << rank;
                const float value = single.best[static_cast<std::size_t>(rank - 1)].value;
                if (smaller ? value <= threshold : value >= threshold)
                    expected[static_cast<std::size_t>(single.StructureAt(rank) - 1)] = kCrossSimilar;
            }
        }
        if (states)
            EXPECT_EQ(*states, expected) << what;
    }

    test::TempDir dir;
    test::ScriptedDialog dialog;
    NullProgress progress;
    Workbench wb{dialog, progress, dir.Path().string()};
    std::string nci;
    std::vector<std::string> descriptors{"Bonds: single", "Bonds: double", "Hetero atoms", "Atoms of N", "Atoms of O",
                                         "RandicIx", "Number of rings", "Number of 6-rings", "XuIndex 1", "TopoJ"};
};

// B of 1300 structures: the first 400 NCI records over and over, so that equal values fall in
// different chunks and lanes; A holds structures of B and others.
TEST_F(CrossCompareTest, EveryRowIsTheSingleSearchsBestInNormalMode)
{
    const std::string b = CopyLibrary(nci, dir.File("b.clb"), Cycle(1300, 400));
    const std::string a = CopyLibrary(nci, dir.File("a.clb"), {1, 7, 400, 399, 123, 250, 7});
    for (int coefficient = 0; coefficient < kCoefficientCount; ++coefficient) {
        OpenLibrary(b, true, coefficient);
        for (int best : {1, 5, 13}) {
            const std::string what = CoefficientName(coefficient) + " K " + std::to_string(best);
            const auto results = Run(Setup(a, best));
            ExpectSingleSearches(a, what, best, results);
            // Equal values: the earlier B position first (every structure is there four times).
            if (best == 13 && coefficient == kEuclidean)
                EXPECT_LT(results[0].matches[0].libraryPosition, results[0].matches[1].libraryPosition);
        }
    }
}

// With a threshold, and in INTRO mode: B small enough for the single searches' lists (best 200)
// to be full, so that each B structure's state can be told from them.
TEST_F(CrossCompareTest, SimilarAndDissimilarFollowTheFullListsInBothModes)
{
    const std::string b = CopyLibrary(nci, dir.File("b.clb"), Cycle(180, 120, 30));
    const std::string a = CopyLibrary(nci, dir.File("a.clb"), {31, 5, 77, 200});
    // Thresholds near the middle of each coefficient's values, one exactly a value that occurs.
    const std::map<int, float> thresholds{{kEuclidean, 2.5f}, {kAverage, 0.25f}, {kManhattan, 6.0f},
                                          {kTanimoto, 0.5f}, {kCorrelation, 0.6f}};
    for (bool normal : {true, false})
        for (int coefficient = 0; coefficient < kCoefficientCount; ++coefficient) {
            OpenLibrary(b, normal, coefficient);
            for (int pass = 0; pass < 2; ++pass) {
                CrossCompareSetup setup = Setup(a, 200);
                float threshold = thresholds.at(coefficient);
                if (pass == 1) { // a value a pair has: within it by its own value
                    const SearchResults& single = Search(a, 2, 200);
                    threshold = single.best[static_cast<std::size_t>(single.filled / 2)].value;
                }
                setup.threshold = threshold;
                std::vector<unsigned char> states;
                const auto results = Run(setup, &states);
                const std::string what = std::string(normal ? "NORMAL " : "INTRO ") + CoefficientName(coefficient) +
                                         " T " + std::to_string(threshold);
                ExpectSingleSearches(a, what, 200, results, &states, threshold);
                EXPECT_NE(std::count(states.begin(), states.end(), kCrossSimilar), 0) << what;
                if (normal) // INTRO mode's few descriptors put every structure close to some A structure
                    EXPECT_NE(std::count(states.begin(), states.end(), kCrossDissimilar), 0) << what;
            }
        }
}

// Answers Abort at the poll given (0: never), Suspend for the first polls.
class ScriptedProgress final : public Progress {
public:
    int suspendPolls = 0;
    int abortAt = 0;
    int polls = 0;
    ProgressKind kind = ProgressKind::Comparison;
    void Start(ProgressKind k, const std::string&, long) override { kind = k; }
    void Step(long) override {}
    ProgressRequest Poll() override
    {
        ++polls;
        if (abortAt > 0 && polls >= abortAt)
            return ProgressRequest::Abort;
        return polls <= suspendPolls ? ProgressRequest::Suspend : ProgressRequest::Continue;
    }
    void Finish() override {}
};

std::vector<std::string> FileLines(const std::string& file)
{
    std::ifstream in(file, std::ios::binary);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

TEST_F(CrossCompareTest, FilesAreWrittenWholeAndAnAbortLeavesThePreviousOnes)
{
    const std::string b = CopyLibrary(nci, dir.File("b.clb"), Cycle(300, 300), {{2, "two\tparts"}});
    const std::string a = CopyLibrary(nci, dir.File("a.clb"), {2, 9, 60}, {{2, "tab\there"}});
    OpenLibrary(b, true, kEuclidean);
    CrossCompareSetup setup = Setup(a, 3);
    setup.threshold = 2.0f;
    CrossFiles files{dir.File("pairs.tsv"), dir.File("near.clb"), dir.File("far.clb")};

    // An earlier run's files stay as they were when the next one is aborted, at any step.
    test::WriteBytes(files.pairs, "earlier\n");
    for (int abortAt : {1, 3, 6}) {
        ScriptedProgress aborting;
        aborting.abortAt = abortAt;
        EXPECT_EQ(WriteLibraryComparison(setup, files, aborting).outcome, CrossOutcome::Aborted) << abortAt;
        EXPECT_EQ(test::ReadBytes(files.pairs), "earlier\n");
        EXPECT_FALSE(fs::exists(files.similar));
        EXPECT_FALSE(fs::exists(files.dissimilar));
        for (const auto& entry : fs::directory_iterator(dir.Path()))
            EXPECT_EQ(entry.path().string().find(".part-"), std::string::npos) << entry.path();
    }

    // Suspended: it keeps polling without finishing, then completes.
    ScriptedProgress suspending;
    suspending.suspendPolls = 5;
    const CrossSummary summary = WriteLibraryComparison(setup, files, suspending);
    ASSERT_EQ(summary.outcome, CrossOutcome::Completed);
    EXPECT_EQ(suspending.kind, ProgressKind::CrossComparison);
    EXPECT_TRUE(Suspendable(ProgressKind::CrossComparison));
    EXPECT_GT(suspending.polls, 5);

    const auto lines = FileLines(files.pairs);
    ASSERT_EQ(lines.size(), 1u + 9u);
    EXPECT_EQ(lines[0], CrossPairsHeader());
    // A's structure 1 is B's structure 2: its own best match, names (as the library keeps them)
    // without their tabs.
    EXPECT_EQ(lines[1], "1\tTAB HERE\t1\t2\tTWO PARTS\t0.0000");
    for (const std::string& line : lines)
        EXPECT_EQ(std::count(line.begin(), line.end(), '\t'), 5) << line;
    EXPECT_EQ(summary.rows, 9);

    // The libraries hold B's structures by their state, in B order, and nothing else.
    std::vector<unsigned char> states;
    Run(setup, &states);
    std::vector<std::string> near, far;
    for (std::size_t k = 0; k < states.size(); ++k)
        (states[k] == kCrossSimilar ? near : far).push_back(test::LibraryStructureName(b, static_cast<long>(k + 1)));
    ASSERT_EQ(summary.similar, static_cast<long>(near.size()));
    ASSERT_EQ(summary.dissimilar, static_cast<long>(far.size()));
    ASSERT_EQ(CountLibraryRecords(files.similar), summary.similar);
    ASSERT_EQ(CountLibraryRecords(files.dissimilar), summary.dissimilar);
    for (std::size_t i = 0; i < near.size(); ++i)
        EXPECT_EQ(test::LibraryStructureName(files.similar, static_cast<long>(i + 1)), near[i]);
    for (std::size_t i = 0; i < far.size(); ++i)
        EXPECT_EQ(test::LibraryStructureName(files.dissimilar, static_cast<long>(i + 1)), far[i]);

    // A threshold nothing is within: the earlier library of that name goes, none is left to mislead.
    setup.threshold = 0.0f;
    CrossFiles nearOnly{files.pairs, files.similar, ""};
    setup.queryLibrary = CopyLibrary(nci, dir.File("other.clb"), {399});
    setup.queryCount = 1;
    const CrossSummary none = WriteLibraryComparison(setup, nearOnly, progress);
    EXPECT_EQ(none.similar, 0);
    EXPECT_FALSE(fs::exists(files.similar));
    EXPECT_TRUE(fs::exists(files.dissimilar)); // not asked for: untouched
}

TEST_F(CrossCompareTest, UnreadableQueryRecordsAreListedAndTheRestCompared)
{
    const std::string b = CopyLibrary(nci, dir.File("b.clb"), Cycle(100, 100));
    const std::string a = CopyLibrary(nci, dir.File("a.clb"), {3, 4, 5});
    // The index entry of A's second structure points into nothing.
    {
        std::fstream index(dir.File("a.III"), std::ios::in | std::ios::out | std::ios::binary);
        ASSERT_TRUE(index.good());
        index.seekp(4); // entries of 4 bytes: (0, 0) is an empty one
        const char zeros[4] = {};
        index.write(zeros, sizeof zeros);
    }
    OpenLibrary(b, true, kManhattan);
    CrossCompareSetup setup = Setup(a, 2);
    const auto results = Run(setup);
    ASSERT_EQ(results.size(), 3u);
    EXPECT_TRUE(results[0].readable);
    EXPECT_FALSE(results[1].readable);
    EXPECT_FALSE(results[1].problem.empty());
    EXPECT_TRUE(results[1].matches.empty());
    EXPECT_TRUE(results[2].readable);
    EXPECT_EQ(results[2].matches[0].libraryPosition, 5);
}

} // namespace
} // namespace velmora
