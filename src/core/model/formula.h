#pragma once
// The molecular formula of a connection table, with hydrogens implied by a small valence table.
#include "model/ctab.h"

#include <string>

namespace velmora {

// Valence used for implied hydrogens: H 1, B 3, C 4, N 3, O 2, F 1, Si 4, P 3, S 2, Cl 1, Ge 4,
// Br 1, I 1; 0 for every other element.
int FormulaValence(int element);

// Hydrogens on atom (1..n, not itself hydrogen): the explicit ones plus those its valence leaves
// free (aromatic bonds count 1, and 1 more for an atom with any aromatic bond), plus its charge
// value. A saturated atom has only its explicit ones, except a nitrogen triple-bonded to a carbon
// without other neighbours, which gives -1.
int AttachedHydrogens(const TCTab& table, int atom);

// "C2H6O1": C, H, N, O, S, P, F, Cl, Br, I first, then the other elements in order of first
// appearance; atoms of one element with different mass numbers are separate entries; every count
// is written. Empty for an empty table, and when more than 20 entries would be needed.
std::string MolecularFormula(const TCTab& table);

} // namespace velmora
