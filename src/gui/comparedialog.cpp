// "Compare libraries" dialog: library A chosen here, B the window's open library with its chosen
// descriptors, coefficient and mode; OK checks every name before any work, then the core compares
// with the progress window (Suspend/Abort) and writes the files whole or not at all.
// The core's headers come before Qt's: its chunk pipeline has a variable named like a Qt keyword.
#include "search/crosscompare.h"

#include "comparedialog.h"

#include "base/ioerror.h"
#include "descriptors/catalogue.h"
#include "io/libfiles.h"
#include "io/liblock.h"
#include "io/libset.h"
#include "io/structlib.h"
#include "qtprogress.h"
#include "search/coefficients.h"
#include "search/workbench.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <filesystem>

namespace velmora::gui {

namespace {

constexpr const char* kCaption = "Compare libraries";
constexpr const char* kLibraryFilter = "Library-Files (*.clb)|*.clb";
// Library A may be a library set: its members' structures in list order.
constexpr const char* kQueryLibraryFilter = "Library-Files (*.clb)|*.clb|Library sets (*.vset)|*.vset";
// More unreadable records than this are counted, not listed, in the message.
constexpr std::size_t kListedUnreadable = 20;

std::string Text(const QLineEdit* field) { return field->text().trimmed().toStdString(); }

std::string FileName(const std::string& path)
{
    return QFileInfo(QString::fromStdString(path)).fileName().toStdString();
}

std::string Plural(long count, const std::string& word)
{
    return std::to_string(count) + " " + word + (count == 1 ? "" : "s");
}

} // namespace

CompareLibrariesDialog::CompareLibrariesDialog(Workbench& workbench, UserDialog& dialog, QtProgress& progress,
                                               std::function<void()> libraryChanged, QWidget* parent)
    : QDialog(parent),
      m_workbench(workbench),
      m_dialog(dialog),
      m_progress(progress),
      m_libraryChanged(std::move(libraryChanged))
{
    setWindowTitle(QString::fromLatin1(kCaption));
    setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);

    const auto field = [this](const QString& tip) {
        auto* edit = new QLineEdit(this);
        edit->setToolTip(tip);
        edit->setMinimumWidth(340);
        connect(edit, &QLineEdit::textChanged, this, &CompareLibrariesDialog::UpdateState);
        return edit;
    };
    const auto browse = [this] { return new QPushButton(QStringLiteral("Browse ..."), this); };
    // The first column of both boxes, made equally wide so that the fields line up.
    std::vector<QWidget*> firstColumn;
    const auto label = [this, &firstColumn](const QString& text) {
        auto* caption = new QLabel(text, this);
        firstColumn.push_back(caption);
        return caption;
    };

    // The libraries: A is searched structure by structure in B.
    auto* libraries = new QGroupBox(QStringLiteral("Libraries"), this);
    m_queryLibrary = field(QStringLiteral("Every structure of this library is searched in library B"));
    m_searchedLibrary = field(QStringLiteral("The library open in the main window; \"Browse ...\" opens another there"));
    m_searchedLibrary->setReadOnly(true);
    m_browseQuery = browse();
    m_browseSearched = browse();
    m_browseSearched->setToolTip(QStringLiteral("Opens another library in the main window, as File > New Library does"));
    m_settings = new QLabel(this);
    m_settings->setWordWrap(true);
    m_best = new QSpinBox(this);
    m_best->setRange(1, kMaxBestCount);
    m_best->setValue(kDefaultCrossBest);
    m_best->setToolTip(QStringLiteral("Rows of the pairs file per structure of A"));
    auto* grid = new QGridLayout(libraries);
    grid->addWidget(label(QStringLiteral("Library A (queries):")), 0, 0);
    grid->addWidget(m_queryLibrary, 0, 1);
    grid->addWidget(m_browseQuery, 0, 2);
    grid->addWidget(label(QStringLiteral("Library B (searched):")), 1, 0);
    grid->addWidget(m_searchedLibrary, 1, 1);
    grid->addWidget(m_browseSearched, 1, 2);
    grid->addWidget(m_settings, 2, 1, 1, 2);
    grid->addWidget(label(QStringLiteral("Best matches per structure:")), 3, 0);
    auto* bestRow = new QHBoxLayout;
    bestRow->addWidget(m_best);
    bestRow->addStretch(1);
    grid->addLayout(bestRow, 3, 1, 1, 2);
    grid->setColumnStretch(1, 1);

