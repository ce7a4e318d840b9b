#include "detailpage.h"

#include "explainpanel.h"
#include "fittedlabel.h"
#include "qtuserdialog.h"
#include "reportpage.h"
#include "base/ioerror.h"
#include "search/coefficients.h"
#include "search/explain.h"
#include "search/workbench.h"
#include "structurepanel.h"
#include "fonts.h"

#include <QFile>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QScrollBar>
#include <QVBoxLayout>

#include <algorithm>
#include <stdexcept>

namespace velmora::gui {

namespace {

QLabel* Label(const QString& text, QWidget* parent)
{
    auto* label = new QLabel(text, parent);
    label->setFont(FixedFont());
    return label;
}

// The ranks go by like the rows of a list: Down, Right and PgDn (ten at a time) to the next ranks,
// Up, Left and PgUp back, Home to rank 1 and End to the last.
class RankScrollBar final : public QScrollBar {
public:
    explicit RankScrollBar(QWidget* parent) : QScrollBar(Qt::Horizontal, parent) { setFocusPolicy(Qt::StrongFocus); }

protected:
    void keyPressEvent(QKeyEvent* event) override
    {
        constexpr int kPage = 10;
        int rank = value();
        switch (event->key()) {
        case Qt::Key_Down:
        case Qt::Key_Right: ++rank; break;
        case Qt::Key_Up:
        case Qt::Key_Left: --rank; break;
        case Qt::Key_PageDown: rank += kPage; break;
        case Qt::Key_PageUp: rank -= kPage; break;
        case Qt::Key_Home: rank = minimum(); break;
        case Qt::Key_End: rank = maximum(); break;
        default: QScrollBar::keyPressEvent(event); return;
        }
        setValue(std::clamp(rank, minimum(), maximum()));
        event->accept();
    }
};

} // namespace

DetailPage::DetailPage(Workbench& workbench, QWidget* parent) : QWidget(parent), m_workbench(workbench)
{
    setObjectName(QStringLiteral("GraphicPage"));
    auto* fields = new QGridLayout;
    m_name = new FittedLabel(this);
    m_name->setFont(FixedFont());
    m_cas = Label(QString(), this);
    m_valueCaption = Label(QString::fromStdString(CoefficientLabel(0)), this);
    m_valueCaption->setObjectName(QStringLiteral("valueCaption"));
    m_value = Label(QString(), this);
    m_position = Label(QString(), this);
    m_rank = Label(QString(), this);
    m_rank->setObjectName(QStringLiteral("rank"));
    auto* valueRow = new QHBoxLayout;
    valueRow->addWidget(m_value);
    valueRow->addSpacing(24);
    valueRow->addWidget(m_rank);
    valueRow->addStretch(1);
    m_name->setMinimumWidth(200);
    fields->addWidget(Label(QStringLiteral("  Name     :"), this), 0, 0);
    fields->addWidget(m_name, 0, 1);
    fields->addWidget(Label(QStringLiteral("  CAS-Nr  :"), this), 1, 0);
    fields->addWidget(m_cas, 1, 1);
    fields->addWidget(m_valueCaption, 2, 0);
    fields->addLayout(valueRow, 2, 1);
    fields->addWidget(Label(QStringLiteral("  Libraryposition  :"), this), 3, 0);
    fields->addWidget(m_position, 3, 1);
    m_resultQueryCaption = Label(QStringLiteral("  Query    :"), this);
    m_resultQuery = Label(QString(), this);
    m_resultQuery->setObjectName(QStringLiteral("resultQuery"));
    m_resultLibraryCaption = Label(QStringLiteral("  Library  :"), this);
    m_resultLibrary = Label(QString(), this);
    m_resultLibrary->setObjectName(QStringLiteral("resultLibrary"));
    fields->addWidget(m_resultQueryCaption, 4, 0);
    fields->addWidget(m_resultQuery, 4, 1);
    fields->addWidget(m_resultLibraryCaption, 5, 0);
    fields->addWidget(m_resultLibrary, 5, 1);
    fields->setColumnStretch(1, 1);

    m_scroll = new RankScrollBar(this);
    m_scroll->setObjectName(QStringLiteral("rankScrollBar"));
    m_scroll->setRange(1, 1);
    m_scroll->setPageStep(1);
    m_scroll->setToolTip(QStringLiteral("Rank of the match shown: arrow keys, PgUp/PgDn, Home/End"));
    connect(m_scroll, &QScrollBar::valueChanged, this, &DetailPage::ShowEntry);
    // Wherever the page is clicked, the keys go to the ranks.
    setFocusPolicy(Qt::ClickFocus);
    setFocusProxy(m_scroll);

    auto* similar = new QGroupBox(QStringLiteral(" Similar Structures "), this);
    m_picture = new StructurePanel(similar, {320, 240});
    m_library = new FittedLabel(similar);
    m_library->setFont(FixedFont());
    m_library->SetMiddleElided(true);
    auto* libraryRow = new QHBoxLayout;
    libraryRow->addWidget(Label(QStringLiteral("  Library:"), similar));
    libraryRow->addWidget(m_library, 1);
    auto* similarLayout = new QVBoxLayout(similar);
    similarLayout->addWidget(m_picture, 1);
    similarLayout->addLayout(libraryRow);

    auto* mine = new QGroupBox(QStringLiteral(" My Structure "), this);
    m_queryPicture = new StructurePanel(mine, {320, 240});
    m_queryName = new FittedLabel(mine);
    m_queryName->setFont(FixedFont());
    auto* nameRow = new QHBoxLayout;
    nameRow->addWidget(Label(QStringLiteral("  Name:"), mine));
    nameRow->addWidget(m_queryName, 1);
    auto* mineLayout = new QVBoxLayout(mine);
    mineLayout->addWidget(m_queryPicture, 1);
    mineLayout->addLayout(nameRow);

    m_explain = new ExplainPanel(this);

    auto* pictures = new QHBoxLayout;
    // The chart needs room for descriptor names beside its bars; the drawings scale.
    pictures->addWidget(similar, 3);
    pictures->addWidget(mine, 3);
    pictures->addWidget(m_explain, 4);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(fields);
    layout->addWidget(m_scroll);
    layout->addLayout(pictures, 1);
    Clear();
}

void DetailPage::Fill()
{
    m_filled = true;
    m_valueCaption->setText(QString::fromStdString(CoefficientLabel(m_workbench.ResultCoefficient())));
    const QSignalBlocker blocker(m_scroll);
    m_scroll->setRange(1, std::max(1, m_workbench.Results().filled));
    m_scroll->setValue(1);
    ShowEntry(1);
}

void DetailPage::Clear()
{
    m_filled = false;
    {
        const QSignalBlocker blocker(m_scroll);
        m_scroll->setRange(1, 1);
        m_scroll->setValue(1);
    }
    for (QLabel* label : {m_cas, m_value, m_position, m_rank, m_resultQuery, m_resultLibrary})
        label->clear();
    for (QLabel* label : {m_resultQuery, m_resultQueryCaption, m_resultLibrary, m_resultLibraryCaption})
        label->hide();
    m_name->SetFullText(QString());
    m_picture->Clear();
    m_explain->Clear();
}

void DetailPage::ShowEntry(int rank)
{
    if (!m_filled || !m_workbench.HasResults())
        return;
    m_workbench.SetShownRank(rank);
    const ResultStructure result = m_workbench.ReadResultStructure(rank);
    m_value->setText(QString::fromStdString(result.row.value));
    m_rank->setText(result.row.rank > 0
                        ? QStringLiteral("Rank %1 of %2").arg(result.row.rank).arg(m_workbench.Results().filled)
                        : QString());
    m_position->setText(result.row.libraryPosition > 0 ? QString::number(result.row.libraryPosition) : QString());
    m_resultQuery->setText(DisplayText(result.row.query).trimmed());
    m_resultLibrary->setText(DisplayText(result.row.library).trimmed());
    m_resultQueryCaption->setVisible(!result.row.query.empty());
    m_resultQuery->setVisible(!result.row.query.empty());
    m_resultLibraryCaption->setVisible(!result.row.library.empty());
    m_resultLibrary->setVisible(!result.row.library.empty());
    ShowQueryStructure();
    if (result.read == kLibOk) {
        m_picture->SetStructure(m_workbench.Library().Structure());
        m_cas->setText(QString::fromStdString(result.row.casNumber));
        m_name->SetFullText(DisplayText(result.row.name));
        // Reads the match again from the library (the same structure as the result record).
        try {
            m_explain->ShowExplanation(ExplainMatch(m_workbench, rank));
        } catch (const IoError& error) {
            m_explain->ShowProblem(QString::fromStdString(error.what()));
        } catch (const std::out_of_range& error) {
            m_explain->ShowProblem(QString::fromStdString(error.what()));
        }
    } else {
        // Nothing of the structure shown before may stay under this rank.
        m_picture->Clear();
        m_cas->clear();
        m_name->SetFullText(QString());
        m_explain->Clear();
    }
}

void DetailPage::ShowRank(int rank)
{
    if (!m_filled || rank < m_scroll->minimum() || rank > m_scroll->maximum())
        return;
    if (m_scroll->value() == rank)
        ShowEntry(rank); // the buffer may hold another structure since
    else
        m_scroll->setValue(rank);
}

void DetailPage::ShowQuery(const SearchState& state)
{
    m_library->SetFullText(QFile::decodeName(QByteArray::fromStdString(m_workbench.LibraryPath())));
    if (state.QueryLoaded) {
        ShowQueryStructure();
    } else {
        m_queryPicture->Clear();
        m_queryName->SetFullText(QString());
    }
}

void DetailPage::ShowQueryStructure()
{
    // Without results (or a query set) ResultQuery is the state's query.
    const TCTab& query = m_workbench.ResultQuery(m_filled ? m_scroll->value() : 0);
    m_queryPicture->SetStructure(query);
    m_queryName->SetFullText(DisplayText(query.FStrucName));
}

} // namespace velmora::gui
