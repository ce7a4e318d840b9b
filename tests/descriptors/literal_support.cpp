// The literal searches are exponential; optimise them even in debug builds so that the
// differential tests stay quick.
#pragma GCC optimize("O2")

#include "literal_support.h"

#include "descriptors/matrix.h"
#include "model/elements.h"

#include <cmath>
#include <vector>

namespace velmora::test {

namespace {

void ClearFlags(TCTab& t)
{
    for (int a = 1; a <= t.NumValidAtoms; ++a)
        t.SetAtFlag(a, 0);
}

struct RingVisitor {
    TCTab& t;
    int s;
    int best = 64;
    std::vector<int> path;
    RingList& list;

    void Visit(int prev, int cur)
    {
        path.push_back(cur);
        bool stoppedAtStart = false;
        for (int k = 1; k <= kMaxNeighbours; ++k) {
            const int x = t.ConnTo(cur, k);
            if (x == 0)
                break;
            if (x != prev && t.AtFlag(x) == 0 && static_cast<int>(path.size()) <= best) {
                t.SetAtFlag(cur, 1);
                Visit(cur, x);
            }
            if (x == s && x != prev) {
                stoppedAtStart = true;
                break;
            }
        }
        if (stoppedAtStart) {
            const int length = static_cast<int>(path.size());
            RingEntry ring;
            ring.size = static_cast<std::uint8_t>(length);
            for (int i = 0; i < length; ++i)
                ring.atoms[i] = static_cast<std::uint8_t>(path[i]);
            if (length < best) {
                list.count = 0;
                list.rings[list.count++] = ring;
                best = length;
            } else if (length == best && !list.Contains(ring.Mask()) && list.count < kMaxRings) {
                list.rings[list.count++] = ring;
            }
        }
        path.pop_back();
        t.SetAtFlag(cur, 0);
    }
};

struct PathVisitor {
    TCTab& t;
    int to;
    int best = 64;
    std::vector<int> path;
    std::vector<int> bestPath;

    void Visit(int prev, int cur)
    {
        path.push_back(cur);
        bool stoppedAtTarget = false;
        for (int k = 1; k <= kMaxNeighbours; ++k) {
            const int x = t.ConnTo(cur, k);
            if (x == 0)
                break;
            if (x != prev && t.AtFlag(x) == 0) {
                t.SetAtFlag(cur, 1);
                Visit(cur, x);
            }
            if (x == to && x != prev) {
                stoppedAtTarget = true;
                break;
            }
        }
        if (stoppedAtTarget && static_cast<int>(path.size()) <= best) {
            bestPath = path;
            best = static_cast<int>(path.size());
        }
        path.pop_back();
        t.SetAtFlag(cur, 0);
    }
};

double BondWeightOf(int type)
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
    }
    return 0.0;
}

} // namespace

int LiteralRingsThroughAtom(TCTab& table, int start, RingList& list)
{
    list.count = 0;
    if (start < 1 || start > table.NumValidAtoms)
        return 0;
    ClearFlags(table);
    RingVisitor visitor{table, start, 64, {}, list};
    visitor.Visit(0, start);
    return list.count;
}

RingList LiteralRingSet(TCTab& table)
{
    RingList result;
    RingList through;
    bool covered[kMaxAtoms + 1] = {};
    for (int a = 1; a <= table.NumValidAtoms; ++a) {
        if (covered[a])
            continue;
        LiteralRingsThroughAtom(table, a, through);
        for (int r = 0; r < through.count; ++r) {
            const RingEntry& ring = through.rings[r];
            if (result.Contains(ring.Mask()) || result.count >= kMaxRings)
                continue;
            result.rings[result.count++] = ring;
            for (int i = 0; i < ring.size; ++i)
                if (table.NumNeighbours(ring.atoms[i]) <= 2)
                    covered[ring.atoms[i]] = true;
        }
    }
    return result;
}

int LiteralShortestPath(TCTab& table, int from, int to, Path& path)
{
    path.length = 0;
    if (from == to) {
        path.atoms[path.length++] = static_cast<std::uint8_t>(to);
        return 0;
    }
    ClearFlags(table);
    PathVisitor visitor{table, to, 64, {}, {}};
    visitor.Visit(0, from);
    for (int atom : visitor.bestPath)
        path.atoms[path.length++] = static_cast<std::uint8_t>(atom);
    path.atoms[path.length++] = static_cast<std::uint8_t>(to);
    return static_cast<int>(visitor.bestPath.size());
}

