#include "overviewpage.h"

#include "qtuserdialog.h"
#include "search/queryset.h"
#include "search/workbench.h"
#include "structurepanel.h"

#include <QGridLayout>

namespace velmora::gui {

QString ResultOrigin(const ReportRow& row)
{
    QStringList parts;
    if (!row.query.empty())
        parts << QStringLiteral("Query ") + DisplayText(row.query).trimmed();
    if (!row.library.empty())
        parts << QStringLiteral("Library ") + DisplayText(row.library).trimmed();
    return parts.join(QStringLiteral(" \u00b7 "));
}

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
        if (k > 0)
            connect(panel, &StructurePanel::clicked, this, [this, k] { emit RankChosen(k); });
    }
}

void OverviewPage::Clear()
{
    for (StructurePanel* panel : m_panels) {
        panel->Clear();
        panel->SetNote(QString());
        panel->SetClickable(false);
        panel->setToolTip(QString());
    }
}

void OverviewPage::Fill(Workbench& workbench)
{
    const SearchState& state = workbench.State();
    if (state.QueryLoaded)
        m_panels[0]->SetStructure(state.Query);
    else
        m_panels[0]->Clear();
    const QuerySet* set = workbench.LoadedQuerySet();
    m_panels[0]->SetNote(set && set->Size() > 1 ? QStringLiteral("first of %1 queries").arg(set->Size()) : QString());
    for (int k = 1; k <= kRanks; ++k) {
        StructurePanel* panel = m_panels[static_cast<std::size_t>(k)];
        ResultStructure result;
        if (k <= workbench.ResultBestCount())
            result = workbench.ReadResultStructure(k);
        if (result.read == kLibOk)
            panel->SetStructure(workbench.Library().Structure());
        else
            panel->Clear();
        panel->SetNote(k <= workbench.Results().filled ? ResultOrigin(result.row) : QString());
        // Every filled rank can be opened, even one whose record cannot be read (the detail page says so).
        const bool filled = k <= workbench.Results().filled;
        panel->SetClickable(filled);
        panel->setToolTip(filled ? QStringLiteral("Rank %1: click to show it in detail").arg(k) : QString());
    }
}

} // namespace velmora::gui
