#include "io/libstamp.h"

#include "base/ioerror.h"
#include "base/textfile.h"
#include "io/libfiles.h"
#include "io/libset.h"
#include "io/structlib.h"

#include <cinttypes>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <sstream>
#include <vector>

namespace velmora {

namespace {

constexpr const char* kStampHeader = "velmora companion state 1";
constexpr std::uint64_t kSampled = 64 * 1024; // bytes of a companion's head and tail in its checksum

struct FileDigest {
    bool exists = false;
    std::uint64_t size = 0;
    std::uint64_t sum = 0;
};

// FNV-1a, 64 bits.
void Mix(std::uint64_t& sum, const char* data, std::size_t size)
{
    for (std::size_t i = 0; i < size; ++i) {
        sum ^= static_cast<unsigned char>(data[i]);
        sum *= 0x100000001b3ULL;
    }
}

// Size and checksum of a file: of all of it (whole), else of its first and last kSampled bytes.
FileDigest Digest(const std::string& path, bool whole)
{
    FileDigest digest;
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return digest;
    digest.exists = true;
    in.seekg(0, std::ios::end);
    digest.size = static_cast<std::uint64_t>(in.tellg());
    in.seekg(0);
    digest.sum = 0xcbf29ce484222325ULL;
    std::vector<char> buffer(64 * 1024);
    auto mixRange = [&](std::uint64_t from, std::uint64_t count) {
        in.clear();
        in.seekg(static_cast<std::streamoff>(from));
        while (count > 0 && in) {
            const auto chunk = static_cast<std::size_t>(std::min<std::uint64_t>(count, buffer.size()));
            in.read(buffer.data(), static_cast<std::streamsize>(chunk));
            const auto got = static_cast<std::size_t>(in.gcount());
            Mix(digest.sum, buffer.data(), got);
            if (got < chunk)
                break;
            count -= got;
        }
    };
    if (whole || digest.size <= 2 * kSampled) {
        mixRange(0, digest.size);
    } else {
        mixRange(0, kSampled);
        mixRange(digest.size - kSampled, kSampled);
    }
    return digest;
}

struct Stamp {
    long records = 0;
    FileDigest index, companion;
    std::uint64_t dataSize = 0;
};

std::string Hex(std::uint64_t value)
{
    char text[17];
    std::snprintf(text, sizeof text, "%016" PRIx64, value);
    return text;
}

std::string CompanionName(const std::string& libraryName, const std::string& extension)
{
    return extension == "clb" ? libraryName : LibraryCompanionName(libraryName, extension);
}

// A library set's state, kept in the fields of a library's: its record count, as "index" the
// list file and every member's full path, index, data file size and descriptor file in list order,
// and as "data" the size of all members' data files. A member changed, added, removed or reordered changes it.
Stamp CurrentSet(const std::string& setName, const std::string& companion, bool wholeState)
{
    Stamp stamp;
    stamp.records = CountLibraryRecords(setName);
    stamp.companion = Digest(companion, false);
    if (!wholeState)
        return stamp;
    stamp.index = Digest(setName, true);
    try {
        for (const LibrarySetEntry& entry : ReadLibrarySetList(setName)) {
            const std::string full = FullPath(entry.path);
            Mix(stamp.index.sum, full.data(), full.size() + 1);
            const FileDigest index = Digest(ExistingIndexFileName(entry.path), true);
            std::error_code ec;
            const auto dataSize = std::filesystem::file_size(entry.path, ec);
            // The member's descriptor file too: the set's NORMAL mode parameters are made from it.
            const FileDigest pre = Digest(LibraryCompanionName(entry.path, "pre"), false);
            const std::uint64_t fields[] = {index.size, index.sum, ec ? 0 : static_cast<std::uint64_t>(dataSize),
                                            pre.size, pre.sum};
            Mix(stamp.index.sum, reinterpret_cast<const char*>(fields), sizeof fields);
            stamp.index.size += index.size;
            stamp.dataSize += fields[2];
        }
    } catch (const IoError&) {
        stamp.index.exists = false; // fits no stamp: the sum of a readable list was mixed further
        stamp.index.sum = ~stamp.index.sum;
    }
    return stamp;
}

// The library as it is now; the companion as it is now. Without wholeState only the record count
// and the companion (what a mismatch without the whole state compares).
Stamp Current(const std::string& libraryName, const std::string& companion, bool wholeState = true)
{
    if (IsLibrarySetName(libraryName))
        return CurrentSet(libraryName, companion, wholeState);
    Stamp stamp;
    stamp.records = CountLibraryRecords(libraryName);
    stamp.companion = Digest(companion, false);
    if (!wholeState)
        return stamp;
    stamp.index = Digest(ExistingIndexFileName(libraryName), true);
    std::error_code ec;
    const auto dataSize = std::filesystem::file_size(libraryName, ec);
    stamp.dataSize = ec ? 0 : static_cast<std::uint64_t>(dataSize);
    return stamp;
}

bool ReadStamp(const std::string& path, Stamp& stamp)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return false;
    std::ostringstream bytes;
    bytes << in.rdbuf();
    std::istringstream lines(bytes.str());
    std::string header, key1, key2, key3, key4, indexSum, companionSum;
    if (!std::getline(lines, header) || header != std::string(kStampHeader) + "\r")
        return false;
    lines >> key1 >> stamp.records >> key2 >> stamp.index.size >> indexSum >> key3 >> stamp.dataSize >> key4 >>
        stamp.companion.size >> companionSum;
    if (!lines || key1 != "records" || key2 != "index" || key3 != "data" || key4 != "file" ||
        indexSum.size() != 16 || companionSum.size() != 16)
        return false;
    try {
        stamp.index.sum = std::stoull(indexSum, nullptr, 16);
        stamp.companion.sum = std::stoull(companionSum, nullptr, 16);
    } catch (const std::exception&) {
        return false;
    }
    return true;
}

} // namespace

