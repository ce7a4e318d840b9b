#include "io/structlib.h"

#include "base/bytes.h"
#include "base/ioerror.h"
#include "base/numeric.h"
#include "io/libfiles.h"
#include "io/libset.h"
#include "io/namewords.h"
#include "model/elements.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace velmora {

namespace {

constexpr std::size_t kHeaderSize = 86;
constexpr int kMaxNameBytes = 255;

bool FileExists(const std::string& path)
{
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0;
}

// Element code of an atom: isotopes of H, C, N and O have codes of their own.
std::uint8_t ElementCode(const TAtomRecord& atom)
{
    const StorableIsotope* isotope = FindStorableIsotope(atom.AtNum, atom.AtWeight);
    return isotope ? static_cast<std::uint8_t>(isotope->code) : atom.AtNum;
}

int BondCode(int type)
{
    switch (type) {
    case 2: return 1;
    case 3: return 2;
    case 4: return 3;
    default: return 0;
    }
}

// Writes to the library's data file, or to its index when index is set (named in the error).
void WriteAll(int fd, const void* data, std::size_t size, off_t at, const std::string& library, bool index)
{
    const auto* p = static_cast<const char*>(data);
    while (size > 0) {
        const ssize_t written = ::pwrite(fd, p, size, at);
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            throw IoError(index ? IndexFileName(library) : library, std::string("write error: ") + std::strerror(errno));
        p += written;
        size -= static_cast<std::size_t>(written);
        at += written;
    }
}

std::size_t ReadAll(int fd, void* data, std::size_t size, off_t at)
{
    auto* p = static_cast<char*>(data);
    std::size_t total = 0;
    while (total < size) {
        const ssize_t got = ::pread(fd, p + total, size - total, at + static_cast<off_t>(total));
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            break;
        total += static_cast<std::size_t>(got);
    }
    return total;
}

constexpr long kIndexWindow = 16384; // entries held in memory at a time (64 KiB)

std::uint32_t BlockCount(int fd)
{
    struct stat info {};
    if (::fstat(fd, &info) != 0)
        return 0;
    return static_cast<std::uint32_t>(static_cast<std::uint64_t>(info.st_size) / kLibraryBlockSize);
}

} // namespace

std::string IndexFileName(const std::string& libraryName) { return LibraryCompanionName(libraryName, "III"); }

std::string ExistingIndexFileName(const std::string& libraryName)
{
    const std::string upper = IndexFileName(libraryName);
    if (FileExists(upper))
        return upper;
    const std::string lower = upper.substr(0, upper.size() - 3) + "iii";
    return FileExists(lower) ? lower : upper;
}

long CountLibraryRecords(const std::string& libraryName)
{
    if (IsLibrarySetName(libraryName))
        return CountLibrarySetRecords(libraryName);
    struct stat info {};
    if (::stat(ExistingIndexFileName(libraryName).c_str(), &info) != 0)
        return 0;
    return static_cast<long>(info.st_size / 4);
}

std::string LibraryReadProblem(const std::string& libraryName, int result, long position)
{
    auto unreadable = [](const std::string& kind, const std::string& file) {
        const bool readable = ::access(file.c_str(), R_OK) == 0;
        return "the " + kind + " " + file + " cannot be read" + (readable ? "" : std::string(": ") + std::strerror(errno));
    };
    if (IsLibrarySetName(libraryName) && result != kLibOk) {
        try {
            const LibrarySet set = LibrarySet::Read(libraryName);
            if (position < 1 || position > set.Count())
                return "structure " + std::to_string(position) + ": no such position (the library set holds " +
                       std::to_string(set.Count()) + ")";
            const auto [member, local] = set.Locate(position);
            const std::string& path = set.Members()[member].entry.path;
            return path + ": " + LibraryReadProblem(path, result, local) + " (structure " + std::to_string(position) +
                   " of the set)";
        } catch (const IoError& error) {
            return error.what();
        }
    }
    const std::string structure = "structure " + std::to_string(position) + ": ";
    switch (result) {
    case kLibOk: return {};
    case kLibPositionOutOfRange:
        return structure + "no such position (the library holds " + std::to_string(CountLibraryRecords(libraryName)) +
               ")";
    case kLibIndexFile: return unreadable("index file", ExistingIndexFileName(libraryName));
    case kLibDataFile: return unreadable("data file", libraryName);
    case kLibEmptyEntry: return structure + "the index entry is empty";
    case kLibDamagedRecord: return structure + "damaged record";
    case kLibWriteNotPermitted: return "writing is not permitted";
    default: return structure + "code " + std::to_string(result);
    }
}

