#include "drawpenform.h"

#include "base/ioerror.h"
#include "dialogs.h"
#include "drawpenabout.h"
#include "flowpage.h"
#include "livepanel.h"
#include "editor/editorviews.h"
#include "matgrid.h"
#include "persys.h"
#include "qtcanvas.h"
#include "qtuserdialog.h"
#include "model/elements.h"

#include <QCheckBox>
#include <QClipboard>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QMimeData>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QLabel>
#include <QListWidget>
#include <QMenuBar>
#include <QMessageBox>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QScrollBar>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>
#include <map>

namespace velmora::gui {

using editor::Control;
using editor::MouseButton;
using editor::Tool;

namespace {

const QColor kTeal(0, 128, 128);
// The clipboard type other chemistry programs read a molfile from.
const QString kMolfileMime = QStringLiteral("chemical/x-mdl-molfile");
const QString kSmilesMime = QStringLiteral("chemical/x-daylight-smiles");
const QColor kMaroon(128, 0, 0);
constexpr int kButtonSize = 31;

// The tool bar's icons: names of SVG icons in the resources (crisp at any scale); nullptr for the
// buttons that show a caption ("esc", "Exit", "ID").
const char* IconName(Control control)
{
    switch (control) {
    case Control::Draw: return "draw";
    case Control::MoveStructure: return "movestructure";
    case Control::MoveAtom: return "moveatom";
    case Control::MoveWindow: return "movewindow";
    case Control::MoveRing: return "movering";
    case Control::ChangeAtom: return "changeatom";
    case Control::ChangeBond: return "changebond";
    case Control::ChangeCharge: return "changecharge";
    case Control::DeleteAtom: return "deleteatom";
    case Control::BreakBond: return "breakbond";
    case Control::DeleteWithinWindow: return "deletewindow";
    case Control::DeleteWholeStructure: return "deletestructure";
    case Control::LoadScratch: return "loadscratch";
    case Control::SaveScratch: return "savescratch";
    case Control::Oops: return "oops";
    case Control::ZoomFit: return "zoomfit";
    case Control::Center: return "center";
    case Control::ZoomIn: return "zoomin";
    case Control::ZoomOut: return "zoomout";
    case Control::RotateLeft: return "rotateleft";
    case Control::RotateRight: return "rotateright";
    case Control::MirrorX: return "mirrorx";
    case Control::MirrorY: return "mirrory";
    case Control::DistanceMatrix: return "distancematrix";
    case Control::Bond: return "bond";
    case Control::Ring3: return "ring3";
    case Control::Ring4: return "ring4";
    case Control::Ring5: return "ring5";
    case Control::Ring6: return "ring6";
    case Control::Ring7: return "ring7";
    case Control::Ring8: return "ring8";
    case Control::Benzene: return "benzene";
    case Control::Undo: return "undo";
    case Control::Redo: return "redo";
    case Control::CleanUp: return "cleanup";
    default: return nullptr;
    }
}

// The element cursors: a cross-hair with the element's symbol, hot spot in the middle.
QCursor ElementCursor(int element)
{
    static std::map<int, QCursor> cursors;
    if (editor::ElementCursorNumber(element) == 0)
        return QCursor(Qt::ArrowCursor);
    const auto found = cursors.find(element);
    if (found != cursors.end())
        return found->second;
    QPixmap pixmap(32, 32);
    pixmap.fill(Qt::transparent);
    {
        QPainter p(&pixmap);
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(QPen(Qt::white, 3));
        p.drawLine(16, 9, 16, 23);
        p.drawLine(9, 16, 23, 16);
        p.setPen(QPen(Qt::black, 1));
        p.drawLine(16, 9, 16, 23);
        p.drawLine(9, 16, 23, 16);
        QFont font("Arial");
        font.setPixelSize(11);
        font.setBold(true);
        const QString symbol = QString::fromStdString(ElementSymbol(element));
        QPainterPath path;
        path.addText(18, 30, font, symbol);
        p.setPen(QPen(Qt::white, 3));
        p.drawPath(path);
        p.fillPath(path, kMaroon);
    }
    return cursors.emplace(element, QCursor(pixmap, 16, 16)).first->second;
}

} // namespace

DrawArea::DrawArea(TDrawpenForm& form) : QWidget(&form), m_form(form)
{
    setMouseTracking(true);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMinimumSize(200, 150);
    setObjectName("drawArea");
    setFocusPolicy(Qt::StrongFocus);
}

void DrawArea::paintEvent(QPaintEvent*)
{
    if (m_image.size() != size())
        m_image = QImage(size(), QImage::Format_RGB32);
    m_form.RenderDrawing(m_image);
    QPainter painter(this);
    painter.drawImage(0, 0, m_image);
    const auto& control = m_form.Controller();
    if (control.ActiveTool() == Tool::Ring && !control.RingPreview().empty()) {
        // The ring a click would add.
        QPolygonF ring;
        for (const editor::PointF& corner : control.RingPreview())
            ring << QPointF(corner.x, corner.y);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(QPen(QColor(0, 128, 128, 170), 1.5));
        painter.setBrush(QColor(0, 128, 128, 28));
        painter.drawPolygon(ring);
    }
    if (control.RubberBandShown() && control.ActiveTool() == Tool::Bond) {
        // The bond the next click adds, as long as it will be.
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(QPen(QColor(0, 96, 96), 1.5));
        painter.drawLine(QPointF(control.Anchor().x, control.Anchor().y),
                         QPointF(control.Current().x, control.Current().y));
        painter.setBrush(QColor(0, 96, 96));
        painter.drawEllipse(QPointF(control.Current().x, control.Current().y), 2.5, 2.5);
    } else if (control.RubberBandShown()) {
        painter.setPen(QPen(QColor(0, 96, 96), 1, Qt::DashLine));
        painter.drawLine(QPointF(control.Anchor().x, control.Anchor().y),
                         QPointF(control.Current().x, control.Current().y));
    }
}

void DrawArea::mousePressEvent(QMouseEvent* event)
{
    setFocus(Qt::MouseFocusReason); // the keys act on what lies under the pointer
    const bool free = (event->modifiers() & Qt::ShiftModifier) != 0;
    if (event->button() == Qt::LeftButton)
        m_form.AreaPress(MouseButton::Left, event->position(), free);
    else if (event->button() == Qt::RightButton)
        m_form.AreaPress(MouseButton::Right, event->position(), free);
}

void DrawArea::mouseMoveEvent(QMouseEvent* event)
{
    m_form.AreaMove(event->position(), (event->buttons() & Qt::LeftButton) != 0,
                    (event->modifiers() & Qt::ShiftModifier) != 0);
}

void DrawArea::mouseReleaseEvent(QMouseEvent*)
{
    m_form.AreaRelease();
}

void DrawArea::resizeEvent(QResizeEvent*)
{
    m_form.Model().SetDrawingArea(width(), height());
}

TDrawpenForm::TDrawpenForm(std::string scratchFolder, QWidget* parent)
    : QDialog(parent), m_scratchFolder(std::move(scratchFolder))
{
    setWindowTitle("Structure Editor");
    setObjectName("drawpenForm");
    setStyleSheet("QToolTip { background-color: rgb(0, 128, 128); color: white; border: 1px solid black; }");

    m_area = new DrawArea(*this);
    m_list = new QListWidget(this);
    m_list->setFixedWidth(171);
    m_list->setObjectName("ctabList");
    m_list->setFont(QFont("Courier New", 10));
    m_list->hide();
    connect(m_list, &QListWidget::itemDoubleClicked, this, [this] {
        m_list->hide();
        m_model.HideNumbers();
        Sync();
    });

    m_namePanel = new QPushButton(this);
    m_namePanel->setObjectName("namePanel");
    m_namePanel->setFlat(true);
    m_namePanel->setToolTip("Name of the structure: click to edit");
    m_namePanel->setStyleSheet("QPushButton { text-align: left; padding-left: 8px; }");
    connect(m_namePanel, &QPushButton::clicked, this, &TDrawpenForm::EditName);
    m_status = new QLabel(this);
    m_status->setObjectName("editorStatus");
    m_status->setStyleSheet("color: rgb(128, 0, 0);");
    auto* bottom = new QWidget(this);
    bottom->setFixedHeight(32);
    auto* bottomLayout = new QHBoxLayout(bottom);
    bottomLayout->setContentsMargins(2, 0, 8, 0);
    bottomLayout->addWidget(m_namePanel, 1);
    bottomLayout->addWidget(m_status);
    // Live results: the panel beside the drawing follows every change while the box is ticked.
    m_liveBox = new QCheckBox("Live", this);
    m_liveBox->setObjectName("liveBox");
    m_liveBox->setToolTip("Search the open library for the drawing as it changes");
    bottomLayout->addWidget(m_liveBox);
    m_live = new LivePanel(this);
    m_live->hide();
    connect(m_liveBox, &QCheckBox::toggled, this, [this](bool on) {
        m_live->setVisible(on);
        m_live->SetActive(on);
        if (on && width() < 648 + m_live->width())
            resize(648 + m_live->width(), height());
    });

    auto* middle = new QHBoxLayout;
    middle->setSpacing(0);
    middle->addWidget(m_area, 1);
    middle->addWidget(m_list);
    middle->addWidget(m_live);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    BuildMenus();
    layout->addWidget(BuildToolBar());
    layout->addLayout(middle, 1);
    layout->addWidget(bottom);

    m_picker = new TPersysForm(this);
    m_matrix = new TFrmMatGrid(this);
    m_textDialog = new TextDialog(this);
    m_about = new TDrawpenAboutBx(this);
    resize(648, 513); // the drawing area 648 x 360 below a tool bar of three rows
    Sync();
}

TDrawpenForm::~TDrawpenForm() = default;

void TDrawpenForm::TakeQuery(const TCTab& query, bool drawn)
{
    m_controller.PrepareForHandOver();
    m_controller.StructureReplaced();
    // A window not shown yet has not told the model the size of its drawing area.
    if (!m_area->isVisible()) {
        layout()->activate();
        m_model.SetDrawingArea(m_area->width(), m_area->height());
    }
    m_model.TakeQuery(query, drawn);
    m_model.ClearHistory(); // undo starts from the structure the editor opened with
    Sync();
}

void TDrawpenForm::SetLiveSource(std::optional<LiveSearchSetup> setup)
{
    const bool possible = setup.has_value();
    m_live->SetSource(std::move(setup));
    m_liveBox->setEnabled(possible);
    m_liveBox->setToolTip(possible ? "Search the open library for the drawing as it changes"
                                   : "Live results need a library open in NORMAL mode and descriptors chosen");
    if (!possible)
        m_liveBox->setChecked(false);
    m_live->DrawingChanged(m_model.QueryStructure()); // charges as the search reads them: molfile codes
}

void TDrawpenForm::BuildMenus()
{
    auto* bar = new QMenuBar(this);
    m_exitAction = bar->addAction("Exit");
    connect(m_exitAction, &QAction::triggered, this, [this] { Finish(true); });
    bar->addAction("Copy");
    bar->addAction("Attributes");
    QMenu* preferences = bar->addMenu("Preferences");
    m_snapAction = preferences->addAction("Snap Off");
    m_snapAction->setToolTip("Turn Snap Mode On/Off");
    m_snapAction->setStatusTip("Turn Snap Mode On/Off");
    connect(m_snapAction, &QAction::triggered, this, [this] {
        m_model.Snap = !m_model.Snap;
        m_snapAction->setText(m_model.Snap ? "Snap Off" : "Snap On");
    });
    m_gridAction = preferences->addAction("Grid Off");
    connect(m_gridAction, &QAction::triggered, this, [this] {
        m_model.Grid = !m_model.Grid;
        m_gridAction->setText(m_model.Grid ? "Grid Off" : "Grid On");
        m_area->update();
    });
    QMenu* varia = bar->addMenu("Varia");
    m_showCtab = varia->addAction("Show CTAB");
    connect(m_showCtab, &QAction::triggered, this, &TDrawpenForm::ShowCtab);
    m_matrixAction = varia->addAction("Distance Matrix");
    connect(m_matrixAction, &QAction::triggered, this, &TDrawpenForm::ShowDistanceMatrix);
    QAction* about = bar->addAction("About");
    connect(about, &QAction::triggered, this, [this] { m_about->exec(); });
    layout()->setMenuBar(bar);
}

QToolButton* TDrawpenForm::AddButton(Control control, const QString& hint, const QString& caption)
{
    auto* button = new QToolButton(this);
    button->setFixedSize(kButtonSize, kButtonSize);
    button->setAutoRaise(false);
    if (const char* icon = IconName(control)) {
        button->setIcon(Icon(icon));
        button->setIconSize(QSize(24, 24));
    } else {
        button->setText(caption);
    }
    if (!hint.isEmpty()) {
        button->setToolTip(hint);
        button->setAccessibleName(hint);
    }
    m_buttons[static_cast<std::size_t>(control)] = button;
    const bool tool = editor::SelectsTool(control);
    button->setCheckable(tool);
    if (tool)
        connect(button, &QToolButton::clicked, this, [this, control] { PressTool(control); });
    else
        connect(button, &QToolButton::clicked, this, [this, control] { Command(control); });
    return button;
}

QWidget* TDrawpenForm::BuildToolBar()
{
    auto* bar = new QWidget(this);
    bar->setObjectName("editorToolBar");
    bar->setFixedHeight(103);
    bar->setAutoFillBackground(true);
    QPalette palette = bar->palette();
    palette.setColor(QPalette::Window, kTeal);
    bar->setPalette(palette);
    auto row = [&](std::initializer_list<std::initializer_list<QToolButton*>> groups) {
        auto* line = new QHBoxLayout;
        line->setSpacing(2);
        for (const auto& group : groups) {
            for (QToolButton* button : group)
                line->addWidget(button);
            line->addSpacing(10);
        }
        line->addStretch(1);
        return line;
    };
    auto* layout = new QVBoxLayout(bar);
    layout->setContentsMargins(6, 3, 6, 3);
    layout->setSpacing(2);
    layout->addLayout(row({{AddButton(Control::Esc, "", "esc"), AddButton(Control::Exit, "", "Exit")},
                           {AddButton(Control::Draw, "Draw Structure")},
                           {AddButton(Control::MoveStructure, "Move Structure"), AddButton(Control::MoveAtom, "Move Atom"),
                            AddButton(Control::MoveWindow, "Move Window"), AddButton(Control::MoveRing, "Move Ring")},
                           {AddButton(Control::ChangeAtom, "Change Atom"), AddButton(Control::ChangeBond, "Change Bond"),
                            AddButton(Control::ChangeCharge, "Change Charge")},
                           {AddButton(Control::DeleteAtom, "Delete Atom"), AddButton(Control::BreakBond, "Break Bond"),
                            AddButton(Control::DeleteWithinWindow, "Delete Within Window"),
                            AddButton(Control::DeleteWholeStructure, "Delete  Whole Structure")}}));
    layout->addLayout(row({{AddButton(Control::LoadScratch, "Load from Scratchpad"),
                            AddButton(Control::SaveScratch, "Save on Scratchpad"), AddButton(Control::Oops, "")},
                           {AddButton(Control::ZoomFit, "Zoom 1:1"), AddButton(Control::Center, "Center Structure"),
                            AddButton(Control::ZoomIn, "Zoom In"), AddButton(Control::ZoomOut, "Zoom Out")},
                           {AddButton(Control::RotateLeft, "Rotate Counterclockwise"),
                            AddButton(Control::RotateRight, "Rotate Clockwise"), AddButton(Control::MirrorX, "Mirror X"),
                            AddButton(Control::MirrorY, "Mirror Y")},
                           {AddButton(Control::Id, "", "ID"), AddButton(Control::DistanceMatrix, "")}}));
    layout->addLayout(row({{AddButton(Control::Bond, "Draw Bonds: standard length, 30\u00b0 steps (Shift: any angle)")},
                           {AddButton(Control::Ring3, "Three-Membered Ring"), AddButton(Control::Ring4, "Four-Membered Ring"),
                            AddButton(Control::Ring5, "Five-Membered Ring"), AddButton(Control::Ring6, "Six-Membered Ring"),
                            AddButton(Control::Ring7, "Seven-Membered Ring"), AddButton(Control::Ring8, "Eight-Membered Ring"),
                            AddButton(Control::Benzene, "Benzene")},
                           {AddButton(Control::Undo, "Undo (Ctrl+Z)"), AddButton(Control::Redo, "Redo (Ctrl+Shift+Z)")},
                           {AddButton(Control::CleanUp, "Clean up")}}));
    Button(Control::Undo)->setAccessibleName("Undo Action");
    Button(Control::Redo)->setAccessibleName("Redo Action");
    Button(Control::Esc)->setObjectName("esc");
    Button(Control::Exit)->setObjectName("exit");
    Button(Control::Oops)->setObjectName("SButOops");
    Button(Control::Oops)->setAccessibleName("Undo");
    Button(Control::DistanceMatrix)->setAccessibleName("Distance Matrix");
    Button(Control::DistanceMatrix)->setToolTip("Distance Matrix");
    Button(Control::ChangeAtom)->installEventFilter(this);
    return bar;
}

void TDrawpenForm::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    Sync();
}

