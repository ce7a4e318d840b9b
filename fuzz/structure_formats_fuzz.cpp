// Reads arbitrary bytes as a SMILES file (.smi, .csv, .tsv), as a V3000 SD file or as one SMILES
// string, through the entry points an import and a query load use: counting, the source's records,
// the first structure. Every structure read is written as a molfile record and read back.
// The first byte chooses the format, the second the SMILES column of a table; the rest is the file.
#include "base/ioerror.h"
#include "base/textfile.h"
#include "interop.h"
#include "io/molfile.h"
#include "io/structureformats.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <string_view>
#include <unistd.h>

namespace {

void WriteFile(const std::string& path, std::string_view content)
{
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file)
        std::abort(); // the harness cannot run without its scratch folder
    if (!content.empty())
        std::fwrite(content.data(), 1, content.size(), file);
    std::fclose(file);
}

void WriteAndReadBack(const velmora::TCTab& table)
{
    using namespace velmora;
    std::string text;
    TextWriter writer(&text);
    WriteMolRecord(table, writer, "ZW", "", 0, "");
    auto again = TextReader::FromMemory(text);
    TCTab copy;
    ReadMolRecord(copy, again);
}

const std::string& ScratchFolder()
{
    static const std::string folder = [] {
        char pattern[] = "/tmp/velmora-fuzz-formats-XXXXXX";
        const char* made = mkdtemp(pattern);
        if (!made)
            std::abort();
        return std::string(made);
    }();
    return folder;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    velmora::interop::RegisterInteropFormats();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace velmora;
    if (size < 2)
        return 0;
    const std::string_view content(reinterpret_cast<const char*>(data) + 2, size - 2);
    static const char* const kExtensions[] = {".smi", ".csv", ".tsv", ".sdf"};
    static const char* const kColumns[] = {"", "1", "2", "smiles", "name", "0", "99"};
    const int format = data[0] % 5;
    try {
        if (format == 4) {
            TCTab table;
            if (StructureFromSmiles(std::string(content), table).empty())
                WriteAndReadBack(table);
            return 0;
        }
        const std::string file = ScratchFolder() + "/input" + kExtensions[format];
        WriteFile(file, content);
        SourceOptions options;
        if (format == 1 || format == 2)
            options.smilesColumn = kColumns[data[1] % 7];
        const long count = CountStructureRecords(file, options);
        TCTab first;
        std::string problem;
        if (FirstStructure(file, first, problem, options))
            WriteAndReadBack(first);
        const auto source = OpenStructureSource(file, options);
        TCTab table;
        for (long record = 0; record < 1000 && !source->AtEnd(); ++record) {
            table.Clear();
            if (source->Read(table).empty())
                WriteAndReadBack(table);
        }
        (void)count;
    } catch (const IoError&) {
        // A file that cannot be read is refused with a message: the expected outcome.
    }
    return 0;
}
