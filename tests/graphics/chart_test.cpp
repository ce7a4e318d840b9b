// The chart and the distribution diagram's content.
#include "graphics/chart.h"
#include "graphics/fontmetrics.h"
#include "graphics/recordingcanvas.h"
#include "report/searchdiagram.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

namespace velmora {
namespace {

SearchDiagramData Data(float maxValue, std::array<std::int32_t, kDiagramBins> histogram, int coefficient = 0)
{
    SearchDiagramData data;
    data.CoefficientIndex = coefficient;
    data.MaxValue = maxValue;
    data.Histogram = histogram;
    data.TimeText = "00:00:01:05";
    return data;
}

TEST(SearchDiagram, DecimalPlacesFollowTheAxisEnd)
{
    // 5.0: 50 is not more than 50; 1e-9: the chart's limit; 0 and -1: a search whose values are
    // all 0 must not loop for ever.
    for (const auto& [axisEnd, places] : std::vector<std::pair<double, int>>{
             {12, 0}, {5.01, 0}, {5.0, 1}, {2.1, 1}, {0.3, 2}, {1e-9, 6}, {0, 0}, {-1, 0}})
        EXPECT_EQ(DiagramDecimalPlaces(axisEnd), places) << axisEnd;

    Chart chart;
    chart.SetDecPlaceX(9);
    EXPECT_EQ(chart.DecPlaceX(), 6);
    chart.SetDecPlaceX(-5);
    EXPECT_EQ(chart.DecPlaceX(), -2);
}

TEST(SearchDiagram, TicksAndBarsAtClassPositions)
{
    std::array<std::int32_t, kDiagramBins> histogram{};
    for (int i = 0; i < kDiagramBins; ++i)
        histogram[i] = i * 3;
    histogram[7] = 100;
    Chart chart = MakeDiagramChart();
    FillSearchDiagram(chart, Data(1.9f, histogram, 3));

    EXPECT_EQ((std::vector<std::string>{chart.IdAbscissa(), chart.IdOrdinate(), chart.Caption()}),
              (std::vector<std::string>{"Tanimoto coefficient", "Number of structures", ""}));
    EXPECT_NEAR(chart.RangeHiX(), 1.95, 1e-6);
    EXPECT_DOUBLE_EQ(chart.RangeHiY(), 110.0);
    EXPECT_EQ(std::make_pair(chart.RangeLoX(), chart.DecPlaceX()), std::make_pair(0.0, 1));
    EXPECT_EQ(chart.ScaleColor(), kBlack);

    const auto& items = chart.Items();
    ASSERT_EQ(items.size(), 40u);
    for (int i = 0; i < kDiagramBins; ++i) {
        const ChartItem& tick = items[2 * i];
        const ChartItem& bar = items[2 * i + 1];
        const double position = 0.1 * i;
        EXPECT_TRUE(tick.kind == ChartItem::Kind::Line && tick.color == kSilver) << i;
        EXPECT_TRUE(bar.kind == ChartItem::Kind::Rectangle && bar.color == kAqua) << i;
        for (const auto& [value, expected] : std::vector<std::pair<double, double>>{
                 {tick.x1, position}, {tick.x2, position}, {tick.y1, -5}, {tick.y2, 5},
                 {bar.x1, position - 0.025}, {bar.x2, position + 0.025}, {bar.y1, 0}, {bar.y2, histogram[i]}})
            EXPECT_NEAR(value, expected, 1e-6) << i;
    }

    // Filling again (the window opened twice) gives the same items, not twice as many.
    FillSearchDiagram(chart, Data(1.9f, histogram, 3));
    EXPECT_EQ(chart.Items().size(), 40u);
}

TEST(ChartRender, OneFullBinReachesOneOverOnePointOneOfTheAxis)
{
    std::array<std::int32_t, kDiagramBins> histogram{};
    histogram[19] = 40;
    Chart chart = MakeDiagramChart();
    FillSearchDiagram(chart, Data(1.9f, histogram));
    RecordingCanvas canvas;
    canvas.SetPen(Pen{Rgb(9, 9, 9), 2, PenStyle::Dashed, PenMode::NotXor});
    const Font font = canvas.GetFont();
    chart.Render(canvas, 0, 0, kDiagramChartWidth, kDiagramChartHeight);
    const Chart::PlotArea plot = chart.Plot(0, 0, kDiagramChartWidth, kDiagramChartHeight);
    EXPECT_EQ(plot.bottom, kDiagramChartHeight - 40); // bottom rim 40
    const double height = plot.bottom - plot.top;

    std::vector<DrawCall> bars;
    for (const auto& call : canvas.Rects())
        if (call.color == kAqua)
            bars.push_back(call);
    ASSERT_EQ(bars.size(), 1u); // empty bins draw nothing
    EXPECT_EQ(bars[0].y2, plot.bottom);
    EXPECT_NEAR(bars[0].y1, plot.bottom - height / 1.1, 1.0);
    // Centred on the last class position, half a class spacing wide.
    const double width = plot.right - plot.left;
    EXPECT_NEAR((bars[0].x1 + bars[0].x2) / 2.0, plot.left + width * 1.9 / 1.95, 1.0);
    EXPECT_NEAR(bars[0].x2 - bars[0].x1, width * 0.05 / 1.95, 1.0);

    // The silver ticks cross the axis by 5 % of the largest count above and below.
    std::vector<DrawCall> ticks;
    for (const auto& call : canvas.Lines())
        if (call.pen.color == kSilver)
            ticks.push_back(call);
    ASSERT_EQ(ticks.size(), 20u);
    for (const auto& tick : ticks) {
        EXPECT_EQ(tick.x1, tick.x2);
        EXPECT_NEAR(tick.y1 - plot.bottom, height * 0.05 / 1.1, 1.0);
        EXPECT_NEAR(plot.bottom - tick.y2, height * 0.05 / 1.1, 1.0);
    }

    // Axes and labels in the scale colour; x labels with one decimal, all inside the chart.
    bool xAxis = false;
    for (const auto& call : canvas.Lines())
        xAxis = xAxis || (call.y1 == plot.bottom && call.y2 == plot.bottom && call.x1 == plot.left &&
                          call.x2 == plot.right && call.pen.color == kBlack);
    EXPECT_TRUE(xAxis);
    int xLabels = 0;
    for (const auto& text : canvas.Texts()) {
        EXPECT_EQ(text.font.name, "Arial");
        EXPECT_GE(text.x1, 0);
        EXPECT_LE(text.x1 + MeasureTextWidth(text.font, text.text), kDiagramChartWidth) << text.text;
        EXPECT_LE(text.y1 + MeasureFont(text.font).Height(), kDiagramChartHeight) << text.text;
        if (text.y1 > plot.bottom && text.text != "Euclidean distance") {
            ++xLabels;
            const auto dot = text.text.find('.');
            ASSERT_NE(dot, std::string::npos) << text.text;
            EXPECT_EQ(text.text.size() - dot - 1, 1u) << text.text;
        }
    }
    EXPECT_GE(xLabels, 3);

    // The canvas state is what it was.
    EXPECT_EQ(canvas.GetPen(), (Pen{Rgb(9, 9, 9), 2, PenStyle::Dashed, PenMode::NotXor}));
    EXPECT_EQ(canvas.GetFont(), font);
}

TEST(ChartRender, EmptySearchShowsAxesWithoutBars)
{
    // No values at all: MaxValue 0 and every bin 0 give empty ranges on both axes.
    Chart chart = MakeDiagramChart();
    FillSearchDiagram(chart, Data(0.0f, {}));
    EXPECT_EQ(chart.RangeHiX(), 0);
    EXPECT_EQ(chart.RangeHiY(), 0);
    RecordingCanvas canvas;
    chart.Render(canvas, 0, 0, kDiagramChartWidth, kDiagramChartHeight);
    for (const auto& call : canvas.Rects())
        EXPECT_NE(call.color, kAqua);
    for (const auto& call : canvas.Lines()) {
        EXPECT_GE(std::min(call.x1, call.x2), 0);
        EXPECT_LE(std::max(call.y1, call.y2), kDiagramChartHeight);
    }
    EXPECT_FALSE(canvas.Texts().empty());
}

TEST(ChartRender, AxisLabelTexts)
{
    EXPECT_EQ(AxisLabelText(1.5, 1), "1.5");
    EXPECT_EQ(AxisLabelText(2, 0), "2");
    EXPECT_EQ(AxisLabelText(1234, -2), "1200");
    EXPECT_EQ(AxisLabelText(-0.001, 2), "0.00");
    EXPECT_EQ(AxisLabelText(0.25, 3), "0.250");
}

TEST(SearchDiagramPicture, ShowsChartAndCalculationTime)
{
    std::array<std::int32_t, kDiagramBins> histogram{};
    histogram[3] = 12;
    RecordingCanvas canvas;
    DrawSearchDiagram(canvas, Data(12.0f, histogram, 2), 0, 0);
    std::vector<std::string> texts;
    for (const auto& call : canvas.Texts())
        texts.push_back(call.text);
    for (const char* text : {"  Calculationtime:", "00:00:01:05", "Manhattan distance"})
        EXPECT_NE(std::find(texts.begin(), texts.end(), text), texts.end()) << text;
    for (const auto& call : canvas.Calls()) {
        EXPECT_GE(call.x1, 0);
        EXPECT_LE(call.kind == DrawCall::Kind::FillRect ? call.y2 : call.y1, kDiagramHeight);
    }
}

} // namespace
} // namespace velmora
