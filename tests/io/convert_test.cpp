#include "io/convert.h"

#include "base/ioerror.h"
#include "io/molfile.h"
#include "io_support.h"
#include "scripted.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <csignal>
#include <functional>
#include <memory>
#include <thread>
#include <filesystem>
#include <fstream>
#include <tuple>
#include <sys/resource.h>

namespace velmora {
namespace {

namespace fs = std::filesystem;
using test::MolAtom;
using test::MolText;

std::string Record(const std::string& name, const std::vector<std::string>& extra = {}, bool terminate = true)
{
    return MolText(name, {{0, 0, 0, "C"}, {1.3, 0.7, 0, "C"}, {2.6, 0, 0, "O"}}, {{1, 2, 1}, {2, 3, 1}},
                   extra, terminate);
}

class ConvertTest : public ::testing::Test {
protected:
    std::string Source(const std::string& text)
    {
        const std::string path = m_dir.File("source.sdf");
        test::WriteBytes(path, text);
        return path;
    }
    std::string Lib() const { return m_dir.File("lib.clb"); }

    // The import command's sequence: prepare, choose the target, convert.
    bool Import(const std::string& source, std::optional<MessageAnswer> existingAnswer = std::nullopt)
    {
        m_converter.PrepareImport(source, CountSDRecords(source));
        m_dialog.files.push_back(Lib());
        if (existingAnswer)
            m_dialog.answers.push_back(*existingAnswer);
        m_converter.SaveAs(m_dialog);
        return m_converter.Convert(m_library, m_dialog, m_progress);
    }

    const test::ShownMessage& LastMessage() const { return m_dialog.shown.back(); }

