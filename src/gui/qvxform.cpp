#include "qvxform.h"

#include "drawpenform.h"

#include "base/fitlabel.h"
#include "asciiwindow.h"
#include "comparedialog.h"
#include "base/ioerror.h"
#include "base/userdata.h"
#include "convertform.h"
#include "critdlg.h"
#include "detailpage.h"
#include "dialogs.h"
#include "filtersdialog.h"
#include "flowpage.h"
#include "graphics/grafctab.h"
#include "io/structureformats.h"
#include "helpwindow.h"
#include "overviewpage.h"
#include "printreport.h"
#include "qtprinttarget.h"
#include "qtcanvas.h"
#include "qtprogress.h"
#include "qtuserdialog.h"
#include "reportpage.h"
#include "search/coefficients.h"
#include "search/fusion.h"
#include "search/queryset.h"
#include "sharedprinter.h"
#include "srchdiag.h"
#include "viewlib.h"

#include <QActionGroup>
#include <QCloseEvent>
#include <QFileInfo>
#include <QLabel>
#include <QMenuBar>
#include <QPushButton>
#include <QScrollArea>
#include <QStackedWidget>
#include <QTableWidget>
#include <QStatusBar>
#include <QToolBar>
#include <QVBoxLayout>

namespace velmora::gui {

namespace {

// Runs before before every message, then asks the dialog.
class DialogAfter final : public UserDialog {
public:
    DialogAfter(UserDialog& dialog, std::function<void()> before) : m_dialog(dialog), m_before(std::move(before)) {}
    MessageAnswer ShowMessage(MessageKind kind, const std::string& caption, const std::string& text,
                              MessageButtons buttons, const std::string& detail) override
    {
        m_before();
        return m_dialog.ShowMessage(kind, caption, text, buttons, detail);
    }
    std::optional<std::string> ChooseFile(FileDialogKind kind, const std::string& title, const std::string& filter,
                                          const std::string& suggestion) override
    {
        return m_dialog.ChooseFile(kind, title, filter, suggestion);
    }
    std::optional<std::string> AskText(const std::string& caption, const std::string& text) override
    {
        return m_dialog.AskText(caption, text);
    }

private:
    UserDialog& m_dialog;
    std::function<void()> m_before;
};

} // namespace

QString QuerySetCaption(const QuerySet& set)
{
    return QString("%1 structure%2 (%3)")
        .arg(set.Size())
        .arg(set.Size() == 1 ? "" : "s")
        .arg(QFileInfo(QFile::decodeName(QByteArray::fromStdString(set.file))).fileName());
}

TQVXForm::TQVXForm(UserDialog& dialog, QtProgress& progress, std::string workingDirectory, QWidget* parent)
    : QMainWindow(parent),
      m_dialog(dialog),
      m_progress(progress),
      m_workbenchDialog(std::make_unique<DialogAfter>(dialog,
                                                      [this] {
                                                          if (m_ready) {
                                                              Refresh();
                                                              ShowQuery();
                                                          }
                                                      })),
      m_workbench(*m_workbenchDialog, progress, workingDirectory),
      m_pages(m_workbench.Pages())
{
    setWindowTitle("Velmora");
    m_progress.SetParentWidget(this);
    m_progress.onPhase = [this](ProgressKind kind, bool started) { OnPhase(kind, started); };

    BuildPages();
    BuildMenus();
    BuildToolBar();
    ConnectFlow();
    m_statusLine = new QLabel(this);
    m_statusLine->setObjectName("statusLine");
    statusBar()->addWidget(m_statusLine, 1);

    // The windows of the workbench, made once in their start-up order.
    m_bestCountDialog = new BestCountDialog(m_workbench, this);
    m_filtersDialog = new FiltersDialog(m_workbench, this);
    m_coefficientDialog = new CoefficientDialog(this);
    m_aboutBox = new AboutBox(this);
    m_helpWindow = new HelpWindow(this);
    m_helpWindow->setWindowFlag(Qt::Window);
    m_statusWindow = new StatusWindow(m_workbench, this);
    // The structure editor opens with the current query; OK hands its drawing over as the query.
    m_drawpen = new TDrawpenForm(UserDataDirectory(workingDirectory), this); // beside the descriptor sets
    MakeResultWindows();
    // The printouts: the library viewer (with its connection table and statistics) and the report.
    m_printerProvider = std::make_unique<DialogPrinterProvider>([this]() -> SharedPrinter& { return Printer(); });
    m_viewForm = new TViewForm(m_workbench, m_dialog, *m_printerProvider, this);
    m_reportPrinter = new ReportPrinter(m_workbench, *m_printerProvider, this);

    ShowQuery();
    Refresh();
    m_ready = true;
}

TQVXForm::~TQVXForm()
{
    m_progress.onPhase = nullptr;
}

void TQVXForm::BuildPages()
{
    m_stack = new QStackedWidget(this);
    m_flow = new FlowPage;
    auto* scroll = new QScrollArea(m_stack);
    scroll->setWidget(m_flow);
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    m_stack->addWidget(scroll);
    m_reportPage = new ReportPage(m_stack);
    m_overviewPage = new OverviewPage(m_stack);
    m_detailPage = new DetailPage(m_workbench, m_stack);
    connect(m_reportPage, &ReportPage::RankChosen, this, &TQVXForm::OpenMatch);
    connect(m_overviewPage, &OverviewPage::RankChosen, this, &TQVXForm::OpenMatch);
    m_valueCaption = m_detailPage->ValueCaption();
    m_stack->addWidget(m_reportPage);
    m_stack->addWidget(m_overviewPage);
    m_stack->addWidget(m_detailPage);
    setCentralWidget(m_stack);
}

QAction* TQVXForm::AddAction(QMenu* menu, const QString& caption, const std::function<bool()>& command)
{
    QAction* action = menu->addAction(caption);
    connect(action, &QAction::triggered, this, [this, command] { Run(command); });
    return action;
}

void TQVXForm::BuildMenus()
{
    QMenu* file = menuBar()->addMenu("&File");
    AddAction(file, "&New    Library", [this] { return NewLibrary(); })->setObjectName("newLibrary");
    m_importLibrary = AddAction(file, "&Import Library", [this] { return ImportLibrary(); });
    m_exportLibrary = AddAction(file, "&Export Library", [this] { return ExportLibrary(); });
    m_viewLibrary = AddAction(file, "&View    Library", [this] {
        m_viewForm->Run();
        return true;
    });
    m_exportAscii = AddAction(file, "Export as ASCII", [this] { return ExportAscii(); });
    AddAction(file, "Compare libraries ...", [this] {
        auto* compare = findChild<CompareLibrariesDialog*>();
        if (!compare)
            compare = new CompareLibrariesDialog(m_workbench, m_dialog, m_progress, [this] { ShowQuery(); Refresh(); }, this);
        return compare->Run();
    })->setObjectName("compareLibraries");
    file->addSeparator();
    m_drawMolecule = AddAction(file, "&Draw  molecule", [this] { return DrawMolecule(); });
    AddAction(file, "&Load  molecule", [this] { return LoadMolecule(std::nullopt); });
    AddAction(file, "Load &query set ...", [this] { return LoadQuerySet(std::nullopt); })->setObjectName("loadQuerySet");
    QAction* paste = AddAction(file, "Paste &SMILES...", [this] {
        const bool loaded = m_workbench.PasteSmiles();
        ShowQuery();
        return loaded;
    });
    paste->setObjectName("pasteSmiles");
    if (!StructureFormatsAvailable()) {
        paste->setEnabled(false);
        paste->setToolTip(kStructureFormatsUnavailable);
        file->setToolTipsVisible(true);
    }
    m_saveMolecule = AddAction(file, "S&ave  molecule", [this] { return m_workbench.SaveQuery(); });
    file->addSeparator();
    file->addAction("E&xit", this, &QWidget::close);

    QMenu* parameters = menuBar()->addMenu("&Parameters");
    m_descriptors = AddAction(parameters, "Structural descriptors", [this] { return StructuralDescriptors(); });
    AddAction(parameters, "Similarity coefficient", [this] { return ChooseCoefficient(); });
    // The rule lives beside the coefficient: both say how the values come about, and it can be
    // chosen before or after the set is loaded (it is used by the next search of a query set).
    QMenu* fusion = parameters->addMenu("Fusion of query set");
    fusion->setObjectName("fusion");
    fusion->setToolTipsVisible(true);
    auto* rules = new QActionGroup(fusion);
    const std::pair<Fusion, const char*> captions[] = {
        {Fusion::Max, "max: the best value against any query"},
        {Fusion::Mean, "mean: the mean value over the queries"},
        {Fusion::Rrf, "rrf: reciprocal-rank fusion of the queries' rankings"}};
    for (const auto& [rule, caption] : captions) {
        QAction* action = AddAction(fusion, caption, [this, rule = rule] {
            m_workbench.SetFusion(rule);
            ShowQuery();
            return true;
        });
        action->setCheckable(true);
        action->setObjectName(QString("fusion-") + FusionTyped(rule));
        action->setToolTip("Used by the next search of a query set (File > Load query set ...)");
        rules->addAction(action);
        m_fusionActions.emplace_back(rule, action);
    }
    AddAction(parameters, "Number of best matching", [this] { return ChooseBestCount(); });
    AddAction(parameters, "Filters ...", [this] { return m_filtersDialog->Run(); })->setObjectName("filters");
    AddAction(parameters, "Show status", [this] {
        m_statusWindow->Run();
        return true;
    });
    parameters->addSeparator();
    m_calculate = AddAction(parameters, "Calculate", [this] { return Calculate(); });

    QMenu* report = menuBar()->addMenu("&Report");
    m_viewTable = AddAction(report, "View similarity table", [this] {
        m_pages.ViewTable();
        return true;
    });
    m_overview = AddAction(report, "Molecules overview", [this] {
        m_pages.Overview();
        return true;
    });
    m_viewDetailed = AddAction(report, "View molecule detailed", [this] {
        m_pages.ViewDetailed();
        return true;
    });
    m_diagram = AddAction(report, "Distribution diagram", [this] {
        m_searchDiagram->Run(TFormSearchDiagram::DataOf(m_workbench));
        return true;
    });

    QMenu* mode = menuBar()->addMenu("&Mode");
    m_intro = AddAction(mode, "In&tro", [this] {
        m_workbench.SetIntroMode();
        return true;
    });
    m_normal = AddAction(mode, "N&ormal", [this] { return m_workbench.SetNormalMode(); });
    // Checked from the workbench after every command: switching to NORMAL can be declined.
    m_intro->setCheckable(true);
    m_normal->setCheckable(true);

    QMenu* setup = menuBar()->addMenu("&Setup");
    AddAction(setup, "&Printer", [this] { return Printer().Setup(this); });
    m_calculateParameters = AddAction(setup, "Calc&ulate library parameters", [this] {
        m_workbench.CalculateLibraryParameters();
        return true;
    });
    AddAction(setup, "Reset all", [this] { return ResetAll(); });

    QMenu* help = menuBar()->addMenu("&Help");
    const char* topics[] = {"&Contents", "How to search with ...", "Features and applications"};
    for (int topic = 1; topic <= 3; ++topic)
        AddAction(help, topics[topic - 1], [this, topic] {
            m_helpWindow->ShowTopic(topic);
            m_helpWindow->show();
            m_helpWindow->raise();
            return true;
        });
    help->addSeparator();
    AddAction(help, "A&bout ...", [this] {
        m_aboutBox->exec();
        return true;
    });
}

void TQVXForm::BuildToolBar()
{
    QToolBar* bar = addToolBar("Tools");
    bar->setObjectName("toolBar");
    bar->setMovable(false);
    bar->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    bar->setIconSize(QSize(20, 20));
    QAction* exit = bar->addAction("Exit", this, &QWidget::close);
    exit->setToolTip("Close the workbench");
    QAction* status = bar->addAction("Status");
    status->setToolTip("Show the library, query, descriptors and settings of the search");
    connect(status, &QAction::triggered, this, [this] {
        Run([this] {
            m_statusWindow->Run();
            return true;
        });
    });
    QAction* reset = bar->addAction("Reset All");
    reset->setToolTip("Return the workbench to its start");
    connect(reset, &QAction::triggered, this, [this] { Run([this] { return ResetAll(); }); });
    m_print = bar->addAction(Icon("print"), "Print");
    m_print->setToolTip("Print the search report");
    connect(m_print, &QAction::triggered, this, [this] {
        Run([this] {
            m_reportPrinter->Print();
            return true;
        });
    });
    bar->addSeparator();
    m_back = bar->addAction(" Back  ");
    m_back->setToolTip("Back to the page shown before");
    connect(m_back, &QAction::triggered, this, [this] {
        Run([this] {
            m_pages.Back(m_workbench.HasResults());
            return true;
        });
    });
    m_graphic = bar->addAction(Icon("molecule"), "Graphic");
    m_graphic->setToolTip("The query and the eleven best matches as drawings");
    connect(m_graphic, &QAction::triggered, this, [this] {
        Run([this] {
            m_pages.Overview();
            return true;
        });
    });
    m_detailed = bar->addAction(Icon("bestmatches"), "Detailed");
    m_detailed->setToolTip("One best match at a time, beside the query");
    connect(m_detailed, &QAction::triggered, this, [this] {
        Run([this] {
            m_pages.Detailed();
            return true;
        });
    });
}

void TQVXForm::ConnectFlow()
{
    auto trigger = [this](FlowBox* box, const std::function<bool()>& command) {
        connect(box, &QAbstractButton::clicked, this, [this, command] { Run(command); });
    };
    auto forward = [this](FlowBox* box, QAction* action) {
        connect(box, &QAbstractButton::clicked, action, &QAction::trigger);
    };
    trigger(m_flow->clbLibrary, [this] { return NewLibrary(); });
    forward(m_flow->molLibrary, m_importLibrary);
    forward(m_flow->internalLibrary, m_viewLibrary);
    trigger(m_flow->loadMolecule, [this] { return LoadMolecule(std::nullopt); });
    forward(m_flow->createMolecule, m_drawMolecule);
    forward(m_flow->saveMolecule, m_saveMolecule);
    forward(m_flow->descriptors, m_descriptors);
    trigger(m_flow->coefficient, [this] { return ChooseCoefficient(); });
    trigger(m_flow->bestCount, [this] { return ChooseBestCount(); });
    trigger(m_flow->filters, [this] { return m_filtersDialog->Run(); });
    forward(m_flow->similarityTable, m_viewTable);
    forward(m_flow->similarityExport, m_exportLibrary);
    trigger(m_flow->internalStructure, [this] {
        m_pages.InternalStructure();
        return true;
    });
    connect(m_flow->calculate, &QPushButton::clicked, m_calculate, &QAction::trigger);
    for (FlowBox* info : {m_flow->libraryCalculator, m_flow->queryCalculator, m_flow->comparison, m_flow->bestMatching})
        info->setAttribute(Qt::WA_TransparentForMouseEvents);
}

void TQVXForm::SetPrinterProvider(PrinterProvider& printers)
{
    m_viewForm->SetPrinterProvider(printers);
    m_reportPrinter->SetPrinterProvider(printers);
}

bool TQVXForm::Run(const std::function<bool()>& command)
{
    // While a loop runs (or a command waits for its dialog) no other command may start.
    if (m_progress.Busy() || m_inCommand)
        return false;
    m_inCommand = true;
    bool done = false;
    try {
        done = command();
    } catch (const IoError& error) {
        m_dialog.ShowMessage(MessageKind::Error, "Error", error.what(), MessageButtons::Ok);
    }
    // A loop left by an error has not said it finished; its window must not stay up.
    if (m_progress.Busy())
        m_progress.Finish();
    m_inCommand = false;
    for (FlowBox* box : {m_flow->libraryCalculator, m_flow->queryCalculator, m_flow->comparison, m_flow->bestMatching})
        box->SetFill(kRestColor);
    m_flow->comparison->SetPictureShown(false);
    Refresh();
    if (m_closePending) {
        m_closePending = false;
        close();
    }
    return done;
}

void TQVXForm::closeEvent(QCloseEvent* event)
{
    if (m_progress.Busy() || m_inCommand) {
        // Nothing may go while a loop or a dialog still uses it: stop the loop, close afterwards.
        if (m_progress.Busy())
            m_progress.RequestAbort();
        m_closePending = true;
        event->ignore();
        return;
    }
    m_helpWindow->close();
    event->accept();
}

void TQVXForm::OnPhase(ProgressKind kind, bool started)
{
    if (kind == ProgressKind::Comparison) {
        const QColor fill = started ? kWorkingColor : kRestColor;
        m_flow->libraryCalculator->SetFill(fill);
        m_flow->queryCalculator->SetFill(fill);
        m_flow->comparison->SetFill(fill);
        m_flow->comparison->SetPictureShown(started);
    } else if (kind == ProgressKind::Ranking && started) {
        // Lime from the ranking until the search's results are shown.
        m_flow->bestMatching->SetFill(kWorkingColor);
    }
}

SharedPrinter& TQVXForm::Printer()
{
    // Asking the system for its printers takes a while: not before the first use.
    if (!m_printer)
        m_printer = std::make_unique<SharedPrinter>();
    return *m_printer;
}

bool TQVXForm::NewLibrary() { return m_workbench.OpenLibrary(); }

bool TQVXForm::LoadMolecule(const std::optional<std::string>& file)
{
    const bool loaded = m_workbench.LoadQuery(file);
    ShowQuery();
    return loaded;
}

bool TQVXForm::LoadQuerySet(const std::optional<std::string>& file)
{
    const bool loaded = m_workbench.LoadQuerySet(file);
    ShowQuery();
    return loaded;
}

bool TQVXForm::ChooseCoefficient()
{
    const auto chosen = m_coefficientDialog->Choose(m_workbench.State().CoefficientIndex);
    if (chosen)
        m_workbench.SetCoefficient(*chosen);
    return chosen.has_value();
}

bool TQVXForm::ChooseBestCount()
{
    m_bestCountDialog->ShowCount(m_workbench.State().BestCount);
    return m_bestCountDialog->Run();
}

bool TQVXForm::StructuralDescriptors()
{
    if (!m_workbench.ChooseDescriptors())
        return false;
    m_critDlg->Run();
    return true;
}

bool TQVXForm::ImportLibrary()
{
    m_workbench.ImportLibrary(std::nullopt, [this](Converter& converter) { return m_convertForm->Run(converter); });
    ShowQuery();
    return true;
}

bool TQVXForm::ExportLibrary()
{
    m_exported = m_workbench.ExportLibrary(m_exportConverter, [this](Converter& converter) { m_convertForm->Run(converter); });
    return true;
}

bool TQVXForm::ExportAscii()
{
    const std::string path = m_asciiWindow->Run(m_workbench);
    statusBar()->showMessage("ASCII table written to " + QFile::decodeName(QByteArray::fromStdString(path)), 15000);
    return true;
}

// The structure editor opens with the current query; OK hands its drawing over as the query.
bool TQVXForm::DrawMolecule()
{
    const SearchState& state = m_workbench.State();
    m_drawpen->TakeQuery(state.QueryLoaded ? state.Query : TCTab(), state.QueryDrawn);
    m_drawpen->SetLiveSource(m_workbench.LiveSetup());
    if (m_drawpen->exec() == QDialog::Accepted) {
        m_workbench.SetDrawnQuery(m_drawpen->QueryStructure());
        ShowQuery();
    }
    return true;
}

bool TQVXForm::Calculate()
{
    const SearchOutcome outcome = m_workbench.RunSearch();
    if (outcome == SearchOutcome::Completed)
        ShowResults();
    return outcome == SearchOutcome::Completed;
}

void TQVXForm::MakeResultWindows()
{
    m_convertForm = new TConvertForm(m_workbench.Library(), m_dialog, m_progress, this);
    m_critDlg = new TSimCritDlg(m_workbench, m_dialog, this);
    m_searchDiagram = new TFormSearchDiagram(this);
    m_asciiWindow = new AsciiExportWindow(this);
}

void TQVXForm::ShowResults()
{
    m_reportPage->Fill(m_workbench);
    m_overviewPage->Fill(m_workbench);
    m_detailPage->Fill(); // leaves structure 1 in the library buffer
    m_resultsShown = true;
    m_exported = false;
    m_searchDiagram->Run(TFormSearchDiagram::DataOf(m_workbench));
}

void TQVXForm::OpenMatch(int rank)
{
    Run([this, rank] {
        if (!m_workbench.HasResults())
            return false;
        m_pages.OpenMatch();
        m_detailPage->ShowRank(rank);
        return true;
    });
}

bool TQVXForm::ResetAll()
{
    m_workbench.ResetAll();
    m_pages.ResultsGone();
    ShowQuery();
    return true;
}

bool TQVXForm::OpenLibraryFile(const std::string& file)
{
    return Run([this, &file] { return m_workbench.OpenLibrary(file); });
}

bool TQVXForm::LoadQueryFile(const std::string& file)
{
    return Run([this, &file] { return LoadMolecule(file); });
}

bool TQVXForm::LoadQuerySetFile(const std::string& file)
{
    return Run([this, &file] { return LoadQuerySet(file); });
}

bool TQVXForm::ChooseDescriptorSet(const std::string& name)
{
    return Run([this, &name] { return m_workbench.ChooseDescriptorSet(name); });
}

void TQVXForm::ShowQuery()
{
    const SearchState& state = m_workbench.State();
    // The view has a fixed size, known before the window is laid out.
    QImage picture(m_flow->query->sizeHint(), QImage::Format_RGB32);
    {
        QtCanvas canvas(picture);
        canvas.SetBrushColor(kWhite);
        canvas.Clear();
        if (state.QueryLoaded) {
            TGrafCtab drawing(&canvas);
            drawing.Assign(state.Query);
            drawing.DrawFitted(1, 10, 10, picture.width() - 10, picture.height() - 10, 50);
        }
    }
    m_flow->query->SetPicture(picture);
    // A query set is named by its size and file; the picture is its first query.
    const QuerySet* set = m_workbench.LoadedQuerySet();
    const int queries = set ? static_cast<int>(set->Size()) : 0;
    m_flow->SetQuerySetShown(queries, FusionTyped(m_workbench.ChosenFusion()));
    const std::string name =
        set ? QuerySetCaption(*set).toStdString()
            : state.QueryLoaded ? DisplayText(state.Query.FStrucName).toStdString() : std::string();
    const QFontMetrics metrics(m_flow->queryName->font());
    const int width = m_flow->queryName->width() - 2 * m_flow->queryName->margin() - 4;
    m_flow->queryName->setText(QString::fromStdString(FitLabel(name, width, [&metrics](std::string_view text) {
        return metrics.horizontalAdvance(QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())));
    })));
    m_flow->queryName->setToolTip(set ? QString::number(queries) + " queries from " +
                                            QFile::decodeName(QByteArray::fromStdString(set->file))
                                      : QString::fromStdString(name));
}

