#pragma once
// A text put into a label of fixed width: characters are taken one at a time while the text fits;
// at the first that makes it wider, the last three characters taken are replaced by "=>" (and more
// of them while "=>" would not fit whole, as in a proportional font). An empty text is one blank,
// so the label keeps its height.
#include <functional>
#include <string>
#include <string_view>

namespace velmora {

// width is the label's width; measure gives a UTF-8 text's width in the label's font (same unit).
// Characters are whole UTF-8 sequences.
std::string FitLabel(const std::string& text, int width, const std::function<int(std::string_view)>& measure);

} // namespace velmora
