#include "graphics/printlayout.h"

#include "base/numeric.h"
#include "graphics/fontmetrics.h"
#include "graphics/grafctab.h"
#include "model/formula.h"

namespace velmora {

namespace {

constexpr int kTextTop = 100;     // top margin of a text printout
constexpr int kTextBottom = 200;  // room kept free above the bottom edge (the footer is there)

} // namespace

int PrintLeftMargin(const PrintTarget& printer) { return static_cast<int>(printer.PageWidth() * 0.09); }

void PrintFooter(PrintTarget& printer)
{
    printer.TextOut(printer.PageWidth() / 2, printer.PageHeight() - 130,
                    "- " + std::to_string(printer.PageNumber()) + " -", kPrintFont, kPrintFontSize);
}

int PrintTextWidth(const std::string& fontName, int fontSize, std::string_view text)
{
    // The metrics are for screen points: the same text measured in proportionally larger points.
    const Font font{fontName, static_cast<int>(Round(fontSize * static_cast<double>(kPrintResolution) / kScreenResolution))};
    return MeasureTextWidth(font, text);
}

std::string PrintFitMiddle(const std::string& text, int width, const std::string& fontName, int fontSize)
{
    if (PrintTextWidth(fontName, fontSize, text) <= width)
        return text;
    // Whole UTF-8 sequences are kept on both sides; the end (the file's name) gets the larger half.
    std::vector<std::size_t> starts;
    for (std::size_t i = 0; i < text.size(); ++i)
        if ((static_cast<unsigned char>(text[i]) & 0xC0) != 0x80)
            starts.push_back(i);
    const std::size_t count = starts.size();
    auto joined = [&](std::size_t keep) {
        const std::size_t head = keep / 2, tail = keep - head;
        const std::size_t tailStart = count - tail;
        return text.substr(0, head < count ? starts[head] : text.size()) + "..." +
               (tail == 0 ? std::string() : text.substr(starts[tailStart]));
    };
    std::size_t keep = count;
    while (keep > 0 && PrintTextWidth(fontName, fontSize, joined(keep)) > width)
        --keep;
    return joined(keep);
}

TCTab UprightCopy(const TCTab& structure)
{
    TGrafCtab copy;
    copy.Assign(structure);
    double minX, minY, maxX, maxY, meanX, meanY;
    copy.GetExtent(minX, minY, maxX, maxY, meanX, meanY);
    if (maxY - minY > maxX - minX)
        copy.SwapXY();
    return copy;
}

void PrintLibraryStructure(PrintTarget& printer, const TCTab& structure, const std::string& libraryName,
                           long position)
{
    const int x = PrintLeftMargin(printer);
    TGrafCtab picture;
    picture.Assign(UprightCopy(structure));
    const std::string& name = structure.FStrucName;

    printer.BeginDoc();
    printer.TextOut(x, 425, "Molecule:", kPrintFont, kPrintFontSize, FontStyle::Bold);
    printer.TextOut(x, 525, "Library         : " + libraryName, kPrintFont, kPrintFontSize);
    printer.TextOut(x, 575, "Library position: " + std::to_string(position), kPrintFont, kPrintFontSize);
    printer.TextOut(x, 650, "Structure name  : " + name.substr(0, 60), kPrintFont, kPrintFontSize);
    if (name.size() > 60)
        printer.TextOut(x + 500, 700, name.substr(60), kPrintFont, kPrintFontSize);
    printer.TextOut(x, 750, "Brutto formula: " + MolecularFormula(structure), kPrintFont, kPrintFontSize);
    printer.TextOut(x, 800, "CAS-Nr        : " + CASNumberShown(structure.FCASNr), kPrintFont, kPrintFontSize);
    picture.PrintStructure(printer, x + 280, 900, false, 3, 'x', 0.6);
    printer.EndDoc();
}

void PrintTextLines(PrintTarget& printer, const std::vector<PrintLine>& lines)
{
    printer.BeginDoc();
    const int bottom = printer.PageHeight() - kTextBottom;
    int y = kTextTop;
    bool pageStart = true;
    for (const auto& line : lines) {
        const int height = line.fontSize * 5;
        if (y + height > bottom && !pageStart) {
            PrintFooter(printer);
            printer.NewPage();
            y = kTextTop;
            pageStart = true;
        }
        if (pageStart && line.text.empty() && printer.PageNumber() > 1)
            continue;
        if (!line.text.empty())
            printer.TextOut(PrintLeftMargin(printer), y, line.text, kPrintFont, line.fontSize);
        pageStart = false;
        y += height;
    }
    if (printer.PageNumber() > 1)
        PrintFooter(printer);
    printer.EndDoc();
}

} // namespace velmora
