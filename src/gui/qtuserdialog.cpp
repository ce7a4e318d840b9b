#include "qtuserdialog.h"

#include "dialogs.h"
#include "graphics/xmltext.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QRegularExpression>
#include <QScreen>
#include <QSettings>

namespace velmora::gui {

QString DisplayText(const std::string& text)
{
    const std::u32string points = DecodeText(text);
    return QString::fromUcs4(points.data(), static_cast<qsizetype>(points.size()));
}

std::unique_ptr<QSettings> UserSettings()
{
    return std::make_unique<QSettings>(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("Velmora"),
                                       QStringLiteral("Velmora"));
}

QtUserDialog::QtUserDialog(QWidget* parent) : m_parent(parent) {}

QtUserDialog::~QtUserDialog()
{
    delete m_textDialog.data();
}

void QtUserDialog::SetParentWidget(QWidget* parent)
{
    m_parent = parent;
}

QWidget* QtUserDialog::Parent() const
{
    if (m_parent)
        return m_parent;
    return QApplication::activeWindow();
}

MessageAnswer QtUserDialog::ShowMessage(MessageKind kind, const std::string& caption, const std::string& text,
                                        MessageButtons buttons, const std::string& detail)
{
    QMessageBox::Icon icon = QMessageBox::Information;
    switch (kind) {
    case MessageKind::Error: icon = QMessageBox::Critical; break;
    case MessageKind::Warning: icon = QMessageBox::Warning; break;
    case MessageKind::Information: icon = QMessageBox::Information; break;
    case MessageKind::Confirmation: icon = QMessageBox::Question; break;
    }
    QString body = DisplayText(text);
    body.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    body.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    QMessageBox box(icon, DisplayText(caption), body, QMessageBox::NoButton, Parent());
    box.setTextFormat(Qt::PlainText);
    // A text broken into lines by its author keeps those lines: the box would wrap them again at
    // its own narrow width (about 500 pixels), leaving ragged stubs. The text is given the width
    // of its longest line; only lines too long for the screen still wrap.
    if (body.contains(QLatin1Char('\n'))) {
        if (auto* label = box.findChild<QLabel*>(QStringLiteral("qt_msgbox_label"))) {
            const QScreen* screen = Parent() ? Parent()->screen() : QGuiApplication::primaryScreen();
            const int room = screen ? screen->availableGeometry().width() * 2 / 3 : 800;
            int widest = 0;
            for (const QString& line : body.split(QLatin1Char('\n')))
                widest = std::max(widest, label->fontMetrics().horizontalAdvance(line));
            label->setMinimumWidth(std::min(widest + 2, room));
        }
    }
    // What lies behind the message (file, record, cause): an error shows it at once, since the
    // user has to know which file and line to mend; other messages keep it on request.
    if (!detail.empty()) {
        if (kind == MessageKind::Error)
            box.setInformativeText(DisplayText(detail));
        else
            box.setDetailedText(DisplayText(detail));
    }

    QAbstractButton* replace = nullptr;
    QAbstractButton* append = nullptr;
    QAbstractButton* abort = nullptr;
    switch (buttons) {
    case MessageButtons::Ok: box.setStandardButtons(QMessageBox::Ok); break;
    case MessageButtons::OkCancel:
        box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
        box.setDefaultButton(QMessageBox::Ok);
        box.setEscapeButton(QMessageBox::Cancel);
        break;
    case MessageButtons::OkNo:
        box.setStandardButtons(QMessageBox::Ok | QMessageBox::No);
        box.setDefaultButton(QMessageBox::Ok);
        box.setEscapeButton(QMessageBox::No);
        break;
    case MessageButtons::ReplaceAppendAbort:
        replace = box.addButton(QStringLiteral("Replace"), QMessageBox::AcceptRole);
        append = box.addButton(QStringLiteral("Append"), QMessageBox::AcceptRole);
        abort = box.addButton(QStringLiteral("Abort"), QMessageBox::RejectRole);
        // Enter must not destroy a file by accident: the safe answer is the default.
        box.setDefaultButton(static_cast<QPushButton*>(abort));
        box.setEscapeButton(abort);
        break;
    }
    box.exec();

    QAbstractButton* clicked = box.clickedButton();
    if (buttons == MessageButtons::ReplaceAppendAbort) {
        if (clicked == replace)
            return MessageAnswer::Replace;
        if (clicked == append)
            return MessageAnswer::Append;
        return MessageAnswer::Abort;
    }
    switch (box.standardButton(clicked)) {
    case QMessageBox::Cancel: return MessageAnswer::Cancel;
    case QMessageBox::No: return MessageAnswer::No;
    default: break;
    }
    // A box closed without a button counts as its escape answer.
    if (!clicked && buttons == MessageButtons::OkCancel)
        return MessageAnswer::Cancel;
    if (!clicked && buttons == MessageButtons::OkNo)
        return MessageAnswer::No;
    return MessageAnswer::Ok;
}

QString QtUserDialog::FileFilter(const std::string& filter)
{
    const QStringList parts = QString::fromUtf8(filter).split(QLatin1Char('|'));
    QStringList entries;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QString label = parts[i];
        const qsizetype paren = label.indexOf(QLatin1Char('('));
        if (paren >= 0)
            label.truncate(paren);
        label = label.simplified();
        QStringList patterns;
        for (const QString& pattern : parts[i + 1].split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
            const QString trimmed = pattern.trimmed();
            if (!trimmed.isEmpty())
                patterns << trimmed;
        }
        if (patterns.isEmpty())
            patterns << QStringLiteral("*");
        if (label.isEmpty())
            label = patterns.join(QLatin1Char(' '));
        entries << label + QStringLiteral(" (") + patterns.join(QLatin1Char(' ')) + QLatin1Char(')');
    }
    return entries.join(QStringLiteral(";;"));
}

