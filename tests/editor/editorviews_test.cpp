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

TEST(EditorListing, ABondStillBeingDrawnIsListedAtBothAtoms)
{
    TCTab t; // a chain being drawn: each new atom lists the atom it was drawn from, nothing more
    AddCarbon(t, 0, 0);
    AddCarbon(t, 26, 0, {{1, 1}});
    AddCarbon(t, 52, 0, {{2, 1}});
    const std::vector<std::string> expected{"# of atoms: 3", " 1 [C ]    2-", " 2 [C ]    1-  3-",
                                            " 3 [C ]    2-"};
    EXPECT_EQ(ConnectionTableLines(t), expected);
    EXPECT_EQ(t.NumNeighbours(1), 0); // the drawing itself is left as it is
}

TEST(EditorMatrix, AtomHeadingsDashesForFragmentsAndSumsOfConnectedDistances)
{
    const std::string dash = kNotConnected;
    TCTab two;
    AddCarbon(two, 0, 0);
    AddCarbon(two, 26, 0);
    two.SetAtNum(2, 17);
    const DistanceMatrixTable apart = DistanceMatrixCells(two, 0.25);
    ASSERT_EQ(apart.size, 2);
    EXPECT_EQ(apart.labels, (std::vector<std::string>{"1 C", "2 Cl"}));
    EXPECT_EQ(apart.cells, (std::vector<std::string>{"0", dash, dash, "0"}));
    EXPECT_EQ(apart.sums, (std::vector<std::string>{"0", "0"})); // no -1 adds to a sum
    EXPECT_EQ(apart.total, "0");
    EXPECT_EQ(apart.meanDistance, "");
    EXPECT_EQ(apart.seconds, "0.2500");

    TCTab chain; // 1-2-3 and 4 alone; bonds listed at one end only count as well
    AddCarbon(chain, 0, 0);
    AddCarbon(chain, 26, 0, {{1, 1}});
    AddCarbon(chain, 52, 0, {{2, 1}});
    AddCarbon(chain, 200, 0);
    chain.SetAtNum(3, 8);
    const auto d = TopologicalDistances(chain);
    const std::vector<std::vector<int>> expected{{0, 1, 2, -1}, {1, 0, 1, -1}, {2, 1, 0, -1}, {-1, -1, -1, 0}};
    EXPECT_EQ(d, expected);
    const DistanceMatrixTable cells = DistanceMatrixCells(chain, 0.0);
    EXPECT_EQ(cells.labels[2], "3 O");
    EXPECT_EQ(cells.Cell(0, 2), "2"); // from atom 1 to atom 3
    EXPECT_EQ(cells.Cell(2, 0), "2");
    EXPECT_EQ(cells.Cell(3, 1), dash);
    EXPECT_EQ(cells.Cell(3, 3), "0");
    EXPECT_EQ(cells.sums, (std::vector<std::string>{"3", "2", "3", "0"}));
    EXPECT_EQ(cells.total, "8");
    EXPECT_EQ(cells.meanDistance, "1.3333"); // 8 over the six ordered connected pairs
    ASSERT_EQ(cells.notes.size(), 3u);
    EXPECT_EQ(cells.notes[2], "All sums: 8    Mean distance of connected atoms: 1.3333    Computed in 0.0000 s");
    EXPECT_NE(cells.notes[0].find(dash), std::string::npos);
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
