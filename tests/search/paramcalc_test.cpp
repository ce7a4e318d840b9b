// The library parameter calculations (descriptor file and NORMAL parameters, INTRO parameters)
// compute on worker threads; they must write the very bytes of the plain one-structure-at-a-time
// loops kept below as the reference, through aborts, suspends and unreadable records.
#include "search/paramcalc.h"

#include "descriptors/catalogue.h"
#include "io/convert.h"
#include "io/molfile.h"
#include "scripted.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace velmora {
namespace {

namespace fs = std::filesystem;

const std::string kZeroLine = " 0.00000000000000E+0000 0.00000000000000E+0000";

// Polls and steps as a user interface sees them; answers Abort at one poll and Suspend in a range.
class RecordingProgress final : public Progress {
public:
    long abortAt = -1;
    long suspendFrom = 0, suspendTo = -1;
    long polls = 0;
    std::vector<long> steps;
    int starts = 0, finishes = 0;

    void Start(ProgressKind, const std::string&, long) override { ++starts; }
    void Step(long done) override { steps.push_back(done); }
    ProgressRequest Poll() override
    {
        ++polls;
        if (polls == abortAt)
            return ProgressRequest::Abort;
        return polls >= suspendFrom && polls <= suspendTo ? ProgressRequest::Suspend : ProgressRequest::Continue;
    }
    void Finish() override { ++finishes; }
};

void TakeChannels(const StatisticsAccumulator& statistics, LibraryParameters& parameters, int channels)
{
    StatisticsAccumulator s = statistics;
    for (int c = 1; c <= channels; ++c) {
        s.SelectChannel(c);
        const ChannelResult r = s.ChannelResults();
        parameters.Set(2 * c - 2, r.meanX, r.sdX);
        parameters.Set(2 * c - 1, r.meanY, r.sdY);
    }
}

struct ReferenceRun {
    bool completed = false;
    long structures = 0;
    std::string pre;        // the complete descriptor file's bytes
    std::string parameters; // the parameter file's bytes
};

// The descriptor file as the plain loop builds it, one structure after the other.
ReferenceRun ReferenceBuild(StructureLibrary& library, const std::string& lib, long count, Progress& progress,
                            const std::string& scratch)
{
    ReferenceRun run;
    StatisticsAccumulator statistics;
    progress.Start(ProgressKind::DescriptorFile, "", count);
    const std::array<double, kCatalogueSize> zeros{};
    bool aborted = false;
    for (long k = 1; k <= count;) {
        const ProgressRequest request = progress.Poll();
        if (request == ProgressRequest::Abort) {
            aborted = true;
            break;
        }
        if (request == ProgressRequest::Suspend)
            continue;
        library.ReadLibraryRecord(lib, k);
        const TCTab& table = library.Structure();
        DescriptorRecord record = MakeDescriptorRecord(table, zeros);
        bool valid = !record.notRegistered;
        std::array<double, kCatalogueSize> values{};
        if (valid) {
            values = ComputeDescriptorValues(table);
            valid = values[kNumberOfRingsIndex] >= 0;
        }
        if (valid)
            record = MakeDescriptorRecord(table, values);
        for (int c = valid ? 1 : 68; c <= 76; ++c) {
            statistics.SelectChannel(c);
            statistics.AddPoint(RecordValue(record, 2 * c - 2), RecordValue(record, 2 * c - 1));
        }
        const auto bytes = EncodeDescriptorRecord(record);
        run.pre.append(reinterpret_cast<const char*>(bytes.data()), bytes.size());
        run.structures = k;
        progress.Step(k);
        ++k;
    }
    progress.Finish();
    if (!aborted) {
        LibraryParameters parameters;
        TakeChannels(statistics, parameters, 76);
        parameters.Write(scratch, 153);
        run.parameters = test::ReadBytes(scratch);
        run.completed = true;
    }
    return run;
}

ReferenceRun ReferenceIntro(StructureLibrary& library, const std::string& lib, Progress& progress,
                            const std::string& scratch)
{
    ReferenceRun run;
    StatisticsAccumulator statistics;
    const long count = CountLibraryRecords(lib);
    progress.Start(ProgressKind::Parameters, "", count);
    bool aborted = false;
    for (long k = 1; k <= count; ++k) {
        if (progress.Poll() == ProgressRequest::Abort) {
            aborted = true;
            break;
        }
        library.ReadLibraryRecord(lib, k);
        double x = 0.0;
        for (int i = 0; i <= 33; ++i) {
            const double v = i == 33 ? 0.0 : DescriptorValue(library.Structure(), i);
            if (i % 2 == 0) {
                x = v;
            } else {
                statistics.SelectChannel(i / 2 + 1);
                statistics.AddPoint(x, v);
            }
        }
        run.structures = k;
        if (k % 100 == 0)
            progress.Step(k);
    }
    progress.Step(run.structures);
    progress.Finish();
    if (!aborted) {
        LibraryParameters parameters;
        TakeChannels(statistics, parameters, 17);
        parameters.Write(scratch, 152);
        run.parameters = test::ReadBytes(scratch);
        run.completed = true;
    }
    return run;
}

std::string Read(const std::string& file) { return fs::exists(file) ? test::ReadBytes(file) : "(missing)"; }

// Appends an SD file to the library (a new one when it does not exist).
void Append(const std::string& lib, const std::string& sd)
{
    StructureLibrary importer;
    NullProgress quiet;
    const ImportReport report = ImportStructures(importer, sd, CountSDRecords(sd), lib,
                                                 fs::exists(lib) ? ConversionMode::Append : ConversionMode::WriteAnew,
                                                 quiet);
    ASSERT_TRUE(report.Completed()) << sd;
}

class ParameterCalculation : public ::testing::Test {
protected:
    test::TempDir dir;
    test::ScriptedDialog dialog;

