#include "search/navigation.h"

namespace velmora {

void PageNavigation::ViewTable()
{
    m_backPage = 0;
    m_graphic = true;
    Show(Page::Report);
}

void PageNavigation::Overview()
{
    m_detailed = true;
    m_graphic = false;
    m_backPage = 1;
    Show(Page::Overview);
}

void PageNavigation::Detailed()
{
    m_detailed = false;
    m_backPage = 2;
    Show(Page::Detail);
}

void PageNavigation::ViewDetailed()
{
    m_backPage = m_current == Page::Main ? 0 : 2;
    m_detailed = false; // the page it leads to is shown
    Show(Page::Detail);
}

void PageNavigation::InternalStructure()
{
    m_backPage = 0;
    m_detailed = false;
    Show(Page::Detail);
}

void PageNavigation::OpenMatch()
{
    if (m_current == Page::Report || m_current == Page::Overview)
        m_backPage = static_cast<int>(m_current);
    m_detailed = false;
    Show(Page::Detail);
}

void PageNavigation::Back(bool resultsAvailable)
{
    m_detailed = false;
    if (m_current == Page::Overview)
        m_backPage = 1;
    else if (m_current == Page::Report)
        m_backPage = 0;
    int target = m_backPage;
    if (!resultsAvailable || target < 0 || target > 3)
        target = 0;
    // The page being left is where the next " Back  " returns.
    m_backPage = static_cast<int>(m_current);
    switch (static_cast<Page>(target)) {
    case Page::Main: m_graphic = false; break;
    case Page::Report: m_graphic = true; break;
    case Page::Overview: m_detailed = true; break;
    case Page::Detail: break;
    }
    Show(static_cast<Page>(target));
}

void PageNavigation::ResultsGone()
{
    m_backPage = 0;
    m_graphic = m_detailed = false;
    Show(Page::Main);
}

} // namespace velmora
