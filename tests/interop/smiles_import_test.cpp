// SMILES files and V3000 molfiles imported through RDKit give the structures, descriptors and
// rankings that the same structures give from V2000 SD files.
#include "../cli/cli_support.h"
#include "interop_support.h"
#include "rdkitconvert.h"
#include "scripted.h"
#include "test_support.h"

#include "base/ioerror.h"
#include "descriptors/catalogue.h"
#include "io/convert.h"
#include "io/molfile.h"
#include "io/structureformats.h"
#include "model/elements.h"
#include "search/workbench.h"

#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <map>
#include <set>

namespace velmora {
namespace {

std::string SampleFile() { return std::string(VELMORA_TEST_DATA_DIR) + "/../../data/sample.sdf"; }

class InteropImportTest : public ::testing::Test {
protected:
    std::string Path(const std::string& name) const { return (m_dir.Path() / name).string(); }

    std::string Write(const std::string& name, const std::string& text) const
    {
        test::WriteBytes(Path(name), text);
        return Path(name);
    }

    // Imports a file through the source its kind chooses; returns the report.
    ImportReport Import(const std::string& source, const std::string& library, const SourceOptions& options = {})
    {
        auto reader = OpenStructureSource(source, options);
        return ImportStructures(m_library, *reader, CountStructureRecords(source, options), library,
                                ConversionMode::WriteAnew, m_progress);
    }

