// Library sets searched as one: the same values, order, positions and parameters as the one library
// holding all their structures in set order; refused sets change nothing; stale set parameters are
// caught; a search locks every member.
#include "search/workbench.h"

#include "base/ioerror.h"
#include "io/convert.h"
#include "io/libset.h"
#include "io/liblock.h"
#include "io/libstamp.h"
#include "io/molfile.h"
#include "report/searchreport.h"
#include "search/coefficients.h"
#include "search/explain.h"
#include "search/libparams.h"
#include "search/paramcalc.h"
#include "scripted.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <bit>
#include <filesystem>
#include <map>
#include <thread>

namespace velmora {
namespace {

namespace fs = std::filesystem;

const std::vector<std::string> kDescriptors{"Aromatic bonds", "Bonds: single", "Bonds: double", "Branching atoms",
                                            "Hetero atoms",   "OH",            "CO"};

// What a search gave: the ranks (value bits and position), the histogram and the report rows.
struct Searched {
    std::vector<std::pair<std::uint32_t, long>> ranks;
    std::array<long, kHistogramBins> histogram{};
    std::vector<ReportRow> rows;
    std::string report;
};

// Two ethanes in one record: no atom alone, but a ring count below 0 (2 bonds - 4 atoms + 1). Such a
// structure is stored with zeros and counted in the last channels only.
const std::string kTwoEthanes = "two ethanes\r\n  test\r\n\r\n  4  2  0  0  0  0  0  0  0  0999 V2000\r\n"
                                "    0.0000    0.0000    0.0000 C   0  0  0  0  0  0  0  0  0  0  0  0\r\n"
                                "    1.5000    0.0000    0.0000 C   0  0  0  0  0  0  0  0  0  0  0  0\r\n"
                                "    0.0000    2.0000    0.0000 C   0  0  0  0  0  0  0  0  0  0  0  0\r\n"
                                "    1.5000    2.0000    0.0000 C   0  0  0  0  0  0  0  0  0  0  0  0\r\n"
                                "  1  2  1  0  0  0  0\r\n  3  4  1  0  0  0  0\r\nM  END\r\n$$$$\r\n";

// The files of a folder with their bytes.
std::map<std::string, std::string> Snapshot(const fs::path& folder)
{
    std::map<std::string, std::string> files;
    for (const auto& entry : fs::directory_iterator(folder))
        if (entry.is_regular_file())
            files[entry.path().filename().string()] = test::ReadBytes(entry.path());
    return files;
}

class LibrarySetTest : public ::testing::Test {
protected:
    // The library name.clb of the SD text, with its descriptor files when asked.
    std::string Import(const std::string& name, const std::string& sdText, bool descriptors)
    {
        const std::string sd = dir.File(name + ".sdf"), library = dir.File(name + ".clb");
        test::WriteBytes(sd, sdText);
        StructureLibrary importer;
        NullProgress quiet;
        EXPECT_TRUE(ImportStructures(importer, sd, CountSDRecords(sd), library, ConversionMode::WriteAnew, quiet).Completed());
        fs::remove(sd);
        if (descriptors) {
            EXPECT_TRUE(test::BuildDescriptorFiles(library));
        }
        return library;
    }

    // One library of 87 structures (the last 15 repeat the first 15: ties; a lone atom and two
    // fragments among them), and the same split in three as a set: 40, 1 and 46 structures, listed
    // with a comment, a blank line, "./" and an absolute path.
    void MakeLibraries(bool descriptors)
    {
        const std::string odd = test::kMethaneRecord + kTwoEthanes;
        whole = Import("whole", test::NciRecords(1, 70, odd) + test::NciRecords(1, 15), descriptors);
        members = {Import("p1", test::NciRecords(1, 40), descriptors), Import("p2", test::NciRecords(41, 1), descriptors),
                   Import("p3", test::NciRecords(42, 29, odd) + test::NciRecords(1, 15), descriptors)};
        set = dir.File("three.vset");
        test::WriteBytes(set, "# one library in three\n\np1.clb\n  ./p2.clb \r\n" + members[2] + "\n");
    }

