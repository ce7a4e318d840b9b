#pragma once
// CTB files: one connection table as a "/CONTAB " record with every atom field (AtFlag aside),
// coordinates unscaled but with two significant digits, each atom's neighbours in slot order.
#include "base/textfile.h"
#include "model/ctab.h"

namespace velmora {

// Appends one record; a table without atoms writes nothing. Coordinates carry fractionDigits
// digits after the point (1, two significant digits, is the shared format; readers take any).
void WriteCTB(const TCTab& table, TextWriter& file, int fractionDigits = 1);

// Reads the first record found from the current position. False when there is none (the table is
// unchanged), when it holds more than 63 atoms (the first 63 stay), or when a neighbour count or a
// neighbour number is out of range (such entries are dropped). A non-number throws IoError.
bool ReadCTB(TCTab& table, TextReader& file);

} // namespace velmora
