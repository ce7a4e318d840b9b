// Charges drawn in the structure editor leave it as a structure read from a molfile holds them:
// a drawn glycine zwitterion (NH3+ and O-) handed over, saved, copied and read back carries the
// molfile charge codes, descriptors, labels and charge fields of the same structure from a file,
// and other programs read it with formal charges +1 and -1.
#include "interop_support.h"
#include "scripted.h"
#include "test_support.h"

#include "base/textfile.h"
#include "descriptors/catalogue.h"
#include "editor/editorcontroller.h"
#include "editor/editorviews.h"
#include "graphics/grafctab.h"
#include "io/molfile.h"
#include "io/structureformats.h"
#include "search/workbench.h"

#include <GraphMol/FileParsers/FileParsers.h>
#include <GraphMol/GraphMol.h>
#include <GraphMol/SmilesParse/SmilesWrite.h>
#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

namespace velmora {
namespace {

// H3N(+)-CH2-C(=O)-O(-), charges as the atom lines' codes (3 = +1, 5 = -1) and as a CHG line.
const char* const kGlycine =
    "GLYCINE\n  by hand\n\n"
    "  5  4  0  0  0  0  0  0  0  0999 V2000\n"
    "    0.0000    0.0000    0.0000 N   0  3  0  0  0  0  0  0  0  0  0  0\n"
    "    0.8660    0.5000    0.0000 C   0  0  0  0  0  0  0  0  0  0  0  0\n"
    "    1.7320    0.0000    0.0000 C   0  0  0  0  0  0  0  0  0  0  0  0\n"
    "    2.5980    0.5000    0.0000 O   0  5  0  0  0  0  0  0  0  0  0  0\n"
    "    1.7320   -1.0000    0.0000 O   0  0  0  0  0  0  0  0  0  0  0  0\n"
    "  1  2  1  0\n  2  3  1  0\n  3  4  1  0\n  3  5  2  0\n"
    "M  CHG  2   1   1   4  -1\n"
    "M  END\n$$$$\n";

TCTab ReadMolfile(const std::string& file)
{
    TCTab table;
    TextReader reader(file);
    ReadMolRecord(table, reader);
    return table;
}

std::vector<std::string> Lines(const std::string& file)
{
    std::ifstream in(file);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

// From the atom lines: symbol, mass difference and charge field (columns 32 on); then every
// "M  CHG" line.
std::vector<std::string> ChargeFields(const std::vector<std::string>& lines)
{
    std::vector<std::string> fields;
    for (std::size_t k = 4; k < lines.size() && k < 9; ++k)
        fields.push_back(lines[k].size() > 31 ? lines[k].substr(31) : std::string());
    for (const std::string& line : lines)
        if (line.rfind("M  CHG", 0) == 0)
            fields.push_back(line);
    return fields;
}

std::vector<int> Charges(const TCTab& table)
{
    std::vector<int> charges;
    for (int i = 1; i <= table.NumValidAtoms; ++i)
        charges.push_back(table.Charge(i));
    return charges;
}

std::vector<std::string> Labels(const TCTab& table)
{
    TGrafCtab drawing;
    drawing.Assign(table);
    std::vector<std::string> labels;
    for (int i = 1; i <= table.NumValidAtoms; ++i) {
        std::string text;
        drawing.AtomLabel(i, text);
        labels.push_back(text);
    }
    return labels;
}

void ExpectSameDescriptors(const TCTab& a, const TCTab& b)
{
    const auto x = ComputeDescriptorValues(a);
    const auto y = ComputeDescriptorValues(b);
    for (int p = 1; p <= kDescriptorCount; ++p) {
        const int index = CatalogueIndexOfPosition(p);
        const double u = x[static_cast<std::size_t>(index)], v = y[static_cast<std::size_t>(index)];
        EXPECT_TRUE(IsRealDescriptor(index) ? std::fabs(u - v) <= 1e-9 * std::max(1.0, std::fabs(u)) : u == v)
            << CatalogueName(index) << ": " << u << " against " << v;
    }
}

TEST(DrawnQueryCharges, DrawnChargesLeaveTheEditorAsMolfileCodes)
{
    test::TempDir dir;
    const std::string source = dir.File("glycine.mol");
    test::WriteBytes(source, kGlycine);
    const TCTab fromFile = ReadMolfile(source);
    ASSERT_EQ(fromFile.NumValidAtoms, 5);
    ASSERT_EQ(Charges(fromFile), (std::vector<int>{3, 0, 0, 5, 0}));

    // Drawn: the chain N-C-C-O, the second O from the carboxyl carbon, made double; then the
    // charge tool once on the N (+1) and twice on the O (+1, then -1).
    editor::EditorModel model;
    editor::EditorController control(model);
    auto press = [&](double x, double y, editor::MouseButton button = editor::MouseButton::Left) {
        control.MousePress(button, x, y);
    };
    control.PressTool(editor::Control::Draw);
    for (const auto& [x, y] : {std::pair{104, 210}, {130, 195}, {156, 210}, {182, 195}})
        press(x, y);
    press(0, 0, editor::MouseButton::Right);
    press(156, 210);
    press(156, 240);
    press(0, 0, editor::MouseButton::Right);
    press(0, 0, editor::MouseButton::Right);
    ASSERT_EQ(model.AtomCount(), 5);
    control.PressTool(editor::Control::ChangeAtom);
    model.SelectedElement = 7;
    press(104, 210);
    model.SelectedElement = 8;
    press(182, 195);
    press(156, 240);
    control.PressTool(editor::Control::ChangeBond);
    press(156, 225);
    control.PressTool(editor::Control::ChangeCharge);
    press(104, 210);
    press(182, 195);
    press(182, 195);
    control.EndTool();
    model.Structure().FStrucName = "GLYCINE";

    // In the editor the formal charges themselves, drawn and listed as such.
    EXPECT_EQ(Charges(model.Structure()), (std::vector<int>{1, 0, 0, -1, 0}));
    std::string label;
    model.Structure().AtomLabel(1, label);
    EXPECT_EQ(label, "NH3+");
    model.Structure().AtomLabel(4, label);
    EXPECT_EQ(label, "O-");
    const auto listing = editor::ConnectionTableLines(model.Structure());
    ASSERT_EQ(listing.size(), 6u);
    EXPECT_EQ(listing[1].substr(0, 9), " 1 [N 1+]");
    EXPECT_EQ(listing[4].substr(0, 9), " 4 [O 1-]");

    // Handed over: the codes of the file, the file's descriptors and labels.
    test::ScriptedDialog dialog;
    test::ScriptedProgress progress;
    Workbench drawnBench(dialog, progress, dir.Path().string());
    drawnBench.SetDrawnQuery(model.QueryStructure());
    EXPECT_EQ(Charges(drawnBench.State().Query), Charges(fromFile));
    ExpectSameDescriptors(drawnBench.State().Query, fromFile);
    EXPECT_EQ(Labels(drawnBench.State().Query), Labels(fromFile));
    EXPECT_EQ(Labels(fromFile), (std::vector<std::string>{"NH3+", "C", "C", "O-", "O"}));

    // Saved and read back: the same codes, descriptors and charge fields as the file saved as a query.
    const std::string drawnFile = dir.File("drawn.mol");
    ASSERT_TRUE(drawnBench.SaveQuery(drawnFile));
    Workbench fileBench(dialog, progress, dir.Path().string());
    ASSERT_TRUE(fileBench.LoadQuery(source));
    const std::string resavedFile = dir.File("resaved.mol");
    ASSERT_TRUE(fileBench.SaveQuery(resavedFile));
    const TCTab drawnBack = ReadMolfile(drawnFile);
    EXPECT_EQ(Charges(drawnBack), Charges(fromFile));
    ExpectSameDescriptors(drawnBack, fromFile);
    EXPECT_EQ(Labels(drawnBack), Labels(fromFile));
    const auto drawnFields = ChargeFields(Lines(drawnFile));
    EXPECT_EQ(drawnFields, ChargeFields(Lines(resavedFile)));
    ASSERT_GE(drawnFields.size(), 4u);
    EXPECT_EQ(drawnFields[0].substr(0, 8), "N   0  3");
    EXPECT_EQ(drawnFields[3].substr(0, 8), "O   0  5");

    // Other programs read the saved drawing with the charges drawn.
    std::unique_ptr<RDKit::ROMol> drawnMol(RDKit::MolFileToMol(drawnFile));
    std::unique_ptr<RDKit::ROMol> fileMol(RDKit::MolFileToMol(source));
    ASSERT_TRUE(drawnMol && fileMol);
    ASSERT_EQ(drawnMol->getNumAtoms(), 5u);
    EXPECT_EQ(drawnMol->getAtomWithIdx(0)->getFormalCharge(), 1);
    EXPECT_EQ(drawnMol->getAtomWithIdx(3)->getFormalCharge(), -1);
    EXPECT_EQ(drawnMol->getAtomWithIdx(4)->getFormalCharge(), 0);
    EXPECT_EQ(RDKit::MolToSmiles(*drawnMol), RDKit::MolToSmiles(*fileMol));

    // The clipboard carries the same: the molfile its codes, the SMILES the charged atoms.
    TCTab copied;
    TextReader clipboard = TextReader::FromMemory(model.MolfileText(), "the clipboard");
    ReadMolRecord(copied, clipboard);
    EXPECT_EQ(Charges(copied), Charges(fromFile));
    std::string smiles, expected;
    ASSERT_EQ(model.SmilesText(smiles), "");
    ASSERT_EQ(SmilesOfStructure(fromFile, expected), "");
    EXPECT_EQ(smiles, expected);
    EXPECT_NE(smiles.find("[NH3+]"), std::string::npos) << smiles;
    EXPECT_NE(smiles.find("[O-]"), std::string::npos) << smiles;

    // The file's query opened in the editor draws, lists and cycles formal charges, and goes back
    // unchanged.
    editor::EditorModel reopened;
    reopened.TakeQuery(fileBench.State().Query, false);
    EXPECT_EQ(Charges(reopened.Structure()), (std::vector<int>{1, 0, 0, -1, 0}));
    EXPECT_EQ(editor::ConnectionTableLines(reopened.Structure())[1].substr(0, 9), " 1 [N 1+]");
    EXPECT_EQ(Charges(reopened.QueryStructure()), Charges(fromFile));
    EXPECT_EQ(CompareCtab(reopened.QueryStructure(), fileBench.State().Query) & kDiffCharge, 0);
    reopened.CycleCharge(1); // +1 -> -1
    EXPECT_EQ(reopened.QueryStructure().Charge(1), 5);
}

} // namespace
} // namespace velmora
