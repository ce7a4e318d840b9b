#include "descriptors/topology.h"

#include "descriptors/graph.h"
#include "descriptors/matrix.h"
#include "model/elements.h"

#include <algorithm>
#include <cmath>

namespace velmora {

namespace {

// Each term is formed in extended precision and added to a double running sum.
void AddTerm(double& sum, long double term) { sum = static_cast<double>(sum + term); }

double BondWeight(int type)
{
    switch (type) {
    case 1:
        return 1.0;
    case 2:
        return 0.5;
    case 3:
        return 1.0 / 3.0;
    case 4:
        return 2.0 / 3.0;
    default:
        return 0.0;
    }
}

int BondCount(const AdjacencyGraph& g)
{
    int sum = 0;
    for (int a = 1; a <= g.n; ++a)
        sum += g.degree[a];
    return sum / 2;
}

// No bond weighs 1/3 or 2/3 (triple or aromatic), so every weight is 0, 1/2 or 1.
bool HalfWeightsOnly(const AdjacencyGraph& g)
{
    for (int a = 1; a <= g.n; ++a)
        for (int k = 0; k < g.degree[a]; ++k)
            if (g.type[a][k] == 3 || g.type[a][k] == 4)
                return false;
    return true;
}

} // namespace

double RandicIndex(const TCTab& table)
{
    const AdjacencyGraph g(table);
    double sum = 0.0;
    for (int i = 1; i <= g.n; ++i)
        for (int k = 0; k < g.degree[i]; ++k) {
            const int j = g.neighbour[i][k];
            AddTerm(sum, 1.0L / std::sqrt(static_cast<long double>(g.degree[i]) * g.degree[j]));
        }
    return 0.5 * sum;
}

double RandicZIndex(const TCTab& table)
{
    const AdjacencyGraph g(table);
    double sum = 0.0;
    for (int i = 1; i <= g.n; ++i)
        for (int k = 0; k < g.degree[i]; ++k) {
            const int j = g.neighbour[i][k];
            AddTerm(sum, static_cast<long double>(table.AtNum(i)) /
                             std::sqrt(static_cast<long double>(g.degree[i]) * g.degree[j]));
        }
    return 0.5 * sum;
}

int CyclomaticNumber(const TCTab& table)
{
    const AdjacencyGraph g(table);
    return BondCount(g) - g.n + 1;
}

int CountRingsOfSize(const RingList& rings, int size)
{
    int count = 0;
    for (int r = 0; r < rings.count; ++r)
        count += rings.rings[r].size == size;
    return count;
}

RadiusDiameter TopoRadiusDiameter(const TCTab& table)
{
    DistanceMatrix distances;
    ComputeDistances(table, distances);
    return TopoRadiusDiameter(table, distances);
}

RadiusDiameter TopoRadiusDiameter(const TCTab&, const DistanceMatrix& distances)
{
    RadiusDiameter result{distances.n, 0};
    for (int i = 1; i <= distances.n; ++i) {
        int eccentricity = 0;
        for (int j = 1; j <= distances.n; ++j)
            eccentricity = std::max(eccentricity, distances.Distance(i, j));
        result.radius = std::min(result.radius, eccentricity);
        result.diameter = std::max(result.diameter, eccentricity);
    }
    return result;
}

double BalabanJ(const TCTab& table)
{
    DistanceMatrix distances;
    ComputeDistances(table, distances);
    return BalabanJ(table, distances);
}

double BalabanJ(const TCTab& table, const DistanceMatrix& distances)
{
    const AdjacencyGraph g(table);
    const int n = g.n;
    if (n == 0)
        return 0.0;
    // The chosen shortest path to each target is a tree: from cur it goes on to the last
    // neighbour in slot order that is one bond nearer the target. s[i] adds the bond weights of
    // the paths from i to every target.
    double s[kMaxAtoms + 1];
    if (HalfWeightsOnly(g)) {
        // Every partial sum is a multiple of 1/2 far inside a double's exact range, so the sums
        // taken in half units, each path once per target from the target outwards, have the
        // same bits as the sums along every path.
        std::int32_t halves[kMaxAtoms + 1] = {};
        for (int to = 1; to <= n; ++to) {
            // Atoms by distance to the target (counting sort), the unreachable ones left out.
            int first[kMaxAtoms + 2] = {};
            for (int cur = 1; cur <= n; ++cur)
                if (distances.d[cur][to] != DistanceMatrix::kUnreachable)
                    ++first[distances.d[cur][to] + 1];
            for (int level = 1; level <= n; ++level)
                first[level] += first[level - 1];
            std::uint8_t order[kMaxAtoms];
            int reachable = 0;
            for (int cur = 1; cur <= n; ++cur)
                if (distances.d[cur][to] != DistanceMatrix::kUnreachable) {
                    order[first[distances.d[cur][to]]++] = static_cast<std::uint8_t>(cur);
                    ++reachable;
                }
            std::int32_t toTarget[kMaxAtoms + 1];
            toTarget[to] = 0;
            for (int r = 0; r < reachable; ++r) {
                const int cur = order[r];
                if (cur == to)
                    continue;
                const int here = distances.d[cur][to];
                std::int32_t sum = 0;
                for (int k = g.degree[cur] - 1; k >= 0; --k) {
                    const int x = g.neighbour[cur][k];
                    if (x != 0 && distances.d[x][to] + 1 == here) {
                        sum = static_cast<std::int32_t>(BondWeight(g.type[cur][k]) * 2.0) + toTarget[x];
                        break;
                    }
                }
                toTarget[cur] = sum;
                halves[cur] += sum;
            }
        }
        for (int i = 1; i <= n; ++i)
            s[i] = halves[i] * 0.5;
    } else {
        std::uint8_t next[kMaxAtoms + 1][kMaxAtoms + 1];
        double weight[kMaxAtoms + 1][kMaxAtoms + 1];
        for (int to = 1; to <= n; ++to)
            for (int cur = 1; cur <= n; ++cur) {
                next[to][cur] = 0;
                const int here = distances.d[cur][to];
                if (cur == to || here == DistanceMatrix::kUnreachable)
                    continue;
                for (int k = g.degree[cur] - 1; k >= 0; --k) {
                    const int x = g.neighbour[cur][k];
                    if (x != 0 && distances.d[x][to] + 1 == here) {
                        next[to][cur] = static_cast<std::uint8_t>(x);
                        weight[to][cur] = BondWeight(g.type[cur][k]);
                        break;
                    }
                }
            }
        for (int i = 1; i <= n; ++i) {
            double sum = 0.0;
            for (int j = 1; j <= n; ++j)
                for (int cur = i; next[j][cur] != 0; cur = next[j][cur])
                    sum += weight[j][cur];
            s[i] = sum;
        }
    }
    double sigma = 0.0;
    for (int i = 1; i <= n; ++i)
        for (int k = 0; k < g.degree[i]; ++k) {
            const int j = g.neighbour[i][k];
            if (j == 0)
                continue; // a damaged entry naming no atom of the structure adds no bond
            AddTerm(sigma, 1.0L / std::sqrt(static_cast<long double>(s[i]) * s[j]));
        }
    sigma *= 0.5;
    const int m = BondCount(g);
    const int q = m - n + 2;
    if (q == 0)
        return m * sigma;
    return static_cast<double>(static_cast<long double>(m) / q * sigma);
}

std::array<double, 3> XuIndices(const TCTab& table)
{
    DistanceMatrix distances;
    ComputeDistances(table, distances);
    return XuIndices(table, distances);
}

std::array<double, 3> XuIndices(const TCTab& table, const DistanceMatrix& distances)
{
    const AdjacencyGraph g(table);
    const int n = g.n;
    std::array<double, 3> result{};
    if (n == 0)
        return result;
    double s[kMaxAtoms + 1];
    double t[kMaxAtoms + 1];
    for (int i = 1; i <= n; ++i) {
        s[i] = std::sqrt(static_cast<double>(g.degree[i]));
        t[i] = std::sqrt(SizeParameter(table.AtNum(i)));
    }
    // XuIndex k is half the square of the largest singular value of M = [s t D_k], that is half
    // the largest eigenvalue of M M^T = s s^T + t t^T + D_k D_k.
    static thread_local double product[kMaxAtoms * kMaxAtoms];
    static thread_local double base[kMaxAtoms * kMaxAtoms];
    // Only the lower triangle of M M^T is formed; the eigenvalue routine reads no more.
    for (int a = 0; a < n; ++a)
        for (int b = 0; b <= a; ++b)
            base[a * n + b] = s[a + 1] * s[b + 1] + t[a + 1] * t[b + 1];
    // The three eigenvalue searches run side by side once the three matrices are tridiagonal.
    double diagonal[3][kMaxAtoms];
    double offDiagonal[3][kMaxAtoms];
    for (int k = 1; k <= 3; ++k) {
        // D_k by rows as bit masks: bit c of row a (0-based) is set where D_k holds k.
        std::uint64_t row[kMaxAtoms] = {};
        auto set = [&](int a, int b) {
            row[a - 1] |= std::uint64_t{1} << (b - 1);
            row[b - 1] |= std::uint64_t{1} << (a - 1);
        };
        if (k == 1) {
            for (int a = 1; a <= n; ++a)
                for (int p = 0; p < g.degree[a]; ++p)
                    if (g.neighbour[a][p] != 0)
                        set(a, g.neighbour[a][p]);
        } else if (k == 2) {
            for (int i = 1; i <= n; ++i)
                for (int p = 0; p < g.degree[i]; ++p)
                    for (int q = p + 1; q < g.degree[i]; ++q)
                        if (g.neighbour[i][p] != 0 && g.neighbour[i][q] != 0)
                            set(g.neighbour[i][p], g.neighbour[i][q]);
        } else {
            for (int a = 1; a <= n; ++a)
                for (int b = a + 1; b <= n; ++b)
                    if (distances.Distance(a, b) == 3)
                        set(a, b);
        }
        // Non-zero entries of each row in ascending order, so that D D costs the sum of squared
        // row counts; each product of two entries is k * k.
        const double entry = k;
        const double square = entry * entry;
        std::uint8_t rowCount[kMaxAtoms];
        std::uint8_t rowIndex[kMaxAtoms][kMaxAtoms];
        for (int a = 0; a < n; ++a) {
            rowCount[a] = 0;
            for (std::uint64_t bits = row[a]; bits != 0; bits &= bits - 1)
                rowIndex[a][rowCount[a]++] = static_cast<std::uint8_t>(__builtin_ctzll(bits));
        }
        std::copy(base, base + n * n, product);
        // Row indices are ascending, so b <= a is a prefix of the row.
        for (int c = 0; c < n; ++c)
            for (int x = 0; x < rowCount[c]; ++x) {
                double* productRow = product + rowIndex[c][x] * n;
                for (int y = 0; y <= x; ++y)
                    productRow[rowIndex[c][y]] += square;
            }
        if (n == 1)
            result[k - 1] = 0.5 * LargestSymmetricEigenvalue(product, n);
        else
            SymmetricTridiagonalForm(product, n, diagonal[k - 1], offDiagonal[k - 1]);
    }
    if (n > 1) {
        const double* d[3] = {diagonal[0], diagonal[1], diagonal[2]};
        const double* e[3] = {offDiagonal[0], offDiagonal[1], offDiagonal[2]};
        double lambda[3];
        LargestTridiagonalEigenvalues(d, e, n, 3, lambda);
        for (int k = 0; k < 3; ++k)
            result[k] = 0.5 * lambda[k];
    }
    return result;
}

} // namespace velmora
