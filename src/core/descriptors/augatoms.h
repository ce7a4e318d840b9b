#pragma once
// Augmented atoms: an atom with its neighbours and the bond types to them, packed into a code that
// does not depend on the order in which the neighbours are stored.
//
// Code: bits 0..3 the centre's position in the element list H B C N O F Si P S Cl As Br Sn I
// (1..14); then up to four neighbour codes (bond type AND 3) + 4 x position, in descending order,
// in bits 4..9, 10..15, 16..21 and 22..27.
#include "model/ctab.h"

#include <array>
#include <cstdint>
#include <string>

namespace velmora {

constexpr std::int32_t kAugElementMissing = -1; // the atom or a neighbour is not in the list
constexpr std::int32_t kAugTooManyNeighbours = -2;

// Position 1..14 of an element in the code's element list, 0 when it is not there.
int AugElementIndex(int atNum);
// The code of atom a (positive), or kAugElementMissing, or kAugTooManyNeighbours.
std::int32_t AugCode(const TCTab& table, int a);
// Number of atoms whose code equals the descriptor code of catalogue index 35..133; 0 otherwise.
int CountAugAtoms(const TCTab& table, int index);
// The code spelled by the name of catalogue entry 35..133; 0 for any other index.
std::uint32_t DescriptorCode(int index);
// The code a name such as "Aug: C2O1O1C" spells, or 0 when it is not a well-formed name of at most
// four neighbours. Neighbours are taken in the order written.
std::uint32_t EncodeAugName(const std::string& name);

} // namespace velmora

namespace velmora {
constexpr int kAugDescriptorCount = 99;
// Counts of all 99 entries at once (entry i - 35 for catalogue index i), one code per atom.
void CountAllAugAtoms(const TCTab& table, std::array<int, kAugDescriptorCount>& counts);
} // namespace velmora