    Searched Search(const std::string& library, DescriptorMode mode, int coefficient, int best = 60)
    {
        test::ScriptedDialog answers; // Ok to every question (the INTRO parameters are calculated)
        test::ScriptedProgress shown;
        Workbench wb(answers, shown, dir.Path().string());
        Searched searched;
        EXPECT_TRUE(wb.OpenLibrary(library));
        if (mode == DescriptorMode::Intro)
            wb.SetIntroMode();
        EXPECT_EQ(wb.State().Mode, mode);
        EXPECT_TRUE(wb.LoadQuery(members[0]));
        test::ChooseDescriptors(wb, answers, kDescriptors);
        wb.SetCoefficient(coefficient);
        EXPECT_TRUE(wb.SetBestCount(std::to_string(best)));
        EXPECT_EQ(wb.RunSearch(), SearchOutcome::Completed);
        for (int rank = 1; rank <= wb.Results().filled; ++rank)
            searched.ranks.emplace_back(std::bit_cast<std::uint32_t>(wb.Results().best[rank - 1].value),
                                        wb.Results().StructureAt(rank));
        searched.histogram = wb.Results().histogram;
        searched.rows = wb.ReportRows();
        searched.report = SearchReportText(wb);
        return searched;
    }

    // Which member holds set position p, as the set's list names it.
    std::string MemberOf(long position) const
    {
        return position <= 40 ? "p1.clb" : position == 41 ? "./p2.clb" : members[2];
    }

