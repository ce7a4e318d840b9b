#include "srchdiag.h"

#include "qtcanvas.h"
#include "search/libparams.h"
#include "search/workbench.h"

#include <QApplication>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>

namespace velmora::gui {

DiagramView::DiagramView(QWidget* parent) : QWidget(parent), m_chart(MakeDiagramChart())
{
    setFixedSize(kDiagramChartWidth, kDiagramChartHeight);
}

void DiagramView::SetChart(const Chart& chart)
{
    m_chart = chart;
    update();
}

QImage DiagramView::Picture() const
{
    QImage image(kDiagramChartWidth, kDiagramChartHeight, QImage::Format_RGB32);
    QtCanvas canvas(image);
    canvas.SetBrushColor(kWhite);
    canvas.Clear();
    m_chart.Render(canvas, 0, 0, image.width(), image.height());
    return image;
}

void DiagramView::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.drawImage(0, 0, Picture());
}

TFormSearchDiagram::TFormSearchDiagram(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("Distribution of similar structures"));
    setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);
    setMouseTracking(true);

    auto* frame = new QFrame(this);
    frame->setFrameShape(QFrame::Panel);
    frame->setFrameShadow(QFrame::Sunken);
    m_view = new DiagramView(frame);
    auto* frameLayout = new QVBoxLayout(frame);
    frameLayout->setContentsMargins(6, 6, 6, 6);
    frameLayout->addWidget(m_view);

    auto* panel = new QFrame(this);
    panel->setFrameShape(QFrame::Panel);
    panel->setFrameShadow(QFrame::Sunken);
    m_time = new QLabel(panel);
    m_time->setObjectName(QStringLiteral("calculationTime"));
    auto* panelLayout = new QHBoxLayout(panel);
    panelLayout->addWidget(new QLabel(QStringLiteral("  Calculationtime:"), panel));
    panelLayout->addWidget(m_time, 1);

    m_ok = new QPushButton(QStringLiteral("OK"), this);
    m_ok->setDefault(true);
    connect(m_ok, &QPushButton::clicked, this, &QDialog::accept);
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(panel, 1);
    bottom->addWidget(m_ok);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(frame);
    layout->addLayout(bottom);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

SearchDiagramData TFormSearchDiagram::DataOf(const Workbench& workbench)
{
    const SearchResults& results = workbench.Results();
    SearchDiagramData data;
    data.CoefficientIndex = results.coefficient;
    data.MaxValue = results.MaxValue;
    for (int i = 0; i < kDiagramBins; ++i)
        data.Histogram[static_cast<std::size_t>(i)] =
            static_cast<std::int32_t>(results.histogram[static_cast<std::size_t>(i)]);
    data.TimeText = ElapsedText(workbench.State().StartTime, workbench.State().EndTime);
    return data;
}

void TFormSearchDiagram::Show(const SearchDiagramData& data)
{
    Chart chart = MakeDiagramChart();
    FillSearchDiagram(chart, data);
    m_view->SetChart(chart);
    m_time->setText(QString::fromStdString(data.TimeText));
}

void TFormSearchDiagram::Run(const SearchDiagramData& data)
{
    Show(data);
    exec();
}

void TFormSearchDiagram::mouseMoveEvent(QMouseEvent* event)
{
    // A busy cursor left over from the search goes when the mouse moves over the diagram.
    while (QApplication::overrideCursor())
        QApplication::restoreOverrideCursor();
    QDialog::mouseMoveEvent(event);
}

} // namespace velmora::gui
