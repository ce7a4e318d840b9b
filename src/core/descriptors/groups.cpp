#include "descriptors/groups.h"

namespace velmora {

namespace {

constexpr int kH = 1, kC = 6, kN = 7, kO = 8, kF = 9, kS = 16, kCl = 17, kBr = 35, kI = 53;
constexpr int kChargePlusOne = 3; // the molfile charge code of +1

// The table with its neighbour counts taken once.
struct View {
    const TCTab& t;
    std::array<std::uint8_t, kMaxAtoms + 1> degree{};
    explicit View(const TCTab& table) : t(table)
    {
        for (int a = 1; a <= table.NumValidAtoms && a <= kMaxAtoms; ++a) {
            const int d = table.NumNeighbours(a);
            degree[a] = static_cast<std::uint8_t>(d);
            const TAtomRecord& atom = table.Atom(a);
            for (int k = 0; k < d; ++k) {
                const int type = atom.TypConn[static_cast<std::size_t>(k)];
                const int z = Z(atom.ConnTo[static_cast<std::size_t>(k)]);
                const int element = z == kC ? 0 : z == kN ? 1 : z == kO ? 2 : -1;
                if (element >= 0 && type >= 1 && type <= 3)
                    ++neighbourCounts[static_cast<std::size_t>(a)][static_cast<std::size_t>(type - 1)]
                                     [static_cast<std::size_t>(element)];
            }
        }
    }
    // Straight from the records: those outside 1..n are cleared, so these read as the accessors do.
    int Z(int a) const { return static_cast<unsigned>(a) <= kMaxAtoms ? t.Atom(a).AtNum : 0; }
    int Nb(int a, int k) const { return static_cast<unsigned>(a) <= kMaxAtoms ? t.Atom(a).ConnTo[k - 1] : 0; }
    int Type(int a, int k) const { return static_cast<unsigned>(a) <= kMaxAtoms ? t.Atom(a).TypConn[k - 1] : 0; }
    int Degree(int a) const { return a >= 1 && a <= t.NumValidAtoms ? degree[a] : 0; }

    // CountNeighbours(t, a, type, z), looked up: the counts of bond types 1..3 to C, N and O are
    // taken once per atom, since the rules ask for them again and again.
    int Count(int a, int type, int z) const
    {
        const int element = z == kC ? 0 : z == kN ? 1 : z == kO ? 2 : -1;
        if (element < 0 || type < 1 || type > 3 || a < 1 || a > t.NumValidAtoms)
            return CountNeighbours(t, a, type, z);
        return neighbourCounts[static_cast<std::size_t>(a)][static_cast<std::size_t>(type - 1)]
                              [static_cast<std::size_t>(element)];
    }

