#pragma once
// The converter window: import of an SD file or molfile into a library, export of a library's
// structures to an SD file. The core's Converter holds the state and decides; the window shows its
// labels, forwards "Save As ...", "Convert" and "Exit", and runs the conversion with the progress
// window.
#include <QDialog>

class QLabel;
class QPushButton;

namespace velmora {
class Converter;
class Progress;
class StructureLibrary;
class UserDialog;
}

namespace velmora::gui {

class TConvertForm : public QDialog {
    Q_OBJECT
public:
    TConvertForm(StructureLibrary& library, UserDialog& dialog, Progress& progress, QWidget* parent = nullptr);

    // Shows the prepared converter modally ("Convert" disabled until a target is chosen); returns
    // its "Exit" answer (converted when the last import completed).
    bool Run(Converter& converter);

    QLabel* FromName() const { return m_fromName; }
    QLabel* FromSize() const { return m_fromSize; }
    QLabel* FromFormat() const { return m_fromFormat; }
    QLabel* ToName() const { return m_toName; }
    QLabel* ToSize() const { return m_toSize; }
    QLabel* ToFormat() const { return m_toFormat; }
    QLabel* Structures() const { return m_structures; }
    QPushButton* SaveAsButton() const { return m_saveAs; }
    QPushButton* ConvertButton() const { return m_convert; }
    QPushButton* ExitButton() const { return m_exit; }

protected:
    void reject() override;

private:
    void SaveAs();
    void Convert();
    void ShowState();

    StructureLibrary& m_library;
    UserDialog& m_dialog;
    Progress& m_progress;
    Converter* m_converter = nullptr;
    bool m_converting = false;

    QLabel* m_fromName;
    QLabel* m_fromSize;
    QLabel* m_fromFormat;
    QLabel* m_toName;
    QLabel* m_toSize;
    QLabel* m_toFormat;
    QLabel* m_structures;
    QPushButton* m_saveAs;
    QPushButton* m_convert;
    QPushButton* m_exit;
};

} // namespace velmora::gui
