#include "cli_support.h"
#include "test_support.h"

#include "io/molfile.h"
#include "io/structlib.h"

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <map>
#include <sstream>

namespace velmora {
namespace {

namespace fs = std::filesystem;
using test::RunTool;

using test::Contains;

std::string Trim(const std::string& text)
{
    const auto first = text.find_first_not_of(' ');
    return first == std::string::npos ? "" : text.substr(first);
}

std::vector<std::string> OutputLines(const std::string& text)
{
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

// Table rows of the search output: lines that start with a right-aligned rank.
std::vector<std::string> Rows(const std::string& out)
{
    std::vector<std::string> rows;
    auto digit = [](char c) { return c >= '0' && c <= '9'; };
    for (const auto& line : OutputLines(out))
        if (line.size() > 16 && digit(line[5]) && digit(line[15]) &&
            line.substr(0, 16).find_first_not_of(" 0123456789") == std::string::npos)
            rows.push_back(line);
    return rows;
}

// Makes a directory current for the length of a test (the search reads crits.txt there).
class CurrentDirectory {
public:
    explicit CurrentDirectory(const fs::path& path) : m_previous(fs::current_path()) { fs::current_path(path); }
    ~CurrentDirectory() { fs::current_path(m_previous); }

private:
    fs::path m_previous;
};

class SearchCommandTest : public ::testing::Test {
protected:
    std::string Import(const std::string& name, const std::string& sdText) { return test::ImportInto(dir, name, sdText); }
    std::string Name(const std::string& lib, long position) { return test::LibraryStructureName(lib, position); }
    test::TempDir dir;
};

TEST_F(SearchCommandTest, BuildParamsAndSearchPrintTheReport)
{
    const std::string lib = Import("lib30", test::NciRecords(1, 30));
    auto run = RunTool({"build", lib});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(fs::file_size(dir.File("lib30.pre")), 30u * 260u);
    EXPECT_EQ(fs::file_size(dir.File("lib30.idp")), 153u * 48u); // 46 characters and CR LF per line
    EXPECT_FALSE(fs::exists(dir.File("lib30.pr1")));
    run = RunTool({"params", lib});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(fs::file_size(dir.File("lib30.idr")), 152u * 48u);

    // The query is the library's first structure: it ranks first with distance 0.
    run = RunTool({"search", lib, lib, "--descriptors", "Atoms of C,Atoms of N,Bonds: single"});
    ASSERT_EQ(run.status, 0) << run.err;
    const std::string& out = run.out;
    for (const std::string& part : std::vector<std::string>{"INPUT\n", "Libraryname     :  " + lib + "\n",
                                    "Descriptors      : Bonds: single,  Atoms of C,  Atoms of N\n", "Best structures:   30\n",
                                    "Similarity coeff : Euclidean distance\n", "OUTPUT\n", "Euclidean dist",
                                    "Calculation time: 00 days  -  "})
        EXPECT_TRUE(Contains(out, part)) << part << "\n" << out;
    const auto rows = Rows(out);
    ASSERT_EQ(rows.size(), 30u) << out;
    EXPECT_EQ(rows[0].rfind("     1         1  ", 0), 0u) << rows[0];
    EXPECT_TRUE(Contains(rows[0], "  0.0000  ")) << rows[0];
    EXPECT_EQ(rows[0].substr(rows[0].size() - Name(lib, 1).size()), Name(lib, 1));
    EXPECT_FALSE(fs::exists(dir.File("lib30.qlt")));

    run = RunTool({"search", lib, lib, "--descriptors", "Atoms of C,Atoms of N,Bonds: single", "--coefficient",
                   "tanimoto", "--best", "5"});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_TRUE(Contains(run.out, "Similarity coeff : Tanimoto coefficient\n")) << run.out;
    EXPECT_TRUE(Contains(run.out, "Tanimoto coeff"));
    ASSERT_EQ(Rows(run.out).size(), 5u);
    EXPECT_TRUE(Contains(Rows(run.out)[0], "  1.0000  "));

    // The query's own augmented atoms.
    run = RunTool({"search", lib, lib, "--query-aug"});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_TRUE(Contains(run.out, "Descriptors      : Aug: ")) << run.out;
    EXPECT_TRUE(Contains(Rows(run.out).at(0), "  0.0000  "));

    // INTRO mode over group counts, with the parameters just computed.
    run = RunTool({"search", lib, lib, "--descriptors", "Bonds: single,Hetero atoms,Branching atoms", "--mode", "intro",
                   "--coefficient", "correlation"});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_TRUE(Contains(Rows(run.out).at(0), "  1.0000  "));
}

TEST_F(SearchCommandTest, RefusalsAndTheirExitStatuses)
{
    const std::string lib = Import("lib30", test::NciRecords(1, 30));
    ASSERT_EQ(RunTool({"build", lib}).status, 0);
    const std::vector<std::string> base{"search", lib, lib, "--descriptors", "Atoms of C,Atoms of O,Bonds: double"};
    auto with = [&](std::vector<std::string> extra) {
        auto args = base;
        args.insert(args.end(), extra.begin(), extra.end());
        return RunTool(args);
    };
    // The best count is 1..200; a refusal names the option, the value and the range, and the
    // command line is at fault.
    const std::vector<std::pair<std::string, std::string>> refused{
        {"0", "--best: 0 is not in 1..200"},
        {"201", "--best: 201 is not in 1..200"},
        {"-3", "--best: -3 is not in 1..200"},
        {"99999999999999999999", "--best: 99999999999999999999 is not in 1..200"},
        {"1e3", "--best: '1e3' is not a whole number in 1..200"},
        {"abc", "--best: 'abc' is not a whole number in 1..200"},
        {"", "--best: '' is not a whole number in 1..200"},
    };
    for (const auto& [best, message] : refused) {
        const auto run = with({"--best", best});
        EXPECT_EQ(run.status, 2) << best;
        EXPECT_EQ(run.err.substr(0, run.err.find('\n')), "velmora-cli search: " + message) << run.err;
        EXPECT_TRUE(Contains(run.err, "\nusage: velmora-cli search ")) << run.err;
        EXPECT_TRUE(run.out.empty()) << run.out;
    }
    EXPECT_EQ(with({"--best", "200"}).status, 0);
    EXPECT_EQ(with({"--best", " +7"}).status, 0); // as the window's field takes it

    // Correlation with fewer than three descriptors does not start.
    auto run = RunTool({"search", lib, lib, "--descriptors", "Atoms of C,Atoms of O", "--coefficient", "correlation"});
    EXPECT_EQ(run.status, 1);
    EXPECT_TRUE(Contains(run.err, "It makes no sense to determine the correlation coefficient\nwith too less points!\n"
                                  "Choose a different similarity coefficient or use at least 3 descriptors."))
        << run.err;

    run = RunTool({"search", lib, lib, "--descriptors", "Atoms of C,Atoms of X"});
    EXPECT_EQ(run.status, 2);
    EXPECT_TRUE(Contains(run.err, "no descriptor is named \"Atoms of X\"")) << run.err;
    EXPECT_EQ(RunTool({"search", lib, lib}).status, 2);
    EXPECT_EQ(with({"--coefficient", "cosine"}).status, 2);

    // A descriptor that is constant in the library (no aromatic bonds in Kekulé structures) is
    // refused with the dialog's reason; the others are searched.
    run = RunTool({"search", lib, lib, "--descriptors", "Aromatic bonds,Atoms of C"});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_TRUE(Contains(run.err, "This descriptor makes no sense with this library !\n")) << run.err;
    EXPECT_TRUE(Contains(run.out, "Descriptors      : Atoms of C\n")) << run.out;
}

TEST_F(SearchCommandTest, SearchNeverWritesOntoTheFilesItReads)
{
    // A name with two dots: the result library "nci.2SIM.clb" has an index of its own.
    const std::string lib = Import("nci.2023", test::NciRecords(1, 30));
    ASSERT_EQ(RunTool({"build", lib}).status, 0);
    const std::vector<std::string> search{"search", lib, lib, "--descriptors", "Atoms of C,Atoms of O"};
    auto run = RunTool(search);
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(CountLibraryRecords(lib), 30);
    EXPECT_EQ(RunTool({"show", lib, "30"}).status, 0);
    EXPECT_EQ(CountLibraryRecords(dir.File("nci.2SIM.clb")), 30);
    EXPECT_TRUE(fs::exists(dir.File("nci.2SIM.III")));

    const std::string index = test::ReadBytes(dir.File("nci.2023.III"));
    for (const std::string& target : {lib, dir.File("nci.2023.III"), dir.File("nci.2023.pre"), dir.File("nci.2SIM.clb")}) {
        auto args = search;
        args.insert(args.end(), {"--export", target});
        run = RunTool(args);
        EXPECT_EQ(run.status, 1) << target;
        EXPECT_TRUE(Contains(run.err, "a file of the library")) << run.err;
        EXPECT_TRUE(Rows(run.out).empty()); // refused before the search
    }
    EXPECT_EQ(test::ReadBytes(dir.File("nci.2023.III")), index);
    EXPECT_EQ(CountLibraryRecords(dir.File("nci.2SIM.clb")), 30);

    // Two names that differ only after the first letters never share parameter files: neither
    // is a library's name.
    run = RunTool({"search", dir.File("nci"), lib, "--descriptors", "Atoms of C"});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, "velmora-cli search: " + dir.File("nci") + ": not a structure library: a library's name ends in \".clb\"\n");
}

TEST_F(SearchCommandTest, NoDescriptorLeftNamesTheQueryTheReasonAndWhatToDo)
{
    // INTRO mode knows no augmented atoms.
    const std::string plain = Import("plain", test::NciRecords(1, 30));
    const std::string query = test::DataFile("query.mol");
    auto run = RunTool({"search", plain, query, "--query-aug", "--yes"});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, "velmora-cli search: no descriptor is left to compare the query " + query + " by: " + plain +
                           " is searched in INTRO mode, where augmented atoms are no descriptors; build the "
                           "descriptor file ('velmora-cli build " + plain + "') or give --mode normal --yes\n");
    // Asked for explicitly while the descriptor file exists: NORMAL mode is one option away.
    ASSERT_EQ(RunTool({"build", plain}).status, 0);
    run = RunTool({"search", plain, query, "--descriptors", "Atoms of C", "--mode", "intro", "--yes"});
    EXPECT_EQ(run.status, 1);
    EXPECT_TRUE(Contains(run.err, "where the chosen descriptors do not exist; give --mode normal\n")) << run.err;

