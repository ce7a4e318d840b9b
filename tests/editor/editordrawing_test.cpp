// The drawing helpers: the bond tool's standard bonds, the ring templates, the keyboard and the
// undo history, driven through the controller as the window drives it.
#include "editor/editorcontroller.h"

#include "editor_support.h"
#include "base/ioerror.h"
#include "io/structureformats.h"
#include "model/elements.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <numeric>
#include <set>
#include <vector>

namespace velmora::editor {
namespace {

using test::Chain;

using test::Editor;

struct Bond {
    int a, b, type;
};

// Every bond once, checking that both ends list it with the same type.
std::vector<Bond> Bonds(const TCTab& t)
{
    std::vector<Bond> bonds;
    for (int i = 1; i <= t.NumValidAtoms; ++i)
        for (int j = i + 1; j <= t.NumValidAtoms; ++j) {
            EXPECT_EQ(t.BondType(i, j), t.BondType(j, i)) << i << "-" << j;
            if (t.BondType(i, j) != 0)
                bonds.push_back({i, j, t.BondType(i, j)});
        }
    return bonds;
}

int Components(const TCTab& t)
{
    std::vector<int> root(static_cast<std::size_t>(t.NumValidAtoms + 1));
    for (int i = 0; i <= t.NumValidAtoms; ++i)
        root[static_cast<std::size_t>(i)] = i;
    auto find = [&](int i) {
        while (root[static_cast<std::size_t>(i)] != i)
            i = root[static_cast<std::size_t>(i)];
        return i;
    };
    int count = t.NumValidAtoms;
    for (const Bond& b : Bonds(t))
        if (find(b.a) != find(b.b))
            root[static_cast<std::size_t>(find(b.a))] = find(b.b), --count;
    return count;
}

int Rings(const TCTab& t) { return static_cast<int>(Bonds(t).size()) - t.NumValidAtoms + Components(t); }

double Length(const TCTab& t, int a, int b)
{
    return std::hypot(t.Atom(a).x - t.Atom(b).x, t.Atom(a).y - t.Atom(b).y);
}

// Angle at b between a and c, in degrees.
double AngleAt(const TCTab& t, int a, int b, int c)
{
    const double ux = t.Atom(a).x - t.Atom(b).x, uy = t.Atom(a).y - t.Atom(b).y;
    const double vx = t.Atom(c).x - t.Atom(b).x, vy = t.Atom(c).y - t.Atom(b).y;
    return std::acos((ux * vx + uy * vy) / (std::hypot(ux, uy) * std::hypot(vx, vy))) * 180.0 / std::numbers::pi;
}

// The ring's atoms in order, following bonds from the first atom; n atoms in one cycle.
std::vector<int> RingOrder(const TCTab& t, std::vector<int> atoms)
{
    std::vector<int> order{atoms[0]};
    while (order.size() < atoms.size()) {
        bool stepped = false;
        for (int j : atoms)
            if (t.BondType(order.back(), j) != 0 && std::find(order.begin(), order.end(), j) == order.end()) {
                order.push_back(j);
                stepped = true;
                break;
            }
        if (!stepped)
            break;
    }
    return order;
}

// Within tolerance pixels and degrees (layouts from files are rounded to whole pixels).
void ExpectRegular(const TCTab& t, const std::vector<int>& ring, double length, double tolerance = 0.01)
{
    const std::vector<int> order = RingOrder(t, ring);
    ASSERT_EQ(order.size(), ring.size());
    const int n = static_cast<int>(order.size());
    const double angle = 180.0 * (n - 2) / n;
    for (int k = 0; k < n; ++k) {
        const int a = order[static_cast<std::size_t>(k)], b = order[static_cast<std::size_t>((k + 1) % n)],
                  c = order[static_cast<std::size_t>((k + 2) % n)];
        EXPECT_NE(t.BondType(a, b), 0) << a << "-" << b;
        EXPECT_NEAR(Length(t, a, b), length, tolerance) << a << "-" << b;
        EXPECT_NEAR(AngleAt(t, a, b, c), angle, 3 * tolerance) << "at " << b;
    }
}

std::vector<int> Range(int first, int last)
{
    std::vector<int> v(static_cast<std::size_t>(last - first + 1));
    std::iota(v.begin(), v.end(), first);
    return v;
}

long Doubles(const TCTab& t)
{
    const auto bonds = Bonds(t);
    return std::count_if(bonds.begin(), bonds.end(), [](const Bond& b) { return b.type == 2; });
}

// No atom has two double bonds: a proper alternation.
void ExpectKekule(const TCTab& t)
{
    for (int i = 1; i <= t.NumValidAtoms; ++i) {
        int doubles = 0;
        for (int j = 1; j <= t.NumValidAtoms; ++j)
            doubles += t.BondType(i, j) == 2;
        EXPECT_LE(doubles, 1) << "atom " << i;
    }
}

TEST(EditorTemplates, NewRingsOfEverySizeAreRegularWithStandardBonds)
{
    for (int size = 3; size <= 8; ++size) {
        Editor e;
        e.control.PressTool(static_cast<Control>(static_cast<int>(Control::Ring3) + size - 3));
        ASSERT_EQ(e.control.ActiveTool(), Tool::Ring);
        EXPECT_EQ(e.control.RingSize(), size);
        e.Left(200, 150);
        ASSERT_EQ(e.t().NumValidAtoms, size);
        EXPECT_EQ(Bonds(e.t()).size(), static_cast<std::size_t>(size));
        EXPECT_EQ(Rings(e.t()), 1);
        EXPECT_EQ(Doubles(e.t()), 0);
        ExpectRegular(e.t(), Range(1, size), kBondLength);
        double cx, cy, cz;
        e.t().Centroid(cx, cy, cz);
        EXPECT_NEAR(cx, 195, 0.01); // centred on the grid point nearest the click
        EXPECT_NEAR(cy, 150, 0.01);
    }
}

TEST(EditorTemplates, BenzeneAlternatesAndFusesIntoNaphthalene)
{
    Editor e;
    e.control.PressTool(Control::Benzene);
    EXPECT_TRUE(e.control.RingAromatic());
    // Only the chosen template shows as pressed, not the plain ring of the same size.
    EXPECT_TRUE(e.control.ShownPressed(Control::Benzene));
    EXPECT_FALSE(e.control.ShownPressed(Control::Ring6));
    EXPECT_FALSE(e.control.ShownPressed(Control::Bond));
    e.Left(195, 150);
    ASSERT_EQ(e.t().NumValidAtoms, 6);
    EXPECT_EQ(Doubles(e.t()), 3);
    ExpectKekule(e.t());

    // Fused on the single bond 2-3 (the right-hand side of the hexagon).
    ASSERT_EQ(e.t().BondType(2, 3), 1);
    const PointF mid{(e.At(2).x + e.At(3).x) / 2, (e.At(2).y + e.At(3).y) / 2};
    const TCTab before = e.t();
    e.Left(mid.x + 1, mid.y + 1);
    ASSERT_EQ(e.t().NumValidAtoms, 10);
    EXPECT_EQ(Bonds(e.t()).size(), 11u);
    EXPECT_EQ(Rings(e.t()), 2);
    EXPECT_EQ(Doubles(e.t()), 5);
    ExpectKekule(e.t());
    for (int i = 1; i <= 6; ++i) // the first ring did not move
        EXPECT_EQ(e.t().Atom(i).x, before.Atom(i).x);
    std::vector<int> second{2, 3, 7, 8, 9, 10};
    ExpectRegular(e.t(), second, kBondLength);
    // The rings share exactly the bond clicked, and the new one lies on the far side of it.
    std::set<int> shared;
    for (int i = 1; i <= 6; ++i)
        if (std::find(second.begin(), second.end(), i) != second.end())
            shared.insert(i);
    EXPECT_EQ(shared, (std::set<int>{2, 3}));
    for (int i = 7; i <= 10; ++i)
        EXPECT_GT(e.t().Atom(i).x, mid.x + 1) << i;
    EXPECT_EQ(e.t().BondType(2, 3), 1);
}

TEST(EditorTemplates, FusedRingSharesABondOfAnyLengthOnTheSideAwayFromTheNeighbours)
{
    Editor e;
    Chain(e.model.Structure(), {{100, 100}, {140, 100}, {180, 100}}); // bonds of 40, no ring
    e.control.PressTool(Control::Ring5);
    e.Left(120, 98); // on bond 1-2; atom 3 lies to the right of it, in the line: clicked side
    ASSERT_EQ(e.t().NumValidAtoms, 6);
    EXPECT_EQ(Rings(e.t()), 1);
    ExpectRegular(e.t(), {1, 2, 4, 5, 6}, 40.0);
    for (int i = 4; i <= 6; ++i)
        EXPECT_LT(e.t().Atom(i).y, 100) << i;

    // On the bond 2-3 of a bent chain the ring goes away from atom 1, which lies below it.
    Editor f;
    Chain(f.model.Structure(), {{100, 130}, {126, 115}, {126, 85}});
    f.control.PressTool(Control::Ring6);
    f.Left(127, 100);
    ASSERT_EQ(f.t().NumValidAtoms, 7);
    ExpectRegular(f.t(), {2, 3, 4, 5, 6, 7}, 30.0);
    for (int i = 4; i <= 7; ++i)
        EXPECT_GT(f.t().Atom(i).x, 126) << i;
}

TEST(EditorTemplates, SpiroRingThroughAnAtomAwayFromItsNeighbours)
{
    Editor e;
    Chain(e.model.Structure(), {{100, 150}, {126, 135}, {152, 150}});
    e.control.PressTool(Control::Ring5);
    e.Left(127, 136); // on atom 2, whose neighbours lie below it
    ASSERT_EQ(e.t().NumValidAtoms, 7);
    EXPECT_EQ(Rings(e.t()), 1);
    EXPECT_EQ(e.t().NumNeighbours(2), 4);
    ExpectRegular(e.t(), {2, 4, 5, 6, 7}, kBondLength);
    for (int i = 4; i <= 7; ++i)
        EXPECT_LT(e.t().Atom(i).y, 135) << i;
}

TEST(EditorTemplates, ACornerOnAnExistingAtomUsesIt)
{
    // Three hexagons round a corner: the third, fused on a bond next to both others, closes on
    // atoms that are there already instead of stacking new ones on them.
    Editor e;
    e.control.PressTool(Control::Ring6);
    e.Left(195, 150);
    const PointF a = e.At(2), b = e.At(3);
    e.Left((a.x + b.x) / 2, (a.y + b.y) / 2); // fused on the right
    ASSERT_EQ(e.t().NumValidAtoms, 10);
    // The lower-right bond of the first ring (3-4) borders the second ring at atom 3.
    const PointF c = e.At(3), d = e.At(4);
    e.Left((c.x + d.x) / 2, (c.y + d.y) / 2);
    EXPECT_EQ(e.t().NumValidAtoms, 13);
    EXPECT_EQ(Rings(e.t()), 3);
    for (int i = 1; i <= e.t().NumValidAtoms; ++i)
        for (int j = i + 1; j <= e.t().NumValidAtoms; ++j)
            EXPECT_GT(Length(e.t(), i, j), 20.0) << i << " and " << j;
}

TEST(EditorTemplates, ARingPastTheLimitIsRefusedWhole)
{
    Editor e;
    for (int i = 0; i < 60; ++i)
        test::AddCarbon(e.model.Structure(), 13 + 13 * (i % 40), 15 + 45 * (i / 40));
    e.control.PressTool(Control::Ring6);
    const TCTab before = e.t();
    e.Left(300, 300);
    EXPECT_EQ(CompareCtab(before, e.t()), 0);
    EXPECT_EQ(e.control.Status(), "The structure is full: 63 atoms at most.");
    EXPECT_FALSE(e.model.CanUndo()); // nothing happened
    e.Left(300, 300); // the note stays while the structure is this large
    EXPECT_EQ(e.control.Status(), "The structure is full: 63 atoms at most.");
    e.model.RemoveAtom(60);
    EXPECT_EQ(e.control.Status(), "");
    e.control.PressTool(Control::Ring3);
    e.Left(300, 300);
    EXPECT_EQ(e.t().NumValidAtoms, 62);
    EXPECT_EQ(e.control.Status(), "");
}

TEST(EditorBondTool, StandardLengthThirtyDegreeStepsAndTheRubberBand)
{
    Editor e;
    e.control.PressTool(Control::Bond);
    e.Left(105, 148); // empty space: an atom on the grid point, the chain starts there
    ASSERT_EQ(e.t().NumValidAtoms, 1);
    EXPECT_EQ(e.At(1), (PointF{104, 150}));
    EXPECT_TRUE(e.control.Drawing());
    // The pointer 40 degrees up to the right: the band shows a 30-degree bond of standard length.
    const double r = 70, up40 = 40 * std::numbers::pi / 180;
    EXPECT_TRUE(e.control.MouseMove(104 + r * std::cos(up40), 150 - r * std::sin(up40), false));
    EXPECT_TRUE(e.control.RubberBandShown());
    EXPECT_EQ(e.control.Anchor(), e.At(1));
    EXPECT_NEAR(e.control.Current().x, 104 + kBondLength * std::cos(std::numbers::pi / 6), 1e-9);
    EXPECT_NEAR(e.control.Current().y, 150 - kBondLength * std::sin(std::numbers::pi / 6), 1e-9);
    e.Left(104 + r * std::cos(up40), 150 - r * std::sin(up40));
    ASSERT_EQ(e.t().NumValidAtoms, 2);
    EXPECT_NEAR(Length(e.t(), 1, 2), kBondLength, 1e-3);
    EXPECT_NEAR(e.t().Atom(2).y, 135, 1e-3);
    EXPECT_EQ(e.t().BondType(1, 2), 1);
    EXPECT_EQ(e.t().BondType(2, 1), 1); // both sides at once
    // Shift: the direction is free, the length stays.
    const PointF from = e.At(2);
    e.control.MouseMove(from.x + 50, from.y + 20, false, true);
    e.Left(from.x + 50, from.y + 20, true);
    ASSERT_EQ(e.t().NumValidAtoms, 3);
    EXPECT_NEAR(Length(e.t(), 2, 3), kBondLength, 1e-3);
    EXPECT_NEAR(std::atan2(e.t().Atom(3).y - from.y, e.t().Atom(3).x - from.x), std::atan2(20, 50), 1e-4);
}

TEST(EditorBondTool, RingClosureEndsTheChainAndClicksOnAtomsAndBonds)
{
    Editor e;
    e.control.PressTool(Control::Bond);
    e.Left(104, 150);
    // Six bonds turning by 60 degrees: the sixth ends on the first atom and closes the ring.
    for (int k = 0; k < 6; ++k) {
        const double angle = (-30 + 60 * k) * std::numbers::pi / 180;
        const PointF last = e.control.Anchor();
        e.Left(last.x + 50 * std::cos(angle), last.y + 50 * std::sin(angle));
    }
    EXPECT_EQ(e.t().NumValidAtoms, 6);
    EXPECT_EQ(Rings(e.t()), 1);
    EXPECT_FALSE(e.control.Drawing());
    ExpectRegular(e.t(), Range(1, 6), kBondLength);

    // A click on a bond cycles its order.
    const PointF mid{(e.At(1).x + e.At(2).x) / 2, (e.At(1).y + e.At(2).y) / 2};
    for (int expected : {2, 3, 1, 2}) {
        e.Left(mid.x, mid.y);
        EXPECT_EQ(e.t().BondType(1, 2), expected);
        EXPECT_EQ(e.t().BondType(2, 1), expected);
        EXPECT_FALSE(e.control.Drawing());
    }
    // A click on an atom starts the chain there; a second click on it ends the chain.
    e.Left(e.At(4).x + 2, e.At(4).y - 2);
    EXPECT_TRUE(e.control.Drawing());
    EXPECT_EQ(e.control.PreviousAtom(), 4);
    EXPECT_EQ(e.t().NumValidAtoms, 6);
    e.Left(e.At(4).x, e.At(4).y + 60);
    EXPECT_EQ(e.t().NumValidAtoms, 7);
    EXPECT_EQ(e.t().BondType(4, 7), 1);
    e.Left(e.At(7).x, e.At(7).y);
    EXPECT_FALSE(e.control.Drawing());
    // An atom with ten bonds takes no more: the chain stops with a note.
    Editor g;
    test::AddCarbon(g.model.Structure(), 300, 150);
    for (int k = 0; k < 10; ++k)
        test::AddCarbon(g.model.Structure(), 300 + 60 * std::cos(k * 0.6), 150 + 60 * std::sin(k * 0.6), {{1, 1}});
    g.model.Structure().Symmetrize();
    g.control.PressTool(Control::Bond);
    g.Left(300, 150);
    g.Left(300, 100);
    EXPECT_EQ(g.t().NumValidAtoms, 11);
    EXPECT_FALSE(g.control.Drawing());
    EXPECT_EQ(g.control.Status(), "The atom has 10 bonds, the most it can have.");

    // A bond to an atom of another fragment continues the chain from it.
    e.Left(300, 150);
    e.Left(e.At(7).x, e.At(7).y);
    EXPECT_TRUE(e.control.Drawing());
    EXPECT_EQ(e.control.PreviousAtom(), 7);
    EXPECT_EQ(e.t().BondType(8, 7), 1);
}

TEST(EditorKeys, ElementsChargesAndDeleteUnderThePointer)
{
    Editor e;
    Chain(e.model.Structure(), {{100, 150}, {126, 135}, {152, 150}});
    e.Hover(127, 136);
    EXPECT_TRUE(e.control.KeyText("N"));
    EXPECT_EQ(e.t().AtWeight(2), 14);
    // Each key in turn on the same atom; "b" (boron is not among the keys) and "x" change nothing.
    for (const auto& [key, element] : std::vector<std::pair<std::string, int>>{
             {"N", 7}, {"c", 6}, {"l", 17}, {"b", 17}, {"r", 35}, {"O", 8}, {"S", 16}, {"P", 15}, {"F", 9}, {"I", 53},
             {"H", 1}, {"x", 1}}) {
        EXPECT_EQ(e.control.KeyText(key), key != "b" && key != "x") << key;
        EXPECT_EQ(e.t().AtNum(2), element) << key;
    }
    e.control.KeyText("N");
    EXPECT_TRUE(e.control.KeyText("+"));
    EXPECT_EQ(e.t().Charge(2), 1);
    EXPECT_TRUE(e.control.KeyText("-"));
    EXPECT_TRUE(e.control.KeyText("\xE2\x88\x92"));
    EXPECT_EQ(e.t().Charge(2), -1);
    e.Hover(60, 60); // over nothing
    EXPECT_FALSE(e.control.KeyText("O"));
    EXPECT_FALSE(e.control.KeyDelete());

    // Delete over the bond 2-3, then over atom 1: its neighbour is not joined to anything.
    e.Hover(139, 143);
    EXPECT_TRUE(e.control.KeyDelete());
    EXPECT_EQ(e.t().NumValidAtoms, 3);
    EXPECT_EQ(e.t().BondType(2, 3), 0);
    EXPECT_EQ(e.t().BondType(3, 2), 0);
    e.Hover(101, 149);
    EXPECT_TRUE(e.control.KeyDelete());
    ASSERT_EQ(e.t().NumValidAtoms, 2);
    EXPECT_EQ(e.t().NumNeighbours(1), 0);
    EXPECT_EQ(e.t().NumNeighbours(2), 0);
    EXPECT_EQ(e.t().AtNum(1) + e.t().AtNum(2), 7 + 6); // the nitrogen stays
}

TEST(EditorHistory, UndoAndRedoRestoreTheExactTableAfterEveryKindOfAction)
{
    Editor e;
    std::vector<TCTab> states{e.t()};
    auto step = [&](const char* what, auto action) {
        action();
        e.control.MouseRelease();
        ASSERT_NE(CompareCtab(states.back(), e.t()) | (states.back().FStrucName != e.t().FStrucName), 0) << what;
        states.push_back(e.t());
    };
    step("bond tool chain start", [&] { e.control.PressTool(Control::Bond); e.Left(104, 150); });
    step("bond", [&] { e.Left(160, 150); });
    step("bond", [&] { e.Left(160, 100); });
    step("ring", [&] { e.Right(); e.control.PressTool(Control::Benzene); e.Left(300, 150); });
    step("fused ring", [&] { e.Left((e.At(5).x + e.At(6).x) / 2, (e.At(5).y + e.At(6).y) / 2); });
    step("spiro ring", [&] { e.control.PressTool(Control::Ring3); e.Left(e.At(1).x, e.At(1).y); });
    step("bond order", [&] { e.control.PressTool(Control::Bond); e.Left((e.At(1).x + e.At(2).x) / 2, (e.At(1).y + e.At(2).y) / 2); });
    step("element", [&] { e.Right(); e.Hover(e.At(3).x, e.At(3).y); e.control.KeyText("O"); });
    step("charge", [&] { e.control.KeyText("+"); });
    step("delete key", [&] { e.Hover(e.At(2).x, e.At(2).y); e.control.KeyDelete(); });
    step("delete atom tool", [&] { e.control.PressTool(Control::DeleteAtom); e.Left(e.At(1).x, e.At(1).y); });
    step("break bond tool", [&] { e.control.PressTool(Control::BreakBond); e.Left(e.At(5).x, e.At(5).y); });
    step("move atom", [&] {
        e.control.EndTool();
        e.control.PressTool(Control::MoveAtom);
        e.Left(e.At(4).x, e.At(4).y);
        e.control.MouseMove(e.At(4).x + 26, e.At(4).y + 30, true);
        e.control.MouseMove(e.At(4).x + 26, e.At(4).y + 30, true);
    });
    step("rotate", [&] { e.control.EndTool(); e.control.Run(Control::RotateLeft); });
    step("zoom", [&] { e.control.Run(Control::ZoomOut); });
    step("oops", [&] { e.control.Run(Control::Oops); });
    step("draw tool", [&] { e.control.PressTool(Control::Draw); e.Left(500, 300); });
    step("draw tool bond", [&] { e.Left(526, 300); });
    step("end of the draw tool", [&] { e.Right(); e.Right(); });
    step("delete all", [&] { e.control.Run(Control::DeleteWholeStructure); });

    for (std::size_t k = states.size() - 1; k > 0; --k) {
        ASSERT_TRUE(e.model.CanUndo());
        EXPECT_TRUE(e.control.Undo());
        EXPECT_EQ(CompareCtab(states[k - 1], e.t()), 0) << "undo to state " << k - 1;
    }
    EXPECT_FALSE(e.model.CanUndo());
    EXPECT_FALSE(e.control.Undo());
    for (std::size_t k = 1; k < states.size(); ++k) {
        ASSERT_TRUE(e.model.CanRedo());
        EXPECT_TRUE(e.control.Redo());
        EXPECT_EQ(CompareCtab(states[k], e.t()), 0) << "redo to state " << k;
    }
    EXPECT_FALSE(e.control.Redo());
    // Undo twice and act: what was undone can no longer be redone.
    e.control.Undo();
    e.control.Undo();
    e.control.PressTool(Control::Ring4);
    e.Left(600, 60);
    EXPECT_FALSE(e.model.CanRedo());
    EXPECT_EQ(e.t().NumValidAtoms, states[states.size() - 3].NumValidAtoms + 4);
}

TEST(EditorHistory, UndoEndsAChainAndPressesThatChangeNothingLeaveNoStep)
{
    Editor e;
    e.control.PressTool(Control::Bond);
    e.Left(104, 150);
    e.Left(160, 150);
    EXPECT_TRUE(e.control.Undo());
    EXPECT_FALSE(e.control.Drawing());
    EXPECT_EQ(e.t().NumValidAtoms, 1);
    EXPECT_TRUE(e.control.Undo());
    EXPECT_EQ(e.t().NumValidAtoms, 0);
    EXPECT_FALSE(e.model.CanUndo());
    e.control.Redo();
    e.control.Redo();
    e.control.PressTool(Control::Bond); // ends the tool
    e.control.PressTool(Control::MoveStructure);
    e.Left(10, 10);
    e.control.MouseRelease();
    e.Hover(300, 300);
    e.control.KeyText("Q");
    e.control.Undo();
    EXPECT_EQ(e.t().NumValidAtoms, 1); // the one step undone was the second bond
}

// Cyclohexanol as another program writes it, y growing upward, bonds of 1 unit.
const char* const kCyclohexanol =
    "Cyclohexanol\n  by hand\n\n"
    "  7  7  0  0  0  0  0  0  0  0999 V2000\n"
    "    0.8660    1.0000    0.0000 O   0  0  0  0  0  0  0  0  0  0  0  0\n"
    "    0.8660    0.0000    0.0000 C   0  0  0  0  0  0  0  0  0  0  0  0\n"
    "    1.7320   -0.5000    0.0000 C   0  0  0  0  0  0  0  0  0  0  0  0\n"
    "    1.7320   -1.5000    0.0000 C   0  0  0  0  0  0  0  0  0  0  0  0\n"
    "    0.8660   -2.0000    0.0000 C   0  0  0  0  0  0  0  0  0  0  0  0\n"
    "    0.0000   -1.5000    0.0000 C   0  0  0  0  0  0  0  0  0  0  0  0\n"
    "    0.0000   -0.5000    0.0000 C   0  0  0  0  0  0  0  0  0  0  0  0\n"
    "  1  2  1  0\n  2  3  1  0\n  3  4  1  0\n  4  5  1  0\n  5  6  1  0\n  6  7  1  0\n  7  2  1  0\n"
    "M  END\n";

TEST(EditorClipboard, MolfilePastedIntoAnEmptyDrawingAndBesideADrawing)
{
    Editor e;
    EXPECT_TRUE(e.control.PasteText(kCyclohexanol)); // no "$$$$": complete for the clipboard
    ASSERT_EQ(e.t().NumValidAtoms, 7);
    EXPECT_EQ(e.t().FStrucName, "Cyclohexanol");
    EXPECT_EQ(Rings(e.t()), 1);
    ExpectRegular(e.t(), Range(2, 7), kBondLength, 0.5);
    EXPECT_LT(e.t().Atom(1).y, e.t().Atom(2).y); // the OH stays on top
    const TCTab first = e.t();

    e.control.PressTool(Control::Ring3);
    EXPECT_TRUE(e.control.PasteText(kCyclohexanol));
    ASSERT_EQ(e.t().NumValidAtoms, 14);
    for (int i = 1; i <= 7; ++i)
        EXPECT_EQ(e.t().Atom(i), first.Atom(i)); // the drawing is untouched
    for (int i = 8; i <= 14; ++i)
        EXPECT_GT(e.t().Atom(i).x, e.t().Atom(3).x + kBondLength) << i; // to the right of it
    EXPECT_EQ(Components(e.t()), 2);
    ExpectRegular(e.t(), Range(9, 14), kBondLength, 0.5);
    EXPECT_EQ(e.t().BondType(8, 9), 1);
    EXPECT_EQ(e.t().AtNum(8), 8);
    EXPECT_EQ(e.t().FStrucName, "Cyclohexanol");
    // One undo step each.
    EXPECT_TRUE(e.control.Undo());
    EXPECT_EQ(CompareCtab(e.t(), first), 0);
}

TEST(EditorClipboard, RefusedPastesChangeNothing)
{
    Editor e;
    for (int i = 0; i < 58; ++i)
        test::AddCarbon(e.model.Structure(), 13 + 13 * (i % 40), 15 + 45 * (i / 40));
    const TCTab before = e.t();
    EXPECT_FALSE(e.control.PasteText(kCyclohexanol));
    EXPECT_EQ(CompareCtab(before, e.t()), 0);
    EXPECT_EQ(e.control.Status(), "The structure is full: 63 atoms at most.");
    EXPECT_FALSE(e.model.CanUndo());

    const std::string broken = std::string(kCyclohexanol).replace(std::string(kCyclohexanol).find("  7  2  1"), 9, "  7  9  1");
    EXPECT_FALSE(e.control.PasteText(broken));
    EXPECT_EQ(e.control.Status(), "Nothing pasted: the molfile has a bond to a missing atom.");
    EXPECT_FALSE(e.control.PasteText("  \n"));
    EXPECT_EQ(e.control.Status(), "Nothing pasted: the clipboard holds no structure.");
    // Without the SMILES reader (this program registers none) a SMILES is refused by name.
    EXPECT_FALSE(e.control.PasteText("CCO ethanol"));
    EXPECT_EQ(e.control.Status(), std::string("Nothing pasted: ") + kStructureFormatsUnavailable + ".");
    EXPECT_EQ(CompareCtab(before, e.t()), 0);
}

TEST(EditorClipboard, CopiedMolfilePastesBackAsTheSameDrawing)
{
    Editor e;
    e.control.PressTool(Control::Benzene);
    e.Left(195, 150);
    e.control.PressTool(Control::Bond);
    e.Left(195, 120);
    e.Left(195, 60); // a substituent up from the top atom
    e.Right();
    e.Hover(195, 90);
    e.control.KeyText("N");
    e.control.KeyText("+");
    const std::string molfile = e.model.MolfileText();
    EXPECT_NE(molfile.find("V2000"), std::string::npos);
    EXPECT_NE(molfile.find("    9.7500   -4.5000    0.0000 N   0  3"), std::string::npos) << molfile; // +1, y up

    Editor f;
    ASSERT_TRUE(f.control.PasteText(molfile));
    ASSERT_EQ(f.t().NumValidAtoms, 7);
    for (int i = 1; i <= 7; ++i) {
        EXPECT_EQ(f.t().AtNum(i), e.t().AtNum(i)) << i;
        for (int j = 1; j <= 7; ++j)
            EXPECT_EQ(f.t().BondType(i, j), e.t().BondType(i, j)) << i << "-" << j;
        // The same picture, moved: the same way up, bonds as long.
        EXPECT_NEAR(f.t().Atom(i).x - f.t().Atom(1).x, e.t().Atom(i).x - e.t().Atom(1).x, 2.5) << i;
        EXPECT_NEAR(f.t().Atom(i).y - f.t().Atom(1).y, e.t().Atom(i).y - e.t().Atom(1).y, 2.5) << i;
    }
    EXPECT_EQ(f.t().FStrucName, e.t().FStrucName);
    EXPECT_EQ(f.t().Charge(7), 1); // the code 3 of the pasted molfile, drawn as +1
    // A pasted charge changes from what is drawn: +1 and "-" make it neutral.
    f.Hover(f.t().Atom(7).x, f.t().Atom(7).y);
    EXPECT_TRUE(f.control.KeyText("-"));
    EXPECT_EQ(f.t().Charge(7), 0);
}

TEST(EditorClipboard, WithoutTheLayoutCleanUpIsRefusedAndChangesNothing)
{
    Editor e;
    Chain(e.model.Structure(), {{100, 150}, {126, 135}, {152, 150}});
    const TCTab before = e.t();
    EXPECT_FALSE(e.control.Enabled(Control::CleanUp));
    EXPECT_FALSE(e.control.Run(Control::CleanUp));
    EXPECT_EQ(e.control.Status(), "Not cleaned up: SMILES output and 2D layout are not available in this build.");
    EXPECT_EQ(CompareCtab(before, e.t()), 0);
    EXPECT_FALSE(e.model.CanUndo());
    std::string smiles = "x";
    EXPECT_NE(e.model.SmilesText(smiles), "");
    EXPECT_EQ(smiles, "");
}

TEST(EditorTemplates, ThePreviewIsTheRingAClickAdds)
{
    Editor e;
    e.control.PressTool(Control::Ring5);
    EXPECT_TRUE(e.control.MouseMove(200, 150, false));
    ASSERT_EQ(e.control.RingPreview().size(), 5u);
    EXPECT_FALSE(e.control.MouseMove(200, 150, false)); // nothing new to show
    const std::vector<PointF> shown = e.control.RingPreview();
    e.Left(200, 150);
    EXPECT_TRUE(e.control.RingPreview().empty());
    for (int i = 1; i <= 5; ++i) {
        EXPECT_NEAR(e.t().Atom(i).x, shown[static_cast<std::size_t>(i - 1)].x, 1e-4);
        EXPECT_NEAR(e.t().Atom(i).y, shown[static_cast<std::size_t>(i - 1)].y, 1e-4);
    }
    // Over a bond: the fused ring, starting with the bond's atoms.
    const PointF mid{(e.At(2).x + e.At(3).x) / 2, (e.At(2).y + e.At(3).y) / 2};
    e.control.PressTool(Control::Ring6);
    e.control.MouseMove(mid.x, mid.y, false);
    ASSERT_EQ(e.control.RingPreview().size(), 6u);
    EXPECT_EQ(e.control.RingPreview()[0], e.At(2));
    EXPECT_EQ(e.control.RingPreview()[1], e.At(3));
    e.control.EndTool();
    EXPECT_TRUE(e.control.RingPreview().empty());
}

TEST(EditorClipboard, AModuleThatCannotBeLoadedIsAStatusNotACrash)
{
    // Writers registered as the loader registers them, failing as it fails when the module
    // cannot be loaded.
    StructureFormatReaders readers;
    readers.writeSmiles = [](const TCTab&, std::string&) -> std::string { throw IoError("module.so", "cannot load"); };
    readers.layOut = [](TCTab&) -> std::string { throw IoError("module.so", "cannot load"); };
    RegisterStructureFormats(readers);
    Editor e;
    Chain(e.model.Structure(), {{100, 150}, {126, 135}});
    std::string smiles;
    EXPECT_NE(e.model.SmilesText(smiles).find("cannot load"), std::string::npos);
    EXPECT_TRUE(e.control.Enabled(Control::CleanUp));
    EXPECT_FALSE(e.control.Run(Control::CleanUp));
    EXPECT_NE(e.control.Status().find("cannot load"), std::string::npos) << e.control.Status();
    EXPECT_FALSE(e.model.CanUndo());
    RegisterStructureFormats({});
}

} // namespace
} // namespace velmora::editor
