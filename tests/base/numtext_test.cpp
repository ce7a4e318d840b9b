// Number text of the system's files: exponent form (CTB, parameter files, ASCII export), fixed
// point, and the padding helpers that make the fixed columns.
#include "base/numtext.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct ExponentCase {
    double value;
    int fractionDigits;
    const char* text;
};

TEST(NumText, ExponentForm)
{
    const std::vector<ExponentCase> cases = {
        {120.0, 1, " 1.2E+0002"},
        {-0.5, 1, "-5.0E-0001"},
        {123.4, 1, " 1.2E+0002"},   // two significant digits only
        {0.0, 1, " 0.0E+0000"},
        {-0.0, 1, " 0.0E+0000"},    // no "-0.0"
        {9.96, 1, " 1.0E+0001"},    // rounding carries into the exponent
        {-9.96, 1, "-1.0E+0001"},
        {0.0123, 1, " 1.2E-0002"},
        {-1e-5, 1, "-1.0E-0005"},
        {1e300, 1, " 1.0E+0300"},
        {12.5, 14, " 1.25000000000000E+0001"}, // parameter files
        {12.5, 2, " 1.25E+0001"},               // ASCII export
        {-32767.0, 2, "-3.28E+0004"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.value);
        EXPECT_EQ(velmora::FormatExponent(c.value, c.fractionDigits), c.text);
    }
    EXPECT_EQ(velmora::FormatExponent(120.0, 1, 2), " 1.2E+02");
}

TEST(NumText, FixedPoint)
{
    EXPECT_EQ(velmora::FormatFixed(-1.23456, 4), "-1.2346");
    EXPECT_EQ(velmora::FormatFixed(1.23456, 4), "1.2346");
    EXPECT_EQ(velmora::FormatFixed(0.0, 2), "0.00");
    EXPECT_EQ(velmora::FormatFixed(3.0, 0), "3");
    EXPECT_EQ(velmora::FormatFixed(12.0, 4), "12.0000");
    // A negative value that rounds to zero is written without a sign.
    EXPECT_EQ(velmora::FormatFixed(-0.00001, 4), "0.0000");
    EXPECT_EQ(velmora::FormatFixed(-0.4, 0), "0");
    EXPECT_EQ(velmora::FormatFixed(1e20, 1), "100000000000000000000.0");
}

// Columns: padding never cuts (a long value stays whole), FitWidth does.
TEST(NumText, Padding)
{
    EXPECT_EQ(velmora::PadLeft("ab", 4) + "|" + velmora::PadRight("ab", 4), "  ab|ab  ");
    EXPECT_EQ(velmora::PadLeft("abcdef", 3) + velmora::PadRight("abcdef", 3), "abcdefabcdef");
    EXPECT_EQ(velmora::FitWidth("abcdef", 3) + "|" + velmora::FitWidth("ab", 4), "abc|ab  ");
    EXPECT_EQ(velmora::FormatInt(-5, 4) + "|" + velmora::FormatInt(12345, 3), "  -5|12345");
}

// The printed table's cells: blanks around the text are dropped before padding or cutting, and
// only a text that lost characters counts as cut.
TEST(NumText, PadTextCutsAndAligns)
{
    using velmora::TextAlign;
    struct Case {
        const char* text;
        int width;
        TextAlign align;
        const char* padded;
        bool cut;
    };
    const std::vector<Case> cases = {
        {"  ab ", 6, TextAlign::Left, "ab    ", false},
        {"ab", 6, TextAlign::Right, "    ab", false},
        {"ab", 7, TextAlign::Centre, "  ab   ", false}, // half of 5 blanks, rounded down, on the left
        {"abcdef", 4, TextAlign::Right, "abcd", true},
        {"  abcd  ", 4, TextAlign::Left, "abcd", false},
        {"", 3, TextAlign::Centre, "   ", false},
        {"   ", 2, TextAlign::Left, "  ", false},
        {"abc", 0, TextAlign::Left, "", true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        bool cut = !c.cut;
        EXPECT_EQ(velmora::PadText(c.text, c.width, c.align, &cut), c.padded);
        EXPECT_EQ(cut, c.cut);
    }
}

} // namespace
