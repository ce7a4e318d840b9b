#include "explainpanel.h"

#include "descriptors/catalogue.h"
#include "fittedlabel.h"
#include "report/explainchart.h"

#include <QHelpEvent>
#include <QLabel>
#include <QPainter>
#include <QScrollArea>
#include <QToolTip>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

namespace velmora::gui {

namespace {

constexpr int kMargin = 4;
constexpr int kGap = 8;
constexpr int kMinimumBar = 80;

QString Q(const std::string& text) { return QString::fromStdString(text); }

// The horizontal layout of a row for a given width: name column, bar area and share column.
struct Columns {
    int nameWidth, barLeft, barRight, shareRight;
};

Columns ColumnsFor(const QFontMetrics& metrics, const MatchExplanation& e, int width)
{
    int names = metrics.horizontalAdvance(QStringLiteral("Descriptor"));
    for (const auto& c : e.contributions)
        names = std::max(names, metrics.horizontalAdvance(Q(CatalogueName(c.index))));
    const int share = metrics.horizontalAdvance(QStringLiteral("\u2212100.0 %"));
    const int shareRight = width - kMargin;
    const int barRight = shareRight - share - kGap;
    // The name gives way to the bar when the panel is narrow (the tool tip names it in full).
    const int nameWidth = std::max(0, std::min(names, barRight - kMinimumBar - kGap - kMargin));
    return {nameWidth, kMargin + nameWidth + kGap, barRight, shareRight};
}

} // namespace

ExplainChart::ExplainChart(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("explainChart"));
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void ExplainChart::SetExplanation(const MatchExplanation& explanation)
{
    m_explanation = explanation;
    updateGeometry();
    update();
}

void ExplainChart::Clear() { SetExplanation(MatchExplanation{}); }

int ExplainChart::RowHeight() const { return fontMetrics().height() + 6; }

int ExplainChart::Top() const { return RowHeight() + 2; }

QRect ExplainChart::RowRect(int row) const { return {0, Top() + row * RowHeight(), width(), RowHeight()}; }

int ExplainChart::RowAt(const QPoint& point) const
{
    if (point.y() < Top())
        return -1;
    const int row = (point.y() - Top()) / RowHeight();
    return row < RowCount() ? row : -1;
}

QString ExplainChart::RowToolTip(int row) const
{
    if (row < 0 || row >= RowCount())
        return {};
    return Q(ExplanationRowTip(m_explanation, m_explanation.contributions[static_cast<std::size_t>(row)]));
}

QSize ExplainChart::sizeHint() const
{
    const Columns columns = ColumnsFor(fontMetrics(), m_explanation, 10000);
    const int width = kMargin + columns.nameWidth + 2 * kGap + 160 + (columns.shareRight - columns.barRight);
    return {width, minimumSizeHint().height()};
}

QSize ExplainChart::minimumSizeHint() const { return {240, Top() + RowCount() * RowHeight() + kMargin}; }

bool ExplainChart::event(QEvent* event)
{
    if (event->type() != QEvent::ToolTip)
        return QWidget::event(event);
    auto* help = static_cast<QHelpEvent*>(event);
    if (const int row = RowAt(help->pos()); row >= 0) {
        QToolTip::showText(help->globalPos(), RowToolTip(row), this, RowRect(row));
    } else {
        QToolTip::hideText();
        event->ignore();
    }
    return true;
}

void ExplainChart::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), Qt::white);
    const MatchExplanation& e = m_explanation;
    if (e.contributions.empty())
        return;
    const QFontMetrics metrics = fontMetrics();
    const Columns columns = ColumnsFor(metrics, e, width());
    const int rowHeight = RowHeight();

    QFont bold = font();
    bold.setBold(true);
    painter.setFont(bold);
    painter.setPen(Qt::black);
    const QRect heading(0, 0, width(), rowHeight);
    const QFontMetrics boldMetrics(bold);
    painter.drawText(heading.adjusted(kMargin, 0, 0, 0), Qt::AlignLeft | Qt::AlignVCenter,
                     boldMetrics.elidedText(QStringLiteral("Descriptor"), Qt::ElideRight, columns.nameWidth));
    // One heading over bars and shares: what a share is a share of.
    const int shareWidth = columns.shareRight - columns.barLeft;
    painter.drawText(QRect(columns.barLeft, 0, shareWidth, rowHeight), Qt::AlignRight | Qt::AlignVCenter,
                     boldMetrics.elidedText(Q(ShareMeaning(e.coefficient)), Qt::ElideRight, shareWidth));
    painter.setFont(font());
    const int barWidth = columns.barRight - columns.barLeft;

    const auto [low, high] = ShareSpan(e);
    const double scale = barWidth / (high - low);
    const double axis = columns.barLeft - low * scale;
    QFont italic = font();
    italic.setItalic(true);
    for (int row = 0; row < RowCount(); ++row) {
        const DescriptorContribution& c = e.contributions[static_cast<std::size_t>(row)];
        const QRect line = RowRect(row);
        if (row % 2 == 1)
            painter.fillRect(line, QColor(0xf3, 0xf3, 0xf3));
        painter.setPen(Qt::black);
        painter.drawText(QRect(kMargin, line.top(), columns.nameWidth, rowHeight), Qt::AlignLeft | Qt::AlignVCenter,
                         metrics.elidedText(Q(CatalogueName(c.index)), Qt::ElideRight, columns.nameWidth));
        if (ShowsSameValue(e, c)) {
            painter.setFont(italic);
            painter.setPen(QColor(PullColour(DescriptorPull::Closer)));
            painter.drawText(QRect(static_cast<int>(axis) + 4, line.top(), columns.barRight - static_cast<int>(axis) - 4,
                                   rowHeight),
                             Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("same value"));
            painter.setFont(font());
        } else {
            const double end = axis + c.share * scale;
            const double left = std::min(axis, end);
            const double length = std::max(std::fabs(end - axis), c.term != 0 ? 1.0 : 0.0);
            painter.fillRect(QRectF(left, line.top() + 4, length, rowHeight - 8), QColor(PullColour(c.pull)));
        }
        painter.setPen(Qt::black);
        painter.drawText(QRect(columns.barRight, line.top(), columns.shareRight - columns.barRight, rowHeight),
                         Qt::AlignRight | Qt::AlignVCenter, Q(SharePercent(c.share)));
    }
    painter.setPen(QColor(0x33, 0x33, 0x33));
    const int axisX = static_cast<int>(std::lround(axis));
    painter.drawLine(axisX, Top() - 2, axisX, Top() + RowCount() * rowHeight + 1);
}

