// Which reader takes a structure file, and what happens to SMILES and V3000 files in a build (or a
// program) without the readers that RDKit supplies.
#include "io/structureformats.h"

#include "base/ioerror.h"
#include "scripted.h"
#include "search/workbench.h"
#include "test_support.h"

#include <gtest/gtest.h>

namespace velmora {
namespace {

const char* const kV3000Record =
    "ethane\n  test\n\n  0  0  0     0  0            999 V3000\nM  V30 BEGIN CTAB\nM  V30 COUNTS 2 1 0 0 0\n"
    "M  V30 BEGIN ATOM\nM  V30 1 C 0 0 0 0\nM  V30 2 C 1.5 0 0 0\nM  V30 END ATOM\nM  V30 BEGIN BOND\n"
    "M  V30 1 1 1 2\nM  V30 END BOND\nM  V30 END CTAB\nM  END\n$$$$\n";

TEST(StructureFormats, KindFollowsTheExtensionAndTheCountsLines)
{
    test::TempDir dir;
    const std::string v2000 = test::NciRecords(1, 2);
    const struct {
        std::string name;
        std::string text;
        StructureFileKind kind;
    } cases[] = {
        {"a.smi", "CCO x\n", StructureFileKind::Smiles},
        {"b.SMILES", "", StructureFileKind::Smiles},
        {"c.Csv", "smiles\n", StructureFileKind::Smiles},
        {"d.tsv", "smiles\n", StructureFileKind::Smiles},
        {"e.sdf", v2000, StructureFileKind::Molfile},
        {"f.sdf", kV3000Record + v2000, StructureFileKind::V3000Molfile}, // the first record decides
        {"j.sdf", v2000 + kV3000Record, StructureFileKind::Molfile},
        {"g.mol", kV3000Record, StructureFileKind::V3000Molfile},
        {"h.txt", v2000, StructureFileKind::Molfile},
        // "V3000" elsewhere than on a counts line (a name, a data item) is no V3000 record.
        {"i.sdf", "V3000\n" + v2000.substr(v2000.find('\n') + 1) + "> <NOTE>\nV3000\n\n$$$$\n", StructureFileKind::Molfile},
    };
    for (const auto& c : cases) {
        const std::string path = dir.File(c.name);
        test::WriteBytes(path, c.text);
        EXPECT_EQ(StructureFileKindOf(path), c.kind) << c.name;
    }
    EXPECT_THROW(StructureFileKindOf(dir.File("missing.sdf")), IoError);
    EXPECT_EQ(CountStructureRecords(dir.File("f.sdf")), 3);
    EXPECT_NE(dynamic_cast<SdSource*>(OpenStructureSource(dir.File("e.sdf")).get()), nullptr);
}

// This suite registers no readers, as a build without RDKit.
TEST(StructureFormats, WithoutReadersSmilesAndV3000AreRefusedByName)
{
    ASSERT_FALSE(StructureFormatsAvailable());
    test::TempDir dir;
    const std::string smiles = dir.File("q.smi");
    const std::string v3000 = dir.File("q.sdf");
    test::WriteBytes(smiles, "CCO ethanol\n");
    test::WriteBytes(v3000, kV3000Record);
    for (const auto& file : {smiles, v3000}) {
        try {
            OpenStructureSource(file);
            ADD_FAILURE() << file;
        } catch (const IoError& error) {
            EXPECT_EQ(error.File(), file);
            EXPECT_EQ(error.Problem(), kStructureFormatsUnavailable);
        }
    }
    EXPECT_THROW(CountStructureRecords(smiles), IoError);
    TCTab table;
    EXPECT_THROW(StructureFromSmiles("CCO", table), IoError);

    test::ScriptedDialog dialog;
    test::ScriptedProgress progress;
    Workbench bench(dialog, progress, dir.Path().string());
    EXPECT_FALSE(bench.PasteSmiles());
    EXPECT_TRUE(dialog.textCaptions.empty()); // refused before asking
    EXPECT_FALSE(bench.LoadQuerySmiles("CCO"));
    EXPECT_FALSE(bench.LoadQuery(smiles));
    EXPECT_EQ(dialog.shown.back().detail, smiles + ": " + kStructureFormatsUnavailable);
    EXPECT_FALSE(bench.ImportLibrary(smiles, [](Converter&) { return true; }));
    ASSERT_EQ(dialog.shown.size(), 4u);
    for (const auto& shown : {dialog.shown[0], dialog.shown[3]})
        EXPECT_EQ(shown.text, kStructureFormatsUnavailable);
    EXPECT_EQ(dialog.shown[1].detail, kStructureFormatsUnavailable);
    EXPECT_FALSE(bench.State().QueryLoaded);
}

} // namespace
} // namespace velmora
