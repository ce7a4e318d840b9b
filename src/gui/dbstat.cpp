#include "dbstat.h"

#include "base/ioerror.h"
#include "report/statsreport.h"
#include "base/numtext.h"
#include "printreport.h"
#include "qtprinttarget.h"
#include "qtuserdialog.h"

#include <QApplication>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QShowEvent>
#include <QTimer>
#include <QVBoxLayout>

namespace velmora::gui {

// The count's progress on the window itself: counts and gauge as the core reports them, pending
// events processed by time so the count keeps its speed, a stop when the window is closed.
class TStatisticForm::CountProgress final : public Progress {
public:
    explicit CountProgress(TStatisticForm& form) : m_form(form) { m_clock.start(); }
    void Start(ProgressKind, const std::string&, long total) override
    {
        m_form.m_total = total;
        m_form.m_totalLabel->setText(QString::number(total));
        m_form.ShowProgress(0);
    }
    void Step(long done) override { m_done = done; } // shown at the next poll that processes events
    ProgressRequest Poll() override
    {
        // At the first poll too, so the window is painted before the count takes the thread. The
        // clock is read every 64 polls only: a poll per structure must cost next to nothing.
        if (m_first || ((++m_polls & 63) == 0 && m_clock.elapsed() >= kIntervalMs)) {
            m_first = false;
            m_form.ShowProgress(m_done);
            QApplication::processEvents();
            m_clock.restart();
        }
        return m_form.m_stop ? ProgressRequest::Abort : ProgressRequest::Continue;
    }
    void Finish() override { m_form.ShowProgress(m_done); }

private:
    static constexpr int kIntervalMs = 40;
    TStatisticForm& m_form;
    QElapsedTimer m_clock;
    long m_done = 0;
    unsigned m_polls = 0;
    bool m_first = true;
};

namespace {

QLabel* ValueLabel(QWidget* parent, Qt::Alignment alignment = Qt::AlignRight)
{
    auto* label = new QLabel(parent);
    label->setAlignment(alignment | Qt::AlignVCenter);
    label->setMinimumWidth(70);
    return label;
}

QString Plural(long count, const char* word)
{
    return QString::number(count) + " " + word + (count == 1 ? "" : "s");
}

} // namespace

TStatisticForm::TStatisticForm(StructureLibrary& library, UserDialog& dialog, PrinterProvider& printers, QWidget* parent)
    : QDialog(parent), m_library(library), m_dialog(dialog), m_printers(&printers), m_printing(new PrintingWindow(this))
{
    setObjectName("TStatisticForm");
    auto* layout = new QVBoxLayout(this);
    const QFont mono("Courier New");

    auto* progress = new QGridLayout;
    auto* totalCaption = new QLabel("Total structures        :", this);
    auto* doneCaption = new QLabel("Converted structures:", this);
    totalCaption->setFont(mono);
    doneCaption->setFont(mono);
    m_totalLabel = ValueLabel(this);
    m_totalLabel->setObjectName("total");
    m_done = ValueLabel(this);
    m_done->setObjectName("done");
    m_gauge = new QProgressBar(this);
    m_gauge->setObjectName("gauge");
    m_gauge->setRange(0, 100);
    m_gauge->setFormat("%p%");
    progress->addWidget(totalCaption, 0, 0);
    progress->addWidget(m_totalLabel, 0, 1);
    progress->addWidget(doneCaption, 1, 0);
    progress->addWidget(m_done, 1, 1);
    progress->addWidget(m_gauge, 2, 0, 1, 2);
    layout->addLayout(progress);

    m_results = new QGroupBox(this);
    m_results->setObjectName("results");
    auto* grid = new QGridLayout(m_results);
    const char* captions[] = {"Total number of structures in structurefile:", "Structures, which are not registered",
                              "includes", "includes", "Total number of registered structures      :",
                              "Structures, which have graphic information :"};
    for (int i = 0; i < 6; ++i) {
        auto* caption = new QLabel(captions[i], m_results);
        caption->setFont(mono);
        if (i == 2 || i == 3)
            caption->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        m_values[static_cast<std::size_t>(i)] = ValueLabel(m_results, (i == 2 || i == 3) ? Qt::AlignLeft : Qt::AlignRight);
        m_values[static_cast<std::size_t>(i)]->setObjectName(QString("value%1").arg(i));
        grid->addWidget(caption, i, 0);
        grid->addWidget(m_values[static_cast<std::size_t>(i)], i, 1, 1, 2);
    }
    // One heading per column, aligned as the column's values, so each stands above its own.
    const std::pair<const char*, Qt::Alignment> headings[] = {
        {"Functional groups", Qt::AlignLeft}, {"Structures", Qt::AlignRight}, {"%", Qt::AlignRight}};
    for (int column = 0; column < 3; ++column) {
        auto* heading = new QLabel(headings[column].first, m_results);
        heading->setObjectName(QString("heading%1").arg(column));
        heading->setFont(mono);
        heading->setAlignment(headings[column].second | Qt::AlignBottom);
        grid->addWidget(heading, 7, column);
    }
    grid->setRowMinimumHeight(6, 8); // a little room between the totals and the table
    const auto& labels = StatisticsLabels();
    for (int row = 0; row < 24; ++row) {
        auto* label = new QLabel(QString::fromStdString(labels[static_cast<std::size_t>(row)]), m_results);
        label->setFont(mono);
        m_groupCounts[static_cast<std::size_t>(row)] = ValueLabel(m_results);
        m_groupPercents[static_cast<std::size_t>(row)] = ValueLabel(m_results);
        m_groupCounts[static_cast<std::size_t>(row)]->setFont(mono);
        m_groupPercents[static_cast<std::size_t>(row)]->setFont(mono);
        grid->addWidget(label, 8 + row, 0);
        grid->addWidget(m_groupCounts[static_cast<std::size_t>(row)], 8 + row, 1);
        grid->addWidget(m_groupPercents[static_cast<std::size_t>(row)], 8 + row, 2);
    }
    grid->setVerticalSpacing(1);
    grid->setColumnStretch(3, 1); // room beyond the table stays on its right
    layout->addWidget(m_results);
    m_results->hide();
    // Room the window has beyond its lines stays below them, during the count too.
    layout->addStretch(1);

    auto* buttons = new QHBoxLayout;
    m_print = new QPushButton("Print", this);
    m_print->setObjectName("print");
    m_print->setEnabled(false);
    auto* close = new QPushButton("Close", this);
    close->setObjectName("close");
    buttons->addStretch(1);
    buttons->addWidget(m_print);
    buttons->addWidget(close);
    layout->addLayout(buttons);
    connect(m_print, &QPushButton::clicked, this, [this] {
        try {
            Print();
        } catch (const IoError& error) {
            m_dialog.ShowMessage(MessageKind::Error, "Error", error.what(), MessageButtons::Ok);
        }
    });
    connect(close, &QPushButton::clicked, this, &TStatisticForm::reject);
}

int TStatisticForm::Open(const std::string& libraryName)
{
    MarkPending(libraryName);
    return exec();
}

void TStatisticForm::MarkPending(const std::string& libraryName)
{
    m_libraryName = libraryName;
    m_pending = true;
}

void TStatisticForm::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (m_pending && !m_counting)
        QTimer::singleShot(0, this, [this] {
            if (m_pending && !m_counting && isVisible())
                Count();
        });
}

