// velmora-cli compare: its rows are those of 'velmora-cli search' with each A structure as the
// query, and bad input is refused before anything is written.
#include "cli_support.h"
#include "test_support.h"

#include "io/structlib.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

namespace velmora {
namespace {

namespace fs = std::filesystem;
using test::Contains;
using test::RunTool;

std::vector<std::string> Lines(const std::string& text)
{
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

std::vector<std::string> Fields(const std::string& line)
{
    std::vector<std::string> fields;
    std::istringstream in(line);
    for (std::string field; std::getline(in, field, '\t');)
        fields.push_back(field);
    return fields;
}

// The search report's table rows split into their blank-separated words: rank, position, value, ...
std::vector<std::vector<std::string>> SearchRows(const std::string& out)
{
    std::vector<std::vector<std::string>> rows;
    for (const std::string& line : Lines(out)) {
        std::istringstream in(line);
        std::vector<std::string> words;
        for (std::string word; in >> word;)
            words.push_back(word);
        if (words.size() >= 4 && words[0].find_first_not_of("0123456789") == std::string::npos &&
            words[1].find_first_not_of("0123456789") == std::string::npos && words[2].find('.') != std::string::npos)
            rows.push_back(words);
    }
    return rows;
}

class CompareCommandTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        b = test::ImportInto(dir, "b", test::NciRecords(1, 60));
        const auto run = RunTool({"build", b});
        ASSERT_EQ(run.status, 0) << run.err;
        a = test::ImportInto(dir, "a", test::NciRecords(70, 3));
    }
    std::vector<std::string> Compare(std::vector<std::string> more)
    {
        std::vector<std::string> args{"compare", a, b, "--descriptors", kDescriptors};
        args.insert(args.end(), more.begin(), more.end());
        return args;
    }
    static constexpr const char* kDescriptors = "Atoms of C,Atoms of N,Atoms of O,Bonds: double,RandicIx";
    test::TempDir dir;
    std::string a, b;
};

TEST_F(CompareCommandTest, EachRowIsTheSearchOfThatStructure)
{
    // The query as 'search' loads it: the first structure of a library holding just it.
    std::vector<std::string> singles;
    for (int i = 0; i < 3; ++i)
        singles.push_back(test::ImportInto(dir, "q" + std::to_string(i), test::NciRecords(70 + i, 1)));
    for (const char* coefficient : {"euclidean", "tanimoto", "correlation"}) {
        const std::string pairs = dir.File("pairs.tsv");
        const auto run = RunTool(Compare({"--k", "4", "--coefficient", coefficient, "--pairs", pairs}));
        ASSERT_EQ(run.status, 0) << run.err;
        EXPECT_TRUE(Contains(run.out, "Compared 3 structures of " + a + " with 60 of " + b)) << run.out;
        const auto lines = Lines(test::ReadBytes(pairs));
        ASSERT_EQ(lines.size(), 1u + 3u * 4u) << coefficient;
        EXPECT_EQ(lines[0], "A position\tA name\trank\tB position\tB name\tvalue");
        for (int i = 0; i < 3; ++i) {
            const auto search = RunTool({"search", b, singles[static_cast<std::size_t>(i)], "--descriptors", kDescriptors, "--coefficient", coefficient,
                                         "--best", "4"});
            ASSERT_EQ(search.status, 0) << search.err;
            const auto rows = SearchRows(search.out);
            ASSERT_EQ(rows.size(), 4u) << search.out;
            for (int rank = 1; rank <= 4; ++rank) {
                const auto fields = Fields(lines[static_cast<std::size_t>(1 + i * 4 + rank - 1)]);
                ASSERT_EQ(fields.size(), 6u);
                const auto& row = rows[static_cast<std::size_t>(rank - 1)];
                EXPECT_EQ(fields[0], std::to_string(i + 1));
                EXPECT_EQ(fields[1], test::LibraryStructureName(a, i + 1));
                EXPECT_EQ(fields[2], std::to_string(rank));
                EXPECT_EQ(fields[3], row[1]) << coefficient << " A " << i + 1 << " rank " << rank;
                EXPECT_EQ(fields[4], test::LibraryStructureName(b, std::stol(row[1])));
                EXPECT_EQ(fields[5], row[2]) << coefficient << " A " << i + 1 << " rank " << rank;
            }
        }
    }
}

TEST_F(CompareCommandTest, ALibraryAgainstItselfAndItsSimilarAndDissimilarParts)
{
    const std::string pairs = dir.File("self.tsv");
    auto run = RunTool({"compare", b, b, "--descriptors", kDescriptors, "--k", "1", "--pairs", pairs});
    ASSERT_EQ(run.status, 0) << run.err;
    const auto lines = Lines(test::ReadBytes(pairs));
    ASSERT_EQ(lines.size(), 61u);
    for (std::size_t i = 1; i < lines.size(); ++i) {
        const auto fields = Fields(lines[i]);
        EXPECT_EQ(fields[5], "0.0000") << lines[i];       // each finds itself, or an equal one before it
        EXPECT_LE(std::stol(fields[3]), std::stol(fields[0])) << lines[i];
    }

    const std::string near = dir.File("near.clb"), far = dir.File("far.clb");
    run = RunTool(Compare({"--pairs", pairs, "--similar", near, "--dissimilar", far, "--threshold", "1.5"}));
    ASSERT_EQ(run.status, 0) << run.err;
    const long similar = CountLibraryRecords(near), dissimilar = CountLibraryRecords(far);
    EXPECT_GT(similar, 0);
    EXPECT_GT(dissimilar, 0);
    EXPECT_EQ(similar + dissimilar, 60);
    EXPECT_TRUE(Contains(run.out, std::to_string(similar) + " structures of " + b + " with a value <= 1.5")) << run.out;
    EXPECT_TRUE(Contains(run.out, std::to_string(dissimilar) + " structures of " + b + " beyond 1.5")) << run.out;
    // Every B structure listed in the pairs within 1.5 is in the similar library.
    for (std::size_t i = 1; i < Lines(test::ReadBytes(pairs)).size(); ++i) {
        const auto fields = Fields(Lines(test::ReadBytes(pairs))[i]);
        if (std::stod(fields[5]) <= 1.5) {
            bool found = false;
            for (long k = 1; k <= similar && !found; ++k)
                found = test::LibraryStructureName(near, k) == fields[4];
            EXPECT_TRUE(found) << lines[i];
        }
    }
}

TEST_F(CompareCommandTest, BadInputIsRefusedBeforeAnythingIsWritten)
{
    const std::string pairs = dir.File("pairs.tsv"), near = dir.File("near.clb");
    struct Case {
        std::vector<std::string> args;
        int status;
        std::string message;
    };
    const std::vector<Case> cases{
        {Compare({}), 2, "--pairs PAIRS.tsv is required"},
        {Compare({"--pairs", pairs, "--threshold", "1"}), 2, "--threshold needs --similar"},
        {Compare({"--pairs", pairs, "--similar", near}), 2, "--similar and --dissimilar need --threshold"},
        {Compare({"--pairs", pairs, "--k", "0"}), 2, "--k: 0 is not in 1..200"},
        {Compare({"--pairs", pairs, "--k", "201"}), 2, "--k: 201 is not in 1..200"},
        {Compare({"--pairs", pairs, "--k", "five"}), 2, "--k: 'five' is not a whole number"},
        {Compare({"--pairs", pairs, "--similar", near, "--threshold", "-1"}), 2, "--threshold: -1 is below 0"},
        {Compare({"--pairs", pairs, "--similar", near, "--threshold", "near"}), 2, "--threshold: 'near' is not a number"},
        {Compare({"--pairs", pairs, "--similar", near, "--dissimilar", near, "--threshold", "1"}), 2, "name the same library"},
        {Compare({"--pairs", pairs, "--coefficient", "cosine"}), 2, "--coefficient takes"},
        {{"compare", a, b, "--pairs", pairs}, 2, "choose the descriptors"},
        {Compare({"--pairs", dir.File("b.III")}), 1, "a file of the library " + b},
        {Compare({"--pairs", pairs, "--similar", a, "--threshold", "1"}), 1, "a file of the library " + a},
        {Compare({"--pairs", pairs, "--similar", dir.File("near.sdf"), "--threshold", "1"}), 1, "near.sdf"},
        {{"compare", dir.File("none.clb"), b, "--descriptors", kDescriptors, "--pairs", pairs}, 1, "no such library"},
    };
    const std::string bBefore = test::ReadBytes(b), aBefore = test::ReadBytes(a);
    for (const Case& c : cases) {
        const auto run = RunTool(c.args);
        EXPECT_EQ(run.status, c.status) << c.message << "\n" << run.err;
        EXPECT_TRUE(Contains(run.err, c.message)) << run.err;
        EXPECT_FALSE(fs::exists(pairs)) << c.message;
        EXPECT_FALSE(fs::exists(near)) << c.message;
    }
    EXPECT_EQ(test::ReadBytes(b), bBefore);
    EXPECT_EQ(test::ReadBytes(a), aBefore);
}

} // namespace
} // namespace velmora
