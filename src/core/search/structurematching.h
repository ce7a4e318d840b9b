#pragma once
// Substructure and structural-alert matching for the search's filters. The core has no chemistry
// toolkit: the program registers a matcher that one supplies (RDKit, through the reader module).
// Without it the structural filters are refused with kStructureMatchingUnavailable; descriptor
// ranges need no toolkit.
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace velmora {

inline constexpr const char* kStructureMatchingUnavailable =
    "substructure and alert filters need RDKit, which this build does not have (descriptor ranges work without it)";

// The patterns of one search, compiled once and checked against many structures.
class StructureMatcher {
public:
    static constexpr int kPasses = -1;
    static constexpr int kUncheckable = -2; // the toolkit cannot read or sanitise the structure
    virtual ~StructureMatcher() = default;
    // Checks one structure given as a V2000 molfile record (read with sanitisation, so that
    // aromaticity is perceived from the stored Kekule form). Returns kPasses, kUncheckable, or
    // the first filter that removes it: 0..s-1 a required pattern it lacks, s..s+n-1 an excluded
    // pattern it contains, s+n.. a catalogue with an entry it matches (in the order given).
    // Safe to call from several threads at once.
    virtual int Check(const std::string& molBlock) const = 0;
};

struct StructureMatching {
    // "" when the SMARTS parses, else why not.
    std::function<std::string(const std::string& smarts)> checkSmarts;
    // The alert catalogues it knows, lower case ("pains", "brenk", ...).
    std::function<std::vector<std::string>()> catalogues;
    // Compiles required patterns, excluded patterns and catalogues (checked before); throws
    // std::exception when one cannot be compiled.
    std::function<std::shared_ptr<const StructureMatcher>(const std::vector<std::string>& required,
                                                          const std::vector<std::string>& excluded,
                                                          const std::vector<std::string>& catalogues)>
        compile;
};

void RegisterStructureMatching(StructureMatching matching);
bool StructureMatchingAvailable();
// The registered matching; only when StructureMatchingAvailable().
const StructureMatching& RegisteredStructureMatching();

} // namespace velmora
