#pragma once
// The detail page of a search: one best match at a time, chosen with the scroll bar (ranks
// 1..best count) or the keyboard, with its rank, name, CAS number, value and library position,
// beside the query, and why its value came out as it did.
#include <QWidget>

#include <string>

class QLabel;
class QScrollBar;

namespace velmora {
class Workbench;
struct SearchState;
}

namespace velmora::gui {

class ExplainPanel;
class FittedLabel;
class StructurePanel;

class DetailPage : public QWidget {
    Q_OBJECT
public:
    DetailPage(Workbench& workbench, QWidget* parent = nullptr);

    // After a search: the scroll bar runs over the ranks and entry 1 is shown.
    void Fill();
    // No results: empty labels and picture, the scroll bar at 1.
    void Clear();
    // Shows rank p and its explanation; a structure that cannot be read leaves picture, name, CAS
    // number and explanation empty. An explanation that cannot be computed shows why instead.
    void ShowEntry(int rank);
    // Moves the scroll bar to rank p (1..filled ranks) and shows it.
    void ShowRank(int rank);
    // The query picture, its name and the library name.
    void ShowQuery(const SearchState& state);

    QScrollBar* ScrollBar() const { return m_scroll; }
    FittedLabel* Name() const { return m_name; }
    QLabel* CasNumber() const { return m_cas; }
    QLabel* ValueCaption() const { return m_valueCaption; }
    QLabel* Value() const { return m_value; }
    QLabel* Position() const { return m_position; }
    // "Rank k of N".
    QLabel* Rank() const { return m_rank; }
    FittedLabel* Library() const { return m_library; }
    FittedLabel* QueryName() const { return m_queryName; }
    // After a query set's search: the query the value was computed against (the picture beside
    // the match is that query); after a library set's: the library holding the match. Both are
    // hidden with their captions after a plain search.
    QLabel* ResultQueryLine() const { return m_resultQuery; }
    QLabel* ResultLibraryLine() const { return m_resultLibrary; }
    StructurePanel* Picture() const { return m_picture; }
    ExplainPanel* Explanation() const { return m_explain; }

private:
    // The query beside the match: the one of the shown rank's value after a query set's search.
    void ShowQueryStructure();

    Workbench& m_workbench;
    bool m_filled = false;
    QScrollBar* m_scroll;
    FittedLabel* m_name;
    QLabel* m_cas;
    QLabel* m_valueCaption;
    QLabel* m_value;
    QLabel* m_position;
    QLabel* m_rank;
    QLabel* m_resultQuery;
    QLabel* m_resultQueryCaption;
    QLabel* m_resultLibrary;
    QLabel* m_resultLibraryCaption;
    FittedLabel* m_library;
    FittedLabel* m_queryName;
    StructurePanel* m_picture;
    StructurePanel* m_queryPicture;
    ExplainPanel* m_explain;
};

} // namespace velmora::gui
