// velmora [LIBRARY.clb] [QUERY] [--set NAME]: the desktop search workbench. The library is opened
// and the query loaded by the same commands as the menu, with the same messages.
#include "fonts.h"
#include "qtprogress.h"
#include "qtuserdialog.h"
#include "qvxform.h"

#include <QApplication>
#include <QDir>
#include <QEvent>
#include <QStyleFactory>
#include <QTimer>

#include <cstdio>
#include <string>
#include <vector>

namespace {

const char* const kUsage =
    "usage: velmora [LIBRARY.clb] [QUERY] [--set NAME]\n"
    "\n"
    "Opens the similarity-search workbench. LIBRARY.clb is opened as with File > New Library,\n"
    "QUERY (a molfile, SD file or library) loaded as with File > Load molecule, and --set NAME\n"
    "chooses the named descriptor set of crits.txt in the current directory.\n"
    "\n"
    "  --set NAME                  choose the descriptor set NAME\n"
    "  --exit-after-first-paint    quit once the window is first drawn (for timing start-up)\n"
    "  --help                      this text\n";

// Quits the application at the watched window's first paint after the start-up commands.
class FirstPaint : public QObject {
public:
    using QObject::QObject;
    bool armed = false;
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (armed && event->type() == QEvent::Paint) {
            armed = false;
            QTimer::singleShot(0, qApp, &QCoreApplication::quit);
        }
        return QObject::eventFilter(watched, event);
    }
};

} // namespace

int main(int argc, char** argv)
{
    std::vector<std::string> files;
    std::string setName;
    bool exitAfterPaint = false;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--help" || arg == "-h") {
            std::fputs(kUsage, stdout);
            return 0;
        }
        if (arg == "--set" && i + 1 < argc) {
            setName = argv[++i];
        } else if (arg == "--exit-after-first-paint") {
            exitAfterPaint = true;
        } else if (!arg.empty() && arg[0] == '-') {
            std::fprintf(stderr, "velmora: unknown option '%s'\n%s", arg.c_str(), kUsage);
            return 2;
        } else if (files.size() < 2) {
            files.push_back(arg);
        } else {
            std::fprintf(stderr, "velmora: too many files\n%s", kUsage);
            return 2;
        }
    }

    QApplication::setHighDpiScaleFactorRoundingPolicy(Qt::HighDpiScaleFactorRoundingPolicy::PassThrough);
    QApplication app(argc, argv);
    QApplication::setApplicationName("Velmora");
    QApplication::setStyle(QStyleFactory::create("Fusion"));
    velmora::gui::InstallFontSubstitutions();

    // The core's modules need no start-up; the windows are made once, the main window first.
    velmora::gui::QtUserDialog dialog;
    velmora::gui::QtProgress progress;
    velmora::gui::TQVXForm window(dialog, progress, QDir::currentPath().toStdString());
    dialog.SetParentWidget(&window);
    FirstPaint firstPaint;
    if (exitAfterPaint)
        window.installEventFilter(&firstPaint);
    window.resize(1180, 760);
    window.show();

    // Once the window is up, so that its messages have a parent to stand on.
    QTimer::singleShot(0, &window, [&] {
        [&] {
            if (!files.empty() && !window.OpenLibraryFile(files[0]))
                return;
            if (files.size() > 1 && !window.LoadQueryFile(files[1]))
                return;
            if (!setName.empty())
                window.ChooseDescriptorSet(setName);
        }();
        if (exitAfterPaint) {
            firstPaint.armed = true;
            window.update();
        }
    });
    return app.exec();
}
