#include "reportpage.h"

#include "fittedlabel.h"
#include "qtuserdialog.h"
#include "search/coefficients.h"
#include "search/workbench.h"
#include "fonts.h"

#include <QFile>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QTableWidget>
#include <QVBoxLayout>

#include <algorithm>

namespace velmora::gui {

namespace {

// The table has a heading row and at least nine data rows (ten rows in all), else one per rank.
int DataRows(int bestCount) { return bestCount > 9 ? bestCount : 9; }

} // namespace

ReportPage::ReportPage(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("SearchReportPage"));
    auto* title = new QLabel(QStringLiteral("Search Report"), this);
    title->setObjectName(QStringLiteral("title"));
    QFont titleFont = title->font();
    titleFont.setPointSize(titleFont.pointSize() + 4);
    titleFont.setBold(true);
    title->setFont(titleFont);

    auto* input = new QGroupBox(QStringLiteral("  INPUT "), this);
    auto* grid = new QGridLayout(input);
    grid->setVerticalSpacing(4);
    auto caption = [input](const char* text) {
        auto* label = new QLabel(QString::fromLatin1(text), input);
        label->setFont(FixedFont());
        return label;
    };
    auto value = [input] {
        auto* label = new QLabel(input);
        label->setFont(FixedFont());
        label->setTextInteractionFlags(Qt::TextSelectableByMouse);
        return label;
    };
    m_library = new FittedLabel(input);
    m_library->setFont(FixedFont());
    m_library->SetMiddleElided(true);
    for (auto& line : m_descriptorLines)
        line = value();
    m_bestCount = value();
    m_coefficient = value();
    grid->addWidget(caption("Libraryname     :"), 0, 0);
    grid->addWidget(m_library, 0, 1);
    grid->addWidget(caption("Descriptors      :"), 1, 0, Qt::AlignTop);
    for (int i = 0; i < 4; ++i)
        grid->addWidget(m_descriptorLines[static_cast<std::size_t>(i)], 1 + i, 1);
    grid->addWidget(caption("Best structures:"), 5, 0);
    grid->addWidget(m_bestCount, 5, 1);
    grid->addWidget(caption("Similarity coeff :"), 6, 0);
    grid->addWidget(m_coefficient, 6, 1);
    m_querySet = value();
    m_querySet->setObjectName(QStringLiteral("querySet"));
    grid->addWidget(m_querySet, 7, 0, 1, 2);
    m_filters = value();
    m_filters->setObjectName(QStringLiteral("filters"));
    grid->addWidget(m_filters, 8, 0, 1, 2);
    grid->setColumnStretch(1, 1);
    input->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);

    auto* output = new QGroupBox(QStringLiteral("  OUTPUT "), this);
    m_table = new QTableWidget(0, 4, output);
    m_table->setFont(FixedFont());
    // The table shows the results; what it shows is printed, so it is not for editing.
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->verticalHeader()->hide();
    m_table->horizontalHeader()->setFont(FixedFont());
    m_table->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    m_table->horizontalHeader()->setStretchLastSection(true);
    m_table->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    m_table->setWordWrap(false);
    const QFontMetrics metrics(FixedFont());
    m_table->verticalHeader()->setDefaultSectionSize(metrics.height() + 6);
    m_table->setToolTip(QStringLiteral("Double-click a match (or press Enter) to show it in detail"));
    connect(m_table, &QAbstractItemView::activated, this, [this](const QModelIndex& index) {
        if (index.isValid() && index.row() < m_ranks)
            emit RankChosen(index.row() + 1);
    });
    auto* outputLayout = new QVBoxLayout(output);
    outputLayout->addWidget(m_table);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(title);
    layout->addWidget(input);
    layout->addWidget(output, 1);
    Clear();
}

void ReportPage::SetRows(int rows)
{
    m_table->clearContents();
    m_table->setRowCount(rows);
}

void ReportPage::SetColumns(const QString& valueHeading, bool library, bool query)
{
    QStringList headings{QStringLiteral(" Position")};
    QList<int> widths{11};
    if (library) {
        headings << QStringLiteral(" Library");
        widths << 16;
    }
    headings << valueHeading;
    widths << 17;
    if (query) {
        headings << QStringLiteral(" Query");
        widths << 20;
    }
    headings << QStringLiteral(" CAS-Nr") << QStringLiteral(" Structurename");
    widths << 14;
    const bool changed = m_table->columnCount() != static_cast<int>(headings.size()) ||
                         m_columnsShown != std::make_pair(library, query);
    m_table->setColumnCount(static_cast<int>(headings.size()));
    m_table->setHorizontalHeaderLabels(headings);
    // Widths a user has dragged stay while the columns stay the same.
    if (!changed)
        return;
    m_columnsShown = {library, query};
    const int character = QFontMetrics(FixedFont()).horizontalAdvance(QLatin1Char('0'));
    for (int column = 0; column < static_cast<int>(widths.size()); ++column)
        m_table->setColumnWidth(column, widths[column] * character);
}

