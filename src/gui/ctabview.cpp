#include "ctabview.h"

#include "qtuserdialog.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace velmora::gui {

namespace {

QLabel* Panel(const QString& caption, QWidget* parent, QVBoxLayout* layout)
{
    auto* row = new QHBoxLayout;
    auto* label = new QLabel(caption, parent);
    label->setFont(QFont("Courier New"));
    auto* value = new QLabel(parent);
    value->setFrameShape(QFrame::Panel);
    value->setFrameShadow(QFrame::Sunken);
    value->setTextInteractionFlags(Qt::TextSelectableByMouse);
    row->addWidget(label);
    row->addWidget(value, 1);
    layout->addLayout(row);
    return value;
}

} // namespace

TConTab::TConTab(QWidget* parent) : QDialog(parent)
{
    setObjectName("TConTab");
    setWindowTitle("Connection Table");
    auto* layout = new QVBoxLayout(this);
    m_library = Panel("  Library  :", this, layout);
    m_library->setObjectName("library");
    m_position = Panel("  Position:", this, layout);
    m_position->setObjectName("position");

    m_grid = new QTableWidget(17, 2, this);
    m_grid->setObjectName("grid");
    m_grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_grid->horizontalHeader()->hide();
    m_grid->verticalHeader()->hide();
    m_grid->setColumnWidth(0, 100);
    m_grid->setColumnWidth(1, 233);
    m_grid->horizontalHeader()->setStretchLastSection(true);
    m_grid->verticalHeader()->setDefaultSectionSize(18);
    m_grid->setFont(QFont("Courier New"));
    m_grid->setMinimumSize(100 + 233 + 4, 18 * 17 + 4);
    layout->addWidget(m_grid, 1);

    auto* exit = new QPushButton("Exit", this);
    exit->setObjectName("exit");
    exit->setDefault(true);
    connect(exit, &QPushButton::clicked, this, &QDialog::accept);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(exit);
    layout->addLayout(buttons);
    resize(380, 460);
}

void TConTab::Fill(const std::string& libraryName, long position,
                   const std::vector<std::pair<std::string, std::string>>& rows)
{
    m_library->setText(DisplayText(libraryName));
    m_position->setText(QString::number(position));
    m_grid->clearContents();
    m_grid->setRowCount(static_cast<int>(rows.size()));
    for (int r = 0; r < static_cast<int>(rows.size()); ++r) {
        m_grid->setItem(r, 0, new QTableWidgetItem(QString::fromStdString(rows[static_cast<std::size_t>(r)].first)));
        m_grid->setItem(r, 1, new QTableWidgetItem(QString::fromStdString(rows[static_cast<std::size_t>(r)].second)));
    }
    m_grid->scrollToTop();
}

} // namespace velmora::gui
