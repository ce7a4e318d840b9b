#include "graphics/grafctab.h"

#include "base/numeric.h"
#include "model/elements.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <utility>

namespace velmora {

namespace {

constexpr int kCarbon = 6;
// The longest average bond of a printed drawing, in screen pixels (26 mm): twice the screen's
// longest, so that small structures fill their box on paper too.
constexpr int kPrintBondLength = 100;

// Halves to even in extended precision: the shortening and offset arithmetic is done in long
// double so that results that land exactly on .5 round the same way every time.
long long RoundL(long double value) { return static_cast<long long>(std::nearbyintl(value)); }

// Pixel from a transformed coordinate; out-of-range and non-finite values are pinned so that a
// damaged table cannot overflow the integer conversion.
int ToPixel(double value)
{
    if (std::isnan(value))
        return 0;
    return static_cast<int>(Round(std::clamp(value, -1.0e7, 1.0e7)));
}

const char* NitrogenSuffix(int s)
{
    switch (s) {
    case -9: return "H-";
    case -8: return "-";
    case -7: return "-";
    case 0: return "H3";
    case 1: return "H2";
    case 2: return "H";
    case 10: return "H4+";
    case 11: return "H3+";
    case 12: return "H2+";
    case 13: return "H+";
    case 14: return "+";
    default: return "";
    }
}

const char* OxygenSuffix(int s)
{
    switch (s) {
    case -9: return "-";
    case -8: return "-";
    case 1: return "H";
    case 11: return "H2+";
    case 12: return "H+";
    default: return "";
    }
}

// The two-end shortening of a bond line at the label boxes (half-width a, half-height b) of its
// atoms; each end moves toward the other to where the line leaves its box.
void ShortenLine(int& x1, int& y1, int& x2, int& y2, int a1, int b1, int a2, int b2)
{
    if (x2 - x1 > 0)
        a1 = -a1;
    else
        a2 = -a2;
    if (y2 - y1 > 0)
        b1 = -b1;
    else
        b2 = -b2;
    if (x1 == x2) {
        y1 -= b1;
        y2 -= b2;
        return;
    }
    if (y1 == y2) {
        x1 -= a1;
        x2 -= a2;
        return;
    }
    if (a1 == 0 && b1 == 0 && a2 == 0 && b2 == 0)
        return;
    if (std::llabs(static_cast<long long>(x2 - x1) * b1) >= std::llabs(static_cast<long long>(y2 - y1) * a1)) {
        const long double m = static_cast<long double>(y2 - y1) / (x2 - x1);
        const long double c = y1 - x1 * m;
        y1 = static_cast<int>(RoundL((x1 - a1) * m + c));
        x1 -= a1;
    } else {
        const long double m = static_cast<long double>(x2 - x1) / (y2 - y1);
        const long double c = x1 - y1 * m;
        x1 = static_cast<int>(RoundL((y1 - b1) * m + c));
        y1 -= b1;
    }
    if (std::llabs(static_cast<long long>(x2 - x1) * b2) >= std::llabs(static_cast<long long>(y2 - y1) * a2)) {
        if (x1 != x2) {
            const long double m = static_cast<long double>(y2 - y1) / (x2 - x1);
            const long double c = y2 - x2 * m;
            y2 = static_cast<int>(RoundL((x2 - a2) * m + c));
            x2 -= a2;
        }
    } else if (y1 != y2) {
        const long double m = static_cast<long double>(x2 - x1) / (y2 - y1);
        const long double c = x2 - y2 * m;
        x2 = static_cast<int>(RoundL((y2 - b2) * m + c));
        y2 -= b2;
    }
}

// Offset of the parallel lines of a double (1.65) or triple (3) bond, perpendicular to the bond.
void ParallelOffset(int dx, int dy, long double distance, int& ox, int& oy)
{
    long double dxp, dyp;
    if (static_cast<long long>(dx) * dy >= 0) {
        dxp = -dx;
        dyp = dy;
    } else {
        dxp = dx;
        dyp = -dy;
    }
    const long double length = std::sqrt(dxp * dxp + dyp * dyp);
    if (length == 0) {
        ox = oy = 0;
        return;
    }
    ox = static_cast<int>(RoundL(distance * dyp / length));
    oy = static_cast<int>(RoundL(distance * dxp / length));
}

int AtomCount(const TCTab& table) { return std::clamp<int>(table.NumValidAtoms, 0, kMaxAtoms); }

// Round(value) + 4 limited to 8..20; non-finite values (a damaged table's coordinates) land on a limit.
int FontSizeFor(double value)
{
    if (std::isnan(value))
        return 8;
    return static_cast<int>(std::clamp<std::int64_t>(Round(std::clamp(value, -100.0, 100.0)) + 4, 8, 20));
}

} // namespace

TGrafCtab::TGrafCtab(velmora::Canvas* canvas) : m_canvas(canvas)
{
    if (m_canvas) {
        m_canvas->SetFontName("Courier New");
        m_canvas->SetFontSize(14);
        m_canvas->SetFontStyle(FontStyle::None);
    }
}

double TGrafCtab::GetExtent(double& minX, double& minY, double& maxX, double& maxY, double& meanX,
                            double& meanY) const
{
    const int n = AtomCount(*this);
    if (n < 2) {
        minX = 1, maxX = 10000, minY = 1, maxY = 7000, meanX = 5000, meanY = 3500;
        return 0.0;
    }
    minX = 10000, minY = 7000, maxX = 0, maxY = 0;
    float sumX = 0.0f, sumY = 0.0f;
    for (int i = 1; i <= n; ++i) {
        const double x = Atom(i).x, y = Atom(i).y;
        minX = std::min(minX, x), maxX = std::max(maxX, x);
        minY = std::min(minY, y), maxY = std::max(maxY, y);
        sumX += Atom(i).x;
        sumY += Atom(i).y;
    }
    double total = 0.0;
    long pairs = 0;
    for (int i = 1; i <= n; ++i) {
        const int count = NumNeighbours(i);
        for (int k = 1; k <= count; ++k) {
            const int j = ConnTo(i, k);
            if (j < 1 || j > n)
                continue; // an empty slot inside the list, or a damaged entry
            const double dx = static_cast<double>(Atom(i).x) - Atom(j).x;
            const double dy = static_cast<double>(Atom(i).y) - Atom(j).y;
            total += std::sqrt(dx * dx + dy * dy);
            ++pairs;
        }
    }
    meanX = static_cast<double>(sumX) / n;
    meanY = static_cast<double>(sumY) / n;
    return pairs > 0 ? total / static_cast<double>(pairs) : 0.0;
}

int TGrafCtab::ShownCharge(int stored) { return FormalChargeOfCode(stored); }

int TGrafCtab::AtomCharge(int atom) const
{
    const int stored = Charge(atom);
    if (!FormalCharges)
        return FormalChargeOfCode(stored);
    return stored >= -3 && stored <= 3 ? stored : 0; // the editor keeps a radical or a stray code as it came
}

int TGrafCtab::AtomLabel(int atom, std::string& text) const
{
    text.clear();
    if (atom < 1 || atom > AtomCount(*this))
        return 0;
    const int element = AtNum(atom);
    const int q = AtomCharge(atom);
    const char* suffix = "";
    if (element == 7 || element == 15 || element == 8 || element == 16) {
        int s = 10 * q;
        const int count = NumNeighbours(atom);
        for (int k = 1; k <= count; ++k)
            s += TypConn(atom, k);
        suffix = (element == 7 || element == 15) ? NitrogenSuffix(s) : OxygenSuffix(s);
    } else if (q == -1) {
        suffix = "-";
    } else if (q == 1) {
        suffix = "+";
    }
    text = ElementSymbol(element);
    text += suffix;
    return static_cast<int>(text.size());
}

void TGrafCtab::DrawAll(int mode, bool clip, double scale, double offX, double offY)
{
    if (!m_canvas || mode < 0 || mode > 3)
        return;
    velmora::Canvas& canvas = *m_canvas;
    const BrushStyle savedBrushStyle = canvas.GetBrush().style;
    const Color savedPenColor = canvas.GetPen().color;
    const Color savedBrushColor = canvas.GetBrush().color;
    const Color savedFontColor = canvas.GetFont().color;
    const PenMode savedPenMode = canvas.GetPen().mode;

    canvas.SetPenColor(DrawColor);
    canvas.SetPenMode(PenMode::Copy);
    canvas.SetBrushStyle(BrushStyle::Clear);
    canvas.SetFontColor(DrawColor);

    const int n = AtomCount(*this);
    std::array<int, kMaxAtoms + 1> px{}, py{};
    std::array<std::string, kMaxAtoms + 1> labels;
    std::array<bool, kMaxAtoms + 1> isolated{};
    for (int i = 1; i <= n; ++i) {
        px[i] = ToPixel(Atom(i).x * scale + offX);
        py[i] = ToPixel(Atom(i).y * scale + offY);
        isolated[i] = NumNeighbours(i) == 0;
        if (mode == 3)
            labels[i] = std::to_string(i);
        else
            AtomLabel(i, labels[i]);
    }
    // Label length by shortening rule: 0 charged atoms, 1 also every non-carbon, 2 every atom,
    // 3 the digits of the atom number.
    auto labelLength = [&](int atom, int rule) -> int {
        if (m_editorLabels && rule != 3) {
            // The hydrogens stand on the side free of bonds: bonds stop at the symbol's box.
            const int symbol = static_cast<int>(ElementSymbol(AtNum(atom)).size());
            const bool shown = rule == 2 || Charge(atom) != 0 || (rule == 1 && AtNum(atom) != kCarbon);
            return shown && !labels[atom].empty() ? std::max(symbol, 1) : 0;
        }
        const bool charged = Charge(atom) != 0;
        switch (rule) {
        case 0: return charged ? static_cast<int>(labels[atom].size()) : 0;
        case 1: return charged || AtNum(atom) != kCarbon ? static_cast<int>(labels[atom].size()) : 0;
        case 2: return static_cast<int>(labels[atom].size());
        default: return atom > 9 ? 2 : 1;
        }
    };

    const int unit = canvas.GetFont().size / 2 + 1;
    for (int i = 1; i <= n; ++i) {
        const int rule = mode == 0 ? (isolated[i] || Charge(i) != 0 ? 1 : 0) : mode;
        for (int k = 1; k <= kMaxNeighbours; ++k) {
            const int j = ConnTo(i, k);
            if (j == 0 || j <= i || j > n)
                continue;
            DrawBondLine(px[i], py[i], px[j], py[j], TypConn(i, k), labelLength(i, rule),
                         labelLength(j, rule), clip, unit);
        }
    }

    for (int i = 1; i <= n; ++i) {
        if (!LabelShown(mode, i) || labels[i].empty())
            continue;
        if (clip && !(ClipRect.Left + 40 < px[i] && px[i] < ClipRect.Right - 40 &&
                      ClipRect.Top + 40 < py[i] && py[i] < ClipRect.Bottom - 40))
            continue;
        if (m_editorLabels && mode != 3)
            DrawEditorLabel(i, px[i], py[i]);
        else
            canvas.TextOut(px[i] - canvas.TextWidth(labels[i]) / 2, py[i] - canvas.TextHeight(labels[i]) / 2,
                           labels[i]);
    }

    canvas.SetBrushStyle(savedBrushStyle);
    canvas.SetPenColor(savedPenColor);
    canvas.SetBrushColor(savedBrushColor);
    canvas.SetFontColor(savedFontColor);
    canvas.SetPenMode(savedPenMode);
}

void TGrafCtab::DrawBondLine(int x1, int y1, int x2, int y2, int type, int length1, int length2,
                             bool clip, int unit)
{
    if (x1 != x2 || y1 != y2) {
        const int a1 = length1 != 0 ? unit * length1 : 0, b1 = length1 != 0 ? unit : 0;
        const int a2 = length2 != 0 ? unit * length2 : 0, b2 = length2 != 0 ? unit : 0;
        ShortenLine(x1, y1, x2, y2, a1, b1, a2, b2);
    }
    if (clip) {
        auto limit = [](int v, int lo, int hi) { return std::max(std::min(v, hi), lo); };
        x1 = limit(x1, ClipRect.Left + 4, ClipRect.Right - 4);
        x2 = limit(x2, ClipRect.Left + 4, ClipRect.Right - 4);
        y1 = limit(y1, ClipRect.Top + 4, ClipRect.Bottom - 4);
        y2 = limit(y2, ClipRect.Top + 4, ClipRect.Bottom - 4);
    }
    velmora::Canvas& canvas = *m_canvas;
    int ox = 0, oy = 0;
    switch (type) {
    case 1:
        canvas.Line(x1, y1, x2, y2);
        break;
    case 2:
        ParallelOffset(x2 - x1, y2 - y1, 1.65L * static_cast<long double>(m_pixelScale), ox, oy);
        canvas.Line(x1 + ox, y1 + oy, x2 + ox, y2 + oy);
        canvas.Line(x1 - ox, y1 - oy, x2 - ox, y2 - oy);
        break;
    case 3:
        ParallelOffset(x2 - x1, y2 - y1, 3.0L * static_cast<long double>(m_pixelScale), ox, oy);
        canvas.Line(x1, y1, x2, y2);
        canvas.Line(x1 + ox, y1 + oy, x2 + ox, y2 + oy);
        canvas.Line(x1 - ox, y1 - oy, x2 - ox, y2 - oy);
        break;
    case 4:
        canvas.SetPenWidth(LineWidth());
        canvas.SetPenStyle(PenStyle::Dashed);
        canvas.Line(x1, y1, x2, y2);
        canvas.SetPenStyle(PenStyle::Solid);
        canvas.SetPenWidth(LineWidth());
        break;
    default:
        break;
    }
}

void TGrafCtab::DrawFitted(int mode, int x1, int y1, int x2, int y2, int maxBondLen)
{
    if (!m_canvas)
        return;
    double minX, minY, maxX, maxY, meanX, meanY;
    const double bondLength = GetExtent(minX, minY, maxX, maxY, meanX, meanY);
    const double cx = (minX + maxX) * 0.5;
    const double cy = (minY + maxY) * 0.5;
    double scale = 0, offX = 0, offY = 0;
    auto fit = [&](int left, int top, int right, int bottom) {
        const double sx = maxX == minX ? static_cast<double>(right - left) : (right - left) / (maxX - minX);
        const double sy = maxY == minY ? static_cast<double>(bottom - top) : (bottom - top) / (maxY - minY);
        scale = std::min(sx, sy);
        if (maxBondLen > 0) {
            const double s2 = bondLength > 0 ? maxBondLen / bondLength : static_cast<double>(maxBondLen);
            scale = std::min(scale, s2);
        }
        offX = (left + right) / 2 - scale * cx;
        offY = (top + bottom) / 2 - scale * cy;
        m_canvas->SetFontName("Courier New");
        // The size in screen points, made as large on the canvas as it is on a screen.
        const int points = FontSizeFor(0.2 * bondLength * scale / m_pixelScale);
        m_canvas->SetFontSize(m_pixelScale == 1.0 ? points : static_cast<int>(Round(points * m_pixelScale)));
    };
    fit(x1, y1, x2, y2);
    // Labels are centred on their atoms, so a label on an atom at the rectangle's edge would stick
    // out by half its width and be cut off at the picture's border. Then the rectangle is narrowed
    // by the overhang and the structure fitted again; drawings whose labels stay inside are unchanged.
    PixelRect inset;
    for (int round = 0; round < 4; ++round) {
        const PixelRect over = LabelOverhang(mode, scale, offX, offY, PixelRect{x1, y1, x2, y2});
        if (over.Left <= 0 && over.Top <= 0 && over.Right <= 0 && over.Bottom <= 0)
            break;
        inset.Left += std::max(0, over.Left), inset.Top += std::max(0, over.Top);
        inset.Right += std::max(0, over.Right), inset.Bottom += std::max(0, over.Bottom);
        if (x2 - inset.Right - (x1 + inset.Left) < 1 || y2 - inset.Bottom - (y1 + inset.Top) < 1) {
            fit(x1, y1, x2, y2); // no room for the labels: the plain fit
            break;
        }
        fit(x1 + inset.Left, y1 + inset.Top, x2 - inset.Right, y2 - inset.Bottom);
    }
    DrawAll(mode, false, scale, offX, offY);
}

int TGrafCtab::LineWidth() const { return std::max(1, static_cast<int>(Round(m_pixelScale))); }

bool TGrafCtab::LabelShown(int mode, int atom) const
{
    const bool isolated = NumNeighbours(atom) == 0;
    switch (mode) {
    case 0: return isolated || Charge(atom) != 0;
    case 1: return AtNum(atom) != kCarbon || isolated || Charge(atom) != 0;
    default: return true;
    }
}

PixelRect TGrafCtab::LabelOverhang(int mode, double scale, double offX, double offY, const PixelRect& rect) const
{
    PixelRect over{0, 0, 0, 0};
    if (!m_canvas || mode < 0 || mode > 3)
        return over;
    std::string label;
    for (int i = 1; i <= AtomCount(*this); ++i) {
        if (!LabelShown(mode, i))
            continue;
        if (mode == 3)
            label = std::to_string(i);
        else
            AtomLabel(i, label);
        if (label.empty())
            continue;
        const int w = m_canvas->TextWidth(label), h = m_canvas->TextHeight(label);
        const int left = ToPixel(Atom(i).x * scale + offX) - w / 2;
        const int top = ToPixel(Atom(i).y * scale + offY) - h / 2;
        over.Left = std::max(over.Left, rect.Left - left);
        over.Top = std::max(over.Top, rect.Top - top);
        over.Right = std::max(over.Right, left + w - rect.Right);
        over.Bottom = std::max(over.Bottom, top + h - rect.Bottom);
    }
    return over;
}

void TGrafCtab::DrawInEditor(int mode)
{
    if (!m_canvas)
        return;
    double minX, minY, maxX, maxY, meanX, meanY;
    const double bondLength = GetExtent(minX, minY, maxX, maxY, meanX, meanY);
    m_canvas->SetFontSize(FontSizeFor(0.2 * bondLength));
    m_canvas->SetFontName("Courier New");
    m_editorLabels = true;
    DrawAll(mode, true, 1.0, 0.0, 0.0);
    m_editorLabels = false;
}

TGrafCtab::LabelParts TGrafCtab::EditorLabel(int atom) const
{
    LabelParts parts;
    std::string text;
    if (AtomLabel(atom, text) == 0)
        return parts;
    parts.symbol = ElementSymbol(AtNum(atom));
    std::string rest = text.substr(std::min(text.size(), parts.symbol.size()));
    if (!rest.empty() && rest[0] == 'H') {
        std::size_t digits = 1;
        while (digits < rest.size() && rest[digits] >= '0' && rest[digits] <= '9')
            ++digits;
        parts.hydrogens = digits > 1 ? std::stoi(rest.substr(1, digits - 1)) : 1;
        rest = rest.substr(digits);
    }
    parts.charge = rest;
    // The first of right, left, below and above that keeps 75 degrees from every bond; failing
    // that, the one farthest from the bonds.
    const double pi = 3.14159265358979323846;
    const std::array<std::pair<HydrogenSide, double>, 4> sides{
        {{HydrogenSide::Right, 0.0}, {HydrogenSide::Left, pi}, {HydrogenSide::Below, pi / 2}, {HydrogenSide::Above, -pi / 2}}};
    double bestClearance = -1.0;
    for (const auto& [side, angle] : sides) {
        double clearance = pi;
        for (int k = 1; k <= kMaxNeighbours; ++k) {
            const int j = ConnTo(atom, k);
            if (j < 1 || j > AtomCount(*this) || j == atom)
                continue;
            const double bond = std::atan2(Atom(j).y - Atom(atom).y, Atom(j).x - Atom(atom).x);
            clearance = std::min(clearance, std::abs(std::remainder(bond - angle, 2 * pi)));
        }
        if (clearance >= 75.0 * pi / 180.0) {
            parts.side = side;
            return parts;
        }
        if (clearance > bestClearance)
            bestClearance = clearance, parts.side = side;
    }
    return parts;
}

void TGrafCtab::DrawEditorLabel(int i, int x, int y)
{
    velmora::Canvas& canvas = *m_canvas;
    const LabelParts parts = EditorLabel(i);
    const int size = canvas.GetFont().size;
    const int small = std::max(6, size * 7 / 10);
    const int w = canvas.TextWidth(parts.symbol), h = canvas.TextHeight(parts.symbol);
    const int left = x - w / 2, top = y - h / 2;
    canvas.TextOut(left, top, parts.symbol);
    const std::string count = parts.hydrogens > 1 ? std::to_string(parts.hydrogens) : std::string();
    const int hWidth = parts.hydrogens > 0 ? canvas.TextWidth("H") : 0;
    canvas.SetFontSize(small);
    const int countWidth = count.empty() ? 0 : canvas.TextWidth(count);
    canvas.SetFontSize(size);
    // The hydrogens, their count lowered by a third of the line in the smaller font.
    auto hydrogens = [&](int hx, int hy) {
        canvas.TextOut(hx, hy, "H");
        if (!count.empty()) {
            canvas.SetFontSize(small);
            canvas.TextOut(hx + hWidth, hy + h / 3, count);
            canvas.SetFontSize(size);
        }
    };
    int right = left + w; // where a charge follows
    if (parts.hydrogens > 0) {
        switch (parts.side) {
        case HydrogenSide::Right:
            hydrogens(left + w, top);
            right = left + w + hWidth + countWidth;
            break;
        case HydrogenSide::Left: hydrogens(left - hWidth - countWidth, top); break;
        case HydrogenSide::Below: hydrogens(x - hWidth / 2, top + h * 9 / 10); break;
        case HydrogenSide::Above: hydrogens(x - hWidth / 2, top - h * 9 / 10); break;
        }
    }
    if (!parts.charge.empty()) {
        canvas.SetFontSize(small);
        canvas.TextOut(right, top - h / 4, parts.charge);
        canvas.SetFontSize(size);
    }
}

int TGrafCtab::PrintStructure(PrintTarget& printer, int x, int y, bool doPrint, int frameWidth,
                              char orientation, double factor)
{
    if (std::isnan(factor))
        return y;
    factor = std::min(factor, 1.0);
    frameWidth = std::min(frameWidth, 10);
    double minX, minY, maxX, maxY, meanX, meanY;
    GetExtent(minX, minY, maxX, maxY, meanX, meanY);
    // A structure without x extent (atoms in a vertical line, or all at one point) has no
    // aspect; it is printed square rather than into an endless or undefined bitmap.
    double aspect = maxX > minX ? (maxY - minY) / (maxX - minX) : 1.0;
    if (!std::isfinite(aspect))
        aspect = 1.0;
    const double unraised = aspect;
    const bool raised = aspect < 0.3;
    if (raised)
        aspect = 0.3;

    const double pageWidth = printer.PageWidth();
    const double pageHeight = printer.PageHeight();
    double width, height;
    if (orientation == 'y') {
        height = static_cast<double>(Round(pageHeight * factor - 100));
        width = static_cast<double>(Round(pageHeight * factor / aspect - 100));
    } else {
        width = static_cast<double>(Round(pageWidth * factor));
        height = static_cast<double>(Round(pageWidth * factor * aspect));
    }
    // No picture when the page leaves no room; never a bitmap beyond twice the page.
    const double limit = 2.0 * std::max(pageWidth, pageHeight);
    if (!(width >= 1 && height >= 1))
        return y;
    const int w = static_cast<int>(std::min(width, limit));
    const int h = static_cast<int>(std::min(height, limit));

    const int mx = static_cast<int>(Round(w * 0.1));
    const int my = static_cast<int>(raised ? Round(pageWidth * factor * unraised * 0.1) : Round(h * 0.1));

    std::unique_ptr<Bitmap> bitmap = printer.CreateBitmap(w, h);
    velmora::Canvas* former = m_canvas;
    const double formerScale = m_pixelScale;
    m_canvas = &bitmap->GetCanvas();
    m_pixelScale = static_cast<double>(kPrintResolution) / kScreenResolution;
    velmora::Canvas& canvas = *m_canvas;
    const Color penColor = canvas.GetPen().color;
    const Color brushColor = canvas.GetBrush().color;
    if (frameWidth > 0) {
        canvas.SetBrushColor(kBlack);
        canvas.FillRect(0, 0, w, h);
        canvas.SetBrushColor(kWhite);
        canvas.FillRect(frameWidth, frameWidth, w - frameWidth, h - frameWidth);
    } else {
        canvas.SetBrushColor(kWhite);
        canvas.FillRect(0, 0, w, h);
    }
    canvas.SetPenColor(penColor);
    canvas.SetBrushColor(brushColor);

    const int penWidth = canvas.GetPen().width;
    canvas.SetPenWidth(LineWidth());
    DrawFitted(1, mx, my, w - mx, h - my, static_cast<int>(Round(kPrintBondLength * m_pixelScale)));
    canvas.SetPenWidth(penWidth);
    m_canvas = former;
    m_pixelScale = formerScale;
    if (doPrint)
        printer.BeginDoc();
    CopyBitmapToPrinter(printer, *bitmap, x, y);
    if (doPrint)
        printer.EndDoc();
    return y + h;
}

void TGrafCtab::CopyBitmapToPrinter(PrintTarget& printer, const Bitmap& bitmap, int x, int y)
{
    printer.CopyBitmap(x, y, bitmap);
}

bool TGrafCtab::SwapXY()
{
    const int n = AtomCount(*this);
    for (int i = 1; i <= n; ++i) {
        TAtomRecord& atom = MutableAtom(i);
        std::swap(atom.x, atom.y);
    }
    return true;
}

} // namespace velmora
