#include "search/paramcalc.h"

#include "base/ioerror.h"
#include "base/textfile.h"
#include "descriptors/catalogue.h"

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

void ShowTime(UserDialog& dialog, const std::string& elapsed)
{
    dialog.ShowMessage(MessageKind::Information, "Information", "Calculationtime: " + elapsed, MessageButtons::Ok);
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

} // namespace

ParameterRun ComputeIntroParameters(StructureLibrary& library, const std::string& libraryName,
                                    LibraryParameters& parameters, StatisticsAccumulator& statistics,
                                    Progress& progress, UserDialog& dialog)
{
    ParameterRun run;
    LibraryParameters computed; // the parameters in use change only when the run completes
    ResetChannels(statistics, 17);
    const long count = CountLibraryRecords(libraryName);
    const std::string idr = CompanionFileName(libraryName, "idr");
    if (std::filesystem::exists(idr)) {
        TextReader reader(idr);
        TextWriter copy(CompanionFileName(libraryName, "id1"));
        while (!reader.Eof())
            copy.WriteLine(reader.ReadLine());
        copy.Close();
    }
    progress.Start("Calculates mean and standard deviation", count);
    const ClockTime start = ClockNow();
    bool aborted = false;
    for (long k = 1; k <= count; ++k) {
        if (progress.Poll() == ProgressRequest::Abort) {
            aborted = true;
            break;
        }
        library.ReadLibraryRecord(libraryName, k);
        const TCTab& table = library.Structure();
        double x = 0.0;
        for (int i = 0; i <= 33; ++i) {
            const double v = i == 33 ? 0.0 : DescriptorValue(table, i);
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
    progress.Step(run.structures);
    progress.Finish();
    if (!aborted) {
        TakeResults(statistics, computed, 17);
        computed.Write(idr, 152);
        parameters = computed;
        run.completed = true;
    }
    run.elapsed = ElapsedText(start, ClockNow());
    ShowTime(dialog, run.elapsed);
    return run;
}

ParameterRun BuildDescriptorFile(StructureLibrary& library, const std::string& libraryName,
                                 long libraryCount, LibraryParameters& parameters,
                                 StatisticsAccumulator& statistics, Progress& progress, UserDialog& dialog)
{
    ParameterRun run;
    LibraryParameters computed; // the parameters in use change only when the run completes
    ResetChannels(statistics, 76);
    const std::string pr1 = CompanionFileName(libraryName, "pr1");
    RecordFile file(pr1);
    progress.Start("Calculates new library-descriptors", libraryCount);
    const ClockTime start = ClockNow();
    bool aborted = false;
    const std::array<double, kCatalogueSize> zeros{};
    for (long k = 1; k <= libraryCount;) {
        const ProgressRequest request = progress.Poll();
        if (request == ProgressRequest::Abort) {
            aborted = true;
            break;
        }
        if (request == ProgressRequest::Suspend)
            continue;
        library.ReadLibraryRecord(libraryName, k);
        const TCTab& table = library.Structure();
        DescriptorRecord record = MakeDescriptorRecord(table, zeros);
        bool valid = !record.notRegistered;
        std::array<double, kCatalogueSize> values{};
        if (valid) {
            values = ComputeDescriptorValues(table);
            valid = values[kNumberOfRingsIndex] >= 0;
        }
        if (valid)
            record = MakeDescriptorRecord(table, values);
        // Channels 1..67 (indices 0..133) count valid structures only; 68..76 every structure.
        for (int c = valid ? 1 : 68; c <= 76; ++c) {
            statistics.SelectChannel(c);
            statistics.AddPoint(RecordValue(record, 2 * c - 2), RecordValue(record, 2 * c - 1));
        }
        const auto bytes = EncodeDescriptorRecord(record);
        file.Append(bytes.data(), bytes.size());
        run.structures = k;
        progress.Step(k);
        ++k;
    }
    file.Close();
    progress.Finish();
    const std::string pre = CompanionFileName(libraryName, "pre");
    if (!aborted) {
        TakeResults(statistics, computed, 76);
        computed.Write(CompanionFileName(libraryName, "idp"), 153);
        parameters = computed;
        std::error_code ec;
        std::filesystem::remove(pre, ec);
        std::filesystem::rename(pr1, pre);
        run.completed = true;
    } else {
        std::filesystem::remove(pr1);
    }
    run.elapsed = ElapsedText(start, ClockNow());
    ShowTime(dialog, run.elapsed);
    return run;
}

} // namespace velmora
