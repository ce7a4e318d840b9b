// CTB files: the exact written layout, round trips through the two-digit coordinates, finding the
// "/CONTAB " keyword, name lines, and damaged records (out-of-range counts and neighbours,
// non-numbers, too many atoms, truncation).
#include "io/ctb.h"

#include "base/ioerror.h"
#include "base/numtext.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace {

using velmora::CompareCtab;
using velmora::ReadCTB;
using velmora::TAtomRecord;
using velmora::TCTab;
using velmora::TextReader;
using velmora::TextWriter;

TAtomRecord Atom(int atNum, int weight, int attrib, int charge, float x, float y, float z,
                 std::vector<std::pair<int, int>> links)
{
    TAtomRecord r;
    r.AtNum = static_cast<std::uint8_t>(atNum);
    r.AtWeight = static_cast<std::uint8_t>(weight);
    r.Attrib = static_cast<std::uint8_t>(attrib);
    r.Charge = static_cast<std::int8_t>(charge);
    r.x = x;
    r.y = y;
    r.z = z;
    for (std::size_t k = 0; k < links.size(); ++k) {
        r.ConnTo[k] = static_cast<std::uint8_t>(links[k].first);
        r.TypConn[k] = static_cast<std::uint8_t>(links[k].second);
    }
    return r;
}

// Ethenol: C1-O2 single, C1=C3 double; C3 is 13C with attribute 255 and charge code 3.
TCTab Ethenol(float z2 = 0.0123f, float x3 = -1234.5f, float y3 = 0.001f)
{
    TCTab t;
    t.FStrucName = "Ethenol";
    t.AddAtom(Atom(6, 12, 0, 0, 120.0f, -0.5f, 0.0f, {{2, 1}, {3, 2}}));
    t.AddAtom(Atom(8, 16, 5, -1, 3.0f, 45.0f, z2, {{1, 1}}));
    t.AddAtom(Atom(6, 13, 255, 3, x3, y3, -0.0f, {{1, 2}}));
    return t;
}

const char* const kEthenolText = "/CONTAB    7    3\r\n"
                                 " Ethenol\r\n"
                                 "   1   6  12   0  0  1.2E+0002 -5.0E-0001  0.0E+0000\r\n"
                                 "  2  2  3 1 2\r\n"
                                 "   2   8  16   5 -1  3.0E+0000  4.5E+0001  1.2E-0002\r\n"
                                 "  1  1 1\r\n"
                                 "   3   6  13 255  3 -1.2E+0003  1.0E-0003  0.0E+0000\r\n"
                                 "  1  1 2\r\n";

std::string Written(const TCTab& t)
{
    std::string text;
    TextWriter writer(&text);
    velmora::WriteCTB(t, writer);
    return text;
}

bool Read(const std::string& text, TCTab& t)
{
    auto reader = TextReader::FromMemory(text, "test.ctb");
    return ReadCTB(t, reader);
}

TEST(CtbWrite, ExactLayout)
{
    EXPECT_EQ(Written(Ethenol()), kEthenolText);
    TCTab named;
    named.FStrucName = "no atoms";
    EXPECT_EQ(Written(TCTab{}) + Written(named), ""); // no atoms: not even a header
}

// Coordinates keep two significant digits; everything else but AtFlag and the CAS number
// survives, and the reader starts from a cleared table.
TEST(CtbRead, ReadsTheWrittenLayoutBack)
{
    TCTab t = Ethenol(5.0f);
    t.FCASNr = 557755; // left over from an earlier structure: the read must clear it
    t.AddAtom(Atom(17, 35, 0, 0, 0, 0, 0, {}));
    ASSERT_TRUE(Read(kEthenolText, t));
    EXPECT_EQ(CompareCtab(t, Ethenol(0.012f, -1200.0f, 0.001f)), 0);
    EXPECT_EQ(t.FStrucName, "Ethenol");
    EXPECT_EQ(t.FCASNr, 0);

    TCTab rounded = Ethenol();
    rounded.MutableAtom(1).x = 123.4f;
    ASSERT_TRUE(Read(Written(rounded), t));
    EXPECT_EQ(t.Coord(1, 1), 120.0f);
}

