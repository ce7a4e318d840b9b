#include "graphics/chart.h"

#include "base/numeric.h"
#include "base/numtext.h"

#include <algorithm>
#include <cmath>

namespace velmora {

namespace {

struct Span {
    double lo, hi;
};

Span Usable(double lo, double hi)
{
    if (!std::isfinite(lo))
        lo = 0;
    if (!(hi > lo) || !std::isfinite(hi))
        hi = lo + 1;
    return {lo, hi};
}

int PinnedPixel(double value)
{
    if (std::isnan(value))
        return 0;
    return static_cast<int>(Round(std::clamp(value, -1.0e6, 1.0e6)));
}

// A step of 1, 2 or 5 times a power of ten that gives at most maxTicks intervals and is not finer
// than the labels' decimal places can show.
double TickStep(double range, int maxTicks, int decPlaces)
{
    double raw = range / std::max(maxTicks, 1);
    raw = std::max(raw, std::pow(10.0, -decPlaces));
    const double magnitude = std::pow(10.0, std::floor(std::log10(raw)));
    for (double m : {1.0, 2.0, 5.0, 10.0})
        if (m * magnitude >= raw * (1 - 1e-9))
            return m * magnitude;
    return 10 * magnitude;
}

std::vector<double> TickValues(Span span, double step)
{
    std::vector<double> values;
    const double first = std::ceil(span.lo / step - 1e-9);
    for (double k = first; k * step <= span.hi + step * 1e-9 && values.size() < 200; k += 1)
        values.push_back(k * step == 0 ? 0.0 : k * step);
    return values;
}

} // namespace

std::string AxisLabelText(double value, int decPlaces)
{
    if (decPlaces < 0) {
        const double unit = std::pow(10.0, -decPlaces);
        value = static_cast<double>(Round(value / unit)) * unit;
        decPlaces = 0;
    }
    const double unit = std::pow(10.0, -decPlaces);
    if (std::fabs(value) < unit / 2)
        value = 0; // no "-0.0"
    return FormatFixed(value, decPlaces);
}

void Chart::SetDecPlaceX(int places) { m_decPlaceX = std::clamp(places, -2, 6); }
void Chart::SetDecPlaceY(int places) { m_decPlaceY = std::clamp(places, -2, 6); }

void Chart::SetRims(int left, int top, int right, int bottom)
{
    m_leftRim = left, m_topRim = top, m_rightRim = right, m_bottomRim = bottom;
}

void Chart::AddLine(double x1, double y1, double x2, double y2)
{
    m_items.push_back({ChartItem::Kind::Line, x1, y1, x2, y2, m_dataColor});
}

void Chart::AddRectangle(double x1, double y1, double x2, double y2)
{
    m_items.push_back({ChartItem::Kind::Rectangle, x1, y1, x2, y2, m_dataColor});
}

Chart::PlotArea Chart::Plot(int left, int top, int width, int height) const
{
    PlotArea plot{left + m_leftRim, top + m_topRim, left + width - m_rightRim, top + height - m_bottomRim};
    plot.right = std::max(plot.right, plot.left + 1);
    plot.bottom = std::max(plot.bottom, plot.top + 1);
    return plot;
}

int Chart::PixelX(const PlotArea& plot, double x) const
{
    const Span span = Usable(m_rangeLoX, m_rangeHiX);
    return PinnedPixel(plot.left + (x - span.lo) / (span.hi - span.lo) * (plot.right - plot.left));
}

int Chart::PixelY(const PlotArea& plot, double y) const
{
    const Span span = Usable(m_rangeLoY, m_rangeHiY);
    return PinnedPixel(plot.bottom - (y - span.lo) / (span.hi - span.lo) * (plot.bottom - plot.top));
}

void Chart::Render(Canvas& canvas, int left, int top, int width, int height) const
{
    const Pen savedPen = canvas.GetPen();
    const Brush savedBrush = canvas.GetBrush();
    const Font savedFont = canvas.GetFont();

    canvas.SetPen(Pen{});
    canvas.SetBrush(Brush{m_chartColor, BrushStyle::Solid});
    canvas.FillRect(left, top, left + width, top + height);
    const PlotArea plot = Plot(left, top, width, height);

    // Items first, so that the axes stay visible over bars that stand on them.
    int below = 0; // how far items reach below the x axis, to keep the labels clear of them
    for (const ChartItem& item : m_items) {
        const int x1 = PixelX(plot, item.x1), y1 = PixelY(plot, item.y1);
        const int x2 = PixelX(plot, item.x2), y2 = PixelY(plot, item.y2);
        below = std::max({below, y1 - plot.bottom, y2 - plot.bottom});
        if (item.kind == ChartItem::Kind::Line) {
            canvas.SetPenColor(item.color);
            canvas.Line(x1, y1, x2, y2);
        } else if (y1 != y2) { // a rectangle without height (an empty bin) shows nothing
            canvas.SetBrushColor(item.color);
            const int l = std::min(x1, x2), r = std::max({x1, x2, l + 1});
            canvas.FillRect(l, std::min(y1, y2), r, std::max(y1, y2));
        }
    }
    below = std::min(below, 8);

    canvas.SetPen(Pen{m_scaleColor, 1, PenStyle::Solid, PenMode::Copy});
    canvas.SetBrush(Brush{m_chartColor, BrushStyle::Clear});
    canvas.SetFont(Font{m_fontName, m_fontSize, FontStyle::None, m_scaleColor});
    canvas.Line(plot.left, plot.bottom, plot.right, plot.bottom);
    canvas.Line(plot.left, plot.bottom, plot.left, plot.top);

    const int textHeight = canvas.TextHeight("0");
    const Span spanX = Usable(m_rangeLoX, m_rangeHiX);
    const int labelWidth = std::max(canvas.TextWidth(AxisLabelText(spanX.hi, m_decPlaceX)),
                                    canvas.TextWidth(AxisLabelText(spanX.lo, m_decPlaceX)));
    const double stepX = TickStep(spanX.hi - spanX.lo, (plot.right - plot.left) / (labelWidth + 16), m_decPlaceX);
    const int labelTop = plot.bottom + 5 + below;
    for (double v : TickValues(spanX, stepX)) {
        const int x = PixelX(plot, v);
        canvas.Line(x, plot.bottom, x, plot.bottom + 4);
        const std::string text = AxisLabelText(v, m_decPlaceX);
        canvas.TextOut(x - canvas.TextWidth(text) / 2, labelTop, text);
    }

    const Span spanY = Usable(m_rangeLoY, m_rangeHiY);
    const double stepY = TickStep(spanY.hi - spanY.lo, (plot.bottom - plot.top) / (2 * textHeight), m_decPlaceY);
    for (double v : TickValues(spanY, stepY)) {
        const int y = PixelY(plot, v);
        canvas.Line(plot.left - 4, y, plot.left, y);
        const std::string text = AxisLabelText(v, m_decPlaceY);
        canvas.TextOut(plot.left - 6 - canvas.TextWidth(text), y - textHeight / 2, text);
    }

    if (!m_idAbscissa.empty()) {
        const int y = std::max(labelTop + textHeight + 2, top + height - textHeight - 2);
        canvas.TextOut((plot.left + plot.right) / 2 - canvas.TextWidth(m_idAbscissa) / 2, y, m_idAbscissa);
    }
    if (!m_idOrdinate.empty())
        canvas.TextOut(std::max(left + 4, plot.left - 24), top + 4, m_idOrdinate);
    if (!m_caption.empty()) {
        canvas.SetFontStyle(FontStyle::Bold);
        canvas.TextOut(left + width / 2 - canvas.TextWidth(m_caption) / 2, top + 4, m_caption);
    }

    canvas.SetPen(savedPen);
    canvas.SetBrush(savedBrush);
    canvas.SetFont(savedFont);
}

} // namespace velmora
