#pragma once
// The small modal windows of the workbench: coefficient, best count, status, the one-line text
// dialog and the about box. Each is created once and shown again with its state.
#include <QDialog>
#include <QString>

#include <optional>
#include <string>

class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QTimer;

namespace velmora {
class Workbench;
}

namespace velmora::gui {

class CoefficientDialog : public QDialog {
    Q_OBJECT
public:
    explicit CoefficientDialog(QWidget* parent = nullptr);
    // Modal; the chosen index on OK, nothing on Cancel or close.
    std::optional<int> Choose(int currentIndex);
    QComboBox* List() const { return m_list; }

private:
    QComboBox* m_list;
};

class BestCountDialog : public QDialog {
    Q_OBJECT
public:
    BestCountDialog(velmora::Workbench& workbench, QWidget* parent = nullptr);
    // Modal; true when a value was accepted. The workbench decides and shows its messages; after a
    // refused value the field gets back the text it had when the dialog opened.
    bool Run();
    // The field shows the value right-aligned in 8 characters.
    void ShowCount(int bestCount);
    QLineEdit* Field() const { return m_field; }

    void accept() override;
    void reject() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    velmora::Workbench& m_workbench;
    QLineEdit* m_field;
    QPushButton* m_ok;
    QString m_remembered;
    bool m_entered = false;
    bool m_validating = false;
};

class StatusWindow : public QDialog {
    Q_OBJECT
public:
    StatusWindow(velmora::Workbench& workbench, QWidget* parent = nullptr);
    // Refreshes from the workbench and shows the window modally.
    void Run();
    void Refresh();

    QLabel* Library() const { return m_library; }
    QLabel* QueryName() const { return m_queryName; }
    QLabel* BestCount() const { return m_bestCount; }
    QLabel* Coefficient() const { return m_coefficient; }
    QLabel* Mode() const { return m_mode; }
    QListWidget* Descriptors() const { return m_descriptors; }

private:
    velmora::Workbench& m_workbench;
    QLabel* m_library;
    QLabel* m_queryFile;
    QLabel* m_queryName;
    QLabel* m_bestCount;
    QLabel* m_coefficient;
    QLabel* m_mode;
    QListWidget* m_descriptors;
};

class TextDialog : public QDialog {
    Q_OBJECT
public:
    explicit TextDialog(QWidget* parent = nullptr);
    // Modal; the text on OK, nothing on Cancel. An empty caption gives "Enter Text"; extras=false
    // hides the heading and the "SwCase", "Clear" and "Undo" buttons.
    std::optional<std::string> Ask(const std::string& caption, const std::string& text,
                                   const std::string& heading = "", bool extras = true);

    QLabel* Heading() const { return m_heading; }
    QLineEdit* Field() const { return m_field; }
    QPushButton* SwCaseButton() const { return m_swCase; }
    QPushButton* ClearButton() const { return m_clear; }
    QPushButton* UndoButton() const { return m_undo; }

private:
    QLabel* m_heading;
    QLineEdit* m_field;
    QPushButton* m_swCase;
    QPushButton* m_clear;
    QPushButton* m_undo;
    QString m_undoCopy;
};

class AboutLights;

class AboutBox : public QDialog {
    Q_OBJECT
public:
    explicit AboutBox(QWidget* parent = nullptr);
    // Product name, date and version; "Velmora", "15. Jan 1997", "V 1.00" until set.
    void SetTexts(const QString& product, const QString& date, const QString& version);
    QPushButton* FlashButton() const { return m_flash; }
    bool Flashing() const;

protected:
    void showEvent(QShowEvent* event) override;
    void done(int result) override;

private:
    void Flash();

    QLabel* m_product;
    QLabel* m_date;
    QLabel* m_version;
    AboutLights* m_lights;
    QPushButton* m_flash;
    QTimer* m_timer;
    int m_step = -1;
};

} // namespace velmora::gui
