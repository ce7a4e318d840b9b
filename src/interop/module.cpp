// The entries of the loadable form of this library: the programs load it on the first SMILES or
// V3000 file (or the first structural filter), so that a command that uses neither does not pay
// for loading the toolkit.
#include "interop.h"
#include "interopmodule.h"

extern "C" __attribute__((visibility("default"))) int velmora_interop_readers(int abiVersion, void* readers)
{
    if (abiVersion != velmora::interop::kModuleAbiVersion || readers == nullptr)
        return 0;
    *static_cast<velmora::StructureFormatReaders*>(readers) = velmora::interop::InteropReaders();
    return 1;
}

extern "C" __attribute__((visibility("default"))) int velmora_interop_matching(int abiVersion, void* matching)
{
    if (abiVersion != velmora::interop::kModuleAbiVersion || matching == nullptr)
        return 0;
    *static_cast<velmora::StructureMatching*>(matching) = velmora::interop::InteropMatching();
    return 1;
}
