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
    std::vector<std::string> lines{"# of atoms: " + std::to_string(n)};
    for (int i = 1; i <= n; ++i) {
        std::string line = PadLeft(std::to_string(i), 2) + " [" + ElementSymbol(table.AtNum(i)) + " " +
                           ChargeText(table.Charge(i)) + "]  ";
        for (int k = 1; k <= kMaxNeighbours; ++k)
            if (const int j = table.ConnTo(i, k); j != 0)
                line += " " + PadLeft(std::to_string(j), 2) + BondCharacter(table.TypConn(i, k));
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
    result.size = n + 1;
    result.cells.assign(static_cast<std::size_t>(result.size * result.size), std::string());
    auto cell = [&](int column, int row) -> std::string& {
        return result.cells[static_cast<std::size_t>(row * result.size + column)];
    };
    long long total = 0, connectedSum = 0, connectedPairs = 0;
    for (int i = 0; i < n; ++i) {
        long long columnSum = 0;
        for (int j = 0; j < n; ++j) {
            const int v = d[i][j];
            cell(i + 1, j + 1) = std::to_string(v);
            columnSum += v;
            if (v > 0)
                connectedSum += v, ++connectedPairs;
        }
        cell(i + 1, 0) = std::to_string(columnSum);
        total += columnSum;
    }
    cell(0, 0) = std::to_string(total);
    if (n >= 1)
        cell(0, 1) = FormatFixed(connectedPairs ? static_cast<double>(connectedSum) / connectedPairs : 0.0, 4);
    if (n >= 2)
        cell(0, 2) = FormatFixed(elapsedSeconds, 4);
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
