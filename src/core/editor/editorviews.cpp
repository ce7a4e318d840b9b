#include "editor/editorviews.h"

#include "base/numtext.h"
#include "descriptors/rings.h"
#include "model/elements.h"

#include <array>
#include <chrono>

namespace velmora::editor {

namespace {
std::string ChargeText(int charge)
{
    switch (charge) {
    case -2: return "2-";
    case -1: return "1-";
    case 1: return "1+";
    case 2: return "2+";
    default: return "";
    }
}

std::string BondCharacter(int type)
{
    switch (type) {
    case 1: return "-";
    case 2: return "=";
    case 3: return "#";
    case 4: return "*";
    default: return "";
    }
}
} // namespace

std::vector<std::string> ConnectionTableLines(const TCTab& table)
{
    const int n = table.NumValidAtoms;
    auto lists = [&](int i, int j) {
        for (int k = 1; k <= kMaxNeighbours; ++k)
            if (table.ConnTo(i, k) == j)
                return k;
        return 0;
    };
    std::vector<std::string> lines{"# of atoms: " + std::to_string(n)};
    for (int i = 1; i <= n; ++i) {
        std::string line = PadLeft(std::to_string(i), 2) + " [" + ElementSymbol(table.AtNum(i)) + " " +
                           ChargeText(table.Charge(i)) + "]  ";
        for (int k = 1; k <= kMaxNeighbours; ++k)
            if (const int j = table.ConnTo(i, k); j != 0)
                line += " " + PadLeft(std::to_string(j), 2) + BondCharacter(table.TypConn(i, k));
        // Bonds listed so far only by the other atom, as a chain being drawn leaves them.
        for (int j = 1; j <= n; ++j)
            if (const int k = lists(j, i); k != 0 && j != i && lists(i, j) == 0)
                line += " " + PadLeft(std::to_string(j), 2) + BondCharacter(table.TypConn(j, k));
        lines.push_back(std::move(line));
    }
    return lines;
}

std::vector<std::vector<int>> TopologicalDistances(const TCTab& table)
{
    // A bond drawn but not yet completed is listed at one end only; it counts all the same.
    TCTab both;
    both.Assign(table);
    both.Symmetrize();
    DistanceMatrix distances;
    ComputeDistances(both, distances);
    const int n = both.NumValidAtoms;
    std::vector<std::vector<int>> d(static_cast<std::size_t>(n), std::vector<int>(static_cast<std::size_t>(n)));
    for (int i = 1; i <= n; ++i)
        for (int j = 1; j <= n; ++j) {
            const int v = distances.d[i][j];
            d[i - 1][j - 1] = i == j ? 0 : (v == DistanceMatrix::kUnreachable || v == 0 ? -1 : v);
        }
    return d;
}

DistanceMatrixTable DistanceMatrixCells(const TCTab& table, double elapsedSeconds)
{
    const auto d = TopologicalDistances(table);
    const int n = static_cast<int>(d.size());
    DistanceMatrixTable result;
    result.size = n;
    result.cells.reserve(static_cast<std::size_t>(n * n));
    for (int i = 1; i <= n; ++i)
        result.labels.push_back(std::to_string(i) + " " + ElementSymbol(table.AtNum(i)));
    long long total = 0, connectedPairs = 0;
    for (int row = 0; row < n; ++row)
        for (int column = 0; column < n; ++column) {
            const int v = d[static_cast<std::size_t>(column)][static_cast<std::size_t>(row)];
            result.cells.push_back(v < 0 ? std::string(kNotConnected) : std::to_string(v));
        }
    for (int column = 0; column < n; ++column) {
        long long sum = 0;
        for (const int v : d[static_cast<std::size_t>(column)])
            if (v > 0)
                sum += v, ++connectedPairs;
        result.sums.push_back(std::to_string(sum));
        total += sum;
    }
    result.total = std::to_string(total);
    if (connectedPairs > 0)
        result.meanDistance = FormatFixed(static_cast<double>(total) / static_cast<double>(connectedPairs), 4);
    result.seconds = FormatFixed(elapsedSeconds, 4);
    result.notes.push_back("Distances in bonds along the shortest path; " + std::string(kNotConnected) +
                           " : the two atoms are not connected (different fragments).");
    result.notes.push_back("Sum: the atom's distances to all atoms connected with it, added up.");
    result.notes.push_back("All sums: " + result.total + "    Mean distance of connected atoms: " +
                           (result.meanDistance.empty() ? std::string(kNotConnected) : result.meanDistance) +
                           "    Computed in " + result.seconds + " s");
    return result;
}

DistanceMatrixTable DistanceMatrixOf(const TCTab& table)
{
    const auto start = std::chrono::steady_clock::now();
    TopologicalDistances(table);
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    return DistanceMatrixCells(table, seconds);
}

int ElementCursorNumber(int element)
{
    static constexpr std::array<int, 13> kElements{1, 9, 7, 6, 8, 5, 16, 17, 35, 14, 15, 34, 53};
    for (std::size_t k = 0; k < kElements.size(); ++k)
        if (kElements[k] == element)
            return static_cast<int>(k) + 1;
    return 0;
}

} // namespace velmora::editor
