#include "dialogs.h"

#include "base/textcase.h"
#include "qtuserdialog.h"
#include "search/coefficients.h"
#include "search/fusion.h"
#include "search/queryset.h"
#include "search/workbench.h"
#include "fonts.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QEvent>
#include <QFile>
#include <QFontMetrics>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

namespace velmora::gui {

namespace {

// Width of the status window's value column; longer paths are shortened in the middle.
constexpr int kStatusValueWidth = 380;

void NoHelpButton(QDialog& dialog)
{
    dialog.setWindowFlags(dialog.windowFlags() & ~Qt::WindowContextHelpButtonHint);
}

} // namespace

// ---------------------------------------------------------------------------------------------
CoefficientDialog::CoefficientDialog(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("Similarity coefficient"));
    NoHelpButton(*this);
    m_list = new QComboBox(this);
    for (int i = 0; i < kCoefficientCount; ++i)
        m_list->addItem(QString::fromStdString(CoefficientName(i)));
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_list);
    layout->addSpacing(8);
    layout->addWidget(buttons);
    setMinimumWidth(320);
}

std::optional<int> CoefficientDialog::Choose(int currentIndex)
{
    m_list->setCurrentIndex(std::clamp(currentIndex, 0, kCoefficientCount - 1));
    m_list->setFocus();
    if (exec() != QDialog::Accepted)
        return std::nullopt;
    // The entry whose text equals the one shown.
    const int chosen = CoefficientFromName(m_list->currentText().toStdString());
    if (chosen < 0)
        return std::nullopt;
    return chosen;
}

// ---------------------------------------------------------------------------------------------
BestCountDialog::BestCountDialog(velmora::Workbench& workbench, QWidget* parent)
    : QDialog(parent), m_workbench(workbench)
{
    setWindowTitle(QStringLiteral("The best matching structures"));
    NoHelpButton(*this);
    auto* text = new QLabel(QStringLiteral("   Number of the best matching structures:"), this);
    m_field = new QLineEdit(QStringLiteral("      50"), this);
    m_field->setFont(FixedFont());
    m_field->setMaxLength(12);
    m_field->setAlignment(Qt::AlignRight);
    m_field->setFixedWidth(QFontMetrics(m_field->font()).horizontalAdvance(QString(10, QLatin1Char('0'))) + 16);
    m_field->installEventFilter(this);
    text->setBuddy(m_field);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &BestCountDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &BestCountDialog::reject);
    auto* row = new QHBoxLayout;
    row->addWidget(text);
    row->addWidget(m_field);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(row);
    layout->addSpacing(8);
    layout->addWidget(buttons);
    m_ok = buttons->button(QDialogButtonBox::Ok);
    m_ok->setDefault(true);
}

void BestCountDialog::ShowCount(int bestCount)
{
    m_field->setText(QStringLiteral("%1").arg(bestCount, 8));
}

bool BestCountDialog::Run()
{
    ShowCount(m_workbench.State().BestCount);
    m_remembered = m_field->text();
    // The field has the focus from the start, its value selected: the first digit typed replaces
    // it, Enter alone keeps it. Coming back to the field later clears it.
    m_entered = true;
    m_field->setFocus();
    m_field->selectAll();
    return exec() == QDialog::Accepted;
}

bool BestCountDialog::eventFilter(QObject* watched, QEvent* event)
{
    // Entering the field clears it, once per opening: focus comes back after a message box too.
    if (watched == m_field && event->type() == QEvent::FocusIn && !m_entered && !m_validating) {
        m_entered = true;
        m_field->clear();
    }
    return QDialog::eventFilter(watched, event);
}

void BestCountDialog::accept()
{
    if (m_validating)
        return;
    m_validating = true;
    const bool accepted = m_workbench.SetBestCount(m_field->text().toStdString());
    m_validating = false;
    if (accepted) {
        ShowCount(m_workbench.State().BestCount);
        QDialog::accept();
        return;
    }
    m_field->setText(m_remembered);
    m_entered = true;
    m_field->setFocus();
    m_field->selectAll();
}

void BestCountDialog::reject()
{
    if (m_validating)
        return;
    m_field->setText(m_remembered);
    QDialog::reject();
}

