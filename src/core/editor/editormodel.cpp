#include "editor/editormodel.h"

#include "base/filerollback.h"
#include "base/ioerror.h"
#include "base/numeric.h"
#include "base/textfile.h"
#include "io/ctb.h"
#include "io/molfile.h"
#include "io/structureformats.h"
#include "model/elements.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <numbers>

namespace velmora::editor {

namespace {
constexpr double kRotation = std::numbers::pi / 6.0;
constexpr const char* kWritersUnavailable = "SMILES output and 2D layout are not available in this build";
// The scratchpad keeps pixel positions exactly (five significant digits); other CTB files keep
// the two of the shared format.
constexpr int kScratchFractionDigits = 4;
} // namespace

EditorModel::EditorModel()
{
    m_structure.FormalCharges = true;
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
    return SetElement(i, SelectedElement);
}

bool EditorModel::SetElement(int i, int element)
{
    if (element < 1 || element > kMaxElement || i < 1 || i > AtomCount())
        return false;
    if ((LabelMode == 0 || LabelMode == 3) && element != kCarbon)
        LabelMode = 1;
    m_structure.SetAtNum(i, element);
    m_structure.SetAtWeight(i, MassNumber(element));
    return true;
}

bool EditorModel::AddCharge(int i, int step)
{
    if (i < 1 || i > AtomCount())
        return false;
    // From the charge as drawn (a radical or a stray code counts as uncharged).
    const int shown = m_structure.AtomCharge(i);
    const int q = std::clamp(shown + step, std::min(shown, -2), std::max(shown, 2));
    if (q == shown)
        return false;
    m_structure.SetCharge(i, q);
    return true;
}

bool EditorModel::CycleBondOrder(int a, int b)
{
    const int n = AtomCount();
    if (a < 1 || a > n || b < 1 || b > n || a == b)
        return false;
    const int current = std::max(m_structure.BondType(a, b), m_structure.BondType(b, a));
    if (current == 0)
        return false;
    const int next = current == 1 ? 2 : current == 2 ? 3 : 1;
    auto set = [&](int from, int to) {
        for (int k = 1; k <= kMaxNeighbours; ++k)
            if (m_structure.ConnTo(from, k) == to) {
                m_structure.SetTypConnSlot(from, k, next);
                return;
            }
        m_structure.SetConnection(from, to, next); // a one-sided bond becomes two-sided
    };
    set(a, b);
    set(b, a);
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
    return BreakBondOnly(a, b);
}

bool EditorModel::BreakBondOnly(int a, int b)
{
    if (AtomCount() < 2 || a < 1 || a > AtomCount() || b < 1 || b > AtomCount())
        return false;
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
    for (int i = 1; i <= n; ++i)
        m_structure.SetCharge(i, EditorChargeSwap(m_structure.Charge(i)));
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

int EditorModel::FindAtomWithin(double x, double y, double radius) const
{
    int found = -1;
    double best = radius;
    for (int i = 1; i <= AtomCount(); ++i) {
        const auto& atom = m_structure.Atom(i);
        if (const double d = std::hypot(atom.x - x, atom.y - y); d <= best)
            found = i, best = d;
    }
    return found;
}

BondHit EditorModel::FindBondAt(double x, double y, double tolerance) const
{
    BondHit hit;
    double best = tolerance;
    const int n = AtomCount();
    for (int i = 1; i <= n; ++i)
        for (int k = 1; k <= kMaxNeighbours; ++k) {
            const int j = m_structure.ConnTo(i, k);
            if (j < 1 || j > n || j == i)
                continue;
            const double ax = m_structure.Atom(i).x, ay = m_structure.Atom(i).y;
            const double dx = m_structure.Atom(j).x - ax, dy = m_structure.Atom(j).y - ay;
            const double length2 = dx * dx + dy * dy;
            if (length2 <= 0.0)
                continue;
            const double t = std::clamp(((x - ax) * dx + (y - ay) * dy) / length2, 0.0, 1.0);
            if (const double d = std::hypot(ax + t * dx - x, ay + t * dy - y); d <= best) {
                best = d;
                hit = {true, std::min(i, j), std::max(i, j)};
            }
        }
    return hit;
}

PointF EditorModel::BondEnd(int from, double x, double y, bool free) const
{
    const double fx = m_structure.Atom(from).x, fy = m_structure.Atom(from).y;
    double angle = std::atan2(y - fy, x - fx);
    if (x == fx && y == fy)
        angle = 0.0;
    if (!free) {
        const double step = kBondAngleStepDegrees * std::numbers::pi / 180.0;
        angle = std::round(angle / step) * step;
    }
    return {fx + kBondLength * std::cos(angle), fy + kBondLength * std::sin(angle)};
}

bool EditorModel::Connected(int a, int b) const
{
    const int n = AtomCount();
    if (a < 1 || a > n || b < 1 || b > n)
        return false;
    // Neighbours from either end: a bond drawn by the chain tool is listed at one end only.
    std::vector<std::vector<int>> next(static_cast<std::size_t>(n + 1));
    for (int i = 1; i <= n; ++i)
        for (int k = 1; k <= kMaxNeighbours; ++k)
            if (const int j = m_structure.ConnTo(i, k); j >= 1 && j <= n) {
                next[static_cast<std::size_t>(i)].push_back(j);
                next[static_cast<std::size_t>(j)].push_back(i);
            }
    std::vector<bool> seen(static_cast<std::size_t>(n + 1), false);
    std::vector<int> stack{a};
    seen[static_cast<std::size_t>(a)] = true;
    while (!stack.empty()) {
        const int i = stack.back();
        stack.pop_back();
        if (i == b)
            return true;
        for (int j : next[static_cast<std::size_t>(i)])
            if (!seen[static_cast<std::size_t>(j)]) {
                seen[static_cast<std::size_t>(j)] = true;
                stack.push_back(j);
            }
    }
    return false;
}

int EditorModel::AddCarbonAt(double x, double y, int from)
{
    TAtomRecord atom;
    atom.AtNum = kCarbon;
    atom.AtWeight = 12;
    atom.x = static_cast<float>(x);
    atom.y = static_cast<float>(y);
    const bool bonded = from >= 1 && from <= AtomCount();
    if (bonded && m_structure.NumNeighbours(from) >= kMaxNeighbours)
        return 0;
    if (bonded) {
        atom.ConnTo[0] = static_cast<std::uint8_t>(from);
        atom.TypConn[0] = 1;
    }
    if (!m_structure.AddAtom(atom))
        return 0;
    const int added = AtomCount();
    if (bonded)
        m_structure.SetConnection(from, added, 1);
    return added;
}

bool EditorModel::Bond(int a, int b)
{
    const int n = AtomCount();
    if (a < 1 || a > n || b < 1 || b > n || a == b)
        return false;
    if (m_structure.BondType(a, b) != 0 || m_structure.BondType(b, a) != 0)
        return false;
    if (m_structure.NumNeighbours(a) >= kMaxNeighbours || m_structure.NumNeighbours(b) >= kMaxNeighbours)
        return false;
    m_structure.SetConnection(a, b, 1);
    m_structure.SetConnection(b, a, 1);
    return true;
}

namespace {
// Angle (radians) of the direction that points most away from the given directions: the middle of
// the widest gap between them; straight up for none.
double AwayFrom(std::vector<double> angles)
{
    if (angles.empty())
        return -std::numbers::pi / 2;
    std::sort(angles.begin(), angles.end());
    double bestGap = -1.0, best = 0.0;
    for (std::size_t k = 0; k < angles.size(); ++k) {
        const double from = angles[k];
        const double to = k + 1 < angles.size() ? angles[k + 1] : angles[0] + 2 * std::numbers::pi;
        if (to - from > bestGap)
            bestGap = to - from, best = from + (to - from) / 2;
    }
    return best;
}
} // namespace

bool EditorModel::RingCorners(int size, double x, double y, std::vector<PointF>& corners, std::vector<int>& fixed) const
{
    corners.clear();
    fixed.clear();
    size = std::clamp(size, 3, 8);
    const double step = 2 * std::numbers::pi / size;
    const double pickRadius = 8.0, bondTolerance = 6.0;
    const int atom = FindAtomWithin(x, y, pickRadius);
    const BondHit bond = atom > 0 ? BondHit{} : FindBondAt(x, y, bondTolerance);
    auto neighbourAngles = [&](int i, int except) {
        std::vector<double> angles;
        for (int j = 1; j <= AtomCount(); ++j)
            if (j != i && j != except && (m_structure.BondType(i, j) != 0 || m_structure.BondType(j, i) != 0))
                angles.push_back(std::atan2(m_structure.Atom(j).y - m_structure.Atom(i).y,
                                            m_structure.Atom(j).x - m_structure.Atom(i).x));
        return angles;
    };
    if (atom > 0) {
        const double radius = kBondLength / (2 * std::sin(std::numbers::pi / size));
        const double away = AwayFrom(neighbourAngles(atom, 0));
        const double ax = m_structure.Atom(atom).x, ay = m_structure.Atom(atom).y;
        const double cx = ax + radius * std::cos(away), cy = ay + radius * std::sin(away);
        const double first = away + std::numbers::pi;
        for (int k = 0; k < size; ++k)
            corners.push_back({cx + radius * std::cos(first + k * step), cy + radius * std::sin(first + k * step)});
        fixed = {atom};
    } else if (bond.found) {
        const auto& a = m_structure.Atom(bond.a);
        const auto& b = m_structure.Atom(bond.b);
        const double length = std::hypot(b.x - a.x, b.y - a.y);
        if (length <= 0.0)
            return false;
        const double mx = (a.x + b.x) / 2.0, my = (a.y + b.y) / 2.0;
        const double px = -(b.y - a.y) / length, py = (b.x - a.x) / length; // unit normal
        // The side away from the other neighbours of both atoms; with none, the side clicked on.
        double side = 0.0;
        for (auto [i, other] : {std::pair{bond.a, bond.b}, std::pair{bond.b, bond.a}})
            for (int j = 1; j <= AtomCount(); ++j)
                if (j != i && j != other && (m_structure.BondType(i, j) != 0 || m_structure.BondType(j, i) != 0))
                    side += (m_structure.Atom(j).x - mx) * px + (m_structure.Atom(j).y - my) * py;
        double sign = side > 0 ? -1.0 : side < 0 ? 1.0 : ((x - mx) * px + (y - my) * py < 0 ? -1.0 : 1.0);
        const double apothem = length / (2 * std::tan(std::numbers::pi / size));
        const double radius = length / (2 * std::sin(std::numbers::pi / size));
        const double cx = mx + sign * apothem * px, cy = my + sign * apothem * py;
        const double angleA = std::atan2(a.y - cy, a.x - cx), angleB = std::atan2(b.y - cy, b.x - cx);
        // Walk from a through b: the turn from a to b is one step one way or the other.
        double turn = std::remainder(angleB - angleA, 2 * std::numbers::pi) > 0 ? step : -step;
        for (int k = 0; k < size; ++k)
            corners.push_back({cx + radius * std::cos(angleA + k * turn), cy + radius * std::sin(angleA + k * turn)});
        corners[0] = {a.x, a.y};
        corners[1] = {b.x, b.y};
        fixed = {bond.a, bond.b};
    } else {
        double cx = x, cy = y;
        SnapPoint(cx, cy);
        const double radius = kBondLength / (2 * std::sin(std::numbers::pi / size));
        // Six-rings stand on a corner (sides on the grid's 30-degree lines); four- and
        // eight-rings on a side; odd rings point up.
        const double first = -std::numbers::pi / 2 + (size % 2 == 0 && size != 6 ? step / 2 : 0.0);
        for (int k = 0; k < size; ++k)
            corners.push_back({cx + radius * std::cos(first + k * step), cy + radius * std::sin(first + k * step)});
    }
    return true;
}

std::vector<PointF> EditorModel::RingPreview(int size, double x, double y) const
{
    std::vector<PointF> corners;
    std::vector<int> fixed;
    RingCorners(size, x, y, corners, fixed);
    return corners;
}

EditorModel::RingResult EditorModel::PlaceRing(int size, bool aromatic, double x, double y)
{
    const double mergeRadius = 0.3 * kBondLength;
    std::vector<PointF> corners; // ring order
    std::vector<int> fixed;      // atoms given for the first corners
    if (!RingCorners(size, x, y, corners, fixed))
        return RingResult::Crowded;
    // Each corner: the given atom, an existing atom lying there, or a new one.
    std::vector<int> atoms(corners.size(), 0);
    int added = 0;
    for (std::size_t k = 0; k < corners.size(); ++k) {
        if (k < fixed.size()) {
            atoms[k] = fixed[k];
            continue;
        }
        const int existing = FindAtomWithin(corners[k].x, corners[k].y, mergeRadius);
        if (existing > 0 && std::find(atoms.begin(), atoms.end(), existing) == atoms.end())
            atoms[k] = existing;
        else
            ++added;
    }
    if (AtomCount() + added > kMaxAtoms)
        return RingResult::Full;
    // Every ring bond needs a free slot at an existing atom it is new to.
    for (std::size_t k = 0; k < atoms.size(); ++k) {
        const int i = atoms[k];
        if (i == 0)
            continue;
        int needed = 0;
        for (const std::size_t other : {(k + 1) % atoms.size(), (k + atoms.size() - 1) % atoms.size()})
            if (atoms[other] == 0 || (m_structure.BondType(i, atoms[other]) == 0 && m_structure.BondType(atoms[other], i) == 0))
                ++needed;
        if (m_structure.NumNeighbours(i) + needed > kMaxNeighbours)
            return RingResult::Crowded;
    }
    for (std::size_t k = 0; k < atoms.size(); ++k)
        if (atoms[k] == 0)
            atoms[k] = AddCarbonAt(corners[k].x, corners[k].y, 0);
    // The bonds in ring order, starting after the shared bond of a fused ring.
    const std::size_t start = fixed.size() == 2 ? 1 : 0;
    auto hasDouble = [&](int i) {
        for (int k = 1; k <= kMaxNeighbours; ++k)
            if (m_structure.ConnTo(i, k) != 0 && m_structure.TypConn(i, k) == 2)
                return true;
        return false;
    };
    for (std::size_t k = 0; k < atoms.size(); ++k) {
        const int a = atoms[(start + k) % atoms.size()], b = atoms[(start + k + 1) % atoms.size()];
        if (!Bond(a, b))
            continue; // already bonded (the shared bond, or an existing bond along the ring)
        if (aromatic && !hasDouble(a) && !hasDouble(b))
            CycleBondOrder(a, b);
    }
    return RingResult::Placed;
}

bool EditorModel::RemoveAtom(int i)
{
    if (i < 1 || i > AtomCount())
        return false;
    auto& atom = m_structure.MutableAtom(i);
    for (int j = 1; j <= AtomCount(); ++j) {
        if (j == i)
            continue;
        auto& other = m_structure.MutableAtom(j);
        int count = 0;
        for (int k = 0; k < kMaxNeighbours; ++k) {
            if (other.ConnTo[k] == 0 || other.ConnTo[k] == i)
                continue;
            other.ConnTo[count] = other.ConnTo[k];
            other.TypConn[count] = other.TypConn[k];
            ++count;
        }
        for (int k = count; k < kMaxNeighbours; ++k)
            other.ConnTo[k] = other.TypConn[k] = 0;
    }
    atom.ConnTo.fill(0);
    atom.TypConn.fill(0);
    m_structure.DeleteAtom(i);
    return true;
}

bool EditorModel::Unchanged() const
{
    return !m_past.empty() && CompareCtab(m_past.back(), m_structure) == 0 &&
           m_past.back().FStrucName == m_structure.FStrucName;
}

void EditorModel::BeginAction()
{
    EndAction();
    m_past.emplace_back(static_cast<const TCTab&>(m_structure));
    if (m_past.size() > kHistoryDepth)
        m_past.erase(m_past.begin());
    m_actionOpen = true;
}

void EditorModel::EndAction()
{
    if (!m_actionOpen)
        return;
    m_actionOpen = false;
    if (Unchanged())
        m_past.pop_back();
    else
        m_future.clear();
}

bool EditorModel::CanUndo() const
{
    if (m_actionOpen && Unchanged())
        return m_past.size() > 1;
    return !m_past.empty();
}

bool EditorModel::Undo()
{
    EndAction();
    if (m_past.empty())
        return false;
    m_future.emplace_back(static_cast<const TCTab&>(m_structure));
    m_structure.Assign(m_past.back());
    m_past.pop_back();
    return true;
}

bool EditorModel::Redo()
{
    EndAction();
    if (m_future.empty())
        return false;
    m_past.emplace_back(static_cast<const TCTab&>(m_structure));
    m_structure.Assign(m_future.back());
    m_future.pop_back();
    return true;
}

void EditorModel::ClearHistory()
{
    m_past.clear();
    m_future.clear();
    m_actionOpen = false;
}

TCTab EditorModel::QueryStructure() const
{
    TCTab table;
    table.Assign(m_structure);
    for (int i = 1; i <= table.NumValidAtoms; ++i)
        table.SetCharge(i, EditorChargeSwap(table.Charge(i)));
    return table;
}

std::string EditorModel::MolfileText() const
{
    TCTab table = QueryStructure();
    table.Symmetrize();
    // Tables keep thousandths of the file's unit.
    const double scale = 1500.0 / kBondLength;
    for (int i = 1; i <= table.NumValidAtoms; ++i) {
        const auto& atom = table.Atom(i);
        table.SetCoord(i, 1, atom.x * scale);
        table.SetCoord(i, 2, -atom.y * scale);
        table.SetCoord(i, 3, 0.0);
    }
    std::string text;
    TextWriter writer(&text);
    WriteMolRecord(table, writer, "", "Velmora", 0, "");
    writer.Close();
    return text;
}

EditorModel::PasteResult EditorModel::Paste(const std::string& text, std::string& problem)
{
    problem.clear();
    TCTab read;
    if (text.find("M  END") != std::string::npos || text.find("V2000") != std::string::npos ||
        text.find("V3000") != std::string::npos) {
        if (text.find("V3000") != std::string::npos) {
            problem = "V3000 molfiles cannot be pasted; paste a V2000 molfile or a SMILES";
            return PasteResult::Unreadable;
        }
        try {
            TextReader reader = TextReader::FromMemory(text, "the clipboard");
            MolReadStatus status;
            ReadMolRecord(read, reader, status);
            // A record without its closing "$$$$" line is complete for the clipboard.
            if (status.Rejected() || read.NumValidAtoms < 1) {
                problem = status.atomCountOutOfRange ? "the molfile holds no atoms or more than 63"
                                                     : "the molfile has a bond to a missing atom";
                return PasteResult::Unreadable;
            }
        } catch (const IoError& error) {
            problem = error.what();
            return PasteResult::Unreadable;
        }
    } else {
        std::string smiles = text.substr(0, text.find_first_of("\r\n"));
        const auto first = smiles.find_first_not_of(" \t");
        smiles = first == std::string::npos ? std::string() : smiles.substr(first);
        smiles = smiles.substr(0, smiles.find_first_of(" \t"));
        if (smiles.empty()) {
            problem = "the clipboard holds no structure";
            return PasteResult::Unreadable;
        }
        if (!StructureFormatsAvailable()) {
            problem = kStructureFormatsUnavailable;
            return PasteResult::Unreadable;
        }
        try {
            problem = StructureFromSmiles(smiles, read);
        } catch (const IoError& error) {
            problem = error.what();
        }
        if (!problem.empty())
            return PasteResult::Unreadable;
        read.FStrucName = smiles.substr(0, 80);
    }
    const int n = AtomCount();
    if (n + read.NumValidAtoms > kMaxAtoms)
        return PasteResult::Full;
    // Laid out as a query read from a file: the right way up, bonds of the standard length.
    EditorModel layout;
    layout.SetDrawingArea(m_width, m_height);
    layout.TakeQuery(read, false);
    const TGrafCtab& placed = layout.Structure();
    if (n == 0) {
        const std::string name = m_structure.FStrucName;
        m_structure.Assign(placed);
        if (!name.empty())
            m_structure.FStrucName = name;
        return PasteResult::Pasted;
    }
    double maxX = m_structure.Atom(1).x, minY = m_structure.Atom(1).y, maxY = minY;
    for (int i = 2; i <= n; ++i) {
        maxX = std::max(maxX, static_cast<double>(m_structure.Atom(i).x));
        minY = std::min(minY, static_cast<double>(m_structure.Atom(i).y));
        maxY = std::max(maxY, static_cast<double>(m_structure.Atom(i).y));
    }
    double pMinX = placed.Atom(1).x, pMinY = placed.Atom(1).y, pMaxY = pMinY;
    for (int i = 2; i <= placed.NumValidAtoms; ++i) {
        pMinX = std::min(pMinX, static_cast<double>(placed.Atom(i).x));
        pMinY = std::min(pMinY, static_cast<double>(placed.Atom(i).y));
        pMaxY = std::max(pMaxY, static_cast<double>(placed.Atom(i).y));
    }
    const double dx = maxX + 2 * kBondLength - pMinX, dy = (minY + maxY) / 2 - (pMinY + pMaxY) / 2;
    for (int i = 1; i <= placed.NumValidAtoms; ++i) {
        TAtomRecord atom = placed.Atom(i);
        atom.x = static_cast<float>(atom.x + dx);
        atom.y = static_cast<float>(atom.y + dy);
        for (auto& to : atom.ConnTo)
            if (to != 0)
                to = static_cast<std::uint8_t>(to + n);
        m_structure.AddAtom(atom);
    }
    return PasteResult::Pasted;
}

std::string EditorModel::SmilesText(std::string& smiles) const
{
    smiles.clear();
    if (!StructureWritersAvailable())
        return kWritersUnavailable;
    TCTab table = QueryStructure();
    table.Symmetrize();
    try {
        return SmilesOfStructure(table, smiles);
    } catch (const IoError& error) {
        return error.what(); // the module cannot be loaded
    }
}

std::string EditorModel::CleanUp()
{
    const int n = AtomCount();
    if (n < 1)
        return "there is nothing to clean up";
    if (!StructureWritersAvailable())
        return kWritersUnavailable;
    TCTab table = QueryStructure();
    table.Symmetrize();
    try {
        if (std::string problem = LayOutStructure(table); !problem.empty())
            return problem;
    } catch (const IoError& error) {
        return error.what(); // the module cannot be loaded
    }
    double cx, cy, cz;
    m_structure.Centroid(cx, cy, cz);
    EditorModel layout;
    layout.SetDrawingArea(m_width, m_height);
    layout.TakeQuery(table, false);
    double nx, ny, nz;
    layout.Structure().Centroid(nx, ny, nz);
    for (int i = 1; i <= n; ++i)
        SetXY(i, layout.Structure().Atom(i).x + cx - nx, layout.Structure().Atom(i).y + cy - ny);
    return {};
}

} // namespace velmora::editor
