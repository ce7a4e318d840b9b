#pragma once
// The report page of a search: what went in (library, descriptors, best count, coefficient) and a
// read-only table of the best matches, as the workbench reports them.
#include <QWidget>

#include <array>
#include <string>

class QGroupBox;
class QLabel;
class QTableWidget;

namespace velmora {
class Workbench;
}

namespace velmora::gui {

// A CAS number as the pages show it: a structure without one (0-00-0) shows nothing.
QString CasNumberDisplay(const std::string& casText);

class ReportPage : public QWidget {
    Q_OBJECT
public:
    explicit ReportPage(QWidget* parent = nullptr);

    // Fills the page from the last search (reads the result library for names and CAS numbers).
    void Fill(Workbench& workbench);
    // Empty rows and labels: there are no results.
    void Clear();

    QLabel* LibraryName() const { return m_library; }
    // Descriptor line 1..4 (index 0..3); lines that do not exist are hidden.
    QLabel* DescriptorLine(int index) const { return m_descriptorLines[static_cast<std::size_t>(index)]; }
    QLabel* BestCount() const { return m_bestCount; }
    QLabel* Coefficient() const { return m_coefficient; }
    QTableWidget* Table() const { return m_table; }

private:
    void SetRows(int rows);

    QLabel* m_library;
    std::array<QLabel*, 4> m_descriptorLines{};
    QLabel* m_bestCount;
    QLabel* m_coefficient;
    QTableWidget* m_table;
};

} // namespace velmora::gui
