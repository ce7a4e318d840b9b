#pragma once
// The editor's tools and pointer handling without a window: which tool is active, which controls
// may be used meanwhile, and what a press or a move of the pointer does to the model. The window
// turns its events into these calls and repaints when they say so.
#include "editor/editormodel.h"

#include <string>

namespace velmora::editor {

enum class Tool {
    None, Draw, MoveStructure, MoveAtom, ChangeAtom, ChangeBond, ChangeCharge, DeleteAtom, BreakBond,
    DeleteWithinWindow,
};

// Every control of the tool bar and the name panel. The first ten select tools.
enum class Control {
    Draw, MoveStructure, MoveAtom, ChangeAtom, ChangeBond, ChangeCharge, DeleteAtom, BreakBond,
    DeleteWithinWindow, MoveWindow, MoveRing, DeleteWholeStructure, Esc, Exit, LoadScratch, SaveScratch,
    Oops, ZoomFit, Center, ZoomIn, ZoomOut, RotateLeft, RotateRight, MirrorX, MirrorY, Id,
    DistanceMatrix, NamePanel,
};
constexpr int kControlCount = static_cast<int>(Control::NamePanel) + 1;

enum class MouseButton { Left, Right };

struct PointF {
    double x = 0.0;
    double y = 0.0;
    friend bool operator==(const PointF&, const PointF&) = default;
};

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

    // Pointer events in drawing-area pixels (snapped here when snapping is on). True when the
    // window should repaint.
    bool MousePress(MouseButton button, double x, double y);
    bool MouseMove(double x, double y, bool leftHeld);

    // The line from the anchor to the pointer while a chain is drawn.
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
};

} // namespace velmora::editor