TEST(CtbRead, RoundTripOfEveryFieldButAtFlag)
{
    TCTab t;
    t.FStrucName = "  blanks kept  ";
    const float coords[] = {1.5f, -250.0f, 0.75f, 0.0f, 12.0f, 3.5e6f, -9.5f, 0.5f};
    for (int i = 1; i <= 24; ++i) {
        std::vector<std::pair<int, int>> links;
        if (i > 1)
            links.push_back({i - 1, 1 + i % 4});
        if (i < 24)
            links.push_back({i + 1, 1 + (i + 1) % 4});
        if (i == 1)
            links.push_back({24, 4});
        if (i == 24)
            links.push_back({1, 4});
        t.AddAtom(Atom(i == 5 ? 103 : 6 + i % 3, 255 - i, i * 10, i == 3 ? -128 : i % 3 - 1,
                       coords[i % 8], coords[(i + 3) % 8], coords[(i + 5) % 8], links));
    }
    t.MutableAtom(4).AtFlag = 1;
    TCTab back;
    ASSERT_TRUE(Read(Written(t), back));
    EXPECT_EQ(CompareCtab(t, back), velmora::kDiffAtFlag);
    EXPECT_EQ(back.FStrucName, "  blanks kept  ");
    EXPECT_EQ(back.Charge(3), -128);
    EXPECT_EQ(back.AtNum(5), 103);
}

// Names are cut into 70-character lines; L counts them.
TEST(CtbWrite, NameLines)
{
    for (std::size_t length : {1u, 70u, 71u, 140u, 141u, 300u}) {
        SCOPED_TRACE(length);
        std::string name;
        for (std::size_t i = 0; i < length; ++i)
            name += static_cast<char>('a' + i % 26);
        TCTab t = Ethenol();
        t.FStrucName = name;
        const std::size_t lines = (length + 69) / 70;
        const std::string text = Written(t);
        EXPECT_EQ(text.substr(0, 19), "/CONTAB " + velmora::FormatInt(6 + lines, 4) + "    3\r\n");
        const std::string firstNameLine = " " + name.substr(0, 70) + "\r\n";
        EXPECT_EQ(text.substr(19, firstNameLine.size()), firstNameLine);
        TCTab back;
        ASSERT_TRUE(Read(text, back));
        EXPECT_EQ(back.FStrucName, name);
        EXPECT_EQ(back.NumValidAtoms, 3);
    }
}

TEST(CtbRead, LineEndsAndFreeFormat)
{
    std::string lf, cr;
    for (const char* p = kEthenolText; *p; ++p) {
        if (*p == '\r')
            continue;
        lf += *p;
        cr += *p == '\n' ? '\r' : *p;
    }
    // Numbers may be spread over lines and separated by tabs; only the name lines are positional.
    const std::string loose = "/CONTAB 7 3\r\n Ethenol\r\n1 6 12 0\t0 120 -0.5 0 2 2\r\n3 1 2 2 8 16 5 -1 "
                              "3 45 1.2E-2 1 1 1\n3 6 13 255 +3 -1200 0.001\r0 1 1 2\x1A";
    const TCTab expected = Ethenol(0.012f, -1200.0f, 0.001f);
    for (const std::string& text : {lf, cr, loose}) {
        SCOPED_TRACE(text);
        TCTab t;
        ASSERT_TRUE(Read(text, t));
        EXPECT_EQ(CompareCtab(t, expected), 0);
    }
}

