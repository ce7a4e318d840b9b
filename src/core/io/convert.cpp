#include "io/convert.h"

#include "base/chunkpipeline.h"
#include "base/filerollback.h"
#include "base/ioerror.h"
#include "base/numtext.h"
#include "base/threadcount.h"
#include "io/libfiles.h"
#include "io/libset.h"
#include "io/liblock.h"
#include "io/libreplace.h"
#include "io/libstamp.h"
#include "io/molfile.h"
#include "model/elements.h"

#include <array>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <memory>
#include <optional>
#include <stdexcept>
#include <system_error>

namespace velmora {

namespace {

constexpr std::size_t kMaxNotes = 20;

const std::array<const char*, 14> kFieldNames{
    "NumValidAtoms; ", "FStrucName; ", "FCoordUnit; ", "FCASNr; ", "AtNum; ",
    "AtWeight; ",      "AtFlag; ",     "Attrib; ",     "Charge; ", "x-Coords; ",
    "y-Coords; ",      "z-Coords; ",   "ConnTo; ",     "TypConn; ",
};

// A name as a message shows it: UTF-8 as it is, any other byte of 128 or more and every control
// character but the tab as \xNN, so that what was read can be told apart from what was stored.
std::string DisplayName(const std::string& name)
{
    std::string text;
    for (std::size_t p = 0; p < name.size();) {
        const auto byte = static_cast<unsigned char>(name[p]);
        std::size_t length = byte < 0x80 ? 1 : byte >= 0xC2 && byte <= 0xDF ? 2 : byte >= 0xE0 && byte <= 0xEF ? 3
                                         : byte >= 0xF0 && byte <= 0xF4      ? 4 : 0;
        if (length > 1) {
            const auto second = p + 1 < name.size() ? static_cast<unsigned char>(name[p + 1]) : 0;
            // Overlong forms, surrogates and code points beyond U+10FFFF are not UTF-8.
            const bool secondFits = (byte == 0xE0 ? second >= 0xA0 : byte == 0xED ? second < 0xA0
                                     : byte == 0xF0 ? second >= 0x90 : byte == 0xF4 ? second < 0x90 : true);
            if (p + length > name.size() || !secondFits)
                length = 0;
            for (std::size_t k = 1; k < length; ++k)
                if ((static_cast<unsigned char>(name[p + k]) & 0xC0) != 0x80)
                    length = 0;
        }
        if (length == 0 || (byte < 32 && byte != '\t') || byte == 127) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\x%02X", byte);
            text += escaped;
            ++p;
        } else {
            text.append(name, p, length);
            p += length;
        }
    }
    return text;
}

std::string RecordLabel(long record, const std::string& name)
{
    return "record " + std::to_string(record) + (name.empty() ? "" : " (" + DisplayName(name) + ")");
}

// "record 3 (NAME): reason", or "record 3 (NAME) ends at line 9; ..." for a record cut short.
std::string RecordNote(long record, const std::string& name, const std::string& reason)
{
    return RecordLabel(record, name) + (reason.rfind("ends at", 0) == 0 ? " " : ": ") + reason;
}

// Why a record read back from the library differs from the table that was written.
std::string ReadBackReason(const TCTab& stored, const TCTab& read, std::uint16_t mask)
{
    if (mask & kDiffAtWeight)
        for (int i = 1; i <= read.NumValidAtoms && i <= stored.NumValidAtoms; ++i)
            if (read.Atom(i).AtWeight != stored.Atom(i).AtWeight)
                return "isotope " + std::to_string(read.Atom(i).AtWeight) + ElementSymbol(read.AtNum(i)) +
                       " (atom " + std::to_string(i) + ") cannot be stored";
    std::string fields;
    for (int bit = 0; bit < static_cast<int>(kFieldNames.size()); ++bit)
        if ((mask & (1u << bit)) && (1u << bit) != kDiffZ)
            fields += kFieldNames[static_cast<std::size_t>(bit)];
    return "reads back differently (" + fields.substr(0, fields.size() - 2) + ")";
}

// The name as the library can hold it: at most 255 characters, and "?" for every byte of 128 or
// more, since those codes stand for name words.
std::string StorableName(const std::string& name)
{
    std::string stored = name.substr(0, 255);
    for (char& c : stored)
        if (static_cast<unsigned char>(c) >= 128)
            c = '?';
    return stored;
}

std::string LibraryWriteFailure(int result, const std::string& target)
{
    const std::string folder = FolderProblem(target);
    const std::string because = folder.empty() ? "" : ": " + folder;
    switch (result) {
    case kLibIndexFile: return "cannot open the index file of " + target + because;
    case kLibEmptyEntry: return "cannot create the library " + target + because;
    case kLibWriteNotPermitted: return "writing to " + target + " is not permitted";
    case kLibFull:
        return "the library " + target + " is full: a library holds at most " + std::to_string(kMaxLibraryBlocks) +
               " blocks of " + std::to_string(kLibraryBlockSize) + " bytes (1 GiB)";
    default: return "cannot write to " + target + " (code " + std::to_string(result) + ")";
    }
}

// Polls until the user neither suspends nor aborts; false on abort.
bool Proceed(Progress& progress)
{
    for (;;) {
        switch (progress.Poll()) {
        case ProgressRequest::Continue: return true;
        case ProgressRequest::Abort: return false;
        case ProgressRequest::Suspend: break;
        }
    }
}

// "\rN structures were <what>" and the first notes, one per line.
void AppendNotes(std::string& text, long count, const std::vector<std::string>& notes, const char* what)
{
    constexpr std::size_t kShown = 10;
    if (count == 0)
        return;
    text += "\r" + std::to_string(count) + (count == 1 ? " structure was" : " structures were") + what;
    for (std::size_t k = 0; k < notes.size() && k < kShown; ++k)
        text += "\r" + notes[k];
    if (count > static_cast<long>(std::min(notes.size(), kShown)))
        text += "\r... and " + std::to_string(count - static_cast<long>(std::min(notes.size(), kShown))) + " more";
}

std::string FormatText(const std::string& fileName, const std::string& fallback)
{
    const auto dot = std::filesystem::path(fileName).filename().string().find('.');
    if (dot == std::string::npos)
        return fallback;
    return "*." + std::filesystem::path(fileName).filename().string().substr(dot + 1);
}

} // namespace

