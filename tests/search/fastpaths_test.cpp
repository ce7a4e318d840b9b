// The search's fast paths against the plain operations they stand in for.
#include "base/numtext.h"
#include "base/real48.h"
#include "descriptors/catalogue.h"
#include "descriptors/groups.h"
#include "io/molfile.h"
#include "search/coefficients.h"
#include "search/comparison.h"
#include "search/paramcalc.h"
#include "search/ranking.h"
#include "search/workbench.h"
#include "scripted.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <random>

namespace velmora {
namespace {

std::vector<TCTab> Structures(const char* file, int count)
{
    TextReader reader(test::DataFile(file));
    std::vector<TCTab> tables;
    MolReadStatus status;
    while (!reader.Eof() && static_cast<int>(tables.size()) < count) {
        TCTab table;
        ReadMolRecord(table, reader, status);
        if (!status.Rejected())
            tables.push_back(table);
    }
    return tables;
}

TEST(SearchFastPaths, StoredValuesAndGroupCountsAgreeWithTheirPlainForms)
{
    std::vector<int> groups;
    for (int i = 0; i <= 34; ++i)
        groups.push_back(i);
    std::vector<std::int32_t> counts;
    for (const char* file : {"nci1000.sdf", "nci300_aromatic.sdf", "cdk2.sdf"})
        for (const TCTab& table : Structures(file, 300)) {
            const auto bytes = EncodeDescriptorRecord(ComputeDescriptorRecord(table));
            const DescriptorRecord decoded = DecodeDescriptorRecord(bytes.data());
            for (int i = 0; i < kCatalogueSize; ++i)
                ASSERT_EQ(StoredDescriptorValue(bytes.data(), i), RecordValue(decoded, i)) << file << " index " << i;
            CountGroups(table, groups, counts);
            for (std::size_t e = 0; e < groups.size(); ++e)
                ASSERT_EQ(counts[e], CountGroup(table, groups[e])) << file << " group " << groups[e];
        }
}

// Doubles with 6-byte precision, as scaled values are, drawn from several families: spread
// values of several magnitudes, count-like steps, equal pairs and zeros, and dyadic values whose
// squares and products fall exactly on points halfway between two 6-byte values.
class ScaledValues {
public:
    explicit ScaledValues(unsigned seed) : m_random(seed) {}
    double Next(int family)
    {
        std::normal_distribution<double> normal;
        switch (family) {
        case 0: return ToReal48Precision(normal(m_random) * std::pow(10.0, static_cast<int>(m_random() % 9) - 4));
        case 1: return ToReal48Precision((static_cast<int>(m_random() % 40) - 20) / 3.7);
        case 2: return m_random() % 3 == 0 ? 0.0 : ToReal48Precision(normal(m_random));
        default: {
            const double a = 1.0 + std::ldexp(static_cast<double>(m_random() % 64), -20);
            return std::ldexp(m_random() % 2 ? a : -a, static_cast<int>(m_random() % 7) - 3);
        }
        }
    }
    std::mt19937_64& Random() { return m_random; }

private:
    std::mt19937_64 m_random;
};

TEST(SearchFastPaths, CoefficientsEqualTheirExtendedPrecisionForm)
{
    ScaledValues values(11);
    std::array<double, kCatalogueSize> q{}, l{}, l2{};
    for (int family = 0; family < 4; ++family)
        for (int trial = 0; trial < 4000; ++trial) {
            std::vector<int> participating;
            const int count = 1 + static_cast<int>(values.Random()() % 12);
            for (int e = 0; e < count; ++e) {
                const int i = 3 * e + 1;
                participating.push_back(i);
                q[static_cast<std::size_t>(i)] = values.Next(family);
                // Equal pairs as often as the family gives them, else an independent draw.
                l[static_cast<std::size_t>(i)] = values.Random()() % 4 == 0 ? q[static_cast<std::size_t>(i)] : values.Next(family);
                l2[static_cast<std::size_t>(i)] = values.Random()() % 4 == 0 ? q[static_cast<std::size_t>(i)] : values.Next(family);
            }
            for (int c = 0; c < kCoefficientCount; ++c) {
                StatisticsAccumulator fast, reference;
                const double got = Coefficient(c, q.data(), l.data(), participating, count, fast);
                const double want = CoefficientReference(c, q.data(), l.data(), participating, count, reference);
                ASSERT_EQ(std::memcmp(&got, &want, sizeof got), 0)
                    << CoefficientName(c) << " family " << family << " trial " << trial << ": " << got << " vs " << want;
                ASSERT_EQ(fast.ChannelResults().r, reference.ChannelResults().r);
                // Two vectors in one pass, as two calls in turn.
                double pair1 = 0, pair2 = 0;
                CoefficientPair(c, q.data(), l.data(), l2.data(), participating, count, fast, pair1, pair2);
                const double want2 = CoefficientReference(c, q.data(), l2.data(), participating, count, reference);
                ASSERT_EQ(std::memcmp(&pair1, &want, sizeof want), 0) << CoefficientName(c) << " trial " << trial;
                ASSERT_EQ(std::memcmp(&pair2, &want2, sizeof want2), 0) << CoefficientName(c) << " trial " << trial;
                ASSERT_EQ(fast.ChannelResults().r, reference.ChannelResults().r);
            }
        }
}

// The premise of the double steps: a double clear of the midpoints rounds like every extended value
// within a few of its units.
TEST(SearchFastPaths, ValuesClearOfAMidpointRoundAsTheirNeighbours)
{
    std::mt19937_64 random(3);
    int clear = 0, refused = 0;
    for (int trial = 0; trial < 200000; ++trial) {
        std::uint64_t bits = (random() & 0x000FFFFFFFFFFFFFull) | (std::uint64_t{1023 + random() % 41 - 20} << 52);
        if (trial % 3 == 1) // near a midpoint
            bits = (bits & ~std::uint64_t{0x1FFF}) | static_cast<std::uint64_t>(0x1000 + static_cast<int>(random() % 81) - 40);
        if (trial % 3 == 2) // rounding up into the next binade
            bits |= std::uint64_t{0x000FFFFFFFFFE000};
        double h, rounded;
        std::memcpy(&h, &bits, sizeof h);
        if (!Real48RoundedIfClear(h, rounded)) {
            ++refused;
            continue;
        }
        ++clear;
        ASSERT_EQ(rounded, ToReal48Precision(h));
        const long double unit = std::ldexp(1.0L, std::ilogb(h) - 52);
        for (int units : {-8, -1, 1, 8})
            ASSERT_EQ(ToReal48Precision(static_cast<long double>(h) + units * unit * 0.999L), rounded) << h << " " << units;
    }
    EXPECT_GT(refused, 1000);
    EXPECT_GT(clear, 100000);
}

TEST(SearchFastPaths, QuickScalingEqualsScale)
{
    ScaledValues values(17);
    LibraryParameters parameters;
    for (int trial = 0; trial < 20000; ++trial) {
        const int i = 1 + trial % 7;
        parameters.Set(i, values.Next(trial % 3) * 10, std::fabs(values.Next(0)) + 1e-3);
        const double value = trial % 2 ? static_cast<double>(values.Random()() % 300) : values.Next(trial % 4) * 50;
        const double got = ScaleQuickly(parameters, i, value), want = parameters.Scale(i, value);
        ASSERT_EQ(std::memcmp(&got, &want, sizeof got), 0) << value << " mean " << parameters.Mean[static_cast<std::size_t>(i)];
    }
}

// The result line as the search always wrote it: fixed notation of the 6-byte value.
std::string LiteralResultLine(long number, double value)
{
    char text[400];
    char* end = std::to_chars(text, text + sizeof text, ToReal48Precision(value), std::chars_format::fixed, 4).ptr;
    std::string shown(text, end);
    if (shown == "-0.0000")
        shown = "0.0000";
    return PadLeft(std::to_string(number), 6) + "  " + PadLeft(shown, 8);
}

// Lines are formatted the short way where no tie rule is involved, and read back as a general
// parser reads the text (midpoints of two floats included): in memory and from the file alike.
TEST(SearchFastPaths, ResultLinesAndTheirValuesAsTheGeneralConversionsMakeThem)
{
    test::TempDir dir;
    std::mt19937_64 random(5);
    std::vector<double> values{1.5,        0.00015,   99999.99995, 8388608.5, 16777217.0, 16777219.0, 0.1,
                               1234.5678,  0.03125,   0.00005,     1.00005,   0.0,        -0.0,       -0.00004,
                               -2.5,       1e-30,     0x1p40,      1e300,     1e-300,     std::nan(""),
                               HUGE_VAL,   0.96875,   2.71828125};
    for (int i = 0; i < 3000; ++i)
        values.push_back(std::ldexp(static_cast<double>(1 + random() % 100000000), -static_cast<int>(random() % 20)));
    for (int i = 0; i < 3000; ++i) // exact ties at the fifth decimal
        values.push_back(static_cast<double>(random() % 1000000) / 32.0 + 1.0 / 64.0 * (random() % 2));
    for (std::size_t chunk = 0; chunk < values.size(); chunk += 150) {
        std::vector<std::string> lines;
        std::vector<float> held;
        std::string text;
        for (std::size_t k = chunk; k < std::min(values.size(), chunk + 150); ++k) {
            const long number = static_cast<long>(lines.size() + 1);
            lines.push_back(ResultLine(number, values[k]));
            ASSERT_EQ(lines.back(), LiteralResultLine(number, values[k])) << values[k];
            for (long wide : {number * 9973 + 99000, number * 1000003 + 2147483000L})
                ASSERT_EQ(ResultLine(wide, values[k]), LiteralResultLine(wide, values[k])) << values[k];
            const std::size_t before = text.size();
            held.push_back(AppendResultLine(text, number, values[k]));
            ASSERT_EQ(text.substr(before), lines.back() + "\r\n");
            const float general = std::strtof(lines.back().c_str() + 8, nullptr);
            ASSERT_TRUE(std::memcmp(&held.back(), &general, sizeof general) == 0 || (std::isnan(general) && std::isnan(held.back())))
                << lines.back();
        }
        test::WriteBytes(dir.File("r.qlt"), text);
        const SearchResults results = RankResults(dir.File("r.qlt"), 3, 200); // greater is better
        for (int rank = 1; rank <= results.filled; ++rank) {
            const auto k = static_cast<std::size_t>(results.StructureAt(rank) - 1);
            ASSERT_EQ(results.best[static_cast<std::size_t>(rank - 1)].value, held[k]) << lines[k];
        }
    }
}

TEST(SearchFastPaths, TalliedValuesGiveTheHistogramOfTheResultFile)
{
    test::TempDir dir;
    std::mt19937_64 random(9);
    struct Case {
        int distinct;
        long count;
        bool nan;
        bool overflows;
    };
    for (const Case& c : {Case{1, 10, false, false}, Case{300, 40000, false, false}, Case{65536, 200000, false, false},
                          Case{66000, 200000, false, true}, Case{50, 100, true, true}}) {
        std::vector<double> pool;
        for (int d = 0; d < c.distinct; ++d)
            pool.push_back(d * 0.0007 + (random() % 3) * 1e-9);
        std::string text;
        std::array<ValueTally, 2> halves;
        std::vector<float> chunk;
        BestRanking ranking(kEuclidean, 50);
        for (long k = 1; k <= c.count; ++k) {
            // Every value of the pool once, then drawn at random.
            const auto pick = k <= static_cast<long>(pool.size()) ? static_cast<std::size_t>(k - 1) : static_cast<std::size_t>(random() % pool.size());
            chunk.push_back(AppendResultLine(text, k, pool[pick]));
            ranking.Offer(k, chunk.back());
            if (chunk.size() == 1000 || k == c.count) { // two workers' alternate chunks
                halves[static_cast<std::size_t>((k - 1) / 1000 % 2)].Add(chunk.data(), chunk.size());
                chunk.clear();
            }
        }
        test::WriteBytes(dir.File("t.qlt"), text);
        SearchResults fromFile = RankResults(dir.File("t.qlt"), kEuclidean, 50);
        BuildHistogram(dir.File("t.qlt"), fromFile);
        if (c.nan) { // no result line reads as one, but a tally would not know where to count it
            const float nan = std::nanf("");
            halves[1].Add(&nan, 1);
        }
        for (ValueTally& half : halves)
            half.Flush();
        halves[0].Merge(halves[1]);
        ASSERT_EQ(halves[0].Overflowed(), c.overflows) << c.distinct;
        SearchResults& inMemory = ranking.Results();
        EXPECT_EQ(inMemory.lines, fromFile.lines);
        EXPECT_EQ(inMemory.MaxValue, fromFile.MaxValue);
        if (!c.overflows) {
            halves[0].FillHistogram(inMemory);
            EXPECT_EQ(inMemory.histogram, fromFile.histogram) << c.distinct;
        }
    }
}

// A Progress that keeps the result file as the comparison closed it and answers Abort at one step.
class CapturingProgress final : public Progress {
public:
    void Start(ProgressKind kind, const std::string&, long) override { m_comparing = kind == ProgressKind::Comparison; }
    void Step(long done) override { steps.push_back(done); }
    ProgressRequest Poll() override
    {
        return !steps.empty() && steps.back() == abortAtStep ? ProgressRequest::Abort : ProgressRequest::Continue;
    }
    void Finish() override
    {
        if (m_comparing) {
            const std::string file = test::SearchScratchFile(library);
            captured = std::filesystem::exists(file) ? test::ReadBytes(file) : "<none>";
        }
        m_comparing = false;
    }

