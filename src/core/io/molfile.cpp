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
    return charge < -3 || charge > 3 ? 0 : ChargeCodeOfFormal(static_cast<int>(charge));
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


struct BondLine {
    int first;
    int second;
    int type;
};

// Each bond once, from the first atom (ascending) that still lists it, in slot order; struck
// from both lists as it is written.
std::vector<BondLine> AscendingBondLines(const TCTab& table)
{
    std::vector<BondLine> lines;
    const int n = table.NumValidAtoms;
    std::array<std::array<std::uint8_t, kMaxNeighbours>, kMaxAtoms + 1> lists{};
    for (int i = 1; i <= n; ++i)
        lists[i] = table.Atom(i).ConnTo;
    for (int a = 1; a <= n; ++a)
        for (int k = 0; k < kMaxNeighbours; ++k) {
            const int b = lists[a][k];
            if (b == 0)
                continue;
            lines.push_back({a, b, table.Atom(a).TypConn[k]});
            lists[a][k] = 0;
            if (b <= kMaxAtoms) {
                auto& other = lists[b];
                const auto it = std::find(other.begin(), other.end(), a);
                if (it != other.end())
                    *it = 0;
            }
        }
    return lines;
}

// The reader leaves every atom's list as the bonds that name it first, in file order, followed by
// the atoms that name it second, ascending. Writing every bond lower atom first reproduces a list
// only when it already has that shape; otherwise the re-read table would list neighbours in
// another order (and order-dependent descriptors could change). Choosing for each bond which end
// names it first is then a 2-satisfiability problem: per atom the "named second" entries must be
// an ascending suffix of its list, and each bond is named second at exactly one end.
bool OrderPreservingBondLines(const TCTab& table, std::vector<BondLine>& lines)
{
    const int n = table.NumValidAtoms;
    std::array<int, kMaxAtoms + 2> firstVar{};
    std::array<int, kMaxAtoms + 1> degree{};
    int variables = 0;
    for (int a = 1; a <= n; ++a) {
        firstVar[a] = variables;
        degree[a] = table.NumNeighbours(a);
        variables += degree[a];
    }
    auto slotOf = [&](int a, int b) {
        for (int p = 0; p < degree[a]; ++p)
            if (table.Atom(a).ConnTo[p] == b)
                return p;
        return -1;
    };
    // Literal 2v: entry v is named second (appended by the reader); 2v + 1: its negation.
    std::vector<std::vector<int>> graph(static_cast<std::size_t>(2 * variables));
    auto imply = [&](int from, int to) { graph[static_cast<std::size_t>(from)].push_back(to); };
    auto clause = [&](int x, int y) { // x or y
        imply(x ^ 1, y);
        imply(y ^ 1, x);
    };
    for (int a = 1; a <= n; ++a) {
        const auto& list = table.Atom(a).ConnTo;
        int ascendingFrom = degree[a] - 1;
        while (ascendingFrom > 0 && list[ascendingFrom - 1] < list[ascendingFrom])
            --ascendingFrom;
        for (int p = 0; p < degree[a]; ++p) {
            const int v = firstVar[a] + p;
            if (p < ascendingFrom)
                clause(2 * v + 1, 2 * v + 1);
            if (p + 1 < degree[a])
                clause(2 * v + 1, 2 * (v + 1)); // suffix: second here means second after
            const int b = list[p];
            if (b < 1 || b > n || b == a)
                return false;
            const int q = slotOf(b, a);
            if (q < 0 || table.Atom(b).TypConn[q] != table.Atom(a).TypConn[p])
                return false; // one-sided or inconsistent: no re-read gives it
            const int w = firstVar[b] + q;
            if (a < b) {
                clause(2 * v, 2 * w);         // named second at one end at least
                clause(2 * v + 1, 2 * w + 1); // and not at both
            }
        }
    }
    // Tarjan's strongly connected components; components come out in reverse topological order.
    const int nodes = 2 * variables;
    std::vector<int> index(static_cast<std::size_t>(nodes), -1), low(static_cast<std::size_t>(nodes), 0),
        component(static_cast<std::size_t>(nodes), -1), stack;
    std::vector<bool> onStack(static_cast<std::size_t>(nodes), false);
    int counter = 0, components = 0;
    std::vector<std::pair<int, std::size_t>> work;
    for (int start = 0; start < nodes; ++start) {
        if (index[static_cast<std::size_t>(start)] >= 0)
            continue;
        work.push_back({start, 0});
        while (!work.empty()) {
            auto& [node, edge] = work.back();
            const auto u = static_cast<std::size_t>(node);
            if (edge == 0 && index[u] < 0) {
                index[u] = low[u] = counter++;
                stack.push_back(node);
                onStack[u] = true;
            }
            if (edge < graph[u].size()) {
                const int next = graph[u][edge++];
                const auto w = static_cast<std::size_t>(next);
                if (index[w] < 0)
                    work.push_back({next, 0});
                else if (onStack[w])
                    low[u] = std::min(low[u], index[w]);
                continue;
            }
            if (low[u] == index[u]) {
                int member;
                do {
                    member = stack.back();
                    stack.pop_back();
                    onStack[static_cast<std::size_t>(member)] = false;
                    component[static_cast<std::size_t>(member)] = components;
                } while (member != node);
                ++components;
            }
            const int finished = node;
            work.pop_back();
            if (!work.empty()) {
                const auto parent = static_cast<std::size_t>(work.back().first);
                low[parent] = std::min(low[parent], low[static_cast<std::size_t>(finished)]);
            }
        }
    }
    lines.clear();
    for (int a = 1; a <= n; ++a)
        for (int p = 0; p < degree[a]; ++p) {
            const int v = firstVar[a] + p;
            const int yes = component[static_cast<std::size_t>(2 * v)];
            const int no = component[static_cast<std::size_t>(2 * v + 1)];
            if (yes == no)
                return false;
            if (yes > no) // named first here
                lines.push_back({a, table.Atom(a).ConnTo[p], table.Atom(a).TypConn[p]});
        }
    return true;
}

