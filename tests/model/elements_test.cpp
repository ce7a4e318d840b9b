// The element table: every symbol and mass number, exact symbol lookup, the periodic layout and
// the atomic size parameter rounded through the 6-byte real.
#include "model/elements.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <set>
#include <sstream>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace {

// Symbol and mass number of Z = 1..103, in order.
constexpr const char* kTable =
    "H 1 He 4 Li 7 Be 9 B 11 C 12 N 14 O 16 F 19 Ne 20 Na 23 Mg 24 Al 27 Si 28 P 31 S 32 Cl 35 "
    "Ar 40 K 39 Ca 40 Sc 45 Ti 48 V 51 Cr 52 Mn 55 Fe 56 Co 59 Ni 58 Cu 63 Zn 64 Ga 69 Ge 74 "
    "As 75 Se 80 Br 79 Kr 84 Rb 85 Sr 88 Y 89 Zr 90 Nb 93 Mo 98 Tc 97 Ru 102 Rh 103 Pd 106 "
    "Ag 107 Cd 114 In 115 Sn 120 Sb 121 Te 130 I 127 Xe 132 Cs 133 Ba 138 La 139 Ce 140 Pr 141 "
    "Nd 142 Pm 145 Sm 152 Eu 153 Gd 158 Tb 159 Dy 164 Ho 165 Er 166 Tm 169 Yb 174 Lu 175 "
    "Hf 180 Ta 181 W 184 Re 187 Os 192 Ir 193 Pt 195 Au 197 Hg 202 Tl 205 Pb 208 Bi 209 Po 209 "
    "At 211 Rn 222 Fr 223 Ra 226 Ac 227 Th 232 Pa 230 U 238 Np 237 Pu 244 Am 243 Cm 247 Bk 247 "
    "Cf 251 Es 254 Fm 257 Md 257 No 255 Lr 256";

std::vector<std::pair<std::string, int>> Table()
{
    std::vector<std::pair<std::string, int>> table;
    std::istringstream in(kTable);
    std::string symbol;
    int mass = 0;
    while (in >> symbol >> mass)
        table.emplace_back(symbol, mass);
    return table;
}

TEST(Elements, SymbolsAndMassNumbersOfAll103)
{
    const auto table = Table();
    ASSERT_EQ(table.size(), 103u);
    for (int z = 1; z <= 103; ++z) {
        SCOPED_TRACE(z);
        EXPECT_EQ(velmora::ElementSymbol(z), table[z - 1].first);
        EXPECT_EQ(velmora::MassNumber(z), table[z - 1].second);
        EXPECT_EQ(velmora::ElementNumber(table[z - 1].first), z);
    }
    for (int z : {-1, 0, 104, 255}) {
        EXPECT_EQ(velmora::ElementSymbol(z), "") << z;
        EXPECT_EQ(velmora::MassNumber(z), 0) << z;
    }
}

// Symbols are compared exactly: case matters and blanks are not removed.
TEST(Elements, ElementNumberIsExact)
{
    EXPECT_EQ(velmora::ElementNumber("Cl"), 17);
    EXPECT_EQ(velmora::ElementNumber("C"), 6);
    EXPECT_EQ(velmora::ElementNumber("Co"), 27);
    for (const char* text : {"CL", "cl", " Cl", "Cl ", "", "c", "CO", "Xx", "Cla", "D"})
        EXPECT_EQ(velmora::ElementNumber(text), 0) << '"' << text << '"';
    EXPECT_EQ(velmora::ElementNumber(std::string_view("Cl\0", 3)), 0);
}

