#include "base/textfile.h"

#include "base/ioerror.h"
#include "base/numtext.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <sys/stat.h>

namespace velmora {

namespace {
constexpr std::size_t kReadBlock = 1 << 20;
constexpr std::size_t kWriteBlock = 1 << 16;
constexpr char kCtrlZ = 26;

// Characters that end a free-format number: blank, tab, CR, LF and Ctrl-Z.
constexpr std::array<bool, 256> kTokenEnd = [] {
    std::array<bool, 256> table{};
    for (unsigned char c : {' ', '\t', '\r', '\n', '\x1a'})
        table[c] = true;
    return table;
}();

// A leading "+" is dropped before a digit or point; "+-5" and "++5" stay malformed.
std::string_view WithoutPlus(std::string_view token)
{
    if (token.size() >= 1 && token.front() == '+' && (token.size() == 1 || token[1] == '.' || (token[1] >= '0' && token[1] <= '9')))
        token.remove_prefix(1);
    return token;
}

bool IsLineEnd(int c) { return c == '\r' || c == '\n'; }

std::string ErrnoText() { return std::strerror(errno); }
} // namespace

TextReader::TextReader(const std::string& path) : m_name(path)
{
    // Only regular files: a folder reads as an error, a FIFO would block.
    struct stat info {};
    if (::stat(path.c_str(), &info) == 0 && !S_ISREG(info.st_mode))
        throw IoError(path, S_ISDIR(info.st_mode)    ? "is a folder, not a file"
                            : S_ISFIFO(info.st_mode) ? "is a FIFO (named pipe), not a regular file"
                                                     : "is a device or socket, not a regular file");
    m_file = std::fopen(path.c_str(), "rb");
    if (!m_file)
        throw IoError(path, "cannot open for reading: " + ErrnoText());
    m_buffer.resize(kReadBlock);
}

TextReader TextReader::FromMemory(std::string_view content, std::string name)
{
    TextReader reader;
    reader.m_name = std::move(name);
    reader.m_buffer.assign(content.begin(), content.end());
    reader.m_end = reader.m_buffer.size();
    return reader;
}

TextReader::TextReader(TextReader&& other) noexcept { *this = std::move(other); }

TextReader& TextReader::operator=(TextReader&& other) noexcept
{
    if (this != &other) {
        if (m_file)
            std::fclose(m_file);
        m_name = std::move(other.m_name);
        m_file = other.m_file;
        other.m_file = nullptr;
        m_buffer = std::move(other.m_buffer);
        m_pos = other.m_pos;
        m_end = other.m_end;
        m_ended = other.m_ended;
        m_line = other.m_line;
        m_numberMissing = other.m_numberMissing;
        m_longLines = other.m_longLines;
        m_cutLines = other.m_cutLines;
        m_lastCutLine = other.m_lastCutLine;
        m_ctrlZEnds = other.m_ctrlZEnds;
    }
    return *this;
}

TextReader::~TextReader()
{
    if (m_file)
        std::fclose(m_file);
}

bool TextReader::Refill()
{
    if (!m_file || m_ended)
        return false;
    m_end = std::fread(m_buffer.data(), 1, m_buffer.size(), m_file);
    m_pos = 0;
    if (m_end == 0) {
        if (std::ferror(m_file))
            Fail("read error: " + ErrnoText());
        return false;
    }
    return true;
}

int TextReader::Peek()
{
    if (m_ended)
        return -1;
    if (m_pos >= m_end && !Refill()) {
        m_ended = true;
        return -1;
    }
    const char c = m_buffer[m_pos];
    if (IsCtrlZ(c)) {
        m_ended = true;
        return -1;
    }
    return static_cast<unsigned char>(c);
}

bool TextReader::Eof() { return Peek() < 0; }

bool TextReader::Eoln()
{
    const int c = Peek();
    return c < 0 || IsLineEnd(c);
}

void TextReader::ConsumeLineEnd()
{
    const int c = Peek();
    if (c == '\r') {
        ++m_pos;
        ++m_line;
        if (Peek() == '\n')
            ++m_pos;
    } else if (c == '\n') {
        ++m_pos;
        ++m_line;
    }
}

// The first line end or Ctrl-Z in [begin, end), or end. Searched in short stretches, so that a
// file whose lines all end the same way is not scanned to the end of the buffer for the other
// line-end character at every line.
const char* TextReader::FindLineEnd(const char* begin, const char* end) const
{
    constexpr std::size_t kStretch = 256;
    while (begin < end) {
        const char* stretchEnd = begin + std::min(kStretch, static_cast<std::size_t>(end - begin));
        const char* stop = static_cast<const char*>(std::memchr(begin, '\n', static_cast<std::size_t>(stretchEnd - begin)));
        if (!stop)
            stop = stretchEnd;
        if (const void* cr = std::memchr(begin, '\r', static_cast<std::size_t>(stop - begin)))
            stop = static_cast<const char*>(cr);
        if (m_ctrlZEnds)
            if (const void* ctrlZ = std::memchr(begin, kCtrlZ, static_cast<std::size_t>(stop - begin)))
                stop = static_cast<const char*>(ctrlZ);
        if (stop < stretchEnd)
            return stop;
        begin = stretchEnd;
    }
    return end;
}

// Moves past the rest of the current line and its line end, keeping the text in line when given.
void TextReader::TakeLine(std::string* line)
{
    if (line)
        line->clear();
    std::size_t length = 0;
    bool cut = false;
    while (Peek() >= 0) {
        const char* begin = m_buffer.data() + m_pos;
        const char* end = m_buffer.data() + m_end;
        const char* p = FindLineEnd(begin, end);
        const std::size_t before = length;
        length += static_cast<std::size_t>(p - begin);
        if (length > kMaxLineLength) {
            if (m_longLines == LongLines::Fail)
                Fail("line too long (more than 1 MiB)");
            if (!cut) {
                cut = true;
                ++m_cutLines;
                m_lastCutLine = m_line;
            }
        }
        if (line && before < kMaxLineLength)
            line->append(begin, begin + std::min(static_cast<std::size_t>(p - begin), kMaxLineLength - before));
        m_pos += static_cast<std::size_t>(p - begin);
        if (p < end) {
            if (!IsCtrlZ(*p))
                ConsumeLineEnd();
            else
                m_ended = true;
            return;
        }
    }
}

void TextReader::ReadLine(std::string& line) { TakeLine(&line); }

std::string TextReader::ReadLine()
{
    std::string line;
    TakeLine(&line);
    return line;
}

void TextReader::SkipLine() { TakeLine(nullptr); }

std::string TextReader::ReadChars(int count)
{
    std::string text;
    int c;
    while (count-- > 0 && (c = Peek()) >= 0 && !IsLineEnd(c)) {
        text.push_back(static_cast<char>(c));
        ++m_pos;
    }
    return text;
}

int TextReader::ReadChar()
{
    const int c = Peek();
    if (c < 0)
        return c;
    ++m_pos;
    if (c == '\n' || (c == '\r' && Peek() != '\n'))
        ++m_line;
    return c;
}

long TextReader::CountLines(std::string_view text)
{
    long count = 0;
    if (m_file && m_pos == 0 && m_end == 0 && !m_ended && m_line == 1 && m_ctrlZEnds) {
        if (CountLinesInBlocks(text, count)) {
            m_ended = true;
            return count;
        }
        std::rewind(m_file);
        count = 0;
    }
    std::string line;
    while (!Eof()) {
        ReadLine(line);
        if (line == text)
            ++count;
    }
    return count;
}

// Looks for text at line starts with memchr instead of reading line by line. Lines longer than
// kMaxLineLength would make the line-by-line reading fail, so every aligned stretch of kWindow
// bytes must hold a line end (which bounds every line by 2 * kWindow); a file where one does not
// is left to the line-by-line reading, which then reports it as ReadLine would.
bool TextReader::CountLinesInBlocks(std::string_view text, long& count)
{
    constexpr std::size_t kWindow = 4096;
    static_assert(kReadBlock % kWindow == 0 && 2 * kWindow <= kMaxLineLength);
    const std::size_t length = text.size();
    if (length == 0)
        return false;
    std::vector<char> buffer(kReadBlock + length);
    char* const data = buffer.data();
    std::size_t kept = 0;   // bytes carried over from the previous block into data[0, kept)
    bool lineStart = true;  // data[0] begins a line
    bool last = false;
    count = 0;
    while (!last) {
        const std::size_t got = std::fread(data + kept, 1, kReadBlock, m_file);
        if (got < kReadBlock) {
            if (std::ferror(m_file))
                return false;
            last = true;
        }
        std::size_t n = kept + got;
        if (const void* ctrlZ = std::memchr(data + kept, kCtrlZ, got)) {
            n = static_cast<std::size_t>(static_cast<const char*>(ctrlZ) - data);
            last = true;
        }
        for (std::size_t w = kept; w + kWindow <= n; w += kWindow)
            if (!std::memchr(data + w, '\n', kWindow) && !std::memchr(data + w, '\r', kWindow))
                return false;
        // A candidate at p needs the character after it, unless the data ends there.
        const std::size_t scanEnd = last ? n : (n > length ? n - length : 0);
        std::size_t p = 0;
        while (p < scanEnd) {
            const void* hit = std::memchr(data + p, text[0], scanEnd - p);
            if (!hit)
                break;
            p = static_cast<std::size_t>(static_cast<const char*>(hit) - data);
            const bool atLineStart = p == 0 ? lineStart : IsLineEnd(data[p - 1]);
            if (atLineStart && p + length <= n && std::memcmp(data + p, text.data(), length) == 0 &&
                (p + length == n ? last : IsLineEnd(data[p + length]))) {
                ++count;
                p += length;
            } else {
                ++p;
            }
        }
        if (!last) {
            const std::size_t keep = std::min(n, length);
            if (n > keep)
                lineStart = IsLineEnd(data[n - keep - 1]);
            std::memmove(data, data + n - keep, keep);
            kept = keep;
        }
    }
    return true;
}

bool TextReader::ReadToken(std::string& scratch, std::string_view& token)
{
    scratch.clear();
    // Skip blanks and line ends, then take characters up to the next one, scanning the buffer
    // directly: this is the inner loop of every molfile read.
    bool inToken = false;
    while (!m_ended) {
        if (m_pos >= m_end && !Refill()) {
            m_ended = true;
            break;
        }
        const char* begin = m_buffer.data() + m_pos;
        const char* end = m_buffer.data() + m_end;
        const char* p = begin;
        if (!inToken) {
            while (p < end && (*p == ' ' || *p == '\t'))
                ++p;
            m_pos += static_cast<std::size_t>(p - begin);
            if (p == end)
                continue;
            if (*p == '\r' || *p == '\n') {
                ConsumeLineEnd();
                continue;
            }
            if (IsCtrlZ(*p)) {
                m_ended = true;
                break;
            }
            inToken = true;
            begin = p;
        }
        while (p < end && !kTokenEnd[static_cast<unsigned char>(*p)])
            ++p;
        m_pos += static_cast<std::size_t>(p - begin);
        if (p < end && scratch.empty()) { // the whole token lies in the buffer: no copy
            if (IsCtrlZ(*p))
                m_ended = true;
            token = WithoutPlus(std::string_view(begin, static_cast<std::size_t>(p - begin)));
            return true;
        }
        scratch.append(begin, p);
        if (scratch.size() > kMaxLineLength)
            Fail("line too long (more than 1 MiB)");
        if (p < end) {
            if (IsCtrlZ(*p))
                m_ended = true;
            break;
        }
    }
    if (!inToken)
        return false;
    token = WithoutPlus(scratch);
    return true;
}

long long TextReader::ReadInteger()
{
    std::string scratch;
    std::string_view token;
    if (!ReadToken(scratch, token)) {
        m_numberMissing = true;
        return 0;
    }
    long long value = 0;
    const auto [ptr, ec] = std::from_chars(token.data(), token.data() + token.size(), value);
    if (token.empty() || ec != std::errc() || ptr != token.data() + token.size())
        Fail("'" + std::string(token) + "' is not an integer");
    return value;
}

double TextReader::ReadReal()
{
    std::string scratch;
    std::string_view token;
    if (!ReadToken(scratch, token)) {
        m_numberMissing = true;
        return 0.0;
    }
    double value = 0.0;
    if (ParsePlainDecimal(token, value))
        return value;
    const auto [ptr, ec] = std::from_chars(token.data(), token.data() + token.size(), value);
    if (token.empty() || ec != std::errc() || ptr != token.data() + token.size() || !std::isfinite(value))
        Fail("'" + std::string(token) + "' is not a number");
    return value;
}

void TextReader::Fail(const std::string& problem) const { throw IoError(m_name, m_line, problem); }

TextWriter::TextWriter(const std::string& path, Mode mode) : m_name(path)
{
    m_file = std::fopen(path.c_str(), mode == Mode::Append ? "ab" : "wb");
    if (!m_file)
        throw IoError(path, "cannot open for writing: " + ErrnoText());
    m_buffer.reserve(kWriteBlock);
}

TextWriter::TextWriter(std::string* sink) : m_name("<memory>"), m_sink(sink) {}

TextWriter::~TextWriter()
{
    if (m_file) {
        if (!m_buffer.empty())
            std::fwrite(m_buffer.data(), 1, m_buffer.size(), m_file);
        std::fclose(m_file);
    }
}

void TextWriter::Write(std::string_view text)
{
    if (m_sink) {
        m_sink->append(text);
        return;
    }
    m_buffer.append(text);
    if (m_buffer.size() >= kWriteBlock)
        Flush();
}

void TextWriter::WriteLine(std::string_view text)
{
    Write(text);
    Write("\r\n");
}

void TextWriter::Flush()
{
    if (!m_file || m_buffer.empty())
        return;
    const std::size_t size = m_buffer.size();
    const std::size_t written = std::fwrite(m_buffer.data(), 1, size, m_file);
    m_buffer.clear();
    if (written != size)
        throw IoError(m_name, "write error: " + ErrnoText());
}

void TextWriter::Close()
{
    if (!m_file)
        return;
    Flush();
    const bool failed = std::ferror(m_file) != 0;
    const int closed = std::fclose(m_file);
    m_file = nullptr;
    if (failed || closed != 0)
        throw IoError(m_name, "write error: " + ErrnoText());
}

} // namespace velmora