    std::string library; // whose search scratch file is captured
    std::string captured;
    long abortAtStep = -1;
    std::vector<long> steps;

private:
    bool m_comparing = false;
};

// What a search computes, done the literal one-thread way: every structure in turn, every step in
// extended precision, the lines formatted by the general conversion, the ranking a stable sort.
struct ReferenceSearch {
    std::string text;         // the result file
    std::vector<long> ends;   // per structure 1..n: the end of its lines in text
    SearchResults results;
    StatisticsAccumulator statistics;
};

ReferenceSearch RunReference(Workbench& wb, StatisticsAccumulator statistics)
{
    ReferenceSearch reference;
    const SearchState& state = wb.State();
    const auto& participating = wb.Participating();
    const LibraryParameters& parameters = wb.Parameters();
    const int coefficient = state.CoefficientIndex;
    std::array<double, kCatalogueSize> q{}, l{};
    const auto queryValues = ComputeDescriptorValues(state.Query);
    for (int i : participating)
        q[static_cast<std::size_t>(i)] = parameters.Scale(i, queryValues[static_cast<std::size_t>(i)]);
    const bool normal = state.Mode == DescriptorMode::Normal;
    const std::string pre = normal ? test::ReadBytes(CompanionFileName(state.LibraryFileName, "pre")) : "";
    StructureLibrary library;
    std::vector<std::pair<long, float>> lines;
    for (long k = 1; k <= state.LibraryCount; ++k) {
        reference.ends.push_back(static_cast<long>(reference.text.size()));
        if (normal) {
            const auto* record = reinterpret_cast<const std::uint8_t*>(pre.data()) + (k - 1) * kDescriptorRecordSize;
            if (record[0] + record[9] + record[10] + record[11] == 0)
                continue;
            for (int i : participating)
                l[static_cast<std::size_t>(i)] = parameters.Scale(i, StoredDescriptorValue(record, i));
        } else {
            if (library.ReadLibraryRecord(state.LibraryFileName, k) != kLibOk)
                break;
            const auto values = ComputeDescriptorValues(library.Structure());
            for (int i : participating)
                l[static_cast<std::size_t>(i)] = parameters.Scale(i, values[static_cast<std::size_t>(i)]);
        }
        const std::string line = LiteralResultLine(
            k, CoefficientReference(coefficient, q.data(), l.data(), participating, wb.Selection().ChosenCount(), statistics));
        reference.text += line + "\r\n";
        reference.ends.back() = static_cast<long>(reference.text.size());
        lines.emplace_back(k, std::strtof(line.c_str() + 8, nullptr));
    }
    reference.statistics = statistics;
    // Better values first; equal values in library order.
    const bool smaller = SmallerIsBetter(coefficient);
    const float start = smaller ? DistanceStartValue() : 0.0f;
    SearchResults& r = reference.results;
    r.coefficient = coefficient;
    r.lines = static_cast<long>(lines.size());
    for (const auto& line : lines)
        r.MaxValue = std::max(r.MaxValue, line.second);
    std::vector<std::pair<long, float>> qualifying;
    for (const auto& line : lines)
        if (smaller ? line.second < start : line.second > start)
            qualifying.push_back(line);
    std::stable_sort(qualifying.begin(), qualifying.end(),
                     [&](const auto& a, const auto& b) { return smaller ? a.second < b.second : a.second > b.second; });
    const auto bestCount = static_cast<std::size_t>(state.BestCount);
    r.filled = static_cast<int>(std::min(bestCount, qualifying.size()));
    r.best.assign(bestCount, BestEntry{start, 0.0f});
    for (std::size_t rank = 0; rank < static_cast<std::size_t>(r.filled); ++rank)
        r.best[rank] = BestEntry{qualifying[rank].second, static_cast<float>(qualifying[rank].first)};
    for (const auto& line : lines) {
        const long bin = r.MaxValue == 0.0f ? 0 : static_cast<long>(std::trunc(static_cast<double>(static_cast<long double>(line.second) * 19 / r.MaxValue)));
        ++r.histogram[static_cast<std::size_t>(std::clamp<long>(bin, 0, kHistogramBins - 1))];
    }
    return reference;
}

void ExpectSameResults(const SearchResults& got, const SearchResults& want, const std::string& what)
{
    EXPECT_EQ(got.filled, want.filled) << what;
    EXPECT_EQ(got.lines, want.lines) << what;
    EXPECT_EQ(got.MaxValue, want.MaxValue) << what;
    EXPECT_EQ(got.histogram, want.histogram) << what;
    ASSERT_EQ(got.best.size(), want.best.size()) << what;
    for (std::size_t rank = 0; rank < got.best.size(); ++rank) {
        EXPECT_EQ(got.best[rank].value, want.best[rank].value) << what << " rank " << rank + 1;
        EXPECT_EQ(got.best[rank].number, want.best[rank].number) << what << " rank " << rank + 1;
    }
}

// A library of 2600 structures cycling through 1000 NCI records, so that equal values tie across
// the chunks the search computes in parallel, with both modes' files.
class SearchDifferential : public ::testing::Test {
protected:
    void SetUp() override
    {
        const std::string small = test::NciLibrary(dir, "small", 1000, true);
        ASSERT_FALSE(small.empty());
        lib = dir.File("cycled.clb");
        StructureLibrary library;
        const long n = CountLibraryRecords(small);
        for (long k = 0; k < kCount; ++k) {
            ASSERT_EQ(library.ReadLibraryRecord(small, k % n + 1), kLibOk);
            library.SetWritePermission(true);
            ASSERT_EQ(library.WriteLibraryRecord(lib, library.RecordName(), library.RecordCASNumber()), kLibOk);
        }
        library.ReleaseFiles();
        const std::string pre = test::ReadBytes(CompanionFileName(small, "pre"));
        std::string cycled;
        for (long k = 0; k < kCount; ++k)
            cycled += pre.substr(static_cast<std::size_t>(k % n) * kDescriptorRecordSize, kDescriptorRecordSize);
        test::WriteBytes(CompanionFileName(lib, "pre"), cycled);
        std::filesystem::copy_file(CompanionFileName(small, "idp"), CompanionFileName(lib, "idp"));
        LibraryParameters parameters;
        StatisticsAccumulator statistics;
        NullProgress quiet;
        ASSERT_TRUE(ComputeIntroParameters(library, lib, parameters, statistics, quiet, dialog).completed);
        progress.library = lib;
        ASSERT_TRUE(wb.OpenLibrary(lib));
        ASSERT_TRUE(wb.LoadQuery(test::DataFile("query.mol")));
    }
    void Choose(bool intro)
    {
        if (intro)
            wb.SetIntroMode();
        test::ChooseDescriptors(wb, dialog,
                                intro ? std::vector<std::string>{"Bonds: single", "Bonds: double", "Hetero atoms", "Branching atoms"}
                                      : std::vector<std::string>{"Bonds: single", "Bonds: double", "Hetero atoms", "Atoms of N",
                                                                 "Atoms of O", "RandicIx", "Number of rings",
                                                                 "Number of 6-rings", "XuIndex 1", "TopoJ"});
    }