    // The files written.
    auto* outputs = new QGroupBox(QStringLiteral("Files written"), this);
    m_pairs = field(QStringLiteral("Tab-separated: A position, A name, rank, B position, B name, value"));
    m_browsePairs = browse();
    m_thresholdChosen = new QCheckBox(QStringLiteral("Threshold:"), this);
    firstColumn.push_back(m_thresholdChosen);
    m_threshold = field(QStringLiteral("A value of the coefficient, 0 or more"));
    m_threshold->setMinimumWidth(0);
    m_threshold->setMaximumWidth(110);
    m_thresholdSense = new QLabel(this);
    m_similar = field(QStringLiteral("The structures of B within the threshold of at least one structure of A"));
    m_dissimilar = field(QStringLiteral("The structures of B beyond the threshold from every structure of A"));
    m_browseSimilar = browse();
    m_browseDissimilar = browse();
    connect(m_thresholdChosen, &QCheckBox::toggled, this, &CompareLibrariesDialog::UpdateState);
    auto* files = new QGridLayout(outputs);
    files->addWidget(label(QStringLiteral("Pairs file (.tsv):")), 0, 0);
    files->addWidget(m_pairs, 0, 1);
    files->addWidget(m_browsePairs, 0, 2);
    auto* thresholdRow = new QHBoxLayout;
    thresholdRow->addWidget(m_threshold);
    thresholdRow->addWidget(m_thresholdSense, 1);
    files->addWidget(m_thresholdChosen, 1, 0);
    files->addLayout(thresholdRow, 1, 1, 1, 2);
    files->addWidget(label(QStringLiteral("Similar library:")), 2, 0);
    files->addWidget(m_similar, 2, 1);
    files->addWidget(m_browseSimilar, 2, 2);
    files->addWidget(label(QStringLiteral("Dissimilar library:")), 3, 0);
    files->addWidget(m_dissimilar, 3, 1);
    files->addWidget(m_browseDissimilar, 3, 2);
    files->setColumnStretch(1, 1);
    int labelWidth = 0;
    for (QWidget* widget : firstColumn)
        labelWidth = std::max(labelWidth, widget->sizeHint().width());
    for (QWidget* widget : firstColumn)
        widget->setMinimumWidth(labelWidth);

    m_reason = new QLabel(this);
    m_reason->setObjectName("reason");
    m_reason->setWordWrap(true);
    m_reason->setStyleSheet(QStringLiteral("color: #a00000;"));
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    m_ok = buttons->button(QDialogButtonBox::Ok);
    m_ok->setDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, this, &CompareLibrariesDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(libraries);
    layout->addWidget(outputs);
    layout->addWidget(m_reason);
    layout->addWidget(buttons);

    connect(m_browseQuery, &QPushButton::clicked, this, [this] {
        BrowseFor(m_queryLibrary, FileDialogKind::Open, "Library A", kQueryLibraryFilter, "");
    });
    connect(m_browseSearched, &QPushButton::clicked, this, &CompareLibrariesDialog::OpenSearchedLibrary);
    connect(m_browsePairs, &QPushButton::clicked, this, [this] {
        BrowseFor(m_pairs, FileDialogKind::Save, "Pairs file", "Tab-separated text (*.tsv)|*.tsv", Suggestion(".tsv"));
    });
    connect(m_browseSimilar, &QPushButton::clicked, this, [this] {
        BrowseFor(m_similar, FileDialogKind::Save, "Similar library", kLibraryFilter, Suggestion("_similar.clb"));
    });
    connect(m_browseDissimilar, &QPushButton::clicked, this, [this] {
        BrowseFor(m_dissimilar, FileDialogKind::Save, "Dissimilar library", kLibraryFilter, Suggestion("_dissimilar.clb"));
    });
    Refresh();
}

