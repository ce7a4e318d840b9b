// The element table: symbols and mass numbers, exact symbol lookup, the periodic layout and the
// atomic size parameter rounded through the 6-byte real.
#include "model/elements.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <set>
#include <string>
#include <string_view>
#include <tuple>
#include <utility>
#include <vector>

namespace {

// Spot values, including the mass numbers that break the order of Z (Co 59 before Ni 58) and the
// ends of the table; outside 1..103 there is no element.
TEST(Elements, SymbolsAndMassNumbers)
{
    const std::vector<std::tuple<int, const char*, int>> cases = {
        {1, "H", 1}, {6, "C", 12}, {17, "Cl", 35}, {27, "Co", 59}, {28, "Ni", 58}, {43, "Tc", 97},
        {84, "Po", 209}, {102, "No", 255}, {103, "Lr", 256}};
    for (const auto& [z, symbol, mass] : cases) {
        EXPECT_EQ(velmora::ElementSymbol(z), symbol) << z;
        EXPECT_EQ(velmora::MassNumber(z), mass) << z;
        EXPECT_EQ(velmora::ElementNumber(symbol), z) << z;
    }
    for (int z = 1; z <= 103; ++z)
        EXPECT_EQ(velmora::ElementNumber(velmora::ElementSymbol(z)), z) << z;
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
    for (const auto& [z, hundredths] : std::vector<std::pair<int, int>>{{1, 120}, {5, 98}, {6, 180}, {53, 215}})
        EXPECT_EQ(velmora::SizeParameter(z), To40Bits(hundredths * 0.01)) << z;
    for (int z : {-1, 0, 2, 26, 54, 110}) // elements without a size, and no element
        EXPECT_EQ(velmora::SizeParameter(z), 0.0) << z;
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