    // Descriptors without spread in this library.
    run = RunTool({"search", plain, query, "--descriptors", "Aromatic SO3H"});
    EXPECT_EQ(run.status, 1);
    EXPECT_TRUE(Contains(run.err, "velmora-cli search: no descriptor is left to compare the query " + query + " by: each "
                                  "chosen descriptor has the same value in every structure of " + plain +
                                  " (see above); choose others\n"))
        << run.err;
}

// A stream that sends the process an interrupt (as Ctrl-C does) once a text has been written to it.
class InterruptingBuffer : public std::stringbuf {
public:
    explicit InterruptingBuffer(std::string trigger) : m_trigger(std::move(trigger)) {}

protected:
    std::streamsize xsputn(const char* text, std::streamsize count) override
    {
        const auto written = std::stringbuf::xsputn(text, count);
        if (!m_raised && str().find(m_trigger) != std::string::npos) {
            m_raised = true;
            std::raise(SIGINT);
        }
        return written;
    }

private:
    std::string m_trigger;
    bool m_raised = false;
};

TEST_F(SearchCommandTest, InterruptedCalculationIsNotToldToGiveYes)
{
    const std::string lib = Import("plain", test::NciRecords(1, 30));
    struct Case {
        std::vector<std::string> extra;
        std::string trigger; // the question answered with --yes, just before the calculation
        std::string message;
        std::string notMade;
    };
    const std::vector<Case> cases{
        {{}, "Do you want to calculate the libraryparameters now ?",
         "velmora-cli search: interrupted; the library parameters of " + lib + " were not calculated\n", "plain.idr"},
        {{"--mode", "normal"}, "descriptor-values now",
         "velmora-cli search: interrupted; the descriptor file of " + lib + " was not built\n", "plain.pre"},
    };
    for (const auto& c : cases) {
        InterruptingBuffer outBuffer(c.trigger);
        std::ostream out(&outBuffer);
        std::ostringstream err;
        cli::CommandContext context{out, err, false};
        std::vector<std::string> args{"search", lib, lib, "--descriptors", "Bonds: single", "--yes", "--verbose"};
        args.insert(args.end(), c.extra.begin(), c.extra.end());
        EXPECT_EQ(cli::RunCli(args, context), 130) << err.str();
        EXPECT_EQ(err.str(), c.message);
        EXPECT_FALSE(fs::exists(dir.File(c.notMade)));
    }
}

TEST_F(SearchCommandTest, LibraryWithoutParametersNeedsYes)
{
    const std::string lib = Import("plain", test::NciRecords(1, 30));
    auto run = RunTool({"search", lib, lib, "--descriptors", "Bonds: single,Hetero atoms"});
    EXPECT_EQ(run.status, 1);
    EXPECT_FALSE(run.err.empty());
    EXPECT_FALSE(fs::exists(dir.File("plain.idr")));
    run = RunTool({"search", lib, lib, "--descriptors", "Bonds: single,Hetero atoms", "--mode", "normal"});
    EXPECT_EQ(run.status, 1);
    EXPECT_FALSE(fs::exists(dir.File("plain.pre")));

    // --yes computes the INTRO parameters and searches.
    run = RunTool({"search", lib, lib, "--descriptors", "Bonds: single,Hetero atoms", "--yes"});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_TRUE(fs::exists(dir.File("plain.idr")));
    EXPECT_TRUE(Contains(Rows(run.out).at(0), "  0.0000  "));
}

TEST_F(SearchCommandTest, SearchWithASavedSetAndExportTheFilledRanks)
{
    // 30 structures and a lone carbon atom: its descriptor record is rejected, so 30 of 31 ranks fill.
    const std::string lib = Import("mixed", test::NciRecords(1, 30, test::kMethaneRecord));
    ASSERT_EQ(RunTool({"build", lib}).status, 0);
    auto run = RunTool({"sets", "save", "Atoms", "Atoms of O,Atoms of C,Atoms of N", "--dir", dir.Path().string()});
    ASSERT_EQ(run.status, 0) << run.err;

    CurrentDirectory here(dir.Path());
    const std::string hits = dir.File("hits.sdf");
    run = RunTool({"search", lib, lib, "--set", "Atoms", "--best", "31", "--export", hits, "--ascii"});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_TRUE(Contains(run.out, "Descriptors      : Atoms of C,  Atoms of N,  Atoms of O\n")) << run.out;
    EXPECT_EQ(Rows(run.out).size(), 30u);
    EXPECT_TRUE(Contains(run.out, "30 of 31")) << run.out;
    EXPECT_EQ(CountSDRecords(hits), 30);
    {
        TextReader reader(hits);
        TCTab first;
        ASSERT_TRUE(ReadMolRecord(first, reader));
        EXPECT_EQ(first.FStrucName, Name(lib, 1));
    }
    // Each exported match says its rank, library position, value and the coefficient.
    const std::string exported = test::ReadBytes(hits);
    EXPECT_TRUE(Contains(exported, "> <CAS_RN>\r\n0-00-0\r\n\r\n> <SIMILARITY_RANK>\r\n1\r\n\r\n"
                                   "> <LIBRARY_POSITION>\r\n1\r\n\r\n> <SIMILARITY_VALUE>\r\n0.0000\r\n\r\n"
                                   "> <SIMILARITY_COEFFICIENT>\r\nEuclidean distance\r\n\r\n$$$$\r\n"));
    EXPECT_TRUE(Contains(exported, "> <SIMILARITY_RANK>\r\n30\r\n"));

    // The ASCII table (its layout is the core's) holds every structure, the rejected one too.
    EXPECT_EQ(test::CrLfLines(test::ReadBytes(dir.File("mixed.asc"))).size(), 5u + 31u);

    run = RunTool({"search", lib, lib, "--set", "Missing"});
    EXPECT_EQ(run.status, 1);
    EXPECT_TRUE(Contains(run.err, "Missing")) << run.err;
}

TEST_F(SearchCommandTest, StatsPrintsTheReport)
{
    const std::string lib = Import("mixed", test::NciRecords(1, 30, test::kMethaneRecord));
    auto run = RunTool({"stats", lib});
    ASSERT_EQ(run.status, 0) << run.err;
    const auto lines = OutputLines(run.out);
    ASSERT_GT(lines.size(), 20u);
    // The report's layout is checked with the statistics; here the counts of this library.
    EXPECT_EQ(lines[4], "           Name of structurefile: " + lib);
    EXPECT_EQ(lines[7], "           Total number of structures in structurefile: 31");
    EXPECT_EQ(lines[11], "                   includes 1 error structure");

    // The same counts come from the descriptor records once they exist.
    ASSERT_EQ(RunTool({"build", lib}).status, 0);
    const auto fromRecords = RunTool({"stats", lib});
    ASSERT_EQ(fromRecords.status, 0);
    EXPECT_EQ(fromRecords.out, run.out);

    const std::string junk = dir.File("junk.clb");
    test::WriteBytes(junk, "x");
    run = RunTool({"stats", junk});
    EXPECT_EQ(run.status, 1);
    EXPECT_TRUE(Contains(run.err, junk)) << run.err;
}

TEST_F(SearchCommandTest, SetsListShowSaveDelete)
{
    const std::string d = dir.Path().string();
    const std::string crits = dir.File("crits.txt");
    auto run = RunTool({"sets", "list", "--dir", d});
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out, "");

