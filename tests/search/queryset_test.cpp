// Query sets: the set read as single queries are, and every fused value against single searches
// with each of its queries (their full result files), for all coefficients, both modes and ties.
#include "base/ioerror.h"
#include "base/real48.h"
#include "descriptors/catalogue.h"
#include "io/convert.h"
#include "io/libfiles.h"
#include "io/molfile.h"
#include "search/coefficients.h"
#include "search/comparison.h"
#include "search/explain.h"
#include "search/fusion.h"
#include "search/paramcalc.h"
#include "search/queryset.h"
#include "search/ranking.h"
#include "search/workbench.h"
#include "report/searchreport.h"
#include "scripted.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <map>
#include <random>

namespace velmora {
namespace {

// The value of a result line as the single search reads it back: formatted, then parsed.
float ReadBack(double value)
{
    const std::string line = ResultLine(1, value);
    const auto start = line.find_first_not_of(' ', line.find(' ', line.find_first_not_of(' ')));
    float parsed = 0.0f;
    std::from_chars(line.data() + start, line.data() + line.size(), parsed);
    return parsed;
}

bool SameBits(float a, float b) { return std::memcmp(&a, &b, sizeof a) == 0; }

TEST(QuerySetRounding, ResultLineValueIsTheValueTheLineReadsBack)
{
    std::vector<double> values = {0.0, -0.0, 1e-300, 5e-324, 1.0, -1.0, 0.5, 0.00005, 0.00015, 0.99995, -0.00005,
                                  1677.72155, 1677.72165, 16777.2161, 123456.78905, 0x1p40, 1e15, 1e20, -1e20,
                                  std::numeric_limits<double>::infinity(), std::numeric_limits<double>::quiet_NaN(),
                                  -std::numeric_limits<double>::infinity(), 3.3e38, 1e39};
    std::mt19937_64 random(17);
    // Rounding boundaries: around every multiple of 10^-4 and every half of one, near zero and at
    // magnitudes where floats are coarser than the decimals.
    for (int k = 0; k < 4000; ++k)
        for (double base : {0.0, 1.0, 10.0, 999.0, 1677.0, 5000.0, 70000.0}) {
            const double step = base + (k + (k % 2 ? 0.5 : 0.0)) * 1e-4;
            for (double v : {step, std::nextafter(step, 0.0), std::nextafter(step, 1e9), -step})
                values.push_back(v);
        }
    // Values as the coefficients make them: real structures' descriptor vectors, scaled, compared.
    std::vector<std::array<double, kCatalogueSize>> vectors;
    {
        TextReader reader(test::DataFile("nci1000.sdf"));
        MolReadStatus status;
        while (!reader.Eof() && vectors.size() < 120) {
            TCTab table;
            ReadMolRecord(table, reader, status);
            if (!status.Rejected())
                vectors.push_back(ComputeDescriptorValues(table));
        }
    }
    const std::vector<int> participating = {1, 2, 3, 10, 20, kRandicIxIndex, kTopoJIndex, kNumberOfRingsIndex};
    StatisticsAccumulator statistics;
    for (std::size_t a = 0; a < vectors.size(); ++a)
        for (std::size_t b = a; b < vectors.size(); b += 3)
            for (int c = 0; c < kCoefficientCount; ++c) {
                std::array<double, kCatalogueSize> q{}, l{};
                for (int i : participating) {
                    q[static_cast<std::size_t>(i)] = ToReal48Precision((vectors[a][static_cast<std::size_t>(i)] - 3.0) / 2.7);
                    l[static_cast<std::size_t>(i)] = ToReal48Precision((vectors[b][static_cast<std::size_t>(i)] - 3.0) / 2.7);
                }
                values.push_back(Coefficient(c, q.data(), l.data(), participating, 8, statistics));
            }
    std::uniform_real_distribution<double> spread(-50.0, 50.0);
    for (int k = 0; k < 20000; ++k)
        values.push_back(spread(random) * std::pow(10.0, static_cast<int>(random() % 10) - 5));
    for (double v : values) {
        char text[kMaxResultLine];
        float line = 0.0f;
        WriteResultLine(text, 7, v, line);
        ASSERT_TRUE(SameBits(ResultLineValue(v), line)) << v;
        ASSERT_TRUE(std::isnan(v) || SameBits(line, ReadBack(v))) << v;
    }
}

TEST(QuerySetRounding, BestOfDoublesEqualsRoundingEveryValue)
{
    std::mt19937_64 random(5);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    for (int trial = 0; trial < 20000; ++trial) {
        const std::size_t queries = 1 + random() % 9;
        std::vector<double> values(queries);
        const double base = unit(random) * std::pow(10.0, static_cast<int>(random() % 7) - 2);
        for (double& v : values) {
            // Near-ties: the same value, values a rounding step apart, values on either side of a
            // decimal's half, values far away.
            switch (random() % 5) {
            case 0: v = base; break;
            case 1: v = base + (static_cast<int>(random() % 5) - 2) * 1e-4; break;
            case 2: v = std::round(base * 1e4) / 1e4 + 0.5e-4 + (static_cast<int>(random() % 3) - 1) * 1e-12; break;
            case 3: v = std::nextafter(base, random() % 2 ? 0.0 : 1e9); break;
            default: v = unit(random) * 100.0 - (trial % 7 == 0 ? 50.0 : 0.0);
            }
        }
        if (trial % 97 == 0)
            values[random() % queries] = std::numeric_limits<double>::quiet_NaN();
        std::vector<float> rounded(queries);
        for (std::size_t q = 0; q < queries; ++q)
            rounded[q] = ResultLineValue(values[q]);
        for (bool smaller : {true, false}) {
            const FusedValue got = FuseBest(values.data(), queries, smaller);
            const FusedValue want = BestOf(rounded.data(), queries, smaller);
            ASSERT_TRUE(SameBits(got.value, want.value) && got.query == want.query)
                << "trial " << trial << " smaller " << smaller << ": " << got.value << "/" << got.query << " against "
                << want.value << "/" << want.query;
            // The first best, by the rounded values themselves.
            for (std::size_t q = 0; q < static_cast<std::size_t>(want.query); ++q)
                ASSERT_FALSE(rounded[q] == want.value) << trial;
        }
    }
}

// Distances a hair's breadth from a rounding step of the four decimals: the values of a set's
// search over descriptor records made for it must be the coefficient's, rounded, every one.
TEST(QuerySetRounding, DistancesAtRoundingStepsRoundAsTheCoefficient)
{
    std::vector<std::uint8_t> records;
    std::vector<std::array<double, 2>> rows;
    for (int a = 0; a < 4; ++a)
        for (int b = 0; b < 4; ++b) {
            std::vector<std::uint8_t> record(kDescriptorRecordSize, 0);
            record[0] = 1; // registered
            record[1] = static_cast<std::uint8_t>(a);
            record[2] = static_cast<std::uint8_t>(b);
            records.insert(records.end(), record.begin(), record.end());
            rows.push_back({static_cast<double>(a), static_cast<double>(b)});
        }
    ComparisonSetup setup;
    setup.mode = DescriptorMode::Normal;
    setup.mappedRecords = records.data();
    setup.mappedBytes = records.size();
    setup.count = static_cast<long>(rows.size());
    setup.participating = {1, 2};
    setup.chosenCount = 2;
    for (int i : setup.participating) {
        setup.parameters.Mean[static_cast<std::size_t>(i)] = 0.0;
        setup.parameters.StdDev[static_cast<std::size_t>(i)] = 1.0;
    }
    setup.fusion = Fusion::Mean; // one query: its value, rounded
    std::vector<double> firsts;
    for (int k = 0; k < 40; ++k)
        for (double base : {k * 0.5e-4, 1.0 + k * 0.5e-4, 2.0 - k * 0.5e-4, 0.7071 + k * 0.5e-4})
            for (int step = -3; step <= 3; ++step) {
                double v = base;
                for (int s = 0; s < std::abs(step); ++s)
                    v = std::nextafter(v, step < 0 ? -1.0 : 10.0);
                firsts.push_back(ToReal48Precision(v));
            }
    StatisticsAccumulator statistics;
    for (int c : {kEuclidean, kAverage, kManhattan}) {
        setup.coefficient = c;
        for (double first : firsts) {
            setup.queries.assign(1, {});
            setup.queries[0][1] = first;
            setup.queries[0][2] = 0.0;
            ComparedChunk chunk;
            StructureComparer(setup).Compute(1, setup.count, chunk);
            ASSERT_EQ(chunk.values.size(), rows.size());
            const double q[2] = {first, 0.0};
            for (std::size_t r = 0; r < rows.size(); ++r) {
                const float want = ResultLineValue(Coefficient(c, q, rows[r].data(), {0, 1}, 2, statistics));
                ASSERT_TRUE(SameBits(chunk.values[r], want))
                    << CoefficientName(c) << " query " << first << " row " << r << ": " << chunk.values[r] << " against " << want;
            }
        }
        // All of them as one set: the nearest query by the rounded values, the first on ties.
        setup.fusion = Fusion::Max;
        for (std::size_t from = 0; from + 56 <= firsts.size(); from += 56) {
            for (bool reversed : {false, true}) { // the nearer of two equal rounded values first, then last
                auto at = [&](std::size_t q) { return firsts[from + (reversed ? 55 - q : q)]; };
                setup.queries.assign(56, {});
                for (std::size_t q = 0; q < 56; ++q)
                    setup.queries[q][1] = at(q);
                ComparedChunk chunk;
                StructureComparer(setup).Compute(1, setup.count, chunk);
                for (std::size_t r = 0; r < rows.size(); ++r) {
                    std::vector<float> rounded;
                    for (std::size_t q = 0; q < 56; ++q) {
                        const double query[2] = {at(q), 0.0};
                        rounded.push_back(ResultLineValue(Coefficient(c, query, rows[r].data(), {0, 1}, 2, statistics)));
                    }
                    const FusedValue want = BestOf(rounded.data(), rounded.size(), true);
                    ASSERT_TRUE(SameBits(chunk.values[r], want.value) && chunk.lineQueries[r] == want.query)
                        << CoefficientName(c) << " from " << from << " row " << r;
                }
            }
        }
        setup.fusion = Fusion::Mean;
    }
}

TEST(QuerySetRanks, RanksCountBetterValuesAcrossBatchesAndThreadsMerged)
{
    std::mt19937 random(3);
    std::vector<float> values(50000);
    for (float& v : values)
        v = static_cast<float>(random() % 900) / 8.0f - 20.0f;
    ValueCounts a, b;
    for (std::size_t i = 0; i < values.size(); ++i)
        (i % 3 ? a : b).Add(values[i]);
    a.Merge(b);
    std::vector<ValueCounts> counts;
    counts.push_back(std::move(a));
    for (bool smaller : {true, false}) {
        const RankTables ranks(counts, smaller);
        std::vector<std::uint32_t> seen(ranks.Slots());
        for (std::size_t i = 0; i < values.size(); i += 611) {
            std::uint32_t better = 0;
            for (float v : values)
                better += smaller ? v < values[i] : v > values[i];
            ASSERT_EQ(ranks.Better(ranks.Slot(0, values[i])), better) << values[i];
        }
        EXPECT_EQ(ranks.Slot(0, 1000.5f), RankTables::kNone);
    }
}

// A library of 55 structures, the first 15 twice (ties in every query's ranking), with its
// NORMAL and INTRO files, and a set of five queries: three other structures, one of the library
// and the first again (it ties with the first query for every structure).
class QuerySetSearch : public ::testing::Test {
protected:
    void SetUp() override
    {
        const std::string sd = dir.File("lib.sdf");
        test::WriteBytes(sd, test::NciRecords(1, 40) + test::NciRecords(1, 15));
        lib = dir.File("lib.clb");
        StructureLibrary library;
        NullProgress quiet;
        ASSERT_TRUE(ImportStructures(library, sd, CountSDRecords(sd), lib, ConversionMode::WriteAnew, quiet).Completed());
        ASSERT_TRUE(test::BuildDescriptorFiles(lib));
        LibraryParameters parameters;
        StatisticsAccumulator statistics;
        ASSERT_TRUE(ComputeIntroParameters(library, lib, parameters, statistics, quiet, dialog).completed);
        records = {test::NciRecords(200, 1), test::NciRecords(301, 1), test::NciRecords(5, 1), test::NciRecords(420, 1),
                   test::NciRecords(200, 1)};
        std::string all;
        for (std::size_t q = 0; q < records.size(); ++q) {
            singles.push_back(dir.File("q" + std::to_string(q) + ".sdf"));
            test::WriteBytes(singles.back(), records[q]);
            all += records[q];
        }
        set = dir.File("set.sdf");
        test::WriteBytes(set, all);
        ASSERT_TRUE(wb.OpenLibrary(lib));
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
    // Every line of a single search with query file q: position -> value as read back.
    std::map<long, float> SingleSearch(std::size_t q)
    {
        EXPECT_TRUE(wb.LoadQuery(singles[q]));
        EXPECT_EQ(wb.RunSearch(), SearchOutcome::Completed);
        std::map<long, float> lines;
        const auto text = progress.captured;
        std::size_t at = 0;
        while (at < text.size()) {
            const std::size_t end = text.find("\r\n", at);
            const std::string line = text.substr(at, end - at);
            at = end + 2;
            long number = 0;
            const char* p = line.data() + line.find_first_not_of(' ');
            const auto [after, ec] = std::from_chars(p, line.data() + line.size(), number);
            EXPECT_EQ(ec, std::errc());
            float value = 0.0f;
            const char* v = after;
            while (*v == ' ')
                ++v;
            std::from_chars(v, line.data() + line.size(), value);
            lines[number] = value;
        }
        return lines;
    }

    class Capturing final : public Progress {
    public:
        void Start(ProgressKind kind, const std::string&, long) override
        {
            if (kind == ProgressKind::Ranking && std::filesystem::exists(test::SearchScratchFile(file)))
                captured = test::ReadBytes(test::SearchScratchFile(file)); // the single search's result file, complete
        }
        void Step(long) override {}
        ProgressRequest Poll() override { return ProgressRequest::Continue; }
        void Finish() override {}
        std::string file, captured;
    };

    test::TempDir dir;
    test::ScriptedDialog dialog;
    Capturing progress;
    Workbench wb{dialog, progress, dir.Path().string()};
    std::string lib, set;
    std::vector<std::string> records, singles;
};

struct Expected {
    long position = 0;
    float value = 0.0f;
    int query = 0;
};

TEST_F(QuerySetSearch, EveryFusedValueIsTheSingleSearchesValueFusedForEveryCoefficientAndMode)
{
    progress.file = lib;
    for (bool intro : {false, true}) {
        Choose(intro);
        ASSERT_TRUE(wb.SetBestCount("30"));
        for (int c = 0; c < kCoefficientCount; ++c) {
            wb.SetCoefficient(c);
            const bool smaller = SmallerIsBetter(c);
            std::vector<std::map<long, float>> single;
            for (std::size_t q = 0; q < singles.size(); ++q)
                single.push_back(SingleSearch(q));
            ASSERT_EQ(single[0].size(), 55u);
            for (Fusion fusion : {Fusion::Max, Fusion::Mean, Fusion::Rrf}) {
                const std::string what = std::string(intro ? "INTRO " : "NORMAL ") + CoefficientName(c) + " " +
                                         FusionTyped(fusion);
                // Each query's rank of each structure: better values first, ties by position.
                std::vector<std::map<long, long>> rank(single.size());
                for (std::size_t q = 0; q < single.size(); ++q) {
                    std::vector<std::pair<float, long>> order;
                    for (const auto& [position, value] : single[q])
                        order.emplace_back(value, position);
                    std::sort(order.begin(), order.end(), [&](const auto& a, const auto& b) {
                        if (a.first != b.first)
                            return smaller ? a.first < b.first : a.first > b.first;
                        return a.second < b.second;
                    });
                    for (std::size_t r = 0; r < order.size(); ++r)
                        rank[q][order[r].second] = static_cast<long>(r + 1);
                }
                std::vector<Expected> expected;
                for (const auto& [position, unused] : single[0]) {
                    Expected e{position, single[0].at(position), 0};
                    double sum = 0.0, rrf = 0.0;
                    for (std::size_t q = 0; q < single.size(); ++q) {
                        const float v = single[q].at(position);
                        if (smaller ? v < e.value : v > e.value) {
                            e.value = v;
                            e.query = static_cast<int>(q);
                        }
                        sum += v;
                        rrf += 1.0 / (60.0 + static_cast<double>(rank[q].at(position)));
                    }
                    if (fusion == Fusion::Mean)
                        e.value = ReadBack(sum / static_cast<double>(single.size()));
                    else if (fusion == Fusion::Rrf)
                        e.value = static_cast<float>(rrf);
                    expected.push_back(e);
                }
                const bool fusedSmaller = smaller && fusion != Fusion::Rrf;
                float maxValue = 0.0f;
                for (const Expected& e : expected)
                    maxValue = std::max(maxValue, e.value);
                std::array<long, kHistogramBins> histogram{};
                for (const Expected& e : expected)
                    ++histogram[static_cast<std::size_t>(HistogramBin(e.value, maxValue))];
                std::stable_sort(expected.begin(), expected.end(), [&](const Expected& a, const Expected& b) {
                    return fusedSmaller ? a.value < b.value : a.value > b.value;
                });
                // The ranking keeps what beats its start value: positive values when larger is better.
                expected.erase(std::remove_if(expected.begin(), expected.end(),
                                              [&](const Expected& e) { return !fusedSmaller && !(e.value > 0.0f); }),
                               expected.end());
                expected.resize(std::min<std::size_t>(expected.size(), 30));

                ASSERT_TRUE(wb.LoadQuerySet(set)) << what;
                wb.SetFusion(fusion);
                ASSERT_EQ(wb.RunSearch(), SearchOutcome::Completed) << what;
                const SearchResults& results = wb.Results();
                ASSERT_EQ(results.filled, static_cast<int>(expected.size())) << what;
                EXPECT_EQ(results.queries, 5) << what;
                for (std::size_t r = 0; r < expected.size(); ++r) {
                    const BestEntry& got = results.best[r];
                    ASSERT_EQ(static_cast<long>(got.number), expected[r].position) << what << " rank " << r + 1;
                    ASSERT_TRUE(SameBits(got.value, expected[r].value))
                        << what << " rank " << r + 1 << ": " << got.value << " against " << expected[r].value;
                    ASSERT_EQ(got.query, expected[r].query) << what << " rank " << r + 1;
                    EXPECT_TRUE(SameBits(got.queryValue, single[static_cast<std::size_t>(got.query)].at(expected[r].position)));
                }
                EXPECT_EQ(results.MaxValue, maxValue) << what;
                EXPECT_EQ(results.histogram, histogram) << what;
                // The result library holds the ranked structures; the explanation is against the
                // query of the hit and gives that query's value.
                const ResultStructure first = wb.ReadResultStructure(1);
                EXPECT_EQ(first.read, kLibOk) << what;
                EXPECT_EQ(first.row.query, wb.LoadedQuerySet()->QueryName(static_cast<std::size_t>(expected[0].query)));
                const MatchExplanation explained = ExplainMatch(wb, 1);
                float explainedValue = 0.0f;
                std::from_chars(explained.valueText.data(), explained.valueText.data() + explained.valueText.size(),
                                explainedValue);
                EXPECT_EQ(explainedValue, results.best[0].queryValue) << what;
            }
        }
    }
}

// The max rule over a distance rounds the coefficient only for the queries whose plain distance
// can reach the nearest; the mean rule rounds every query's value: both must name the same
// query and value for every structure. Queries: every library structure (exact ties at 0 with
// both copies of the duplicated ones) and others.
TEST_F(QuerySetSearch, NearestQueryByPlainDistancesIsTheNearestByEveryValue)
{
    Choose(false);
    ASSERT_TRUE(wb.LoadQuery(singles[0]));
    ASSERT_EQ(wb.RunSearch(), SearchOutcome::Completed); // the participating descriptors, as a search takes them
    ComparisonSetup setup;
    setup.mode = DescriptorMode::Normal;
    setup.libraryName = lib;
    setup.descriptorFile = CompanionFileName(lib, "pre");
    setup.count = 55;
    setup.chosenCount = wb.Selection().ChosenCount();
    setup.participating = wb.Participating();
    setup.parameters = wb.Parameters();
    StructureLibrary library;
    for (long k = 1; k <= 80; ++k) {
        TCTab table;
        if (k <= 55) {
            ASSERT_EQ(library.ReadLibraryRecord(lib, k), kLibOk);
            table.Assign(library.Structure());
        } else {
            TextReader reader(set);
            for (long skip = 0; skip <= (k - 56) % 5; ++skip)
                ReadMolRecord(table, reader);
        }
        const auto values = ComputeDescriptorValues(table);
        auto& vector = setup.queries.emplace_back();
        for (int i : setup.participating)
            vector[static_cast<std::size_t>(i)] = setup.parameters.Scale(i, values[static_cast<std::size_t>(i)]);
    }
    library.ReleaseFiles();
    for (int c : {kEuclidean, kAverage, kManhattan}) {
        setup.coefficient = c;
        ComparedChunk nearest, every;
        setup.fusion = Fusion::Max;
        StructureComparer(setup).Compute(1, 55, nearest);
        setup.fusion = Fusion::Mean;
        StructureComparer(setup).Compute(1, 55, every);
        ASSERT_EQ(nearest.lines.size(), 55u);
        ASSERT_EQ(every.lines, nearest.lines);
        for (std::size_t line = 0; line < 55; ++line) {
            ASSERT_EQ(nearest.lineQueries[line], every.lineQueries[line]) << CoefficientName(c) << " " << line;
            ASSERT_TRUE(SameBits(nearest.values[line], every.queryValues[line])) << CoefficientName(c) << " " << line;
        }
        // The structures that are queries too lie at distance 0 from the first of their copies.
        EXPECT_EQ(nearest.values[44], 0.0f);
        EXPECT_EQ(nearest.lineQueries[44], 4);
    }
}

TEST_F(QuerySetSearch, ReportsNameTheQueryAndTheRuleAndTheSingleReportStaysAsItWas)
{
    Choose(false);
    ASSERT_TRUE(wb.SetBestCount("5"));
    ASSERT_TRUE(wb.LoadQuery(singles[2]));
    ASSERT_EQ(wb.RunSearch(), SearchOutcome::Completed);
    const std::string single = SearchReportText(wb);
    EXPECT_FALSE(test::Contains(single, "Query set")) << single;
    EXPECT_FALSE(test::Contains(single, "  Query  ")) << single;
    EXPECT_FALSE(test::Contains(single, "Fusion"));

    ASSERT_TRUE(wb.LoadQuerySet(set));
    wb.SetFusion(Fusion::Rrf);
    ASSERT_EQ(wb.RunSearch(), SearchOutcome::Completed);
    const std::string rrf = SearchReportText(wb);
    EXPECT_TRUE(test::Contains(rrf, "Fusion: rrf of 5 queries")) << rrf;
    EXPECT_TRUE(test::Contains(rrf, "  Rank  Position  RRF score       Query         CAS-Nr")) << rrf;
    // The set's search leaves no file of its own behind.
    EXPECT_FALSE(std::filesystem::exists(CompanionFileName(lib, "qlt")));

    wb.SetFusion(Fusion::Max);
    ASSERT_EQ(wb.RunSearch(), SearchOutcome::Completed);
    const std::string text = SearchReportText(wb);
    EXPECT_TRUE(test::Contains(text, "Fusion: max of 5 queries")) << text;
    EXPECT_TRUE(test::Contains(text, "Euclidean dist  Query         CAS-Nr")) << text;
    // Rank 1 is the library's own copy of the third query (position 5, the earlier of two copies).
    const auto rows = wb.ReportRows();
    ASSERT_EQ(rows.size(), 5u);
    EXPECT_EQ(rows[0].libraryPosition, 5);
    EXPECT_EQ(rows[0].query, wb.LoadedQuerySet()->QueryName(2));
    EXPECT_TRUE(test::Contains(text, rows[0].query));
    const HtmlReportData html = MakeHtmlReportData(wb);
    ASSERT_EQ(html.RowQueries.size(), 5u);
    EXPECT_TRUE(test::Contains(BuildHtmlReport(html), "<th>Query</th>"));
    const auto items = wb.ResultDataItems(1);
    EXPECT_EQ(items.back().name, "SIMILARITY_QUERY");
    EXPECT_EQ(items.back().value, rows[0].query);

    // Loading one query again drops the set.
    ASSERT_TRUE(wb.LoadQuery(singles[0]));
    EXPECT_EQ(wb.LoadedQuerySet(), nullptr);
    ASSERT_EQ(wb.RunSearch(), SearchOutcome::Completed);
    EXPECT_EQ(wb.Results().queries, 0);
    EXPECT_FALSE(test::Contains(SearchReportText(wb), "Fusion"));
}

TEST(QuerySetReading, RecordsThatCannotBeReadAreListedAndAnEmptySetIsRefused)
{
    test::TempDir dir;
    StructureLibrary library;
    // A record whose counts line promises too many atoms, between two good ones.
    std::string bad = test::kMethaneRecord;
    bad.replace(bad.find("  1  0  0"), 9, "999  0  0");
    const std::string mixed = dir.File("mixed.sdf");
    test::WriteBytes(mixed, test::NciRecords(1, 1) + bad + test::NciRecords(2, 1) + "\r\n");
    const QuerySet set = ReadQuerySet(mixed, library);
    ASSERT_EQ(set.Size(), 2u);
    EXPECT_EQ(set.records, (std::vector<long>{1, 3}));
    ASSERT_EQ(set.skipped.size(), 1u);
    EXPECT_EQ(set.skipped[0].record, 2);
    EXPECT_TRUE(test::Contains(set.SkippedText(), mixed + ": record 2: ")) << set.SkippedText();

    // Each query is read as loading it alone reads it.
    TCTab alone;
    {
        TextReader reader(mixed);
        ReadMolRecord(alone, reader);
    }
    EXPECT_EQ(set.queries[0].FStrucName, alone.FStrucName);
    EXPECT_EQ(set.queries[0].NumValidAtoms, alone.NumValidAtoms);

    auto problem = [&](const std::string& file) {
        try {
            ReadQuerySet(file, library);
        } catch (const IoError& error) {
            return std::string(error.what());
        }
        return std::string("no error");
    };
    const std::string empty = dir.File("empty.sdf");
    test::WriteBytes(empty, "");
    EXPECT_TRUE(test::Contains(problem(empty), empty + ": holds no structure")) << problem(empty);
    const std::string onlyBad = dir.File("bad.sdf");
    test::WriteBytes(onlyBad, bad);
    EXPECT_TRUE(test::Contains(problem(onlyBad), "1 record left out")) << problem(onlyBad);
    EXPECT_TRUE(test::Contains(problem(dir.File("missing.sdf")), "no such file"));
    EXPECT_TRUE(test::Contains(problem(dir.Path().string()), "is a folder"));

    // A library: every structure a query, in library order; the unnamed ones by their number.
    const std::string lib = test::NciLibrary(dir, "set", 7, false);
    const QuerySet fromLibrary = ReadQuerySet(lib, library);
    ASSERT_EQ(fromLibrary.Size(), 7u);
    EXPECT_EQ(fromLibrary.queries[6].FStrucName, test::LibraryStructureName(lib, 7));
    QuerySet unnamed = fromLibrary;
    unnamed.queries[1].FStrucName = "  ";
    EXPECT_EQ(unnamed.QueryName(1), "#2");

    // The workbench warns once, naming the records left out, and keeps the query it had when
    // the set cannot be used.
    test::ScriptedDialog dialog;
    NullProgress quiet;
    Workbench wb{dialog, quiet, dir.Path().string()};
    ASSERT_TRUE(wb.LoadQuerySet(mixed));
    ASSERT_EQ(dialog.shown.size(), 1u);
    EXPECT_EQ(dialog.shown[0].kind, MessageKind::Warning);
    EXPECT_TRUE(test::Contains(dialog.shown[0].detail, "record 2")) << dialog.shown[0].detail;
    EXPECT_EQ(wb.State().Query.FStrucName, set.queries[0].FStrucName);
    EXPECT_THROW(wb.LoadQuerySet(empty), IoError);
    EXPECT_EQ(wb.LoadedQuerySet()->Size(), 2u);
}

} // namespace
} // namespace velmora
