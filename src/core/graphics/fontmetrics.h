#pragma once
// Built-in font metrics, so that text extents do not depend on the fonts of the machine that draws.
// "Courier New" and "Arial" are measured as Liberation Mono and Liberation Sans, which share their
// advance widths; any other name is measured as Liberation Sans. Sizes are in points at 96 pixels
// per inch.
#include "graphics/canvas.h"

#include <string>
#include <string_view>

namespace velmora {

struct FontBox {
    int emPixels = 0; // font size in pixels
    int ascent = 0;   // baseline below the top of the text box
    int descent = 0;
    int Height() const { return ascent + descent; }
};

bool IsMonospaceFont(const std::string& name);
FontBox MeasureFont(const Font& font);
// Advance width in pixels; a UTF-8 sequence counts as one character, an invalid byte as one.
int MeasureTextWidth(const Font& font, std::string_view text);
// The family list an SVG or HTML consumer should use: the name, its metric twin, the generic family.
std::string FontFamilyList(const std::string& name);

} // namespace velmora
