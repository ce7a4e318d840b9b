#include "editor/editormodel.h"

#include "base/ioerror.h"
#include "base/textfile.h"
#include "editor/editorviews.h"
#include "editor_support.h"
#include "io/ctb.h"
#include "test_support.h"

#include <gtest/gtest.h>

namespace velmora::editor {
namespace {

using test::AddCarbon;
using test::Chain;
using test::XY;
using XYPair = std::pair<double, double>;

TEST(EditorHitTest, HitBoxLastAtomAndFlatAtomsOnly)
{
    EditorModel model;
    TGrafCtab& t = model.Structure();
    AddCarbon(t, 100, 100);
    AddCarbon(t, 110, 105);
    AddCarbon(t, 300, 300);
    t.SetCoord(3, 3, 1.0); // an atom off the drawing plane is never hit
    struct Case { double x, y; int atom; };
    for (const Case c : {Case{105, 102, 2}, Case{87, 85, 1}, Case{86, 100, -1}, Case{100, 84, -1},
                         Case{123, 120, 2}, Case{300, 300, -1}, Case{500, 500, -1}})
        EXPECT_EQ(model.FindAtomNear(c.x, c.y), c.atom) << c.x << "," << c.y;
}

TEST(EditorHitTest, BondNearThePointerFromTheNearestAtom)
{
    EditorModel model;
    EXPECT_FALSE(model.FindBondNear(10, 10).found);
    TGrafCtab& t = model.Structure();
    Chain(t, {{100, 100}, {200, 100}, {200, 200}});
    struct Case { double x, y; bool found; int a, b; };
    for (const Case c : {Case{130, 103, true, 1, 2}, Case{170, 98, true, 2, 1}, Case{203, 160, true, 3, 2},
                         Case{150, 150, false, 1, 0}, Case{60, 100, false, 1, 0}}) {
        const BondHit hit = model.FindBondNear(c.x, c.y);
        EXPECT_EQ(hit.found, c.found) << c.x << "," << c.y;
        EXPECT_EQ(hit.a, c.a) << c.x << "," << c.y;
        EXPECT_EQ(hit.b, c.b) << c.x << "," << c.y;
    }
}

TEST(EditorSnap, PointsRoundHalfEvenToTheGrid)
{
    EditorModel model;
    struct Case { double x, y, sx, sy; };
    for (const Case c : {Case{19, 22, 13, 15}, Case{20, 23, 26, 30}, Case{6.5, 7.5, 0, 0}, Case{19.5, 22.5, 26, 30},
                         Case{-7, -8, -13, -15}}) {
        double x = c.x, y = c.y;
        model.SnapPoint(x, y);
        EXPECT_EQ(XYPair(x, y), XYPair(c.sx, c.sy)) << c.x << "," << c.y;
    }
    model.Snap = false;
    double x = 19, y = 22;
    model.SnapPoint(x, y);
    EXPECT_EQ(XYPair(x, y), XYPair(19, 22));
}

TEST(EditorSnap, StructureSnapsOnlyWhenTheShiftPutsEveryAtomNearTheGrid)
{
    struct Case {
        const char* what;
        bool snap;
        std::vector<XYPair> chain, snapped;
    };
    for (const Case& c : {Case{"near", true, {{14, 16}, {40.4, 46}}, {{13, 15}, {39, 45}}},
                          Case{"far: shifted with atom 1, then left off the grid", true, {{14, 16}, {46, 46}},
                               {{13, 15}, {45, 45}}},
                          Case{"snap off", false, {{14, 16}}, {{14, 16}}}}) {
        EditorModel model;
        model.Snap = c.snap;
        Chain(model.Structure(), c.chain);
        model.SnapStructure();
        for (std::size_t i = 0; i < c.snapped.size(); ++i)
            EXPECT_EQ(XY(model.Structure(), static_cast<int>(i) + 1), c.snapped[i]) << c.what;
    }
}

// Each row: a chain, the operations in turn (each answering ok), then where atoms end up.
TEST(EditorGeometry, ZoomFitCentreRotateMirrorAndTheirLimits)
{
    using Op = bool (EditorModel::*)();
    struct Case {
        const char* what;
        bool snap;
        std::vector<XYPair> chain;
        std::vector<Op> ops;
        bool ok;
        std::vector<std::pair<int, XYPair>> places;
    };
    const std::vector<Case> cases{
        {"26 across is too small to shrink", true, {{100, 100}, {126, 200}}, {&EditorModel::ZoomOut}, false,
         {{2, {126, 200}}}},
        {"shrunk", true, {{100, 100}, {152, 160}}, {&EditorModel::ZoomOut}, true, {{1, {108, 109}}, {2, {144, 151}}}},
        {"wider than the drawing area", true, {{0, 0}, {700, 10}}, {&EditorModel::ZoomIn}, false, {}},
        {"scaled by the root of 2, then shifted with atom 1 onto the grid", true, {{130, 150}, {156, 180}},
         {&EditorModel::ZoomIn}, true, {{1, {130, 150}}, {2, {166, 192}}}},
        {"fitted into 648 x 378: x spans 5 % .. 95 %, y is centred at 55 %", true, {{100, 100}, {200, 150}},
         {&EditorModel::ZoomFit}, true, {{1, {32, 62}}, {2, {616, 354}}}},
        {"centred", true, {{0, 0}, {26, 30}}, {&EditorModel::CenterStructure}, true, {{1, {312, 180}}, {2, {338, 210}}}},
        {"turned left about the atom at the centroid", false, {{100, 100}, {135, 100}, {200, 100}},
         {&EditorModel::RotateLeft}, true, {{1, {105, 118}}, {2, {135, 100}}, {3, {191, 68}}}},
        {"turned right, always about the centroid; clockwise on screen (y grows downward)", false,
         {{100, 100}, {126, 100}, {152, 100}}, {&EditorModel::RotateRight}, true, {{3, {149, 113}}}},
        {"mirrored about the snapped centroid (130, 120)", true, {{100, 100}, {150, 130}}, {&EditorModel::MirrorX},
         true, {{1, {160, 100}}}},
        {"mirrored both ways", true, {{100, 100}, {150, 130}}, {&EditorModel::MirrorX, &EditorModel::MirrorY}, true,
         {{1, {160, 140}}, {2, {110, 110}}}},
        {"one atom has no extent to fit: it stays where it is", true, {{300, 200}}, {&EditorModel::ZoomFit}, false,
         {{1, {300, 200}}}},
    };
    for (const Case& c : cases) {
        EditorModel model;
        model.Snap = c.snap;
        Chain(model.Structure(), c.chain);
        for (const Op op : c.ops)
            EXPECT_EQ((model.*op)(), c.ok) << c.what;
        for (const auto& [atom, place] : c.places)
            EXPECT_EQ(XY(model.Structure(), atom), place) << c.what << ": atom " << atom;
    }
    EditorModel empty;
    EXPECT_FALSE(empty.ZoomFit() || empty.ZoomIn() || empty.ZoomOut() || empty.RotateLeft() ||
                 empty.RotateRight() || empty.MirrorX() || empty.MirrorY() || empty.CenterStructure());
}

TEST(EditorGeometry, TurningNearAnEdgeAfterZoomingOutKeepsEveryAtomInView)
{
    for (const bool left : {true, false}) {
        EditorModel model; // 648 x 378: a long chain along the bottom edge
        Chain(model.Structure(), {{104, 315}, {182, 360}, {260, 315}, {338, 360}, {416, 315}, {494, 360}, {572, 315}});
        ASSERT_TRUE(model.ZoomOut());
        for (int turn = 1; turn <= 12; ++turn) {
            ASSERT_TRUE(left ? model.RotateLeft() : model.RotateRight());
            for (int i = 1; i <= model.AtomCount(); ++i) {
                const auto [x, y] = XY(model.Structure(), i);
                EXPECT_TRUE(x >= kGridX && x <= 648 - kGridX && y >= kGridY && y <= 378 - kGridY)
                    << (left ? "left " : "right ") << turn << ": atom " << i << " at " << x << "," << y;
            }
        }
    }
    // Moved back by whole grid cells: the same turn as in the middle of the area, shifted.
    EditorModel edge, middle;
    Chain(edge.Structure(), {{26, 180}, {26, 210}, {26, 240}, {26, 270}});
    Chain(middle.Structure(), {{338, 180}, {338, 210}, {338, 240}, {338, 270}});
    ASSERT_TRUE(edge.RotateRight()); // the lower end turns towards the left edge
    ASSERT_TRUE(middle.RotateRight());
    const double shift = XY(edge.Structure(), 1).first - XY(middle.Structure(), 1).first;
    EXPECT_EQ(static_cast<int>(shift + 312) % kGridX, 0) << shift;
    for (int i = 1; i <= 4; ++i) {
        EXPECT_GE(XY(edge.Structure(), i).first, kGridX) << i;
        EXPECT_EQ(XY(edge.Structure(), i).first - XY(middle.Structure(), i).first, shift) << i;
        EXPECT_EQ(XY(edge.Structure(), i).second, XY(middle.Structure(), i).second) << i;
    }
}

TEST(EditorQuery, AQueryFromAFileIsShownTheRightWayUpAndADrawnOneAsItIs)
{
    // From a file, y grows upward: O above C1, N to the right of C1; bonds of 1000 units.
    TCTab read;
    Chain(read, {{0, 1000}, {0, 0}, {1000, 0}});
    read.SetAtNum(1, 8);
    read.SetAtNum(3, 7);
    read.SetCoord(2, 3, 250.0); // a 3D file: every atom comes flat, so each can be picked
    read.FStrucName = "AMINOMETHANOL";
    EditorModel model;
    model.LabelMode = 2;
    model.TakeQuery(read, false);
    const TGrafCtab& t = model.Structure();
    ASSERT_EQ(t.NumValidAtoms, 3);
    EXPECT_EQ(t.FStrucName, "AMINOMETHANOL");
    EXPECT_EQ(XY(t, 1), XYPair(309, 174)); // above: a smaller pixel y
    EXPECT_EQ(XY(t, 2), XYPair(309, 204));
    EXPECT_EQ(XY(t, 3), XYPair(339, 204)); // bonds of 30 pixels, centred in 648 x 378
    EXPECT_EQ(t.Atom(2).z, 0.0f);
    EXPECT_EQ(model.FindAtomNear(309, 204), 2);
    EXPECT_EQ(t.BondType(1, 2), 1);
    EXPECT_EQ(model.LabelMode, 2);

    // Too large for bonds of 30 pixels: fitted into 90 % of the area.
    TCTab chain;
    std::vector<std::pair<double, double>> points;
    for (int i = 0; i < 40; ++i)
        points.emplace_back(1000.0 * i, 0.0);
    Chain(chain, points);
    model.TakeQuery(chain, false);
    EXPECT_EQ(XY(model.Structure(), 1).first, 32);
    EXPECT_EQ(XY(model.Structure(), 40).first, 616);

    // A drawn query is in pixels already.
    TCTab drawn;
    Chain(drawn, {{130, 150}, {156, 135}});
    model.TakeQuery(drawn, true);
    EXPECT_EQ(CompareCtab(model.Structure(), drawn), 0);
    model.TakeQuery(TCTab(), false); // no query: an empty drawing
    EXPECT_EQ(model.AtomCount(), 0);
}

TEST(EditorEdit, ChargeAndBondCyclesReturnToTheStart)
{
    EditorModel model;
    Chain(model.Structure(), {{100, 100}, {126, 100}});
    const TGrafCtab& t = model.Structure();
    for (const int expected : {1, -1, 0}) {
        model.CycleCharge(1);
        EXPECT_EQ(t.Charge(1), expected);
    }
    for (const int expected : {2, 3, 4, 1}) {
        model.CycleBondType(2, 1);
        EXPECT_EQ(t.BondType(1, 2), expected);
        EXPECT_EQ(t.BondType(2, 1), expected);
    }
}

// The editor draws, lists and changes formal charges; the query, files and libraries hold
// molfile charge codes. Each crossing converts, and a structure that passes through the editor
// unchanged keeps every charge byte, also the radical and values that are no code.
TEST(EditorQuery, ChargesCrossIntoTheEditorAsFormalChargesAndBackAsCodes)
{
    const std::vector<int> codes{3, 2, 1, 5, 6, 7, 4, 0, -1, 9};
    const std::vector<int> formal{1, 2, 3, -1, -2, -3};
    TCTab read;
    std::vector<std::pair<double, double>> points;
    for (std::size_t k = 0; k < codes.size(); ++k)
        points.emplace_back(1000.0 * static_cast<double>(k), 0.0);
    Chain(read, points);
    for (std::size_t k = 0; k < codes.size(); ++k) {
        read.SetAtNum(static_cast<int>(k) + 1, 7);
        read.SetCharge(static_cast<int>(k) + 1, codes[k]);
    }
    EditorModel model;
    model.TakeQuery(read, false);
    const TGrafCtab& t = model.Structure();
    for (std::size_t k = 0; k < formal.size(); ++k) {
        EXPECT_EQ(t.Charge(static_cast<int>(k) + 1), formal[k]) << k;
        EXPECT_EQ(t.AtomCharge(static_cast<int>(k) + 1), formal[k]) << k;
    }
    for (int i = 7; i <= 10; ++i)
        EXPECT_EQ(t.AtomCharge(i), 0) << i; // the radical and the stray values are drawn uncharged
    const auto lines = ConnectionTableLines(t);
    EXPECT_EQ(lines[1].substr(0, 9), " 1 [N 1+]");
    EXPECT_EQ(lines[2].substr(0, 9), " 2 [N 2+]");
    EXPECT_EQ(lines[4].substr(0, 9), " 4 [N 1-]");
    EXPECT_EQ(lines[7].substr(0, 7), " 7 [N ]");
    const TCTab back = model.QueryStructure();
    for (std::size_t k = 0; k < codes.size(); ++k)
        EXPECT_EQ(back.Charge(static_cast<int>(k) + 1), codes[k]) << k;
    EXPECT_EQ(CompareCtab(back, t) & ~(kDiffCharge), 0); // only the charges differ

    // Drawn charges leave as codes: the charge tool's +1 and -1, a typed +2.
    EditorModel drawn;
    Chain(drawn.Structure(), {{100, 100}, {126, 100}, {152, 100}});
    drawn.CycleCharge(1);
    drawn.CycleCharge(2);
    drawn.CycleCharge(2);
    EXPECT_TRUE(drawn.AddCharge(3, 1));
    EXPECT_TRUE(drawn.AddCharge(3, 1));
    EXPECT_FALSE(drawn.AddCharge(3, 1)); // +2 is as far as typing goes
    EXPECT_EQ(drawn.QueryStructure().Charge(1), 3);
    EXPECT_EQ(drawn.QueryStructure().Charge(2), 5);
    EXPECT_EQ(drawn.QueryStructure().Charge(3), 2);
    // Typed from a +3 read from a file: '+' leaves it, '-' goes to +2.
    EXPECT_FALSE(model.AddCharge(3, 1));
    EXPECT_TRUE(model.AddCharge(3, -1));
    EXPECT_EQ(model.QueryStructure().Charge(3), 2);

    // The label of a code table reads code 1 as +3 (no sign); the editor's +1 shows "+".
    TGrafCtab codeTable;
    Chain(codeTable, {{0, 0}});
    codeTable.SetAtNum(1, 11);
    codeTable.SetCharge(1, 1);
    std::string label;
    codeTable.AtomLabel(1, label);
    EXPECT_EQ(label, "Na");
    codeTable.SetCharge(1, 3);
    codeTable.AtomLabel(1, label);
    EXPECT_EQ(label, "Na+");
    EditorModel sodium;
    sodium.TakeQuery(codeTable, false);
    sodium.Structure().AtomLabel(1, label);
    EXPECT_EQ(label, "Na+");
    EXPECT_EQ(sodium.Structure().Charge(1), 1);
}

TEST(EditorEdit, ChangeAtomSetsElementMassAndLabelMode)
{
    struct Case { int mode, element, expectedMode; };
    for (const Case c : {Case{0, 8, 1}, Case{3, 8, 1}, Case{3, 6, 3}, Case{0, 6, 0}, Case{2, 7, 2}}) {
        EditorModel model;
        Chain(model.Structure(), {{100, 100}});
        model.LabelMode = c.mode;
        model.SelectedElement = c.element;
        EXPECT_TRUE(model.ChangeAtom(1));
        EXPECT_EQ(model.LabelMode, c.expectedMode) << c.mode << " " << c.element;
        EXPECT_EQ(model.Structure().AtNum(1), c.element);
    }
    EditorModel model; // before the first choice nothing changes (no atom of mass 0)
    Chain(model.Structure(), {{100, 100}});
    model.LabelMode = 3;
    EXPECT_FALSE(model.ChangeAtom(1));
    EXPECT_EQ(model.Structure().AtNum(1), 6);
    EXPECT_EQ(model.Structure().AtWeight(1), 12);
    EXPECT_EQ(model.LabelMode, 3);
    model.SelectedElement = 8;
    model.ChangeAtom(1);
    EXPECT_EQ(model.Structure().AtWeight(1), 16);
}

TEST(EditorDelete, AtomsBondsAndEverythingWithOneLevelOfUndo)
{
    EditorModel model;
    TGrafCtab& t = model.Structure();
    Chain(t, {{100, 100}, {126, 100}, {152, 100}});
    t.FStrucName = "propane";
    EXPECT_FALSE(model.OopsEnabled());
    EXPECT_FALSE(model.Oops());

    model.DeleteAtomAt(2); // the neighbours are joined
    ASSERT_EQ(t.NumValidAtoms, 2);
    EXPECT_EQ(t.BondType(1, 2), 1);
    EXPECT_EQ(t.BondType(2, 1), 1);
    EXPECT_EQ(model.LabelMode, 1);
    model.DeleteAtomAt(2);
    EXPECT_EQ(model.LabelMode, 2); // one atom left: every label shown
    EXPECT_TRUE(model.Oops());
    EXPECT_EQ(t.NumValidAtoms, 2); // back to before the second deletion only
    EXPECT_FALSE(model.OopsEnabled());
    EXPECT_FALSE(model.Oops());

    ASSERT_TRUE(model.DeleteAll());
    EXPECT_EQ(t.NumValidAtoms, 0);
    EXPECT_EQ(t.FStrucName, "propane");
    EXPECT_FALSE(model.DeleteAll()); // nothing to delete: the undo copy stays
    EXPECT_TRUE(model.Oops());
    EXPECT_EQ(t.NumValidAtoms, 2);
}

TEST(EditorDelete, BreakingOneBondKeepsTheOtherBondsType)
{
    EditorModel model;
    TGrafCtab& t = model.Structure();
    AddCarbon(t, 100, 100);
    AddCarbon(t, 126, 100, {{1, 2}});
    AddCarbon(t, 100, 130, {{1, 3}});
    t.Symmetrize();
    ASSERT_TRUE(model.BreakBond(1, 2));
    EXPECT_EQ(t.NumValidAtoms, 3);
    EXPECT_EQ(t.ConnTo(1, 1), 3);
    EXPECT_EQ(t.TypConn(1, 1), 3);
    EXPECT_EQ(t.ConnTo(1, 2), 0);
    EXPECT_EQ(t.NumNeighbours(2), 0);
    EXPECT_TRUE(model.OopsEnabled());

    EditorModel single;
    Chain(single.Structure(), {{100, 100}});
    EXPECT_FALSE(single.BreakBond(1, 1));
    EXPECT_FALSE(single.OopsEnabled());
}

class EditorScratch : public ::testing::Test {
protected:
    test::TempDir dir;
    std::string folder = dir.Path().string();
};

TEST_F(EditorScratch, RoundTripKeepsPixelsAndTheCurrentName)
{
    EditorModel model;
    TGrafCtab& t = model.Structure();
    AddCarbon(t, 123, 457);
    AddCarbon(t, 1021, 98, {{1, 2}});
    AddCarbon(t, 1027, 99, {{2, 1}});
    t.Symmetrize();
    t.SetCharge(3, -1);
    t.FStrucName = "saved";
    model.SaveScratch(folder);

    EditorModel other;
    other.Structure().FStrucName = "kept";
    ASSERT_TRUE(other.LoadScratch(folder));
    TCTab expected;
    expected.Assign(t);
    expected.FStrucName = "kept";
    EXPECT_EQ(CompareCtab(other.Structure(), expected), 0);

    TextReader reader(EditorModel::ScratchPath(folder)); // still a CTB record for any reader
    TCTab plain;
    ASSERT_TRUE(ReadCTB(plain, reader));
    EXPECT_EQ(plain.Atom(2).x, 1021.0f);
}

TEST_F(EditorScratch, FailedLoadsLeaveTheDrawingAlone)
{
    std::string tooMany = "/CONTAB  128   64\r\n";
    for (int i = 1; i <= 64; ++i)
        tooMany += " " + std::to_string(i) + " 6 12 0 0 1.0E+0001 1.0E+0001 0.0E+0000\r\n  0\r\n";
    for (const std::string& content : {std::string("no record"), std::string("/CONTAB 2 1\r\n 1 6 12 0 0 x y z\r\n"), tooMany}) {
        test::WriteBytes(EditorModel::ScratchPath(folder), content);
        EditorModel model;
        Chain(model.Structure(), {{100, 100}, {126, 100}});
        TCTab before;
        before.Assign(model.Structure());
        EXPECT_FALSE(model.LoadScratch(folder));
        EXPECT_EQ(CompareCtab(model.Structure(), before), 0);
    }
    EditorModel model;
    EXPECT_FALSE(model.LoadScratch(folder + "/missing"));
    Chain(model.Structure(), {{100, 100}});
    EXPECT_THROW(model.SaveScratch(folder + "/missing"), IoError);
}

} // namespace
} // namespace velmora::editor
