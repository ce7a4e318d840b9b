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
        EXPECT_EQ(Differing(model.Structure(), imported[k]), std::set<std::string>{});
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
    EXPECT_EQ(Differing(model.Structure(), both), std::set<std::string>{});

    // An unreadable SMILES is refused with the reader's reason.
    EXPECT_FALSE(control.PasteText("C1CC(("));
    EXPECT_EQ(control.Status().rfind("Nothing pasted: cannot parse SMILES", 0), 0u) << control.Status();
}

} // namespace
} // namespace velmora
