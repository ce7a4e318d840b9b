#pragma once
// Structure names in library records: upper-case letters with the 128 name words replaced by
// one byte each (codes 128..255).
#include <string>

namespace velmora {

// a..z to A..Z, then each name word (in code order) replaced wherever it occurs.
std::string CompressName(const std::string& text);
// Every byte of code 128 or more replaced by its word.
std::string ExpandName(const std::string& text);
// The word of code 128..255.
const char* NameWord(int code);

} // namespace velmora
