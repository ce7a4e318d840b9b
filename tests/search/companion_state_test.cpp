// Companion files are used only with the library state they were made from, and a search's result
// library never replaces a library the search did not make.
#include "io/convert.h"
#include "io/liblock.h"
#include "io/libstamp.h"
#include "io/molfile.h"
#include "search/paramcalc.h"
#include "workbench_support.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <future>
#include <thread>

namespace velmora {
namespace {

namespace fs = std::filesystem;
using test::Contains;

class CompanionState : public test::WorkbenchFixture {
protected:
    std::string Library(const std::string& name, int first, int count, bool descriptors)
    {
        const std::string sd = dir.File(name + ".sdf");
        test::WriteBytes(sd, test::NciRecords(first, count));
        const std::string lib = dir.File(name + ".clb");
        StructureLibrary importer;
        NullProgress quiet;
        EXPECT_TRUE(ImportStructures(importer, sd, CountSDRecords(sd), lib, ConversionMode::WriteAnew, quiet).Completed());
        if (descriptors) {
            EXPECT_TRUE(test::BuildDescriptorFiles(lib));
        }
        return lib;
    }
    // The warnings shown since the last clear.
    std::vector<std::string> Warnings() const
    {
        std::vector<std::string> texts;
        for (const auto& shown : dialog.shown)
            if (shown.kind == MessageKind::Warning)
                texts.push_back(shown.text);
        return texts;
    }
};

// A descriptor file that does not fit opens the library as one without it (INTRO mode and its
// notice), after one warning that names the file and why.
TEST_F(CompanionState, ADescriptorFileThatDoesNotFitCountsAsMissing)
{
    const std::string a = Library("alpha", 1, 30, true);
    const std::string b = Library("beta", 31, 30, true);
    const std::string betaPre = dir.File("beta.pre");
    const std::string ownPre = test::ReadBytes(betaPre);
    ASSERT_EQ(fs::file_size(dir.File("alpha.pre")), fs::file_size(betaPre));
    struct Case {
        std::string what;
        std::function<void()> make;
        std::string why;
    };
    const std::vector<Case> cases{
        {"the same-sized file of another library", [&] { fs::copy_file(dir.File("alpha.pre"), betaPre, fs::copy_options::overwrite_existing); },
         "it has been changed or replaced since it was made (it does not fit " + dir.File("beta.pre-state") + ")"},
        {"another library's file with its stamp",
         [&] {
             fs::copy_file(dir.File("alpha.pre"), betaPre, fs::copy_options::overwrite_existing);
             fs::copy_file(dir.File("alpha.pre-state"), dir.File("beta.pre-state"), fs::copy_options::overwrite_existing);
         },
         "it was made from another state of the library (its index or data file has changed since)"},
        {"a file without stamp (an earlier version's)", [&] { fs::remove(dir.File("beta.pre-state")); },
         "it cannot be confirmed to belong to the library as it is now: " + dir.File("beta.pre-state") +
             ", the record of the library state it was made from, is missing (made by an earlier version, or copied "
             "without it)"},
        {"an unreadable stamp", [&] { test::WriteBytes(dir.File("beta.pre-state"), "x"); },
         "it cannot be confirmed to belong to the library as it is now: " + dir.File("beta.pre-state") + " cannot be read"},
    };
    for (const auto& c : cases) {
        test::WriteBytes(betaPre, ownPre);
        StampCompanion(b, "pre");
        c.make();
        dialog.shown.clear();
        dialog.answers = {MessageAnswer::Ok, MessageAnswer::Ok, MessageAnswer::No}; // warning, notice, question
        ASSERT_TRUE(wb.OpenLibrary(b)) << c.what;
        EXPECT_EQ(Warnings(), std::vector<std::string>{betaPre + ": " + c.why + "; it is treated as missing"}) << c.what;
        EXPECT_EQ(wb.State().Mode, DescriptorMode::Intro) << c.what;
        test::ExpectMessage(dialog.shown.back(), MessageKind::Confirmation, test::kNoParameters, MessageButtons::OkNo);
        // NORMAL mode asks to calculate the descriptor values, as without the file; no second warning.
        dialog.shown.clear();
        dialog.answers = {MessageAnswer::Cancel};
        EXPECT_FALSE(wb.SetNormalMode());
        ASSERT_EQ(dialog.shown.size(), 1u) << c.what;
        EXPECT_EQ(dialog.shown[0].buttons, MessageButtons::OkCancel);
    }
    // Calculating them again makes a file that fits.
    dialog.answers = {MessageAnswer::Ok};
    ASSERT_TRUE(wb.SetNormalMode());
    EXPECT_EQ(test::ReadBytes(betaPre), ownPre);
    EXPECT_EQ(CompanionMismatch(b, "pre"), "");
    dialog.shown.clear();
    ASSERT_TRUE(wb.OpenLibrary(b));
    EXPECT_EQ(wb.State().Mode, DescriptorMode::Normal);
    EXPECT_TRUE(Warnings().empty());
    (void)a;
}

// INTRO parameters made from fewer structures than the library holds now (as one written while an
// import appended) are not used: the question, then a calculation that fits.
TEST_F(CompanionState, IntroParametersOfAnotherLibraryStateAreCalculatedAgain)
{
    const std::string lib = Library("lib", 1, 20, false);
    const std::string idr = dir.File("lib.idr");
    ASSERT_TRUE(wb.OpenLibrary(lib));
    ASSERT_TRUE(wb.State().ParametersAvailable && fs::exists(idr));
    const std::string made = test::ReadBytes(idr), stamp = test::ReadBytes(dir.File("lib.idr-state"));

    // Three more structures; the parameter files of 20 come back beside them.
    const std::string more = dir.File("more.sdf");
    test::WriteBytes(more, test::NciRecords(100, 3));
    NullProgress quiet;
    ASSERT_TRUE(ImportStructures(wb.Library(), more, 3, lib, ConversionMode::Append, quiet).Completed());
    EXPECT_FALSE(fs::exists(idr) || fs::exists(dir.File("lib.idr-state")));
    test::WriteBytes(idr, made);
    test::WriteBytes(dir.File("lib.idr-state"), stamp);

    dialog.shown.clear();
    dialog.answers = {MessageAnswer::Ok, MessageAnswer::Ok, MessageAnswer::No}; // notice, warning, question
    ASSERT_TRUE(wb.OpenLibrary(lib));
    EXPECT_EQ(Warnings(), std::vector<std::string>{idr + ": it was made from 20 structures; the library holds 23 now; "
                                                         "it is treated as missing"});
    EXPECT_FALSE(wb.State().ParametersAvailable);
    EXPECT_EQ(test::ReadBytes(idr), made);

    dialog.answers = {MessageAnswer::Ok};
    wb.SetIntroMode();
    EXPECT_TRUE(wb.State().ParametersAvailable);
    EXPECT_NE(test::ReadBytes(idr), made);
    EXPECT_EQ(CompanionMismatch(lib, "idr"), "");
}

// A build that does not complete leaves the descriptor files before it and their stamps, which still
// fit; a descriptor file whose stamp never came (a crash before it) is not trusted.
TEST_F(CompanionState, OnlyACompleteBuildIsTrusted)
{
    const std::string lib = Library("lib", 1, 30, true);
    const std::string pre = test::ReadBytes(dir.File("lib.pre"));
    test::ScriptedProgress stopping;
    stopping.abortAtPoll = 10;
    LibraryParameters parameters;
    StatisticsAccumulator statistics;
    EXPECT_FALSE(BuildDescriptorFile(wb.Library(), lib, 30, parameters, statistics, stopping, dialog).completed);
    EXPECT_EQ(test::ReadBytes(dir.File("lib.pre")), pre);
    EXPECT_EQ(CompanionMismatch(lib, "pre"), "");
    EXPECT_EQ(CompanionMismatch(lib, "idp"), "");

    RemoveCompanionStamp(lib, "pre");
    EXPECT_TRUE(Contains(CompanionMismatch(lib, "pre"), "cannot be confirmed")) << CompanionMismatch(lib, "pre");
}

// A library another program has changed since it was opened is not searched with the count and
// parameters of its earlier state.
TEST_F(CompanionState, ALibraryChangedSinceItWasOpenedIsOpenedAgainBeforeASearch)
{
    const std::string lib = Library("lib", 1, 30, true);
    ASSERT_TRUE(wb.OpenLibrary(lib));
    ASSERT_TRUE(wb.LoadQuery(lib));
    Choose({"Atoms of C", "Atoms of N", "Atoms of O"});
    const std::string more = dir.File("more.sdf");
    test::WriteBytes(more, test::NciRecords(100, 3));
    StructureLibrary other;
    NullProgress quiet;
    ASSERT_TRUE(ImportStructures(other, more, 3, lib, ConversionMode::Append, quiet).Completed());
    dialog.shown.clear();
    EXPECT_EQ(wb.RunSearch(), SearchOutcome::NotStarted);
    ASSERT_EQ(dialog.shown.size(), 1u);
    test::ExpectMessage(dialog.shown[0], MessageKind::Error,
                        "The library has changed since it was opened (30 structures then, 33 now).\rOpen it again "
                        "to search it.",
                        MessageButtons::Ok);
    EXPECT_EQ(dialog.shown[0].detail, lib);
    EXPECT_FALSE(wb.HasResults());
}

// A search's result library replaces only an earlier result library: a user's own library of that
// name stays byte for byte, and the best matches go to a free name beside it, said in a warning.
TEST_F(CompanionState, TheResultLibraryNeverReplacesALibraryTheSearchDidNotMake)
{
    const std::string drugs = Library("drugs", 1, 60, true);
    const std::string own = Library("drSIM", 200, 47, false); // the user's own library of that name
    const std::string ownBytes = test::ReadBytes(own), ownIndex = test::ReadBytes(dir.File("drSIM.III"));
    ASSERT_TRUE(wb.OpenLibrary(drugs));
    ASSERT_TRUE(wb.LoadQuery(drugs));
    Choose({"Atoms of C", "Atoms of N", "Atoms of O"});
    wb.SetBestCount("3");
    dialog.shown.clear();
    ASSERT_EQ(wb.RunSearch(), SearchOutcome::Completed);
    const std::string free = dir.File("drSIM2.clb");
    EXPECT_EQ(wb.State().SimilarLibraryFileName, free);
    EXPECT_EQ(Warnings(), std::vector<std::string>{own + " is a library this program's searches did not make; it "
                                                         "stays as it is.\rThe best matches are written to " +
                                                   free + " instead."});
    EXPECT_EQ(test::ReadBytes(own), ownBytes);
    EXPECT_EQ(test::ReadBytes(dir.File("drSIM.III")), ownIndex);
    EXPECT_EQ(CountLibraryRecords(free), 3);
    EXPECT_EQ(wb.ReadResultStructure(1).read, kLibOk);
    EXPECT_EQ(wb.ReadResultStructure(1).row.name, test::LibraryStructureName(drugs, 1));

    // The next search replaces its own result library, and says again where it is.
    dialog.shown.clear();
    ASSERT_EQ(wb.RunSearch(), SearchOutcome::Completed);
    EXPECT_EQ(wb.State().SimilarLibraryFileName, free);
    EXPECT_EQ(Warnings().size(), 1u);
    EXPECT_EQ(CountLibraryRecords(free), 3);

    // Without the user's library the usual name is used and an earlier result library there is
    // replaced without a word; once the user adds to it, it is theirs.
    fs::remove(own);
    fs::remove(dir.File("drSIM.III"));
    dialog.shown.clear();
    ASSERT_EQ(wb.RunSearch(), SearchOutcome::Completed);
    EXPECT_EQ(wb.State().SimilarLibraryFileName, own);
    ASSERT_EQ(wb.RunSearch(), SearchOutcome::Completed);
    EXPECT_EQ(wb.State().SimilarLibraryFileName, own);
    EXPECT_TRUE(Warnings().empty());
    const std::string more = dir.File("more.sdf");
    test::WriteBytes(more, test::NciRecords(300, 2));
    NullProgress quiet;
    StructureLibrary writer;
    ASSERT_TRUE(ImportStructures(writer, more, 2, own, ConversionMode::Append, quiet).Completed());
    const std::string grown = test::ReadBytes(own);
    ASSERT_EQ(wb.RunSearch(), SearchOutcome::Completed);
    EXPECT_EQ(wb.State().SimilarLibraryFileName, free);
    EXPECT_EQ(test::ReadBytes(own), grown);
    EXPECT_EQ(CountLibraryRecords(own), 5);

    // An earlier result library that another program reads now (its results shown) stays too.
    fs::remove(own);
    fs::remove(dir.File("drSIM.III"));
    ASSERT_EQ(wb.RunSearch(), SearchOutcome::Completed);
    ASSERT_EQ(wb.State().SimilarLibraryFileName, own);
    const std::string shown = test::ReadBytes(own);
    std::promise<void> holding, release;
    std::thread other([&] {
        const LibraryLock reading(own, LibraryWork::Read);
        holding.set_value();
        release.get_future().wait();
    });
    holding.get_future().wait();
    wb.SetBestCount("5");
    dialog.shown.clear();
    const SearchOutcome outcome = wb.RunSearch();
    release.set_value();
    other.join();
    ASSERT_EQ(outcome, SearchOutcome::Completed);
    EXPECT_EQ(wb.State().SimilarLibraryFileName, free);
    EXPECT_EQ(Warnings(), std::vector<std::string>{own + " is in use by another program; it stays as it is.\rThe best "
                                                         "matches are written to " + free + " instead."});
    EXPECT_EQ(test::ReadBytes(own), shown);
    EXPECT_EQ(CountLibraryRecords(free), 5);
}

} // namespace
} // namespace velmora
