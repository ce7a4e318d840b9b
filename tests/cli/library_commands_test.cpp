#include "cli_support.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include "io/structlib.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <sys/resource.h>
#include <sys/stat.h>

namespace velmora {
namespace {

using test::Contains;
using test::RunTool;

TEST(CliLibrary, ImportShowExportAndCount)
{
    test::TempDir dir;
    const std::string lib = dir.File("egfr.clb");
    auto run = RunTool({"import", test::DataFile("egfr.sdf"), lib});
    ASSERT_EQ(run.status, 0) << run.err;
    for (const char* part : {"Imported 352 structures", "13 records skipped"})
        EXPECT_TRUE(Contains(run.out, part)) << run.out;
    for (const char* part : {"skipped record 361 (ZINC03815155): 76 atoms, not 1..63", "velmora-cli import: warning: 13 records were left out\n"})
        EXPECT_TRUE(Contains(run.err, part)) << run.err;

    run = RunTool({"show", lib, "1"});
    ASSERT_EQ(run.status, 0) << run.err;
    for (const char* part : {"Name: ZINC", "CAS number: 0-00-0\nAtoms: ", "> <CAS_RN>\r\n0-00-0\r\n\r\n$$$$\r\n"})
        EXPECT_TRUE(Contains(run.out, part)) << run.out;

    const std::string sdf = dir.File("out.sdf");
    run = RunTool({"export", lib, sdf});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, "Exported 352 structures from " + lib + " to " + sdf + "\n");
    run = RunTool({"count", sdf});
    EXPECT_EQ(run.out, "352\n");

    // An existing library needs a decision.
    run = RunTool({"import", sdf, lib});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, "velmora-cli import: " + lib + ": the library exists already; give --append or --replace\n");
    run = RunTool({"import", sdf, lib, "--append"});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_TRUE(Contains(run.out, "(704 in the library)")) << run.out;
    run = RunTool({"import", sdf, lib, "--replace"});
    EXPECT_TRUE(Contains(run.out, "(352 in the library)")) << run.out;
}

TEST(CliLibrary, ImportListsLeftOutRecordsAndChangedNames)
{
    test::TempDir dir;
    std::string c14 = test::Carbon14Record();
    c14.replace(0, 7, "carbon14");
    std::string accented = test::kMethaneRecord;
    accented.replace(0, 7, "m\xc3\xa9thane");
    test::WriteBytes(dir.File("in.sdf"), test::kMethaneRecord + c14 + accented);
    const auto run = RunTool({"import", dir.File("in.sdf"), dir.File("lib.clb")});
    ASSERT_EQ(run.status, 0) << run.err;
    for (const char* part : {"Imported 2 structures", "(2 in the library, 1 records skipped, 1 names changed)"})
        EXPECT_TRUE(Contains(run.out, part)) << run.out;
    for (const char* part : {"skipped record 2 (carbon14): isotope 14C (atom 1) cannot be stored", "record 3 (m??thane): name changed"})
        EXPECT_TRUE(Contains(run.err, part)) << run.err;
}

TEST(CliLibrary, ImportKeepingNoRecordFailsAndSaysSo)
{
    test::TempDir dir;
    const std::string source = dir.File("c14.sdf");
    test::WriteBytes(source, test::Carbon14Record() + test::Carbon14Record());
    const std::string lib = dir.File("lib.clb");
    auto run = RunTool({"import", source, lib});
    EXPECT_EQ(run.status, 1);
    EXPECT_TRUE(run.out.empty()) << run.out;
    EXPECT_TRUE(Contains(run.err, "skipped record 2 (methane): isotope 14C (atom 1) cannot be stored\n")) << run.err;
    EXPECT_TRUE(Contains(run.err, "velmora-cli import: " + source + ": not one record could be imported; no library was made\n"))
        << run.err;
    EXPECT_FALSE(std::filesystem::exists(lib));

    // Appending nothing leaves the library as it was, and says so.
    ASSERT_EQ(RunTool({"import", test::DataFile("query.mol"), lib}).status, 0);
    const std::string before = test::ReadBytes(lib) + test::ReadBytes(dir.File("lib.III"));
    run = RunTool({"import", source, lib, "--append"});
    EXPECT_EQ(run.status, 1);
    EXPECT_TRUE(Contains(run.err, ": not one record could be imported; nothing was added to " + lib + "\n")) << run.err;
    EXPECT_EQ(test::ReadBytes(lib) + test::ReadBytes(dir.File("lib.III")), before);
}

