#pragma once
// What the editor shows beside the drawing: the connection-table listing and the topological
// distance matrix as the cells of its grid window; and the element cursors' numbering.
#include "model/ctab.h"

#include <string>
#include <vector>

namespace velmora::editor {

// "# of atoms: n", then one line per atom: number, element, charge and the neighbours in slot
// order with their bond characters (" 3 [O ]    2=").
std::vector<std::string> ConnectionTableLines(const TCTab& table);

// Topological distances over the bonds seen from either end; -1 for atoms in different fragments,
// 0 on the diagonal. n x n, 0-based.
std::vector<std::vector<int>> TopologicalDistances(const TCTab& table);

// The matrix window's (n + 1) x (n + 1) cells: (column i, row j) = D(i, j); row 0 holds the column
// sums, (0, 0) the sum of all entries, (0, 1) the mean distance between connected atoms, (0, 2) the
// elapsed seconds; the rest of column 0 is empty.
struct DistanceMatrixTable {
    int size = 0; // n + 1 columns and rows
    std::vector<std::string> cells;
    const std::string& Cell(int column, int row) const { return cells[static_cast<std::size_t>(row * size + column)]; }
};
DistanceMatrixTable DistanceMatrixCells(const TCTab& table, double elapsedSeconds);
// Times TopologicalDistances and fills the cells with the measured seconds.
DistanceMatrixTable DistanceMatrixOf(const TCTab& table);

// Cursor number 1..13 of the element cursors (H, F, N, C, O, B, S, Cl, Br, Si, P, Se, I); 0 for
// the elements without one (the default cursor).
int ElementCursorNumber(int element);

} // namespace velmora::editor
