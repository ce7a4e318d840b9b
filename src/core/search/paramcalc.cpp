#include "search/paramcalc.h"

#include "base/chunkpipeline.h"
#include "base/filerollback.h"
#include "base/ioerror.h"
#include "base/textfile.h"
#include "base/threadcount.h"
#include "descriptors/catalogue.h"
#include "descriptors/groups.h"
#include "io/libfiles.h"
#include "io/libset.h"
#include "io/liblock.h"
#include "io/libstamp.h"
#include "search/libsetfiles.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <stdexcept>
#include <vector>

namespace velmora {

namespace {

void ResetChannels(StatisticsAccumulator& statistics, int last)
{
    for (int c = 1; c <= last; ++c) {
        statistics.SelectChannel(c);
        statistics.ResetChannel();
    }
}

void TakeResults(StatisticsAccumulator& statistics, LibraryParameters& parameters, int lastChannel)
{
    for (int c = 1; c <= lastChannel; ++c) {
        statistics.SelectChannel(c);
        const ChannelResult r = statistics.ChannelResults();
        parameters.Set(2 * c - 2, r.meanX, r.sdX);
        parameters.Set(2 * c - 1, r.meanY, r.sdY);
    }
}

void ShowTime(UserDialog& dialog, const std::string& elapsed, const std::string& abortNote = {})
{
    dialog.ShowMessage(MessageKind::Information, "Information", "Calculationtime: " + elapsed + abortNote,
                       MessageButtons::Ok);
}

std::string AbortedAfter(long done, long total)
{
    return "\rAborted after " + std::to_string(done) + " of " + std::to_string(total) +
           " structures: nothing was replaced.";
}

// What an aborted build leaves in use: the descriptor file from before, when there is one.
std::string BuildAbortNote(const std::string& pre, long done, long total)
{
    std::string note = AbortedAfter(done, total);
    std::error_code ec;
    const auto size = std::filesystem::file_size(pre, ec);
    if (ec)
        return note + "\rThere is no descriptor file of this library.";
    if (size == static_cast<std::uintmax_t>(total) * kDescriptorRecordSize)
        return note + "\rThe descriptor file in use is still " + FullPath(pre) + ".";
    return note + "\rThe descriptor file " + FullPath(pre) + " is left as it was; it does not hold the " +
           std::to_string(total) + " structures of this library.";
}

// What an aborted INTRO calculation leaves in use: the parameter file from before, when there is one.
std::string IntroAbortNote(const std::string& idr, long done, long total)
{
    std::string note = AbortedAfter(done, total);
    if (!std::filesystem::exists(idr))
        return note + "\rThere are no INTRO parameters of this library.";
    return note + "\rThe parameters in use are still those of " + FullPath(idr) + ".";
}

// Appends fixed records to a binary file; throws IoError on failure.
class RecordFile {
public:
    explicit RecordFile(const std::string& path) : m_path(path), m_file(std::fopen(path.c_str(), "wb"))
    {
        if (!m_file)
            throw IoError(path, std::string("cannot create: ") + std::strerror(errno));
    }
    ~RecordFile()
    {
        if (m_file)
            std::fclose(m_file);
    }
    void Append(const std::uint8_t* data, std::size_t size)
    {
        if (std::fwrite(data, 1, size, m_file) != size)
            throw IoError(m_path, std::string("write error: ") + std::strerror(errno));
    }
    void Close()
    {
        const bool failed = std::fflush(m_file) != 0 || std::ferror(m_file);
        std::fclose(m_file);
        m_file = nullptr;
        if (failed)
            throw IoError(m_path, std::string("write error: ") + std::strerror(errno));
    }

private:
    std::string m_path;
    std::FILE* m_file;
};

// A calculation over every structure of a library, its results taken back in library order.
// The calling thread reads the records through its StructureLibrary (which is never shared) a
// chunk at a time, copying each structure into the chunk; the pipeline's threads compute them. So
// whatever the caller does with the results (statistics, file writes, progress, polling for abort)
// happens as in a plain loop, and the results are those of that loop: each structure is computed
// alone. compute touches nothing but the structure it is given and the result it fills; what it
// throws is rethrown by Take for that structure.
template <class Result>
class LibraryRecords {
public:
    using Compute = std::function<void(const TCTab&, Result&)>;