    test::TempDir m_dir;
    StructureLibrary m_library;
    test::ScriptedProgress m_progress;
};

// Names of the descriptors whose values differ between two structures: counts exactly, real
// values (sums over atoms, which the atom order of a SMILES rearranges) to 1e-12 relative.
std::set<std::string> DifferingDescriptors(const TCTab& a, const TCTab& b)
{
    const auto x = ComputeDescriptorValues(a);
    const auto y = ComputeDescriptorValues(b);
    std::set<std::string> names;
    for (int p = 1; p <= kDescriptorCount; ++p) {
        const int index = CatalogueIndexOfPosition(p);
        const double u = x[static_cast<std::size_t>(index)];
        const double v = y[static_cast<std::size_t>(index)];
        const bool equal = IsRealDescriptor(index) ? std::fabs(u - v) <= 1e-12 * std::max(1.0, std::fabs(u)) : u == v;
        if (!equal)
            names.insert(CatalogueName(index));
    }
    return names;
}

// Record name -> descriptors that differ, over two libraries holding the same names in order.
std::map<std::string, std::set<std::string>> LibraryDifferences(const std::string& sdLibrary,
                                                                const std::string& smilesLibrary)
{
    const auto sd = test::LibraryStructures(sdLibrary);
    const auto smiles = test::LibraryStructures(smilesLibrary);
    EXPECT_EQ(sd.size(), smiles.size());
    std::map<std::string, std::set<std::string>> differences;
    for (std::size_t i = 0; i < sd.size() && i < smiles.size(); ++i) {
        EXPECT_EQ(sd[i].FStrucName, smiles[i].FStrucName);
        EXPECT_EQ(sd[i].NumValidAtoms, smiles[i].NumValidAtoms) << sd[i].FStrucName;
        auto names = DifferingDescriptors(sd[i], smiles[i]);
        if (!names.empty())
            differences[sd[i].FStrucName] = std::move(names);
    }
    return differences;
}

TEST_F(InteropImportTest, SampleAsSmilesHasTheDescriptorsOfTheSdImport)
{
    const std::string sdLibrary = Path("sd.clb");
    const auto sdReport = Import(SampleFile(), sdLibrary);
    ASSERT_EQ(sdReport.written, 500);

    // Atoms, bonds and Kekulé form as drawn: every descriptor agrees, except that the SMILES
    // numbers the atoms in its own order, and the Balaban index follows one shortest path per atom
    // pair chosen by neighbour order, so it may weigh other bonds.
    const std::string drawn = Path("drawn.smi");
    test::WriteSmilesFile(SampleFile(), drawn, test::SmilesStyle::AsDrawn);
    const std::string drawnLibrary = Path("drawn.clb");
    const auto drawnReport = Import(drawn, drawnLibrary);
    EXPECT_EQ(drawnReport.written, 500);
    EXPECT_EQ(drawnReport.skipped, 0);
    const std::map<std::string, std::set<std::string>> orderOnly{{"18", {"TopoJ"}}, {"486", {"TopoJ"}}};
    EXPECT_EQ(LibraryDifferences(sdLibrary, drawnLibrary), orderOnly);

    // Canonical aromatic SMILES: RDKit kekulizes some rings with their double bonds elsewhere than the
    // sample's drawing, which moves bond counts and augmented atoms.
    const std::string canonical = Path("canonical.smi");
    test::WriteSmilesFile(SampleFile(), canonical, test::SmilesStyle::Canonical);
    const std::string canonicalLibrary = Path("canonical.clb");
    EXPECT_EQ(Import(canonical, canonicalLibrary).written, 500);
    std::set<std::string> kekuleForm;
    for (const auto& [name, descriptors] : LibraryDifferences(sdLibrary, canonicalLibrary))
        for (const auto& descriptor : descriptors) {
            if (descriptor == "TopoJ")
                continue;
            EXPECT_TRUE(descriptor.rfind("Aug: ", 0) == 0 || descriptor.rfind("Bonds: ", 0) == 0)
                << name << ": " << descriptor;
            kekuleForm.insert(name);
        }
    EXPECT_EQ(kekuleForm, (std::set<std::string>{"108", "197", "21", "23", "231", "346", "355", "378", "413", "436", "449",
                                                 "450", "459", "50", "59", "83"}));
}

// The report's ranking: everything from its "OUTPUT" line on.
// The ranked table of a search's report, without the calculation time that follows it.
std::string Ranking(const std::string& report)
{
    const auto at = report.find("OUTPUT");
    if (at == std::string::npos)
        return {};
    const auto time = report.find("Calculation time", at);
    return report.substr(at, time == std::string::npos ? std::string::npos : time - at);
}

TEST_F(InteropImportTest, SmilesQueryRanksTheLibraryAsTheMolfileQuery)
{
    const std::string library = Path("sample.clb");
    ASSERT_EQ(test::RunTool({"import", SampleFile(), library}).status, 0);
    ASSERT_EQ(test::RunTool({"build", library}).status, 0);
    const std::string molfile = test::DataFile("query.mol");
    for (const std::string smiles : {"Cc1nc2ccccc2c(=O)n1-c1ccc(-c2ccc(N)cc2)cc1",
                                     "CC1=NC2=C(C=CC=C2)C(=O)N1C1=CC=C(C2=CC=C(N)C=C2)C=C1"}) {
        for (const auto& choice : {std::vector<std::string>{"--query-aug"},
                                                      std::vector<std::string>{"--descriptors", "Aromatic bonds,Bonds: double,Branching atoms,Aug: C2N1C"}}) {
            std::vector<std::string> fromFile{"search", library, molfile, "--best", "100", "--coefficient", "tanimoto"};
            std::vector<std::string> fromSmiles{"search", library, "--query-smiles", smiles, "--best", "100",
                                                "--coefficient", "tanimoto"};
            fromFile.insert(fromFile.end(), choice.begin(), choice.end());
            fromSmiles.insert(fromSmiles.end(), choice.begin(), choice.end());
            const auto expected = test::RunTool(fromFile);
            const auto actual = test::RunTool(fromSmiles);
            ASSERT_EQ(expected.status, 0) << expected.err;
            ASSERT_EQ(actual.status, 0) << actual.err;
            ASSERT_FALSE(Ranking(expected.out).empty());
            EXPECT_EQ(Ranking(actual.out), Ranking(expected.out)) << smiles << " " << choice.front();
        }
    }
    const auto bad = test::RunTool({"search", library, "--query-smiles", "C1CC(", "--query-aug"});
    EXPECT_EQ(bad.status, 1);
    EXPECT_TRUE(test::Contains(bad.err, "cannot parse SMILES \"C1CC(\"")) << bad.err;
    const auto both = test::RunTool({"search", library, molfile, "--query-smiles", "CCO", "--query-aug"});
    EXPECT_EQ(both.status, 2) << both.err;
}

TEST_F(InteropImportTest, CommandLineImportsSmilesAndListsTheSkippedRecords)
{
    const std::string source = Write("mixed.csv", "Name,SMILES\nethanol,CCO\nbad,C1CC(\nlabel,[14CH4]\nbenzene,c1ccccc1\n");
    const std::string library = Path("mixed.clb");
    EXPECT_EQ(test::RunTool({"count", source}).out, "4\n");
    const auto run = test::RunTool({"import", source, library, "--smiles-column", "smiles"});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, "Imported 2 structures from " + source + " into " + library +
                           " (2 in the library, 2 records skipped)\n");
    EXPECT_TRUE(test::Contains(run.err, source + ": skipped record 2 (bad): cannot parse SMILES \"C1CC(\"")) << run.err;
    EXPECT_TRUE(test::Contains(run.err, source + ": skipped record 3 (label): isotope 14C (atom 1) cannot be stored"))
        << run.err;
    EXPECT_EQ(test::RunTool({"import", test::DataFile("query.mol"), Path("q.clb"), "--smiles-column", "2"}).status, 2);
    const auto missing = test::RunTool({"import", source, Path("other.clb"), "--smiles-column", "9"});
    EXPECT_EQ(missing.status, 1);
    EXPECT_TRUE(test::Contains(missing.err, "has no column 9")) << missing.err;
    const auto empty = test::RunTool({"import", Write("empty.smi", "\n\n"), Path("empty.clb")});
    EXPECT_EQ(empty.status, 1);
    EXPECT_TRUE(test::Contains(empty.err, "holds no SMILES")) << empty.err;
}

TEST_F(InteropImportTest, WorkbenchImportsSmilesFilesAndClosesItsCountOnFailure)
{
    test::ScriptedDialog dialog;
    test::ScriptedProgress progress;
    Workbench bench(dialog, progress, m_dir.Path().string());
    const std::string source = Write("two.smi", "CCO ethanol\nCCN ethylamine\n");
    const std::string library = Path("two.clb");
    EXPECT_TRUE(bench.ImportLibrary(source, [&](Converter& converter) {
        EXPECT_EQ(converter.StructureCount(), 2);
        converter.SetTarget(library, ConversionMode::WriteAnew);
        converter.Convert(bench.Library(), dialog, progress);
        return converter.Exit();
    }));
    EXPECT_EQ(bench.State().LibraryFileName, library);
    EXPECT_EQ(CountLibraryRecords(library), 2);

    const std::string headless = Write("headless.csv", "\n\n");
    EXPECT_THROW(bench.ImportLibrary(headless, [](Converter&) { return true; }), IoError);
    EXPECT_EQ(progress.finished, static_cast<int>(progress.captions.size())) << "a progress window left open";
}

TEST(SmilesConversion, RefusesWhatTheLibraryCannotHold)
{
    const std::string sixtyFour(64, 'C');
    const std::string elevenNeighbours = "[Fe](C)(C)(C)(C)(C)(C)(C)(C)(C)(C)C";
    const struct {
        std::string smiles;
        std::string reason; // the start of it; empty: accepted
    } cases[] = {
        {"C1CC(", "cannot parse SMILES \"C1CC(\": SMILES Parse Error"},
        {"", "cannot parse SMILES: empty"},
        {"C(C)(C)(C)(C)C", "cannot parse SMILES \"C(C)(C)(C)(C)C\": Explicit valence"},
        {"c1cccc1", "cannot parse SMILES \"c1cccc1\": Can't kekulize"},
        {sixtyFour, "64 atoms, not 1..63"},
        {std::string(63, 'C'), ""},
        {"[14CH4]", "isotope 14C (atom 1) cannot be stored"},
        {"C[235U]", "isotope 235U (atom 2) cannot be stored"},
        {"[2H]C([2H])([2H])[13C](=[18O])[15NH2]", ""},
        {"[12CH4]", ""},
        {elevenNeighbours, "an atom with more than 10 neighbours"},
        {"[Fe](C)(C)(C)(C)(C)(C)(C)(C)(C)C", ""},
        {"C*", "a query or dummy atom (atom 2) cannot be stored"},
        {"[C+4]", "charge +4 (atom 1) cannot be stored"},
        {"N->[Fe]", "a dative bond cannot be stored"},
    };
    for (const auto& c : cases) {
        TCTab table;
        const std::string reason = interop::TableFromSmiles(c.smiles, table);
        if (c.reason.empty())
            EXPECT_EQ(reason, "") << c.smiles;
        else
            EXPECT_EQ(reason.substr(0, c.reason.size()), c.reason) << c.smiles << ": " << reason;
    }
}

TEST(SmilesConversion, FillsTheTableAsTheMolfileReaderDoes)
{
    // Acetate with a charge, a deuterium written as an atom, aromatic input kekulized.
    TCTab table;
    ASSERT_EQ(interop::TableFromSmiles("[2H]c1ccccc1C(=O)[O-].[NH4+]", table), "");
    ASSERT_EQ(table.NumValidAtoms, 11);
    EXPECT_EQ(table.AtNum(1), 1);
    EXPECT_EQ(table.AtWeight(1), 2);
    EXPECT_EQ(table.AtWeight(2), 12);
    EXPECT_EQ(table.Charge(10), 5); // -1 as the molfile code
    EXPECT_EQ(table.Charge(11), 3); // +1
    EXPECT_EQ(table.NumNeighbours(11), 0);
    int doubles = 0, aromatic = 0;
    for (int i = 2; i <= 7; ++i)
        for (int k = 1; k <= table.NumNeighbours(i); ++k) {
            doubles += table.TypConn(i, k) == 2 && table.ConnTo(i, k) >= 2 && table.ConnTo(i, k) <= 7;
            aromatic += table.TypConn(i, k) == 4;
        }
    EXPECT_EQ(doubles, 6); // three ring double bonds, seen from both ends
    EXPECT_EQ(aromatic, 0);
    // Coordinates in the molfile reader's box: from 0, the wider side filling 800 x 600.
    double maxX = 0, maxY = 0, minX = 1e9, minY = 1e9;
    for (int i = 1; i <= table.NumValidAtoms; ++i) {
        maxX = std::max<double>(maxX, table.Coord(i, 1));
        maxY = std::max<double>(maxY, table.Coord(i, 2));
        minX = std::min<double>(minX, table.Coord(i, 1));
        minY = std::min<double>(minY, table.Coord(i, 2));
    }
    EXPECT_EQ(minX, 0);
    EXPECT_EQ(minY, 0);
    EXPECT_TRUE(maxX == 800 || maxY == 600) << maxX << " " << maxY;
}

TEST_F(InteropImportTest, SmilesFilesTakeColumnsNamesAndLinesAsDocumented)
{
    const struct {
        std::string file;
        std::string text;
        std::string column;
        std::vector<std::string> names; // of the stored structures, upper case as the library keeps them
        long skipped;
    } cases[] = {
        {"plain.smi", "CCO ethanol\n\n  c1ccccc1\tbenzene ring\nC1CC( broken\nCC\n", "", {"ETHANOL", "BENZENE RING", "5"}, 1},
        {"header.smi", "SMILES Name\r\nCCO ethanol\r\n", "", {"ETHANOL"}, 0},
        {"named.csv", "id,SMILES,weight\n7,CCO,46\n8,\"C(C)N\",45\n", "", {"7", "8"}, 0},
        {"chosen.csv", "smiles,other,Name\nCCCC,CCO,first\n", "2", {"FIRST"}, 0},
        {"byname.tsv", "Compound_ID\tStructure\n17\tCCO\n18\t\n", "structure", {"17"}, 1},
        {"noname.tsv", "smiles\tmass\nCCO\t46\n", "", {"2"}, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        const std::string source = Write(c.file, c.text);
        SourceOptions options;
        options.smilesColumn = c.column;
        EXPECT_EQ(CountStructureRecords(source, options), static_cast<long>(c.names.size()) + c.skipped);
        const std::string library = Path(c.file + ".clb");
        const auto report = Import(source, library, options);
        EXPECT_EQ(report.skipped, c.skipped);
        EXPECT_FALSE(report.cut);
        std::vector<std::string> names;
        for (const auto& table : test::LibraryStructures(library))
            names.push_back(table.FStrucName);
        EXPECT_EQ(names, c.names);
    }
    // A column that is not there names the file and what is there.
    const std::string table = Write("t.csv", "id,smiles\n1,C\n");
    for (const std::string column : {"3", "structure", "0"}) {
        SourceOptions options;
        options.smilesColumn = column;
        try {
            CountStructureRecords(table, options);
            ADD_FAILURE() << column;
        } catch (const IoError& error) {
            EXPECT_TRUE(test::Contains(error.Problem(), "has no column")) << error.what();
            EXPECT_TRUE(test::Contains(error.Problem(), "id, smiles")) << error.what();
        }
    }
}

TEST_F(InteropImportTest, ManyLinesConvertedTogetherArriveInFileOrder)
{
    // Several batches of lines converted on all cores: records keep their order and numbers, and
    // every structure is the one its line names (a chain of k carbons for line k).
    std::string text;
    for (int line = 1; line <= 700; ++line)
        text += (line % 97 == 0 ? std::string("C1CC(") : std::string(static_cast<std::size_t>(line % 40 + 1), 'C')) +
                " n" + std::to_string(line) + "\n";
    const auto report = Import(Write("chains.smi", text), Path("chains.clb"));
    EXPECT_EQ(report.written, 693);
    EXPECT_EQ(report.skipped, 7);
    ASSERT_FALSE(report.skipNotes.empty());
    EXPECT_TRUE(test::Contains(report.skipNotes[0], "record 97 (n97): cannot parse SMILES")) << report.skipNotes[0];
    const auto stored = test::LibraryStructures(Path("chains.clb"));
    ASSERT_EQ(stored.size(), 693u);
    std::size_t i = 0;
    for (int line = 1; line <= 700; ++line) {
        if (line % 97 == 0)
            continue;
        EXPECT_EQ(stored[i].FStrucName, "N" + std::to_string(line));
        EXPECT_EQ(stored[i].NumValidAtoms, line % 40 + 1) << line;
        ++i;
    }
}

TEST_F(InteropImportTest, V3000FileImportsAsTheV2000File)
{
    const std::string v2000 = test::DataFile("nci1000.sdf");
    const std::string v3000 = Path("nci.sdf");
    test::WriteV3000File(v2000, v3000, 300);
    ASSERT_EQ(StructureFileKindOf(v3000), StructureFileKind::V3000Molfile);
    ASSERT_EQ(StructureFileKindOf(v2000), StructureFileKind::Molfile);
    EXPECT_NE(dynamic_cast<SdSource*>(OpenStructureSource(v2000).get()), nullptr);

    // The V2000 reference: the same first 300 records.
    std::string first300;
    {
        const std::string all = test::ReadBytes(v2000);
        std::size_t at = 0;
        for (int record = 0; record < 300; ++record)
            at = all.find("$$$$", at) + 4;
        first300 = all.substr(0, all.find('\n', at) + 1);
    }
    const std::string reference = Write("reference.sdf", first300);
    const auto expected = Import(reference, Path("v2000.clb"));
    const auto actual = Import(v3000, Path("v3000.clb"));
    EXPECT_EQ(actual.written, expected.written);
    EXPECT_EQ(actual.skipped, expected.skipped);
    const auto a = test::LibraryStructures(Path("v2000.clb"));
    const auto b = test::LibraryStructures(Path("v3000.clb"));
    ASSERT_EQ(a.size(), b.size());
    for (std::size_t i = 0; i < a.size(); ++i)
        EXPECT_EQ(CompareCtab(a[i], b[i]) & ~kDiffZ, 0) << a[i].FStrucName;
}

TEST_F(InteropImportTest, V3000RecordsTheLibraryCannotHoldAreSkippedWithTheirReason)
{
    // 14C on atom 2, then a damaged record, then a good one.
    const std::string text =
        "c14\n  test\n\n  0  0  0     0  0            999 V3000\nM  V30 BEGIN CTAB\nM  V30 COUNTS 2 1 0 0 0\n"
        "M  V30 BEGIN ATOM\nM  V30 1 C 0 0 0 0\nM  V30 2 C 1.5 0 0 0 MASS=14\nM  V30 END ATOM\nM  V30 BEGIN BOND\n"
        "M  V30 1 1 1 2\nM  V30 END BOND\nM  V30 END CTAB\nM  END\n$$$$\n"
        "broken\n  test\n\n  0  0  0     0  0            999 V3000\nM  V30 BEGIN CTAB\nM  V30 COUNTS 1 0 0 0 0\n"
        "M  V30 BEGIN ATOM\nM  V30 1 Xx 0 0 0 0\nM  V30 END ATOM\nM  V30 END CTAB\nM  END\n$$$$\n"
        "ethane\n  test\n\n  0  0  0     0  0            999 V3000\nM  V30 BEGIN CTAB\nM  V30 COUNTS 2 1 0 0 0\n"
        "M  V30 BEGIN ATOM\nM  V30 1 C 0 0 0 0\nM  V30 2 C 1.5 0 0 0 CHG=-1\nM  V30 END ATOM\nM  V30 BEGIN BOND\n"
        "M  V30 1 1 1 2\nM  V30 END BOND\nM  V30 END CTAB\nM  END\n> <CAS_RN>\n74-84-0\n\n$$$$\n";
    const std::string source = Write("mixed.sdf", text);
    const auto report = Import(source, Path("mixed.clb"));
    EXPECT_EQ(report.written, 1);
    ASSERT_EQ(report.skipNotes.size(), 2u);
    EXPECT_EQ(report.skipNotes[0], "record 1 (c14): isotope 14C (atom 2) cannot be stored");
    EXPECT_TRUE(test::Contains(report.skipNotes[1], "record 2 (broken): cannot read the molfile record"))
        << report.skipNotes[1];
    const auto stored = test::LibraryStructures(Path("mixed.clb"));
    ASSERT_EQ(stored.size(), 1u);
    EXPECT_EQ(stored[0].FStrucName, "ETHANE");
    EXPECT_EQ(stored[0].FCASNr, 74840);
    EXPECT_EQ(stored[0].Charge(2), 5);
}

} // namespace
} // namespace velmora
