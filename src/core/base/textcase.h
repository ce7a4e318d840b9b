#pragma once
// Case switching of a one-line text, as the text dialog's "SwCase" button does it.
#include <string>

namespace velmora {

// The first letter decides: when it is upper case the whole text goes to lower case, otherwise to
// upper case; a text without letters comes back unchanged. Text is UTF-8: ASCII letters and the
// accented Latin-1 letters (U+00C0..U+00FE) change case, every other character stays as it is.
std::string SwCase(const std::string& text);

} // namespace velmora
