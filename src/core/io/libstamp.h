#pragma once
// Which state of its library a companion file (".pre", ".idp", ".idr") was made from.
//
// The companion files keep their stored formats; beside each lies a small stamp ("lib.pre-state")
// written last, after the companion is complete, holding the library's record count, the size and
// a checksum of its index, the size of its data file, and the companion's own size and a checksum
// of its first and last 64 KiB. A companion is trusted only when its stamp is there and fits both
// the library as it is now and the companion as it is now; one that does not fit is treated as a
// missing one. A stamp is removed before its companion is replaced or deleted, so a companion left
// by an interrupted write never passes for a finished one.
//
// A search's result library carries the same stamp of itself ("lib SIM.clb-state"): a library of
// that name is an earlier result library exactly when the stamp fits it.
#include <string>

namespace velmora {

// The stamp of a library's companion named by extension ("pre" -> "lib.pre-state").
std::string CompanionStampName(const std::string& libraryName, const std::string& extension);

// Removes the stamp (before the companion is replaced or deleted).
void RemoveCompanionStamp(const std::string& libraryName, const std::string& extension);

// Records that the companion, now complete, was made from the library as it is now. Throws IoError
// naming the stamp when it cannot be written.
void StampCompanion(const std::string& libraryName, const std::string& extension);

// Why the existing companion cannot be trusted to belong to the library as it is now, as a clause
// that follows its name ("was made from 30 structures; the library holds 45 now"); empty when it
// can be trusted. Without wholeState only the record count and the companion itself are compared:
// for a library already opened, whose damaged index its reads report themselves.
std::string CompanionMismatch(const std::string& libraryName, const std::string& extension, bool wholeState = true);

// The one message for a companion that is not used: "lib.pre: <mismatch>; it is treated as missing".
std::string CompanionMismatchText(const std::string& companion, const std::string& mismatch);

} // namespace velmora
