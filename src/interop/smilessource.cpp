#include "smilessource.h"

#include "base/ioerror.h"
#include "rdkitconvert.h"

#include <algorithm>
#include <atomic>
#include <future>
#include <filesystem>
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

// Fields of a delimited line; a field in double quotes may hold the delimiter and "" for a quote.
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
    std::string text;
    for (const auto& name : header)
        text += (text.empty() ? "" : ", ") + name;
    return text;
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

SmilesLayout::SmilesLayout(const std::string& fileName, const SourceOptions& options, TextReader& reader)
{
    const std::string extension = Lower(std::filesystem::path(fileName).extension().string());
    if (extension == ".csv" || extension == ".tsv") {
        m_delimiter = extension == ".csv" ? ',' : '\t';
        std::string line;
        while (!reader.Eof() && IsBlank(line)) {
            reader.ReadLine(line);
            ++m_linesRead;
        }
        if (IsBlank(line))
            throw IoError(fileName, "has no header line (a table of SMILES starts with the names of its columns)");
        const auto header = Fields(line, m_delimiter);
        const std::string& column = options.smilesColumn;
        if (column.empty()) {
            const auto found = std::find_if(header.begin(), header.end(), [](const std::string& name) { return Lower(name) == "smiles"; });
            m_smilesColumn = found == header.end() ? 0 : static_cast<std::size_t>(found - header.begin());
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
    while (!reader.Eof()) {
        std::string line;
        reader.ReadLine(line);
        ++m_linesRead;
        if (IsBlank(line))
            continue;
        const std::string first = Trim(line).substr(0, Trim(line).find_first_of(" \t"));
        if (Lower(first) != "smiles") {
            m_pendingLine = line;
            m_hasPending = true;
        }
        break;
    }
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
    : m_reader(fileName), m_layout(fileName, options, m_reader)
{
    m_lineNumber = m_layout.m_linesRead - (m_layout.m_hasPending ? 1 : 0);
}

bool SmilesSource::NextLine(std::string& line)
{
    if (m_layout.m_hasPending && !m_pendingUsed) {
        m_pendingUsed = true;
        line = m_layout.m_pendingLine;
        ++m_lineNumber;
        return true;
    }
    if (m_reader.Eof())
        return false;
    m_reader.ReadLine(line);
    ++m_lineNumber;
    return true;
}

std::vector<SmilesSource::Record> SmilesSource::ReadBatch()
{
    std::vector<Record> batch;
    std::string line;
    while (batch.size() < kBatchSize && NextLine(line)) {
        Record record;
        if (m_layout.Split(line, m_lineNumber, record.smiles, record.name))
            batch.push_back(std::move(record));
    }
    auto convertOne = [](Record& record) {
        try {
            record.reason = TableFromSmiles(record.smiles, record.table, false);
        } catch (...) { // nothing may leave a worker thread
            record.reason = std::string(kSmilesParseFailure) + " \"" + record.smiles + "\"";
        }
    };
    // Each thread takes the next unconverted record, so a thread the system holds back leaves its
    // share to the others.
    const std::size_t threads = std::clamp<std::size_t>(std::thread::hardware_concurrency(), 1, 4);
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
    SmilesLayout layout(fileName, options, reader);
    long count = layout.m_hasPending ? 1 : 0;
    std::string line;
    while (!reader.Eof()) {
        reader.ReadLine(line);
        count += !IsBlank(line);
    }
    return count;
}

} // namespace velmora::interop
