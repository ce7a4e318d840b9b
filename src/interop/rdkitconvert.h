#pragma once
// Structures from SMILES and molfile blocks, read by RDKit, as connection tables filled the way
// the molfile reader fills them: atoms in input order with their element, mass number (AtWeight)
// and molfile charge code; each bond entered from its first atom and completed by Symmetrize;
// coordinates scaled into the 800 x 600 drawing box. Hydrogens are atoms only where the input has
// them as atoms ("[H]" in SMILES, H atoms of a molfile), as an SD file holds them.
#include "model/ctab.h"

#include <string>

namespace velmora::interop {

// Parses one SMILES (without a name), kekulizes aromatic input and lays the structure out in 2D.
// Returns "" or why the library cannot hold it ("cannot parse SMILES: ...", "64 atoms, not 1..63",
// ...). The name and CAS number are cleared. detailedReason: whether a parse failure names the
// parser's own message (serialised through RDKit's error log, so callers on worker threads pass
// false and ask again on one thread).
std::string TableFromSmiles(const std::string& smiles, TCTab& table, bool detailedReason = true);

// Reads one molfile block (V2000 or V3000, up to "M  END"), keeping its bond types (aromatic as 4)
// and coordinates. Returns "" or why it cannot be held. The name is the block's first line.
std::string TableFromMolBlock(const std::string& block, TCTab& table);

// The table as RDKit's canonical SMILES (aromaticity perceived; charges as the structure drawing
// shows them). Returns "" or why it cannot be written.
std::string SmilesFromTable(const TCTab& table, std::string& smiles);

// New 2D coordinates from RDKit's depictor for the table's atoms, in their order, scaled into the
// drawing box as TableFromSmiles places them; atoms and bonds stay. Returns "" or why not.
std::string LayOutTable(TCTab& table);

// The reason TableFromSmiles gives for a string the parser refuses, before any detail.
inline constexpr const char* kSmilesParseFailure = "cannot parse SMILES";

// A SMILES in double quotes for a message: at most 60 of its characters (then "..."), bytes
// outside printable ASCII as \xNN.
std::string QuotedSmiles(const std::string& smiles);
// "" when every byte of smiles is printable ASCII, else where the first other byte is: "byte 0x00
// at character 3 of the SMILES \"CC\x00O\"". A NUL, a control byte or a byte of 128 or more is
// never part of a SMILES; the parser would stop at a NUL and read "CC".
std::string SmilesByteProblem(const std::string& smiles);

} // namespace velmora::interop
