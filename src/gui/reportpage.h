#pragma once
// The report page of a search: what went in (library, descriptors, best count, coefficient) and a
// read-only table of the best matches, as the workbench reports them. A double click (or Enter) on
// a match asks for it in detail.
#include <QWidget>

#include <array>
#include <string>
#include <utility>

class QGroupBox;
class QLabel;
class QTableWidget;

namespace velmora {
class Workbench;
}

namespace velmora::gui {

class FittedLabel;

class ReportPage : public QWidget {
    Q_OBJECT
public:
    explicit ReportPage(QWidget* parent = nullptr);

    // Fills the page from the last search (reads the result library for names and CAS numbers).
    void Fill(Workbench& workbench);
    // Empty rows and labels: there are no results.
    void Clear();

    FittedLabel* LibraryName() const { return m_library; }
    // Descriptor line 1..4 (index 0..3); lines that do not exist are hidden.
    QLabel* DescriptorLine(int index) const { return m_descriptorLines[static_cast<std::size_t>(index)]; }
    QLabel* BestCount() const { return m_bestCount; }
    QLabel* Coefficient() const { return m_coefficient; }
    // The filters of the search and what they removed; hidden without filters.
    QLabel* Filters() const { return m_filters; }
    // The query set and its fusion rule; hidden after a search with one query.
    QLabel* QuerySet() const { return m_querySet; }
    // The table column with this heading (leading blanks ignored), or -1: "Query" and "Library"
    // are there only after searches of a query set and of a library set.
    int Column(const QString& heading) const;
    QTableWidget* Table() const { return m_table; }

signals:
    // A row of a best match was activated: its rank is to be shown in detail.
    void RankChosen(int rank);

private:
    void SetRows(int rows);
    // The headings: position, library (set searches), value, query (query sets), CAS number, name.
    void SetColumns(const QString& valueHeading, bool library, bool query);

    FittedLabel* m_library;
    int m_ranks = 0; // rows that hold a match
    std::array<QLabel*, 4> m_descriptorLines{};
    QLabel* m_bestCount;
    QLabel* m_coefficient;
    QLabel* m_filters;
    QLabel* m_querySet;
    std::pair<bool, bool> m_columnsShown{true, true}; // Library and Query columns of the widths set
    QTableWidget* m_table;
};

} // namespace velmora::gui
