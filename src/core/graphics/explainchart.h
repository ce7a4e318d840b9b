#pragma once
// One best match's explanation as a small self-contained SVG bar chart: a row per descriptor,
// closest first, with the raw values of query and match and a bar for the descriptor's share of
// the value (green where it brought the structures closer, red where it kept them apart). Each
// row carries a tool tip with the scaled values, the library's mean and deviation and the term.
#include "search/explain.h"

#include <string>

namespace velmora {

constexpr int kExplanationChartWidth = 640;

// The <svg> element (no XML declaration), kExplanationChartWidth wide, its height growing with
// the number of descriptors.
std::string ExplanationChartSvg(const MatchExplanation& explanation);

} // namespace velmora
