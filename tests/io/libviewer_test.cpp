// The library viewer's position model and its connection-table listing.
#include "io/libviewer.h"

#include "base/textfile.h"
#include "io/molfile.h"
#include "scripted.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

namespace velmora {
namespace {

TEST(LibraryViewer, TypedPositions)
{
    struct Case {
        const char* text;
        long value;
    };
    const std::vector<Case> cases = {
        {"5", 5},           {"   12  ", 12}, {"+7", 7},  {"-3", -3}, {"abc", 0}, {"", 0},
        {"12a", 0},         {"1 2", 0},      {"0x10", 0}, {"1.5", 0},
        {"99999999999999999999999", 0}, // beyond the range of long: not a number
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(ParsePosition(c.text), c.value);
    }
    EXPECT_EQ(ParsePosition(std::to_string(LONG_MAX)), LONG_MAX);
}

TEST(LibraryViewer, MovesInAFiveStructureLibrary)
{
    ViewerNavigation nav;
    nav.Open(5);
    nav.Shown();
    EXPECT_EQ(nav.Position(), 1);
    EXPECT_EQ(nav.PositionText(), "         1");
    EXPECT_FALSE(nav.StepForward()); // 5 > 11 is false
    EXPECT_FALSE(nav.StepBack());
    EXPECT_FALSE(nav.GoTo("6"));
    EXPECT_EQ(nav.LastPositionText(), "         1");
    EXPECT_FALSE(nav.GoTo("0"));
    EXPECT_FALSE(nav.GoTo("x"));
    EXPECT_EQ(nav.Position(), 1);
    EXPECT_TRUE(nav.GoTo(" 5 "));
    EXPECT_EQ(nav.Position(), 5);
    EXPECT_TRUE(nav.ScrollTo(9));
    EXPECT_EQ(nav.Position(), 5); // kept within the library
    EXPECT_TRUE(nav.ScrollTo(2));
    EXPECT_EQ(nav.Position(), 2);

    nav.Open(0);
    EXPECT_EQ(nav.Position(), 0);
    EXPECT_FALSE(nav.GoTo("1") || nav.ScrollTo(1) || nav.StepForward());
}

TEST(LibraryViewer, LargeLibrariesStartAtOneAndReachEveryPosition)
{
    ViewerNavigation nav;
    nav.Open(70000);
    EXPECT_EQ(nav.Position(), 1);
    EXPECT_TRUE(nav.GoTo("64001"));
    EXPECT_TRUE(nav.StepForward());
    EXPECT_EQ(nav.Position(), 64011);
    EXPECT_TRUE(nav.ScrollTo(69995));
    EXPECT_TRUE(nav.CanStepBack());
    EXPECT_FALSE(nav.CanStepForward()); // 70000 > 70005 is false
    EXPECT_TRUE(nav.StepBack());
    EXPECT_EQ(nav.Position(), 69985);
    EXPECT_TRUE(nav.GoTo("70000"));
    EXPECT_FALSE(nav.GoTo("70001"));
    EXPECT_EQ(nav.Position(), 70000);
}

TEST(LibraryViewer, ConnectionTableRows)
{
    TCTab table;
    for (int i = 0; i < 3; ++i)
        table.AddAtom(TAtomRecord{});
    table.SetConnection(2, 1, 2);
    table.SetConnection(2, 3, 1);
    table.SetConnection(1, 2, 2);
    table.SetConnection(3, 2, 1);
    table.SetConnection(3, 1, 7); // no bond type of the table: shown as "?"
    auto rows = ConnTabRows(table);
    ASSERT_EQ(rows.size(), 17u);
    EXPECT_EQ(rows[0], (std::pair<std::string, std::string>{"AtomNumber", "connected to"}));
    EXPECT_EQ(rows[2], (std::pair<std::string, std::string>{"2", "1=  3-  "}));
    EXPECT_EQ(rows[3].second, "2-  1?  ");
    EXPECT_EQ(rows[4], (std::pair<std::string, std::string>{"", ""}));

    TCTab twenty;
    for (int i = 0; i < 20; ++i)
        twenty.AddAtom(TAtomRecord{});
    for (int i = 1; i < 20; ++i) {
        twenty.SetConnection(i, i + 1, i % 2 ? 3 : 4);
        twenty.SetConnection(i + 1, i, i % 2 ? 3 : 4);
    }
    rows = ConnTabRows(twenty);
    ASSERT_EQ(rows.size(), 21u);
    EXPECT_EQ(rows[20], (std::pair<std::string, std::string>{"20", "193  "}));
    EXPECT_EQ(rows[2].second, "13  3*  ");
}

// "Write to file": new file, Abort, Append and Replace on an existing one, and cancel.
TEST(LibraryViewer, WriteToFile)
{
    test::TempDir dir;
    const std::string file = dir.File("out.mol");
    TCTab structure;
    TAtomRecord carbon;
    carbon.AtNum = 6;
    structure.AddAtom(carbon);
    structure.FStrucName = "Methane of the library";
    auto records = [&] {
        TextReader reader(file);
        TCTab read;
        MolReadStatus status;
        std::vector<std::string> names;
        while (ReadMolRecord(read, reader, status))
            names.push_back(read.FStrucName);
        return names;
    };

    test::ScriptedDialog dialog;
    dialog.files = {file, file, file, file, std::nullopt};
    dialog.answers = {MessageAnswer::Abort, MessageAnswer::Append, MessageAnswer::Replace};
    EXPECT_TRUE(WriteStructureFile(dialog, structure));
    EXPECT_TRUE(dialog.shown.empty()); // a new file is not asked about
    EXPECT_EQ(dialog.titles.at(0), "Save structure");
    EXPECT_EQ(dialog.filters.at(0), "Molfile (*.mol)|*.mol");
    EXPECT_EQ(records().size(), 1u);

    EXPECT_FALSE(WriteStructureFile(dialog, structure)); // Abort
    ASSERT_EQ(dialog.shown.size(), 1u);
    test::ExpectMessage(dialog.shown[0], MessageKind::Confirmation, "File: " + file + " already exists",
                        MessageButtons::ReplaceAppendAbort);
    EXPECT_EQ(dialog.shown[0].caption, "Information");
    EXPECT_EQ(records().size(), 1u);
    EXPECT_TRUE(WriteStructureFile(dialog, structure)); // Append
    EXPECT_EQ(records(), (std::vector<std::string>{"Methane of the library", "Methane of the library"}));
    EXPECT_TRUE(WriteStructureFile(dialog, structure)); // Replace
    EXPECT_EQ(records().size(), 1u);
    EXPECT_FALSE(WriteStructureFile(dialog, structure)); // cancelled
    EXPECT_EQ(dialog.shown.size(), 3u);
}

} // namespace
} // namespace velmora
