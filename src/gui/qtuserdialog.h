#pragma once
// Message boxes, file dialogs and the one-line text question of the core, on Qt widgets.
#include "base/userdialog.h"

#include <QPointer>
#include <QString>
#include <QWidget>

#include <memory>
#include <optional>
#include <string>

class QSettings;

namespace velmora::gui {

class TextDialog;

class QtUserDialog final : public velmora::UserDialog {
public:
    explicit QtUserDialog(QWidget* parent = nullptr);
    ~QtUserDialog() override;
    // The window the boxes and dialogs are modal to (the active window when none is set).
    void SetParentWidget(QWidget* parent);

    // Exact caption and text ("\r" breaks the line); Esc answers Cancel, No or Abort where offered.
    // A detail (file, record, cause) goes into the box's details.
    MessageAnswer ShowMessage(MessageKind kind, const std::string& caption, const std::string& text,
                              MessageButtons buttons, const std::string& detail = {}) override;
    // Qt's own overwrite question is off: the callers ask Replace/Append/Abort themselves. A save
    // dialog adds the selected filter's first extension to a name typed without one. Each kind of
    // dialog (its title and filter) opens in the folder it was last used in, kept in the user's
    // settings, unless the suggestion names a folder.
    std::optional<std::string> ChooseFile(FileDialogKind kind, const std::string& title,
                                          const std::string& filter, const std::string& suggestion) override;
    // The bare text field (no heading, no case/clear/undo buttons), as the descriptor sets ask names.
    std::optional<std::string> AskText(const std::string& caption, const std::string& text) override;

    // "Label (*.a ; *.b)|*.a;*.b|Other|*.c" -> "Label (*.a *.b);;Other (*.c)". The patterns come from
    // the part after each "|"; the label loses its own parenthesised list.
    static QString FileFilter(const std::string& filter);
    // "mol" for a Qt filter entry "Molfile (*.mol)"; empty for "*" or "*.*".
    static QString FirstSuffix(const QString& nameFilter);
    // The settings key under which a kind of file dialog keeps its last folder.
    static QString FolderKey(const std::string& title, const std::string& filter);

private:
    QWidget* Parent() const;

    QPointer<QWidget> m_parent;
    QPointer<TextDialog> m_textDialog; // owned here, or by the parent widget when that goes first
};

// Text from files (UTF-8 or code page 437) for display.
QString DisplayText(const std::string& text);

// The settings kept between runs (the file dialogs' folders), in the platform's place for the
// user's settings of "Velmora".
std::unique_ptr<QSettings> UserSettings();

} // namespace velmora::gui