    // List positions: "Bonds: single" is 10; "Atoms of C" (catalogue 135) is 132 after three markers.
    ASSERT_EQ(RunTool({"sets", "save", "My set", "Atoms of C,Bonds: single", "--dir", d}).status, 0);
    EXPECT_EQ(test::ReadBytes(crits), "1 [none]\r\n2 My set\r\n10\r\n132\r\n");
    ASSERT_EQ(RunTool({"sets", "save", "Rings", "Number of 6-rings", "--dir", d}).status, 0);
    EXPECT_EQ(test::ReadBytes(crits), "2 [none]\r\n2 My set\r\n10\r\n132\r\n1 Rings\r\n142\r\n");
    EXPECT_FALSE(fs::exists(dir.File("crits.dum")));

    run = RunTool({"sets", "list", "--dir", d});
    EXPECT_EQ(run.out, "My set\nRings\n");
    run = RunTool({"sets", "show", "My set", "--dir", d});
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out, "Bonds: single\nAtoms of C\n");

    // Existing names, "[none]" included, are refused and the file stays.
    for (const char* name : {"My set", "[none]"}) {
        run = RunTool({"sets", "save", name, "Atoms of N", "--dir", d});
        EXPECT_EQ(run.status, 1) << name;
        EXPECT_TRUE(Contains(run.err, "This name still exists !")) << run.err;
    }
    EXPECT_EQ(RunTool({"sets", "save", "Bad", "Atoms of X", "--dir", d}).status, 2);
    // A name that would break the file is refused naming the file (the rules are the core's).
    run = RunTool({"sets", "save", "two\nlines", "Atoms of N", "--dir", d});
    EXPECT_EQ(run.status, 1);
    EXPECT_TRUE(Contains(run.err, "velmora-cli sets: " + crits + ": A ")) << run.err;
    EXPECT_EQ(test::ReadBytes(crits), "2 [none]\r\n2 My set\r\n10\r\n132\r\n1 Rings\r\n142\r\n");

    ASSERT_EQ(RunTool({"sets", "delete", "My set", "--dir", d}).status, 0);
    EXPECT_EQ(test::ReadBytes(crits), "1 [none]\r\n1 Rings\r\n142\r\n");
    EXPECT_FALSE(fs::exists(dir.File("crits.dum")));
    ASSERT_EQ(RunTool({"sets", "delete", "Rings", "--dir", d}).status, 0);
    EXPECT_EQ(test::ReadBytes(crits), "0 [none]\r\n");

    run = RunTool({"sets", "show", "Rings", "--dir", d});
    EXPECT_EQ(run.status, 1);
    EXPECT_TRUE(Contains(run.err, "Rings")) << run.err;
    EXPECT_EQ(RunTool({"sets", "frob", "--dir", d}).status, 2);

    // Any file by --sets-file; its unreadable lines are skipped and named, never printed.
    const std::string damaged = dir.File("damaged.sets");
    test::WriteBytes(damaged, "3 [none]\r\n1 \x01\xff\x1b[2J\r\n4\r\n1 Good\r\n7\r\nx\r\n");
    run = RunTool({"sets", "list", "--sets-file", damaged});
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out, "Good\n");
    EXPECT_EQ(run.err, "velmora-cli sets: warning: damaged.sets line 2: unreadable set name, skipped\n"
                       "velmora-cli sets: warning: damaged.sets line 3: unreadable set name, skipped\n"
                       "velmora-cli sets: warning: damaged.sets line 6: unreadable set name, skipped\n");
    ASSERT_EQ(RunTool({"sets", "save", "Next", "Atoms of N", "--sets-file", damaged}).status, 0);
    EXPECT_EQ(test::ReadBytes(damaged), "2 [none]\r\n1 Good\r\n7\r\n1 Next\r\n133\r\n");
    EXPECT_FALSE(fs::exists(dir.File("damaged.dum")));
}

