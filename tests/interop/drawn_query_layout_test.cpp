// A query drawn in the structure editor and saved keeps the handedness of its layout for other
// programs: RDKit reads the saved drawing and the same structure exported from a library with the
// same turn between two bonds, as the chemist saw both on screen.
#include "scripted.h"
#include "test_support.h"

#include "editor/editorcontroller.h"
#include "io/convert.h"
#include "search/workbench.h"

#include <GraphMol/FileParsers/FileParsers.h>
#include <GraphMol/GraphMol.h>
#include <GraphMol/SmilesParse/SmilesParse.h>
#include <GraphMol/SmilesParse/SmilesWrite.h>
#include <GraphMol/Substruct/SubstructMatch.h>
#include <gtest/gtest.h>

#include <memory>

namespace velmora {
namespace {

// 2-chloropropan-1-ol as other programs lay it out (y growing upward): the chain C1-C2-C3-O4
// zigzags to the right, the Cl on C2 points up. No two atoms are alike, so RDKit's atom match is
// the only one.
const char* const kChloropropanol =
    "CHLOROPROPANOL\n  by hand\n\n"
    "  5  4  0  0  0  0  0  0  0  0999 V2000\n"
    "    0.0000    0.0000    0.0000 C   0  0  0  0  0  0  0  0  0  0  0  0\n"
    "    0.8660    0.5000    0.0000 C   0  0  0  0  0  0  0  0  0  0  0  0\n"
    "    1.7320    0.0000    0.0000 C   0  0  0  0  0  0  0  0  0  0  0  0\n"
    "    2.5980    0.5000    0.0000 O   0  0  0  0  0  0  0  0  0  0  0  0\n"
    "    0.8660    1.5000    0.0000 Cl  0  0  0  0  0  0  0  0  0  0  0  0\n"
    "  1  2  1  0\n  2  3  1  0\n  3  4  1  0\n  2  5  1  0\n"
    "M  END\n$$$$\n";

std::unique_ptr<RDKit::ROMol> ReadWithRdkit(const std::string& file)
{
    std::unique_ptr<RDKit::ROMol> mol(RDKit::MolFileToMol(file));
    EXPECT_TRUE(mol) << file;
    return mol;
}

// The turn from the bond C2->C3 to the bond C2->Cl in the file's own axes: +1 counter-clockwise
// with y growing upward, -1 clockwise. Atoms are found by element and neighbours, not by number.
int Turn(const RDKit::ROMol& mol)
{
    std::unique_ptr<RDKit::ROMol> pattern(RDKit::SmartsToMol("[CH3][CH1](Cl)[CH2]O"));
    RDKit::MatchVectType match;
    EXPECT_TRUE(RDKit::SubstructMatch(mol, *pattern, match));
    if (match.size() != 5)
        return 0;
    const RDKit::Conformer& conformer = mol.getConformer();
    const RDGeom::Point3D centre = conformer.getAtomPos(match[1].second);
    const RDGeom::Point3D chain = conformer.getAtomPos(match[3].second) - centre;
    const RDGeom::Point3D chlorine = conformer.getAtomPos(match[2].second) - centre;
    const double cross = chain.x * chlorine.y - chain.y * chlorine.x;
    return cross > 0 ? 1 : cross < 0 ? -1 : 0;
}

TEST(DrawnQueryLayout, SavedDrawingTurnsLikeTheSameStructureFromALibrary)
{
    test::TempDir dir;
    const std::string source = dir.File("source.sdf");
    test::WriteBytes(source, kChloropropanol);

    // The structure through a library and out again, as an export writes it.
    StructureLibrary library;
    test::ScriptedProgress progress;
    const std::string libraryFile = dir.File("lib.clb");
    ImportStructures(library, source, 1, libraryFile, ConversionMode::WriteAnew, progress);
    const std::string exported = dir.File("exported.sdf");
    ExportStructures(library, libraryFile, 1, exported, ConversionMode::WriteAnew, progress);

    // The same structure drawn as it looks in other programs: on screen the Cl is above C2.
    editor::EditorModel model;
    editor::EditorController control(model);
    auto press = [&](double x, double y, editor::MouseButton button = editor::MouseButton::Left) {
        control.MousePress(button, x, y);
    };
    control.PressTool(editor::Control::Draw);
    for (const auto& [x, y] : {std::pair{104, 210}, {130, 195}, {156, 210}, {182, 195}})
        press(x, y);
    press(0, 0, editor::MouseButton::Right);
    press(130, 195); // from C2 up to the Cl
    press(130, 165);
    press(0, 0, editor::MouseButton::Right);
    press(0, 0, editor::MouseButton::Right);
    ASSERT_EQ(model.AtomCount(), 5);
    control.PressTool(editor::Control::ChangeAtom);
    model.SelectedElement = 8;
    press(182, 195);
    model.SelectedElement = 17;
    press(130, 165);
    model.Structure().FStrucName = "CHLOROPROPANOL";

    test::ScriptedDialog dialog;
    Workbench workbench(dialog, progress, dir.Path().string());
    workbench.SetDrawnQuery(model.QueryStructure());
    const std::string saved = dir.File("drawn.mol");
    ASSERT_TRUE(workbench.SaveQuery(saved));
    // In memory the drawing stays as drawn: its pictures and descriptors do not change.
    EXPECT_EQ(CompareCtab(workbench.State().Query, model.Structure()), 0);

    const auto theirs = ReadWithRdkit(source);
    const auto fromLibrary = ReadWithRdkit(exported);
    const auto drawn = ReadWithRdkit(saved);
    ASSERT_TRUE(theirs && fromLibrary && drawn);
    EXPECT_EQ(RDKit::MolToSmiles(*drawn), RDKit::MolToSmiles(*fromLibrary));
    EXPECT_EQ(Turn(*theirs), 1);
    EXPECT_EQ(Turn(*fromLibrary), Turn(*theirs));
    EXPECT_EQ(Turn(*drawn), Turn(*fromLibrary));

    // Loaded back as the query, the saved drawing opens in the editor as it was drawn.
    ASSERT_TRUE(workbench.LoadQuery(saved));
    EXPECT_FALSE(workbench.State().QueryDrawn);
    editor::EditorModel reopened;
    reopened.TakeQuery(workbench.State().Query, workbench.State().QueryDrawn);
    const TCTab& t = reopened.Structure();
    EXPECT_LT(t.Atom(5).y, t.Atom(2).y); // the Cl above C2
    EXPECT_GT(t.Atom(3).x, t.Atom(2).x);
    EXPECT_GT(t.Atom(3).y, t.Atom(2).y); // the zigzag goes down to C3
}

} // namespace
} // namespace velmora
