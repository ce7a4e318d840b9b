#include "search/livesearch.h"
#include "base/ioerror.h"
#include "io/libfiles.h"
#include "search/coefficients.h"
#include "search/workbench.h"
#include "scripted.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <atomic>
#include <optional>
#include <thread>

namespace velmora {
namespace {

// A library of 2100 structures cycling through the NCI test records (three chunks of the parallel
// comparison, with equal values across them), in NORMAL mode.
class LiveSearchTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        const std::string small = test::NciLibrary(dir, "small", 1000, true);
        ASSERT_FALSE(small.empty());
        lib = dir.File("live.clb");
        StructureLibrary library;
        const long n = CountLibraryRecords(small);
        for (long k = 0; k < 2100; ++k) {
            ASSERT_EQ(library.ReadLibraryRecord(small, k % n + 1), kLibOk);
            library.SetWritePermission(true);
            ASSERT_EQ(library.WriteLibraryRecord(lib, library.RecordName(), library.RecordCASNumber()), kLibOk);
        }
        library.ReleaseFiles();
        ASSERT_TRUE(test::BuildDescriptorFiles(lib));
        ASSERT_TRUE(wb.OpenLibrary(lib));
        test::ChooseDescriptors(wb, dialog,
                                {"Bonds: single", "Bonds: double", "Hetero atoms", "Atoms of N", "Atoms of O", "RandicIx",
                                 "Number of rings", "Number of 6-rings", "XuIndex 1", "TopoJ"});
    }
    TCTab Record(long k)
    {
        StructureLibrary reader;
        EXPECT_EQ(reader.ReadLibraryRecord(lib, k), kLibOk);
        return reader.Structure();
    }

    test::TempDir dir;
    test::ScriptedDialog dialog;
    NullProgress progress;
    Workbench wb{dialog, progress, dir.Path().string()};
    std::string lib;
};

TEST_F(LiveSearchTest, GivesTheValuesOrderAndHistogramOfThePlainSearch)
{
    std::atomic<bool> cancel{false};
    for (int c : {0, static_cast<int>(kTanimoto), static_cast<int>(kCorrelation)})
        for (const char* best : {"1", "50", "200"})
            for (long k : {1L, 17L, 777L, 2100L}) {
                const std::string what = std::string(CoefficientName(c)) + " best " + best + " record " + std::to_string(k);
                wb.SetCoefficient(c);
                ASSERT_TRUE(wb.SetBestCount(best));
                const TCTab query = Record(k);
                wb.SetDrawnQuery(query);
                auto setup = wb.LiveSetup();
                ASSERT_TRUE(setup) << what;
                LiveSearch live(std::move(*setup));
                const auto got = live.Run(query, 7, cancel);
                ASSERT_EQ(wb.RunSearch(), SearchOutcome::Completed) << what;
                ASSERT_TRUE(got) << what;
                const SearchResults& want = wb.Results();
                EXPECT_EQ(got->generation, 7u);
                EXPECT_EQ(got->ranking.filled, want.filled) << what;
                EXPECT_EQ(got->ranking.lines, want.lines) << what;
                EXPECT_EQ(got->ranking.MaxValue, want.MaxValue) << what;
                EXPECT_EQ(got->ranking.histogram, want.histogram) << what;
                ASSERT_EQ(got->ranking.best.size(), want.best.size()) << what;
                for (std::size_t r = 0; r < want.best.size(); ++r) {
                    EXPECT_EQ(got->ranking.best[r].value, want.best[r].value) << what << " rank " << r + 1;
                    EXPECT_EQ(got->ranking.best[r].number, want.best[r].number) << what << " rank " << r + 1;
                }
                ASSERT_EQ(got->names.size(), static_cast<std::size_t>(want.filled)) << what;
                ASSERT_EQ(got->structures.size(), static_cast<std::size_t>(want.filled)) << what;
                for (int r = 1; r <= want.filled; r += 13) {
                    EXPECT_EQ(got->names[static_cast<std::size_t>(r - 1)], test::LibraryStructureName(lib, want.StructureAt(r)));
                    EXPECT_EQ(got->structures[static_cast<std::size_t>(r - 1)].NumValidAtoms, Record(want.StructureAt(r)).NumValidAtoms);
                }
            }
}

