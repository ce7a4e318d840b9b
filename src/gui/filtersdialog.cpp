// The filters dialog (see filtersdialog.h).
#include "filtersdialog.h"

#include "search/searchfilters.h"
#include "search/structurematching.h"
#include "search/workbench.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>

namespace velmora::gui {

namespace {

// The non-blank lines of a text box, trimmed.
std::vector<std::string> Lines(const QPlainTextEdit* box)
{
    std::vector<std::string> lines;
    for (const QString& line : box->toPlainText().split(QLatin1Char('\n'))) {
        const QString trimmed = line.trimmed();
        if (!trimmed.isEmpty())
            lines.push_back(trimmed.toStdString());
    }
    return lines;
}

QString Joined(const std::vector<std::string>& lines)
{
    QStringList list;
    for (const auto& line : lines)
        list << QString::fromStdString(line);
    return list.join(QLatin1Char('\n'));
}

} // namespace

FiltersDialog::FiltersDialog(velmora::Workbench& workbench, QWidget* parent) : QDialog(parent), m_workbench(workbench)
{
    setObjectName(QStringLiteral("FiltersDialog"));
    setWindowTitle(QStringLiteral("Filters"));
    auto* layout = new QVBoxLayout(this);
    auto* intro = new QLabel(QStringLiteral("The search keeps the best structures that pass every filter, in the order "
                                            "of the unfiltered ranking."),
                             this);
    intro->setWordWrap(true);
    layout->addWidget(intro);

    auto textBox = [this](const QString& placeholder, const char* name) {
        auto* box = new QPlainTextEdit(this);
        box->setObjectName(QString::fromLatin1(name));
        box->setPlaceholderText(placeholder);
        box->setTabChangesFocus(true);
        box->setFixedHeight(box->fontMetrics().lineSpacing() * 4 + 12);
        connect(box, &QPlainTextEdit::textChanged, this, &FiltersDialog::CheckTyped);
        return box;
    };
    auto* structural = new QGroupBox(QStringLiteral("Substructures (SMARTS, one a line)"), this);
    auto* structuralLayout = new QVBoxLayout(structural);
    structuralLayout->addWidget(new QLabel(QStringLiteral("Must contain every one of:"), structural));
    m_required = textBox(QStringLiteral("e.g. c1ccccc1"), "required");
    structuralLayout->addWidget(m_required);
    structuralLayout->addWidget(new QLabel(QStringLiteral("Must contain none of:"), structural));
    m_excluded = textBox(QStringLiteral("e.g. [Cl,Br,I]"), "excluded");
    structuralLayout->addWidget(m_excluded);
    layout->addWidget(structural);

    auto* alerts = new QGroupBox(QStringLiteral("Structural alerts (RDKit filter catalogues): drop matches of"), this);
    auto* alertLayout = new QHBoxLayout(alerts);
    for (const auto& name : AlertCatalogueNames()) {
        auto* box = new QCheckBox(QString::fromStdString(name).toUpper(), alerts);
        box->setObjectName(QString::fromStdString(name));
        alertLayout->addWidget(box);
        m_alerts[name] = box;
    }
    alertLayout->addStretch(1);
    layout->addWidget(alerts);

    auto* ranges = new QGroupBox(QStringLiteral("Descriptor ranges (NAME=LO..HI, one a line; ends included)"), this);
    auto* rangeLayout = new QVBoxLayout(ranges);
    m_ranges = textBox(QStringLiteral("e.g. Atoms of C=10..30   or   RandicIx=..12"), "ranges");
    // Ranges are the filters most often combined: room for six of them without scrolling.
    m_ranges->setFixedHeight(m_ranges->fontMetrics().lineSpacing() * 6 + 12);
    rangeLayout->addWidget(m_ranges);
    layout->addWidget(ranges);

    m_check = new QLabel(this);
    m_check->setObjectName(QStringLiteral("check"));
    m_check->setWordWrap(true);
    layout->addWidget(m_check);

    if (!StructureMatchingAvailable()) {
        for (QWidget* widget : {static_cast<QWidget*>(structural), static_cast<QWidget*>(alerts)}) {
            widget->setEnabled(false);
            widget->setToolTip(QString::fromLatin1(kStructureMatchingUnavailable));
        }
    }

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    m_ok = buttons->button(QDialogButtonBox::Ok);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
    setMinimumWidth(fontMetrics().horizontalAdvance(QLatin1Char('x')) * 72);
}

void FiltersDialog::Show(const SearchFilters& filters)
{
    m_required->setPlainText(Joined(filters.smarts));
    m_excluded->setPlainText(Joined(filters.notSmarts));
    std::vector<std::string> ranges;
    for (const auto& range : filters.ranges)
        ranges.push_back(range.text);
    m_ranges->setPlainText(Joined(ranges));
    for (auto& [name, box] : m_alerts)
        box->setChecked(std::find(filters.alerts.begin(), filters.alerts.end(), name) != filters.alerts.end());
    CheckTyped();
}

bool FiltersDialog::Run()
{
    Show(m_workbench.Filters());
    return exec() == QDialog::Accepted;
}

std::optional<SearchFilters> FiltersDialog::Typed(std::string& problem) const
{
    SearchFilters filters;
    try {
        for (const auto& line : Lines(m_ranges))
            filters.ranges.push_back(ParseRangeFilter(line));
        filters.smarts = Lines(m_required);
        filters.notSmarts = Lines(m_excluded);
        for (const auto& [name, box] : m_alerts)
            if (box->isChecked())
                filters.alerts.push_back(name);
        // In the catalogues' own order, whatever the map's.
        std::vector<std::string> ordered;
        for (const auto& name : AlertCatalogueNames())
            if (std::find(filters.alerts.begin(), filters.alerts.end(), name) != filters.alerts.end())
                ordered.push_back(name);
        filters.alerts = ordered;
        CheckStructuralFilters(filters);
    } catch (const FilterError& error) {
        problem = error.what();
        return std::nullopt;
    }
    problem.clear();
    return filters;
}

void FiltersDialog::CheckTyped()
{
    std::string problem;
    const auto filters = Typed(problem);
    if (!filters) {
        // The option names of the command line read as the boxes here.
        QString text = QString::fromStdString(problem);
        text.replace(QStringLiteral("--not-smarts:"), QStringLiteral("Must contain none of:"));
        text.replace(QStringLiteral("--smarts:"), QStringLiteral("Must contain every one of:"));
        text.replace(QStringLiteral("--range:"), QStringLiteral("Descriptor ranges:"));
        text.replace(QStringLiteral("--alerts:"), QStringLiteral("Structural alerts:"));
        m_check->setText(text);
        m_check->setStyleSheet(QStringLiteral("color: #b00000"));
    } else if (filters->Any()) {
        m_check->setText(QString::number(filters->Labels().size()) +
                         (filters->Labels().size() == 1 ? QStringLiteral(" filter, ") : QStringLiteral(" filters, ")) +
                         QStringLiteral("every pattern and range is valid."));
        m_check->setStyleSheet(QString());
    } else {
        m_check->setText(QStringLiteral("No filter: the search ranks every structure."));
        m_check->setStyleSheet(QString());
    }
    if (m_ok)
        m_ok->setEnabled(filters.has_value());
}

void FiltersDialog::accept()
{
    std::string problem;
    const auto filters = Typed(problem);
    if (!filters)
        return; // the check says why; OK is disabled meanwhile
    m_workbench.SetFilters(*filters);
    QDialog::accept();
}

} // namespace velmora::gui
