#pragma once
// A compact copy of a table's adjacency for the graph searches: atoms 1..n, each with its
// neighbours and bond types in slot order (slots up to the first empty one).
#include "model/ctab.h"

#include <array>
#include <cstdint>

namespace velmora {

struct AdjacencyGraph {
    int n = 0;
    std::array<std::uint8_t, kMaxAtoms + 1> degree{};
    std::array<std::array<std::uint8_t, kMaxNeighbours>, kMaxAtoms + 1> neighbour{};
    std::array<std::array<std::uint8_t, kMaxNeighbours>, kMaxAtoms + 1> type{};

    explicit AdjacencyGraph(const TCTab& table)
    {
        n = table.NumValidAtoms < 0 ? 0 : (table.NumValidAtoms > kMaxAtoms ? kMaxAtoms : table.NumValidAtoms);
        for (int a = 1; a <= n; ++a) {
            const TAtomRecord& atom = table.Atom(a);
            int k = 0;
            // A search stops at the first empty slot; a neighbour number outside 1..n is never
            // produced by the table, and is skipped here rather than followed.
            for (; k < kMaxNeighbours && atom.ConnTo[k] != 0; ++k) {
                neighbour[a][k] = atom.ConnTo[k] <= n ? atom.ConnTo[k] : 0;
                type[a][k] = atom.TypConn[k];
            }
            degree[a] = static_cast<std::uint8_t>(k);
        }
    }
};

} // namespace velmora
