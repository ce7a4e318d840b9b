// An import through the workbench window's own code path: "&Import Library", the converter window
// ("Save As ...", "Convert", "Exit"), the progress window processing events as on screen, and the
// new library opened.
//
//   import_window_bench SOURCE.sdf TARGET.clb [RUNS]
//
// Each run deletes the target's files first (as `velmora-cli import --replace` writes anew) and
// prints the time from the menu command to its return; then the median.
#include "bench_support.h"
#include "convertform.h"
#include "fonts.h"
#include "qtprogress.h"
#include "qvxform.h"

#include <QApplication>
#include <QDir>
#include <QPushButton>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <deque>
#include <filesystem>
#include <string>
#include <vector>

namespace {

using namespace velmora;

// Gives the scripted file names; answers questions with No (no library parameters now) and every
// other message with OK, reporting errors and warnings.
class ScriptDialog final : public UserDialog {
public:
    MessageAnswer ShowMessage(MessageKind kind, const std::string&, const std::string& text, MessageButtons,
                              const std::string&) override
    {
        if (kind == MessageKind::Error || kind == MessageKind::Warning)
            std::fprintf(stderr, "%s\n", text.c_str());
        return kind == MessageKind::Confirmation ? MessageAnswer::No : MessageAnswer::Ok;
    }
    std::optional<std::string> ChooseFile(FileDialogKind, const std::string&, const std::string&,
                                          const std::string&) override
    {
        if (files.empty())
            return {};
        std::string file = files.front();
        files.pop_front();
        return file;
    }
    std::optional<std::string> AskText(const std::string&, const std::string&) override { return {}; }
    std::deque<std::string> files;
};

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

void RemoveLibrary(const std::string& target)
{
    std::error_code ec;
    std::filesystem::remove(target, ec);
    std::filesystem::remove(IndexFileName(target), ec);
    std::filesystem::remove(ExistingIndexFileName(target), ec);
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (argc < 3) {
        std::fprintf(stderr, "usage: import_window_bench SOURCE.sdf TARGET.clb [RUNS]\n");
        return 2;
    }
    const std::string source = std::filesystem::absolute(argv[1]).string();
    const std::string target = std::filesystem::absolute(argv[2]).string();
    const int runs = argc > 3 ? std::max(1, std::atoi(argv[3])) : 3;
    QApplication::setStyle("Fusion");
    gui::InstallFontSubstitutions();
    ScriptDialog dialog;
    gui::QtProgress progress;
    gui::TQVXForm window(dialog, progress, QDir::tempPath().toStdString());
    window.show();

    // The converter window is modal: press its buttons as soon as it is up.
    QTimer converter;
    converter.setInterval(5);
    QObject::connect(&converter, &QTimer::timeout, [&] {
        auto* form = qobject_cast<gui::TConvertForm*>(QApplication::activeModalWidget());
        if (!form || !form->isVisible())
            return;
        form->SaveAsButton()->click();
        form->ConvertButton()->click();
        form->ExitButton()->click();
    });
    converter.start();

    QAction* import = nullptr;
    for (QAction* action : window.findChildren<QAction*>())
        if (action->text() == "&Import Library")
            import = action;
    if (!import)
        return 1;
    std::vector<double> times;
    for (int run = 1; run <= runs; ++run) {
        RemoveLibrary(target);
        dialog.files = {source, target};
        const auto start = std::chrono::steady_clock::now();
        import->trigger();
        const double seconds = bench::Seconds(start);
        if (window.Bench().State().LibraryFileName != target)
            return 1;
        times.push_back(seconds);
        std::printf("run %d: import of %ld structures %.3f s\n", run, window.Bench().State().LibraryCount, seconds);
    }
    std::printf("window: median import %.3f s (%d runs), peak RSS %ld KiB\n", Median(times), runs, bench::PeakKiB());
    return 0;
}
