#include "base/fitlabel.h"

#include <gtest/gtest.h>

namespace velmora {
namespace {

// Every character is 10 wide, "=>" included; a UTF-8 sequence is one character.
int Measure(std::string_view text)
{
    int characters = 0;
    for (char c : text)
        characters += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    return 10 * characters;
}

TEST(FitLabelTest, KeepsWhatFitsAndShortensWhatDoesNot)
{
    struct Case {
        std::string text;
        int width;
        std::string shown;
    };
    const Case cases[] = {
        {"", 50, " "},
        {"Benzol", 60, "Benzol"},               // exactly the width still fits
        {"Benzole", 60, "Benz=>"},              // 7 characters overflow: 7 - 3 kept
        {"Cyclohexanecarboxylic acid", 100, "Cyclohex=>"},
        {"Ab", 5, "=>"},                        // the first character already overflows
        {"M\xC3\xBCller-S\xC3\xA4ure", 60, "M\xC3\xBCll=>"}, // umlauts are not cut in half
    };
    for (const auto& c : cases)
        EXPECT_EQ(FitLabel(c.text, c.width, Measure), c.shown) << c.text;
}

// In a proportional font "=>" can be wider than the two characters it replaces: it still fits
// whole, with fewer characters before it.
TEST(FitLabelTest, TheArrowFitsWholeInAProportionalFont)
{
    // "i" and "l" are 4 wide, "=" and ">" 12, everything else 10.
    auto proportional = [](std::string_view text) {
        int width = 0;
        for (char c : text)
            width += c == 'i' || c == 'l' ? 4 : c == '=' || c == '>' ? 12 : 10;
        return width;
    };
    struct Case {
        std::string text;
        int width;
        std::string shown;
    };
    const Case cases[] = {
        {"Benzole", 60, "Ben=>"},               // "Benz=>" would be 64 wide
        {"Millilitre", 40, "Mi=>"},             // "Milli=>", "Mill=>" and "Mil=>" are too wide
        {"Cyclohexane", 100, "Cyclohex=>"},     // the rule's own cut already fits (98)
        {"ABCDE", 30, "=>"},                    // nothing before the arrow
    };
    for (const auto& c : cases) {
        const std::string shown = FitLabel(c.text, c.width, proportional);
        EXPECT_EQ(shown, c.shown) << c.text;
        if (shown.size() > 2) {
            EXPECT_LE(proportional(shown), c.width) << c.text;
        }
    }
}

} // namespace
} // namespace velmora
