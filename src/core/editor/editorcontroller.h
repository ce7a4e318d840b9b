#pragma once
// The editor's tools and pointer handling without a window: which tool is active, which controls
// may be used meanwhile, and what a press or a move of the pointer does to the model. The window
// turns its events into these calls and repaints when they say so.
#include "editor/editormodel.h"

#include <string>
#include <vector>

namespace velmora::editor {

enum class Tool {
    None, Draw, MoveStructure, MoveAtom, ChangeAtom, ChangeBond, ChangeCharge, DeleteAtom, BreakBond,
    DeleteWithinWindow,
    Bond, // bonds of the standard length at 30-degree steps; a click on a bond changes its order
    Ring, // a ring template (RingSize, RingAromatic)
};

// Every control of the tool bar and the name panel. The first ten select tools, and so do the
// bond tool and the ring templates after the name panel.
enum class Control {
    Draw, MoveStructure, MoveAtom, ChangeAtom, ChangeBond, ChangeCharge, DeleteAtom, BreakBond,
    DeleteWithinWindow, MoveWindow, MoveRing, DeleteWholeStructure, Esc, Exit, LoadScratch, SaveScratch,
    Oops, ZoomFit, Center, ZoomIn, ZoomOut, RotateLeft, RotateRight, MirrorX, MirrorY, Id,
    DistanceMatrix, NamePanel,
    Bond, Ring3, Ring4, Ring5, Ring6, Ring7, Ring8, Benzene, Undo, Redo, CleanUp,
};
constexpr int kControlCount = static_cast<int>(Control::CleanUp) + 1;
// Whether the control selects a tool (its button is a toggle).
bool SelectsTool(Control control);

enum class MouseButton { Left, Right };

class EditorController {
public:
    explicit EditorController(EditorModel& model) : m_model(model) {}

    EditorModel& Model() { return m_model; }
    Tool ActiveTool() const { return m_tool; }
    bool Drawing() const { return m_drawing; }

    // A tool button was pressed: selects its tool, ends it when it is the active one, or is refused
    // (the tools that work on atoms, while there are none; "Move Window" and "Move Ring", which
    // select nothing). Returns the tool active afterwards.
    Tool PressTool(Control button);
    // Ends the active tool; bonds drawn so far become two-sided.
    void EndTool();
    // Whether a control may be used now: all but undo (until a deletion) while no tool is active;
    // while one is, only its group, undo, the scratchpad and the distance matrix.
    bool Enabled(Control control) const;
    // Whether a control shows as pressed: it selects the active tool (a ring button: that very
    // template) and may be used now.
    bool ShownPressed(Control control) const;

    // Pointer events in drawing-area pixels (snapped here when snapping is on). True when the
    // window should repaint.
    // free (Shift held): the bond tool keeps the standard length but not the 30-degree steps.
    bool MousePress(MouseButton button, double x, double y, bool free = false);
    bool MouseMove(double x, double y, bool leftHeld, bool free = false);
    // The pointer button was released: a drag that moved atoms becomes one undo step.
    void MouseRelease() { m_model.EndAction(); }

    // Keys typed with the pointer over the drawing; true when the structure changed. Over an atom,
    // an element symbol (C N O S P F Cl Br I H, either case; "l" after C and "r" after B complete
    // the two-letter ones) sets the element, and + and - change the charge. Delete removes the
    // atom under the pointer with its bonds, or else the bond under it.
    bool KeyText(const std::string& text);
    bool KeyDelete();
    // The commands that change the structure in one step ("Oops", the zooms, turns and mirrors,
    // "Center Structure", "Delete Whole Structure", Undo, Redo, "Clean Up"), each an undo step of
    // its own; true when the structure changed (a clean up that cannot be done says why in
    // Status()). Other controls do nothing here.
    bool Run(Control control);
    // Ctrl+V: pastes a molfile or a SMILES (EditorModel::Paste) as one undo step; a refusal is
    // told by Status(). True when the structure changed.
    bool PasteText(const std::string& text);
    // Undo and redo of the history; a chain in progress ends.
    bool Undo();
    bool Redo();

    int RingSize() const { return m_ringSize; }
    // With a ring template: the ring a click at the pointer would add (corners in ring order),
    // shown before the click; empty right after a click and where no ring can go.
    const std::vector<PointF>& RingPreview() const { return m_ringPreview; }
    bool RingAromatic() const { return m_ringAromatic; }

    // The line from the anchor to the pointer while a chain is drawn; with the bond tool, the bond
    // the next click adds (from the chain's last atom to where the new bond ends).
    bool RubberBandShown() const { return m_drawing; }
    PointF Anchor() const { return m_anchor; }
    PointF Current() const { return m_current; }
    int PreviousAtom() const { return m_previous; }

    // Before the structure leaves the editor (OK, the scratchpad): ends the active tool.
    void PrepareForHandOver();
    // The structure was replaced (undo, scratchpad): a chain in progress ends.
    void StructureReplaced();

    // Element whose cursor the drawing area shows (0: the default cursor).
    int CursorElement() const { return m_tool == Tool::ChangeAtom ? m_model.SelectedElement : 0; }
    // A short note on the last press that could not do what was asked ("" otherwise). The note
    // that the structure is full lasts only while it is.
    std::string Status() const;

private:
    bool DrawPress(double x, double y);
    bool BondPress(double rawX, double rawY, double x, double y, bool free);
    // Where the bond tool's next bond would end for the pointer at (x, y): an atom under the
    // pointer, an atom at the standard end, or the standard end itself.
    PointF BondTarget(double x, double y, bool free, int& atom) const;
    // The structure-full note after a refusal.
    void NoteFull();
    bool Press(MouseButton button, double rawX, double rawY, double x, double y, bool free);
    // Appends a carbon at the current point, bonded to `from` when it is an atom; its number, or 0
    // when the table is full.
    int AppendCarbon(int from);

    EditorModel& m_model;
    Tool m_tool = Tool::None;
    bool m_drawing = false;
    PointF m_anchor, m_current, m_last;
    int m_previous = 0;
    int m_grabbed = 0;
    std::string m_status;
    int m_fullAt = kMaxAtoms;
    int m_ringSize = 6;
    bool m_ringAromatic = false;
    PointF m_hover{-1000.0, -1000.0};
    std::vector<PointF> m_ringPreview;
    int m_typedAtom = 0;
    std::string m_typed;
};

} // namespace velmora::editor