// --report writes report.txt and a self-contained report.html with a drawing per match. --explain
// explains the best matches after the search: the search's own files (result library, exported
// matches, text report) are the same byte for byte with and without it.
TEST(SearchExplain, ReportFolderAndExplainedMatchesThatLeaveTheSearchFilesAlone)
{
    test::TempDir dir;
    const std::string lib = dir.File("explain.clb");
    ASSERT_EQ(test::RunTool({"import", test::DataFile("pubchem.200.sdf"), lib}).status, 0);
    ASSERT_EQ(test::RunTool({"build", lib}).status, 0);
    auto withoutTime = [](const std::string& text) {
        std::string kept;
        for (const auto& line : OutputLines(text))
            if (line.find("Calculation time") == std::string::npos)
                kept += line + "\n";
        return kept;
    };
    auto search = [&](const std::string& tag, std::vector<std::string> extra) {
        std::vector<std::string> args{"search", lib, test::DataFile("query.mol"), "--descriptors",
                                      "Atoms of C,Atoms of N,Hetero atoms,Number of 6-rings,RandicIx",
                                      "--coefficient", "tanimoto", "--best", "5", "--report", dir.File(tag),
                                      "--export", dir.File(tag + ".sdf")};
        args.insert(args.end(), extra.begin(), extra.end());
        const auto run = test::RunTool(args);
        EXPECT_EQ(run.status, 0) << run.err;
        std::map<std::string, std::string> files{{"out", withoutTime(run.out)}, {"raw", run.out},
                                                 {"txt", withoutTime(test::ReadBytes(dir.File(tag + "/report.txt")))},
                                                 {"sdf", test::ReadBytes(dir.File(tag + ".sdf"))},
                                                 {"html", test::ReadBytes(dir.File(tag + "/report.html"))}};
        for (const char* ext : {".clb", ".III"})
            files[ext] = test::ReadBytes(dir.File(std::string("explSIM") + ext));
        return files;
    };
    auto plain = search("plain", {});
    auto explained = search("explained", {"--explain", "3"});
    // The report folder: the text report as printed, CR LF, and a page with no script and no outside
    // reference, with the query, five matches and the diagram drawn.
    const std::string text = test::ReadBytes(dir.File("plain/report.txt"));
    EXPECT_EQ(text.rfind("INPUT\r\n", 0), 0u);
    EXPECT_NE(plain["raw"].find(text.substr(0, 40).replace(5, 2, "\n")), std::string::npos);
    const std::string& html = plain["html"];
    EXPECT_EQ(html.find("<script"), std::string::npos);
    EXPECT_EQ(html.find("http"), html.find("http://www.w3.org"));
    std::size_t drawings = 0;
    for (std::size_t at = 0; (at = html.find("<svg", at)) != std::string::npos; ++at)
        ++drawings;
    EXPECT_GE(drawings, 7u);
    EXPECT_NE(html.find("Libraryname"), std::string::npos);
    for (const char* file : {"txt", "sdf", ".clb", ".III"})
        EXPECT_EQ(plain[file], explained[file]) << file;
    EXPECT_FALSE(plain[".clb"].empty());

    // The report as before, then one block per explained match, each closed by its value's formula.
    const std::string& out = explained["out"];
    const std::string report = plain["out"].substr(0, plain["out"].find("Report written"));
    EXPECT_EQ(out.rfind(report, 0), 0u);
    EXPECT_TRUE(Contains(out, "WHY SIMILAR (Tanimoto coefficient; share = share of the gap 1 - value;"));
    const auto rows = Rows(report);
    ASSERT_EQ(rows.size(), 5u);
    for (int rank = 1; rank <= 3; ++rank) {
        const std::string& row = rows[static_cast<std::size_t>(rank - 1)];
        const std::string value = row.substr(row.find_first_not_of(' ', 18), 6);
        EXPECT_TRUE(Contains(out, "  Rank " + std::to_string(rank) + ": position " + Trim(row.substr(6, 10)) + ", "))
            << rank;
        EXPECT_TRUE(Contains(out, "| = " + value + "; 1 - value = ")) << value;
    }
    EXPECT_FALSE(Contains(out, "  Rank 4:"));
    for (const char* header : {"Descriptor", "Query sc", "q2+l2-ql", "Share", "Contrib", "RandicIx"})
        EXPECT_TRUE(Contains(out, header)) << header;
    EXPECT_TRUE(Contains(explained["html"], "id=\"why3\"") && !Contains(explained["html"], "id=\"why4\""));
    EXPECT_FALSE(Contains(plain["html"], "why"));

    for (const char* wrong : {"0", "201", "x", "3x"})
        EXPECT_EQ(test::RunTool({"search", lib, lib, "--descriptors", "Atoms of C", "--explain", wrong}).status, 2)
            << wrong;
}

} // namespace
} // namespace velmora
