// Filters inside the ranking, without a chemistry toolkit: option parsing, the filtered best list
// against the unfiltered one (ties, bands, both kinds of coefficient), and whole searches with
// ranges and with a stand-in matcher that tests the elements of each structure.
#include "search/searchfilters.h"

#include "base/ioerror.h"
#include "descriptors/catalogue.h"
#include "io/convert.h"
#include "io/structlib.h"
#include "graphics/recordingprinttarget.h"
#include "model/elements.h"
#include "report/reportprint.h"
#include "scripted.h"
#include "search/coefficients.h"
#include "search/workbench.h"
#include "test_support.h"
#include "workbench_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <optional>
#include <set>

namespace velmora {
namespace {

// Filters by element: a pattern "#Z" is "holds an atom of element Z"; the catalogue "pains"
// matches structures with sulphur. A structure with iodine cannot be checked. It reads the atom
// block of the molfile record it is given, as the toolkit would.
class ElementMatcher final : public StructureMatcher {
public:
    ElementMatcher(std::vector<int> required, std::vector<int> excluded, bool pains)
        : m_required(std::move(required)), m_excluded(std::move(excluded)), m_pains(pains)
    {
    }
    int Check(const std::string& block) const override
    {
        const std::set<int> elements = Elements(block);
        if (elements.count(53))
            return kUncheckable;
        int filter = 0;
        for (int z : m_required) {
            if (!elements.count(z))
                return filter;
            ++filter;
        }
        for (int z : m_excluded) {
            if (elements.count(z))
                return filter;
            ++filter;
        }
        if (m_pains && elements.count(16))
            return filter;
        return kPasses;
    }
    static std::set<int> Elements(const std::string& block)
    {
        std::vector<std::string> lines;
        std::size_t start = 0;
        while (start < block.size()) {
            const auto end = block.find('\n', start);
            lines.push_back(block.substr(start, end == std::string::npos ? std::string::npos : end - start));
            start = end == std::string::npos ? block.size() : end + 1;
        }
        std::set<int> elements;
        const int atoms = std::stoi(lines.at(3).substr(0, 3));
        for (int a = 0; a < atoms; ++a) {
            std::string symbol = lines.at(static_cast<std::size_t>(4 + a)).substr(31, 3);
            symbol.erase(symbol.find_last_not_of(' ') + 1);
            elements.insert(ElementNumber(symbol));
        }
        return elements;
    }

private:
    std::vector<int> m_required, m_excluded;
    bool m_pains;
};

int PatternElement(const std::string& pattern) { return std::stoi(pattern.substr(1)); }

StructureMatching ElementMatching()
{
    StructureMatching matching;
    matching.checkSmarts = [](const std::string& pattern) -> std::string {
        if (pattern.size() < 2 || pattern[0] != '#' || pattern.find_first_not_of("0123456789", 1) != std::string::npos)
            return "not an element";
        return {};
    };
    matching.catalogues = [] { return std::vector<std::string>{"pains"}; };
    matching.compile = [](const std::vector<std::string>& required, const std::vector<std::string>& excluded,
                          const std::vector<std::string>& catalogues) -> std::shared_ptr<const StructureMatcher> {
        std::vector<int> r, e;
        for (const auto& p : required)
            r.push_back(PatternElement(p));
        for (const auto& p : excluded)
            e.push_back(PatternElement(p));
        return std::make_shared<ElementMatcher>(r, e, !catalogues.empty());
    };
    return matching;
}

// The first filter a structure fails, numbered as the matcher numbers them; -1 passes, -2 not checkable.
int ExpectedVerdict(const TCTab& table, const std::vector<int>& required, const std::vector<int>& excluded, bool pains)
{
    std::set<int> elements;
    for (int i = 1; i <= table.NumValidAtoms; ++i)
        elements.insert(table.AtNum(i));
    if (elements.count(53))
        return -2;
    int filter = 0;
    for (int z : required) {
        if (!elements.count(z))
            return filter;
        ++filter;
    }
    for (int z : excluded) {
        if (elements.count(z))
            return filter;
        ++filter;
    }
    return pains && elements.count(16) ? filter : -1;
}

TEST(SearchFilterOptions, RangesParseWithOpenEndsAndClosedBounds)
{
    const RangeFilter both = ParseRangeFilter("Atoms of C=10..20");
    EXPECT_EQ(CatalogueName(both.descriptor), "Atoms of C");
    EXPECT_TRUE(both.Holds(10) && both.Holds(20) && both.Holds(15));
    EXPECT_FALSE(both.Holds(9.999) || both.Holds(20.001) || both.Holds(std::nan("")));
    const RangeFilter upper = ParseRangeFilter("RandicIx=..-1.5");
    EXPECT_TRUE(upper.Holds(-1e300) && upper.Holds(-1.5));
    EXPECT_FALSE(upper.Holds(-1.4));
    const RangeFilter lower = ParseRangeFilter("TopoJ= 2.5e0 .. ");
    EXPECT_TRUE(lower.Holds(2.5) && lower.Holds(1e300));
    EXPECT_FALSE(lower.Holds(2.4999));
    EXPECT_TRUE(ParseRangeFilter("Atoms of O=2..2").Holds(2));
    // The names with blanks and punctuation of the list work as listed.
    EXPECT_EQ(CatalogueName(ParseRangeFilter("COO  (not a COOH)=1..").descriptor), "COO  (not a COOH)");
}

TEST(SearchFilterOptions, BadRangesAndCataloguesNameTheOption)
{
    auto message = [](auto parse) {
        try {
            parse();
        } catch (const FilterError& error) {
            return std::string(error.what());
        }
        return std::string("accepted");
    };
    const std::vector<std::pair<std::string, std::string>> ranges{
        {"Atoms of C=5..2", "lower end 5 is above the upper end 2"},
        {"Atomz of C=1..2", "no descriptor is named \"Atomz of C\""},
        {"Atoms of C", "is not NAME=LO..HI"},
        {"Atoms of C=1-2", "is not NAME=LO..HI"},
        {"Atoms of C=x..2", "must be numbers"},
        {"Atoms of C=1..inf", "must be numbers"},
        {"Atoms of C=..", "give at least one end"},
    };
    for (const auto& [text, part] : ranges) {
        const std::string why = message([&] { ParseRangeFilter(text); });
        EXPECT_EQ(why.rfind("--range: ", 0), 0u) << text << ": " << why;
        EXPECT_TRUE(test::Contains(why, part)) << text << ": " << why;
    }
    EXPECT_EQ(ParseAlertList(" PAINS, brenk ,pains"), (std::vector<std::string>{"pains", "brenk"}));
    EXPECT_TRUE(test::Contains(message([] { ParseAlertList("pains,toxic"); }), "--alerts: no alert catalogue is named \"toxic\""));
    EXPECT_TRUE(test::Contains(message([] { ParseAlertList("pains,"); }), "--alerts:"));

    // Without a registered matcher the structural filters are refused, naming the option; ranges are not.
    RegisterStructureMatching({});
    SearchFilters filters;
    filters.ranges.push_back(ParseRangeFilter("Atoms of C=1.."));
    EXPECT_EQ(message([&] { CheckStructuralFilters(filters); }), "accepted");
    filters.notSmarts = {"[#7]"};
    const std::string why = message([&] { CheckStructuralFilters(filters); });
    EXPECT_EQ(why.rfind("--not-smarts: ", 0), 0u) << why;
    EXPECT_TRUE(test::Contains(why, "need RDKit")) << why;
}

// Every descriptor a range may name is in the stored record: NORMAL mode needs no INTRO values.
TEST(SearchFilterOptions, EveryDescriptorIsStored)
{
    for (int i = 0; i < kCatalogueSize; ++i) {
        if (IsDescriptor(i)) {
            EXPECT_NE(StoredDescriptorFieldOf(i).kind, StoredDescriptorField::Kind::None) << CatalogueName(i);
        }
    }
}

class FilteredRankingTest : public ::testing::Test {
protected:
    // Each of 60 structures twice in a row, so that a structure often ties with itself.
    void SetUp() override
    {
        std::string sd;
        for (int r = 1; r <= kCount / 2; ++r)
            sd += test::NciRecords(r, 1) + test::NciRecords(r, 1);
        test::WriteBytes(dir.File("lib.sdf"), sd);
        lib = dir.File("lib.clb");
        NullProgress quiet;
        ASSERT_TRUE(ImportStructures(library, dir.File("lib.sdf"), kCount, lib, ConversionMode::WriteAnew, quiet).Completed());
        for (long k = 1; k <= kCount; ++k) {
            ASSERT_EQ(library.ReadLibraryRecord(lib, k), kLibOk);
            tables.push_back(library.Structure());
        }
    }
    void TearDown() override { RegisterStructureMatching({}); }