    test::TempDir dir;
    std::string whole, set;
    std::vector<std::string> members;
};

// Every coefficient in both modes: the set ranks the same 4-byte values of the same positions in the
// same order as the one library (ties by position), with the same histogram, parameters, names and
// each row naming the library it came from.
TEST_F(LibrarySetTest, SearchesLikeTheLibraryOfAllItsStructures)
{
    MakeLibraries(true);
    for (const DescriptorMode mode : {DescriptorMode::Normal, DescriptorMode::Intro})
        for (int coefficient = 0; coefficient < kCoefficientCount; ++coefficient) {
            SCOPED_TRACE(std::string(mode == DescriptorMode::Normal ? "NORMAL " : "INTRO ") + CoefficientName(coefficient));
            const Searched one = Search(whole, mode, coefficient);
            const Searched three = Search(set, mode, coefficient);
            ASSERT_EQ(one.ranks.size(), 60u);
            EXPECT_EQ(three.ranks, one.ranks);
            EXPECT_EQ(three.histogram, one.histogram);
            ASSERT_EQ(three.rows.size(), one.rows.size());
            bool tie = false;
            for (std::size_t r = 0; r < one.rows.size(); ++r) {
                EXPECT_EQ(three.rows[r].name, one.rows[r].name);
                EXPECT_EQ(three.rows[r].value, one.rows[r].value);
                EXPECT_EQ(one.rows[r].library, "");
                EXPECT_EQ(three.rows[r].library, MemberOf(three.rows[r].libraryPosition));
                tie = tie || (r > 0 && one.ranks[r].first == one.ranks[r - 1].first);
            }
            EXPECT_TRUE(tie); // the repeated structures tie: their order is by position
        }
    EXPECT_EQ(test::ReadBytes(dir.File("three.idp")), test::ReadBytes(dir.File("whole.idp")));
    EXPECT_EQ(test::ReadBytes(dir.File("three.idr")), test::ReadBytes(dir.File("whole.idr")));
    EXPECT_TRUE(CompanionMismatch(set, "idp").empty());
    EXPECT_TRUE(CompanionMismatch(set, "idr").empty());
}

// The report of a set has a Library column; the structure of any set position is its member's, the
// explanation of a match reads its member's descriptor record, and the export names the library.
TEST_F(LibrarySetTest, ReportsExplanationsAndExportNameTheLibrary)
{
    MakeLibraries(true);
    const Searched three = Search(set, DescriptorMode::Normal, kTanimoto, 50);
    EXPECT_TRUE(test::Contains(three.report, "  Rank  Position  Library"));
    const Searched one = Search(whole, DescriptorMode::Normal, kTanimoto, 50);
    EXPECT_FALSE(test::Contains(one.report, "Library "));

    test::ScriptedDialog answers;
    test::ScriptedProgress shown;
    Workbench wb(answers, shown, dir.Path().string());
    ASSERT_TRUE(wb.OpenLibrary(set));
    EXPECT_EQ(wb.State().LibraryCount, 87);
    for (long position : {1L, 40L, 41L, 42L, 71L, 72L, 87L}) {
        ASSERT_EQ(wb.Library().ReadLibraryRecord(set, position), kLibOk);
        EXPECT_EQ(wb.Library().Structure().FStrucName, test::LibraryStructureName(whole, position));
    }
    EXPECT_EQ(wb.Library().ReadLibraryRecord(set, 88), kLibPositionOutOfRange);
    EXPECT_TRUE(test::Contains(LibraryReadProblem(set, kLibPositionOutOfRange, 88), "the library set holds 87"));

    ASSERT_TRUE(wb.LoadQuery(members[2]));
    test::ChooseDescriptors(wb, answers, kDescriptors);
    ASSERT_EQ(wb.RunSearch(), SearchOutcome::Completed);
    for (int rank = 1; rank <= 5; ++rank) {
        const MatchExplanation explained = ExplainMatch(wb, rank); // throws when its values miss the ranked one
        EXPECT_EQ(explained.libraryPosition, wb.Results().StructureAt(rank));
        EXPECT_EQ(explained.library, MemberOf(explained.libraryPosition));
    }
    const auto items = wb.ResultDataItems(1);
    ASSERT_EQ(items.size(), 5u);
    EXPECT_EQ(items[2].name, "LIBRARY");
    EXPECT_EQ(items[2].value, MemberOf(wb.Results().StructureAt(1)));
}

// The result library of a set's search is never one of its members, even one an earlier search
// made (and so one a search may replace).
TEST_F(LibrarySetTest, TheResultLibraryIsNeverAMember)
{
    MakeLibraries(true);
    const Searched first = Search(set, DescriptorMode::Normal, kEuclidean, 10);
    const std::string result = ResultLibraryName(set);
    ASSERT_TRUE(fs::exists(result));
    ASSERT_TRUE(CompanionMismatch(result, "clb").empty()); // a result library, replaceable
    fs::remove(dir.File("three.idp"));
    test::WriteBytes(set, test::ReadBytes(set) + result + "\n");
    ASSERT_TRUE(test::BuildDescriptorFiles(result));
    const std::string before = test::ReadBytes(result);
    const Searched again = Search(set, DescriptorMode::Normal, kEuclidean, 10);
    EXPECT_EQ(test::ReadBytes(result), before);
    EXPECT_TRUE(fs::exists(result.substr(0, result.size() - 4) + "SIM.clb")); // as for any name the library owns
    EXPECT_EQ(again.ranks.front(), first.ranks.front());
}

// Each refused set names the set file and the line, and leaves every file as it was.
TEST_F(LibrarySetTest, RefusedSetsNameTheLineAndChangeNothing)
{
    MakeLibraries(false);
    Import("built", test::NciRecords(1, 5), true);
    fs::copy_file(members[0], dir.File("copy.clb"));
    struct Case {
        std::string list;
        int line;
        std::string problem;
    };
    const std::vector<Case> cases{
        {"p1.clb\nmissing.clb\n", 2, "no such library"},
        {"p1.clb\n\n" + members[0] + "\n", 3, "is listed twice: it is the library of line 1"},
        {"p1.clb\nsub/../p1.clb\n", 2, "listed twice"},
        {"# nothing but a comment\n\n", 0, "lists no library"},
        {"p1.clb\nother.vset\n", 2, "is a library set"},
        {"p1.clb\np2.sdf\n", 2, "a library's name ends in \".clb\""},
    };
    fs::create_directory(dir.File("sub"));
    test::WriteBytes(dir.File("other.vset"), "p2.clb\n");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.list);
        test::WriteBytes(set, c.list);
        try {
            LibrarySet::Read(set);
            ADD_FAILURE() << "accepted";
        } catch (const IoError& error) {
            EXPECT_EQ(error.File(), set);
            EXPECT_EQ(error.Line(), c.line);
            EXPECT_TRUE(test::Contains(error.Problem(), c.problem)) << error.Problem();
        }
        const auto before = Snapshot(dir.Path());
        test::ScriptedDialog answers;
        test::ScriptedProgress shown;
        Workbench wb(answers, shown, dir.Path().string());
        EXPECT_FALSE(wb.OpenLibrary(set));
        ASSERT_FALSE(answers.shown.empty());
        EXPECT_TRUE(test::Contains(answers.shown.back().detail, set)) << answers.shown.back().detail;
        EXPECT_EQ(Snapshot(dir.Path()), before);
    }

    // A set of libraries with and without descriptor files: refused naming the one without.
    test::WriteBytes(set, "built.clb\np1.clb\n");
    const auto before = Snapshot(dir.Path());
    test::ScriptedDialog answers;
    test::ScriptedProgress shown;
    Workbench wb(answers, shown, dir.Path().string());
    EXPECT_FALSE(wb.OpenLibrary(set));
    ASSERT_FALSE(answers.shown.empty());
    EXPECT_TRUE(test::Contains(answers.shown.back().detail, "line 2: p1.clb has no descriptor file")) << answers.shown.back().detail;
    EXPECT_EQ(Snapshot(dir.Path()), before);
}

