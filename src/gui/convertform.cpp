#include "convertform.h"

#include "base/ioerror.h"
#include "io/convert.h"
#include "qtuserdialog.h"

#include <QCloseEvent>
#include <QFile>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace velmora::gui {

namespace {

constexpr int kNameWidth = 360;

QLabel* ValueLabel(QWidget* parent)
{
    auto* label = new QLabel(parent);
    label->setMinimumWidth(kNameWidth);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    return label;
}

// A file name shown in full when it fits, else cut in the middle; the whole name is the tool tip.
void ShowFileName(QLabel* label, const std::string& name)
{
    const QString full = QFile::decodeName(QByteArray::fromStdString(name));
    label->setToolTip(full);
    label->setText(label->fontMetrics().elidedText(full, Qt::ElideMiddle, kNameWidth));
}

QGroupBox* FileGroup(const QString& title, QLabel*& name, QLabel*& size, QLabel*& format, QWidget* parent)
{
    auto* group = new QGroupBox(title, parent);
    auto* form = new QFormLayout(group);
    name = ValueLabel(group);
    size = ValueLabel(group);
    format = ValueLabel(group);
    form->addRow(QStringLiteral("Name  :"), name);
    form->addRow(QStringLiteral("Size    :"), size);
    form->addRow(QStringLiteral("Format:"), format);
    return group;
}

} // namespace

TConvertForm::TConvertForm(StructureLibrary& library, UserDialog& dialog, Progress& progress, QWidget* parent)
    : QDialog(parent), m_library(library), m_dialog(dialog), m_progress(progress)
{
    setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);
    auto* from = FileGroup(QStringLiteral(" from "), m_fromName, m_fromSize, m_fromFormat, this);
    auto* to = FileGroup(QStringLiteral(" to "), m_toName, m_toSize, m_toFormat, this);

    auto* count = new QFrame(this);
    count->setFrameShape(QFrame::StyledPanel);
    count->setFrameShadow(QFrame::Sunken);
    auto* countRow = new QHBoxLayout(count);
    countRow->addWidget(new QLabel(QStringLiteral("Structures:"), count));
    m_structures = new QLabel(count);
    m_structures->setObjectName(QStringLiteral("structures"));
    countRow->addWidget(m_structures, 1);

    m_saveAs = new QPushButton(QStringLiteral("Save As ..."), this);
    m_convert = new QPushButton(QStringLiteral("Convert"), this);
    m_exit = new QPushButton(QStringLiteral("Exit"), this);
    m_saveAs->setToolTip(QStringLiteral("Choose the file to write"));
    m_convert->setToolTip(QStringLiteral("Convert every structure into the chosen file"));
    for (QPushButton* button : {m_saveAs, m_convert, m_exit})
        button->setAutoDefault(false);
    connect(m_saveAs, &QPushButton::clicked, this, &TConvertForm::SaveAs);
    connect(m_convert, &QPushButton::clicked, this, &TConvertForm::Convert);
    connect(m_exit, &QPushButton::clicked, this, &QDialog::accept);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_saveAs);
    buttons->addWidget(m_convert);
    buttons->addStretch(1);
    buttons->addWidget(m_exit);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(from);
    layout->addWidget(to);
    layout->addWidget(count);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

bool TConvertForm::Run(Converter& converter)
{
    m_converter = &converter;
    setWindowTitle(QString::fromStdString(converter.Caption()));
    ShowState();
    // Every conversion needs a fresh choice of its target.
    m_convert->setEnabled(false);
    exec();
    m_converter = nullptr;
    return converter.Exit();
}

void TConvertForm::ShowState()
{
    if (!m_converter)
        return;
    const Converter& c = *m_converter;
    ShowFileName(m_fromName, c.FromName());
    m_fromSize->setText(QString::fromStdString(c.FromSize()));
    m_fromFormat->setText(QString::fromStdString(c.FromFormat()));
    ShowFileName(m_toName, c.ToName());
    m_toSize->setText(QString::fromStdString(c.ToSize()));
    m_toFormat->setText(QString::fromStdString(c.ToFormat()));
    m_structures->setText(QString::number(c.StructureCount()));
    m_convert->setEnabled(c.ConvertEnabled());
}

void TConvertForm::SaveAs()
{
    if (!m_converter || m_converting)
        return;
    m_converter->SaveAs(m_dialog);
    ShowState();
}

void TConvertForm::Convert()
{
    if (!m_converter || m_converting || !m_converter->ConvertEnabled())
        return;
    m_converting = true;
    // Nothing but the progress window's buttons while it runs.
    for (QPushButton* button : {m_saveAs, m_convert, m_exit})
        button->setEnabled(false);
    try {
        m_converter->Convert(m_library, m_dialog, m_progress);
    } catch (const IoError& error) {
        // The loop did not say it finished: close its window before the message.
        m_progress.Finish();
        m_dialog.ShowMessage(MessageKind::Error, "Error", error.what(), MessageButtons::Ok);
    }
    m_converting = false;
    m_saveAs->setEnabled(true);
    m_exit->setEnabled(true);
    ShowState();
    // Converting again into the same target would append the records twice: choose it anew.
    m_convert->setEnabled(false);
}

void TConvertForm::reject()
{
    // Esc and the window's close button are "Exit", but not while the conversion runs.
    if (!m_converting)
        QDialog::reject();
}

} // namespace velmora::gui
