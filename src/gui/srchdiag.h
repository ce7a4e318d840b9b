#pragma once
// The distribution diagram of a search: how the similarity values of all library structures are
// spread over 20 classes, the search's calculation time and "OK". The chart is the core's; the
// window renders it on a QPainter canvas.
#include "graphics/chart.h"
#include "report/searchdiagram.h"

#include <QDialog>

class QLabel;
class QPushButton;

namespace velmora {
class Workbench;
}

namespace velmora::gui {

// The chart, rendered at its design size.
class DiagramView : public QWidget {
    Q_OBJECT
public:
    explicit DiagramView(QWidget* parent = nullptr);
    void SetChart(const Chart& chart);
    const Chart& GetChart() const { return m_chart; }
    QImage Picture() const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    Chart m_chart;
};

class TFormSearchDiagram : public QDialog {
    Q_OBJECT
public:
    explicit TFormSearchDiagram(QWidget* parent = nullptr);

    // The diagram data of the workbench's last search.
    static SearchDiagramData DataOf(const Workbench& workbench);
    // Fills the chart anew and shows the window modally.
    void Run(const SearchDiagramData& data);
    // Fills the chart and the time label without showing the window.
    void Show(const SearchDiagramData& data);

    DiagramView* View() const { return m_view; }
    QLabel* TimeLabel() const { return m_time; }
    QPushButton* OkButton() const { return m_ok; }

protected:
    void mouseMoveEvent(QMouseEvent* event) override;

private:
    DiagramView* m_view;
    QLabel* m_time;
    QPushButton* m_ok;
};

} // namespace velmora::gui
