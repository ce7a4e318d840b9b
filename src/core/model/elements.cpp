#include "model/elements.h"

#include "base/real48.h"

#include <array>

namespace velmora {

namespace {

struct Element {
    const char* symbol;
    int mass;
};

constexpr std::array<Element, kMaxElement + 1> kElements{{
    {"", 0},     {"H", 1},     {"He", 4},    {"Li", 7},    {"Be", 9},    {"B", 11},    {"C", 12},
    {"N", 14},   {"O", 16},    {"F", 19},    {"Ne", 20},   {"Na", 23},   {"Mg", 24},   {"Al", 27},
    {"Si", 28},  {"P", 31},    {"S", 32},    {"Cl", 35},   {"Ar", 40},   {"K", 39},    {"Ca", 40},
    {"Sc", 45},  {"Ti", 48},   {"V", 51},    {"Cr", 52},   {"Mn", 55},   {"Fe", 56},   {"Co", 59},
    {"Ni", 58},  {"Cu", 63},   {"Zn", 64},   {"Ga", 69},   {"Ge", 74},   {"As", 75},   {"Se", 80},
    {"Br", 79},  {"Kr", 84},   {"Rb", 85},   {"Sr", 88},   {"Y", 89},    {"Zr", 90},   {"Nb", 93},
    {"Mo", 98},  {"Tc", 97},   {"Ru", 102},  {"Rh", 103},  {"Pd", 106},  {"Ag", 107},  {"Cd", 114},
    {"In", 115}, {"Sn", 120},  {"Sb", 121},  {"Te", 130},  {"I", 127},   {"Xe", 132},  {"Cs", 133},
    {"Ba", 138}, {"La", 139},  {"Ce", 140},  {"Pr", 141},  {"Nd", 142},  {"Pm", 145},  {"Sm", 152},
    {"Eu", 153}, {"Gd", 158},  {"Tb", 159},  {"Dy", 164},  {"Ho", 165},  {"Er", 166},  {"Tm", 169},
    {"Yb", 174}, {"Lu", 175},  {"Hf", 180},  {"Ta", 181},  {"W", 184},   {"Re", 187},  {"Os", 192},
    {"Ir", 193}, {"Pt", 195},  {"Au", 197},  {"Hg", 202},  {"Tl", 205},  {"Pb", 208},  {"Bi", 209},
    {"Po", 209}, {"At", 211},  {"Rn", 222},  {"Fr", 223},  {"Ra", 226},  {"Ac", 227},  {"Th", 232},
    {"Pa", 230}, {"U", 238},   {"Np", 237},  {"Pu", 244},  {"Am", 243},  {"Cm", 247},  {"Bk", 247},
    {"Cf", 251}, {"Es", 254},  {"Fm", 257},  {"Md", 257},  {"No", 255},  {"Lr", 256},
}};

constexpr int kColumns = 18;
constexpr int kRows = 9;

std::array<int, kColumns * kRows> BuildLayout()
{
    std::array<int, kColumns * kRows> cells{};
    auto put = [&](int row, int column, int z) { cells[row * kColumns + column] = z; };
    put(0, 0, 1);
    put(0, 17, 2);
    put(1, 0, 3);
    put(1, 1, 4);
    put(2, 0, 11);
    put(2, 1, 12);
    for (int i = 0; i < 6; ++i) {
        put(1, 12 + i, 5 + i);
        put(2, 12 + i, 13 + i);
    }
    for (int i = 0; i < 18; ++i) {
        put(3, i, 19 + i);
        put(4, i, 37 + i);
    }
    for (int i = 0; i < 3; ++i) {
        put(5, i, 55 + i);
        put(6, i, 87 + i);
    }
    for (int i = 0; i < 15; ++i)
        put(5, 3 + i, 72 + i);
    for (int i = 0; i < 14; ++i) {
        put(7, 4 + i, 58 + i);
        put(8, 4 + i, 90 + i);
    }
    return cells;
}

const std::array<int, kColumns * kRows>& Layout()
{
    static const auto layout = BuildLayout();
    return layout;
}

int SizeHundredths(int z)
{
    switch (z) {
    case 1: return 120;
    case 5: return 98;
    case 6: return 180;
    case 7: return 150;
    case 8: return 140;
    case 9: return 135;
    case 14: return 138;
    case 15: return 190;
    case 16: return 185;
    case 17: return 180;
    case 33: return 200;
    case 34: return 200;
    case 35: return 195;
    case 51: return 220;
    case 52: return 220;
    case 53: return 215;
    default: return 0;
    }
}

} // namespace

const std::string& ElementSymbol(int z)
{
    static const auto symbols = [] {
        std::array<std::string, kMaxElement + 1> names;
        for (int i = 0; i <= kMaxElement; ++i)
            names[i] = kElements[i].symbol;
        return names;
    }();
    if (z < 1 || z > kMaxElement)
        return symbols[0];
    return symbols[z];
}

int ElementNumber(std::string_view symbol)
{
    for (int z = 1; z <= kMaxElement; ++z)
        if (symbol == kElements[z].symbol)
            return z;
    return 0;
}

int MassNumber(int z)
{
    if (z < 1 || z > kMaxElement)
        return 0;
    return kElements[z].mass;
}

void PeriodicPosition(int z, int& column, int& row)
{
    column = 0;
    row = 0;
    if (z < 1 || z > kMaxElement)
        return;
    const auto& cells = Layout();
    for (int k = 0; k < kColumns * kRows; ++k) {
        if (cells[k] == z) {
            column = k % kColumns;
            row = k / kColumns;
            return;
        }
    }
}

int PeriodicCell(int column, int row)
{
    if (column < 0 || column >= kColumns || row < 0 || row >= kRows)
        return 0;
    return Layout()[row * kColumns + column];
}

double SizeParameter(int z)
{
    if (z < 1 || z > 53)
        return 0.0;
    return ToReal48Precision(SizeHundredths(z) * 0.01);
}

const StorableIsotope* FindStorableIsotope(int z, int mass)
{
    for (const StorableIsotope& isotope : kStorableIsotopes)
        if (isotope.element == z && isotope.mass == mass)
            return &isotope;
    return nullptr;
}

const StorableIsotope* IsotopeOfCode(int code)
{
    for (const StorableIsotope& isotope : kStorableIsotopes)
        if (isotope.code == code)
            return &isotope;
    return nullptr;
}

} // namespace velmora
