#pragma once
// The explanation of the best matches as text: per match a table of the descriptors, closest
// first, with raw and scaled values, the coefficient's term, the share and the contribution.
#include "search/explain.h"

#include <ostream>
#include <vector>

namespace velmora::cli {

void PrintExplanations(std::ostream& out, const std::vector<MatchExplanation>& explanations);

} // namespace velmora::cli