StructureLibrary::StructureLibrary(TCTab* structure) : m_structure(structure)
{
    if (!m_structure) {
        m_ownStructure = std::make_unique<TCTab>();
        m_structure = m_ownStructure.get();
    }
}

StructureLibrary::~StructureLibrary() { ReleaseFiles(); }

int StructureLibrary::ReadSetRecord(const std::string& setName, long position)
{
    if (!m_set || m_set->Name() != setName) {
        m_set.reset();
        try {
            m_set = std::make_unique<LibrarySet>(LibrarySet::Read(setName));
        } catch (const IoError&) {
            return kLibSetFile;
        }
    }
    if (position < 1 || position > m_set->Count())
        return kLibPositionOutOfRange;
    const auto [member, local] = m_set->Locate(position);
    return ReadLibraryRecord(m_set->Members()[member].entry.path, local);
}

void StructureLibrary::LibraryFiles::Close()
{
    if (dataFd >= 0)
        ::close(dataFd);
    if (indexFd >= 0)
        ::close(indexFd);
    *this = LibraryFiles{};
}

bool StructureLibrary::LibraryFiles::OpenIndex(int fd)
{
    indexFd = fd;
    struct stat info {};
    if (fd < 0 || ::fstat(fd, &info) != 0)
        return false;
    entries = static_cast<long>(info.st_size / 4);
    window.clear();
    windowStart = 0;
    return true;
}

const std::uint8_t* StructureLibrary::LibraryFiles::Entry(long position)
{
    const long e = position - 1;
    const long cached = static_cast<long>(window.size() / 4);
    if (e < windowStart || e >= windowStart + cached) {
        windowStart = e / kIndexWindow * kIndexWindow;
        const long count = std::min(kIndexWindow, entries - windowStart);
        window.resize(static_cast<std::size_t>(count) * 4);
        if (ReadAll(indexFd, window.data(), window.size(), static_cast<off_t>(windowStart) * 4) != window.size()) {
            window.clear();
            return nullptr;
        }
    }
    return window.data() + 4 * (e - windowStart);
}

void StructureLibrary::LibraryFiles::Appended(long position, const std::uint8_t* entry)
{
    entries = std::max(entries, position);
    const long e = position - 1;
    if (e == windowStart + static_cast<long>(window.size() / 4) && e < windowStart + kIndexWindow)
        window.insert(window.end(), entry, entry + 4);
    else if (e >= windowStart && e < windowStart + static_cast<long>(window.size() / 4))
        std::copy(entry, entry + 4, window.begin() + 4 * (e - windowStart));
}

void StructureLibrary::ReleaseFiles()
{
    m_set.reset();
    for (auto& files : m_files)
        files.Close();
    m_current = nullptr;
    m_bufferBlock = 0;
    m_bufferLibrary.clear();
    m_lastWrite = LastWrite{};
}

StructureLibrary::LibraryFiles* StructureLibrary::Find(const std::string& libraryName)
{
    for (auto& files : m_files)
        if (files.indexFd >= 0 && files.name == libraryName) {
            files.lastUse = ++m_uses;
            return &files;
        }
    return nullptr;
}

StructureLibrary::LibraryFiles& StructureLibrary::FreeSlot()
{
    LibraryFiles* slot = &m_files[0];
    for (auto& files : m_files)
        if (files.indexFd < 0 || files.lastUse < slot->lastUse)
            slot = &files;
    if (slot->name == m_bufferLibrary)
        m_bufferBlock = 0;
    if (slot->name == m_lastWrite.library)
        m_lastWrite = LastWrite{};
    slot->Close();
    slot->lastUse = ++m_uses;
    return *slot;
}

