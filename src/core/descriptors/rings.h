#pragma once
// The two graph searches the ring and distance descriptors rest on: the smallest rings through an
// atom and the shortest path between two atoms, each returning exactly what an exhaustive
// depth-first search in slot order returns (the same rings in the same order, the same choice among
// equally short paths) without enumerating all simple paths. Neither touches the table's AtFlag.
#include "model/ctab.h"

#include <array>
#include <cstdint>

namespace velmora {

constexpr int kMaxRings = 100;

struct RingEntry {
    std::uint8_t size = 0;
    std::array<std::uint8_t, kMaxAtoms> atoms{}; // atom numbers in path order, size of them
    std::uint64_t Mask() const;
};

// At most kMaxRings entries; further rings are dropped.
struct RingList {
    std::int32_t count = 0;
    std::array<RingEntry, kMaxRings> rings{};
    // Some listed ring contains every atom of the candidate (a subset test, not equality).
    bool Contains(std::uint64_t candidateMask) const;
};

// The smallest rings through atom start in order of discovery (neighbours in slot order, each ring
// once, written from start in the direction first found). Empty for an atom outside 1..n. Returns
// the count.
int RingsThroughAtom(const TCTab& table, int start, RingList& list);

// The rings of every atom in ascending order, each appended unless already present; atoms of a
// listed ring with at most two neighbours start no search of their own.
RingList RingSet(const TCTab& table);

struct Path {
    std::int32_t length = 0;                          // number of atoms
    std::array<std::uint8_t, kMaxAtoms + 1> atoms{}; // from .. to
};

// The shortest path from -> to, both included; among equally short paths the one whose slot
// choices are largest at the first atom where they differ (the last found by a depth-first search
// in slot order). The distance is the number of bonds; 0 when from = to or to is unreachable, and
// the path is then just (to).
int ShortestPath(const TCTab& table, int from, int to, Path& path);

// Breadth-first distances of all atom pairs (0 for unreachable pairs and i = j).
struct DistanceMatrix {
    int n = 0;
    std::array<std::array<std::uint8_t, kMaxAtoms + 1>, kMaxAtoms + 1> d{}; // [i][j], 1-based
    static constexpr std::uint8_t kUnreachable = 255; // stored for unreachable pairs
    int Distance(int i, int j) const { return d[i][j] == kUnreachable ? 0 : d[i][j]; }
};
void ComputeDistances(const TCTab& table, DistanceMatrix& distances);

// The atom after `cur` on the shortest path cur -> to that ShortestPath chooses, given the distances;
// 0 when cur = to or to is unreachable. Returns the slot (1..10) in slotOut.
int NextOnPath(const TCTab& table, const DistanceMatrix& distances, int cur, int to, int* slotOut = nullptr);

} // namespace velmora
