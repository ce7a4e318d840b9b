#pragma once
// A set of queries searched together: every record of an SD file, a SMILES file, a structure
// library or a library set (its members' records in set order) becomes a query exactly as loading a single query makes the first record one. Records
// that cannot be used are left out and listed; a set without any usable record is refused.
#include "io/structlib.h"
#include "model/ctab.h"

#include <string>
#include <vector>

namespace velmora {

struct QuerySetSkip {
    long record = 0;    // 1-based, in the file
    std::string reason; // why the record is not a query
};

struct QuerySet {
    std::string file;
    std::vector<TCTab> queries;
    std::vector<long> records; // each query's record number in the file
    std::vector<QuerySetSkip> skipped;

    std::size_t Size() const { return queries.size(); }
    // How reports name query q (0-based): its name, or "#n" (its number in the set) without one.
    std::string QueryName(std::size_t q) const;
    // "FILE: record 4: <reason>" for every record left out, one a line ('\n' between them).
    std::string SkippedText() const;
};

// Reads the query set in file. A library is read through library (its buffer is overwritten).
// Throws IoError naming the file when it is missing, not a regular file, cannot be read, needs a
// reader this build lacks, or holds no record that can be used as a query (the records left out
// are then part of the problem).
QuerySet ReadQuerySet(const std::string& file, StructureLibrary& library);

} // namespace velmora