std::string CompanionStampName(const std::string& libraryName, const std::string& extension)
{
    return LibraryCompanionName(libraryName, extension + "-state");
}

void RemoveCompanionStamp(const std::string& libraryName, const std::string& extension)
{
    std::error_code ec;
    std::filesystem::remove(CompanionStampName(libraryName, extension), ec);
}

void StampCompanion(const std::string& libraryName, const std::string& extension)
{
    const Stamp now = Current(libraryName, CompanionName(libraryName, extension));
    TextWriter writer(CompanionStampName(libraryName, extension));
    writer.WriteLine(kStampHeader);
    writer.WriteLine("records " + std::to_string(now.records));
    writer.WriteLine("index " + std::to_string(now.index.size) + " " + Hex(now.index.sum));
    writer.WriteLine("data " + std::to_string(now.dataSize));
    writer.WriteLine("file " + std::to_string(now.companion.size) + " " + Hex(now.companion.sum));
    writer.Close();
}

std::string CompanionMismatch(const std::string& libraryName, const std::string& extension, bool wholeState)
{
    const std::string stampName = CompanionStampName(libraryName, extension);
    Stamp made;
    if (!std::filesystem::exists(stampName))
        return "it cannot be confirmed to belong to the library as it is now: " + stampName +
               ", the record of the library state it was made from, is missing (made by an earlier version, or "
               "copied without it)";
    if (!ReadStamp(stampName, made))
        return "it cannot be confirmed to belong to the library as it is now: " + stampName + " cannot be read";
    const Stamp now = Current(libraryName, CompanionName(libraryName, extension), wholeState);
    if (made.records != now.records)
        return "it was made from " + std::to_string(made.records) + " structures; the library holds " +
               std::to_string(now.records) + " now";
    if (wholeState &&
        (made.index.size != now.index.size || made.index.sum != now.index.sum || made.dataSize != now.dataSize))
        return IsLibrarySetName(libraryName)
                   ? "it was made from another state of the library set (its list or a member library has changed "
                     "since)"
                   : "it was made from another state of the library (its index or data file has changed since)";
    if (made.companion.size != now.companion.size || made.companion.sum != now.companion.sum)
        return "it has been changed or replaced since it was made (it does not fit " + stampName + ")";
    return {};
}

std::string CompanionMismatchText(const std::string& companion, const std::string& mismatch)
{
    return companion + ": " + mismatch + "; it is treated as missing";
}

} // namespace velmora
