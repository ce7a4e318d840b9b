// Functional-group, bond and atom-class counts on small structures, grouped by the kind of rule.
#include "descriptors/catalogue.h"
#include "descriptors/groups.h"
#include "molecules_support.h"

#include <gtest/gtest.h>

namespace velmora {
namespace {

using test::Smiles;

struct GroupCase {
    const char* smiles;
    std::vector<std::pair<const char*, int>> counts; // group name, expected count
};

void ExpectCounts(const std::vector<GroupCase>& cases)
{
    for (const auto& c : cases) {
        const TCTab t = Smiles(c.smiles);
        for (const auto& [name, count] : c.counts) {
            int index = 0;
            while (index <= 32 && CatalogueName(index) != name)
                ++index;
            ASSERT_LE(index, 32) << "no group " << name;
            EXPECT_EQ(CountGroup(t, index), count) << c.smiles << " " << name;
        }
    }
}

TEST(BondCounts, AromaticTypeAgainstKekuleForm)
{
    ExpectCounts({
        {"c1ccccc1", {{"Aromatic bonds", 6}, {"Bonds: single", 0}, {"Bonds: C-C single", 0}, {"Branching atoms", 0}}},
        {"C1=CC=CC=C1", {{"Aromatic bonds", 0}, {"Bonds: single", 3}, {"Bonds: C-C double", 3}, {"Bonds: double", 3}}},
        {"CC#N", {{"Bonds: triple", 1}, {"Bonds: C-C triple", 0}}},
        {"CC#CC", {{"Bonds: C-C triple", 1}}},
        {"CC(C)(C)O", {{"Bonds: C-C single", 3}, {"Bonds: single", 4}, {"Branching atoms", 1}}},
    });
}

TEST(AromaticSubstituents, NeedTheAromaticBondType)
{
    ExpectCounts({
        {"c1ccccc1Br", {{"Aromatic Br", 1}}},
        {"C1=CC=CC=C1Br", {{"Aromatic Br", 0}}},
        {"c1ccccc1Cl", {{"Aromatic Cl", 1}}},
        {"CCCl", {{"Aromatic Cl", 0}}},
        {"c1ccccc1O", {{"Aromatic OH", 1}, {"OH", 1}}},
        // A hydroxyl written with its hydrogen has two neighbours.
        {"c1ccccc1O[H]", {{"Aromatic OH", 0}, {"OH", 0}}},
        {"c1ccccc1S(=O)(=O)O", {{"Aromatic SO3H", 1}, {"SO2", 1}, {"SO", 0}}},
        {"CS(=O)(=O)O", {{"Aromatic SO3H", 0}}},
    });
}

TEST(NitroGroups, BothFormsCountAndTheUnchargedSingleFormDoesNot)
{
    ExpectCounts({
        {"c1ccccc1N(=O)=O", {{"NO2", 1}, {"Aromatic NO2", 1}}},
        {"c1ccccc1[N+](=O)[O-]", {{"NO2", 1}, {"Aromatic NO2", 1}}},
        {"c1ccccc1N(=O)O", {{"NO2", 0}, {"Aromatic NO2", 0}}},
        // Kekulé ring: a nitro group, but not an aromatic one.
        {"C1=CC=CC=C1N(=O)=O", {{"NO2", 1}, {"Aromatic NO2", 0}}},
        {"c1ccccc1N=O", {{"NO", 1}}},
    });
}

TEST(CarbonylGroups, AcidsEstersAmidesAndAcylHalides)
{
    ExpectCounts({
        {"CC(=O)O", {{"COOH", 1}, {"COO  (not a COOH)", 0}, {"CO", 1}, {"OH", 1}, {"CHO", 0}}},
        {"CC(=O)OC", {{"COO  (not a COOH)", 1}, {"OCH3", 1}, {"COOH", 0}}},
        {"CC=O", {{"CHO", 1}}},
        {"C=O", {{"CHO", 1}}},
        {"CC(=O)N", {{"CONR2", 1}, {"NH2", 0}}},
        {"NC(=O)N", {{"NCON", 1}, {"CONR2", 0}}},
        {"CC(=O)F", {{"COX", 0}, {"Halogen atoms", 1}}},
        {"CC(=O)Cl", {{"COX", 1}}},
        {"O=C(Cl)Br", {{"COX", 1}}}, // once per carbon
        {"CC#N", {{"CN", 1}}},
        {"CS(=O)C", {{"SO", 1}}},
    });
}

TEST(NitrogenGroups, AminesAndHydrazines)
{
    ExpectCounts({
        {"CN", {{"NH2", 1}}},
        {"CNC", {{"NHR", 1}}},
        {"CN(C)C", {{"NR2", 1}}},
        {"CC(=O)N(C)C", {{"NR2", 0}}},
        {"CC(=O)NC", {{"NHR", 0}}},
        {"c1ccccc1NN", {{"NNH2 or NNH", 1}, {"NHR", 0}, {"NH2", 0}}},
        {"CN=N", {{"NNH2 or NNH", 1}}},
        {"CN#N", {{"NNH2 or NNH", 0}}},
        // Both tests hold for a nitrogen between two terminal nitrogens.
        {"NNN", {{"NNH2 or NNH", 2}}},
    });
}

TEST(AtomClasses, HalogensHeteroatomsAndOutOfRangeIndices)
{
    ExpectCounts({{"FC(Cl)(Br)I", {{"Halogen atoms", 4}}}, {"[H]OC(=O)N", {{"Hetero atoms", 3}}}});
    const TCTab t = Smiles("CCO");
    EXPECT_EQ(CountGroup(t, 33), 0);
    EXPECT_EQ(CountGroup(t, -1), 0);
    EXPECT_EQ(CountGroup(TCTab{}, 32), 0);
}

TEST(AllGroups, OnePassAgreesWithEachCountAlone)
{
    // Every test structure, charged and aromatic ones among them, plus hand-made rarities.
    std::vector<TCTab> tables;
    for (const std::string& file : test::DataSdFiles())
        for (const TCTab& t : test::ReadStructures(file))
            tables.push_back(t);
    for (const char* smiles : {"BrC1=CC=CC=C1", "ClC(=O)CC", "NNC(=O)N", "OS(=O)(=O)C1=CC=CC=C1", "[O-][N+](=O)C",
                               "NC(=O)NC", "C#N", "ICCF", "CS(=O)C", "COC(=O)C"})
        tables.push_back(Smiles(smiles));
    std::array<std::int32_t, kGroupCount> all{};
    for (std::size_t s = 0; s < tables.size(); ++s) {
        CountAllGroups(tables[s], all);
        for (int index = 0; index < kGroupCount; ++index)
            ASSERT_EQ(all[static_cast<std::size_t>(index)], CountGroup(tables[s], index))
                << "structure " << s << " group " << CatalogueName(index);
    }
}

} // namespace
} // namespace velmora
