#pragma once
// The names of a structure library's files. Every file of a library is named from the path of its
// data file by replacing the last extension ("screen.v1.clb" -> "screen.v1.III", "screen.v1.pre"),
// so two libraries never share a file. A library's name ends in ".clb" (any case).
#include <optional>
#include <string>
#include <vector>

namespace velmora {

// Whether name ends in ".clb", in any case.
bool HasLibraryExtension(const std::string& name);
// name with ".clb" added when it does not end in ".clb".
std::string WithLibraryExtension(const std::string& name);
// The library path with its last extension replaced by extension (given without the dot); a
// name without extension gets "." and extension added.
std::string LibraryCompanionName(const std::string& libraryName, const std::string& extension);
// The refusal for a name that cannot be a library's: empty when name ends in ".clb".
std::string LibraryNameProblem(const std::string& name);
// A file's name as the windows, printouts and messages show it: its absolute, normalized path
// (the name as given when the current folder cannot be found).
std::string FullPath(const std::string& name);

// Every file that belongs to the library: data, index (".III" and ".iii"), descriptor and
// parameter files, the search's scratch and export files, the lock file and the state stamps.
std::vector<std::string> LibraryOwnedFiles(const std::string& libraryName);

// Whether two paths name the same file: by device and inode when both exist, otherwise by their
// absolute, normalized paths (symbolic links in existing folders resolved).
bool SameFile(const std::string& a, const std::string& b);
// The file of the library that path is, or nothing.
std::optional<std::string> LibraryFileAt(const std::string& libraryName, const std::string& path);

// The library that path is a file of: path itself when it ends in ".clb", or the ".clb" (or ".CLB")
// beside it when that exists and path is one of its companion files; nothing otherwise.
std::optional<std::string> OwningLibrary(const std::string& path);

// Why a file cannot be created at path, with the system's words ("the folder /x does not exist",
// "the folder /x is not writable: Permission denied"); empty when the folder allows it.
std::string FolderProblem(const std::string& path);

} // namespace velmora
