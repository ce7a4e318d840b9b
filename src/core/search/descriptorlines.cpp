#include "search/descriptorlines.h"

namespace velmora {

std::vector<std::string> PackDescriptorLines(const std::vector<std::string>& names, std::size_t maxLines,
                                             std::size_t firstLimit, std::size_t otherLimit)
{
    std::vector<std::string> lines{""};
    if (maxLines == 0)
        maxLines = 1;
    bool dropped = false;
    for (const auto& name : names) {
        std::string& line = lines.back();
        const std::size_t limit = lines.size() == 1 ? firstLimit : otherLimit;
        if (line.empty()) {
            line = name;
        } else if (line.size() + name.size() < limit) {
            line += ",  " + name;
        } else if (lines.size() < maxLines) {
            lines.push_back(name);
        } else {
            dropped = true;
            break;
        }
    }
    if (dropped)
        lines.back() += "=>";
    return lines;
}

} // namespace velmora
