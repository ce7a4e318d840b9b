// velmora-cli show LIBRARY POSITION
#include "cli_support.h"

#include "base/ioerror.h"
#include "io/liblock.h"
#include "io/libset.h"
#include "io/molfile.h"
#include "io/structlib.h"

#include <ostream>

namespace velmora::cli {

namespace {

std::string ReadFailure(int result, long position, long count)
{
    switch (result) {
    case kLibPositionOutOfRange:
        return "position " + std::to_string(position) + " is outside 1.." + std::to_string(count);
    case kLibIndexFile: return "cannot open the index file";
    case kLibDataFile: return "cannot open the data file";
    case kLibEmptyEntry: return "record " + std::to_string(position) + " is empty";
    case kLibDamagedRecord: return "record " + std::to_string(position) + " is damaged";
    default: return "cannot read record " + std::to_string(position);
    }
}

int Show(const ParsedArgs& args, CommandContext& context)
{
    const std::string& libraryName = args.positional[0];
    const long position = ParsePositive(args.positional[1], "POSITION");
    RequireLibraryName(libraryName);
    const LibraryLock lock(libraryName, LibraryWork::Read);
    StructureLibrary library;
    const int result = library.ReadLibraryRecord(libraryName, position);
    if (result != kLibOk)
        throw IoError(libraryName, ReadFailure(result, position, CountLibraryRecords(libraryName)));
    const TCTab& table = library.Structure();
    int neighbours = 0;
    for (int i = 1; i <= table.NumValidAtoms; ++i)
        neighbours += table.NumNeighbours(i);
    if (IsLibrarySetName(libraryName)) { // which library of the set holds it, and where
        const LibrarySet set = LibrarySet::Read(libraryName);
        const auto [member, local] = set.Locate(position);
        context.out << "Library: " << set.Members()[member].entry.listed << " (structure " << local << ")\n";
    }
    context.out << "Name: " << table.FStrucName << "\n"
                << "CAS number: " << CASNumberShown(table.FCASNr) << "\n"
                << "Atoms: " << table.NumValidAtoms << "\n"
                << "Bonds: " << neighbours / 2 << "\n";
    std::string record;
    TextWriter writer(&record);
    WriteMolRecord(table, writer, "ZW", table.FStrucName.substr(0, 8), 0, "");
    context.out << record;
    return kExitOk;
}

int Run(const std::vector<std::string>& args, CommandContext& context)
{
    return WithUsage("show", context, args, &Show, {}, {}, 2, 2);
}

} // namespace

int ShowCommand(const std::vector<std::string>& args, CommandContext& context) { return Run(args, context); }

} // namespace velmora::cli
