#pragma once
// Writing a picture or report so that it appears whole or not at all: the text goes to
// PATH.part first and is renamed over PATH once it is complete.
#include <string>

namespace velmora {

// Throws IoError naming path when the file cannot be written; no partial file is left.
void WriteWholeFile(const std::string& path, const std::string& text);

} // namespace velmora
