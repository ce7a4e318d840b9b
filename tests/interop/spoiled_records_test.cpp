// SMILES tables and V3000 records that are damaged, ambiguous or hostile: each spoils only its own
// record, which is left out with where and why; a table that names no SMILES column is refused
// before anything is imported.
#include "../cli/cli_support.h"
#include "interop_support.h"
#include "rdkitconvert.h"
#include "scripted.h"
#include "test_support.h"

#include "base/ioerror.h"
#include "base/textfile.h"
#include "io/convert.h"
#include "io/structureformats.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace velmora {
namespace {

class SpoiledRecordsTest : public ::testing::Test {
protected:
    std::string Write(const std::string& name, const std::string& text) const
    {
        const std::string path = (m_dir.Path() / name).string();
        test::WriteBytes(path, text);
        return path;
    }

    // Imports the file; names of the stored structures in report.
    ImportReport Import(const std::string& source, std::vector<std::string>& names, const SourceOptions& options = {})
    {
        const std::string library = source + ".clb";
        auto reader = OpenStructureSource(source, options);
        const auto report = ImportStructures(m_library, *reader, CountStructureRecords(source, options), library,
                                             ConversionMode::WriteAnew, m_progress);
        m_library.ReleaseFiles();
        names.clear();
        for (const auto& table : test::LibraryStructures(library))
            names.push_back(table.FStrucName);
        return report;
    }

