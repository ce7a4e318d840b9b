#include "qtprinttarget.h"

#include "base/ioerror.h"
#include "qtcanvas.h"
#include "qtuserdialog.h"
#include "sharedprinter.h"

#include <QFile>
#include <QFontMetrics>
#include <QPrintDialog>
#include <QPrinter>

#include <algorithm>
#include <stdexcept>

namespace velmora::gui {

QtPrintTarget::QtPrintTarget(QPrinter& printer) : m_printer(printer)
{
    m_printer.setResolution(SharedPrinter::kResolution);
}

QtPrintTarget::~QtPrintTarget()
{
    if (m_painter.isActive())
        m_painter.end();
}

int QtPrintTarget::PageWidth() const
{
    return m_printer.pageLayout().paintRectPixels(m_printer.resolution()).width();
}

int QtPrintTarget::PageHeight() const
{
    return m_printer.pageLayout().paintRectPixels(m_printer.resolution()).height();
}

void QtPrintTarget::BeginDoc()
{
    if (m_painter.isActive())
        m_painter.end();
    m_printer.setFullPage(false);
    if (!m_painter.begin(&m_printer)) {
        const QString where = m_printer.outputFormat() == QPrinter::PdfFormat ? m_printer.outputFileName()
                                                                             : m_printer.printerName();
        throw IoError(where.toStdString(), "the printer could not start the print job");
    }
    m_page = 1;
}

void QtPrintTarget::NewPage()
{
    if (!m_painter.isActive())
        return;
    m_printer.newPage();
    ++m_page;
}

void QtPrintTarget::EndDoc()
{
    if (!m_painter.isActive())
        return;
    m_painter.end();
    // The PDF writer does not report a failed write (a full disk, the file size limit); a PDF that
    // stops short lacks its closing "%%EOF" and goes, so that none passes for a whole printout.
    const QString pdf = m_printer.outputFormat() == QPrinter::PdfFormat ? m_printer.outputFileName() : QString();
    if (pdf.isEmpty())
        return;
    QFile file(pdf);
    bool whole = false;
    if (file.open(QIODevice::ReadOnly)) {
        file.seek(std::max<qint64>(0, file.size() - 64));
        whole = file.readAll().contains("%%EOF");
        file.close();
    }
    if (!whole) {
        QFile::remove(pdf);
        throw IoError(QFile::encodeName(pdf).toStdString(), "write error: the PDF file could not be written whole");
    }
}

void QtPrintTarget::TextOut(int x, int y, std::string_view text, const std::string& fontName, int fontSize,
                            FontStyle style)
{
    if (!m_painter.isActive())
        return;
    // Points at the printer's resolution: the painter's device is the printer.
    QFont font(QString::fromStdString(fontName));
    font.setPointSize(fontSize);
    font.setBold(HasStyle(style, FontStyle::Bold));
    font.setItalic(HasStyle(style, FontStyle::Italic));
    font.setUnderline(HasStyle(style, FontStyle::Underline));
    m_painter.setFont(font);
    m_painter.setPen(Qt::black);
    // The layouts give the top-left corner; Qt draws on the base line.
    const QFontMetrics metrics(font, &m_printer);
    m_painter.drawText(QPoint(x, y + metrics.ascent()), DisplayText(std::string(text)));
}

std::unique_ptr<Bitmap> QtPrintTarget::CreateBitmap(int width, int height)
{
    return std::make_unique<QtBitmap>(width, height);
}

void QtPrintTarget::CopyBitmap(int x, int y, const Bitmap& bitmap)
{
    const auto* image = dynamic_cast<const QtBitmap*>(&bitmap);
    if (!image)
        throw std::invalid_argument("QtPrintTarget::CopyBitmap: not a QtBitmap");
    if (m_painter.isActive())
        m_painter.drawImage(QPoint(x, y), image->Image());
}

QPrinter* DialogPrinterProvider::ChoosePrinter(QWidget* parent)
{
    SharedPrinter& shared = m_printer();
    QPrintDialog dialog(&shared.Printer(), parent);
    if (dialog.exec() != QDialog::Accepted)
        return nullptr;
    return &shared.Printer(); // pinned to 300 dpi again, whatever the dialog chose
}

} // namespace velmora::gui
