#include "persys.h"

#include "model/elements.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace velmora::gui {

namespace {
constexpr int kCellWidth = 26;
constexpr int kCellHeight = 20;

QTableWidget* MakeGrid(int columns, int rows, QWidget* parent)
{
    auto* grid = new QTableWidget(rows, columns, parent);
    grid->horizontalHeader()->hide();
    grid->verticalHeader()->hide();
    grid->horizontalHeader()->setMinimumSectionSize(kCellWidth);
    grid->horizontalHeader()->setDefaultSectionSize(kCellWidth);
    grid->verticalHeader()->setMinimumSectionSize(kCellHeight);
    grid->verticalHeader()->setDefaultSectionSize(kCellHeight);
    grid->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    grid->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grid->setSelectionMode(QAbstractItemView::NoSelection);
    grid->setFocusPolicy(Qt::NoFocus);
    grid->setTextElideMode(Qt::ElideNone);
    grid->setShowGrid(true);
    QFont font = grid->font();
    font.setPixelSize(11);
    grid->setFont(font);
    grid->setFixedSize(columns * kCellWidth + 2 * grid->frameWidth(), rows * kCellHeight + 2 * grid->frameWidth());
    return grid;
}

void PutSymbol(QTableWidget* grid, int row, int column, int element)
{
    auto* item = new QTableWidgetItem(QString::fromStdString(ElementSymbol(element)));
    item->setTextAlignment(Qt::AlignCenter);
    grid->setItem(row, column, item);
}
} // namespace

TPersysForm::TPersysForm(QWidget* parent) : QDialog(parent)
{
    setWindowTitle("Periodical System of Elements");
    m_persys = MakeGrid(18, 7, this);
    m_persys->setObjectName("SGdPersys");
    m_lanth = MakeGrid(14, 2, this);
    m_lanth->setObjectName("SGdLanth");
    for (int z = 1; z <= kMaxElement; ++z) {
        int column = 0, row = 0;
        PeriodicPosition(z, column, row);
        if (row <= 6)
            PutSymbol(m_persys, row, column, z);
        else if (row <= 8 && column >= 4 && column - 4 < 14)
            PutSymbol(m_lanth, row - 7, column - 4, z);
    }
    connect(m_persys, &QTableWidget::cellClicked, this, &TPersysForm::MainCellClicked);
    connect(m_lanth, &QTableWidget::cellClicked, this, &TPersysForm::RareEarthCellClicked);

    m_cancel = new QPushButton("Cancel", this);
    m_cancel->setObjectName("BurCancel");
    connect(m_cancel, &QPushButton::clicked, this, &QDialog::reject);

    auto* lower = new QHBoxLayout;
    lower->addSpacing(4 * kCellWidth);
    lower->addWidget(m_lanth);
    lower->addStretch(1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(m_cancel);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_persys);
    layout->addLayout(lower);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

void TPersysForm::MainCellClicked(int row, int column)
{
    const QTableWidgetItem* item = m_persys->item(row, column);
    if (!item || item->text().isEmpty())
        return; // a gap in the table: the picker stays open
    m_selected = ElementNumber(item->text().toStdString());
    accept();
}

void TPersysForm::RareEarthCellClicked(int row, int column)
{
    m_selected = 58 + column + 32 * row;
    accept();
}

} // namespace velmora::gui
