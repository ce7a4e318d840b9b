#include "base/fitlabel.h"

#include <vector>

namespace velmora {

std::string FitLabel(const std::string& text, int width, const std::function<int(std::string_view)>& measure)
{
    if (text.empty())
        return " ";
    // Byte offsets where each character ends.
    std::vector<std::size_t> ends;
    for (std::size_t i = 0; i < text.size();) {
        std::size_t next = i + 1;
        const auto lead = static_cast<unsigned char>(text[i]);
        if (lead >= 0xC0) {
            const std::size_t length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : 2;
            next = i + 1;
            while (next < text.size() && next < i + length && (static_cast<unsigned char>(text[next]) & 0xC0) == 0x80)
                ++next;
        }
        ends.push_back(next);
        i = next;
    }
    for (std::size_t count = 1; count <= ends.size(); ++count) {
        if (measure(std::string_view(text).substr(0, ends[count - 1])) > width) {
            std::size_t kept = count > 3 ? count - 3 : 0;
            // "=>" may be wider than the two characters it stands for (narrow ones such as "il"):
            // fewer are kept until it fits, so it is never cut off itself.
            auto shown = [&] { return text.substr(0, kept == 0 ? 0 : ends[kept - 1]) + "=>"; };
            while (kept > 0 && measure(shown()) > width)
                --kept;
            return shown();
        }
    }
    return text;
}

} // namespace velmora
