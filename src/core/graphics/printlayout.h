#pragma once
// Pieces shared by the printed pages, and the printout of one library structure. Positions are
// printer pixels from the top left of the printable page, laid out for 300 dpi.
#include "graphics/printtarget.h"
#include "model/ctab.h"

#include <string>
#include <string_view>
#include <vector>

namespace velmora {

inline constexpr const char* kPrintFont = "Courier New";
inline constexpr int kPrintFontSize = 11;

// Left margin: 9 % of the page width, truncated.
int PrintLeftMargin(const PrintTarget& printer);
// "- n -" with the current page number, starting at the middle of the page, 130 pixels above its
// bottom edge.
void PrintFooter(PrintTarget& printer);

// Width in printer pixels of text printed in the font at the size in points.
int PrintTextWidth(const std::string& fontName, int fontSize, std::string_view text);
// text cut in the middle, with "..." where characters were taken out, so that it is at most
// width printer pixels wide in the font; whole when it fits.
std::string PrintFitMiddle(const std::string& text, int width, const std::string& fontName, int fontSize);

// A copy of structure turned for print: x and y exchanged when it is taller than wide. The
// caller's structure is never changed, so a failed print cannot leave it transposed.
TCTab UprightCopy(const TCTab& structure);

// One library structure on a page of its own (a whole print job): the bold heading "Molecule:",
// library name, position, name (a name of 60 characters or more goes on in a second line), molecular
// formula, CAS number, and the drawing below.
void PrintLibraryStructure(PrintTarget& printer, const TCTab& structure, const std::string& libraryName,
                           long position);

struct PrintLine {
    std::string text;
    int fontSize = 10; // points, "Courier New"
};
// Lines of text from the top of the page down, each as high as its font size in points x 5
// pixels (1.2 line spacing at 300 dpi). A line that would reach into the bottom margin starts a
// new page, where blank lines are left out at the top. A printout of more than one page gets
// the footer on every page. A whole print job.
void PrintTextLines(PrintTarget& printer, const std::vector<PrintLine>& lines);

} // namespace velmora
