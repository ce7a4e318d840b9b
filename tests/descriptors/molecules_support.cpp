#include "molecules_support.h"

#include "io/molfile.h"
#include "model/elements.h"
#include "test_support.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <map>
#include <set>
#include <stdexcept>

namespace velmora::test {

namespace {

void Connect(TCTab& t, int a, int b, int type)
{
    if (!t.SetConnection(a, b, type) || !t.SetConnection(b, a, type))
        throw std::runtime_error("test structure: neighbour list full");
}

int AddAtom(TCTab& t, int atNum, int charge = 0)
{
    if (t.NumValidAtoms >= kMaxAtoms)
        throw std::runtime_error("test structure: too many atoms");
    ++t.NumValidAtoms;
    t.SetAtNum(t.NumValidAtoms, atNum);
    t.SetAtWeight(t.NumValidAtoms, MassNumber(atNum));
    t.SetCharge(t.NumValidAtoms, charge);
    return t.NumValidAtoms;
}

int ChargeCode(int charge) { return charge == 0 ? 0 : 4 - charge; }

} // namespace

TCTab Smiles(const std::string& text)
{
    TCTab t;
    std::vector<bool> aromatic(1, false);
    std::vector<int> branchStack;
    std::map<int, std::pair<int, int>> openRings; // digit -> (atom, bond type written)
    int previous = 0;
    int pendingBond = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '.') {
            previous = 0;
            continue;
        }
        if (c == '(') {
            branchStack.push_back(previous);
            continue;
        }
        if (c == ')') {
            previous = branchStack.back();
            branchStack.pop_back();
            continue;
        }
        if (c == '-' || c == '=' || c == '#' || c == ':') {
            pendingBond = c == '-' ? 1 : c == '=' ? 2 : c == '#' ? 3 : 4;
            continue;
        }
        if (std::isdigit(static_cast<unsigned char>(c))) {
            const int digit = c - '0';
            auto open = openRings.find(digit);
            if (open == openRings.end()) {
                openRings[digit] = {previous, pendingBond};
            } else {
                const int other = open->second.first;
                int type = pendingBond ? pendingBond : open->second.second;
                if (!type)
                    type = aromatic[other] && aromatic[previous] ? 4 : 1;
                Connect(t, previous, other, type);
                openRings.erase(open);
            }
            pendingBond = 0;
            continue;
        }
        int atNum = 0;
        int charge = 0;
        bool isAromatic = false;
        if (c == '[') {
            const std::size_t close = text.find(']', i);
            std::string inside = text.substr(i + 1, close - i - 1);
            i = close;
            while (!inside.empty() && (inside.back() == '+' || inside.back() == '-')) {
                charge += inside.back() == '+' ? 1 : -1;
                inside.pop_back();
            }
            atNum = ElementNumber(inside);
        } else if (std::islower(static_cast<unsigned char>(c))) {
            isAromatic = true;
            atNum = ElementNumber(std::string(1, static_cast<char>(std::toupper(c))));
        } else {
            std::string symbol(1, c);
            if (i + 1 < text.size() && (text.substr(i, 2) == "Cl" || text.substr(i, 2) == "Br")) {
                symbol = text.substr(i, 2);
                ++i;
            }
            atNum = ElementNumber(symbol);
        }
        if (atNum == 0)
            throw std::runtime_error("test structure: unknown atom in " + text);
        const int atom = AddAtom(t, atNum, ChargeCode(charge));
        aromatic.push_back(isAromatic);
        if (previous != 0) {
            int type = pendingBond ? pendingBond : (aromatic[previous] && isAromatic ? 4 : 1);
            Connect(t, previous, atom, type);
        }
        pendingBond = 0;
        previous = atom;
    }
    return t;
}

TCTab Graph(const std::vector<int>& atNums, const std::vector<Bond>& bonds)
{
    TCTab t;
    for (int z : atNums)
        AddAtom(t, z);
    for (const Bond& b : bonds)
        Connect(t, b.a, b.b, b.type);
    return t;
}

std::vector<TCTab> ReadStructures(const std::string& dataFile)
{
    TextReader reader(DataFile(dataFile));
    std::vector<TCTab> result;
    TCTab table;
    while (!reader.Eof()) {
        MolReadStatus status;
        ReadMolRecord(table, reader, status);
        if (!status.atomCountOutOfRange)
            result.push_back(table);
    }
    return result;
}

std::vector<std::string> DataSdFiles()
{
    return {"nci1000.sdf", "nci300_aromatic.sdf", "first_200.props.sdf", "pubchem.200.sdf",
            "bzr.sdf", "cdk2.sdf", "egfr.sdf", "query.mol"};
}

} // namespace velmora::test
