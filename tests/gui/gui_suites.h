#pragma once
// The suites of the one GUI test program: each *_test.cpp registers its suite under its file's
// name; the program runs the one named on its command line. Kept apart from gui_support.h so that
// the program's main need not compile the windows' headers.
#include <QObject>

#include <memory>
#include <string>
#include <vector>

namespace velmora::test {

using SuiteFactory = std::unique_ptr<QObject> (*)();
bool RegisterSuite(const char* name, SuiteFactory make);
// Null for a name no suite has.
std::unique_ptr<QObject> MakeSuite(const std::string& name);
std::vector<std::string> SuiteNames();

} // namespace velmora::test

#define VELMORA_GUI_SUITE(name, Class)                                                                   \
    static const bool velmoraSuiteRegistered = velmora::test::RegisterSuite(                             \
        name, []() -> std::unique_ptr<QObject> { return std::make_unique<Class>(); })
