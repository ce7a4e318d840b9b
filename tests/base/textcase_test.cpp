#include "base/textcase.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace velmora {
namespace {

TEST(SwCase, FirstAsciiLetterDecidesTheDirection)
{
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"aBc", "ABC"},
        {"Abc", "abc"},
        {"123", "123"},
        {"", ""},
        {"  -+ 42", "  -+ 42"},
        {"2-methylPropane", "2-METHYLPROPANE"},
        {"3,4-Dichloro", "3,4-dichloro"},
        // Accented letters change with the text but never decide the direction.
        {"\xC3\x84pfel", "\xC3\x84PFEL"},        // Äpfel -> ÄPFEL (p is lower case)
        {"M\xC3\xBCller", "m\xC3\xBCller"},       // Müller -> müller
        {"m\xC3\xBCller", "M\xC3\x9CLLER"},       // müller -> MÜLLER
        {"\xC3\x9F-alpha \xC3\xB7", "\xC3\x9F-ALPHA \xC3\xB7"}, // sharp s and the division sign stay
        {"\xC3\x89", "\xC3\x89"},                 // a lone accented letter does not decide
        {"x\xC3", "X\xC3"},                       // a cut multi-byte sequence is left alone
    };
    for (const auto& [text, expected] : cases)
        EXPECT_EQ(SwCase(text), expected) << "text: " << text;
}

} // namespace
} // namespace velmora
