// Connectivity, ring-count, distance and matrix indices, and the numeric unit under them.
#include "descriptors/catalogue.h"
#include "descriptors/graph.h"
#include "descriptors/matrix.h"
#include "descriptors/rings.h"
#include "descriptors/topology.h"
#include "literal_support.h"
#include "model/elements.h"
#include "molecules_support.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

namespace velmora {
namespace {

using test::Smiles;

// The Xu indices as first written: each D_k filled as a dense matrix, M M^T formed from it and
// each largest eigenvalue found alone. The fast form must give the same bits.
std::array<double, 3> DenseXuIndices(const TCTab& table)
{
    DistanceMatrix distances;
    ComputeDistances(table, distances);
    const AdjacencyGraph g(table);
    const int n = g.n;
    std::array<double, 3> result{};
    if (n == 0)
        return result;
    std::vector<double> s(n + 1), t(n + 1), base(n * n), pair(n * n), product(n * n);
    for (int i = 1; i <= n; ++i) {
        s[i] = std::sqrt(static_cast<double>(g.degree[i]));
        t[i] = std::sqrt(SizeParameter(table.AtNum(i)));
    }
    for (int a = 0; a < n; ++a)
        for (int b = 0; b <= a; ++b)
            base[a * n + b] = s[a + 1] * s[b + 1] + t[a + 1] * t[b + 1];
    for (int k = 1; k <= 3; ++k) {
        std::fill(pair.begin(), pair.end(), 0.0);
        auto set = [&](int a, int b, double value) { pair[(a - 1) * n + (b - 1)] = pair[(b - 1) * n + (a - 1)] = value; };
        for (int a = 1; a <= n; ++a) {
            for (int p = 0; p < g.degree[a]; ++p) {
                if (k == 1 && g.neighbour[a][p] != 0)
                    set(a, g.neighbour[a][p], 1.0);
                for (int q = p + 1; k == 2 && q < g.degree[a]; ++q)
                    if (g.neighbour[a][p] != 0 && g.neighbour[a][q] != 0)
                        set(g.neighbour[a][p], g.neighbour[a][q], 2.0);
            }
            for (int b = a + 1; k == 3 && b <= n; ++b)
                if (distances.Distance(a, b) == 3)
                    set(a, b, 3.0);
        }
        product = base;
        // Terms in the order of c, as the fast form adds them.
        for (int c = 0; c < n; ++c)
            for (int a = 0; a < n; ++a)
                for (int b = 0; b <= a; ++b)
                    if (pair[a * n + c] != 0.0 && pair[c * n + b] != 0.0)
                        product[a * n + b] += pair[a * n + c] * pair[c * n + b];
        result[k - 1] = 0.5 * LargestSymmetricEigenvalue(product.data(), n);
    }
    return result;
}

// Topological radius and diameter.
std::pair<int, int> Extent(const TCTab& t)
{
    const RadiusDiameter extent = TopoRadiusDiameter(t);
    return {extent.radius, extent.diameter};
}

TEST(SmallStructures, CyclohexaneSingleAtomEthaneAndTwoLooseAtoms)
{
    const TCTab cyclohexane = Smiles("C1CCCCC1");
    EXPECT_EQ(CyclomaticNumber(cyclohexane), 1);
    EXPECT_EQ(DescriptorValue(cyclohexane, 145), 1.0);
    EXPECT_DOUBLE_EQ(RandicIndex(cyclohexane), 3.0);
    EXPECT_EQ(Extent(cyclohexane), std::make_pair(3, 3));

    const TCTab atom = Smiles("C");
    EXPECT_EQ(RandicIndex(atom), 0.0);
    EXPECT_EQ(Extent(atom), std::make_pair(0, 0));
    EXPECT_EQ(BalabanJ(atom), 0.0);
    EXPECT_EQ(CyclomaticNumber(atom), 0);

    EXPECT_EQ(BalabanJ(Smiles("CC")), 1.0);
    EXPECT_DOUBLE_EQ(RandicZIndex(Smiles("CC")), 6.0);
    EXPECT_NEAR(RandicZIndex(Smiles("CCO")), 26.0 / (2.0 * std::sqrt(2.0)), 1e-14);

    const TCTab loose = Smiles("C.C");
    EXPECT_EQ(CyclomaticNumber(loose), -1);
    EXPECT_EQ(Extent(loose), std::make_pair(0, 0));
    EXPECT_EQ(BalabanJ(loose), 0.0);

    // Components are measured separately: propane and a lone atom.
    EXPECT_EQ(Extent(Smiles("CCC.C")), std::make_pair(0, 2));
}

TEST(BalabanJ, BondWeightsFollowTheBondTypes)
{
    // Aromatic benzene: every bond weighs 2/3, S(i) = 9 x 2/3, J = (6 / 2) x 6 / 6.
    const double aromatic = BalabanJ(Smiles("c1ccccc1"));
    EXPECT_NEAR(aromatic, 3.0, 1e-13);
    // Kekulé benzene: to the opposite atom both paths are three bonds long, and the one leaving by
    // the higher slot is taken: 1 + 1/2 + 1 = 2.5 when that slot holds the single bond, else 2.0.
    // Atoms 1, 2, 4, 6 list their single-bond neighbour last (S = 7), atoms 3 and 5 their
    // double-bond neighbour (S = 6.5).
    const double kekule = BalabanJ(Smiles("C1=CC=CC=C1"));
    EXPECT_NEAR(kekule, 3.0 * (2.0 / 7.0 + 4.0 / std::sqrt(45.5)), 1e-13);
    EXPECT_EQ(BalabanJ(Smiles("C=C")), 2.0); // S = 0.5 each: 1 / 0.5

    // A damaged record naming an atom beyond the structure: that entry adds nothing.
    TCTab damaged = Smiles("CCO");
    damaged.MutableAtom(3).ConnTo[1] = 40;
    damaged.MutableAtom(3).TypConn[1] = 1;
    EXPECT_EQ(BalabanJ(damaged), BalabanJ(Smiles("CCO")));
}

TEST(XuIndices, HandValuesForEthane)
{
    // M M^T = [[2 + c, 1 + c], [1 + c, 2 + c]] for k = 1 with c = SizeParameter(C); the largest
    // eigenvalue is 3 + 2c. For k = 2 and 3 there are no pairs: 2 + 2c.
    const double c = SizeParameter(6);
    const auto xu = XuIndices(Smiles("CC"));
    EXPECT_NEAR(xu[0], 0.5 * (3 + 2 * c), 1e-14);
    for (int k : {1, 2})
        EXPECT_NEAR(xu[k], 0.5 * (2 + 2 * c), 1e-14);
    EXPECT_EQ(XuIndices(TCTab{}), (std::array<double, 3>{0, 0, 0}));
}

TEST(XuIndices, EigenvalueFormAgreesWithTheSingularValueDecomposition)
{
    for (const std::string& file : {std::string("nci1000.sdf"), std::string("cdk2.sdf")}) {
        int checked = 0;
        for (const TCTab& t : test::ReadStructures(file)) {
            if (++checked > 300)
                break;
            TCTab scratch = t;
            const auto expected = test::SvdXuIndices(scratch);
            const auto actual = XuIndices(t);
            for (int k = 0; k < 3; ++k)
                ASSERT_NEAR(actual[k], expected[k], 1e-12 * std::max(1.0, expected[k]))
                    << file << " " << t.FStrucName << " k=" << k + 1;
        }
    }
    // The cages and sheets as well.
    for (TCTab t : {test::Fullerene60(true), test::FusedSheet63(), test::TenNeighbourHub()}) {
        const auto actual = XuIndices(t);
        const auto expected = test::SvdXuIndices(t);
        for (int k = 0; k < 3; ++k)
            EXPECT_NEAR(actual[k], expected[k], 1e-12 * expected[k]);
    }
}

TEST(NumericUnit, SingularValuesOfKnownMatrices)
{
    TMatrix a(2, 2);
    a.Set(1, 1, 3);
    a.Set(2, 1, 4);
    a.Set(2, 2, 5);
    bool converged = false;
    TVector w = SingularValues(a, converged);
    EXPECT_TRUE(converged);
    ASSERT_EQ(w.Length(), 2);
    EXPECT_NEAR(VectorMax(w, 1, 2), std::sqrt(45.0), 1e-14);
    EXPECT_NEAR(std::min(w.Get(1), w.Get(2)), std::sqrt(5.0), 1e-14);

    // Wider than tall: the two singular values of [[1, 0, 1], [0, 2, 0]] are 2 and sqrt(2).
    TMatrix wide(2, 3);
    wide.Set(1, 1, 1);
    wide.Set(1, 3, 1);
    wide.Set(2, 2, 2);
    w = SingularValues(wide, converged);
    ASSERT_EQ(w.Length(), 2);
    EXPECT_NEAR(VectorMax(w, 1, 2), 2.0, 1e-14);
    EXPECT_NEAR(std::min(w.Get(1), w.Get(2)), std::sqrt(2.0), 1e-14);

    // Bounds: reading outside yields 0, writing outside is ignored, VectorMax clamps.
    TMatrix m(2, 3);
    m.Set(3, 1, 5.0);
    m.Set(0, 1, 5.0);
    m.Fill(1.5);
    EXPECT_EQ(m.Get(2, 3), 1.5);
    EXPECT_EQ(m.Get(3, 3), 0.0);
    TVector v(3);
    v.Set(1, -1);
    v.Set(2, 7);
    v.Set(4, 9);
    EXPECT_EQ(v.Get(4), 0.0);
    EXPECT_EQ(VectorMax(v, -5, 99), 7.0);
    EXPECT_EQ(VectorMax(v, 3, 3), 0.0);
    EXPECT_EQ(VectorMax(v, 3, 1), 0.0);

    double sym[9] = {2, 1, 0, 1, 2, 1, 0, 1, 2}; // eigenvalues 2 - sqrt 2, 2, 2 + sqrt 2
    EXPECT_NEAR(LargestSymmetricEigenvalue(sym, 3), 2 + std::sqrt(2.0), 1e-14);
}

TEST(NumericUnit, LargestEigenvalueWithRepeatedOrSplitSpectra)
{
    // A repeated largest eigenvalue cannot be isolated by bisection.
    double twice[9] = {5, 0, 0, 0, 5, 0, 0, 0, 1};
    EXPECT_NEAR(LargestSymmetricEigenvalue(twice, 3), 5.0, 1e-14);
    // A tridiagonal matrix that splits into blocks; the largest value sits in the second block.
    const double d[4] = {1, 1, 3, 3};
    const double e[3] = {1, 0, 2};
    EXPECT_NEAR(LargestTridiagonalEigenvalue(d, e, 4), 5.0, 1e-14);
    const double single[1] = {-2};
    EXPECT_EQ(LargestTridiagonalEigenvalue(single, nullptr, 1), -2.0);
    double zero[4] = {0, 0, 0, 0};
    EXPECT_EQ(LargestSymmetricEigenvalue(zero, 2), 0.0);

    // Random B B': its largest eigenvalue is the square of B's largest singular value.
    std::mt19937 rng(7);
    std::uniform_real_distribution<double> value(-1.0, 1.0);
    for (int n : {2, 3, 7, 20, 63}) {
        TMatrix b(n, n + 2);
        for (int i = 1; i <= n; ++i)
            for (int j = 1; j <= n + 2; ++j)
                b.Set(i, j, value(rng));
        std::vector<double> product(n * n, 0.0);
        for (int i = 0; i < n; ++i)
            for (int j = 0; j < n; ++j)
                for (int k = 1; k <= n + 2; ++k)
                    product[i * n + j] += b.Get(i + 1, k) * b.Get(j + 1, k);
        bool converged = false;
        const TVector w = SingularValues(b, converged);
        EXPECT_TRUE(converged);
        const double sigma = VectorMax(w, 1, n);
        EXPECT_NEAR(LargestSymmetricEigenvalue(product.data(), n), sigma * sigma, 1e-12 * sigma * sigma) << n;
    }
}

TEST(NumericUnit, SideBySideEigenvaluesAreThoseOfEachAlone)
{
    // Matrices whose searches take different paths and lengths: random, split into blocks, with
    // a repeated largest value (never isolated), all zero, scaled far up and down.
    std::mt19937 rng(11);
    std::uniform_real_distribution<double> value(-3.0, 3.0);
    for (int n : {2, 3, 5, 16, 40, 63}) {
        std::vector<std::vector<double>> d, e;
        for (int m = 0; m < 9; ++m) {
            std::vector<double> dm(n), em(n - 1);
            for (auto& v : dm)
                v = value(rng);
            for (auto& v : em)
                v = m == 1 && rng() % 3 == 0 ? 0.0 : value(rng);
            if (m == 2) {
                std::fill(dm.begin(), dm.end(), 4.0);
                std::fill(em.begin(), em.end(), 0.0);
            }
            if (m == 3) {
                std::fill(dm.begin(), dm.end(), 0.0);
                std::fill(em.begin(), em.end(), 0.0);
            }
            for (auto& v : dm)
                v *= m == 4 ? 1e150 : m == 5 ? 1e-150 : 1.0;
            d.push_back(dm);
            e.push_back(em);
        }
        // Symmetric matrices of the kind the Xu indices take, brought to tridiagonal form.
        for (int m = 0; m < 3; ++m) {
            std::vector<double> a(static_cast<std::size_t>(n * n)), copy;
            for (int i = 0; i < n; ++i)
                for (int j = 0; j <= i; ++j)
                    a[i * n + j] = a[j * n + i] = m == 0 ? value(rng) : (i == j) + (i - j == 1) * (m + 1.0);
            copy = a;
            std::vector<double> dm(n), em(n - 1);
            SymmetricTridiagonalForm(a.data(), n, dm.data(), em.data());
            EXPECT_EQ(LargestTridiagonalEigenvalue(dm.data(), em.data(), n), LargestSymmetricEigenvalue(copy.data(), n));
            d.push_back(dm);
            e.push_back(em);
        }
        std::vector<const double*> dp, ep;
        for (std::size_t m = 0; m < d.size(); ++m) {
            dp.push_back(d[m].data());
            ep.push_back(e[m].data());
        }
        for (int count : {1, 3, static_cast<int>(d.size())}) {
            std::vector<double> largest(static_cast<std::size_t>(count));
            LargestTridiagonalEigenvalues(dp.data(), ep.data(), n, count, largest.data());
            for (int m = 0; m < count; ++m)
                EXPECT_EQ(largest[m], LargestTridiagonalEigenvalue(dp[m], ep[m], n)) << "order " << n << " matrix " << m;
        }
    }
}

TEST(XuIndices, FastFormHasTheBitsOfTheDenseOne)
{
    std::vector<TCTab> tables;
    for (const std::string& file : test::DataSdFiles())
        for (const TCTab& t : test::ReadStructures(file))
            tables.push_back(t);
    for (const char* smiles : {"C", "CC", "C1CC1", "C1=CC=CC=C1C#N", "CC(C)(C)C(C)(C)C"})
        tables.push_back(Smiles(smiles));
    for (std::size_t s = 0; s < tables.size(); ++s)
        ASSERT_EQ(XuIndices(tables[s]), DenseXuIndices(tables[s])) << "structure " << s;
}

} // namespace
} // namespace velmora
