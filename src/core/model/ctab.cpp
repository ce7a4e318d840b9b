#include "model/ctab.h"

#include <algorithm>
#include <charconv>
#include <vector>

namespace velmora {

void TCTab::Clear()
{
    NumValidAtoms = 0;
    FStrucName.clear();
    FCASNr = 0;
    FCoordUnit = 0;
    m_atoms.fill(TAtomRecord{});
}

void TCTab::Assign(const TCTab& source)
{
    if (this != &source) {
        NumValidAtoms = source.NumValidAtoms;
        FStrucName = source.FStrucName;
        FCASNr = source.FCASNr;
        FCoordUnit = source.FCoordUnit;
        m_atoms = source.m_atoms;
    }
}

float TCTab::Coord(int i, int c) const
{
    if (!Valid(i))
        return 0.0f;
    switch (c) {
    case 1: return m_atoms[i].x;
    case 2: return m_atoms[i].y;
    default: return m_atoms[i].z;
    }
}

int TCTab::BondType(int i, int j) const
{
    const int count = NumNeighbours(i);
    for (int k = 0; k < count; ++k)
        if (m_atoms[i].ConnTo[k] == j)
            return m_atoms[i].TypConn[k];
    return 0;
}

bool TCTab::SetAtNum(int i, int v)
{
    if (!Valid(i) || v < 1 || v > 103)
        return false;
    m_atoms[i].AtNum = static_cast<std::uint8_t>(v);
    return true;
}

bool TCTab::SetAtWeight(int i, int v)
{
    if (!Valid(i))
        return false;
    m_atoms[i].AtWeight = static_cast<std::uint8_t>(v);
    return true;
}

bool TCTab::SetAtFlag(int i, int v)
{
    if (!Valid(i))
        return false;
    m_atoms[i].AtFlag = static_cast<std::uint8_t>(v);
    return true;
}

bool TCTab::SetAttrib(int i, int v)
{
    if (!Valid(i))
        return false;
    m_atoms[i].Attrib = static_cast<std::uint8_t>(v);
    return true;
}

bool TCTab::SetCharge(int i, int v)
{
    if (!Valid(i))
        return false;
    m_atoms[i].Charge = static_cast<std::int8_t>(static_cast<std::uint8_t>(v));
    return true;
}

bool TCTab::SetConnToSlot(int i, int k, int v)
{
    if (!Valid(i))
        return false;
    m_atoms[i].ConnTo[k - 1] = static_cast<std::uint8_t>(v);
    return true;
}

bool TCTab::SetTypConnSlot(int i, int k, int t)
{
    if (!Valid(i))
        return false;
    m_atoms[i].TypConn[k - 1] = static_cast<std::uint8_t>(t);
    return true;
}

bool TCTab::SetCoord(int i, int c, double value)
{
    if (!Valid(i))
        return false;
    const float v = static_cast<float>(value);
    switch (c) {
    case 1: m_atoms[i].x = v; break;
    case 2: m_atoms[i].y = v; break;
    default: m_atoms[i].z = v; break;
    }
    return true;
}

bool TCTab::SetConnection(int i, int j, int t)
{
    if (i < 1 || j < 1)
        return true;
    if (i > kMaxAtoms || j > kMaxAtoms) // cannot be stored; callers pass 1..63
        return false;
    auto& atom = m_atoms[i];
    int k = 0;
    while (k < kMaxNeighbours - 1 && atom.ConnTo[k] != 0 && atom.ConnTo[k] != j)
        ++k;
    if (atom.ConnTo[k] == j) {
        atom.TypConn[k] = static_cast<std::uint8_t>(t);
        return true;
    }
    if (atom.ConnTo[k] == 0) {
        atom.ConnTo[k] = static_cast<std::uint8_t>(j);
        atom.TypConn[k] = static_cast<std::uint8_t>(t);
        return true;
    }
    return false;
}

void TCTab::Symmetrize()
{
    for (int i = 1; i <= NumValidAtoms; ++i)
        for (int k = 0; k < kMaxNeighbours; ++k) {
            const int j = m_atoms[i].ConnTo[k];
            // A neighbour beyond n would write into a cleared record; readers never leave one.
            if (j != 0 && j <= NumValidAtoms)
                SetConnection(j, i, m_atoms[i].TypConn[k]);
        }
}

bool TCTab::AddAtom(const TAtomRecord& record)
{
    if (NumValidAtoms >= kMaxAtoms)
        return false;
    ++NumValidAtoms;
    auto& atom = m_atoms[NumValidAtoms];
    atom = TAtomRecord{};
    atom.AtNum = record.AtNum;
    atom.x = record.x;
    atom.y = record.y;
    atom.z = record.z;
    atom.Charge = record.Charge;
    atom.AtWeight = record.AtWeight;
    atom.AtFlag = record.AtFlag;
    atom.Attrib = record.Attrib;
    for (int k = 0; k < kMaxNeighbours; ++k)
        if (record.ConnTo[k] != 0)
            SetConnection(NumValidAtoms, record.ConnTo[k], record.TypConn[k]);
    return true;
}

void TCTab::DeleteAtom(int i)
{
    if (!Valid(i))
        return;
    const int n = NumValidAtoms;
    const auto deleted = m_atoms[i];

    // 1. Unlink i and join its other neighbours to each atom that listed it. A pair that is bonded
    //    already keeps its bond. A joined bond gets one type on both sides: the type i had to the
    //    higher-numbered atom of the pair (so a in a-i-b, a < b, takes the type i had to b). A join
    //    that finds no free slot is dropped on both sides, so the lists stay within 10 slots.
    auto typeToward = [&](int atom) {
        for (int m = 0; m < kMaxNeighbours; ++m)
            if (deleted.ConnTo[m] == atom)
                return static_cast<int>(deleted.TypConn[m]);
        return 0;
    };
    std::vector<std::pair<int, int>> dropped;
    for (int a = 1; a <= n; ++a) {
        auto& atom = m_atoms[a];
        for (int k = 0; k < kMaxNeighbours; ++k) {
            if (atom.ConnTo[k] != i)
                continue;
            atom.ConnTo[k] = 0;
            atom.TypConn[k] = 0;
            for (int m = 0; m < kMaxNeighbours; ++m) {
                const int b = deleted.ConnTo[m];
                if (b == a || b == 0 || std::find(atom.ConnTo.begin(), atom.ConnTo.end(), b) != atom.ConnTo.end())
                    continue;
                auto* slot = std::find(atom.ConnTo.begin(), atom.ConnTo.end(), 0);
                if (slot == atom.ConnTo.end()) {
                    dropped.emplace_back(a, b);
                    continue;
                }
                *slot = static_cast<std::uint8_t>(b);
                atom.TypConn[slot - atom.ConnTo.begin()] = static_cast<std::uint8_t>(typeToward(std::max(a, b)));
            }
        }
    }
    for (const auto& [a, b] : dropped) {
        auto& listA = m_atoms[a].ConnTo;
        if (std::find(listA.begin(), listA.end(), b) != listA.end())
            continue; // a and b were bonded anyway
        auto& atomB = m_atoms[b];
        for (int k = kMaxNeighbours - 1; k >= 0; --k)
            if (atomB.ConnTo[k] == a) {
                atomB.ConnTo[k] = 0;
                atomB.TypConn[k] = 0;
                break;
            }
    }

    // 2.-4. The last atom takes the freed number.
    m_atoms[i] = m_atoms[n];
    NumValidAtoms = n - 1;
    for (int a = 1; a <= NumValidAtoms; ++a)
        for (auto& v : m_atoms[a].ConnTo)
            if (v == n)
                v = static_cast<std::uint8_t>(i);
    m_atoms[n] = TAtomRecord{};

    // 5. Strike repeated neighbours (the first entry stays) and close the gaps, keeping order.
    for (int a = 1; a <= NumValidAtoms; ++a) {
        auto& atom = m_atoms[a];
        TAtomRecord packed = atom;
        packed.ConnTo.fill(0);
        packed.TypConn.fill(0);
        int count = 0;
        for (int k = 0; k < kMaxNeighbours; ++k) {
            const auto v = atom.ConnTo[k];
            if (v == 0 || std::find(packed.ConnTo.begin(), packed.ConnTo.begin() + count, v) !=
                              packed.ConnTo.begin() + count)
                continue;
            packed.ConnTo[count] = v;
            packed.TypConn[count] = atom.TypConn[k];
            ++count;
        }
        atom = packed;
    }
}

void TCTab::Centroid(double& meanX, double& meanY, double& meanZ) const
{
    meanX = meanY = meanZ = 0.0;
    if (NumValidAtoms <= 0)
        return;
    for (int i = 1; i <= NumValidAtoms; ++i) {
        meanX += m_atoms[i].x;
        meanY += m_atoms[i].y;
        meanZ += m_atoms[i].z;
    }
    meanX /= NumValidAtoms;
    meanY /= NumValidAtoms;
    meanZ /= NumValidAtoms;
}

bool TCTab::SetCASFromText(const std::string& text)
{
    std::int32_t n = 0;
    if (!ParseCASText(text, n))
        return false;
    FCASNr = n;
    return true;
}

std::uint16_t CompareCtab(const TCTab& a, const TCTab& b)
{
    std::uint16_t mask = 0;
    if (a.NumValidAtoms != b.NumValidAtoms)
        mask |= kDiffNumValidAtoms;
    if (FoldUpper(a.FStrucName) != FoldUpper(b.FStrucName))
        mask |= kDiffStrucName;
    if (a.FCoordUnit != b.FCoordUnit)
        mask |= kDiffCoordUnit;
    if (a.FCASNr != b.FCASNr)
        mask |= kDiffCASNr;
    for (int i = 1; i <= kMaxAtoms; ++i) {
        const auto& p = a.m_atoms[i];
        const auto& q = b.m_atoms[i];
        if (p.AtNum != q.AtNum) mask |= kDiffAtNum;
        if (p.AtWeight != q.AtWeight) mask |= kDiffAtWeight;
        if (p.AtFlag != q.AtFlag) mask |= kDiffAtFlag;
        if (p.Attrib != q.Attrib) mask |= kDiffAttrib;
        if (p.Charge != q.Charge) mask |= kDiffCharge;
        if (p.x != q.x) mask |= kDiffX;
        if (p.y != q.y) mask |= kDiffY;
        if (p.z != q.z) mask |= kDiffZ;
        if (p.ConnTo != q.ConnTo) mask |= kDiffConnTo;
        if (p.TypConn != q.TypConn) mask |= kDiffTypConn;
    }
    return mask;
}

char FoldUpper(char c)
{
    const auto u = static_cast<unsigned char>(c);
    if (u >= 'a' && u <= 'z')
        return static_cast<char>(u - 'a' + 'A');
    switch (u) {
    case 129: return static_cast<char>(154);
    case 132: return static_cast<char>(142);
    case 148: return static_cast<char>(153);
    default: return c;
    }
}

std::string FoldUpper(const std::string& text)
{
    std::string folded = text;
    for (char& c : folded)
        c = FoldUpper(c);
    return folded;
}

bool CASNumberValid(std::int64_t n)
{
    if (n < 0)
        return false;
    const int check = static_cast<int>(n % 10);
    std::int64_t rest = n / 10;
    std::int64_t sum = 0;
    for (int weight = 1; rest > 0; ++weight, rest /= 10)
        sum += weight * (rest % 10);
    return sum % 10 == check;
}

std::string CASNumberText(std::int64_t n)
{
    const bool negative = n < 0;
    std::string digits = std::to_string(negative ? -n : n);
    if (digits.size() < 4)
        digits.insert(0, 4 - digits.size(), '0');
    digits.insert(digits.size() - 1, "-");
    digits.insert(digits.size() - 4, "-");
    return negative ? "-" + digits : digits;
}

std::string CASNumberShown(std::int64_t n) { return CASNumberText(n); }

bool ParseCASText(const std::string& text, std::int32_t& n)
{
    const auto first = text.find_first_not_of(' ');
    if (first == std::string::npos)
        return false;
    const auto last = text.find_last_not_of(' ');
    const std::string t = text.substr(first, last - first + 1);
    if (std::count(t.begin(), t.end(), '-') != 2)
        return false;
    const auto d1 = t.find('-');
    const auto d2 = t.find('-', d1 + 1);
    if (d2 + 2 != t.size() || d2 - d1 != 3)
        return false;
    const std::string digits = t.substr(0, d1) + t.substr(d1 + 1, 2) + t.substr(d2 + 1);
    std::int32_t value = 0;
    const auto [ptr, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
    if (ec != std::errc() || ptr != digits.data() + digits.size() || value < 0)
        return false;
    if (!CASNumberValid(value))
        return false;
    n = value;
    return true;
}

int FormalChargeOfCode(int code)
{
    switch (code) {
    case 1: return 3;
    case 2: return 2;
    case 3: return 1;
    case 5: return -1;
    case 6: return -2;
    case 7: return -3;
    default: return 0;
    }
}

int ChargeCodeOfFormal(int charge)
{
    switch (charge) {
    case 3: return 1;
    case 2: return 2;
    case 1: return 3;
    case -1: return 5;
    case -2: return 6;
    case -3: return 7;
    default: return 0;
    }
}

int EditorChargeSwap(int value)
{
    switch (value) {
    case 1: return 3;
    case 3: return 1;
    case 5: return -1;
    case -1: return 5;
    case 6: return -2;
    case -2: return 6;
    case 7: return -3;
    case -3: return 7;
    default: return value; // 0, 2 (+2 either way), the radical 4, values that are no code
    }
}

} // namespace velmora
