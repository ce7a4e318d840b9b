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
    const auto& names = m_selection.SetNames();
    const auto found = std::find(names.begin() + 1, names.end(), name);
    if (found == names.end()) {
        m_dialog.ShowMessage(MessageKind::Error, "Error",
                             "No descriptor set is named \"" + name + "\"\r(in " + m_selection.SetFile().Path() + ")",
                             MessageButtons::Ok);
        return false;
    }
    auto context = Context();
    m_selection.ChooseSet(static_cast<int>(found - names.begin()), context, m_dialog);
    DescriptorDialogClosed();
    return true;
}

} // namespace velmora
