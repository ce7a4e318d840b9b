#include "base/numtext.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdlib>

namespace velmora {

std::string FormatFixed(double value, int decimals)
{
    char buffer[400];
    const auto result =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, decimals);
    std::string text(buffer, result.ptr);
    if (text.find_first_not_of("-0.") == std::string::npos && text.front() == '-')
        text.erase(0, 1); // no "-0.0000"
    return text;
}

std::string FormatExponent(double value, int fractionDigits, int exponentDigits)
{
    char buffer[64];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, std::fabs(value),
                                      std::chars_format::scientific, fractionDigits);
    const std::string_view text(buffer, static_cast<std::size_t>(result.ptr - buffer));
    const auto e = text.find('e');
    std::string out;
    out += (value < 0 && text.find_first_not_of("0.", 0) < e) ? '-' : ' ';
    out += text.substr(0, e);
    if (fractionDigits == 0)
        out += '.';
    out += 'E';
    const int exponent = std::atoi(std::string(text.substr(e + 1)).c_str());
    out += exponent < 0 ? '-' : '+';
    std::string digits = std::to_string(std::abs(exponent));
    if (static_cast<int>(digits.size()) < exponentDigits)
        digits.insert(0, static_cast<std::size_t>(exponentDigits) - digits.size(), '0');
    out += digits;
    return out;
}

std::string PadLeft(std::string_view text, int width)
{
    std::string out;
    if (static_cast<int>(text.size()) < width)
        out.assign(static_cast<std::size_t>(width) - text.size(), ' ');
    out += text;
    return out;
}

std::string PadRight(std::string_view text, int width)
{
    std::string out(text);
    if (static_cast<int>(out.size()) < width)
        out.append(static_cast<std::size_t>(width) - out.size(), ' ');
    return out;
}

std::string FitWidth(std::string_view text, int width)
{
    return PadRight(text.substr(0, static_cast<std::size_t>(width)), width);
}

std::string FormatInt(long long value, int width) { return PadLeft(std::to_string(value), width); }

std::string PadText(std::string_view text, int width, TextAlign align, bool* cut)
{
    const auto first = text.find_first_not_of(' ');
    text = first == std::string_view::npos ? std::string_view() : text.substr(first, text.find_last_not_of(' ') - first + 1);
    width = std::max(width, 0);
    const auto size = static_cast<int>(text.size());
    if (cut)
        *cut = size > width;
    if (size >= width)
        return std::string(text.substr(0, static_cast<std::size_t>(width)));
    const int blanks = width - size;
    const int left = align == TextAlign::Right ? blanks : align == TextAlign::Centre ? blanks / 2 : 0;
    return std::string(static_cast<std::size_t>(left), ' ') + std::string(text) +
           std::string(static_cast<std::size_t>(blanks - left), ' ');
}

bool ParsePlainDecimal(std::string_view text, double& value)
{
    static constexpr double kPowers[] = {1e0, 1e1, 1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                         1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};
    const bool negative = !text.empty() && text[0] == '-';
    std::int64_t digits = 0;
    int count = 0;
    int decimals = -1;
    for (std::size_t i = negative; i < text.size(); ++i) {
        const char c = text[i];
        if (c >= '0' && c <= '9') {
            if (++count > 15)
                return false;
            digits = digits * 10 + (c - '0');
            decimals += decimals >= 0;
        } else if (c == '.' && decimals < 0) {
            decimals = 0;
        } else {
            return false;
        }
    }
    if (count == 0)
        return false;
    value = static_cast<double>(digits) / kPowers[decimals < 0 ? 0 : decimals];
    if (negative)
        value = -value;
    return true;
}

} // namespace velmora
