#include "viewlib.h"

#include "base/fitlabel.h"
#include "base/ioerror.h"
#include "base/numtext.h"
#include "ctabview.h"
#include "dbstat.h"
#include "graphics/printlayout.h"
#include "io/liblock.h"
#include "model/formula.h"
#include "printreport.h"
#include "qtcanvas.h"
#include "qtprinttarget.h"
#include "qtuserdialog.h"

#include <QFontMetrics>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QPushButton>
#include <QScrollBar>
#include <QVBoxLayout>

namespace velmora::gui {

namespace {

constexpr int kPictureWidth = 420, kPictureHeight = 300;
constexpr int kNameWidth = 260; // the name label's width: longer names end in "=>"

QLabel* ValueLabel(QWidget* parent, const char* objectName)
{
    auto* label = new QLabel(parent);
    label->setObjectName(objectName);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    return label;
}

QPushButton* Button(const QString& caption, const char* objectName, QWidget* parent)
{
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(objectName);
    button->setAutoDefault(false);
    return button;
}

} // namespace

TViewForm::TViewForm(Workbench& workbench, UserDialog& dialog, PrinterProvider& printers, QWidget* parent)
    : QDialog(parent), m_workbench(workbench), m_dialog(dialog), m_printers(&printers),
      m_image(kPictureWidth, kPictureHeight, QImage::Format_RGB32)
{
    setObjectName("TViewForm");
    m_image.fill(Qt::white);
    const QFont mono("Courier New");

    m_picture = new QLabel(this);
    m_picture->setObjectName("picture");
    m_picture->setFixedSize(kPictureWidth, kPictureHeight);
    m_picture->setFrameShape(QFrame::Box);

    auto* structure = new QGroupBox("Structure", this);
    auto* structureGrid = new QGridLayout(structure);
    const char* captions[] = {"Name    :", "Formula :", "CASNr   :"};
    m_name = ValueLabel(structure, "name");
    m_name->setFixedWidth(kNameWidth);
    m_formula = ValueLabel(structure, "formula");
    m_cas = ValueLabel(structure, "casNumber");
    QLabel* values[] = {m_name, m_formula, m_cas};
    for (int i = 0; i < 3; ++i) {
        auto* caption = new QLabel(captions[i], structure);
        caption->setFont(mono);
        structureGrid->addWidget(caption, i, 0);
        structureGrid->addWidget(values[i], i, 1);
    }
    m_connTabButton = ::velmora::gui::Button("ConnTab", "connTab", structure);
    m_connTabButton->setToolTip("View Connection-Table");
    structureGrid->addWidget(m_connTabButton, 3, 1, Qt::AlignRight);

    auto* library = new QGroupBox("Library", this);
    auto* libraryRow = new QHBoxLayout(library);
    auto* structuresCaption = new QLabel("Structures:", library);
    m_count = ValueLabel(library, "count");
    m_count->setFont(mono);
    libraryRow->addWidget(structuresCaption);
    libraryRow->addWidget(m_count, 1);

    auto* position = new QGroupBox("  Position ", this);
    auto* positionGrid = new QGridLayout(position);
    m_positionField = new QLineEdit(position);
    m_positionField->setObjectName("positionField");
    m_positionField->setFont(mono);
    m_positionField->setAlignment(Qt::AlignRight);
    m_positionField->setMaxLength(24);
    m_goto = ::velmora::gui::Button("=>", "goto", position);
    m_goto->setToolTip("Goto");
    m_back = ::velmora::gui::Button("<<", "back", position);
    m_forward = ::velmora::gui::Button(">>", "forward", position);
    for (QPushButton* small : {m_goto, m_back, m_forward})
        small->setFixedWidth(40);
    m_scroll = new QScrollBar(Qt::Horizontal, position);
    m_scroll->setObjectName("scrollBar");
    m_scroll->setPageStep(ViewerNavigation::kStep);
    positionGrid->addWidget(m_positionField, 0, 0);
    positionGrid->addWidget(m_goto, 0, 1);
    positionGrid->addWidget(m_back, 0, 2);
    positionGrid->addWidget(m_forward, 0, 3);
    positionGrid->addWidget(m_scroll, 1, 0, 1, 4);

    m_write = ::velmora::gui::Button("Write to file", "writeToFile", this);
    m_print = ::velmora::gui::Button("Print Structure", "printStructure", this);
    auto* statistics = ::velmora::gui::Button("Statistics", "statistics", this);
    auto* exit = ::velmora::gui::Button("Exit", "exit", this);

    auto* side = new QVBoxLayout;
    side->addWidget(structure);
    side->addWidget(library);
    side->addWidget(position);
    side->addStretch(1);
    auto* top = new QHBoxLayout;
    top->addWidget(m_picture, 0, Qt::AlignTop);
    top->addLayout(side, 1);
    auto* buttons = new QHBoxLayout;
    for (QPushButton* button : {m_write, m_print, statistics})
        buttons->addWidget(button);
    buttons->addStretch(1);
    buttons->addWidget(exit);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top, 1);
    layout->addLayout(buttons);

    m_conntab = new TConTab(this);
    m_statistics = new TStatisticForm(workbench.Library(), dialog, printers, this);
    m_printing = new PrintingWindow(this);

