#include "critdlg.h"

#include "descriptors/catalogue.h"
#include "qtuserdialog.h"
#include "search/workbench.h"
#include "setfilewatcher.h"

#include <QComboBox>
#include <algorithm>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QListWidget>
#include <QPushButton>
#include <QScopedValueRollback>
#include <QTableWidget>
#include <QVBoxLayout>

namespace velmora::gui {

TSimCritDlg::TSimCritDlg(Workbench& workbench, UserDialog& dialog, QWidget* parent)
    : QDialog(parent), m_workbench(workbench), m_dialog(dialog)
{
    setWindowTitle(QStringLiteral("Structural Descriptors"));
    setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);

    m_chosenGroup = new QGroupBox(QStringLiteral(" Chosen descriptors "), this);
    m_chosen = new QTableWidget(0, 1, m_chosenGroup);
    m_chosen->horizontalHeader()->hide();
    m_chosen->verticalHeader()->hide();
    m_chosen->horizontalHeader()->setStretchLastSection(true);
    m_chosen->verticalHeader()->setDefaultSectionSize(kRowHeight);
    m_chosen->verticalHeader()->setMinimumSectionSize(kRowHeight);
    m_chosen->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_chosen->setSelectionMode(QAbstractItemView::NoSelection);
    m_chosen->setFocusPolicy(Qt::NoFocus);
    m_chosen->setShowGrid(false);
    m_chosen->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_chosen->setMinimumWidth(240);
    auto* chosenLayout = new QVBoxLayout(m_chosenGroup);
    chosenLayout->addWidget(m_chosen);
    chosenLayout->addStretch(1);

    auto* allGroup = new QGroupBox(QStringLiteral(" All descriptors "), this);
    m_list = new QListWidget(allGroup);
    m_list->setObjectName(QStringLiteral("LBSimCrit"));
    // A click toggles the one item clicked.
    m_list->setSelectionMode(QAbstractItemView::MultiSelection);
    for (int position = 0; position < kDescriptorCount; ++position)
        m_list->addItem(DisplayText(CatalogueName(CatalogueIndexOfPosition(position + 1))));
    m_list->setMinimumSize(260, 15 * kRowHeight + 40);
    auto* allLayout = new QVBoxLayout(allGroup);
    allLayout->addWidget(m_list);
    connect(m_list, &QListWidget::itemSelectionChanged, this, &TSimCritDlg::SelectionChanged);

    auto* setGroup = new QGroupBox(QStringLiteral(" User defined descriptor sets "), this);
    m_sets = new QComboBox(setGroup);
    m_sets->setObjectName(QStringLiteral("CoBoxUserCrits"));
    m_sets->setMinimumContentsLength(20);
    m_save = new QPushButton(QStringLiteral("Save"), setGroup);
    m_delete = new QPushButton(QStringLiteral("Delete"), setGroup);
    m_save->setToolTip(QStringLiteral("Save the chosen descriptors as a named set"));
    m_delete->setToolTip(QStringLiteral("Delete the named set shown"));
    auto* setLayout = new QHBoxLayout(setGroup);
    setLayout->addWidget(m_sets, 1);
    setLayout->addWidget(m_save);
    setLayout->addWidget(m_delete);
    connect(m_sets, &QComboBox::activated, this, &TSimCritDlg::SetChosen);
    connect(m_save, &QPushButton::clicked, this, &TSimCritDlg::Save);
    connect(m_delete, &QPushButton::clicked, this, &TSimCritDlg::Delete);

