// Explanations of best matches: the terms of each coefficient on hand-checked values, and on whole
// searches of the fixtures that every explained value recombines to the value the report shows.
#include "search/explain.h"

#include "base/ioerror.h"
#include "base/numtext.h"
#include "io/convert.h"
#include "io/molfile.h"
#include "search/coefficients.h"
#include "search/workbench.h"
#include "scripted.h"
#include "test_support.h"
#include "workbench_support.h"

#include <gtest/gtest.h>

#include <cmath>
#include <stdexcept>

namespace velmora {
namespace {

std::string Trim(const std::string& text) { return text.substr(text.find_first_not_of(' ')); }

// Three descriptors: a and b scaled as they are (mean 0, deviation 1), c with mean 1 and deviation
// 2. Scaled, the query is (1, 2, 0) and the match (1, 0, 3).
struct HandCase {
    int coefficient;
    int chosenCount;
    std::string value;
    std::vector<int> order;       // positions 0..2 = a, b, c, closest first
    std::vector<double> shares;   // of a, b, c
    std::vector<DescriptorPull> pulls;
};

TEST(ExplainValues, TermsSharesAndOrderOfEachCoefficient)
{
    const int a = test::DescriptorIndex("Atoms of C"), b = test::DescriptorIndex("Atoms of N"),
              c = test::DescriptorIndex("Atoms of O");
    LibraryParameters parameters;
    parameters.Set(a, 0, 1);
    parameters.Set(b, 0, 1);
    parameters.Set(c, 1, 2);
    std::array<double, kCatalogueSize> query{}, match{};
    query[static_cast<std::size_t>(a)] = 1;
    query[static_cast<std::size_t>(b)] = 2;
    query[static_cast<std::size_t>(c)] = 1;
    match[static_cast<std::size_t>(a)] = 1;
    match[static_cast<std::size_t>(b)] = 0;
    match[static_cast<std::size_t>(c)] = 7;
    using P = DescriptorPull;
    const std::vector<HandCase> cases{
        // (q-l)^2 = 0, 4, 9: sqrt(13); b's 4/13 stays under the even share 1/3.
        {kEuclidean, 3, "3.6056", {0, 1, 2}, {0, 4 / 13.0, 9 / 13.0}, {P::Closer, P::Closer, P::Apart}},
        {kAverage, 4, "0.9014", {0, 1, 2}, {0, 4 / 13.0, 9 / 13.0}, {P::Closer, P::Closer, P::Apart}},
        {kManhattan, 3, "5.0000", {0, 1, 2}, {0, 0.4, 0.6}, {P::Closer, P::Apart, P::Apart}},
        // q*l = 1, 0, 0 over q^2+l^2-q*l = 1, 4, 9: 1/14; the gap 13/14 is split 0 : 4 : 9.
        {kTanimoto, 3, "0.0714", {0, 1, 2}, {0, 4 / 13.0, 9 / 13.0}, {P::Closer, P::Closer, P::Apart}},
        // Covariance parts 0, -4/3, -5/3: the opposite trend of b and c makes r^2 high.
        {kCorrelation, 3, "0.9643", {2, 1, 0}, {0, 4 / 9.0, 5 / 9.0}, {P::Neutral, P::Closer, P::Closer}},
    };
    const std::vector<int> indices{a, b, c};
    for (const HandCase& hand : cases) {
        SCOPED_TRACE(CoefficientName(hand.coefficient));
        const MatchExplanation e = ExplainValues(hand.coefficient, indices, hand.chosenCount, parameters, query, match);
        EXPECT_EQ(e.valueText, hand.value);
        EXPECT_EQ(FormatFixed(RecombinedValue(e), 4), hand.value);
        ASSERT_EQ(e.contributions.size(), 3u);
        for (std::size_t k = 0; k < 3; ++k) {
            const DescriptorContribution& d = e.contributions[k];
            EXPECT_EQ(d.index, indices[static_cast<std::size_t>(hand.order[k])]);
            const auto at = static_cast<std::size_t>(std::find(indices.begin(), indices.end(), d.index) - indices.begin());
            EXPECT_NEAR(d.share, hand.shares[at], 1e-9) << CatalogueName(d.index);
            EXPECT_EQ(d.pull, hand.pulls[at]) << CatalogueName(d.index);
        }
        EXPECT_EQ(FormatFixed(ValueFromContributions(e), 4), hand.value);
        const DescriptorContribution& cc = *std::find_if(e.contributions.begin(), e.contributions.end(),
                                                          [c](const DescriptorContribution& d) { return d.index == c; });
        EXPECT_EQ(std::make_tuple(cc.queryRaw, cc.matchRaw, cc.queryScaled, cc.matchScaled, cc.mean, cc.stdDev),
                  std::make_tuple(1.0, 7.0, 0.0, 3.0, 1.0, 2.0));
    }
    // The formula with its numbers; a negative r is pointed out, since r^2 hides it.
    const auto euclid = ExplainValues(kEuclidean, indices, 3, parameters, query, match);
    EXPECT_EQ(ValueFormula(euclid), "value = sqrt(sum (q-l)^2) = sqrt(13.0000) = 3.6056");
    EXPECT_EQ(ExplanationRemark(euclid), "");
    const auto correlation = ExplainValues(kCorrelation, indices, 3, parameters, query, match);
    EXPECT_NE(ValueFormula(correlation).find("= -0.9820, r^2 = 0.9643"), std::string::npos) << ValueFormula(correlation);
    EXPECT_EQ(ExplanationRemark(correlation).rfind("r is negative (-0.9820)", 0), 0u);
}

class ExplainSearchTest : public test::WorkbenchFixture {
protected:
    std::string Import(const std::string& source)
    {
        StructureLibrary library;
        NullProgress quiet;
        const std::string lib = dir.File("lib.clb");
        EXPECT_TRUE(ImportStructures(library, source, CountSDRecords(source), lib, ConversionMode::WriteAnew, quiet)
                        .Completed());
        return lib;
    }
    // Every filled rank of every coefficient: the explanation reproduces the value the report shows,
    // its contributions add up to it, and its descriptors are the participating ones, closest first.
    void ExpectEveryRankRecombines()
    {
        for (int coefficient = 0; coefficient < kCoefficientCount; ++coefficient) {
            SCOPED_TRACE(CoefficientName(coefficient));
            wb.SetCoefficient(coefficient);
            ASSERT_EQ(wb.RunSearch(), SearchOutcome::Completed);
            const auto rows = wb.ReportRows();
            ASSERT_GT(rows.size(), 5u);
            for (const ReportRow& row : rows) {
                const MatchExplanation e = ExplainMatch(wb, row.rank);
                const std::string shown = Trim(row.value);
                EXPECT_EQ(e.libraryPosition, row.libraryPosition);
                EXPECT_EQ(e.valueText, shown) << "rank " << row.rank;
                EXPECT_EQ(FormatFixed(RecombinedValue(e), 4), shown) << "rank " << row.rank;
                EXPECT_EQ(FormatFixed(ValueFromContributions(e), 4), shown) << "rank " << row.rank;
                ASSERT_EQ(e.contributions.size(), wb.Participating().size());
                for (std::size_t k = 1; k < e.contributions.size(); ++k)
                    EXPECT_TRUE(coefficient == kCorrelation
                                    ? e.contributions[k - 1].contribution >= e.contributions[k].contribution
                                    : e.contributions[k - 1].share <= e.contributions[k].share);
            }
        }
    }
};

TEST_F(ExplainSearchTest, NormalModeRecombinesOnCountsAndRealDescriptors)
{
    for (const char* fixture : {"pubchem.200.sdf", "cdk2.sdf"}) {
        SCOPED_TRACE(fixture);
        const std::string lib = Import(test::DataFile(fixture));
        test::BuildDescriptorFiles(lib);
        ASSERT_TRUE(wb.OpenLibrary(lib));
        ASSERT_TRUE(wb.LoadQuery(test::DataFile("query.mol")));
        Choose({"Atoms of C", "Atoms of N", "Atoms of O", "Hetero atoms", "Bonds: double", "Number of rings",
                "Number of 6-rings", "RandicIx", "TopoJ", "TopoDia"});
        ASSERT_TRUE(wb.SetBestCount("30"));
        ExpectEveryRankRecombines();
    }
}

TEST_F(ExplainSearchTest, IntroModeRecombinesFromTheStructures)
{
    const std::string lib = Import(test::DataFile("egfr.sdf"));
    dialog.answers = {MessageAnswer::Ok, MessageAnswer::Ok, MessageAnswer::Ok};
    ASSERT_TRUE(wb.OpenLibrary(lib));
    ASSERT_EQ(wb.State().Mode, DescriptorMode::Intro);
    ASSERT_TRUE(wb.State().ParametersAvailable);
    ASSERT_TRUE(wb.LoadQuery(lib));
    Choose({"Bonds: C-C single", "Bonds: double", "Bonds: single", "Branching atoms", "Hetero atoms"});
    ASSERT_TRUE(wb.SetBestCount("20"));
    ExpectEveryRankRecombines();
}

TEST_F(ExplainSearchTest, RefusesRanksWithoutStructureAndValuesThatChangedSinceTheSearch)
{
    const std::string lib = Import(test::DataFile("cdk2.sdf"));
    test::BuildDescriptorFiles(lib);
    ASSERT_TRUE(wb.OpenLibrary(lib));
    EXPECT_THROW(ExplainMatch(wb, 1), std::out_of_range); // no search yet
    ASSERT_TRUE(wb.LoadQuery(lib));
    Choose({"Atoms of C", "Atoms of N", "RandicIx"});
    ASSERT_TRUE(wb.SetBestCount("10"));
    ASSERT_EQ(wb.RunSearch(), SearchOutcome::Completed);
    for (int rank : {0, 11})
        EXPECT_THROW(ExplainMatch(wb, rank), std::out_of_range) << rank;
    EXPECT_NO_THROW(ExplainMatch(wb, 10));
    // Parameters that no longer are the search's (halved deviations double every distance) give
    // other values: the explanation refuses instead of explaining a value the report does not show.
    ASSERT_NE(Trim(wb.ReportRows()[1].value), "0.0000");
    for (int i : wb.Participating())
        wb.Parameters().Set(i, wb.Parameters().Mean[static_cast<std::size_t>(i)],
                            wb.Parameters().StdDev[static_cast<std::size_t>(i)] / 2);
    EXPECT_THROW(ExplainMatch(wb, 2), IoError);
}

} // namespace
} // namespace velmora
