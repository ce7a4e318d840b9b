// The search's structural filters through RDKit: the hits are the passing subsequence of the
// library ranked whole, judged here with RDKit's own parser and matchers; the command line refuses
// bad filters before any work, naming the option.
#include "../cli/cli_support.h"
#include "interop.h"
#include "scripted.h"
#include "test_support.h"

#include "io/molfile.h"
#include "io/structlib.h"
#include "search/searchfilters.h"
#include "search/workbench.h"

#include <GraphMol/FileParsers/FileParsers.h>
#include <GraphMol/FilterCatalog/FilterCatalog.h>
#include <GraphMol/GraphMol.h>
#include <GraphMol/SmilesParse/SmilesParse.h>
#include <GraphMol/Substruct/SubstructMatch.h>
#include <gtest/gtest.h>

#include <ctime>
#include <filesystem>
#include <memory>

namespace velmora {
namespace {

const bool registered = [] {
    interop::RegisterInteropMatching();
    return true;
}();

// RDKit's judgement of one library record: nullptr when it cannot read it with sanitisation.
std::unique_ptr<RDKit::ROMol> RDKitMolecule(const TCTab& table)
{
    std::string block;
    TextWriter writer(&block);
    const std::tm when{};
    WriteMolRecord(table, writer, "", "", 0, "", &when);
    writer.Close();
    try {
        return std::unique_ptr<RDKit::ROMol>(RDKit::MolBlockToMol(block, true, true));
    } catch (const std::exception&) {
        return nullptr;
    }
}

bool Contains(const RDKit::ROMol& mol, const std::string& smarts)
{
    const std::unique_ptr<RDKit::ROMol> query(RDKit::SmartsToMol(smarts));
    RDKit::MatchVectType match;
    return RDKit::SubstructMatch(mol, *query, match);
}

class RDKitFilterSearch : public ::testing::Test {
protected:
    SearchResults Search(const SearchFilters& filters, int best)
    {
        if (lib.empty()) {
            lib = test::NciLibrary(dir, "lib", 200, true);
            EXPECT_TRUE(wb.OpenLibrary(lib));
            EXPECT_TRUE(wb.LoadQuery(lib));
        }
        test::ChooseDescriptors(wb, dialog, {"Bonds: single", "Atoms of O", "Atoms of N", "Hetero atoms"});
        wb.SetBestCount(std::to_string(best));
        wb.SetFilters(filters);
        EXPECT_EQ(wb.RunSearch(), SearchOutcome::Completed);
        return wb.Results();
    }