bool StructureLibrary::OpenForReading(const std::string& libraryName, int& result)
{
    m_current = Find(libraryName);
    if (m_current)
        return true;
    LibraryFiles& files = FreeSlot();
    if (!files.OpenIndex(::open(ExistingIndexFileName(libraryName).c_str(), O_RDONLY | O_CLOEXEC))) {
        files.Close();
        result = kLibIndexFile;
        return false;
    }
    files.name = libraryName;
    m_current = &files;
    return true;
}

bool StructureLibrary::LoadBlock(LibraryFiles& files, std::uint32_t block)
{
    if (m_bufferBlock == block && m_bufferLibrary == files.name)
        return true;
    m_bufferBlock = 0;
    m_chainEnd = 0;
    const off_t at = static_cast<off_t>(block - 1) * kLibraryBlockSize;
    if (ReadAll(files.dataFd, m_buffer.data(), kLibraryBlockSize, at) != kLibraryBlockSize)
        return false;
    m_bufferBlock = block;
    m_bufferLibrary = files.name;
    return true;
}

int StructureLibrary::ReadLibraryRecord(const std::string& libraryName, long position)
{
    if (IsLibrarySetName(libraryName))
        return ReadSetRecord(libraryName, position);
    if (position < 1)
        return kLibPositionOutOfRange;
    int result = kLibOk;
    if (!OpenForReading(libraryName, result))
        return result;
    LibraryFiles& files = *m_current;
    if (position > files.entries)
        return kLibPositionOutOfRange;
    const std::uint8_t* entry = files.Entry(position);
    if (!entry)
        return kLibIndexFile;
    const std::uint16_t block = GetU16(entry);
    const std::uint16_t offset = GetU16(entry + 2);
    if (block == 0 || offset == 0)
        return kLibEmptyEntry;
    if (files.dataFd < 0) {
        files.dataFd = ::open(libraryName.c_str(), O_RDONLY | O_CLOEXEC);
        if (files.dataFd < 0)
            return kLibDataFile;
    }
    m_structure->Clear();
    if (!LoadBlock(files, block))
        return kLibDamagedRecord;
    const int decoded = Decode(offset);
    if (decoded != kLibOk)
        m_structure->Clear();
    return decoded;
}

