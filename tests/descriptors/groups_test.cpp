// Functional-group, bond and atom-class counts on small structures, grouped by the kind of rule.
#include "descriptors/catalogue.h"
#include "descriptors/groups.h"
#include "molecules_support.h"

#include <gtest/gtest.h>

namespace velmora {
namespace {

using test::Smiles;

int Group(const std::string& smiles, const std::string& name)
{
    for (int i = 0; i <= 32; ++i)
        if (CatalogueName(i) == name)
            return CountGroup(Smiles(smiles), i);
    ADD_FAILURE() << "no group " << name;
    return -1;
}

TEST(BondCounts, AromaticTypeAgainstKekuleForm)
{
    EXPECT_EQ(Group("c1ccccc1", "Aromatic bonds"), 6);
    EXPECT_EQ(Group("c1ccccc1", "Bonds: single"), 0);
    EXPECT_EQ(Group("c1ccccc1", "Bonds: C-C single"), 0);
    EXPECT_EQ(Group("c1ccccc1", "Branching atoms"), 0);
    EXPECT_EQ(Group("C1=CC=CC=C1", "Aromatic bonds"), 0);
    EXPECT_EQ(Group("C1=CC=CC=C1", "Bonds: single"), 3);
    EXPECT_EQ(Group("C1=CC=CC=C1", "Bonds: C-C double"), 3);
    EXPECT_EQ(Group("C1=CC=CC=C1", "Bonds: double"), 3);
    EXPECT_EQ(Group("CC#N", "Bonds: triple"), 1);
    EXPECT_EQ(Group("CC#N", "Bonds: C-C triple"), 0);
    EXPECT_EQ(Group("CC#CC", "Bonds: C-C triple"), 1);
    EXPECT_EQ(Group("CC(C)(C)O", "Bonds: C-C single"), 3);
    EXPECT_EQ(Group("CC(C)(C)O", "Bonds: single"), 4);
    EXPECT_EQ(Group("CC(C)(C)O", "Branching atoms"), 1);
}

TEST(AromaticSubstituents, NeedTheAromaticBondType)
{
    EXPECT_EQ(Group("c1ccccc1Br", "Aromatic Br"), 1);
    EXPECT_EQ(Group("C1=CC=CC=C1Br", "Aromatic Br"), 0);
    EXPECT_EQ(Group("c1ccccc1Cl", "Aromatic Cl"), 1);
    EXPECT_EQ(Group("CCCl", "Aromatic Cl"), 0);
    EXPECT_EQ(Group("c1ccccc1O", "Aromatic OH"), 1);
    EXPECT_EQ(Group("c1ccccc1O", "OH"), 1);
    // A hydroxyl written with its hydrogen has two neighbours.
    EXPECT_EQ(Group("c1ccccc1O[H]", "Aromatic OH"), 0);
    EXPECT_EQ(Group("c1ccccc1O[H]", "OH"), 0);
    EXPECT_EQ(Group("c1ccccc1S(=O)(=O)O", "Aromatic SO3H"), 1);
    EXPECT_EQ(Group("c1ccccc1S(=O)(=O)O", "SO2"), 1);
    EXPECT_EQ(Group("c1ccccc1S(=O)(=O)O", "SO"), 0);
    EXPECT_EQ(Group("CS(=O)(=O)O", "Aromatic SO3H"), 0);
}

TEST(NitroGroups, BothFormsCountAndTheUnchargedSingleFormDoesNot)
{
    EXPECT_EQ(Group("c1ccccc1N(=O)=O", "NO2"), 1);
    EXPECT_EQ(Group("c1ccccc1N(=O)=O", "Aromatic NO2"), 1);
    EXPECT_EQ(Group("c1ccccc1[N+](=O)[O-]", "NO2"), 1);
    EXPECT_EQ(Group("c1ccccc1[N+](=O)[O-]", "Aromatic NO2"), 1);
    EXPECT_EQ(Group("c1ccccc1N(=O)O", "NO2"), 0);
    EXPECT_EQ(Group("c1ccccc1N(=O)O", "Aromatic NO2"), 0);
    // Kekulé ring: a nitro group, but not an aromatic one.
    EXPECT_EQ(Group("C1=CC=CC=C1N(=O)=O", "NO2"), 1);
    EXPECT_EQ(Group("C1=CC=CC=C1N(=O)=O", "Aromatic NO2"), 0);
    EXPECT_EQ(Group("c1ccccc1N=O", "NO"), 1);
}

TEST(CarbonylGroups, AcidsEstersAmidesAndAcylHalides)
{
    EXPECT_EQ(Group("CC(=O)O", "COOH"), 1);
    EXPECT_EQ(Group("CC(=O)O", "COO  (not a COOH)"), 0);
    EXPECT_EQ(Group("CC(=O)O", "CO"), 1);
    EXPECT_EQ(Group("CC(=O)O", "OH"), 1);
    EXPECT_EQ(Group("CC(=O)O", "CHO"), 0);
    EXPECT_EQ(Group("CC(=O)OC", "COO  (not a COOH)"), 1);
    EXPECT_EQ(Group("CC(=O)OC", "OCH3"), 1);
    EXPECT_EQ(Group("CC(=O)OC", "COOH"), 0);
    EXPECT_EQ(Group("CC=O", "CHO"), 1);
    EXPECT_EQ(Group("C=O", "CHO"), 1);
    EXPECT_EQ(Group("CC(=O)N", "CONR2"), 1);
    EXPECT_EQ(Group("CC(=O)N", "NH2"), 0);
    EXPECT_EQ(Group("NC(=O)N", "NCON"), 1);
    EXPECT_EQ(Group("NC(=O)N", "CONR2"), 0);
    EXPECT_EQ(Group("CC(=O)F", "COX"), 0);
    EXPECT_EQ(Group("CC(=O)F", "Halogen atoms"), 1);
    EXPECT_EQ(Group("CC(=O)Cl", "COX"), 1);
    EXPECT_EQ(Group("O=C(Cl)Br", "COX"), 1); // once per carbon
    EXPECT_EQ(Group("CC#N", "CN"), 1);
    EXPECT_EQ(Group("CS(=O)C", "SO"), 1);
}

TEST(NitrogenGroups, AminesAndHydrazines)
{
    EXPECT_EQ(Group("CN", "NH2"), 1);
    EXPECT_EQ(Group("CNC", "NHR"), 1);
    EXPECT_EQ(Group("CN(C)C", "NR2"), 1);
    EXPECT_EQ(Group("CC(=O)N(C)C", "NR2"), 0);
    EXPECT_EQ(Group("CC(=O)NC", "NHR"), 0);
    EXPECT_EQ(Group("c1ccccc1NN", "NNH2 or NNH"), 1);
    EXPECT_EQ(Group("c1ccccc1NN", "NHR"), 0);
    EXPECT_EQ(Group("c1ccccc1NN", "NH2"), 0);
    EXPECT_EQ(Group("CN=N", "NNH2 or NNH"), 1);
    EXPECT_EQ(Group("CN#N", "NNH2 or NNH"), 0);
    // Both tests hold for a nitrogen between two terminal nitrogens.
    EXPECT_EQ(Group("NNN", "NNH2 or NNH"), 2);
}

TEST(AtomClasses, HalogensHeteroatomsAndOutOfRangeIndices)
{
    EXPECT_EQ(Group("FC(Cl)(Br)I", "Halogen atoms"), 4);
    EXPECT_EQ(Group("[H]OC(=O)N", "Hetero atoms"), 3);
    const TCTab t = Smiles("CCO");
    EXPECT_EQ(CountGroup(t, 33), 0);
    EXPECT_EQ(CountGroup(t, -1), 0);
    EXPECT_EQ(CountGroup(TCTab{}, 32), 0);
}

} // namespace
} // namespace velmora