// True when reading the ascending lines back gives every list in its present order.
bool AscendingOrderReproduces(const TCTab& table)
{
    for (int a = 1; a <= table.NumValidAtoms; ++a) {
        const auto& list = table.Atom(a).ConnTo;
        int p = 0;
        while (p < kMaxNeighbours && list[p] > a)
            ++p;
        for (int previous = 0; p < kMaxNeighbours && list[p] != 0; ++p) {
            if (list[p] > a || list[p] <= previous)
                return false;
            previous = list[p];
        }
    }
    return true;
}

std::vector<BondLine> BondLines(const TCTab& table)
{
    std::vector<BondLine> lines;
    if (!AscendingOrderReproduces(table) && OrderPreservingBondLines(table, lines))
        return lines;
    return AscendingBondLines(table);
}

} // namespace

bool ReadMolRecord(TCTab& table, TextReader& file)
{
    MolReadStatus status;
    return ReadMolRecord(table, file, status);
}

namespace {

// Puts the reader into cutting long lines for one record and restores it.
class LongLinesCut {
public:
    explicit LongLinesCut(TextReader& file) : m_file(file), m_was(file.GetLongLines())
    {
        file.SetLongLines(TextReader::LongLines::Cut);
    }
    ~LongLinesCut() { m_file.SetLongLines(m_was); }
    LongLinesCut(const LongLinesCut&) = delete;
    LongLinesCut& operator=(const LongLinesCut&) = delete;

private:
    TextReader& m_file;
    TextReader::LongLines m_was;
};

bool HasAtomCountDigit(const std::string& line)
{
    for (std::size_t p = 0; p < 3 && p < line.size(); ++p) {
        if (line[p] >= '0' && line[p] <= '9')
            return true;
        if (line[p] != ' ')
            return false;
    }
    return false;
}

// A line for a message: at most 80 characters, bytes outside printable ASCII as \xNN.
std::string QuotedLine(const std::string& line)
{
    std::string text = "\"";
    std::size_t shown = 0;
    for (const char c : line) {
        if (shown++ == 80) {
            text += "...";
            break;
        }
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 32 || byte >= 127) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\x%02X", byte);
            text += escaped;
        } else {
            text += c;
        }
    }
    return text + "\"";
}

std::string Plural(long count, const char* one, const char* many)
{
    return std::to_string(count) + " " + (count == 1 ? one : many);
}

} // namespace

