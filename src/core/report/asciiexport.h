#pragma once
// The ASCII export: the raw values of the chosen descriptors for a sample of the open library,
// written as a plain-text table beside the library (its .asc file) for statistics programs. The
// structures are put into three classes by the last search: ranks 1..20, ranks 21..40 and a random
// sample of the others.
#include "search/workbench.h"

#include <random>
#include <string>

namespace velmora {

// Writes the table of the workbench's open library and last search; the generator decides the
// random sample. Returns the file's full path. Throws IoError without a search of an open library
// or when a file cannot be read or written (a file left half written is removed).
std::string ExportAscii(Workbench& workbench, std::mt19937& random);

} // namespace velmora
