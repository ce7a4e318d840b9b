#pragma once
// One writer at a time on a structure library, and no reader while it writes, between programs.
//
// The lock is advisory and lives on the library's lock file ("screen.lock" beside "screen.clb"),
// which is never replaced or deleted: the data file itself is deleted and made anew by a fresh
// import and by a search's result library, and a lock on a deleted file guards nothing. Work that
// writes the library or its companion files holds the lock exclusively, work that reads them holds
// it shared. Nobody waits: a program that cannot have the lock at once gets LibraryBusy, which
// names the library and the kind of work that holds it, before it has changed anything.
//
// Locks are open-file-description locks: two programs, and two threads of one program, exclude
// each other; the same thread may nest them (an exclusive lock inside a shared one of the same
// library is taken when no other holder reads it).
//
// The lock of a library set (io/libset.h) is the set's own lock file, for its companion files, and
// a reading lock on every member library it lists.
#include "base/ioerror.h"

#include <memory>
#include <string>
#include <vector>

namespace velmora {

// What a holder does with the library; the first four write it.
enum class LibraryWork { Import, Build, Params, SearchResult, Search, Export, Read };

// "import", "build", "params", "search", "search", "export", "reading".
const char* LibraryWorkName(LibraryWork work);

class LibraryBusy : public IoError {
public:
    using IoError::IoError;
};

class LibraryLock {
public:
    // Takes the lock of libraryName for work at once, or throws LibraryBusy:
    // "x.clb: in use by another program (import); try again when it has finished".
    // Where no lock file can be made (a read-only folder, a folder that does not exist) the work
    // goes on unlocked and meets the folder's own problem when it writes. A reader does not make a
    // lock file for a library that does not exist. A replacement of the library that a killed import
    // left half done is completed first (io/libreplace.h).
    LibraryLock(const std::string& libraryName, LibraryWork work);
    ~LibraryLock();
    LibraryLock(const LibraryLock&) = delete;
    LibraryLock& operator=(const LibraryLock&) = delete;

    // Whether the lock is held (false only when no lock file could be made).
    bool Held() const { return m_entry >= 0; }

private:
    int m_entry = -1;      // the thread's record of the lock file, -1: unlocked
    bool m_upgraded = false; // this object made a shared lock of the thread exclusive
    int m_upgradeKind = 0;   // the byte that says what it does meanwhile
    std::vector<std::unique_ptr<LibraryLock>> m_members; // a set's member libraries, read-locked
};

// The library's lock file: its name with the last extension replaced by "lock".
std::string LibraryLockFileName(const std::string& libraryName);

} // namespace velmora