    test::TempDir m_dir;
    StructureLibrary m_library;
    Converter m_converter;
    test::ScriptedDialog m_dialog;
    test::ScriptedProgress m_progress;
};

TEST_F(ConvertTest, ImportWritesChecksAndReportsSuccess)
{
    const std::string source = Source(Record("ethanol") + Record("second"));
    EXPECT_TRUE(Import(source));
    EXPECT_EQ((std::vector<std::string>{m_converter.Caption(), m_converter.FromFormat(), m_converter.ToFormat()}),
              (std::vector<std::string>{"Import", "*.sdf", "*.clb"}));
    EXPECT_EQ(m_dialog.filters.front(), "CLB-File (*.clb)|*.clb");
    EXPECT_EQ(m_dialog.titles.front(), "Save As");
    test::ExpectMessage(LastMessage(), MessageKind::Information, "Conversion successful", MessageButtons::Ok);
    EXPECT_TRUE(m_converter.Exit());
    EXPECT_EQ(CountLibraryRecords(Lib()), 2);
    EXPECT_TRUE(m_progress.totals == std::vector<long>{2} && m_progress.steps == std::vector<long>{2});
    ASSERT_EQ(m_library.ReadLibraryRecord(Lib(), 2), kLibOk);
    EXPECT_EQ(m_library.Structure().FStrucName, "SECOND");
}

TEST_F(ConvertTest, TextAfterTheLastTerminatorIsCut)
{
    const std::string source = Source(Record("a") + Record("b") + Record("c", {}, false));
    EXPECT_TRUE(Import(source));
    EXPECT_EQ(LastMessage().text, "Conversion successful\rThe incomplete last structure was cut !!!");
    EXPECT_EQ(CountLibraryRecords(Lib()), 2);
    EXPECT_TRUE(m_converter.LastImport().cut);
}

TEST_F(ConvertTest, PlainMolfileImportsItsOneStructure)
{
    const std::string source = Source(Record("single", {"M  END"}, false));
    EXPECT_TRUE(Import(source));
    EXPECT_EQ(m_converter.StructureCount(), 0);
    EXPECT_EQ(LastMessage().text, "Conversion successful");
    EXPECT_EQ(CountLibraryRecords(Lib()), 1);
}

// A record the library cannot hold as read is left out with its reason and taken out of the
// library again: the files end byte for byte as if it had never been there.
TEST_F(ConvertTest, RecordsTheLibraryCannotHoldAreLeftOutAndTheImportGoesOn)
{
    test::ScriptedProgress progress;
    const std::string reference = m_dir.File("reference.clb");
    ImportStructures(m_library, Source(Record("a") + Record("b")), 2, reference, ConversionMode::WriteAnew, progress);
    m_library.ReleaseFiles();

    std::vector<MolAtom> star(12, MolAtom{0, 0, 0, "C"});
    std::vector<test::MolBond> spokes;
    for (int i = 2; i <= 12; ++i)
        spokes.push_back({1, i, 1});
    struct Case {
        std::string record, reason;
    };
    std::vector<Case> cases{
        {Record("c14", {"M  ISO  1   1  14"}), "isotope 14C (atom 1) cannot be stored"},
        {MolText("tritium", {{0, 0, 0, "C"}, {1, 0, 0, "H", 2}}, {{1, 2, 1}}), "isotope 3H (atom 2) cannot be stored"},
        {MolText("star", star, spokes), "an atom with more than 10 neighbours"},
        {MolText("huge", std::vector<MolAtom>(70, MolAtom{0, 0, 0, "C"}), {}), "70 atoms, not 1..63"},
        {MolText("badbond", {{0, 0, 0, "C"}}, {{1, 9, 1}}), "a bond names an atom outside the structure"},
    };
    for (int type = 5; type <= 8; ++type)
        cases.push_back({MolText("query", {{0, 0, 0, "C"}, {1, 0, 0, "C"}}, {{1, 2, type}}),
                         "bond type " + std::to_string(type) + " cannot be stored (only 1..4)"});
    for (const auto& c : cases)
        for (const bool first : {true, false}) {
            SCOPED_TRACE(c.reason + (first ? " (first)" : ""));
            m_dialog.shown.clear();
            const std::string source = first ? c.record + Record("a") + Record("b") : Record("a") + c.record + Record("b");
            fs::remove(Lib());
            fs::remove(m_dir.File("lib.III"));
            EXPECT_TRUE(Import(Source(source)));
            const ImportReport& report = m_converter.LastImport();
            EXPECT_EQ(std::make_pair(report.written, report.skipped), std::make_pair(2L, 1L));
            const std::string name = c.record.substr(0, c.record.find('\r'));
            const std::string note = "record " + std::string(first ? "1" : "2") + " (" + name + "): " + c.reason;
            EXPECT_EQ(report.skipNotes, std::vector<std::string>{note});
            EXPECT_EQ(LastMessage().text, "Conversion successful\r1 structure was left out:\r" + note);
            m_library.ReleaseFiles();
            EXPECT_EQ(test::ReadBytes(Lib()), test::ReadBytes(reference));
            EXPECT_EQ(test::ReadBytes(m_dir.File("lib.III")), test::ReadBytes(m_dir.File("reference.III")));
        }
    EXPECT_EQ(ReadBackErrorText(kDiffZ | kDiffConnTo | kDiffTypConn), "");
    EXPECT_EQ(ReadBackErrorText(0x7FF), "ERRORS:  NumValidAtoms; FStrucName; FCoordUnit; FCASNr; AtNum; "
                                        "AtWeight; AtFlag; Attrib; Charge; x-Coords; y-Coords; ");
}

// Records that are not what their lines promise are left out saying where and why; the library
// ends byte for byte as if they had never been there.
TEST_F(ConvertTest, RecordsSpoiledInTheFileAreLeftOutSayingWhereAndWhy)
{
    test::ScriptedProgress progress;
    const std::string reference = m_dir.File("reference.clb");
    ImportStructures(m_library, Source(Record("a") + Record("b")), 2, reference, ConversionMode::WriteAnew, progress);
    m_library.ReleaseFiles();
    // Each record goes second, from line 11 on.
    const struct {
        std::string record, note;
    } cases[] = {
        {"unreadable\r\n  test\r\n\r\nabc\r\n$$$$\r\n",
         "record 2 (unreadable): the counts line (line 14) cannot be read: \"abc\""},
        {"v3\r\n  test\r\n\r\n  0  0  0     0  0            999 V3000\r\nM  V30 BEGIN CTAB\r\nM  V30 COUNTS 1 0 0 0 0\r\n"
         "M  V30 BEGIN ATOM\r\nM  V30 1 C 0 0 0 0\r\nM  V30 END ATOM\r\nM  V30 END CTAB\r\nM  END\r\n$$$$\r\n",
         "record 2 (v3): a V3000 record: SMILES and V3000 molfile input is not available in this build"},
        {MolText("long", {{0, 0, 0, "C"}}, {}, {"M  END", "> <DATA>", std::string(kMaxLineLength + 1, 'd'), ""}),
         "record 2 (long): line 18 is longer than 1 MiB"},
        {MolText("bad\x01\xff", {{0, 0, 0, "C"}}, {{1, 5, 1}}), "record 2 (bad\\x01\\xFF): a bond names an atom outside the structure"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.note);
        fs::remove(Lib());
        fs::remove(m_dir.File("lib.III"));
        m_dialog.shown.clear();
        EXPECT_TRUE(Import(Source(Record("a") + c.record + Record("b"))));
        const ImportReport& report = m_converter.LastImport();
        EXPECT_EQ(std::make_pair(report.written, report.skipped), std::make_pair(2L, 1L));
        EXPECT_EQ(report.skipNotes, std::vector<std::string>{c.note});
        m_library.ReleaseFiles();
        EXPECT_EQ(test::ReadBytes(Lib()), test::ReadBytes(reference));
    }
}

// A plain molfile that ends inside its atoms or bonds is left out (it used to be stored with its
// raw coordinates and found to read back differently).
TEST_F(ConvertTest, AMolfileCutShortIsLeftOutSayingWhereItEnds)
{
    std::vector<MolAtom> atoms(25, MolAtom{0, 0, 0, "C"});
    std::vector<test::MolBond> bonds;
    for (int i = 1; i <= 24; ++i)
        bonds.push_back({i, i + 1, 1});
    bonds.insert(bonds.end(), {{1, 6, 1}, {2, 7, 1}, {3, 8, 1}, {4, 9, 1}});
    std::string text = MolText("cut", atoms, bonds, {"M  END"}, false);
    std::size_t at = 0;
    for (int line = 0; line < 7; ++line)
        at = text.find("\r\n", at) + 2;
    Import(Source(text.substr(0, at)));
    const ImportReport& report = m_converter.LastImport();
    EXPECT_EQ(std::make_pair(report.written, report.skipped), std::make_pair(0L, 1L));
    EXPECT_EQ(report.skipNotes,
              std::vector<std::string>{"record 1 (cut) ends at line 7; its counts line promises 25 atoms and 28 bonds"});
}

TEST_F(ConvertTest, SummaryListsTheFirstLeftOutRecordsAndChangedNames)
{
    std::string text = Record("caf\xc3\xa9 cr\xe8me") + Record("plain");
    for (int i = 0; i < 12; ++i)
        text += Record("c14 " + std::to_string(i), {"M  ISO  1   1  14"});
    EXPECT_TRUE(Import(Source(text)));
    const ImportReport& report = m_converter.LastImport();
    EXPECT_EQ(std::make_tuple(report.written, report.skipped, report.renamed), std::make_tuple(2L, 12L, 1L));
    std::string expected = "Conversion successful\r12 structures were left out:";
    for (int i = 0; i < 10; ++i)
        expected += "\rrecord " + std::to_string(i + 3) + " (c14 " + std::to_string(i) + "): isotope 14C (atom 1) cannot be stored";
    expected += "\r... and 2 more\r1 structure was stored under a changed name:"
                "\rrecord 1 (caf?? cr?me): name changed from \"caf\xc3\xa9 cr\\xE8me\" (bytes of 128 or more stored as \"?\")";
    EXPECT_EQ(LastMessage().text, expected);
    ASSERT_EQ(m_library.ReadLibraryRecord(Lib(), 1), kLibOk);
    EXPECT_EQ(m_library.Structure().FStrucName, "CAF?? CR?ME");
}

// Block numbers are 16-bit: a record that would need block 65536 stops the import, and nothing
// written before changes. The data file is sparse.
TEST_F(ConvertTest, FullLibraryStopsTheImportNamingTheLimit)
{
    ASSERT_TRUE(Import(Source(Record("a"))));
    m_library.ReleaseFiles();
    fs::resize_file(Lib(), std::uintmax_t{65535} * 16384);
    {
        std::fstream data(Lib(), std::ios::in | std::ios::out | std::ios::binary);
        data.seekp(std::streamoff{65534} * 16384);
        data.write("\xfc\x3f", 2); // one record filling the last block up to its end word
    }
    const std::string index = test::ReadBytes(m_dir.File("lib.III"));
    m_converter.PrepareImport(Source(Record("b") + Record("c")), 2);
    m_converter.SetTarget(Lib(), ConversionMode::Append);
    EXPECT_FALSE(m_converter.Convert(m_library, m_dialog, m_progress));
    test::ExpectMessage(LastMessage(), MessageKind::Error,
                        "the library " + Lib() + " is full: a library holds at most 65535 blocks of 16384 bytes (1 GiB)",
                        MessageButtons::Ok);
    EXPECT_EQ(m_converter.LastImport().failedRecord, 1);
    m_library.ReleaseFiles();
    EXPECT_EQ(fs::file_size(Lib()), std::uintmax_t{65535} * 16384);
    EXPECT_EQ(test::ReadBytes(m_dir.File("lib.III")), index);
}

TEST_F(ConvertTest, ExistingTargetAsksReplaceAppendOrAbort)
{
    const std::string source = Source(Record("a") + Record("b"));
    ASSERT_TRUE(Import(source));
    for (const char* stale : {"lib.idr", "lib.idp", "lib.pre"})
        test::WriteBytes(m_dir.File(stale), "old");

    EXPECT_TRUE(Import(source, MessageAnswer::Append));
    const auto& question = m_dialog.shown[m_dialog.shown.size() - 2];
    EXPECT_EQ(question.caption, "Information");
    test::ExpectMessage(question, question.kind, "File already exists", MessageButtons::ReplaceAppendAbort);
    EXPECT_EQ(CountLibraryRecords(Lib()), 4);
    for (const char* stale : {"lib.idr", "lib.idp", "lib.pre"})
        EXPECT_FALSE(fs::exists(m_dir.File(stale))) << stale;

    EXPECT_TRUE(Import(source, MessageAnswer::Replace));
    EXPECT_EQ(CountLibraryRecords(Lib()), 2);
    ASSERT_EQ(m_library.ReadLibraryRecord(Lib(), 1), kLibOk);
    EXPECT_EQ(m_library.RecordPosition(), 1);

    m_converter.PrepareImport(source, 2);
    m_dialog.files.push_back(Lib());
    m_dialog.answers.push_back(MessageAnswer::Abort);
    m_converter.SaveAs(m_dialog);
    EXPECT_FALSE(m_converter.ConvertEnabled());
    m_converter.SaveAs(m_dialog); // cancelled file dialog
    EXPECT_FALSE(m_converter.ConvertEnabled());
    EXPECT_EQ(m_converter.ToName(), "");
}

TEST_F(ConvertTest, TargetsGetTheirExtensionAndNeverOverwriteWhatIsRead)
{
    const std::string source = Source(Record("a") + Record("b"));
    ASSERT_TRUE(Import(source));
    // Typed without ".clb", the target is the same library: the question comes.
    m_converter.PrepareImport(source, 2);
    m_dialog.files.push_back(m_dir.File("lib"));
    m_dialog.answers.push_back(MessageAnswer::Append);
    m_converter.SaveAs(m_dialog);
    EXPECT_EQ(m_converter.ToName(), Lib());
    EXPECT_EQ(m_converter.Mode(), ConversionMode::Append);
    m_converter.SetTarget(m_dir.File("lib.III"), ConversionMode::Append);
    EXPECT_EQ(m_converter.ToName(), m_dir.File("lib.III.clb"));

    // An import whose source is a file of its target, an export onto a file of a library read.
    const std::string pre = m_dir.File("lib.pre");
    fs::copy_file(source, pre);
    m_dialog.shown.clear();
    m_converter.PrepareImport(pre, 2);
    m_converter.SetTarget(Lib(), ConversionMode::WriteAnew);
    EXPECT_FALSE(m_converter.Convert(m_library, m_dialog, m_progress));
    EXPECT_FALSE(m_converter.ImportStarted());
    const std::string result = m_dir.File("other.clb");
    m_converter.PrepareExport(result, 2);
    m_converter.Protect(Lib());
    for (const std::string& target : {Lib(), m_dir.File("lib.III"), m_dir.File("other.III"), result}) {
        m_converter.SetTarget(target, ConversionMode::WriteAnew);
        EXPECT_FALSE(m_converter.Convert(m_library, m_dialog, m_progress)) << target;
    }
    ASSERT_EQ(m_dialog.shown.size(), 5u);
    test::ExpectMessage(m_dialog.shown[0], MessageKind::Error, "The source is a file of the target library.", MessageButtons::Ok);
    EXPECT_EQ(m_dialog.shown[0].detail, pre + " is a file of the library " + Lib());
    test::ExpectMessage(m_dialog.shown[2], MessageKind::Error, "The target is a file of the library being read.",
                        MessageButtons::Ok);
    EXPECT_EQ(m_dialog.shown[2].detail, m_dir.File("lib.III") + " is a file of the library " + Lib());
    EXPECT_EQ(CountLibraryRecords(Lib()), 2);
    EXPECT_TRUE(fs::exists(pre));
}

TEST_F(ConvertTest, AFullDiskStopsTheImportAndSaysWhatWasWritten)
{
    // A file size limit stands in for a full disk: writes beyond it fail.
    const std::string source = test::DataFile("nci1000.sdf");
    const auto previous = std::signal(SIGXFSZ, SIG_IGN);
    rlimit saved{};
    ::getrlimit(RLIMIT_FSIZE, &saved);
    rlimit limit = saved;
    limit.rlim_cur = 3 * 16384;
    ::setrlimit(RLIMIT_FSIZE, &limit);
    m_converter.PrepareImport(source, CountSDRecords(source));
    m_converter.SetTarget(Lib(), ConversionMode::WriteAnew);
    const bool converted = m_converter.Convert(m_library, m_dialog, m_progress);
    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previous);

