#include "io/structureformats.h"

#include "base/ioerror.h"
#include "io/molfile.h"

#include <filesystem>

namespace velmora {

namespace {

StructureFormatReaders& Readers()
{
    static StructureFormatReaders readers;
    return readers;
}

std::string LowerExtension(const std::string& fileName)
{
    std::string extension = std::filesystem::path(fileName).extension().string();
    for (char& c : extension)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return extension;
}

const StructureFormatReaders& Required(const std::string& fileName)
{
    if (!StructureFormatsAvailable())
        throw IoError(fileName, kStructureFormatsUnavailable);
    return Readers();
}

} // namespace

void RegisterStructureFormats(StructureFormatReaders readers) { Readers() = std::move(readers); }

bool StructureFormatsAvailable()
{
    const auto& readers = Readers();
    return readers.openSmiles && readers.countSmiles && readers.openV3000 && readers.parseSmiles;
}

bool IsSmilesFileName(const std::string& fileName)
{
    const std::string extension = LowerExtension(fileName);
    return extension == ".smi" || extension == ".smiles" || extension == ".csv" || extension == ".tsv";
}

StructureFileKind StructureFileKindOf(const std::string& fileName)
{
    if (IsSmilesFileName(fileName))
        return StructureFileKind::Smiles;
    // The counts line (the fourth) of the first record decides: looking further would read the
    // whole of every V2000 file once more before its import.
    TextReader reader(fileName);
    reader.SetLongLines(TextReader::LongLines::Cut);
    std::string line;
    for (int number = 1; number <= 4 && !reader.Eof(); ++number) {
        reader.ReadLine(line);
        if (line == "$$$$")
            break;
        if (number == 4 && line.find("V3000") != std::string::npos)
            return StructureFileKind::V3000Molfile;
    }
    return StructureFileKind::Molfile;
}

long CountStructureRecords(const std::string& fileName, const SourceOptions& options)
{
    if (IsSmilesFileName(fileName))
        return Required(fileName).countSmiles(fileName, options);
    return CountSDRecords(fileName);
}

std::unique_ptr<StructureSource> OpenStructureSource(const std::string& fileName, const SourceOptions& options)
{
    switch (StructureFileKindOf(fileName)) {
    case StructureFileKind::Smiles: return Required(fileName).openSmiles(fileName, options);
    case StructureFileKind::V3000Molfile: return Required(fileName).openV3000(fileName);
    case StructureFileKind::Molfile: break;
    }
    return std::make_unique<SdSource>(fileName);
}

bool FirstStructure(const std::string& fileName, TCTab& table, std::string& problem, const SourceOptions& options)
{
    problem.clear();
    const StructureFileKind kind = StructureFileKindOf(fileName);
    if (kind == StructureFileKind::Molfile) {
        TextReader reader(fileName);
        MolReadStatus status;
        ReadMolRecord(table, reader, status);
        if (status.Spoiled())
            problem = MolReadProblemOfRecord(status, 1);
        return problem.empty();
    }
    const auto source = OpenStructureSource(fileName, options);
    if (source->AtEnd()) {
        problem = "the file holds no structure";
        return false;
    }
    problem = source->Read(table);
    return problem.empty();
}

std::string StructureFromSmiles(const std::string& smiles, TCTab& table)
{
    return Required("SMILES").parseSmiles(smiles, table);
}

std::string StructureFromMolBlock(const std::string& block, TCTab& table)
{
    const auto& readers = Readers();
    if (!readers.parseMolBlock) {
        table.FStrucName = block.substr(0, block.find('\n'));
        return std::string("a V3000 record: ") + kStructureFormatsUnavailable;
    }
    return readers.parseMolBlock(block, table);
}

bool StructureWritersAvailable() { return Readers().writeSmiles && Readers().layOut; }

std::string SmilesOfStructure(const TCTab& table, std::string& smiles)
{
    if (!StructureWritersAvailable())
        throw IoError("SMILES", kStructureFormatsUnavailable);
    return Readers().writeSmiles(table, smiles);
}

std::string LayOutStructure(TCTab& table)
{
    if (!StructureWritersAvailable())
        throw IoError("2D layout", kStructureFormatsUnavailable);
    return Readers().layOut(table);
}

} // namespace velmora
