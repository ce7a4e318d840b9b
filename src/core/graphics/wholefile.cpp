#include "graphics/wholefile.h"

#include "base/ioerror.h"
#include "base/textfile.h"

#include <filesystem>
#include <system_error>

namespace velmora {

void WriteWholeFile(const std::string& path, const std::string& text)
{
    const std::string partial = path + ".part";
    try {
        TextWriter writer(partial);
        writer.Write(text);
        writer.Close();
    } catch (const IoError& error) {
        std::error_code ignored;
        std::filesystem::remove(partial, ignored);
        // Name the file the user asked for, not the temporary one beside it.
        throw IoError(path, error.Problem());
    }
    std::error_code error;
    std::filesystem::rename(partial, path, error);
    if (error) {
        const std::string problem = "cannot write the file: " + error.message();
        std::filesystem::remove(partial, error);
        throw IoError(path, problem);
    }
}

} // namespace velmora
