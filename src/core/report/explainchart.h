#pragma once
// One best match's explanation as a small self-contained SVG bar chart: a row per descriptor,
// closest first, with the raw values of query and match and a bar for the descriptor's share of
// the value (green where it brought the structures closer, red where it kept them apart). Each
// row carries a tool tip with the scaled values, the library's mean and deviation and the term.
#include "search/explain.h"

#include <string>
#include <utility>

namespace velmora {

constexpr int kExplanationChartWidth = 640;

// The pieces of a row that every drawing of the chart shares.
// The bar colour for a descriptor's pull, "#rrggbb".
const char* PullColour(DescriptorPull pull);
// A share in per cent with one decimal, e.g. "35.8 %".
std::string SharePercent(double share);
// Distances and Tanimoto split a gap: a descriptor whose scaled values agree takes no part in it
// and is shown as "same value" instead of a bar.
bool ShowsSameValue(const MatchExplanation& explanation, const DescriptorContribution& contribution);
// The span of the bar axis: [min(0, smallest share), max(0, largest share)], [0, 1] when empty.
std::pair<double, double> ShareSpan(const MatchExplanation& explanation);
// The plain-text tool tip of a row, lines separated by '\n': raw and scaled values, the library's
// mean and deviation, the term, the share and the contribution.
std::string ExplanationRowTip(const MatchExplanation& explanation, const DescriptorContribution& contribution);
// The colour legend under the chart.
std::string ExplanationLegend(const MatchExplanation& explanation);

// The <svg> element (no XML declaration), kExplanationChartWidth wide, its height growing with
// the number of descriptors.
std::string ExplanationChartSvg(const MatchExplanation& explanation);

} // namespace velmora
