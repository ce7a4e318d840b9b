#pragma once
// The descriptor dialog "Structural Descriptors": the 149 descriptors, the chosen ones, and the
// user's named sets. DescriptorSelection decides every rule (library check, messages, crits.txt);
// the window shows its state again after every click.
#include <QDialog>

class QComboBox;
class QGroupBox;
class QListWidget;
class QPushButton;
class QTableWidget;

namespace velmora {
class UserDialog;
class Workbench;
}

namespace velmora::gui {

class SetFileWatcher;

class TSimCritDlg : public QDialog {
    Q_OBJECT
public:
    TSimCritDlg(Workbench& workbench, UserDialog& dialog, QWidget* parent = nullptr);

    // Shows the selection as it is, modally; on closing the workbench learns whether descriptors
    // are chosen.
    void Run();
    // Shows the core's selection, set list and enable states.
    void Refresh();

    QListWidget* List() const { return m_list; }
    QTableWidget* Chosen() const { return m_chosen; }
    QComboBox* Sets() const { return m_sets; }
    QPushButton* SaveButton() const { return m_save; }
    QPushButton* DeleteButton() const { return m_delete; }
    QPushButton* DeselectButton() const { return m_deselect; }
    QPushButton* AugAtomsButton() const { return m_augAtoms; }
    QPushButton* CloseButton() const { return m_close; }
    // Sets saved or deleted in the set file by another program show while the window runs.
    SetFileWatcher* SetFileWatch() const { return m_setFileWatcher; }

    // Rows the chosen grid shows before it scrolls.
    static constexpr int kVisibleRows = 21;
    static constexpr int kRowHeight = 18;

private:
    void SelectionChanged();
    void SetChosen(int index);
    void Save();
    void Delete();
    void DeselectAll();
    void AugAtoms();

    Workbench& m_workbench;
    UserDialog& m_dialog;
    bool m_syncing = false;

    QGroupBox* m_chosenGroup;
    QTableWidget* m_chosen;
    QListWidget* m_list;
    QComboBox* m_sets;
    QPushButton* m_save;
    QPushButton* m_delete;
    QPushButton* m_deselect;
    QPushButton* m_augAtoms;
    QPushButton* m_close;
    SetFileWatcher* m_setFileWatcher;
};

} // namespace velmora::gui
