#pragma once
// TCTab, the connection table: the one in-memory form of a molecule. At most 63 atoms, numbered
// 1..n; each atom keeps its own list of at most 10 neighbours with the bond type to each
// (1 single, 2 double, 3 triple, 4 aromatic). There is no bond list: a bond a-b is b in the list
// of a and a in the list of b.
//
// Invariants kept by the operations and expected by every reader: neighbour entries fill slots
// 1..k without gaps and name each neighbour once; bonds are symmetric (restored by Symmetrize
// after one-sided reading); records beyond NumValidAtoms are cleared.
#include <array>
#include <cstdint>
#include <string>

namespace velmora {

constexpr int kMaxAtoms = 63;
constexpr int kMaxNeighbours = 10;

struct TAtomRecord {
    std::uint8_t AtNum = 0;    // element number 1..103; 0 when cleared or unknown
    std::uint8_t AtWeight = 0; // mass number, low 8 bits
    std::uint8_t AtFlag = 0;   // scratch mark of graph searches, 0 at rest
    std::uint8_t Attrib = 0;   // carried through files, not interpreted
    std::int8_t Charge = 0;    // molfile charge code; the editor's structure holds formal charges
    std::array<std::uint8_t, kMaxNeighbours> ConnTo{};  // slot k-1 holds slot k
    std::array<std::uint8_t, kMaxNeighbours> TypConn{};
    float x = 0.0f;
    float y = 0.0f;
    float z = 0.0f;

    friend bool operator==(const TAtomRecord&, const TAtomRecord&) = default;
};

// CompareCtab result bits.
enum CtabDifference : std::uint16_t {
    kDiffNumValidAtoms = 1 << 0,
    kDiffStrucName = 1 << 1,
    kDiffCoordUnit = 1 << 2,
    kDiffCASNr = 1 << 3,
    kDiffAtNum = 1 << 4,
    kDiffAtWeight = 1 << 5,
    kDiffAtFlag = 1 << 6,
    kDiffAttrib = 1 << 7,
    kDiffCharge = 1 << 8,
    kDiffX = 1 << 9,
    kDiffY = 1 << 10,
    kDiffZ = 1 << 11,
    kDiffConnTo = 1 << 12,
    kDiffTypConn = 1 << 13,
};

class TCTab {
public:
    TCTab() = default; // Create: the empty table
    virtual ~TCTab() = default;
    TCTab(const TCTab&) = default;
    TCTab& operator=(const TCTab&) = default;

    void Clear();
    void Assign(const TCTab& source);

    // Read accessors: 0 when i is outside 1..n. k must be 1..10, c 1..3.
    int AtNum(int i) const { return Valid(i) ? m_atoms[i].AtNum : 0; }
    int AtWeight(int i) const { return Valid(i) ? m_atoms[i].AtWeight : 0; }
    int AtFlag(int i) const { return Valid(i) ? m_atoms[i].AtFlag : 0; }
    int Attrib(int i) const { return Valid(i) ? m_atoms[i].Attrib : 0; }
    int Charge(int i) const { return Valid(i) ? m_atoms[i].Charge : 0; }
    int ConnTo(int i, int k) const { return Valid(i) ? m_atoms[i].ConnTo[k - 1] : 0; }
    int TypConn(int i, int k) const { return Valid(i) ? m_atoms[i].TypConn[k - 1] : 0; }
    float Coord(int i, int c) const;
    int NumNeighbours(int i) const
    {
        if (!Valid(i))
            return 0;
        int count = 0;
        for (auto v : m_atoms[i].ConnTo)
            count += v != 0;
        return count;
    }
    int BondType(int i, int j) const;

    // Write accessors: false and no change when i is outside 1..n.
    bool SetAtNum(int i, int v);
    bool SetAtWeight(int i, int v);
    bool SetAtFlag(int i, int v);
    bool SetAttrib(int i, int v);
    bool SetCharge(int i, int v);
    bool SetConnToSlot(int i, int k, int v);
    bool SetTypConnSlot(int i, int k, int t);
    bool SetCoord(int i, int c, double value);

    // Enters j with type t in the list of i only. False when the list is full without j.
    bool SetConnection(int i, int j, int t);
    // Completes every bond in the other direction; the lower-numbered atom's type wins.
    void Symmetrize();
    // Appends an atom with its own neighbour list; neighbours' lists are not touched.
    bool AddAtom(const TAtomRecord& record);
    // Removes atom i (1..n) and joins its neighbours to one another. Joins that would pass the
    // 10-slot limit are dropped.
    void DeleteAtom(int i);
    void Centroid(double& meanX, double& meanY, double& meanZ) const;

    // Direct record access for readers and algorithms; i is 1..63.
    const TAtomRecord& Atom(int i) const { return m_atoms[i]; }
    TAtomRecord& MutableAtom(int i) { return m_atoms[i]; }

    // Parses "digits-dd-d" (blanks around allowed) and sets FCASNr when the check digit holds.
    bool SetCASFromText(const std::string& text);

    std::int32_t NumValidAtoms = 0;
    std::string FStrucName;
    std::int32_t FCASNr = 0;
    std::uint8_t FCoordUnit = 0;

private:
    bool Valid(int i) const { return i >= 1 && i <= NumValidAtoms; }
    std::array<TAtomRecord, kMaxAtoms + 1> m_atoms{}; // index 0 unused

    friend std::uint16_t CompareCtab(const TCTab& a, const TCTab& b);
};

// One bit per kind of field that differs (CtabDifference); all 63 records are compared and names
// are compared after upper-case folding.
std::uint16_t CompareCtab(const TCTab& a, const TCTab& b);

// Upper-case folding: a..z and the code page 437 umlauts 129, 132, 148 to 154, 142, 153.
char FoldUpper(char c);
std::string FoldUpper(const std::string& text);

bool CASNumberValid(std::int64_t n);
// digits padded to 4, then "-" before the last three digits and before the last digit.
std::string CASNumberText(std::int64_t n);
// The CAS number as every page, printout, report and export shows it: its text with dashes, and
// "0-00-0" for a structure without one (so a printed cell is what the screen showed).
std::string CASNumberShown(std::int64_t n);
// Parses a CAS text; returns false (and leaves n) on any fault.
bool ParseCASText(const std::string& text, std::int32_t& n);

// Charges. Structures read from files, the query and the library hold molfile charge codes
// (3 = +1, 2 = +2, 1 = +3, 5 = -1, 6 = -2, 7 = -3, 4 = doublet radical); the structure editor
// holds formal charges.
// The formal charge of a code: 0 for 0, the radical and every value that is no code.
int FormalChargeOfCode(int code);
// The code of a formal charge -3..+3; 0 for any other value.
int ChargeCodeOfFormal(int charge);
// Between code and the editor's charge: the codes of charges and their formal charges trade
// places and every other value (0, the radical, values that are no code) stays, so a structure
// that passes through the editor unchanged keeps every charge byte. Its own inverse.
int EditorChargeSwap(int value);

} // namespace velmora