    // Builds both ways and compares every byte, the polls and steps and the structure the library
    // reader is left with.
    void ExpectBuildAsReference(const std::string& lib, long count, long abortAt = -1, long suspendFrom = 0,
                                long suspendTo = -1)
    {
        SCOPED_TRACE(lib + " abort at " + std::to_string(abortAt));
        const std::string pre = CompanionFileName(lib, "pre"), idp = CompanionFileName(lib, "idp");
        const std::string preBefore = Read(pre), idpBefore = Read(idp);
        RecordingProgress expected, actual;
        for (RecordingProgress* p : {&expected, &actual}) {
            p->abortAt = abortAt;
            p->suspendFrom = suspendFrom;
            p->suspendTo = suspendTo;
        }
        StructureLibrary referenceReader, reader;
        // Both readers start from one structure: an unreadable first record leaves it in place.
        referenceReader.ReadLibraryRecord(lib, 2);
        reader.ReadLibraryRecord(lib, 2);
        const ReferenceRun reference = ReferenceBuild(referenceReader, lib, count, expected, dir.File("reference.idp"));

        LibraryParameters parameters, before;
        parameters.Set(0, 7.0, 1.0);
        before = parameters;
        StatisticsAccumulator statistics;
        const ParameterRun run = BuildDescriptorFile(reader, lib, count, parameters, statistics, actual, dialog);
        EXPECT_EQ(run.completed, reference.completed);
        EXPECT_EQ(run.structures, reference.structures);
        EXPECT_EQ(actual.polls, expected.polls);
        EXPECT_EQ(actual.steps, expected.steps);
        EXPECT_EQ(actual.starts, 1);
        EXPECT_EQ(actual.finishes, 1);
        EXPECT_FALSE(fs::exists(CompanionFileName(lib, "pr1")));
        if (reference.completed) {
            EXPECT_TRUE(Read(pre) == reference.pre) << "descriptor file differs";
            EXPECT_EQ(Read(idp), reference.parameters);
        } else {
            // An abort keeps the files of the last complete build and the parameters in use.
            EXPECT_TRUE(Read(pre) == preBefore) << "descriptor file changed";
            EXPECT_EQ(Read(idp), idpBefore);
            EXPECT_TRUE(parameters.Mean == before.Mean && parameters.StdDev == before.StdDev);
        }
        EXPECT_EQ(CompareCtab(reader.Structure(), referenceReader.Structure()), 0);
        EXPECT_EQ(reader.RecordPosition(), referenceReader.RecordPosition());
    }