void TDrawpenForm::PressTool(Control control)
{
    m_controller.PressTool(control);
    Sync();
}

void TDrawpenForm::Command(Control control)
{
    if (!m_controller.Enabled(control)) {
        Sync();
        return;
    }
    switch (control) {
    case Control::Esc: Finish(false); return;
    case Control::Exit: Finish(true); return;
    case Control::LoadScratch: LoadScratch(); return;
    case Control::SaveScratch: SaveScratch(); return;
    case Control::Id: EditName(); return;
    case Control::DistanceMatrix: ShowDistanceMatrix(); return;
    case Control::Oops:
    case Control::ZoomFit:
    case Control::Center:
    case Control::ZoomIn:
    case Control::ZoomOut:
    case Control::RotateLeft:
    case Control::RotateRight:
    case Control::MirrorX:
    case Control::MirrorY:
    case Control::DeleteWholeStructure:
    case Control::Undo:
    case Control::Redo:
    case Control::CleanUp: m_controller.Run(control); break;
    default: break; // "Move Window" and "Move Ring" select nothing
    }
    Sync();
}

void TDrawpenForm::Finish(bool ok)
{
    // Bonds drawn with the tool still active are listed at one end only: complete them first.
    m_controller.PrepareForHandOver();
    Sync();
    if (ok)
        accept();
    else
        reject();
}

