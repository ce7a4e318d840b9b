#pragma once
// The descriptor files a NORMAL mode search of a library set reads: its members' own ".pre" files,
// each checked as a library's is before a search, and the one choice a set must make as a whole
// (every member with a descriptor file, or none).
#include "io/libset.h"
#include "search/comparison.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace velmora {

struct SetDescriptorFiles {
    bool all = false;  // every member has a descriptor file made from it as it is now
    std::string mixed; // some have and some have not: the first without one, its line and what to do
};
// Which members have a descriptor file made from them as they are now. Without wholeState only the
// record counts are compared (a quick check before the whole one).
SetDescriptorFiles CheckSetDescriptorFiles(const LibrarySet& set, bool wholeState = true);

// The members' descriptor files in set order, each checked as a search checks a library's: one
// record per structure, made from as many structures as the member holds, not changed since. Throws
// IoError naming the file otherwise.
std::vector<DescriptorPart> SetDescriptorParts(const LibrarySet& set);

// The descriptor record of set position 1..total from the parts; throws IoError naming the file
// when it is not there.
std::array<std::uint8_t, kDescriptorRecordSize> ReadPartRecord(const std::vector<DescriptorPart>& parts, long position);

// The library that holds structure `position` of the library (or set) searched, as the reports name
// it: a set's member as its list names it; empty for a library.
std::string MemberNameAt(const std::string& libraryName, long position);

} // namespace velmora
