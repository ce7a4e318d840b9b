#include "descriptors/augatoms.h"

#include "descriptors/catalogue.h"
#include "model/elements.h"

#include <algorithm>
#include <utility>

namespace velmora {

namespace {

constexpr std::array<int, 14> kAugElements = {1, 5, 6, 7, 8, 9, 14, 15, 16, 17, 33, 35, 50, 53};

struct AugTable {
    std::array<std::uint32_t, kAugDescriptorCount> codes{};
    // (code, entry) sorted by code, for counting every entry in one pass over the atoms.
    std::array<std::pair<std::uint32_t, int>, kAugDescriptorCount> sorted{};
};

const AugTable& Table()
{
    static const AugTable table = [] {
        AugTable t;
        for (int e = 0; e < kAugDescriptorCount; ++e) {
            t.codes[e] = EncodeAugName(CatalogueName(kFirstAugIndex + e));
            t.sorted[e] = {t.codes[e], e};
        }
        std::sort(t.sorted.begin(), t.sorted.end());
        return t;
    }();
    return table;
}

// Reads one element symbol (an upper-case letter and an optional lower-case one) at pos.
int ReadSymbol(const std::string& text, std::size_t& pos)
{
    if (pos >= text.size() || text[pos] < 'A' || text[pos] > 'Z')
        return 0;
    std::size_t length = 1;
    if (pos + 1 < text.size() && text[pos + 1] >= 'a' && text[pos + 1] <= 'z')
        length = 2;
    const int z = ElementNumber(text.substr(pos, length));
    pos += length;
    return z;
}

} // namespace

int AugElementIndex(int atNum)
{
    for (std::size_t i = 0; i < kAugElements.size(); ++i)
        if (kAugElements[i] == atNum)
            return static_cast<int>(i) + 1;
    return 0;
}

std::uint32_t EncodeAugName(const std::string& name)
{
    const std::string prefix = "Aug: ";
    if (name.compare(0, prefix.size(), prefix) != 0)
        return 0;
    std::size_t pos = prefix.size();
    const int centre = AugElementIndex(ReadSymbol(name, pos));
    if (centre == 0)
        return 0;
    std::uint32_t code = static_cast<std::uint32_t>(centre);
    for (int j = 1; pos < name.size(); ++j) {
        if (j > 4 || name[pos] < '1' || name[pos] > '4')
            return 0;
        const int bondType = name[pos] - '0';
        ++pos;
        const int element = AugElementIndex(ReadSymbol(name, pos));
        if (element == 0)
            return 0;
        const std::uint32_t neighbourCode = static_cast<std::uint32_t>((bondType & 3) + 4 * element);
        code += neighbourCode << (6 * j - 2);
    }
    return code;
}

std::int32_t AugCode(const TCTab& table, int a)
{
    const int centre = AugElementIndex(table.AtNum(a));
    if (centre == 0)
        return kAugElementMissing;
    const int d = table.NumNeighbours(a);
    std::array<int, kMaxNeighbours> codes{};
    bool missing = false;
    for (int k = 1; k <= d; ++k) {
        const int element = AugElementIndex(table.AtNum(table.ConnTo(a, k)));
        if (element == 0)
            missing = true;
        else
            codes[k - 1] = (table.TypConn(a, k) & 3) + 4 * element;
    }
    if (missing)
        return kAugElementMissing;
    if (d >= 5)
        return kAugTooManyNeighbours;
    std::sort(codes.begin(), codes.begin() + d, std::greater<int>());
    std::int32_t code = centre;
    for (int j = 1; j <= d; ++j)
        code += codes[j - 1] << (6 * j - 2);
    return code;
}

std::uint32_t DescriptorCode(int index)
{
    if (index < kFirstAugIndex || index > kLastAugIndex)
        return 0;
    return Table().codes[index - kFirstAugIndex];
}

int CountAugAtoms(const TCTab& table, int index)
{
    const std::uint32_t wanted = DescriptorCode(index);
    if (wanted == 0)
        return 0;
    int count = 0;
    for (int a = 1; a <= table.NumValidAtoms; ++a) {
        const std::int32_t code = AugCode(table, a);
        count += code > 0 && static_cast<std::uint32_t>(code) == wanted;
    }
    return count;
}

void CountAllAugAtoms(const TCTab& table, std::array<int, kAugDescriptorCount>& counts)
{
    counts.fill(0);
    const auto& sorted = Table().sorted;
    for (int a = 1; a <= table.NumValidAtoms; ++a) {
        const std::int32_t code = AugCode(table, a);
        if (code <= 0)
            continue;
        const std::pair<std::uint32_t, int> key{static_cast<std::uint32_t>(code), -1};
        for (auto it = std::lower_bound(sorted.begin(), sorted.end(), key);
             it != sorted.end() && it->first == key.first; ++it)
            ++counts[it->second];
    }
}

} // namespace velmora