    test::TempDir dir;
    test::ScriptedDialog dialog;
    test::ScriptedProgress progress;
    Workbench wb{dialog, progress, dir.Path().string()};
    std::string lib;
};

TEST_F(RDKitFilterSearch, HitsAreThePassingSubsequenceAsRDKitJudgesThem)
{
    const SearchResults whole = Search({}, 200);
    ASSERT_EQ(whole.filled, 200);
    SearchFilters filters;
    filters.smarts = {"c1ccccc1", "[#8]"}; // aromatic only once RDKit perceives it from the Kekule form
    filters.notSmarts = {"[Cl,Br,I]"};
    filters.alerts = {"pains"};
    RDKit::FilterCatalogParams params;
    params.addCatalog(RDKit::FilterCatalogParams::PAINS);
    const RDKit::FilterCatalog pains(params);

    std::vector<long> passing;
    std::vector<long> removed(4, 0);
    long uncheckable = 0;
    StructureLibrary reader;
    for (int rank = 1; rank <= whole.filled; ++rank) {
        ASSERT_EQ(reader.ReadLibraryRecord(lib, whole.StructureAt(rank)), kLibOk);
        const auto mol = RDKitMolecule(reader.Structure());
        if (!mol)
            ++uncheckable;
        else if (!Contains(*mol, "c1ccccc1"))
            ++removed[0];
        else if (!Contains(*mol, "[#8]"))
            ++removed[1];
        else if (Contains(*mol, "[Cl,Br,I]"))
            ++removed[2];
        else if (pains.hasMatch(*mol))
            ++removed[3];
        else
            passing.push_back(whole.StructureAt(rank));
    }
    ASSERT_GT(passing.size(), 5u);
    ASSERT_GT(removed[0] * removed[1] * removed[2] * removed[3], 0); // every filter removes some

    for (int best : {200, 5}) {
        const SearchResults results = Search(filters, best);
        if (best == 200) {
            // The whole check: every structure was checked, each counted under the first filter it fails.
            const FilterSummary& summary = wb.LastFilterSummary();
            EXPECT_EQ(summary.checked, 200);
            EXPECT_EQ(summary.removed, removed);
            EXPECT_EQ(summary.uncheckable, uncheckable);
            EXPECT_EQ(summary.passed, static_cast<long>(passing.size()));
        }
        const std::size_t expected = std::min<std::size_t>(passing.size(), static_cast<std::size_t>(best));
        ASSERT_EQ(results.filled, static_cast<int>(expected));
        for (std::size_t r = 0; r < expected; ++r) {
            EXPECT_EQ(results.StructureAt(static_cast<int>(r + 1)), passing[r]) << "rank " << r + 1;
            // Its value is the unfiltered one, to the bit.
            for (int rank = 1; rank <= whole.filled; ++rank) {
                if (whole.StructureAt(rank) == passing[r]) {
                    EXPECT_EQ(results.best[r].value, whole.best[static_cast<std::size_t>(rank - 1)].value);
                }
            }
        }
        // The result library holds the hits; each contains its patterns and matches no alert.
        for (int rank = 1; rank <= results.filled; ++rank) {
            ASSERT_EQ(reader.ReadLibraryRecord(wb.State().SimilarLibraryFileName, rank), kLibOk);
            const auto mol = RDKitMolecule(reader.Structure());
            ASSERT_TRUE(mol);
            EXPECT_TRUE(Contains(*mol, "c1ccccc1") && Contains(*mol, "[#8]"));
            EXPECT_FALSE(Contains(*mol, "[Cl,Br,I]"));
            EXPECT_FALSE(pains.hasMatch(*mol));
        }
    }
}

// A query set's fused ranking filtered: the passing subsequence of the unfiltered fused ranking, each
// hit with its fused value, its query and that query's value as the unfiltered search gave them.
TEST_F(RDKitFilterSearch, AQuerySetsHitsAreThePassingSubsequenceOfItsFusedRanking)
{
    Search({}, 1); // opens the library
    const std::string queries = dir.File("queries.sdf");
    test::WriteBytes(queries, test::NciRecords(5, 3));
    ASSERT_TRUE(wb.LoadQuerySet(queries));
    SearchFilters filters;
    filters.smarts = {"c1ccccc1"};
    filters.notSmarts = {"[Cl,Br,I]"};
    StructureLibrary reader;
    for (Fusion fusion : {Fusion::Max, Fusion::Mean, Fusion::Rrf}) {
        wb.SetFusion(fusion);
        const SearchResults whole = Search({}, 200);
        ASSERT_EQ(whole.filled, 200);
        std::vector<BestEntry> passing;
        for (int rank = 1; rank <= whole.filled; ++rank) {
            ASSERT_EQ(reader.ReadLibraryRecord(lib, whole.StructureAt(rank)), kLibOk);
            const auto mol = RDKitMolecule(reader.Structure());
            if (mol && Contains(*mol, "c1ccccc1") && !Contains(*mol, "[Cl,Br,I]"))
                passing.push_back(whole.best[static_cast<std::size_t>(rank - 1)]);
        }
        ASSERT_GT(passing.size(), 5u);
        ASSERT_LT(passing.size(), 200u); // the filters remove some
        const SearchResults results = Search(filters, 5);
        ASSERT_EQ(results.filled, 5) << FusionTyped(fusion);
        EXPECT_EQ(results.queries, 3);
        for (std::size_t r = 0; r < 5; ++r) {
            EXPECT_EQ(results.best[r].number, passing[r].number) << FusionTyped(fusion) << " rank " << r + 1;
            EXPECT_EQ(results.best[r].value, passing[r].value);
            EXPECT_EQ(results.best[r].query, passing[r].query);
            EXPECT_EQ(results.best[r].queryValue, passing[r].queryValue);
        }
        EXPECT_EQ(wb.LastFilterSummary().passed, 5);
    }
}

// A molecule RDKit cannot sanitise (a five-bonded carbon, stored as drawn) fails the structural
// filters and is counted as not checkable; ranges still take it.
TEST(RDKitFilterErrors, AnUnsanitisableStructureIsNotCheckable)
{
    const auto matching = interop::InteropMatching();
    const auto matcher = matching.compile({"[#6]"}, {}, {});
    TCTab table;
    ASSERT_TRUE(StructureFromSmiles("C", table).empty());
    std::string block;
    {
        TextWriter writer(&block);
        WriteMolRecord(table, writer, "", "", 0, "");
        writer.Close();
    }
    EXPECT_EQ(matcher->Check(block), StructureMatcher::kPasses);
    // Methane's carbon with a charge of -5 fits no valence RDKit allows.
    std::string bad = block;
    bad.replace(bad.find("M  END"), 0, "M  CHG  1   1  -5\r\n");
    EXPECT_EQ(matcher->Check(bad), StructureMatcher::kUncheckable);
    EXPECT_EQ(matcher->Check("not a molfile"), StructureMatcher::kUncheckable);
}

TEST(RDKitFilterErrors, TheCommandRefusesBadFiltersBeforeAnyWork)
{
    test::TempDir dir;
    const std::string lib = test::NciLibrary(dir, "lib", 20, true);
    const auto stamp = std::filesystem::last_write_time(lib);
    const std::vector<std::string> base{"search", lib, lib, "--descriptors", "Atoms of O,Hetero atoms"};
    auto run = [&](std::vector<std::string> extra) {
        std::vector<std::string> args = base;
        args.insert(args.end(), extra.begin(), extra.end());
        return test::RunTool(args);
    };
    const std::vector<std::pair<std::vector<std::string>, std::string>> cases{
        {{"--smarts", "c1ccc"}, "--smarts: \"c1ccc\" is not a valid SMARTS pattern"},
        {{"--not-smarts", "[Cl"}, "--not-smarts: \"[Cl\" is not a valid SMARTS pattern"},
        {{"--alerts", "pains,toxic"}, "--alerts: no alert catalogue is named \"toxic\""},
        {{"--range", "Atoms of Q=1..2"}, "--range: no descriptor is named \"Atoms of Q\""},
        {{"--range", "Atoms of O=3..1"}, "--range: \"Atoms of O=3..1\": the lower end 3 is above the upper end 1"},
        {{"--range", "Atoms of O 1..2"}, "--range: \"Atoms of O 1..2\" is not NAME=LO..HI"},
    };
    for (const auto& [extra, message] : cases) {
        const auto result = run(extra);
        EXPECT_EQ(result.status, 2) << message;
        EXPECT_TRUE(test::Contains(result.err, message)) << result.err;
        EXPECT_FALSE(std::filesystem::exists(dir.File("lib.qlt")));
        EXPECT_FALSE(std::filesystem::exists(dir.File("libSIM.clb"))) << message;
    }
    EXPECT_EQ(std::filesystem::last_write_time(lib), stamp);

    // Without RDKit the structural filters are refused, saying so; ranges still run.
    RegisterStructureMatching({});
    const auto refused = run({"--alerts", "pains"});
    EXPECT_EQ(refused.status, 2);
    EXPECT_TRUE(test::Contains(refused.err, "--alerts: substructure and alert filters need RDKit")) << refused.err;
    const auto ranged = run({"--range", "Atoms of O=1..", "--best", "20"});
    EXPECT_EQ(ranged.status, 0) << ranged.err;
    EXPECT_TRUE(test::Contains(ranged.out, "--range Atoms of O=1..: removed ")) << ranged.out;
    interop::RegisterInteropMatching();

    // A filtered run names its filters and counts in the report.
    const auto filtered = run({"--smarts", "[#8]", "--alerts", "PAINS", "--best", "3", "--report", dir.File("rep")});
    ASSERT_EQ(filtered.status, 0) << filtered.err;
    EXPECT_TRUE(test::Contains(filtered.out, "--smarts [#8]: removed ")) << filtered.out;
    EXPECT_TRUE(test::Contains(filtered.out, "--alerts pains: removed ")) << filtered.out;
    EXPECT_TRUE(test::Contains(test::ReadBytes(dir.File("rep/report.txt")), "Looked at        : 20 structures"));
    EXPECT_TRUE(test::Contains(test::ReadBytes(dir.File("rep/report.html")), "--smarts [#8]: removed "));
}

} // namespace
} // namespace velmora