void TDrawpenForm::EditName()
{
    if (!m_controller.Enabled(Control::NamePanel))
        return;
    const auto name = m_textDialog->Ask("Structure Name", DisplayText(m_model.Structure().FStrucName).toStdString(),
                                        "Name of Compound");
    if (name) {
        m_model.BeginAction();
        m_model.Structure().FStrucName = *name;
        m_model.EndAction();
    }
    Sync();
}

void TDrawpenForm::ShowCtab()
{
    m_model.ShowNumbers();
    m_list->show();
    Sync();
}

void TDrawpenForm::ShowDistanceMatrix()
{
    m_matrix->SetMatrix("Distance Matrix", editor::DistanceMatrixOf(m_model.Structure()));
    m_matrix->exec();
}

void TDrawpenForm::ChooseElement()
{
    if (m_controller.ActiveTool() != Tool::ChangeAtom)
        m_controller.PressTool(Control::ChangeAtom);
    Sync();
    if (m_picker->exec() == QDialog::Accepted && m_picker->SelectedElement() > 0)
        m_model.SelectedElement = m_picker->SelectedElement();
    else if (m_controller.ActiveTool() == Tool::ChangeAtom)
        m_controller.EndTool();
    Sync();
}

void TDrawpenForm::SaveScratch()
{
    // Bonds of a chain being drawn are completed first, so the file holds them from both ends.
    m_controller.PrepareForHandOver();
    Sync();
    try {
        m_model.SaveScratch(m_scratchFolder);
        m_status->setText("Saved on the scratchpad.");
    } catch (const IoError& error) {
        QMessageBox::critical(this, "Error", QString::fromStdString(error.what()));
    }
}

