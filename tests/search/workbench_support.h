#pragma once
// The fixture of the workbench suites: a workbench in a fresh folder, answered by a scripted user.
#include "scripted.h"
#include "search/workbench.h"
#include "test_support.h"

#include <gtest/gtest.h>

namespace velmora::test {

class WorkbenchFixture : public ::testing::Test {
protected:
    void Choose(const std::vector<std::string>& names) { ChooseDescriptors(wb, dialog, names); }

    TempDir dir;
    ScriptedDialog dialog;
    ScriptedProgress progress;
    Workbench wb{dialog, progress, dir.Path().string()};
};

} // namespace velmora::test
