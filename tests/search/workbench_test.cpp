#include "search/workbench.h"

#include "base/ioerror.h"
#include "base/textfile.h"
#include "io/convert.h"
#include "io/libstamp.h"
#include "io/molfile.h"
#include "report/asciiexport.h"
#include "report/reportprint.h"
#include "search/coefficients.h"
#include "search/paramcalc.h"
#include "scripted.h"
#include "test_support.h"
#include "workbench_access.h"
#include "workbench_support.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <map>
#include <numeric>
#include <set>
#include <sys/stat.h>
#include <tuple>

namespace velmora {
namespace {

namespace fs = std::filesystem;

const std::string kZeroLine = " 0.00000000000000E+0000 0.00000000000000E+0000";

// Ten integer-valued descriptors that vary across the first NCI records.
const std::vector<std::string> kTen{"Bonds: C-C double", "Bonds: C-C single", "Bonds: double", "Bonds: single",
                                    "Branching atoms",   "Hetero atoms",      "Atoms of C",    "Atoms of N",
                                    "Atoms of O",        "Number of rings"};
const std::vector<std::string> kGroups{"Bonds: C-C single", "Bonds: double", "Bonds: single", "Branching atoms",
                                       "Hetero atoms"};

using test::ExpectMessage;
using test::kIntroGate;
using test::kIntroNotice;
using test::kNoParameters;
int IndexOf(const std::string& name) { return test::DescriptorIndex(name); }

class WorkbenchTest : public test::WorkbenchFixture {
protected:
    // Imports the SD text into name.clb; returns the library path.
    std::string Import(const std::string& name, const std::string& sdText)
    {
        const std::string sd = dir.File(name + ".sdf");
        test::WriteBytes(sd, sdText);
        StructureLibrary library;
        NullProgress quiet;
        const std::string lib = dir.File(name + ".clb");
        const ImportReport report =
            ImportStructures(library, sd, CountSDRecords(sd), lib, ConversionMode::WriteAnew, quiet);
        EXPECT_TRUE(report.Completed());
        EXPECT_EQ(report.skipped, 0);
        return lib;
    }
    std::string Library(const std::string& name, int count) { return test::NciLibrary(dir, name, count, false); }
    // The NORMAL-mode descriptor file and parameters, built outside the workbench.
    void Build(const std::string& lib) { test::BuildDescriptorFiles(lib); }
    // Opens a library that has its descriptor file and loads its first structure as the query.
    void OpenWithSelfQuery(const std::string& lib)
    {
        ASSERT_TRUE(wb.OpenLibrary(lib));
        ASSERT_TRUE(wb.LoadQuery(lib));
    }
    // Builds the descriptor file of a library, opens it with its first structure as the query.
    std::string Searchable(const std::string& lib)
    {
        Build(lib);
        OpenWithSelfQuery(lib);
        return lib;
    }
    std::string LibraryName(const std::string& lib, long position) { return test::LibraryStructureName(lib, position); }
};

TEST_F(WorkbenchTest, OpenLibraryRefusesAFileThatIsNotALibrary)
{
    test::WriteBytes(dir.File("junk.clb"), "not a structure library");
    EXPECT_FALSE(wb.OpenLibrary(dir.File("junk.clb")));
    ASSERT_EQ(dialog.shown.size(), 1u);
    ExpectMessage(dialog.shown[0], MessageKind::Error, "none CLB-Format !!  Please import library", MessageButtons::Ok);
    EXPECT_FALSE(wb.State().LibraryOpen);
    EXPECT_TRUE(wb.State().LibraryFileName.empty());

    // A library's data file under another name is not opened: the detail says why.
    const std::string lib = Library("lib5", 5);
    fs::copy_file(lib, dir.File("copy.dat"));
    fs::copy_file(dir.File("lib5.III"), dir.File("copy.III"));
    EXPECT_FALSE(wb.OpenLibrary(dir.File("copy.dat")));
    ASSERT_EQ(dialog.shown.size(), 2u);
    EXPECT_EQ(dialog.shown[1].text, "none CLB-Format !!  Please import library");
    EXPECT_EQ(dialog.shown[1].detail, dir.File("copy.dat") + ": not a structure library: a library's name ends in \".clb\"");
    dialog.shown.pop_back();

    // The file dialog's Cancel ends the command without a message.
    EXPECT_FALSE(wb.OpenLibrary());
    EXPECT_EQ(dialog.filters.back(), "Library-Files (*.clb)|*.clb|Library sets (*.vset)|*.vset");
    EXPECT_EQ(dialog.titles.back(), "Open Library");
    EXPECT_EQ(dialog.shown.size(), 1u);
}

TEST_F(WorkbenchTest, OpenLibraryWithoutDescriptorFileRunsIntroAndAsksForParameters)
{
    const std::string lib = Library("lib30", 30);
    dialog.answers = {MessageAnswer::Ok, MessageAnswer::No};
    ASSERT_TRUE(wb.OpenLibrary(lib));
    ASSERT_EQ(dialog.shown.size(), 2u);
    ExpectMessage(dialog.shown[0], MessageKind::Information, kIntroNotice, MessageButtons::Ok);
    ExpectMessage(dialog.shown[1], MessageKind::Confirmation, kNoParameters, MessageButtons::OkNo);
    EXPECT_EQ(wb.State().Mode, DescriptorMode::Intro);
    EXPECT_TRUE(wb.Menu().intro && !wb.Menu().normal);
    EXPECT_EQ(std::make_pair(wb.State().LibraryCount, wb.State().BestCount), std::make_pair(30L, 30));
    EXPECT_FALSE(wb.State().ParametersAvailable);
    EXPECT_FALSE(fs::exists(dir.File("lib30.idr")));

    // Without parameters the descriptor dialog does not open in INTRO mode.
    EXPECT_FALSE(wb.ChooseDescriptors());
    ASSERT_EQ(dialog.shown.size(), 3u);
    ExpectMessage(dialog.shown[2], MessageKind::Information, kIntroGate, MessageButtons::Ok);

    // Answering OK computes the INTRO parameters and reports the time taken.
    dialog.shown.clear();
    dialog.answers = {MessageAnswer::Ok, MessageAnswer::Ok};
    ASSERT_TRUE(wb.OpenLibrary(lib));
    ASSERT_EQ(dialog.shown.size(), 3u);
    EXPECT_EQ(dialog.shown[2].text.rfind("Calculationtime: 00 days  -  ", 0), 0u) << dialog.shown[2].text;
    EXPECT_TRUE(wb.State().ParametersAvailable && fs::exists(dir.File("lib30.idr")));
    EXPECT_TRUE(wb.ChooseDescriptors());
}

TEST_F(WorkbenchTest, OpenLibraryWithDescriptorFileStaysNormalAndCapsTheBestCount)
{
    const std::string lib = Library("lib51", 51);
    Build(lib);
    ASSERT_TRUE(wb.OpenLibrary(lib));
    EXPECT_TRUE(dialog.shown.empty());
    EXPECT_EQ(wb.State().Mode, DescriptorMode::Normal);
    EXPECT_EQ(std::make_pair(wb.State().LibraryCount, wb.State().BestCount), std::make_pair(51L, 50));
    EXPECT_TRUE(wb.Menu().structuralDescriptors && wb.ChooseDescriptors());
    EXPECT_FALSE(wb.CalculateEnabled()); // no query, no descriptors yet

    // Opening a library again starts from "[none]" with nothing chosen.
    ASSERT_TRUE(wb.LoadQuery(lib));
    Choose({"Atoms of C"});
    ASSERT_TRUE(wb.CalculateEnabled());
    ASSERT_TRUE(wb.OpenLibrary(lib));
    EXPECT_EQ(std::make_pair(wb.Selection().ChosenCount(), wb.Selection().CurrentSet()), std::make_pair(0, 0));
    EXPECT_FALSE(wb.State().DescriptorsChosen || wb.CalculateEnabled());
    EXPECT_TRUE(wb.State().QueryLoaded);
}

TEST_F(WorkbenchTest, ALoadThatFindsNoParameterFileClearsTheParameters)
{
    const std::string a = Library("alpha", 30);
    Build(a);
    ASSERT_TRUE(wb.OpenLibrary(a));
    ASSERT_GT(wb.Parameters().StdDev[IndexOf("Atoms of C")], 0.0);

    // A copy with its descriptor file (and its stamp) but without .idp: NORMAL mode, the question,
    // nothing computed.
    for (const char* ext : {".clb", ".III", ".pre", ".pre-state"})
        fs::copy_file(dir.File(std::string("alpha") + ext), dir.File(std::string("beta") + ext));
    dialog.answers = {MessageAnswer::Ok};
    ASSERT_TRUE(wb.OpenLibrary(dir.File("beta.clb")));
    ASSERT_EQ(dialog.shown.size(), 1u);
    ExpectMessage(dialog.shown[0], MessageKind::Confirmation, kNoParameters, MessageButtons::OkNo);
    EXPECT_EQ(wb.State().Mode, DescriptorMode::Normal);
    EXPECT_FALSE(wb.State().ParametersAvailable || fs::exists(dir.File("beta.idp")));
    EXPECT_EQ(wb.Parameters().Mean, LibraryParameters{}.Mean);
    EXPECT_EQ(wb.Parameters().StdDev, LibraryParameters{}.StdDev);
}

TEST_F(WorkbenchTest, LoadQueryFromLibrarySdFileAndMolfile)
{
    const std::string lib = Library("lib30", 30);
    dialog.answers = {MessageAnswer::Ok, MessageAnswer::No};
    ASSERT_TRUE(wb.OpenLibrary(lib));

    // A library gives its first structure.
    ASSERT_TRUE(wb.LoadQuery(lib));
    StructureLibrary library;
    ASSERT_EQ(library.ReadLibraryRecord(lib, 1), kLibOk);
    EXPECT_EQ(CompareCtab(wb.State().Query, library.Structure()), 0);
    EXPECT_EQ(wb.State().QueryFileName, lib);
    EXPECT_TRUE(wb.State().QueryLoaded && wb.Menu().saveMolecule);

    // An SD file gives its first record.
    const std::string sd = dir.File("three.sd");
    test::WriteBytes(sd, test::NciRecords(4, 3));
    ASSERT_TRUE(wb.LoadQuery(sd));
    EXPECT_EQ(wb.State().Query.FStrucName, LibraryName(lib, 4));

    // A plain molfile without "$$$$" is a query too.
    ASSERT_TRUE(wb.LoadQuery(test::DataFile("query.mol")));
    EXPECT_EQ(std::make_pair(wb.State().Query.FStrucName, wb.State().Query.NumValidAtoms), std::make_pair(std::string("2783"), 25));

    // Anything else is refused and the query stays.
    const std::size_t before = dialog.shown.size();
    test::WriteBytes(dir.File("notes.mol"), "shopping list\r\nmilk\r\n");
    EXPECT_FALSE(wb.LoadQuery(dir.File("notes.mol")));
    ASSERT_EQ(dialog.shown.size(), before + 1);
    ExpectMessage(dialog.shown.back(), MessageKind::Error, "Fileformat not valid", MessageButtons::Ok);
    EXPECT_EQ(wb.State().Query.FStrucName, "2783");
    EXPECT_EQ(wb.State().QueryFileName, test::DataFile("query.mol"));

    // What is no file at all is not a wrong format: the error says why, and the query stays.
    std::filesystem::create_directory(dir.File("folder.mol"));
    ASSERT_EQ(::mkfifo(dir.File("pipe.mol").c_str(), 0600), 0);
    for (const auto& [file, reason] : std::vector<std::pair<std::string, std::string>>{
             {dir.File("gone.mol"), "no such file"}, {dir.File("gone.clb"), "no such file"},
             {dir.File("folder.mol"), "is a folder"}, {dir.File("pipe.mol"), "is not a regular file"}}) {
        try {
            wb.LoadQuery(file);
            ADD_FAILURE() << file << " was taken";
        } catch (const IoError& error) {
            EXPECT_EQ(std::make_pair(error.File(), error.Problem()), std::make_pair(file, reason));
        }
        EXPECT_EQ(wb.State().Query.FStrucName, "2783");
        EXPECT_EQ(wb.State().QueryFileName, test::DataFile("query.mol"));
    }
    EXPECT_EQ(dialog.shown.size(), before + 1);

    EXPECT_FALSE(wb.LoadQuery());
    // SD files named ".sdf" are offered as well as ".sd" ones.
    EXPECT_EQ(dialog.filters.back(), "Mol-Files (*.mol ; *.sd ; *.sdf)|*.mol;*.sd;*.sdf|CLB-File  (*.clb)|*.clb");
    EXPECT_EQ(dialog.titles.back(), "Open X-File");
}

// A molfile that ends before the atoms and bonds its counts line promises is refused as a query,
// naming the file and where it ends; the query stays as it was.
TEST_F(WorkbenchTest, LoadQueryRefusesARecordCutShortByTheEndOfItsFile)
{
    ASSERT_TRUE(wb.LoadQuery(test::DataFile("query.mol")));
    const TCTab before = wb.State().Query;
    const std::string whole = test::ReadBytes(test::DataFile("query.mol"));
    std::size_t at = 0;
    for (int line = 0; line < 7; ++line) // the header, the counts line and 3 of 25 atom lines
        at = whole.find("\r\n", at) + 2;
    const std::string cut = dir.File("cut.mol");
    test::WriteBytes(cut, whole.substr(0, at));
    EXPECT_FALSE(wb.LoadQuery(cut));
    ExpectMessage(dialog.shown.back(), MessageKind::Error, "Fileformat not valid", MessageButtons::Ok);
    EXPECT_EQ(dialog.shown.back().detail, cut + ": record 1 ends at line 7; its counts line promises 25 atoms and 28 bonds");
    EXPECT_EQ(CompareCtab(wb.State().Query, before), 0);
    EXPECT_EQ(wb.State().QueryFileName, test::DataFile("query.mol"));
}

TEST_F(WorkbenchTest, SaveQueryReplacesAppendsOrLeavesTheFile)
{
    ASSERT_TRUE(wb.LoadQuery(test::DataFile("query.mol")));
    const std::string out = dir.File("saved.mol");
    ASSERT_TRUE(wb.SaveQuery(out));
    EXPECT_TRUE(dialog.shown.empty()); // a new file is written without a question
    const std::string once = test::ReadBytes(out);
    EXPECT_EQ(CountSDRecords(out), 1);
    // Line 2: the initials "ZW" and the first eight characters of the name, padded.
    EXPECT_EQ(test::CrLfLines(once).at(1).substr(0, 10), "ZW2783    ");
    {
        TextReader reader(out);
        TCTab back;
        ASSERT_TRUE(ReadMolRecord(back, reader));
        EXPECT_EQ(std::make_pair(back.FStrucName, back.NumValidAtoms), std::make_pair(std::string("2783"), 25));
    }

    dialog.answers = {MessageAnswer::Abort};
    EXPECT_FALSE(wb.SaveQuery(out));
    ASSERT_EQ(dialog.shown.size(), 1u);
    EXPECT_EQ(dialog.shown[0].caption, "Information");
    ExpectMessage(dialog.shown[0], dialog.shown[0].kind, "File already exists", MessageButtons::ReplaceAppendAbort);
    EXPECT_EQ(test::ReadBytes(out), once);

    dialog.answers = {MessageAnswer::Append};
    ASSERT_TRUE(wb.SaveQuery(out));
    EXPECT_EQ(CountSDRecords(out), 2);
    EXPECT_EQ(test::ReadBytes(out).substr(0, once.size()), once);

    dialog.answers = {MessageAnswer::Replace};
    ASSERT_TRUE(wb.SaveQuery(out));
    EXPECT_EQ(CountSDRecords(out), 1);

    EXPECT_FALSE(wb.SaveQuery()); // the file dialog cancelled
    EXPECT_EQ(dialog.titles.back(), "Save Structure");
    EXPECT_EQ(dialog.filters.back(), "Molfile (*.mol)|*.mol");

    // A name without extension is a molfile; a structure library and its files are never written.
    ASSERT_TRUE(wb.SaveQuery(dir.File("plain")));
    EXPECT_EQ(CountSDRecords(dir.File("plain.mol")), 1);
    const std::string lib = Library("lib5", 5);
    ASSERT_TRUE(wb.OpenLibrary(lib));
    dialog.shown.clear();
    for (const std::string& target : {lib, dir.File("LIB5.CLB"), dir.File("new.clb"), dir.File("lib5.III"), dir.File("lib5.pre")}) {
        const bool existed = fs::exists(target);
        const std::string before = existed ? test::ReadBytes(target) : "";
        EXPECT_FALSE(wb.SaveQuery(target)) << target;
        ASSERT_FALSE(dialog.shown.empty());
        ExpectMessage(dialog.shown.back(), MessageKind::Error,
                      "The structure is saved as a molfile (.mol);\rit cannot replace a structure library or one of its files.",
                      MessageButtons::Ok);
        EXPECT_EQ(fs::exists(target), existed) << target;
        if (existed) {
            EXPECT_EQ(test::ReadBytes(target), before) << target;
        }
    }
    EXPECT_EQ(CountLibraryRecords(lib), 5);
}

TEST_F(WorkbenchTest, BestCountAcceptsOneToTwoHundred)
{
    struct Case {
        std::string text;
        int accepted; // 0: refused
        MessageKind kind;
    };
    const std::string outOfRange = "Out of range\rChoose values between 0 and 200";
    const std::string notInteger = "I want an integer-value\rPlease give it to me !!!";
    const std::vector<Case> cases{
        {"1", 1, {}},           {"200", 200, {}},           {"      50", 50, {}},
        {"0", 0, MessageKind::Error},  {"201", 0, MessageKind::Error}, {"-5", 0, MessageKind::Error},
        {"abc", 0, MessageKind::Information}, {"12abc", 0, MessageKind::Information},
        {"", 0, MessageKind::Information},
    };
    ASSERT_TRUE(wb.SetBestCount("17"));
    for (const auto& c : cases) {
        SCOPED_TRACE("'" + c.text + "'");
        dialog.shown.clear();
        const int before = wb.State().BestCount;
        EXPECT_EQ(wb.SetBestCount(c.text), c.accepted != 0);
        if (c.accepted) {
            EXPECT_TRUE(dialog.shown.empty());
            EXPECT_EQ(wb.State().BestCount, c.accepted);
        } else {
            ASSERT_EQ(dialog.shown.size(), 1u);
            ExpectMessage(dialog.shown[0], c.kind, c.kind == MessageKind::Error ? outOfRange : notInteger,
                          MessageButtons::Ok);
            EXPECT_EQ(wb.State().BestCount, before);
        }
    }
}

// Every coefficient ranks the query's own record first with the best possible value.
void ExpectSelfFirst(Workbench& wb, const std::string& lib)
{
    const std::string best[] = {"  0.0000", "  0.0000", "  0.0000", "  1.0000", "  1.0000"};
    for (int c = 0; c < kCoefficientCount; ++c) {
        SCOPED_TRACE(CoefficientName(c));
        wb.SetCoefficient(c);
        ASSERT_EQ(wb.RunSearch(), SearchOutcome::Completed);
        EXPECT_FALSE(fs::exists(CompanionFileName(lib, "qlt")));
        const auto rows = wb.ReportRows();
        ASSERT_FALSE(rows.empty());
        EXPECT_EQ(rows[0].libraryPosition, 1);
        EXPECT_EQ(rows[0].value, best[c]);
        EXPECT_EQ(rows[0].name, wb.State().Query.FStrucName);
        // The result library holds the filled ranks in rank order.
        const auto& results = wb.Results();
        EXPECT_EQ(static_cast<long>(rows.size()), results.filled);
        EXPECT_EQ(CountLibraryRecords(wb.State().SimilarLibraryFileName), results.filled);
        for (int k = 1; k <= results.filled; ++k)
            EXPECT_EQ(rows[static_cast<std::size_t>(k - 1)].libraryPosition, results.StructureAt(k));
    }
}

TEST_F(WorkbenchTest, OwnRecordRanksFirstInNormalMode)
{
    const std::string lib = Searchable(Library("lib30", 30));
    Choose(kTen);
    ASSERT_EQ(wb.Selection().ChosenCount(), 10);
    ExpectSelfFirst(wb, lib);
    EXPECT_TRUE(dialog.shown.empty());
    EXPECT_EQ(wb.State().SimilarLibraryFileName, dir.File("liSIM.clb")); // "lib30.clb" less 7 characters
    // Every row names the library structure at its position.
    for (const auto& row : wb.ReportRows())
        EXPECT_EQ(row.name, LibraryName(lib, row.libraryPosition));
    EXPECT_TRUE(wb.Menu().viewTable && wb.Menu().print);

    // A new query invalidates the results.
    ASSERT_TRUE(wb.LoadQuery(test::DataFile("query.mol")));
    EXPECT_FALSE(wb.HasResults() || wb.Menu().viewTable);
}

TEST_F(WorkbenchTest, RejectedRecordsLeaveRanksUnfilledAndOutOfTheHistogram)
{
    // 30 structures and a lone carbon atom, which has no bond.
    const std::string lib = Searchable(Import("mixed", test::NciRecords(1, 30, test::kMethaneRecord)));
    ASSERT_EQ(wb.State().BestCount, 31);
    Choose(kTen);
    ASSERT_EQ(wb.RunSearch(), SearchOutcome::Completed);
    const auto& results = wb.Results();
    // Filled ranks, histogram entries, report rows, result library records.
    EXPECT_EQ((std::vector<long>{results.filled, std::accumulate(results.histogram.begin(), results.histogram.end(), 0L),
                                 static_cast<long>(wb.ReportRows().size()),
                                 static_cast<long>(CountLibraryRecords(wb.State().SimilarLibraryFileName))}),
              (std::vector<long>{30, 30, 30, 30}));
    for (int k = 1; k <= results.filled; ++k)
        EXPECT_NE(results.StructureAt(k), 31);
}

TEST_F(WorkbenchTest, ConstantDescriptorsAreLeftOutWithAWarning)
{
    const std::string lib = Searchable(Library("lib30", 30));
    Choose({"Atoms of C", "Atoms of N", "Atoms of O"});
    ASSERT_EQ(wb.Selection().ChosenCount(), 3);

    // The parameters change under the chosen set: "Atoms of N" now has no spread.
    auto zeroLines = [&](const std::set<int>& indices) {
        auto lines = test::CrLfLines(test::ReadBytes(dir.File("lib30.idp")));
        std::string text;
        for (std::size_t i = 0; i < lines.size(); ++i)
            text += (indices.count(static_cast<int>(i)) ? kZeroLine : lines[i]) + "\r\n";
        test::WriteBytes(dir.File("lib30.idp"), text);
        StampCompanion(lib, "idp"); // as if calculated so
        ASSERT_TRUE(wb.SetNormalMode()); // reloads the parameters
    };
    zeroLines({IndexOf("Atoms of N")});
    EXPECT_EQ(wb.RunSearch(), SearchOutcome::Completed);
    ASSERT_EQ(dialog.shown.size(), 1u);
    EXPECT_EQ(dialog.shown[0].kind, MessageKind::Warning);
    EXPECT_NE(dialog.shown[0].text.find("Atoms of N"), std::string::npos) << dialog.shown[0].text;
    EXPECT_EQ(wb.LeftOut(), std::vector<int>{IndexOf("Atoms of N")});
    EXPECT_EQ(wb.Participating(), (std::vector<int>{IndexOf("Atoms of C"), IndexOf("Atoms of O")}));
    // The average distance still divides by the three chosen, not the two taking part.
    const SearchResults euclidean = wb.Results();
    wb.SetCoefficient(kAverage);
    dialog.shown.clear();
    ASSERT_EQ(wb.RunSearch(), SearchOutcome::Completed);
    ASSERT_EQ(wb.Results().filled, euclidean.filled);
    for (int k = 1; k <= euclidean.filled; ++k) {
        const auto rank = static_cast<std::size_t>(k - 1);
        EXPECT_EQ(wb.Results().StructureAt(k), euclidean.StructureAt(k));
        EXPECT_NEAR(wb.Results().best[rank].value, euclidean.best[rank].value / 3.0, 7e-5) << k;
    }
    const std::string resultLibrary = test::ReadBytes(wb.State().SimilarLibraryFileName);

    // None left: the search does not start, says why, and leaves the last results alone.
    zeroLines({IndexOf("Atoms of C"), IndexOf("Atoms of N"), IndexOf("Atoms of O")});
    dialog.shown.clear();
    EXPECT_EQ(wb.RunSearch(), SearchOutcome::NotStarted);
    ASSERT_EQ(dialog.shown.size(), 1u);
    EXPECT_EQ(dialog.shown[0].kind, MessageKind::Error);
    for (const char* name : {"Atoms of C", "Atoms of N", "Atoms of O"})
        EXPECT_NE(dialog.shown[0].text.find(name), std::string::npos) << name;
    EXPECT_FALSE(fs::exists(dir.File("lib30.qlt")));
    EXPECT_EQ(test::ReadBytes(wb.State().SimilarLibraryFileName), resultLibrary);
}

TEST_F(WorkbenchTest, AnAbortedSearchKeepsTheLastResults)
{
    // The search polls every 100 structures; 150 give it one chance to stop.
    const std::string lib = Library("lib150", 150);
    dialog.answers = {MessageAnswer::Ok, MessageAnswer::Ok};
    ASSERT_TRUE(wb.OpenLibrary(lib));
    ASSERT_TRUE(wb.LoadQuery(lib));
    Choose(kGroups);

    progress.polls = 0;
    progress.abortAtPoll = 1;
    EXPECT_EQ(wb.RunSearch(), SearchOutcome::Aborted);
    EXPECT_FALSE(wb.HasResults() || fs::exists(dir.File("lib150.qlt")) || fs::exists(ResultLibraryName(lib)));

    progress.abortAtPoll = -1;
    ASSERT_EQ(wb.RunSearch(), SearchOutcome::Completed);
    const std::string resultLibrary = test::ReadBytes(ResultLibraryName(lib));
    const auto rows = wb.ReportRows();

    wb.SetCoefficient(kManhattan);
    progress.polls = 0;
    progress.abortAtPoll = 1;
    const std::size_t messages = dialog.shown.size();
    EXPECT_EQ(wb.RunSearch(), SearchOutcome::Aborted);
    EXPECT_EQ(dialog.shown.size(), messages); // an abort says nothing
    EXPECT_FALSE(fs::exists(dir.File("lib150.qlt")));
    EXPECT_EQ(test::ReadBytes(ResultLibraryName(lib)), resultLibrary);
    EXPECT_EQ(wb.Results().coefficient, kEuclidean);
    EXPECT_EQ(wb.ReportRows().size(), rows.size());
    EXPECT_FALSE(wb.Menu().print);
}

// A raw value as the ASCII export writes it: sign position, one digit, 2 decimals, "E", the
// exponent's sign and 4 digits, right-aligned in 11.
std::string AsciiValue(double v)
{
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%.2E", v); // e.g. 6.00E+00
    std::string text = buffer;
    const std::size_t e = text.find('E');
    std::string digits = text.substr(e + 2);
    digits.insert(0, 4 - digits.size(), '0');
    text = text.substr(0, e + 2) + digits;
    return std::string(11 - text.size(), ' ') + text;
}

TEST_F(WorkbenchTest, AsciiExportOfAHundredStructuresHoldsThemAll)
{
    const std::string lib = Searchable(Library("lib100", 100));
    Choose(kTen);
    ASSERT_EQ(wb.RunSearch(), SearchOutcome::Completed);
    ASSERT_EQ(wb.Results().filled, 50);

    std::mt19937 random(7);
    const std::string path = ExportAscii(wb, random);
    EXPECT_EQ(path, fs::absolute(dir.File("lib100.asc")).string());
    const auto lines = test::CrLfLines(test::ReadBytes(path));
    ASSERT_EQ(lines.size(), 5u + 100u);
    EXPECT_EQ(std::vector<std::string>(lines.begin(), lines.begin() + 5),
              (std::vector<std::string>{path, "10", "100", "TRUE TRUE TRUE",
                                        std::string(22, ' ') +
                                            " Bonds:_C-C Bonds:_C-C Bonds:_dou Bonds:_sin Branching_ Hetero_ato Atoms_of_C"
                                            " Atoms_of_N Atoms_of_O Number_of_ "}));

    // Class 1 first, then 2, then 3; 60, 20 and 20 lines.
    std::map<char, std::vector<std::string>> names;
    char last = '1';
    for (std::size_t i = 5; i < lines.size(); ++i) {
        const std::string& line = lines[i];
        ASSERT_EQ(line.size(), 1u + 20u + 1u + 10u * 11u + 1u) << line;
        EXPECT_GE(line[0], last);
        last = line[0];
        std::string name = line.substr(1, 20);
        names[line[0]].push_back(name.substr(name.find_first_not_of(' ')));
    }
    EXPECT_EQ((std::vector<std::size_t>{names['1'].size(), names['2'].size(), names['3'].size()}),
              (std::vector<std::size_t>{60, 20, 20}));
    const auto rows = wb.ReportRows();
    std::set<std::string> top20, class3(names['3'].begin(), names['3'].end());
    for (int k = 0; k < 20; ++k)
        top20.insert(rows[static_cast<std::size_t>(k)].name);
    EXPECT_EQ(class3, top20);

    // The query's own record (structure 1, rank 1) carries its raw values from the .pre record.
    StructureLibrary library;
    ASSERT_EQ(library.ReadLibraryRecord(lib, 1), kLibOk);
    const TCTab& first = library.Structure();
    std::string expected = "3" + std::string(20 - first.FStrucName.size(), ' ') + first.FStrucName + " ";
    for (const auto& name : kTen)
        expected += AsciiValue(DescriptorValue(first, IndexOf(name)));
    expected += " ";
    EXPECT_NE(std::find(lines.begin(), lines.end(), expected), lines.end()) << expected;
}

TEST_F(WorkbenchTest, AsciiExportSamplesLargeTables)
{
    // 200 structures in INTRO mode; after the search 80 descriptors are selected: 16000 values,
    // so K = 8000 / 80 = 100 = N / 2 and class 1 is K - 40 structures drawn at random.
    const std::string lib = Library("lib200", 200);
    dialog.answers = {MessageAnswer::Ok, MessageAnswer::Ok};
    ASSERT_TRUE(wb.OpenLibrary(lib));
    ASSERT_TRUE(wb.LoadQuery(lib));
    Choose(kGroups);
    ASSERT_EQ(wb.RunSearch(), SearchOutcome::Completed);
    auto& selected = wb.Choice().DescSelected;
    selected.fill(false);
    int m = 0;
    for (int i = 0; i < kCatalogueSize && m < 80; ++i)
        if (IsDescriptor(i))
            selected[static_cast<std::size_t>(i)] = true, ++m;
    std::set<std::string> libraryNames;
    for (long k = 1; k <= 200; ++k)
        libraryNames.insert(LibraryName(lib, k));
    ASSERT_EQ(libraryNames.size(), 200u);

    std::mt19937 random(11);
    const auto lines = test::CrLfLines(test::ReadBytes(ExportAscii(wb, random)));
    ASSERT_EQ(lines.size(), 5u + 100u);
    EXPECT_EQ(std::make_pair(lines[1], lines[2]), std::make_pair(std::string("80"), std::string("100")));
    // The header names all 80; the data lines only the 33 available in INTRO mode.
    EXPECT_EQ(lines[4].size(), 22u + 80u * 11u + 1u);
    EXPECT_NE(lines[4].find(" COO__(not_"), std::string::npos) << lines[4];
    std::map<char, int> classes;
    const std::string lastName = LibraryName(lib, 200);
    bool lastIsTop = false;
    for (int k = 1; k <= 40; ++k)
        lastIsTop = lastIsTop || wb.Results().StructureAt(k) == 200;
    for (std::size_t i = 5; i < lines.size(); ++i) {
        ++classes[lines[i][0]];
        EXPECT_EQ(lines[i].size(), 1u + 20u + 1u + 33u * 11u + 1u);
        if (lines[i][0] == '1' && !lastIsTop) { // structure N is never drawn
            EXPECT_NE(lines[i].substr(1, 20), std::string(20 - lastName.size(), ' ') + lastName);
        }
    }
    EXPECT_EQ((std::vector<int>{classes['1'], classes['2'], classes['3']}), (std::vector<int>{60, 20, 20}));

    // 50 selected: 10000 values, K = 160 > N / 2, so N - K = 40 are left out at random.
    selected.fill(false);
    m = 0;
    for (int i = 0; i < kCatalogueSize && m < 50; ++i)
        if (IsDescriptor(i))
            selected[static_cast<std::size_t>(i)] = true, ++m;
    const auto sampled = test::CrLfLines(test::ReadBytes(ExportAscii(wb, random)));
    EXPECT_EQ(sampled[2], "160");
    ASSERT_EQ(sampled.size(), 5u + 160u);
    EXPECT_EQ(std::count_if(sampled.begin() + 5, sampled.end(), [](const std::string& l) { return l[0] == '1'; }), 120);
}

TEST_F(WorkbenchTest, IntroSearchCountsEqualTheStoredRecords)
{
    const std::string lib = Library("lib100", 100);
    Build(lib);
    const std::string pre = test::ReadBytes(dir.File("lib100.pre"));
    StructureLibrary library;
    for (long k = 1; k <= 100; ++k) {
        ASSERT_EQ(library.ReadLibraryRecord(lib, k), kLibOk);
        const auto record =
            DecodeDescriptorRecord(reinterpret_cast<const std::uint8_t*>(pre.data()) + (k - 1) * kDescriptorRecordSize);
        if (record.notRegistered)
            continue;
        for (int i = 0; i <= 32; ++i)
            EXPECT_EQ(DescriptorValue(library.Structure(), i), record.counts[static_cast<std::size_t>(i)])
                << "structure " << k << " index " << i;
    }

    // With the same group parameters in both modes, both searches rank alike.
    LibraryParameters parameters;
    StatisticsAccumulator statistics;
    NullProgress quiet;
    ASSERT_TRUE(ComputeIntroParameters(library, lib, parameters, statistics, quiet, dialog).completed);
    OpenWithSelfQuery(lib);
    Choose(kGroups);
    ASSERT_EQ(wb.RunSearch(), SearchOutcome::Completed);
    const SearchResults normal = wb.Results();
    wb.SetIntroMode();
    Choose(kGroups);
    ASSERT_EQ(wb.RunSearch(), SearchOutcome::Completed);
    const SearchResults intro = wb.Results();
    ASSERT_EQ(intro.filled, normal.filled);
    for (int k = 1; k <= intro.filled; ++k) {
        EXPECT_EQ(intro.StructureAt(k), normal.StructureAt(k)) << k;
        const auto rank = static_cast<std::size_t>(k - 1);
        EXPECT_EQ(intro.best[rank].value, normal.best[rank].value);
    }
    EXPECT_EQ(intro.histogram, normal.histogram);
}

TEST_F(WorkbenchTest, ImportLibraryOpensTheNewLibrary)
{
    // Bare line feeds are read as line ends: no warning, the import goes through.
    const std::string target = dir.File("props.clb");
    auto convert = [&](Converter& converter) {
        test::ScriptedDialog converterDialog;
        NullProgress quiet;
        converter.SetTarget(target, ConversionMode::WriteAnew);
        converter.Convert(wb.Library(), converterDialog, quiet);
        return converter.Exit();
    };
    dialog.answers = {MessageAnswer::Ok, MessageAnswer::No};
    ASSERT_TRUE(wb.ImportLibrary(test::DataFile("first_200.props.sdf"), convert));
    for (const auto& message : dialog.shown)
        EXPECT_EQ(message.text.find("UNIX"), std::string::npos) << message.text;
    EXPECT_TRUE(wb.State().LibraryOpen && wb.State().LibraryFileName == target);
    EXPECT_EQ(wb.State().LibraryCount, CountLibraryRecords(target));
    EXPECT_EQ(wb.State().Mode, DescriptorMode::Intro); // a new library has no descriptor file
    ASSERT_FALSE(dialog.shown.empty());
    EXPECT_EQ(dialog.shown[0].text, kIntroNotice);

    // A file that is not a molfile is refused before anything is written.
    dialog.shown.clear();
    test::WriteBytes(dir.File("notes.sdf"), "shopping list\r\nmilk\r\n");
    bool converterShown = false;
    EXPECT_FALSE(wb.ImportLibrary(dir.File("notes.sdf"), [&](Converter&) { return converterShown = true; }));
    EXPECT_FALSE(converterShown);
    ASSERT_EQ(dialog.shown.size(), 1u);
    ExpectMessage(dialog.shown[0], MessageKind::Error, "none MOL-Format !!  Please convert to MOL-Format",
                  MessageButtons::Ok);

    EXPECT_FALSE(wb.ImportLibrary(std::nullopt, [&](Converter&) { return converterShown = true; }));
    EXPECT_EQ(dialog.titles.back(), "Import Library");
}

TEST_F(WorkbenchTest, IdenticalStructuresTieInLibraryOrder)
{
    // The first record three times over, then 27 others.
    const std::string lib = Searchable(Import("dups", test::NciRecords(1, 1) + test::NciRecords(1, 1) + test::NciRecords(1, 1) + test::NciRecords(2, 27)));
    Choose(kTen);
    for (int c : {kEuclidean, kManhattan, kTanimoto}) {
        wb.SetCoefficient(c);
        ASSERT_EQ(wb.RunSearch(), SearchOutcome::Completed);
        const auto rows = wb.ReportRows();
        ASSERT_GE(rows.size(), 3u);
        for (int k = 0; k < 3; ++k) {
            EXPECT_EQ(rows[static_cast<std::size_t>(k)].libraryPosition, k + 1) << CoefficientName(c);
            EXPECT_EQ(rows[static_cast<std::size_t>(k)].value, c == kTanimoto ? "  1.0000" : "  0.0000");
        }
    }
}

// A descriptor file must hold exactly one record per structure: one built for fewer structures, or
// with records of another library after its own, would rank other values.
TEST_F(WorkbenchTest, ADescriptorFileThatDoesNotFitIsRefusedNamingIt)
{
    const std::string lib = Library("lib30", 30);
    Build(lib);
    const std::string pre = dir.File("lib30.pre");
    const std::string built = test::ReadBytes(pre);
    OpenWithSelfQuery(lib);
    Choose(kTen);
    struct Case {
        std::string bytes, problem;
    };
    const std::vector<Case> cases{
        {built.substr(0, 29 * 260), "the descriptor file holds 29 records for a library of 30 structures"},
        {built + built.substr(0, 260), "the descriptor file holds 31 records for a library of 30 structures"},
        {built + "x", "the descriptor file holds 30 records and 1 bytes for a library of 30 structures"},
    };
    for (const auto& c : cases) {
        test::WriteBytes(pre, c.bytes);
        dialog.shown.clear();
        try {
            wb.RunSearch();
            ADD_FAILURE() << "the search ran with " << c.problem;
        } catch (const IoError& error) {
            EXPECT_EQ(error.File(), pre);
            EXPECT_EQ(error.Problem(), c.problem + "; calculate the descriptor values again to rebuild it");
        }
        EXPECT_FALSE(wb.HasResults());
        EXPECT_FALSE(fs::exists(dir.File("lib30.qlt")));
    }
    fs::remove(pre);
    EXPECT_THROW(wb.RunSearch(), IoError);
    test::WriteBytes(pre, built);
    EXPECT_EQ(wb.RunSearch(), SearchOutcome::Completed);
}

// A parameter file is read only as written: a line lost or changed would shift or alter the
// scaling of every later descriptor.
TEST_F(WorkbenchTest, AParameterFileThatDoesNotFitIsRefusedNamingFileAndLine)
{
    const std::string lib = Library("lib30", 30);
    Build(lib);
    const std::string idp = dir.File("lib30.idp");
    const std::string good = test::ReadBytes(idp);
    test::WriteBytes(idp, good.substr(48)); // the first line lost
    try {
        wb.OpenLibrary(lib);
        ADD_FAILURE() << "a short parameter file was read";
    } catch (const IoError& error) {
        EXPECT_EQ(std::make_pair(error.File(), error.Line()), std::make_pair(idp, 153L));
    }
    EXPECT_EQ(wb.Parameters().Mean, LibraryParameters{}.Mean);
}

TEST_F(WorkbenchTest, ADamagedBestMatchNamesTheSearchedLibraryAndPosition)
{
    const std::string lib = Searchable(Library("lib30", 30));
    Choose(kTen);
    // Record 1 (the query itself, rank 1) is damaged after its descriptor record was stored.
    std::string data = test::ReadBytes(lib);
    data[0] = data[1] = '\xff';
    test::WriteBytes(lib, data);
    dialog.shown.clear();
    EXPECT_EQ(wb.RunSearch(), SearchOutcome::ReadError);
    ASSERT_EQ(dialog.shown.size(), 1u);
    ExpectMessage(dialog.shown[0], MessageKind::Error, "Read Library ERROR\rCalculation aborted", MessageButtons::Ok);
    EXPECT_EQ(dialog.shown[0].detail, lib + ": structure 1: damaged record");
    EXPECT_FALSE(wb.HasResults());

    // INTRO mode reads the structures themselves and stops at the same record.
    dialog.answers = {MessageAnswer::Ok}; // compute the INTRO parameters
    wb.SetIntroMode();
    Choose(kGroups);
    dialog.shown.clear();
    EXPECT_EQ(wb.RunSearch(), SearchOutcome::ReadError);
    ASSERT_EQ(dialog.shown.size(), 1u);
    EXPECT_EQ(dialog.shown[0].detail, lib + ": structure 1: damaged record");
}

TEST_F(WorkbenchTest, AnImportIntoTheOpenLibraryOpensItAfresh)
{
    const std::string lib = Searchable(Library("lib30", 30));
    ASSERT_EQ(wb.State().Mode, DescriptorMode::Normal);
    const std::string sd = dir.File("more.sdf");
    test::WriteBytes(sd, test::NciRecords(31, 10));
    auto appendInto = [&](const std::string& target, long abortAt) {
        return [&, target, abortAt](Converter& converter) {
            test::ScriptedDialog converterDialog;
            test::ScriptedProgress converterProgress;
            converterProgress.abortAtPoll = abortAt;
            converter.SetTarget(target, ConversionMode::Append);
            converter.Convert(wb.Library(), converterDialog, converterProgress);
            return converter.Exit();
        };
    };

    // Stopped after 4 records: its parameter files are gone and it holds 34 structures.
    dialog.shown.clear();
    dialog.answers = {MessageAnswer::Ok, MessageAnswer::No};
    EXPECT_FALSE(wb.ImportLibrary(sd, appendInto(lib, 5)));
    EXPECT_FALSE(fs::exists(dir.File("lib30.pre")));
    EXPECT_EQ(wb.State().LibraryCount, 34);
    EXPECT_EQ(wb.State().Mode, DescriptorMode::Intro);
    EXPECT_FALSE(wb.State().ParametersAvailable);
    EXPECT_FALSE(wb.Selection().ChosenCount() > 0 || wb.State().DescriptorsChosen);
    ASSERT_FALSE(dialog.shown.empty());
    EXPECT_EQ(dialog.shown[0].text, kIntroNotice);

    // A source that breaks off with an input error: what was appended counts all the same.
    test::WriteBytes(sd, test::NciRecords(31, 2) + "broken\n\n\n  1  0\n    1.0000    x.0000    0.0000 C   0  0\n$$$$\n");
    EXPECT_THROW(wb.ImportLibrary(sd, appendInto(lib, -1)), IoError);
    EXPECT_EQ(wb.State().LibraryCount, 36);

    // An import into another library that stops leaves the open one and its count as they are.
    const std::string other = Library("other", 5);
    EXPECT_FALSE(wb.ImportLibrary(sd, appendInto(other, 3)));
    EXPECT_EQ(wb.State().LibraryFileName, lib);
    EXPECT_EQ(wb.State().LibraryCount, 36);
}

TEST_F(WorkbenchTest, AnAbortedDescriptorFileLeavesIntroModeAndItsParameters)
{
    const std::string lib = Library("lib150", 150);
    dialog.answers = {MessageAnswer::Ok, MessageAnswer::Ok}; // the INTRO notice; compute the parameters
    ASSERT_TRUE(wb.OpenLibrary(lib));
    ASSERT_TRUE(wb.State().ParametersAvailable);
    const LibraryParameters intro = wb.Parameters();
    dialog.shown.clear();
    dialog.answers = {MessageAnswer::Ok};
    progress.polls = 0;
    progress.abortAtPoll = 20;
    EXPECT_FALSE(wb.SetNormalMode());
    EXPECT_EQ(wb.State().Mode, DescriptorMode::Intro);
    EXPECT_TRUE(wb.Menu().intro && !wb.Menu().normal);
    EXPECT_FALSE(wb.Choice().DescAvailable[IndexOf("Aug: C4C4C")]);
    EXPECT_TRUE(wb.State().ParametersAvailable);
    EXPECT_EQ(wb.Parameters().StdDev, intro.StdDev);
    EXPECT_FALSE(fs::exists(dir.File("lib150.pre")) || fs::exists(dir.File("lib150.pr1")));
    ASSERT_FALSE(dialog.shown.empty());
    ExpectMessage(dialog.shown.back(), MessageKind::Information,
                  "The descriptor file was not completed.\rThe program stays in the INTRO MODE .", MessageButtons::Ok);
}

} // namespace
} // namespace velmora