void TQVXForm::ShowPage()
{
    const int page = static_cast<int>(m_pages.Current());
    const bool changed = m_stack->currentIndex() != page;
    m_stack->setCurrentIndex(page);
    // The keys go where the page is used: the table's rows, the detail page's ranks.
    if (changed && m_pages.Current() == Page::Report)
        m_reportPage->Table()->setFocus();
    else if (changed && m_pages.Current() == Page::Detail)
        m_detailPage->setFocus();
    m_graphic->setVisible(m_pages.GraphicVisible());
    m_detailed->setVisible(m_pages.DetailedVisible());
}

void TQVXForm::Refresh()
{
    const MenuState menu = m_workbench.Menu();
    m_exportLibrary->setEnabled(menu.exportLibrary);
    m_viewLibrary->setEnabled(menu.viewLibrary);
    m_exportAscii->setEnabled(menu.exportAscii);
    m_saveMolecule->setEnabled(menu.saveMolecule);
    m_descriptors->setEnabled(menu.structuralDescriptors);
    m_calculate->setEnabled(menu.calculate);
    for (const auto& [rule, action] : m_fusionActions)
        action->setChecked(rule == m_workbench.ChosenFusion());
    m_viewTable->setEnabled(menu.viewTable);
    m_overview->setEnabled(menu.overview);
    m_viewDetailed->setEnabled(menu.viewDetailed);
    m_diagram->setEnabled(menu.diagram);
    m_intro->setChecked(menu.intro);
    m_normal->setChecked(menu.normal);
    m_calculateParameters->setEnabled(menu.calculateParameters);
    m_print->setEnabled(menu.print);

    FlowPage& flow = *m_flow;
    flow.internalLibrary->setVisible(menu.libraryIcon);
    flow.internalLibrary->setEnabled(m_viewLibrary->isEnabled());
    flow.saveMolecule->setEnabled(menu.saveMolecule);
    flow.descriptors->setEnabled(m_descriptors->isEnabled());
    flow.descriptors->SetFill(m_workbench.State().DescriptorsChosen ? kWorkingColor : kRestColor);
    for (FlowBox* box : {flow.similarityTable, flow.similarityExport, flow.internalStructure})
        box->setVisible(menu.resultIcons);
    flow.similarityTable->setEnabled(menu.viewTable);
    flow.similarityExport->setEnabled(m_exportLibrary->isEnabled());
    if (!m_workbench.HasResults() && m_resultsShown) {
        m_reportPage->Clear();
        m_overviewPage->Clear();
        m_detailPage->Clear();
        m_resultsShown = false;
        m_exported = false;
    }
    // The exported SD library is marked while its results are shown.
    flow.similarityExport->SetFill(m_exported ? kWorkingColor : kRestColor);
    m_detailPage->ShowQuery(m_workbench.State());
    flow.internalStructure->setEnabled(menu.viewDetailed);
    flow.calculatePanel->setVisible(m_workbench.CalculateEnabled());
    flow.SetFiltersShown(m_workbench.Filters().Any());
    flow.update();

    // Pages 1..3 show results; without them only the flow page is left.
    if (!m_workbench.HasResults() && m_pages.Current() != Page::Main)
        m_pages.ResultsGone();
    ShowPage();
    m_valueCaption->setText(QString::fromStdString(CoefficientLabel(m_workbench.ResultCoefficient())));

    const SearchState& state = m_workbench.State();
    QString line;
    if (state.LibraryOpen)
        line = QString("Library: %1 (%2 structures, %3 mode)")
                   .arg(QFileInfo(QString::fromStdString(state.LibraryFileName)).fileName())
                   .arg(state.LibraryCount)
                   .arg(state.Mode == DescriptorMode::Intro ? "INTRO" : "NORMAL");
    else
        line = "No library open";
    line += "    ";
    if (const QuerySet* set = m_workbench.LoadedQuerySet()) {
        line += "Query set: " + QuerySetCaption(*set) + ", fused by " + FusionTyped(m_workbench.ChosenFusion());
    } else if (state.QueryLoaded) {
        line += "Query: " + DisplayText(state.Query.FStrucName).trimmed();
        if (!state.QueryFileName.empty())
            line += " (" + QFileInfo(QString::fromStdString(state.QueryFileName)).fileName() + ")";
        else
            line += " (drawn)";
    } else {
        line += "No query loaded";
    }
    // The result library may have a name of its own when the usual one was taken.
    const QString results = QFileInfo(QString::fromStdString(state.SimilarLibraryFileName)).fileName();
    if (m_workbench.HasResults() && !results.isEmpty())
        line += "    Best matches: " + results;
    m_flow->similarityTable->setToolTip(m_workbench.HasResults() && !results.isEmpty()
                                            ? "View the table of the best matches (" + results + ")"
                                            : QString("View the table of the best matches"));
    m_statusLine->setText(line);
    QString tip = QFile::decodeName(QByteArray::fromStdString(m_workbench.LibraryPath()));
    if (m_workbench.HasResults() && !results.isEmpty())
        tip += "\nBest matches: " + QString::fromStdString(state.SimilarLibraryFileName);
    m_statusLine->setToolTip(tip);
}

} // namespace velmora::gui