    // count: records 1..count are read; chunk: structures per chunk (about a millisecond of work).
    LibraryRecords(StructureLibrary& library, const std::string& libraryName, long count, int chunk, Compute compute)
        : m_library(library), m_libraryName(libraryName), m_count(std::max(count, 0L)), m_chunk(std::max(chunk, 1)),
          m_compute(std::move(compute)),
          m_pipeline((m_count + m_chunk - 1) / m_chunk, {ThreadCount()},
                     [this](long, Chunk& c, int) { return ComputeChunk(c); },
                     [this](long c, Chunk& chunk) { FillChunk(c, chunk); })
    {
    }

    // The result of record k; k runs 1, 2, ... count (the same k may be asked again).
    const Result& Take(long k)
    {
        const long chunk = (k - 1) / m_chunk;
        while (!m_current || m_current->index < chunk) {
            m_current = m_pipeline.Next();
            if (!m_current)
                throw std::logic_error("library records: no record " + std::to_string(k));
        }
        const auto i = static_cast<std::size_t>((k - 1) % m_chunk);
        if (m_current->errors[i])
            std::rethrow_exception(m_current->errors[i]);
        return m_current->results[i];
    }

    // Stops the pipeline. When records were read past the last one taken, the library reader is
    // put back on that one, so it holds what a plain loop would have left.
    void Finish(long lastTaken)
    {
        m_pipeline.Stop();
        if (lastTaken < 1 || m_nextRead <= lastTaken + 1 || !m_current)
            return;
        m_library.ReadLibraryRecord(m_libraryName, lastTaken);
        // The structure as it was read in turn (an unreadable record may have left the one before).
        m_library.Structure() = m_current->tables[static_cast<std::size_t>((lastTaken - 1) % m_chunk)];
    }

private:
    struct Chunk {
        long index = -1;
        int size = 0;
        std::vector<TCTab> tables;
        std::vector<Result> results;
        std::vector<std::exception_ptr> errors;
    };

    void FillChunk(long c, Chunk& chunk)
    {
        chunk.index = c;
        chunk.size = static_cast<int>(std::min<long>(m_chunk, m_count - c * m_chunk));
        const auto size = static_cast<std::size_t>(m_chunk);
        chunk.tables.resize(size);
        chunk.results.resize(size);
        chunk.errors.resize(size);
        std::fill(chunk.errors.begin(), chunk.errors.end(), nullptr);
        if (m_readFailed)
            chunk.size = 0; // not reached: Take threw at the record before
        for (int i = 0; i < chunk.size; ++i, ++m_nextRead) {
            // As in a plain loop, a record that cannot be read leaves what the library reader
            // leaves in its structure (cleared, or the one before).
            try {
                m_library.ReadLibraryRecord(m_libraryName, m_nextRead);
                chunk.tables[static_cast<std::size_t>(i)] = m_library.Structure();
            } catch (...) { // thrown by Take for this record; nothing after it is read
                chunk.errors[static_cast<std::size_t>(i)] = std::current_exception();
                chunk.size = i + 1;
                m_readFailed = true;
                ++m_nextRead;
                break;
            }
        }
    }

    bool ComputeChunk(Chunk& chunk)
    {
        for (int i = 0; i < chunk.size; ++i) {
            const auto u = static_cast<std::size_t>(i);
            if (chunk.errors[u])
                continue; // not read
            try {
                m_compute(chunk.tables[u], chunk.results[u]);
            } catch (...) {
                chunk.errors[u] = std::current_exception();
            }
        }
        return true;
    }

