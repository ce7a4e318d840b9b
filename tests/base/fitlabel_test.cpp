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

} // namespace
} // namespace velmora
