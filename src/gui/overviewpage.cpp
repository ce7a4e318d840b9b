#include "overviewpage.h"

#include "search/workbench.h"
#include "structurepanel.h"

#include <QGridLayout>

namespace velmora::gui {

OverviewPage::OverviewPage(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("GraphicOverview"));
    auto* grid = new QGridLayout(this);
    grid->setSpacing(8);
    for (int k = 0; k <= kRanks; ++k) {
        auto* panel = new StructurePanel(this);
        panel->setObjectName(QStringLiteral("panel%1").arg(k));
        panel->SetFramed(true);
        panel->SetCaption(k == 0 ? QStringLiteral("My") : QString::number(k));
        m_panels[static_cast<std::size_t>(k)] = panel;
        grid->addWidget(panel, k / 4, k % 4);
    }
}

void OverviewPage::Clear()
{
    for (StructurePanel* panel : m_panels)
        panel->Clear();
}

void OverviewPage::Fill(Workbench& workbench)
{
    const SearchState& state = workbench.State();
    if (state.QueryLoaded)
        m_panels[0]->SetStructure(state.Query);
    else
        m_panels[0]->Clear();
    for (int k = 1; k <= kRanks; ++k) {
        StructurePanel* panel = m_panels[static_cast<std::size_t>(k)];
        if (k <= state.BestCount && workbench.ReadResultStructure(k).read == kLibOk)
            panel->SetStructure(workbench.Library().Structure());
        else
            panel->Clear();
    }
}

} // namespace velmora::gui
