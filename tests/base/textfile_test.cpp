// Text files: line ends (CR LF, lone CR, lone LF), Ctrl-Z as the end, free-format numbers with
// errors that name the file and line, CR LF on writing, and write failures that are reported.
#include "base/ioerror.h"
#include "base/textfile.h"

#include "test_support.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>
#include <sys/stat.h>
#include <vector>

namespace {

using velmora::IoError;
using velmora::TextReader;
using velmora::TextWriter;

std::vector<std::string> AllLines(TextReader& reader)
{
    std::vector<std::string> lines;
    while (!reader.Eof())
        lines.push_back(reader.ReadLine());
    return lines;
}

struct LineCase {
    std::string content;
    std::vector<std::string> lines;
};

const std::vector<LineCase>& LineCases()
{
    static const std::vector<LineCase> cases = {
        {"a\r\nb\r\n", {"a", "b"}},
        {"a\rb\r", {"a", "b"}},
        {"a\nb\n", {"a", "b"}},
        {"a\r\nb", {"a", "b"}},            // last line without a line end
        {"a\r\r\nb", {"a", "", "b"}},      // lone CR, then CR LF
        {"a\n\rb", {"a", "", "b"}},        // LF, then a lone CR
        {"\r\n\r\nx", {"", "", "x"}},
        {"a\r\nb\x1A" "c\r\nd\r\n", {"a", "b"}}, // Ctrl-Z ends the file mid-line
        {"\x1A" "abc", {}},
        {"", {}},
    };
    return cases;
}

TEST(TextReader, LineEndsAndCtrlZ)
{
    for (const auto& c : LineCases()) {
        SCOPED_TRACE(testing::PrintToString(c.content));
        auto reader = TextReader::FromMemory(c.content);
        EXPECT_EQ(AllLines(reader), c.lines);
        EXPECT_EQ(reader.ReadLine(), ""); // reading past the end stays harmless
        EXPECT_TRUE(reader.Eof());
        EXPECT_TRUE(reader.Eoln());
    }
}

// The file reader must see the same lines as the memory reader, also when a CR LF pair or a
// Ctrl-Z falls at a read-block boundary (blocks are large, so the file is made larger).
TEST(TextReader, FileReadsLikeMemoryAcrossLargeContent)
{
    velmora::test::TempDir dir;
    std::vector<std::string> contents;
    for (const auto& c : LineCases())
        contents.push_back(c.content);
    for (std::size_t prefix : {(std::size_t{1} << 20) - 1, std::size_t{1} << 20}) {
        contents.push_back(std::string(prefix, 'x') + "\r\ntail\r\n");
        contents.push_back(std::string(prefix, 'y') + "\x1A" "hidden\r\n");
        contents.push_back(std::string(prefix, 'z') + "\rnext\nlast");
    }
    int n = 0;
    for (const auto& content : contents) {
        SCOPED_TRACE(n);
        const std::string path = dir.File("f" + std::to_string(n++) + ".txt");
        velmora::test::WriteBytes(path, content);
        TextReader fromFile(path);
        auto fromMemory = TextReader::FromMemory(content);
        const auto expected = AllLines(fromMemory);
        EXPECT_EQ(AllLines(fromFile), expected);
        EXPECT_EQ(fromFile.LineNumber(), fromMemory.LineNumber());
    }
}

// CountLines scans a file in blocks; it must count what reading line by line counts (and fail as
// that fails), whatever the line ends, wherever a block ends, and with lines too long to scan.
TEST(TextReader, CountLinesCountsWhatReadingLinesCounts)
{
    velmora::test::TempDir dir;
    const std::string mark = "$$$$";
    std::vector<std::string> contents;
    for (const auto& c : LineCases())
        contents.push_back(c.content + mark);
    for (const char* eol : {"\r\n", "\n", "\r"})
        contents.push_back(mark + eol + "x" + eol + mark + eol + " " + mark + eol + mark + " " + eol + "$" + mark +
                           eol + "$$$" + eol + mark);
    contents.push_back("$$$$\x1A$$$$\r\n");
    contents.push_back("a\r\n$$$$\x1A");
    contents.push_back("$$$\r\n$$$$$$$$\r\n$$$$\n\r$$$$\r\r\n$$$$");
    const std::size_t block = std::size_t{1} << 20;
    std::string lines; // short lines up to near the end of the first read block
    while (lines.size() < block - 64)
        lines += "line of text\r\n";
    for (std::size_t end = block - 7; end <= block + 6; ++end) {
        std::string content = lines + std::string(end - lines.size(), 'x') + "\r\n$$$$\r\n";
        contents.push_back(content);
        content.resize(end + 6); // ends just after the mark
        contents.push_back(content);
    }
    // Lines the block scan leaves to line-by-line reading: long ones, and one beyond the limit.
    contents.push_back("$$$$\r\n" + std::string(20000, 'y') + "\r\n$$$$\r\n" + std::string(9000, '$') + "\n$$$$");
    contents.push_back("$$$$\r\n" + std::string(velmora::kMaxLineLength + 1, 'z') + "\r\n$$$$\r\n");
    int n = 0;
    for (const auto& content : contents) {
        SCOPED_TRACE(n);
        const std::string path = dir.File("c" + std::to_string(n++) + ".txt");
        velmora::test::WriteBytes(path, content);
        long expected = 0;
        std::string failure;
        try {
            TextReader reader(path);
            while (!reader.Eof())
                expected += reader.ReadLine() == mark;
        } catch (const IoError& e) {
            failure = e.what();
        }
        try {
            TextReader reader(path);
            EXPECT_EQ(reader.CountLines(mark), expected);
            EXPECT_TRUE(reader.Eof());
            EXPECT_EQ(failure, "");
        } catch (const IoError& e) {
            EXPECT_EQ(e.what(), failure);
        }
        auto fromMemory = TextReader::FromMemory(content);
        if (failure.empty()) {
            EXPECT_EQ(fromMemory.CountLines(mark), expected);
        }
    }
}

TEST(TextReader, FreeFormatNumbers)
{
    auto reader = TextReader::FromMemory("  12\t-7\r\n\r\n+5 1.2E+0002\n-5.0E-0001 3 2.5e1\r 0\x1A 99");
    // An integer token is a valid real (3). Ctrl-Z ends the file: what follows it is never read,
    // and the end reads as 0 (the last two).
    const std::vector<double> read{double(reader.ReadInteger()), double(reader.ReadInteger()), double(reader.ReadInteger()),
                                   reader.ReadReal(), reader.ReadReal(), reader.ReadReal(), reader.ReadReal(),
                                   double(reader.ReadInteger()), double(reader.ReadInteger()), reader.ReadReal()};
    EXPECT_EQ(read, (std::vector<double>{12, -7, 5, 120, -0.5, 3, 25, 0, 0, 0}));
    EXPECT_TRUE(reader.Eof());
}

// Numbers read from a file come out the same when a token, a CR LF pair or a Ctrl-Z falls on
// a read-block boundary (the blank prefix moves the text across 1 MiB).
TEST(TextReader, FileNumbersAcrossBlockBoundaries)
{
    velmora::test::TempDir dir;
    const std::string path = dir.File("numbers.txt");
    for (std::size_t shift = 1; shift <= 24; ++shift) {
        SCOPED_TRACE(shift);
        velmora::test::WriteBytes(path, std::string((std::size_t{1} << 20) - shift, ' ') +
                                            "12345 -6.5E+0001\r\n+7 x\x1A 9");
        TextReader reader(path);
        const std::vector<double> read{double(reader.ReadInteger()), reader.ReadReal(), double(reader.ReadInteger()),
                                       double(reader.LineNumber())};
        EXPECT_EQ(read, (std::vector<double>{12345, -65, 7, 2}));
        EXPECT_THROW(reader.ReadInteger(), IoError);
        EXPECT_EQ(reader.ReadInteger(), 0); // Ctrl-Z: the 9 is never read
        EXPECT_TRUE(reader.Eof());
    }
}

// Real tokens as files hold them (fixed point of any length, exponent form) read as the
// correctly rounded double that strtod gives.
TEST(TextReader, RealsAgreeWithStrtod)
{
    std::mt19937 random(7);
    std::uniform_int_distribution<int> digit(0, 9), length(1, 19), form(0, 3);
    std::string text;
    std::vector<std::string> tokens;
    for (int n = 0; n < 5000; ++n) {
        std::string token = form(random) == 0 ? "-" : "";
        const int whole = length(random), fraction = length(random) - 1;
        for (int i = 0; i < whole; ++i)
            token += static_cast<char>('0' + digit(random));
        if (fraction > 0 || form(random) == 1)
            token += '.';
        for (int i = 0; i < fraction; ++i)
            token += static_cast<char>('0' + digit(random));
        if (form(random) == 2)
            token += "E-00" + std::to_string(digit(random)) + std::to_string(digit(random));
        tokens.push_back(token);
        text += token + (n % 7 ? " " : "\r\n");
    }
    auto reader = TextReader::FromMemory(text);
    for (const auto& token : tokens)
        ASSERT_EQ(reader.ReadReal(), std::strtod(token.c_str(), nullptr)) << token;
}

// A malformed number must stop the read with an IoError naming the file and the line it is on.
TEST(TextReader, MalformedNumbersNameFileAndLine)
{
    struct Bad {
        std::string token;
        bool integer;
    };
    const std::vector<Bad> cases = {
        {"abc", true},  {"12abc", true}, {"1.5", true}, {"+", true},  {"--5", true},
        {"+-5", true},  {"1e3", true},   {"99999999999999999999", true},
        {"abc", false}, {"1.2.3", false}, {"1.2E", false}, {"inf", false}, {"nan", false},
        {"1e999", false}, {"+-1.5", false}, {"1,5", false}, {"-", false}, {".", false},
        {"-", true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.token);
        auto reader = TextReader::FromMemory("1\r\n\n\r 2  " + c.token + " 3\r\n", "mol.ctb");
        EXPECT_EQ(reader.ReadInteger(), 1);
        EXPECT_EQ(reader.ReadInteger(), 2);
        try {
            if (c.integer)
                reader.ReadInteger();
            else
                reader.ReadReal();
            ADD_FAILURE() << "no IoError";
        } catch (const IoError& e) {
            EXPECT_EQ(e.File(), "mol.ctb");
            EXPECT_EQ(e.Line(), 4);
            const std::string what = e.what(); // the message a command boundary shows
            EXPECT_TRUE(what.find("mol.ctb") != what.npos && what.find("4") != what.npos) << what;
        }
    }
}

// Lines end with CR LF; Append keeps what is there; text left in the buffer is written by the
// destructor too; large output survives several buffer flushes in order.
TEST(TextWriter, WritesCrLfAndAppends)
{
    std::string sink;
    {
        TextWriter writer(&sink);
        writer.Write("a");
        writer.Write("b");
        writer.WriteLine();
        writer.WriteLine();
        writer.WriteLine("c");
    }
    EXPECT_EQ(sink, "ab\r\n\r\nc\r\n");

    velmora::test::TempDir dir;
    const std::string path = dir.File("out.txt");
    TextWriter(path).WriteLine("first");
    TextWriter(path, TextWriter::Mode::Append).WriteLine("second");
    EXPECT_EQ(velmora::test::ReadBytes(path), "first\r\nsecond\r\n");

    std::string expected;
    TextWriter writer(path);
    for (int i = 0; i < 30000; ++i) {
        writer.WriteLine("line " + std::to_string(i));
        expected += "line " + std::to_string(i) + "\r\n";
    }
    writer.Close();
    EXPECT_EQ(velmora::test::ReadBytes(path), expected);
}

TEST(TextReader, LinesAreNeverLongerThanOneMebibyte)
{
    velmora::test::TempDir dir;
    const std::string path = dir.File("long.txt");
    const std::string longest(velmora::kMaxLineLength, 'x');
    velmora::test::WriteBytes(path, "first\r\n" + longest + "\r\n" + longest + "x");
    TextReader reader(path);
    EXPECT_EQ(reader.ReadLine(), "first");
    EXPECT_EQ(reader.ReadLine().size(), longest.size());
    // A line without end beyond the limit, read, skipped or taken as a number, fails on its own line.
    for (int way = 0; way < 3; ++way) {
        TextReader again(path);
        again.SkipLine();
        again.SkipLine();
        try {
            if (way == 0)
                again.ReadLine();
            else if (way == 1)
                again.SkipLine();
            else
                again.ReadInteger();
            ADD_FAILURE() << "read a line of more than 1 MiB, way " << way;
        } catch (const IoError& e) {
            EXPECT_EQ(std::string(e.what()), path + ", line 3: line too long (more than 1 MiB)");
        }
    }
}

// Readers of structure files cut a line over the limit instead of failing, count it and go on with
// the next line, from a file as from memory.
TEST(TextReader, LongLinesCanBeCutAndCounted)
{
    velmora::test::TempDir dir;
    const std::string path = dir.File("long.txt");
    const std::string content = "first\r\n" + std::string(velmora::kMaxLineLength + 5, 'x') + "\r\nthird\r\n" +
                                std::string(velmora::kMaxLineLength + 1, 'y');
    velmora::test::WriteBytes(path, content);
    for (const bool fromFile : {true, false}) {
        SCOPED_TRACE(fromFile);
        TextReader reader = fromFile ? TextReader(path) : TextReader::FromMemory(content);
        reader.SetLongLines(TextReader::LongLines::Cut);
        EXPECT_EQ(reader.ReadLine(), "first");
        EXPECT_EQ(reader.ReadLine(), std::string(velmora::kMaxLineLength, 'x'));
        EXPECT_EQ(std::make_pair(reader.CutLines(), reader.LastCutLine()), std::make_pair(1L, 2L));
        EXPECT_EQ(reader.ReadLine(), "third");
        reader.SkipLine();
        EXPECT_EQ(std::make_pair(reader.CutLines(), reader.LastCutLine()), std::make_pair(2L, 4L));
        EXPECT_TRUE(reader.Eof());
    }
}

// In SMILES tables Ctrl-Z is a byte like any other: it neither ends the file nor a line.
TEST(TextReader, CtrlZCanBeAnOrdinaryByte)
{
    velmora::test::TempDir dir;
    const std::string path = dir.File("z.txt");
    const std::string content = "C\x1a" "C\r\n\x1a\r\nlast";
    velmora::test::WriteBytes(path, content);
    for (const bool fromFile : {true, false}) {
        TextReader reader = fromFile ? TextReader(path) : TextReader::FromMemory(content);
        reader.SetCtrlZEndsFile(false);
        std::vector<std::string> lines;
        while (!reader.Eof())
            lines.push_back(reader.ReadLine());
        EXPECT_EQ(lines, (std::vector<std::string>{"C\x1a" "C", "\x1a", "last"}));
        EXPECT_EQ(reader.LineNumber(), 3);
    }
    TextReader ending(path);
    EXPECT_EQ(ending.ReadLine(), "C");
    EXPECT_TRUE(ending.Eof());
}

TEST(TextReader, OnlyRegularFilesAreRead)
{
    velmora::test::TempDir dir;
    ASSERT_EQ(::mkfifo(dir.File("fifo").c_str(), 0600), 0);
    const std::vector<std::pair<std::string, std::string>> cases{
        {dir.Path().string(), "is a folder, not a file"},
        {dir.File("fifo"), "is a FIFO (named pipe), not a regular file"},
        {"/dev/null", "is a device or socket, not a regular file"},
    };
    for (const auto& [path, problem] : cases) {
        try {
            TextReader reader(path);
            ADD_FAILURE() << "opened " << path;
        } catch (const IoError& e) {
            EXPECT_EQ(e.File(), path);
            EXPECT_EQ(e.Problem(), problem);
        }
    }
}

TEST(TextFile, OpenAndWriteFailuresThrowIoErrorWithFileName)
{
    velmora::test::TempDir dir;
    const std::string missing = dir.File("no/such/dir/x.txt");
    try {
        TextReader reader(missing);
        ADD_FAILURE() << "opened a missing file";
    } catch (const IoError& e) {
        EXPECT_EQ(e.File(), missing);
    }
    try {
        TextWriter writer(missing);
        ADD_FAILURE() << "created a file in a missing directory";
    } catch (const IoError& e) {
        EXPECT_EQ(e.File(), missing);
    }
    if (!std::filesystem::exists("/dev/full"))
        GTEST_SKIP() << "no /dev/full";
    // A full disk must not pass silently.
    TextWriter writer("/dev/full");
    writer.WriteLine("data");
    EXPECT_THROW(writer.Close(), IoError);
}

} // namespace
