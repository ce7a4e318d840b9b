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
    EXPECT_EQ(ListPosition(35), 33);
    EXPECT_EQ(CatalogueName(CatalogueIndexOfPosition(34)), "Aug: C4C4C");
    EXPECT_EQ(ListPosition(151), 148);
    EXPECT_EQ(CatalogueName(151), "TopoRad");
    EXPECT_EQ(ListPosition(34), 32); // a marker repeats the position before it
    EXPECT_EQ(ListPosition(134), 131); // after "Aug: B1O1O1C"
    EXPECT_EQ(ListPosition(135), 132);
    EXPECT_EQ(CatalogueName(17), "COO  (not a COOH)");
    EXPECT_EQ(CatalogueIndexOfPosition(0), -1);
    EXPECT_EQ(CatalogueIndexOfPosition(150), -1);
    EXPECT_EQ(CatalogueName(153), "");
}

TEST(Catalogue, IntroModeOffersOnlyTheGroupCounts)
{
    DescriptorChoice choice;
    choice.DescSelected.fill(true);
    EXPECT_TRUE(choice.TakesPart(151));
    choice.SetAvailability(DescriptorMode::Intro);
    EXPECT_TRUE(choice.TakesPart(32));
    EXPECT_TRUE(choice.DescAvailable[33]);
    EXPECT_FALSE(choice.TakesPart(35));
    EXPECT_FALSE(choice.TakesPart(139));
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
    EXPECT_EQ(bytes[0], 7);
    EXPECT_EQ(bytes[138], 9);
    EXPECT_EQ(bytes[139], 0);
    const std::uint8_t randic[8] = {0, 0, 0, 0, 0, 0, 0xF8, 0x3F};
    EXPECT_EQ(std::memcmp(&bytes[140], randic, 8), 0);
    EXPECT_EQ(bytes[155], 0xC0); // -2.0 = C000000000000000
    EXPECT_EQ(bytes[156], 255);
    EXPECT_EQ(bytes[157], 1);
    EXPECT_EQ(bytes[160], 4);
    EXPECT_EQ(bytes[171], 0x3F); // 0.25 = 3FD0000000000000
    EXPECT_EQ(bytes[170], 0xD0);
    const std::uint8_t rad[4] = {4, 3, 2, 1};
    EXPECT_EQ(std::memcmp(&bytes[172], rad, 4), 0);
    EXPECT_EQ(bytes[176], 0xFE);
    EXPECT_EQ(bytes[179], 0xFF);
    EXPECT_EQ(bytes[187], 0x3F);
    EXPECT_EQ(bytes[203], 0x40); // 4.0 = 4010000000000000
    EXPECT_EQ(bytes[204], 1);
    EXPECT_EQ(bytes[205], 0);
    EXPECT_EQ(bytes[206], 1);
    for (int b = 207; b < 260; ++b)
        EXPECT_EQ(bytes[b], 0) << b;

    EXPECT_EQ(DecodeDescriptorRecord(bytes.data()), record);
    const DescriptorRecord decoded = DecodeDescriptorRecord(bytes.data());
    EXPECT_EQ(RecordValue(decoded, 141), 255.0); // rings are read back unsigned
    EXPECT_EQ(RecordValue(decoded, 142), 1.0);
    EXPECT_EQ(RecordValue(decoded, 145), 4.0);
    EXPECT_EQ(RecordValue(decoded, 149), -2.0);
    EXPECT_EQ(RecordValue(decoded, 151), 0x01020304);
    EXPECT_EQ(RecordValue(decoded, 148), 4.0);
    EXPECT_EQ(RecordValue(decoded, 150), 0.25);
    EXPECT_EQ(RecordValue(decoded, 134), 0.0);
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
