#include "editor/editorviews.h"

#include "editor_support.h"

#include <gtest/gtest.h>

namespace velmora::editor {
namespace {

using test::AddCarbon;

TEST(EditorListing, LinesOfTheConnectionTable)
{
    TCTab t;
    AddCarbon(t, 0, 0);
    AddCarbon(t, 26, 0, {{1, 1}});
    AddCarbon(t, 52, 0, {{2, 2}});
    t.Symmetrize();
    t.SetAtNum(3, 8);
    t.SetCharge(1, -1);
    t.SetCharge(2, 3); // no text for other charges
    const std::vector<std::string> expected{"# of atoms: 3", " 1 [C 1-]    2-", " 2 [C ]    1-  3=",
                                            " 3 [O ]    2="};
    EXPECT_EQ(ConnectionTableLines(t), expected);
    t.SetTypConnSlot(2, 1, 3);
    t.SetTypConnSlot(2, 2, 4);
    EXPECT_EQ(ConnectionTableLines(t)[2], " 2 [C ]    1#  3*");
    EXPECT_EQ(ConnectionTableLines(TCTab()), std::vector<std::string>{"# of atoms: 0"});
}

TEST(EditorMatrix, DistancesSumsAndFragments)
{
    TCTab two;
    AddCarbon(two, 0, 0);
    AddCarbon(two, 26, 0);
    const DistanceMatrixTable apart = DistanceMatrixCells(two, 0.25);
    ASSERT_EQ(apart.size, 3);
    EXPECT_EQ(apart.Cell(1, 2), "-1");
    EXPECT_EQ(apart.Cell(2, 1), "-1");
    EXPECT_EQ(apart.Cell(1, 1), "0");
    EXPECT_EQ(apart.Cell(1, 0), "-1");
    EXPECT_EQ(apart.Cell(0, 0), "-2");
    EXPECT_EQ(apart.Cell(0, 2), "0.2500");

    TCTab chain; // 1-2-3 and 4 alone; bonds listed at one end only count as well
    AddCarbon(chain, 0, 0);
    AddCarbon(chain, 26, 0, {{1, 1}});
    AddCarbon(chain, 52, 0, {{2, 1}});
    AddCarbon(chain, 200, 0);
    const auto d = TopologicalDistances(chain);
    const std::vector<std::vector<int>> expected{{0, 1, 2, -1}, {1, 0, 1, -1}, {2, 1, 0, -1}, {-1, -1, -1, 0}};
    EXPECT_EQ(d, expected);
    const DistanceMatrixTable cells = DistanceMatrixCells(chain, 0.0);
    EXPECT_EQ(cells.Cell(1, 0), "2");
    EXPECT_EQ(cells.Cell(4, 0), "-3");
    EXPECT_EQ(cells.Cell(0, 0), "2");
    EXPECT_EQ(cells.Cell(0, 1), "1.3333"); // mean over the connected pairs
    EXPECT_EQ(cells.Cell(0, 3), "");
    EXPECT_EQ(cells.Cell(0, 4), "");
}

TEST(EditorCursors, ThirteenElementsHaveCursors)
{
    const int elements[] = {1, 9, 7, 6, 8, 5, 16, 17, 35, 14, 15, 34, 53};
    for (int k = 0; k < 13; ++k)
        EXPECT_EQ(ElementCursorNumber(elements[k]), k + 1);
    for (const int z : {0, 2, 11, 26, 103, 104})
        EXPECT_EQ(ElementCursorNumber(z), 0) << z;
}

} // namespace
} // namespace velmora::editor
