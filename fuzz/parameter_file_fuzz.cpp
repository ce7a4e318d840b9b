// Parses arbitrary bytes as a parameter file of 3 and of 153 lines: values or an IoError.
#include "base/ioerror.h"
#include "descriptors/descfiles.h"

#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace velmora;
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    for (int lines : {3, 153}) {
        try {
            const auto values = ParseParameterFile(bytes, "fuzz.idp", lines);
            if (values.size() != static_cast<std::size_t>(lines))
                __builtin_trap();
        } catch (const IoError&) {
        }
    }
    return 0;
}
