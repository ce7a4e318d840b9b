#pragma once
// The overview page of a search: the query ("My") and the best matches of ranks 1..11, each in a
// numbered, framed panel; panels above the best count stay empty. A click on a match opens it.
#include <QWidget>

#include <array>

namespace velmora {
class Workbench;
struct ReportRow;
}

namespace velmora::gui {

class StructurePanel;

// Where a best match came from, as one line: "Query NAME" after a query set's search, "Library
// FILE" after a library set's, both joined by a dot; empty after a plain search.
QString ResultOrigin(const ReportRow& row);

class OverviewPage : public QWidget {
    Q_OBJECT
public:
    static constexpr int kRanks = 11;

    explicit OverviewPage(QWidget* parent = nullptr);

    // Draws the query and ranks 1..11 of the last search, read from the result library.
    void Fill(Workbench& workbench);
    void Clear();

    StructurePanel* QueryPanel() const { return m_panels[0]; }
    StructurePanel* RankPanel(int rank) const { return m_panels[static_cast<std::size_t>(rank)]; }

signals:
    // A panel of a best match was clicked: its rank is to be shown in detail.
    void RankChosen(int rank);

private:
    std::array<StructurePanel*, kRanks + 1> m_panels{};
};

} // namespace velmora::gui