bool ReadMolRecord(TCTab& table, TextReader& file, MolReadStatus& status)
{
    status = MolReadStatus{};
    const LongLinesCut cutting(file);
    const long cutBefore = file.CutLines();
    std::string name, programLine, comment;
    std::string line;
    int headerLines = 0;
    for (; headerLines < 4 && !file.Eof(); ++headerLines) {
        status.lastLine = file.LineNumber();
        file.ReadLine(headerLines == 0 ? name : headerLines == 1 ? programLine : headerLines == 2 ? comment : line);
    }
    if (headerLines < 4)
        line.clear();
    const int n = FieldInteger(line, 0, 3);
    const int bondCount = FieldInteger(line, 3, 3);
    status.atomCount = n;
    status.bondCount = bondCount;
    if (headerLines < 4) {
        status.truncated = headerLines > 0;
    } else if (line.find("V3000") != std::string::npos) {
        status.v3000 = true;
        status.countsLine = line;
        status.countsLineNumber = status.lastLine;
    } else if (!HasAtomCountDigit(line)) {
        status.countsUnreadable = true;
        status.countsLine = line;
        status.countsLineNumber = status.lastLine;
    }

    const bool atomsRead = n >= 1 && n <= kMaxAtoms && !status.v3000;
    if (!atomsRead) {
        status.atomCountOutOfRange = true;
    } else {
        table.Clear();
        table.NumValidAtoms = n;
        double raw[kMaxAtoms][3] = {};
        int atomLines = 0;
        bool numbersMissing = false; // coordinates or a bond's numbers ran into the end of the file
        for (int i = 1; i <= n && !file.Eof(); ++i) {
            status.lastLine = file.LineNumber();
            raw[i - 1][0] = file.ReadReal();
            raw[i - 1][1] = file.ReadReal();
            raw[i - 1][2] = file.ReadReal();
            numbersMissing = file.NumberMissing();
            const std::string symbol = Trim(file.ReadChars(3));
            const long long massDifference = file.ReadInteger();
            const long long charge = file.ReadInteger();
            file.SkipLine();
            ++atomLines;
            auto& atom = table.MutableAtom(i);
            atom.AtNum = static_cast<std::uint8_t>(ElementNumber(symbol));
            atom.AtWeight = static_cast<std::uint8_t>(MassNumber(atom.AtNum) + massDifference);
            atom.Charge = static_cast<std::int8_t>(static_cast<std::uint8_t>(charge));
            for (int c = 0; c < 3; ++c)
                table.SetCoord(i, c + 1, raw[i - 1][c]);
        }
        int bondLines = 0;
        for (int b = 0; b < bondCount && !file.Eof(); ++b) {
            status.lastLine = file.LineNumber();
            const long long first = file.ReadInteger();
            const long long second = file.ReadInteger();
            long long type = file.ReadInteger();
            numbersMissing = numbersMissing || file.NumberMissing();
            file.SkipLine();
            ++bondLines;
            if (type < 1 || type > 4) {
                if (!status.bondTypeInvalid)
                    status.invalidBondType = type;
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
        // Lines are missing, or the numbers of the last line read ran into the end of the file
        // (a missing mass difference or charge at the very end reads as 0, as it always did).
        status.truncated = atomLines < n || numbersMissing ||
                           (bondLines < bondCount && !status.bondAtomInvalid && !status.neighbourOverflow);
        if (!file.Eof() && !status.neighbourOverflow && !status.bondAtomInvalid) {
            table.Symmetrize();
            PlaceCoordinates(table, raw);
        }
    }

    bool terminated = false;
    bool propertiesOpen = atomsRead;
    bool inV3000Block = status.v3000;
    if (status.v3000)
        status.v3000Block = name + "\n" + programLine + "\n" + comment + "\n" + line + "\n";
    bool chargesReset = false;
    bool massesReset = false;
    while (!file.Eof()) {
        status.lastLine = file.LineNumber();
        file.ReadLine(line);
        if (line == "$$$$") {
            terminated = true;
            break;
        }
        if (line == "> <CAS_RN>" || line == "> <CASREGNR>") {
            if (!file.Eof())
                status.lastLine = file.LineNumber();
            status.casText = file.ReadLine();
            table.SetCASFromText(status.casText);
            continue;
        }
        if (inV3000Block) {
            status.v3000Block += line;
            status.v3000Block += '\n';
            inV3000Block = line.compare(0, 6, "M  END") != 0;
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
    if (file.CutLines() > cutBefore) {
        status.lineTooLong = true;
        status.longLine = file.LastCutLine();
    }
    table.FStrucName = name;
    return atomsRead && !status.bondTypeInvalid && !status.bondAtomInvalid && !status.neighbourOverflow &&
           terminated;
}

std::string MolReadProblem(const MolReadStatus& status)
{
    if (status.v3000)
        return "the counts line (line " + std::to_string(status.countsLineNumber) +
               ") says V3000, which the V2000 reader cannot read";
    if (status.atomCountOutOfRange && status.lastLine == 0)
        return "the file holds no structure";
    if (status.truncated && status.atomCountOutOfRange)
        return "ends at line " + std::to_string(status.lastLine) + ", before its counts line";
    if (status.countsUnreadable)
        return "the counts line (line " + std::to_string(status.countsLineNumber) +
               ") cannot be read: " + QuotedLine(status.countsLine);
    if (status.truncated)
        return "ends at line " + std::to_string(status.lastLine) + "; its counts line promises " +
               Plural(status.atomCount, "atom", "atoms") + " and " + Plural(status.bondCount, "bond", "bonds");
    if (status.lineTooLong)
        return (status.longLine > 0 ? "line " + std::to_string(status.longLine) : std::string("a line")) +
               " is longer than 1 MiB";
    if (status.atomCountOutOfRange)
        return std::to_string(status.atomCount) + " atoms, not 1..63";
    if (status.bondAtomInvalid)
        return "a bond names an atom outside the structure";
    if (status.bondTypeInvalid)
        return "bond type " + std::to_string(status.invalidBondType) + " cannot be stored (only 1..4)";
    if (status.neighbourOverflow)
        return "an atom with more than 10 neighbours";
    return {};
}

std::string MolReadProblemOfRecord(const MolReadStatus& status, long record)
{
    const std::string problem = MolReadProblem(status);
    return problem.rfind("ends at", 0) == 0 ? "record " + std::to_string(record) + " " + problem : problem;
}

void WriteMolRecord(const TCTab& table, TextWriter& file, const std::string& initials,
                    const std::string& programField, int registryNumber, const std::string& comment,
                    const std::tm* when, const std::vector<SDDataItem>& dataItems)
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
    for (int k = 0; k < 6; ++k)
        counts += "  0";
    counts += "999 V2000";
    file.WriteLine(counts);

    // Isotopes: (atom, mass) of every atom whose mass is not its element's own.
    std::vector<std::pair<int, int>> isotopes;
    bool absoluteMasses = false;
    for (int i = 1; i <= n; ++i) {
        const int difference = table.Atom(i).AtWeight - MassNumber(table.Atom(i).AtNum);
        if (difference != 0) {
            isotopes.emplace_back(i, table.Atom(i).AtWeight);
            absoluteMasses = absoluteMasses || difference < -3 || difference > 4;
        }
    }

    std::string text;
    for (int i = 1; i <= n; ++i) {
        const auto& atom = table.Atom(i);
        text = PadLeft(FormatFixed(atom.x * 0.001, 4), 10);
        text += PadLeft(FormatFixed(atom.y * 0.001, 4), 10);
        text += PadLeft(FormatFixed(atom.z * 0.001, 4), 10);
        text += ' ';
        text += FitWidth(ElementSymbol(atom.AtNum), 3);
        text += absoluteMasses ? std::string(" 0") : FormatInt(atom.AtWeight - MassNumber(atom.AtNum), 2);
        text += FormatInt(atom.Charge, 3);
        text += "  0";
        file.WriteLine(text);
    }

    for (const auto& bond : BondLines(table))
        file.WriteLine(FormatInt(bond.first, 3) + FormatInt(bond.second, 3) + FormatInt(bond.type, 3));

    if (absoluteMasses)
        for (std::size_t first = 0; first < isotopes.size(); first += 8) {
            const std::size_t count = std::min<std::size_t>(8, isotopes.size() - first);
            text = "M  ISO" + FormatInt(static_cast<long long>(count), 3);
            for (std::size_t k = first; k < first + count; ++k)
                text += " " + FormatInt(isotopes[k].first, 3) + " " + FormatInt(isotopes[k].second, 3);
            file.WriteLine(text);
        }
    file.WriteLine("M  END");
    file.WriteLine("> <CAS_RN>");
    file.WriteLine(CASNumberShown(table.FCASNr));
    file.WriteLine();
    for (const SDDataItem& item : dataItems) {
        file.WriteLine("> <" + item.name + ">");
        file.WriteLine(item.value);
        file.WriteLine();
    }
    file.WriteLine("$$$$");
}

bool IsStructureFileName(const std::string& fileName)
{
    const auto slash = fileName.find_last_of("/\\");
    const auto dot = fileName.find_last_of('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash))
        return false;
    std::string extension = fileName.substr(dot);
    for (char& c : extension)
        c = FoldUpper(c);
    return extension == ".SDF" || extension == ".SD" || extension == ".MOL";
}

void PlaceMolfileCoordinates(TCTab& table, const double (*raw)[3]) { PlaceCoordinates(table, raw); }

int MolfileChargeCode(long charge) { return ChargeCode(charge); }

long CountSDRecords(const std::string& fileName)
{
    // A line too long to read spoils only its own record, which the import leaves out.
    TextReader reader(fileName);
    reader.SetLongLines(TextReader::LongLines::Cut);
    return reader.CountLines("$$$$");
}

} // namespace velmora
