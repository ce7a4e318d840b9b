#include "search/paramcalc.h"

#include "base/filerollback.h"
#include "base/ioerror.h"
#include "base/textfile.h"
#include "descriptors/catalogue.h"
#include "descriptors/groups.h"
#include "io/libfiles.h"
#include "io/liblock.h"
#include "io/libstamp.h"
#include "search/recordpipeline.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>

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
    RecordPipeline<GroupCounts> pipeline(library, libraryName, count, 256,
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
    RecordPipeline<BuildItem> pipeline(library, libraryName, libraryCount, 32, ComputeBuildItem);
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