    EXPECT_FALSE(converted);
    const ImportReport& report = m_converter.LastImport();
    ASSERT_TRUE(report.failed);
    EXPECT_GT(report.written, 0);
    test::ExpectMessage(LastMessage(), MessageKind::Error, Lib() + ": write error: File too large", MessageButtons::Ok);
    EXPECT_EQ(LastMessage().detail, source + ", record " + std::to_string(report.failedRecord) + ": " +
                                        std::to_string(report.written) + " structures were written to " + Lib() + " before");
    m_library.ReleaseFiles();
    EXPECT_EQ(CountLibraryRecords(Lib()), report.written);
    EXPECT_EQ(m_library.ReadLibraryRecord(Lib(), report.written), kLibOk);
}

TEST_F(ConvertTest, AbortLeavesAReadablePartialLibrary)
{
    std::string text;
    for (int i = 0; i < 5; ++i)
        text += Record("r" + std::to_string(i));
    m_progress.abortAtPoll = 3;
    m_progress.suspendPolls = 1; // suspended first: nothing is converted while it lasts
    EXPECT_FALSE(Import(Source(text)));
    EXPECT_TRUE(m_converter.LastImport().aborted);
    EXPECT_FALSE(m_converter.Exit());
    ASSERT_EQ(m_dialog.shown.size(), 1u);
    test::ExpectMessage(LastMessage(), MessageKind::Information,
                        "Conversion stopped after 1 of 5 records;\rthe library holds 1 structure.", MessageButtons::Ok);
    EXPECT_EQ(LastMessage().detail, Lib());
    EXPECT_EQ(CountLibraryRecords(Lib()), 1);
    EXPECT_EQ(m_library.ReadLibraryRecord(Lib(), 1), kLibOk);
}

// A stopped conversion says how far it came and what the target holds (an appended library holds
// its records from before too); the target's size and format are those of the file as it is now,
// never those of the run before.
TEST_F(ConvertTest, AStoppedConversionSaysWhatTheTargetHoldsAndShowsItsSize)
{
    const std::string source = Source(test::NciRecords(1, 300));
    ASSERT_TRUE(Import(source));
    const std::string fullSize = m_converter.ToSize();
    EXPECT_EQ(m_converter.ToFormat(), "*.clb");

    // A new target shows nothing until it is written.
    m_converter.PrepareImport(source, 300);
    m_dialog.files.push_back(Lib());
    m_dialog.answers.push_back(MessageAnswer::Replace);
    m_converter.SaveAs(m_dialog);
    EXPECT_EQ(m_converter.ToSize(), "");
    m_progress.polls = 0;
    m_progress.abortAtPoll = 4;
    EXPECT_FALSE(m_converter.Convert(m_library, m_dialog, m_progress));
    test::ExpectMessage(LastMessage(), MessageKind::Information,
                        "Conversion stopped after 3 of 300 records;\rthe library holds 3 structures.", MessageButtons::Ok);
    EXPECT_EQ(m_converter.ToSize(), FileSizeText(Lib()));
    EXPECT_NE(m_converter.ToSize(), fullSize);
    EXPECT_EQ(m_converter.ToFormat(), "*.clb");

    m_converter.SetTarget(Lib(), ConversionMode::Append);
    m_progress.polls = 0;
    m_progress.abortAtPoll = 11;
    EXPECT_FALSE(m_converter.Convert(m_library, m_dialog, m_progress));
    EXPECT_EQ(LastMessage().text, "Conversion stopped after 10 of 300 records;\rthe library holds 13 structures.");
    m_library.ReleaseFiles();
    EXPECT_EQ(CountLibraryRecords(Lib()), 13);

    // The export says the same of its SD file.
    const std::string target = m_dir.File("hits.sdf");
    m_converter.PrepareExport(Lib(), 13);
    m_converter.SetTarget(target, ConversionMode::WriteAnew);
    m_progress.polls = 0;
    m_progress.abortAtPoll = 6;
    EXPECT_FALSE(m_converter.Convert(m_library, m_dialog, m_progress));
    test::ExpectMessage(LastMessage(), MessageKind::Information,
                        "Conversion stopped after 5 of 13 records;\rthe SD file holds 5 structures.", MessageButtons::Ok);
    EXPECT_EQ(LastMessage().detail, target);
    EXPECT_EQ(CountSDRecords(target), 5);
    EXPECT_EQ(m_converter.ToSize(), FileSizeText(target));
    EXPECT_EQ(m_converter.ToFormat(), "*.sdf");
}

// "hits" typed for an export of many records is an SD file, "hits.sdf"; one record is a molfile.
TEST_F(ConvertTest, AnExportTypedWithoutExtensionGetsTheExtensionOfItsRecordCount)
{
    EXPECT_EQ(ExportFileName("/x/hits", 50), "/x/hits.sdf");
    EXPECT_EQ(ExportFileName("/x/hits", 1), "/x/hits.mol");
    EXPECT_EQ(ExportFileName("/x/hits.sd", 50), "/x/hits.sd");
    EXPECT_EQ(ExportFileName("/x/hits.mol", 50), "/x/hits.mol");
    EXPECT_EQ(ExportFileName("/x.d/hits", 2), "/x.d/hits.sdf");

    ASSERT_TRUE(Import(Source(Record("a") + Record("b"))));
    for (const long count : {2L, 1L}) {
        m_converter.PrepareExport(Lib(), count);
        m_dialog.files.push_back(m_dir.File("hits"));
        m_converter.SaveAs(m_dialog);
        const std::string expected = m_dir.File(count > 1 ? "hits.sdf" : "hits.mol");
        EXPECT_EQ(m_converter.ToName(), expected);
        // The dialog adds its filter's first extension to a name typed without one.
        EXPECT_EQ(m_dialog.filters.back(), count > 1 ? "Mol-File (*.mol ; *.sd ; *.sdf)|*.sdf;*.mol;*.sd"
                                                     : "Mol-File (*.mol ; *.sd ; *.sdf)|*.mol;*.sd;*.sdf");
        EXPECT_TRUE(m_converter.Convert(m_library, m_dialog, m_progress));
        EXPECT_EQ(CountSDRecords(expected), count);
    }
}

TEST_F(ConvertTest, FailedLibraryWriteStopsWithAClearMessage)
{
    fs::create_directory(m_dir.File("lib.III")); // an index that cannot be opened as a file
    test::WriteBytes(Lib(), std::string(16384, '\0'));
    const std::string source = Source(Record("a"));
    m_converter.PrepareImport(source, 1);
    m_converter.SetTarget(Lib(), ConversionMode::Append);
    EXPECT_FALSE(m_converter.Convert(m_library, m_dialog, m_progress));
    EXPECT_EQ(LastMessage().text, "cannot open the index file of " + Lib());
    EXPECT_TRUE(m_converter.LastImport().failed);
}

TEST_F(ConvertTest, ExportWritesEveryRecordAndSkipsUnreadableOnes)
{
    ASSERT_TRUE(Import(Source(Record("first") + Record("second") + Record("third"))));
    // Add an empty index entry (position 4 has no record) and zero record 3, as a crash can leave it.
    {
        m_library.ReleaseFiles();
        std::string index = test::ReadBytes(m_dir.File("lib.III"));
        test::WriteBytes(m_dir.File("lib.III"), index + std::string(4, '\0'));
        std::string data = test::ReadBytes(Lib());
        const std::size_t third = static_cast<std::uint8_t>(index[10]) - 1u + 256u * static_cast<std::uint8_t>(index[11]);
        std::fill(data.begin() + static_cast<long>(third), data.end(), '\0');
        test::WriteBytes(Lib(), data);
    }
    const std::string target = m_dir.File("out.sdf");
    m_converter.PrepareExport(Lib(), 4);
    EXPECT_EQ(std::make_pair(m_converter.Caption(), m_converter.FromFormat()), std::make_pair(std::string("Export"), std::string("*.clb")));
    m_dialog.files.push_back(target);
    m_converter.SaveAs(m_dialog);
    EXPECT_EQ(m_converter.Mode(), ConversionMode::WriteAnew);
    EXPECT_EQ(m_converter.ToFormat(), "*.sdf"); // said as soon as the target is chosen
    EXPECT_EQ(m_dialog.filters.back(), "Mol-File (*.mol ; *.sd ; *.sdf)|*.sdf;*.mol;*.sd");
    EXPECT_TRUE(m_converter.Convert(m_library, m_dialog, m_progress));
    EXPECT_EQ(LastMessage().text, "Conversion successful");
    EXPECT_EQ(m_converter.ToFormat(), "*.sdf");
    EXPECT_EQ(std::make_pair(m_converter.LastExport().written, m_converter.LastExport().skipped), std::make_pair(2L, 2L));
    EXPECT_EQ(m_converter.LastExport().skipNotes, (std::vector<std::string>{"record 3: cannot be read (code -5)",
                                                                          "record 4: cannot be read (code -4)"}));
    EXPECT_EQ(CountSDRecords(target), 2);
    const std::string text = test::ReadBytes(target);
    EXPECT_EQ(text.substr(0, 17), "FIRST\r\nZWFIRST   ");

    // Appending adds to the file.
    m_converter.SetTarget(target, ConversionMode::Append);
    EXPECT_TRUE(m_converter.Convert(m_library, m_dialog, m_progress));
    EXPECT_EQ(CountSDRecords(target), 4);
}

// An export's bytes without the date and time of every record's second line.
std::string WithoutDates(const std::string& sdf)
{
    std::string text = sdf;
    for (std::size_t record = 0; record < text.size();) {
        const std::size_t line2 = text.find("\r\n", record) + 2;
        text.replace(line2 + 10, 10, 10, '-');
        const std::size_t next = text.find("$$$$\r\n", line2);
        record = next == std::string::npos ? text.size() : next + 6;
    }
    return text;
}

// Every fixture imports, exports and re-imports into byte-identical library files, a second export
// equals the first, and every record read back equals the table read from the file (z aside, which
// the library does not keep). The isotope record holds 2H, 13C, 15N, 17O and 18O.
TEST_F(ConvertTest, FixturesRoundTripByteForByte)
{
    const std::string isotopes =
        Source(MolText("labelled", {{0, 0, 0, "C", 1}, {1, 0, 0, "H", 1}, {0, 1, 0, "N", 1}, {1, 1, 0, "O", 1}, {2, 1, 0, "O", 2}},
                       {{1, 2, 1}, {1, 3, 1}, {3, 4, 1}, {4, 5, 1}}));
    for (const std::string& source : {test::DataFile("nci1000.sdf"), test::DataFile("nci300_aromatic.sdf"),
                                      test::DataFile("first_200.props.sdf"), test::DataFile("pubchem.200.sdf"),
                                      test::DataFile("bzr.sdf"), test::DataFile("cdk2.sdf"), test::DataFile("egfr.sdf"),
                                      test::DataFile("query.mol"), isotopes}) {
        SCOPED_TRACE(source);
        const std::string first = m_dir.File("first.clb");
        const std::string second = m_dir.File("second.clb");
        const std::string exported = m_dir.File("export.sdf");
        test::ScriptedProgress progress;
        const auto imported = ImportStructures(m_library, source, CountSDRecords(source), first,
                                               ConversionMode::WriteAnew, progress);
        ASSERT_TRUE(imported.Completed()) << imported.failure;
        EXPECT_GT(imported.written, 0);

        TextReader reader(source);
        TCTab table;
        MolReadStatus status;
        long position = 0;
        while (!reader.Eof()) {
            ReadMolRecord(table, reader, status);
            if (status.Rejected())
                continue;
            ASSERT_EQ(m_library.ReadLibraryRecord(first, ++position), kLibOk);
            ASSERT_EQ(CompareCtab(m_library.Structure(), table) & ~kDiffZ, 0) << "record " << position;
        }
        EXPECT_EQ(position, imported.written);

        const auto out = ExportStructures(m_library, first, imported.written, exported, ConversionMode::WriteAnew, progress);
        EXPECT_EQ(out.written, imported.written);
        const auto again = ImportStructures(m_library, exported, CountSDRecords(exported), second,
                                            ConversionMode::WriteAnew, progress);
        ASSERT_TRUE(again.Completed()) << again.failure;
        EXPECT_EQ(std::make_pair(again.written, again.skipped), std::make_pair(imported.written, 0L));
        const std::string reexported = m_dir.File("export2.sdf");
        ExportStructures(m_library, second, again.written, reexported, ConversionMode::WriteAnew, progress);
        m_library.ReleaseFiles();
        EXPECT_EQ(test::ReadBytes(first), test::ReadBytes(second));
        EXPECT_EQ(test::ReadBytes(m_dir.File("first.III")), test::ReadBytes(m_dir.File("second.III")));
        EXPECT_EQ(WithoutDates(test::ReadBytes(exported)), WithoutDates(test::ReadBytes(reexported)));
    }
    ASSERT_EQ(m_library.ReadLibraryRecord(m_dir.File("second.clb"), 1), kLibOk);
    const TCTab& labelled = m_library.Structure();
    EXPECT_EQ((std::vector<int>{labelled.AtWeight(1), labelled.AtWeight(2), labelled.AtWeight(3), labelled.AtWeight(4),
                                labelled.AtWeight(5)}),
              (std::vector<int>{13, 2, 15, 17, 18}));
}

// The import reads its source ahead on a worker thread; reading one record at a time on the
// calling thread is the reference. Both must leave the same library bytes and the same report, stop
// at the same record on abort, a short count or a source error, and call Progress on the calling
// thread only.
class ReadAheadTest : public ::testing::Test {
protected:
    struct Outcome {
        ImportReport report;
        std::string error; // what the import threw
        std::string data, index;
        std::vector<long> steps;
        long polls = 0;
        int finished = 0;
    };