void TDrawpenForm::LoadScratch()
{
    m_model.BeginAction();
    const bool loaded = m_model.LoadScratch(m_scratchFolder);
    m_model.EndAction();
    if (loaded)
        m_controller.StructureReplaced();
    Sync();
    if (!loaded)
        m_status->setText("Nothing loaded: the scratchpad is empty or unreadable.");
}

void TDrawpenForm::AreaPress(MouseButton button, QPointF position, bool free)
{
    const Tool before = m_controller.ActiveTool();
    const bool repaint = m_controller.MousePress(button, position.x(), position.y(), free);
    if (repaint || before != m_controller.ActiveTool())
        Sync();
    else
        m_status->setText(QString::fromStdString(m_controller.Status()));
}

void TDrawpenForm::AreaMove(QPointF position, bool leftHeld, bool free)
{
    if (m_controller.MouseMove(position.x(), position.y(), leftHeld, free))
        m_area->update();
}

void TDrawpenForm::AreaRelease()
{
    m_controller.MouseRelease();
    Sync(); // a finished drag can be undone now
}

void TDrawpenForm::RenderDrawing(QImage& image)
{
    QtCanvas canvas(image);
    canvas.SetBrushColor(kWhite);
    canvas.Clear();
    if (m_model.Grid) {
        const Color maroon = Rgb(128, 0, 0);
        for (int i = 1; i <= image.width() / editor::kGridX; ++i)
            for (int j = 1; j <= image.height() / editor::kGridY; ++j)
                canvas.SetPixel(editor::kGridX * i, editor::kGridY * j, maroon);
    }
    // While a chain is drawn its newest bonds are listed at one end only; draw them all.
    TGrafCtab view(&canvas);
    view.Assign(m_model.Structure());
    view.ClipRect = m_model.Structure().ClipRect;
    view.FormalCharges = true; // the editor's charges, not molfile codes
    // An undo may also bring back such a state.
    view.Symmetrize();
    view.DrawInEditor(m_model.LabelMode);
}