std::string ReadBackErrorText(std::uint16_t mask)
{
    if ((mask & 0x7FF) == 0)
        return {};
    std::string text = "ERRORS:  ";
    for (int bit = 0; bit <= 10; ++bit)
        if (mask & (1u << bit))
            text += kFieldNames[static_cast<std::size_t>(bit)];
    return text;
}

SdSource::SdSource(const std::string& fileName) : m_reader(fileName) {}

std::string SdSource::Read(TCTab& table)
{
    MolReadStatus status;
    ReadMolRecord(table, m_reader, status);
    if (status.v3000 && !status.lineTooLong) {
        // A V3000 record after V2000 ones: the reader of V3000 files takes it.
        const std::string reason = StructureFromMolBlock(status.v3000Block, table);
        if (reason.empty() && !status.casText.empty())
            table.SetCASFromText(status.casText);
        return reason;
    }
    if (status.Spoiled() || status.bondTypeInvalid || status.neighbourOverflow)
        return MolReadProblem(status);
    return {};
}

bool SdSource::AtEnd() { return m_reader.Eof(); }

ImportReport ImportStructures(StructureLibrary& library, const std::string& source, long total,
                              const std::string& target, ConversionMode mode, Progress& progress)
{
    SdSource reader(source);
    return ImportStructures(library, reader, total, target, mode, progress);
}

namespace {

// Where the import loop takes its records from, in source order. Read returns the table of the
// next record (the loop may change it) and sets rejected as StructureSource::Read does; AtEnd
// tells whether the source holds no further record after it. Both throw what the source threw.
class RecordFeed {
public:
    virtual ~RecordFeed() = default;
    virtual TCTab& Read(std::string& rejected) = 0;
    virtual bool AtEnd() = 0;
};

// Reads each record when the loop asks for it, into one table.
class DirectFeed final : public RecordFeed {
public:
    explicit DirectFeed(StructureSource& source) : m_source(source) {}
    TCTab& Read(std::string& rejected) override
    {
        rejected = m_source.Read(m_table);
        return m_table;
    }
    bool AtEnd() override { return m_source.AtEnd(); }

private:
    StructureSource& m_source;
    TCTab m_table;
};

// Reads the records on a worker thread while the loop stores the ones before, handing them over
// in batches (a few at most: memory stays the same for any source). The worker reads exactly the
// records the loop would ask for, in order, into one table as DirectFeed does (and renames it as
// the loop does, so a source that keeps the previous name sees the same one), and stops after the
// record on which the loop will stop (the source's end, or total records). What the source throws
// is kept with its record and thrown when the loop reaches it, never earlier; what lies past a
// record the loop stops on (abort, a failed write) is dropped unread or unseen. The worker touches
// nothing but the source and its batch. With one thread (ThreadCount()) the loop reads each batch
// itself when it reaches it.
class ReadAheadFeed final : public RecordFeed {
public:
    ReadAheadFeed(StructureSource& source, long total)
        : m_source(source), m_total(total),
          m_pipeline(ChunkPipeline<Batch>::kUnbounded,
                     {ThreadCount(), ChunkPipeline<Batch>::Order::OneAfterAnother, kBatches},
                     [this](long, Batch& batch, int) { return ReadBatch(batch); })
    {
    }

