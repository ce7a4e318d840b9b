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

    double raw[kMaxAtoms][3] = {};
    if (mol.getNumConformers() > 0) {
        const RDKit::Conformer& conformer = mol.getConformer();
        for (int i = 0; i < n; ++i) {
            const RDGeom::Point3D& p = conformer.getAtomPos(static_cast<unsigned>(i));
            raw[i][0] = p.x;
            raw[i][1] = p.y;
            raw[i][2] = p.z;
        }
    }
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

std::string Quoted(const std::string& smiles)
{
    return "\"" + (smiles.size() > 60 ? smiles.substr(0, 57) + "..." : smiles) + "\"";
}

} // namespace

std::string TableFromSmiles(const std::string& smiles, TCTab& table, bool detailedReason)
{
    QuietLogs();
    table.FStrucName.clear();
    table.FCASNr = 0;
    if (smiles.empty())
        return std::string(kSmilesParseFailure) + ": empty";
    std::unique_ptr<RDKit::RWMol> mol;
    try {
        RDKit::SmilesParserParams params;
        params.sanitize = false;
        params.removeHs = false; // "[H]" stays an atom, as an H atom of a molfile
        params.parseName = false;
        mol.reset(RDKit::SmilesToMol(smiles, params));
    } catch (const std::exception& error) {
        return std::string(kSmilesParseFailure) + " " + Quoted(smiles) + ": " + error.what();
    }
    if (!mol) {
        std::string reason = std::string(kSmilesParseFailure) + " " + Quoted(smiles);
        if (detailedReason) {
            const std::string message = ParserMessage(smiles);
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
        return std::string(kSmilesParseFailure) + " " + Quoted(smiles) + ": " + error.what();
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
