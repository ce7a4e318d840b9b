// Reading and checking library set files, and finding a set position's member.
#include "io/libset.h"

#include "base/ioerror.h"
#include "io/libfiles.h"
#include "io/structlib.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace velmora {

bool IsLibrarySetName(const std::string& name)
{
    if (name.size() < 5)
        return false;
    std::string tail = name.substr(name.size() - 5);
    std::transform(tail.begin(), tail.end(), tail.begin(), [](unsigned char c) { return std::tolower(c); });
    return tail == ".vset";
}

std::vector<LibrarySetEntry> ReadLibrarySetList(const std::string& setName)
{
    std::error_code ec;
    const auto status = std::filesystem::status(setName, ec);
    if (!std::filesystem::exists(status))
        throw IoError(setName, "the library set file does not exist");
    if (!std::filesystem::is_regular_file(status))
        throw IoError(setName, "the library set is not a regular file");
    std::ifstream in(setName, std::ios::binary);
    if (!in)
        throw IoError(setName, std::string("the library set file cannot be read: ") + std::strerror(errno));
    std::ostringstream bytes;
    bytes << in.rdbuf();
    if (in.bad())
        throw IoError(setName, "the library set file cannot be read");
    const std::filesystem::path folder = std::filesystem::path(setName).parent_path();
    std::vector<LibrarySetEntry> entries;
    std::istringstream lines(bytes.str());
    std::string line;
    for (int number = 1; std::getline(lines, line); ++number) {
        const auto first = line.find_first_not_of(" \t\r");
        if (first == std::string::npos || line[first] == '#')
            continue;
        LibrarySetEntry entry;
        entry.line = number;
        entry.listed = line.substr(first, line.find_last_not_of(" \t\r") - first + 1);
        const std::filesystem::path listed(entry.listed);
        entry.path = (listed.is_absolute() || folder.empty() ? listed : folder / listed).string();
        entries.push_back(std::move(entry));
    }
    return entries;
}

LibrarySet LibrarySet::Read(const std::string& setName)
{
    LibrarySet set;
    set.m_name = setName;
    const std::vector<LibrarySetEntry> entries = ReadLibrarySetList(setName);
    if (entries.empty())
        throw IoError(setName, "the library set lists no library (one library path a line)");
    StructureLibrary probe;
    for (const LibrarySetEntry& entry : entries) {
        auto refuse = [&](const std::string& problem) { throw IoError(setName, entry.line, entry.listed + ": " + problem); };
        if (IsLibrarySetName(entry.path))
            refuse("is a library set; a set lists libraries only");
        if (const std::string problem = LibraryNameProblem(entry.path); !problem.empty())
            refuse(problem);
        std::error_code ec;
        if (!std::filesystem::exists(entry.path, ec))
            refuse("no such library (" + FullPath(entry.path) + ")");
        for (const LibrarySetMember& before : set.m_members)
            if (SameFile(before.entry.path, entry.path))
                refuse("is listed twice: it is the library of line " + std::to_string(before.entry.line));
        if (const int read = probe.ReadLibraryRecord(entry.path, 1); read != kLibOk)
            refuse("cannot be read as a structure library: " + LibraryReadProblem(entry.path, read, 1));
        LibrarySetMember member;
        member.entry = entry;
        member.count = CountLibraryRecords(entry.path);
        member.first = set.m_count + 1;
        if (set.m_count + member.count > kMaxSetStructures)
            refuse("the set would hold " + std::to_string(set.m_count + member.count) +
                   " structures; a set holds at most " + std::to_string(kMaxSetStructures));
        set.m_count += member.count;
        set.m_members.push_back(std::move(member));
    }
    return set;
}

std::pair<std::size_t, long> LibrarySet::Locate(long position) const
{
    // The member whose first position is the last one not after position.
    const auto after = std::upper_bound(m_members.begin(), m_members.end(), position,
                                        [](long p, const LibrarySetMember& m) { return p < m.first; });
    const std::size_t index = after == m_members.begin() ? 0 : static_cast<std::size_t>(after - m_members.begin() - 1);
    return {index, position - m_members[index].first + 1};
}

long CountLibrarySetRecords(const std::string& setName)
{
    try {
        long count = 0;
        for (const LibrarySetEntry& entry : ReadLibrarySetList(setName))
            count += CountLibraryRecords(entry.path);
        return count;
    } catch (const IoError&) {
        return 0;
    }
}

void RefuseLibraryFile(const std::string& library, const std::string& output)
{
    if (IsLibrarySetName(library)) {
        if (SameFile(library, output))
            throw IoError(output, "is the library set file; choose another name");
        for (const LibrarySetEntry& entry : ReadLibrarySetList(library))
            RefuseLibraryFile(entry.path, output);
    }
    if (const auto file = LibraryFileAt(library, output))
        throw IoError(output, (*file == output ? "is" : "is " + *file + ",") + " a file of the library " + library +
                                  "; choose another name");
}

} // namespace velmora
