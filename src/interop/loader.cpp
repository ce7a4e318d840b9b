#include "interopmodule.h"

#include "base/ioerror.h"
#include "io/structureformats.h"

#include <dlfcn.h>

#include <filesystem>
#include <mutex>
#include <string>
#include <system_error>

namespace velmora::interop {

namespace {

std::string& ModulePath()
{
    static std::string path;
    return path;
}

// The module's readers, loaded once; a module that cannot be loaded is an IoError naming it. The
// module stays loaded for the life of the process (its functions are held by the readers).
const StructureFormatReaders& Loaded()
{
    static std::once_flag once;
    static StructureFormatReaders readers;
    static std::string failure;
    std::call_once(once, [] {
        void* handle = ::dlopen(ModulePath().c_str(), RTLD_NOW | RTLD_LOCAL);
        if (!handle) {
            const char* why = ::dlerror();
            failure = std::string("cannot load the SMILES and V3000 readers: ") + (why ? why : "unknown error");
            return;
        }
        using Entry = int (*)(int, void*);
        auto entry = reinterpret_cast<Entry>(::dlsym(handle, "velmora_interop_readers"));
        if (!entry || entry(kModuleAbiVersion, &readers) != 1) {
            failure = "cannot load the SMILES and V3000 readers: the module does not fit this program";
            readers = {};
        }
    });
    if (!failure.empty())
        throw IoError(ModulePath(), failure);
    return readers;
}

std::string FindModule()
{
    constexpr const char* kFileName = "libvelmora-interop.so";
    std::error_code ec;
    const auto self = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (!ec) {
        const auto beside = self.parent_path() / kFileName;
        if (std::filesystem::is_regular_file(beside, ec))
            return beside.string();
    }
#ifdef VELMORA_INTEROP_MODULE_BUILT
    if (std::filesystem::is_regular_file(VELMORA_INTEROP_MODULE_BUILT, ec))
        return VELMORA_INTEROP_MODULE_BUILT;
#endif
    return {};
}

} // namespace

bool RegisterInteropModule()
{
    ModulePath() = FindModule();
    if (ModulePath().empty())
        return false;
    StructureFormatReaders readers;
    readers.openSmiles = [](const std::string& file, const SourceOptions& options) {
        return Loaded().openSmiles(file, options);
    };
    readers.countSmiles = [](const std::string& file, const SourceOptions& options) {
        return Loaded().countSmiles(file, options);
    };
    readers.openV3000 = [](const std::string& file) { return Loaded().openV3000(file); };
    readers.parseSmiles = [](const std::string& smiles, TCTab& table) { return Loaded().parseSmiles(smiles, table); };
    readers.parseMolBlock = [](const std::string& block, TCTab& table) { return Loaded().parseMolBlock(block, table); };
    readers.writeSmiles = [](const TCTab& table, std::string& smiles) { return Loaded().writeSmiles(table, smiles); };
    readers.layOut = [](TCTab& table) { return Loaded().layOut(table); };
    RegisterStructureFormats(std::move(readers));
    return true;
}

} // namespace velmora::interop
