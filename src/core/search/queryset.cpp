// Reading a query set: each record through the same readers as a single query (the molfile
// reader for V2000 SD files, the library for .clb files, the registered readers for SMILES and
// V3000 files), each record read into a fresh table as a newly loaded query is. A library set's
// records are its members' in set order.
#include "search/queryset.h"

#include "base/ioerror.h"
#include "base/textfile.h"
#include "io/libfiles.h"
#include "io/libset.h"
#include "io/liblock.h"
#include "io/molfile.h"
#include "io/structureformats.h"

#include <filesystem>

namespace velmora {

namespace {

// "no such file", "is a folder", "is not a regular file", or "" for a regular file.
std::string SetFileProblem(const std::string& file)
{
    std::error_code error;
    const auto status = std::filesystem::status(file, error);
    if (status.type() == std::filesystem::file_type::not_found)
        return "no such file";
    if (std::filesystem::is_directory(status))
        return "is a folder";
    if (std::filesystem::exists(status) && !std::filesystem::is_regular_file(status))
        return "is not a regular file";
    return {};
}

void ReadLibrarySet(QuerySet& set, StructureLibrary& library)
{
    const long count = CountLibraryRecords(set.file);
    for (long k = 1; k <= count; ++k) {
        const int read = library.ReadLibraryRecord(set.file, k);
        if (read != kLibOk) {
            set.skipped.push_back({k, LibraryReadProblem(set.file, read, k)});
            continue;
        }
        set.queries.emplace_back().Assign(library.Structure());
        set.records.push_back(k);
    }
    library.ReleaseFiles();
}

void ReadSdSet(QuerySet& set)
{
    TextReader reader(set.file);
    for (long record = 1; !reader.Eof(); ++record) {
        TCTab table;
        MolReadStatus status;
        ReadMolRecord(table, reader, status);
        std::string problem;
        if (status.v3000 && !status.lineTooLong) {
            // A V3000 record among V2000 ones: the reader of V3000 files takes it, as the import does.
            problem = StructureFromMolBlock(status.v3000Block, table);
            if (problem.empty() && !status.casText.empty())
                table.SetCASFromText(status.casText);
        } else if (status.Spoiled()) {
            // Blank lines after the last record hold no record.
            if (reader.Eof() && status.truncated && status.atomCount == 0 && table.FStrucName.empty() &&
                record > 1)
                break;
            problem = MolReadProblem(status);
        }
        if (!problem.empty()) {
            set.skipped.push_back({record, problem});
            continue;
        }
        set.queries.push_back(std::move(table));
        set.records.push_back(record);
    }
}

void ReadSourceSet(QuerySet& set)
{
    const auto source = OpenStructureSource(set.file);
    for (long record = 1; !source->AtEnd(); ++record) {
        TCTab table;
        const std::string problem = source->Read(table);
        if (!problem.empty()) {
            set.skipped.push_back({record, problem});
            continue;
        }
        set.queries.push_back(std::move(table));
        set.records.push_back(record);
    }
}

} // namespace

std::string QuerySet::QueryName(std::size_t q) const
{
    if (q >= queries.size())
        return {};
    std::string name = queries[q].FStrucName;
    const auto first = name.find_first_not_of(" \t\r\n");
    if (first == std::string::npos)
        return "#" + std::to_string(q + 1);
    return name.substr(first, name.find_last_not_of(" \t\r\n") - first + 1);
}

std::string QuerySet::SkippedText() const
{
    std::string text;
    for (const QuerySetSkip& skip : skipped)
        text += (text.empty() ? "" : "\n") + file + ": record " + std::to_string(skip.record) + ": " + skip.reason;
    return text;
}

QuerySet ReadQuerySet(const std::string& file, StructureLibrary& library)
{
    if (const std::string problem = SetFileProblem(file); !problem.empty())
        throw IoError(file, problem);
    QuerySet set;
    set.file = file;
    if (HasLibraryExtension(file) || IsLibrarySetName(file)) {
        if (IsLibrarySetName(file))
            LibrarySet::Read(file); // names the set file and the line of its first problem
        const LibraryLock lock(file, LibraryWork::Read); // a set's: every member's
        const int first = library.ReadLibraryRecord(file, 1);
        if (first != kLibOk) {
            library.ReleaseFiles();
            throw IoError(file, LibraryReadProblem(file, first, 1));
        }
        ReadLibrarySet(set, library);
    } else if (IsSmilesFileName(file) || StructureFileKindOf(file) != StructureFileKind::Molfile) {
        ReadSourceSet(set);
    } else {
        ReadSdSet(set);
    }
    if (set.queries.empty()) {
        std::string problem = "holds no structure that can be used as a query";
        if (!set.skipped.empty())
            problem += " (" + std::to_string(set.skipped.size()) + " record" + (set.skipped.size() == 1 ? "" : "s") +
                       " left out: " + set.skipped.front().reason + (set.skipped.size() > 1 ? "; ..." : "") + ")";
        throw IoError(file, problem);
    }
    return set;
}

} // namespace velmora
