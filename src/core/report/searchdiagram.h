#pragma once
// The distribution diagram of a search: a bar chart of the 20 bins of the similarity histogram,
// with the calculation time beside it. The window only shows what FillSearchDiagram puts into its
// chart; DrawSearchDiagram draws the same content (without the window's button) for reports.
#include "graphics/canvas.h"
#include "graphics/chart.h"

#include <array>
#include <cstdint>
#include <string>

namespace velmora {

constexpr int kDiagramBins = 20;

// What a finished search hands to the diagram.
struct SearchDiagramData {
    int CoefficientIndex = 0; // 0..4
    float MaxValue = 0.0f;    // largest similarity value found
    // Bin i counts the values v with Trunc(19 * v / MaxValue) = i.
    std::array<std::int32_t, kDiagramBins> Histogram{};
    std::string TimeText; // elapsed time of the search, as the workbench writes it
};

// "Euclidean distance", "Average distance", "Manhattan distance", "Tanimoto coefficient",
// "Correlation coefficient"; "" for an index outside 0..4.
std::string AbscissaTitle(int coefficientIndex);
// The smallest k >= 0 with rangeHiX * 10^(k+1) > 50, at most 6 (the chart's limit); 0 for a range
// that is not positive.
int DiagramDecimalPlaces(double rangeHiX);

// The chart of the diagram window with its design values: font Arial, bottom rim 40, no grid,
// abscissa "Similarity", ordinate "Number of structures".
Chart MakeDiagramChart();
// Sets titles, ranges, decimal places and colours and replaces the items by one silver tick and
// one aqua bar per bin.
void FillSearchDiagram(Chart& chart, const SearchDiagramData& data);

constexpr int kDiagramChartWidth = 393;
constexpr int kDiagramChartHeight = 233;
constexpr int kDiagramWidth = 426;
constexpr int kDiagramHeight = 296;
// The diagram's content at (x, y): the framed chart and the sunken "  Calculationtime:" panel.
void DrawSearchDiagram(Canvas& canvas, const SearchDiagramData& data, int x, int y);

} // namespace velmora
