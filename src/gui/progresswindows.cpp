#include "progresswindows.h"
#include "fonts.h"

#include <QCloseEvent>
#include <QFontDatabase>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

namespace velmora::gui {

namespace {

const QString kConversion = QStringLiteral("Conversion");

// Counts are shown in a fixed-pitch font so the right-aligned columns line up.
QLabel* CountLabel(QWidget* parent, int characters)
{
    auto* label = new QLabel(parent);
    const QFont font = FixedFont();
    label->setFont(font);
    label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    label->setMinimumWidth(QFontMetrics(font).horizontalAdvance(QString(characters + 1, QLatin1Char('0'))));
    return label;
}

void ShowNonBlocking(QDialog& window)
{
    window.setWindowModality(Qt::ApplicationModal);
    if (!window.isVisible())
        window.show();
    window.raise();
}

} // namespace

WaitWindow::WaitWindow(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("Please Wait"));
    setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);
    m_label = new QLabel(QStringLiteral("Count Structures :"), this);
    m_count = CountLabel(this, 8);
    m_abortButton = new QPushButton(QStringLiteral("Abort"), this);
    m_abortButton->setAutoDefault(false);
    connect(m_abortButton, &QPushButton::clicked, this, [this] { m_abort = true; });

    auto* row = new QHBoxLayout;
    row->addWidget(m_label);
    row->addStretch(1);
    row->addWidget(m_count);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(m_abortButton);
    buttons->addStretch(1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(row);
    layout->addSpacing(6);
    layout->addLayout(buttons);
    setMinimumWidth(300);
}

void WaitWindow::Begin(ProgressKind kind, const QString& label)
{
    m_abortButton->setVisible(Abortable(kind));
    m_label->setText(label);
    m_count->clear();
    m_abort = false;
    ShowNonBlocking(*this);
}

void WaitWindow::SetCount(long count)
{
    m_count->setText(QString::number(count));
}

void WaitWindow::End()
{
    hide();
    m_label->setText(QStringLiteral("Count Structures :"));
    m_count->clear();
    m_abortButton->setVisible(true);
}

void WaitWindow::reject()
{
    // Esc asks the loop to stop; the loop closes the window when it ends.
    if (m_abortButton->isVisible())
        m_abort = true;
}

void WaitWindow::closeEvent(QCloseEvent* event)
{
    if (isVisible()) {
        reject();
        event->ignore();
    }
}

ProgressWindow::ProgressWindow(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(kConversion);
    setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);
    // The labels' blanks line up their colons in this family.
    QFont labels = font();
    labels.setFamily(QStringLiteral("Arial"));
    setFont(labels);
    m_totalLabel = new QLabel(QStringLiteral("Total structures        :"), this);
    m_total = CountLabel(this, 8);
    m_doneLabel = new QLabel(QStringLiteral("Converted structures:"), this);
    m_done = CountLabel(this, 8);
    m_gauge = new QProgressBar(this);
    m_gauge->setFormat(QStringLiteral("%p%"));
    m_gauge->setTextVisible(true);
    m_gauge->setAlignment(Qt::AlignCenter);
    m_gauge->setRange(0, 1);
    m_gauge->setValue(0);
    m_abortButton = new QPushButton(QStringLiteral("Abort"), this);
    m_suspendButton = new QPushButton(QStringLiteral("Suspend"), this);
    m_abortButton->setAutoDefault(false);
    m_suspendButton->setAutoDefault(false);
    connect(m_abortButton, &QPushButton::clicked, this, [this] { m_abort = true; });
    connect(m_suspendButton, &QPushButton::clicked, this, &ProgressWindow::ToggleSuspend);

    auto* counts = new QGridLayout;
    counts->addWidget(m_totalLabel, 0, 0);
    counts->addWidget(m_total, 0, 1);
    counts->addWidget(m_doneLabel, 1, 0);
    counts->addWidget(m_done, 1, 1);
    counts->setColumnStretch(0, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(m_abortButton);
    buttons->addWidget(m_suspendButton);
    buttons->addStretch(1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(counts);
    layout->addWidget(m_gauge);
    layout->addSpacing(4);
    layout->addLayout(buttons);
    setMinimumWidth(360);
}

void ProgressWindow::Begin(ProgressKind kind, const QString& caption, long total)
{
    setWindowTitle(caption);
    m_doneLabel->setText(kind == ProgressKind::Conversion ? QStringLiteral("Converted structures:")
                                                          : QStringLiteral("Calculated structures:"));
    m_total->setText(QString::number(total));
    m_done->setText(QStringLiteral("0"));
    m_gauge->setRange(0, static_cast<int>(std::max(total, 1L)));
    m_gauge->setValue(0);
    m_abort = false;
    m_suspended = false;
    m_suspendButton->setText(QStringLiteral("Suspend"));
    m_suspendButton->setEnabled(Suspendable(kind));
    m_abortButton->setEnabled(Abortable(kind));
    ShowNonBlocking(*this);
}

void ProgressWindow::SetDone(long done)
{
    m_done->setText(QString::number(done));
    m_gauge->setValue(static_cast<int>(std::clamp<long>(done, 0, m_gauge->maximum())));
}

void ProgressWindow::End()
{
    hide();
    setWindowTitle(kConversion);
    m_doneLabel->setText(QStringLiteral("Converted structures:"));
    m_suspended = false;
    m_suspendButton->setText(QStringLiteral("Suspend"));
    m_suspendButton->setEnabled(true);
    m_abortButton->setEnabled(true);
}

void ProgressWindow::ToggleSuspend()
{
    m_suspended = !m_suspended;
    m_suspendButton->setText(m_suspended ? QStringLiteral("Proceed") : QStringLiteral("Suspend"));
}

void ProgressWindow::reject()
{
    if (m_abortButton->isEnabled())
        m_abort = true;
}

void ProgressWindow::closeEvent(QCloseEvent* event)
{
    if (isVisible()) {
        reject();
        event->ignore();
    }
}

} // namespace velmora::gui