QString QtUserDialog::FolderKey(const std::string& title, const std::string& filter)
{
    // One kind per title and first pattern ("Save As" writes libraries and SD files).
    const QString first = QString::fromUtf8(filter).section(QLatin1Char('|'), 1, 1).section(QLatin1Char(';'), 0, 0);
    QString kind = QString::fromUtf8(title) + QLatin1Char(' ') + first.trimmed();
    static const QRegularExpression unsafe(QStringLiteral("[^A-Za-z0-9]+"));
    kind.replace(unsafe, QStringLiteral("_"));
    return QStringLiteral("FileDialogFolders/") + kind;
}

QString QtUserDialog::FirstSuffix(const QString& nameFilter)
{
    static const QRegularExpression list(QStringLiteral("\\(([^()]*)\\)\\s*$"));
    const QRegularExpressionMatch match = list.match(nameFilter);
    const QString patterns = match.hasMatch() ? match.captured(1) : nameFilter;
    const QString first = patterns.section(QLatin1Char(' '), 0, 0, QString::SectionSkipEmpty);
    if (!first.startsWith(QStringLiteral("*.")))
        return {};
    const QString suffix = first.mid(2);
    if (suffix.isEmpty() || suffix.contains(QLatin1Char('*')) || suffix.contains(QLatin1Char('?')))
        return {};
    return suffix;
}

std::optional<std::string> QtUserDialog::ChooseFile(FileDialogKind kind, const std::string& title,
                                                    const std::string& filter, const std::string& suggestion)
{
    QFileDialog dialog(Parent(), DisplayText(title));
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setOption(QFileDialog::DontConfirmOverwrite);
    const QString nameFilters = FileFilter(filter);
    if (!nameFilters.isEmpty())
        dialog.setNameFilters(nameFilters.split(QStringLiteral(";;")));
    if (kind == FileDialogKind::Open) {
        dialog.setAcceptMode(QFileDialog::AcceptOpen);
        dialog.setFileMode(QFileDialog::ExistingFile);
    } else {
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setFileMode(QFileDialog::AnyFile);
        dialog.setDefaultSuffix(FirstSuffix(dialog.selectedNameFilter()));
        QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog,
                         [&dialog](const QString& selected) { dialog.setDefaultSuffix(FirstSuffix(selected)); });
    }
    const QString key = FolderKey(title, filter);
    const QString remembered = UserSettings()->value(key).toString();
    // Qt would open in the folder of whichever dialog was used last: a kind not used yet starts
    // in the start folder.
    dialog.setDirectory(!remembered.isEmpty() && QFileInfo(remembered).isDir() ? remembered : QDir::currentPath());
    if (!suggestion.empty()) {
        const QFileInfo suggested(QFile::decodeName(QByteArray::fromStdString(suggestion)));
        if (suggested.isAbsolute() || suggestion.find('/') != std::string::npos)
            dialog.setDirectory(suggested.absolutePath());
        dialog.selectFile(suggested.fileName());
    }
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    const QStringList files = dialog.selectedFiles();
    if (files.isEmpty())
        return std::nullopt;
    UserSettings()->setValue(key, QFileInfo(files.first()).absolutePath());
    return QFile::encodeName(files.first()).toStdString();
}

std::optional<std::string> QtUserDialog::AskText(const std::string& caption, const std::string& text)
{
    if (!m_textDialog)
        m_textDialog = new TextDialog(Parent());
    else if (m_parent && m_textDialog->parentWidget() != m_parent)
        m_textDialog->setParent(m_parent, m_textDialog->windowFlags());
    return m_textDialog->Ask(caption, text, std::string(), false);
}

} // namespace velmora::gui
