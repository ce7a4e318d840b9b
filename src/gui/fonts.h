#pragma once
// The program's fonts are named as "Courier New" and "Arial"; Debian ships their metric twins.
#include <QFont>

namespace velmora::gui {

// Maps "Courier New" to Liberation Mono and "Arial" to Liberation Sans. Call once after the
// QApplication exists, before any window is built.
void InstallFontSubstitutions();

// "Courier New" for columns that line up by character (captions padded with blanks, counts).
QFont FixedFont();

} // namespace velmora::gui