void TDrawpenForm::Sync()
{
    for (int c = 0; c < editor::kControlCount; ++c) {
        const auto control = static_cast<Control>(c);
        QToolButton* button = Button(control);
        if (!button)
            continue;
        button->setEnabled(m_controller.Enabled(control));
        if (button->isCheckable())
            button->setChecked(m_controller.ShownPressed(control));
    }
    m_namePanel->setEnabled(m_controller.Enabled(Control::NamePanel));
    m_namePanel->setText(DisplayText(m_model.Structure().FStrucName));
    m_area->setCursor(ElementCursor(m_controller.CursorElement()));
    m_status->setText(QString::fromStdString(m_controller.Status()));
    if (m_list->isVisible() || m_model.LabelMode == 3) {
        // Only the lines that changed are replaced, so the list does not flicker while drawing.
        const std::vector<std::string> lines = editor::ConnectionTableLines(m_model.Structure());
        while (m_list->count() > static_cast<int>(lines.size()))
            delete m_list->takeItem(m_list->count() - 1);
        for (std::size_t k = 0; k < lines.size(); ++k) {
            const QString text = QString::fromStdString(lines[k]);
            if (static_cast<int>(k) < m_list->count()) {
                if (m_list->item(static_cast<int>(k))->text() != text)
                    m_list->item(static_cast<int>(k))->setText(text);
            } else {
                m_list->addItem(text);
            }
        }
        // As wide as its longest line: a list of many neighbours is not cut off on the right.
        const QFontMetrics metrics(m_list->font());
        int widest = 0;
        for (int k = 0; k < m_list->count(); ++k)
            widest = std::max(widest, metrics.horizontalAdvance(m_list->item(k)->text()));
        const int width = widest + 2 * m_list->frameWidth() + 4 * m_list->spacing() + 12 +
                          m_list->verticalScrollBar()->sizeHint().width();
        m_list->setFixedWidth(std::max(171, width));
    }
    m_live->DrawingChanged(m_model.QueryStructure()); // charges as the search reads them: molfile codes
    m_area->update();
}

