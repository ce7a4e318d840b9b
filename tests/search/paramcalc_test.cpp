// The library parameter calculations (descriptor file and NORMAL parameters, INTRO parameters):
// the layout of the parameter files, and what an aborted calculation keeps and says.
#include "search/paramcalc.h"

#include "descriptors/catalogue.h"
#include "scripted.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace velmora {
namespace {

namespace fs = std::filesystem;

const std::string kZeroLine = " 0.00000000000000E+0000 0.00000000000000E+0000";

class ParameterCalculation : public ::testing::Test {
protected:
    test::TempDir dir;
    test::ScriptedDialog dialog;
};

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
        test::ScriptedProgress progress;
        progress.abortAtPoll = abortAt;
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
    test::ScriptedProgress progress;
    progress.abortAtPoll = 3;
    dialog.shown.clear();
    const ParameterRun intro = ComputeIntroParameters(library, lib, parameters, statistics, progress, dialog);
    ASSERT_EQ(dialog.shown.size(), 1u);
    EXPECT_EQ(dialog.shown[0].text, "Calculationtime: " + intro.elapsed +
                                        "\rAborted after 2 of 40 structures: nothing was replaced.\r"
                                        "There are no INTRO parameters of this library.");
    progress.abortAtPoll = -1;
    ASSERT_TRUE(ComputeIntroParameters(library, lib, parameters, statistics, progress, dialog).completed);
    progress.polls = 0;
    progress.abortAtPoll = 4;
    dialog.shown.clear();
    const ParameterRun introAgain = ComputeIntroParameters(library, lib, parameters, statistics, progress, dialog);
    EXPECT_EQ(dialog.shown.at(0).text, "Calculationtime: " + introAgain.elapsed +
                                           "\rAborted after 3 of 40 structures: nothing was replaced.\r"
                                           "The parameters in use are still those of " + idr + ".");
}

} // namespace
} // namespace velmora