    TCTab& Read(std::string& rejected) override
    {
        if (!m_batch || m_next == m_batch->count) {
            m_batch = m_pipeline.Next();
            m_next = 0;
            if (!m_batch || m_batch->count == 0) // the loop asked past the record it stops on: cannot happen
                throw std::logic_error("import: no record after the last one read");
        }
        m_record = &m_batch->records[m_next++];
        if (m_record->readError)
            std::rethrow_exception(m_record->readError);
        rejected = m_record->rejected;
        return m_record->table;
    }
    bool AtEnd() override
    {
        if (m_record->endError)
            std::rethrow_exception(m_record->endError);
        return m_record->atEnd;
    }

private:
    static constexpr std::size_t kBatchSize = 32;
    static constexpr int kBatches = 4;

    struct Record {
        TCTab table;
        std::string rejected;
        bool atEnd = false;
        std::exception_ptr readError; // Read threw: the record holds nothing else
        std::exception_ptr endError;  // AtEnd threw after the record was read
    };
    struct Batch {
        std::vector<Record> records;
        std::size_t count = 0;
    };

    // Reads the next records into batch; false when no record is to follow them.
    bool ReadBatch(Batch& batch)
    {
        batch.records.resize(kBatchSize);
        batch.count = 0;
        bool more = true;
        while (more && batch.count < kBatchSize) {
            Record& record = batch.records[batch.count++];
            record.readError = nullptr;
            record.endError = nullptr;
            record.atEnd = false;
            try {
                record.rejected = m_source.Read(m_table);
                record.table = m_table;
                if (record.rejected.empty())
                    m_table.FStrucName = StorableName(m_table.FStrucName);
            } catch (...) {
                record.readError = std::current_exception();
                return false;
            }
            ++m_read;
            try {
                record.atEnd = m_source.AtEnd();
            } catch (...) {
                record.endError = std::current_exception();
                return false;
            }
            more = !record.atEnd && m_read < m_total && !m_pipeline.Stopping();
        }
        return more;
    }

    StructureSource& m_source;
    const long m_total;
    TCTab m_table; // the table the source reads into, record after record (reading lane only)
    long m_read = 0;
    Batch* m_batch = nullptr; // the batch the loop reads from
    std::size_t m_next = 0;
    Record* m_record = nullptr;
    ChunkPipeline<Batch> m_pipeline; // last: stopped before the rest goes
};

} // namespace

namespace {

// The first record is kept: the library imported anew replaces the previous one, and an append
// deletes the companion files, which no longer fit. False, with the failure reported, when the
// replacement fails (the previous library then stays).
bool FirstRecordKept(StructureLibrary& library, std::optional<LibraryReplacement>& replacement,
                     const std::string& target, std::string& into, ImportReport& report, long record)
{
    if (!replacement) {
        RemoveLibraryCompanions(target);
        return true;
    }
    library.ReleaseFiles();
    try {
        replacement->Commit();
    } catch (const IoError& error) {
        report.failed = true;
        report.failure = error.what();
        report.failedRecord = record;
        return false;
    }
    into = target;
    return true;
}

} // namespace

