#include "io/libfiles.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace velmora {

namespace {

// Position of the dot of the last extension in the file-name part, or npos.
std::size_t ExtensionDot(const std::string& name)
{
    const auto slash = name.find_last_of("/\\");
    const std::size_t start = slash == std::string::npos ? 0 : slash + 1;
    const auto dot = name.find_last_of('.');
    return dot == std::string::npos || dot < start ? std::string::npos : dot;
}

std::string Normalized(const std::string& path)
{
    std::error_code ec;
    auto absolute = std::filesystem::absolute(path, ec);
    if (ec)
        return path;
    auto resolved = std::filesystem::weakly_canonical(absolute, ec);
    return (ec ? absolute.lexically_normal() : resolved).string();
}

} // namespace

bool HasLibraryExtension(const std::string& name)
{
    if (name.size() < 4)
        return false;
    std::string tail = name.substr(name.size() - 4);
    std::transform(tail.begin(), tail.end(), tail.begin(), [](unsigned char c) { return std::tolower(c); });
    return tail == ".clb";
}

std::string WithLibraryExtension(const std::string& name)
{
    return HasLibraryExtension(name) ? name : name + ".clb";
}

std::string LibraryCompanionName(const std::string& libraryName, const std::string& extension)
{
    const auto dot = ExtensionDot(libraryName);
    return (dot == std::string::npos ? libraryName : libraryName.substr(0, dot)) + "." + extension;
}

std::string LibraryNameProblem(const std::string& name)
{
    if (HasLibraryExtension(name))
        return {};
    return "not a structure library: a library's name ends in \".clb\"";
}

std::string FullPath(const std::string& name)
{
    if (name.empty())
        return name;
    std::error_code ec;
    const std::filesystem::path full = std::filesystem::absolute(name, ec);
    return ec ? name : full.lexically_normal().string();
}

std::vector<std::string> LibraryOwnedFiles(const std::string& libraryName)
{
    std::vector<std::string> files{libraryName};
    for (const char* extension : {"III", "iii", "pre", "pr1", "idp", "idr", "id1", "qlt", "asc", "lock", "pre-state",
                                  "idp-state", "idr-state", "clb-state"})
        files.push_back(LibraryCompanionName(libraryName, extension));
    return files;
}

bool SameFile(const std::string& a, const std::string& b)
{
    struct stat infoA {}, infoB {};
    const bool existsA = ::stat(a.c_str(), &infoA) == 0;
    const bool existsB = ::stat(b.c_str(), &infoB) == 0;
    if (existsA && existsB)
        return infoA.st_dev == infoB.st_dev && infoA.st_ino == infoB.st_ino;
    if (existsA != existsB)
        return false;
    return Normalized(a) == Normalized(b);
}

std::optional<std::string> LibraryFileAt(const std::string& libraryName, const std::string& path)
{
    for (const auto& file : LibraryOwnedFiles(libraryName))
        if (SameFile(file, path))
            return file;
    return std::nullopt;
}

std::optional<std::string> OwningLibrary(const std::string& path)
{
    if (HasLibraryExtension(path))
        return path;
    for (const char* extension : {"clb", "CLB"}) {
        const std::string library = LibraryCompanionName(path, extension);
        struct stat info {};
        if (library != path && ::stat(library.c_str(), &info) == 0 && LibraryFileAt(library, path))
            return library;
    }
    return std::nullopt;
}

std::string FolderProblem(const std::string& path)
{
    std::filesystem::path folder = std::filesystem::path(path).parent_path();
    if (folder.empty())
        folder = ".";
    struct stat info {};
    if (::stat(folder.c_str(), &info) != 0)
        return "the folder " + folder.string() + " cannot be used: " + std::strerror(errno);
    if (!S_ISDIR(info.st_mode))
        return folder.string() + " is not a folder";
    if (::access(folder.c_str(), W_OK) != 0)
        return "the folder " + folder.string() + " is not writable: " + std::strerror(errno);
    return {};
}

} // namespace velmora
