#pragma once
// The one printer of the application: its set-up persists between print jobs. Layouts are in
// printer pixels tuned for 300 dpi, so the resolution is pinned there; without an installed
// printer, jobs go to a PDF file.
#include <QPrinter>

#include <memory>

class QWidget;

namespace velmora::gui {

class SharedPrinter {
public:
    SharedPrinter(); // A4, 300 dpi pinned; PDF output when no printer is installed
    ~SharedPrinter();
    QPrinter& Printer();
    // The page set-up dialog on the shared printer; true when accepted.
    bool Setup(QWidget* parent);
    static bool HasPrinters();
    static constexpr int kResolution = 300;

private:
    std::unique_ptr<QPrinter> m_printer;
};

} // namespace velmora::gui
