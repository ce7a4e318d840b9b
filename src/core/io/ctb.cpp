#include "io/ctb.h"

#include "base/numtext.h"

#include <algorithm>

namespace velmora {

void WriteCTB(const TCTab& table, TextWriter& file, int fractionDigits)
{
    const int n = table.NumValidAtoms;
    if (n < 1)
        return;
    const std::string& name = table.FStrucName;
    const int nameLines = name.empty() ? 0 : static_cast<int>((name.size() - 1) / 70 + 1);
    file.WriteLine("/CONTAB " + FormatInt(2 * n + nameLines, 4) + " " + FormatInt(n, 4));
    for (int line = 0; line < nameLines; ++line)
        file.WriteLine(" " + name.substr(static_cast<std::size_t>(line) * 70, 70));
    for (int i = 1; i <= n; ++i) {
        const auto& atom = table.Atom(i);
        file.WriteLine(" " + FormatInt(i, 3) + " " + FormatInt(atom.AtNum, 3) + " " +
                       FormatInt(atom.AtWeight, 3) + " " + FormatInt(atom.Attrib, 3) + " " +
                       FormatInt(atom.Charge, 2) + " " + FormatExponent(atom.x, fractionDigits) + " " +
                       FormatExponent(atom.y, fractionDigits) + " " +
                       FormatExponent(atom.z, fractionDigits));
        const int k = table.NumNeighbours(i);
        std::string links = " " + FormatInt(k, 2);
        for (int slot = 1; slot <= k; ++slot)
            links += " " + FormatInt(table.ConnTo(i, slot), 2);
        for (int slot = 1; slot <= k; ++slot)
            links += " " + FormatInt(table.TypConn(i, slot), 1);
        file.WriteLine(links);
    }
}

namespace {
// Moves the reader past the next "/CONTAB" keyword; false at the end of the file. The word after
// a "/" ends at a blank, a line end or another "/" (at most 8 characters), and a "/" that ends it
// starts the next try, so a slash shortly before the keyword cannot hide it.
bool FindRecord(TextReader& file)
{
    int c = file.ReadChar();
    for (;;) {
        while (c >= 0 && c != '/')
            c = file.ReadChar();
        if (c < 0)
            return false;
        std::string word;
        c = file.ReadChar();
        while (c >= 0 && c != '/' && c != '\r' && c != '\n' && word.size() < 8) {
            word.push_back(static_cast<char>(c));
            if (c == ' ')
                break;
            c = file.ReadChar();
        }
        if (word.find("CONTAB") != std::string::npos)
            return true;
        if (c != '/')
            c = file.ReadChar();
    }
}
} // namespace

bool ReadCTB(TCTab& table, TextReader& file)
{
    if (!FindRecord(file))
        return false;
    const long long lines = file.ReadInteger();
    const long long n = file.ReadInteger();
    file.SkipLine();
    if (lines <= 0 || n < 0)
        return false;
    table.Clear();
    bool success = true;
    const long long nameLines = n > lines / 2 ? 0 : lines - 2 * n; // no overflow for any counts
    for (long long line = 0; line < nameLines; ++line) {
        if (file.Eof())
            return false; // cut short: the name lines are missing
        file.ReadChar();
        table.FStrucName += file.ReadLine();
    }
    for (long long i = 0; i < n; ++i) {
        if (file.Eof())
            return false; // cut short: atoms are missing
        TAtomRecord atom;
        file.ReadInteger();
        atom.AtNum = static_cast<std::uint8_t>(file.ReadInteger());
        atom.AtWeight = static_cast<std::uint8_t>(file.ReadInteger());
        atom.Attrib = static_cast<std::uint8_t>(file.ReadInteger());
        atom.Charge = static_cast<std::int8_t>(static_cast<std::uint8_t>(file.ReadInteger()));
        atom.x = static_cast<float>(file.ReadReal());
        atom.y = static_cast<float>(file.ReadReal());
        atom.z = static_cast<float>(file.ReadReal());
        const long long k = file.ReadInteger();
        if (k < 0 || k > kMaxNeighbours)
            return false; // the rest of the record cannot be located reliably
        long long neighbours[kMaxNeighbours] = {};
        for (long long slot = 0; slot < k; ++slot)
            neighbours[slot] = file.ReadInteger();
        for (long long slot = 0; slot < k; ++slot) {
            const long long type = file.ReadInteger();
            if (neighbours[slot] < 1 || neighbours[slot] > std::min<long long>(n, kMaxAtoms) ||
                neighbours[slot] == i + 1) {
                success = false; // a neighbour outside the table would write past the valid atoms
                continue;
            }
            atom.ConnTo[static_cast<std::size_t>(slot)] = static_cast<std::uint8_t>(neighbours[slot]);
            atom.TypConn[static_cast<std::size_t>(slot)] = static_cast<std::uint8_t>(type);
        }
        if (file.NumberMissing())
            return false; // the file ended inside an atom's lines
        if (!table.AddAtom(atom))
            success = false;
    }
    return success;
}

} // namespace velmora