// ---------------------------------------------------------------------------------------------
StatusWindow::StatusWindow(velmora::Workbench& workbench, QWidget* parent)
    : QDialog(parent), m_workbench(workbench)
{
    setWindowTitle(QStringLiteral("Status"));
    NoHelpButton(*this);
    auto value = [this] {
        auto* label = new QLabel(this);
        label->setTextInteractionFlags(Qt::TextSelectableByMouse);
        label->setMinimumWidth(kStatusValueWidth);
        return label;
    };
    m_library = value();
    m_queryFile = value();
    m_queryName = value();
    m_bestCount = value();
    m_coefficient = value();
    m_mode = value();
    m_descriptors = new QListWidget(this);
    m_descriptors->setSelectionMode(QAbstractItemView::NoSelection);
    m_descriptors->setFocusPolicy(Qt::NoFocus);
    m_descriptors->setMinimumHeight(120);

    // The captions keep their blanks; the values line up in one column across the groups.
    QList<QLabel*> captions;
    auto caption = [&captions](const char* text, QWidget* parent) {
        auto* label = new QLabel(QString::fromLatin1(text), parent);
        captions << label;
        return label;
    };
    auto* top = new QGridLayout;
    top->addWidget(caption("  Library    :", this), 0, 0);
    top->addWidget(m_library, 0, 1);
    top->setColumnStretch(1, 1);

    auto* molecule = new QGroupBox(QStringLiteral(" My molecule "), this);
    auto* moleculeGrid = new QGridLayout(molecule);
    moleculeGrid->addWidget(caption("Filename       :", molecule), 0, 0);
    moleculeGrid->addWidget(m_queryFile, 0, 1);
    moleculeGrid->addWidget(caption("Moleculename:", molecule), 1, 0);
    moleculeGrid->addWidget(m_queryName, 1, 1);
    moleculeGrid->setColumnStretch(1, 1);

    auto* settings = new QGridLayout;
    settings->addWidget(caption("  Number of best matching structures:", this), 0, 0);
    settings->addWidget(m_bestCount, 0, 1);
    settings->addWidget(caption("  Similarity coefficient:", this), 1, 0);
    settings->addWidget(m_coefficient, 1, 1);
    settings->addWidget(caption("  Mode:", this), 2, 0);
    settings->addWidget(m_mode, 2, 1);
    settings->setColumnStretch(1, 1);

    int captionWidth = 0;
    for (QLabel* label : captions)
        captionWidth = std::max(captionWidth, label->sizeHint().width());
    for (QGridLayout* grid : {top, moleculeGrid, settings})
        grid->setColumnMinimumWidth(0, captionWidth + 8);
    // The group's frame indents its grid; keep its value column with the others.
    moleculeGrid->setColumnMinimumWidth(0, captionWidth + 8 - moleculeGrid->contentsMargins().left());

    auto* descriptors = new QGroupBox(QStringLiteral(" Similarity descriptors "), this);
    auto* descriptorLayout = new QVBoxLayout(descriptors);
    descriptorLayout->addWidget(m_descriptors);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(molecule);
    layout->addLayout(settings);
    layout->addWidget(descriptors, 1);
    layout->addWidget(buttons);
    resize(minimumSizeHint().width(), 420);
}

void StatusWindow::Refresh()
{
    const SearchState& state = m_workbench.State();
    // Long paths are shortened in the middle; the whole path is the tool tip.
    auto setPath = [](QLabel* label, const std::string& path) {
        const QString full = QFile::decodeName(QByteArray::fromStdString(path));
        label->setText(QFontMetrics(label->font()).elidedText(full, Qt::ElideMiddle, kStatusValueWidth));
        label->setToolTip(full);
    };
    setPath(m_library, state.LibraryFileName);
    setPath(m_queryFile, state.QueryFileName);
    const QuerySet* set = m_workbench.LoadedQuerySet();
    // A query set: how many queries, and (after the coefficient) how their values are fused.
    m_queryName->setText(set ? QStringLiteral("%1 queries (the first: %2)")
                                   .arg(set->Size())
                                   .arg(DisplayText(state.Query.FStrucName).trimmed())
                             : state.QueryLoaded ? DisplayText(state.Query.FStrucName) : QString());
    m_bestCount->setText(QString::number(state.BestCount));
    m_coefficient->setText(QString::fromStdString(CoefficientName(state.CoefficientIndex)) +
                           (set ? QStringLiteral(", fused by ") + FusionTyped(m_workbench.ChosenFusion()) : QString()));
    m_mode->setText(state.Mode == DescriptorMode::Normal ? QStringLiteral("normal")
                                                          : QStringLiteral("introduction mode"));
    m_descriptors->clear();
    for (const std::string& name : m_workbench.Selection().ChosenNames())
        m_descriptors->addItem(DisplayText(name));
}

