#pragma once
// The search's structural filters through RDKit: SMARTS patterns and RDKit's filter catalogues
// (PAINS, Brenk, NIH, ZINC) checked against library records read from their molfile text.
#include "search/structurematching.h"

namespace velmora::interop {

StructureMatching RDKitStructureMatching();

} // namespace velmora::interop