    test::TempDir m_dir;
    StructureLibrary m_library;
    test::ScriptedProgress m_progress;
};

TEST_F(SpoiledRecordsTest, SmilesTablesLeaveOutOnlyTheSpoiledRecord)
{
    const std::string longSmiles(kMaxLineLength + 1, 'C');
    const struct {
        std::string file;
        std::string text;
        std::vector<std::string> stored;
        std::vector<std::string> notes;
    } cases[] = {
        {"bytes.smi",
         std::string("CCO ethanol\nCC") + '\0' + "O nul\nCC\x1aO ctrlz\nCC\xc3\xa9 accent\nC\x7f del\nCCN amine\n",
         {"ETHANOL", "AMINE"},
         {"record 2 (nul): line 2: byte 0x00 at character 3 of the SMILES \"CC\\x00O\"",
          "record 3 (ctrlz): line 3: byte 0x1A at character 3 of the SMILES \"CC\\x1AO\"",
          "record 4 (accent): line 4: byte 0xC3 at character 3 of the SMILES \"CC\\xC3\\xA9\"",
          "record 5 (del): line 5: byte 0x7F at character 2 of the SMILES \"C\\x7F\""}},
        {"ctrlz.smi", "CCO a\n\x1a\nCCN b\n", {"A", "B"},
         {"record 2 (2): line 2: byte 0x1A at character 1 of the SMILES \"\\x1A\""}},
        {"name.smi", "CCO na\x01me\nCCN b\n", {"B"}, {"record 1 (na\\x01me): line 1: byte 0x01 at character 3 of the name"}},
        {"breaks.csv", "smiles,name\nCCO,ethanol\n\"CC\nO\",broken\nCCN,\"amine\r\nsalt\"\nCCC,propane\n",
         {"ETHANOL", "PROPANE"},
         {"record 2 (3): lines 3..4: a quoted field holds a line break",
          "record 3 (5): lines 5..6: a quoted field holds a line break"}},
        {"quotes.csv", "smiles,name\n\"CCO\",\"a \"\"quoted\"\" name\"\nCCN,b\n", {"A \"QUOTED\" NAME", "B"}, {}},
        {"unclosed.tsv", "smiles\tname\nCCO\ta\n\"CC\tb\nCCN\tc\n", {"A"},
         {"record 2 (3): lines 3..4: a quoted field is not closed before the end of the file"}},
        {"long.smi", "CCO a\n" + longSmiles + " big\nCCN b\n", {"A", "B"}, {"record 2 (2): line 2 is longer than 1 MiB"}},
        {"bom.smi", "\xEF\xBB\xBF" "CCO a\nCCN b\n", {"A", "B"}, {}},
        {"bom.csv", "\xEF\xBB\xBF" "smiles,name\nCCO,a\n", {"A"}, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        const std::string source = Write(c.file, c.text);
        EXPECT_EQ(CountStructureRecords(source), static_cast<long>(c.stored.size() + c.notes.size()));
        std::vector<std::string> names;
        const auto report = Import(source, names);
        EXPECT_EQ(names, c.stored);
        EXPECT_EQ(report.skipNotes, c.notes);
    }
}

TEST_F(SpoiledRecordsTest, TablesWithoutASmilesColumnStopBeforeImporting)
{
    const std::string plain = Write("plain.csv", "id,structure,mw\n1,CCO,46\n");
    SourceOptions tool;
    tool.columnOption = "--smiles-column";
    for (const auto& options : {SourceOptions{}, tool}) {
        try {
            CountStructureRecords(plain, options);
            ADD_FAILURE() << "no error";
        } catch (const IoError& error) {
            EXPECT_EQ(error.Problem(),
                      "has no SMILES column: no column is named \"smiles\" (its header names id, structure, mw); " +
                          std::string(options.columnOption.empty() ? "name the SMILES column \"smiles\" in the first line"
                                                                   : "name the SMILES column with --smiles-column"));
        }
    }
    const std::string two = Write("two.csv", "canonical_smiles,isomeric_smiles\nCCO,CCO\n");
    EXPECT_THROW(OpenStructureSource(two), IoError);
    // One column whose name holds "smiles" is the SMILES column.
    std::vector<std::string> names;
    const auto report = Import(Write("canonical.csv", "ID,Canonical SMILES\n7,CCO\n"), names);
    EXPECT_EQ(report.written, 1);
    EXPECT_EQ(names, std::vector<std::string>{"7"});

    // The tool stops before making a library and says how to name the column.
    const std::string library = (m_dir.Path() / "plain.clb").string();
    auto run = test::RunTool({"import", plain, library});
    EXPECT_EQ(run.status, 1);
    EXPECT_TRUE(test::Contains(run.err, "has no SMILES column")) << run.err;
    EXPECT_TRUE(test::Contains(run.err, "--smiles-column")) << run.err;
    EXPECT_FALSE(std::filesystem::exists(library));
    run = test::RunTool({"import", plain, library, "--smiles-column", "structure"});
    EXPECT_EQ(run.status, 0) << run.err;
}

// The parser echoes its input: messages keep at most 80 characters of a SMILES.
TEST_F(SpoiledRecordsTest, MessagesQuoteLongSmilesShortened)
{
    const std::string smiles = std::string(10000, 'C') + "(";
    TCTab table;
    const std::string reason = interop::TableFromSmiles(smiles, table);
    EXPECT_TRUE(test::Contains(reason, "cannot parse SMILES \"" + std::string(57, 'C') + "...\"")) << reason;
    EXPECT_EQ(reason.find(std::string(81, 'C')), std::string::npos) << reason.size();
    EXPECT_LT(reason.size(), 300u);

    const std::string source = Write("long.smi", smiles + " x\n");
    std::vector<std::string> names;
    const auto report = Import(source, names);
    ASSERT_EQ(report.skipNotes.size(), 1u);
    EXPECT_EQ(report.skipNotes[0].find(std::string(81, 'C')), std::string::npos) << report.skipNotes[0].size();

    const std::string library = Write("one.smi", "CCO ethanol\n") + ".clb";
    Import(library.substr(0, library.size() - 4), names);
    const auto run = test::RunTool({"search", library, "--query-smiles", smiles, "--query-aug"});
    EXPECT_EQ(run.status, 1);
    EXPECT_TRUE(test::Contains(run.err, "cannot parse SMILES")) << run.err.substr(0, 300);
    EXPECT_EQ(run.err.find(std::string(81, 'C')), std::string::npos) << run.err.size();
}

std::string V3000(const std::string& name, const std::vector<std::string>& atoms, const std::vector<std::string>& bonds,
                  const std::string& counts = "")
{
    std::string text = name + "\n  test\n\n  0  0  0     0  0            999 V3000\nM  V30 BEGIN CTAB\nM  V30 COUNTS " +
                       (counts.empty() ? std::to_string(atoms.size()) + " " + std::to_string(bonds.size()) + " 0 0 0"
                                       : counts) +
                       "\nM  V30 BEGIN ATOM\n";
    for (std::size_t i = 0; i < atoms.size(); ++i)
        text += "M  V30 " + std::to_string(i + 1) + " " + atoms[i] + "\n";
    text += "M  V30 END ATOM\n";
    if (!bonds.empty()) {
        text += "M  V30 BEGIN BOND\n";
        for (std::size_t i = 0; i < bonds.size(); ++i)
            text += "M  V30 " + std::to_string(i + 1) + " " + bonds[i] + "\n";
        text += "M  V30 END BOND\n";
    }
    return text + "M  V30 END CTAB\nM  END\n$$$$\n";
}

// What RDKit reads into something else (an atom list as its first element, a mass cut to 16 bits,
// nan coordinates) or reserves memory for (counts) is left out with its reason before it is stored.
TEST_F(SpoiledRecordsTest, V3000RecordsWithQueriesOrAbsurdValuesAreLeftOut)
{
    const std::vector<std::string> bond{"1 1 2"};
    const struct {
        std::string record;
        std::string note;
    } cases[] = {
        {V3000("list", {"[C,N] 0 0 0 0", "C 1 0 0 0"}, bond),
         "record 1 (list): a query atom (atom 1) cannot be stored (an atom list or query property)"},
        {V3000("notlist", {"\"NOT [C,N]\" 0 0 0 0", "C 1 0 0 0"}, bond),
         "record 1 (notlist): a query atom (atom 1) cannot be stored (an atom list or query property)"},
        {V3000("subst", {"C 0 0 0 0", "C 1 0 0 0 SUBST=2"}, bond),
         "record 1 (subst): a query atom (atom 2) cannot be stored (an atom list or query property)"},
        {V3000("ring", {"C 0 0 0 0", "C 1 0 0 0"}, {"1 1 2 TOPO=1"}), "record 1 (ring): a query bond (bond 1) cannot be stored"},
        {V3000("mass", {"C 0 0 0 0 MASS=99999", "C 1 0 0 0"}, bond), "record 1 (mass): mass 99999 (atom 1) is out of range"},
        {V3000("wrap", {"C 0 0 0 0", "C 1 0 0 0 MASS=65548"}, bond), "record 1 (wrap): mass 65548 (atom 2) is out of range"},
        {V3000("zero", {"C 0 0 0 0 MASS=0", "C 1 0 0 0"}, bond), "record 1 (zero): mass 0 (atom 1) is out of range"},
        {V3000("nan", {"C nan 0 0 0", "C 1 0 0 0"}, bond), "record 1 (nan): atom 1 has a coordinate that is not a finite number"},
        {V3000("inf", {"C 0 0 0 0", "C 1 inf 0 0"}, bond), "record 1 (inf): atom 2 has a coordinate that is not a finite number"},
        {V3000("atoms", {"C 0 0 0 0", "C 1 0 0 0"}, bond, "30000000 1 0 0 0"), "record 1 (atoms): 30000000 atoms, not 1..63"},
        {V3000("bonds", {"C 0 0 0 0", "C 1 0 0 0"}, bond, "2 30000000 0 0 0"),
         "record 1 (bonds): its COUNTS line promises 30000000 bonds, but the record has only 15 lines"},
        {V3000("groups", {"C 0 0 0 0", "C 1 0 0 0"}, bond, "2 1 99999999999999999999999 0 0"),
         "record 1 (groups): its COUNTS line promises 99999999999999999999999 S-groups, but the record has only 15 lines"},
    };
    const std::string good = V3000("ethane", {"C 0 0 0 0 MASS=13", "C 1.5 0 0 0"}, bond);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.note);
        std::vector<std::string> names;
        const auto report = Import(Write("case.sdf", c.record + good), names);
        EXPECT_EQ(report.skipNotes, std::vector<std::string>{c.note});
        EXPECT_EQ(names, std::vector<std::string>{"ETHANE"});
    }
}

