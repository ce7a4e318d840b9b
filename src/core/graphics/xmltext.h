#pragma once
// Text of structure names, CAS numbers and labels made safe for SVG and HTML. Names come from
// files: they may be UTF-8 or code page 437 (the system's own umlauts), and may hold markup
// characters or control bytes. Output is always well-formed UTF-8.
#include <string>
#include <string_view>

namespace velmora {

bool IsValidUtf8(std::string_view text);
// Code points of the text: UTF-8 when the whole text is valid UTF-8, else code page 437 byte by byte.
std::u32string DecodeText(std::string_view text);
// UTF-8 with & < > " ' written as character references; control characters other than tab are
// dropped (a line end inside an attribute would change its value).
std::string XmlEscape(std::string_view text);

} // namespace velmora