    StructureLibrary& m_library;
    const std::string m_libraryName;
    const long m_count;
    const int m_chunk;
    const Compute m_compute;
    long m_nextRead = 1; // the next record FillChunk reads
    bool m_readFailed = false;
    Chunk* m_current = nullptr;
    ChunkPipeline<Chunk> m_pipeline;
};

using GroupCounts = std::array<std::int32_t, kGroupCount>;

// One structure's line of the descriptor file and the values its statistics take.
struct BuildItem {
    std::array<std::uint8_t, kDescriptorRecordSize> bytes{};
    std::array<double, 2 * 76> values{}; // RecordValue by catalogue index 0..151
    bool valid = false;                  // registered and with a ring count of 0 or more
};

// A structure that is not registered (an atom without neighbour) or whose ring count comes out
// negative keeps zeros for its descriptors and takes part only in the last nine channels.
void ComputeBuildItem(const TCTab& table, BuildItem& item)
{
    static const std::array<double, kCatalogueSize> zeros{};
    DescriptorRecord record = MakeDescriptorRecord(table, zeros);
    bool valid = !record.notRegistered;
    std::array<double, kCatalogueSize> values{};
    if (valid) {
        values = ComputeDescriptorValues(table);
        valid = values[kNumberOfRingsIndex] >= 0;
    }
    if (valid)
        record = MakeDescriptorRecord(table, values);
    item.valid = valid;
    for (int i = valid ? 0 : 134; i < 152; ++i)
        item.values[static_cast<std::size_t>(i)] = RecordValue(record, i);
    item.bytes = EncodeDescriptorRecord(record);
}

// Whether a stored record counts as the build counted its structure: registered, and with a ring
// count of 0 or more. A structure that was not is stored with zeros for every descriptor; one that
// was has a Randic index above 0 (it has a bond), or no atom at all and one "ring" (0 - 0 + 1).
bool StoredRecordValid(const DescriptorRecord& record)
{
    return !record.notRegistered && (record.randicIx != 0.0 || record.numberOfRings != 0);
}

// The records of a set's members in set order, a block at a time.
class PartReader {
public:
    explicit PartReader(const std::vector<DescriptorPart>& parts) : m_parts(parts) {}
    // The next record; throws IoError naming the file when it ends early.
    const std::uint8_t* Next()
    {
        if (m_at == m_held) {
            while (m_part < m_parts.size() && m_inPart == m_parts[m_part].count) {
                ++m_part;
                m_inPart = 0;
                m_file.close();
            }
            const DescriptorPart& part = m_parts.at(m_part);
            if (!m_file.is_open()) {
                m_file.open(part.file, std::ios::binary);
                if (!m_file)
                    throw IoError(part.file, "cannot open the descriptor file");
            }
            const long take = std::min<long>(kBlock, part.count - m_inPart);
            m_bytes.resize(static_cast<std::size_t>(take) * kDescriptorRecordSize);
            if (!m_file.read(reinterpret_cast<char*>(m_bytes.data()), static_cast<std::streamsize>(m_bytes.size())))
                throw IoError(part.file, "no descriptor record for structure " + std::to_string(m_inPart + 1));
            m_inPart += take;
            m_held = static_cast<std::size_t>(take);
            m_at = 0;
        }
        return m_bytes.data() + kDescriptorRecordSize * m_at++;
    }

private:
    static constexpr long kBlock = 4096;
    const std::vector<DescriptorPart>& m_parts;
    std::size_t m_part = 0;
    long m_inPart = 0; // records of the part read into m_bytes so far
    std::ifstream m_file;
    std::vector<std::uint8_t> m_bytes;
    std::size_t m_held = 0, m_at = 0;
};

} // namespace

ParameterRun ComputeIntroParameters(StructureLibrary& library, const std::string& libraryName,
                                    LibraryParameters& parameters, StatisticsAccumulator& statistics,
                                    Progress& progress, UserDialog& dialog)
{
    const LibraryLock lock(libraryName, LibraryWork::Params);
    ParameterRun run;
    LibraryParameters computed; // the parameters in use change only when the run completes
    ResetChannels(statistics, 17);
    const long count = CountLibraryRecords(libraryName);
    const std::string idr = CompanionFileName(libraryName, "idr");
    if (std::filesystem::exists(idr)) {
        TextReader reader(idr);
        FileRollback rollback(CompanionFileName(libraryName, "id1"), FileRollback::Mode::New);
        TextWriter copy(CompanionFileName(libraryName, "id1"));
        while (!reader.Eof())
            copy.WriteLine(reader.ReadLine());
        copy.Close();
        rollback.Keep();
    }
    progress.Start(ProgressKind::Parameters, "Calculates mean and standard deviation", count);
    const ClockTime start = ClockNow();
    bool aborted = false;
    LibraryRecords<GroupCounts> pipeline(library, libraryName, count, 256,
                                         [](const TCTab& table, GroupCounts& counts) { CountAllGroups(table, counts); });
    for (long k = 1; k <= count; ++k) {
        if (progress.Poll() == ProgressRequest::Abort) {
            aborted = true;
            break;
        }
        const GroupCounts& counts = pipeline.Take(k);
        double x = 0.0;
        for (int i = 0; i <= 33; ++i) {
            const double v = i == 33 ? 0.0 : counts[static_cast<std::size_t>(i)];
            if (i % 2 == 0) {
                x = v;
            } else {
                statistics.SelectChannel(i / 2 + 1);
                statistics.AddPoint(x, v);
            }
        }
        run.structures = k;
        if (k % 100 == 0)
            progress.Step(k);
    }
    pipeline.Finish(run.structures);
    progress.Step(run.structures);
    progress.Finish();
    if (!aborted) {
        TakeResults(statistics, computed, 17);
        RemoveCompanionStamp(libraryName, "idr");
        computed.Write(idr, 152);
        StampCompanion(libraryName, "idr");
        parameters = computed;
        run.completed = true;
    }
    run.elapsed = ElapsedText(start, ClockNow());
    ShowTime(dialog, run.elapsed, aborted ? IntroAbortNote(idr, run.structures, count) : std::string());
    return run;
}

ParameterRun BuildDescriptorFile(StructureLibrary& library, const std::string& libraryName,
                                 long libraryCount, LibraryParameters& parameters,
                                 StatisticsAccumulator& statistics, Progress& progress, UserDialog& dialog)
{
    const LibraryLock lock(libraryName, LibraryWork::Build);
    ParameterRun run;
    LibraryParameters computed; // the parameters in use change only when the run completes
    ResetChannels(statistics, 76);
    const std::string pr1 = CompanionFileName(libraryName, "pr1");
    FileRollback rollback(pr1, FileRollback::Mode::New); // no half-built descriptor file stays behind
    RecordFile file(pr1);
    progress.Start(ProgressKind::DescriptorFile, "Calculates new library-descriptors", libraryCount);
    const ClockTime start = ClockNow();
    bool aborted = false;
    LibraryRecords<BuildItem> pipeline(library, libraryName, libraryCount, 32, ComputeBuildItem);
    for (long k = 1; k <= libraryCount;) {
        const ProgressRequest request = progress.Poll();
        if (request == ProgressRequest::Abort) {
            aborted = true;
            break;
        }
        if (request == ProgressRequest::Suspend)
            continue;
        const BuildItem& item = pipeline.Take(k);
        // Channels 1..67 (indices 0..133) count valid structures only; 68..76 every structure.
        for (int c = item.valid ? 1 : 68; c <= 76; ++c) {
            statistics.SelectChannel(c);
            statistics.AddPoint(item.values[static_cast<std::size_t>(2 * c - 2)],
                                item.values[static_cast<std::size_t>(2 * c - 1)]);
        }
        file.Append(item.bytes.data(), item.bytes.size());
        run.structures = k;
        progress.Step(k);
        ++k;
    }
    pipeline.Finish(run.structures);
    file.Close();
    progress.Finish();
    const std::string pre = CompanionFileName(libraryName, "pre");
    if (!aborted) {
        TakeResults(statistics, computed, 76);
        // Each stamp goes before its file is replaced and comes back after it is complete.
        RemoveCompanionStamp(libraryName, "idp");
        RemoveCompanionStamp(libraryName, "pre");
        computed.Write(CompanionFileName(libraryName, "idp"), 153);
        parameters = computed;
        std::error_code ec;
        std::filesystem::remove(pre, ec);
        std::filesystem::rename(pr1, pre);
        StampCompanion(libraryName, "pre");
        StampCompanion(libraryName, "idp");
        rollback.Keep();
        run.completed = true;
    } else {
        std::filesystem::remove(pr1);
    }
    run.elapsed = ElapsedText(start, ClockNow());
    ShowTime(dialog, run.elapsed, aborted ? BuildAbortNote(pre, run.structures, libraryCount) : std::string());
    return run;
}

} // namespace velmora