// Positions travel as 4-byte floats: a set past 2^24 structures is refused, not searched wrongly.
TEST_F(LibrarySetTest, ASetPastTheExactPositionsOfAFloatIsRefused)
{
    MakeLibraries(false);
    // A member whose index claims 2^24 entries (a sparse file): the count is all that is read.
    fs::resize_file(fs::path(members[0]).replace_extension("III"), 4 * static_cast<std::uintmax_t>(kMaxSetStructures));
    test::WriteBytes(set, "p1.clb\n");
    EXPECT_EQ(LibrarySet::Read(set).Count(), kMaxSetStructures);
    test::WriteBytes(set, "p1.clb\np2.clb\n");
    try {
        LibrarySet::Read(set);
        ADD_FAILURE() << "accepted";
    } catch (const IoError& error) {
        EXPECT_EQ(error.Line(), 2);
        EXPECT_TRUE(test::Contains(error.Problem(), "at most 16777216")) << error.Problem();
    }
}

// The set's parameters are stamped with its list and its members' states: a member changed, a
// member added or the list reordered makes them stale, and the next opening makes them anew.
TEST_F(LibrarySetTest, ParametersGoStaleWhenAMemberOrTheListChanges)
{
    MakeLibraries(true);
    {
        test::ScriptedDialog answers;
        test::ScriptedProgress shown;
        Workbench wb(answers, shown, dir.Path().string());
        ASSERT_TRUE(wb.OpenLibrary(set));
    }
    ASSERT_TRUE(CompanionMismatch(set, "idp").empty());

    const std::string list = test::ReadBytes(set);
    test::WriteBytes(set, members[2] + "\np1.clb\np2.clb\n");
    EXPECT_TRUE(test::Contains(CompanionMismatch(set, "idp"), "another state of the library set"));
    test::WriteBytes(set, list);
    EXPECT_TRUE(CompanionMismatch(set, "idp").empty());

    // A member's structure replaced by another (its descriptor file made anew).
    Import("p2", test::NciRecords(43, 1), true);
    EXPECT_FALSE(CompanionMismatch(set, "idp").empty());
    {
        test::ScriptedDialog answers;
        test::ScriptedProgress shown;
        Workbench wb(answers, shown, dir.Path().string());
        ASSERT_TRUE(wb.OpenLibrary(set));
        EXPECT_TRUE(std::any_of(answers.shown.begin(), answers.shown.end(), [&](const test::ShownMessage& m) {
            return test::Contains(m.text, dir.File("three.idp") + ": it was made from another state");
        }));
        EXPECT_EQ(wb.State().Mode, DescriptorMode::Normal);
    }
    EXPECT_TRUE(CompanionMismatch(set, "idp").empty()); // made anew from the members as they are

    // A member with a structure more: the count differs.
    Import("p2", test::NciRecords(41, 2), true);
    EXPECT_TRUE(test::Contains(CompanionMismatch(set, "idp"), "was made from 87 structures"));
}

// An aborted calculation of the set's parameters leaves those there were (none here) and the
// parameters in use as they were.
TEST_F(LibrarySetTest, AnAbortedParameterRunLeavesNoParameters)
{
    MakeLibraries(true);
    test::ScriptedDialog answers;
    test::ScriptedProgress stopping;
    stopping.abortAtPoll = 1;
    LibraryParameters parameters;
    parameters.Set(0, 1.5, 2.0);
    StatisticsAccumulator statistics;
    const ParameterRun run = ComputeSetDescriptorParameters(set, parameters, statistics, stopping, answers);
    EXPECT_FALSE(run.completed);
    EXPECT_FALSE(fs::exists(dir.File("three.idp")));
    EXPECT_FALSE(fs::exists(dir.File("three.idp-state")));
    EXPECT_EQ(parameters.Mean[0], 1.5);
    ASSERT_FALSE(answers.shown.empty());
    EXPECT_TRUE(test::Contains(answers.shown.back().text, "There are no parameters of this library set."));
}

// A search reads every member under its lock: no import replaces one meanwhile.
TEST_F(LibrarySetTest, ASearchLocksEveryMember)
{
    MakeLibraries(false);
    const LibraryLock searching(set, LibraryWork::Search);
    for (const std::string& member : members) {
        bool refused = false;
        std::thread other([&] {
            try {
                const LibraryLock importing(member, LibraryWork::Import);
            } catch (const LibraryBusy&) {
                refused = true;
            }
        });
        other.join();
        EXPECT_TRUE(refused) << member;
    }
}

} // namespace
} // namespace velmora
