#pragma once
// TGrafCtab: a connection table that draws itself as a two-dimensional structure diagram — bond
// lines (single, double, triple, dashed aromatic) shortened at atom labels, and labels with
// implicit hydrogens and charge signs. No colours per element, no wedges, no stereo.
//
// A point (x, y) is drawn at pixel (Round(x * scale + offX), Round(y * scale + offY)); y grows
// downward and is never flipped. Label modes: 0 charged and isolated atoms, 1 hetero atoms too,
// 2 every atom, 3 atom numbers; any other mode draws nothing.
#include "graphics/canvas.h"
#include "graphics/printtarget.h"
#include "model/ctab.h"

#include <cstdint>
#include <string>

namespace velmora {

// Pixels per inch of the screen the drawing sizes are made for (font points are measured at it)
// and of the printed pages.
inline constexpr int kScreenResolution = 96;
inline constexpr int kPrintResolution = 300;

struct PixelRect {
    std::int32_t Left = 0;
    std::int32_t Top = 0;
    std::int32_t Right = 0;
    std::int32_t Bottom = 0;
};

class TGrafCtab : public TCTab {
public:
    // Create: an empty table drawing on canvas (not owned; may be null). A canvas gets the font
    // "Courier New", 14 points, no style.
    explicit TGrafCtab(velmora::Canvas* canvas = nullptr);

    void SetCanvas(velmora::Canvas* canvas) { m_canvas = canvas; }
    velmora::Canvas* GetCanvas() const { return m_canvas; }

    // Bounding box, centroid and mean bond length (each bond counted from both ends). Fewer than
    // two atoms give the fixed extent 1..10000 x 1..7000, centre (5000, 3500), bond length 0.
    double GetExtent(double& minX, double& minY, double& maxX, double& maxY, double& meanX,
                     double& meanY) const;
    // The formal charge of a stored molfile charge code (3 as +1, 1 as +3, 5 as -1, ...; 0 for the
    // radical and for values that are no code).
    static int ShownCharge(int stored);
    // The formal charge of atom i as drawn: its charge itself where the table holds formal
    // charges (the editor's, within -3..+3), else the formal charge of its code.
    int AtomCharge(int atom) const;
    // Element symbol with implicit hydrogens and charge sign ("NH2", "N+", "O-", "Cl"); returns
    // the length of text in characters.
    int AtomLabel(int atom, std::string& text) const;

    void DrawAll(int mode, bool clip, double scale, double offX, double offY);
    // Fits the structure into the pixel rectangle; bonds average at most maxBondLen pixels when
    // maxBondLen > 0. Leaves the canvas font at "Courier New" in a size that follows the scale.
    // Atoms are fitted by their centres; where a label would then reach beyond the rectangle, the
    // fit is narrowed until the labels are inside too.
    void DrawFitted(int mode, int x1, int y1, int x2, int y2, int maxBondLen);
    // Coordinates are canvas pixels; drawing keeps inside ClipRect. Labels are set as chemists
    // write them: the element symbol centred on its atom (bonds end at its box), the hydrogens
    // with a subscript count on the side free of bonds (HO, H2N, or under/over the symbol) and
    // the charge raised.
    void DrawInEditor(int mode);

    // How the editor sets an atom's label (AtomLabel split up): the symbol, the hydrogens written
    // with it, the charge sign(s) and where the hydrogens go.
    enum class HydrogenSide { Right, Left, Below, Above };
    struct LabelParts {
        std::string symbol;
        int hydrogens = 0;
        std::string charge;
        HydrogenSide side = HydrogenSide::Right;
    };
    LabelParts EditorLabel(int atom) const;

    // Draws the structure (mode 1) into a bitmap sized from the printer page and copies it onto
    // the page at (x, y); with doPrint the copy is wrapped in its own print job. orientation 'y'
    // sizes the picture from the page height, anything else from the page width; factor <= 1,
    // frameWidth <= 10. Returns y + the picture's height in printer pixels.
    // The page is taken to have kPrintResolution pixels per inch, and the drawing is made as it
    // looks on a screen of kScreenResolution: labels of 8..20 points, lines as thick as a screen
    // pixel (3 printer pixels, 0.72 point); bonds of up to 100 screen pixels (26 mm) on average, so
    // that the drawing fills its box.
    int PrintStructure(PrintTarget& printer, int x, int y, bool doPrint, int frameWidth,
                       char orientation, double factor);
    static void CopyBitmapToPrinter(PrintTarget& printer, const Bitmap& bitmap, int x, int y);

    // Exchanges x and y of every atom (a transposition of the picture).
    bool SwapXY();

    Color DrawColor = kBlack;
    // The table holds formal charges (the structure editor's) rather than molfile charge codes.
    // Not copied by Assign: it belongs to the owner of the table.
    bool FormalCharges = false;
    PixelRect ClipRect{0, 0, 800, 600};

private:
    bool LabelShown(int mode, int atom) const;
    // Width of bond lines in canvas pixels: one screen pixel.
    int LineWidth() const;
    // How far the shown labels reach beyond rect on each side (0 or less: inside) when drawn
    // with these scale and offsets in the canvas's current font.
    PixelRect LabelOverhang(int mode, double scale, double offX, double offY, const PixelRect& rect) const;
    void DrawBondLine(int x1, int y1, int x2, int y2, int type, int length1, int length2,
                      bool clip, int unit);
    // The editor's label of atom i centred at pixel (x, y).
    void DrawEditorLabel(int i, int x, int y);

    velmora::Canvas* m_canvas = nullptr;
    // Canvas pixels per screen pixel: 1 on screen, more in the bitmaps drawn for a printer. Font
    // sizes, line widths and the spacing of multiple bonds are scaled by it.
    double m_pixelScale = 1.0;
    bool m_editorLabels = false; // set while DrawInEditor draws
};

} // namespace velmora
