#include "io/libfiles.h"

#include "io/convert.h"
#include "io/molfile.h"
#include "io/structlib.h"
#include "search/libparams.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <unistd.h>

namespace velmora {
namespace {

namespace fs = std::filesystem;

TEST(LibraryNames, EveryFileReplacesTheLastExtension)
{
    struct Case {
        std::string library, index, descriptors, result;
    };
    const std::vector<Case> cases{
        {"drugs.clb", "drugs.III", "drugs.pre", "drSIM.clb"}, // one dot: as always
        {"screen.v1.clb", "screen.v1.III", "screen.v1.pre", "screenSIM.clb"},
        {"nci.2023.clb", "nci.2023.III", "nci.2023.pre", "nci.2SIM.clb"},
        {"/data/lib.v2/test.clb", "/data/lib.v2/test.III", "/data/lib.v2/test.pre", "/data/lib.v2/tSIM.clb"},
        {"D:\\LIB\\TEST.V2.CLB", "D:\\LIB\\TEST.V2.III", "D:\\LIB\\TEST.V2.pre", "D:\\LIB\\TESTSIM.clb"},
        {"plain", "plain.III", "plain.pre", "SIM.clb"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(IndexFileName(c.library), c.index) << c.library;
        EXPECT_EQ(CompanionFileName(c.library, "pre"), c.descriptors) << c.library;
        EXPECT_EQ(ResultLibraryName(c.library), c.result) << c.library;
    }
    // Two names that share their first letters share no file.
    EXPECT_NE(CompanionFileName("mylib", "pre"), CompanionFileName("myfoo", "pre"));

    for (const std::string name : {"a.clb", "A.CLB", "x.y.Clb", ".clb"})
        EXPECT_TRUE(HasLibraryExtension(name) && WithLibraryExtension(name) == name && LibraryNameProblem(name).empty())
            << name;
    for (const std::string name : {"mylib", "lib.III", "lib.pre", "clb", "lib.clb.sdf"}) {
        EXPECT_FALSE(HasLibraryExtension(name)) << name;
        EXPECT_EQ(WithLibraryExtension(name), name + ".clb");
        EXPECT_FALSE(LibraryNameProblem(name).empty());
    }
}

TEST(LibraryNames, LibrariesThatDifferAfterTheFirstDotKeepTheirOwnRecords)
{
    test::TempDir dir;
    StructureLibrary library;
    NullProgress progress;
    const std::string v1 = dir.File("screen.v1.clb"), v2 = dir.File("screen.v2.clb");
    const std::string bzr = test::DataFile("bzr.sdf"), cdk2 = test::DataFile("cdk2.sdf");
    const ImportReport first = ImportStructures(library, bzr, CountSDRecords(bzr), v1, ConversionMode::WriteAnew, progress);
    const ImportReport second = ImportStructures(library, cdk2, CountSDRecords(cdk2), v2, ConversionMode::WriteAnew, progress);
    ASSERT_TRUE(first.Completed() && second.Completed());
    library.ReleaseFiles();
    const std::string out = dir.File("v1.sdf");
    const ExportReport report = ExportStructures(library, v1, CountLibraryRecords(v1), out, ConversionMode::WriteAnew, progress);
    EXPECT_EQ(report.skipped, 0);
    EXPECT_EQ(report.written, first.written);
    EXPECT_EQ(CountLibraryRecords(v2), second.written);
}

TEST(LibraryNames, FilesAreComparedByIdentityNotSpelling)
{
    test::TempDir dir;
    const std::string lib = dir.File("lib.clb");
    test::WriteBytes(lib, "data");
    test::WriteBytes(dir.File("lib.III"), "index");
    fs::create_directory(dir.File("sub"));
    fs::create_symlink(dir.File("lib.III"), dir.File("sub/link.sdf"));
    fs::create_hard_link(lib, dir.File("hard.sdf"));

    EXPECT_EQ(LibraryFileAt(lib, dir.File("sub/../lib.clb")), lib);
    EXPECT_EQ(LibraryFileAt(lib, dir.File("sub/link.sdf")), dir.File("lib.III"));
    EXPECT_EQ(LibraryFileAt(lib, dir.File("hard.sdf")), lib);
    EXPECT_EQ(LibraryFileAt(lib, dir.File("sub/../lib.pre")), dir.File("lib.pre")); // not there yet
    EXPECT_FALSE(LibraryFileAt(lib, dir.File("lib.sdf")));
    EXPECT_FALSE(LibraryFileAt(lib, dir.File("other.clb")));

    EXPECT_EQ(OwningLibrary(dir.File("lib.III")), lib);
    EXPECT_EQ(OwningLibrary(dir.File("lib.idp")), lib);
    EXPECT_EQ(OwningLibrary(dir.File("x.CLB")), dir.File("x.CLB"));
    EXPECT_FALSE(OwningLibrary(dir.File("lib.mol")));
    EXPECT_FALSE(OwningLibrary(dir.File("none.pre"))); // no library beside it
}

TEST(LibraryNames, FolderProblemsSayWhy)
{
    test::TempDir dir;
    EXPECT_EQ(FolderProblem(dir.File("x.clb")), "");
    EXPECT_EQ(FolderProblem(dir.File("missing/x.clb")),
              "the folder " + dir.File("missing") + " cannot be used: No such file or directory");
    test::WriteBytes(dir.File("file"), "");
    EXPECT_EQ(FolderProblem(dir.File("file/x.clb")), dir.File("file") + " is not a folder");
    if (::geteuid() != 0) { // permissions do not bind the superuser
        fs::create_directory(dir.File("ro"));
        fs::permissions(dir.File("ro"), fs::perms::owner_read | fs::perms::owner_exec);
        EXPECT_EQ(FolderProblem(dir.File("ro/x.clb")), "the folder " + dir.File("ro") + " is not writable: Permission denied");
        fs::permissions(dir.File("ro"), fs::perms::owner_all);
    }
}

} // namespace
} // namespace velmora
