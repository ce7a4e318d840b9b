#pragma once
// The element table: symbols, mass numbers, periodic layout and atomic size, by element number
// 1..103. Constant data.
#include <string>
#include <string_view>

namespace velmora {

constexpr int kMaxElement = 103;

// "" when z is outside 1..103.
const std::string& ElementSymbol(int z);
// The element whose symbol equals the text exactly (case-sensitive, no trimming); 0 when none.
int ElementNumber(std::string_view symbol);
// 0 when z is outside 1..103. Values of 256 and more do not fit an atom's AtWeight byte.
int MassNumber(int z);
// The isotopes a library stores besides each element's own mass number, each under an element code
// of its own (2H, 13C, 15N, 17O, 18O); every other mass is stored as the element's own.
struct StorableIsotope {
    int element;
    int mass;
    int code; // the library's element code, 128..132
};
inline constexpr StorableIsotope kStorableIsotopes[] = {{1, 2, 128}, {6, 13, 129}, {7, 15, 130}, {8, 17, 131}, {8, 18, 132}};
// The entry of (z, mass), or null when the library cannot keep that mass for z.
const StorableIsotope* FindStorableIsotope(int z, int mass);
// The entry of an element code, or null when code names an element itself.
const StorableIsotope* IsotopeOfCode(int code);

// 0-based column and row in the 9 x 18 layout; (0, 0) when z is not in the layout.
void PeriodicPosition(int z, int& column, int& row);
// Element number in a layout cell, 0 for an empty cell or a cell outside the grid.
int PeriodicCell(int column, int row);
// Atomic size in units of 1.0 (C is 1.80), rounded through the 6-byte real; 0 for most elements.
double SizeParameter(int z);

} // namespace velmora
