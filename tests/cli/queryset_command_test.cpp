// velmora-cli search --queries: the set's rows against single searches with its queries, the
// report and export of a set's search, and the refusals, all before any file is touched.
#include "cli_support.h"
#include "test_support.h"

#include "search/libparams.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <map>
#include <sstream>

namespace velmora {
namespace {

namespace fs = std::filesystem;
using test::Contains;
using test::RunTool;

// Position -> value text of every table row in the search output.
std::map<long, std::string> RowValues(const std::string& out, std::map<long, std::string>* queries = nullptr)
{
    std::map<long, std::string> values;
    std::istringstream in(out);
    bool table = false;
    for (std::string line; std::getline(in, line);) {
        if (Contains(line, "  Rank  Position  ")) {
            table = true;
            continue;
        }
        if (!table || line.empty())
            break;
        std::istringstream fields(line);
        long rank = 0, position = 0;
        std::string value, query;
        fields >> rank >> position >> value >> query;
        values[position] = value;
        if (queries)
            (*queries)[position] = query;
    }
    return values;
}

// Every file of the folder with its size and time: what a refused command must leave alone.
std::map<std::string, std::pair<std::uintmax_t, fs::file_time_type>> Folder(const test::TempDir& dir)
{
    std::map<std::string, std::pair<std::uintmax_t, fs::file_time_type>> files;
    for (const auto& entry : fs::directory_iterator(dir.Path()))
        if (entry.is_regular_file() && entry.path().extension() != ".lock")
            files[entry.path().filename().string()] = {entry.file_size(), entry.last_write_time()};
    return files;
}

class QuerySetCommandTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        lib = test::ImportInto(dir, "lib", test::NciRecords(1, 30) + test::NciRecords(3, 6));
        ASSERT_EQ(RunTool({"build", lib}).status, 0);
        for (int first : {50, 3, 77}) {
            queries.push_back(dir.File("q" + std::to_string(first) + ".sdf"));
            test::WriteBytes(queries.back(), test::NciRecords(first, 1));
        }
        set = dir.File("set.sdf");
        test::WriteBytes(set, test::NciRecords(50, 1) + test::NciRecords(3, 1) + test::NciRecords(77, 1));
    }
    test::CliRun Search(const std::string& query, const std::vector<std::string>& extra)
    {
        std::vector<std::string> args{"search", lib};
        if (!query.empty())
            args.push_back(query);
        for (const char* more : {"--descriptors", "Atoms of C,Atoms of N,Bonds: single,Bonds: double"})
            args.push_back(more);
        args.insert(args.end(), extra.begin(), extra.end());
        return RunTool(args);
    }
    test::TempDir dir;
    std::string lib, set;
    std::vector<std::string> queries;
};

TEST_F(QuerySetCommandTest, MaxRowsAreTheBestOfTheSingleSearchesAndNameTheirQuery)
{
    for (const char* coefficient : {"manhattan", "tanimoto"}) {
        const bool distance = std::string(coefficient) == "manhattan";
        std::map<long, std::pair<double, int>> best; // position -> best value, first query giving it
        std::map<long, std::string> bestText;
        for (int q = 0; q < 3; ++q) {
            const auto run = Search(queries[static_cast<std::size_t>(q)], {"--coefficient", coefficient, "--best", "200"});
            ASSERT_EQ(run.status, 0) << run.err;
            for (const auto& [position, text] : RowValues(run.out)) {
                const double value = std::strtod(text.c_str(), nullptr);
                const auto found = best.find(position);
                if (found == best.end() || (distance ? value < found->second.first : value > found->second.first)) {
                    best[position] = {value, q};
                    bestText[position] = text;
                }
            }
        }
        const auto run = Search("", {"--queries", set, "--coefficient", coefficient, "--best", "200"});
        ASSERT_EQ(run.status, 0) << run.err;
        EXPECT_TRUE(Contains(run.out, "Fusion: max of 3 queries")) << run.out;
        std::map<long, std::string> queryOf;
        const auto rows = RowValues(run.out, &queryOf);
        ASSERT_EQ(rows.size(), best.size()) << run.out;
        for (const auto& [position, text] : rows) {
            EXPECT_EQ(text, bestText.at(position)) << coefficient << " position " << position;
            const std::string name = test::NciRecords(std::vector<int>{50, 3, 77}[static_cast<std::size_t>(best.at(position).second)], 1);
            EXPECT_EQ(name.substr(0, name.find_first_of(" \r")), queryOf.at(position)) << position;
        }
    }
}

