#include "matgrid.h"

#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QTableWidget>
#include <QVBoxLayout>

#include <algorithm>

namespace velmora::gui {

TFrmMatGrid::TFrmMatGrid(QWidget* parent) : QDialog(parent)
{
    m_grid = new QTableWidget(this);
    m_grid->setObjectName("SG1");
    m_grid->horizontalHeader()->setDefaultSectionSize(40);
    m_grid->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    m_grid->verticalHeader()->setDefaultSectionSize(20);
    m_grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_grid->setSelectionMode(QAbstractItemView::ContiguousSelection);
    m_notes = new QLabel(this);
    m_notes->setObjectName("matrixNotes");
    m_notes->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_ok = new QPushButton("OK", this);
    m_ok->setDefault(true);
    connect(m_ok, &QPushButton::clicked, this, &QDialog::accept);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(m_ok);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_grid, 1);
    layout->addWidget(m_notes);
    layout->addLayout(buttons);
}

void TFrmMatGrid::SetMatrix(const QString& caption, const editor::DistanceMatrixTable& table)
{
    setWindowTitle(caption);
    m_grid->clear();
    const int n = table.size;
    m_grid->setRowCount(n + 1);
    m_grid->setColumnCount(n);
    QStringList atoms;
    for (const std::string& label : table.labels)
        atoms << QString::fromStdString(label);
    m_grid->setHorizontalHeaderLabels(atoms);
    m_grid->setVerticalHeaderLabels(QStringList(atoms) << "Sum");
    const QString sumTip = "Sum of this atom's distances to the atoms connected with it";
    if (auto* sumHeading = m_grid->verticalHeaderItem(n))
        sumHeading->setToolTip(sumTip);
    const QBrush heading = palette().brush(QPalette::Button);
    auto add = [&](int row, int column, const std::string& text) {
        auto* item = new QTableWidgetItem(QString::fromStdString(text));
        item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
        m_grid->setItem(row, column, item);
        return item;
    };
    for (int row = 0; row < n; ++row)
        for (int column = 0; column < n; ++column)
            add(row, column, table.Cell(column, row));
    for (int column = 0; column < n; ++column) {
        QTableWidgetItem* sum = add(n, column, table.sums[static_cast<std::size_t>(column)]);
        sum->setBackground(heading);
        QFont bold = sum->font();
        bold.setBold(true);
        sum->setFont(bold);
        sum->setToolTip(sumTip);
    }
    QStringList notes;
    for (const std::string& line : table.notes)
        notes << QString::fromStdString(line);
    m_notes->setText(notes.join('\n'));
    // Columns as wide as their headings ("12 Cl") and cells; never narrower than 40.
    m_grid->resizeColumnsToContents();
    int columns = 0;
    for (int column = 0; column < n; ++column) {
        m_grid->setColumnWidth(column, std::max(40, m_grid->columnWidth(column)));
        columns += m_grid->columnWidth(column);
    }
    // As large as the matrix, within most of the screen; scroll bars beyond that.
    const QRect screen = QGuiApplication::primaryScreen() ? QGuiApplication::primaryScreen()->availableGeometry()
                                                          : QRect(0, 0, 1280, 800);
    const int rowHeight = m_grid->verticalHeader()->defaultSectionSize();
    const int width = m_grid->verticalHeader()->sizeHint().width() + columns + 2 * m_grid->frameWidth() + 24;
    const int height = m_grid->horizontalHeader()->sizeHint().height() + rowHeight * (n + 1) +
                       2 * m_grid->frameWidth() + m_notes->sizeHint().height() + 60;
    const int least = std::max(240, m_notes->sizeHint().width() + 24);
    resize(std::clamp(width, least, std::max(least, screen.width() * 9 / 10)),
           std::clamp(height, 160, screen.height() * 9 / 10));
}

} // namespace velmora::gui
