#pragma once
// Functional-group, bond-class and atom-class counts (catalogue indices 0..32): local pattern tests
// on element numbers, bond types and neighbour counts. A bond is aromatic exactly when its type is
// 4; there is no ring or aromaticity perception.
#include "model/ctab.h"

#include <array>
#include <vector>
#include <cstdint>

namespace velmora {

constexpr int kGroupCount = 33;

// The count for catalogue index 0..32; 0 for any other index. Allocates nothing.
std::int32_t CountGroup(const TCTab& table, int index);
// CountGroup of several indices (0 for any outside 0..32), looking at the table once.
void CountGroups(const TCTab& table, const std::vector<int>& indices, std::vector<std::int32_t>& counts);
// All 33 counts in one pass over the atoms.
void CountAllGroups(const TCTab& table, std::array<std::int32_t, kGroupCount>& counts);

// Number of slots k = 1..NumNeighbours(a) whose neighbour has element z and whose bond type is t.
int CountNeighbours(const TCTab& table, int a, int t, int z);
// Some non-empty slot of atom a has bond type 4.
bool HasAromaticBond(const TCTab& table, int a);

} // namespace velmora