void TDrawpenForm::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape) {
        if (m_controller.ActiveTool() == Tool::None)
            Finish(false); // like the "esc" button, which is disabled while a tool is active
        return;
    }
    if (event->key() == Qt::Key_Z && (event->modifiers() & Qt::ControlModifier)) {
        if (event->modifiers() & Qt::ShiftModifier)
            m_controller.Redo();
        else
            m_controller.Undo();
        Sync();
        return;
    }
    if (event->matches(QKeySequence::Copy)) {
        CopyToClipboard();
        return;
    }
    if (event->matches(QKeySequence::Paste)) {
        PasteFromClipboard();
        return;
    }
    if (event->key() == Qt::Key_Delete || event->key() == Qt::Key_Backspace) {
        if (m_controller.KeyDelete())
            Sync();
        return;
    }
    if (!(event->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier)) && !event->text().isEmpty() &&
        m_controller.KeyText(event->text().toStdString())) {
        Sync();
        return;
    }
    QDialog::keyPressEvent(event);
}

void TDrawpenForm::CopyToClipboard()
{
    if (m_model.AtomCount() < 1)
        return;
    const QByteArray molfile = QByteArray::fromStdString(m_model.MolfileText());
    auto* data = new QMimeData;
    data->setData(kMolfileMime, molfile);
    // Plain text: the SMILES where it can be written, else the molfile.
    std::string smiles;
    if (m_model.SmilesText(smiles).empty() && !smiles.empty()) {
        data->setData(kSmilesMime, QByteArray::fromStdString(smiles));
        data->setText(QString::fromStdString(smiles));
        m_status->setText("Copied as a molfile and as SMILES.");
    } else {
        data->setText(QString::fromUtf8(molfile));
        m_status->setText("Copied as a molfile.");
    }
    QGuiApplication::clipboard()->setMimeData(data);
}

