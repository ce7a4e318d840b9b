#pragma once
// The loadable form of the SMILES and V3000 readers. The programs link only this small loader; the
// module (and with it the toolkit's libraries) is loaded when a SMILES or V3000 file is first read.
namespace velmora::interop {

// Raised whenever what crosses between program and module changes; both come from one build.
inline constexpr int kModuleAbiVersion = 4;

// Registers readers and the search's structural filters that load the module on first use, when
// the module file exists: next to the program, else where the build put it. Returns whether it
// was found (else SMILES and V3000 input and the structural filters stay unavailable, as in a
// build without them).
bool RegisterInteropModule();

} // namespace velmora::interop
