// The connection table: accessors and their range checks, SetConnection, Symmetrize, AddAtom,
// DeleteAtom (renumbering, joining neighbours, the 10-slot limit), Centroid, CompareCtab,
// upper-case folding and CAS registry numbers.
#include "model/ctab.h"
#include "model/elements.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

namespace {

using velmora::TAtomRecord;
using velmora::TCTab;

struct Bond {
    int a, b, type;
};

// n carbon atoms tagged by Attrib = original number and x = number, with symmetric bonds.
TCTab Build(int n, const std::vector<Bond>& bonds)
{
    TCTab t;
    for (int i = 1; i <= n; ++i) {
        TAtomRecord r;
        r.AtNum = 6;
        r.AtWeight = 12;
        r.Attrib = static_cast<std::uint8_t>(i);
        r.x = static_cast<float>(i);
        EXPECT_TRUE(t.AddAtom(r));
    }
    for (const auto& b : bonds) {
        EXPECT_TRUE(t.SetConnection(b.a, b.b, b.type));
        EXPECT_TRUE(t.SetConnection(b.b, b.a, b.type));
    }
    return t;
}

int ByTag(const TCTab& t, int tag)
{
    for (int i = 1; i <= t.NumValidAtoms; ++i)
        if (t.Attrib(i) == tag)
            return i;
    return 0;
}

// The invariants every reader relies on: packed lists, no repeats or self-bonds, neighbours in
// 1..n, symmetric bonds with equal types, cleared records beyond n.
void ExpectSound(const TCTab& t)
{
    for (int i = 1; i <= t.NumValidAtoms; ++i) {
        const int k = t.NumNeighbours(i);
        EXPECT_LE(k, velmora::kMaxNeighbours);
        std::set<int> seen;
        for (int s = 1; s <= velmora::kMaxNeighbours; ++s) {
            const int j = t.ConnTo(i, s);
            if (s > k) {
                EXPECT_EQ(j, 0) << "gap in the list of atom " << i;
                EXPECT_EQ(t.TypConn(i, s), 0);
                continue;
            }
            EXPECT_TRUE(j >= 1 && j <= t.NumValidAtoms && j != i) << i << " lists " << j;
            EXPECT_TRUE(seen.insert(j).second) << i << " lists " << j << " twice";
            EXPECT_EQ(t.BondType(j, i), t.TypConn(i, s)) << "bond " << i << "-" << j;
        }
    }
    for (int i = t.NumValidAtoms + 1; i <= velmora::kMaxAtoms; ++i)
        EXPECT_EQ(t.Atom(i), TAtomRecord{}) << "record " << i << " not cleared";
}

TEST(TCTab, CreateClearAndAssignCoverEveryField)
{
    TCTab empty;
    EXPECT_TRUE(empty.NumValidAtoms == 0 && empty.FStrucName.empty() && empty.FCASNr == 0 &&
                empty.FCoordUnit == 0);
    ExpectSound(empty);

    TCTab source = Build(3, {{1, 2, 1}, {2, 3, 2}});
    source.FStrucName = "Propene";
    source.FCASNr = 115071;
    source.FCoordUnit = 7;
    source.SetCoord(3, 3, -1.5);
    source.MutableAtom(50).AtFlag = 9; // beyond n: Assign still copies all 63 records
    TCTab target = Build(5, {{4, 5, 3}});
    target.FStrucName = "other";
    target.Assign(source);
    EXPECT_EQ(velmora::CompareCtab(target, source), 0);
    EXPECT_EQ(target.FStrucName, "Propene"); // not merely equal after folding

    target.Clear();
    EXPECT_EQ(velmora::CompareCtab(target, TCTab{}), 0);
    EXPECT_EQ(target.FStrucName, "");
}

TEST(TCTab, AccessorsRejectAtomsOutsideTheTable)
{
    TCTab t = Build(2, {{1, 2, 1}});
    const TCTab before = t;
    for (int i : {-1, 0, 3, 64}) {
        SCOPED_TRACE(i);
        EXPECT_EQ(t.AtNum(i) + t.ConnTo(i, 1) + t.NumNeighbours(i), 0);
        EXPECT_EQ(t.Coord(i, 1), 0.0f);
        EXPECT_FALSE(t.SetAtNum(i, 6) || t.SetAtWeight(i, 12) || t.SetAttrib(i, 1) ||
                     t.SetCharge(i, 1) || t.SetConnToSlot(i, 1, 2) || t.SetTypConnSlot(i, 1, 2) ||
                     t.SetCoord(i, 1, 5.0));
    }
    EXPECT_FALSE(t.SetAtNum(1, 0));
    EXPECT_FALSE(t.SetAtNum(1, 104));
    EXPECT_EQ(velmora::CompareCtab(t, before), 0);

    EXPECT_TRUE(t.SetAtNum(1, 103));
    EXPECT_EQ(t.AtNum(1), 103);
    // Mass numbers of 256 and more are held as their low 8 bits (Fm 257 -> 1, Lr 256 -> 0).
    EXPECT_TRUE(t.SetAtWeight(1, velmora::MassNumber(100)));
    EXPECT_TRUE(t.SetAtWeight(2, velmora::MassNumber(103)));
    EXPECT_EQ(t.AtWeight(1), 1);
    EXPECT_EQ(t.AtWeight(2), 0);
}

TEST(TCTab, SetConnectionFillsFirstFreeSlotOrRetypesExistingEntry)
{
    TCTab t = Build(12, {});
    for (int j = 2; j <= 11; ++j)
        ASSERT_TRUE(t.SetConnection(1, j, 1));
    const TCTab full = t;
    EXPECT_FALSE(t.SetConnection(1, 12, 1)); // ten neighbours, none of them 12
    EXPECT_EQ(velmora::CompareCtab(t, full), 0);

    EXPECT_TRUE(t.SetConnection(1, 7, 3)); // present: only the type changes, in place
    EXPECT_EQ((std::vector<int>{t.ConnTo(1, 6), t.TypConn(1, 6), t.NumNeighbours(1)}), (std::vector<int>{7, 3, 10}));
    EXPECT_TRUE(t.SetConnection(1, 11, 2)); // slot 10 holding j counts as present
    EXPECT_EQ(t.TypConn(1, 10), 2);

    const TCTab retyped = t;
    EXPECT_TRUE(t.SetConnection(0, 3, 1)); // atom numbers below 1: success, nothing written
    EXPECT_TRUE(t.SetConnection(3, 0, 1));
    EXPECT_EQ(velmora::CompareCtab(t, retyped), 0);

    EXPECT_TRUE(t.SetConnection(12, 5, 4));
    // One direction only.
    EXPECT_EQ((std::vector<int>{t.ConnTo(12, 1), t.TypConn(12, 1), t.BondType(5, 12)}), (std::vector<int>{5, 4, 0}));
}

TEST(TCTab, SymmetrizeLetsTheLowerNumberedAtomsTypeWin)
{
    TCTab t = Build(4, {});
    t.SetConnection(1, 2, 2); // 1 says double, 2 says single: 2 wins from atom 1
    t.SetConnection(2, 1, 1);
    t.SetConnection(3, 4, 1); // 3 says single, 4 says triple: single wins from atom 3
    t.SetConnection(4, 3, 3);
    t.SetConnection(4, 1, 4); // one-sided bond is completed
    t.Symmetrize();
    EXPECT_EQ((std::vector<int>{t.BondType(1, 2), t.BondType(2, 1), t.BondType(3, 4), t.BondType(4, 3), t.BondType(1, 4)}),
              (std::vector<int>{2, 2, 1, 1, 4}));
    ExpectSound(t);
}

TEST(TCTab, AddAtomCopiesTheRecordAndFillsOnlyItsOwnList)
{
    TCTab t = Build(2, {{1, 2, 1}});
    TAtomRecord r;
    r.AtNum = 8;
    r.AtWeight = 18;
    r.AtFlag = 4;
    r.Attrib = 200;
    r.Charge = -1;
    r.x = 1.5f;
    r.y = -2.5f;
    r.z = 3.25f;
    r.ConnTo = {0, 0, 1, 0, 2};
    r.TypConn = {0, 0, 2, 0, 1};
    ASSERT_TRUE(t.AddAtom(r));
    ASSERT_EQ(t.NumValidAtoms, 3);
    TAtomRecord expected = r;
    expected.ConnTo = {1, 2};
    expected.TypConn = {2, 1};
    EXPECT_EQ(t.Atom(3), expected);
    EXPECT_EQ(std::make_pair(t.NumNeighbours(1), t.NumNeighbours(2)), std::make_pair(1, 1)); // lists untouched

    TCTab full = Build(velmora::kMaxAtoms, {});
    const TCTab before = full;
    EXPECT_FALSE(full.AddAtom(r));
    EXPECT_EQ(full.NumValidAtoms, velmora::kMaxAtoms);
    EXPECT_EQ(velmora::CompareCtab(full, before), 0);
}

// Deleting the middle atom of a-i-b joins a and b with the type i had to b (a < b), on both sides.
TEST(TCTab, DeleteMiddleAtomJoinsItsNeighbours)
{
    TCTab t = Build(3, {{1, 2, 1}, {2, 3, 2}});
    t.DeleteAtom(2);
    ASSERT_EQ(t.NumValidAtoms, 2);
    EXPECT_EQ(t.Attrib(2), 3); // former atom 3 took number 2
    ExpectSound(t);
    EXPECT_EQ((std::vector<int>{t.BondType(1, 2), t.NumNeighbours(1), t.NumNeighbours(2)}), (std::vector<int>{2, 1, 1}));

    TCTab ring = Build(3, {{1, 2, 1}, {2, 3, 2}, {3, 1, 1}});
    ring.DeleteAtom(1); // the remaining pair was bonded already: one entry each, not two
    ASSERT_EQ(ring.NumValidAtoms, 2);
    ExpectSound(ring);
    // And their own bond keeps its type.
    EXPECT_EQ((std::vector<int>{ring.BondType(1, 2), ring.NumNeighbours(1), ring.NumNeighbours(2)}),
              (std::vector<int>{2, 1, 1}));
}

TEST(TCTab, DeleteTerminalAtomLeavesNeighbourListPacked)
{
    // C1 with H2, H3, H4 and a double bond to C5.
    TCTab t = Build(5, {{1, 2, 1}, {1, 3, 1}, {1, 4, 1}, {1, 5, 2}});
    t.DeleteAtom(3);
    ASSERT_EQ(t.NumValidAtoms, 4);
    EXPECT_EQ(t.Attrib(3), 5);
    const std::vector<int> conn = {t.ConnTo(1, 1), t.ConnTo(1, 2), t.ConnTo(1, 3), t.ConnTo(1, 4)};
    const std::vector<int> type = {t.TypConn(1, 1), t.TypConn(1, 2), t.TypConn(1, 3), t.TypConn(1, 4)};
    EXPECT_EQ(conn, (std::vector<int>{2, 4, 3, 0}));
    EXPECT_EQ(type, (std::vector<int>{1, 1, 2, 0}));
    ExpectSound(t);
}

TEST(TCTab, DeleteFirstAtomMovesLastRecordWhole)
{
    TCTab t = Build(3, {{1, 2, 1}, {2, 3, 3}});
    TAtomRecord& last = t.MutableAtom(3);
    last.AtNum = 7;
    last.AtWeight = 15;
    last.Charge = -1;
    last.y = 8.0f;
    last.z = 9.0f;
    TAtomRecord expected = last; // its list keeps atom 2, which keeps its number
    t.DeleteAtom(1);
    ASSERT_EQ(t.NumValidAtoms, 2);
    EXPECT_EQ(t.Atom(1), expected);
    EXPECT_EQ(t.BondType(2, 1), 3); // the reference to old atom 3 now names atom 1
    ExpectSound(t);

    t.DeleteAtom(2); // the last atom
    t.DeleteAtom(5); // outside 1..n: nothing happens
    ASSERT_EQ(t.NumValidAtoms, 1);
    EXPECT_EQ(t.NumNeighbours(1), 0);
    ExpectSound(t);
}

// i bonded to a, b, c; a already has ten neighbours. a can take only b after losing i, so the
// join a-c is dropped on both sides and every list keeps within 10 slots.
TEST(TCTab, DeleteAtomDropsJoinsBeyondTenSlotsOnBothSides)
{
    std::vector<Bond> bonds = {{1, 2, 1}, {1, 3, 1}, {1, 4, 1}};
    for (int j = 5; j <= 13; ++j)
        bonds.push_back({2, j, 1});
    TCTab t = Build(13, bonds);
    t.DeleteAtom(1);
    ASSERT_EQ(t.NumValidAtoms, 12);
    ExpectSound(t);
    const int a = ByTag(t, 2), b = ByTag(t, 3), c = ByTag(t, 4);
    EXPECT_EQ(t.NumNeighbours(a), 10);
    EXPECT_EQ((std::vector<int>{t.BondType(a, b), t.BondType(a, c), t.BondType(b, c)}), (std::vector<int>{1, 0, 1}));
    for (int tag = 5; tag <= 13; ++tag)
        EXPECT_EQ(t.BondType(a, ByTag(t, tag)), 1) << tag;
}

TEST(TCTab, Centroid)
{
    TCTab t = Build(3, {});
    t.SetCoord(1, 1, 1.0);
    t.SetCoord(3, 1, 6.0); // x: 1, 2, 6
    for (int i = 1; i <= 3; ++i)
        t.SetCoord(i, 2, 0.5);
    t.SetCoord(1, 3, -3.0);
    double x = 0, y = 0, z = 0;
    t.Centroid(x, y, z);
    EXPECT_EQ(std::make_tuple(x, y, z), std::make_tuple(3.0, 0.5, -1.0));
    x = y = z = 99.0;
    TCTab{}.Centroid(x, y, z);
    EXPECT_EQ(std::make_tuple(x, y, z), std::make_tuple(0.0, 0.0, 0.0));
}

TEST(CompareCtab, OneBitPerKindOfField)
{
    TCTab base = Build(3, {{1, 2, 1}, {2, 3, 2}});
    base.FStrucName = "Acetone";
    struct Case {
        const char* what;
        void (*change)(TCTab&);
        std::uint16_t mask;
    };
    const std::vector<Case> cases = {
        {"n", [](TCTab& t) { t.NumValidAtoms = 2; }, 1},
        {"name", [](TCTab& t) { t.FStrucName = "Acetona"; }, 2},
        {"unit", [](TCTab& t) { t.FCoordUnit = 1; }, 4},
        {"cas", [](TCTab& t) { t.FCASNr = 67641; }, 8},
        {"atnum", [](TCTab& t) { t.MutableAtom(2).AtNum = 8; }, 16},
        {"weight", [](TCTab& t) { t.MutableAtom(2).AtWeight = 13; }, 32},
        {"flag", [](TCTab& t) { t.MutableAtom(1).AtFlag = 1; }, 64},
        {"attrib", [](TCTab& t) { t.MutableAtom(3).Attrib = 0; }, 128},
        {"charge", [](TCTab& t) { t.MutableAtom(3).Charge = 3; }, 256},
        {"x", [](TCTab& t) { t.MutableAtom(1).x = 1.0000001f; }, 512},
        {"y", [](TCTab& t) { t.MutableAtom(1).y = 0.5f; }, 1024},
        {"z", [](TCTab& t) { t.MutableAtom(3).z = -0.5f; }, 2048},
        {"connto", [](TCTab& t) { std::swap(t.MutableAtom(2).ConnTo[0], t.MutableAtom(2).ConnTo[1]); }, 4096},
        {"typconn", [](TCTab& t) { t.MutableAtom(3).TypConn[0] = 1; }, 8192},
        // Records beyond n take part too.
        {"beyond n", [](TCTab& t) { t.MutableAtom(63).AtNum = 6; t.MutableAtom(40).z = 1.0f; }, 16 | 2048},
        {"several", [](TCTab& t) { t.FCASNr = 1; t.MutableAtom(1).Charge = -1; t.MutableAtom(1).TypConn[0] = 2; },
         8 | 256 | 8192},
        // Names are compared after upper-case folding, umlauts of code page 437 included.
        {"case", [](TCTab& t) { t.FStrucName = "aCETONE"; }, 0},
        {"longer name", [](TCTab& t) { t.FStrucName = "Acetone \x81\x84\x94"; }, 2},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        TCTab changed = base;
        c.change(changed);
        EXPECT_EQ(velmora::CompareCtab(base, changed), c.mask);
        EXPECT_EQ(velmora::CompareCtab(changed, base), c.mask);
    }
    TCTab upper = base, lower = base;
    upper.FStrucName = "Br\x9A" "cke \x8E\x99";
    lower.FStrucName = "br\x81" "CKE \x84\x94";
    EXPECT_EQ(velmora::CompareCtab(upper, lower), 0);
    lower.FStrucName = "br\x81" "CKE \x84\x94\x82"; // 130 (e acute) is not folded: differs from 144
    upper.FStrucName = "Br\x9A" "cke \x8E\x99\x90";
    EXPECT_EQ(velmora::CompareCtab(upper, lower), 2);
}

TEST(FoldUpper, OnlyLettersAndThreeUmlautsChange)
{
    for (int c = 0; c < 256; ++c) {
        int expected = c;
        if (c >= 'a' && c <= 'z')
            expected = c - 32;
        else if (c == 129)
            expected = 154;
        else if (c == 132)
            expected = 142;
        else if (c == 148)
            expected = 153;
        EXPECT_EQ(static_cast<unsigned char>(velmora::FoldUpper(static_cast<char>(c))), expected) << c;
    }
    EXPECT_EQ(velmora::FoldUpper(std::string("m\x81nchen-1,2")), "M\x9A" "NCHEN-1,2");
}

TEST(CASNumber, CheckDigitAndText)
{
    // Valid: water 7732-18-5, ethanol 64-17-5, benzene 71-43-2, alumina 1344-28-1, 50-00-0, 0.
    for (long long n : {7732185LL, 64175LL, 71432LL, 1344281LL, 50000LL, 0LL})
        EXPECT_TRUE(velmora::CASNumberValid(n)) << n;
    for (long long n : {7732186LL, 64176LL, 71430LL, 50001LL, 1LL})
        EXPECT_FALSE(velmora::CASNumberValid(n)) << n;

    for (const auto& [n, text] : std::vector<std::pair<int, std::string>>{
             {50000, "50-00-0"}, {0, "0-00-0"}, {5, "0-00-5"}, {1234, "1-23-4"}, {7732185, "7732-18-5"}})
        EXPECT_EQ(velmora::CASNumberText(n), text);
    // Shown the same way on every page and printout, also without a number.
    EXPECT_EQ(velmora::CASNumberShown(0), "0-00-0");
    EXPECT_EQ(velmora::CASNumberShown(7732185), "7732-18-5");
}

TEST(CASNumber, SetFromTextChangesOnlyOnValidText)
{
    const std::vector<std::pair<std::string, int>> good = {
        {"50-00-0", 50000}, {" 50-00-0 ", 50000}, {"7732-18-5", 7732185}, {"0-00-0", 0},
        {"1344-28-1", 1344281},
    };
    for (const auto& [text, value] : good) {
        TCTab t;
        t.FCASNr = 64175;
        EXPECT_TRUE(t.SetCASFromText(text)) << text;
        EXPECT_EQ(t.FCASNr, value) << text;
    }
    const std::vector<std::string> bad = {
        "50-00-1", "5-000-0", "50-0-0", "50-00-00", "50--00-0", "-50-00-0", "5000-0", "500000",
        "", "   ", "5a-00-0", "50-0a-0", "50-00-x", "50 -00-0", "50-00-0-", "99999999999999-99-0",
    };
    for (const auto& text : bad) {
        TCTab t;
        t.FCASNr = 64175;
        EXPECT_FALSE(t.SetCASFromText(text)) << text;
        EXPECT_EQ(t.FCASNr, 64175) << text;
    }
    // Text and parsing agree for valid numbers.
    for (int n : {50000, 7732185, 71432, 0, 1000000009}) {
        TCTab t;
        EXPECT_TRUE(t.SetCASFromText(velmora::CASNumberText(n))) << n;
        EXPECT_EQ(t.FCASNr, n);
    }
}

} // namespace