ImportReport ImportStructures(StructureLibrary& library, StructureSource& source, long total,
                              const std::string& target, ConversionMode mode, Progress& progress,
                              SourceReading reading)
{
    const LibraryLock lock(target, LibraryWork::Import);
    ImportReport report;
    library.ReleaseFiles();
    // A new library, or one imported anew, is written beside the previous one and replaces it once
    // it holds a record; an append changes the library's companion files only once it adds one.
    // Either way an import that keeps no record leaves every file as it was.
    std::optional<LibraryReplacement> replacement;
    if (mode == ConversionMode::WriteAnew || !std::filesystem::exists(target))
        replacement.emplace(target);
    std::string into = replacement ? replacement->StagedName() : target; // where the records go
    struct ReleaseStaged { // the library's files go before the staged ones are renamed or removed
        StructureLibrary& library;
        ~ReleaseStaged() { library.ReleaseFiles(); }
    } releaseStaged{library};
    progress.Start(ProgressKind::Conversion, "Conversion", total);

    std::unique_ptr<RecordFeed> feed;
    if (reading == SourceReading::ReadAhead)
        feed = std::make_unique<ReadAheadFeed>(source, total);
    else
        feed = std::make_unique<DirectFeed>(source);
    RecordFeed& reader = *feed;

    long k = 1;
    long record = 0;
    std::string rejected;
    do {
        if (!Proceed(progress)) {
            report.aborted = true;
            break;
        }
        ++record;
        TCTab& scratch = reader.Read(rejected);
        auto leaveOut = [&](const std::string& reason) {
            ++report.skipped;
            if (report.skipNotes.size() < kMaxNotes)
                report.skipNotes.push_back(RecordNote(record, scratch.FStrucName, reason));
        };
        if (!rejected.empty()) {
            leaveOut(rejected);
        } else {
            const std::string name = StorableName(scratch.FStrucName);
            const bool renamed = name != scratch.FStrucName;
            const std::string readName = renamed ? scratch.FStrucName : std::string();
            scratch.FStrucName = name;
            library.Structure().Assign(scratch);
            library.SetWritePermission(true);
            int written = kLibOk;
            try {
                if (replacement && report.written == 0)
                    replacement->Prepare();
                written = library.WriteLibraryRecord(into, name, static_cast<std::uint32_t>(scratch.FCASNr));
            } catch (const IoError& error) { // a full disk or a file size limit: the records before stay
                library.SetWritePermission(false);
                report.failed = true;
                report.failure = error.what();
                if (into != target) // a staged file is named as the library's file it stands for
                    report.failure = IoError(error.File() == into ? target : IndexFileName(target), error.Line(),
                                             error.Problem()).what();
                report.failedRecord = record;
                break;
            }
            library.SetWritePermission(false);
            if (written != kLibOk) {
                report.failed = true;
                report.failure = LibraryWriteFailure(written, target);
                report.failedRecord = record;
                break;
            }
            const int readBack = library.ReadLibraryRecord(into, library.RecordPosition());
            const std::uint16_t mask = CompareCtab(library.Structure(), scratch) & ~kDiffZ;
            if (readBack != kLibOk || mask != 0) {
                const std::string reason = readBack != kLibOk
                                               ? "cannot be read back (code " + std::to_string(readBack) + ")"
                                               : ReadBackReason(library.Structure(), scratch, mask);
                if (!library.RemoveLastRecord(into)) {
                    report.failed = true;
                    report.failure = "cannot take a wrong record out of " + target;
                    report.failedRecord = record;
                    break;
                }
                leaveOut(reason);
            } else {
                if (report.written == 0 && !FirstRecordKept(library, replacement, target, into, report, record))
                    break;
                ++report.written;
                if (renamed) {
                    ++report.renamed;
                    if (report.renameNotes.size() < kMaxNotes)
                        report.renameNotes.push_back(
                            RecordLabel(record, name) + ": name changed " +
                            (name.size() < readName.size()
                                 ? std::string("(cut to 255 characters)")
                                 : "from \"" + DisplayName(readName) + "\" (bytes of 128 or more stored as \"?\")"));
                }
            }
        }
        if (!reader.AtEnd()) {
            if (k < total) {
                ++k;
                progress.Step(k);
            } else {
                report.cut = true;
            }
        }
    } while (!reader.AtEnd() && !report.cut);
    progress.Finish();
    return report;
}

