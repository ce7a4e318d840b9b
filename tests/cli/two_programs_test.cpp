// Two programs on one library: velmora-cli run as real processes against each other and against a
// lock this test holds, as another program (the window, a second tool) would.
#include "process_support.h"
#include "test_support.h"

#include "io/libfiles.h"
#include "io/liblock.h"
#include "io/libstamp.h"
#include "io/structlib.h"
#include "search/libparams.h"

#include <gtest/gtest.h>

#include <csignal>
#include <unistd.h>

#include <filesystem>
#include <iostream>

namespace velmora {
namespace {

namespace fs = std::filesystem;
using test::Contains;
using Finished = test::ProcessRun;
constexpr auto Files = test::LibraryFiles;

// Starts velmora-cli with args; its output goes into files of dir named by tag.
test::Started Start(const test::TempDir& dir, const std::string& tag, const std::vector<std::string>& args)
{
    return test::StartProgram(VELMORA_CLI_PROGRAM, args, dir.File(tag + ".out"), dir.File(tag + ".err"));
}
Finished Wait(const test::Started& process) { return test::Finish(process); }
Finished RunTool(const test::TempDir& dir, const std::vector<std::string>& args)
{
    return test::RunProgram(VELMORA_CLI_PROGRAM, args, dir.Path().string());
}

// Two appends at once: each either completes with every one of its records in the library, or is
// refused, naming the import that holds the library, and adds nothing.
TEST(TwoPrograms, TwoAppendsAtOnceLoseNoRecord)
{
    test::TempDir dir;
    const std::string a = dir.File("a.sdf"), b = dir.File("b.sdf");
    test::WriteBytes(a, test::NciRecords(1, 200));
    test::WriteBytes(b, test::NciRecords(301, 200));
    const std::string lib = dir.File("lib.clb");
    int bothRan = 0, oneRefused = 0;
    for (int round = 0; round < 20; ++round) {
        fs::remove(lib);
        fs::remove(dir.File("lib.III"));
        test::WriteBytes(dir.File("seed.sdf"), test::NciRecords(900, 5));
        ASSERT_EQ(RunTool(dir, {"import", dir.File("seed.sdf"), lib}).status, 0);
        const test::Started first = Start(dir, "first", {"import", a, lib, "--append"});
        const test::Started second = Start(dir, "second", {"import", b, lib, "--append"});
        const Finished one = Wait(first), two = Wait(second);
        long expected = 5;
        for (const Finished* run : {&one, &two}) {
            if (run->status == 0) {
                expected += 200;
                EXPECT_TRUE(Contains(run->out, "Imported 200 structures")) << run->out;
            } else {
                EXPECT_EQ(run->status, 1) << run->err;
                EXPECT_TRUE(Contains(run->err, lib + ": in use by another program (import): nothing was changed"))
                    << run->err;
                ++oneRefused;
            }
        }
        bothRan += one.status == 0 && two.status == 0;
        ASSERT_EQ(CountLibraryRecords(lib), expected) << "round " << round << "\n" << one.err << two.err;
        StructureLibrary library;
        for (long k = 1; k <= expected; ++k)
            ASSERT_EQ(library.ReadLibraryRecord(lib, k), kLibOk) << "round " << round << ", record " << k;
    }
    // Both outcomes are fine; the rounds where one was refused are the ones that overlapped.
    std::cout << "two appends at once: " << oneRefused << " of 20 rounds overlapped, " << bothRan << " ran one after the other\n";
}

// While another program holds the library, what may not share it is refused at once, names the
// work that holds it, exits 1 and changes no file; what may share it runs.
TEST(TwoPrograms, WorkThatCannotShareTheLibraryIsRefusedAndChangesNothing)
{
    test::TempDir dir;
    const std::string lib = test::NciLibrary(dir, "lib", 30, true);
    ASSERT_FALSE(lib.empty());
    const std::string query = test::DataFile("query.mol");
    const std::string more = dir.File("more.sdf");
    test::WriteBytes(more, test::NciRecords(100, 3));
    struct Case {
        LibraryWork held;
        std::vector<std::string> args;
        const char* holder; // empty: the command runs
    };
    const std::vector<Case> cases{
        {LibraryWork::Import, {"build", lib}, "import"},
        {LibraryWork::Import, {"params", lib}, "import"},
        {LibraryWork::Import, {"search", lib, query, "--descriptors", "Atoms of C,Atoms of N,Atoms of O", "--yes"}, "import"},
        {LibraryWork::Import, {"show", lib, "1"}, "import"},
        {LibraryWork::Import, {"stats", lib}, "import"},
        {LibraryWork::Import, {"export", lib, dir.File("out.sdf")}, "import"},
        {LibraryWork::Build, {"import", more, lib, "--append"}, "build"},
        {LibraryWork::Params, {"import", more, lib, "--replace"}, "params"},
        {LibraryWork::Search, {"import", more, lib, "--append"}, "search"},
        {LibraryWork::Search, {"build", lib}, "search"},
        {LibraryWork::Export, {"params", lib}, "export"},
        {LibraryWork::Read, {"show", lib, "2"}, nullptr},
        {LibraryWork::Search, {"export", lib, dir.File("out.sdf")}, nullptr},
    };
    for (const auto& c : cases) {
        const auto before = Files(lib);
        Finished run;
        {
            const LibraryLock held(lib, c.held);
            run = RunTool(dir, c.args);
        }
        if (!c.holder) {
            EXPECT_EQ(run.status, 0) << c.args[0] << "\n" << run.err;
            continue;
        }
        EXPECT_EQ(run.status, 1) << c.args[0];
        EXPECT_TRUE(Contains(run.err, lib + ": in use by another program (" + c.holder + "): nothing was changed; "
                                            "try again when it has finished\n"))
            << c.args[0] << " against " << LibraryWorkName(c.held) << ": " << run.err;
        EXPECT_EQ(Files(lib), before) << c.args[0] << " against " << LibraryWorkName(c.held);
        EXPECT_FALSE(fs::exists(dir.File("out.sdf"))) << c.args[0];
    }
}

// Two builds at once leave one complete descriptor file that fits the library; a build that says
// it wrote its files did.
TEST(TwoPrograms, TwoBuildsAtOnceLeaveOneCompleteDescriptorFile)
{
    test::TempDir dir;
    const std::string lib = test::NciLibrary(dir, "lib", 400, false);
    ASSERT_FALSE(lib.empty());
    for (int round = 0; round < 5; ++round) {
        const test::Started first = Start(dir, "first", {"build", lib});
        const test::Started second = Start(dir, "second", {"build", lib});
        const Finished one = Wait(first), two = Wait(second);
        EXPECT_TRUE(one.status == 0 || two.status == 0) << one.err << two.err;
        for (const Finished* run : {&one, &two})
            EXPECT_TRUE(run->status == 0 || Contains(run->err, "in use by another program (build)")) << run->err;
        ASSERT_TRUE(fs::exists(dir.File("lib.pre"))) << "round " << round;
        EXPECT_EQ(fs::file_size(dir.File("lib.pre")), 400u * 260u);
        EXPECT_FALSE(fs::exists(dir.File("lib.pr1")));
        EXPECT_EQ(CompanionMismatch(lib, "pre"), "");
        EXPECT_EQ(CompanionMismatch(lib, "idp"), "");
    }
}

// A search while an import appends never sees the half-written library: it is refused, or it
// ran before or after; an INTRO parameter file it leaves fits the library as it ends up.
TEST(TwoPrograms, ASearchDuringAnAppendLeavesNoParametersOfAHalfWrittenLibrary)
{
    test::TempDir dir;
    const std::string lib = test::NciLibrary(dir, "lib", 20, false);
    ASSERT_FALSE(lib.empty());
    const std::string more = dir.File("more.sdf");
    test::WriteBytes(more, test::NciRecords(200, 400));
    const test::Started import = Start(dir, "import", {"import", more, lib, "--append"});
    const test::Started search = Start(dir, "search", {"search", lib, test::DataFile("query.mol"), "--descriptors",
                                                       "Bonds: single,Hetero atoms,Branching atoms", "--mode", "intro", "--yes"});
    const Finished imported = Wait(import), searched = Wait(search);
    ASSERT_EQ(imported.status == 0 ? 0 : 1, imported.status) << imported.err;
    EXPECT_TRUE(searched.status == 0 || Contains(searched.err, "in use by another program")) << searched.err;
    if (fs::exists(dir.File("lib.idr")))
        EXPECT_EQ(CompanionMismatch(lib, "idr"), "");
    EXPECT_EQ(CountLibraryRecords(lib), imported.status == 0 ? 420 : 20);
}

// The system releases the lock of a program that is killed: the next one is not refused, and what
// it makes fits the library as the killed one left it.
TEST(TwoPrograms, AKilledWriterLeavesTheLibraryFree)
{
    test::TempDir dir;
    const std::string big = dir.File("big.sdf");
    test::WriteBytes(big, test::NciRecords(1, 1000) + test::NciRecords(1, 1000) + test::NciRecords(1, 1000));
    const std::string lib = dir.File("lib.clb");
    for (int delay : {20, 60}) {
        const test::Started import = Start(dir, "import", {"import", big, lib, "--replace"});
        ::usleep(static_cast<useconds_t>(delay * 1000));
        ::kill(import.pid, SIGKILL);
        Wait(import);
        const std::string more = dir.File("more.sdf");
        test::WriteBytes(more, test::NciRecords(100, 2));
        const Finished append = RunTool(dir, {"import", more, lib, "--append"});
        EXPECT_EQ(append.status, 0) << append.err;
        const Finished build = RunTool(dir, {"build", lib});
        EXPECT_EQ(build.status, 0) << build.err;
        EXPECT_EQ(CompanionMismatch(lib, "pre"), "");
    }
}

// Two searches of one library at once (both may read it) each rank from their own scratch file: both
// print what each prints alone, neither touches a file of that name another program keeps there, and
// none is left behind.
TEST(TwoPrograms, TwoSearchesOfOneLibraryAtOnceKeepTheirOwnResults)
{
    test::TempDir dir;
    const std::string lib = test::NciLibrary(dir, "lib", 300, true);
    ASSERT_FALSE(lib.empty());
    const std::string queries = dir.File("queries.sdf");
    test::WriteBytes(queries, test::NciRecords(5, 3));
    const std::string other = dir.File("lib.qlt");
    test::WriteBytes(other, "1 0.5\r\n");
    auto table = [](const std::string& out) { // the report from its output table on, without the time
        const auto start = out.find("OUTPUT"), end = out.find("Calculation time");
        return start == std::string::npos || end == std::string::npos ? "<no table>\n" + out : out.substr(start, end - start);
    };
    const std::vector<std::vector<std::string>> searches{
        {"search", lib, test::DataFile("query.mol"), "--descriptors", "Bonds: single,Hetero atoms,Atoms of C", "--best", "40"},
        {"search", lib, "--queries", queries, "--fusion", "rrf", "--descriptors", "Bonds: single,Hetero atoms,Atoms of C",
         "--best", "40"}};
    std::vector<std::string> alone;
    for (const auto& args : searches) {
        const Finished run = RunTool(dir, args);
        ASSERT_EQ(run.status, 0) << run.err;
        alone.push_back(table(run.out));
    }
    for (int round = 0; round < 6; ++round) {
        const auto& first = searches[static_cast<std::size_t>(round % 2)];
        const auto& second = searches[static_cast<std::size_t>(round / 2 % 2)];
        const test::Started one = Start(dir, "one", first), two = Start(dir, "two", second);
        const Finished ran1 = Wait(one), ran2 = Wait(two);
        ASSERT_EQ(ran1.status, 0) << ran1.err;
        ASSERT_EQ(ran2.status, 0) << ran2.err;
        EXPECT_EQ(table(ran1.out), alone[static_cast<std::size_t>(round % 2)]) << "round " << round;
        EXPECT_EQ(table(ran2.out), alone[static_cast<std::size_t>(round / 2 % 2)]) << "round " << round;
    }
    EXPECT_EQ(test::ReadBytes(other), "1 0.5\r\n");
    for (const auto& entry : fs::directory_iterator(dir.Path()))
        EXPECT_EQ(entry.path().filename().string().rfind("lib.qlt.", 0), std::string::npos) << entry.path();
}

} // namespace
} // namespace velmora
