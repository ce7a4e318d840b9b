#pragma once
// Text files as the system reads and writes them.
// Reading: a line ends at CR LF, at a lone CR and at a lone LF; a Ctrl-Z (26) ends the file.
// Writing: every line ends with CR LF.
// Numbers are read in free format: blanks, tabs and line ends before a number are skipped and the
// number ends at the next blank, tab or line end. A token that is not a number throws IoError
// naming the file and the line; at the end of the file a number reads as 0.
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace velmora {

// Lines longer than this fail with an IoError ("line too long"), or are cut to this length when
// the reader is told to (LongLines::Cut), so a file without line ends is never read into memory whole.
inline constexpr std::size_t kMaxLineLength = std::size_t{1} << 20;

class TextReader {
public:
    // Opens the file; throws IoError when it cannot be opened or is not a regular file (a folder,
    // a FIFO, a device).
    explicit TextReader(const std::string& path);
    // Reads from memory (tests, fuzzing); name is used in error messages.
    static TextReader FromMemory(std::string_view content, std::string name = "<memory>");

    TextReader(TextReader&&) noexcept;
    TextReader& operator=(TextReader&&) noexcept;
    ~TextReader();

    const std::string& Name() const { return m_name; }
    long LineNumber() const { return m_line; } // 1-based number of the current line

    // What a line longer than kMaxLineLength does: fail with an IoError (the default), or be cut
    // to that length (the rest is skipped unread) and counted, for readers where such a line spoils
    // only its own record. A number longer than that fails either way.
    enum class LongLines { Fail, Cut };
    void SetLongLines(LongLines how) { m_longLines = how; }
    LongLines GetLongLines() const { return m_longLines; }
    long CutLines() const { return m_cutLines; }      // lines cut so far
    long LastCutLine() const { return m_lastCutLine; } // number of the last line cut, 0 before any
    // Whether a Ctrl-Z (26) ends the file (the default) or is an ordinary character; set before
    // the first read.
    void SetCtrlZEndsFile(bool ends) { m_ctrlZEnds = ends; }

    bool Eof();
    bool Eoln(); // at a line end or at the end of the file

    // The rest of the current line, without its line end, which is consumed. "" at the end.
    std::string ReadLine();
    void ReadLine(std::string& line);
    void SkipLine();
    // Up to count characters of the current line (fewer at a line end).
    std::string ReadChars(int count);
    // The next character, line-end characters included; -1 at the end of the file.
    int ReadChar();

    // Reads to the end of the file and returns how many of the remaining lines equal text (no
    // line-end character or Ctrl-Z in it): what comparing every ReadLine would count, faster.
    long CountLines(std::string_view text);

    long long ReadInteger();
    double ReadReal();
    // True once a number was asked for at the end of the file (and read as 0).
    bool NumberMissing() const { return m_numberMissing; }

private:
    TextReader() = default;
    int Peek();      // next character or -1 at the end of the file
    const char* FindLineEnd(const char* begin, const char* end) const;
    bool IsCtrlZ(char c) const { return c == 26 && m_ctrlZEnds; }
    void TakeLine(std::string* line);
    bool Refill();
    void ConsumeLineEnd();
    // CountLines on a fresh file reader without splitting lines; false (and nothing to trust)
    // when the file has an unusual shape (a stretch without line ends) or cannot be read.
    bool CountLinesInBlocks(std::string_view text, long& count);
    // False at the end of the file; otherwise the token (a leading "+" removed), which may be empty.
    bool ReadToken(std::string& scratch, std::string_view& token);
    [[noreturn]] void Fail(const std::string& problem) const;

    std::string m_name;
    std::FILE* m_file = nullptr;
    std::vector<char> m_buffer;
    std::size_t m_pos = 0;
    std::size_t m_end = 0;
    bool m_ended = false; // no more characters: end of data or Ctrl-Z seen
    long m_line = 1;
    bool m_numberMissing = false;
    LongLines m_longLines = LongLines::Fail;
    long m_cutLines = 0;
    long m_lastCutLine = 0;
    bool m_ctrlZEnds = true;
};

class TextWriter {
public:
    enum class Mode { Truncate, Append };
    // Opens the file; throws IoError when it cannot be opened.
    TextWriter(const std::string& path, Mode mode = Mode::Truncate);
    // Collects the text in memory (tests).
    explicit TextWriter(std::string* sink);
    TextWriter(const TextWriter&) = delete;
    TextWriter& operator=(const TextWriter&) = delete;
    ~TextWriter(); // closes without reporting; call Close() to see write errors

    void Write(std::string_view text);
    void WriteLine(std::string_view text = {});
    // Flushes and closes; throws IoError when anything could not be written.
    void Close();
    const std::string& Name() const { return m_name; }

private:
    void Flush();
    std::string m_name;
    std::FILE* m_file = nullptr;
    std::string* m_sink = nullptr;
    std::string m_buffer;
};

} // namespace velmora
