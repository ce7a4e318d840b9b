#pragma once
// The chosen descriptors' names packed into the few lines a report has room for.
#include <cstddef>
#include <string>
#include <vector>

namespace velmora {

// Packs names, in order, into at most maxLines lines (always at least one, possibly empty). A name
// starts the current line when it is empty, or joins it after ",  " while the line's length plus
// the name's length stays below the line's limit (firstLimit for line 1, otherLimit for the
// others); otherwise it starts the next line. Names that find no line are dropped and "=>" is
// appended to the last line.
std::vector<std::string> PackDescriptorLines(const std::vector<std::string>& names, std::size_t maxLines,
                                             std::size_t firstLimit, std::size_t otherLimit);

// The screen report: 4 lines below 58 characters each.
constexpr std::size_t kScreenDescriptorLines = 4;
constexpr std::size_t kScreenDescriptorLimit = 58;
// The printed report: 15 lines, the first below 47 characters, the others below 63.
constexpr std::size_t kPrintDescriptorLines = 15;
constexpr std::size_t kPrintFirstDescriptorLimit = 47;
constexpr std::size_t kPrintDescriptorLimit = 63;

} // namespace velmora
