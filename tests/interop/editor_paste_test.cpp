// A SMILES pasted into the structure editor and handed over as the query gives the descriptors
// that the same SMILES gives when imported into a library.
#include "interop_support.h"
#include "scripted.h"
#include "test_support.h"

#include "descriptors/catalogue.h"
#include "editor/editorcontroller.h"
#include "io/convert.h"
#include "io/structureformats.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <set>
#include <string>
#include <vector>

namespace velmora {
namespace {

const std::vector<std::string> kSmiles = {
    "CCO", "OC(=O)c1ccccc1", "C[NH3+]", "c1ccc2ccccc2c1", "CC(=O)[O-].[Na+]", "Clc1ccc(Br)cc1N", "C1CC12CCCC2",
    "N#CC=CC(=O)OC",
};

std::set<std::string> Differing(const TCTab& a, const TCTab& b)
{
    const auto x = ComputeDescriptorValues(a);
    const auto y = ComputeDescriptorValues(b);
    std::set<std::string> names;
    for (int p = 1; p <= kDescriptorCount; ++p) {
        const int index = CatalogueIndexOfPosition(p);
        const double u = x[static_cast<std::size_t>(index)], v = y[static_cast<std::size_t>(index)];
        if (!(IsRealDescriptor(index) ? std::fabs(u - v) <= 1e-9 * std::max(1.0, std::fabs(u)) : u == v))
            names.insert(CatalogueName(index));
    }
    return names;
}

TEST(EditorPaste, PastedSmilesHasTheDescriptorsOfTheImportedSmiles)
{
    ASSERT_TRUE(StructureFormatsAvailable());
    test::TempDir dir;
    std::string file;
    for (std::size_t k = 0; k < kSmiles.size(); ++k)
        file += kSmiles[k] + " s" + std::to_string(k + 1) + "\n";
    const std::string smi = dir.File("pasted.smi");
    test::WriteBytes(smi, file);
    StructureLibrary library;
    test::ScriptedProgress progress;
    const std::string libraryFile = dir.File("pasted.clb");
    auto source = OpenStructureSource(smi);
    ImportStructures(library, *source, CountStructureRecords(smi), libraryFile, ConversionMode::WriteAnew, progress);
    const auto imported = test::LibraryStructures(libraryFile);
    ASSERT_EQ(imported.size(), kSmiles.size());

    for (std::size_t k = 0; k < kSmiles.size(); ++k) {
        SCOPED_TRACE(kSmiles[k]);
        editor::EditorModel model;
        editor::EditorController control(model);
        ASSERT_TRUE(control.PasteText(kSmiles[k] + " name\n")) << control.Status();
        control.PrepareForHandOver();
        EXPECT_EQ(model.Structure().NumValidAtoms, imported[k].NumValidAtoms);
        EXPECT_EQ(Differing(model.QueryStructure(), imported[k]), std::set<std::string>{});
    }

    // Pasted beside a drawing the structure keeps its descriptors; the drawing's part too.
    editor::EditorModel model;
    editor::EditorController control(model);
    ASSERT_TRUE(control.PasteText(kSmiles[1]));
    ASSERT_TRUE(control.PasteText(kSmiles[2]));
    control.PrepareForHandOver();
    TCTab both;
    std::string problem = StructureFromSmiles(kSmiles[1] + "." + kSmiles[2], both);
    ASSERT_EQ(problem, "");
    EXPECT_EQ(Differing(model.QueryStructure(), both), std::set<std::string>{});

    // An unreadable SMILES is refused with the reader's reason.
    EXPECT_FALSE(control.PasteText("C1CC(("));
    EXPECT_EQ(control.Status().rfind("Nothing pasted: cannot parse SMILES", 0), 0u) << control.Status();
}

TEST(EditorCleanUp, RdkitLayoutKeepsTheAtomsAndMakesRingsRegular)
{
    // Two fused six-rings drawn crookedly with the chain tool, an oxygen in the second ring next to
    // the fusion.
    editor::EditorModel model;
    editor::EditorController control(model);
    control.PressTool(editor::Control::Draw);
    for (auto [x, y] : std::vector<std::pair<int, int>>{{104, 150}, {143, 120}, {182, 150}, {169, 195}, {130, 210}, {91, 180}, {104, 150}})
        control.MousePress(editor::MouseButton::Left, x, y);
    control.MousePress(editor::MouseButton::Right, 0, 0);
    control.MousePress(editor::MouseButton::Left, 182, 150);
    for (auto [x, y] : std::vector<std::pair<int, int>>{{234, 135}, {260, 165}, {247, 210}, {195, 210}, {169, 195}})
        control.MousePress(editor::MouseButton::Left, x, y);
    control.MousePress(editor::MouseButton::Right, 0, 0);
    control.MousePress(editor::MouseButton::Right, 0, 0);
    ASSERT_TRUE(model.SetElement(7, 8));
    ASSERT_EQ(model.AtomCount(), 10);
    TCTab before;
    before.Assign(model.Structure());
    double cx, cy, cz;
    model.Structure().Centroid(cx, cy, cz);

    ASSERT_TRUE(control.Enabled(editor::Control::CleanUp));
    ASSERT_TRUE(control.Run(editor::Control::CleanUp)) << control.Status();
    const TCTab& t = model.Structure();
    ASSERT_EQ(t.NumValidAtoms, 10);
    double length = 0, shortest = 1e9, longest = 0;
    int bonds = 0;
    for (int i = 1; i <= 10; ++i) {
        EXPECT_EQ(t.AtNum(i), before.AtNum(i));
        for (int j = 1; j <= 10; ++j) {
            EXPECT_EQ(t.BondType(i, j), before.BondType(i, j)) << i << "-" << j;
            if (j > i && t.BondType(i, j) != 0) {
                const double d = std::hypot(t.Atom(i).x - t.Atom(j).x, t.Atom(i).y - t.Atom(j).y);
                length += d, ++bonds;
                shortest = std::min(shortest, d), longest = std::max(longest, d);
            }
        }
    }
    EXPECT_NEAR(length / bonds, editor::kBondLength, 1.0);
    EXPECT_LT(longest - shortest, 2.5); // regular within the whole pixels the layout is rounded to
    double nx, ny, nz;
    t.Centroid(nx, ny, nz);
    EXPECT_NEAR(nx, cx, 1.0);
    EXPECT_NEAR(ny, cy, 1.0);
    // One undo step brings the crooked drawing back.
    EXPECT_TRUE(control.Undo());
    EXPECT_EQ(CompareCtab(t, before), 0);

    // The drawing as SMILES: RDKit's canonical form of what is drawn.
    std::string smiles;
    EXPECT_EQ(model.SmilesText(smiles), "");
    TCTab expected;
    ASSERT_EQ(StructureFromSmiles("C1CCC2OCCCC2C1", expected), "");
    std::string expectedSmiles;
    ASSERT_EQ(SmilesOfStructure(expected, expectedSmiles), "");
    EXPECT_EQ(smiles, expectedSmiles);
    EXPECT_EQ(smiles.find('['), std::string::npos) << smiles;
}

} // namespace
} // namespace velmora
