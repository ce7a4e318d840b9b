// The catalogue tables, the flags, the dispatch and the 260-byte record.
#include "descriptors/catalogue.h"
#include "molecules_support.h"

#include <gtest/gtest.h>

#include <cstring>

namespace velmora {
namespace {

using test::Smiles;

TEST(Catalogue, PositionsSkipTheMarkers)
{
    int descriptors = 0;
    for (int i = 0; i < kCatalogueSize; ++i) {
        EXPECT_LE(CatalogueName(i).size(), 21u) << i;
        if (!IsDescriptor(i))
            continue;
        ++descriptors;
        EXPECT_EQ(CatalogueIndexOfPosition(ListPosition(i) + 1), i);
    }
    EXPECT_EQ(descriptors, kDescriptorCount);
    for (int marker : {33, 34, 134, 152}) {
        EXPECT_FALSE(IsDescriptor(marker));
        EXPECT_EQ(CatalogueName(marker), "marker");
    }
    // Catalogue index to list position; a marker repeats the position before it (134 follows
    // "Aug: B1O1O1C").
    for (const auto& [index, position] : std::vector<std::pair<int, int>>{{35, 33}, {151, 148}, {34, 32}, {134, 131}, {135, 132}})
        EXPECT_EQ(ListPosition(index), position) << index;
    EXPECT_EQ(CatalogueName(CatalogueIndexOfPosition(34)), "Aug: C4C4C");
    EXPECT_EQ(CatalogueName(151), "TopoRad");
    EXPECT_EQ(CatalogueName(17), "COO  (not a COOH)");
    EXPECT_EQ(std::make_pair(CatalogueIndexOfPosition(0), CatalogueIndexOfPosition(150)), std::make_pair(-1, -1));
    EXPECT_EQ(CatalogueName(153), "");
}

TEST(Catalogue, IntroModeOffersOnlyTheGroupCounts)
{
    DescriptorChoice choice;
    choice.DescSelected.fill(true);
    EXPECT_TRUE(choice.TakesPart(151));
    choice.SetAvailability(DescriptorMode::Intro);
    EXPECT_TRUE(choice.TakesPart(32) && choice.DescAvailable[33]);
    EXPECT_FALSE(choice.TakesPart(35) || choice.TakesPart(139));
    choice.SetAvailability(DescriptorMode::Normal);
    EXPECT_TRUE(choice.TakesPart(35));
    choice.DescSelected[35] = false;
    EXPECT_FALSE(choice.TakesPart(35));
}

TEST(DescriptorValues, EmptyTableAndMarkers)
{
    const TCTab empty;
    for (int i = 0; i < kCatalogueSize; ++i)
        EXPECT_EQ(DescriptorValue(empty, i), i == 141 ? 1.0 : 0.0) << CatalogueName(i);
    const TCTab t = Smiles("c1ccccc1CCO");
    for (int marker : {33, 34, 134, 152, 153, -1})
        EXPECT_EQ(DescriptorValue(t, marker), 0.0);
}

TEST(DescriptorValues, OneAtATimeEqualsAllAtOnceAndLeavesTheTableAlone)
{
    for (const char* file : {"nci300_aromatic.sdf", "cdk2.sdf"}) {
        for (const TCTab& t : test::ReadStructures(file)) {
            const TCTab before = t;
            const auto all = ComputeDescriptorValues(t);
            for (int i = 0; i < kCatalogueSize; ++i)
                ASSERT_EQ(DescriptorValue(t, i), all[i]) << file << " " << t.FStrucName << " " << CatalogueName(i);
            EXPECT_EQ(CompareCtab(before, t), 0);
            const DescriptorRecord record = ComputeDescriptorRecord(t);
            for (int i = 0; i < kCatalogueSize; ++i)
                if (all[i] >= 0 && all[i] < 256) {
                    ASSERT_EQ(RecordValue(record, i), all[i]) << CatalogueName(i);
                }
        }
    }
}

TEST(DescriptorRecords, FieldsSitAtTheirOffsetsLittleEndian)
{
    DescriptorRecord record;
    record.counts[0] = 7;
    record.counts[138] = 9;
    record.randicIx = 1.5; // 3FF8000000000000
    record.randicTOz = -2.0;
    record.numberOfRings = 255;
    record.ringsOfSize = {1, 2, 3, 4};
    record.topoJ = 0.25;
    record.topoRad = 0x01020304;
    record.topoDia = -2;
    record.xu = {1.0, 2.0, 4.0};
    record.hasGraphics = true;
    record.isSalt = true;
    const auto bytes = EncodeDescriptorRecord(record);
    ASSERT_EQ(bytes.size(), 260u);
    // Expected bytes from offset 138 on: count 138, a zero, RandicIx 1.5 = 3FF8000000000000, RandicTOz
    // -2.0 = C000000000000000, rings 255 and 1, 2, 3, 4 (and three more sizes), TopoJ 0.25 = 3FD0000000000000, TopoRad
    // 0x01020304, TopoDia -2, Xu 1.0, 2.0, 4.0 = 3FF0..., 4000..., 4010..., graphics, not registered, salt.
    const std::vector<std::uint8_t> tail = {
        9,    0,    0, 0, 0, 0, 0, 0, 0xF8, 0x3F, 0, 0, 0, 0, 0, 0, 0, 0xC0, 255, 1, 2, 3, 4,
        0, 0, 0, 0, 0, 0, 0, 0, 0, 0xD0, 0x3F, 4, 3, 2, 1, 0xFE, 0xFF, 0xFF, 0xFF, 0, 0, 0, 0, 0, 0, 0xF0, 0x3F,
        0, 0, 0, 0, 0, 0, 0, 0x40, 0, 0, 0, 0, 0, 0, 0x10, 0x40, 1, 0, 1};
    EXPECT_EQ(bytes[0], 7);
    EXPECT_EQ(std::vector<std::uint8_t>(bytes.begin() + 138, bytes.begin() + 207), tail);
    EXPECT_EQ(std::vector<std::uint8_t>(bytes.begin() + 207, bytes.end()), std::vector<std::uint8_t>(53, 0));

    EXPECT_EQ(DecodeDescriptorRecord(bytes.data()), record);
    const DescriptorRecord decoded = DecodeDescriptorRecord(bytes.data());
    // Rings are read back unsigned.
    for (const auto& [index, value] : std::vector<std::pair<int, double>>{
             {141, 255}, {142, 1}, {145, 4}, {149, -2}, {151, 0x01020304}, {148, 4}, {150, 0.25}, {134, 0}})
        EXPECT_EQ(RecordValue(decoded, index), value) << index;
}

TEST(DescriptorRecords, CountsKeepTheirLowByteAndFlagsDescribeTheStructure)
{
    // Two unbonded ions: a salt, not registered, no drawing; "Number of rings" -1 stored as 255.
    TCTab salt = Smiles("[Na+].[Cl-]");
    DescriptorRecord record = ComputeDescriptorRecord(salt);
    EXPECT_TRUE(record.isSalt);
    EXPECT_TRUE(record.notRegistered);
    EXPECT_FALSE(record.hasGraphics);
    EXPECT_EQ(record.numberOfRings, 255);
    EXPECT_EQ(DescriptorValue(salt, 141), -1.0);
    salt.SetCoord(2, 3, 0.5);
    EXPECT_TRUE(ComputeDescriptorRecord(salt).hasGraphics);

    const DescriptorRecord ethanol = ComputeDescriptorRecord(Smiles("CCO"));
    EXPECT_FALSE(ethanol.isSalt);
    EXPECT_FALSE(ethanol.notRegistered);
    EXPECT_EQ(ethanol.counts[135], 2);
    EXPECT_EQ(ethanol.counts[137], 1);

    // A count of 300 keeps its low 8 bits in the record.
    auto values = ComputeDescriptorValues(Smiles("CCO"));
    values[10] = 300;
    EXPECT_EQ(MakeDescriptorRecord(Smiles("CCO"), values).counts[10], 300 - 256);
}

} // namespace
} // namespace velmora
