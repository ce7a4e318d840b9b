#pragma once
// Which page of the workbench window is shown, where " Back  " leads, and which of the page
// buttons "Graphic" and "Detailed" are offered. The window forwards its clicks here and shows the
// answer; BackPage is the search state's own field, so the workbench keeps the navigation.
namespace velmora {

enum class Page { Main = 0, Report = 1, Overview = 2, Detail = 3 };

class PageNavigation {
public:
    // backPage is SearchState::BackPage (the workbench resets it too).
    explicit PageNavigation(int& backPage) : m_backPage(backPage) {}

    Page Current() const { return m_current; }
    bool GraphicVisible() const { return m_graphic; }
    bool DetailedVisible() const { return m_detailed; }

    // "View similarity table".
    void ViewTable();
    // "Graphic" and "Molecules overview".
    void Overview();
    // "Detailed".
    void Detailed();
    // "View molecule detailed" (from the menu).
    void ViewDetailed();
    // The "Internal Structure" icon of the flow page.
    void InternalStructure();
    // A match chosen on the report or the overview page: the detail page, and " Back  " returns to
    // the page it was chosen on.
    void OpenMatch();
    // " Back  ". Without results a result page is never the target: the flow page is shown.
    void Back(bool resultsAvailable);
    // The results shown on pages 1..3 are gone (new query, library, reset): the flow page.
    void ResultsGone();

private:
    void Show(Page page) { m_current = page; }

    int& m_backPage;
    Page m_current = Page::Main;
    bool m_graphic = false;
    bool m_detailed = false;
};

} // namespace velmora
