#include "io/molfile.h"

#include "base/ioerror.h"
#include "base/numtext.h"
#include "io_support.h"
#include "model/elements.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <random>

namespace velmora {
namespace {

using test::MolAtom;
using test::MolBond;
using test::MolText;

// Propane-like chain 10 units wide and 2 high: s = max(800/10, 600/2) = 300.
std::string Chain(const std::string& eol = "\r\n", bool terminate = true)
{
    return MolText("chain", {{0, 0, 0, "C"}, {5, 2, 0, "C"}, {10, 1, 0, "O"}}, {{1, 2, 1}, {2, 3, 2}},
                   {"M  END", "> <CAS_RN>", "50-00-0", ""}, terminate, eol);
}

TEST(MolfileRead, ReadsAtomsBondsNameCasAndPlacesCoordinates)
{
    const TCTab t = test::ReadTable(Chain());
    EXPECT_EQ(t.FStrucName, "chain");
    // Atoms, CAS number, element and mass of atom 3, bonds (symmetrised).
    EXPECT_EQ((std::vector<int>{t.NumValidAtoms, t.FCASNr, t.AtNum(3), t.AtWeight(3), t.BondType(1, 2),
                                t.BondType(2, 1), t.BondType(3, 2)}),
              (std::vector<int>{3, 50000, 8, 16, 1, 1, 2}));
    // x of atoms 1..3, then y of atoms 2 and 3 (not flipped).
    EXPECT_EQ((std::vector<float>{t.Coord(1, 1), t.Coord(2, 1), t.Coord(3, 1), t.Coord(2, 2), t.Coord(3, 2)}),
              (std::vector<float>{0, 1500, 3000, 600, 300}));
}

TEST(MolfileRead, LineEndsCrLfLfAndCrReadAlike)
{
    const TCTab crlf = test::ReadTable(Chain("\r\n"));
    for (const char* eol : {"\n", "\r"}) {
        const TCTab other = test::ReadTable(Chain(eol));
        EXPECT_EQ(CompareCtab(crlf, other), 0) << "line end " << int(eol[0]);
    }
}

// A plain molfile without "$$$$", or one where Ctrl-Z ends the file before it, is read whole
// (symmetrised, placed, with its CAS number) but the read fails.
TEST(MolfileRead, RecordWithoutTerminatorIsReadButFails)
{
    for (const std::string& text : {Chain("\r\n", false), Chain("\r\n", false) + "\x1a" + "$$$$\r\n"}) {
        auto reader = TextReader::FromMemory(text);
        TCTab t;
        MolReadStatus status;
        EXPECT_FALSE(ReadMolRecord(t, reader, status));
        EXPECT_TRUE(status.missingTerminator && reader.Eof());
        EXPECT_EQ(CompareCtab(t, test::ReadTable(Chain())), 0);
    }
}

TEST(MolfileRead, FileEndingAtTheLastBondKeepsRawCoordinatesAndOneSidedBonds)
{
    const std::string text = MolText("x", {{1.5, 2, 0, "C"}, {2.5, 2, 0, "N"}}, {{1, 2, 2}}, {}, false);
    auto reader = TextReader::FromMemory(text.substr(0, text.size() - 2)); // no line end after the bond
    TCTab t;
    EXPECT_FALSE(ReadMolRecord(t, reader));
    EXPECT_EQ((std::vector<int>{t.BondType(1, 2), t.BondType(2, 1)}), (std::vector<int>{2, 0}));
    EXPECT_EQ((std::vector<float>{t.Coord(1, 1), t.Coord(2, 1)}), (std::vector<float>{1.5f, 2.5f}));
}

TEST(MolfileRead, AtomCountOutsideRangeKeepsAtomsAndTakesTheName)
{
    std::vector<MolAtom> many(64, MolAtom{0, 0, 0, "C"});
    const std::string text = Chain() + MolText("big", many, {}) + MolText("zero", {}, {}) + Chain();
    auto reader = TextReader::FromMemory(text);
    TCTab t;
    MolReadStatus status;
    EXPECT_TRUE(ReadMolRecord(t, reader, status));
    EXPECT_FALSE(ReadMolRecord(t, reader, status));
    EXPECT_TRUE(status.atomCountOutOfRange);
    EXPECT_TRUE(status.Rejected());
    EXPECT_EQ(status.atomCount, 64);
    EXPECT_EQ(t.NumValidAtoms, 3);
    EXPECT_EQ(t.AtNum(3), 8);
    EXPECT_EQ(t.FStrucName, "big");
    EXPECT_FALSE(ReadMolRecord(t, reader, status));
    EXPECT_EQ(t.FStrucName, "zero");
    EXPECT_TRUE(ReadMolRecord(t, reader, status)); // the reader found the next record
    EXPECT_EQ(t.FStrucName, "chain");
}

TEST(MolfileRead, SymbolsChargesAndMassDifferences)
{
    const TCTab t = test::ReadTable(MolText(
        "s", {{0, 0, 0, "D"}, {1, 0, 0, "R"}, {2, 0, 0, "Cl"}, {3, 0, 0, "N", 0, 3}, {4, 0, 0, "C", 1}},
        {}));
    EXPECT_EQ((std::vector<int>{t.AtNum(1), t.AtNum(2), t.AtNum(3)}), (std::vector<int>{0, 0, 17}));
    EXPECT_EQ(t.Charge(4), 3);
    EXPECT_EQ(t.AtWeight(5), 13);
    EXPECT_EQ(t.AtWeight(1), 0); // unknown element: mass number 0
}

TEST(MolfileRead, PlacementScalesTheLongerRangeAndCapsAt32767)
{
    const TCTab flat = test::ReadTable(MolText("f", {{-100, 5, 0, "C"}, {100, 5, 0, "C"}}, {}));
    // s = 800 / 200 = 4
    EXPECT_EQ((std::vector<float>{flat.Coord(1, 1), flat.Coord(2, 1), flat.Coord(2, 2)}), (std::vector<float>{0, 800, 0}));
    const TCTab single = test::ReadTable(MolText("one", {{7, 8, 9, "C"}}, {}));
    EXPECT_EQ((std::vector<float>{single.Coord(1, 1), single.Coord(1, 3)}), (std::vector<float>{0, 0}));

    // z spans 1000 while x spans 1: s would be 800 but is lowered to 32767 / 1000.
    const TCTab deep = test::ReadTable(MolText("z", {{0, 0, 0, "C"}, {1, 0, 1000, "C"}}, {}));
    EXPECT_EQ(deep.Coord(2, 3), 32767.0f);
    EXPECT_EQ(deep.Coord(2, 1), 33.0f); // Round(32.767)

    // Halves go to the even neighbour: 0.5 * 1 and 2.5 * 1 (s = 800 / 800 = 1).
    const TCTab halves = test::ReadTable(MolText("h", {{0, 0, 0, "C"}, {0.5, 0, 0, "C"}, {2.5, 0, 0, "C"}, {800, 0, 0, "C"}}, {}));
    EXPECT_EQ(halves.Coord(2, 1), 0.0f);
    EXPECT_EQ(halves.Coord(3, 1), 2.0f);
}

TEST(MolfileRead, CasDataHeaders)
{
    auto cas = [](const std::string& header) {
        return test::ReadTable(MolText("c", {{0, 0, 0, "C"}}, {}, {"M  END", header, "64-17-5", ""})).FCASNr;
    };
    EXPECT_EQ(cas("> <CAS_RN>"), 64175);
    EXPECT_EQ(cas("> <CASREGNR>"), 64175);
    EXPECT_EQ(cas(">  <CAS_RN>"), 0);
    EXPECT_EQ(cas("> <CAS_RN> "), 0);
}

TEST(MolfileRead, ChargeAndIsotopeLinesOverrideTheAtomBlock)
{
    // A charge-separated nitro group written with the charges only in "M  CHG".
    const TCTab nitro = test::ReadTable(MolText(
        "nitro", {{0, 0, 0, "C"}, {1, 0, 0, "N", 0, 0}, {2, 0, 0, "O"}, {1, 1, 0, "O"}, {3, 3, 0, "C", 0, 3}},
        {{1, 2, 1}, {2, 3, 2}, {2, 4, 1}},
        {"M  CHG  2   2   1   4  -1", "M  CHG  1   9   2", "M  ISO  1   1  14", "M  END", "M  CHG  1   3   3"}));
    // +1 and -1 as codes 3 and 5; atom 5's code from the atom block is reset by the first charge
    // line; lines after "M  END" do not count, and atom 9 does not exist.
    EXPECT_EQ((std::vector<int>{nitro.Charge(2), nitro.Charge(4), nitro.Charge(5), nitro.Charge(3)}),
              (std::vector<int>{3, 5, 0, 0}));
    EXPECT_EQ((std::vector<int>{nitro.AtWeight(1), nitro.AtWeight(5)}), (std::vector<int>{14, 12}));

    const std::vector<std::pair<int, int>> codes{{3, 1}, {2, 2}, {1, 3}, {-1, 5}, {-2, 6}, {-3, 7}, {4, 0}, {0, 0}};
    for (const auto& [charge, code] : codes) {
        const TCTab t = test::ReadTable(MolText("q", {{0, 0, 0, "N"}}, {},
                                                {"M  CHG  1   1" + std::string(charge < 0 ? "  " : "   ") + std::to_string(charge)}));
        EXPECT_EQ(t.Charge(1), code) << "charge " << charge;
    }
    // The first isotope line resets every mass to the element's, then applies its own.
    const TCTab iso = test::ReadTable(MolText("i", {{0, 0, 0, "C", 1}, {1, 0, 0, "C", 1}}, {},
                                              {"M  ISO  1   2 300"}));
    EXPECT_EQ(iso.AtWeight(1), 12);
    EXPECT_EQ(iso.AtWeight(2), 300 & 0xff);
}

TEST(MolfileRead, BrokenRecords)
{
    struct Case {
        const char* what;
        std::vector<MolBond> bonds;
        bool typeInvalid, atomInvalid;
    };
    const std::vector<Case> cases{
        {"bond type 5 is entered as single", {{1, 2, 5}}, true, false},
        {"bond type 0", {{1, 2, 0}}, true, false},
        {"bond to atom 4 of 3", {{1, 4, 1}}, false, true},
        {"bond to atom 0", {{0, 2, 1}}, false, true},
        {"bond from an atom to itself", {{2, 2, 1}}, false, true},
    };
    for (const auto& c : cases) {
        auto reader = TextReader::FromMemory(MolText("b", {{0, 0, 0, "C"}, {1, 0, 0, "C"}, {2, 0, 0, "C"}}, c.bonds));
        TCTab t;
        MolReadStatus status;
        EXPECT_FALSE(ReadMolRecord(t, reader, status)) << c.what;
        EXPECT_EQ(status.bondTypeInvalid, c.typeInvalid) << c.what;
        EXPECT_EQ(status.bondAtomInvalid, c.atomInvalid) << c.what;
        if (c.typeInvalid) {
            EXPECT_EQ(t.BondType(2, 1), 1) << c.what;
        }
        for (int i = 4; i <= kMaxAtoms; ++i)
            EXPECT_EQ(t.Atom(i), TAtomRecord{}) << c.what << ": record " << i << " written";
        EXPECT_EQ(t.Atom(2).ConnTo[0] == 2, false) << c.what;
    }
}

// Lines 1..count of text (CR LF lines), the last one with or without its line end.
std::string FirstLines(const std::string& text, int count, bool lastLineEnd = true)
{
    std::size_t at = 0;
    for (int line = 0; line < count; ++line)
        at = text.find("\r\n", at) + 2;
    return text.substr(0, lastLineEnd ? at : at - 2);
}

// A record that runs into the end of the file before the lines its counts line promises is not
// the structure of the file: it fails, says where it ends, and what was promised. A record that
// has all its lines but no "$$$$" (a plain molfile) is complete.
TEST(MolfileRead, RecordsCutShortByTheEndOfTheFile)
{
    std::vector<MolAtom> atoms(25, MolAtom{0, 0, 0, "C"});
    for (int i = 0; i < 25; ++i)
        atoms[static_cast<std::size_t>(i)].x = i;
    std::vector<MolBond> bonds;
    for (int i = 1; i < 25; ++i)
        bonds.push_back({i, i + 1, 1});
    for (int i = 1; i <= 4; ++i)
        bonds.push_back({i, i + 10, 1});
    const std::string full = MolText("big", atoms, bonds, {"M  END"}, false); // 25 atoms, 28 bonds
    const std::string half = FirstLines(full, 8);
    const std::string cutInAtom = half + "    7.0000    0.0";
    const struct {
        const char* what;
        std::string text;
        bool truncated;
        std::string problem;
    } cases[] = {
        {"three of 25 atom lines", FirstLines(full, 7), true, "ends at line 7; its counts line promises 25 atoms and 28 bonds"},
        {"the same without the last line end", FirstLines(full, 7, false), true,
         "ends at line 7; its counts line promises 25 atoms and 28 bonds"},
        {"an atom line cut in its coordinates", cutInAtom, true, "ends at line 9; its counts line promises 25 atoms and 28 bonds"},
        {"every atom, 20 of 28 bonds", FirstLines(full, 49), true, "ends at line 49; its counts line promises 25 atoms and 28 bonds"},
        {"the header only", FirstLines(full, 2), true, "ends at line 2, before its counts line"},
        {"every atom and bond, no properties", FirstLines(full, 57), false, ""},
        {"a plain molfile with its properties block", full, false, ""},
        {"an empty file", "", false, "the file holds no structure"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        auto reader = TextReader::FromMemory(c.text);
        TCTab t;
        MolReadStatus status;
        EXPECT_FALSE(ReadMolRecord(t, reader, status));
        EXPECT_EQ(status.truncated, c.truncated);
        EXPECT_EQ(status.Spoiled(), !c.problem.empty());
        EXPECT_EQ(MolReadProblem(status), c.problem);
        if (c.truncated) {
            EXPECT_EQ(MolReadProblemOfRecord(status, 3), "record 3 " + c.problem);
        }
    }
    // A missing mass difference and charge at the very end read as 0, as they always did.
    const std::string lastAtom = MolText("m", {{0, 0, 0, "C"}}, {}, {}, false);
    auto reader = TextReader::FromMemory(lastAtom.substr(0, lastAtom.find(" C ") + 2));
    TCTab t;
    MolReadStatus status;
    ReadMolRecord(t, reader, status);
    EXPECT_FALSE(status.Spoiled()) << MolReadProblem(status);
    EXPECT_EQ(t.NumValidAtoms, 1);
}

// Counts lines that say nothing readable are told apart from a stated count outside 1..63; a
// V3000 counts line is left to the V3000 reader with the lines of its record.
TEST(MolfileRead, CountsLinesThatAreNotV2000)
{
    const std::string atoms = "    0.0000    0.0000    0.0000 C   0  0\r\n";
    const struct {
        std::string counts;
        std::string problem;
    } cases[] = {
        {"abc", "the counts line (line 4) cannot be read: \"abc\""},
        {"", "the counts line (line 4) cannot be read: \"\""},
        {" x1  0", "the counts line (line 4) cannot be read: \" x1  0\""},
        {std::string("\x01") + std::string(100, 'y'),
         "the counts line (line 4) cannot be read: \"\\x01" + std::string(79, 'y') + "...\""},
        {"  0  0  0  0  0  0  0  0  0  0999 V2000", "0 atoms, not 1..63"},
        {" 64  0  0  0  0  0  0  0  0  0999 V2000", "64 atoms, not 1..63"},
        {"  0  0  0     0  0            999 V3000", "the counts line (line 4) says V3000, which the V2000 reader cannot read"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.counts);
        auto reader = TextReader::FromMemory("name\r\n  prog\r\n\r\n" + c.counts + "\r\n" + atoms + "$$$$\r\n");
        TCTab t;
        MolReadStatus status;
        EXPECT_FALSE(ReadMolRecord(t, reader, status));
        EXPECT_TRUE(status.Rejected());
        EXPECT_EQ(MolReadProblem(status), c.problem);
        EXPECT_TRUE(reader.Eof()); // the record is passed, up to its "$$$$"
    }
    const std::string v3000 = "v3\r\n  prog\r\ncomment\r\n  0  0  0     0  0            999 V3000\r\n"
                              "M  V30 BEGIN CTAB\r\nM  V30 COUNTS 1 0 0 0 0\r\nM  END\r\n> <CAS_RN>\r\n50-00-0\r\n\r\n$$$$\r\n";
    auto reader = TextReader::FromMemory(v3000);
    TCTab t;
    MolReadStatus status;
    ReadMolRecord(t, reader, status);
    ASSERT_TRUE(status.v3000);
    EXPECT_EQ(status.v3000Block, "v3\n  prog\ncomment\n  0  0  0     0  0            999 V3000\nM  V30 BEGIN CTAB\n"
                                 "M  V30 COUNTS 1 0 0 0 0\nM  END\n");
    EXPECT_EQ(status.casText, "50-00-0");
}

// A line over 1 MiB spoils its own record only: the record says which line, the next record and
// the count of records are as without it.
TEST(MolfileRead, ALineTooLongSpoilsOnlyItsRecord)
{
    const std::string longLine(kMaxLineLength + 10, 'd');
    const std::string text = Chain() + MolText("long", {{0, 0, 0, "C"}}, {}, {"M  END", "> <DATA>", longLine, ""}) + Chain();
    test::TempDir dir;
    const std::string path = dir.File("long.sdf");
    test::WriteBytes(path, text);
    EXPECT_EQ(CountSDRecords(path), 3);
    TextReader reader(path);
    TCTab t;
    MolReadStatus status;
    EXPECT_TRUE(ReadMolRecord(t, reader, status));
    ReadMolRecord(t, reader, status);
    EXPECT_TRUE(status.lineTooLong);
    EXPECT_TRUE(status.Spoiled());
    EXPECT_EQ(MolReadProblem(status), "line 22 is longer than 1 MiB");
    EXPECT_TRUE(ReadMolRecord(t, reader, status));
    EXPECT_EQ(CompareCtab(t, test::ReadTable(Chain())), 0);
    // Other readers of text files still refuse such a line.
    TextReader plain(path);
    for (int line = 1; line < 22; ++line)
        plain.SkipLine();
    EXPECT_THROW(plain.ReadLine(), IoError);
}

TEST(MolfileRead, EleventhNeighbourStopsTheBondsAndTheRecordFails)
{
    std::vector<MolAtom> atoms(12, MolAtom{0, 0, 0, "C"});
    std::vector<MolBond> bonds;
    for (int j = 2; j <= 12; ++j)
        bonds.push_back({1, j, 1});
    auto reader = TextReader::FromMemory(MolText("star", atoms, bonds));
    TCTab t;
    MolReadStatus status;
    EXPECT_FALSE(ReadMolRecord(t, reader, status));
    EXPECT_TRUE(status.neighbourOverflow);
    EXPECT_EQ(t.NumNeighbours(1), 10);
    EXPECT_EQ(t.NumNeighbours(2), 0); // not symmetrised
}

TEST(MolfileRead, NonNumbersThrowNamingFileAndLine)
{
    std::string text = Chain();
    text.replace(text.find("    5.0000"), 10, "    5.0x00");
    auto reader = TextReader::FromMemory(text, "bad.sdf");
    TCTab t;
    try {
        ReadMolRecord(t, reader);
        FAIL() << "no error";
    } catch (const IoError& e) {
        EXPECT_EQ(e.File(), "bad.sdf");
        EXPECT_EQ(e.Line(), 6);
        EXPECT_NE(std::string(e.what()).find("5.0x00"), std::string::npos);
    }
    std::string bond = Chain();
    bond.replace(bond.find("  2  3  2"), 9, "  2  x  2");
    auto reader2 = TextReader::FromMemory(bond, "bond.sdf");
    EXPECT_THROW(ReadMolRecord(t, reader2), IoError);
}

TCTab Propanol()
{
    TCTab t;
    t.NumValidAtoms = 3;
    const int elements[] = {6, 6, 8};
    for (int i = 1; i <= 3; ++i) {
        t.SetAtNum(i, elements[i - 1]);
        t.SetAtWeight(i, MassNumber(elements[i - 1]));
        t.SetCoord(i, 1, 1000.0 * i);
        t.SetCoord(i, 2, 250.0);
    }
    t.SetCharge(3, -1);
    t.SetConnection(1, 2, 1);
    t.SetConnection(2, 3, 2);
    t.Symmetrize();
    t.FStrucName = "Propanol";
    t.FCASNr = 71238;
    return t;
}

TEST(MolfileWrite, ExactRecordText)
{
    std::tm when{};
    when.tm_mon = 2;
    when.tm_mday = 7;
    when.tm_year = 126;
    when.tm_hour = 9;
    when.tm_min = 5;
    std::string out;
    TextWriter writer(&out);
    WriteMolRecord(Propanol(), writer, "ZW", "Propanol", 0, "", &when);
    const std::string expected =
        "Propanol\r\n"
        "ZWPropanol03072609052D 1   1.00000     0.00000     0\r\n" +
        std::string(80, ' ') + "\r\n" +
        "  3  2  0  0  0  0  0  0  0  0999 V2000\r\n"
        "    1.0000    0.2500    0.0000 C   0  0  0\r\n"
        "    2.0000    0.2500    0.0000 C   0  0  0\r\n"
        "    3.0000    0.2500    0.0000 O   0 -1  0\r\n"
        "  1  2  1\r\n"
        "  2  3  2\r\n"
        "M  END\r\n"
        "> <CAS_RN>\r\n"
        "71-23-8\r\n"
        "\r\n"
        "$$$$\r\n";
    EXPECT_EQ(out, expected);

    // Records written before the counts line had its version and the properties block its end
    // line read the same.
    std::string old = expected;
    old.replace(old.find("999 V2000"), 9, "  0     ");
    old.replace(old.find("M  END"), 6, "");
    EXPECT_EQ(CompareCtab(test::ReadTable(old), test::ReadTable(expected)), 0);
}

// Masses other than the element's own are written so that a reader (ours or another program's)
// gets them back: as the atom block's difference while all lie in -3..+4, else all on "M  ISO".
TEST(MolfileWrite, IsotopesAreWrittenAndReadBack)
{
    struct Case {
        std::vector<std::pair<std::string, int>> atoms; // symbol, mass
        std::vector<std::string> isoLines;
    };
    const std::vector<Case> cases{
        {{{"H", 2}, {"C", 13}, {"N", 15}, {"O", 17}, {"O", 18}, {"C", 14}, {"U", 235}}, {}},
        {{{"C", 13}, {"I", 123}, {"C", 12}}, {"M  ISO  2   1  13   2 123"}},
        {{{"H", 3}, {"H", 3}, {"H", 3}, {"H", 3}, {"H", 3}, {"H", 3}, {"H", 3}, {"H", 3}, {"C", 11}, {"C", 20}},
         {"M  ISO  8   1   3   2   3   3   3   4   3   5   3   6   3   7   3   8   3", "M  ISO  2   9  11  10  20"}},
    };
    for (const auto& c : cases) {
        TCTab t;
        t.NumValidAtoms = static_cast<int>(c.atoms.size());
        for (int i = 1; i <= t.NumValidAtoms; ++i) {
            t.SetAtNum(i, ElementNumber(c.atoms[static_cast<std::size_t>(i - 1)].first));
            t.SetAtWeight(i, c.atoms[static_cast<std::size_t>(i - 1)].second);
        }
        std::string out;
        TextWriter writer(&out);
        WriteMolRecord(t, writer, "ZW", "", 0, "");
        const auto lines = test::CrLfLines(out);
        std::vector<std::string> iso;
        for (const auto& line : lines)
            if (line.rfind("M  ISO", 0) == 0)
                iso.push_back(line);
        EXPECT_EQ(iso, c.isoLines);
        EXPECT_EQ(lines[4 + t.NumValidAtoms + iso.size()], "M  END");
        for (int i = 1; i <= t.NumValidAtoms; ++i) {
            const int difference = t.AtWeight(i) - MassNumber(t.AtNum(i));
            EXPECT_EQ(lines[static_cast<std::size_t>(3 + i)].substr(34, 2),
                      c.isoLines.empty() ? FormatInt(difference, 2) : " 0") << i;
        }
        const TCTab back = test::ReadTable(out);
        for (int i = 1; i <= t.NumValidAtoms; ++i)
            EXPECT_EQ(back.AtWeight(i), t.AtWeight(i)) << i;
    }
}

TEST(MolfileWrite, NamesInitialsAndProgramFieldAreFitted)
{
    TCTab t = Propanol();
    t.FCASNr = 0;
    std::string out;
    TextWriter writer(&out);
    t.FStrucName = std::string(81, 'A');
    WriteMolRecord(t, writer, "Z", "ab", 12, "note");
    EXPECT_EQ(out.substr(0, out.find("\r\n")), ".!/" + std::string(77, 'A'));
    const auto line2 = out.substr(out.find("\r\n") + 2, 52);
    EXPECT_EQ(line2.substr(0, 10), "Z ab      ");
    EXPECT_EQ(line2.substr(46), "    12");
    EXPECT_NE(out.find("note" + std::string(76, ' ') + "\r\n"), std::string::npos);
    EXPECT_NE(out.find("> <CAS_RN>\r\n0-00-0\r\n"), std::string::npos);

    out.clear();
    t.FStrucName = std::string(80, 'B');
    WriteMolRecord(t, writer, "ZW", "", 0, "");
    EXPECT_EQ(out.substr(0, out.find("\r\n")), std::string(80, 'B'));
}

TEST(MolfileWrite, ChargeCodesAreWrittenAsHeldAndReadBack)
{
    TCTab t = Propanol();
    t.SetCharge(2, 3);
    std::string out;
    TextWriter writer(&out);
    WriteMolRecord(t, writer, "ZW", "", 0, "");
    EXPECT_NE(out.find(" C   0  3  0\r\n"), std::string::npos);
    const TCTab back = test::ReadTable(out);
    EXPECT_EQ(back.Charge(2), 3);
    EXPECT_EQ(back.Charge(3), -1);
}

// Reading a record gives every atom the bonds that name it first, in file order, then those
// that name it second, ascending. Writing must choose bond lines so that a re-read gives the same
// lists, whatever order and direction the original file used.
TEST(MolfileWrite, WriteAndReadBackKeepsEveryNeighbourList)
{
    std::mt19937 random(7);
    for (int round = 0; round < 400; ++round) {
        const int n = 2 + static_cast<int>(random() % 20);
        std::vector<MolAtom> atoms;
        for (int i = 0; i < n; ++i)
            atoms.push_back({double(random() % 50), double(random() % 50), 0, i % 3 ? "C" : "N"});
        std::vector<MolBond> bonds;
        std::vector<int> degree(static_cast<std::size_t>(n + 1), 0);
        for (int b = 1; b < n; ++b) { // a random tree plus ring closures
            const int a = 1 + static_cast<int>(random() % static_cast<unsigned>(b));
            bonds.push_back({a, b + 1, 1 + static_cast<int>(random() % 4)});
        }
        for (int extra = static_cast<int>(random() % 6); extra > 0; --extra) {
            const int a = 1 + static_cast<int>(random() % n), b = 1 + static_cast<int>(random() % n);
            bool present = a == b;
            for (const auto& bond : bonds)
                present = present || (bond.first == a && bond.second == b) || (bond.first == b && bond.second == a);
            if (!present)
                bonds.push_back({a, b, 1});
        }
        for (const auto& bond : bonds)
            ++degree[static_cast<std::size_t>(bond.first)], ++degree[static_cast<std::size_t>(bond.second)];
        if (*std::max_element(degree.begin(), degree.end()) > kMaxNeighbours)
            continue;
        std::shuffle(bonds.begin(), bonds.end(), random);
        for (auto& bond : bonds)
            if (random() % 2)
                std::swap(bond.first, bond.second);

        const TCTab original = test::ReadTable(MolText("r", atoms, bonds));
        std::string out;
        TextWriter writer(&out);
        WriteMolRecord(original, writer, "ZW", "", 0, "");
        const TCTab back = test::ReadTable(out);
        ASSERT_EQ(CompareCtab(original, back) & (kDiffConnTo | kDiffTypConn), 0) << "round " << round << "\n" << out;
    }
}

TEST(MolfileCount, CountsExactTerminatorLines)
{
    test::TempDir dir;
    test::WriteBytes(dir.File("a.sdf"), Chain() + Chain("\n") + "$$$$ \r\n $$$$\r\n" + Chain("\r", false));
    EXPECT_EQ(CountSDRecords(dir.File("a.sdf")), 2);
    EXPECT_EQ(CountSDRecords(test::DataFile("pubchem.200.sdf")), 200);
    EXPECT_THROW(CountSDRecords(dir.File("missing.sdf")), IoError);
}

} // namespace
} // namespace velmora
