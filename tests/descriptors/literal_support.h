#pragma once
// The ring and shortest-path searches exactly as first written: unbounded depth-first searches
// over simple paths that mark visited atoms in AtFlag. Kept only as the reference the fast
// searches are compared with; exponential on polycyclic structures.
#include "descriptors/rings.h"
#include "descriptors/topology.h"
#include "model/ctab.h"

#include <array>
#include <vector>

namespace velmora::test {

int LiteralRingsThroughAtom(TCTab& table, int start, RingList& list);
RingList LiteralRingSet(TCTab& table);
int LiteralShortestPath(TCTab& table, int from, int to, Path& path);
// The literal shortest path of every pair (i, j), at i * (n + 1) + j.
std::vector<Path> LiteralPaths(TCTab& table);
// The indices computed pair by pair on the literal shortest paths.
RadiusDiameter LiteralTopoRadiusDiameter(const TCTab& table, const std::vector<Path>& paths);
double LiteralBalabanJ(const TCTab& table, const std::vector<Path>& paths);
// The Xu indices by singular value decomposition of the n x (n + 2) matrix (breadth-first
// distances for the distance-3 pairs).
std::array<double, 3> SvdXuIndices(TCTab& table);

} // namespace velmora::test
