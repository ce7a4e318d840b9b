#include "editor/editormodel.h"

#include "base/filerollback.h"
#include "base/ioerror.h"
#include "base/numeric.h"
#include "base/textfile.h"
#include "io/ctb.h"
#include "model/elements.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <numbers>

namespace velmora::editor {

namespace {
constexpr double kRotation = std::numbers::pi / 6.0;
// The scratchpad keeps pixel positions exactly (five significant digits); other CTB files keep
// the two of the shared format.
constexpr int kScratchFractionDigits = 4;
} // namespace

EditorModel::EditorModel()
{
    SetDrawingArea(m_width, m_height);
}

void EditorModel::SetDrawingArea(int width, int height)
{
    m_width = std::max(width, 1);
    m_height = std::max(height, 1);
    // Bond ends are held 4 pixels and labels 40 pixels inside the clip rectangle. It reaches 40
    // pixels past every edge of the drawing area, so that nothing inside the area is cut however
    // large the window grows.
    m_structure.ClipRect = {-40, -40, std::max(800, m_width + 40), std::max(600, m_height + 40)};
}

void EditorModel::SetXY(int i, double x, double y)
{
    m_structure.SetCoord(i, 1, x);
    m_structure.SetCoord(i, 2, y);
}

int EditorModel::FindAtomNear(double x, double y) const
{
    int found = -1;
    for (int i = 1; i <= m_structure.NumValidAtoms; ++i) {
        const auto& atom = m_structure.Atom(i);
        if (std::abs(atom.x - x) <= kGridX && std::abs(atom.y - y) <= kGridY && atom.z == 0.0f)
            found = i;
    }
    return found;
}

BondHit EditorModel::FindBondNear(double x, double y) const
{
    BondHit hit;
    const int n = m_structure.NumValidAtoms;
    if (n < 1)
        return hit;
    auto distance = [&](int i, double px, double py) {
        return std::hypot(m_structure.Atom(i).x - px, m_structure.Atom(i).y - py);
    };
    int a = 1;
    double d = distance(1, x, y);
    for (int i = 2; i <= n; ++i)
        if (const double di = distance(i, x, y); di < d)
            a = i, d = di;
    hit.a = a;
    for (int k = 1; k <= kMaxNeighbours; ++k) {
        const int j = m_structure.ConnTo(a, k);
        if (j < 1 || j > n)
            continue;
        if (d + distance(j, x, y) < 1.2 * distance(j, m_structure.Atom(a).x, m_structure.Atom(a).y)) {
            hit.b = j;
            hit.found = true;
        }
    }
    return hit;
}

void EditorModel::SnapPoint(double& x, double& y) const
{
    if (!Snap)
        return;
    x = static_cast<double>(Round(x / kGridX) * kGridX);
    y = static_cast<double>(Round(y / kGridY) * kGridY);
}

void EditorModel::SnapAtom(int i)
{
    if (!Snap || i < 1 || i > m_structure.NumValidAtoms)
        return;
    double x = static_cast<double>(Round(m_structure.Atom(i).x));
    double y = static_cast<double>(Round(m_structure.Atom(i).y));
    SnapPoint(x, y);
    SetXY(i, x, y);
}

void EditorModel::SnapStructure()
{
    const int n = m_structure.NumValidAtoms;
    if (!Snap || n < 1)
        return;
    const double x1 = static_cast<double>(Round(m_structure.Atom(1).x));
    const double y1 = static_cast<double>(Round(m_structure.Atom(1).y));
    SnapAtom(1);
    const double dx = m_structure.Atom(1).x - x1;
    const double dy = m_structure.Atom(1).y - y1;
    for (int i = 2; i <= n; ++i)
        SetXY(i, m_structure.Atom(i).x + dx, m_structure.Atom(i).y + dy);
    for (int i = 1; i <= n; ++i) {
        const auto& atom = m_structure.Atom(i);
        double sx = static_cast<double>(Round(atom.x));
        double sy = static_cast<double>(Round(atom.y));
        SnapPoint(sx, sy);
        if (std::abs(atom.x - sx) > 1.0 || std::abs(atom.y - sy) > 1.0)
            return; // the shifted structure is off the grid: leave it unsnapped
    }
    for (int i = 1; i <= n; ++i)
        SnapAtom(i);
}

void EditorModel::ScaleAboutCentroid(double factor)
{
    double cx, cy, cz;
    m_structure.Centroid(cx, cy, cz);
    for (int i = 1; i <= m_structure.NumValidAtoms; ++i) {
        const auto& atom = m_structure.Atom(i);
        SetXY(i, static_cast<double>(Round((atom.x - cx) * factor + cx)),
              static_cast<double>(Round((atom.y - cy) * factor + cy)));
    }
}

bool EditorModel::ZoomOut()
{
    if (m_structure.NumValidAtoms < 1)
        return false;
    double minX, minY, maxX, maxY, meanX, meanY;
    m_structure.GetExtent(minX, minY, maxX, maxY, meanX, meanY);
    if (!(maxX - minX > 26 && maxY - minY > 30))
        return false;
    ScaleAboutCentroid(1.0 / std::numbers::sqrt2);
    return true;
}

bool EditorModel::ZoomIn()
{
    if (m_structure.NumValidAtoms < 1)
        return false;
    double minX, minY, maxX, maxY, meanX, meanY;
    m_structure.GetExtent(minX, minY, maxX, maxY, meanX, meanY);
    if (!(maxX - minX < m_width && maxY - minY < m_height))
        return false;
    ScaleAboutCentroid(std::numbers::sqrt2);
    SnapStructure();
    return true;
}

bool EditorModel::ZoomFit()
{
    // A single atom has no extent to fit (the extent of fewer than two atoms is a fixed stand-in
    // that would throw the atom into a corner).
    if (m_structure.NumValidAtoms < 2)
        return false;
    double minX, minY, maxX, maxY, meanX, meanY;
    m_structure.GetExtent(minX, minY, maxX, maxY, meanX, meanY);
    const double w = m_width, h = m_height;
    const double sx = maxX > minX ? 0.9 * w / (maxX - minX) : 0.9 * w;
    const double sy = maxY > minY ? 0.9 * h / (maxY - minY) : 0.9 * h;
    double ox = 0.05 * w, oy = 0.05 * h, s;
    if (sy < sx) {
        s = sy;
        ox = ox - 0.5 * s * (maxX - minX) + 0.5 * w;
    } else {
        s = sx;
        oy = oy - 0.5 * s * (maxY - minY) + 0.5 * h;
    }
    for (int i = 1; i <= m_structure.NumValidAtoms; ++i) {
        const auto& atom = m_structure.Atom(i);
        SetXY(i, static_cast<double>(Round((atom.x - minX) * s + ox)),
              static_cast<double>(Round((atom.y - minY) * s + oy)));
    }
    return true;
}

bool EditorModel::RotateLeft() { return RotateBy(-1.0, true); }

bool EditorModel::RotateRight() { return RotateBy(1.0, false); }

bool EditorModel::RotateBy(double direction, bool pivotOnNearAtom)
{
    if (m_structure.NumValidAtoms < 1)
        return false;
    double cx, cy, cz;
    m_structure.Centroid(cx, cy, cz);
    if (const int pivot = pivotOnNearAtom ? FindAtomNear(cx, cy) : 0; pivot > 0) {
        cx = m_structure.Atom(pivot).x;
        cy = m_structure.Atom(pivot).y;
    }
    const double c = std::cos(kRotation), s = direction * std::sin(kRotation);
    for (int i = 1; i <= m_structure.NumValidAtoms; ++i) {
        const double dx = m_structure.Atom(i).x - cx, dy = m_structure.Atom(i).y - cy;
        SetXY(i, static_cast<double>(Round(dx * c - dy * s + cx)),
              static_cast<double>(Round(dx * s + dy * c + cy)));
    }
    SnapStructure();
    KeepInView();
    return true;
}

void EditorModel::KeepInView()
{
    const int n = AtomCount();
    if (n < 1)
        return;
    double minX = m_structure.Atom(1).x, maxX = minX, minY = m_structure.Atom(1).y, maxY = minY;
    for (int i = 2; i <= n; ++i) {
        minX = std::min(minX, static_cast<double>(m_structure.Atom(i).x));
        maxX = std::max(maxX, static_cast<double>(m_structure.Atom(i).x));
        minY = std::min(minY, static_cast<double>(m_structure.Atom(i).y));
        maxY = std::max(maxY, static_cast<double>(m_structure.Atom(i).y));
    }
    // Whole cells keep a snapped structure on the grid.
    auto shift = [](double low, double high, int size, int cell) {
        const double first = cell, last = size - cell;
        if (high - low > last - first)
            return static_cast<double>(Round((size / 2.0 - (low + high) / 2.0) / cell)) * cell;
        if (low < first)
            return std::ceil((first - low) / cell) * cell;
        if (high > last)
            return -std::ceil((high - last) / cell) * cell;
        return 0.0;
    };
    const double dx = shift(minX, maxX, m_width, kGridX), dy = shift(minY, maxY, m_height, kGridY);
    if (dx != 0.0 || dy != 0.0)
        MoveStructureBy(dx, dy);
}

bool EditorModel::MirrorX() { return MirrorAcross(1); }

bool EditorModel::MirrorY() { return MirrorAcross(2); }

bool EditorModel::MirrorAcross(int axis)
{
    if (m_structure.NumValidAtoms < 1)
        return false;
    double cx, cy, cz;
    m_structure.Centroid(cx, cy, cz);
    double x = static_cast<double>(Round(cx)), y = static_cast<double>(Round(cy));
    SnapPoint(x, y);
    const double mirror = axis == 1 ? x : y;
    for (int i = 1; i <= m_structure.NumValidAtoms; ++i)
        m_structure.SetCoord(i, axis, 2.0 * mirror - (axis == 1 ? m_structure.Atom(i).x : m_structure.Atom(i).y));
    return true;
}

bool EditorModel::CenterStructure()
{
    if (m_structure.NumValidAtoms < 1)
        return false;
    double cx, cy, cz;
    m_structure.Centroid(cx, cy, cz);
    MoveStructureBy(m_width / 2 - cx, m_height / 2 - cy);
    SnapStructure();
    return true;
}

void EditorModel::MoveStructureBy(double dx, double dy)
{
    for (int i = 1; i <= m_structure.NumValidAtoms; ++i)
        SetXY(i, m_structure.Atom(i).x + dx, m_structure.Atom(i).y + dy);
}

void EditorModel::MoveAtomTo(int i, double x, double y)
{
    m_structure.SetCoord(i, 2, y);
    m_structure.SetCoord(i, 1, x);
}

bool EditorModel::ChangeAtom(int i)
{
    if (SelectedElement < 1 || SelectedElement > kMaxElement || i < 1 || i > AtomCount())
        return false;
    if ((LabelMode == 0 || LabelMode == 3) && SelectedElement != kCarbon)
        LabelMode = 1;
    m_structure.SetAtNum(i, SelectedElement);
    m_structure.SetAtWeight(i, MassNumber(SelectedElement));
    return true;
}

void EditorModel::CycleBondType(int a, int b)
{
    auto cycle = [&](int from, int to) {
        for (int k = 1; k <= kMaxNeighbours; ++k)
            if (m_structure.ConnTo(from, k) == to) {
                const int t = m_structure.TypConn(from, k) + 1;
                m_structure.SetTypConnSlot(from, k, t > 4 ? 1 : t);
            }
    };
    cycle(a, b);
    cycle(b, a);
}

void EditorModel::CycleCharge(int i)
{
    if (i < 1 || i > AtomCount())
        return;
    int q = m_structure.Charge(i) + 1;
    if (q > 1)
        q = -1;
    m_structure.SetCharge(i, q);
}

void EditorModel::DeleteAtomAt(int i)
{
    if (i < 1 || i > AtomCount())
        return;
    SaveUndo();
    m_structure.DeleteAtom(i);
    if (AtomCount() <= 1)
        LabelMode = 2;
}

bool EditorModel::BreakBond(int a, int b)
{
    if (AtomCount() < 2 || a < 1 || a > AtomCount() || b < 1 || b > AtomCount())
        return false;
    SaveUndo();
    auto unlink = [&](int from, int to) {
        auto& atom = m_structure.MutableAtom(from);
        int count = 0;
        for (int k = 0; k < kMaxNeighbours; ++k) {
            if (atom.ConnTo[k] == 0 || atom.ConnTo[k] == to)
                continue;
            atom.ConnTo[count] = atom.ConnTo[k];
            atom.TypConn[count] = atom.TypConn[k];
            ++count;
        }
        for (int k = count; k < kMaxNeighbours; ++k)
            atom.ConnTo[k] = atom.TypConn[k] = 0;
    };
    unlink(a, b);
    unlink(b, a);
    return true;
}

bool EditorModel::DeleteAll()
{
    if (AtomCount() < 1)
        return false;
    SaveUndo();
    const std::string name = m_structure.FStrucName;
    m_structure.Clear();
    m_structure.FStrucName = name;
    return true;
}

void EditorModel::SaveUndo()
{
    m_undo.Assign(m_structure);
    m_oopsEnabled = true;
}

bool EditorModel::Oops()
{
    if (!m_oopsEnabled)
        return false;
    m_structure.Assign(m_undo);
    m_oopsEnabled = false;
    return true;
}

void EditorModel::TakeQuery(const TCTab& query, bool drawn)
{
    const PixelRect clip = m_structure.ClipRect;
    m_structure.Assign(query);
    m_structure.ClipRect = clip;
    const int n = AtomCount();
    if (drawn || n < 1)
        return;
    double minX = 0, maxX = 0, minY = 0, maxY = 0, bonds = 0;
    int pairs = 0;
    for (int i = 1; i <= n; ++i) {
        const auto& atom = m_structure.Atom(i);
        const double x = atom.x, y = -static_cast<double>(atom.y); // y now grows downward
        minX = i == 1 ? x : std::min(minX, x), maxX = i == 1 ? x : std::max(maxX, x);
        minY = i == 1 ? y : std::min(minY, y), maxY = i == 1 ? y : std::max(maxY, y);
        for (int k = 1; k <= kMaxNeighbours; ++k)
            if (const int j = m_structure.ConnTo(i, k); j >= 1 && j <= n)
                bonds += std::hypot(atom.x - m_structure.Atom(j).x, atom.y - m_structure.Atom(j).y), ++pairs;
    }
    double scale = pairs > 0 && bonds > 0 ? kQueryBondPixels / (bonds / pairs) : 1.0;
    if (maxX > minX)
        scale = std::min(scale, 0.9 * m_width / (maxX - minX));
    if (maxY > minY)
        scale = std::min(scale, 0.9 * m_height / (maxY - minY));
    const double cx = (minX + maxX) / 2, cy = (minY + maxY) / 2;
    for (int i = 1; i <= n; ++i) {
        const auto& atom = m_structure.Atom(i);
        SetXY(i, static_cast<double>(Round((atom.x - cx) * scale + m_width / 2)),
              static_cast<double>(Round((-static_cast<double>(atom.y) - cy) * scale + m_height / 2)));
        m_structure.SetCoord(i, 3, 0.0);
    }
}

std::string EditorModel::ScratchPath(const std::string& folder)
{
    return (std::filesystem::path(folder) / "SCRATCH.CTB").string();
}

void EditorModel::SaveScratch(const std::string& folder) const
{
    const std::string path = ScratchPath(folder);
    const std::string temporary = path + ".new";
    FileRollback rollback(temporary, FileRollback::Mode::New);
    {
        TextWriter file(temporary);
        WriteCTB(m_structure, file, kScratchFractionDigits);
        file.Close();
    }
    std::error_code error;
    std::filesystem::rename(temporary, path, error);
    if (error)
        throw IoError(path, "cannot be replaced");
    rollback.Keep();
}

bool EditorModel::LoadScratch(const std::string& folder)
{
    TCTab read;
    try {
        TextReader file(ScratchPath(folder));
        if (!ReadCTB(read, file))
            return false;
    } catch (const IoError&) {
        return false; // missing or unreadable: the drawing stays as it is
    }
    const std::string name = m_structure.FStrucName;
    m_structure.Assign(read);
    m_structure.FStrucName = name;
    return true;
}

} // namespace velmora::editor