int StructureLibrary::Decode(std::size_t offset)
{
    const std::size_t start = offset - 1;
    if (start + 2 > kLibraryBlockSize)
        return kLibDamagedRecord;
    const std::uint8_t* rec = m_buffer.data() + start;
    const std::size_t length = GetU16(rec);
    if (length < kHeaderSize + 1 || start + length > kLibraryBlockSize)
        return kLibDamagedRecord;

    const int n = rec[65];
    const std::size_t ctabLength = GetU16(rec + 66);
    const std::size_t m = rec[68];
    const std::size_t coordLength = GetU16(rec + 69);
    const std::size_t countLength = GetU16(rec + 71);
    const std::size_t ctabStart = kHeaderSize + countLength;
    const std::size_t entriesStart = ctabStart + ctabLength;
    const std::size_t coordStart = entriesStart + 3 * m;
    const std::size_t nameStart = coordStart + coordLength;
    if (n > kMaxAtoms || nameStart + 1 > length || nameStart + 1 + rec[nameStart] > length)
        return kLibDamagedRecord;
    if (coordLength != 0 && coordLength != 4u * static_cast<std::size_t>(n))
        return kLibDamagedRecord;

    TCTab& table = *m_structure;
    table.NumValidAtoms = n;
    std::size_t q = ctabStart;
    const std::size_t ctabEnd = entriesStart;
    if (n > 0 || ctabLength > 0) {
        if (q >= ctabEnd)
            return kLibDamagedRecord;
        const std::size_t charged = rec[q++];
        if (q + 2 * charged > ctabEnd)
            return kLibDamagedRecord;
        for (std::size_t c = 0; c < charged; ++c, q += 2) {
            const int atom = rec[q];
            if (atom < 1 || atom > n)
                return kLibDamagedRecord;
            table.SetCharge(atom, rec[q + 1]);
        }
    }
    for (int i = 1; i <= n; ++i) {
        if (q >= ctabEnd)
            return kLibDamagedRecord;
        const std::size_t entryLength = rec[q];
        if (entryLength < 2 || entryLength - 2 > kMaxNeighbours || q + 1 + entryLength > ctabEnd)
            return kLibDamagedRecord;
        const int code = rec[q + 1];
        auto& atom = table.MutableAtom(i);
        if (const StorableIsotope* isotope = IsotopeOfCode(code)) {
            atom.AtNum = static_cast<std::uint8_t>(isotope->element);
            atom.AtWeight = static_cast<std::uint8_t>(isotope->mass);
        } else {
            table.SetAtNum(i, code);
            atom.AtWeight = static_cast<std::uint8_t>(MassNumber(code));
        }
        atom.Attrib = rec[q + 2];
        for (std::size_t k = 0; k + 2 < entryLength; ++k) {
            const std::uint8_t b = rec[q + 3 + k];
            const int neighbour = b & 63;
            if (neighbour < 1 || neighbour > n || neighbour == i ||
                std::find(atom.ConnTo.begin(), atom.ConnTo.begin() + k, neighbour) !=
                    atom.ConnTo.begin() + k)
                return kLibDamagedRecord;
            atom.ConnTo[k] = static_cast<std::uint8_t>(neighbour);
            atom.TypConn[k] = static_cast<std::uint8_t>((b >> 6) + 1);
        }
        q += 1 + entryLength;
    }

    m_reserved.byte2 = rec[2];
    std::copy(rec + 7, rec + 27, m_reserved.words7.begin());
    m_reserved.entries.assign(rec + entriesStart, rec + coordStart);
    m_reserved.byte73 = rec[73];
    std::copy(rec + 74, rec + 78, m_reserved.word74.begin());
    m_recordPosition = static_cast<long>(GetU32(rec + 3));

    if (coordLength != 0)
        for (int i = 1; i <= n; ++i) {
            const std::uint8_t* p = rec + coordStart + 4 * static_cast<std::size_t>(i - 1);
            auto& atom = table.MutableAtom(i);
            atom.x = static_cast<float>(static_cast<std::int16_t>(GetU16(p)));
            atom.y = static_cast<float>(static_cast<std::int16_t>(GetU16(p + 2)));
        }

    const std::size_t nameLength = rec[nameStart];
    std::string name = ExpandName(std::string(reinterpret_cast<const char*>(rec + nameStart + 1), nameLength));
    if (name.size() > kMaxNameBytes)
        name.resize(kMaxNameBytes);
    table.FStrucName = name;
    m_recordName = std::move(name);
    m_recordCAS = GetU32(rec + 82);
    if (m_recordCAS <= static_cast<std::uint32_t>(INT32_MAX) && CASNumberValid(m_recordCAS))
        table.FCASNr = static_cast<std::int32_t>(m_recordCAS);
    return kLibOk;
}

