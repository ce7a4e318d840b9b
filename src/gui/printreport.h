#pragma once
// Printing the search report from the main window: the report-style question, the print dialog,
// the "Printing ..." note while the job runs, and the core's layout on the chosen printer.
#include "report/reportprint.h"

#include <QDialog>

class QMessageBox;

namespace velmora::gui {

class PrinterProvider;

// A small note without buttons, titled "Information", shown while a job is printed.
class PrintingWindow : public QDialog {
    Q_OBJECT
public:
    explicit PrintingWindow(QWidget* parent = nullptr);
    void Begin(); // shown at once, without blocking
    void End();
};

// Shows the note for the lifetime of the object (also when printing throws).
class PrintingNote {
public:
    explicit PrintingNote(PrintingWindow& window) : m_window(window) { m_window.Begin(); }
    ~PrintingNote() { m_window.End(); }
    PrintingNote(const PrintingNote&) = delete;
    PrintingNote& operator=(const PrintingNote&) = delete;

private:
    PrintingWindow& m_window;
};

class ReportPrinter : public QObject {
    Q_OBJECT
public:
    ReportPrinter(Workbench& workbench, PrinterProvider& printers, QWidget* parent);
    void SetPrinterProvider(PrinterProvider& printers) { m_printers = &printers; }

    // "Reportstyle": "Table" gives the table; "Graphic", or closing the box, the drawings.
    ReportStyle AskStyle();
    // The "Print" command; false when the print dialog was cancelled. Printer failures throw
    // IoError (the command boundary shows them).
    bool Print();
    PrintingWindow& Printing() { return *m_printing; }

private:
    Workbench& m_workbench;
    PrinterProvider* m_printers;
    QWidget* m_parent;
    PrintingWindow* m_printing;
};

} // namespace velmora::gui
