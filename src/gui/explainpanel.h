#pragma once
// "Why similar": the explanation of one best match as a bar chart, a row per descriptor (closest
// first), the bar its share of the value in the colour of its pull, and a tool tip per row with the
// numbers. Below the chart the formula that puts the value together and, when there is one, the
// remark. When the explanation cannot be computed the panel shows the reason in one line instead.
#include "search/explain.h"

#include <QGroupBox>

class QLabel;
class QScrollArea;

namespace velmora::gui {

class FittedLabel;

// The chart itself; its height grows with the number of rows (the panel scrolls it).
class ExplainChart : public QWidget {
    Q_OBJECT
public:
    explicit ExplainChart(QWidget* parent = nullptr);

    void SetExplanation(const MatchExplanation& explanation);
    void Clear();

    int RowCount() const { return static_cast<int>(m_explanation.contributions.size()); }
    const MatchExplanation& Explanation() const { return m_explanation; }
    QRect RowRect(int row) const;
    int RowAt(const QPoint& point) const; // -1 outside the rows
    QString RowToolTip(int row) const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    int RowHeight() const;
    int Top() const; // below the heading
    MatchExplanation m_explanation;
};

class ExplainPanel : public QGroupBox {
    Q_OBJECT
public:
    explicit ExplainPanel(QWidget* parent = nullptr);

    void ShowExplanation(const MatchExplanation& explanation);
    // Instead of the chart: why there is no explanation.
    void ShowProblem(const QString& text);
    void Clear();

    ExplainChart* Chart() const { return m_chart; }
    QLabel* Formula() const { return m_formula; }
    FittedLabel* Problem() const { return m_problem; }

private:
    ExplainChart* m_chart;
    QScrollArea* m_scroll;
    QLabel* m_formula;
    QLabel* m_remark;
    QLabel* m_legend;
    FittedLabel* m_problem;
};

} // namespace velmora::gui
