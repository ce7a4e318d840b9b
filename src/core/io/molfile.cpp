#include "io/molfile.h"

#include "base/numeric.h"
#include "base/numtext.h"
#include "model/elements.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cstdio>
#include <vector>
#include <cmath>

namespace velmora {

namespace {

// The decimal number at the start of a fixed field after any blanks, up to the first non-digit.
int FieldInteger(const std::string& line, std::size_t start, std::size_t width)
{
    if (start >= line.size())
        return 0;
    std::size_t p = start;
    const std::size_t end = std::min(line.size(), start + width);
    while (p < end && line[p] == ' ')
        ++p;
    int value = 0;
    while (p < end && line[p] >= '0' && line[p] <= '9')
        value = value * 10 + (line[p++] - '0');
    return value;
}

std::string Trim(const std::string& text)
{
    const auto first = text.find_first_not_of(' ');
    if (first == std::string::npos)
        return {};
    return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

// Whole numbers of a property line after its 6-character tag; stops at the first non-number.
std::vector<long> PropertyNumbers(const std::string& line)
{
    std::vector<long> numbers;
    std::size_t p = 6;
    while (p < line.size()) {
        while (p < line.size() && line[p] == ' ')
            ++p;
        if (p >= line.size())
            break;
        long value = 0;
        const char* begin = line.data() + p;
        const char* end = line.data() + line.size();
        if (*begin == '+')
            ++begin;
        const auto [ptr, ec] = std::from_chars(begin, end, value);
        if (ec != std::errc() || (ptr != end && *ptr != ' '))
            break;
        numbers.push_back(value);
        p = static_cast<std::size_t>(ptr - line.data());
    }
    return numbers;
}

int ChargeCode(long charge)
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

void PlaceCoordinates(TCTab& table, const double (*raw)[3])
{
    const int n = table.NumValidAtoms;
    double lo[3] = {1e10, 1e10, 1e10};
    double hi[3] = {-1e10, -1e10, -1e10};
    for (int i = 0; i < n; ++i)
        for (int c = 0; c < 3; ++c) {
            lo[c] = std::min(lo[c], raw[i][c]);
            hi[c] = std::max(hi[c], raw[i][c]);
        }
    double range[3];
    for (int c = 0; c < 3; ++c)
        range[c] = hi[c] - lo[c];
    const double sx = range[0] > 1e-6 ? 800.0 / range[0] : 0.0;
    const double sy = range[1] > 1e-6 ? 600.0 / range[1] : 0.0;
    double s = std::max(sx, sy);
    for (int c = 0; c < 3; ++c)
        if (range[c] > 0)
            s = std::min(s, 32767.0 / range[c]);
    for (int i = 0; i < n; ++i)
        for (int c = 0; c < 3; ++c) {
            double v = (raw[i][c] - lo[c]) * s;
            if (!std::isfinite(v)) // ranges beyond double's reach
                v = 0.0;
            table.SetCoord(i + 1, c + 1, static_cast<double>(Round(std::clamp(v, 0.0, 32767.0))));
        }
}

} // namespace

bool ReadMolRecord(TCTab& table, TextReader& file)
{
    MolReadStatus status;
    return ReadMolRecord(table, file, status);
}

bool ReadMolRecord(TCTab& table, TextReader& file, MolReadStatus& status)
{
    status = MolReadStatus{};
    std::string name;
    std::string line;
    file.ReadLine(name);
    file.SkipLine();
    file.SkipLine();
    file.ReadLine(line);
    const int n = FieldInteger(line, 0, 3);
    const int bondCount = FieldInteger(line, 3, 3);
    status.atomCount = n;

    const bool atomsRead = n >= 1 && n <= kMaxAtoms;
    if (!atomsRead) {
        status.atomCountOutOfRange = true;
    } else {
        table.Clear();
        table.NumValidAtoms = n;
        double raw[kMaxAtoms][3] = {};
        for (int i = 1; i <= n && !file.Eof(); ++i) {
            raw[i - 1][0] = file.ReadReal();
            raw[i - 1][1] = file.ReadReal();
            raw[i - 1][2] = file.ReadReal();
            const std::string symbol = Trim(file.ReadChars(3));
            const long long massDifference = file.ReadInteger();
            const long long charge = file.ReadInteger();
            file.SkipLine();
            auto& atom = table.MutableAtom(i);
            atom.AtNum = static_cast<std::uint8_t>(ElementNumber(symbol));
            atom.AtWeight = static_cast<std::uint8_t>(MassNumber(atom.AtNum) + massDifference);
            atom.Charge = static_cast<std::int8_t>(static_cast<std::uint8_t>(charge));
            for (int c = 0; c < 3; ++c)
                table.SetCoord(i, c + 1, raw[i - 1][c]);
        }
        for (int b = 0; b < bondCount && !file.Eof(); ++b) {
            const long long first = file.ReadInteger();
            const long long second = file.ReadInteger();
            long long type = file.ReadInteger();
            file.SkipLine();
            if (type < 1 || type > 4) {
                status.bondTypeInvalid = true;
                type = 1;
            }
            // An atom outside 1..n (or the atom itself) would write past the valid atoms.
            if (first < 1 || first > n || second < 1 || second > n || first == second) {
                status.bondAtomInvalid = true;
                break;
            }
            if (!table.SetConnection(static_cast<int>(first), static_cast<int>(second),
                                     static_cast<int>(type))) {
                status.neighbourOverflow = true;
                break;
            }
        }
        if (!file.Eof() && !status.neighbourOverflow && !status.bondAtomInvalid) {
            table.Symmetrize();
            PlaceCoordinates(table, raw);
        }
    }

    bool terminated = false;
    bool propertiesOpen = atomsRead;
    bool chargesReset = false;
    bool massesReset = false;
    while (!file.Eof()) {
        file.ReadLine(line);
        if (line == "$$$$") {
            terminated = true;
            break;
        }
        if (line == "> <CAS_RN>" || line == "> <CASREGNR>") {
            table.SetCASFromText(file.ReadLine());
            continue;
        }
        if (!propertiesOpen || line.size() < 6 || line.compare(0, 3, "M  ") != 0)
            continue;
        if (line.compare(0, 6, "M  END") == 0) {
            propertiesOpen = false;
        } else if (line.compare(0, 6, "M  CHG") == 0 || line.compare(0, 6, "M  ISO") == 0) {
            const bool charges = line[3] == 'C';
            if (charges && !chargesReset) {
                for (int i = 1; i <= n; ++i)
                    table.SetCharge(i, 0);
                chargesReset = true;
            }
            if (!charges && !massesReset) {
                for (int i = 1; i <= n; ++i)
                    table.SetAtWeight(i, MassNumber(table.AtNum(i)));
                massesReset = true;
            }
            const auto numbers = PropertyNumbers(line);
            const std::size_t pairs = numbers.empty() ? 0 : static_cast<std::size_t>(numbers[0]);
            for (std::size_t p = 0; p < pairs && 2 + 2 * p < numbers.size(); ++p) {
                const long atom = numbers[1 + 2 * p];
                const long value = numbers[2 + 2 * p];
                if (atom < 1 || atom > n)
                    continue;
                if (charges)
                    table.SetCharge(static_cast<int>(atom), ChargeCode(value));
                else
                    table.SetAtWeight(static_cast<int>(atom), static_cast<int>(value & 0xff));
            }
        }
    }
    status.missingTerminator = !terminated;
    table.FStrucName = name;
    return atomsRead && !status.bondTypeInvalid && !status.bondAtomInvalid && !status.neighbourOverflow &&
           terminated;
}

void WriteMolRecord(const TCTab& table, TextWriter& file, const std::string& initials,
                    const std::string& programField, int registryNumber, const std::string& comment,
                    const std::tm* when)
{
    const std::string& name = table.FStrucName;
    file.WriteLine(name.size() > 80 ? ".!/" + name.substr(0, 77) : name);

    std::tm now{};
    if (!when) {
        const std::time_t t = std::time(nullptr);
        localtime_r(&t, &now);
        when = &now;
    }
    char stamp[32];
    std::snprintf(stamp, sizeof stamp, "%02d%02d%02d%02d%02d", (when->tm_mon + 1) % 100,
                  when->tm_mday % 100, when->tm_year % 100, when->tm_hour % 100, when->tm_min % 100);
    file.WriteLine(FitWidth(initials, 2) + FitWidth(programField, 8) + FitWidth(stamp, 10) +
                   "2D 1   1.00000     0.00000" + FormatInt(registryNumber, 6));
    file.WriteLine(FitWidth(comment, 80));

    const int n = table.NumValidAtoms;
    int neighbourSum = 0;
    for (int i = 1; i <= n; ++i)
        neighbourSum += table.NumNeighbours(i);
    std::string counts = FormatInt(n, 3) + FormatInt(neighbourSum / 2, 3) + "  0  0";
    for (int k = 0; k < 7; ++k)
        counts += "  0";
    counts += "     ";
    file.WriteLine(counts);

    std::string text;
    for (int i = 1; i <= n; ++i) {
        const auto& atom = table.Atom(i);
        text = PadLeft(FormatFixed(atom.x * 0.001, 4), 10);
        text += PadLeft(FormatFixed(atom.y * 0.001, 4), 10);
        text += PadLeft(FormatFixed(atom.z * 0.001, 4), 10);
        text += ' ';
        text += FitWidth(ElementSymbol(atom.AtNum), 3);
        text += " 0";
        text += FormatInt(atom.Charge, 3);
        text += "  0";
        file.WriteLine(text);
    }

    // Each bond once, from the first atom that still lists it, struck from both copies.
    std::array<std::array<std::uint8_t, kMaxNeighbours>, kMaxAtoms + 1> lists{};
    for (int i = 1; i <= n; ++i)
        lists[i] = table.Atom(i).ConnTo;
    for (int a = 1; a <= n; ++a)
        for (int k = 0; k < kMaxNeighbours; ++k) {
            const int b = lists[a][k];
            if (b == 0)
                continue;
            file.WriteLine(FormatInt(a, 3) + FormatInt(b, 3) + FormatInt(table.Atom(a).TypConn[k], 3));
            lists[a][k] = 0;
            if (b <= kMaxAtoms) {
                auto& other = lists[b];
                const auto it = std::find(other.begin(), other.end(), a);
                if (it != other.end())
                    *it = 0;
            }
        }

    file.WriteLine();
    file.WriteLine("> <CAS_RN>");
    file.WriteLine(CASNumberText(table.FCASNr));
    file.WriteLine();
    file.WriteLine("$$$$");
}

long CountSDRecords(const std::string& fileName)
{
    TextReader reader(fileName);
    long count = 0;
    std::string line;
    while (!reader.Eof()) {
        reader.ReadLine(line);
        if (line == "$$$$")
            ++count;
    }
    return count;
}

} // namespace velmora