    void ExpectIntroAsReference(const std::string& lib, long abortAt = -1)
    {
        SCOPED_TRACE(lib + " INTRO abort at " + std::to_string(abortAt));
        const std::string idr = CompanionFileName(lib, "idr");
        const std::string idrBefore = Read(idr);
        RecordingProgress expected, actual;
        expected.abortAt = actual.abortAt = abortAt;
        StructureLibrary referenceReader, reader;
        const ReferenceRun reference = ReferenceIntro(referenceReader, lib, expected, dir.File("reference.idr"));
        LibraryParameters parameters;
        StatisticsAccumulator statistics;
        const ParameterRun run = ComputeIntroParameters(reader, lib, parameters, statistics, actual, dialog);
        EXPECT_EQ(run.completed, reference.completed);
        EXPECT_EQ(run.structures, reference.structures);
        EXPECT_EQ(actual.polls, expected.polls);
        EXPECT_EQ(actual.steps, expected.steps);
        EXPECT_EQ(Read(idr), reference.completed ? reference.parameters : idrBefore);
        if (idrBefore != "(missing)") {
            EXPECT_EQ(Read(CompanionFileName(lib, "id1")), idrBefore); // the previous file, kept
        }
        EXPECT_EQ(CompareCtab(reader.Structure(), referenceReader.Structure()), 0);
    }