    connect(m_forward, &QPushButton::clicked, this, [this] {
        if (m_navigation.StepForward())
            ReadAndShow();
    });
    connect(m_back, &QPushButton::clicked, this, [this] {
        if (m_navigation.StepBack())
            ReadAndShow();
    });
    connect(m_scroll, &QScrollBar::valueChanged, this, [this](int value) {
        if (value != m_navigation.Position() && m_navigation.ScrollTo(value))
            ReadAndShow();
    });
    connect(m_goto, &QPushButton::clicked, this, &TViewForm::GoToField);
    connect(m_positionField, &QLineEdit::returnPressed, this, &TViewForm::GoToField);
    connect(m_connTabButton, &QPushButton::clicked, this, &TViewForm::ShowConnTab);
    connect(m_write, &QPushButton::clicked, this, [this] { Guarded([this] { WriteToFile(); }); });
    connect(m_print, &QPushButton::clicked, this, [this] { Guarded([this] { PrintStructure(); }); });
    connect(statistics, &QPushButton::clicked, this, &TViewForm::OpenStatistics);
    connect(exit, &QPushButton::clicked, this, &QDialog::accept);
}

void TViewForm::SetPrinterProvider(PrinterProvider& printers)
{
    m_printers = &printers;
    m_statistics->SetPrinterProvider(printers);
}

QPushButton& TViewForm::Button(const QString& objectName) { return *findChild<QPushButton*>(objectName); }

int TViewForm::Run()
{
    Open();
    return exec();
}

void TViewForm::Open()
{
    m_libraryName = m_workbench.State().LibraryFileName;
    setWindowTitle(DisplayText(m_libraryName));
    m_navigation.Open(CountLibraryRecords(m_libraryName));
    const long count = m_navigation.Count();
    m_count->setText(QString::fromStdString(PadLeft(std::to_string(count), 6)));
    {
        const QSignalBlocker block(m_scroll);
        m_scroll->setRange(1, static_cast<int>(std::clamp<long>(count, 1, INT_MAX)));
        m_scroll->setValue(1);
    }
    m_scroll->setEnabled(count > 1);
    m_positionField->setEnabled(count > 0);
    m_goto->setEnabled(count > 0);
    m_positionField->setText(QString::fromStdString(m_navigation.LastPositionText()));
    m_read = false;
    m_structure.Clear();
    if (count == 0) {
        Show();
        return;
    }
    ReadAndShow();
}

void TViewForm::ReadAndShow()
{
    // A record that cannot be read must not show the structure read before under this position.
    std::string busy; // another program writes the library now: nothing of it is read
    try {
        const LibraryLock lock(m_libraryName, LibraryWork::Read);
        m_read = m_workbench.Library().ReadLibraryRecord(m_libraryName, m_navigation.Position()) == kLibOk;
    } catch (const LibraryBusy& error) {
        m_read = false;
        busy = error.what();
    }
    if (m_read)
        m_structure.Assign(m_workbench.Library().Structure());
    else
        m_structure.Clear();
    Show();
    if (!busy.empty())
        m_dialog.ShowMessage(MessageKind::Error, "Error", busy, MessageButtons::Ok);
}

void TViewForm::Show()
{
    const QFontMetrics metrics(m_name->font());
    const std::string fitted = FitLabel(DisplayText(m_structure.FStrucName).toStdString(), kNameWidth,
                                        [&metrics](std::string_view text) {
                                            return metrics.horizontalAdvance(
                                                QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())));
                                        });
    m_name->setText(m_read ? QString::fromStdString(fitted) : QString());
    m_name->setToolTip(m_read ? DisplayText(m_structure.FStrucName) : QString());
    m_formula->setText(m_read ? QString::fromStdString(MolecularFormula(m_structure)) : QString());
    m_cas->setText(m_read ? QString::fromStdString(CASNumberShown(m_structure.FCASNr)) : QString());
    if (m_navigation.Count() > 0) {
        m_positionField->setText(QString::fromStdString(m_navigation.PositionText()));
        m_navigation.Shown();
        const QSignalBlocker block(m_scroll);
        m_scroll->setValue(static_cast<int>(m_navigation.Position()));
    }
    m_forward->setEnabled(m_navigation.CanStepForward());
    m_back->setEnabled(m_navigation.CanStepBack());
    for (QPushButton* button : {m_connTabButton, m_write, m_print})
        button->setEnabled(m_read);
    DrawPicture(1);
}

void TViewForm::DrawPicture(int mode)
{
    {
        QtCanvas canvas(m_image);
        canvas.SetBrushColor(kWhite);
        canvas.Clear();
        if (m_read) {
            TGrafCtab drawing(&canvas);
            drawing.Assign(m_structure);
            drawing.DrawFitted(mode, 10, 10, m_image.width() - 10, m_image.height() - 10, 50);
        }
    }
    m_picture->setPixmap(QPixmap::fromImage(m_image));
}

void TViewForm::GoToField()
{
    if (m_navigation.GoTo(m_positionField->text().toStdString()))
        ReadAndShow();
    else
        m_positionField->setText(QString::fromStdString(m_navigation.LastPositionText()));
}

void TViewForm::Guarded(const std::function<void()>& command)
{
    try {
        command();
    } catch (const IoError& error) {
        m_dialog.ShowMessage(MessageKind::Error, "Error", error.what(), MessageButtons::Ok);
    }
}

void TViewForm::ShowConnTab()
{
    if (!m_read)
        return;
    DrawPicture(3);
    m_conntab->Fill(m_libraryName, m_navigation.Position(), ConnTabRows(m_structure));
    m_conntab->exec();
    DrawPicture(1);
}

bool TViewForm::WriteToFile()
{
    return m_read && WriteStructureFile(m_dialog, m_structure);
}

bool TViewForm::PrintStructure()
{
    if (!m_read)
        return false;
    QPrinter* printer = m_printers->ChoosePrinter(this);
    if (!printer)
        return false;
    PrintingNote note(*m_printing);
    QtPrintTarget target(*printer);
    PrintLibraryStructure(target, m_structure, m_libraryName, m_navigation.Position());
    return true;
}

void TViewForm::OpenStatistics()
{
    m_statistics->Open(m_libraryName);
}

} // namespace velmora::gui