ExportReport ExportStructures(StructureLibrary& library, const std::string& libraryName, long total,
                              const std::string& target, ConversionMode mode, Progress& progress,
                              const std::vector<std::vector<SDDataItem>>& recordData)
{
    const LibraryLock lock(libraryName, LibraryWork::Export);
    static const std::vector<SDDataItem> kNoItems;
    ExportReport report;
    report.ran = true;
    FileRollback rollback(target, mode == ConversionMode::Append ? FileRollback::Mode::Append : FileRollback::Mode::New);
    TextWriter writer(target, mode == ConversionMode::Append ? TextWriter::Mode::Append
                                                             : TextWriter::Mode::Truncate);
    progress.Start(ProgressKind::Conversion, "Conversion", total);
    for (long k = 1; k <= total; ++k) {
        if (!Proceed(progress)) {
            report.aborted = true;
            break;
        }
        const int result = library.ReadLibraryRecord(libraryName, k);
        if (result != kLibOk) {
            // An empty or damaged record would export a blank structure; leave it out and say so.
            ++report.skipped;
            if (report.skipNotes.size() < kMaxNotes)
                report.skipNotes.push_back("record " + std::to_string(k) + ": cannot be read (code " +
                                           std::to_string(result) + ")");
            continue;
        }
        const TCTab& table = library.Structure();
        const auto& items = k <= static_cast<long>(recordData.size()) ? recordData[static_cast<std::size_t>(k - 1)] : kNoItems;
        WriteMolRecord(table, writer, "ZW", table.FStrucName.substr(0, 8), 0, "", nullptr, items);
        ++report.written;
        progress.Step(k);
    }
    writer.Close();
    rollback.Keep();
    progress.Finish();
    return report;
}

std::string FileSizeText(const std::string& fileName)
{
    std::error_code ec;
    const auto bytes = std::filesystem::file_size(fileName, ec);
    const double kb = ec ? 0.0 : static_cast<double>(bytes) / 1024.0;
    auto format = [](double value, const char* unit) {
        return FormatFixed(value, value < 100 ? 1 : 0) + unit;
    };
    if (kb < 1023)
        return format(kb, " kB");
    return format(kb / 1024.0, " MB");
}

std::string ExportFileName(const std::string& chosen, long records)
{
    if (chosen.empty() || std::filesystem::path(chosen).has_extension())
        return chosen;
    return chosen + (records > 1 ? ".sdf" : ".mol");
}

void Converter::PrepareImport(const std::string& source, long structureCount)
{
    m_direction = Direction::Import;
    m_caption = "Import";
    m_fromName = source;
    m_fromSize = FileSizeText(source);
    m_fromFormat = FormatText(source, "Molfile");
    m_count = structureCount;
    m_toName.clear();
    m_toSize.clear();
    m_toFormat.clear();
    m_mode = ConversionMode::None;
    m_protected.clear();
    m_importStarted = false;
}

void Converter::PrepareExport(const std::string& resultLibrary, long structureCount)
{
    m_protected = {resultLibrary};
    m_direction = Direction::Export;
    m_caption = "Export";
    m_fromName = resultLibrary;
    m_fromSize = FileSizeText(resultLibrary);
    m_fromFormat = "*.clb";
    m_count = structureCount;
    m_toName.clear();
    m_toSize.clear();
    m_toFormat.clear();
    m_mode = ConversionMode::None;
    m_lastExport = ExportReport{};
    m_recordData.clear();
}

void Converter::SaveAs(UserDialog& dialog)
{
    const bool import = m_direction == Direction::Import;
    // A dialog adds the first extension of its filter to a name typed without one: an SD file of
    // many records must not become a ".mol".
    const char* filter = import           ? "CLB-File (*.clb)|*.clb"
                         : m_count > 1    ? "Mol-File (*.mol ; *.sd ; *.sdf)|*.sdf;*.mol;*.sd"
                                          : "Mol-File (*.mol ; *.sd ; *.sdf)|*.mol;*.sd;*.sdf";
    const auto chosen = dialog.ChooseFile(FileDialogKind::Save, "Save As", filter, m_target);
    if (!chosen) {
        m_mode = ConversionMode::None;
        return;
    }
    const std::string target = import ? WithLibraryExtension(*chosen) : ExportFileName(*chosen, m_count);
    ConversionMode mode = import ? ConversionMode::Append : ConversionMode::WriteAnew;
    if (std::filesystem::exists(target)) {
        switch (dialog.ShowMessage(MessageKind::Confirmation, "Information", "File already exists",
                                   MessageButtons::ReplaceAppendAbort)) {
        case MessageAnswer::Replace: mode = ConversionMode::WriteAnew; break;
        case MessageAnswer::Append: mode = ConversionMode::Append; break;
        default: mode = ConversionMode::None; break;
        }
    }
    SetTarget(target, mode);
}

void Converter::SetTarget(const std::string& target, ConversionMode mode)
{
    m_mode = mode;
    m_target = m_direction == Direction::Import ? WithLibraryExtension(target) : target;
    m_toName = mode == ConversionMode::None ? std::string() : m_target;
    // The format written is known with the target; its size once something is converted into it.
    m_toSize.clear();
    m_toFormat = mode == ConversionMode::None
                     ? std::string()
                     : FormatText(m_target, m_direction == Direction::Import ? "CBL-File" : "Mol-File");
}

