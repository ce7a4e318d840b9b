#pragma once
// Number text as the system's files hold it. Locale-independent: a desktop toolkit may switch the
// C locale to the user's, and our files must not change with it.
#include <string>
#include <string_view>

namespace velmora {

// Fixed-point with the given number of decimals ("-1.2346").
std::string FormatFixed(double value, int decimals);
// Exponent form: a sign character (blank or "-"), one digit, ".", fractionDigits digits, "E",
// the exponent's sign and exponentDigits digits. 120 with (1, 4) is " 1.2E+0002".
std::string FormatExponent(double value, int fractionDigits, int exponentDigits = 4);
// text right-aligned (padded on the left) to width; longer text stays whole.
std::string PadLeft(std::string_view text, int width);
// text left-aligned (padded on the right) to width; longer text stays whole.
std::string PadRight(std::string_view text, int width);
// text cut or padded with blanks to exactly width characters.
std::string FitWidth(std::string_view text, int width);
std::string FormatInt(long long value, int width);

enum class TextAlign { Left, Right, Centre };
// text without its leading and trailing blanks, cut to its first width characters when it is that
// long or longer (cut set true only when characters were dropped), else padded with blanks to
// width: left alignment pads on the right, right on the left, centred puts half of the blanks
// (rounded down) on the left.
std::string PadText(std::string_view text, int width, TextAlign align, bool* cut = nullptr);

// "[-]digits[.digits]" with at most 15 digits, parsed exactly: the integer of all digits and the
// power of ten are both exact doubles, so one division gives the correctly rounded value, the
// same as a general parser. False for any other form (the caller then parses the general way).
bool ParsePlainDecimal(std::string_view text, double& value);

} // namespace velmora
