#pragma once
// The readers of SMILES files and V3000 molfiles, for the core's structure formats.
#include "io/structureformats.h"
#include "search/structurematching.h"

namespace velmora::interop {

// The readers as functions of this library.
StructureFormatReaders InteropReaders();

// Registers InteropReaders() with the core's structure formats (programs and tests that link the
// library itself). Called once, before any file is opened.
void RegisterInteropFormats();

// The search's structural filters as functions of this library, and their registration.
StructureMatching InteropMatching();
void RegisterInteropMatching();

} // namespace velmora::interop
