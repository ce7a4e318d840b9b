#pragma once
// The small window shown while the ASCII table of a search is written.
#include <QDialog>

#include <functional>
#include <string>

class QLabel;

namespace velmora {
class Workbench;
}

namespace velmora::gui {

class AsciiExportWindow : public QDialog {
    Q_OBJECT
public:
    explicit AsciiExportWindow(QWidget* parent = nullptr);
    // Writes the workbench's ASCII export (a random sample seeded from the clock) while the window
    // shows; returns the file written. Input/output failures pass on, the window hidden.
    std::string Run(Workbench& workbench);
    QLabel* Text() const { return m_text; }

    // Told once the window is up, before the export starts (tests look at it here).
    std::function<void()> onShown;

private:
    QLabel* m_text;
};

} // namespace velmora::gui
