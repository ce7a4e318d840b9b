// Reads every record of an arbitrary SD file, writes each back and reads it again.
#include "base/ioerror.h"
#include "base/textfile.h"
#include "io/molfile.h"

#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace velmora;
    auto reader = TextReader::FromMemory(std::string_view(reinterpret_cast<const char*>(data), size));
    TCTab table;
    MolReadStatus status;
    try {
        for (int records = 0; !reader.Eof() && records < 1000; ++records) {
            ReadMolRecord(table, reader, status);
            std::string text;
            TextWriter writer(&text);
            WriteMolRecord(table, writer, "ZW", "", 0, "");
            auto again = TextReader::FromMemory(text);
            TCTab copy;
            ReadMolRecord(copy, again);
        }
    } catch (const IoError&) {
    }
    return 0;
}