std::optional<float> CompareLibrariesDialog::ParseThreshold(const QString& text)
{
    const std::string typed = text.trimmed().toStdString();
    float value = 0.0f;
    const auto [end, ec] = std::from_chars(typed.data(), typed.data() + typed.size(), value);
    if (typed.empty() || ec != std::errc() || end != typed.data() + typed.size() || !std::isfinite(value) || value < 0.0f)
        return std::nullopt;
    return value;
}

std::string CompareLibrariesDialog::Suggestion(const std::string& suffix) const
{
    // Beside B, named after A and B.
    const std::string searched = m_workbench.State().LibraryFileName;
    const std::string query = Text(m_queryLibrary);
    if (searched.empty() || query.empty())
        return {};
    const std::filesystem::path b(searched);
    return (b.parent_path() / (std::filesystem::path(query).stem().string() + "_in_" + b.stem().string() + suffix)).string();
}

void CompareLibrariesDialog::BrowseFor(QLineEdit* field, FileDialogKind kind, const std::string& title,
                                       const std::string& filter, const std::string& suggestion)
{
    const std::string current = Text(field);
    const auto chosen = m_dialog.ChooseFile(kind, title, filter, current.empty() ? suggestion : current);
    if (chosen)
        field->setText(QString::fromStdString(*chosen));
}

void CompareLibrariesDialog::OpenSearchedLibrary()
{
    // Opened as File > New Library opens it: the window's search goes on with it afterwards.
    try {
        m_workbench.OpenLibrary();
    } catch (const IoError& error) {
        m_dialog.ShowMessage(MessageKind::Error, "Error", error.what(), MessageButtons::Ok);
    }
    if (m_libraryChanged)
        m_libraryChanged();
    Refresh();
}

void CompareLibrariesDialog::Refresh()
{
    const SearchState& state = m_workbench.State();
    m_searchedLibrary->setText(state.LibraryOpen ? QString::fromStdString(state.LibraryFileName) : QString());
    m_searchedLibrary->setPlaceholderText(QStringLiteral("no library open"));
    QString settings;
    if (state.LibraryOpen) {
        const int chosen = state.DescriptorsChosen ? m_workbench.Selection().ChosenCount() : 0;
        settings = QString("%1, %2, %3 mode (as chosen in the main window); %4 structures in B")
                       .arg(QString::fromStdString(CoefficientName(state.CoefficientIndex)))
                       .arg(chosen == 1 ? QStringLiteral("1 chosen descriptor") : QString("%1 chosen descriptors").arg(chosen))
                       .arg(state.Mode == DescriptorMode::Intro ? "INTRO" : "NORMAL")
                       .arg(state.LibraryCount);
    }
    m_settings->setText(settings);
    m_thresholdSense->setText(SmallerIsBetter(state.CoefficientIndex)
                                  ? QStringLiteral("similar: a value <= threshold against some A structure")
                                  : QStringLiteral("similar: a value >= threshold against some A structure"));
    UpdateState();
}

QString CompareLibrariesDialog::Reason() const
{
    const SearchState& state = m_workbench.State();
    if (!state.LibraryOpen)
        return QStringLiteral("Open the library to search in (B) first.");
    if (!state.DescriptorsChosen)
        return QStringLiteral("Choose the descriptors in the main window first (Parameters > Structural descriptors).");
    if (state.Mode == DescriptorMode::Intro && !state.ParametersAvailable)
        return QStringLiteral("INTRO mode needs the library parameters of B (Setup > Calculate library parameters).");
    const int fewest = CoefficientInfo(state.CoefficientIndex).fewestChosen;
    if (m_workbench.Selection().ChosenCount() < fewest)
        return QString("The %1 needs at least %2 chosen descriptors.")
            .arg(QString::fromStdString(CoefficientName(state.CoefficientIndex)))
            .arg(fewest);
    if (Text(m_queryLibrary).empty())
        return QStringLiteral("Choose library A, whose structures are searched in B.");
    if (Text(m_pairs).empty())
        return QStringLiteral("Name the pairs file.");
    if (m_thresholdChosen->isChecked()) {
        if (!ParseThreshold(m_threshold->text()))
            return QStringLiteral("The threshold must be a number of 0 or more.");
        if (Text(m_similar).empty() && Text(m_dissimilar).empty())
            return QStringLiteral("Name a similar or a dissimilar library for the threshold.");
    }
    return {};
}

