#pragma once
// The element picker: the periodic table as two grids (main groups and transition metals; the
// lanthanides and actinides below). A click on an element closes it with that element chosen.
#include <QDialog>

class QPushButton;
class QTableWidget;

namespace velmora::gui {

class TPersysForm : public QDialog {
    Q_OBJECT
public:
    explicit TPersysForm(QWidget* parent = nullptr);

    // The element of the last choice; 0 before the first.
    int SelectedElement() const { return m_selected; }

    QTableWidget* MainGrid() const { return m_persys; }

private:
    void MainCellClicked(int row, int column);
    void RareEarthCellClicked(int row, int column);

    QTableWidget* m_persys = nullptr;
    QTableWidget* m_lanth = nullptr;
    QPushButton* m_cancel = nullptr;
    int m_selected = 0;
};

} // namespace velmora::gui
