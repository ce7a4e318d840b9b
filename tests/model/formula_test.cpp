// Molecular formulas with implied hydrogens, as the library viewer shows and prints them.
#include "model/formula.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace velmora {
namespace {

struct Bond {
    int a, b, type;
};

TCTab Graph(const std::vector<int>& elements, const std::vector<Bond>& bonds)
{
    TCTab table;
    for (int element : elements) {
        TAtomRecord atom;
        atom.AtNum = static_cast<std::uint8_t>(element);
        atom.AtWeight = static_cast<std::uint8_t>(element == 1 ? 1 : 2 * element);
        table.AddAtom(atom);
    }
    for (const auto& bond : bonds) {
        table.SetConnection(bond.a, bond.b, bond.type);
        table.SetConnection(bond.b, bond.a, bond.type);
    }
    return table;
}

TCTab Benzene()
{
    std::vector<Bond> ring;
    for (int i = 1; i <= 6; ++i)
        ring.push_back({i, i % 6 + 1, 4});
    return Graph({6, 6, 6, 6, 6, 6}, ring);
}

TEST(MolecularFormula, HydrogensOrderAndCounts)
{
    TCTab chargedAmine = Graph({6, 7}, {{1, 2, 1}});
    chargedAmine.SetCharge(2, 3); // a molfile charge field, taken as it is
    TCTab isotopes = Graph({6, 6, 17}, {{1, 2, 1}, {2, 3, 1}});
    isotopes.MutableAtom(1).AtWeight = 13;
    struct Case {
        const char* what;
        TCTab table;
        const char* formula;
    };
    const std::vector<Case> cases = {
        {"ethanol", Graph({6, 6, 8}, {{1, 2, 1}, {2, 3, 1}}), "C2H6O1"},
        {"benzene with aromatic bonds", Benzene(), "C6H6"},
        {"methylamine", Graph({6, 7}, {{1, 2, 1}}), "C1H5N1"},
        {"charge field 3", chargedAmine, "C1H8N1"},
        // An explicit hydrogen counts once, through its neighbour; a lone one not at all.
        {"explicit hydroxyl hydrogen", Graph({6, 8, 1}, {{1, 2, 1}, {2, 3, 1}}), "C1H4O1"},
        {"lone hydrogen", Graph({6, 1}, {}), "C1H4"},
        // The nitrile nitrogen gives -1, taking back the carbon's one free valence.
        {"cyanide fragment", Graph({6, 7}, {{1, 2, 3}}), "C1N1"},
        {"acetonitrile", Graph({6, 6, 7}, {{1, 2, 1}, {2, 3, 3}}), "C2H3N1"},
        // Formula order first, then the others as they appear; no valence for Na.
        {"order", Graph({11, 17, 16, 8, 7, 6}, {{3, 4, 2}}), "C1H8N1O1S1Cl1Na1"},
        {"mass numbers make entries", isotopes, "C1C1H5Cl1"},
        {"empty", TCTab(), ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(MolecularFormula(c.table), c.formula);
    }
}

TEST(MolecularFormula, TwentyEntriesAtMost)
{
    // Elements without a valence, so no hydrogen entry.
    std::vector<int> elements;
    for (int z = 60; z <= 79; ++z)
        elements.push_back(z);
    EXPECT_EQ(MolecularFormula(Graph(elements, {})).substr(0, 6), "Nd1Pm1");
    elements.push_back(80);
    EXPECT_EQ(MolecularFormula(Graph(elements, {})), "");
    // Hydrogen takes an entry of its own.
    elements.pop_back();
    elements[0] = 6;
    EXPECT_EQ(MolecularFormula(Graph(elements, {})), "");
}

TEST(MolecularFormula, AttachedHydrogensOfSaturatedAtoms)
{
    // Pentavalent-looking nitrogen (nitro group drawn with two double bonds) keeps only its
    // explicit hydrogens; a saturated carbon with two explicit hydrogens counts them.
    const TCTab nitro = Graph({6, 7, 8, 8}, {{1, 2, 1}, {2, 3, 2}, {2, 4, 2}});
    EXPECT_EQ(AttachedHydrogens(nitro, 2), 0);
    EXPECT_EQ(AttachedHydrogens(nitro, 1), 3);
    const TCTab methane = Graph({6, 1, 1, 1, 1, 1}, {{1, 2, 1}, {1, 3, 1}, {1, 4, 1}, {1, 5, 1}, {1, 6, 1}});
    EXPECT_EQ(AttachedHydrogens(methane, 1), 5);
}

} // namespace
} // namespace velmora
