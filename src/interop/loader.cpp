#include "interopmodule.h"

#include "base/ioerror.h"
#include "io/structureformats.h"
#include "search/structurematching.h"

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

// The module, loaded once; a module that cannot be loaded is an IoError naming it (the problem:
// the loader's reason). It stays
// loaded for the life of the process (its functions are held by the readers and the filters).
void* ModuleHandle()
{
    static std::once_flag once;
    static void* handle = nullptr;
    static std::string failure;
    std::call_once(once, [] {
        handle = ::dlopen(ModulePath().c_str(), RTLD_NOW | RTLD_LOCAL);
        if (!handle) {
            const char* why = ::dlerror();
            failure = why ? why : "unknown error";
        }
    });
    if (!handle)
        throw IoError(ModulePath(), failure);
    return handle;
}

// What the module's entry `symbol` fills in, asked once.
template <class Functions>
const Functions& Filled(const char* symbol, const char* what)
{
    static std::once_flag once;
    static Functions functions;
    static std::string failure;
    std::call_once(once, [&] {
        void* handle = nullptr;
        try {
            handle = ModuleHandle();
        } catch (const IoError& error) {
            failure = std::string("cannot load ") + what + ": " + error.Problem();
            return;
        }
        using Entry = int (*)(int, void*);
        auto entry = reinterpret_cast<Entry>(::dlsym(handle, symbol));
        if (!entry || entry(kModuleAbiVersion, &functions) != 1) {
            failure = std::string("cannot load ") + what + ": the module does not fit this program";
            functions = {};
        }
    });
    if (!failure.empty())
        throw IoError(ModulePath(), failure);
    return functions;
}

const StructureFormatReaders& Loaded()
{
    return Filled<StructureFormatReaders>("velmora_interop_readers", "the SMILES and V3000 readers");
}

const StructureMatching& LoadedMatching()
{
    return Filled<StructureMatching>("velmora_interop_matching", "the structural filters");
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
    StructureMatching matching;
    matching.checkSmarts = [](const std::string& smarts) { return LoadedMatching().checkSmarts(smarts); };
    matching.catalogues = [] { return LoadedMatching().catalogues(); };
    matching.compile = [](const std::vector<std::string>& required, const std::vector<std::string>& excluded,
                          const std::vector<std::string>& catalogues) {
        return LoadedMatching().compile(required, excluded, catalogues);
    };
    RegisterStructureMatching(std::move(matching));
    return true;
}

} // namespace velmora::interop
