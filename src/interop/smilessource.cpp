#include "smilessource.h"

#include "base/ioerror.h"
#include "base/threadcount.h"
#include "rdkitconvert.h"

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <future>
#include <filesystem>
#include <cstdio>
#include <string_view>
#include <thread>

namespace velmora::interop {

namespace {

// Records converted together; big enough to keep both cores busy, small enough for steady progress.
constexpr std::size_t kBatchSize = 256;

std::string Lower(std::string text)
{
    for (char& c : text)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return text;
}

std::string Trim(const std::string& text)
{
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string::npos)
        return {};
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

bool IsBlank(const std::string& line) { return line.find_first_not_of(" \t") == std::string::npos; }

// Where a quoted field stands while a record is scanned, by the rules Fields reads it with: a
// double quote opens a field that is blank so far, "" inside it is a quote, a lone " closes it.
struct QuoteScan {
    bool quoted = false;
    bool blank = true; // the field holds only blanks and tabs so far

    void Feed(std::string_view text, char delimiter)
    {
        for (std::size_t p = 0; p < text.size(); ++p) {
            const char c = text[p];
            if (quoted) {
                if (c == '"' && p + 1 < text.size() && text[p + 1] == '"') {
                    blank = false;
                    ++p;
                } else if (c == '"') {
                    quoted = false;
                } else {
                    blank = blank && (c == ' ' || c == '\t');
                }
            } else if (c == '"' && blank) {
                quoted = true;
            } else if (c == delimiter) {
                blank = true;
            } else {
                blank = blank && (c == ' ' || c == '\t');
            }
        }
    }
};

// Fields of a delimited record; a field in double quotes may hold the delimiter, line breaks and
// "" for a quote.
std::vector<std::string> Fields(const std::string& line, char delimiter)
{
    std::vector<std::string> fields(1);
    bool quoted = false;
    for (std::size_t p = 0; p < line.size(); ++p) {
        const char c = line[p];
        if (quoted) {
            if (c == '"' && p + 1 < line.size() && line[p + 1] == '"')
                fields.back() += line[++p];
            else if (c == '"')
                quoted = false;
            else
                fields.back() += c;
        } else if (c == '"' && Trim(fields.back()).empty()) {
            fields.back().clear();
            quoted = true;
        } else if (c == delimiter) {
            fields.emplace_back();
        } else {
            fields.back() += c;
        }
    }
    for (auto& field : fields)
        field = Trim(field);
    return fields;
}

std::string HeaderList(const std::vector<std::string>& header)
{
    constexpr std::size_t kShown = 30;
    std::string text;
    for (std::size_t c = 0; c < header.size() && c < kShown; ++c)
        text += (c == 0 ? "" : ", ") + (header[c].size() > 80 ? header[c].substr(0, 77) + "..." : header[c]);
    if (header.size() > kShown)
        text += ", ... (" + std::to_string(header.size()) + " columns)";
    return text;
}

std::string LineText(const SmilesRecordText& record)
{
    return record.lastLine > record.firstLine
               ? "lines " + std::to_string(record.firstLine) + ".." + std::to_string(record.lastLine)
               : "line " + std::to_string(record.firstLine);
}

long NameColumn(const std::vector<std::string>& header, std::size_t smilesColumn)
{
    for (const char* wanted : {"name", "title", "id"})
        for (std::size_t c = 0; c < header.size(); ++c)
            if (c != smilesColumn && Lower(header[c]) == wanted)
                return static_cast<long>(c);
    for (const char* ending : {"name", "title", "id"})
        for (std::size_t c = 0; c < header.size(); ++c) {
            const std::string name = Lower(header[c]);
            const std::string end = ending;
            if (c != smilesColumn && name.size() > end.size() && name.compare(name.size() - end.size(), end.size(), end) == 0)
                return static_cast<long>(c);
        }
    return -1;
}

} // namespace

void PrepareSmilesReader(TextReader& reader)
{
    reader.SetCtrlZEndsFile(false);
    reader.SetLongLines(TextReader::LongLines::Cut);
}

namespace {
TextReader& Prepared(TextReader& reader)
{
    PrepareSmilesReader(reader);
    return reader;
}
} // namespace

SmilesLayout::SmilesLayout(const std::string& fileName, const SourceOptions& options, TextReader& reader)
{
    const std::string extension = Lower(std::filesystem::path(fileName).extension().string());
    if (extension == ".csv" || extension == ".tsv") {
        m_delimiter = extension == ".csv" ? ',' : '\t';
        SmilesRecordText line;
        while (ReadRecord(reader, line) && IsBlank(line.text)) {
        }
        if (IsBlank(line.text))
            throw IoError(fileName, "has no header line (a table of SMILES starts with the names of its columns)");
        const auto header = Fields(line.text, m_delimiter);
        const std::string& column = options.smilesColumn;
        if (column.empty()) {
            const auto found = std::find_if(header.begin(), header.end(), [](const std::string& name) { return Lower(name) == "smiles"; });
            std::vector<std::size_t> holding; // "Canonical SMILES", "isomeric_smiles", ...
            for (std::size_t c = 0; c < header.size(); ++c)
                if (Lower(header[c]).find("smiles") != std::string::npos)
                    holding.push_back(c);
            if (found != header.end())
                m_smilesColumn = static_cast<std::size_t>(found - header.begin());
            else if (holding.size() == 1)
                m_smilesColumn = holding.front();
            else
                throw IoError(fileName, "has no SMILES column: " +
                                            std::string(holding.empty() ? "no column" : "more than one column") +
                                            " is named \"smiles\" (its header names " + HeaderList(header) + "); " +
                                            (options.columnOption.empty()
                                                 ? std::string("name the SMILES column \"smiles\" in the first line")
                                                 : "name the SMILES column with " + options.columnOption));
        } else if (column.find_first_not_of("0123456789") == std::string::npos) {
            const unsigned long number = std::stoul(column.substr(0, 9));
            if (number < 1 || number > header.size())
                throw IoError(fileName, "has no column " + column + " (its header names " + std::to_string(header.size()) +
                                            ": " + HeaderList(header) + ")");
            m_smilesColumn = number - 1;
        } else {
            const auto found = std::find_if(header.begin(), header.end(),
                                            [&](const std::string& name) { return Lower(name) == Lower(column); });
            if (found == header.end())
                throw IoError(fileName, "has no column named \"" + column + "\" (its header names " + HeaderList(header) + ")");
            m_smilesColumn = static_cast<std::size_t>(found - header.begin());
        }
        m_nameColumn = NameColumn(header, m_smilesColumn);
        return;
    }
    if (!options.smilesColumn.empty())
        throw IoError(fileName, "has no header of columns: a SMILES column is chosen in .csv and .tsv files");
    // A .smi file: a first line "SMILES ..." is a header; any other first line is a record.
    SmilesRecordText line;
    while (ReadRecord(reader, line)) {
        if (IsBlank(line.text))
            continue;
        const std::string first = Trim(line.text).substr(0, Trim(line.text).find_first_of(" \t"));
        if (Lower(first) != "smiles") {
            m_pending = line;
            m_hasPending = true;
        }
        break;
    }
}

bool SmilesLayout::ReadRecord(TextReader& reader, SmilesRecordText& record) const
{
    if (reader.Eof())
        return false;
    const long cutBefore = reader.CutLines();
    record.firstLine = record.lastLine = reader.LineNumber();
    record.tooLong = record.unclosed = false;
    reader.ReadLine(record.text);
    // A UTF-8 byte order mark (tables saved by spreadsheet programs) is no part of the first line.
    if (record.firstLine == 1 && record.text.compare(0, 3, "\xEF\xBB\xBF") == 0)
        record.text.erase(0, 3);
    if (m_delimiter != 0 && record.text.find('"') != std::string::npos) {
        // A quoted field goes on over line breaks until its closing quote (RFC 4180).
        QuoteScan scan;
        scan.Feed(record.text, m_delimiter);
        std::string more;
        while (scan.quoted) {
            if (reader.Eof()) {
                record.unclosed = true;
                break;
            }
            record.lastLine = reader.LineNumber();
            reader.ReadLine(more);
            scan.Feed("\n", m_delimiter);
            scan.Feed(more, m_delimiter);
            if (record.text.size() + 1 + more.size() <= kMaxLineLength) {
                record.text += '\n';
                record.text += more;
            } else {
                record.tooLong = true; // scanned on for the closing quote, not kept
            }
        }
    }
    record.tooLong = record.tooLong || reader.CutLines() > cutBefore;
    return true;
}

std::string SmilesLayout::Problem(const SmilesRecordText& record, const std::string& smiles, const std::string& name) const
{
    if (record.tooLong)
        return record.lastLine > record.firstLine ? LineText(record) + ": the record is longer than 1 MiB"
                                                  : LineText(record) + " is longer than 1 MiB";
    if (record.unclosed)
        return LineText(record) + ": a quoted field is not closed before the end of the file";
    if (record.lastLine > record.firstLine)
        return LineText(record) + ": a quoted field holds a line break";
    if (const std::string problem = SmilesByteProblem(smiles); !problem.empty())
        return LineText(record) + ": " + problem;
    // A control character in a name would end or break the files it is written to later.
    for (std::size_t p = 0; p < name.size(); ++p) {
        const auto byte = static_cast<unsigned char>(name[p]);
        if ((byte < 32 && byte != '\t') || byte == 127) {
            char hex[8];
            std::snprintf(hex, sizeof hex, "%02X", byte);
            return LineText(record) + ": byte 0x" + hex + " at character " + std::to_string(p + 1) + " of the name";
        }
    }
    return {};
}

bool SmilesLayout::Split(const std::string& line, long lineNumber, std::string& smiles, std::string& name) const
{
    if (IsBlank(line))
        return false;
    name.clear();
    if (m_delimiter == 0) {
        const std::string text = Trim(line);
        const auto gap = text.find_first_of(" \t");
        smiles = text.substr(0, gap);
        if (gap != std::string::npos)
            name = Trim(text.substr(gap));
    } else {
        const auto fields = Fields(line, m_delimiter);
        smiles = m_smilesColumn < fields.size() ? fields[m_smilesColumn] : std::string();
        if (m_nameColumn >= 0 && static_cast<std::size_t>(m_nameColumn) < fields.size())
            name = fields[static_cast<std::size_t>(m_nameColumn)];
    }
    if (name.empty())
        name = std::to_string(lineNumber);
    return true;
}

SmilesSource::SmilesSource(const std::string& fileName, const SourceOptions& options)
    : m_reader(fileName), m_layout(fileName, options, Prepared(m_reader))
{
}

bool SmilesSource::NextRecord(SmilesRecordText& record)
{
    if (m_layout.m_hasPending && !m_pendingUsed) {
        m_pendingUsed = true;
        record = m_layout.m_pending;
        return true;
    }
    return m_layout.ReadRecord(m_reader, record);
}

std::vector<SmilesSource::Record> SmilesSource::ReadBatch()
{
    std::vector<Record> batch;
    SmilesRecordText text;
    while (batch.size() < kBatchSize && NextRecord(text)) {
        Record record;
        if (!m_layout.Split(text.text, text.firstLine, record.smiles, record.name))
            continue;
        record.reason = m_layout.Problem(text, record.smiles, record.name);
        if (text.tooLong || text.lastLine > text.firstLine) // its fields are not to be trusted
            record.name = std::to_string(text.firstLine);
        batch.push_back(std::move(record));
    }
    auto convertOne = [](Record& record) {
        if (!record.reason.empty())
            return;
        try {
            record.reason = TableFromSmiles(record.smiles, record.table, false);
        } catch (...) { // nothing may leave a worker thread
            record.reason = std::string(kSmilesParseFailure) + " " + QuotedSmiles(record.smiles);
        }
    };
    // Each thread takes the next unconverted record, so a thread the system holds back leaves its
    // share to the others.
    // The thread count's rule, at most 4; its warning about a bad setting is the import's to give
    // (this module carries its own copy of the core, which would say it a second time).
    std::string ignored;
    const auto threads = static_cast<std::size_t>(
        std::min(ThreadCountFor(std::getenv("VELMORA_THREADS"), std::thread::hardware_concurrency(), ignored), 4));
    std::atomic<std::size_t> taken{0};
    auto convert = [&batch, &convertOne, &taken] {
        for (std::size_t i = taken++; i < batch.size(); i = taken++)
            convertOne(batch[i]);
    };
    std::vector<std::thread> workers;
    if (batch.size() >= 2 * threads)
        for (std::size_t t = 1; t < threads; ++t)
            workers.emplace_back(convert);
    convert();
    for (auto& worker : workers)
        worker.join();
    // The parser's own words come from its log, one string at a time.
    for (auto& record : batch) {
        if (record.reason.rfind(kSmilesParseFailure, 0) == 0 && record.reason.find("\": ") == std::string::npos) {
            try {
                record.reason = TableFromSmiles(record.smiles, record.table, true);
            } catch (...) { // keep the reason without the parser's words
            }
        }
        record.table.FStrucName = record.name;
    }
    return batch;
}

bool SmilesSource::Fill()
{
    // The next batch is read and converted while the import stores this one.
    if (!m_coming.valid())
        m_coming = std::async(std::launch::async, [this] { return ReadBatch(); });
    m_batch = m_coming.get();
    m_next = 0;
    if (m_batch.empty())
        return false;
    m_coming = std::async(std::launch::async, [this] { return ReadBatch(); });
    return true;
}

std::string SmilesSource::Read(TCTab& table)
{
    if (m_next >= m_batch.size() && !Fill()) {
        table.Clear();
        return "no SMILES left in the file";
    }
    Record& record = m_batch[m_next++];
    if (record.reason.empty())
        table.Assign(record.table);
    else
        table.FStrucName = record.name;
    return record.reason;
}

bool SmilesSource::AtEnd() { return m_next >= m_batch.size() && !Fill(); }

long CountSmilesRecords(const std::string& fileName, const SourceOptions& options)
{
    TextReader reader(fileName);
    PrepareSmilesReader(reader);
    SmilesLayout layout(fileName, options, reader);
    long count = layout.m_hasPending ? 1 : 0;
    SmilesRecordText record;
    while (layout.ReadRecord(reader, record))
        count += !IsBlank(record.text);
    return count;
}

} // namespace velmora::interop
