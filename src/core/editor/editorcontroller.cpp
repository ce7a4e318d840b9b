#include "editor/editorcontroller.h"

#include "base/numeric.h"
#include "io/structureformats.h"
#include "model/elements.h"

#include <cctype>

namespace velmora::editor {

namespace {
constexpr const char* kFullNote = "The structure is full: 63 atoms at most.";
constexpr const char* kNoFreeBond = "The atom has 10 bonds, the most it can have.";

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
    case Control::Bond:
    case Control::Ring3:
    case Control::Ring4:
    case Control::Ring5:
    case Control::Ring6:
    case Control::Ring7:
    case Control::Ring8:
    case Control::Benzene: return Group::Draw;
    default: return Group::None;
    }
}

Group GroupOf(Tool tool)
{
    switch (tool) {
    case Tool::Draw:
    case Tool::Bond:
    case Tool::Ring: return Group::Draw;
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
    case Control::Bond: return Tool::Bond;
    case Control::Ring3:
    case Control::Ring4:
    case Control::Ring5:
    case Control::Ring6:
    case Control::Ring7:
    case Control::Ring8:
    case Control::Benzene: return Tool::Ring;
    default: return Tool::None;
    }
}

// Pointer distances of the bond tool and the keyboard: an atom is under the pointer within this
// radius, a bond within this distance of its line.
// The ring size of a template button (Ring3..Ring8, Benzene).
int RingSizeOf(Control control)
{
    return control == Control::Benzene ? 6 : 3 + static_cast<int>(control) - static_cast<int>(Control::Ring3);
}

constexpr double kAtomPick = 8.0;
constexpr double kBondPick = 6.0;
} // namespace

bool SelectsTool(Control control)
{
    return ToolOf(control) != Tool::None;
}

bool EditorController::ShownPressed(Control control) const
{
    const Tool tool = ToolOf(control);
    if (tool == Tool::None || tool != m_tool || !Enabled(control))
        return false;
    return tool != Tool::Ring || (RingSizeOf(control) == m_ringSize && (control == Control::Benzene) == m_ringAromatic);
}

Tool EditorController::PressTool(Control button)
{
    const Tool tool = ToolOf(button);
    if (tool == Tool::None)
        return m_tool; // "Move Window", "Move Ring" and the command buttons select no tool
    const int size = RingSizeOf(button);
    const bool aromatic = button == Control::Benzene;
    if (tool == Tool::Ring && m_tool == Tool::Ring && (size != m_ringSize || aromatic != m_ringAromatic)) {
        m_ringSize = size; // another template: the tool stays
        m_ringAromatic = aromatic;
        return m_tool;
    }
    if (tool == Tool::Ring)
        m_ringSize = size, m_ringAromatic = aromatic;
    if (tool == m_tool) {
        EndTool();
        return m_tool;
    }
    if (!Enabled(button))
        return m_tool;
    if (GroupOf(tool) != Group::Draw && m_model.AtomCount() == 0)
        return m_tool;
    if (m_tool != Tool::None)
        EndTool();
    m_tool = tool;
    m_status.clear();
    return m_tool;
}

void EditorController::EndTool()
{
    if (m_tool == Tool::Draw) {
        m_model.BeginAction();
        m_model.Structure().Symmetrize();
        m_model.EndAction();
    }
    m_tool = Tool::None;
    m_drawing = false;
    m_previous = 0;
    m_grabbed = 0;
    m_ringPreview.clear();
}

bool EditorController::Enabled(Control control) const
{
    if (control == Control::Oops)
        return m_model.OopsEnabled();
    if (control == Control::Undo)
        return m_model.CanUndo();
    if (control == Control::Redo)
        return m_model.CanRedo();
    if (control == Control::CleanUp && !StructureWritersAvailable())
        return false;
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
    m_model.EndAction();
    // A state undone to the middle of a chain still lists its newest bonds at one end.
    m_model.Structure().Symmetrize();
}

void EditorController::StructureReplaced()
{
    m_drawing = false;
    m_previous = 0;
    m_grabbed = 0;
}

std::string EditorController::Status() const
{
    if (m_status == kFullNote && m_model.AtomCount() < m_fullAt)
        return {};
    return m_status;
}

