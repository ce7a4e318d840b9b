#pragma once
// What the editor shows beside the drawing: the connection-table listing and the topological
// distance matrix as the cells of its grid window; and the element cursors' numbering.
#include "model/ctab.h"

#include <string>
#include <vector>

namespace velmora::editor {

// "# of atoms: n", then one line per atom: number, element, charge and the neighbours in slot
// order with their bond characters (" 3 [O ]    2="). A bond drawn but not yet completed (listed
// at one end only) is listed at both atoms, as it will be when drawing ends.
std::vector<std::string> ConnectionTableLines(const TCTab& table);

// Topological distances over the bonds seen from either end; -1 for atoms in different fragments,
// 0 on the diagonal. n x n, 0-based.
std::vector<std::vector<int>> TopologicalDistances(const TCTab& table);

// Shown for a pair of atoms in different fragments, which have no distance (an en dash).
inline constexpr const char* kNotConnected = "\xE2\x80\x93";

// What the matrix window shows: the atoms by number and element ("3 O") as row and column
// headings, the distances in bonds (kNotConnected for atoms in different fragments), and under
// each column that atom's sum of distances to the atoms connected with it. Unconnected pairs add
// nothing to any sum.
struct DistanceMatrixTable {
    int size = 0;                    // atoms
    std::vector<std::string> labels; // per atom
    std::vector<std::string> cells;  // size x size
    std::vector<std::string> sums;   // per atom
    std::string total;               // all distances added up: each connected pair counts twice
    std::string meanDistance;        // over the connected pairs, 4 decimals; "" without any
    std::string seconds;             // time taken, 4 decimals
    // Lines under the grid saying what the dash, the sums and the figures are.
    std::vector<std::string> notes;
    // 0-based: the distance from the column's atom to the row's atom.
    const std::string& Cell(int column, int row) const { return cells[static_cast<std::size_t>(row * size + column)]; }
};
DistanceMatrixTable DistanceMatrixCells(const TCTab& table, double elapsedSeconds);
// Times TopologicalDistances and fills the cells with the measured seconds.
DistanceMatrixTable DistanceMatrixOf(const TCTab& table);

// Cursor number 1..13 of the element cursors (H, F, N, C, O, B, S, Cl, Br, Si, P, Se, I); 0 for
// the elements without one (the default cursor).
int ElementCursorNumber(int element);

} // namespace velmora::editor
