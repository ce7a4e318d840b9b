#include "graphics/fontmetrics.h"

#include "base/numeric.h"
#include "graphics/xmltext.h"

#include <array>

namespace velmora {

namespace {

constexpr double kUnitsPerEm = 2048.0;

// Advance widths (font units) of printable ASCII 32..126.
constexpr std::array<std::uint16_t, 95> kSansRegular = {
    569,  569,  727,  1139, 1139, 1821, 1366, 391,  682,  682,  797,  1196, 569,  682,  569,  569,
    1139, 1139, 1139, 1139, 1139, 1139, 1139, 1139, 1139, 1139, 569,  569,  1196, 1196, 1196, 1139,
    2079, 1366, 1366, 1479, 1479, 1366, 1251, 1593, 1479, 569,  1024, 1366, 1139, 1706, 1479, 1593,
    1366, 1593, 1479, 1366, 1251, 1479, 1366, 1933, 1366, 1366, 1251, 569,  569,  569,  961,  1139,
    682,  1139, 1139, 1024, 1139, 1139, 569,  1139, 1139, 455,  455,  1024, 455,  1706, 1139, 1139,
    1139, 1139, 682,  1024, 569,  1139, 1024, 1479, 1024, 1024, 1024, 684,  532,  684,  1196};
constexpr std::array<std::uint16_t, 95> kSansBold = {
    569,  682,  971,  1139, 1139, 1821, 1479, 487,  682,  682,  797,  1196, 569,  682,  569,  569,
    1139, 1139, 1139, 1139, 1139, 1139, 1139, 1139, 1139, 1139, 682,  682,  1196, 1196, 1196, 1251,
    1997, 1479, 1479, 1479, 1479, 1366, 1251, 1593, 1479, 569,  1139, 1479, 1251, 1706, 1479, 1593,
    1366, 1593, 1479, 1366, 1251, 1479, 1366, 1933, 1366, 1366, 1251, 682,  569,  682,  1196, 1139,
    682,  1139, 1251, 1139, 1251, 1139, 682,  1251, 1251, 569,  569,  1139, 569,  1821, 1251, 1251,
    1251, 1251, 797,  1139, 682,  1251, 1139, 1593, 1139, 1139, 1024, 797,  573,  797,  1196};
constexpr int kMonoAdvance = 1229;
constexpr int kSansOther = 1139; // characters outside ASCII: a typical letter

// Vertical metrics (font units): Mono 1705 / 615, Sans 1854 / 434.
constexpr int kMonoAscent = 1705, kMonoDescent = 615;
constexpr int kSansAscent = 1854, kSansDescent = 434;

int EmPixels(const Font& font)
{
    const int size = font.size < 1 ? 1 : font.size;
    return static_cast<int>(Round(size * 96.0 / 72.0));
}

} // namespace

bool IsMonospaceFont(const std::string& name)
{
    return name == "Courier New" || name == "Courier" || name == "Liberation Mono" ||
           name == "monospace";
}

FontBox MeasureFont(const Font& font)
{
    FontBox box;
    box.emPixels = EmPixels(font);
    const bool mono = IsMonospaceFont(font.name);
    box.ascent = static_cast<int>(Round((mono ? kMonoAscent : kSansAscent) * box.emPixels / kUnitsPerEm));
    box.descent =
        static_cast<int>(Round((mono ? kMonoDescent : kSansDescent) * box.emPixels / kUnitsPerEm));
    return box;
}

int MeasureTextWidth(const Font& font, std::string_view text)
{
    const bool mono = IsMonospaceFont(font.name);
    const auto& table = HasStyle(font.style, FontStyle::Bold) ? kSansBold : kSansRegular;
    long units = 0;
    bool ascii = true;
    for (char c : text)
        ascii = ascii && static_cast<unsigned char>(c) < 0x80;
    if (mono) {
        units = kMonoAdvance * static_cast<long>(ascii ? text.size() : DecodeText(text).size());
    } else if (ascii) {
        for (char c : text)
            if (c >= 32 && c < 127)
                units += table[static_cast<std::size_t>(c - 32)];
    } else {
        for (char32_t cp : DecodeText(text))
            units += cp >= 32 && cp < 127 ? table[cp - 32] : (cp >= 0xA0 ? kSansOther : 0);
    }
    return static_cast<int>(Round(units * EmPixels(font) / kUnitsPerEm));
}

std::string FontFamilyList(const std::string& name)
{
    if (name == "Courier New")
        return "'Courier New', 'Liberation Mono', monospace";
    if (name == "Arial")
        return "Arial, 'Liberation Sans', sans-serif";
    std::string quoted;
    for (char c : name)
        if (c != '\'' && c != '"' && c != '<' && c != '>' && c != '&' && c != ';')
            quoted += c;
    return "'" + quoted + "', " + (IsMonospaceFont(name) ? "monospace" : "sans-serif");
}

} // namespace velmora