    // Progress that fails the test when called from another thread than the import's caller.
    class CallerOnlyProgress final : public Progress {
    public:
        void Start(ProgressKind kind, const std::string& caption, long total) override
        {
            Check(), inner.Start(kind, caption, total);
        }
        void Step(long done) override { Check(), inner.Step(done); }
        ProgressRequest Poll() override { return Check(), inner.Poll(); }
        void Finish() override { Check(), inner.Finish(); }
        test::ScriptedProgress inner;

    private:
        void Check() const { EXPECT_EQ(std::this_thread::get_id(), m_caller); }
        std::thread::id m_caller = std::this_thread::get_id();
    };

    // Wraps the SD reader: throws at a chosen Read or AtEnd, and every fifth record from a chosen one
    // on is left out without touching the table (so its note names whatever the table held before).
    class ScriptedSource final : public StructureSource {
    public:
        ScriptedSource(const std::string& path, long failRead, long failAtEnd, long untouchedFrom)
            : m_sd(path), m_failRead(failRead), m_failAtEnd(failAtEnd), m_untouchedFrom(untouchedFrom)
        {
        }
        std::string Read(TCTab& table) override
        {
            if (++m_reads == m_failRead)
                throw IoError("scripted.sdf", m_reads, "cannot be read");
            if (m_untouchedFrom > 0 && m_reads >= m_untouchedFrom && m_reads % 5 == 0) {
                TCTab elsewhere;
                m_sd.Read(elsewhere);
                return "left out by the source";
            }
            return m_sd.Read(table);
        }
        bool AtEnd() override
        {
            if (m_reads == m_failAtEnd)
                throw IoError("scripted.sdf", "the end cannot be found");
            return m_sd.AtEnd();
        }

