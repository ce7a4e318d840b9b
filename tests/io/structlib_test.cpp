#include "io/structlib.h"

#include "io/namewords.h"
#include "model/elements.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>

namespace velmora {
namespace {

namespace fs = std::filesystem;

// C(10,20)=O(30,40) with the oxygen charged -1.
void MakeCarbonyl(TCTab& t)
{
    t.Clear();
    t.NumValidAtoms = 2;
    for (int i : {1, 2}) {
        t.SetAtNum(i, i == 1 ? 6 : 8);
        t.SetAtWeight(i, i == 1 ? 12 : 16);
        t.SetCoord(i, 1, 20 * i - 10);
        t.SetCoord(i, 2, 20 * i);
    }
    t.SetCharge(2, -1);
    t.SetConnection(1, 2, 2);
    t.Symmetrize();
}

class LibraryTest : public ::testing::Test {
protected:
    std::string Lib() const { return m_dir.File("test.clb"); }
    std::string Index() const { return m_dir.File("test.III"); }

    int Write(const TCTab& table, const std::string& name, std::uint32_t cas = 0)
    {
        m_library.Structure().Assign(table);
        m_library.SetWritePermission(true);
        const int result = m_library.WriteLibraryRecord(Lib(), name, cas);
        m_library.SetWritePermission(false);
        return result;
    }