TEST(Elements, PeriodicPosition)
{
    struct Case {
        int z, column, row;
    };
    const std::vector<Case> cases = {
        {1, 0, 0},   {2, 17, 0},  {3, 0, 1},   {4, 1, 1},   {5, 12, 1},  {10, 17, 1}, {11, 0, 2},
        {13, 12, 2}, {18, 17, 2}, {19, 0, 3},  {36, 17, 3}, {37, 0, 4},  {54, 17, 4}, {55, 0, 5},
        {57, 2, 5},  {72, 3, 5},  {86, 17, 5}, {87, 0, 6},  {89, 2, 6},  {58, 4, 7},  {71, 17, 7},
        {90, 4, 8},  {103, 17, 8}, {26, 7, 3}, {79, 10, 5},
        // Outside 1..103: (0, 0), the same cell as hydrogen.
        {0, 0, 0},   {104, 0, 0}, {-5, 0, 0},
    };
    for (const auto& c : cases) {
        int column = -1, row = -1;
        velmora::PeriodicPosition(c.z, column, row);
        EXPECT_EQ(column, c.column) << c.z;
        EXPECT_EQ(row, c.row) << c.z;
    }
    // Every element sits in exactly one cell, and the cell gives it back.
    std::set<std::pair<int, int>> cells;
    for (int z = 1; z <= 103; ++z) {
        int column = -1, row = -1;
        velmora::PeriodicPosition(z, column, row);
        EXPECT_TRUE(cells.insert({column, row}).second) << z;
        EXPECT_EQ(velmora::PeriodicCell(column, row), z);
    }
    int occupied = 0;
    for (int row = 0; row < 9; ++row)
        for (int column = 0; column < 18; ++column)
            occupied += velmora::PeriodicCell(column, row) != 0;
    EXPECT_EQ(occupied, 103);
    EXPECT_EQ(velmora::PeriodicCell(18, 0), 0);
    EXPECT_EQ(velmora::PeriodicCell(0, 9), 0);
    EXPECT_EQ(velmora::PeriodicCell(-1, 0), 0);
}

// value rounded to 40 significant bits, ties to even, by integer arithmetic.
double To40Bits(double value)
{
    int e = 0;
    const double m = std::frexp(value, &e); // [0.5, 1)
    const auto significand = static_cast<std::uint64_t>(std::ldexp(m, 53));
    std::uint64_t kept = significand >> 13;
    const std::uint64_t rest = significand & 0x1FFF;
    if (rest > 0x1000 || (rest == 0x1000 && (kept & 1)))
        ++kept;
    return std::ldexp(static_cast<double>(kept), e - 40);
}

TEST(Elements, SizeParameterIsHundredthsRoundedToTheSixByteReal)
{
    const std::vector<std::pair<int, int>> hundredths = {
        {1, 120}, {5, 98},   {6, 180},  {7, 150},  {8, 140},  {9, 135},  {14, 138}, {15, 190},
        {16, 185}, {17, 180}, {33, 200}, {34, 200}, {35, 195}, {51, 220}, {52, 220}, {53, 215},
    };
    for (int z = -1; z <= 110; ++z) {
        int h = 0;
        for (const auto& [zz, v] : hundredths)
            if (zz == z)
                h = v;
        SCOPED_TRACE(z);
        if (h == 0)
            EXPECT_EQ(velmora::SizeParameter(z), 0.0);
        else
            EXPECT_EQ(velmora::SizeParameter(z), To40Bits(h * 0.01));
    }
    // 1.8 needs more than 40 bits, so the stored value is not the double nearest 1.8.
    EXPECT_NE(velmora::SizeParameter(6), 1.8);
    EXPECT_NEAR(velmora::SizeParameter(6), 1.8, std::ldexp(1.0, -39));
}

TEST(Elements, StorableIsotopesHaveCodesOfTheirOwnThatReadBack)
{
    std::set<int> codes;
    for (const velmora::StorableIsotope& isotope : velmora::kStorableIsotopes) {
        // A code above every element number, used once, naming another mass than the element's own.
        EXPECT_GT(isotope.code, velmora::kMaxElement);
        EXPECT_LE(isotope.code, 255);
        EXPECT_TRUE(codes.insert(isotope.code).second);
        EXPECT_NE(isotope.mass, velmora::MassNumber(isotope.element));
        EXPECT_EQ(velmora::FindStorableIsotope(isotope.element, isotope.mass), &isotope);
        EXPECT_EQ(velmora::IsotopeOfCode(isotope.code), &isotope);
    }
    EXPECT_EQ(velmora::FindStorableIsotope(6, 14), nullptr); // 14C is kept as carbon
    EXPECT_EQ(velmora::FindStorableIsotope(6, 12), nullptr);
    EXPECT_EQ(velmora::IsotopeOfCode(6), nullptr);
}

} // namespace
