#pragma once
// The structure library: a ".clb" data file of 16384-byte blocks holding variable-length records
// and its ".III" index of 4-byte entries (block, offset; both 1-based, little-endian). Records are
// addressed by position 1..N and decoded one at a time into the one library structure.
//
// StructureLibrary is the module's state: the library structure, the block buffer, the reserved
// values of the last decoded record and the write permission. The application owns one and passes
// it by reference. Open files are kept between calls for the last library used, so a search that
// reads every record does not reopen them; ReleaseFiles() must be called before a library's files
// are deleted or replaced by anyone else.
#include "model/ctab.h"

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace velmora {

class LibrarySet;

enum LibraryResult : int {
    kLibOk = 0,
    kLibPositionOutOfRange = -1,
    kLibIndexFile = -2,
    kLibDataFile = -3,
    kLibEmptyEntry = -4, // index entry (0, 0), or the data file could not be created
    kLibDamagedRecord = -5,
    kLibWriteNotPermitted = -6,
    kLibFull = -7, // the record would need a block past kMaxLibraryBlocks
    kLibSetFile = -8, // a library set's list cannot be read or names a library it cannot use
};

constexpr int kLibraryBlockSize = 16384;
// Block numbers are 16-bit: a library holds at most this many blocks (1 GiB).
constexpr std::uint32_t kMaxLibraryBlocks = 65535;

// The library path with its last extension replaced by "III" ("screen.v1.clb" -> "screen.v1.III").
std::string IndexFileName(const std::string& libraryName);
// The index as it exists on disk: ".III" or ".iii", whichever is there (".III" when neither is).
std::string ExistingIndexFileName(const std::string& libraryName);
// Number of index entries; 0 when the index cannot be opened. For a library set (io/libset.h) the
// sum of its members' counts.
long CountLibraryRecords(const std::string& libraryName);
// What a library result code means for a structure, naming the file and, where the system gives
// one, its reason: "structure 7: damaged record", "the index file x.III cannot be read: No such
// file or directory". For a library set the member, its own position and the set's position.
std::string LibraryReadProblem(const std::string& libraryName, int result, long position);

class StructureLibrary {
public:
    // structure: the library structure to decode into (e.g. a drawing table); owned here when null.
    explicit StructureLibrary(TCTab* structure = nullptr);
    ~StructureLibrary();
    StructureLibrary(const StructureLibrary&) = delete;
    StructureLibrary& operator=(const StructureLibrary&) = delete;

    // 0, or kLibPositionOutOfRange, kLibIndexFile, kLibDataFile, kLibEmptyEntry,
    // kLibDamagedRecord (the library structure is then empty; also for a record of length 0,
    // which no writer makes: zeros where a record should be are damage, not an empty structure).
    // A library set's name reads set position `position` from its member (kLibSetFile when the set
    // cannot be used); a set is never written.
    int ReadLibraryRecord(const std::string& libraryName, long position);
    // Appends the library structure as record N + 1. 0, or kLibWriteNotPermitted, kLibIndexFile,
    // kLibEmptyEntry (data file not created), kLibFull (nothing written). Throws IoError when a
    // write fails (a full disk).
    int WriteLibraryRecord(const std::string& libraryName, const std::string& name,
                           std::uint32_t casNumber);
    // Takes back the record the last WriteLibraryRecord appended to this library: the index and
    // the data file end as they did before it, byte for byte. False when there is none to take
    // back (another write or library came between). Throws IoError when a write fails.
    bool RemoveLastRecord(const std::string& libraryName);

    void SetWritePermission(bool permitted) { m_writePermitted = permitted; }
    bool WritePermission() const { return m_writePermitted; }

    TCTab& Structure() { return *m_structure; }
    const TCTab& Structure() const { return *m_structure; }
    long RecordPosition() const { return m_recordPosition; }
    const std::string& RecordName() const { return m_recordName; }
    std::uint32_t RecordCASNumber() const { return m_recordCAS; }

    // Closes the files kept open and forgets the buffered block.
    void ReleaseFiles();

private:
    struct Reserved {
        std::uint8_t byte2 = 0;
        std::array<std::uint8_t, 20> words7{};
        std::vector<std::uint8_t> entries; // the 3-byte entries, 3 x m bytes
        std::uint8_t byte73 = 0;
        std::array<std::uint8_t, 4> word74{};
    };

    // The open files of one library; two are kept, so a search that copies records from the
    // library into its result library does not reopen (and reload the index of) either per record.
    struct LibraryFiles {
        std::string name;
        int dataFd = -1;
        int indexFd = -1;
        bool writable = false;
        long entries = 0;                 // index entries
        std::vector<std::uint8_t> window; // a window of the index, so memory stays the same for any size
        long windowStart = 0;             // 0-based entry of window[0]
        std::uint32_t blockCount = 0;
        std::uint64_t lastUse = 0;
        void Close();
        bool OpenIndex(int fd);
        // The 4 bytes of entry position (1..entries); nullptr when the index cannot be read.
        const std::uint8_t* Entry(long position);
        void Appended(long position, const std::uint8_t* entry);
    };

    LibraryFiles* Find(const std::string& libraryName);
    LibraryFiles& FreeSlot();
    bool OpenForReading(const std::string& libraryName, int& result);
    bool LoadBlock(LibraryFiles& files, std::uint32_t block);
    int Decode(std::size_t offset);
    int ReadSetRecord(const std::string& setName, long position);
    void BuildRecord(const std::string& name, std::uint32_t casNumber, long position,
                     std::vector<std::uint8_t>& record);

    std::unique_ptr<TCTab> m_ownStructure;
    TCTab* m_structure;
    bool m_writePermitted = false;
    long m_recordPosition = 0;
    std::string m_recordName;
    std::uint32_t m_recordCAS = 0;
    Reserved m_reserved;

    // The library set last read, kept until another set is read or the files are released.
    std::unique_ptr<LibrarySet> m_set;

    std::array<LibraryFiles, 2> m_files;
    LibraryFiles* m_current = nullptr; // the files of the library of the current call
    std::uint64_t m_uses = 0;

    // What the last write changed, so that it can be taken back.
    struct LastWrite {
        std::string library;           // empty: nothing to take back
        long position = 0;             // index entry written
        std::uint32_t block = 0;       // block written
        std::size_t offset = 0;        // 0-based start of the bytes written in the block
        std::vector<std::uint8_t> old; // their previous contents (empty when the block was new)
        std::uint32_t blocksBefore = 0;
    };
    LastWrite m_lastWrite;

    std::array<std::uint8_t, kLibraryBlockSize> m_buffer{};
    std::string m_bufferLibrary;
    std::uint32_t m_bufferBlock = 0; // 0: no valid block
    // Where the last write left the chain of the buffered block (1-based offset of its zero length
    // word); 0 when it must be found by walking the chain.
    std::size_t m_chainEnd = 0;
    std::vector<std::uint8_t> m_recordScratch, m_ctabScratch; // reused by every write
};

} // namespace velmora