    m_deselect = new QPushButton(QStringLiteral("Deselect all"), this);
    m_augAtoms = new QPushButton(QStringLiteral("Aug atoms of my molecule"), this);
    m_augAtoms->setToolTip(QStringLiteral("Choose the augmented atoms that occur in the query structure"));
    m_close = new QPushButton(QStringLiteral("&Close"), this);
    for (QPushButton* button : {m_save, m_delete, m_deselect, m_augAtoms, m_close})
        button->setAutoDefault(false);
    m_close->setDefault(true);
    connect(m_deselect, &QPushButton::clicked, this, &TSimCritDlg::DeselectAll);
    connect(m_augAtoms, &QPushButton::clicked, this, &TSimCritDlg::AugAtoms);
    connect(m_close, &QPushButton::clicked, this, &QDialog::accept);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_deselect);
    buttons->addWidget(m_augAtoms);
    buttons->addStretch(1);
    buttons->addWidget(m_close);
    auto* layout = new QGridLayout(this);
    layout->addWidget(m_chosenGroup, 0, 0, Qt::AlignTop);
    layout->addWidget(allGroup, 0, 1);
    layout->addWidget(setGroup, 1, 0, 1, 2);
    layout->addLayout(buttons, 2, 0, 1, 2);
    layout->setColumnStretch(1, 1);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    m_setFileWatcher = new SetFileWatcher(this);
    m_setFileWatcher->Watch(QString::fromStdString(m_workbench.Selection().SetFile().Path()));
    connect(m_setFileWatcher, &SetFileWatcher::Changed, this, [this] {
        if (m_workbench.Selection().ReloadSetList())
            Refresh();
    });
}

void TSimCritDlg::Run()
{
    m_setFileWatcher->Watch(QString::fromStdString(m_workbench.Selection().SetFile().Path()));
    Refresh();
    exec();
    m_workbench.DescriptorDialogClosed();
}

void TSimCritDlg::Refresh()
{
    QScopedValueRollback<bool> syncing(m_syncing, true);
    const DescriptorSelection& selection = m_workbench.Selection();
    const std::vector<std::string> names = selection.ChosenNames();
    for (int position = 0; position < kDescriptorCount; ++position)
        m_list->item(position)->setSelected(selection.IsChosen(position));

    m_chosen->setRowCount(static_cast<int>(names.size()));
    for (int row = 0; row < static_cast<int>(names.size()); ++row) {
        auto* item = new QTableWidgetItem(DisplayText(names[static_cast<std::size_t>(row)]));
        m_chosen->setItem(row, 0, item);
    }
    // The grid grows row by row (the window with it) and scrolls beyond its largest height.
    const int rows = std::clamp(static_cast<int>(names.size()), 1, kVisibleRows);
    m_chosen->setFixedHeight(rows * kRowHeight + 2 * m_chosen->frameWidth() + 1);
    m_chosen->setVerticalScrollBarPolicy(static_cast<int>(names.size()) > kVisibleRows ? Qt::ScrollBarAlwaysOn
                                                                                       : Qt::ScrollBarAlwaysOff);

    m_sets->clear();
    for (const std::string& name : selection.SetNames())
        m_sets->addItem(DisplayText(name));
    m_sets->setCurrentIndex(selection.CurrentSet());
    m_save->setEnabled(!names.empty());
    m_augAtoms->setEnabled(m_workbench.State().QueryLoaded);
    // The window takes its new height now, not at the next turn of the event loop.
    m_chosenGroup->layout()->activate();
    layout()->activate();
}

void TSimCritDlg::SelectionChanged()
{
    if (m_syncing)
        return;
    {
        QScopedValueRollback<bool> syncing(m_syncing, true);
        // Forward the item the user toggled; the core toggles it too and may refuse it.
        for (int position = 0; position < kDescriptorCount; ++position)
            if (m_list->item(position)->isSelected() != m_workbench.Selection().IsChosen(position)) {
                auto context = m_workbench.Context();
                m_workbench.Selection().ClickDescriptor(position, context, m_dialog);
            }
    }
    Refresh();
}

void TSimCritDlg::SetChosen(int index)
{
    auto context = m_workbench.Context();
    m_workbench.Selection().ChooseSet(index, context, m_dialog);
    Refresh();
}

void TSimCritDlg::Save()
{
    auto context = m_workbench.Context();
    m_workbench.Selection().Save(context, m_dialog);
    Refresh();
}

void TSimCritDlg::Delete()
{
    // A deleted set leaves "[none]" chosen and every descriptor deselected.
    auto context = m_workbench.Context();
    m_workbench.Selection().Delete(context, m_dialog);
    Refresh();
}

void TSimCritDlg::DeselectAll()
{
    auto context = m_workbench.Context();
    m_workbench.Selection().DeselectAll(context);
    Refresh();
}

void TSimCritDlg::AugAtoms()
{
    auto context = m_workbench.Context();
    m_workbench.Selection().AugAtomsOfMyMolecule(m_workbench.State().Query, context, m_dialog);
    Refresh();
}

} // namespace velmora::gui
