#include "report/reportprint.h"

#include "search/descriptorlines.h"

#include "base/fitlabel.h"
#include "base/numtext.h"
#include "graphics/grafctab.h"
#include "graphics/printlayout.h"
#include "search/coefficients.h"

#include <algorithm>
#include <array>

namespace velmora {

namespace {


void Text(PrintTarget& printer, int x, int y, const std::string& text, FontStyle style = FontStyle::None)
{
    printer.TextOut(x, y, text, kPrintFont, kPrintFontSize, style);
}

std::string TrimLeft(const std::string& text)
{
    const auto first = text.find_first_not_of(' ');
    return first == std::string::npos ? std::string() : text.substr(first);
}

std::string Trim(const std::string& text)
{
    std::string trimmed = TrimLeft(text);
    trimmed.erase(trimmed.find_last_not_of(' ') + 1);
    return trimmed;
}

// The table heading, its dashed line and the empty column line, below yo.
void TableHeading(PrintTarget& printer, int x, int yo, int coefficient)
{
    Text(printer, x, yo + 240, "Position  | " + PrintedCoefficientName(coefficient) + "  |    CASNr   |   Structure Name");
    Text(printer, x, yo + 300, "----------+------------+------------+----------------------------------");
    Text(printer, x, yo + 360, "          |            |            |");
}

// The texts beside each printed drawing: Arial 8 point, a line of 40 printer pixels.
constexpr const char* kCellFont = "Arial";
constexpr int kCellFontSize = 8;
constexpr int kCellLine = 40;
// Rank and position, then the name, under a drawing.
constexpr int kCaptionHeight = kCellLine / 4 + 2 * kCellLine;

// The name cut with "=>" to the cell's width (the "=>" included).
std::string CellName(const std::string& name, int width)
{
    const auto measure = [](std::string_view text) { return PrintTextWidth(kCellFont, kCellFontSize, text); };
    std::string fitted = FitLabel(name, width, measure);
    for (int room = width; room > 0 && measure(fitted) > width; room -= 10)
        fitted = FitLabel(name, room, measure);
    return fitted;
}

std::string DrawingCaption(const ReportRow& row)
{
    return "Rank " + std::to_string(row.rank) + "   Position " + std::to_string(row.libraryPosition);
}

std::string TableRow(const ReportRow* row)
{
    const std::string position = row ? std::to_string(row->libraryPosition) : "";
    bool cut = false;
    std::string name = PadText(row ? row->name : "", 33, TextAlign::Left, &cut);
    if (cut)
        name += " =>";
    return PadText(position, 8, TextAlign::Right) + "  |" + PadText(row ? row->value : "", 10, TextAlign::Right) +
           "  |" + PadText(row ? row->casNumber : "", 11, TextAlign::Right) + " |  " + name;
}

void PrintTable(PrintTarget& printer, const ReportPrintData& data, int x, int yo)
{
    TableHeading(printer, x, yo, data.coefficient);
    const int last = data.tableRows - 1;
    for (int k = 1; k <= last; ++k) {
        const ReportRow* row = k <= static_cast<int>(data.rows.size()) ? &data.rows[static_cast<std::size_t>(k - 1)] : nullptr;
        const int y = yo + 360 + 60 * k;
        Text(printer, x, y, TableRow(row));
        // A new page only when rows follow, so no page holds nothing but the heading.
        if (y > printer.PageHeight() - 300 && k < last) {
            PrintFooter(printer);
            printer.NewPage();
            TableHeading(printer, x, 10, data.coefficient);
            yo = 10 - 60 * k;
        }
    }
}

void PrintDrawings(PrintTarget& printer, const ReportPrintData& data, int x, int yo)
{
    const int width = printer.PageWidth();
    int y = yo + 50;
    for (int r = 1; r <= 3; ++r) {
        const int firstRank = 4 * (r - 1) + 1;
        if (firstRank > data.bestCount)
            break;
        // The row with the captions under its drawings must end above the footer.
        if (width * 0.18 + y + 200 + kCaptionHeight > printer.PageHeight() - 80) {
            PrintFooter(printer);
            printer.NewPage();
            Text(printer, x, 425, "OUTPUT:", FontStyle::Bold);
            Text(printer, x, 505, "Calculated structures");
            y = 600;
        }
        int lowest = y + 200;
        for (int c = 1; c <= 4; ++c) {
            const int rank = firstRank + c - 1;
            if (rank > data.bestCount)
                break;
            const int cellX = static_cast<int>(width * 0.2 * c) - x;
            const ReportRow* row = rank <= static_cast<int>(data.rows.size()) ? &data.rows[static_cast<std::size_t>(rank - 1)] : nullptr;
            TCTab structure;
            const bool read = row && data.readResult && data.readResult(rank, structure);
            if (row)
                printer.TextOut(cellX, y + 100, TrimLeft(row->value), kCellFont, kCellFontSize);
            int bottom = y + 200;
            if (read) {
                printer.TextOut(cellX, y + 150, CASNumberShown(structure.FCASNr), kCellFont, kCellFontSize);
                TGrafCtab picture;
                picture.Assign(UprightCopy(structure));
                bottom = picture.PrintStructure(printer, cellX, y + 200, false, 3, 'x', 0.18);
            }
            // Under the drawing what tells it apart: rank, library position and name.
            if (row) {
                const int cellWidth = static_cast<int>(width * 0.18);
                printer.TextOut(cellX, bottom + kCellLine / 4, DrawingCaption(*row), kCellFont, kCellFontSize);
                const std::string name = Trim(row->name);
                if (!name.empty())
                    printer.TextOut(cellX, bottom + kCellLine / 4 + kCellLine, CellName(name, cellWidth), kCellFont,
                                    kCellFontSize);
                bottom += kCaptionHeight;
            }
            lowest = std::max(lowest, bottom);
        }
        y = lowest - 85;
    }
}

} // namespace

const std::string& PrintedCoefficientName(int index)
{
    return CoefficientText(&CoefficientRow::printedName, std::clamp(index, 0, kCoefficientCount - 1));
}

std::vector<std::string> PrintDescriptorLines(const std::vector<std::string>& names)
{
    return PackDescriptorLines(names, kPrintDescriptorLines, kPrintFirstDescriptorLimit, kPrintDescriptorLimit);
}

ReportPrintData MakeReportPrintData(Workbench& workbench)
{
    ReportPrintData data;
    const SearchState& state = workbench.State();
    data.query = state.Query;
    data.libraryFileName = workbench.LibraryPath();
    data.coefficient = workbench.ResultCoefficient();
    data.bestCount = workbench.ResultBestCount(); // the field may have changed since the search
    data.descriptorNames = workbench.Selection().ChosenNames();
    data.rows = workbench.ReportRows();
    data.tableRows = data.bestCount > 9 ? data.bestCount + 1 : 10;
    for (const auto& [label, value] : workbench.LastFilterSummary().ReportLines()) {
        const auto end = label.find_last_not_of(" :");
        data.filterLines.push_back(label.empty() ? "    " + value : label.substr(0, end + 1) + ": " + value);
    }
    data.readResult = [&workbench](int rank, TCTab& structure) {
        if (workbench.ReadResultStructure(rank).read != kLibOk)
            return false;
        structure = workbench.Library().Structure();
        return true;
    };
    return data;
}

void PrintSearchReport(PrintTarget& printer, const ReportPrintData& data, ReportStyle style)
{
    const int d = style == ReportStyle::Drawing ? 90 : 0;
    const int x = PrintLeftMargin(printer);
    const std::vector<std::string> lines = PrintDescriptorLines(data.descriptorNames);

    TGrafCtab query;
    query.Assign(UprightCopy(data.query));
    double minX, minY, maxX, maxY, meanX, meanY;
    query.GetExtent(minX, minY, maxX, maxY, meanX, meanY);
    const double ratio = maxY > minY ? (maxX - minX) / (maxY - minY) : 4.0;

    printer.BeginDoc();
    Text(printer, x, 425 - d, "INPUT:", FontStyle::Bold);
    bool cut = false;
    const std::string name = Trim(data.query.FStrucName);
    Text(printer, x, 525 - d, "My structure: " + PadText(name, 60, TextAlign::Left, &cut));
    if (cut)
        Text(printer, x + 500, 585 - d, name.substr(60));
    const int y0 = ratio < 4 ? query.PrintStructure(printer, x + 280, 635 - d, false, 3, 'y', 0.13)
                             : query.PrintStructure(printer, x + 280, 635 - d, false, 3, 'x', 0.6);
    // A long path is shortened in the middle, so that the file's own name stays on the page.
    const int room = printer.PageWidth() - 2 * x - PrintTextWidth(kPrintFont, kPrintFontSize, "Library: ");
    Text(printer, x, y0 + 40, "Library: " + PrintFitMiddle(data.libraryFileName, room, kPrintFont, kPrintFontSize));
    Text(printer, x, y0 + 100, "Similarity coefficient : " + CoefficientName(data.coefficient));
    Text(printer, x, y0 + 160, "Number of best matching: " + std::to_string(data.bestCount));
    Text(printer, x, y0 + 220, "Structural descriptors : " + lines[0]);
    for (std::size_t j = 2; j <= lines.size(); ++j)
        Text(printer, x + 250, y0 + 160 + 60 * static_cast<int>(j), lines[j - 1]);
    const int yf = y0 + 60 * static_cast<int>(lines.size()) + 220;
    for (std::size_t j = 0; j < data.filterLines.size(); ++j)
        Text(printer, x, yf + 60 * static_cast<int>(j), data.filterLines[j]);
    const int yo = y0 + 60 * static_cast<int>(lines.size() + data.filterLines.size()) + 260;
    Text(printer, x, yo, "OUTPUT:", FontStyle::Bold);
    Text(printer, x, yo + 80, "Calculated structures");

    if (style == ReportStyle::Table)
        PrintTable(printer, data, x, yo);
    else
        PrintDrawings(printer, data, x, yo);
    if (printer.PageNumber() > 1)
        PrintFooter(printer);
    printer.EndDoc();
}

} // namespace velmora
