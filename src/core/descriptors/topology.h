#pragma once
// Connectivity, ring-count and distance-based indices on the molecular graph as the table gives
// it (explicit hydrogen atoms are vertices like any other atom).
#include "descriptors/rings.h"
#include "model/ctab.h"

#include <array>

namespace velmora {

double RandicIndex(const TCTab& table);
double RandicZIndex(const TCTab& table);
// (sum of degrees) / 2 - n + 1; components are not counted (two unbonded atoms give -1).
int CyclomaticNumber(const TCTab& table);
// Number of rings of RingSet with the given size.
int CountRingsOfSize(const RingList& rings, int size);

struct RadiusDiameter {
    int radius = 0;
    int diameter = 0;
};
// Eccentricities over reachable atoms only (unreachable pairs count as 0).
RadiusDiameter TopoRadiusDiameter(const TCTab& table);
RadiusDiameter TopoRadiusDiameter(const TCTab& table, const DistanceMatrix& distances);

// Balaban-type J with bond weights 1, 1/2, 1/3 and 2/3 for types 1..4 along the chosen shortest paths.
double BalabanJ(const TCTab& table);
double BalabanJ(const TCTab& table, const DistanceMatrix& distances);

// The three Xu indices: half the square of the largest singular value of [s t D_k] for the pair
// matrices of bonds (k = 1), common neighbours (k = 2) and distance 3 (k = 3).
std::array<double, 3> XuIndices(const TCTab& table);
std::array<double, 3> XuIndices(const TCTab& table, const DistanceMatrix& distances);

} // namespace velmora
