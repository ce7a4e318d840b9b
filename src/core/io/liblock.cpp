#include "io/liblock.h"

#include "io/libfiles.h"
#include "io/libset.h"
#include "io/libreplace.h"

#include <array>
#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace velmora {

namespace {

constexpr std::array<const char*, 7> kWorkNames{"import", "build", "params", "search", "search", "export", "reading"};

bool Writes(LibraryWork work) { return static_cast<int>(work) < static_cast<int>(LibraryWork::Search); }

// Byte 0 is the library's lock; byte 1 + work is held (shared) by every holder doing that work, so
// that a refused program can say what the library is in use for.
constexpr off_t kLibraryByte = 0;
off_t KindByte(LibraryWork work) { return 1 + static_cast<off_t>(work); }

enum class Taken { Yes, Busy, Unsupported };

Taken SetLock(int fd, short type, off_t byte)
{
#ifdef F_OFD_SETLK
    struct flock lock {};
    lock.l_type = type;
    lock.l_whence = SEEK_SET;
    lock.l_start = byte;
    lock.l_len = 1;
    if (::fcntl(fd, F_OFD_SETLK, &lock) == 0)
        return Taken::Yes;
    return errno == EAGAIN || errno == EACCES ? Taken::Busy : Taken::Unsupported;
#else
    (void)fd;
    (void)type;
    (void)byte;
    return Taken::Unsupported;
#endif
}

// The works other holders of the lock file do (writing ones only when the refused work reads).
std::string HolderWorks(int fd, bool refusedWrites)
{
    std::string works;
#ifdef F_OFD_GETLK
    for (std::size_t k = 0; k < kWorkNames.size(); ++k) {
        const auto work = static_cast<LibraryWork>(k);
        if (!refusedWrites && !Writes(work))
            continue;
        struct flock probe {};
        probe.l_type = F_WRLCK;
        probe.l_whence = SEEK_SET;
        probe.l_start = KindByte(work);
        probe.l_len = 1;
        if (::fcntl(fd, F_OFD_GETLK, &probe) != 0 || probe.l_type == F_UNLCK)
            continue;
        const std::string name = kWorkNames[k];
        if (works.find(name) == std::string::npos)
            works += (works.empty() ? "" : ", ") + name;
    }
#else
    (void)fd;
    (void)refusedWrites;
#endif
    return works;
}

[[noreturn]] void Refuse(const std::string& libraryName, const std::string& works)
{
    throw LibraryBusy(libraryName, "in use by another program" + (works.empty() ? std::string() : " (" + works + ")") +
                                       ": nothing was changed; try again when it has finished");
}

// The lock files this thread holds, so that its own work may nest.
struct HeldLock {
    dev_t device = 0;
    ino_t inode = 0;
    int fd = -1; // -1: a free slot
    bool exclusive = false;
    bool flockOnly = false; // the file system has no open-file-description locks
    int count = 0;
};
thread_local std::vector<HeldLock> t_held;

} // namespace

const char* LibraryWorkName(LibraryWork work) { return kWorkNames[static_cast<std::size_t>(work)]; }

std::string LibraryLockFileName(const std::string& libraryName) { return LibraryCompanionName(libraryName, "lock"); }

