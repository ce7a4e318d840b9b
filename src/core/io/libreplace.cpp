#include "io/libreplace.h"

#include "base/ioerror.h"
#include "io/libfiles.h"
#include "io/libstamp.h"
#include "io/structlib.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace velmora {

namespace {

bool Exists(const std::string& path)
{
    struct stat info {};
    return ::lstat(path.c_str(), &info) == 0;
}

void RemoveIfPresent(const std::string& path) { ::unlink(path.c_str()); }

// The staged index once the staged library is complete; no staged index is named so (those end in
// ".III").
std::string ReadyIndexName(const std::string& folder) { return folder + "/ready-index"; }

std::string StagedName(const std::string& libraryName, const std::string& folder)
{
    return folder + "/" + std::filesystem::path(libraryName).filename().string();
}

// The index of the library in its lower-case spelling, when it is a file apart from the ".III" one
// (which readers take first): the previous library's, to go with it.
void RemoveLowerCaseIndex(const std::string& libraryName)
{
    const std::string upper = IndexFileName(libraryName);
    const std::string lower = upper.substr(0, upper.size() - 3) + "iii";
    if (Exists(lower) && !SameFile(lower, upper))
        RemoveIfPresent(lower);
}

// The last two steps of a commit: the staged data file (when still there) and the ready index
// replace the library's. False when a rename failed.
bool CompleteCommit(const std::string& libraryName, const std::string& folder, const std::string& staged)
{
    if (Exists(staged) && std::rename(staged.c_str(), libraryName.c_str()) != 0)
        return false;
    if (std::rename(ReadyIndexName(folder).c_str(), IndexFileName(libraryName).c_str()) != 0)
        return false;
    RemoveLowerCaseIndex(libraryName);
    ::rmdir(folder.c_str());
    return true;
}

} // namespace

void RemoveLibraryCompanions(const std::string& libraryName)
{
    for (const char* extension : {"idr", "idp", "pre"}) {
        RemoveCompanionStamp(libraryName, extension);
        RemoveIfPresent(LibraryCompanionName(libraryName, extension));
    }
}

std::string LibraryStagingFolder(const std::string& libraryName) { return libraryName + "-import"; }

void FinishLibraryReplacement(const std::string& libraryName)
{
    const std::string folder = LibraryStagingFolder(libraryName);
    if (!Exists(ReadyIndexName(folder)))
        return;
    CompleteCommit(libraryName, folder, StagedName(libraryName, folder));
}

LibraryReplacement::LibraryReplacement(const std::string& libraryName)
    : m_library(libraryName), m_folder(LibraryStagingFolder(libraryName)),
      m_staged(velmora::StagedName(libraryName, m_folder))
{
    FinishLibraryReplacement(libraryName);
    if (Exists(ReadyIndexName(m_folder))) { // not to be discarded: it may hold the library's only index
        throw IoError(libraryName, "an earlier replacement of the library cannot be completed; see " + m_folder);
    }
    Discard();
}

LibraryReplacement::~LibraryReplacement()
{
    if (!m_committed)
        Discard();
}

void LibraryReplacement::Discard()
{
    RemoveIfPresent(m_staged);
    RemoveIfPresent(IndexFileName(m_staged));
    ::rmdir(m_folder.c_str());
}

void LibraryReplacement::Prepare() { ::mkdir(m_folder.c_str(), 0777); }

void LibraryReplacement::Commit()
{
    auto fail = [&](const std::string& what) {
        throw IoError(m_library, "cannot replace the library: renaming " + what + " failed: " + std::strerror(errno));
    };
    // What belonged to the previous library goes first: nothing of it may pass for the new one's.
    RemoveCompanionStamp(m_library, "clb"); // what is imported is the user's, never a search's result
    RemoveLibraryCompanions(m_library);
    if (std::rename(IndexFileName(m_staged).c_str(), ReadyIndexName(m_folder).c_str()) != 0)
        fail(IndexFileName(m_staged));
    if (std::rename(m_staged.c_str(), m_library.c_str()) != 0) {
        const int error = errno;
        std::rename(ReadyIndexName(m_folder).c_str(), IndexFileName(m_staged).c_str()); // not ready after all
        errno = error;
        fail(m_staged);
    }
    m_committed = true; // from here on the new library stands, completed by the next lock if need be
    if (!CompleteCommit(m_library, m_folder, m_staged))
        fail(ReadyIndexName(m_folder));
}

} // namespace velmora
