#pragma once
// "Compare libraries": every structure of a library A searched in the open library B, the best
// matches of each written as a TSV pairs file and, with a threshold, B's structures within it of
// some A structure (or of none) written as libraries. B is the window's open library, searched with
// the descriptors, coefficient and mode the window has chosen, so that every row equals the search
// the window would run with that A structure as its query; another B is opened in the window
// itself ("Browse ..." beside B). The dialog only gathers the choices and checks them; the
// comparison and its files are the core's (WriteLibraryComparison).
#include "base/userdialog.h"

#include <QDialog>

#include <functional>
#include <optional>
#include <string>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;

namespace velmora {
class Workbench;
} // namespace velmora

namespace velmora::gui {

class QtProgress;

class CompareLibrariesDialog : public QDialog {
    Q_OBJECT
public:
    // libraryChanged is called after "Browse ..." beside B opened another library in the workbench
    // (the main window shows it).
    CompareLibrariesDialog(Workbench& workbench, UserDialog& dialog, QtProgress& progress,
                           std::function<void()> libraryChanged, QWidget* parent = nullptr);

    // Shows the dialog modally with B and the search's settings as they are now; on OK compares
    // with the progress window and reports the outcome in a message. True when the files were
    // written. Throws IoError (the window shows it) when a library cannot be read or a file cannot
    // be written; nothing is then left under the files' names that was not there before.
    bool Run();

    // Why OK is disabled, or empty when it is enabled.
    QString Reason() const;

    QLineEdit* QueryLibrary() const { return m_queryLibrary; }
    QLineEdit* SearchedLibrary() const { return m_searchedLibrary; }
    QLabel* Settings() const { return m_settings; }
    QSpinBox* Best() const { return m_best; }
    QLineEdit* Pairs() const { return m_pairs; }
    QCheckBox* ThresholdChosen() const { return m_thresholdChosen; }
    QLineEdit* Threshold() const { return m_threshold; }
    QLineEdit* Similar() const { return m_similar; }
    QLineEdit* Dissimilar() const { return m_dissimilar; }
    QPushButton* OkButton() const { return m_ok; }
    QPushButton* BrowseQuery() const { return m_browseQuery; }
    QPushButton* BrowseSearched() const { return m_browseSearched; }
    QPushButton* BrowsePairs() const { return m_browsePairs; }

    void accept() override;

    // The threshold as typed: a finite number of 0 or more, read as the 4-byte float the values
    // are compared as; nothing otherwise.
    static std::optional<float> ParseThreshold(const QString& text);

private:
    // B, the settings line and the enable states from the workbench and the fields.
    void Refresh();
    void UpdateState();
    // The checks that need the file system, before any work: IoError naming the file.
    void CheckFiles() const;
    void BrowseFor(QLineEdit* field, FileDialogKind kind, const std::string& title, const std::string& filter,
                   const std::string& suggestion);
    void OpenSearchedLibrary();
    bool Compare();
    std::string Suggestion(const std::string& suffix) const;

    Workbench& m_workbench;
    UserDialog& m_dialog;
    QtProgress& m_progress;
    std::function<void()> m_libraryChanged;

    QLineEdit* m_queryLibrary;
    QLineEdit* m_searchedLibrary;
    QLabel* m_settings;
    QSpinBox* m_best;
    QLineEdit* m_pairs;
    QCheckBox* m_thresholdChosen;
    QLineEdit* m_threshold;
    QLabel* m_thresholdSense;
    QLineEdit* m_similar;
    QLineEdit* m_dissimilar;
    QPushButton* m_browseQuery;
    QPushButton* m_browseSearched;
    QPushButton* m_browsePairs;
    QPushButton* m_browseSimilar;
    QPushButton* m_browseDissimilar;
    QLabel* m_reason;
    QPushButton* m_ok;
};

} // namespace velmora::gui