void CompareLibrariesDialog::UpdateState()
{
    const bool threshold = m_thresholdChosen->isChecked();
    for (QWidget* widget : {static_cast<QWidget*>(m_threshold), static_cast<QWidget*>(m_similar),
                            static_cast<QWidget*>(m_dissimilar), static_cast<QWidget*>(m_browseSimilar),
                            static_cast<QWidget*>(m_browseDissimilar), static_cast<QWidget*>(m_thresholdSense)})
        widget->setEnabled(threshold);
    const QString reason = Reason();
    m_reason->setText(reason);
    m_ok->setEnabled(reason.isEmpty());
}

void CompareLibrariesDialog::CheckFiles() const
{
    const std::string query = Text(m_queryLibrary);
    const std::string searched = m_workbench.State().LibraryFileName;
    if (IsLibrarySetName(query))
        LibrarySet::Read(query); // names the set file and the line of its first problem
    else if (const std::string problem = LibraryNameProblem(query); !problem.empty())
        throw IoError(query, problem);
    if (!std::filesystem::is_regular_file(query))
        throw IoError(query, "no such library");
    if (CountLibraryRecords(query) <= 0)
        throw IoError(query, "holds no structure (or its index cannot be read)");
    const bool threshold = m_thresholdChosen->isChecked();
    const std::string pairs = Text(m_pairs);
    const std::string similar = threshold ? Text(m_similar) : std::string();
    const std::string dissimilar = threshold ? Text(m_dissimilar) : std::string();
    for (const std::string* output : {&pairs, &similar, &dissimilar}) {
        if (output->empty())
            continue;
        if (output != &pairs)
            if (const std::string problem = LibraryNameProblem(*output); !problem.empty())
                throw IoError(*output, problem);
        RefuseLibraryFile(query, *output);
        RefuseLibraryFile(searched, *output);
        if (std::filesystem::is_directory(*output))
            throw IoError(*output, "is a folder; choose a file name");
        if (const std::string problem = FolderProblem(*output); !problem.empty())
            throw IoError(*output, "cannot be written: " + problem);
    }
    if (!similar.empty() && !dissimilar.empty() && (FullPath(similar) == FullPath(dissimilar) || SameFile(similar, dissimilar)))
        throw IoError(dissimilar, "is also named as the similar library; choose another name");
    for (const std::string* library : {&similar, &dissimilar})
        if (!library->empty() && LibraryFileAt(*library, pairs))
            throw IoError(pairs, "is a file of the library " + *library + "; choose another name");
}

void CompareLibrariesDialog::accept()
{
    if (!Reason().isEmpty())
        return;
    try {
        CheckFiles();
    } catch (const IoError& error) {
        // The dialog stays open with what was typed, so that the name can be mended.
        m_dialog.ShowMessage(MessageKind::Error, "Error", error.what(), MessageButtons::Ok);
        return;
    }
    // Files that exist are replaced only when the user says so.
    std::string existing;
    for (QLineEdit* output : {m_pairs, m_similar, m_dissimilar})
        if ((output == m_pairs || m_thresholdChosen->isChecked()) && !Text(output).empty() &&
            std::filesystem::exists(Text(output)))
            existing += "\r" + Text(output);
    if (!existing.empty() &&
        m_dialog.ShowMessage(MessageKind::Confirmation, kCaption, "These files exist and will be replaced:" + existing,
                             MessageButtons::OkCancel) != MessageAnswer::Ok)
        return;
    QDialog::accept();
}

bool CompareLibrariesDialog::Run()
{
    Refresh();
    m_queryLibrary->setFocus();
    if (exec() != QDialog::Accepted)
        return false;
    return Compare();
}