    test::TempDir m_dir;
    StructureLibrary m_library;
};

TEST(LibraryNames, NameWordsCompressAndExpand)
{
    EXPECT_EQ(CompressName("Methylbenzene"), std::string("\x8b\xdf\xfb" "E"));
    EXPECT_EQ(ExpandName(CompressName("Methylbenzene")), "METHYLBENZENE");
    EXPECT_STREQ(NameWord(128), "BENZOYL");
    EXPECT_STREQ(NameWord(255), "IN");
    // Words are replaced longest first: "BENZOYL" wins over "BENZ" and "OYL".
    EXPECT_EQ(CompressName("benzoyl"), std::string(1, '\x80'));
    EXPECT_EQ(ExpandName(std::string("A\xe9" "B")), std::string("A") + NameWord(0xe9) + "B");
}

TEST_F(LibraryTest, RecordBytesAreExactlyAsLaidOut)
{
    TCTab t;
    MakeCarbonyl(t);
    ASSERT_EQ(Write(t, "ol", 64175), kLibOk);
    const std::string data = test::ReadBytes(Lib());
    ASSERT_EQ(data.size(), 16384u);
    std::vector<std::uint8_t> expected(107, 0);
    expected[0] = 107;
    expected[3] = 1; // position
    expected[63] = 0xE8;
    expected[64] = 0x03; // 1000
    expected[65] = 2;
    expected[66] = 11;
    expected[69] = 8;
    expected[82] = 0xAF;
    expected[83] = 0xFA; // 64175
    const std::uint8_t tail[] = {1, 2, 0xFF, 3, 6, 0, 0x42, 3, 8, 0, 0x41, 10, 0, 20, 0, 30, 0, 40, 0, 1, 253};
    std::copy(std::begin(tail), std::end(tail), expected.begin() + 86);
    for (std::size_t i = 0; i < expected.size(); ++i)
        EXPECT_EQ(static_cast<std::uint8_t>(data[i]), expected[i]) << "byte " << i;
    EXPECT_EQ(data.substr(107).find_first_not_of('\0'), std::string::npos);
    EXPECT_EQ(test::ReadBytes(Index()), std::string("\x01\x00\x01\x00", 4));
}

TEST_F(LibraryTest, IsotopesCoordinatesNamesAndCasNumbers)
{
    TCTab t;
    MakeCarbonyl(t);
    t.SetAtNum(1, 1);
    t.SetAtWeight(1, 2); // deuterium: code 128
    t.SetAtWeight(2, 18); // oxygen 18: code 132
    ASSERT_EQ(Write(t, "d"), kLibOk);
    t.SetAtNum(1, 6);
    t.SetAtWeight(1, 14); // no code of its own
    t.SetAtWeight(2, 16);
    t.SetCoord(1, 1, -1);
    ASSERT_EQ(Write(t, "c14", 50001), kLibOk); // wrong check digit
    TCTab origin;
    MakeCarbonyl(origin);
    for (int i = 1; i <= 2; ++i)
        for (int c = 1; c <= 3; ++c)
            origin.SetCoord(i, c, 0);
    ASSERT_EQ(Write(origin, std::string("caf\xe9")), kLibOk);

    const TCTab& s = m_library.Structure();
    ASSERT_EQ(m_library.ReadLibraryRecord(Lib(), 1), kLibOk);
    EXPECT_EQ((std::vector<int>{s.AtNum(1), s.AtWeight(1), s.AtWeight(2)}), (std::vector<int>{1, 2, 18}));
    ASSERT_EQ(m_library.ReadLibraryRecord(Lib(), 2), kLibOk);
    // Carbon 14 is stored as carbon; the wrong CAS number stays in the record but not in the table.
    EXPECT_EQ(std::make_pair(s.AtWeight(1), s.FCASNr), std::make_pair(12, 0));
    EXPECT_EQ(s.Coord(1, 1), -1.0f);
    EXPECT_EQ(m_library.RecordCASNumber(), 50001u);
    ASSERT_EQ(m_library.ReadLibraryRecord(Lib(), 3), kLibOk);
    EXPECT_EQ(s.FStrucName, std::string("CAF") + NameWord(0xe9));

    const std::string data = test::ReadBytes(Lib());
    EXPECT_EQ(static_cast<std::uint8_t>(data[86 + 1 + 2 + 1]), 128); // element code of record 1
    const std::size_t second = static_cast<std::uint8_t>(data[0]) | (static_cast<std::uint8_t>(data[1]) << 8);
    EXPECT_EQ(data.substr(second + 97, 2), "\xFF\xFF"); // x = -1 as 65535
    // The third record sits at (0, 0) everywhere and has no coordinate block.
    const std::string index = test::ReadBytes(Index());
    const std::size_t third = static_cast<std::uint8_t>(index[10]) - 1u + 256u * static_cast<std::uint8_t>(index[11]);
    EXPECT_EQ(static_cast<std::uint8_t>(data[third + 69]), 0);
}

TEST_F(LibraryTest, FullBlockStartsANewOneAndLeavesTheOldAlone)
{
    TCTab t;
    MakeCarbonyl(t);
    const std::string name(200, 'Q'); // 87 + 11 + 8 + 201 = 307 bytes a record
    int written = 0;
    std::string firstBlock, firstIndex;
    while (CountLibraryRecords(Lib()) == 0 || test::ReadBytes(Lib()).size() == 16384u) {
        firstBlock = fs::exists(Lib()) ? test::ReadBytes(Lib()) : "";
        firstIndex = fs::exists(Index()) ? test::ReadBytes(Index()) : "";
        ASSERT_EQ(Write(t, name), kLibOk);
        ++written;
        // Taking a record back restores both files byte for byte, within a block or with a new one.
        if (written == 2 || test::ReadBytes(Lib()).size() > 16384u) {
            ASSERT_TRUE(m_library.RemoveLastRecord(Lib()));
            EXPECT_FALSE(m_library.RemoveLastRecord(Lib())); // only the last write
            EXPECT_EQ(test::ReadBytes(Lib()), firstBlock);
            EXPECT_EQ(test::ReadBytes(Index()), firstIndex);
            ASSERT_EQ(Write(t, name), kLibOk);
        }
    }
    EXPECT_EQ(written, 16383 / 307 + 1);
    const std::string data = test::ReadBytes(Lib());
    ASSERT_EQ(data.size(), 2u * 16384u);
    EXPECT_EQ(data.substr(0, 16384), firstBlock);
    const std::string index = test::ReadBytes(Index());
    EXPECT_EQ(index.substr(index.size() - 4), std::string("\x02\x00\x01\x00", 4));
    ASSERT_EQ(m_library.ReadLibraryRecord(Lib(), written), kLibOk);
    EXPECT_EQ(m_library.Structure().FStrucName, name);
    ASSERT_EQ(m_library.ReadLibraryRecord(Lib(), written - 1), kLibOk);
}

// A library object remembers where its last write ended the chain. Writes interleaved with reads
// of other blocks, another library, a failed write and records taken back must give the files a
// fresh object per operation gives (which finds every chain end on disk).
TEST_F(LibraryTest, WritesOfOneObjectEqualWritesOfFreshObjects)
{
    TCTab t;
    MakeCarbonyl(t);
    auto run = [&](const std::string& dir, bool fresh) {
        fs::create_directory(m_dir.File(dir));
        const std::string a = m_dir.File(dir + "/a.clb");
        const std::string b = m_dir.File(dir + "/b.clb");
        auto kept = std::make_unique<StructureLibrary>();
        auto library = [&]() -> StructureLibrary& {
            if (fresh)
                kept = std::make_unique<StructureLibrary>();
            return *kept;
        };
        auto write = [&](const std::string& lib, int k) {
            StructureLibrary& l = library();
            l.Structure().Assign(t);
            l.SetWritePermission(true);
            EXPECT_EQ(l.WriteLibraryRecord(lib, std::string(static_cast<std::size_t>(k % 150), 'N'), 0), kLibOk);
            return &l;
        };
        for (int k = 1; k <= 400; ++k) {
            StructureLibrary* last = write(k % 7 == 0 ? b : a, k);
            if (k % 13 == 0) {
                EXPECT_TRUE(last->RemoveLastRecord(k % 7 == 0 ? b : a));
            }
            if (k % 11 == 0) {
                EXPECT_EQ(library().ReadLibraryRecord(a, 1 + k / 20), kLibOk);
            }
            if (k % 17 == 0) {
                StructureLibrary& l = library();
                l.SetWritePermission(false);
                EXPECT_EQ(l.WriteLibraryRecord(a, "refused", 0), kLibWriteNotPermitted);
            }
        }
        kept.reset();
        return std::make_pair(test::ReadBytes(a) + test::ReadBytes(b),
                              test::ReadBytes(IndexFileName(a)) + test::ReadBytes(IndexFileName(b)));
    };
    const auto one = run("one", false);
    const auto fresh = run("fresh", true);
    EXPECT_GT(one.first.size(), 4u * 16384u);
    EXPECT_TRUE(one.first == fresh.first);
    EXPECT_TRUE(one.second == fresh.second);
}

// Block numbers are 16-bit: block 65535 is the last one (a sparse data file stands for a full one).
TEST_F(LibraryTest, LibraryFullBeforeBlock65536)
{
    TCTab t;
    MakeCarbonyl(t);
    ASSERT_EQ(Write(t, "first"), kLibOk);
    m_library.ReleaseFiles();
    fs::resize_file(Lib(), std::uintmax_t{65535} * 16384);
    ASSERT_EQ(Write(t, "last block"), kLibOk);
    const std::string index = test::ReadBytes(Index());
    EXPECT_EQ(index.substr(4), std::string("\xff\xff\x01\x00", 4));
    ASSERT_EQ(m_library.ReadLibraryRecord(Lib(), 2), kLibOk);
    EXPECT_EQ(m_library.Structure().FStrucName, "LAST BLOCK");

    const std::string name(250, 'Q');
    int result = kLibOk;
    for (int i = 0; i < 100 && result == kLibOk; ++i)
        result = Write(t, name);
    EXPECT_EQ(result, kLibFull);
    m_library.ReleaseFiles();
    const std::string full = test::ReadBytes(Index());
    EXPECT_EQ(fs::file_size(Lib()), std::uintmax_t{65535} * 16384);
    EXPECT_EQ(Write(t, name), kLibFull); // reopened: the same answer
    EXPECT_EQ(test::ReadBytes(Index()), full);
    EXPECT_EQ(fs::file_size(Lib()), std::uintmax_t{65535} * 16384);
    ASSERT_EQ(m_library.ReadLibraryRecord(Lib(), 1), kLibOk);
    EXPECT_EQ(m_library.Structure().FStrucName, "FIRST");
}

TEST_F(LibraryTest, ResultCodes)
{
    TCTab t;
    MakeCarbonyl(t);
    m_library.Structure().Assign(t);
    EXPECT_EQ(m_library.WriteLibraryRecord(Lib(), "x", 0), kLibWriteNotPermitted);
    EXPECT_FALSE(fs::exists(Lib()));
    EXPECT_EQ(m_library.ReadLibraryRecord(Lib(), 1), kLibIndexFile);
    EXPECT_EQ(CountLibraryRecords(Lib()), 0);
    ASSERT_EQ(Write(t, "x"), kLibOk);
    EXPECT_EQ(m_library.ReadLibraryRecord(Lib(), 0), kLibPositionOutOfRange);
    EXPECT_EQ(m_library.ReadLibraryRecord(Lib(), 2), kLibPositionOutOfRange);

    m_library.ReleaseFiles();
    fs::rename(Index(), m_dir.File("test.iii")); // the index is found in either case
    EXPECT_EQ(m_library.ReadLibraryRecord(Lib(), 1), kLibOk);
    EXPECT_EQ(CountLibraryRecords(Lib()), 1);
    ASSERT_EQ(Write(t, "y"), kLibOk);
    EXPECT_EQ(CountLibraryRecords(Lib()), 2);
    EXPECT_FALSE(fs::exists(Index()));

    m_library.ReleaseFiles();
    test::WriteBytes(m_dir.File("empty.III"), std::string(8, '\0'));
    test::WriteBytes(m_dir.File("empty.clb"), std::string(16384, '\0'));
    EXPECT_EQ(m_library.ReadLibraryRecord(m_dir.File("empty.clb"), 2), kLibEmptyEntry);
    test::WriteBytes(m_dir.File("nodata.III"), std::string("\x01\x00\x01\x00", 4));
    EXPECT_EQ(m_library.ReadLibraryRecord(m_dir.File("nodata.clb"), 1), kLibDataFile);
}

// Every damaged record decodes to -5 and an empty structure, without reading out of bounds.
TEST_F(LibraryTest, DamagedRecords)
{
    struct Damage {
        const char* what;
        std::size_t offset;
        std::vector<std::uint8_t> bytes;
        bool inIndex = false;
    };
    const std::vector<Damage> damages{
        {"record of length 0 (a zeroed block)", 0, {0, 0}},
        {"record shorter than its header", 0, {40, 0}},
        {"record running past the block", 0, {0xFF, 0x7F}},
        {"more than 63 atoms", 65, {64}},
        {"connection table longer than the record", 66, {200, 0}},
        {"coordinate block not 4 x n", 69, {4, 0}},
        {"coordinate block past the record", 69, {0, 1}},
        {"3-byte entries past the record", 68, {40}},
        {"count block past the record", 71, {0xFF, 0xFF}},
        {"charged atom 0", 87, {0}},
        {"charged atom beyond n", 87, {3}},
        {"charge list past the block", 86, {200}},
        {"entry with eleven neighbours", 89, {13}},
        {"neighbour 3 of 2 atoms", 92, {0x43}},
        {"neighbour 0", 92, {0x40}},
        {"atom bonded to itself", 92, {0x41}},
        {"name past the record", 105, {10}},
        {"index entry in block 5 of 1", 0, {5, 0}, true},
        {"index offset at the block's end", 2, {0x00, 0x40}, true},
        {"index offset beyond the block", 2, {0xFF, 0xFF}, true},
    };
    TCTab t;
    MakeCarbonyl(t);
    for (const auto& damage : damages) {
        fs::remove(Lib());
        fs::remove(Index());
        m_library.ReleaseFiles();
        ASSERT_EQ(Write(t, "ol"), kLibOk);
        {
            m_library.ReleaseFiles(); // the damage is done behind the module's back
            const std::string path = damage.inIndex ? Index() : Lib();
            std::string data = test::ReadBytes(path);
            for (std::size_t i = 0; i < damage.bytes.size(); ++i)
                data[damage.offset + i] = static_cast<char>(damage.bytes[i]);
            test::WriteBytes(path, data);
        }
        m_library.Structure().NumValidAtoms = 1;
        EXPECT_EQ(m_library.ReadLibraryRecord(Lib(), 1), kLibDamagedRecord) << damage.what;
        EXPECT_EQ(m_library.Structure().NumValidAtoms, 0) << damage.what;
        EXPECT_EQ(m_library.Structure().Atom(1), TAtomRecord{}) << damage.what;
    }
}

TEST_F(LibraryTest, ReservedFieldsOfTheLastReadRecordAreCarriedIntoWrites)
{
    TCTab t;
    MakeCarbonyl(t);
    ASSERT_EQ(Write(t, "ol"), kLibOk);
    // Give the record reserved values and one 3-byte entry (between the tables and coordinates).
    m_library.ReleaseFiles();
    std::string data = test::ReadBytes(Lib());
    std::string record = data.substr(0, 107);
    record.insert(97, "\x11\x22\x33");
    record[0] = 110;
    record[68] = 1;
    record[2] = 7;
    for (int i = 7; i < 27; ++i)
        record[static_cast<std::size_t>(i)] = static_cast<char>(i);
    record[73] = 5, record[74] = 9, record[77] = 10;
    data.replace(0, 109, record + std::string(2, '\0'));
    test::WriteBytes(Lib(), data);

    ASSERT_EQ(m_library.ReadLibraryRecord(Lib(), 1), kLibOk);
    EXPECT_EQ(m_library.Structure().Coord(2, 2), 40.0f);
    const std::string copy = m_dir.File("copy.clb");
    m_library.SetWritePermission(true);
    ASSERT_EQ(m_library.WriteLibraryRecord(copy, m_library.RecordName(), m_library.RecordCASNumber()), kLibOk);
    const std::string copied = test::ReadBytes(copy);
    EXPECT_EQ(copied.substr(0, 110), record);
}

} // namespace
} // namespace velmora
