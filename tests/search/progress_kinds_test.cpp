// Every long loop of the core says at Start what kind of loop it is, and each kind's rules are what
// its loop does: a Suspendable loop does no work while the answer is Suspend (the others take it
// as Continue, so no window may offer it), and an Abortable one polls.
#include "base/progress.h"
#include "descriptors/libstats.h"
#include "io/convert.h"
#include "search/workbench.h"
#include "scripted.h"
#include "test_support.h"

#include <gtest/gtest.h>

namespace velmora {
namespace {

// Answers Suspend to the first polls of every loop, then Continue, and notes whether the loop
// stepped on while told to suspend.
class PhaseRecorder final : public Progress {
public:
    static constexpr long kSuspendedPolls = 1000; // more than the library holds structures

    struct Phase {
        ProgressKind kind;
        long polls = 0;
        long steps = 0;
        bool workedWhileSuspended = false;
    };
    std::vector<Phase> phases;

    void Start(ProgressKind kind, const std::string&, long) override
    {
        phases.push_back({kind});
        m_suspended = false;
    }
    void Step(long) override
    {
        ++phases.back().steps;
        phases.back().workedWhileSuspended |= m_suspended;
    }
    ProgressRequest Poll() override
    {
        m_suspended = ++phases.back().polls <= kSuspendedPolls;
        return m_suspended ? ProgressRequest::Suspend : ProgressRequest::Continue;
    }
    void Finish() override { m_suspended = false; }

private:
    bool m_suspended = false;
};

std::string KindName(ProgressKind kind)
{
    switch (kind) {
    case ProgressKind::ImportCount: return "import count";
    case ProgressKind::Conversion: return "conversion";
    case ProgressKind::Parameters: return "parameters";
    case ProgressKind::DescriptorFile: return "descriptor file";
    case ProgressKind::Comparison: return "comparison";
    case ProgressKind::Ranking: return "ranking";
    case ProgressKind::ResultLibrary: return "result library";
    case ProgressKind::Statistics: return "statistics";
    case ProgressKind::CrossComparison: return "cross comparison";
    }
    return "?";
}

TEST(ProgressKinds, EveryLoopSaysItsKindAndKeepsItsRules)
{
    test::TempDir dir;
    test::ScriptedDialog dialog; // Ok to every question: parameters and descriptor file are made
    PhaseRecorder recorder;
    Workbench wb(dialog, recorder, dir.Path().string());
    // More than 200 structures: the comparison polls every 100 and steps in between.
    const std::string sd = dir.File("nci.sdf");
    test::WriteBytes(sd, test::NciRecords(1, 250));
    const std::string lib = dir.File("nci.clb");

    ASSERT_TRUE(wb.ImportLibrary(sd, [&](Converter& converter) {
        test::ScriptedDialog converterDialog;
        converter.SetTarget(lib, ConversionMode::WriteAnew);
        converter.Convert(wb.Library(), converterDialog, recorder);
        return converter.Exit();
    }));
    ASSERT_TRUE(wb.State().ParametersAvailable); // the INTRO parameters were computed on opening
    ASSERT_TRUE(wb.SetNormalMode());             // builds the descriptor file
    ASSERT_TRUE(wb.LoadQuery(lib));
    test::ChooseDescriptors(wb, dialog, {"Atoms of C", "Atoms of N", "Atoms of O", "Bonds: double"});
    ASSERT_EQ(wb.RunSearch(), SearchOutcome::Completed);
    const LibraryStatistics statistics = CountLibraryStatistics(wb.Library(), lib, recorder);
    EXPECT_EQ(statistics.Total, 250);

    std::vector<ProgressKind> kinds;
    for (const PhaseRecorder::Phase& phase : recorder.phases)
        kinds.push_back(phase.kind);
    EXPECT_EQ(kinds, (std::vector<ProgressKind>{ProgressKind::ImportCount, ProgressKind::Conversion,
                                                ProgressKind::Parameters, ProgressKind::DescriptorFile,
                                                ProgressKind::Comparison, ProgressKind::Ranking,
                                                ProgressKind::ResultLibrary, ProgressKind::Statistics}));
    for (const PhaseRecorder::Phase& phase : recorder.phases) {
        SCOPED_TRACE(KindName(phase.kind));
        const bool pauses = phase.polls > PhaseRecorder::kSuspendedPolls && phase.steps > 0 &&
                            !phase.workedWhileSuspended;
        EXPECT_EQ(Suspendable(phase.kind), pauses);
        EXPECT_EQ(Abortable(phase.kind), phase.polls > 0);
    }
}

// The export is a conversion too, and pauses like the import.
TEST(ProgressKinds, ExportPausesAsAConversion)
{
    test::TempDir dir;
    const std::string lib = test::NciLibrary(dir, "nci", 30, false);
    ASSERT_FALSE(lib.empty());
    StructureLibrary library;
    PhaseRecorder recorder;
    const ExportReport report =
        ExportStructures(library, lib, 30, dir.File("out.sdf"), ConversionMode::WriteAnew, recorder, {});
    EXPECT_FALSE(report.aborted);
    ASSERT_EQ(recorder.phases.size(), 1u);
    EXPECT_EQ(recorder.phases[0].kind, ProgressKind::Conversion);
    EXPECT_GT(recorder.phases[0].polls, PhaseRecorder::kSuspendedPolls);
    EXPECT_FALSE(recorder.phases[0].workedWhileSuspended);
    EXPECT_EQ(recorder.phases[0].steps, 30);
}

} // namespace
} // namespace velmora
