#pragma once
// Small structures placed in drawing-area pixels for the editor tests, and an editor driven as
// the window drives it.
#include "editor/editorcontroller.h"
#include "editor/editormodel.h"

#include <utility>
#include <vector>

namespace velmora::test {

// Appends a carbon at (x, y) bonded (one-sided, as drawing does) to the atoms listed.
inline int AddCarbon(TCTab& table, double x, double y, std::vector<std::pair<int, int>> bonds = {})
{
    TAtomRecord atom;
    atom.AtNum = 6;
    atom.AtWeight = 12;
    atom.x = static_cast<float>(x);
    atom.y = static_cast<float>(y);
    for (std::size_t k = 0; k < bonds.size(); ++k) {
        atom.ConnTo[k] = static_cast<std::uint8_t>(bonds[k].first);
        atom.TypConn[k] = static_cast<std::uint8_t>(bonds[k].second);
    }
    table.AddAtom(atom);
    return table.NumValidAtoms;
}

// A chain of carbons along the given points, single bonds, made two-sided.
inline void Chain(TCTab& table, const std::vector<std::pair<double, double>>& points)
{
    for (std::size_t i = 0; i < points.size(); ++i)
        AddCarbon(table, points[i].first, points[i].second,
                  i == 0 ? std::vector<std::pair<int, int>>{} : std::vector<std::pair<int, int>>{{table.NumValidAtoms, 1}});
    table.Symmetrize();
}

// A model and its controller; presses and moves in drawing-area pixels.
struct Editor {
    editor::EditorModel model;
    editor::EditorController control{model};
    const TGrafCtab& t() const { return model.Structure(); }
    void Left(double x, double y, bool free = false) { control.MousePress(editor::MouseButton::Left, x, y, free); }
    void Right(double x = 0, double y = 0) { control.MousePress(editor::MouseButton::Right, x, y); }
    void Hover(double x, double y) { control.MouseMove(x, y, false); }
    editor::PointF At(int i) const { return {t().Atom(i).x, t().Atom(i).y}; }
};

inline std::pair<double, double> XY(const TCTab& table, int i) { return {table.Atom(i).x, table.Atom(i).y}; }

} // namespace velmora::test