    private:
        SdSource m_sd;
        long m_reads = 0;
        const long m_failRead, m_failAtEnd, m_untouchedFrom;
    };

    Outcome Run(const std::function<std::unique_ptr<StructureSource>()>& source, long total, SourceReading reading,
                long abortAtPoll = -1)
    {
        const std::string lib = m_dir.File(reading == SourceReading::Direct ? "direct.clb" : "ahead.clb");
        Outcome outcome;
        CallerOnlyProgress progress;
        progress.inner.abortAtPoll = abortAtPoll;
        try {
            auto reader = source();
            outcome.report = ImportStructures(m_library, *reader, total, lib, ConversionMode::WriteAnew, progress, reading);
        } catch (const IoError& e) {
            outcome.error = e.what();
        }
        m_library.ReleaseFiles();
        if (fs::exists(lib)) { // nothing written: no library
            outcome.data = test::ReadBytes(lib);
            outcome.index = test::ReadBytes(IndexFileName(lib));
        }
        outcome.steps = progress.inner.steps;
        outcome.polls = progress.inner.polls;
        outcome.finished = progress.inner.finished;
        return outcome;
    }

    // Returns what the read-ahead import gave.
    Outcome ExpectSame(const std::function<std::unique_ptr<StructureSource>()>& source, long total, long abortAtPoll = -1)
    {
        const Outcome direct = Run(source, total, SourceReading::Direct, abortAtPoll);
        const Outcome ahead = Run(source, total, SourceReading::ReadAhead, abortAtPoll);
        const ImportReport& a = direct.report;
        const ImportReport& b = ahead.report;
        EXPECT_EQ(std::tie(a.written, a.skipped, a.skipNotes, a.renamed, a.renameNotes, a.cut, a.aborted, a.failed,
                           a.failure, a.failedRecord),
                  std::tie(b.written, b.skipped, b.skipNotes, b.renamed, b.renameNotes, b.cut, b.aborted, b.failed,
                           b.failure, b.failedRecord));
        EXPECT_EQ(direct.error, ahead.error);
        EXPECT_TRUE(direct.data == ahead.data) << "library data differ";
        EXPECT_TRUE(direct.index == ahead.index) << "library index differs";
        EXPECT_EQ(std::tie(direct.steps, direct.polls, direct.finished), std::tie(ahead.steps, ahead.polls, ahead.finished));
        return ahead;
    }