void TDrawpenForm::PasteFromClipboard()
{
    const QMimeData* data = QGuiApplication::clipboard()->mimeData();
    if (!data)
        return;
    const std::string text = data->hasFormat(kMolfileMime) ? data->data(kMolfileMime).toStdString()
                                                            : data->text().toStdString();
    m_controller.PasteText(text);
    Sync();
}

void TDrawpenForm::closeEvent(QCloseEvent* event)
{
    m_controller.PrepareForHandOver();
    Sync();
    QDialog::closeEvent(event);
}

bool TDrawpenForm::eventFilter(QObject* watched, QEvent* event)
{
    // A double click on the "Change Atom" toggle would toggle it on and off again: the click that
    // completes it is taken here, the tool stays on and the element picker opens.
    QToolButton* changeAtom = Button(Control::ChangeAtom);
    if (watched == changeAtom) {
        if (event->type() == QEvent::MouseButtonDblClick) {
            if (changeAtom->isDown())
                m_pickerPending = true; // its release follows
            else
                QTimer::singleShot(0, this, &TDrawpenForm::ChooseElement);
            return true;
        }
        if (event->type() == QEvent::MouseButtonRelease && m_pickerPending) {
            m_pickerPending = false;
            changeAtom->setDown(false);
            QTimer::singleShot(0, this, &TDrawpenForm::ChooseElement);
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

} // namespace velmora::gui
