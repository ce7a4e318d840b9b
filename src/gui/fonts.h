#pragma once
// The program's fonts are named as "Courier New" and "Arial"; Debian ships their metric twins.

namespace velmora::gui {

// Maps "Courier New" to Liberation Mono and "Arial" to Liberation Sans. Call once after the
// QApplication exists, before any window is built.
void InstallFontSubstitutions();

} // namespace velmora::gui