    static std::function<std::unique_ptr<StructureSource>()> Sd(const std::string& path)
    {
        return [path] { return std::make_unique<SdSource>(path); };
    }

    // 400 records, every tenth one something the import leaves out or renames, the last one cut.
    std::string Mixed()
    {
        std::vector<MolAtom> star(12, MolAtom{0, 0, 0, "C"});
        std::vector<test::MolBond> spokes;
        for (int i = 2; i <= 12; ++i)
            spokes.push_back({1, i, 1});
        const std::vector<std::string> odd{
            MolText("huge", std::vector<MolAtom>(70, MolAtom{0, 0, 0, "C"}), {}),
            MolText("none", {}, {}),
            MolText("query", {{0, 0, 0, "C"}, {1, 0, 0, "C"}}, {{1, 2, 7}}),
            MolText("star", star, spokes),
            Record("c14", {"M  ISO  1   1  14"}),
            MolText("badbond", {{0, 0, 0, "C"}}, {{1, 9, 1}}),
            Record("caf\xc3\xa9 cr\xe8me"),
            Record(std::string(300, 'n')),
            Record("registered", {"M  END", "> <CAS_RN>", "50-00-0"}),
        };
        std::string text;
        for (int i = 0; i < 400; ++i)
            text += i % 10 == 3 ? odd[static_cast<std::size_t>(i / 10) % odd.size()] : Record("r" + std::to_string(i));
        return text + Record("cut", {}, false);
    }

