// The search's options together: query sets over library sets and from them, filters inside a query
// set's ranking, compare over library sets, and the options compare refuses. Each against the plain
// search it must equal: the combined library, the unfiltered ranking, the single search.
#include "cli_support.h"
#include "process_support.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <cctype>
#include <filesystem>
#include <map>
#include <set>
#include <sstream>

namespace velmora {
namespace {

namespace fs = std::filesystem;
using test::Contains;
using test::RunTool;

constexpr const char* kDescriptors = "Bonds: single,Bonds: double,Hetero atoms"; // NORMAL and INTRO

// A search table's row without its rank: position, value, then the rest with the Library column
// (when there is one) left out.
struct Row {
    long position = 0;
    std::string text;
    bool operator==(const Row&) const = default;
};

std::vector<Row> Rows(const std::string& out, bool* libraryColumn = nullptr, bool* queryColumn = nullptr)
{
    std::vector<Row> rows;
    std::istringstream in(out);
    bool table = false, library = false;
    for (std::string line; std::getline(in, line);) {
        if (line.rfind("  Rank  Position  ", 0) == 0) {
            table = true;
            library = Contains(line, "  Library  ");
            if (libraryColumn)
                *libraryColumn = library;
            if (queryColumn)
                *queryColumn = Contains(line, "  Query  ");
            continue;
        }
        if (table && line.empty())
            break;
        if (!table || line.find_first_not_of(' ') == std::string::npos ||
            !std::isdigit(static_cast<unsigned char>(line[line.find_first_not_of(' ')])))
            continue; // not a row: "(28 of 200 ranks filled)"
        std::istringstream fields(line);
        std::string rank, member, word;
        Row row;
        fields >> rank >> row.position;
        if (library)
            fields >> member;
        while (fields >> word)
            row.text += word + " ";
        rows.push_back(row);
    }
    return rows;
}

class Combinations : public ::testing::Test {
protected:
    void SetUp() override
    {
        // Duplicates across the members make ties that only set order can break.
        const std::string first = test::NciRecords(1, 24) + test::NciRecords(3, 4);
        const std::string second = test::NciRecords(40, 30) + test::NciRecords(1, 3);
        whole = test::ImportInto(dir, "whole", first + second);
        a = test::ImportInto(dir, "a", first);
        b = test::ImportInto(dir, "b", second);
        set = dir.File("ab.vset");
        test::WriteBytes(set, "a.clb\nb.clb\n");
        for (const std::string& library : {whole, set})
            ASSERT_EQ(RunTool({"build", library}).status, 0) << library;
        queries = test::ImportInto(dir, "queries", test::NciRecords(3, 1) + test::NciRecords(50, 2));
        q1 = test::ImportInto(dir, "q1", test::NciRecords(3, 1));
        q2 = test::ImportInto(dir, "q2", test::NciRecords(50, 2));
        querySet = dir.File("queries.vset");
        test::WriteBytes(querySet, "q1.clb\n\nq2.clb\n");
    }
    test::CliRun Search(const std::string& library, std::vector<std::string> more)
    {
        std::vector<std::string> args{"search", library};
        args.insert(args.end(), more.begin(), more.end());
        for (const char* option : {"--descriptors", kDescriptors, "--yes"})
            args.push_back(option);
        return RunTool(args);
    }
    test::TempDir dir;
    std::string whole, a, b, set, queries, q1, q2, querySet;
};

TEST_F(Combinations, AQuerySetOverALibrarySetRanksAsTheCombinedLibrary)
{
    for (const char* mode : {"normal", "intro"})
        for (const char* fusion : {"max", "mean", "rrf"})
            for (const char* coefficient : {"euclidean", "tanimoto"}) {
                const std::string what = std::string(mode) + " " + fusion + " " + coefficient;
                const std::vector<std::string> options{"--queries", queries, "--fusion", fusion, "--mode", mode,
                                                       "--coefficient", coefficient, "--best", "40"};
                const auto combined = Search(whole, options);
                ASSERT_EQ(combined.status, 0) << what << combined.err;
                const auto ofSet = Search(set, options);
                ASSERT_EQ(ofSet.status, 0) << what << ofSet.err;
                bool library = false, query = false;
                const auto rows = Rows(ofSet.out, &library, &query);
                EXPECT_TRUE(library && query) << what << ofSet.out;
                ASSERT_EQ(rows.size(), 40u) << what;
                EXPECT_EQ(rows, Rows(combined.out)) << what;
                // The queries read from a set of libraries are those of one library holding them.
                std::vector<std::string> fromSet = options;
                fromSet[1] = querySet;
                const auto setQueries = Search(set, fromSet);
                ASSERT_EQ(setQueries.status, 0) << what << setQueries.err;
                EXPECT_TRUE(Contains(setQueries.out, "Query set        : " + querySet)) << setQueries.out;
                EXPECT_EQ(Rows(setQueries.out), rows) << what;
            }
    // A set of queries naming a missing library is refused before any work.
    const std::string broken = dir.File("broken.vset");
    test::WriteBytes(broken, "q1.clb\nnone.clb\n");
    const auto refused = Search(whole, {"--queries", broken});
    EXPECT_EQ(refused.status, 1);
    EXPECT_TRUE(Contains(refused.err, broken + ", line 2: none.clb: no such library")) << refused.err;
    EXPECT_EQ(refused.out, "");
}

// The filtered fused ranking is the unfiltered one with the failing structures taken out: the same
// values (reciprocal ranks among them: those of the unfiltered per-query rankings), the same order.
TEST_F(Combinations, FiltersKeepTheFusedRankingsPassingSubsequence)
{
    const std::string range = "Atoms of N=1..";
    for (const std::string& library : {whole, set})
        for (const char* mode : {"normal", "intro"}) {
            // The structures that pass, as the single search's filter finds them.
            const auto single = Search(library, {q1, "--mode", mode, "--best", "200", "--range", range});
            ASSERT_EQ(single.status, 0) << single.err;
            std::set<long> passing;
            for (const Row& row : Rows(single.out))
                passing.insert(row.position);
            ASSERT_GT(passing.size(), 10u);
            ASSERT_LT(passing.size(), 50u);
            for (const char* fusion : {"max", "mean", "rrf"}) {
                const std::string what = library + " " + mode + " " + fusion;
                const auto all = Search(library, {"--queries", queries, "--fusion", fusion, "--mode", mode, "--best", "200"});
                ASSERT_EQ(all.status, 0) << what << all.err;
                const auto unfiltered = Rows(all.out);
                ASSERT_GT(unfiltered.size(), 50u) << what; // the whole library (best 200)
                std::vector<Row> expected;
                for (const Row& row : unfiltered)
                    if (passing.count(row.position))
                        expected.push_back(row);
                for (const char* best : {"5", "200"}) {
                    const auto filtered = Search(library, {"--queries", queries, "--fusion", fusion, "--mode", mode,
                                                           "--best", best, "--range", range});
                    ASSERT_EQ(filtered.status, 0) << what << filtered.err;
                    const auto rows = Rows(filtered.out);
                    const std::size_t count = std::min<std::size_t>(std::stoul(best), expected.size());
                    ASSERT_EQ(rows.size(), count) << what << filtered.out;
                    EXPECT_TRUE(std::equal(rows.begin(), rows.end(), expected.begin())) << what << filtered.out;
                    EXPECT_TRUE(Contains(filtered.out, "--range " + range + ": removed " +
                                                           std::to_string(unfiltered.size() - passing.size())))
                        << filtered.out;
                    EXPECT_TRUE(Contains(filtered.out, std::string(best) == "5" ? "the best 5 that pass the filters"
                                                                                : "fewer than the 200 asked for"))
                        << filtered.out;
                }
            }
        }
}

TEST_F(Combinations, CompareOverLibrarySetsGivesTheRowsOfTheCombinedLibraries)
{
    for (const char* mode : {"normal", "intro"}) {
        const std::string pairsOfSets = dir.File("sets.tsv"), pairsOfWhole = dir.File("whole.tsv");
        const auto ofSets = RunTool({"compare", querySet, set, "--descriptors", kDescriptors, "--k", "4", "--mode", mode,
                                     "--pairs", pairsOfSets, "--yes"});
        ASSERT_EQ(ofSets.status, 0) << ofSets.err;
        const auto ofWhole = RunTool({"compare", queries, whole, "--descriptors", kDescriptors, "--k", "4", "--mode",
                                      mode, "--pairs", pairsOfWhole, "--yes"});
        ASSERT_EQ(ofWhole.status, 0) << ofWhole.err;
        const std::string rows = test::ReadBytes(pairsOfSets);
        EXPECT_EQ(rows, test::ReadBytes(pairsOfWhole)) << mode;
        // The first A structure's rows are the single search of it in the set.
        const auto single = Search(set, {q1, "--mode", mode, "--best", "4"});
        ASSERT_EQ(single.status, 0) << single.err;
        std::istringstream in(rows);
        std::string line;
        std::getline(in, line); // the header
        for (const Row& row : Rows(single.out)) {
            ASSERT_TRUE(std::getline(in, line)) << rows;
            std::istringstream fields(line);
            std::string aPosition, aName, rank, bName, value;
            long bPosition = 0;
            fields >> aPosition >> aName >> rank >> bPosition >> bName >> value;
            EXPECT_EQ(aPosition, "1");
            EXPECT_EQ(bPosition, row.position) << line;
            EXPECT_EQ(value + " ", row.text.substr(0, value.size() + 1)) << line;
        }
    }
}

// With ranges only B's structures within them take part: each A structure's rows are its search with
// those ranges, and the structures outside are neither similar nor dissimilar.
TEST_F(Combinations, CompareWithRangesGivesTheRowsOfTheFilteredSearch)
{
    const std::vector<std::string> ranges{"--range", "Atoms of N=1..", "--range", "Atoms of C=..14"};
    for (const char* mode : {"normal", "intro"}) {
        std::vector<std::string> args{"compare", querySet, set, "--descriptors", kDescriptors, "--k", "6", "--mode", mode,
                                      "--pairs", dir.File("r.tsv"), "--similar", dir.File("near.clb"), "--dissimilar",
                                      dir.File("far.clb"), "--threshold", "0.8", "--yes"};
        args.insert(args.end(), ranges.begin(), ranges.end());
        const auto run = RunTool(args);
        ASSERT_EQ(run.status, 0) << run.err;
        EXPECT_TRUE(Contains(run.out, "within --range Atoms of N=1.., --range Atoms of C=..14 take part")) << run.out;
        std::istringstream in(test::ReadBytes(dir.File("r.tsv")));
        std::string line;
        std::getline(in, line); // the header
        std::map<std::string, std::vector<std::pair<long, std::string>>> rows; // per A position
        while (std::getline(in, line)) {
            std::istringstream fields(line);
            std::string aPosition, aName, rank, bName, value;
            long bPosition = 0;
            fields >> aPosition >> aName >> rank >> bPosition >> bName >> value;
            rows[aPosition].emplace_back(bPosition, value);
        }
        ASSERT_EQ(rows.size(), 3u);
        for (const auto& [position, query] : {std::pair{"1", q1}, std::pair{"2", q2}}) {
            std::vector<std::string> more{query, "--mode", mode, "--best", "6"};
            more.insert(more.end(), ranges.begin(), ranges.end());
            const auto single = Search(set, more);
            ASSERT_EQ(single.status, 0) << single.err;
            std::vector<std::pair<long, std::string>> expected;
            for (const Row& row : Rows(single.out))
                expected.emplace_back(row.position, row.text.substr(0, row.text.find(' ')));
            EXPECT_EQ(rows.at(position), expected) << mode << " A " << position;
        }
        // Similar and dissimilar together: the structures within the ranges.
        std::vector<std::string> more{q1, "--mode", mode, "--best", "200"};
        more.insert(more.end(), ranges.begin(), ranges.end());
        const auto passing = Rows(Search(set, more).out).size();
        ASSERT_GT(passing, 6u);
        ASSERT_LT(passing, 50u);
        long split = 0; // "N structures of SET with a value <= T ...", "M structures of SET beyond T ..."
        std::istringstream printed(run.out);
        for (std::string said; std::getline(printed, said);)
            if (!said.empty() && std::isdigit(static_cast<unsigned char>(said[0])) && Contains(said, " structures of " + set + " "))
                split += std::stol(said);
        EXPECT_EQ(split, static_cast<long>(passing)) << mode << run.out;
    }
}

TEST_F(Combinations, CompareRefusesFiltersAndOutputsOntoASetsMembers)
{
    const std::string other = dir.File("other.vset"); // an existing set is no library to write
    test::WriteBytes(other, "b.clb\n");
    const auto before = test::LibraryFiles(a);
    struct Case {
        std::vector<std::string> more;
        int status;
        std::string message;
    };
    const std::vector<Case> cases{
        {{"--pairs", dir.File("p.tsv"), "--smarts", "c1ccccc1"}, 2, "--smarts cannot be used with compare"},
        {{"--pairs", dir.File("p.tsv"), "--not-smarts", "N"}, 2, "--not-smarts cannot be used with compare"},
        {{"--pairs", dir.File("p.tsv"), "--alerts", "pains"}, 2, "--alerts cannot be used with compare"},
        {{"--pairs", dir.File("p.tsv"), "--range", "Atoms of X=1.."}, 2, "--range: no descriptor is named \"Atoms of X\""},
        {{"--pairs", dir.File("p.tsv"), "--range", "Atoms of N=3..1"}, 2, "--range"},
        {{"--pairs", dir.File("a.pre")}, 1, dir.File("a.pre") + ": is a file of the library "},
        {{"--pairs", dir.File("p.tsv"), "--similar", a, "--threshold", "1"}, 1, a + ": is a file of the library "},
        {{"--pairs", dir.File("p.tsv"), "--dissimilar", q2, "--threshold", "1"}, 1, q2 + ": is a file of the library "},
        {{"--pairs", dir.File("p.tsv"), "--similar", other, "--threshold", "1"}, 1,
         other + ": a library set cannot be written; name a library (NAME.clb)"},
    };
    for (const Case& c : cases) {
        std::vector<std::string> args{"compare", querySet, set, "--descriptors", kDescriptors};
        args.insert(args.end(), c.more.begin(), c.more.end());
        const auto run = RunTool(args);
        EXPECT_EQ(run.status, c.status) << c.message << "\n" << run.err;
        EXPECT_TRUE(Contains(run.err, c.message)) << run.err;
        EXPECT_FALSE(fs::exists(dir.File("p.tsv")));
    }
    EXPECT_EQ(test::LibraryFiles(a), before);
    EXPECT_EQ(test::ReadBytes(other), "b.clb\n");
    EXPECT_FALSE(fs::exists(dir.File("other.lock")));
}

} // namespace
} // namespace velmora