    // The fixtures, the NCI set twice more and structures that take the invalid paths: a lone atom,
    // a salt of two lone ions, two separate molecules (a negative ring count).
    std::string Generated()
    {
        const std::string lib = dir.File("generated.clb");
        const std::string odd = dir.File("odd.sdf");
        const std::string twoEthanes =
            "two ethanes\r\n  test\r\n\r\n  4  2  0  0  0  0  0  0  0  0999 V2000\r\n"
            "    0.0000    0.0000    0.0000 C   0  0  0  0  0  0  0  0  0  0  0  0\r\n"
            "    1.0000    0.0000    0.0000 C   0  0  0  0  0  0  0  0  0  0  0  0\r\n"
            "    3.0000    0.0000    0.0000 C   0  0  0  0  0  0  0  0  0  0  0  0\r\n"
            "    4.0000    0.0000    0.0000 C   0  0  0  0  0  0  0  0  0  0  0  0\r\n"
            "  1  2  1  0  0  0  0\r\n  3  4  1  0  0  0  0\r\nM  END\r\n$$$$\r\n";
        const std::string salt = "salt\r\n  test\r\n\r\n  2  0  0  0  0  0  0  0  0  0999 V2000\r\n"
                                 "    0.0000    0.0000    0.0000 Na  0  3  0  0  0  0  0  0  0  0  0  0\r\n"
                                 "    2.0000    0.0000    0.0000 Cl  0  5  0  0  0  0  0  0  0  0  0  0\r\n"
                                 "M  END\r\n$$$$\r\n";
        test::WriteBytes(odd, test::kMethaneRecord + twoEthanes + salt + test::NciRecords(1, 40));
        for (const char* fixture : {"nci1000.sdf", "nci300_aromatic.sdf", "cdk2.sdf", "egfr.sdf", "bzr.sdf",
                                    "pubchem.200.sdf", "first_200.props.sdf", "nci1000.sdf"}) {
            Append(lib, test::DataFile(fixture));
            Append(lib, odd);
        }
        return lib;
    }
};

TEST_F(ParameterCalculation, FixturesAndAGeneratedLibraryAsTheReference)
{
    for (const char* fixture : {"cdk2.sdf", "egfr.sdf", "pubchem.200.sdf", "nci300_aromatic.sdf"}) {
        const std::string lib = dir.File(fs::path(fixture).stem().string() + ".clb");
        Append(lib, test::DataFile(fixture));
        ExpectBuildAsReference(lib, CountLibraryRecords(lib));
        ExpectIntroAsReference(lib);
    }
    const std::string lib = Generated();
    const long count = CountLibraryRecords(lib);
    ASSERT_GT(count, 3000);
    ExpectBuildAsReference(lib, count);
    ExpectIntroAsReference(lib);
    // A second run replaces the files; the INTRO parameters keep the first as .id1.
    ExpectIntroAsReference(lib);
}

TEST_F(ParameterCalculation, AbortsAndSuspendsAsTheReference)
{
    const std::string lib = Generated();
    const long count = CountLibraryRecords(lib);
    ExpectBuildAsReference(lib, count, -1, 100, 130); // suspended a while; the files an abort must keep
    // Aborts at the first poll, inside and at the edges of the chunks the workers take, at the end.
    for (long abortAt : {1L, 2L, 32L, 33L, 34L, 257L, 1500L, count})
        ExpectBuildAsReference(lib, count, abortAt);
    ExpectBuildAsReference(lib, count, 400, 40, 60); // suspended, then aborted
    for (long abortAt : {1L, 2L, 256L, 257L, 2000L, count})
        ExpectIntroAsReference(lib, abortAt);
}

TEST_F(ParameterCalculation, UnreadableRecordsAsTheReference)
{
    const std::string lib = Generated();
    const long count = CountLibraryRecords(lib);
    const std::string index = test::ReadBytes(ExistingIndexFileName(lib));
    auto entry = [&](long k) {
        const auto* e = reinterpret_cast<const unsigned char*>(index.data()) + 4 * (k - 1);
        return std::pair<long, long>(e[0] | e[1] << 8, e[2] | e[3] << 8);
    };
    std::string data = test::ReadBytes(lib);
    std::string newIndex = index;
    // A record whose length reads 0 is damaged (the reader clears the structure) ...
    for (long k : {1L, 5L, 40L, 41L}) {
        const auto [block, offset] = entry(k);
        const std::size_t at = static_cast<std::size_t>((block - 1) * kLibraryBlockSize + offset - 1);
        data[at] = data[at + 1] = 0;
    }
    // ... an empty index entry leaves the structure before it in place.
    for (long k : {6L, 7L, 64L, 65L, count})
        newIndex.replace(static_cast<std::size_t>(4 * (k - 1)), 4, std::string(4, '\0'));
    test::WriteBytes(lib, data);
    test::WriteBytes(ExistingIndexFileName(lib), newIndex);
    {
        StructureLibrary reader;
        ASSERT_EQ(reader.ReadLibraryRecord(lib, 5), kLibDamagedRecord);
        ASSERT_EQ(reader.ReadLibraryRecord(lib, 6), kLibEmptyEntry);
    }
    ExpectBuildAsReference(lib, count);
    // A count past the index: the positions beyond it repeat the last structure read.
    ExpectBuildAsReference(lib, count + 40);
    ExpectBuildAsReference(lib, count + 40, 70);
    ExpectIntroAsReference(lib);
}

// The parameter files' layout: 153 lines for NORMAL and 152 for INTRO, markers and the lines past
// the group counts zero; the group statistics of both agree, as both count every structure alike.
TEST_F(ParameterCalculation, ParameterFileLayouts)
{
    const std::string lib = test::NciLibrary(dir, "lib30", 30, true);
    ASSERT_FALSE(lib.empty());
    const auto idp = test::CrLfLines(test::ReadBytes(dir.File("lib30.idp")));
    ASSERT_EQ(idp.size(), 153u);
    for (int marker : {33, 34, 134, 152})
        EXPECT_EQ(idp[static_cast<std::size_t>(marker)], kZeroLine) << marker;
    for (const auto& line : idp)
        EXPECT_EQ(line.size(), 46u);

    std::string old;
    for (int i = 0; i < 152; ++i)
        old += (i == 0 ? " 5.00000000000000E+0000 1.00000000000000E+0000" : kZeroLine) + "\r\n";
    test::WriteBytes(dir.File("lib30.idr"), old);
    StructureLibrary library;
    LibraryParameters parameters;
    StatisticsAccumulator statistics;
    NullProgress quiet;
    ASSERT_TRUE(ComputeIntroParameters(library, lib, parameters, statistics, quiet, dialog).completed);
    EXPECT_EQ(test::ReadBytes(dir.File("lib30.id1")), old);
    const auto idr = test::CrLfLines(test::ReadBytes(dir.File("lib30.idr")));
    ASSERT_EQ(idr.size(), 152u);
    for (std::size_t i = 33; i < idr.size(); ++i)
        EXPECT_EQ(idr[i], kZeroLine) << i;
    for (std::size_t i = 0; i < 33; ++i)
        EXPECT_EQ(idr[i], idp[i]) << i;
    ASSERT_EQ(dialog.shown.size(), 1u);
    EXPECT_EQ(dialog.shown[0].text.rfind("Calculationtime: ", 0), 0u);
}

// An aborted calculation says so, how far it came and which file the searches go on using.
TEST_F(ParameterCalculation, AbortSaysWhichFileIsInUse)
{
    const std::string lib = test::NciLibrary(dir, "lib40", 40, false);
    ASSERT_FALSE(lib.empty());
    const std::string pre = fs::absolute(CompanionFileName(lib, "pre")).lexically_normal().string();
    const std::string idr = fs::absolute(CompanionFileName(lib, "idr")).lexically_normal().string();
    StructureLibrary library;
    LibraryParameters parameters;
    StatisticsAccumulator statistics;
    auto build = [&](long abortAt) {
        RecordingProgress progress;
        progress.abortAt = abortAt;
        dialog.shown.clear();
        const ParameterRun run = BuildDescriptorFile(library, lib, 40, parameters, statistics, progress, dialog);
        EXPECT_EQ(dialog.shown.size(), 1u);
        return std::make_pair(run, dialog.shown.empty() ? std::string() : dialog.shown.back().text);
    };
    auto [first, none] = build(6);
    EXPECT_FALSE(first.completed);
    EXPECT_EQ(none, "Calculationtime: " + first.elapsed +
                        "\rAborted after 5 of 40 structures: nothing was replaced.\r"
                        "There is no descriptor file of this library.");
    auto [complete, done] = build(-1);
    ASSERT_TRUE(complete.completed);
    EXPECT_EQ(done, "Calculationtime: " + complete.elapsed); // a completed run says only its time
    const std::string stored = test::ReadBytes(pre);
    auto [again, inUse] = build(11);
    EXPECT_EQ(inUse, "Calculationtime: " + again.elapsed +
                         "\rAborted after 10 of 40 structures: nothing was replaced.\r"
                         "The descriptor file in use is still " + pre + ".");
    EXPECT_EQ(test::ReadBytes(pre), stored);
    // A descriptor file of fewer structures (the library grew since) is not called the one in use.
    test::WriteBytes(pre, stored.substr(0, 30 * kDescriptorRecordSize));
    auto [grown, shorter] = build(2);
    EXPECT_NE(shorter.find("\rThe descriptor file " + pre + " is left as it was; it does not hold the 40 structures"),
              std::string::npos)
        << shorter;

    // INTRO parameters alike.
    RecordingProgress progress;
    progress.abortAt = 3;
    dialog.shown.clear();
    const ParameterRun intro = ComputeIntroParameters(library, lib, parameters, statistics, progress, dialog);
    ASSERT_EQ(dialog.shown.size(), 1u);
    EXPECT_EQ(dialog.shown[0].text, "Calculationtime: " + intro.elapsed +
                                        "\rAborted after 2 of 40 structures: nothing was replaced.\r"
                                        "There are no INTRO parameters of this library.");
    progress.abortAt = -1;
    ASSERT_TRUE(ComputeIntroParameters(library, lib, parameters, statistics, progress, dialog).completed);
    progress.polls = 0;
    progress.abortAt = 4;
    dialog.shown.clear();
    const ParameterRun introAgain = ComputeIntroParameters(library, lib, parameters, statistics, progress, dialog);
    EXPECT_EQ(dialog.shown.at(0).text, "Calculationtime: " + introAgain.elapsed +
                                           "\rAborted after 3 of 40 structures: nothing was replaced.\r"
                                           "The parameters in use are still those of " + idr + ".");
}

} // namespace
} // namespace velmora
