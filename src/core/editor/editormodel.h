#pragma once
// The structure editor's model: the structure being drawn, its one-level undo copy and the view
// flags, with every editing command as an operation on them. Coordinates are pixels of the
// drawing area, whose top-left corner is (0, 0); the window only forwards positions and repaints.
#include "graphics/grafctab.h"

#include <string>
#include <vector>

namespace velmora::editor {

// Grid cell and hit box: 13 pixels across, 15 down.
constexpr int kGridX = 13;
constexpr int kGridY = 15;
constexpr int kCarbon = 6;
// Bond length, in pixels, of a query taken from a file: a bond as long as the editor's drawn ones.
constexpr double kQueryBondPixels = 30.0;

// Standard length of a bond drawn with the bond tool or a ring template, and the angle step its
// direction snaps to.
constexpr double kBondLength = kQueryBondPixels;
constexpr double kBondAngleStepDegrees = 30.0;
// Undo keeps at most this many earlier states.
constexpr std::size_t kHistoryDepth = 200;

struct PointF {
    double x = 0.0;
    double y = 0.0;
    friend bool operator==(const PointF&, const PointF&) = default;
};

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
    int AtomCount() const { return m_structure.NumValidAtoms; }

    // Size of the drawing area in pixels; it bounds ZoomIn, ZoomFit and CenterStructure and the
    // clip rectangle of the drawing.
    void SetDrawingArea(int width, int height);

    int LabelMode = 1;      // 0..3, as TGrafCtab draws
    bool Snap = true;
    bool Grid = true;
    int SelectedElement = 0; // 0 until the element picker returned a choice
    bool OopsEnabled() const { return m_oopsEnabled; }

    // Hit tests: the last atom (in number order) within the hit box whose z is 0; -1 when none.
    int FindAtomNear(double x, double y) const;
    // The bond nearest to the point, judged from the atom nearest to it.
    BondHit FindBondNear(double x, double y) const;

    // Precise hit tests of the bond tool, the ring templates and the keyboard: the nearest atom
    // within radius pixels (-1 when none) and the nearest bond whose line passes within tolerance
    // pixels (found false when none).
    int FindAtomWithin(double x, double y, double radius) const;
    BondHit FindBondAt(double x, double y, double tolerance) const;

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

    // Sets atom i's element (and its mass number); false when i or element is out of range.
    bool SetElement(int i, int element);
    // Adds step to atom i's charge as drawn, kept within -2..+2; false when nothing changed.
    bool AddCharge(int i, int step);
    // Single -> double -> triple -> single (an aromatic bond becomes single), at both ends.
    bool CycleBondOrder(int a, int b);

    // Where a bond of the standard length from atom `from` towards (x, y) ends: its direction
    // snapped to 30-degree steps unless free.
    PointF BondEnd(int from, double x, double y, bool free) const;
    // Whether atoms a and b are joined by some path of bonds (seen from either end).
    bool Connected(int a, int b) const;
    // Appends a carbon at (x, y) bonded on both sides to `from` when it is an atom; its number, or
    // 0 (nothing changed) when the table is full.
    int AddCarbonAt(double x, double y, int from);
    // Bonds a and b on both sides with a single bond; false when they are bonded already, the same
    // atom, or a neighbour list is full.
    bool Bond(int a, int b);

    // Ring templates: a regular ring of `size` (3..8) atoms with bonds of the standard length;
    // aromatic gives alternating double bonds (benzene). A point on an atom gives a spiro ring
    // through that atom, on the side away from its neighbours; a point on a bond a fused ring that
    // shares exactly that bond (its length is the ring's), on the side away from the atoms'
    // other neighbours; elsewhere a new ring centred on the point (snapped). A ring corner that
    // falls on an existing atom uses that atom. Nothing changes unless the whole ring fits.
    enum class RingResult { Placed, Full, Crowded };
    RingResult PlaceRing(int size, bool aromatic, double x, double y);
    // The corners (ring order) a template placed at (x, y) would have; none where it cannot go.
    std::vector<PointF> RingPreview(int size, double x, double y) const;

    // Removes atom i with its bonds (its neighbours stay unjoined), and the bond a-b; neither
    // touches the undo copy of "Oops".
    bool RemoveAtom(int i);
    bool BreakBondOnly(int a, int b);

    // Undo history of every action: BeginAction keeps a copy of the table as it was (closing an
    // action still open first); EndAction closes it, dropping the copy when nothing changed and
    // otherwise clearing what could be redone. Undo and Redo step through the copies, closing an
    // open action first; each restores the table exactly.
    void BeginAction();
    void EndAction();
    bool Undo();
    bool Redo();
    bool CanUndo() const;
    bool CanRedo() const { return !m_future.empty(); }
    void ClearHistory();

    // Deletions take the undo copy first.
    void DeleteAtomAt(int i);
    bool BreakBond(int a, int b);
    bool DeleteAll();
    void SaveUndo();
    // Puts the undo copy back; false when there is none to take.
    bool Oops();

    // The clipboard. MolfileText: the drawing as a V2000 molfile record, bonds 1.5 units long and y
    // growing upward as other programs keep it. Paste takes a molfile record (V2000) or else a
    // SMILES (the first word of the first line; needs the SMILES reader, laid out in 2D by it):
    // into an empty drawing it comes as a query would, beside an existing drawing it is added to
    // the right of it with bonds of the standard length. Nothing changes unless all of it fits
    // (Full) and reads (Unreadable, with the reason in problem).
    std::string MolfileText() const;
    enum class PasteResult { Pasted, Full, Unreadable };
    PasteResult Paste(const std::string& text, std::string& problem);

    // The drawing as a canonical SMILES in smiles; "" or why not (no SMILES writer registered, ...).
    std::string SmilesText(std::string& smiles) const;
    // "Clean up": new 2D coordinates from the registered layout (RDKit's depictor) for every
    // atom, in the atoms' order, bonds of the standard length (smaller when it would not fit), the
    // centre kept where it was. "" or why nothing changed.
    std::string CleanUp();

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
    // The query's molfile charge codes become the formal charges the editor draws and cycles.
    void TakeQuery(const TCTab& query, bool drawn);
    // The drawing as the query it is handed over as (and copied and laid out as): pixel
    // coordinates as drawn, charges as molfile codes like a structure read from a file.
    TCTab QueryStructure() const;

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
    bool Unchanged() const;
    // PlaceRing's geometry: the corners in ring order, the existing atoms at the first of them
    // (the spiro atom, or the fused bond's two); false when the ring cannot be placed.
    bool RingCorners(int size, double x, double y, std::vector<PointF>& corners, std::vector<int>& fixed) const;

    TGrafCtab m_structure;
    std::vector<TCTab> m_past;
    std::vector<TCTab> m_future;
    bool m_actionOpen = false;
    TGrafCtab m_undo;
    bool m_oopsEnabled = false;
    int m_width = 648;
    int m_height = 378;
};

} // namespace velmora::editor
