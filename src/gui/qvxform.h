#pragma once
// The search workbench window: menus, tool bar and four pages (the flow of the work steps, the
// report table, the overview and the detail page). Every command is forwarded to the core's
// Workbench; afterwards the enable states, check marks and flow colours are taken from it again.
#include "search/navigation.h"
#include "search/workbench.h"

#include <QMainWindow>

#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

class QAction;
class QLabel;
class QStackedWidget;

namespace velmora {
struct QuerySet;
}

namespace velmora::gui {

// A query set as the window names it: "12 structures (actives.sdf)".
QString QuerySetCaption(const QuerySet& set);

class AboutBox;
class AsciiExportWindow;
class BestCountDialog;
class FiltersDialog;
class CoefficientDialog;
class DetailPage;
class FlowPage;
class HelpWindow;
class OverviewPage;
class PrinterProvider;
class QtProgress;
class ReportPage;
class ReportPrinter;
class TViewForm;
class SharedPrinter;
class StatusWindow;
class TDrawpenForm;
class TConvertForm;
class TFormSearchDiagram;
class TSimCritDlg;

class TQVXForm : public QMainWindow {
    Q_OBJECT
public:
    // The dialog and progress serve every command (tests pass scripted ones); workingDirectory is
    // where the descriptor sets live.
    TQVXForm(UserDialog& dialog, QtProgress& progress, std::string workingDirectory, QWidget* parent = nullptr);
    ~TQVXForm() override;

    Workbench& Bench() { return m_workbench; }
    const PageNavigation& Pages() const { return m_pages; }
    FlowPage& Flow() { return *m_flow; }
    QStackedWidget& Stack() { return *m_stack; }
    QLabel& ValueCaption() { return *m_valueCaption; }
    QLabel& StatusLine() { return *m_statusLine; }
    BestCountDialog& BestCount() { return *m_bestCountDialog; }
    FiltersDialog& Filters() { return *m_filtersDialog; }
    CoefficientDialog& Coefficient() { return *m_coefficientDialog; }
    StatusWindow& Status() { return *m_statusWindow; }
    HelpWindow& Help() { return *m_helpWindow; }
    TDrawpenForm& Drawpen() { return *m_drawpen; }
    // The one printer of the application, made at its first use and kept.
    SharedPrinter& Printer();
    TFormSearchDiagram& SearchDiagram() { return *m_searchDiagram; }
    AsciiExportWindow& AsciiWindow() { return *m_asciiWindow; }
    ReportPage& ReportView() { return *m_reportPage; }
    OverviewPage& OverviewView() { return *m_overviewPage; }
    DetailPage& DetailView() { return *m_detailPage; }
    TViewForm& Viewer() { return *m_viewForm; }
    ReportPrinter& Report() { return *m_reportPrinter; }
    // The print dialog step of every printout (tests give one that prints to PDF).
    void SetPrinterProvider(PrinterProvider& printers);

    // Start-up from the command line: the same commands as the menu, with the file given.
    bool OpenLibraryFile(const std::string& file);
    bool LoadQueryFile(const std::string& file);
    // File > "Load query set ..." with the file given instead of the file dialog.
    bool LoadQuerySetFile(const std::string& file);
    bool ChooseDescriptorSet(const std::string& name);

    // The query picture and name again (after the query changed outside the window's commands).
    void ShowQuery();
    // Enable states, check marks, visibility and colours from the workbench.
    void Refresh();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    // Runs one command: refused while a loop runs; an input/output failure is shown as one
    // message; the window is refreshed afterwards.
    bool Run(const std::function<bool()>& command);
    QAction* AddAction(QMenu* menu, const QString& caption, const std::function<bool()>& command);
    void BuildMenus();
    void BuildToolBar();
    void BuildPages();
    void ConnectFlow();
    void OnPhase(ProgressKind kind, bool started);
    void ShowPage();

    bool NewLibrary();
    bool LoadMolecule(const std::optional<std::string>& file);
    bool LoadQuerySet(const std::optional<std::string>& file);
    bool ChooseCoefficient();
    bool ChooseBestCount();
    bool Calculate();
    bool ResetAll();
    bool StructuralDescriptors();
    bool ImportLibrary();
    bool ExportLibrary();
    bool ExportAscii();
    bool DrawMolecule();
    void MakeResultWindows();
    // A search went through: fill the result pages, then show the distribution diagram.
    void ShowResults();
    // A match chosen on the report or overview page: the detail page at its rank.
    void OpenMatch(int rank);

    UserDialog& m_dialog;
    QtProgress& m_progress;
    // The workbench's messages: the window shows the state first (library, query, flow), so that
    // what stands behind a message box is not the state before the command.
    std::unique_ptr<UserDialog> m_workbenchDialog;
    Workbench m_workbench;
    PageNavigation& m_pages; // the workbench's
    bool m_inCommand = false;
    bool m_ready = false; // made: messages may refresh it
    bool m_closePending = false;

    FlowPage* m_flow = nullptr;
    QStackedWidget* m_stack = nullptr;
    QLabel* m_valueCaption = nullptr;
    QLabel* m_statusLine = nullptr;

    QAction* m_importLibrary = nullptr;
    QAction* m_exportLibrary = nullptr;
    QAction* m_viewLibrary = nullptr;
    QAction* m_exportAscii = nullptr;
    QAction* m_drawMolecule = nullptr;
    QAction* m_saveMolecule = nullptr;
    // Parameters > "Fusion of query set": max, mean, rrf, one checked.
    std::vector<std::pair<Fusion, QAction*>> m_fusionActions;
    QAction* m_descriptors = nullptr;
    QAction* m_calculate = nullptr;
    QAction* m_viewTable = nullptr;
    QAction* m_overview = nullptr;
    QAction* m_viewDetailed = nullptr;
    QAction* m_diagram = nullptr;
    QAction* m_intro = nullptr;
    QAction* m_normal = nullptr;
    QAction* m_calculateParameters = nullptr;
    QAction* m_print = nullptr;
    QAction* m_back = nullptr;
    QAction* m_graphic = nullptr;
    QAction* m_detailed = nullptr;

    // Windows made once and kept, so their state survives between uses.
    BestCountDialog* m_bestCountDialog = nullptr;
    FiltersDialog* m_filtersDialog = nullptr;
    CoefficientDialog* m_coefficientDialog = nullptr;
    AboutBox* m_aboutBox = nullptr;
    HelpWindow* m_helpWindow = nullptr;
    StatusWindow* m_statusWindow = nullptr;
    TDrawpenForm* m_drawpen = nullptr;
    std::unique_ptr<SharedPrinter> m_printer;
    TConvertForm* m_convertForm = nullptr;
    TSimCritDlg* m_critDlg = nullptr;
    TFormSearchDiagram* m_searchDiagram = nullptr;
    AsciiExportWindow* m_asciiWindow = nullptr;
    ReportPage* m_reportPage = nullptr;
    OverviewPage* m_overviewPage = nullptr;
    DetailPage* m_detailPage = nullptr;
    // The export's converter keeps its last target between uses.
    Converter m_exportConverter;
    bool m_resultsShown = false;
    bool m_exported = false; // the best matches of the results shown were exported
    std::unique_ptr<PrinterProvider> m_printerProvider;
    TViewForm* m_viewForm = nullptr;
    ReportPrinter* m_reportPrinter = nullptr;
};

} // namespace velmora::gui
