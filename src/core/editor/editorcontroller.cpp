#include "editor/editorcontroller.h"

#include "base/numeric.h"

namespace velmora::editor {

namespace {
constexpr const char* kFullNote = "The structure is full: 63 atoms at most.";

enum class Group { None, Draw, Move, Change, Delete };

Group GroupOf(Control control)
{
    switch (control) {
    case Control::Draw: return Group::Draw;
    case Control::MoveStructure:
    case Control::MoveAtom:
    case Control::MoveWindow:
    case Control::MoveRing: return Group::Move;
    case Control::ChangeAtom:
    case Control::ChangeBond:
    case Control::ChangeCharge: return Group::Change;
    case Control::DeleteAtom:
    case Control::BreakBond:
    case Control::DeleteWithinWindow:
    case Control::DeleteWholeStructure: return Group::Delete;
    default: return Group::None;
    }
}

Group GroupOf(Tool tool)
{
    switch (tool) {
    case Tool::Draw: return Group::Draw;
    case Tool::MoveStructure:
    case Tool::MoveAtom: return Group::Move;
    case Tool::ChangeAtom:
    case Tool::ChangeBond:
    case Tool::ChangeCharge: return Group::Change;
    case Tool::DeleteAtom:
    case Tool::BreakBond:
    case Tool::DeleteWithinWindow: return Group::Delete;
    default: return Group::None;
    }
}

Tool ToolOf(Control control)
{
    switch (control) {
    case Control::Draw: return Tool::Draw;
    case Control::MoveStructure: return Tool::MoveStructure;
    case Control::MoveAtom: return Tool::MoveAtom;
    case Control::ChangeAtom: return Tool::ChangeAtom;
    case Control::ChangeBond: return Tool::ChangeBond;
    case Control::ChangeCharge: return Tool::ChangeCharge;
    case Control::DeleteAtom: return Tool::DeleteAtom;
    case Control::BreakBond: return Tool::BreakBond;
    case Control::DeleteWithinWindow: return Tool::DeleteWithinWindow;
    default: return Tool::None;
    }
}
} // namespace

Tool EditorController::PressTool(Control button)
{
    const Tool tool = ToolOf(button);
    if (tool == Tool::None)
        return m_tool; // "Move Window", "Move Ring" and the command buttons select no tool
    if (tool == m_tool) {
        EndTool();
        return m_tool;
    }
    if (!Enabled(button))
        return m_tool;
    if (tool != Tool::Draw && m_model.AtomCount() == 0)
        return m_tool;
    if (m_tool != Tool::None)
        EndTool();
    m_tool = tool;
    m_status.clear();
    return m_tool;
}

void EditorController::EndTool()
{
    if (m_tool == Tool::Draw)
        m_model.Structure().Symmetrize();
    m_tool = Tool::None;
    m_drawing = false;
    m_previous = 0;
    m_grabbed = 0;
}

bool EditorController::Enabled(Control control) const
{
    if (control == Control::Oops)
        return m_model.OopsEnabled();
    if (m_tool == Tool::None)
        return true;
    switch (control) {
    case Control::LoadScratch:
    case Control::SaveScratch:
    case Control::DistanceMatrix: return true;
    default: return GroupOf(control) != Group::None && GroupOf(control) == GroupOf(m_tool);
    }
}

void EditorController::PrepareForHandOver()
{
    if (m_tool != Tool::None)
        EndTool();
}

void EditorController::StructureReplaced()
{
    m_drawing = false;
    m_previous = 0;
    m_grabbed = 0;
}

std::string EditorController::Status() const
{
    if (m_status == kFullNote && m_model.AtomCount() < kMaxAtoms)
        return {};
    return m_status;
}

int EditorController::AppendCarbon(int from)
{
    TAtomRecord atom;
    atom.AtNum = kCarbon;
    atom.AtWeight = 12;
    atom.x = static_cast<float>(m_current.x);
    atom.y = static_cast<float>(m_current.y);
    if (from > 0) {
        atom.ConnTo[0] = static_cast<std::uint8_t>(from);
        atom.TypConn[0] = 1;
    }
    if (!m_model.Structure().AddAtom(atom)) {
        // Continuing from some other atom would bond wherever that atom lies: the chain stops.
        m_drawing = false;
        m_status = kFullNote;
        return 0;
    }
    return m_model.AtomCount();
}

bool EditorController::DrawPress(double x, double y)
{
    TGrafCtab& table = m_model.Structure();
    const int hit = m_model.FindAtomNear(x, y);
    if (!m_drawing) {
        m_last = {x, y};
        m_previous = 0;
        if (hit < 0) {
            m_previous = AppendCarbon(0);
            if (m_previous == 0)
                return true;
            m_anchor = {x, y};
        } else {
            m_previous = hit;
            m_anchor = {static_cast<double>(Round(table.Atom(hit).x)), static_cast<double>(Round(table.Atom(hit).y))};
            const int other = m_model.FindAtomNear(m_current.x, m_current.y);
            if (other < 0) {
                m_previous = AppendCarbon(hit);
                if (m_previous == 0)
                    return true;
            } else if (other != hit) {
                table.SetConnection(other, hit, 1);
                m_previous = other;
            }
        }
        m_drawing = true;
        return true;
    }
    if (hit < 0) {
        const int added = AppendCarbon(m_previous);
        if (added == 0)
            return true;
        m_previous = added;
    } else if (hit != m_previous) {
        table.SetConnection(hit, m_previous, 1);
        m_previous = hit;
    }
    m_anchor = {x, y};
    return true;
}

bool EditorController::MousePress(MouseButton button, double x, double y)
{
    m_model.SnapPoint(x, y);
    m_current = {x, y};
    m_status.clear();
    if (button == MouseButton::Right) {
        if (m_tool == Tool::Draw && m_drawing) {
            m_drawing = false; // the chain ends; the tool stays for the next one
            return true;
        }
        if (m_tool == Tool::None)
            return false;
        EndTool();
        return true;
    }
    const int hit = m_tool == Tool::Draw ? 0 : m_model.FindAtomNear(x, y);
    switch (m_tool) {
    case Tool::Draw:
        return DrawPress(x, y);
    case Tool::MoveStructure:
        m_last = {x, y};
        return false;
    case Tool::MoveAtom:
        m_grabbed = hit;
        m_last = {x, y};
        return false;
    case Tool::ChangeAtom:
        if (hit > 0 && !m_model.ChangeAtom(hit))
            m_status = "Choose an element first: double-click \"Change Atom\".";
        return hit > 0;
    case Tool::ChangeBond:
        if (const BondHit bond = m_model.FindBondNear(x, y); bond.found)
            m_model.CycleBondType(bond.a, bond.b);
        return true;
    case Tool::ChangeCharge:
        if (hit > 0)
            m_model.CycleCharge(hit);
        return hit > 0;
    case Tool::DeleteAtom:
        if (hit > 0)
            m_model.DeleteAtomAt(hit);
        return hit > 0;
    case Tool::BreakBond:
        if (m_model.AtomCount() >= 2)
            if (const BondHit bond = m_model.FindBondNear(x, y); bond.found)
                return m_model.BreakBond(bond.a, bond.b);
        return false;
    default:
        return false;
    }
}

bool EditorController::MouseMove(double x, double y, bool leftHeld)
{
    m_model.SnapPoint(x, y);
    const PointF point{x, y};
    const bool moved = !(point == m_last);
    m_current = point;
    bool repaint = false;
    switch (m_tool) {
    case Tool::Draw:
        repaint = m_drawing && moved;
        break;
    case Tool::MoveStructure:
        if (leftHeld && moved) {
            m_model.MoveStructureBy(x - m_last.x, y - m_last.y);
            repaint = true;
        }
        break;
    case Tool::MoveAtom:
        if (leftHeld && moved && m_grabbed > 0) {
            m_model.MoveAtomTo(m_grabbed, x, y);
            repaint = true;
        }
        break;
    default:
        break;
    }
    m_last = point;
    return repaint;
}

} // namespace velmora::editor
