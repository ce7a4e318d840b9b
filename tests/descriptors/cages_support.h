#pragma once
// Large structures that defeat an unbounded path search; used by the tests and the benchmark, so
// they depend on the core only.
#include "model/ctab.h"

namespace velmora::test {

TCTab Fullerene60(bool withMethyl);
TCTab Dodecahedrane(bool withMethyl);
TCTab FusedSheet63();    // 7 x 9 hexagonal lattice of aromatic carbons
TCTab Chain63();
TCTab TenNeighbourHub(); // a carbon bonded to ten atoms that also form a ring around it
// A 28-membered ring bonded by two of its atoms (2 and 3) to opposite corners of a 5 x 7
// hexagonal sheet: one block in which the smallest ring through atom 1 is the long one.
TCTab MacrocycleWithSheet();

} // namespace velmora::test
