#include "flowpage.h"

#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QVBoxLayout>

#include <cmath>

// The icons live in a resource file of this static library; it must be registered explicitly.
static void InitIconResources()
{
    Q_INIT_RESOURCE(velmora);
}

namespace velmora::gui {

FlowBox::FlowBox(const QString& caption, const QIcon& icon, QWidget* parent) : QAbstractButton(parent), m_icon(icon)
{
    setText(caption);
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::StrongFocus);
    QSizePolicy policy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    policy.setRetainSizeWhenHidden(true); // the flow keeps its shape when a step is hidden
    setSizePolicy(policy);
}

void FlowBox::SetFill(const QColor& fill)
{
    if (m_fill != fill) {
        m_fill = fill;
        update();
    }
}

void FlowBox::SetPictureShown(bool shown)
{
    if (m_pictureShown != shown) {
        m_pictureShown = shown;
        update();
    }
}

QSize FlowBox::sizeHint() const
{
    const QFontMetrics metrics(font());
    int width = 0;
    const QStringList lines = text().split('\n');
    for (const QString& line : lines)
        width = std::max(width, metrics.horizontalAdvance(line));
    const int iconHeight = m_icon.isNull() ? 0 : 32 + 4;
    return {std::max(width + 20, 96), iconHeight + metrics.height() * static_cast<int>(lines.size()) + 14};
}

void FlowBox::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF box = QRectF(rect()).adjusted(1.5, 1.5, -1.5, -1.5);
    const bool enabled = isEnabled();
    painter.setPen(QPen(enabled ? QColor(40, 40, 40) : QColor(160, 160, 160), hasFocus() || underMouse() ? 2.0 : 1.2));
    painter.setBrush(m_fill);
    painter.drawRoundedRect(box, 6, 6);
    QRect area = rect().adjusted(4, 6, -4, -4);
    if (!m_icon.isNull()) {
        const QRect iconRect(area.center().x() - 16, area.top(), 32, 32);
        if (m_pictureShown) {
            m_icon.paint(&painter, iconRect, Qt::AlignCenter, enabled ? QIcon::Normal : QIcon::Disabled);
            area.setTop(iconRect.bottom() + 4);
        }
    }
    painter.setPen(enabled ? QColor(0, 0, 0) : QColor(150, 150, 150));
    painter.drawText(area, Qt::AlignHCenter | (m_icon.isNull() || m_pictureShown ? Qt::AlignTop : Qt::AlignVCenter), text());
}

StructureView::StructureView(QWidget* parent) : QWidget(parent)
{
    setFixedSize(sizeHint());
}

void StructureView::SetPicture(const QImage& picture)
{
    m_picture = picture;
    update();
}

void StructureView::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), Qt::white);
    if (!m_picture.isNull())
        painter.drawImage(QPoint(0, 0), m_picture);
    painter.setPen(QColor(40, 40, 40));
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
}

namespace {

// Where the line from the centre of a towards b leaves a's rectangle.
QPointF Exit(const QRectF& a, const QPointF& towards)
{
    const QPointF c = a.center();
    const QPointF d = towards - c;
    if (d.isNull())
        return c;
    const double sx = d.x() != 0 ? (a.width() / 2) / std::abs(d.x()) : 1e9;
    const double sy = d.y() != 0 ? (a.height() / 2) / std::abs(d.y()) : 1e9;
    return c + d * std::min(sx, sy);
}

} // namespace

QIcon Icon(const char* name)
{
    static const bool registered = (InitIconResources(), true);
    (void)registered;
    return QIcon(QString(":/icons/%1.svg").arg(name));
}

