// The window's menus and flow icons follow the workbench; a named set chosen without the dialog.
#include "search/workbench.h"

#include "descriptors/descsets.h"
#include "io/convert.h"
#include "io/molfile.h"
#include "scripted.h"
#include "test_support.h"
#include "workbench_support.h"

#include <gtest/gtest.h>

#include <tuple>

namespace velmora {
namespace {

class WorkbenchMenuTest : public test::WorkbenchFixture {
protected:
    std::string Library(int count) { return test::NciLibrary(dir, "lib", count, true); }
    // export library, ASCII export, detail page, result icons, library icon
    static auto Flags(const MenuState& m)
    {
        return std::make_tuple(m.exportLibrary, m.exportAscii, m.viewDetailed, m.resultIcons, m.libraryIcon);
    }
};

TEST_F(WorkbenchMenuTest, ResultItemsNeedResultsOfTheOpenLibraryAndQuery)
{
    EXPECT_EQ(Flags(wb.Menu()), std::make_tuple(false, false, false, false, false));
    const std::string lib = Library(30);
    ASSERT_TRUE(wb.OpenLibrary(lib));
    ASSERT_TRUE(wb.LoadQuery(lib));
    // An open library alone exports nothing: there is no result library yet.
    EXPECT_EQ(Flags(wb.Menu()), std::make_tuple(false, false, false, false, true));
    DescriptorSetFile(dir.Path().string()).Append("three", {ListPosition(test::DescriptorIndex("Bonds: single")),
                                                            ListPosition(test::DescriptorIndex("Atoms of O")),
                                                            ListPosition(test::DescriptorIndex("Hetero atoms"))});
    ASSERT_TRUE(wb.ChooseDescriptorSet("three"));
    EXPECT_EQ(wb.Selection().ChosenCount(), 3);
    EXPECT_TRUE(wb.State().DescriptorsChosen && wb.CalculateEnabled());
    ASSERT_EQ(wb.RunSearch(), SearchOutcome::Completed);
    EXPECT_EQ(Flags(wb.Menu()), std::make_tuple(true, true, true, true, true));
    ASSERT_TRUE(wb.LoadQuery(lib));
    EXPECT_EQ(Flags(wb.Menu()), std::make_tuple(false, false, false, false, true));
    wb.ResetAll();
    EXPECT_EQ(Flags(wb.Menu()), std::make_tuple(false, false, false, false, false));
}

TEST_F(WorkbenchMenuTest, AnUnknownSetNameIsRefusedWithItsName)
{
    ASSERT_TRUE(wb.OpenLibrary(Library(10)));
    EXPECT_FALSE(wb.ChooseDescriptorSet("demo"));
    ASSERT_EQ(dialog.shown.size(), 1u);
    EXPECT_EQ(dialog.shown[0].kind, MessageKind::Error);
    EXPECT_TRUE(test::Contains(dialog.shown[0].text, "No descriptor set is named \"demo\""));
    EXPECT_FALSE(wb.State().DescriptorsChosen);
}

} // namespace
} // namespace velmora