TEST(CliLibrary, FailuresAreOneLineNamingTheFile)
{
    test::TempDir dir;
    const std::string lib = dir.File("q.clb");
    struct Case {
        std::vector<std::string> args;
        int status;
        std::string err;
    };
    test::WriteBytes(dir.File("text.sdf"), "not a molfile\n\n\nxx\n");
    test::WriteBytes(dir.File("bad.sdf"), "n\n\n\n  1  0\n    1.0000    x.0000    0.0000 C   0  0\n$$$$\n");
    ASSERT_EQ(::mkfifo(dir.File("fifo").c_str(), 0600), 0);
    ASSERT_EQ(RunTool({"import", test::DataFile("query.mol"), lib}).status, 0);
    const std::vector<Case> cases{
        {{"import", dir.File("none.sdf"), lib, "--replace"}, 1,
         "velmora-cli import: " + dir.File("none.sdf") + ": cannot open for reading: No such file or directory\n"},
        {{"import", dir.Path().string(), dir.File("d.clb")}, 1,
         "velmora-cli import: " + dir.Path().string() + ": is a folder, not a file\n"},
        {{"count", dir.File("fifo")}, 1, "velmora-cli count: " + dir.File("fifo") + ": is a FIFO (named pipe), not a regular file\n"},
        {{"import", test::DataFile("query.mol"), dir.File("missing/x.clb")}, 1,
         "velmora-cli import: cannot create the library " + dir.File("missing/x.clb") + ": the folder " +
             dir.File("missing") + " cannot be used: No such file or directory\n" + test::DataFile("query.mol") +
             ", record 1: 0 structures were written to " + dir.File("missing/x.clb") + " before\n"},
        {{"import", dir.File("text.sdf"), dir.File("t.clb")}, 1,
         "velmora-cli import: " + dir.File("text.sdf") + ": none MOL-Format !!  Please convert to MOL-Format\n"},
        {{"import", dir.File("bad.sdf"), dir.File("b.clb")}, 1,
         "velmora-cli import: " + dir.File("bad.sdf") + ", line 5: 'x.0000' is not a number\n"},
        {{"show", lib, "2"}, 1, "velmora-cli show: " + lib + ": position 2 is outside 1..1\n"},
        {{"show", dir.File("none.clb"), "1"}, 1, "velmora-cli show: " + dir.File("none.clb") + ": cannot open the index file\n"},
        {{"show", lib, "x"}, 2, "velmora-cli show: POSITION must be a whole number from 1 on, not 'x'\nusage: velmora-cli show LIBRARY POSITION\n"},
        {{"export", dir.File("none.clb"), dir.File("o.sdf")}, 1,
         "velmora-cli export: " + dir.File("none.clb") + ": not a structure library: the index file " +
             dir.File("none.III") + " cannot be read: No such file or directory\n"},
        {{"import", "a", "b", "--append", "--replace"}, 2, ""},
        {{"import", "a"}, 2, "velmora-cli import: missing arguments\nusage: velmora-cli import SOURCE LIBRARY [--append|--replace] [--smiles-column COL]\n"},
        {{"count", "a", "--fast"}, 2, "velmora-cli count: unknown option --fast\nusage: velmora-cli count SOURCE [--smiles-column COL]\n"},
        {{"frobnicate"}, 2, "velmora-cli: unknown command 'frobnicate' (see velmora-cli --help)\n"},
    };
    for (const auto& c : cases) {
        const auto run = RunTool(c.args);
        EXPECT_EQ(run.status, c.status) << c.args[0] << " " << run.err;
        if (!c.err.empty())
            EXPECT_EQ(run.err, c.err);
        else
            EXPECT_FALSE(run.err.empty());
    }
    EXPECT_FALSE(std::filesystem::exists(dir.File("t.clb")));
}

