#pragma once
// One library against another: every structure of the query library A taken as the query of a
// search of the library B, its K best matches in B, and which structures of B are within a
// threshold of some structure of A (or of none). Every value is the 4-byte float a single search of
// that A structure in B reads back from its result line, and the ranks are that search's ranks
// (equal values: the earlier B position first); nothing is approximated.
//
// The work is blocked so that B is read once per block of A (for a K-best list of 5 and a few
// dozen descriptors one block holds tens of thousands of A structures): B's chunks are compared on
// every lane with the whole block, first by a bound in double computed in vector registers, then, for the pairs
// that bound cannot settle, by the coefficient itself. Memory: the A block (bounded), a few chunks
// of B, and, with a threshold, one byte per B structure.
#include "base/progress.h"
#include "search/comparison.h"

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace velmora {

class Workbench;

constexpr int kDefaultCrossBest = 5;

// One row of the pairs: A structure's rank-th match in B.
struct CrossMatch {
    int rank = 0;
    long libraryPosition = 0; // in B
    float value = 0.0f;       // as the single search reads it back from its result line
};

struct CrossCompareSetup {
    ComparisonSetup library; // B, as its search sets it up (its query is not used)
    std::string queryLibrary; // A
    long queryCount = 0;      // A's structures 1..queryCount
    int best = kDefaultCrossBest; // K, 1..kMaxBestCount
    // With a threshold: which B structures are within it (<= for distances, >= for similarities)
    // of at least one A structure, compared as the value read back.
    std::optional<float> threshold;
    int threads = 0; // 0: ThreadCount()
    // The memory the A block may take, and B's structures per chunk (tests make both small to
    // force several blocks and chunks).
    std::size_t blockBytes = std::size_t{8} << 20;
    long chunkSize = 1024;
};

// What the caller is told per A structure, in A order.
struct CrossQueryResult {
    long queryPosition = 0;
    std::string queryName;
    bool readable = true;          // false: the record could not be read (problem says why)
    std::string problem;
    std::vector<CrossMatch> matches; // the filled ranks, best first
};

enum class CrossOutcome { Completed, Aborted };

// B's structures as the threshold sorted them: 0 no value (not registered, no result line),
// 1 farther than the threshold from every A structure, 2 within it of at least one.
enum CrossState : unsigned char { kCrossNoValue = 0, kCrossDissimilar = 1, kCrossSimilar = 2 };

// Compares as described above; sink receives every A structure (in order) as soon as its block is
// done. states (with a threshold) receives the state of B structure k at k - 1. Polls progress
// (ProgressKind::CrossComparison) once per chunk of B; Abort ends it (Aborted) without further
// calls of sink. Throws IoError naming B's descriptor file or B when they cannot be read.
CrossOutcome CompareLibraries(const CrossCompareSetup& setup, Progress& progress,
                              const std::function<void(const CrossQueryResult&)>& sink,
                              std::vector<unsigned char>* states = nullptr);

// The comparison of B as the workbench's search would set it up now (library open, descriptors
// chosen, coefficient set); leftOut receives the chosen descriptors that take no part for lack of
// spread in B. Nothing when no search could start: problem says why. Checks B's descriptor file
// (NORMAL mode) against the library as the search does, throwing IoError naming it.
std::optional<ComparisonSetup> CrossLibrarySetup(Workbench& workbench, std::vector<int>& leftOut, std::string& problem);

// The files a comparison writes.
struct CrossFiles {
    std::string pairs;      // the TSV of the K best per A structure (required)
    std::string similar;    // a library of B's structures within the threshold, or empty
    std::string dissimilar; // a library of B's structures beyond it, or empty
};

struct CrossSummary {
    CrossOutcome outcome = CrossOutcome::Completed;
    long queries = 0;                // A structures compared
    std::vector<std::string> unreadable; // "structure 7: damaged record" of A
    long rows = 0;
    long similar = 0, dissimilar = 0;
};

// The pairs file's header line (without its line end) and a row of it.
std::string CrossPairsHeader();
std::string CrossPairsRow(long queryPosition, const std::string& queryName, const CrossMatch& match,
                          const std::string& libraryName);

// CompareLibraries, writing the pairs file and the libraries. Each file is written under a
// temporary name and takes its own name only once complete: an abort (Aborted) or an error leaves
// every file of those names as it was. Throws IoError naming the file that cannot be written or
// the library that cannot be read.
CrossSummary WriteLibraryComparison(const CrossCompareSetup& setup, const CrossFiles& files, Progress& progress);

} // namespace velmora