bool CompareLibrariesDialog::Compare()
{
    std::vector<int> leftOut;
    std::string problem;
    const auto comparison = CrossLibrarySetup(m_workbench, leftOut, problem);
    if (!comparison) {
        m_dialog.ShowMessage(MessageKind::Error, "Error", problem, MessageButtons::Ok);
        return false;
    }
    if (!leftOut.empty()) {
        std::string names;
        for (int i : leftOut)
            names += (names.empty() ? "" : ", ") + CatalogueName(i);
        m_dialog.ShowMessage(MessageKind::Information, kCaption,
                             "These chosen descriptors have the same value in every structure of library B\r"
                             "(or the library has no parameters for them) and take no part in the comparison:\r" +
                                 names,
                             MessageButtons::Ok);
    }
    CrossCompareSetup setup;
    setup.library = *comparison;
    setup.queryLibrary = Text(m_queryLibrary);
    setup.best = m_best->value();
    const bool threshold = m_thresholdChosen->isChecked();
    if (threshold)
        setup.threshold = ParseThreshold(m_threshold->text());
    CrossFiles files;
    files.pairs = Text(m_pairs);
    files.similar = threshold ? Text(m_similar) : std::string();
    files.dissimilar = threshold ? Text(m_dissimilar) : std::string();

    // Neither library may change until the files are written (A may be B).
    const LibraryLock queryLock(setup.queryLibrary, LibraryWork::Search);
    const LibraryLock lock(setup.library.libraryName, LibraryWork::Search);
    setup.queryCount = CountLibraryRecords(setup.queryLibrary);
    if (setup.queryCount <= 0)
        throw IoError(setup.queryLibrary, "holds no structure (or its index cannot be read)");
    m_workbench.Library().ReleaseFiles();
    const CrossSummary summary = WriteLibraryComparison(setup, files, m_progress);
    if (summary.outcome == CrossOutcome::Aborted) {
        m_dialog.ShowMessage(MessageKind::Information, kCaption, "The comparison was aborted; no file was written.",
                             MessageButtons::Ok);
        return false;
    }
    if (!summary.unreadable.empty()) {
        std::string list;
        for (std::size_t i = 0; i < summary.unreadable.size() && i < kListedUnreadable; ++i)
            list += "\r" + summary.unreadable[i];
        if (summary.unreadable.size() > kListedUnreadable)
            list += "\r... and " + std::to_string(summary.unreadable.size() - kListedUnreadable) + " more";
        m_dialog.ShowMessage(MessageKind::Warning, kCaption,
                             Plural(static_cast<long>(summary.unreadable.size()), "structure") + " of " +
                                 setup.queryLibrary + " could not be read and " +
                                 (summary.unreadable.size() == 1 ? "is" : "are") + " left out:" + list,
                             MessageButtons::Ok, setup.queryLibrary);
    }
    const std::string a = FileName(setup.queryLibrary), b = FileName(setup.library.libraryName);
    std::string text = "Compared " + Plural(summary.queries, "structure") + " of " + a + " with " +
                       std::to_string(setup.library.count) + " of " + b + " (" + CoefficientName(setup.library.coefficient) +
                       ", best " + std::to_string(setup.best) + ").\r" + Plural(summary.rows, "row") + " written to " +
                       files.pairs + ".";
    const std::string thresholdText = m_threshold->text().trimmed().toStdString();
    const char* within = SmallerIsBetter(setup.library.coefficient) ? "<= " : ">= ";
    if (!files.similar.empty())
        text += "\r" + Plural(summary.similar, "structure") + " of " + b + " with a value " + within + thresholdText +
                " against at least one structure of " + a + ": " +
                (summary.similar > 0 ? "written to " + files.similar : files.similar + " not written") + ".";
    if (!files.dissimilar.empty())
        text += "\r" + Plural(summary.dissimilar, "structure") + " of " + b + " beyond " + thresholdText +
                " from every structure of " + a + ": " +
                (summary.dissimilar > 0 ? "written to " + files.dissimilar : files.dissimilar + " not written") + ".";
    m_dialog.ShowMessage(MessageKind::Information, kCaption, text, MessageButtons::Ok);
    return true;
}

} // namespace velmora::gui
