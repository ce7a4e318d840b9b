#include "cages_support.h"

#include "model/elements.h"

#include <algorithm>
#include <array>
#include <map>
#include <set>
#include <stdexcept>
#include <vector>

namespace velmora::test {

namespace {

void Connect(TCTab& t, int a, int b, int type)
{
    if (!t.SetConnection(a, b, type) || !t.SetConnection(b, a, type))
        throw std::runtime_error("test structure: neighbour list full");
}

int AddAtom(TCTab& t, int atNum)
{
    ++t.NumValidAtoms;
    t.SetAtNum(t.NumValidAtoms, atNum);
    t.SetAtWeight(t.NumValidAtoms, MassNumber(atNum));
    return t.NumValidAtoms;
}

// The icosahedron: 0 top, 1..5 upper ring, 6..10 lower ring, 11 bottom.
std::set<std::pair<int, int>> IcosahedronEdges()
{
    std::set<std::pair<int, int>> edges;
    auto add = [&](int a, int b) { edges.insert({std::min(a, b), std::max(a, b)}); };
    for (int i = 0; i < 5; ++i) {
        const int u = 1 + i, u1 = 1 + (i + 1) % 5, l = 6 + i, l1 = 6 + (i + 1) % 5;
        add(0, u);
        add(u, u1);
        add(u, l);
        add(u, l1);
        add(l, l1);
        add(l, 11);
    }
    return edges;
}

bool Adjacent(const std::set<std::pair<int, int>>& edges, int a, int b)
{
    return edges.count({std::min(a, b), std::max(a, b)}) != 0;
}

void AddMethyl(TCTab& t, int at)
{
    const int methyl = AddAtom(t, 6);
    Connect(t, at, methyl, 1);
}

} // namespace

TCTab Fullerene60(bool withMethyl)
{
    // Truncated icosahedron: one atom per directed edge (v, w) of the icosahedron; (v, w) is bonded
    // to (w, v) and to the (v, u) whose u is adjacent to w.
    const auto edges = IcosahedronEdges();
    std::map<std::pair<int, int>, int> atomOf;
    TCTab t;
    for (const auto& [a, b] : edges) {
        atomOf[{a, b}] = AddAtom(t, 6);
        atomOf[{b, a}] = AddAtom(t, 6);
    }
    std::set<std::pair<int, int>> bonds;
    for (const auto& [key, atom] : atomOf) {
        const auto [v, w] = key;
        bonds.insert({std::min(atom, atomOf[{w, v}]), std::max(atom, atomOf[{w, v}])});
        for (int u = 0; u < 12; ++u)
            if (u != w && Adjacent(edges, v, u) && Adjacent(edges, u, w)) {
                const int other = atomOf[{v, u}];
                bonds.insert({std::min(atom, other), std::max(atom, other)});
            }
    }
    for (const auto& [a, b] : bonds)
        Connect(t, a, b, 4);
    if (withMethyl)
        AddMethyl(t, 1);
    return t;
}

TCTab Dodecahedrane(bool withMethyl)
{
    // The dual of the icosahedron: one atom per triangular face, bonded across shared edges.
    const auto edges = IcosahedronEdges();
    std::vector<std::array<int, 3>> faces;
    for (int a = 0; a < 12; ++a)
        for (int b = a + 1; b < 12; ++b)
            for (int c = b + 1; c < 12; ++c)
                if (Adjacent(edges, a, b) && Adjacent(edges, b, c) && Adjacent(edges, a, c))
                    faces.push_back({a, b, c});
    TCTab t;
    for (std::size_t f = 0; f < faces.size(); ++f)
        AddAtom(t, 6);
    for (std::size_t f = 0; f < faces.size(); ++f)
        for (std::size_t g = f + 1; g < faces.size(); ++g) {
            int shared = 0;
            for (int x : faces[f])
                shared += std::count(faces[g].begin(), faces[g].end(), x);
            if (shared == 2)
                Connect(t, static_cast<int>(f) + 1, static_cast<int>(g) + 1, 1);
        }
    if (withMethyl)
        AddMethyl(t, 1);
    return t;
}

TCTab FusedSheet63()
{
    // Brick-wall form of the honeycomb: rows of 9, every row a chain, rungs between rows at
    // alternating columns.
    constexpr int rows = 7, cols = 9;
    TCTab t;
    for (int i = 0; i < rows * cols; ++i)
        AddAtom(t, 6);
    auto id = [&](int r, int c) { return r * cols + c + 1; };
    for (int r = 0; r < rows; ++r)
        for (int c = 0; c < cols; ++c) {
            if (c + 1 < cols)
                Connect(t, id(r, c), id(r, c + 1), 4);
            if (r + 1 < rows && (r + c) % 2 == 0)
                Connect(t, id(r, c), id(r + 1, c), 4);
        }
    return t;
}

TCTab Chain63()
{
    TCTab t;
    for (int i = 1; i <= kMaxAtoms; ++i) {
        AddAtom(t, 6);
        if (i > 1)
            Connect(t, i - 1, i, 1);
    }
    return t;
}

TCTab TenNeighbourHub()
{
    TCTab t;
    const int hub = AddAtom(t, 6);
    for (int i = 0; i < 10; ++i)
        Connect(t, hub, AddAtom(t, 6), 1);
    for (int i = 0; i < 10; ++i)
        Connect(t, 2 + i, 2 + (i + 1) % 10, i % 2 ? 2 : 1);
    return t;
}

TCTab MacrocycleWithSheet()
{
    TCTab t;
    for (int i = 1; i <= 28; ++i) {
        AddAtom(t, 6);
        if (i > 1)
            Connect(t, i - 1, i, 1);
    }
    Connect(t, 28, 1, 1);
    constexpr int rows = 5, cols = 7;
    const int first = t.NumValidAtoms + 1;
    for (int i = 0; i < rows * cols; ++i)
        AddAtom(t, 6);
    auto id = [&](int r, int c) { return first + r * cols + c; };
    for (int r = 0; r < rows; ++r)
        for (int c = 0; c < cols; ++c) {
            if (c + 1 < cols)
                Connect(t, id(r, c), id(r, c + 1), 4);
            if (r + 1 < rows && (r + c) % 2 == 0)
                Connect(t, id(r, c), id(r + 1, c), 4);
        }
    Connect(t, 2, id(0, 0), 1);
    Connect(t, 3, id(rows - 1, cols - 1), 1);
    return t;
}

} // namespace velmora::test
