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

} // namespace velmora::test
