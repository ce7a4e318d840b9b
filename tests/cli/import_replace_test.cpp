// An import changes a library only once it keeps a record: velmora-cli run as a real process that
// replaces or appends to a library, keeps nothing, is killed, or goes through.
#include "cli_support.h"
#include "process_support.h"
#include "test_support.h"

#include "io/libfiles.h"
#include "io/liblock.h"
#include "io/libreplace.h"
#include "io/structlib.h"

#include <gtest/gtest.h>

#include <csignal>
#include <unistd.h>

#include <filesystem>
#include <iostream>
#include <optional>

namespace velmora {
namespace {

namespace fs = std::filesystem;
using test::Contains;

test::ProcessRun Tool(const test::TempDir& dir, const std::vector<std::string>& args)
{
    return test::RunProgram(VELMORA_CLI_PROGRAM, args, dir.Path().string());
}

constexpr auto Files = test::LibraryFiles;

// A library of two NCI structures with its descriptor, parameter and INTRO files and their stamps.
std::string LibraryWithCompanions(const test::TempDir& dir)
{
    const std::string source = dir.File("old.sdf");
    test::WriteBytes(source, test::NciRecords(100, 2));
    const std::string lib = dir.File("lib.clb");
    EXPECT_EQ(Tool(dir, {"import", source, lib, "--replace"}).status, 0);
    EXPECT_EQ(Tool(dir, {"build", lib}).status, 0);
    EXPECT_EQ(Tool(dir, {"params", lib}).status, 0);
    for (const char* extension : {"pre", "idp", "idr", "pre-state", "idp-state", "idr-state"})
        EXPECT_TRUE(fs::exists(LibraryCompanionName(lib, extension))) << extension;
    return lib;
}

std::string Carbon14Records(int count)
{
    std::string records;
    for (int k = 0; k < count; ++k)
        records += test::Carbon14Record();
    return records;
}

// Reads the library as any reader does (its lock first): of each record its name, atom count and
// first x coordinate; nothing when a record does not read.
std::optional<std::vector<std::string>> ReadableRecords(const std::string& lib)
{
    const LibraryLock lock(lib, LibraryWork::Read);
    StructureLibrary library;
    std::vector<std::string> names;
    const long count = CountLibraryRecords(lib);
    for (long k = 1; k <= count; ++k) {
        if (library.ReadLibraryRecord(lib, k) != kLibOk)
            return std::nullopt;
        const TCTab& table = library.Structure();
        names.push_back(table.FStrucName + " " + std::to_string(table.NumValidAtoms) + " " +
                        std::to_string(table.NumValidAtoms > 0 ? table.Atom(1).x : 0.0f));
    }
    return names;
}

// Sources of which the import keeps nothing leave the library, its companion files and their stamps
// as they were, replaced or appended to; the tool says so and exits 1.
TEST(ImportKeepingNothing, LeavesTheLibraryAndItsCompanionFilesAsTheyWere)
{
    test::TempDir dir;
    const std::string lib = LibraryWithCompanions(dir);
    const auto before = Files(lib);
    const std::string unreadable = dir.File("c14.sdf");
    test::WriteBytes(unreadable, Carbon14Records(3));
    const std::string smiles = dir.File("bad.smi");
    test::WriteBytes(smiles, "XX( first\nC1CC second\n");

    for (const std::string& source : {unreadable, smiles}) {
        auto run = Tool(dir, {"import", source, lib, "--replace"});
        EXPECT_EQ(run.status, 1) << run.err;
        EXPECT_TRUE(run.out.empty()) << run.out;
        EXPECT_EQ(Files(lib), before) << source;
        run = Tool(dir, {"import", source, lib, "--append"});
        EXPECT_EQ(run.status, 1) << run.err;
        EXPECT_EQ(Files(lib), before) << source;
    }
    auto run = Tool(dir, {"import", unreadable, lib, "--replace"});
    EXPECT_TRUE(Contains(run.err, "velmora-cli import: " + unreadable + ": not one record could be imported; " + lib +
                                      " was left as it was\n"))
        << run.err;
    run = Tool(dir, {"import", unreadable, lib, "--append"});
    EXPECT_TRUE(Contains(run.err, ": not one record could be imported; nothing was added to " + lib + "\n")) << run.err;

    // A new library that keeps nothing is not made, and leaves no staging folder.
    const std::string fresh = dir.File("fresh.clb");
    run = Tool(dir, {"import", unreadable, fresh, "--replace"});
    EXPECT_EQ(run.status, 1);
    EXPECT_TRUE(Contains(run.err, "no library was made\n")) << run.err;
    EXPECT_FALSE(fs::exists(fresh));
    EXPECT_FALSE(fs::exists(IndexFileName(fresh)));
    EXPECT_FALSE(fs::exists(LibraryStagingFolder(fresh)));
}

// A replace that goes through gives the files an import into a new library gives, whatever the
// library held before, and the same files as one record written and the rest appended; it deletes
// the previous companion files and their stamps.
TEST(ImportReplacing, GivesTheFilesOfANewLibrary)
{
    test::TempDir dir;
    const std::string lib = LibraryWithCompanions(dir);
    const std::string source = dir.File("new.sdf");
    test::WriteBytes(source, test::NciRecords(1, 40));
    const std::string fresh = dir.File("fresh.clb");
    ASSERT_EQ(Tool(dir, {"import", source, fresh}).status, 0);
    const auto run = Tool(dir, {"import", source, lib, "--replace"});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, "Imported 40 structures from " + source + " into " + lib + " (40 in the library)\n");
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(test::ReadBytes(lib), test::ReadBytes(fresh));
    EXPECT_EQ(test::ReadBytes(IndexFileName(lib)), test::ReadBytes(IndexFileName(fresh)));
    auto files = Files(lib);
    for (const char* gone : {"pre", "idp", "idr", "pre-state", "idp-state", "idr-state", "staging"})
        EXPECT_EQ(files[gone], "(missing)") << gone;