void TStatisticForm::reject()
{
    m_stop = true; // a running count ends after the current structure
    QDialog::reject();
}

void TStatisticForm::ShowProgress(long done)
{
    m_done->setText(QString::number(done));
    m_gauge->setValue(m_total > 0 ? static_cast<int>(done * 100 / m_total) : 0);
}

void TStatisticForm::Count()
{
    setWindowTitle(DisplayText(m_libraryName));
    m_results->hide();
    for (QLabel* label : m_values)
        label->clear();
    for (int row = 0; row < 24; ++row) {
        m_groupCounts[static_cast<std::size_t>(row)]->clear();
        m_groupPercents[static_cast<std::size_t>(row)]->clear();
    }
    m_print->setEnabled(false);
    m_counting = true;
    m_stop = false;
    CountProgress progress(*this);
    try {
        m_statistics = CountLibraryStatistics(m_library, m_libraryName, progress);
        m_counted = true;
    } catch (const IoError& error) {
        m_counting = false;
        m_pending = false;
        m_dialog.ShowMessage(MessageKind::Error, "Error", error.what(), MessageButtons::Ok);
        return;
    }
    m_counting = false;
    m_pending = false; // counted once per opening, not again at every activation
    ShowResults();
}

void TStatisticForm::ShowResults()
{
    const LibraryStatistics& s = m_statistics;
    const long values[] = {s.Total, s.NotRegistered, 0, 0, s.Registered, s.WithGraphics};
    for (int i : {0, 1, 4, 5})
        m_values[static_cast<std::size_t>(i)]->setText(QString::number(values[i]));
    m_values[2]->setText(Plural(s.Salts, "salt"));
    m_values[3]->setText(Plural(s.Errors, "error structure"));
    const auto& groups = StatisticsGroups();
    for (int row = 0; row < 24; ++row) {
        const int g = groups[static_cast<std::size_t>(row)];
        m_groupCounts[static_cast<std::size_t>(row)]->setText(QString::number(s.Present[static_cast<std::size_t>(g)]));
        m_groupPercents[static_cast<std::size_t>(row)]->setText(
            QString::fromStdString(PadLeft(FormatFixed(s.Percent(g), 1), 3)));
    }
    m_results->show();
    m_print->setEnabled(m_counted);
}

bool TStatisticForm::Print()
{
    if (!m_counted || m_counting)
        return false;
    QPrinter* printer = m_printers->ChoosePrinter(this);
    if (!printer)
        return false;
    PrintingNote note(*m_printing);
    QtPrintTarget target(*printer);
    PrintStatisticsReport(target, m_statistics, m_libraryName);
    return true;
}

} // namespace velmora::gui
