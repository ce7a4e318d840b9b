#pragma once
// The structure editor window: a tool bar of tools and commands, the drawing area, the
// connection-table list beside it and the name panel below. Every rule lives in the core's editor
// model and controller; the window forwards clicks and pointer events and repaints.
#include "editor/editorcontroller.h"
#include "editor/editormodel.h"
#include "search/livesearch.h"

#include <QDialog>
#include <QImage>
#include <QWidget>

#include <array>
#include <optional>
#include <string>

class QAction;
class QCheckBox;
class QLabel;
class QListWidget;
class QPushButton;
class QToolButton;

namespace velmora::gui {

class LivePanel;
class TDrawpenAboutBx;
class TDrawpenForm;
class TextDialog;
class TFrmMatGrid;
class TPersysForm;

// The drawing area: its own pixel coordinates are the structure's coordinates.
class DrawArea : public QWidget {
    Q_OBJECT
public:
    explicit DrawArea(TDrawpenForm& form);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    TDrawpenForm& m_form;
    QImage m_image;
};

class TDrawpenForm : public QDialog {
    Q_OBJECT
public:
    // The scratchpad "SCRATCH.CTB" lives in scratchFolder (where the descriptor sets live).
    explicit TDrawpenForm(std::string scratchFolder, QWidget* parent = nullptr);
    ~TDrawpenForm() override;

    // The structure handed over on OK.
    const TCTab& Structure() const { return m_model.Structure(); }
    // The drawing as handed over to be the query: charges as molfile codes.
    TCTab QueryStructure() const { return m_model.QueryStructure(); }
    // Before opening: the query to edit (see EditorModel::TakeQuery); a chain left unfinished ends.
    void TakeQuery(const TCTab& query, bool drawn);
    editor::EditorModel& Model() { return m_model; }
    // Before opening: the open library's state for live results (nothing: the "Live" box is off
    // and disabled).
    void SetLiveSource(std::optional<LiveSearchSetup> setup);
    QCheckBox* LiveBox() const { return m_liveBox; }
    LivePanel* LiveResultsPanel() const { return m_live; }
    editor::EditorController& Controller() { return m_controller; }

    // Paints grid and structure into image (sized to the drawing area), as the window does.
    void RenderDrawing(QImage& image);

    DrawArea* DrawingArea() const { return m_area; }
    QToolButton* Button(editor::Control control) const { return m_buttons[static_cast<std::size_t>(control)]; }
    QPushButton* NamePanel() const { return m_namePanel; }
    QLabel* StatusLabel() const { return m_status; }
    QListWidget* CtabList() const { return m_list; }
    QAction* ExitAction() const { return m_exitAction; }
    QAction* SnapAction() const { return m_snapAction; }
    QAction* GridAction() const { return m_gridAction; }
    QAction* ShowCtabAction() const { return m_showCtab; }
    TPersysForm& Picker() { return *m_picker; }

    // Pointer events of the drawing area.
    // free: Shift held (the bond tool's direction is not snapped).
    void AreaPress(editor::MouseButton button, QPointF position, bool free = false);
    void AreaMove(QPointF position, bool leftHeld, bool free = false);
    void AreaRelease();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void BuildMenus();
    QWidget* BuildToolBar();
    QToolButton* AddButton(editor::Control control, const QString& hint, const QString& caption = {});
    void PressTool(editor::Control control);
    void Command(editor::Control control);
    void Finish(bool ok);
    void EditName();
    void ShowCtab();
    void ShowDistanceMatrix();
    void ChooseElement();
    void SaveScratch();
    void LoadScratch();
    // Ctrl+C and Ctrl+V: the drawing as a molfile; a molfile or a SMILES pasted.
    void CopyToClipboard();
    void PasteFromClipboard();
    // Button states, cursor, name panel, list and status from the model; then repaint.
    void Sync();

    std::string m_scratchFolder;
    editor::EditorModel m_model;
    editor::EditorController m_controller{m_model};

    DrawArea* m_area = nullptr;
    QListWidget* m_list = nullptr;
    QPushButton* m_namePanel = nullptr;
    QLabel* m_status = nullptr;
    std::array<QToolButton*, editor::kControlCount> m_buttons{};
    QAction* m_exitAction = nullptr;
    QAction* m_snapAction = nullptr;
    QAction* m_gridAction = nullptr;
    QAction* m_showCtab = nullptr;
    QAction* m_matrixAction = nullptr;

    TPersysForm* m_picker = nullptr;
    TFrmMatGrid* m_matrix = nullptr;
    TextDialog* m_textDialog = nullptr;
    TDrawpenAboutBx* m_about = nullptr;
    QCheckBox* m_liveBox = nullptr;
    LivePanel* m_live = nullptr;
    bool m_pickerPending = false;
};

} // namespace velmora::gui
