#include "sharedprinter.h"

#include <QDir>
#include <QFileInfo>
#include <QPageSetupDialog>
#include <QPageSize>
#include <QPrinterInfo>
#include <QStandardPaths>

namespace velmora::gui {

namespace {

// Print jobs without a printer go to a PDF in the user's documents (or the temporary folder).
QString PdfFileName()
{
    QString folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    const QFileInfo info(folder);
    if (folder.isEmpty() || !info.isDir() || !info.isWritable())
        folder = QDir::tempPath();
    return QDir(folder).filePath(QStringLiteral("velmora-print.pdf"));
}

void Pin(QPrinter& printer)
{
    printer.setResolution(SharedPrinter::kResolution);
}

} // namespace

SharedPrinter::SharedPrinter() : m_printer(std::make_unique<QPrinter>(QPrinter::HighResolution))
{
    if (!HasPrinters()) {
        m_printer->setOutputFormat(QPrinter::PdfFormat);
        m_printer->setOutputFileName(PdfFileName());
    }
    m_printer->setPageSize(QPageSize(QPageSize::A4));
    m_printer->setPageOrientation(QPageLayout::Portrait);
    Pin(*m_printer);
}

SharedPrinter::~SharedPrinter() = default;

QPrinter& SharedPrinter::Printer()
{
    // A dialog or a driver may have changed it; the layouts need 300 dpi.
    if (m_printer->resolution() != kResolution)
        Pin(*m_printer);
    return *m_printer;
}

bool SharedPrinter::Setup(QWidget* parent)
{
    QPageSetupDialog dialog(m_printer.get(), parent);
    const bool accepted = dialog.exec() == QDialog::Accepted;
    Pin(*m_printer);
    return accepted;
}

bool SharedPrinter::HasPrinters()
{
    return !QPrinterInfo::availablePrinterNames().isEmpty();
}

} // namespace velmora::gui