ExplainPanel::ExplainPanel(QWidget* parent) : QGroupBox(QStringLiteral(" Why similar "), parent)
{
    setObjectName(QStringLiteral("explainPanel"));
    m_problem = new FittedLabel(this);
    m_problem->setObjectName(QStringLiteral("explainProblem"));
    m_problem->setStyleSheet(QStringLiteral("color: #c62828"));
    m_chart = new ExplainChart;
    m_scroll = new QScrollArea(this);
    m_scroll->setWidget(m_chart);
    m_scroll->setWidgetResizable(true);
    m_scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_scroll->setMinimumHeight(80);
    m_legend = new QLabel(this);
    m_legend->setWordWrap(true);
    m_legend->setStyleSheet(QStringLiteral("color: #333333"));
    m_formula = new QLabel(this);
    m_formula->setObjectName(QStringLiteral("explainFormula"));
    m_formula->setWordWrap(true);
    m_formula->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_remark = new QLabel(this);
    m_remark->setObjectName(QStringLiteral("explainRemark"));
    m_remark->setWordWrap(true);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_problem);
    layout->addWidget(m_scroll, 1);
    layout->addWidget(m_legend);
    layout->addWidget(m_formula);
    layout->addWidget(m_remark);
    layout->addStretch(0); // takes the room of the chart while a problem is shown
    Clear();
}

void ExplainPanel::ShowExplanation(const MatchExplanation& explanation)
{
    m_problem->hide();
    m_chart->SetExplanation(explanation);
    m_scroll->show();
    m_legend->setText(QStringLiteral("Closest first; ") + Q(ExplanationLegend(explanation)));
    m_legend->show();
    m_formula->setText(Q(ValueFormula(explanation)));
    m_formula->show();
    const std::string remark = ExplanationRemark(explanation);
    m_remark->setText(Q(remark));
    m_remark->setVisible(!remark.empty());
}

void ExplainPanel::ShowProblem(const QString& text)
{
    Clear();
    m_scroll->hide();
    m_problem->SetFullText(text);
    m_problem->show();
}

void ExplainPanel::Clear()
{
    m_chart->Clear();
    m_scroll->show();
    m_problem->SetFullText(QString());
    m_problem->hide();
    for (QLabel* label : {m_legend, m_formula, m_remark}) {
        label->clear();
        label->hide();
    }
}

} // namespace velmora::gui
