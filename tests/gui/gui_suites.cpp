// The registry of the GUI suites behind VELMORA_GUI_SUITE: name to factory, filled as the
// program starts.
#include "gui_suites.h"

#include <map>

namespace velmora::test {

namespace {

std::map<std::string, SuiteFactory>& Suites()
{
    static std::map<std::string, SuiteFactory> suites;
    return suites;
}

} // namespace

bool RegisterSuite(const char* name, SuiteFactory make)
{
    Suites()[name] = make;
    return true;
}

std::unique_ptr<QObject> MakeSuite(const std::string& name)
{
    const auto found = Suites().find(name);
    return found == Suites().end() ? nullptr : found->second();
}

std::vector<std::string> SuiteNames()
{
    std::vector<std::string> names;
    for (const auto& [name, make] : Suites())
        names.push_back(name);
    return names;
}

} // namespace velmora::test