int ReportPage::Column(const QString& heading) const
{
    for (int column = 0; column < m_table->columnCount(); ++column)
        if (const QTableWidgetItem* item = m_table->horizontalHeaderItem(column);
            item && item->text().trimmed() == heading.trimmed())
            return column;
    return -1;
}

void ReportPage::Clear()
{
    SetColumns(QString::fromStdString(CoefficientHeading(0)), false, false);
    SetRows(DataRows(0));
    m_ranks = 0;
    m_library->SetFullText(QString());
    for (QLabel* label : {m_bestCount, m_coefficient, m_filters, m_querySet})
        label->clear();
    m_filters->hide();
    m_querySet->hide();
    for (std::size_t i = 0; i < m_descriptorLines.size(); ++i) {
        m_descriptorLines[i]->clear();
        m_descriptorLines[i]->setVisible(i == 0);
    }
}

void ReportPage::Fill(Workbench& workbench)
{
    const int coefficient = workbench.ResultCoefficient();
    const auto rows = workbench.ReportRows();
    const bool library = std::any_of(rows.begin(), rows.end(), [](const ReportRow& row) { return !row.library.empty(); });
    const bool query = std::any_of(rows.begin(), rows.end(), [](const ReportRow& row) { return !row.query.empty(); });
    SetColumns(QString::fromStdString(CoefficientHeading(coefficient)), library, query);
    m_library->SetFullText(QFile::decodeName(QByteArray::fromStdString(workbench.LibraryPath())));
    const auto lines = workbench.DescriptorLines();
    for (std::size_t i = 0; i < m_descriptorLines.size(); ++i) {
        m_descriptorLines[i]->setText(i < lines.size() ? DisplayText(lines[i]) : QString());
        m_descriptorLines[i]->setVisible(i == 0 || i < lines.size());
    }
    const int bestCount = workbench.ResultBestCount();
    m_bestCount->setText(QString::number(bestCount));
    m_coefficient->setText(QString::fromStdString(CoefficientName(coefficient)));
    QStringList filterLines;
    for (const auto& [label, text] : workbench.LastFilterSummary().ReportLines())
        filterLines << QString::fromStdString(label).leftJustified(19) + DisplayText(text);
    m_filters->setText(filterLines.join(QLatin1Char('\n')));
    m_filters->setVisible(!filterLines.isEmpty());
    // The query set's lines of the report's input: its file, then the fusion rule.
    QStringList setLines;
    bool inSet = false;
    for (const auto& [label, text] : workbench.ReportInput()) {
        const bool file = label.rfind("Query set", 0) == 0;
        if (file || !label.empty())
            inSet = file;
        if (!inSet)
            continue;
        // The file by its name (its folder in the tool tip), the rule as the report words it.
        const QString shown = file ? QFileInfo(QFile::decodeName(QByteArray::fromStdString(text))).fileName() : DisplayText(text);
        if (file)
            m_querySet->setToolTip(QFile::decodeName(QByteArray::fromStdString(text)));
        setLines << QString::fromStdString(label).leftJustified(19) + shown;
    }
    m_querySet->setText(setLines.join(QLatin1Char('\n')));
    m_querySet->setVisible(!setLines.isEmpty());

    SetRows(DataRows(bestCount));
    m_ranks = static_cast<int>(rows.size());
    if (static_cast<int>(rows.size()) > m_table->rowCount())
        m_table->setRowCount(static_cast<int>(rows.size()));
    for (const ReportRow& row : rows) {
        const int r = row.rank - 1;
        auto cell = [this, r](int column, const QString& text, Qt::Alignment alignment) {
            auto* item = new QTableWidgetItem(text);
            item->setTextAlignment(alignment | Qt::AlignVCenter);
            m_table->setItem(r, column, item);
        };
        int column = 0;
        cell(column++, QString::number(row.libraryPosition), Qt::AlignRight);
        if (library)
            cell(column++, DisplayText(row.library), Qt::AlignLeft);
        cell(column++, QString::fromStdString(row.value), Qt::AlignRight);
        if (query)
            cell(column++, DisplayText(row.query), Qt::AlignLeft);
        cell(column++, QString::fromStdString(row.casNumber), Qt::AlignLeft);
        cell(column, DisplayText(row.name), Qt::AlignLeft);
    }
}

} // namespace velmora::gui
