#include "editor/editorcontroller.h"

#include "editor_support.h"

#include <gtest/gtest.h>

namespace velmora::editor {
namespace {

using test::Chain;
using test::XY;
using XYPair = std::pair<double, double>;

using test::Editor;

TEST(EditorDraw, ChainRingAndTheTwoRightPresses)
{
    Editor e;
    ASSERT_EQ(e.control.PressTool(Control::Draw), Tool::Draw);
    e.Left(101, 98); // snapped to (104, 105)
    EXPECT_TRUE(e.control.Drawing());
    EXPECT_TRUE(e.control.MouseMove(150, 100, false));
    EXPECT_EQ(e.control.Current(), (PointF{156, 105}));
    e.Left(152, 101);
    e.Left(152, 150);
    e.Left(103, 103); // on atom 1: the ring closes, no new atom
    ASSERT_EQ(e.t().NumValidAtoms, 3);
    EXPECT_EQ(XY(e.t(), 1), XYPair(104, 105));
    EXPECT_EQ(XY(e.t(), 3), XYPair(156, 150));
    EXPECT_EQ(e.control.PreviousAtom(), 1);
    EXPECT_EQ(e.t().BondType(2, 1), 1); // drawn from 1: only the new atom lists it so far
    EXPECT_EQ(e.t().BondType(1, 2), 0);

    e.Right(0, 0); // the chain ends, the tool stays
    EXPECT_FALSE(e.control.Drawing());
    EXPECT_EQ(e.control.ActiveTool(), Tool::Draw);
    e.Left(156, 150); // a new chain from atom 3
    e.Left(208, 150);
    EXPECT_EQ(e.t().NumValidAtoms, 4);
    EXPECT_EQ(e.t().BondType(4, 3), 1);
    e.Right(0, 0);
    e.Right(0, 0); // the tool ends and every bond is two-sided
    EXPECT_EQ(e.control.ActiveTool(), Tool::None);
    for (const auto& [a, b] : {std::pair{1, 2}, {2, 3}, {3, 1}, {3, 4}}) {
        EXPECT_EQ(e.t().BondType(a, b), 1) << a << "-" << b;
        EXPECT_EQ(e.t().BondType(b, a), 1) << b << "-" << a;
    }
}

// A full structure stops the chain with a note instead of jumping to an old atom; the note goes
// when the structure shrinks, also by a command of the tool bar.
TEST(EditorDraw, FullStructureStopsTheChainAndTheNoteGoesWhenItShrinks)
{
    Editor e;
    e.control.PressTool(Control::Draw);
    for (int i = 0; i < kMaxAtoms; ++i)
        e.Left(26.0 * (i % 20) + 26, 45.0 * (i / 20) + 30);
    ASSERT_EQ(e.t().NumValidAtoms, 63);
    EXPECT_TRUE(e.control.Drawing());
    e.Left(500, 300);
    EXPECT_EQ(e.t().NumValidAtoms, 63);
    EXPECT_FALSE(e.control.Drawing());
    EXPECT_NE(e.control.Status().find("full"), std::string::npos);
    e.Left(26, 30); // a press on atom 1 starts a chain there; nothing is bonded to atom 63
    EXPECT_EQ(e.t().BondType(1, 63), 0);
    EXPECT_EQ(e.t().NumNeighbours(63), 1);

    e.Left(500, 300); // refused again: the note is up
    ASSERT_NE(e.control.Status().find("full"), std::string::npos);
    e.control.EndTool();
    e.model.DeleteAtomAt(63);
    EXPECT_EQ(e.control.Status(), "");
    e.model.Oops(); // full again, but nothing was refused since
    EXPECT_EQ(e.t().NumValidAtoms, 63);
    e.model.DeleteAll();
    EXPECT_EQ(e.control.Status(), "");
}

TEST(EditorTools, EnableRulesPerActiveTool)
{
    Editor e;
    Chain(e.model.Structure(), {{104, 105}, {130, 105}});
    auto enabled = [&] {
        std::string s;
        for (int c = 0; c < kControlCount; ++c)
            s += e.control.Enabled(static_cast<Control>(c)) ? '1' : '0';
        return s;
    };
    // One character per control in the order of Control: tools, Move Window, Move Ring, Delete Whole
    // Structure, esc, Exit, the scratchpad, undo, the view commands, ID, the matrix, the name panel;
    // then the bond tool, the ring templates, Undo and Redo of the history (nothing done yet) and
    // "Clean Up" (no layout registered here).
    struct Case { Control tool; const char* expected; };
    for (const Case c : {Case{Control::Draw, "1000000000000011000000000010" "11111111000"},
                         Case{Control::Bond, "1000000000000011000000000010" "11111111000"},
                         Case{Control::Benzene, "1000000000000011000000000010" "11111111000"},
                         Case{Control::MoveAtom, "0110000001100011000000000010" "00000000000"},
                         Case{Control::ChangeBond, "0001110000000011000000000010" "00000000000"},
                         Case{Control::DeleteWithinWindow, "0000001110010011000000000010" "00000000000"}}) {
        EXPECT_EQ(enabled(), "1111111111111111011111111111" "11111111000");
        e.control.PressTool(c.tool);
        EXPECT_EQ(enabled(), c.expected) << static_cast<int>(c.tool);
        e.control.PressTool(c.tool); // pressed again: the tool ends
        EXPECT_EQ(e.control.ActiveTool(), Tool::None);
    }
    e.model.DeleteAtomAt(2);
    EXPECT_TRUE(e.control.Enabled(Control::Oops));
}

TEST(EditorTools, RefusedPressesAndRightPresses)
{
    Editor e;
    for (const Control c : {Control::MoveStructure, Control::ChangeAtom, Control::DeleteAtom, Control::BreakBond,
                            Control::MoveWindow})
        EXPECT_EQ(e.control.PressTool(c), Tool::None) << static_cast<int>(c);
    Chain(e.model.Structure(), {{104, 105}});
    EXPECT_EQ(e.control.PressTool(Control::MoveStructure), Tool::MoveStructure);
    EXPECT_EQ(e.control.PressTool(Control::MoveRing), Tool::MoveStructure); // selects nothing
    EXPECT_EQ(e.control.PressTool(Control::MoveAtom), Tool::MoveAtom);      // same group
    EXPECT_EQ(e.control.PressTool(Control::DeleteAtom), Tool::MoveAtom);    // disabled meanwhile
    for (const Control c : {Control::MoveAtom, Control::ChangeCharge, Control::DeleteWithinWindow}) {
        e.control.PressTool(c);
        e.Right(10, 10);
        EXPECT_EQ(e.control.ActiveTool(), Tool::None) << static_cast<int>(c);
    }
}

TEST(EditorTools, MoveChangeAndDeleteThroughThePointer)
{
    Editor e;
    Chain(e.model.Structure(), {{104, 105}, {130, 105}, {156, 105}});
    e.control.PressTool(Control::MoveStructure);
    e.Left(200, 200);
    EXPECT_FALSE(e.control.MouseMove(226, 230, false)); // button up: nothing moves
    e.Left(226, 225);
    EXPECT_TRUE(e.control.MouseMove(252, 240, true));
    EXPECT_EQ(XY(e.t(), 1), XYPair(130, 120));
    e.control.PressTool(Control::MoveAtom);
    e.Left(182, 120); // grabs atom 3
    EXPECT_TRUE(e.control.MouseMove(182, 150, true));
    EXPECT_EQ(XY(e.t(), 3), XYPair(182, 150));
    EXPECT_EQ(XY(e.t(), 2), XYPair(156, 120));
    e.Left(400, 400); // grabs nothing
    EXPECT_FALSE(e.control.MouseMove(420, 420, true));

    e.control.PressTool(Control::MoveAtom);
    e.control.PressTool(Control::ChangeAtom);
    EXPECT_EQ(e.control.CursorElement(), 0);
    e.Left(130, 120);
    EXPECT_EQ(e.t().AtNum(1), 6);
    EXPECT_FALSE(e.control.Status().empty()); // no element chosen yet
    e.model.SelectedElement = 7;
    EXPECT_EQ(e.control.CursorElement(), 7);
    e.Left(130, 120);
    EXPECT_EQ(e.t().AtNum(1), 7);
    e.control.PressTool(Control::ChangeBond);
    e.Left(143, 121);
    EXPECT_EQ(e.t().BondType(1, 2), 2);
    e.control.PressTool(Control::ChangeCharge);
    e.Left(130, 120);
    EXPECT_EQ(e.t().Charge(1), 1);

    e.control.PressTool(Control::ChangeCharge);
    e.control.PressTool(Control::BreakBond);
    e.Left(169, 135);
    EXPECT_EQ(e.t().BondType(2, 3), 0);
    e.control.PressTool(Control::DeleteAtom);
    e.Left(182, 150);
    EXPECT_EQ(e.t().NumValidAtoms, 2);
}

TEST(EditorTools, HandOverEndsTheToolAndCompletesBonds)
{
    Editor e;
    e.control.PressTool(Control::Draw);
    e.Left(104, 105);
    e.Left(130, 105);
    EXPECT_EQ(e.t().BondType(1, 2), 0);
    e.control.PrepareForHandOver();
    EXPECT_EQ(e.control.ActiveTool(), Tool::None);
    EXPECT_EQ(e.t().BondType(1, 2), 1);

    e.control.PressTool(Control::Draw); // undo while drawing: the chain does not go on from a lost atom
    e.Left(130, 105);
    e.Left(156, 105);
    e.model.SaveUndo();
    e.model.DeleteAll();
    e.model.Oops();
    e.control.StructureReplaced();
    EXPECT_FALSE(e.control.Drawing());
}

} // namespace
} // namespace velmora::editor
