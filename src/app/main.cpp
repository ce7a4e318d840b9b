// velmora [LIBRARY.clb] [QUERY] [--set NAME]: the desktop search workbench. The library is opened
// and the query loaded by the same commands as the menu, with the same messages.
#include "fonts.h"
#include "qtprogress.h"
#include "qtuserdialog.h"
#include "qvxform.h"
#ifdef VELMORA_HAVE_INTEROP
#include "interopmodule.h"
#endif

#include <QApplication>
#include <QDir>
#include <QEvent>
#include <QStyleFactory>
#include <QTimer>

#include <csignal>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <unistd.h>
#include <string>
#include <vector>

namespace {

const char* const kUsage =
    "usage: velmora [LIBRARY.clb] [QUERY] [--set NAME]\n"
    "\n"
    "Opens the similarity-search workbench. LIBRARY.clb is opened as with File > New Library,\n"
    "QUERY (a molfile, SD file, library or SMILES file) loaded as with File > Load molecule, and --set NAME\n"
    "chooses the named descriptor set of crits.txt in the current directory.\n"
    "\n"
    "  --set NAME                  choose the descriptor set NAME\n"
    "  --exit-after-first-paint    quit once the window is first drawn, saying when (for timing start-up)\n"
    "  --help                      this text\n";

// Seconds since this process started (10 ms resolution), or -1 where the system does not say.
double ProcessAge()
{
    std::FILE* stat = std::fopen("/proc/self/stat", "r");
    if (!stat)
        return -1;
    char buffer[1024] = {};
    const std::size_t length = std::fread(buffer, 1, sizeof buffer - 1, stat);
    std::fclose(stat);
    // Field 22 (start time in clock ticks after boot) follows the ")" that ends field 2.
    const char* fields = std::strrchr(buffer, ')');
    unsigned long long startTicks = 0;
    if (!fields || length == 0 ||
        std::sscanf(fields + 2, "%*c %*d %*d %*d %*d %*d %*u %*u %*u %*u %*u %*u %*u %*d %*d %*d %*d %*d %*d %llu",
                    &startTicks) != 1)
        return -1;
    timespec now{};
    clock_gettime(CLOCK_BOOTTIME, &now);
    return static_cast<double>(now.tv_sec) + now.tv_nsec / 1e9 - static_cast<double>(startTicks) / sysconf(_SC_CLK_TCK);
}

// Quits the application at the watched window's first paint after the start-up commands and says
// how long the start took.
class FirstPaint : public QObject {
public:
    using QObject::QObject;
    bool armed = false;
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (armed && event->type() == QEvent::Paint) {
            armed = false;
            std::printf("velmora: first paint %.3f s after the start\n", ProcessAge());
            QTimer::singleShot(0, qApp, &QCoreApplication::quit);
        }
        return QObject::eventFilter(watched, event);
    }
};

} // namespace

int main(int argc, char** argv)
{
    // A write beyond the file size limit fails with a message naming the file (the command's
    // IoError) instead of ending the window and losing its state.
    std::signal(SIGXFSZ, SIG_IGN);
#ifdef VELMORA_HAVE_INTEROP
    velmora::interop::RegisterInteropModule();
#endif
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