void StatusWindow::Run()
{
    Refresh();
    exec();
}

// ---------------------------------------------------------------------------------------------
TextDialog::TextDialog(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("Enter Text"));
    NoHelpButton(*this);
    m_heading = new QLabel(this);
    m_field = new QLineEdit(QStringLiteral("EditString"), this);
    m_field->setMinimumWidth(300);
    m_heading->setBuddy(m_field);
    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    auto* cancel = new QPushButton(QStringLiteral("Cancel"), this);
    m_swCase = new QPushButton(QStringLiteral("SwCase"), this);
    m_clear = new QPushButton(QStringLiteral("Clear"), this);
    m_undo = new QPushButton(QStringLiteral("Undo"), this);
    ok->setDefault(true);
    for (QPushButton* button : {cancel, m_swCase, m_clear, m_undo})
        button->setAutoDefault(false);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(m_swCase, &QPushButton::clicked, this, [this] {
        m_field->setText(QString::fromStdString(SwCase(m_field->text().toStdString())));
        m_field->setFocus();
    });
    connect(m_clear, &QPushButton::clicked, this, [this] {
        m_field->clear();
        m_field->setFocus();
    });
    connect(m_undo, &QPushButton::clicked, this, [this] {
        m_field->setText(m_undoCopy);
        m_field->setFocus();
    });
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    buttons->addStretch(1);
    buttons->addWidget(m_swCase);
    buttons->addWidget(m_clear);
    buttons->addWidget(m_undo);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_heading);
    layout->addWidget(m_field);
    layout->addSpacing(6);
    layout->addLayout(buttons);
}

std::optional<std::string> TextDialog::Ask(const std::string& caption, const std::string& text,
                                           const std::string& heading, bool extras)
{
    setWindowTitle(caption.empty() ? QStringLiteral("Enter Text") : QString::fromStdString(caption));
    m_heading->setText(DisplayText(heading));
    m_heading->setVisible(extras && !heading.empty());
    m_swCase->setVisible(extras);
    m_clear->setVisible(extras);
    m_undo->setVisible(extras);
    m_field->setText(DisplayText(text));
    m_undoCopy = m_field->text();
    m_field->setFocus();
    adjustSize();
    if (exec() != QDialog::Accepted)
        return std::nullopt;
    return m_field->text().toStdString();
}

// ---------------------------------------------------------------------------------------------
// The about box's pictures: two lights (red and green), a flash and the program's icon, a
// benzene ring. Drawn here so they stay crisp at any scale.
class AboutLights : public QWidget {
public:
    explicit AboutLights(QWidget* parent) : QWidget(parent) { setMinimumSize(150, 150); }
    bool redOn = false;
    bool flashOn = false;

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        const qreal unit = std::min(width(), height()) / 150.0;
        painter.translate((width() - 150 * unit) / 2, (height() - 150 * unit) / 2);
        painter.scale(unit, unit);
        // The lamp housing with the red light above the green one.
        painter.setPen(QPen(QColor(40, 40, 40), 2));
        painter.setBrush(QColor(70, 70, 70));
        painter.drawRoundedRect(QRectF(10, 20, 44, 84), 10, 10);
        painter.setBrush(redOn ? QColor(230, 20, 20) : QColor(90, 30, 30));
        painter.drawEllipse(QPointF(32, 42), 14, 14);
        painter.setBrush(QColor(30, 200, 60));
        painter.drawEllipse(QPointF(32, 82), 14, 14);
        // The flash.
        if (flashOn) {
            QPainterPath bolt;
            bolt.moveTo(78, 6);
            bolt.lineTo(62, 48);
            bolt.lineTo(76, 48);
            bolt.lineTo(64, 92);
            bolt.lineTo(96, 38);
            bolt.lineTo(81, 38);
            bolt.lineTo(94, 6);
            bolt.closeSubpath();
            painter.setPen(QPen(QColor(160, 110, 0), 1.5));
            painter.setBrush(QColor(255, 215, 0));
            painter.drawPath(bolt);
        }
        // The icon: a benzene ring.
        const QPointF centre(110, 112);
        QPolygonF ring;
        for (int i = 0; i < 6; ++i) {
            const qreal angle = (60.0 * i + 30.0) * 3.14159265358979 / 180.0;
            ring << centre + QPointF(28 * std::cos(angle), 28 * std::sin(angle));
        }
        painter.setBrush(Qt::NoBrush);
        painter.setPen(QPen(QColor(0, 0, 128), 3));
        painter.drawPolygon(ring);
        painter.drawEllipse(centre, 16, 16);
    }
};

