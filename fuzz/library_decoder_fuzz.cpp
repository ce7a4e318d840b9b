// Decodes every record of a library made of arbitrary bytes: the first two bytes give the index
// size in entries, then come the index and the data file. Decoded records are appended to a
// second library and read back; some are taken back again.
#include "io/structlib.h"

#include <cstdint>
#include <cstdio>
#include <string>
#include <unistd.h>

namespace {
void WriteFile(const std::string& path, const std::uint8_t* data, std::size_t size)
{
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file)
        return;
    if (size > 0)
        std::fwrite(data, 1, size, file);
    std::fclose(file);
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace velmora;
    if (size < 2)
        return 0;
    static const std::string dir = [] {
        char pattern[] = "/tmp/velmora-fuzz-XXXXXX";
        const char* made = mkdtemp(pattern);
        return std::string(made ? made : "/tmp");
    }();
    const std::size_t entries = std::min<std::size_t>(data[0] | (data[1] << 8), (size - 2) / 4);
    const std::string lib = dir + "/in.clb";
    const std::string copy = dir + "/copy.clb";
    WriteFile(dir + "/in.III", data + 2, 4 * entries);
    WriteFile(lib, data + 2 + 4 * entries, size - 2 - 4 * entries);
    std::remove(copy.c_str());
    std::remove((dir + "/copy.III").c_str());

    StructureLibrary library;
    StructureLibrary writer;
    writer.SetWritePermission(true);
    const long count = CountLibraryRecords(lib);
    for (long position = 0; position <= count + 1; ++position) {
        if (library.ReadLibraryRecord(lib, position) != kLibOk)
            continue;
        writer.Structure().Assign(library.Structure());
        if (writer.WriteLibraryRecord(copy, library.RecordName(), library.RecordCASNumber()) == kLibOk &&
            (writer.ReadLibraryRecord(copy, writer.RecordPosition()) != kLibOk || position % 3 == 0))
            writer.RemoveLastRecord(copy); // taken back as the import does with a wrong record
    }
    return 0;
}