void EditorController::NoteFull()
{
    m_status = kFullNote;
    // The note lasts while the structure is as large as when it was refused.
    m_fullAt = m_model.AtomCount();
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
        NoteFull();
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

PointF EditorController::BondTarget(double x, double y, bool free, int& atom) const
{
    atom = m_model.FindAtomWithin(x, y, kAtomPick);
    if (atom < 0 || atom == m_previous) {
        const PointF end = m_model.BondEnd(m_previous, x, y, free);
        atom = m_model.FindAtomWithin(end.x, end.y, 0.3 * kBondLength);
        if (atom < 0 || atom == m_previous) {
            atom = 0;
            return end;
        }
    }
    const auto& found = m_model.Structure().Atom(atom);
    return {found.x, found.y};
}

bool EditorController::BondPress(double rawX, double rawY, double x, double y, bool free)
{
    if (!m_drawing) {
        if (const int atom = m_model.FindAtomWithin(rawX, rawY, kAtomPick); atom > 0) {
            m_previous = atom; // the chain starts from this atom
        } else if (const BondHit bond = m_model.FindBondAt(rawX, rawY, kBondPick); bond.found) {
            return m_model.CycleBondOrder(bond.a, bond.b);
        } else {
            m_previous = m_model.AddCarbonAt(x, y, 0);
            if (m_previous == 0) {
                NoteFull();
                return true;
            }
        }
        m_drawing = true;
        m_anchor = {m_model.Structure().Atom(m_previous).x, m_model.Structure().Atom(m_previous).y};
        m_current = m_anchor;
        return true;
    }
    if (m_model.FindAtomWithin(rawX, rawY, kAtomPick) == m_previous) {
        m_drawing = false; // a second click on the chain's end ends the chain
        return true;
    }
    int target = 0;
    const PointF end = BondTarget(rawX, rawY, free, target);
    if (target > 0) {
        const bool ring = m_model.Connected(m_previous, target);
        if (!m_model.Bond(m_previous, target) && m_model.Structure().BondType(m_previous, target) == 0) {
            m_status = kNoFreeBond;
            return false;
        }
        if (ring) {
            m_drawing = false; // the ring is closed: the chain ends
            return true;
        }
        m_previous = target;
    } else {
        const int added = m_model.AddCarbonAt(end.x, end.y, m_previous);
        if (added == 0) {
            m_drawing = false;
            if (m_model.AtomCount() >= kMaxAtoms)
                NoteFull();
            else
                m_status = kNoFreeBond;
            return true;
        }
        m_previous = added;
    }
    m_anchor = {m_model.Structure().Atom(m_previous).x, m_model.Structure().Atom(m_previous).y};
    m_current = m_anchor;
    return true;
}

bool EditorController::MousePress(MouseButton button, double x, double y, bool free)
{
    const double rawX = x, rawY = y;
    m_hover = {rawX, rawY};
    m_model.SnapPoint(x, y);
    m_current = {x, y};
    m_status.clear();
    // A press of a moving tool stays open until the release, so that the drag is one step.
    m_model.BeginAction();
    const bool repaint = Press(button, rawX, rawY, x, y, free);
    if (m_tool != Tool::MoveStructure && m_tool != Tool::MoveAtom)
        m_model.EndAction();
    return repaint;
}

bool EditorController::Press(MouseButton button, double rawX, double rawY, double x, double y, bool free)
{
    if (button == MouseButton::Right) {
        if ((m_tool == Tool::Draw || m_tool == Tool::Bond) && m_drawing) {
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
    case Tool::Bond:
        return BondPress(rawX, rawY, x, y, free);
    case Tool::Ring:
        m_ringPreview.clear();
        switch (m_model.PlaceRing(m_ringSize, m_ringAromatic, rawX, rawY)) {
        case EditorModel::RingResult::Placed: return true;
        case EditorModel::RingResult::Full: NoteFull(); return true;
        case EditorModel::RingResult::Crowded:
            m_status = "No room for the ring: an atom has too many bonds.";
            return false;
        }
        return false;
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

bool EditorController::Run(Control control)
{
    m_status.clear();
    if (control == Control::Undo)
        return Undo();
    if (control == Control::Redo)
        return Redo();
    m_model.BeginAction();
    bool changed = false;
    switch (control) {
    case Control::Oops:
        changed = m_model.Oops();
        if (changed)
            StructureReplaced();
        break;
    case Control::ZoomFit: changed = m_model.ZoomFit(); break;
    case Control::Center: changed = m_model.CenterStructure(); break;
    case Control::ZoomIn: changed = m_model.ZoomIn(); break;
    case Control::ZoomOut: changed = m_model.ZoomOut(); break;
    case Control::RotateLeft: changed = m_model.RotateLeft(); break;
    case Control::RotateRight: changed = m_model.RotateRight(); break;
    case Control::MirrorX: changed = m_model.MirrorX(); break;
    case Control::MirrorY: changed = m_model.MirrorY(); break;
    case Control::DeleteWholeStructure: changed = m_model.DeleteAll(); break;
    case Control::CleanUp:
        if (const std::string problem = m_model.CleanUp(); !problem.empty())
            m_status = "Not cleaned up: " + problem + ".";
        else
            changed = true;
        break;
    default: break;
    }
    m_model.EndAction();
    return changed;
}

bool EditorController::PasteText(const std::string& text)
{
    m_status.clear();
    std::string problem;
    m_model.BeginAction();
    const EditorModel::PasteResult result = m_model.Paste(text, problem);
    m_model.EndAction();
    switch (result) {
    case EditorModel::PasteResult::Pasted: StructureReplaced(); return true;
    case EditorModel::PasteResult::Full: NoteFull(); return false;
    case EditorModel::PasteResult::Unreadable: m_status = "Nothing pasted: " + problem + "."; return false;
    }
    return false;
}

bool EditorController::Undo()
{
    if (!m_model.Undo())
        return false;
    StructureReplaced();
    return true;
}

bool EditorController::Redo()
{
    if (!m_model.Redo())
        return false;
    StructureReplaced();
    return true;
}

bool EditorController::KeyDelete()
{
    m_model.BeginAction();
    bool changed = false;
    if (const int atom = m_model.FindAtomWithin(m_hover.x, m_hover.y, kAtomPick); atom > 0) {
        changed = m_model.RemoveAtom(atom);
    } else if (const BondHit bond = m_model.FindBondAt(m_hover.x, m_hover.y, kBondPick); bond.found) {
        changed = m_model.BreakBondOnly(bond.a, bond.b);
    }
    m_model.EndAction();
    if (changed)
        StructureReplaced(); // atom numbers moved: a chain in progress cannot go on
    return changed;
}

bool EditorController::KeyText(const std::string& text)
{
    const int atom = m_model.FindAtomWithin(m_hover.x, m_hover.y, kAtomPick);
    if (atom != m_typedAtom)
        m_typed.clear();
    m_typedAtom = atom;
    if (atom < 1 || text.empty())
        return false;
    int element = 0, charge = 0;
    if (text == "+") {
        charge = 1;
    } else if (text == "-" || text == "\xE2\x88\x92") {
        charge = -1;
    } else if (text.size() == 1 && std::isalpha(static_cast<unsigned char>(text[0]))) {
        const char letter = static_cast<char>(std::toupper(static_cast<unsigned char>(text[0])));
        const char before = m_typed.empty() ? '\0' : m_typed.back();
        m_typed += letter;
        if (before == 'C' && letter == 'L')
            element = ElementNumber("Cl");
        else if (before == 'B' && letter == 'R')
            element = ElementNumber("Br");
        else if (std::string("CNOSPFIH").find(letter) != std::string::npos)
            element = ElementNumber(std::string(1, letter));
    } else {
        m_typed.clear();
    }
    if (element == 0 && charge == 0)
        return false;
    m_model.BeginAction();
    const bool changed = element != 0 ? m_model.SetElement(atom, element) : m_model.AddCharge(atom, charge);
    m_model.EndAction();
    return changed;
}

bool EditorController::MouseMove(double x, double y, bool leftHeld, bool free)
{
    if (m_tool == Tool::Ring) {
        m_hover = {x, y};
        std::vector<PointF> preview = m_model.RingPreview(m_ringSize, x, y);
        const bool changed = preview != m_ringPreview;
        m_ringPreview = std::move(preview);
        return changed;
    }
    if (m_tool == Tool::Bond) {
        m_hover = {x, y};
        if (!m_drawing)
            return false;
        int target = 0;
        const PointF end = BondTarget(x, y, free, target);
        const bool changed = !(end == m_current);
        m_current = end;
        return changed;
    }
    m_hover = {x, y};
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