// Position j holds the same structure as j + 1000 and j + 2000, so equal values straddle the
// boundaries of the parts the threads scan (whole chunks of 1024: 1..1024 | 1025..2100 for two).
TEST_F(LiveSearchTest, AnyNumberOfThreadsGivesTheResultsOfOneWithTiesInLibraryOrder)
{
    std::atomic<bool> cancel{false};
    auto same = [](const LiveResults& got, const SearchResults& want, const std::string& what) {
        EXPECT_EQ(got.ranking.filled, want.filled) << what;
        EXPECT_EQ(got.ranking.lines, want.lines) << what;
        EXPECT_EQ(got.ranking.MaxValue, want.MaxValue) << what;
        EXPECT_EQ(got.ranking.histogram, want.histogram) << what;
        ASSERT_EQ(got.ranking.best.size(), want.best.size()) << what;
        for (std::size_t r = 0; r < want.best.size(); ++r) {
            EXPECT_EQ(got.ranking.best[r].value, want.best[r].value) << what << " rank " << r + 1;
            EXPECT_EQ(got.ranking.best[r].number, want.best[r].number) << what << " rank " << r + 1;
        }
    };
    int straddling = 0; // ties with one structure in each part
    for (int c : {static_cast<int>(kEuclidean), static_cast<int>(kTanimoto), static_cast<int>(kCorrelation)})
        for (const char* best : {"2", "3", "5", "200"}) {
            const std::string what = std::string(CoefficientName(c)) + " best " + best;
            wb.SetCoefficient(c);
            ASSERT_TRUE(wb.SetBestCount(best));
            const TCTab query = Record(1020); // the same as 20 (first part) and 2020 (second part)
            wb.SetDrawnQuery(query);
            ASSERT_EQ(wb.RunSearch(), SearchOutcome::Completed) << what;
            const SearchResults& plain = wb.Results();
            // Equal values rank in library order, and some of them lie on both sides of the split.
            for (int r = 2; r <= plain.filled; ++r)
                if (plain.best[static_cast<std::size_t>(r - 1)].value == plain.best[static_cast<std::size_t>(r - 2)].value) {
                    EXPECT_LT(plain.StructureAt(r - 1), plain.StructureAt(r)) << what;
                    straddling += plain.StructureAt(r - 1) <= 1024 && plain.StructureAt(r) > 1024;
                }
            std::optional<LiveResults> one;
            for (int threads : {1, 2, 3, 8}) {
                auto setup = wb.LiveSetup();
                ASSERT_TRUE(setup) << what;
                setup->threads = threads;
                LiveSearch live(std::move(*setup));
                auto got = live.Run(query, 1, cancel);
                ASSERT_TRUE(got) << what << " threads " << threads;
                same(*got, plain, what + " threads " + std::to_string(threads));
                if (!one)
                    one = std::move(got);
                else
                    EXPECT_EQ(got->names, one->names) << what << " threads " << threads;
            }
        }
    EXPECT_GT(straddling, 0);
    // Cancelled before it starts: no thread ranks anything.
    auto setup = wb.LiveSetup();
    ASSERT_TRUE(setup);
    setup->threads = 3;
    LiveSearch live(std::move(*setup));
    cancel = true;
    EXPECT_FALSE(live.Run(Record(1), 1, cancel));
}

TEST_F(LiveSearchTest, ACancelledRunGivesNothingAndTheNextRunIsWhole)
{
    auto setup = wb.LiveSetup();
    ASSERT_TRUE(setup);
    LiveSearch live(std::move(*setup));
    std::atomic<bool> cancel{false};
    const TCTab query = Record(5);
    const auto reference = live.Run(query, 1, cancel);
    ASSERT_TRUE(reference);
    EXPECT_GT(reference->ranking.lines, 2000);
    auto same = [&](const LiveResults& got) {
        EXPECT_EQ(got.ranking.lines, reference->ranking.lines);
        EXPECT_EQ(got.ranking.histogram, reference->ranking.histogram);
        EXPECT_EQ(got.names, reference->names);
        for (std::size_t r = 0; r < got.ranking.best.size(); ++r) {
            EXPECT_EQ(got.ranking.best[r].value, reference->ranking.best[r].value);
            EXPECT_EQ(got.ranking.best[r].number, reference->ranking.best[r].number);
        }
    };
    cancel = true;
    EXPECT_FALSE(live.Run(query, 2, cancel));
    // Cancelled from another thread while it runs: nothing, or (when it ended first) whole results.
    cancel = false;
    std::thread canceller([&] { cancel = true; });
    const auto raced = live.Run(query, 3, cancel);
    canceller.join();
    if (raced)
        same(*raced);
    cancel = false;
    const auto again = live.Run(query, 4, cancel);
    ASSERT_TRUE(again);
    EXPECT_EQ(again->generation, 4u);
    same(*again);
}

TEST_F(LiveSearchTest, OnlyANormalModeLibraryWithDescriptorsThatTellStructuresApartIsSearchedLive)
{
    EXPECT_TRUE(wb.LiveSetup());
    test::ChooseDescriptors(wb, dialog, {});
    EXPECT_FALSE(wb.LiveSetup()) << "no descriptors chosen";
    test::ChooseDescriptors(wb, dialog, {"Bonds: single", "Hetero atoms"});
    wb.SetCoefficient(kCorrelation);
    EXPECT_FALSE(wb.LiveSetup()) << "the correlation of two points";
    wb.SetCoefficient(0);
    EXPECT_TRUE(wb.LiveSetup());
    wb.SetIntroMode();
    EXPECT_FALSE(wb.LiveSetup()) << "INTRO mode";
}

TEST_F(LiveSearchTest, ADescriptorFileThatNoLongerFitsTheLibraryIsRefused)
{
    auto setup = wb.LiveSetup();
    ASSERT_TRUE(setup);
    const std::string pre = CompanionFileName(lib, "pre");
    const std::string bytes = test::ReadBytes(pre);
    test::WriteBytes(pre, bytes.substr(0, bytes.size() / 2));
    EXPECT_THROW(LiveSearch{*setup}, IoError);
}

} // namespace
} // namespace velmora
