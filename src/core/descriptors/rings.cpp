#include "descriptors/rings.h"

#include "descriptors/graph.h"

#include <algorithm>

namespace velmora {

namespace {

constexpr std::uint8_t kFar = 255;

std::uint64_t Bit(int atom) { return std::uint64_t{1} << atom; }

// Breadth-first distances from source; kFar for atoms not reached.
void Distances(const AdjacencyGraph& g, int source, std::uint8_t* dist)
{
    std::fill(dist, dist + g.n + 1, kFar);
    std::uint8_t queue[kMaxAtoms + 1];
    int head = 0, tail = 0;
    dist[source] = 0;
    queue[tail++] = static_cast<std::uint8_t>(source);
    while (head < tail) {
        const int u = queue[head++];
        for (int k = 0; k < g.degree[u]; ++k) {
            const int x = g.neighbour[u][k];
            if (x != 0 && dist[x] == kFar) {
                dist[x] = static_cast<std::uint8_t>(dist[u] + 1);
                queue[tail++] = static_cast<std::uint8_t>(x);
            }
        }
    }
}

// Size of the smallest ring through s (0 when s lies on none). The breadth-first tree from s
// labels every atom with the neighbour of s its tree path starts with; a bond between atoms of two
// different labels closes a ring through s of d(u) + d(v) + 1 atoms, and the smallest ring through s
// always has such a bond.
int SmallestRingSize(const AdjacencyGraph& g, int s, std::uint8_t* dist)
{
    std::uint8_t root[kMaxAtoms + 1] = {};
    std::fill(dist, dist + g.n + 1, kFar);
    std::uint8_t queue[kMaxAtoms + 1];
    int head = 0, tail = 0;
    dist[s] = 0;
    queue[tail++] = static_cast<std::uint8_t>(s);
    int best = 0;
    while (head < tail) {
        const int u = queue[head++];
        for (int k = 0; k < g.degree[u]; ++k) {
            const int x = g.neighbour[u][k];
            if (x == 0 || x == s)
                continue;
            if (dist[x] == kFar) {
                dist[x] = static_cast<std::uint8_t>(dist[u] + 1);
                root[x] = u == s ? static_cast<std::uint8_t>(x) : root[u];
                queue[tail++] = static_cast<std::uint8_t>(x);
            } else if (u != s && root[x] != root[u]) {
                const int size = dist[u] + dist[x] + 1;
                if (best == 0 || size < best)
                    best = size;
            }
        }
    }
    return best;
}

// Depth-first search in slot order over the simple paths from s, keeping only branches that can
// still close a ring of `target` atoms: the path so far plus the distance from the next atom back
// to s, avoiding the atoms already on the path, must not exceed target. The rings of that size
// come out in the order of the unbounded search; nothing else is visited that could not lead to one.
struct RingSearch {
    const AdjacencyGraph& g;
    int s;
    int target;
    const std::uint8_t* dist; // breadth-first distances to s in the whole graph, a cheap lower bound
    RingList& list;
    std::uint64_t neighbourMask[kMaxAtoms + 1];
    std::uint8_t path[kMaxAtoms + 1];
    std::uint64_t onPath = 0;

    RingSearch(const AdjacencyGraph& graph, int start, int size, const std::uint8_t* distances, RingList& rings)
        : g(graph), s(start), target(size), dist(distances), list(rings)
    {
        for (int a = 1; a <= g.n; ++a) {
            neighbourMask[a] = 0;
            for (int k = 0; k < g.degree[a]; ++k)
                if (g.neighbour[a][k] != 0)
                    neighbourMask[a] |= Bit(g.neighbour[a][k]);
        }
    }

