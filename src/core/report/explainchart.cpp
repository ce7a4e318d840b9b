#include "report/explainchart.h"

#include "base/numtext.h"
#include "graphics/xmltext.h"
#include "search/coefficients.h"

#include <algorithm>
#include <cmath>

namespace velmora {

namespace {

constexpr int kRowHeight = 20;
constexpr int kTop = 42;      // below the two heading lines
constexpr int kNameX = 6;     // descriptor names, left-aligned
constexpr int kQueryX = 222;  // raw values, right-aligned
constexpr int kMatchX = 276;
constexpr int kDifferenceX = 340; // the scaled difference, right-aligned
constexpr int kBarLeft = 356; // the bar area
constexpr int kBarRight = 566;
constexpr int kShareX = 634;  // the share in per cent, right-aligned

std::string Num(double value) { return FormatFixed(value, 1); }

std::string Text(double x, double y, const std::string& text, const char* anchor, const char* extra = "")
{
    return "<text x=\"" + Num(x) + "\" y=\"" + Num(y) + "\" text-anchor=\"" + anchor + "\"" + extra + ">" +
           XmlEscape(text) + "</text>\n";
}

// "+0.90", "0.00", and negative values with a true minus sign.
std::string Signed(double value)
{
    const std::string text = FormatFixed(std::fabs(value), 2);
    if (text == "0.00")
        return text;
    return (value < 0 ? "\u2212" : "+") + text;
}

// Escaped for markup, its lines joined by character references (the escaping drops raw line ends).
std::string Tooltip(const MatchExplanation& e, const DescriptorContribution& c)
{
    const std::string tip = ExplanationRowTip(e, c);
    std::string escaped;
    for (std::size_t start = 0; start <= tip.size();) {
        const std::size_t end = std::min(tip.find('\n', start), tip.size());
        escaped += (start > 0 ? "&#10;" : "") + XmlEscape(tip.substr(start, end - start));
        start = end + 1;
    }
    return escaped;
}

} // namespace

const char* PullColour(DescriptorPull pull)
{
    switch (pull) {
    case DescriptorPull::Closer: return "#2e8540";
    case DescriptorPull::Apart: return "#c62828";
    default: return "#9e9e9e";
    }
}

std::string SharePercent(double share)
{
    std::string text = FormatFixed(share * 100.0, 1);
    if (text == "-0.0")
        text = "0.0";
    return text + " %";
}

bool ShowsSameValue(const MatchExplanation& e, const DescriptorContribution& c)
{
    return c.queryScaled == c.matchScaled && CoefficientInfo(e.coefficient).splitsGap;
}

std::pair<double, double> ShareSpan(const MatchExplanation& e)
{
    double low = 0, high = 0;
    for (const auto& c : e.contributions) {
        low = std::min(low, c.share);
        high = std::max(high, c.share);
    }
    if (high - low <= 0)
        high = 1;
    return {low, high};
}

std::string ExplanationLegend(const MatchExplanation& e)
{
    if (CoefficientInfo(e.coefficient).splitsGap)
        return "green: at most an even share (1/" + std::to_string(e.contributions.size()) + ") of " +
               ShareMeaning(e.coefficient).substr(9) + "; red: more, kept them apart";
    return "green: raised the value; red: lowered it";
}

std::string ExplanationRowTip(const MatchExplanation& e, const DescriptorContribution& c)
{
    std::string tip = CatalogueName(c.index) + "\nquery " + RawValueText(c.index, c.queryRaw) + " (scaled " +
                      FormatFixed(c.queryScaled, 4) + "), match " + RawValueText(c.index, c.matchRaw) + " (scaled " +
                      FormatFixed(c.matchScaled, 4) + ")\nlibrary mean " + FormatFixed(c.mean, 4) + ", std. dev. " +
                      FormatFixed(c.stdDev, 4) + "\n" + TermHeading(e.coefficient) + " = " + FormatFixed(c.term, 4);
    if (CoefficientInfo(e.coefficient).denominatorTerm)
        tip += ", q^2+l^2-q*l = " + FormatFixed(c.denominatorTerm, 4);
    tip += "\n" + SharePercent(c.share) + " of " + ShareMeaning(e.coefficient).substr(9) + ", contribution " +
           FormatFixed(c.contribution, 4) + " of " +
           (CoefficientInfo(e.coefficient).gapIsOneLessValue ? FormatFixed(1.0 - e.value, 4) : e.valueText);
    return tip;
}

std::string ExplanationChartSvg(const MatchExplanation& e)
{
    const int rows = static_cast<int>(e.contributions.size());
    const int height = kTop + rows * kRowHeight + 30;
    const auto [low, high] = ShareSpan(e);
    const double scale = (kBarRight - kBarLeft) / (high - low);
    const double axis = kBarLeft - low * scale;

    std::string svg = "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" + std::to_string(kExplanationChartWidth) +
                      "\" height=\"" + std::to_string(height) + "\" viewBox=\"0 0 " +
                      std::to_string(kExplanationChartWidth) + " " + std::to_string(height) +
                      "\" font-family=\"Arial, 'Liberation Sans', sans-serif\" font-size=\"12\">\n";
    svg += "<rect width=\"100%\" height=\"100%\" fill=\"#fff\"/>\n";
    svg += Text(kNameX, 14, "Descriptor", "start", " font-weight=\"bold\"");
    svg += Text(kQueryX, 14, "query", "end", " font-weight=\"bold\"");
    svg += Text(kMatchX, 14, "match", "end", " font-weight=\"bold\"");
    svg += Text(kDifferenceX, 14, "q \u2212 l", "end", " font-weight=\"bold\"");
    svg += Text((kBarLeft + kBarRight) / 2.0, 14, ShareMeaning(e.coefficient), "middle", " font-weight=\"bold\"");
    svg += Text(kShareX, 14, "share", "end", " font-weight=\"bold\"");
    svg += Text(kNameX, 32, "closest first", "start", " fill=\"#555\" font-style=\"italic\"");
    svg += Text(kMatchX, 32, "raw values", "end", " fill=\"#555\" font-style=\"italic\"");
    svg += Text(kDifferenceX, 32, "in std. dev.", "end", " fill=\"#555\" font-style=\"italic\"");

    for (int r = 0; r < rows; ++r) {
        const DescriptorContribution& c = e.contributions[static_cast<std::size_t>(r)];
        const double y = kTop + r * kRowHeight;
        svg += "<g><title>" + Tooltip(e, c) + "</title>\n";
        if (r % 2 == 1)
            svg += "<rect x=\"0\" y=\"" + Num(y) + "\" width=\"" + std::to_string(kExplanationChartWidth) +
                   "\" height=\"" + std::to_string(kRowHeight) + "\" fill=\"#f3f3f3\"/>\n";
        const double baseline = y + 14;
        svg += Text(kNameX, baseline, CatalogueName(c.index), "start");
        svg += Text(kQueryX, baseline, RawValueText(c.index, c.queryRaw), "end");
        svg += Text(kMatchX, baseline, RawValueText(c.index, c.matchRaw), "end");
        svg += Text(kDifferenceX, baseline, Signed(c.queryScaled - c.matchScaled), "end");
        const double end = axis + c.share * scale;
        const double left = std::min(axis, end), width = std::max(std::fabs(end - axis), c.term != 0 ? 1.0 : 0.0);
        if (ShowsSameValue(e, c))
            svg += Text(axis + 4, baseline, "same value", "start", " fill=\"#2e8540\" font-style=\"italic\"");
        else
            svg += "<rect x=\"" + Num(left) + "\" y=\"" + Num(y + 4) + "\" width=\"" + Num(width) +
                   "\" height=\"12\" fill=\"" + PullColour(c.pull) + "\"/>\n";
        svg += Text(kShareX, baseline, SharePercent(c.share), "end");
        svg += "</g>\n";
    }
    const double bottom = kTop + rows * kRowHeight;
    svg += "<line x1=\"" + Num(axis) + "\" y1=\"" + Num(kTop - 2) + "\" x2=\"" + Num(axis) + "\" y2=\"" +
           Num(bottom + 2) + "\" stroke=\"#333\" stroke-width=\"1\"/>\n";
    const std::string legend = ExplanationLegend(e);
    svg += "<rect x=\"" + std::to_string(kNameX) + "\" y=\"" + Num(bottom + 11) +
           "\" width=\"10\" height=\"10\" fill=\"#2e8540\"/>\n";
    svg += "<rect x=\"" + std::to_string(kNameX + 12) + "\" y=\"" + Num(bottom + 11) +
           "\" width=\"10\" height=\"10\" fill=\"#c62828\"/>\n";
    svg += Text(kNameX + 28, bottom + 20, legend, "start", " fill=\"#333\"");
    svg += "</svg>\n";
    return svg;
}

} // namespace velmora
