#pragma once
// The workbench's state for test setups no command reaches cheaply (a library taken as open
// without reading its files, a best count set past the dialog). Windows and the command line
// change it only through the workbench's commands.
#include "search/workbench.h"

namespace velmora {

struct WorkbenchTestAccess {
    static SearchState& State(Workbench& workbench) { return workbench.m_state; }
};

} // namespace velmora
