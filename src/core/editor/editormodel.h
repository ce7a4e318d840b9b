#pragma once
// The structure editor's model: the structure being drawn, its one-level undo copy and the view
// flags, with every editing command as an operation on them. Coordinates are pixels of the
// drawing area, whose top-left corner is (0, 0); the window only forwards positions and repaints.
#include "graphics/grafctab.h"

#include <string>

namespace velmora::editor {

// Grid cell and hit box: 13 pixels across, 15 down.
constexpr int kGridX = 13;
constexpr int kGridY = 15;
constexpr int kCarbon = 6;
// Bond length, in pixels, of a query taken from a file: a bond as long as the editor's drawn ones.
constexpr double kQueryBondPixels = 30.0;

struct BondHit {
    bool found = false;
    int a = 0;
    int b = 0;
};

class EditorModel {
public:
    EditorModel();

    TGrafCtab& Structure() { return m_structure; }
    const TGrafCtab& Structure() const { return m_structure; }
    const TGrafCtab& UndoCopy() const { return m_undo; }
    int AtomCount() const { return m_structure.NumValidAtoms; }

    // Size of the drawing area in pixels; it bounds ZoomIn, ZoomFit and CenterStructure and the
    // clip rectangle of the drawing.
    void SetDrawingArea(int width, int height);
    int AreaWidth() const { return m_width; }
    int AreaHeight() const { return m_height; }

    int LabelMode = 1;      // 0..3, as TGrafCtab draws
    bool Snap = true;
    bool Grid = true;
    int SelectedElement = 0; // 0 until the element picker returned a choice
    bool OopsEnabled() const { return m_oopsEnabled; }

    // Hit tests: the last atom (in number order) within the hit box whose z is 0; -1 when none.
    int FindAtomNear(double x, double y) const;
    // The bond nearest to the point, judged from the atom nearest to it.
    BondHit FindBondNear(double x, double y) const;

    // Snapping (each does nothing while Snap is off).
    void SnapPoint(double& x, double& y) const;
    void SnapAtom(int i);
    void SnapStructure();

    // Geometry; each returns whether atoms moved. A rotation keeps every atom in view: a structure
    // turned near an edge is moved back inside by whole grid cells.
    bool ZoomOut();
    bool ZoomIn();
    bool ZoomFit();
    bool RotateLeft();
    bool RotateRight();
    bool MirrorX();
    bool MirrorY();
    bool CenterStructure();
    void MoveStructureBy(double dx, double dy);
    void MoveAtomTo(int i, double x, double y);

    // Atom, bond and charge edits.
    // Gives atom i the selected element; false (nothing changed) while no element is chosen.
    bool ChangeAtom(int i);
    void CycleBondType(int a, int b);
    void CycleCharge(int i);

    // Deletions take the undo copy first.
    void DeleteAtomAt(int i);
    bool BreakBond(int a, int b);
    bool DeleteAll();
    void SaveUndo();
    // Puts the undo copy back; false when there is none to take.
    bool Oops();

    // The scratchpad "SCRATCH.CTB" in folder. SaveScratch throws IoError when the file cannot be
    // written; a half-written file never replaces the previous one. LoadScratch replaces the
    // structure (keeping its name) only when the file opens and reads without error.
    void SaveScratch(const std::string& folder) const;
    bool LoadScratch(const std::string& folder);
    static std::string ScratchPath(const std::string& folder);

    // Starts editing the workbench's query (an empty table when there is none). A drawn query is
    // taken as it is: its coordinates are this area's pixels. One read from a file, a library or a
    // SMILES string keeps y growing upward in its own units: it is turned the right way up for the
    // screen, scaled to bonds of kQueryBondPixels (smaller when it would not fit) and centred in the
    // drawing area, every atom at z 0 so that each can be picked. The undo copy and the flags stay.
    void TakeQuery(const TCTab& query, bool drawn);

    // Label mode for the listing beside the drawing (atom numbers), and back.
    void ShowNumbers() { LabelMode = 3; }
    void HideNumbers() { LabelMode = 1; }

private:
    void ScaleAboutCentroid(double factor);
    // Turns every atom by the editor's step about the centroid (or the atom found near it): +1 one
    // way, -1 the other.
    bool RotateBy(double direction, bool pivotOnNearAtom);
    // Shifts the structure by whole grid cells so that every atom lies at least one cell inside
    // the drawing area; in a direction where it is larger than that, it is centred instead.
    void KeepInView();
    // Reflects every atom across the snapped centroid's line: axis 1 flips x, axis 2 flips y.
    bool MirrorAcross(int axis);
    void SetXY(int i, double x, double y);

    TGrafCtab m_structure;
    TGrafCtab m_undo;
    bool m_oopsEnabled = false;
    int m_width = 648;
    int m_height = 378;
};

} // namespace velmora::editor
