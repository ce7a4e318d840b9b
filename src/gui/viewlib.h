#pragma once
// TViewForm: pages through the open library one structure at a time (drawing, name, formula,
// CAS number), lists its connection table, writes it to a molfile, prints it and opens the
// library statistics. Shown modally, so the library cannot change under it; every opening starts
// again at position 1 of the library open at that moment.
#include "graphics/grafctab.h"
#include "io/libviewer.h"
#include "search/workbench.h"

#include <QDialog>
#include <QImage>

#include <functional>
#include <string>

class QLabel;
class QLineEdit;
class QPushButton;
class QScrollBar;

namespace velmora::gui {

class PrinterProvider;
class PrintingWindow;
class TConTab;
class TStatisticForm;

class TViewForm : public QDialog {
    Q_OBJECT
public:
    TViewForm(Workbench& workbench, UserDialog& dialog, PrinterProvider& printers, QWidget* parent = nullptr);
    void SetPrinterProvider(PrinterProvider& printers);

    // Open, then exec.
    int Run();
    // Position 1 of the workbench's library (or nothing, when it is empty), without showing.
    void Open();
    // Reads the structure at the navigation's position and shows it; a record that cannot be read
    // leaves the picture and the labels empty.
    void ReadAndShow();

    // The buttons' commands.
    void ShowConnTab();
    bool WriteToFile();
    bool PrintStructure();
    void OpenStatistics();

    const ViewerNavigation& Navigation() const { return m_navigation; }
    const std::string& LibraryName() const { return m_libraryName; }
    const TCTab& Structure() const { return m_structure; }
    bool StructureRead() const { return m_read; }
    const QImage& Picture() const { return m_image; }
    QLineEdit& PositionField() { return *m_positionField; }
    QScrollBar& ScrollBar() { return *m_scroll; }
    QLabel& NameLabel() { return *m_name; }
    QLabel& FormulaLabel() { return *m_formula; }
    QLabel& CasLabel() { return *m_cas; }
    QLabel& CountLabel() { return *m_count; }
    QPushButton& Button(const QString& objectName);
    TConTab& ConnTab() { return *m_conntab; }
    TStatisticForm& Statistics() { return *m_statistics; }
    PrintingWindow& Printing() { return *m_printing; }

private:
    void Show();
    void DrawPicture(int mode);
    void GoToField();
    void Guarded(const std::function<void()>& command);

    Workbench& m_workbench;
    UserDialog& m_dialog;
    PrinterProvider* m_printers;
    ViewerNavigation m_navigation;
    std::string m_libraryName;
    TCTab m_structure;
    bool m_read = false;
    QImage m_image;

    QLabel* m_picture;
    QLabel* m_name;
    QLabel* m_formula;
    QLabel* m_cas;
    QLabel* m_count;
    QLineEdit* m_positionField;
    QPushButton* m_goto;
    QPushButton* m_back;
    QPushButton* m_forward;
    QScrollBar* m_scroll;
    QPushButton* m_connTabButton;
    QPushButton* m_write;
    QPushButton* m_print;
    TConTab* m_conntab;
    TStatisticForm* m_statistics;
    PrintingWindow* m_printing;
};

} // namespace velmora::gui