namespace {

// (red light, flash, milliseconds until the next change) for each step of "Flash".
struct FlashStep {
    bool red;
    bool flash;
    int wait;
};

std::vector<FlashStep> FlashSequence()
{
    std::vector<FlashStep> steps = {{false, true, 100}, {false, false, 200}, {false, true, 600}, {false, false, 700}};
    for (int i = 0; i < 10; ++i) {
        steps.push_back({false, false, 50});
        steps.push_back({true, false, 50});
    }
    return steps;
}

} // namespace

AboutBox::AboutBox(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("About"));
    NoHelpButton(*this);
    m_product = new QLabel(this);
    QFont big = m_product->font();
    big.setPointSizeF(big.pointSizeF() * 2.2);
    big.setBold(true);
    m_product->setFont(big);
    m_date = new QLabel(this);
    m_version = new QLabel(this);
    m_lights = new AboutLights(this);
    m_flash = new QPushButton(QStringLiteral("Flash"), this);
    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    m_flash->setAutoDefault(false);
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(m_flash, &QPushButton::clicked, this, &AboutBox::Flash);
    m_timer = new QTimer(this);
    m_timer->setSingleShot(true);
    connect(m_timer, &QTimer::timeout, this, [this] {
        const std::vector<FlashStep> steps = FlashSequence();
        if (m_step < 0 || m_step >= static_cast<int>(steps.size())) {
            m_step = -1;
            return;
        }
        m_lights->redOn = steps[static_cast<std::size_t>(m_step)].red;
        m_lights->flashOn = steps[static_cast<std::size_t>(m_step)].flash;
        m_lights->repaint();
        m_timer->start(steps[static_cast<std::size_t>(m_step)].wait);
        if (++m_step == static_cast<int>(steps.size()))
            m_step = -2; // the last wait ends the sequence
    });
    SetTexts(QStringLiteral("Velmora"), QStringLiteral("15. Jan 1997"), QStringLiteral("V 1.00"));

    auto* texts = new QVBoxLayout;
    texts->addStretch(1);
    texts->addWidget(m_product);
    texts->addSpacing(10);
    texts->addWidget(m_date);
    texts->addWidget(m_version);
    texts->addStretch(1);
    auto* top = new QHBoxLayout;
    top->addWidget(m_lights);
    top->addSpacing(16);
    top->addLayout(texts, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(m_flash);
    buttons->addWidget(ok);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addLayout(buttons);
    setMinimumWidth(380);
}

void AboutBox::SetTexts(const QString& product, const QString& date, const QString& version)
{
    m_product->setText(product);
    m_date->setText(date);
    m_version->setText(version);
}

bool AboutBox::Flashing() const
{
    return m_step != -1;
}

void AboutBox::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    m_flash->setFocus();
}

void AboutBox::done(int result)
{
    // Closing hides the red light and stops a running sequence.
    m_timer->stop();
    m_step = -1;
    m_lights->redOn = false;
    m_lights->flashOn = false;
    QDialog::done(result);
}

void AboutBox::Flash()
{
    m_step = 0;
    m_timer->start(0);
}

} // namespace velmora::gui