void Converter::ShowTarget()
{
    std::error_code error;
    if (!std::filesystem::is_regular_file(m_target, error)) {
        m_toSize.clear();
        m_toFormat.clear();
        return;
    }
    m_toSize = FileSizeText(m_target);
    m_toFormat = FormatText(m_target, m_direction == Direction::Import ? "CBL-File" : "Mol-File");
}

namespace {

// "Conversion stopped after 12 of 30 records;\rthe library holds 12 structures."
std::string StoppedText(long done, long total, const char* target, long holds)
{
    return "Conversion stopped after " + std::to_string(done) + " of " + std::to_string(total) + " records;\rthe " +
           target + " holds " + std::to_string(holds) + (holds == 1 ? " structure." : " structures.");
}

} // namespace

bool Converter::Convert(StructureLibrary& library, UserDialog& dialog, Progress& progress)
{
    if (m_mode == ConversionMode::None)
        return false;
    // Nothing is written onto a file that is read.
    auto refuse = [&](const std::string& text, const std::string& path, const std::string& file,
                      const std::string& owner) {
        dialog.ShowMessage(MessageKind::Error, "Error", text, MessageButtons::Ok,
                           path + (file == path ? " is" : " is " + file + ",") + " a file of the library " + owner);
        return false;
    };
    if (m_direction == Direction::Import) {
        if (const auto file = LibraryFileAt(m_target, m_fromName))
            return refuse("The source is a file of the target library.", m_fromName, *file, m_target);
        const auto source = OpenStructureSource(m_fromName, m_sourceOptions);
        m_importStarted = true;
        try {
            m_lastImport = ImportStructures(library, *source, m_count, m_target, m_mode, progress);
        } catch (...) {
            ShowTarget();
            throw;
        }
        ShowTarget();
        const ImportReport& report = m_lastImport;
        if (report.failed) {
            m_converted = false;
            dialog.ShowMessage(MessageKind::Error, "Error", report.failure, MessageButtons::Ok,
                               m_fromName + ", record " + std::to_string(report.failedRecord) + ": " +
                                   std::to_string(report.written) +
                                   (report.written == 1 ? " structure was" : " structures were") + " written to " +
                                   m_target + " before");
            return false;
        }
        if (report.aborted) {
            m_converted = false;
            library.ReleaseFiles();
            dialog.ShowMessage(MessageKind::Information, "Information",
                               StoppedText(report.written + report.skipped, m_count, "library",
                                           CountLibraryRecords(m_target)),
                               MessageButtons::Ok, m_target);
            return false;
        }
        std::string text = "Conversion successful";
        if (report.cut)
            text += "\rThe incomplete last structure was cut !!!";
        AppendNotes(text, report.skipped, report.skipNotes, " left out:");
        AppendNotes(text, report.renamed, report.renameNotes, " stored under a changed name:");
        dialog.ShowMessage(MessageKind::Information, "Information", text, MessageButtons::Ok);
        m_converted = true;
        return true;
    }
    for (const auto& read : m_protected) {
        if (const auto file = LibraryFileAt(read, m_target))
            return refuse("The target is a file of the library being read.", m_target, *file, read);
        if (!IsLibrarySetName(read))
            continue;
        // A library set is read through its members: none of their files is written either.
        if (SameFile(read, m_target))
            return refuse("The target is a file of the library being read.", m_target, read, read);
        std::vector<LibrarySetEntry> members;
        try {
            members = ReadLibrarySetList(read);
        } catch (const IoError&) {
        }
        for (const LibrarySetEntry& member : members)
            if (const auto file = LibraryFileAt(member.path, m_target))
                return refuse("The target is a file of the library being read.", m_target, *file, member.path);
    }
    try {
        m_lastExport = ExportStructures(library, m_fromName, m_count, m_target, m_mode, progress, m_recordData);
    } catch (...) {
        ShowTarget();
        throw;
    }
    ShowTarget();
    if (m_lastExport.aborted) {
        dialog.ShowMessage(MessageKind::Information, "Information",
                           StoppedText(m_lastExport.written + m_lastExport.skipped, m_count, "SD file",
                                       CountSDRecords(m_target)),
                           MessageButtons::Ok, m_target);
        return false;
    }
    dialog.ShowMessage(MessageKind::Information, "Information", "Conversion successful",
                       MessageButtons::Ok);
    return true;
}

} // namespace velmora
