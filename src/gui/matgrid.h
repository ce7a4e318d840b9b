#pragma once
// The matrix window: a grid of text cells headed by the atoms, a row of sums and notes below it,
// set by the caller and closed by its OK button.
#include "editor/editorviews.h"

#include <QDialog>

class QLabel;
class QPushButton;
class QTableWidget;

namespace velmora::gui {

class TFrmMatGrid : public QDialog {
    Q_OBJECT
public:
    explicit TFrmMatGrid(QWidget* parent = nullptr);

    // Fills the grid (atoms as row and column headings, the sums as a shaded last row), the notes
    // and the caption; then exec().
    void SetMatrix(const QString& caption, const editor::DistanceMatrixTable& table);
    QTableWidget* Grid() const { return m_grid; }
    QLabel* Notes() const { return m_notes; }
    QPushButton* OkButton() const { return m_ok; }

private:
    QTableWidget* m_grid = nullptr;
    QLabel* m_notes = nullptr;
    QPushButton* m_ok = nullptr;
};

} // namespace velmora::gui
