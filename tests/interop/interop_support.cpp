#include "interop_support.h"

#include "interop.h"
#include "io/libfiles.h"

#include <GraphMol/FileParsers/FileParsers.h>
#include <GraphMol/FileParsers/MolSupplier.h>
#include <GraphMol/GraphMol.h>
#include <GraphMol/SmilesParse/SmilesWrite.h>
#include <gtest/gtest.h>

#include <fstream>
#include <memory>

namespace velmora::test {

namespace {

// The readers are registered before any test runs, as the programs' main() does.
const bool registered = [] {
    interop::RegisterInteropFormats();
    return true;
}();

} // namespace

void WriteSmilesFile(const std::string& sdFile, const std::string& smiFile, SmilesStyle style)
{
    const bool asDrawn = style == SmilesStyle::AsDrawn;
    RDKit::SDMolSupplier supplier(sdFile, !asDrawn, false, false);
    std::ofstream out(smiFile, std::ios::binary);
    for (unsigned i = 0; i < supplier.length(); ++i) {
        std::unique_ptr<RDKit::ROMol> mol;
        try {
            mol.reset(supplier[i]);
        } catch (const std::exception&) {
        }
        if (!mol) {
            out << "not(a)smiles unreadable" << i + 1 << "\n";
            continue;
        }
        if (asDrawn)
            mol->updatePropertyCache(false);
        out << RDKit::MolToSmiles(*mol, true, false, -1, !asDrawn) << " " << mol->getProp<std::string>("_Name")
            << "\n";
    }
    ASSERT_TRUE(out.good()) << smiFile;
}

void WriteV3000File(const std::string& sdFile, const std::string& target, int count)
{
    RDKit::SDMolSupplier supplier(sdFile, false, false, false);
    std::ofstream out(target, std::ios::binary);
    for (unsigned i = 0; i < supplier.length() && (count == 0 || static_cast<int>(i) < count); ++i) {
        std::unique_ptr<RDKit::ROMol> mol(supplier[i]);
        ASSERT_TRUE(mol) << sdFile << " record " << i + 1;
        mol->updatePropertyCache(false);
        out << RDKit::MolToV3KMolBlock(*mol, false, -1, false);
        std::string cas;
        if (mol->getPropIfPresent("CAS_RN", cas))
            out << "> <CAS_RN>\n" << cas << "\n\n";
        out << "$$$$\n";
    }
    ASSERT_TRUE(out.good()) << target;
}

std::vector<TCTab> LibraryStructures(const std::string& library)
{
    StructureLibrary reader;
    std::vector<TCTab> structures;
    const long count = CountLibraryRecords(library);
    for (long position = 1; position <= count; ++position) {
        EXPECT_EQ(reader.ReadLibraryRecord(library, position), kLibOk) << library << " " << position;
        structures.push_back(reader.Structure());
    }
    return structures;
}

} // namespace velmora::test
