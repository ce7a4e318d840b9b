// Augmented-atom codes: the table derived from the names against codes worked out by hand from
// the encoding rules, and the counting on small structures.
#include "descriptors/augatoms.h"
#include "descriptors/catalogue.h"
#include "molecules_support.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <set>

namespace velmora {
namespace {

using test::Smiles;

int Count(const TCTab& t, const std::string& name) { return CountAugAtoms(t, test::DescriptorIndex(name)); }

TEST(AugCodes, DerivedCodesEqualHandEncodedOnes)
{
    // Positions: H 1, B 2, C 3, N 4, O 5, F 6, Si 7, Cl 10; neighbour code (type AND 3) + 4 x position.
    const std::pair<const char*, std::uint32_t> expected[] = {
        {"Aug: C2O1O1C", 0xD5563},    // 3 + 22<<4 + 21<<10 + 13<<16
        {"Aug: C4C4C", 0x30C3},       // 3 + 12<<4 + 12<<10
        {"Aug: C1C", 0xD3},           // 3 + 13<<4
        {"Aug: C1O", 0x153},          // 3 + 21<<4
        {"Aug: O2C", 0xE5},           // 5 + 14<<4
        {"Aug: N3C", 0xF4},           // 4 + 15<<4
        {"Aug: C1C4C4C", 0xC30D3},    // 3 + 13<<4 + 12<<10 + 12<<16
        {"Aug: Si1O1C1C1C", 0x34D3557}, // 7 + 21<<4 + 13<<10 + 13<<16 + 13<<22
        {"Aug: C1F1F1F1C", 0x3596593},  // 3 + 25<<4 + 25<<10 + 25<<16 + 13<<22
        {"Aug: B1O1O1C", 0xD5552},    // 2 + 21<<4 + 21<<10 + 13<<16
        {"Aug: C1Cl4C4C", 0xC3293},   // 3 + 41<<4 + 12<<10 + 12<<16
        {"Aug: C1N4N4N", 0x104113},   // 3 + 17<<4 + 16<<10 + 16<<16
    };
    for (const auto& [name, code] : expected) {
        const int index = test::DescriptorIndex(name);
        ASSERT_GE(index, kFirstAugIndex) << name;
        EXPECT_EQ(DescriptorCode(index), code) << name;
    }
    EXPECT_EQ(DescriptorCode(34) | DescriptorCode(134), 0u);
    for (const char* name : {"Aug: C1Se", "Aug: C1C1C1C1C1C", "Aug C1C"})
        EXPECT_EQ(EncodeAugName(name), 0u) << name;
}

TEST(AugCodes, EveryNameListsItsNeighboursInDescendingCodeOrder)
{
    std::set<std::uint32_t> seen;
    for (int i = kFirstAugIndex; i <= kLastAugIndex; ++i) {
        const std::uint32_t code = DescriptorCode(i);
        ASSERT_NE(code, 0u) << CatalogueName(i);
        EXPECT_TRUE(seen.insert(code).second) << "duplicate code " << CatalogueName(i);
        std::uint32_t previous = 64;
        for (int j = 1; j <= 4; ++j) {
            const std::uint32_t field = (code >> (6 * j - 2)) & 63;
            EXPECT_LE(field, previous) << CatalogueName(i);
            previous = field;
        }
    }
    EXPECT_EQ(seen.size(), 99u);
}

TEST(AugCounting, NeighbourOrderDoesNotMatter)
{
    // The carboxyl carbon stored as (C, =O, O) and as (O, C, =O).
    const TCTab first = Smiles("CC(=O)O");
    const TCTab second = Smiles("OC(C)=O");
    EXPECT_EQ(AugCode(first, 2), 0xD5563);
    EXPECT_EQ(AugCode(second, 2), 0xD5563);
    EXPECT_EQ(Count(first, "Aug: C2O1O1C"), 1);
    EXPECT_EQ(Count(second, "Aug: C2O1O1C"), 1);
    EXPECT_EQ(Count(first, "Aug: O2C"), 1);
    EXPECT_EQ(Count(first, "Aug: O1C"), 1);
}

TEST(AugCounting, AromaticAndKekuleBenzeneAndToluene)
{
    const TCTab aromatic = Smiles("c1ccccc1");
    const TCTab kekule = Smiles("C1=CC=CC=C1");
    EXPECT_EQ(Count(aromatic, "Aug: C4C4C"), 6);
    EXPECT_EQ(Count(aromatic, "Aug: C2C1C"), 0);
    EXPECT_EQ(Count(kekule, "Aug: C2C1C"), 6);
    EXPECT_EQ(Count(kekule, "Aug: C4C4C"), 0);

    const TCTab toluene = Smiles("Cc1ccccc1");
    EXPECT_EQ(Count(toluene, "Aug: C1C4C4C"), 1);
    EXPECT_EQ(Count(toluene, "Aug: C4C4C"), 5);
    EXPECT_EQ(Count(toluene, "Aug: C1C"), 1);

    std::array<int, kAugDescriptorCount> all{};
    CountAllAugAtoms(toluene, all);
    for (int i = kFirstAugIndex; i <= kLastAugIndex; ++i)
        EXPECT_EQ(all[i - kFirstAugIndex], CountAugAtoms(toluene, i)) << CatalogueName(i);
}

TEST(AugCounting, AtomsOutsideTheListAndCrowdedAtomsNeverMatch)
{
    // A carbon with five neighbours.
    const TCTab crowded = Smiles("CC(C)(C)(C)C");
    EXPECT_EQ(AugCode(crowded, 2), kAugTooManyNeighbours);
    // Selenium is not in the list: neither it nor its neighbour has a code.
    const TCTab selenide = Smiles("C[Se]C");
    EXPECT_EQ(AugCode(selenide, 1), kAugElementMissing);
    EXPECT_EQ(AugCode(selenide, 2), kAugElementMissing);
    EXPECT_EQ(Count(selenide, "Aug: C1C"), 0);
    // An isolated carbon has the code of its element position alone.
    EXPECT_EQ(AugCode(Smiles("C"), 1), 3);
    EXPECT_EQ(AugCode(Smiles("C"), 2), kAugElementMissing);

    // tert-Butanol's central carbon.
    EXPECT_EQ(CountAugAtoms(Smiles("CC(C)(C)O"), 69), 1);
    EXPECT_EQ(CatalogueName(69), "Aug: C1O1C1C1C");

    // Explicit hydrogens are neighbours: methanol written with them matches no carbon entry.
    const TCTab explicitH = Smiles("[H]C([H])([H])O[H]");
    EXPECT_EQ(Count(explicitH, "Aug: C1O"), 0);
    EXPECT_EQ(Count(Smiles("CO"), "Aug: C1O"), 1);
    EXPECT_EQ(Count(Smiles("CO"), "Aug: O1C"), 1);
    EXPECT_EQ(CountAugAtoms(Smiles("CO"), 20), 0);
}

} // namespace
} // namespace velmora
