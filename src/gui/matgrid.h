#pragma once
// The matrix window: a grid of text cells set by the caller, closed by its OK button.
#include "editor/editorviews.h"

#include <QDialog>

class QPushButton;
class QTableWidget;

namespace velmora::gui {

class TFrmMatGrid : public QDialog {
    Q_OBJECT
public:
    explicit TFrmMatGrid(QWidget* parent = nullptr);

    // Fills the grid (column 0 and row 0 shaded as headings) and sets the caption; then exec().
    void SetMatrix(const QString& caption, const editor::DistanceMatrixTable& table);
    QTableWidget* Grid() const { return m_grid; }
    QPushButton* OkButton() const { return m_ok; }

private:
    QTableWidget* m_grid = nullptr;
    QPushButton* m_ok = nullptr;
};

} // namespace velmora::gui