FlowPage::FlowPage(QWidget* parent) : QWidget(parent)
{
    setObjectName("MainPage");
    setAutoFillBackground(true);
    QPalette background = palette();
    background.setColor(QPalette::Window, QColor(232, 238, 244));
    setPalette(background);

    auto box = [this](const QString& caption, const char* icon, const QString& tip) {
        auto* b = new FlowBox(caption, icon ? Icon(icon) : QIcon(), this);
        b->setToolTip(tip);
        return b;
    };
    clbLibrary = box("CLB Library", "library", "Open a structure library (.clb)");
    molLibrary = box("Mol Library", "molecule", "Import a molfile or SD file into a new library");
    internalLibrary = box("Internal Library", "library", "View the structures of the open library");
    loadMolecule = box("Load Molecule", "molecule", "Load the query structure from a molfile, SD file or library");
    createMolecule = box("Create Molecule", "molecule", "Draw the query structure");
    saveMolecule = box("Save Molecule", "molecule", "Save the query structure as a molfile");
    descriptors = box("Structural\ndescriptors", "descriptors", "Choose the descriptors to compare by");
    coefficient = box("Similarity\ncoefficient", "coefficient", "Choose how similarity is measured");
    bestCount = box("Number of\nbest matching", "bestmatches", "How many of the most similar structures are kept");
    libraryCalculator = box("Library\nindex calculator", nullptr, "Descriptors of every library structure");
    queryCalculator = box("Query\nindex calculator", nullptr, "Descriptors of the query structure");
    comparison = box("Compare", "coefficient", "The query is compared with every library structure");
    bestMatching = box("Best\nmatching", "bestmatches", "The structures are ranked by similarity");
    filters = box("Filters", "descriptors", "Only structures that pass the filters are kept (Parameters > Filters...)");
    filters->setObjectName("filters");
    filters->hide();
    similarityTable = box("CLB Similarity\nLibrary", "library", "View the table of the best matches");
    similarityExport = box("Mol Similarity\nLibrary", "molecule", "Export the best matches to an SD file");
    internalStructure = box("Internal\nStructure", "molecule", "View the best matches one by one");
    for (FlowBox* b : {libraryCalculator, queryCalculator, comparison, bestMatching})
        b->setFocusPolicy(Qt::NoFocus);
    comparison->SetPictureShown(false);

    query = new StructureView(this);
    query->setObjectName("MyStructure");
    query->setToolTip("My Structure: the query");
    queryName = new QLabel(" ", this);
    queryName->setObjectName("queryName");
    queryName->setFixedWidth(200);
    queryName->setAlignment(Qt::AlignHCenter);
    auto* queryBox = new QWidget(this);
    auto* queryLayout = new QVBoxLayout(queryBox);
    queryLayout->setContentsMargins(0, 0, 0, 0);
    queryLayout->setSpacing(2);
    queryTitle = new QLabel("My Structure", queryBox);
    queryTitle->setObjectName("queryTitle");
    queryTitle->setAlignment(Qt::AlignHCenter);
    queryLayout->addWidget(queryTitle);
    queryLayout->addWidget(query, 0, Qt::AlignHCenter);
    queryLayout->addWidget(queryName, 0, Qt::AlignHCenter);

    calculatePanel = new QFrame(this);
    calculatePanel->setObjectName("calculatePanel");
    calculatePanel->setFrameShape(QFrame::StyledPanel);
    calculatePanel->setAutoFillBackground(true);
    QSizePolicy kept = calculatePanel->sizePolicy();
    kept.setRetainSizeWhenHidden(true);
    calculatePanel->setSizePolicy(kept);
    auto* panelLayout = new QVBoxLayout(calculatePanel);
    calculate = new QPushButton("Calculate", calculatePanel);
    calculate->setToolTip("Start the search");
    calculate->setMinimumSize(140, 34);
    QFont bold = calculate->font();
    bold.setBold(true);
    calculate->setFont(bold);
    panelLayout->addWidget(calculate);

    // The flow keeps its size in the middle of the page.
    auto* outer = new QHBoxLayout(this);
    auto* flow = new QWidget(this);
    outer->addStretch(1);
    outer->addWidget(flow, 0, Qt::AlignTop);
    outer->addStretch(1);
    auto* grid = new QGridLayout(flow);
    grid->setContentsMargins(24, 24, 24, 24);
    grid->setHorizontalSpacing(44);
    grid->setVerticalSpacing(26);
    grid->addWidget(clbLibrary, 0, 0);
    grid->addWidget(molLibrary, 1, 0);
    grid->addWidget(loadMolecule, 3, 0);
    grid->addWidget(createMolecule, 4, 0);
    grid->addWidget(internalLibrary, 0, 1, 2, 1, Qt::AlignCenter);
    grid->addWidget(queryBox, 2, 1, 3, 1, Qt::AlignCenter);
    grid->addWidget(saveMolecule, 5, 1, Qt::AlignHCenter);
    grid->addWidget(libraryCalculator, 0, 2, 2, 1, Qt::AlignVCenter);
    grid->addWidget(descriptors, 2, 2);
    grid->addWidget(queryCalculator, 3, 2, 2, 1, Qt::AlignVCenter);
    grid->addWidget(coefficient, 0, 3);
    grid->addWidget(comparison, 1, 3, 3, 1, Qt::AlignVCenter);
    grid->addWidget(bestCount, 0, 4);
    grid->addWidget(bestMatching, 1, 4, 3, 1, Qt::AlignVCenter);
    // Column 5 holds the filters box, and takes no room while it is hidden.
    grid->addWidget(filters, 1, 5, 3, 1, Qt::AlignVCenter);
    grid->addWidget(similarityTable, 0, 6, 2, 1, Qt::AlignVCenter);
    grid->addWidget(similarityExport, 2, 6);
    grid->addWidget(internalStructure, 3, 6, 2, 1, Qt::AlignVCenter);
    grid->addWidget(calculatePanel, 5, 2, 1, 3, Qt::AlignCenter);

    JoinArrows();
}