// A V3000 record among V2000 ones is read as the V3000 reader reads it, with its CAS number.
TEST_F(SpoiledRecordsTest, V3000RecordAfterV2000RecordsIsRead)
{
    const std::string v2000 = test::ReadBytes(test::DataFile("query.mol")) + "$$$$\r\n";
    const std::string v3000File = (m_dir.Path() / "query3.sdf").string();
    test::WriteV3000File(test::DataFile("query.mol"), v3000File);
    std::string v3000 = test::ReadBytes(v3000File);
    ASSERT_EQ(StructureFileKindOf(v3000File), StructureFileKind::V3000Molfile);
    v3000.insert(v3000.rfind("$$$$"), "> <CAS_RN>\n50-00-0\n\n");
    const std::string mixed = Write("mixed.sdf", v2000 + v3000 + v2000);
    ASSERT_EQ(StructureFileKindOf(mixed), StructureFileKind::Molfile);
    std::vector<std::string> names;
    const auto report = Import(mixed, names);
    EXPECT_EQ(report.skipNotes, std::vector<std::string>{});
    const auto stored = test::LibraryStructures(mixed + ".clb");
    ASSERT_EQ(stored.size(), 3u);
    EXPECT_EQ(stored[1].NumValidAtoms, 25);
    EXPECT_EQ(stored[1].FCASNr, 50000);
    EXPECT_EQ(CompareCtab(stored[0], stored[1]) & ~(kDiffZ | kDiffCASNr), 0);
}

} // namespace
} // namespace velmora