    // Whether s can be reached from x within `steps` bonds through atoms not on the path.
    bool ReachesStart(int x, int steps) const
    {
        const std::uint64_t startBit = Bit(s);
        std::uint64_t visited = onPath | Bit(x);
        std::uint64_t frontier = Bit(x);
        for (int step = 1; step <= steps && frontier != 0; ++step) {
            std::uint64_t next = 0;
            for (std::uint64_t f = frontier; f != 0; f &= f - 1)
                next |= neighbourMask[__builtin_ctzll(f)];
            if (next & startBit)
                return true;
            frontier = next & ~visited;
            visited |= frontier;
        }
        return false;
    }

    void Visit(int prev, int cur, int length)
    {
        path[length - 1] = static_cast<std::uint8_t>(cur);
        onPath |= Bit(cur);
        bool closed = false;
        for (int k = 0; k < g.degree[cur]; ++k) {
            const int x = g.neighbour[cur][k];
            if (x == prev || x == 0)
                continue;
            if (!(onPath & Bit(x)) && length + dist[x] <= target && ReachesStart(x, target - length))
                Visit(cur, x, length + 1);
            if (x == s) {
                closed = true;
                break;
            }
        }
        if (closed && length == target && list.count < kMaxRings) {
            std::uint64_t mask = 0;
            for (int i = 0; i < length; ++i)
                mask |= Bit(path[i]);
            if (!list.Contains(mask)) {
                RingEntry& ring = list.rings[list.count++];
                ring.size = static_cast<std::uint8_t>(length);
                std::copy(path, path + length, ring.atoms.begin());
            }
        }
        onPath &= ~Bit(cur);
    }
};

int RingsThroughAtom(const AdjacencyGraph& g, int start, RingList& list)
{
    list.count = 0;
    if (start < 1 || start > g.n)
        return 0;
    std::uint8_t dist[kMaxAtoms + 1];
    const int target = SmallestRingSize(g, start, dist);
    if (target == 0)
        return 0;
    RingSearch search(g, start, target, dist, list);
    search.Visit(0, start, 1);
    return list.count;
}

// Every neighbour of every atom lists that atom in turn.
bool IsSymmetric(const AdjacencyGraph& g)
{
    for (int a = 1; a <= g.n; ++a)
        for (int k = 0; k < g.degree[a]; ++k) {
            const int b = g.neighbour[a][k];
            if (b == 0)
                continue;
            bool back = false;
            for (int j = 0; j < g.degree[b] && !back; ++j)
                back = g.neighbour[b][j] == a;
            if (!back)
                return false;
        }
    return true;
}

} // namespace

std::uint64_t RingEntry::Mask() const
{
    std::uint64_t mask = 0;
    for (int i = 0; i < size; ++i)
        mask |= Bit(atoms[i]);
    return mask;
}

bool RingList::Contains(std::uint64_t candidateMask) const
{
    for (int r = 0; r < count; ++r)
        if ((candidateMask & ~rings[r].Mask()) == 0)
            return true;
    return false;
}

int RingsThroughAtom(const TCTab& table, int start, RingList& list)
{
    const AdjacencyGraph g(table);
    return RingsThroughAtom(g, start, list);
}

RingList RingSet(const TCTab& table)
{
    const AdjacencyGraph g(table);
    RingList result;
    RingList through;
    bool covered[kMaxAtoms + 1] = {};
    // An atom left after stripping chain ends again and again may lie on a ring; the others lie
    // on none, and the search through them would find nothing. (Only where every bond is listed
    // from both of its atoms, as the table keeps them.)
    std::uint8_t degree[kMaxAtoms + 1];
    std::uint8_t ends[kMaxAtoms + 1];
    int endCount = 0;
    const bool symmetric = IsSymmetric(g);
    for (int a = 1; a <= g.n && symmetric; ++a) {
        degree[a] = 0;
        for (int k = 0; k < g.degree[a]; ++k)
            degree[a] += g.neighbour[a][k] != 0;
        if (degree[a] <= 1) {
            covered[a] = true;
            ends[endCount++] = static_cast<std::uint8_t>(a);
        }
    }
    while (endCount > 0) {
        const int a = ends[--endCount];
        for (int k = 0; k < g.degree[a]; ++k) {
            const int b = g.neighbour[a][k];
            if (b != 0 && !covered[b] && --degree[b] <= 1) {
                covered[b] = true;
                ends[endCount++] = static_cast<std::uint8_t>(b);
            }
        }
    }
    for (int a = 1; a <= g.n; ++a) {
        if (covered[a])
            continue;
        RingsThroughAtom(g, a, through);
        for (int r = 0; r < through.count; ++r) {
            const RingEntry& ring = through.rings[r];
            if (result.Contains(ring.Mask()) || result.count >= kMaxRings)
                continue;
            result.rings[result.count++] = ring;
            for (int i = 0; i < ring.size; ++i)
                if (g.degree[ring.atoms[i]] <= 2)
                    covered[ring.atoms[i]] = true;
        }
    }
    return result;
}

void ComputeDistances(const TCTab& table, DistanceMatrix& distances)
{
    const AdjacencyGraph g(table);
    distances.n = g.n;
    // Breadth-first from every atom, a whole level at a time on neighbour bit masks.
    std::uint64_t neighbours[kMaxAtoms + 1] = {};
    for (int a = 1; a <= g.n; ++a)
        for (int k = 0; k < g.degree[a]; ++k)
            if (g.neighbour[a][k] != 0)
                neighbours[a] |= Bit(g.neighbour[a][k]);
    for (int i = 1; i <= g.n; ++i) {
        std::uint8_t* dist = distances.d[i].data();
        std::fill(dist, dist + g.n + 1, kFar);
        dist[i] = 0;
        std::uint64_t visited = Bit(i);
        std::uint64_t frontier = visited;
        for (std::uint8_t level = 1; frontier != 0; ++level) {
            std::uint64_t next = 0;
            for (std::uint64_t f = frontier; f != 0; f &= f - 1)
                next |= neighbours[__builtin_ctzll(f)];
            next &= ~visited;
            for (std::uint64_t f = next; f != 0; f &= f - 1)
                dist[__builtin_ctzll(f)] = level;
            visited |= next;
            frontier = next;
        }
    }
}

int NextOnPath(const TCTab& table, const DistanceMatrix& distances, int cur, int to, int* slotOut)
{
    if (cur == to || cur < 1 || cur > distances.n || to < 1 || to > distances.n)
        return 0;
    const int here = distances.d[cur][to];
    if (here == DistanceMatrix::kUnreachable)
        return 0;
    const TAtomRecord& atom = table.Atom(cur);
    int degree = 0;
    while (degree < kMaxNeighbours && atom.ConnTo[degree] != 0)
        ++degree;
    // The last of the equally short continuations in slot order wins.
    for (int k = degree - 1; k >= 0; --k) {
        const int x = atom.ConnTo[k];
        if (x <= distances.n && distances.d[x][to] + 1 == here) {
            if (slotOut)
                *slotOut = k + 1;
            return x;
        }
    }
    return 0;
}

int ShortestPath(const TCTab& table, int from, int to, Path& path)
{
    const AdjacencyGraph g(table);
    path.length = 0;
    if (from == to || from < 1 || from > g.n || to < 1 || to > g.n) {
        path.atoms[0] = static_cast<std::uint8_t>(to);
        path.length = 1;
        return 0;
    }
    std::uint8_t dist[kMaxAtoms + 1];
    Distances(g, to, dist);
    if (dist[from] == kFar) {
        path.atoms[0] = static_cast<std::uint8_t>(to);
        path.length = 1;
        return 0;
    }
    int cur = from;
    path.atoms[path.length++] = static_cast<std::uint8_t>(cur);
    while (cur != to) {
        int next = 0;
        for (int k = g.degree[cur] - 1; k >= 0; --k) {
            const int x = g.neighbour[cur][k];
            if (x != 0 && dist[x] + 1 == dist[cur]) {
                next = x;
                break;
            }
        }
        cur = next;
        path.atoms[path.length++] = static_cast<std::uint8_t>(cur);
    }
    return path.length - 1;
}

} // namespace velmora
