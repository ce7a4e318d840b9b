// The ring and shortest-path searches: hand-checked structures, the cages and sheets that an
// unbounded search cannot finish, and a differential comparison with the literal searches.
#include "descriptors/rings.h"
#include "descriptors/topology.h"
#include "literal_support.h"
#include "molecules_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <set>
#include <sstream>
#include <vector>

namespace velmora {
namespace {

using test::Smiles;

std::vector<int> Atoms(const RingEntry& ring) { return {ring.atoms.begin(), ring.atoms.begin() + ring.size}; }

std::vector<int> Atoms(const Path& path) { return {path.atoms.begin(), path.atoms.begin() + path.length}; }

std::multiset<int> SizesOf(const RingList& list)
{
    std::multiset<int> sizes;
    for (int r = 0; r < list.count; ++r)
        sizes.insert(list.rings[r].size);
    return sizes;
}

TEST(RingSearch, SmallestRingsThroughAnAtomComeInSlotOrderOnce)
{
    const TCTab cyclohexane = Smiles("C1CCCCC1");
    RingList list;
    ASSERT_EQ(RingsThroughAtom(cyclohexane, 1, list), 1);
    // Atom 1 lists atom 2 first, so the ring is written in that direction; the reverse is the same
    // atom set and is not added again.
    EXPECT_EQ(Atoms(list.rings[0]), (std::vector<int>{1, 2, 3, 4, 5, 6}));

    // Naphthalene's fusion atom lies in both six-rings and in the ten-ring around them.
    const TCTab naphthalene = Smiles("c1ccc2ccccc2c1");
    ASSERT_EQ(RingsThroughAtom(naphthalene, 4, list), 2);
    EXPECT_EQ(SizesOf(list), (std::multiset<int>{6, 6}));
    for (int atom : {0, 11})
        EXPECT_EQ(RingsThroughAtom(naphthalene, atom, list), 0) << atom;
    EXPECT_EQ(RingsThroughAtom(Smiles("CCO"), 2, list), 0);
}

TEST(RingSearch, RingSetKeepsSmallestRingsNotEnvelopes)
{
    const RingList naphthalene = RingSet(Smiles("c1ccc2ccccc2c1"));
    EXPECT_EQ(SizesOf(naphthalene), (std::multiset<int>{6, 6}));

    const RingList bicyclobutane = RingSet(Smiles("C1C2C1C2"));
    EXPECT_EQ(SizesOf(bicyclobutane), (std::multiset<int>{3, 3}));

    // Norbornane: the two five-rings; the six-ring around them is found by no atom as smallest.
    EXPECT_EQ(SizesOf(RingSet(Smiles("C1CC2CCC1C2"))), (std::multiset<int>{5, 5}));

    // Spiro and separate fragments: each ring once.
    EXPECT_EQ(SizesOf(RingSet(Smiles("C1CC12CCCC2"))), (std::multiset<int>{3, 5}));
    TCTab twoRings = Smiles("C1CCC1");
    EXPECT_EQ(SizesOf(RingSet(twoRings)), (std::multiset<int>{4}));
    EXPECT_EQ(RingSet(Smiles("CCCC")).count, 0);
    EXPECT_EQ(RingSet(TCTab{}).count, 0);
}

TEST(RingSearch, CagesAndSheetsFinish)
{
    // Every atom of a fullerene lies in one five-ring, its smallest; the six-rings are never the
    // smallest ring of any atom.
    EXPECT_EQ(SizesOf(RingSet(test::Fullerene60(true))), (std::multiset<int>(std::multiset<int>{5, 5, 5, 5, 5, 5, 5, 5, 5, 5, 5, 5})));
    EXPECT_EQ(SizesOf(RingSet(test::Dodecahedrane(true))), (std::multiset<int>{5, 5, 5, 5, 5, 5, 5, 5, 5, 5, 5, 5}));
    const RingList sheet = RingSet(test::FusedSheet63());
    EXPECT_EQ(std::make_pair(sheet.count, CountRingsOfSize(sheet, 6)), std::make_pair(21, 21));
    EXPECT_EQ(CyclomaticNumber(test::FusedSheet63()), 21);
    EXPECT_EQ(RingSet(test::Chain63()).count, 0);
    EXPECT_EQ(CountRingsOfSize(RingSet(test::TenNeighbourHub()), 3), 10);

    // The long ring through atom 1 shares its block with a sheet the search must not wander in.
    const TCTab macrocycle = test::MacrocycleWithSheet();
    RingList through;
    ASSERT_EQ(RingsThroughAtom(macrocycle, 1, through), 1);
    EXPECT_EQ(through.rings[0].size, 28);
    EXPECT_EQ(CountRingsOfSize(RingSet(macrocycle), 6), 10);

    Path path;
    const TCTab c60 = test::Fullerene60(true);
    EXPECT_EQ(ShortestPath(c60, 61, 1, path), 1);
    const RadiusDiameter c60Extent = TopoRadiusDiameter(test::Fullerene60(false));
    // The graph diameter of the truncated icosahedron is 9.
    EXPECT_EQ(std::make_pair(c60Extent.radius, c60Extent.diameter), std::make_pair(9, 9));
    EXPECT_EQ(TopoRadiusDiameter(test::Dodecahedrane(false)).diameter, 5);
    const RadiusDiameter chain = TopoRadiusDiameter(test::Chain63());
    EXPECT_EQ(std::make_pair(chain.radius, chain.diameter), std::make_pair(31, 62));
}

TEST(ShortestPathSearch, TiesGoToTheLastPathInSlotOrder)
{
    // A four-ring 1-2-3-4 with 1 listing 2 before 4: both ways to 3 are two bonds long; the search
    // finds 1-2-3 first, so 1-4-3 is returned.
    const TCTab square = test::Graph({6, 6, 6, 6}, {{1, 2, 1}, {2, 3, 1}, {3, 4, 1}, {4, 1, 1}});
    Path path;
    EXPECT_EQ(ShortestPath(square, 1, 3, path), 2);
    EXPECT_EQ(Atoms(path), (std::vector<int>{1, 4, 3}));
    EXPECT_EQ(ShortestPath(square, 3, 1, path), 2);
    EXPECT_EQ(Atoms(path), (std::vector<int>{3, 4, 1}));

    EXPECT_EQ(ShortestPath(square, 2, 2, path), 0);
    EXPECT_EQ(Atoms(path), (std::vector<int>{2}));
    const TCTab apart = test::Graph({6, 6}, {});
    EXPECT_EQ(ShortestPath(apart, 1, 2, path), 0);
    EXPECT_EQ(Atoms(path), (std::vector<int>{2}));
}

// Random structures: rings, fused and bridged systems, several fragments, an atom with ten
// neighbours, all four bond types, bonds entered in random order so slot orders vary.
TCTab RandomStructure(std::mt19937& rng)
{
    auto uniform = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
    std::set<std::pair<int, int>> edges;
    int n = 0;
    auto addEdge = [&](int a, int b) {
        if (a != b)
            edges.insert({std::min(a, b), std::max(a, b)});
    };
    const int kind = uniform(0, 3);
    if (kind == 0) { // ring systems: a ring, then fused or bridging paths between existing atoms
        n = uniform(3, 7);
        for (int i = 1; i <= n; ++i)
            addEdge(i, i % n + 1);
        for (int extra = uniform(0, 3); extra > 0 && n < 14; --extra) {
            const int a = uniform(1, n), b = uniform(1, n);
            int prev = a;
            for (int len = uniform(0, 3); len > 0 && n < 14; --len) {
                addEdge(prev, ++n);
                prev = n;
            }
            addEdge(prev, b);
        }
    } else if (kind == 1) { // sparse random graphs, often in several fragments
        n = uniform(2, 12);
        for (int m = uniform(0, n + 4); m > 0; --m)
            addEdge(uniform(1, n), uniform(1, n));
    } else if (kind == 2) { // an atom with ten neighbours and bonds among them
        n = 11;
        for (int i = 2; i <= 11; ++i)
            addEdge(1, i);
        for (int m = uniform(0, 6); m > 0; --m)
            addEdge(uniform(2, 11), uniform(2, 11));
    } else { // two small ring systems side by side, bridged or not
        n = uniform(6, 12);
        const int half = n / 2;
        for (int i = 1; i <= half; ++i)
            addEdge(i, i % half + 1);
        for (int i = half + 1; i <= n; ++i)
            addEdge(i, i == n ? half + 1 : i + 1);
        for (int m = uniform(0, 3); m > 0; --m)
            addEdge(uniform(1, n), uniform(1, n));
    }
    std::vector<std::pair<int, int>> order(edges.begin(), edges.end());
    std::shuffle(order.begin(), order.end(), rng);
    std::vector<int> atNums(n, 6);
    for (int& z : atNums)
        z = uniform(0, 4) == 0 ? 7 : 6;
    std::vector<test::Bond> bonds;
    std::vector<int> degree(n + 1, 0);
    for (auto [a, b] : order) {
        if (degree[a] == kMaxNeighbours || degree[b] == kMaxNeighbours)
            continue;
        ++degree[a];
        ++degree[b];
        if (uniform(0, 1))
            std::swap(a, b);
        bonds.push_back({a, b, uniform(1, 4)});
    }
    return test::Graph(atNums, bonds);
}

std::string Describe(const TCTab& t)
{
    std::ostringstream text;
    for (int a = 1; a <= t.NumValidAtoms; ++a) {
        text << a << ":";
        for (int k = 1; k <= t.NumNeighbours(a); ++k)
            text << " " << t.ConnTo(a, k) << "/" << t.TypConn(a, k);
        text << ";";
    }
    return text.str();
}

void ExpectSameRings(const RingList& expected, const RingList& actual, const std::string& context)
{
    ASSERT_EQ(expected.count, actual.count) << context;
    for (int r = 0; r < expected.count; ++r)
        EXPECT_EQ(Atoms(expected.rings[r]), Atoms(actual.rings[r])) << context << " ring " << r;
}

// Compares every search result of the fast searches with the literal ones on one structure.
void CompareWithLiteral(const TCTab& original, const std::string& context)
{
    TCTab scratch = original;
    RingList fast, literal;
    for (int a = 1; a <= original.NumValidAtoms; ++a) {
        RingsThroughAtom(original, a, fast);
        test::LiteralRingsThroughAtom(scratch, a, literal);
        ExpectSameRings(literal, fast, context + " atom " + std::to_string(a));
    }
    ExpectSameRings(test::LiteralRingSet(scratch), RingSet(original), context + " ring set");
    const int n = original.NumValidAtoms;
    const std::vector<Path> literalPaths = test::LiteralPaths(scratch);
    Path fastPath;
    for (int i = 1; i <= n; ++i)
        for (int j = 1; j <= n; ++j) {
            const Path& literalPath = literalPaths[i * (n + 1) + j];
            ASSERT_EQ(ShortestPath(original, i, j, fastPath), literalPath.length == 1 ? 0 : literalPath.length - 1)
                << context;
            ASSERT_EQ(Atoms(literalPath), Atoms(fastPath)) << context << " path " << i << "-" << j;
        }
    const RadiusDiameter expected = test::LiteralTopoRadiusDiameter(original, literalPaths);
    const RadiusDiameter actual = TopoRadiusDiameter(original);
    EXPECT_EQ(expected.radius, actual.radius) << context;
    EXPECT_EQ(expected.diameter, actual.diameter) << context;
    EXPECT_EQ(test::LiteralBalabanJ(original, literalPaths), BalabanJ(original)) << context;
    // The literal searches leave their marks cleared.
    for (int a = 1; a <= scratch.NumValidAtoms; ++a)
        ASSERT_EQ(scratch.AtFlag(a), 0);
}

TEST(LiteralRingSearches, RandomStructuresMatchTheLiteralSearches)
{
    std::mt19937 rng(20261206);
    for (int trial = 0; trial < 3000; ++trial) {
        const TCTab t = RandomStructure(rng);
        CompareWithLiteral(t, "trial " + std::to_string(trial) + " " + Describe(t));
        if (HasFatalFailure() || HasFailure())
            return;
    }
}

TEST(LiteralRingSearches, EveryTestStructureMatchesTheLiteralSearches)
{
    for (const std::string& file : test::DataSdFiles()) {
        const auto structures = test::ReadStructures(file);
        ASSERT_FALSE(structures.empty()) << file;
        for (std::size_t s = 0; s < structures.size(); ++s) {
            CompareWithLiteral(structures[s], file + " record " + std::to_string(s + 1));
            if (HasFailure())
                return;
        }
    }
}

} // namespace
} // namespace velmora