    test::TempDir m_dir;
    StructureLibrary m_library;
};

TEST_F(ReadAheadTest, FixturesAndLeftOutRecordsGiveTheSameLibraryAndReport)
{
    test::WriteBytes(m_dir.File("mixed.sdf"), Mixed());
    for (const std::string& source : {m_dir.File("mixed.sdf"), test::DataFile("nci1000.sdf"),
                                      test::DataFile("nci300_aromatic.sdf"), test::DataFile("first_200.props.sdf"),
                                      test::DataFile("pubchem.200.sdf"), test::DataFile("bzr.sdf"),
                                      test::DataFile("cdk2.sdf"), test::DataFile("egfr.sdf"), test::DataFile("query.mol")}) {
        SCOPED_TRACE(source);
        const long total = CountSDRecords(source);
        ExpectSame(Sd(source), total);
        // A count short of the records cuts the import there.
        for (const long shortCount : {0L, 1L, 31L, 32L, 33L, 129L})
            if (shortCount < total)
                ExpectSame(Sd(source), shortCount);
    }
    const Outcome mixed = Run(Sd(m_dir.File("mixed.sdf")), 400, SourceReading::ReadAhead);
    EXPECT_EQ(std::make_tuple(mixed.report.written, mixed.report.skipped, mixed.report.renamed, mixed.report.cut),
              std::make_tuple(400L - 28, 28L, 8L, true));
    EXPECT_EQ(mixed.report.skipNotes.size(), 20u);
}

TEST_F(ReadAheadTest, AbortStopsAtTheSameRecord)
{
    test::WriteBytes(m_dir.File("mixed.sdf"), Mixed());
    for (const long poll : {1L, 2L, 3L, 32L, 33L, 34L, 97L, 129L, 130L, 250L, 401L, 402L}) {
        SCOPED_TRACE(poll);
        const Outcome outcome = ExpectSame(Sd(m_dir.File("mixed.sdf")), 400, poll);
        EXPECT_EQ(outcome.report.aborted, poll <= 400);
        EXPECT_EQ(outcome.report.written + outcome.report.skipped, std::min(poll - 1, 400L));
        EXPECT_EQ(outcome.index.size(), 4u * static_cast<std::size_t>(outcome.report.written));
    }
}

// A source error reaches the caller with its message at the record that raised it, with the
// records before it stored, whether it comes from reading a record or from looking for the next.
TEST_F(ReadAheadTest, SourceErrorsArriveAtTheSameRecord)
{
    const std::string source = m_dir.File("mixed.sdf");
    test::WriteBytes(source, Mixed());
    for (const long at : {1L, 2L, 33L, 64L, 65L, 200L, 400L}) {
        SCOPED_TRACE(at);
        ExpectSame([&] { return std::make_unique<ScriptedSource>(source, at, -1, 0); }, 400);
        ExpectSame([&] { return std::make_unique<ScriptedSource>(source, -1, at, 0); }, 400);
        // An error after the record an abort stops on is never seen.
        ExpectSame([&] { return std::make_unique<ScriptedSource>(source, at + 1, -1, 0); }, 400, at);
    }
    const Outcome failed = Run([&] { return std::make_unique<ScriptedSource>(source, 65, -1, 0); }, 400,
                               SourceReading::ReadAhead);
    EXPECT_EQ(failed.error, "scripted.sdf, line 65: cannot be read");
    EXPECT_EQ(failed.index.size(), 4u * (64 - 6));

    // A malformed number in the file itself.
    std::string text = Mixed();
    const auto at = text.find("    0.0000", text.size() / 2);
    text.replace(at, 10, "    0.0x00");
    test::WriteBytes(source, text);
    ExpectSame(Sd(source), 400);
    EXPECT_NE(Run(Sd(source), 400, SourceReading::ReadAhead).error.find("'0.0x00' is not a number"), std::string::npos);
}

// A source that leaves the table as it was for a record it rejects: the note names the record
// before, as the import loop left it (renamed where it had to be).
TEST_F(ReadAheadTest, ASourceThatKeepsThePreviousTableSeesTheSameTable)
{
    const std::string source = m_dir.File("mixed.sdf");
    test::WriteBytes(source, Mixed());
    ExpectSame([&] { return std::make_unique<ScriptedSource>(source, -1, -1, 1); }, 400);
    const Outcome outcome = Run([&] { return std::make_unique<ScriptedSource>(source, -1, -1, 1); }, 400,
                                SourceReading::ReadAhead);
    ASSERT_EQ(outcome.report.skipNotes.size(), 20u);
    EXPECT_EQ(outcome.report.skipNotes[1], "record 5 (huge): left out by the source");
    EXPECT_EQ(outcome.report.skipNotes[18], "record 65 (caf?? cr?me): left out by the source");
}

TEST(FileSize, KilobytesThenMegabytes)
{
    test::TempDir dir;
    const std::vector<std::pair<std::size_t, std::string>> cases{
        {0, "0.0 kB"}, {1536, "1.5 kB"}, {102400, "100 kB"}, {1023 * 1024 - 1, "1023 kB"},
        {1023 * 1024, "1.0 MB"}, {200u << 20, "200 MB"}};
    for (const auto& [bytes, text] : cases) {
        const std::string path = dir.File("f" + std::to_string(bytes));
        fs::resize_file((test::WriteBytes(path, ""), path), bytes);
        EXPECT_EQ(FileSizeText(path), text) << bytes;
    }
}


// An import that keeps no record changes no file: not the library replaced or appended to, nor its
// companion files and their stamps, whether the source is empty, unreadable from its start, holds
// only records the library cannot hold, or the user stops before the first record.
TEST_F(ConvertTest, AnImportKeepingNoRecordChangesNoFile)
{
    ASSERT_TRUE(Import(Source(Record("a") + Record("b"))));
    for (const char* companion : {"lib.idr", "lib.idp", "lib.pre", "lib.idr-state", "lib.idp-state", "lib.pre-state"})
        test::WriteBytes(m_dir.File(companion), companion);
    auto files = [&] {
        std::string all;
        for (const auto& entry : fs::directory_iterator(m_dir.Path()))
            if (entry.path().filename() != "source.sdf" && entry.path().filename() != "empty.sdf")
                all += entry.path().filename().string() + ":" +
                       (entry.is_regular_file() ? test::ReadBytes(entry.path()) : "(folder)") + "\n";
        return all;
    };
    const std::string before = files();
    m_library.ReleaseFiles();

    struct Unreadable final : StructureSource {
        std::string Read(TCTab&) override { throw IoError("unreadable.sdf", 1, "cannot be read"); }
        bool AtEnd() override { return false; }
    };
    const std::string empty = m_dir.File("empty.sdf");
    test::WriteBytes(empty, "");
    const std::string c14 = Source(Record("c14", {"M  ISO  1   1  14"}) + Record("c14", {"M  ISO  1   1  14"}));
    for (const ConversionMode mode : {ConversionMode::WriteAnew, ConversionMode::Append}) {
        test::ScriptedProgress progress;
        ImportReport report = ImportStructures(m_library, empty, 0, Lib(), mode, progress);
        EXPECT_EQ(report.written, 0);
        EXPECT_EQ(files(), before) << "an empty source";

        report = ImportStructures(m_library, c14, 2, Lib(), mode, progress);
        EXPECT_EQ(report.skipped, 2);
        EXPECT_EQ(files(), before) << "records the library cannot hold";

        Unreadable unreadable;
        EXPECT_THROW(ImportStructures(m_library, unreadable, 5, Lib(), mode, progress), IoError);
        EXPECT_EQ(files(), before) << "a source that cannot be read";

        test::ScriptedProgress stopping;
        stopping.abortAtPoll = 1;
        EXPECT_TRUE(ImportStructures(m_library, c14, 2, Lib(), mode, stopping).aborted);
        EXPECT_EQ(files(), before) << "stopped before the first record";
    }

    // The window's "Replace" answer, for a source of which nothing is kept.
    Import(c14, MessageAnswer::Replace);
    EXPECT_EQ(files(), before);
    m_library.ReleaseFiles();
    EXPECT_EQ(CountLibraryRecords(Lib()), 2);
}

} // namespace
} // namespace velmora