void StructureLibrary::BuildRecord(const std::string& name, std::uint32_t casNumber, long position,
                                   std::vector<std::uint8_t>& rec)
{
    const TCTab& table = *m_structure;
    const int n = std::clamp(table.NumValidAtoms, 0, kMaxAtoms);

    std::vector<std::uint8_t>& ctab = m_ctabScratch;
    ctab.clear();
    ctab.push_back(0);
    for (int i = 1; i <= n; ++i)
        if (table.Atom(i).Charge != 0) {
            ctab.push_back(static_cast<std::uint8_t>(i));
            ctab.push_back(static_cast<std::uint8_t>(table.Atom(i).Charge));
            ++ctab[0];
        }
    for (int i = 1; i <= n; ++i) {
        const auto& atom = table.Atom(i);
        const std::size_t lengthAt = ctab.size();
        ctab.push_back(2);
        ctab.push_back(ElementCode(atom));
        ctab.push_back(atom.Attrib);
        for (int k = 0; k < kMaxNeighbours; ++k)
            if (atom.ConnTo[k] != 0) {
                ctab.push_back(static_cast<std::uint8_t>((atom.ConnTo[k] & 63) |
                                                         (BondCode(atom.TypConn[k]) << 6)));
                ++ctab[lengthAt];
            }
    }

    std::int64_t coordinateSum = 0;
    for (int i = 1; i <= n; ++i)
        coordinateSum += Round(static_cast<double>(table.Atom(i).x) + table.Atom(i).y);
    const std::size_t coordLength = coordinateSum != 0 ? 4 * static_cast<std::size_t>(n) : 0;

    std::string compressed = CompressName(name);
    if (compressed.size() > kMaxNameBytes)
        compressed.resize(kMaxNameBytes);

    const std::size_t m = m_reserved.entries.size() / 3;
    const std::size_t length =
        kHeaderSize + 1 + ctab.size() + coordLength + compressed.size() + 3 * m;
    rec.assign(length, 0);
    PutU16(rec.data(), static_cast<unsigned>(length));
    rec[2] = m_reserved.byte2;
    PutU32(rec.data() + 3, static_cast<std::uint32_t>(position));
    std::copy(m_reserved.words7.begin(), m_reserved.words7.end(), rec.begin() + 7);
    PutU16(rec.data() + 63, 1000);
    rec[65] = static_cast<std::uint8_t>(n);
    PutU16(rec.data() + 66, static_cast<unsigned>(ctab.size()));
    rec[68] = static_cast<std::uint8_t>(m);
    PutU16(rec.data() + 69, static_cast<unsigned>(coordLength));
    PutU16(rec.data() + 71, 0);
    rec[73] = m_reserved.byte73;
    std::copy(m_reserved.word74.begin(), m_reserved.word74.end(), rec.begin() + 74);
    PutU32(rec.data() + 82, casNumber);
    std::size_t q = kHeaderSize;
    q = static_cast<std::size_t>(std::copy(ctab.begin(), ctab.end(), rec.begin() + q) - rec.begin());
    q = static_cast<std::size_t>(
        std::copy(m_reserved.entries.begin(), m_reserved.entries.begin() + 3 * m, rec.begin() + q) -
        rec.begin());
    if (coordLength != 0)
        for (int i = 1; i <= n; ++i, q += 4) {
            PutU16(rec.data() + q, static_cast<std::uint16_t>(Round(table.Atom(i).x)));
            PutU16(rec.data() + q + 2, static_cast<std::uint16_t>(Round(table.Atom(i).y)));
        }
    rec[q++] = static_cast<std::uint8_t>(compressed.size());
    std::copy(compressed.begin(), compressed.end(), rec.begin() + q);
}