TEST_F(QuerySetCommandTest, ReportExportAndUnreadableRecords)
{
    // The second record cannot be read: it is listed, and the search goes on with the others.
    std::string bad = test::kMethaneRecord;
    bad.replace(bad.find("  1  0  0"), 9, "999  0  0");
    const std::string mixed = dir.File("mixed.sdf");
    test::WriteBytes(mixed, test::NciRecords(50, 1) + bad + test::NciRecords(3, 1));
    const std::string report = dir.File("report"), hits = dir.File("hits.sdf");
    const auto run = Search("", {"--queries", mixed, "--fusion", "mean", "--best", "4", "--report", report, "--export", hits});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_TRUE(Contains(run.err, mixed + ": record 2: ")) << run.err;
    EXPECT_TRUE(Contains(run.out, "Fusion: mean of 2 queries")) << run.out;
    const std::string text = test::ReadBytes(fs::path(report) / "report.txt");
    EXPECT_TRUE(Contains(text, "Query         CAS-Nr")) << text;
    EXPECT_TRUE(Contains(text, "Fusion: mean of 2 queries")) << text;
    EXPECT_TRUE(Contains(test::ReadBytes(fs::path(report) / "report.html"), "<th>Query</th>"));
    const std::string exported = test::ReadBytes(hits);
    EXPECT_TRUE(Contains(exported, "> <SIMILARITY_FUSION>\r\nmean\r\n")) << exported.substr(0, 2000);
    EXPECT_TRUE(Contains(exported, "> <SIMILARITY_QUERY>\r\n"));
}

TEST_F(QuerySetCommandTest, RefusalsNameTheOptionOrTheFileAndChangeNothing)
{
    const std::string empty = dir.File("empty.sdf");
    test::WriteBytes(empty, "");
    const auto before = Folder(dir);
    struct Case {
        std::string query;
        std::vector<std::string> extra;
        int status;
        std::string message;
    };
    const std::vector<Case> cases{
        {queries[0], {"--queries", set}, 2, "give the query as a file QUERY, as --query-smiles SMILES or as a set --queries FILE"},
        {"", {"--queries", set, "--query-smiles", "CCO"}, 2, "(one of them)"},
        {"", {"--queries", set, "--fusion", "sum"}, 2, "--fusion takes max, mean or rrf, not 'sum'"},
        {queries[0], {"--fusion", "max"}, 2, "--fusion needs a query set (--queries FILE)"},
        {"", {"--queries", dir.File("none.sdf")}, 1, dir.File("none.sdf") + ": no such file"},
        {"", {"--queries", empty}, 1, empty + ": holds no structure that can be used as a query"},
    };
    for (const Case& c : cases) {
        const auto run = Search(c.query, c.extra);
        EXPECT_EQ(run.status, c.status) << c.message << "\n" << run.err;
        EXPECT_TRUE(Contains(run.err, c.message)) << run.err;
        EXPECT_EQ(run.out, "");
    }
    auto run = RunTool({"search", lib, "--queries", set, "--query-aug"});
    EXPECT_EQ(run.status, 2);
    EXPECT_TRUE(Contains(run.err, "--query-aug cannot be used with --queries")) << run.err;
    EXPECT_EQ(Folder(dir), before);
    EXPECT_FALSE(fs::exists(ResultLibraryName(lib)));
}

} // namespace
} // namespace velmora
