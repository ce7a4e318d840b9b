#include "matgrid.h"

#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
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
    m_grid->horizontalHeader()->hide();
    m_grid->verticalHeader()->hide();
    m_grid->horizontalHeader()->setDefaultSectionSize(40);
    m_grid->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    m_grid->verticalHeader()->setDefaultSectionSize(20);
    m_grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_grid->setSelectionMode(QAbstractItemView::ContiguousSelection);
    m_ok = new QPushButton("OK", this);
    m_ok->setDefault(true);
    connect(m_ok, &QPushButton::clicked, this, &QDialog::accept);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(m_ok);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_grid, 1);
    layout->addLayout(buttons);
}

void TFrmMatGrid::SetMatrix(const QString& caption, const editor::DistanceMatrixTable& table)
{
    setWindowTitle(caption);
    m_grid->clear();
    m_grid->setRowCount(table.size);
    m_grid->setColumnCount(table.size);
    const QBrush heading = palette().brush(QPalette::Button);
    for (int row = 0; row < table.size; ++row)
        for (int column = 0; column < table.size; ++column) {
            auto* item = new QTableWidgetItem(QString::fromStdString(table.Cell(column, row)));
            item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
            if (row == 0 || column == 0)
                item->setBackground(heading);
            m_grid->setItem(row, column, item);
        }
    m_grid->setColumnWidth(0, 64); // the sums and the seconds need more than the 40 of a distance
    // As large as the matrix, within most of the screen; scroll bars beyond that.
    const QRect screen = QGuiApplication::primaryScreen() ? QGuiApplication::primaryScreen()->availableGeometry()
                                                          : QRect(0, 0, 1280, 800);
    const int width = 64 + 40 * std::max(table.size - 1, 1) + 2 * m_grid->frameWidth() + 24;
    const int height = 20 * std::max(table.size, 1) + 2 * m_grid->frameWidth() + 60;
    resize(std::clamp(width, 240, screen.width() * 9 / 10), std::clamp(height, 160, screen.height() * 9 / 10));
}

} // namespace velmora::gui
