#include "search/coefficients.h"
#include "search/ranking.h"
#include "search/statistics.h"

#include "base/real48.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <set>

namespace velmora {
namespace {

TEST(Statistics, MeansDeviationsAndCorrelation)
{
    StatisticsAccumulator s;
    s.SelectChannel(5);
    s.ResetChannel();
    s.AddPoint(1, 2);
    s.AddPoint(2, 4);
    ChannelResult two = s.ChannelResults();
    EXPECT_EQ(two.n, 2);
    // Fewer than three observations: means but no deviations and no r.
    EXPECT_EQ((std::vector<double>{two.meanX, two.meanY, two.sdX, two.r}), (std::vector<double>{1.5, 3.0, 0, 0}));
    s.AddPoint(3, 6);
    const ChannelResult r = s.ChannelResults();
    EXPECT_EQ((std::vector<double>{r.sdX, r.sdY, r.meanDifference, r.sdDifference}),
              (std::vector<double>{1.0, 2.0, -2.0, 1.0}));
    EXPECT_DOUBLE_EQ(r.r, 1.0);

    // Channels are independent; numbers outside 1..77 are ignored.
    s.SelectChannel(77);
    EXPECT_EQ(s.ChannelResults().n, 0);
    s.SelectChannel(78);
    s.SelectChannel(0);
    EXPECT_EQ(s.CurrentChannel(), 77);
    s.SelectChannel(5);
    EXPECT_EQ(s.ChannelResults().n, 3);

    // No spread in y: r is 0, not a division by zero.
    s.SelectChannel(2);
    for (double x : {1.0, 2.0, 5.0})
        s.AddPoint(x, 7.0);
    EXPECT_EQ(s.ChannelResults().r, 0.0);
    EXPECT_EQ(s.ChannelResults().sdY, 0.0);
}

class CoefficientTest : public ::testing::Test {
protected:
    double Value(int coefficient, std::vector<double> query, std::vector<double> library, int chosen = -1)
    {
        q.assign(153, 99.0); // values of non-participating slots must not matter
        l.assign(153, -99.0);
        std::vector<int> participating;
        for (std::size_t i = 0; i < query.size(); ++i) {
            const int index = 2 * static_cast<int>(i) + 1;
            participating.push_back(index);
            q[static_cast<std::size_t>(index)] = query[i];
            l[static_cast<std::size_t>(index)] = library[i];
        }
        return Coefficient(coefficient, q.data(), l.data(), participating,
                           chosen < 0 ? static_cast<int>(query.size()) : chosen, statistics);
    }
    std::vector<double> q, l;
    StatisticsAccumulator statistics;
};

TEST_F(CoefficientTest, IdenticalVectorsGiveTheBestValues)
{
    const std::vector<double> v{1.5, -0.25, 3.0, 0.75};
    EXPECT_EQ((std::vector<double>{Value(kEuclidean, v, v), Value(kAverage, v, v), Value(kManhattan, v, v),
                                   Value(kTanimoto, v, v)}),
              (std::vector<double>{0, 0, 0, 1}));
    EXPECT_DOUBLE_EQ(Value(kCorrelation, v, v), 1.0);
}

TEST_F(CoefficientTest, HandWorkedValues)
{
    EXPECT_EQ(Value(kEuclidean, {3, 0}, {0, 4}), 5.0);
    EXPECT_EQ(Value(kManhattan, {3, 0}, {0, 4}), 7.0);
    // One participating descriptor: Euclidean = Manhattan = |q - l|; the average divides by the
    // number chosen, including chosen descriptors that do not take part.
    EXPECT_EQ(Value(kEuclidean, {3}, {1}), 2.0);
    EXPECT_EQ(Value(kManhattan, {3}, {1}), 2.0);
    EXPECT_EQ(Value(kAverage, {3}, {1}, 4), 0.5);
    // Tanimoto: A = 1*2 + 1*0 = 2, B = (1+4-2) + (1+0-0) = 4.
    EXPECT_EQ(Value(kTanimoto, {1, 1}, {2, 0}), 0.5);
    EXPECT_EQ(Value(kTanimoto, {1, 0}, {0, 1}), 0.0);
    EXPECT_EQ(Value(kTanimoto, {0, 0}, {0, 0}), 0.0); // no denominator: 0
    // Tanimoto takes the absolute value: A = -2, B = 1 + 4 + 2 = 7.
    EXPECT_EQ(Value(kTanimoto, {1}, {-2}), ToReal48Precision(2.0 / 7.0));
    // Correlation: r = -1 squared; two points are not enough.
    EXPECT_DOUBLE_EQ(Value(kCorrelation, {1, 2, 3}, {3, 2, 1}), 1.0);
    EXPECT_EQ(Value(kCorrelation, {1, 2}, {2, 4}), 0.0);
    EXPECT_EQ(Value(kCorrelation, {1, 2, 3}, {5, 5, 5}), 0.0);
    // r = (14 - 6*6/3... ) for (1,1),(2,3),(3,2): Sxy = 1+6+6 - 12 = 1, Sxx = Syy = 2, r = 0.5.
    EXPECT_EQ(Value(kCorrelation, {1, 2, 3}, {1, 3, 2}), ToReal48Precision(0.25));
}

TEST_F(CoefficientTest, RunningSumsAreRoundedToTheSixByteReal)
{
    // 1 + 2^-40 is a tie at 6-byte precision and rounds back to 1 at each step, where a double
    // sum would reach 1 + 2^-39.
    const double tiny = std::ldexp(1.0, -40);
    EXPECT_EQ(Value(kManhattan, {1, tiny, tiny}, {0, 0, 0}), 1.0);
    EXPECT_EQ(Value(kEuclidean, {1, std::ldexp(1.0, -20), std::ldexp(1.0, -20)}, {0, 0, 0}), 1.0);
    // Every result is a 6-byte real.
    const double value = Value(kEuclidean, {0.1, 0.2, 0.3}, {0.7, -0.4, 0.05});
    EXPECT_EQ(value, ToReal48Precision(value));
}

// The library positions of the filled ranks, best first.
std::vector<long> Order(const SearchResults& r)
{
    std::vector<long> order;
    for (int k = 1; k <= r.filled; ++k)
        order.push_back(r.StructureAt(k));
    return order;
}

class RankingTest : public ::testing::Test {
protected:
    std::string Results(const std::vector<std::pair<long, double>>& lines)
    {
        std::string text;
        for (const auto& [number, value] : lines)
            text += ResultLine(number, value) + "\r\n";
        const std::string path = m_dir.File("lib.qlt");
        test::WriteBytes(path, text);
        return path;
    }
    test::TempDir m_dir;
};

TEST_F(RankingTest, ResultLines)
{
    EXPECT_EQ(ResultLine(7, 1.5), "     7    1.5000");
    EXPECT_EQ(ResultLine(123456, 0.00004), "123456    0.0000");
    EXPECT_EQ(ResultLine(1, 123456.78), "     1  123456.7800");
}

TEST_F(RankingTest, DistancesRankSmallestFirstAndTiesKeepLibraryOrder)
{
    const auto file = Results({{1, 2.5}, {2, 0.0}, {3, 1.0}, {4, 0.0}, {5, 1.00001}, {6, 7.0}});
    SearchResults r = RankResults(file, kEuclidean, 4);
    EXPECT_EQ(Order(r), (std::vector<long>{2, 4, 3, 5})); // 1.0000 and 1.0000 tie after their text form
    EXPECT_EQ(r.MaxValue, 7.0f);
    EXPECT_EQ(r.lines, 6);

    r = RankResults(file, kManhattan, 10);
    EXPECT_EQ(r.filled, 6);
    EXPECT_EQ(r.best[6].value, DistanceStartValue()); // ranks no structure reached
    EXPECT_NEAR(DistanceStartValue(), 1.0512e17, 1e13);
}

TEST_F(RankingTest, SimilaritiesRankGreatestFirstAndZeroNeverEnters)
{
    const auto file = Results({{1, 0.0}, {2, 0.5}, {3, 1.0}, {4, 0.5}, {5, 0.0}});
    const SearchResults r = RankResults(file, kTanimoto, 5);
    EXPECT_EQ(Order(r), (std::vector<long>{3, 2, 4}));
}

TEST_F(RankingTest, HistogramBins)
{
    const auto file = Results({{1, 10.0}, {2, 5.0}, {3, 0.0}, {4, 0.52}, {5, 0.53}, {6, 9.99}});
    SearchResults r = RankResults(file, kEuclidean, 3);
    BuildHistogram(file, r);
    // bin = Trunc(19 v / 10): 10 -> 19, 5 -> 9, 0 -> 0, 0.52 -> 0, 0.53 -> 1, 9.99 -> 18.
    EXPECT_EQ(r.histogram, (std::array<long, kHistogramBins>{2, 1, 0, 0, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0, 0, 1, 1}));

    const auto zeros = Results({{1, 0.0}, {2, 0.0}});
    r = RankResults(zeros, kEuclidean, 3);
    BuildHistogram(zeros, r);
    EXPECT_EQ(r.histogram[0], 2);
}

} // namespace
} // namespace velmora
