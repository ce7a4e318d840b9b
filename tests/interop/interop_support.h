#pragma once
// Fixtures for the SMILES and V3000 tests, written by RDKit from SD files: the readers registered
// as the programs register them.
#include "io/structlib.h"
#include "model/ctab.h"

#include <string>
#include <vector>

namespace velmora::test {

enum class SmilesStyle {
    AsDrawn,   // the SD file's atoms, bonds and Kekulé form as they are (not canonical)
    Canonical, // RDKit's canonical SMILES (aromatic, atoms reordered)
};

// Writes "SMILES name" lines for the records of an SD file; the explicit hydrogen atoms of the SD
// file are kept as [H]. A record RDKit cannot read is written as an unparsable line.
void WriteSmilesFile(const std::string& sdFile, const std::string& smiFile, SmilesStyle style);
// Writes the first count records (all when count is 0) of an SD file as V3000 records with their
// CAS data item.
void WriteV3000File(const std::string& sdFile, const std::string& target, int count = 0);

// Every structure of a library, in order.
std::vector<TCTab> LibraryStructures(const std::string& library);

} // namespace velmora::test