TEST(CtbRead, FindsTheKeywordAfterOtherText)
{
    const std::vector<std::string> preambles = {
        "",
        "Kalvinor structure\r\n",
        "ratio 1/2 and a/b\r\nmore text / here\r\n",
        // A line ending in "/" must not swallow the keyword on the next line.
        "Source: http://example.org/\r\n",
        "Drawn by A/B\r\n",
    };
    for (const auto& preamble : preambles) {
        SCOPED_TRACE(preamble);
        TCTab t;
        EXPECT_TRUE(Read(preamble + kEthenolText, t));
        EXPECT_EQ(CompareCtab(t, Ethenol(0.012f, -1200.0f, 0.001f)), 0);
    }
}

TEST(CtbRead, SeveralRecordsInOneFile)
{
    velmora::test::TempDir dir;
    const std::string path = dir.File("SCRATCH.CTB");
    TCTab second;
    second.AddAtom(Atom(17, 35, 0, 0, 0, 0, 0, {}));
    TextWriter writer(path);
    writer.WriteLine("header text");
    velmora::WriteCTB(Ethenol(), writer);
    velmora::WriteCTB(second, writer);
    writer.Close();
    EXPECT_EQ(velmora::test::ReadBytes(path),
              std::string("header text\r\n") + kEthenolText +
                  "/CONTAB    2    1\r\n   1  17  35   0  0  0.0E+0000  0.0E+0000  0.0E+0000\r\n  0\r\n");
    TextReader reader(path);
    TCTab t;
    ASSERT_TRUE(ReadCTB(t, reader));
    EXPECT_EQ(CompareCtab(t, Ethenol(0.012f, -1200.0f, 0.001f)), 0);
    ASSERT_TRUE(ReadCTB(t, reader));
    EXPECT_EQ(CompareCtab(t, second), 0);
    const TCTab before = t;
    EXPECT_FALSE(ReadCTB(t, reader));
    EXPECT_EQ(CompareCtab(t, before), 0);
}

// No record, or a line count of 0 or less: failure, the table as it was.
TEST(CtbRead, MissingRecordLeavesTableUnchanged)
{
    for (const std::string text : {"", "no keyword / here\r\n", "/CONTA B 4 2\r\n", "\x1A/CONTAB 4 2\r\n",
                                   "/CONTAB    0    2\r\n", "/CONTAB   -4    2\r\n"}) {
        SCOPED_TRACE(text);
        TCTab t = Ethenol();
        EXPECT_FALSE(Read(text, t));
        EXPECT_EQ(CompareCtab(t, Ethenol()), 0);
        EXPECT_EQ(t.FStrucName, "Ethenol");
    }
}

// Neighbour numbers outside 1..n or naming the atom itself are dropped and the read fails; the
// other entries keep their own types. Mass numbers keep their low 8 bits.
TEST(CtbRead, NeighbourEntries)
{
    for (const char* bad : {"0", "3", "1", "-1", "64", "300"}) {
        SCOPED_TRACE(bad);
        const std::string text = std::string("/CONTAB 4 2\r\n1 6 257 0 0 0 0 0\r\n2 ") + bad +
                                 " 2 1 2\r\n2 8 16 0 0 0 0 0 1 1 2\r\n";
        TCTab t;
        EXPECT_FALSE(Read(text, t));
        ASSERT_EQ(t.NumValidAtoms, 2);
        EXPECT_EQ((std::vector<int>{t.AtWeight(1), t.NumNeighbours(1), t.ConnTo(1, 1), t.TypConn(1, 1), t.BondType(2, 1)}),
                  (std::vector<int>{1, 1, 2, 2, 2}));
        for (int i = 3; i <= velmora::kMaxAtoms; ++i)
            ASSERT_EQ(t.Atom(i), TAtomRecord{}) << i;
    }
    // The file lists each bond from both ends; a bond listed once stays one-sided.
    TCTab oneSided;
    ASSERT_TRUE(Read("/CONTAB 4 2\r\n1 6 12 0 0 0 0 0 1 2 1\r\n2 8 16 0 0 0 0 0 0\r\n", oneSided));
    EXPECT_EQ(std::make_pair(oneSided.BondType(1, 2), oneSided.NumNeighbours(2)), std::make_pair(1, 0));
    for (const char* count : {"11", "-1", "99"}) {
        TCTab t;
        EXPECT_FALSE(Read(std::string("/CONTAB 4 2\r\n1 6 12 0 0 0 0 0 ") + count +
                              " 2 1\r\n2 8 16 0 0 0 0 0 1 1 1\r\n", t))
            << count;
        for (int i = 1; i <= velmora::kMaxAtoms; ++i)
            for (int k = 1; k <= velmora::kMaxNeighbours; ++k)
                ASSERT_LE(t.Atom(i).ConnTo[k - 1], t.NumValidAtoms) << count;
    }
}

