#pragma once
// Small structures for the descriptor tests, written as a SMILES-like line: atoms C N O S P F Cl Br
// I B and bracket atoms such as [Si], [Se], [H], [N+], [O-]; lower-case c n o s are aromatic and
// bonded to each other by type 4 unless a bond is written; bonds - = # and : (type 4); branches
// and one-digit ring closures; '.' starts a separate fragment. Charges are stored as molfile charge codes (+1 is 3, -1 is 5).
// Neighbour slots follow the order in which the bonds appear in the text.
#include "cages_support.h"
#include "model/ctab.h"

#include <string>
#include <vector>

namespace velmora::test {

TCTab Smiles(const std::string& text);

// A table from element numbers and bonds (a, b, type), entered in the order given.
struct Bond {
    int a, b, type;
};
TCTab Graph(const std::vector<int>& atNums, const std::vector<Bond>& bonds);

// Every record of a file in tests/data whose atoms were read (atom count 1..63).
std::vector<TCTab> ReadStructures(const std::string& dataFile);
// All SD files of tests/data.
std::vector<std::string> DataSdFiles();

} // namespace velmora::test
