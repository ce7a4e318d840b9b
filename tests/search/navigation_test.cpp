#include "search/navigation.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace velmora {
namespace {

// One click and what the window shows afterwards: page, BackPage, "Graphic", "Detailed".
struct Click {
    char what; // t table, g graphic, d detailed, v view detailed, i internal structure, m a match chosen,
               // b back, x back without results
    Page page;
    int backPage;
    bool graphic;
    bool detailed;
};

void Play(const std::vector<Click>& clicks)
{
    int backPage = 0;
    PageNavigation pages(backPage);
    for (std::size_t i = 0; i < clicks.size(); ++i) {
        const Click& c = clicks[i];
        switch (c.what) {
        case 't': pages.ViewTable(); break;
        case 'g': pages.Overview(); break;
        case 'd': pages.Detailed(); break;
        case 'v': pages.ViewDetailed(); break;
        case 'i': pages.InternalStructure(); break;
        case 'm': pages.OpenMatch(); break;
        case 'b': pages.Back(true); break;
        case 'x': pages.Back(false); break;
        }
        SCOPED_TRACE("click " + std::to_string(i) + " '" + c.what + "'");
        EXPECT_EQ(pages.Current(), c.page);
        EXPECT_EQ(backPage, c.backPage);
        EXPECT_EQ(pages.GraphicVisible(), c.graphic);
        EXPECT_EQ(pages.DetailedVisible(), c.detailed);
    }
}

TEST(PageNavigationTest, ForwardThroughThePagesAndBackAgain)
{
    Play({{'t', Page::Report, 0, true, false},
          {'g', Page::Overview, 1, false, true},
          {'d', Page::Detail, 2, false, false},
          {'b', Page::Overview, 3, false, true},   // back from the detail page to the overview
          {'b', Page::Report, 2, true, false},     // from the overview always to the report
          {'b', Page::Main, 1, false, false},      // from the report always to the flow page
          {'b', Page::Report, 0, true, false}});   // the flow page returns to the page it was left for
}

TEST(PageNavigationTest, DetailPageRemembersWhereItWasOpenedFrom)
{
    Play({{'v', Page::Detail, 0, false, false},   // from the flow page
          {'b', Page::Main, 3, false, false},
          {'t', Page::Report, 0, true, false},
          {'v', Page::Detail, 2, true, false},    // from a result page it returns to the overview
          {'b', Page::Overview, 3, true, true},
          {'i', Page::Detail, 0, true, false},    // the flow icon always returns to the flow page
          {'b', Page::Main, 3, false, false}});
}

// A row of the report or a panel of the overview opens its match; " Back  " returns there.
TEST(PageNavigationTest, MatchChosenOnAPageReturnsToThatPage)
{
    Play({{'t', Page::Report, 0, true, false},
          {'m', Page::Detail, 1, true, false},
          {'b', Page::Report, 3, true, false},
          {'g', Page::Overview, 1, false, true},
          {'m', Page::Detail, 2, false, false},
          {'b', Page::Overview, 3, false, true},
          {'b', Page::Report, 2, true, false}});
}

TEST(PageNavigationTest, WithoutResultsBackNeverLeadsToAResultPage)
{
    Play({{'t', Page::Report, 0, true, false},
          {'g', Page::Overview, 1, false, true},
          {'x', Page::Main, 2, false, false},
          {'x', Page::Main, 0, false, false}});
    int backPage = 2;
    PageNavigation pages(backPage);
    pages.Overview();
    pages.ResultsGone();
    EXPECT_EQ(pages.Current(), Page::Main);
    EXPECT_EQ(backPage, 0);
    EXPECT_FALSE(pages.GraphicVisible() || pages.DetailedVisible());
}

} // namespace
} // namespace velmora