TEST(CtbRead, SixtyFourAtomsKeepTheFirst63AndFail)
{
    std::string text = "/CONTAB  128   64\r\n";
    for (int i = 1; i <= 64; ++i)
        text += std::to_string(i) + " 6 12 " + std::to_string(i) + " 0 0 0 0\r\n0\r\n";
    text += "/CONTAB 2 1\r\n1 8 16 0 0 0 0 0\r\n0\r\n";
    auto reader = TextReader::FromMemory(text, "big.ctb");
    TCTab t;
    EXPECT_FALSE(ReadCTB(t, reader));
    EXPECT_EQ(std::make_pair(t.NumValidAtoms, t.Attrib(63)), std::make_pair(63, 63));
    ASSERT_TRUE(ReadCTB(t, reader)); // the next record is still found
    EXPECT_EQ(std::make_pair(t.NumValidAtoms, t.AtNum(1)), std::make_pair(1, 8));
}

// A field that is not a number throws IoError naming the file and the line of the field.
TEST(CtbRead, NonNumbersThrowNamingFileAndLine)
{
    struct Case {
        std::string from, to;
        long line;
    };
    const std::vector<Case> cases = {
        {"/CONTAB    7", "/CONTAB    x", 2},
        {"   1   6  12", "   1   C  12", 4},
        {"-5.0E-0001", "-5.0E-000l", 4},
        {"  2  2  3 1 2", "  2  2  3 1 d", 5},
        {"   3   6  13 255", "   3   6  13 25S", 8},
        {"  1  1 2\r\n", "  1  1 ?\r\n", 9},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.to);
        std::string text = std::string("Kalvinor\n") + kEthenolText;
        const auto at = text.find(c.from);
        ASSERT_NE(at, std::string::npos);
        text.replace(at, c.from.size(), c.to);
        auto reader = TextReader::FromMemory(text, "SCRATCH.CTB");
        TCTab t;
        try {
            ReadCTB(t, reader);
            ADD_FAILURE() << "no IoError";
        } catch (const velmora::IoError& e) {
            EXPECT_EQ(e.File(), "SCRATCH.CTB");
            EXPECT_EQ(e.Line(), c.line);
        }
    }
}

// A record cut short (a lost tail of the file) must not read as a smaller, valid structure.
TEST(CtbRead, TruncatedRecordIsNotASuccess)
{
    const std::string full = kEthenolText;
    const std::vector<std::size_t> cuts = {
        full.find("   3   6  13"),           // third atom missing
        full.find("-1.2E+0003"),             // third atom cut inside its first line
        full.find("  1  1 2\r\n"),           // neighbour line of the last atom missing
        full.find(" Ethenol") + 4,           // inside the name
    };
    for (std::size_t cut : cuts) {
        SCOPED_TRACE(cut);
        ASSERT_NE(cut, std::string::npos);
        TCTab t;
        bool ok = true;
        try {
            ok = Read(full.substr(0, cut), t);
        } catch (const velmora::IoError&) {
            ok = false;
        }
        EXPECT_FALSE(ok);
    }
}

} // namespace