    std::array<std::array<std::array<std::uint8_t, 3>, 3>, kMaxAtoms + 1> neighbourCounts{};
};

bool NitroTest(const View& v, int a)
{
    const int doubleO = v.Count(a, 2, kO);
    if (doubleO == 2)
        return true;
    return doubleO == 1 && v.Count(a, 1, kO) == 1 && v.t.Charge(a) == kChargePlusOne;
}


// A carbon of which some slot holds a double-bonded oxygen.
bool IsAmideCarbon(const TCTab& t, int a)
{
    if (t.AtNum(a) != kC)
        return false;
    const int d = t.NumNeighbours(a);
    for (int k = 1; k <= d; ++k)
        if (t.AtNum(t.ConnTo(a, k)) == kO && t.TypConn(a, k) == 2)
            return true;
    return false;
}

bool IsHalogen(int z) { return z == kF || z == kCl || z == kBr || z == kI; }

// Per-atom contribution of atom a to the count of index.
int Contribution(const View& v, int a, int index)
{
    const TCTab& t = v.t;
    const int z = v.Z(a);
    const int d = v.degree[a];
    switch (index) {
    case 0: { // aromatic bonds, halved by the caller
        int c = 0;
        for (int k = 1; k <= d; ++k)
            c += v.Type(a, k) == 4;
        return c;
    }
    case 1:
    case 2:
        return z == (index == 1 ? kBr : kCl) && v.Nb(a, 1) != 0 && HasAromaticBond(t, v.Nb(a, 1));
    case 3: {
        if (z != kN || d != 3 || !NitroTest(v, a))
            return 0;
        int carbon = 0;
        for (int k = 1; k <= 3; ++k)
            if (v.Z(v.Nb(a, k)) == kC)
                carbon = v.Nb(a, k);
        return carbon != 0 && HasAromaticBond(t, carbon);
    }
    case 4:
        return z == kO && d == 1 && v.Count(a, 1, kC) == 1 && HasAromaticBond(t, v.Nb(a, 1));
    case 5: {
        if (z != kS || d != 4 || v.Count(a, 2, kO) != 2 || v.Count(a, 1, kO) != 1)
            return 0;
        for (int k = 1; k <= 4; ++k)
            if (v.Z(v.Nb(a, k)) == kC && HasAromaticBond(t, v.Nb(a, k)))
                return 1;
        return 0;
    }
    case 6:
    case 7:
    case 8: { // C-C bonds of type 2, 1, 3; halved by the caller
        if (z != kC)
            return 0;
        const int type = index == 6 ? 2 : index == 7 ? 1 : 3;
        return v.Count(a, type, kC);
    }
    case 9:
    case 10:
    case 11: { // bonds of type 2, 1, 3; halved by the caller
        const int type = index == 9 ? 2 : index == 10 ? 1 : 3;
        int c = 0;
        for (int k = 1; k <= d; ++k)
            c += v.Type(a, k) == type;
        return c;
    }
    case 12:
        return d > 2;
    case 13:
        return z == kC && d <= 2 && v.Count(a, 2, kO) == 1 && v.Count(a, 1, kO) == 0;
    case 14:
        return z == kC && d == 2 && v.Count(a, 3, kN) == 1;
    case 15:
        return z == kC && v.Count(a, 2, kO) == 1;
    case 16: {
        if (z != kC || d != 3)
            return 0;
        int carbonyl = 0, amine = 0;
        for (int k = 1; k <= 3; ++k) {
            carbonyl += v.Z(v.Nb(a, k)) == kO && v.Type(a, k) == 2;
            amine += v.Z(v.Nb(a, k)) == kN && v.Type(a, k) == 1;
        }
        return carbonyl == 1 && amine == 1;
    }
    case 17:
    case 18: {
        if (z != kC || d != 3 || v.Count(a, 2, kO) != 1)
            return 0;
        for (int k = 1; k <= 3; ++k) {
            const int o = v.Nb(a, k);
            if (v.Type(a, k) == 1 && v.Z(o) == kO && (index == 17 ? v.Degree(o) > 1 : v.Degree(o) == 1))
                return 1;
        }
        return 0;
    }
    case 19: {
        if (z != kC || d > 3)
            return 0;
        bool carbonyl = false, halide = false;
        for (int k = 1; k <= d; ++k) {
            const int nz = v.Z(v.Nb(a, k));
            carbonyl = carbonyl || (nz == kO && v.Type(a, k) == 2);
            halide = halide || nz == kCl || nz == kBr || nz == kI;
        }
        return carbonyl && halide;
    }
    case 20:
        return IsHalogen(z);
    case 21:
        return z == kC && d == 3 && v.Count(a, 2, kO) == 1 && v.Count(a, 1, kN) == 2;
    case 22: {
        if (z != kN || d != 1 || v.Type(a, 1) != 1)
            return 0;
        const int b = v.Nb(a, 1);
        return v.Z(b) != kN && !IsAmideCarbon(t, b);
    }
    case 23: {
        if (z != kN || d != 2 || v.Type(a, 1) != 1 || v.Type(a, 2) != 1)
            return 0;
        for (int k = 1; k <= 2; ++k)
            if (v.Z(v.Nb(a, k)) == kN || IsAmideCarbon(t, v.Nb(a, k)))
                return 0;
        return 1;
    }
    case 24: {
        if (z != kN || d != 2)
            return 0;
        const int p = v.Nb(a, 1);
        const int q = v.Nb(a, 2);
        int c = 0;
        c += v.Degree(q) == 1 && v.Type(a, 1) == 1 && v.Z(q) == kN && v.Type(q, 1) < 3;
        c += v.Degree(p) == 1 && v.Type(a, 2) == 1 && v.Z(p) == kN && v.Type(p, 1) < 3;
        return c;
    }
    case 25:
        return z == kN && d == 2 && v.Count(a, 2, kO) == 1 && v.Count(a, 1, kC) == 1;
    case 26:
        return z == kN && d == 3 && NitroTest(v, a);
    case 27: {
        if (z != kN || d != 3)
            return 0;
        for (int k = 1; k <= 3; ++k)
            if (v.Type(a, k) != 1 || v.Z(v.Nb(a, k)) == kN || IsAmideCarbon(t, v.Nb(a, k)))
                return 0;
        return 1;
    }
    case 28:
        return z == kC && d == 1 && v.Count(a, 1, kO) == 1;
    case 29:
        return z == kO && d == 1 && v.Type(a, 1) == 1;
    case 30:
        return z == kS && d <= 3 && v.Count(a, 2, kO) >= 1;
    case 31:
        return z == kS && d == 4 && v.Count(a, 2, kO) == 2;
    case 32:
        return z != kC && z != kH;
    default:
        return 0;
    }
}

} // namespace

int CountNeighbours(const TCTab& table, int a, int t, int z)
{
    const int d = table.NumNeighbours(a);
    if (d == 0)
        return 0;
    // Straight from the records: those outside 1..n are cleared, so AtNum reads 0 there as well.
    const TAtomRecord& atom = table.Atom(a);
    int count = 0;
    for (int k = 0; k < d; ++k)
        count += atom.TypConn[static_cast<std::size_t>(k)] == t && atom.ConnTo[static_cast<std::size_t>(k)] <= kMaxAtoms &&
                 table.Atom(atom.ConnTo[static_cast<std::size_t>(k)]).AtNum == z;
    return count;
}

bool HasAromaticBond(const TCTab& table, int a)
{
    for (int k = 1; k <= kMaxNeighbours; ++k)
        if (table.ConnTo(a, k) != 0 && table.TypConn(a, k) == 4)
            return true;
    return false;
}

std::int32_t CountGroup(const TCTab& table, int index)
{
    if (index < 0 || index > 32)
        return 0;
    const View view(table);
    std::int32_t total = 0;
    for (int a = 1; a <= table.NumValidAtoms; ++a)
        total += Contribution(view, a, index);
    // Every bond is seen from both of its atoms.
    const bool halved = index == 0 || (index >= 6 && index <= 11);
    return halved ? total / 2 : total;
}

void CountGroups(const TCTab& table, const std::vector<int>& indices, std::vector<std::int32_t>& counts)
{
    counts.assign(indices.size(), 0);
    const View view(table);
    // Atom by atom, every index: the atom's record is looked at once for all of them.
    for (int a = 1; a <= table.NumValidAtoms; ++a)
        for (std::size_t e = 0; e < indices.size(); ++e)
            if (indices[e] >= 0 && indices[e] <= 32)
                counts[e] += Contribution(view, a, indices[e]);
    for (std::size_t e = 0; e < indices.size(); ++e) {
        const int index = indices[e];
        if (index == 0 || (index >= 6 && index <= 11))
            counts[e] /= 2; // every bond is seen from both of its atoms
    }
}

void CountAllGroups(const TCTab& table, std::array<std::int32_t, kGroupCount>& counts)
{
    counts.fill(0);
    const View view(table);
    // Each atom only asks the rules that can count it: those for any element and those of its own
    // element (every other rule gives 0 for it).
    static constexpr int kAny[] = {0, 9, 10, 11, 12, 20, 32};
    static constexpr int kCarbon[] = {6, 7, 8, 13, 14, 15, 16, 17, 18, 19, 21, 28};
    static constexpr int kNitrogen[] = {3, 22, 23, 24, 25, 26, 27};
    static constexpr int kOxygen[] = {4, 29};
    static constexpr int kSulfur[] = {5, 30, 31};
    static constexpr int kBromine[] = {1};
    static constexpr int kChlorine[] = {2};
    for (int a = 1; a <= table.NumValidAtoms; ++a) {
        for (int index : kAny)
            counts[index] += Contribution(view, a, index);
        auto ask = [&](const auto& indices) {
            for (int index : indices)
                counts[index] += Contribution(view, a, index);
        };
        switch (view.Z(a)) {
        case kC: ask(kCarbon); break;
        case kN: ask(kNitrogen); break;
        case kO: ask(kOxygen); break;
        case kS: ask(kSulfur); break;
        case kBr: ask(kBromine); break;
        case kCl: ask(kChlorine); break;
        default: break;
        }
    }
    for (int index : {0, 6, 7, 8, 9, 10, 11})
        counts[index] /= 2;
}

} // namespace velmora
