#pragma once
// TConTab: the connection table of the viewer's structure, atom by atom, shown modally.
#include <QDialog>

#include <string>
#include <utility>
#include <vector>

class QLabel;
class QTableWidget;

namespace velmora::gui {

class TConTab : public QDialog {
    Q_OBJECT
public:
    explicit TConTab(QWidget* parent = nullptr);
    // rows as ConnTabRows gives them (row 0 is the heading).
    void Fill(const std::string& libraryName, long position,
              const std::vector<std::pair<std::string, std::string>>& rows);
    QTableWidget& Grid() { return *m_grid; }
    QLabel& PositionLabel() { return *m_position; }

private:
    QLabel* m_library;
    QLabel* m_position;
    QTableWidget* m_grid;
};

} // namespace velmora::gui
