#pragma once
// Where the program keeps the user's own files (the descriptor sets, the editor's scratch file).
#include <string>

namespace velmora {

// The start folder when it is a writable folder; otherwise $XDG_DATA_HOME/velmora (by default
// ~/.local/share/velmora), created when missing. A desktop launcher may start the program in "/".
std::string UserDataDirectory(const std::string& startFolder);

} // namespace velmora