LibraryLock::LibraryLock(const std::string& libraryName, LibraryWork work)
{
    if (IsLibrarySetName(libraryName)) {
        // A set's members are read whatever is done with the set (its own files are written only).
        // They are locked first: when the set's own lock is refused, they are let go again.
        std::vector<LibrarySetEntry> entries;
        try {
            entries = ReadLibrarySetList(libraryName);
        } catch (const IoError&) {
            // A set that cannot be read is refused by whoever opens it, naming its problem.
        }
        const LibraryWork memberWork = work == LibraryWork::Search ? LibraryWork::Search : LibraryWork::Read;
        for (const LibrarySetEntry& entry : entries)
            if (!IsLibrarySetName(entry.path))
                m_members.push_back(std::make_unique<LibraryLock>(entry.path, memberWork));
    }
    const bool writes = Writes(work);
    const std::string lockName = LibraryLockFileName(libraryName);
    struct stat info {};
    const bool create = writes || ::stat(libraryName.c_str(), &info) == 0;
    int fd = ::open(lockName.c_str(), O_RDWR | O_CLOEXEC | (create ? O_CREAT : 0), 0666);
    if (fd < 0 && !writes)
        fd = ::open(lockName.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return;
    if (::fstat(fd, &info) != 0) {
        ::close(fd);
        return;
    }
    for (std::size_t i = 0; i < t_held.size(); ++i) {
        HeldLock& held = t_held[i];
        if (held.fd < 0 || held.device != info.st_dev || held.inode != info.st_ino)
            continue;
        ::close(fd);
        if (writes && !held.exclusive) {
            Taken taken = Taken::Yes;
            if (!held.flockOnly) {
                // Said first, as a new holder does, so that a refused program can name the work.
                SetLock(held.fd, F_RDLCK, KindByte(work));
                taken = SetLock(held.fd, F_WRLCK, kLibraryByte);
            } else {
                taken = ::flock(held.fd, LOCK_EX | LOCK_NB) == 0 ? Taken::Yes : Taken::Busy;
            }
            if (taken != Taken::Yes) {
                if (!held.flockOnly)
                    SetLock(held.fd, F_UNLCK, KindByte(work));
                Refuse(libraryName, held.flockOnly ? std::string() : HolderWorks(held.fd, true));
            }
            held.exclusive = true;
            m_upgraded = true;
            m_upgradeKind = static_cast<int>(KindByte(work));
        }
        ++held.count;
        m_entry = static_cast<int>(i);
        return;
    }

    HeldLock held;
    held.device = info.st_dev;
    held.inode = info.st_ino;
    held.fd = fd;
    held.exclusive = writes;
    held.count = 1;
    Taken taken = Taken::Busy;
    std::string works;
    // A holder that lets go between our attempt and the look at what it does leaves no work to
    // name: the lock is then free, so it is tried again rather than refused without a reason.
    for (int attempt = 0; attempt < 3; ++attempt) {
        taken = SetLock(fd, F_RDLCK, KindByte(work));
        if (taken == Taken::Yes)
            taken = SetLock(fd, writes ? F_WRLCK : F_RDLCK, kLibraryByte);
        if (taken == Taken::Unsupported) {
            held.flockOnly = true;
            taken = ::flock(fd, (writes ? LOCK_EX : LOCK_SH) | LOCK_NB) == 0 ? Taken::Yes : Taken::Busy;
            break;
        }
        if (taken == Taken::Yes)
            break;
        works = HolderWorks(fd, writes);
        if (!works.empty())
            break;
    }
    if (taken != Taken::Yes) {
        ::close(fd);
        Refuse(libraryName, works);
    }
    for (std::size_t i = 0; i <= t_held.size(); ++i)
        if (i == t_held.size() || t_held[i].fd < 0) {
            if (i == t_held.size())
                t_held.push_back(held);
            else
                t_held[i] = held;
            m_entry = static_cast<int>(i);
            break;
        }
    // A program killed while its import replaced the library may have left the new data file beside
    // the previous index: whoever holds the lock next completes the replacement first.
    if (!IsLibrarySetName(libraryName))
        FinishLibraryReplacement(libraryName);
}

LibraryLock::~LibraryLock()
{
    if (m_entry < 0)
        return;
    HeldLock& held = t_held[static_cast<std::size_t>(m_entry)];
    if (--held.count == 0) {
        ::close(held.fd); // releases every lock of the description
        held = HeldLock{};
        return;
    }
    if (m_upgraded) {
        // Back to the shared lock the enclosing reader holds.
        if (held.flockOnly)
            ::flock(held.fd, LOCK_SH | LOCK_NB);
        else {
            SetLock(held.fd, F_RDLCK, kLibraryByte);
            SetLock(held.fd, F_UNLCK, m_upgradeKind);
        }
        held.exclusive = false;
    }
}

} // namespace velmora
