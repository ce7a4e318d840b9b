#include "io/convert.h"
#include "io/molfile.h"
#include "scripted.h"
#include "search/workbench.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace velmora {
namespace {

// After "x.sdf" is imported as "x.clb" both share the index name "x.III": the SD file must still
// load as a molfile, not be decoded through the library's index.
TEST(SiblingFiles, AnSdFileBesideItsLibraryLoadsAsAMolfile)
{
    EXPECT_TRUE(IsStructureFileName("/a/x.SDF"));
    EXPECT_TRUE(IsStructureFileName("x.mol"));
    EXPECT_FALSE(IsStructureFileName("x.clb"));
    EXPECT_FALSE(IsStructureFileName("dir.sdf/x"));

    test::TempDir dir;
    const std::string sdf = dir.File("x.sdf");
    std::filesystem::copy_file(test::DataFile("nci1000.sdf"), sdf);
    StructureLibrary library;
    test::ScriptedProgress progress;
    ASSERT_TRUE(ImportStructures(library, sdf, CountSDRecords(sdf), dir.File("x.clb"), ConversionMode::WriteAnew, progress)
                    .Completed());
    test::ScriptedDialog dialog;
    Workbench workbench(dialog, progress, dir.Path().string());
    ASSERT_TRUE(workbench.LoadQuery(sdf));
    TextReader reader(sdf);
    TCTab first;
    ReadMolRecord(first, reader);
    EXPECT_EQ(CompareCtab(workbench.State().Query, first), 0);
    EXPECT_TRUE(dialog.shown.empty());
}

} // namespace
} // namespace velmora