    static constexpr long kCount = 2600;
    test::TempDir dir;
    test::ScriptedDialog dialog;
    CapturingProgress progress;
    Workbench wb{dialog, progress, dir.Path().string()};
    std::string lib;
};

TEST_F(SearchDifferential, EveryCoefficientModeAndBestCountWritesAndRanksAsTheOneThreadSearch)
{
    for (bool intro : {false, true}) {
        Choose(intro);
        for (int c = 0; c < kCoefficientCount; ++c)
            for (const char* best : {"1", "13", "50", "200"}) {
                const std::string what = std::string(intro ? "INTRO " : "NORMAL ") + CoefficientName(c) + " best " + best;
                wb.SetCoefficient(c);
                ASSERT_TRUE(wb.SetBestCount(best));
                const StatisticsAccumulator before = wb.Statistics();
                ASSERT_EQ(wb.RunSearch(), SearchOutcome::Completed) << what;
                const ReferenceSearch reference = RunReference(wb, before);
                ASSERT_EQ(progress.captured, reference.text) << what;
                ExpectSameResults(wb.Results(), reference.results, what);
                EXPECT_EQ(wb.State().StructureCounter, kCount);
                const ChannelResult got = wb.Statistics().ChannelResults(), want = reference.statistics.ChannelResults();
                EXPECT_EQ(got.n, want.n) << what;
                EXPECT_EQ(got.r, want.r) << what;
                // The result library holds the ranked structures, in rank order.
                StructureLibrary copier;
                const std::string check = dir.File("check.clb");
                ASSERT_EQ(WriteResultLibrary(copier, lib, check, reference.results), kLibOk);
                EXPECT_EQ(test::ReadBytes(wb.State().SimilarLibraryFileName), test::ReadBytes(check)) << what;
                EXPECT_EQ(test::ReadBytes(IndexFileName(wb.State().SimilarLibraryFileName)),
                          test::ReadBytes(IndexFileName(check))) << what;
            }
    }
}

TEST_F(SearchDifferential, AnAbortStopsAfterTheStructureItCameAtWithTheLinesBeforeIt)
{
    for (bool intro : {false, true}) {
        Choose(intro);
        wb.SetCoefficient(kCorrelation);
        const StatisticsAccumulator before = wb.Statistics();
        ASSERT_EQ(wb.RunSearch(), SearchOutcome::Completed);
        const ReferenceSearch reference = RunReference(wb, before);
        for (long at : {100L, 1000L, 1100L, 2000L, 2500L}) {
            progress.steps.clear();
            progress.abortAtStep = at;
            ASSERT_EQ(wb.RunSearch(), SearchOutcome::Aborted) << at;
            EXPECT_EQ(progress.captured, reference.text.substr(0, static_cast<std::size_t>(reference.ends[static_cast<std::size_t>(at - 1)])))
                << at;
            EXPECT_EQ(wb.State().StructureCounter, at);
            std::vector<long> steps;
            for (long k = 100; k <= at; k += 100)
                steps.push_back(k);
            EXPECT_EQ(progress.steps, steps);
            EXPECT_FALSE(std::filesystem::exists(test::SearchScratchFile(lib)));
        }
        progress.abortAtStep = -1;
    }
}

TEST_F(SearchDifferential, AnUnreadableStructureEndsTheSearchThereNamingIt)
{
    Choose(true);
    const StatisticsAccumulator before = wb.Statistics();
    ASSERT_EQ(wb.RunSearch(), SearchOutcome::Completed);
    const ReferenceSearch reference = RunReference(wb, before);
    const std::string index = test::ReadBytes(IndexFileName(lib));
    for (long at : {1L, 1024L, 1025L, 2049L, kCount}) {
        std::string damaged = index;
        std::fill_n(damaged.begin() + (at - 1) * 4, 4, '\0'); // an empty index entry
        test::WriteBytes(IndexFileName(lib), damaged);
        wb.Library().ReleaseFiles();
        dialog.shown.clear();
        ASSERT_EQ(wb.RunSearch(), SearchOutcome::ReadError) << at;
        EXPECT_EQ(progress.captured, reference.text.substr(0, at == 1 ? 0 : static_cast<std::size_t>(reference.ends[static_cast<std::size_t>(at - 2)])))
            << at;
        EXPECT_EQ(wb.State().StructureCounter, at);
        ASSERT_EQ(dialog.shown.size(), 1u);
        EXPECT_EQ(dialog.shown[0].detail, lib + ": " + LibraryReadProblem(lib, kLibEmptyEntry, at));
        // The library structure is left as the reads of the structure before and of this one leave it.
        if (at == 1)
            continue;
        StructureLibrary plain;
        plain.ReadLibraryRecord(lib, at - 1);
        plain.ReadLibraryRecord(lib, at);
        EXPECT_EQ(wb.Library().Structure().NumValidAtoms, plain.Structure().NumValidAtoms) << at;
        EXPECT_EQ(wb.Library().Structure().FStrucName, plain.Structure().FStrucName) << at;
    }
    test::WriteBytes(IndexFileName(lib), index);
}

} // namespace
} // namespace velmora
