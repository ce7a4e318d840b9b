#include "report/searchdiagram.h"

#include "search/coefficients.h"

#include <algorithm>
#include <cmath>

namespace velmora {

std::string AbscissaTitle(int coefficientIndex)
{
    return CoefficientName(coefficientIndex);
}

int DiagramDecimalPlaces(double rangeHiX)
{
    if (!(rangeHiX > 0))
        return 0; // nothing to resolve; the search found no spread at all
    for (int k = 0; k < 6; ++k)
        if (rangeHiX * std::pow(10.0, k + 1) > 50)
            return k;
    return 6;
}

Chart MakeDiagramChart()
{
    Chart chart;
    chart.SetFontName("Arial");
    chart.SetFontSize(8);
    chart.SetRims(48, 24, 16, 40);
    chart.SetIdAbscissa("Similarity");
    chart.SetIdOrdinate("Number of structures");
    return chart;
}

void FillSearchDiagram(Chart& chart, const SearchDiagramData& data)
{
    chart.SetIdAbscissa(AbscissaTitle(data.CoefficientIndex));
    const double maxValue = data.MaxValue;
    const std::int32_t largest = *std::max_element(data.Histogram.begin(), data.Histogram.end());
    const double classSpacing = maxValue / 19;
    const double halfWidth = 0.25 * classSpacing;
    const double tick = 0.05 * largest;
    chart.SetRangeHiX(maxValue + 2 * halfWidth);
    chart.SetRangeHiY(1.1 * largest);
    chart.SetDecPlaceX(DiagramDecimalPlaces(chart.RangeHiX()));
    chart.ClearItems();
    chart.SetCaption("");
    chart.SetScaleColor(kBlack);
    chart.SetDataColor(kSilver);
    for (int i = 0; i < kDiagramBins; ++i) {
        chart.SetDataColor(kSilver);
        chart.AddLine(i * classSpacing, -tick, i * classSpacing, tick);
        chart.SetDataColor(kAqua);
        chart.AddRectangle(i * classSpacing - halfWidth, 0, i * classSpacing + halfWidth, data.Histogram[i]);
    }
}

namespace {

// A bevelled frame: dark on the top and left edges and light on the others for a sunken look.
void Bevel(Canvas& canvas, int left, int top, int right, int bottom, bool sunken)
{
    const Color dark = Rgb(128, 128, 128), light = kWhite;
    canvas.SetPenColor(sunken ? dark : light);
    canvas.Line(left, bottom, left, top);
    canvas.Line(left, top, right, top);
    canvas.SetPenColor(sunken ? light : dark);
    canvas.Line(right, top, right, bottom);
    canvas.Line(right, bottom, left, bottom);
}

} // namespace

void DrawSearchDiagram(Canvas& canvas, const SearchDiagramData& data, int x, int y)
{
    const Pen savedPen = canvas.GetPen();
    const Brush savedBrush = canvas.GetBrush();
    const Font savedFont = canvas.GetFont();

    const Color face = Rgb(240, 240, 240);
    canvas.SetBrush(Brush{face, BrushStyle::Solid});
    canvas.FillRect(x, y, x + kDiagramWidth, y + kDiagramHeight);
    canvas.SetPen(Pen{});

    const int frameLeft = x + 8, frameTop = y + 8;
    const int chartLeft = frameLeft + 8, chartTop = frameTop + 8;
    Bevel(canvas, frameLeft, frameTop, chartLeft + kDiagramChartWidth + 8, chartTop + kDiagramChartHeight + 8,
          false);
    Chart chart = MakeDiagramChart();
    FillSearchDiagram(chart, data);
    chart.Render(canvas, chartLeft, chartTop, kDiagramChartWidth, kDiagramChartHeight);

    const int panelTop = chartTop + kDiagramChartHeight + 16;
    const int panelBottom = y + kDiagramHeight - 8;
    Bevel(canvas, frameLeft, panelTop, chartLeft + kDiagramChartWidth + 8, panelBottom, true);
    canvas.SetFont(Font{"Arial", 9, FontStyle::None, kBlack});
    canvas.SetBrushStyle(BrushStyle::Clear);
    const std::string caption = "  Calculationtime:";
    const int textTop = (panelTop + panelBottom) / 2 - canvas.TextHeight(caption) / 2;
    canvas.TextOut(frameLeft + 4, textTop, caption);
    canvas.TextOut(frameLeft + 12 + canvas.TextWidth(caption), textTop, data.TimeText);

    canvas.SetPen(savedPen);
    canvas.SetBrush(savedBrush);
    canvas.SetFont(savedFont);
}

} // namespace velmora
