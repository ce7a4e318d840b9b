// The workbench's answers for the window's menus and flow icons, and choosing a named set.
#include "search/workbench.h"

#include <algorithm>

namespace velmora {

void Workbench::MenuExtras(MenuState& menu) const
{
    const bool results = m_hasResults && m_state.LibraryOpen;
    menu.exportLibrary = results;
    menu.exportAscii = results;
    menu.viewDetailed = results;
    menu.resultIcons = results;
    menu.libraryIcon = m_state.LibraryOpen;
}

bool Workbench::ChooseDescriptorSet(const std::string& name)
{
    if (!ChooseDescriptors())
        return false;
    m_selection.FillSetList();
    const int found = FindSetName(m_selection.SetNames(), name);
    if (found == 0) {
        m_dialog.ShowMessage(MessageKind::Error, "Error",
                             "No descriptor set is named \"" + name + "\"\r(in " + m_selection.SetFile().Path() + ")",
                             MessageButtons::Ok);
        return false;
    }
    auto context = Context();
    m_selection.ChooseSet(found, context, m_dialog);
    DescriptorDialogClosed();
    return true;
}

} // namespace velmora
