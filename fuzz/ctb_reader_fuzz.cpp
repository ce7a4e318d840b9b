// Reads CTB records from arbitrary text and writes them back.
#include "base/ioerror.h"
#include "base/textfile.h"
#include "io/ctb.h"

#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace velmora;
    auto reader = TextReader::FromMemory(std::string_view(reinterpret_cast<const char*>(data), size));
    TCTab table;
    try {
        for (int records = 0; records < 100 && ReadCTB(table, reader); ++records) {
            std::string text;
            TextWriter writer(&text);
            WriteCTB(table, writer);
        }
    } catch (const IoError&) {
    }
    return 0;
}
