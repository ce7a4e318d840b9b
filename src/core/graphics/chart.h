#pragma once
// A general-purpose x-y chart: linear axes with numeric labels and titles, and a list of drawing
// items (lines and filled rectangles) in data coordinates, rendered onto any canvas.
#include "graphics/canvas.h"

#include <string>
#include <vector>

namespace velmora {

struct ChartItem {
    enum class Kind { Line, Rectangle };
    Kind kind = Kind::Line;
    double x1 = 0, y1 = 0, x2 = 0, y2 = 0;
    Color color = kBlack;
};

class Chart {
public:
    // The pixel rectangle of the plot inside a rendered area: the axes run along its left and
    // bottom edges.
    struct PlotArea {
        int left = 0, top = 0, right = 0, bottom = 0;
    };

    const std::string& IdAbscissa() const { return m_idAbscissa; }
    void SetIdAbscissa(std::string title) { m_idAbscissa = std::move(title); }
    const std::string& IdOrdinate() const { return m_idOrdinate; }
    void SetIdOrdinate(std::string title) { m_idOrdinate = std::move(title); }
    const std::string& Caption() const { return m_caption; }
    void SetCaption(std::string caption) { m_caption = std::move(caption); }

    double RangeLoX() const { return m_rangeLoX; }
    double RangeHiX() const { return m_rangeHiX; }
    double RangeHiY() const { return m_rangeHiY; }
    void SetRangeLoX(double v) { m_rangeLoX = v; }
    void SetRangeHiX(double v) { m_rangeHiX = v; }
    void SetRangeLoY(double v) { m_rangeLoY = v; }
    void SetRangeHiY(double v) { m_rangeHiY = v; }

    // Decimal places of the axis labels, limited to -2..6; a negative count rounds the labels to
    // tens (-1) or hundreds (-2).
    int DecPlaceX() const { return m_decPlaceX; }
    void SetDecPlaceX(int places);
    void SetDecPlaceY(int places);

    Color ScaleColor() const { return m_scaleColor; }
    void SetScaleColor(Color c) { m_scaleColor = c; }
    // Colour of the items added from now on.
    void SetDataColor(Color c) { m_dataColor = c; }
    void SetChartColor(Color c) { m_chartColor = c; }

    void SetFontName(std::string name) { m_fontName = std::move(name); }
    void SetFontSize(int points) { m_fontSize = points; }

    // Space in pixels between the area's edges and the plot: labels and titles live there.
    void SetRims(int left, int top, int right, int bottom);

    void ClearItems() { m_items.clear(); }
    void AddLine(double x1, double y1, double x2, double y2);
    void AddRectangle(double x1, double y1, double x2, double y2);
    const std::vector<ChartItem>& Items() const { return m_items; }

    PlotArea Plot(int left, int top, int width, int height) const;
    // Pixel of a data value in a plot. An empty or reversed range is shown as lo..lo + 1.
    int PixelX(const PlotArea& plot, double x) const;
    int PixelY(const PlotArea& plot, double y) const;

    // Draws background, items, axes, tick labels, titles and caption into the area. The canvas
    // state is restored afterwards.
    void Render(Canvas& canvas, int left, int top, int width, int height) const;

private:
    std::string m_idAbscissa;
    std::string m_idOrdinate;
    std::string m_caption;
    double m_rangeLoX = 0, m_rangeHiX = 1, m_rangeLoY = 0, m_rangeHiY = 1;
    int m_decPlaceX = 0, m_decPlaceY = 0;
    Color m_scaleColor = kBlack;
    Color m_dataColor = kBlack;
    Color m_chartColor = kWhite;
    std::string m_fontName = "Arial";
    int m_fontSize = 8;
    int m_leftRim = 48, m_topRim = 24, m_rightRim = 16, m_bottomRim = 40;
    std::vector<ChartItem> m_items;
};

// Text of an axis label: fixed with decPlaces decimals, or rounded to 10^-decPlaces when negative.
std::string AxisLabelText(double value, int decPlaces);

} // namespace velmora