    static constexpr long kCount = 120;
    test::TempDir dir;
    std::string lib;
    StructureLibrary library;
    std::vector<TCTab> tables;
};

// The filtered list is the passing subsequence of the unfiltered one, whatever the band size
// (bands of 3 make many passes over the spill file), with ties kept in library order, values the
// best list never takes (0 for a similarity, the start value for a distance) left out, and every
// structure counted under the first filter it fails. A query set's lines keep their query and its
// value, and its fused order may be the other way round from the coefficient's.
TEST_F(FilteredRankingTest, PassingSubsequenceOfTheUnfilteredRanking)
{
    const std::vector<int> required{8}, excluded{17};
    SearchFilters filters;
    filters.ranges.push_back(ParseRangeFilter("Atoms of C=1.."));
    filters.smarts = {"#8"};
    filters.notSmarts = {"#17"};
    filters.alerts = {"pains"};
    const auto matcher = ElementMatching().compile(filters.smarts, filters.notSmarts, filters.alerts);
    for (int coefficient : {static_cast<int>(kTanimoto), static_cast<int>(kEuclidean)})
        for (int order : {0, 1, 2}) // the coefficient's; a fused one, the same; a fused one, the other way
        for (std::size_t band : {std::size_t{3}, std::size_t{7}, std::size_t{0}})
            for (int best : {1, 5, 200}) {
                SCOPED_TRACE("coefficient " + std::to_string(coefficient) + ", order " + std::to_string(order) +
                             ", band " + std::to_string(band) + ", best " + std::to_string(best));
                const bool smaller = SmallerIsBetter(coefficient) == (order < 2);
                const std::optional<bool> fused = order == 0 ? std::nullopt : std::optional<bool>(smaller);
                // Few distinct values: many ties; a few values the list never takes.
                // The two copies of a structure tie with each other.
                auto valueOf = [&](long k) {
                    const long structure = (k + 1) / 2;
                    if (structure % 17 == 0)
                        return SmallerIsBetter(coefficient) ? DistanceStartValue() : 0.0f;
                    return 0.25f * static_cast<float>((structure * 7) % 5) + 0.5f;
                };
                auto rangeOf = [](long k) { return k % 11 == 0 ? 0 : -1; };
                BestRanking plain(coefficient, kMaxBestCount, smaller);
                FilteredRanking filtered(filters, matcher, coefficient, best, dir.Path().string(), band, fused);
                for (long k = 1; k <= kCount; ++k) {
                    const int query = order == 0 ? 0 : static_cast<int>(k % 3);
                    const float queryValue = order == 0 ? valueOf(k) : 0.125f * static_cast<float>(k);
                    plain.Offer(k, valueOf(k), query, queryValue);
                    if (order == 0)
                        filtered.Offer(k, valueOf(k), rangeOf(k));
                    else
                        filtered.Offer(k, valueOf(k), rangeOf(k), query, queryValue);
                }
                SearchResults results;
                FilterSummary summary;
                test::ScriptedProgress progress;
                ASSERT_TRUE(filtered.Finish(lib, progress, results, summary));

                const SearchResults& all = plain.Results();
                ASSERT_LT(all.filled, kMaxBestCount); // the whole library ranked
                std::vector<BestEntry> expected;
                std::vector<long> removed(4, 0);
                long checked = 0, uncheckable = 0;
                for (int rank = 1; rank <= all.filled && static_cast<int>(expected.size()) < best; ++rank) {
                    const long k = all.StructureAt(rank);
                    if (rangeOf(k) >= 0) {
                        ++removed[0];
                        continue;
                    }
                    ++checked;
                    const int verdict = ExpectedVerdict(tables[static_cast<std::size_t>(k - 1)], required, excluded, true);
                    if (verdict == -1)
                        expected.push_back(all.best[static_cast<std::size_t>(rank - 1)]);
                    else if (verdict == -2)
                        ++uncheckable;
                    else
                        ++removed[1 + static_cast<std::size_t>(verdict)];
                }
                ASSERT_EQ(results.filled, static_cast<int>(expected.size()));
                for (std::size_t r = 0; r < expected.size(); ++r) {
                    EXPECT_EQ(results.best[r].number, expected[r].number) << "rank " << r + 1;
                    EXPECT_EQ(std::memcmp(&results.best[r].value, &expected[r].value, sizeof(float)), 0);
                    EXPECT_EQ(results.best[r].query, expected[r].query);
                    EXPECT_EQ(results.best[r].queryValue, expected[r].queryValue);
                }
                EXPECT_EQ(results.MaxValue, all.MaxValue);
                EXPECT_EQ(results.lines, kCount);
                // Ranges are counted over every line; the structural filters over those checked.
                long rangeFailures = 0;
                for (long k = 1; k <= kCount; ++k)
                    rangeFailures += rangeOf(k) >= 0;
                EXPECT_EQ(summary.removed[0], rangeFailures);
                EXPECT_EQ(summary.checked, checked);
                EXPECT_EQ(summary.uncheckable, uncheckable);
                EXPECT_EQ(std::vector<long>(summary.removed.begin() + 1, summary.removed.end()),
                          std::vector<long>(removed.begin() + 1, removed.end()));
                EXPECT_EQ(summary.passed, results.filled);
            }
    // The spill file had no name: nothing is left in the folder.
    std::set<std::string> left;
    for (const auto& entry : std::filesystem::directory_iterator(dir.Path()))
        left.insert(entry.path().extension().string());
    EXPECT_EQ(left, (std::set<std::string>{".sdf", ".clb", ".III", ".lock"}));
}

class FilteredSearchTest : public test::WorkbenchFixture {
protected:
    void TearDown() override { RegisterStructureMatching({}); }

