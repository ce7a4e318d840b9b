#pragma once
// Parameters > "Filters ...": the filters of the next search, in four kinds: patterns a structure
// must contain, patterns it must not contain (SMARTS, one a line), RDKit's alert catalogues as
// check boxes, and descriptor ranges ("NAME=LO..HI", one a line). Each pattern and range is checked
// as it is typed, and the dialog says at once which one does not parse. Without RDKit the
// structural kinds are disabled, saying why; ranges still work.
#include <QDialog>

#include <map>
#include <optional>
#include <string>

class QCheckBox;
class QLabel;
class QPlainTextEdit;
class QPushButton;

namespace velmora {
class Workbench;
struct SearchFilters;
} // namespace velmora

namespace velmora::gui {

class FiltersDialog : public QDialog {
    Q_OBJECT
public:
    FiltersDialog(velmora::Workbench& workbench, QWidget* parent = nullptr);
    // Modal, showing the workbench's filters; true when OK set them (all of them valid).
    bool Run();
    // The filters as typed, or nothing with the first problem in problem.
    std::optional<SearchFilters> Typed(std::string& problem) const;

    QPlainTextEdit* Required() const { return m_required; }
    QPlainTextEdit* Excluded() const { return m_excluded; }
    QPlainTextEdit* Ranges() const { return m_ranges; }
    QCheckBox* Alert(const std::string& catalogue) const { return m_alerts.at(catalogue); }
    // What the check of the typed filters says: "" when they are all fine.
    QLabel* Check() const { return m_check; }
    QPushButton* Ok() const { return m_ok; }

    void accept() override;

private:
    void Show(const SearchFilters& filters);
    void CheckTyped();

    velmora::Workbench& m_workbench;
    QPlainTextEdit* m_required;
    QPlainTextEdit* m_excluded;
    QPlainTextEdit* m_ranges;
    std::map<std::string, QCheckBox*> m_alerts;
    QLabel* m_check;
    QPushButton* m_ok = nullptr;
};

} // namespace velmora::gui
