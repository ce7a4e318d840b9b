#pragma once
// Which reader takes a structure file. V2000 SD files and molfiles are read by the core; SMILES
// files (.smi, .smiles, and SMILES tables .csv, .tsv) and V3000 molfiles need readers that a
// chemistry toolkit supplies: the program registers them at start-up. Without them such files are
// refused with kStructureFormatsUnavailable.
#include "io/structuresource.h"
#include "model/ctab.h"

#include <functional>
#include <memory>
#include <string>

namespace velmora {

inline constexpr const char* kStructureFormatsUnavailable =
    "SMILES and V3000 molfile input is not available in this build";

enum class StructureFileKind { Molfile, V3000Molfile, Smiles };

struct SourceOptions {
    // The SMILES column of a .csv/.tsv file: a header name (any case) or a 1-based number. Empty:
    // the column named "smiles", else the one column whose name holds "smiles"; a table without
    // either is refused, listing its columns.
    std::string smilesColumn;
    // How the user names the SMILES column, for that message ("--smiles-column"); empty where the
    // column cannot be chosen.
    std::string columnOption;
};

struct StructureFormatReaders {
    // Opens a SMILES file; throws IoError when it cannot be read or its columns do not fit.
    std::function<std::unique_ptr<StructureSource>(const std::string& file, const SourceOptions&)> openSmiles;
    // The number of records openSmiles will deliver.
    std::function<long(const std::string& file, const SourceOptions&)> countSmiles;
    std::function<std::unique_ptr<StructureSource>(const std::string& file)> openV3000;
    // One SMILES into table (name and CAS number cleared); "" or why it cannot be held.
    std::function<std::string(const std::string& smiles, TCTab& table)> parseSmiles;
    // One molfile record (its lines up to "M  END", V3000 or V2000) into table, named by its first
    // line; "" or why it cannot be held. Used for V3000 records of a file whose first record is V2000.
    std::function<std::string(const std::string& block, TCTab& table)> parseMolBlock;
    // Writers, optional: the table as a canonical SMILES; new 2D coordinates for the table's atoms
    // (in their order, bonds untouched) placed as those of a SMILES read. Each "" or why not.
    std::function<std::string(const TCTab& table, std::string& smiles)> writeSmiles;
    std::function<std::string(TCTab& table)> layOut;
};

void RegisterStructureFormats(StructureFormatReaders readers);
bool StructureFormatsAvailable();

// True for ".smi", ".smiles", ".csv" and ".tsv" (any case).
bool IsSmilesFileName(const std::string& fileName);
// By the extension; any other file is a molfile, V3000 when the counts line of its first record
// says so (RDKit then reads every record, V2000 ones too). Throws IoError when a molfile cannot be read.
StructureFileKind StructureFileKindOf(const std::string& fileName);

// The records of the file: its "$$$$" lines for molfiles, its structure lines for SMILES files.
// Throws IoError (kStructureFormatsUnavailable when no reader is registered for it).
long CountStructureRecords(const std::string& fileName, const SourceOptions& options = {});
// The source an import reads the file through; throws IoError as CountStructureRecords.
std::unique_ptr<StructureSource> OpenStructureSource(const std::string& fileName,
                                                     const SourceOptions& options = {});
// Reads the first record of the file into table. False, with the reason in problem, when it holds
// no structure (for a V2000 molfile: no atoms or a bond to a missing atom, the reader's format test).
// Throws IoError as CountStructureRecords.
bool FirstStructure(const std::string& fileName, TCTab& table, std::string& problem,
                    const SourceOptions& options = {});
// One SMILES into table; "" or the reason it is refused. Throws IoError when no reader is registered.
std::string StructureFromSmiles(const std::string& smiles, TCTab& table);
// One molfile record through the registered reader (see parseMolBlock); "" or the reason it cannot
// be held, which says so when no reader is registered.
std::string StructureFromMolBlock(const std::string& block, TCTab& table);
// Whether the optional writers are registered; without them the next two throw IoError.
bool StructureWritersAvailable();
std::string SmilesOfStructure(const TCTab& table, std::string& smiles);
std::string LayOutStructure(TCTab& table);

} // namespace velmora
