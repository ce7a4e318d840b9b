#include "base/textcase.h"

#include <cstddef>

namespace velmora {

namespace {

enum class Case { None, Lower, Upper };

// Latin-1 letters are "\xC3" followed by 0x80..0x9E (upper) or 0xA0..0xBE (lower); the pairs differ
// by 0x20. U+00D7 and U+00F7 are signs, U+00DF (sharp s) has no single upper-case form.
Case Latin1Case(unsigned char second)
{
    if (second >= 0x80 && second <= 0x9E && second != 0x97)
        return Case::Upper;
    if (second >= 0xA0 && second <= 0xBE && second != 0xB7)
        return Case::Lower;
    return Case::None;
}

Case AsciiCase(unsigned char c)
{
    if (c >= 'A' && c <= 'Z')
        return Case::Upper;
    if (c >= 'a' && c <= 'z')
        return Case::Lower;
    return Case::None;
}

} // namespace

std::string SwCase(const std::string& text)
{
    // Only A..Z decides (after upper-casing); accented letters follow but never decide.
    Case first = Case::None;
    for (const char c : text) {
        first = AsciiCase(static_cast<unsigned char>(c));
        if (first != Case::None)
            break;
    }
    if (first == Case::None)
        return text;
    const Case target = first == Case::Upper ? Case::Lower : Case::Upper;
    std::string result = text;
    for (std::size_t i = 0; i < result.size(); ++i) {
        const auto c = static_cast<unsigned char>(result[i]);
        const Case current = AsciiCase(c);
        if (current != Case::None && current != target) {
            result[i] = static_cast<char>(c ^ 0x20);
        } else if (c == 0xC3 && i + 1 < result.size()) {
            const auto second = static_cast<unsigned char>(result[i + 1]);
            const Case accented = Latin1Case(second);
            if (accented != Case::None && accented != target)
                result[i + 1] = static_cast<char>(second ^ 0x20);
            ++i;
        }
    }
    return result;
}

} // namespace velmora
