#pragma once
// Library sets: several structure libraries searched as one. A set is a text file "NAME.vset"
// listing libraries, one path a line, relative to the set file's folder (absolute paths allowed).
// Blank lines and lines whose first non-blank character is '#' are skipped; blanks, tabs and a CR
// around a path are not part of it.
//
// The set's structures are numbered 1..Count() in set order: the first member's structures first,
// each member's in its own order. A set has companion files beside the .vset like a library
// (".idp", ".idr", their stamps, the lock), but no data, index or descriptor file of its own: its
// records are its members' records and NORMAL mode reads its members' descriptor files in turn.
//
// Structure numbers travel as 4-byte floats through the ranking, which hold every whole number up
// to 2^24 exactly: a set holds at most kMaxSetStructures structures and a bigger one is refused.
#include <cstddef>
#include <string>
#include <utility>
#include <vector>

namespace velmora {

// 2^24: the largest count whose every position a 4-byte float holds exactly.
constexpr long kMaxSetStructures = 16777216;

// Whether name ends in ".vset", in any case.
bool IsLibrarySetName(const std::string& name);

// One listed library: the line it is on, the path as written there and the path it is read from.
struct LibrarySetEntry {
    int line = 0;
    std::string listed; // as written in the set file
    std::string path;   // relative paths taken from the set file's folder
};

// The entries of the set file, without checking the libraries. Throws IoError naming the set file
// when it cannot be read.
std::vector<LibrarySetEntry> ReadLibrarySetList(const std::string& setName);

struct LibrarySetMember {
    LibrarySetEntry entry;
    long count = 0; // structures
    long first = 1; // the set position of its first structure
};

class LibrarySet {
public:
    // Reads the set file and checks every member: an existing, readable library (name ending in
    // ".clb", first record readable), not a set, not listed before (the same file however spelled),
    // at least one member, at most kMaxSetStructures structures in all. Throws IoError naming the set
    // file and the line at the first problem.
    static LibrarySet Read(const std::string& setName);

    const std::string& Name() const { return m_name; }
    const std::vector<LibrarySetMember>& Members() const { return m_members; }
    long Count() const { return m_count; }
    // The member (index into Members()) holding set position 1..Count() and its position there.
    std::pair<std::size_t, long> Locate(long position) const;

private:
    std::string m_name;
    std::vector<LibrarySetMember> m_members;
    long m_count = 0;
};

// The structures of the set: the sum of its members' counts as their index files give them; 0 when
// the set file cannot be read.
long CountLibrarySetRecords(const std::string& setName);

// Refuses (IoError naming output) an output file that is one of library's own files, which it would
// overwrite while they are read; for a library set, the set file or a file of any member.
void RefuseLibraryFile(const std::string& library, const std::string& output);

} // namespace velmora
