// The one program of the GUI suites: runs the suite named by its first argument (a *_test file's
// name) with the rest of the arguments passed to Qt Test, as each suite's own program once did.
#include "gui_suites.h"

#include <QApplication>
#include <QtTest>

#include <cstdio>
#include <vector>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    app.setAttribute(Qt::AA_Use96Dpi, true);
    std::unique_ptr<QObject> suite = argc > 1 ? velmora::test::MakeSuite(argv[1]) : nullptr;
    if (!suite) {
        std::fprintf(stderr, "usage: %s SUITE [Qt Test options]\nsuites:", argv[0]);
        for (const std::string& name : velmora::test::SuiteNames())
            std::fprintf(stderr, " %s", name.c_str());
        std::fprintf(stderr, "\n");
        return 2;
    }
    std::vector<char*> arguments{argv[0]};
    arguments.insert(arguments.end(), argv + 2, argv + argc);
    return QTest::qExec(suite.get(), static_cast<int>(arguments.size()), arguments.data());
}
