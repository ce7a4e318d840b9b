#pragma once
// TStatisticForm: the statistics of a library (structures, unusable ones, drawings, 24 functional
// groups), counted when the window opens, and their printout. The window shows its own progress
// and keeps taking input during the count; closing it stops the count.
#include "base/userdialog.h"
#include "descriptors/libstats.h"

#include <QDialog>
#include <QElapsedTimer>

#include <array>
#include <string>

class QLabel;
class QProgressBar;
class QPushButton;
class QWidget;

namespace velmora::gui {

class PrinterProvider;
class PrintingWindow;

class TStatisticForm : public QDialog {
    Q_OBJECT
public:
    TStatisticForm(StructureLibrary& library, UserDialog& dialog, PrinterProvider& printers, QWidget* parent = nullptr);
    void SetPrinterProvider(PrinterProvider& printers) { m_printers = &printers; }

    // Marks a count of the library as pending and shows the window modally; the count runs once
    // the window is up.
    int Open(const std::string& libraryName);
    // The first half of Open: a count of the library is due at the next showing (or Count()).
    void MarkPending(const std::string& libraryName);
    // Counts now (the pending count). Returns when the count is complete or stopped.
    void Count();
    // The "Print" button: print dialog, then the report. False when cancelled.
    bool Print();

    bool CountPending() const { return m_pending; }
    bool Counting() const { return m_counting; }
    const LibraryStatistics& Statistics() const { return m_statistics; }
    QWidget& ResultPanel() { return *m_results; }
    QPushButton& PrintButton() { return *m_print; }
    QLabel& DoneLabel() { return *m_done; }
    QProgressBar& Gauge() { return *m_gauge; }
    // Value labels: total, not registered, salts, errors, registered, with graphics.
    QLabel& Value(int index) { return *m_values[static_cast<std::size_t>(index)]; }
    QLabel& GroupCount(int row) { return *m_groupCounts[static_cast<std::size_t>(row)]; }
    QLabel& GroupPercent(int row) { return *m_groupPercents[static_cast<std::size_t>(row)]; }
    // Close and Esc: stop a running count, then close.
    void reject() override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    class CountProgress;
    void ShowProgress(long done);
    void ShowResults();

    StructureLibrary& m_library;
    UserDialog& m_dialog;
    PrinterProvider* m_printers;
    std::string m_libraryName;
    LibraryStatistics m_statistics;
    bool m_pending = false;
    bool m_counting = false;
    bool m_stop = false;
    bool m_counted = false;
    long m_total = 0;

    QLabel* m_totalLabel;
    QLabel* m_done;
    QProgressBar* m_gauge;
    QWidget* m_results;
    std::array<QLabel*, 6> m_values{};
    std::array<QLabel*, 24> m_groupCounts{};
    std::array<QLabel*, 24> m_groupPercents{};
    QPushButton* m_print;
    PrintingWindow* m_printing;
};

} // namespace velmora::gui
