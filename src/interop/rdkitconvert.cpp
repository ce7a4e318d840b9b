#include "rdkitconvert.h"

#include "graphics/grafctab.h"
#include "io/molfile.h"
#include "model/elements.h"

#include <GraphMol/Depictor/RDDepictor.h>
#include <GraphMol/FileParsers/FileParsers.h>
#include <GraphMol/GraphMol.h>
#include <GraphMol/MolOps.h>
#include <GraphMol/SmilesParse/SmilesParse.h>
#include <GraphMol/SmilesParse/SmilesWrite.h>
#include <RDGeneral/RDLog.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <limits>
#include <memory>
#include <mutex>
#include <sstream>
#include <vector>

namespace velmora::interop {

namespace {

std::string BondTypeName(RDKit::Bond::BondType type)
{
    switch (type) {
    case RDKit::Bond::QUADRUPLE: return "quadruple";
    case RDKit::Bond::DATIVE:
    case RDKit::Bond::DATIVEONE:
    case RDKit::Bond::DATIVEL:
    case RDKit::Bond::DATIVER: return "dative";
    case RDKit::Bond::ZERO: return "zero-order";
    case RDKit::Bond::HYDROGEN: return "hydrogen";
    case RDKit::Bond::IONIC: return "ionic";
    default: return "query or partial";
    }
}

std::string AtomLabel(int index) { return "(atom " + std::to_string(index) + ")"; }

// Fills table from mol; coordinates come from its first conformer (none: all 0).
std::string TableFromMol(const RDKit::ROMol& mol, TCTab& table)
{
    const int n = static_cast<int>(mol.getNumAtoms());
    if (n < 1 || n > kMaxAtoms)
        return std::to_string(n) + " atoms, not 1..63";
    for (const RDKit::Atom* atom : mol.atoms()) {
        const int i = static_cast<int>(atom->getIdx()) + 1;
        const int z = atom->getAtomicNum();
        if (z < 1 || z > kMaxElement)
            return (z == 0 ? std::string("a query or dummy atom ") : "element " + atom->getSymbol() + " ") +
                   AtomLabel(i) + " cannot be stored";
        const int isotope = static_cast<int>(atom->getIsotope());
        if (isotope != 0 && isotope != MassNumber(z) && !FindStorableIsotope(z, isotope))
            return "isotope " + std::to_string(isotope) + ElementSymbol(z) + " " + AtomLabel(i) + " cannot be stored";
        const int charge = atom->getFormalCharge();
        if (charge < -3 || charge > 3)
            return "charge " + std::string(charge > 0 ? "+" : "") + std::to_string(charge) + " " + AtomLabel(i) +
                   " cannot be stored (only -3..+3)";
        if (atom->getDegree() > static_cast<unsigned>(kMaxNeighbours))
            return "an atom with more than 10 neighbours";
        if (atom->hasQuery()) // an atom list ("[C,N]") or a query property: no one element
            return "a query atom " + AtomLabel(i) + " cannot be stored (an atom list or query property)";
    }
    std::vector<int> types;
    types.reserve(mol.getNumBonds());
    for (const RDKit::Bond* bond : mol.bonds()) {
        switch (bond->getBondType()) {
        case RDKit::Bond::SINGLE: types.push_back(1); break;
        case RDKit::Bond::DOUBLE: types.push_back(2); break;
        case RDKit::Bond::TRIPLE: types.push_back(3); break;
        case RDKit::Bond::AROMATIC: types.push_back(4); break;
        default: return "a " + BondTypeName(bond->getBondType()) + " bond cannot be stored (only bond types 1..4)";
        }
        if (bond->hasQuery()) // a ring or chain condition on a bond of a plain type
            return "a query bond (bond " + std::to_string(bond->getIdx() + 1) + ") cannot be stored";
    }
    double raw[kMaxAtoms][3] = {};
    if (mol.getNumConformers() > 0) {
        const RDKit::Conformer& conformer = mol.getConformer();
        for (int i = 0; i < n; ++i) {
            const RDGeom::Point3D& p = conformer.getAtomPos(static_cast<unsigned>(i));
            raw[i][0] = p.x;
            raw[i][1] = p.y;
            raw[i][2] = p.z;
            if (!std::isfinite(p.x) || !std::isfinite(p.y) || !std::isfinite(p.z))
                return "atom " + std::to_string(i + 1) + " has a coordinate that is not a finite number";
        }
    }

    table.Clear();
    table.NumValidAtoms = n;
    for (const RDKit::Atom* atom : mol.atoms()) {
        auto& record = table.MutableAtom(static_cast<int>(atom->getIdx()) + 1);
        record.AtNum = static_cast<std::uint8_t>(atom->getAtomicNum());
        const int isotope = static_cast<int>(atom->getIsotope());
        record.AtWeight = static_cast<std::uint8_t>(isotope != 0 ? isotope : MassNumber(record.AtNum));
        record.Charge = static_cast<std::int8_t>(MolfileChargeCode(atom->getFormalCharge()));
    }
    std::size_t b = 0;
    for (const RDKit::Bond* bond : mol.bonds())
        table.SetConnection(static_cast<int>(bond->getBeginAtomIdx()) + 1, static_cast<int>(bond->getEndAtomIdx()) + 1,
                            types[b++]);
    table.Symmetrize();
    PlaceMolfileCoordinates(table, raw);
    return {};
}

// The table as an RDKit molecule, atom i as index i-1; bonds from either end of the table's lists.
// Sanitized when RDKit accepts the valences, else with only its ring information, which the writer
// and the depictor need.
std::unique_ptr<RDKit::RWMol> MolFromTable(const TCTab& table, std::string& problem)
{
    const int n = table.NumValidAtoms;
    if (n < 1) {
        problem = "the structure is empty";
        return nullptr;
    }
    auto mol = std::make_unique<RDKit::RWMol>();
    for (int i = 1; i <= n; ++i) {
        auto* atom = new RDKit::Atom(table.AtNum(i));
        atom->setFormalCharge(TGrafCtab::ShownCharge(table.Charge(i)));
        if (table.AtWeight(i) != MassNumber(table.AtNum(i)))
            atom->setIsotope(static_cast<unsigned>(table.AtWeight(i)));
        mol->addAtom(atom, true, true);
    }
    for (int i = 1; i <= n; ++i)
        for (int j = i + 1; j <= n; ++j) {
            const int type = std::max(table.BondType(i, j), table.BondType(j, i));
            if (type == 0)
                continue;
            const auto bondType = type == 2   ? RDKit::Bond::DOUBLE
                                  : type == 3 ? RDKit::Bond::TRIPLE
                                  : type == 4 ? RDKit::Bond::AROMATIC
                                              : RDKit::Bond::SINGLE;
            mol->addBond(static_cast<unsigned>(i - 1), static_cast<unsigned>(j - 1), bondType);
            if (type == 4) {
                mol->getBondBetweenAtoms(static_cast<unsigned>(i - 1), static_cast<unsigned>(j - 1))->setIsAromatic(true);
                mol->getAtomWithIdx(static_cast<unsigned>(i - 1))->setIsAromatic(true);
                mol->getAtomWithIdx(static_cast<unsigned>(j - 1))->setIsAromatic(true);
            }
        }
    try {
        RDKit::MolOps::sanitizeMol(*mol);
    } catch (const std::exception&) {
        // Unusual valences (a drawing in progress): written as drawn.
        mol->updatePropertyCache(false);
        RDKit::MolOps::findSSSR(*mol);
    }
    return mol;
}

// RDKit reports parse errors only to its error log: quiet it, except while one failure is parsed
// again to learn why.
std::mutex& LogMutex()
{
    static std::mutex mutex;
    return mutex;
}

void QuietLogs()
{
    static std::once_flag once;
    std::call_once(once, [] {
        boost::logging::disable_logs("rdApp.*");
    });
}

std::string ParserMessage(const std::string& smiles)
{
    std::lock_guard lock(LogMutex());
    std::ostringstream captured;
    const RDLogger previous = rdErrorLog;
    rdErrorLog = std::make_shared<boost::logging::rdLogger>(&captured);
    try {
        RDKit::SmilesParserParams params;
        params.sanitize = false;
        params.removeHs = false;
        params.parseName = false;
        std::unique_ptr<RDKit::RWMol> mol(RDKit::SmilesToMol(smiles, params));
    } catch (const std::exception& error) {
        captured << error.what() << "\n";
    }
    rdErrorLog = previous;
    // "[hh:mm:ss] SMILES Parse Error: ..." - the first line, without the time.
    std::string text = captured.str();
    text = text.substr(0, text.find('\n'));
    if (!text.empty() && text[0] == '[' && text.find("] ") != std::string::npos)
        text = text.substr(text.find("] ") + 2);
    return text;
}

// The parser echoes its whole input: a long SMILES is shortened there as in QuotedSmiles.
std::string WithoutLongEcho(std::string message, const std::string& smiles)
{
    constexpr std::size_t kLongest = 200;
    if (smiles.size() > 60)
        for (std::size_t at = message.find(smiles); at != std::string::npos; at = message.find(smiles, at + 60))
            message.replace(at, smiles.size(), smiles.substr(0, 57) + "...");
    if (message.size() > kLongest)
        message = message.substr(0, kLongest - 3) + "...";
    return message;
}

bool PrintableAscii(unsigned char byte) { return byte >= 32 && byte < 127; }

std::string Hex(unsigned char byte)
{
    char text[8];
    std::snprintf(text, sizeof text, "%02X", byte);
    return text;
}

// The numbers after "COUNTS" of a V3000 record, as written (digits only), at most four.
std::vector<std::string> V3000Counts(const std::string& block)
{
    std::vector<std::string> counts;
    const auto at = block.find("M  V30 COUNTS");
    if (at == std::string::npos)
        return counts;
    const auto end = block.find('\n', at);
    std::istringstream fields(block.substr(at + 13, end == std::string::npos ? std::string::npos : end - at - 13));
    std::string field;
    while (fields >> field && counts.size() < 4 && field.find_first_not_of("0123456789") == std::string::npos) {
        const auto first = field.find_first_not_of('0');
        counts.push_back(first == std::string::npos ? "0" : field.substr(first));
    }
    return counts;
}

// a > b for numbers written in digits without leading zeros.
bool Exceeds(const std::string& a, unsigned long long b)
{
    const std::string limit = std::to_string(b);
    return a.size() != limit.size() ? a.size() > limit.size() : a > limit;
}

// The MASS= value of each atom line of a V3000 atom block, by atom (1-based, in block order);
// absent where an atom gives none or the value is not a whole number.
std::vector<std::pair<int, long long>> V3000Masses(const std::string& block)
{
    std::vector<std::pair<int, long long>> masses;
    std::istringstream lines(block);
    std::string line, logical;
    bool inAtoms = false;
    int atom = 0;
    while (std::getline(lines, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (line.compare(0, 7, "M  V30 ") != 0)
            continue;
        logical += line.substr(7);
        if (!logical.empty() && logical.back() == '-') { // continued on the next line
            logical.pop_back();
            continue;
        }
        const std::string text = std::move(logical);
        logical.clear();
        if (text.compare(0, 10, "BEGIN ATOM") == 0) {
            inAtoms = true;
            continue;
        }
        if (text.compare(0, 8, "END ATOM") == 0) {
            inAtoms = false;
            continue;
        }
        if (!inAtoms)
            continue;
        ++atom;
        for (auto at = text.find(" MASS="); at != std::string::npos; at = text.find(" MASS=", at + 6)) {
            const char* begin = text.data() + at + 6;
            const char* end = text.data() + text.size();
            const char* stop = std::find(begin, end, ' ');
            long long value = 0;
            const auto [ptr, ec] = std::from_chars(begin, stop, value);
            if (ptr == stop && ec == std::errc())
                masses.emplace_back(atom, value);
            else if (ec == std::errc::result_out_of_range)
                masses.emplace_back(atom, std::numeric_limits<long long>::max());
        }
    }
    return masses;
}

// Why a V3000 record is refused before the parser sees it: counts it could not hold, which the
// parser would reserve memory for, and masses it would cut to 16 bits.
std::string V3000Problem(const std::string& block)
{
    const auto counts = V3000Counts(block);
    const auto lines = static_cast<unsigned long long>(std::count(block.begin(), block.end(), '\n'));
    if (!counts.empty() && Exceeds(counts[0], kMaxAtoms))
        return counts[0] + " atoms, not 1..63";
    static const char* const kWhat[] = {"atoms", "bonds", "S-groups", "3D constraints"};
    for (std::size_t k = 0; k < counts.size(); ++k)
        if (Exceeds(counts[k], lines))
            return "its COUNTS line promises " + counts[k] + " " + kWhat[k] + ", but the record has only " +
                   std::to_string(lines) + " lines";
    for (const auto& [atom, mass] : V3000Masses(block))
        if (mass < 1 || mass > 65535)
            return "mass " + std::to_string(mass) + " " + AtomLabel(atom) + " is out of range";
    return {};
}

} // namespace

std::string QuotedSmiles(const std::string& smiles)
{
    const bool cut = smiles.size() > 60;
    std::string text = "\"";
    for (const char c : cut ? smiles.substr(0, 57) : smiles) {
        const auto byte = static_cast<unsigned char>(c);
        text += PrintableAscii(byte) ? std::string(1, c) : "\\x" + Hex(byte);
    }
    return text + (cut ? "...\"" : "\"");
}

std::string SmilesByteProblem(const std::string& smiles)
{
    for (std::size_t p = 0; p < smiles.size(); ++p) {
        const auto byte = static_cast<unsigned char>(smiles[p]);
        if (!PrintableAscii(byte))
            return "byte 0x" + Hex(byte) + " at character " + std::to_string(p + 1) + " of the SMILES " +
                   QuotedSmiles(smiles);
    }
    return {};
}

std::string TableFromSmiles(const std::string& smiles, TCTab& table, bool detailedReason)
{
    QuietLogs();
    table.FStrucName.clear();
    table.FCASNr = 0;
    if (smiles.empty())
        return std::string(kSmilesParseFailure) + ": empty";
    if (const std::string problem = SmilesByteProblem(smiles); !problem.empty())
        return std::string(kSmilesParseFailure) + ": " + problem;
    std::unique_ptr<RDKit::RWMol> mol;
    try {
        RDKit::SmilesParserParams params;
        params.sanitize = false;
        params.removeHs = false; // "[H]" stays an atom, as an H atom of a molfile
        params.parseName = false;
        mol.reset(RDKit::SmilesToMol(smiles, params));
    } catch (const std::exception& error) {
        return std::string(kSmilesParseFailure) + " " + QuotedSmiles(smiles) + ": " + WithoutLongEcho(error.what(), smiles);
    }
    if (!mol) {
        std::string reason = std::string(kSmilesParseFailure) + " " + QuotedSmiles(smiles);
        if (detailedReason) {
            const std::string message = WithoutLongEcho(ParserMessage(smiles), smiles);
            if (!message.empty())
                reason += ": " + message;
        }
        return reason;
    }
    if (mol->getNumAtoms() < 1 || mol->getNumAtoms() > static_cast<unsigned>(kMaxAtoms))
        return std::to_string(mol->getNumAtoms()) + " atoms, not 1..63";
    try {
        // Valences checked and aromatic input kekulized; aromaticity is not perceived, so Kekulé
        // input keeps its double bonds where they were written. Radicals, conjugation,
        // hybridisation and stereo are of no use to the table.
        unsigned failed = 0;
        RDKit::MolOps::sanitizeMol(*mol, failed,
                                   RDKit::MolOps::SANITIZE_CLEANUP | RDKit::MolOps::SANITIZE_PROPERTIES |
                                       RDKit::MolOps::SANITIZE_SYMMRINGS | RDKit::MolOps::SANITIZE_KEKULIZE);
        RDDepict::compute2DCoords(*mol);
    } catch (const std::exception& error) {
        return std::string(kSmilesParseFailure) + " " + QuotedSmiles(smiles) + ": " + WithoutLongEcho(error.what(), smiles);
    }
    return TableFromMol(*mol, table);
}

std::string SmilesFromTable(const TCTab& table, std::string& smiles)
{
    QuietLogs();
    smiles.clear();
    std::string problem;
    try {
        const auto mol = MolFromTable(table, problem);
        if (!mol)
            return problem;
        smiles = RDKit::MolToSmiles(*mol);
    } catch (const std::exception& error) {
        return std::string("cannot write the SMILES: ") + error.what();
    }
    return {};
}

std::string LayOutTable(TCTab& table)
{
    QuietLogs();
    std::string problem;
    const int n = table.NumValidAtoms;
    double raw[kMaxAtoms][3] = {};
    try {
        const auto mol = MolFromTable(table, problem);
        if (!mol)
            return problem;
        RDDepict::compute2DCoords(*mol);
        const RDKit::Conformer& conformer = mol->getConformer();
        for (int i = 0; i < n; ++i) {
            const RDGeom::Point3D& p = conformer.getAtomPos(static_cast<unsigned>(i));
            raw[i][0] = p.x;
            raw[i][1] = p.y;
        }
    } catch (const std::exception& error) {
        return std::string("cannot lay out the structure: ") + error.what();
    }
    PlaceMolfileCoordinates(table, raw);
    return {};
}

std::string TableFromMolBlock(const std::string& block, TCTab& table)
{
    QuietLogs();
    table.FStrucName = block.substr(0, block.find_first_of("\r\n"));
    table.FCASNr = 0;
    if (const std::string problem = V3000Problem(block); !problem.empty())
        return problem;
    std::unique_ptr<RDKit::RWMol> mol;
    try {
        // As written: no sanitizing (which would perceive aromaticity) and hydrogens kept.
        mol.reset(RDKit::MolBlockToMol(block, false, false, false));
    } catch (const std::exception& error) {
        return std::string("cannot read the molfile record: ") + error.what();
    }
    if (!mol)
        return "cannot read the molfile record";
    const std::string name = table.FStrucName;
    const std::string reason = TableFromMol(*mol, table);
    table.FStrucName = name;
    return reason;
}

} // namespace velmora::interop
