#pragma once
// Registers the readers of SMILES files and V3000 molfiles with the core's structure formats.
// Called once by each program at start-up, before any file is opened.
namespace velmora::interop {

void RegisterInteropFormats();

} // namespace velmora::interop
