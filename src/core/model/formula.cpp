#include "model/formula.h"

#include "model/elements.h"

#include <algorithm>
#include <array>
#include <vector>

namespace velmora {

int FormulaValence(int element)
{
    switch (element) {
    case 1: case 9: case 17: case 35: case 53: return 1;
    case 8: case 16: return 2;
    case 5: case 7: case 15: return 3;
    case 6: case 14: case 32: return 4;
    default: return 0;
    }
}

int AttachedHydrogens(const TCTab& table, int atom)
{
    int explicitH = 0, bonds = 0;
    bool aromatic = false, nitrile = false;
    const int count = table.NumNeighbours(atom);
    for (int k = 1; k <= count; ++k) {
        const int neighbour = table.ConnTo(atom, k);
        const int type = table.TypConn(atom, k);
        if (table.AtNum(neighbour) == 1)
            ++explicitH;
        if (type == 4) {
            aromatic = true;
            bonds += 1;
        } else {
            bonds += type;
        }
        if (type == 3 && table.AtNum(neighbour) == 6 && table.NumNeighbours(neighbour) == 1)
            nitrile = true;
    }
    bonds += aromatic ? 1 : 0;
    const int valence = FormulaValence(table.AtNum(atom));
    if (valence > bonds)
        return valence - bonds + explicitH + table.Charge(atom);
    if (table.AtNum(atom) == 7 && nitrile)
        return -1;
    return explicitH;
}

std::string MolecularFormula(const TCTab& table)
{
    struct Entry {
        int element, mass;
        long count;
    };
    constexpr std::size_t kMaxEntries = 20;
    const int n = std::max(0, std::min<int>(table.NumValidAtoms, kMaxAtoms));
    long hydrogens = 0;
    for (int a = 1; a <= n; ++a)
        if (table.AtNum(a) != 1)
            hydrogens += AttachedHydrogens(table, a);
    std::vector<Entry> entries;
    if (hydrogens > 0)
        entries.push_back({1, 1, hydrogens});
    for (int a = 1; a <= n; ++a) {
        if (table.AtNum(a) == 1)
            continue;
        bool found = false;
        for (auto& entry : entries)
            if (entry.element == table.AtNum(a) && entry.mass == table.AtWeight(a) && !(entry.element == 1)) {
                ++entry.count;
                found = true;
                break;
            }
        if (found)
            continue;
        if (entries.size() == kMaxEntries)
            return "";
        entries.push_back({table.AtNum(a), table.AtWeight(a), 1});
    }

    static constexpr std::array<int, 10> kOrder{6, 1, 7, 8, 16, 15, 9, 17, 35, 53};
    std::string text;
    auto write = [&](const Entry& entry) { text += ElementSymbol(entry.element) + std::to_string(entry.count); };
    for (int element : kOrder)
        for (const auto& entry : entries)
            if (entry.element == element)
                write(entry);
    for (const auto& entry : entries)
        if (std::find(kOrder.begin(), kOrder.end(), entry.element) == kOrder.end())
            write(entry);
    return text;
}

} // namespace velmora
