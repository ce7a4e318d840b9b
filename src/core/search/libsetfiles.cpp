// Descriptor files of library sets: the members' own files, checked and read in set order.
#include "search/libsetfiles.h"

#include "base/ioerror.h"
#include "descriptors/descfiles.h"
#include "io/libstamp.h"
#include "io/structlib.h"
#include "search/libparams.h"

#include <filesystem>
#include <fstream>

namespace velmora {

namespace {

bool HasOwnDescriptorFile(const std::string& member, bool wholeState = true)
{
    return std::filesystem::exists(CompanionFileName(member, "pre")) &&
           CompanionMismatch(member, "pre", wholeState).empty();
}

} // namespace

SetDescriptorFiles CheckSetDescriptorFiles(const LibrarySet& set, bool wholeState)
{
    const LibrarySetMember* with = nullptr;
    const LibrarySetMember* without = nullptr;
    for (const LibrarySetMember& member : set.Members()) {
        const LibrarySetMember*& slot = HasOwnDescriptorFile(member.entry.path, wholeState) ? with : without;
        if (!slot)
            slot = &member;
    }
    SetDescriptorFiles files;
    files.all = !without;
    if (!with || !without)
        return files;
    files.mixed = "line " + std::to_string(without->entry.line) + ": " + without->entry.listed +
                  " has no descriptor file made from it as it is now, but line " + std::to_string(with->entry.line) +
                  "'s " + with->entry.listed +
                  " has one: a set is searched with the descriptor files of all its libraries or of none; build "
                  "the missing ones ('velmora-cli build " + set.Name() + "')";
    return files;
}

std::vector<DescriptorPart> SetDescriptorParts(const LibrarySet& set)
{
    std::vector<DescriptorPart> parts;
    for (const LibrarySetMember& member : set.Members()) {
        DescriptorPart part;
        part.file = CompanionFileName(member.entry.path, "pre");
        part.first = member.first;
        part.count = member.count;
        CheckDescriptorFile(part.file, member.count);
        if (const std::string mismatch = CompanionMismatch(member.entry.path, "pre", false); !mismatch.empty())
            throw IoError(part.file, mismatch + "; build the descriptor files again ('velmora-cli build " + set.Name() +
                                         "')");
        parts.push_back(std::move(part));
    }
    return parts;
}

std::array<std::uint8_t, kDescriptorRecordSize> ReadPartRecord(const std::vector<DescriptorPart>& parts, long position)
{
    std::array<std::uint8_t, kDescriptorRecordSize> bytes{};
    for (const DescriptorPart& part : parts) {
        if (position < part.first || position >= part.first + part.count)
            continue;
        const long local = position - part.first + 1;
        std::ifstream in(part.file, std::ios::binary);
        if (!in)
            throw IoError(part.file, "cannot open the descriptor file");
        in.seekg(static_cast<std::streamoff>(local - 1) * kDescriptorRecordSize);
        if (!in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size())))
            throw IoError(part.file, "no descriptor record for structure " + std::to_string(local));
        return bytes;
    }
    throw IoError(parts.empty() ? std::string() : parts.back().file,
                  "no descriptor record for structure " + std::to_string(position) + " of the set");
}

std::string MemberNameAt(const std::string& libraryName, long position)
{
    if (!IsLibrarySetName(libraryName))
        return {};
    try {
        long first = 1;
        for (const LibrarySetEntry& entry : ReadLibrarySetList(libraryName)) {
            const long count = CountLibraryRecords(entry.path);
            if (position >= first && position < first + count)
                return entry.listed;
            first += count;
        }
    } catch (const IoError&) {
    }
    return {};
}

} // namespace velmora
