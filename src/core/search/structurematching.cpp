// The registered structure matching (see structurematching.h).
#include "search/structurematching.h"

namespace velmora {

namespace {

StructureMatching& Matching()
{
    static StructureMatching matching;
    return matching;
}

} // namespace

void RegisterStructureMatching(StructureMatching matching) { Matching() = std::move(matching); }

bool StructureMatchingAvailable()
{
    const auto& matching = Matching();
    return matching.checkSmarts && matching.catalogues && matching.compile;
}

const StructureMatching& RegisteredStructureMatching() { return Matching(); }

} // namespace velmora