    // The library's first structure as the query, three descriptors, the given filters.
    SearchResults Search(const SearchFilters& filters, int best, const std::string& mode = "normal")
    {
        if (lib.empty()) {
            lib = test::NciLibrary(dir, "lib", kCount, true);
            EXPECT_TRUE(wb.OpenLibrary(lib));
            EXPECT_TRUE(wb.LoadQuery(lib));
        }
        if (mode == "intro" && wb.State().Mode != DescriptorMode::Intro) {
            wb.SetIntroMode();
            wb.CalculateLibraryParameters();
        }
        Choose({"Bonds: single", "Atoms of O", "Hetero atoms", "RandicIx"});
        wb.SetBestCount(std::to_string(best));
        wb.SetFilters(filters);
        EXPECT_EQ(wb.RunSearch(), SearchOutcome::Completed);
        return wb.Results();
    }

    static constexpr long kCount = 200;
    std::string lib;
};

// Ranges alone need no toolkit. The hits are the passing subsequence of the library ranked whole,
// with the same 4-byte values; the histogram and the maximum are those of every value; the result
// library holds the hits; both ends of the range are kept.
TEST_F(FilteredSearchTest, RangesKeepThePassingSubsequenceInBothModes)
{
    const SearchResults whole = Search({}, 200);
    ASSERT_EQ(whole.filled, 200);
    EXPECT_FALSE(wb.LastFilterSummary().active);
    SearchFilters filters;
    filters.ranges = {ParseRangeFilter("Atoms of O=1..3"), ParseRangeFilter("RandicIx=..8")};
    for (const std::string mode : {"normal", "intro"}) {
        SCOPED_TRACE(mode);
        const SearchResults reference = mode == "normal" ? whole : Search({}, 200, mode);
        const SearchResults results = Search(filters, 30, mode);
        EXPECT_EQ(wb.State().Mode, mode == "intro" ? DescriptorMode::Intro : DescriptorMode::Normal);
        std::vector<BestEntry> expected;
        bool lowEnd = false, highEnd = false;
        long outside = 0;
        StructureLibrary reader;
        for (int rank = 1; rank <= reference.filled; ++rank) {
            ASSERT_EQ(reader.ReadLibraryRecord(lib, reference.StructureAt(rank)), kLibOk);
            const auto values = ComputeDescriptorValues(reader.Structure());
            const double oxygen = values[static_cast<std::size_t>(test::DescriptorIndex("Atoms of O"))];
            const double randic = values[static_cast<std::size_t>(test::DescriptorIndex("RandicIx"))];
            if (oxygen < 1 || oxygen > 3 || randic > 8) {
                ++outside;
                continue;
            }
            if (static_cast<int>(expected.size()) < 30) {
                expected.push_back(reference.best[static_cast<std::size_t>(rank - 1)]);
                lowEnd = lowEnd || oxygen == 1;
                highEnd = highEnd || oxygen == 3;
            }
        }
        EXPECT_TRUE(lowEnd && highEnd); // the data reach both ends
        ASSERT_EQ(results.filled, static_cast<int>(expected.size()));
        for (std::size_t r = 0; r < expected.size(); ++r) {
            EXPECT_EQ(results.best[r].number, expected[r].number);
            EXPECT_EQ(std::memcmp(&results.best[r].value, &expected[r].value, sizeof(float)), 0);
        }
        EXPECT_EQ(results.histogram, reference.histogram);
        EXPECT_EQ(results.MaxValue, reference.MaxValue);
        const FilterSummary& summary = wb.LastFilterSummary();
        EXPECT_TRUE(summary.active);
        EXPECT_EQ(summary.compared, 200);
        EXPECT_EQ(summary.removed[0] + summary.removed[1], outside);
        for (int rank = 1; rank <= results.filled; ++rank)
            EXPECT_EQ(test::LibraryStructureName(wb.State().SimilarLibraryFileName, rank),
                      test::LibraryStructureName(lib, results.StructureAt(rank)));
    }
}

// Structural filters in a whole search, and a report that says plainly when fewer than N pass.
TEST_F(FilteredSearchTest, StructuralFiltersAndTheReport)
{
    RegisterStructureMatching(ElementMatching());
    const SearchResults whole = Search({}, 200);
    SearchFilters filters;
    filters.smarts = {"#7"};
    filters.alerts = {"pains"};
    CheckStructuralFilters(filters);
    const SearchResults results = Search(filters, 200);
    StructureLibrary reader;
    std::vector<float> expected;
    long removedN = 0, removedS = 0;
    for (int rank = 1; rank <= whole.filled; ++rank) {
        ASSERT_EQ(reader.ReadLibraryRecord(lib, whole.StructureAt(rank)), kLibOk);
        const int verdict = ExpectedVerdict(reader.Structure(), {7}, {}, true);
        if (verdict == -1)
            expected.push_back(whole.best[static_cast<std::size_t>(rank - 1)].number);
        removedN += verdict == 0;
        removedS += verdict == 1;
    }
    ASSERT_GT(expected.size(), 10u);
    ASSERT_LT(expected.size(), 200u);
    ASSERT_EQ(results.filled, static_cast<int>(expected.size()));
    for (std::size_t r = 0; r < expected.size(); ++r)
        EXPECT_EQ(results.best[r].number, expected[r]);
    const FilterSummary& summary = wb.LastFilterSummary();
    EXPECT_EQ(summary.removed, (std::vector<long>{removedN, removedS}));
    EXPECT_FALSE(summary.moreUnchecked);
    bool said = false;
    for (const auto& [label, value] : wb.ReportInput())
        said = said || test::Contains(value, "only " + std::to_string(expected.size()) +
                                                 " structures pass the filters, fewer than the 200 asked for");
    EXPECT_TRUE(said);
    // The printed report names the filters between the input and the output.
    RecordingPrintTarget printer(2480, 3508);
    PrintSearchReport(printer, MakeReportPrintData(wb), ReportStyle::Table);
    const PrintEvent* filterLine = printer.FindText("Filters: 2 filters");
    const PrintEvent* passedLine = printer.FindText("Passed: only ");
    const PrintEvent* output = printer.FindText("OUTPUT:");
    ASSERT_TRUE(filterLine && passedLine && output);
    EXPECT_LT(filterLine->y, passedLine->y);
    EXPECT_LT(passedLine->y, output->y);
    EXPECT_TRUE(printer.FindText("    --smarts #7: removed " + std::to_string(removedN) + " of "));

    // The best 3 stop the check early: the rest is not checked and the report says so.
    Search(filters, 3);
    EXPECT_EQ(wb.Results().filled, 3);
    EXPECT_TRUE(wb.LastFilterSummary().moreUnchecked);
    EXPECT_LT(wb.LastFilterSummary().checked, 200);
    // No temporary file is left beside the library.
    for (const auto& entry : std::filesystem::directory_iterator(dir.Path())) {
        EXPECT_NE(entry.path().extension(), ".qlt");
        EXPECT_EQ(entry.path().filename().string().find(".velmora-filters"), std::string::npos);
    }
}

} // namespace
} // namespace velmora