std::vector<Path> LiteralPaths(TCTab& table)
{
    const int n = table.NumValidAtoms;
    std::vector<Path> paths(static_cast<std::size_t>((n + 1) * (n + 1)));
    for (int i = 1; i <= n; ++i)
        for (int j = 1; j <= n; ++j)
            LiteralShortestPath(table, i, j, paths[i * (n + 1) + j]);
    return paths;
}

namespace {
int Distance(const Path& path) { return path.length == 1 ? 0 : path.length - 1; }
} // namespace

RadiusDiameter LiteralTopoRadiusDiameter(const TCTab& table, const std::vector<Path>& paths)
{
    const int n = table.NumValidAtoms;
    RadiusDiameter result{n, 0};
    for (int i = 1; i <= n; ++i) {
        int eccentricity = 0;
        for (int j = 1; j <= n; ++j)
            eccentricity = std::max(eccentricity, Distance(paths[i * (n + 1) + j]));
        result.radius = std::min(result.radius, eccentricity);
        result.diameter = std::max(result.diameter, eccentricity);
    }
    return result;
}

double LiteralBalabanJ(const TCTab& table, const std::vector<Path>& paths)
{
    const int n = table.NumValidAtoms;
    if (n == 0)
        return 0.0;
    std::vector<double> s(n + 1, 0.0);
    for (int i = 1; i <= n; ++i) {
        double sum = 0.0;
        for (int j = 1; j <= n; ++j) {
            const Path& path = paths[i * (n + 1) + j];
            if (Distance(path) == 0)
                continue;
            for (int p = 0; p + 1 < path.length; ++p) {
                const int u = path.atoms[p], v = path.atoms[p + 1];
                for (int k = 1; k <= kMaxNeighbours; ++k)
                    if (table.ConnTo(u, k) == v) {
                        sum += BondWeightOf(table.TypConn(u, k));
                        break;
                    }
            }
        }
        s[i] = sum;
    }
    double sigma = 0.0;
    int degreeSum = 0;
    for (int i = 1; i <= n; ++i) {
        degreeSum += table.NumNeighbours(i);
        for (int k = 1; k <= table.NumNeighbours(i); ++k) {
            const int j = table.ConnTo(i, k);
            sigma = static_cast<double>(sigma + 1.0L / std::sqrt(static_cast<long double>(s[i]) * s[j]));
        }
    }
    sigma *= 0.5;
    const int m = degreeSum / 2;
    const int q = m - n + 2;
    if (q == 0)
        return m * sigma;
    return static_cast<double>(static_cast<long double>(m) / q * sigma);
}

std::array<double, 3> SvdXuIndices(TCTab& table)
{
    const int n = table.NumValidAtoms;
    std::array<double, 3> result{};
    DistanceMatrix distances;
    ComputeDistances(table, distances);
    for (int k = 1; k <= 3; ++k) {
        TMatrix m(n, n + 2);
        m.Fill(0.0);
        for (int i = 1; i <= n; ++i) {
            m.Set(i, 1, std::sqrt(static_cast<double>(table.NumNeighbours(i))));
            m.Set(i, 2, std::sqrt(SizeParameter(table.AtNum(i))));
        }
        auto set = [&](int a, int b, double value) {
            m.Set(a, b + 2, value);
            m.Set(b, a + 2, value);
        };
        for (int i = 1; i <= n; ++i) {
            const int d = table.NumNeighbours(i);
            if (k == 1)
                for (int p = 1; p <= d; ++p)
                    set(i, table.ConnTo(i, p), 1.0);
            if (k == 2)
                for (int p = 1; p <= d; ++p)
                    for (int q = p + 1; q <= d; ++q)
                        set(table.ConnTo(i, p), table.ConnTo(i, q), 2.0);
            if (k == 3)
                for (int j = i + 1; j <= n; ++j)
                    if (distances.Distance(i, j) == 3)
                        set(i, j, 3.0);
        }
        bool converged = false;
        const TVector w = SingularValues(m, converged);
        const double largest = VectorMax(w, 1, n);
        result[k - 1] = 0.5 * largest * largest;
    }
    return result;
}

} // namespace velmora::test