TEST(CliLibrary, NothingIsWrittenOntoALibrarysOwnFiles)
{
    test::TempDir dir;
    const std::string query = test::DataFile("query.mol");
    // A target without ".clb" gets it; every other command refuses such a name.
    auto run = RunTool({"import", query, dir.File("mylib")});
    ASSERT_EQ(run.status, 0) << run.err;
    const std::string lib = dir.File("mylib.clb");
    EXPECT_TRUE(Contains(run.out, " into " + lib + " (1 in the library)")) << run.out;
    const std::string refusal = ": not a structure library: a library's name ends in \".clb\"\n";
    for (const std::string command : {"show", "export", "build", "params", "stats"}) {
        std::vector<std::string> args{command, dir.File("mylib")};
        if (command == "show" || command == "export")
            args.push_back(command == "show" ? "1" : dir.File("out.sdf"));
        run = RunTool(args);
        EXPECT_EQ(run.status, 1) << command;
        EXPECT_EQ(run.err, "velmora-cli " + command + ": " + dir.File("mylib") + refusal);
    }

    ASSERT_EQ(RunTool({"build", lib}).status, 0);
    const std::vector<std::string> files{lib, dir.File("mylib.III"), dir.File("mylib.pre"), dir.File("mylib.idp")};
    std::vector<std::string> before;
    for (const auto& file : files)
        before.push_back(test::ReadBytes(file));
    // The same files under other spellings and through a link.
    std::filesystem::create_directory(dir.File("sub"));
    std::filesystem::create_symlink(dir.File("mylib.idp"), dir.File("sub/params.sdf"));
    for (const std::string& target : {lib, dir.File("mylib.III"), dir.File("sub/../mylib.pre"), dir.File("sub/params.sdf")}) {
        run = RunTool({"export", lib, target});
        EXPECT_EQ(run.status, 1) << target;
        EXPECT_TRUE(Contains(run.err, "The target is a file of the library being read.")) << run.err;
    }
    EXPECT_TRUE(Contains(run.err, dir.File("sub/params.sdf") + " is " + dir.File("mylib.idp") + ", a file of the library " + lib))
        << run.err;
    // An import target named like a companion file is a library of its own.
    for (const std::string& target : {dir.File("mylib.III"), dir.File("mylib.pre")}) {
        run = RunTool({"import", query, target, "--append"});
        EXPECT_EQ(run.status, 0) << run.err;
        EXPECT_EQ(CountLibraryRecords(target + ".clb"), 1);
    }
    for (std::size_t i = 0; i < files.size(); ++i)
        EXPECT_EQ(test::ReadBytes(files[i]), before[i]) << files[i];
    EXPECT_EQ(RunTool({"show", lib, "1"}).status, 0);
}

TEST(CliLibrary, ExportOfAnUnreadableLibraryFails)
{
    test::TempDir dir;
    const std::string lib = dir.File("lib.clb");
    ASSERT_EQ(RunTool({"import", test::DataFile("query.mol"), lib}).status, 0);
    test::WriteBytes(dir.File("lib.III"), std::string(8, '\0')); // two empty entries
    const auto run = RunTool({"export", lib, dir.File("out.sdf")});
    EXPECT_EQ(run.status, 1);
    EXPECT_TRUE(Contains(run.err, lib + ": not one of 2 structures could be read\n")) << run.err;
}

// An import beyond the file size limit is an error saying how far it came, not the end of the
// process (the other commands under a limit: file_limit_test).
TEST(CliLibraryDeathTest, OverLargeImportFailsClearly)
{
    test::TempDir dir;
    // Runs in a child process: files may grow to 64 KiB there.
    auto limited = [&dir] {
        rlimit limit{};
        limit.rlim_cur = 64 * 1024;
        limit.rlim_max = RLIM_INFINITY;
        ::setrlimit(RLIMIT_FSIZE, &limit);
        const auto run = RunTool({"import", test::DataFile("nci1000.sdf"), dir.File("big.clb")});
        std::fputs(run.err.c_str(), stderr);
        std::_Exit(run.status);
    };
    EXPECT_EXIT(limited(), ::testing::ExitedWithCode(1), "structures were written to");
}

TEST(CliLibrary, HelpDescribesEveryCommand)
{
    const auto overview = RunTool({"--help"});
    EXPECT_EQ(overview.status, 0);
    for (const char* command : {"import", "export", "show", "count"}) {
        EXPECT_TRUE(Contains(overview.out, std::string("  ") + command + " ")) << command;
        const auto help = RunTool({command, "--help"});
        EXPECT_EQ(help.status, 0);
        EXPECT_EQ(help.out.rfind(std::string("Usage: velmora-cli ") + command, 0), 0u) << help.out;
    }
    EXPECT_EQ(RunTool({}).status, 2);
}

} // namespace
} // namespace velmora