namespace velmora {

ParameterRun ComputeSetDescriptorParameters(const std::string& setName, LibraryParameters& parameters,
                                            StatisticsAccumulator& statistics, Progress& progress, UserDialog& dialog)
{
    const LibraryLock lock(setName, LibraryWork::Params);
    const LibrarySet set = LibrarySet::Read(setName);
    const std::vector<DescriptorPart> parts = SetDescriptorParts(set);
    ParameterRun run;
    LibraryParameters computed;
    ResetChannels(statistics, 76);
    progress.Start(ProgressKind::Parameters, "Calculates mean and standard deviation", set.Count());
    const ClockTime start = ClockNow();
    bool aborted = false;
    PartReader reader(parts);
    std::array<double, 2 * 76> values{};
    for (long k = 1; k <= set.Count(); ++k) {
        if (k % 1024 == 1 && progress.Poll() == ProgressRequest::Abort) {
            aborted = true;
            break;
        }
        // As the build counts the structure from the record it stores.
        const DescriptorRecord record = DecodeDescriptorRecord(reader.Next());
        const bool valid = StoredRecordValid(record);
        for (int i = valid ? 0 : 134; i < 152; ++i)
            values[static_cast<std::size_t>(i)] = RecordValue(record, i);
        for (int c = valid ? 1 : 68; c <= 76; ++c) {
            statistics.SelectChannel(c);
            statistics.AddPoint(values[static_cast<std::size_t>(2 * c - 2)], values[static_cast<std::size_t>(2 * c - 1)]);
        }
        run.structures = k;
        if (k % 1024 == 0)
            progress.Step(k);
    }
    progress.Step(run.structures);
    progress.Finish();
    const std::string idp = CompanionFileName(setName, "idp");
    if (!aborted) {
        TakeResults(statistics, computed, 76);
        RemoveCompanionStamp(setName, "idp");
        computed.Write(idp, 153);
        StampCompanion(setName, "idp");
        parameters = computed;
        run.completed = true;
    }
    run.elapsed = ElapsedText(start, ClockNow());
    ShowTime(dialog, run.elapsed,
             aborted ? AbortedAfter(run.structures, set.Count()) +
                           (std::filesystem::exists(idp) ? "\rThe parameters in use are still those of " + FullPath(idp) + "."
                                                         : std::string("\rThere are no parameters of this library set."))
                     : std::string());
    return run;
}

ParameterRun BuildLibrarySetFiles(StructureLibrary& library, const std::string& setName, LibraryParameters& parameters,
                                  StatisticsAccumulator& statistics, Progress& progress, UserDialog& dialog,
                                  std::vector<std::string>* built)
{
    const LibrarySet set = LibrarySet::Read(setName);
    ParameterRun run;
    for (const LibrarySetMember& member : set.Members()) {
        const std::string& path = member.entry.path;
        if (std::filesystem::exists(CompanionFileName(path, "pre")) && CompanionMismatch(path, "pre").empty())
            continue;
        LibraryParameters own; // the member's own parameters are its business, not the set's
        const ParameterRun memberRun = BuildDescriptorFile(library, path, member.count, own, statistics, progress, dialog);
        run.structures += memberRun.structures;
        if (!memberRun.completed) {
            run.elapsed = memberRun.elapsed;
            return run;
        }
        if (built)
            built->push_back(path);
    }
    library.ReleaseFiles();
    return ComputeSetDescriptorParameters(setName, parameters, statistics, progress, dialog);
}

} // namespace velmora
