#include "interop.h"

#include "io/structureformats.h"
#include "molblocksource.h"
#include "rdkitfilters.h"
#include "rdkitconvert.h"
#include "smilessource.h"

namespace velmora::interop {

StructureFormatReaders InteropReaders()
{
    StructureFormatReaders readers;
    readers.openSmiles = [](const std::string& file, const SourceOptions& options) -> std::unique_ptr<StructureSource> {
        return std::make_unique<SmilesSource>(file, options);
    };
    readers.countSmiles = &CountSmilesRecords;
    readers.openV3000 = [](const std::string& file) -> std::unique_ptr<StructureSource> {
        return std::make_unique<MolBlockSource>(file);
    };
    readers.parseSmiles = [](const std::string& smiles, TCTab& table) { return TableFromSmiles(smiles, table); };
    readers.parseMolBlock = [](const std::string& block, TCTab& table) { return TableFromMolBlock(block, table); };
    readers.writeSmiles = &SmilesFromTable;
    readers.layOut = &LayOutTable;
    return readers;
}

void RegisterInteropFormats() { RegisterStructureFormats(InteropReaders()); }

StructureMatching InteropMatching() { return RDKitStructureMatching(); }

void RegisterInteropMatching() { RegisterStructureMatching(InteropMatching()); }

} // namespace velmora::interop