void FlowPage::JoinArrows()
{
    m_arrows = {{clbLibrary, internalLibrary},     {molLibrary, internalLibrary},  {internalLibrary, libraryCalculator},
                {loadMolecule, query},              {createMolecule, query},        {query, queryCalculator},
                {query, saveMolecule},              {descriptors, libraryCalculator}, {descriptors, queryCalculator},
                {libraryCalculator, comparison},    {queryCalculator, comparison},  {coefficient, comparison},
                {comparison, bestMatching},         {bestCount, bestMatching}};
    QWidget* ranked = bestMatching;
    if (!filters->isHidden()) {
        m_arrows.emplace_back(bestMatching, filters);
        ranked = filters;
    }
    for (QWidget* result : {static_cast<QWidget*>(similarityTable), static_cast<QWidget*>(similarityExport),
                            static_cast<QWidget*>(internalStructure)})
        m_arrows.emplace_back(ranked, result);
}

void FlowPage::SetQuerySetShown(int queries, const QString& fusion)
{
    queryTitle->setText(queries > 0 ? "My Structures" : "My Structure");
    query->setToolTip(queries > 0 ? "My Structures: the first query of the set" : "My Structure: the query");
    coefficient->setText(queries > 0 ? "Similarity\ncoefficient\nfused by " + fusion : "Similarity\ncoefficient");
    coefficient->setToolTip(queries > 0 ? "Choose how similarity is measured; the values against the " +
                                              QString::number(queries) + " queries are fused by " + fusion +
                                              " (Parameters > Fusion of query set)"
                                        : "Choose how similarity is measured");
}

void FlowPage::SetFiltersShown(bool shown)
{
    if (shown == !filters->isHidden())
        return;
    filters->setVisible(shown);
    JoinArrows();
    update();
}

void FlowPage::paintEvent(QPaintEvent* event)
{
    QWidget::paintEvent(event);
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QColor ink(70, 80, 95), ghost(150, 160, 172);
    // A step not reached yet is drawn as its outline, so the flow reads the same in every state.
    for (FlowBox* box : findChildren<FlowBox*>()) {
        if (!box->isHidden() || box == filters) // no filters: no step
            continue;
        const QRectF r = QRectF(box->mapTo(this, QPoint(0, 0)), box->size()).adjusted(1.5, 1.5, -1.5, -1.5);
        painter.setPen(QPen(ghost, 1.2, Qt::DashLine));
        painter.setBrush(Qt::NoBrush);
        painter.drawRoundedRect(r, 6, 6);
        painter.drawText(r, Qt::AlignCenter, box->text());
    }
    for (const auto& [from, to] : m_arrows) {
        const bool reached = !from->isHidden() && !to->isHidden();
        painter.setPen(QPen(reached ? ink : ghost, 1.6, reached ? Qt::SolidLine : Qt::DashLine));
        painter.setBrush(reached ? ink : ghost);
        const QRectF a(from->mapTo(this, QPoint(0, 0)), from->size());
        const QRectF b(to->mapTo(this, QPoint(0, 0)), to->size());
        const QPointF start = Exit(a, b.center());
        const QPointF end = Exit(b, a.center());
        const QLineF line(start, end);
        if (line.length() < 8)
            continue;
        painter.drawLine(line);
        painter.setPen(QPen(reached ? ink : ghost, 1.6));
        const double angle = std::atan2(start.y() - end.y(), start.x() - end.x());
        const double spread = 0.45, length = 9;
        QPainterPath head;
        head.moveTo(end);
        head.lineTo(end + QPointF(std::cos(angle + spread), std::sin(angle + spread)) * length);
        head.lineTo(end + QPointF(std::cos(angle - spread), std::sin(angle - spread)) * length);
        head.closeSubpath();
        painter.drawPath(head);
    }
}

} // namespace velmora::gui