    const std::string first = dir.File("first.sdf"), rest = dir.File("rest.sdf"), pieces = dir.File("pieces.clb");
    test::WriteBytes(first, test::NciRecords(1, 1));
    test::WriteBytes(rest, test::NciRecords(2, 39));
    ASSERT_EQ(Tool(dir, {"import", first, pieces}).status, 0);
    ASSERT_EQ(Tool(dir, {"import", rest, pieces, "--append"}).status, 0);
    EXPECT_EQ(test::ReadBytes(pieces), test::ReadBytes(fresh));
    EXPECT_EQ(test::ReadBytes(IndexFileName(pieces)), test::ReadBytes(IndexFileName(fresh)));
}

// A replace killed at any moment leaves the previous library as it was, or a readable new one
// holding the first kept records of the source.
TEST(ImportReplacing, AKillLeavesTheOldLibraryOrAReadableNewOne)
{
    test::TempDir dir;
    const std::string big = dir.File("big.sdf");
    // Records left out first: a kill finds the import before its first kept record as well.
    test::WriteBytes(big, Carbon14Records(2000) + test::NciRecords(1, 1000) + test::NciRecords(1, 1000));
    const std::string oneSource = dir.File("one.sdf");
    test::WriteBytes(oneSource, test::NciRecords(1, 1));
    const std::string one = dir.File("one.clb");
    ASSERT_EQ(Tool(dir, {"import", oneSource, one}).status, 0);
    const std::string newFirst = ReadableRecords(one)->at(0);

    int old = 0, fresh = 0;
    for (int delay : {0, 5, 10, 20, 30, 40, 50, 60, 70, 80, 90, 100, 120, 140, 170, 200, 250}) {
        const std::string lib = LibraryWithCompanions(dir);
        const auto before = Files(lib);
        const std::string oldFirst = ReadableRecords(lib)->at(0);
        ASSERT_NE(oldFirst, newFirst);

        const auto import = test::StartProgram(VELMORA_CLI_PROGRAM, {"import", big, lib, "--replace"});
        ASSERT_GT(import.pid, 0);
        ::usleep(static_cast<useconds_t>(delay * 1000));
        ::kill(import.pid, SIGKILL);
        test::Finish(import);

        const auto names = ReadableRecords(lib);
        ASSERT_TRUE(names) << "a record does not read after a kill at " << delay << " ms";
        auto now = Files(lib);
        now["staging"] = before.at("staging"); // staged files of a replacement not made are no part of it
        if (now == before) {
            ++old;
            continue;
        }
        ++fresh;
        ASSERT_FALSE(names->empty()) << "neither library after a kill at " << delay << " ms";
        EXPECT_EQ(names->front(), newFirst) << delay;
        EXPECT_LE(names->size(), 2000u);
        EXPECT_EQ(Files(lib)["pre"], "(missing)");
        // The next program finds the library free and whole.
        EXPECT_EQ(Tool(dir, {"build", lib}).status, 0);
    }
    std::cout << "kills: " << old << " left the previous library, " << fresh << " a new one\n";
}

// A replacement killed between its renames is completed by the next program that locks the
// library, whichever of its two last steps was left; staged files not marked ready are no
// replacement: the library stays, and the next replace clears them.
TEST(ImportReplacing, AReplacementCutShortIsCompletedByTheNextProgram)
{
    enum class Left { BothRenames, IndexRename, NotReady };
    for (Left left : {Left::BothRenames, Left::IndexRename, Left::NotReady}) {
        test::TempDir dir;
        const std::string lib = LibraryWithCompanions(dir);
        const std::string source = dir.File("new.sdf");
        test::WriteBytes(source, test::NciRecords(1, 5));
        const std::string made = dir.File("made.clb");
        ASSERT_EQ(Tool(dir, {"import", source, made}).status, 0);
        const std::string data = test::ReadBytes(made), index = test::ReadBytes(IndexFileName(made));
        const std::string shown = Tool(dir, {"show", made, "5"}).out;
        ASSERT_FALSE(shown.empty());

        const std::string folder = LibraryStagingFolder(lib);
        fs::create_directory(folder);
        fs::rename(IndexFileName(made), folder + (left == Left::NotReady ? "/lib.III" : "/ready-index"));
        fs::rename(made, left == Left::IndexRename ? lib : folder + "/lib.clb");
        const auto before = Files(lib);

        const auto run = Tool(dir, {"show", lib, "5"});
        if (left == Left::NotReady) {
            EXPECT_EQ(Files(lib), before);
            ASSERT_EQ(Tool(dir, {"import", source, lib, "--replace"}).status, 0);
            EXPECT_FALSE(fs::exists(folder));
            EXPECT_EQ(test::ReadBytes(lib), data);
            continue;
        }
        EXPECT_EQ(run.status, 0) << run.err;
        EXPECT_EQ(run.out, shown);
        EXPECT_EQ(test::ReadBytes(lib), data);
        EXPECT_EQ(test::ReadBytes(IndexFileName(lib)), index);
        EXPECT_FALSE(fs::exists(folder));
    }
}

} // namespace
} // namespace velmora