int StructureLibrary::WriteLibraryRecord(const std::string& libraryName, const std::string& name,
                                         std::uint32_t casNumber)
{
    if (!m_writePermitted || IsLibrarySetName(libraryName))
        return kLibWriteNotPermitted;
    LibraryFiles* found = Find(libraryName);
    if (!found || !found->writable) {
        if (found) {
            if (found->name == m_bufferLibrary)
                m_bufferBlock = 0;
            if (found->name == m_lastWrite.library)
                m_lastWrite = LastWrite{};
            found->Close();
        }
        LibraryFiles& files = FreeSlot();
        if (FileExists(libraryName)) {
            files.dataFd = ::open(libraryName.c_str(), O_RDWR | O_CLOEXEC);
            const bool indexOpen = files.OpenIndex(::open(ExistingIndexFileName(libraryName).c_str(), O_RDWR | O_CLOEXEC));
            if (files.dataFd < 0 || !indexOpen) {
                files.Close();
                return kLibIndexFile;
            }
            files.blockCount = BlockCount(files.dataFd);
        } else {
            files.dataFd = ::open(libraryName.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
            if (files.dataFd < 0) {
                files.Close();
                return kLibEmptyEntry;
            }
            if (!files.OpenIndex(::open(IndexFileName(libraryName).c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0644))) {
                files.Close();
                return kLibIndexFile;
            }
        }
        files.name = libraryName;
        files.writable = true;
        found = &files;
    }
    LibraryFiles& files = *found;
    m_current = &files;

    const long position = files.entries + 1;
    std::uint32_t block = 1;
    if (files.blockCount > 0) {
        block = files.blockCount;
        if (block > kMaxLibraryBlocks)
            return kLibFull;
        if (!LoadBlock(files, block))
            throw IoError(libraryName, "cannot read block " + std::to_string(block));
    } else {
        m_buffer.fill(0);
        m_bufferBlock = 0;
    }
    std::vector<std::uint8_t>& record = m_recordScratch;
    BuildRecord(name, casNumber, position, record);

    // Chain end: the 1-based offset of the zero length word; known without walking the chain when
    // the last write of this library put it into the buffered block.
    const bool chainKnown = m_chainEnd != 0 && m_bufferBlock == block && m_bufferLibrary == libraryName;
    std::size_t end = chainKnown ? m_chainEnd : 1;
    m_chainEnd = 0;
    while (!chainKnown && end <= kLibraryBlockSize - 1) {
        const std::size_t length = GetU16(m_buffer.data() + end - 1);
        if (length == 0)
            break;
        end += length;
    }
    const std::size_t freeSpace = end + 1 < kLibraryBlockSize ? kLibraryBlockSize - end - 1 : 0;
    bool wholeBlock = files.blockCount == 0;
    if (freeSpace < record.size()) {
        // Block 65536 would be stored as 0 ("no record") and later ones as earlier blocks.
        if (files.blockCount >= kMaxLibraryBlocks)
            return kLibFull;
        block = files.blockCount + 1;
        end = 1;
        m_buffer.fill(0);
        wholeBlock = true;
    }
    m_lastWrite.library = libraryName;
    m_lastWrite.position = position;
    m_lastWrite.block = block;
    m_lastWrite.offset = end - 1;
    m_lastWrite.blocksBefore = files.blockCount;
    if (wholeBlock)
        m_lastWrite.old.clear();
    else
        m_lastWrite.old.assign(m_buffer.begin() + static_cast<long>(end - 1),
                               m_buffer.begin() + static_cast<long>(end - 1 + record.size() + 2));
    std::copy(record.begin(), record.end(), m_buffer.begin() + static_cast<long>(end - 1));
    m_buffer[end - 1 + record.size()] = 0;
    m_buffer[end + record.size()] = 0;

    const off_t blockStart = static_cast<off_t>(block - 1) * kLibraryBlockSize;
    if (wholeBlock)
        WriteAll(files.dataFd, m_buffer.data(), kLibraryBlockSize, blockStart, libraryName, false);
    else
        WriteAll(files.dataFd, m_buffer.data() + end - 1, record.size() + 2,
                 blockStart + static_cast<off_t>(end - 1), libraryName, false);
    files.blockCount = std::max(files.blockCount, block);
    m_bufferBlock = block; // the buffer now equals the block on disk
    m_bufferLibrary = libraryName;

    std::uint8_t entry[4];
    PutU16(entry, block);
    PutU16(entry + 2, static_cast<unsigned>(end));
    WriteAll(files.indexFd, entry, 4, static_cast<off_t>(position - 1) * 4, libraryName, true);
    files.Appended(position, entry);
    m_recordPosition = position;
    m_chainEnd = end + record.size();
    return kLibOk;
}

bool StructureLibrary::RemoveLastRecord(const std::string& libraryName)
{
    LibraryFiles* found = Find(libraryName);
    if (!found || !found->writable || m_lastWrite.library != libraryName ||
        found->entries != m_lastWrite.position)
        return false;
    LibraryFiles& files = *found;
    const LastWrite undo = std::move(m_lastWrite);
    m_lastWrite = LastWrite{};
    m_chainEnd = 0;
    if (m_bufferLibrary == libraryName)
        m_bufferBlock = 0;
    const off_t blockStart = static_cast<off_t>(undo.block - 1) * kLibraryBlockSize;
    if (undo.old.empty()) {
        if (::ftruncate(files.dataFd, static_cast<off_t>(undo.blocksBefore) * kLibraryBlockSize) != 0)
            throw IoError(libraryName, std::string("cannot truncate: ") + std::strerror(errno));
    } else {
        WriteAll(files.dataFd, undo.old.data(), undo.old.size(), blockStart + static_cast<off_t>(undo.offset),
                 libraryName, false);
    }
    files.blockCount = undo.blocksBefore;
    if (::ftruncate(files.indexFd, static_cast<off_t>(undo.position - 1) * 4) != 0)
        throw IoError(IndexFileName(libraryName), std::string("cannot truncate: ") + std::strerror(errno));
    files.entries = undo.position - 1;
    files.window.clear();
    files.windowStart = 0;
    return true;
}

} // namespace velmora
