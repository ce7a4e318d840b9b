#pragma once
// The core's PrintTarget on a QPrinter, and the print dialog step as an exchangeable provider.
// Positions are printer pixels from the top left of the printable area; the layouts are made for
// 300 dpi, so the printer is used at that resolution. Bitmaps are QImages copied pixel for pixel.
#include "graphics/printtarget.h"

#include <QPainter>

#include <functional>

class QPrinter;
class QWidget;

namespace velmora::gui {

class SharedPrinter;

class QtPrintTarget final : public velmora::PrintTarget {
public:
    // printer must outlive the target; its resolution is set to 300 dpi.
    explicit QtPrintTarget(QPrinter& printer);
    ~QtPrintTarget() override; // ends a job left open (a layout that threw)

    int PageWidth() const override;
    int PageHeight() const override;
    // Throws IoError when the printer (or the PDF file) cannot start the job.
    void BeginDoc() override;
    void NewPage() override;
    void EndDoc() override;
    int PageNumber() const override { return m_page; }
    void TextOut(int x, int y, std::string_view text, const std::string& fontName, int fontSize,
                 FontStyle style = FontStyle::None) override;
    std::unique_ptr<Bitmap> CreateBitmap(int width, int height) override;
    // bitmap must come from CreateBitmap (a QtBitmap); others throw std::invalid_argument.
    void CopyBitmap(int x, int y, const Bitmap& bitmap) override;

private:
    QPrinter& m_printer;
    QPainter m_painter;
    int m_page = 0;
};

// The print dialog: the printer to print on, or nullptr when the user cancelled. Tests give a
// provider that returns a PDF printer without showing anything.
class PrinterProvider {
public:
    virtual ~PrinterProvider() = default;
    virtual QPrinter* ChoosePrinter(QWidget* parent) = 0;
};

// The platform's print dialog on the application's shared printer.
class DialogPrinterProvider final : public PrinterProvider {
public:
    // printer gives the shared printer, made when first needed.
    explicit DialogPrinterProvider(std::function<SharedPrinter&()> printer) : m_printer(std::move(printer)) {}
    QPrinter* ChoosePrinter(QWidget* parent) override;

private:
    std::function<SharedPrinter&()> m_printer;
};

} // namespace velmora::gui
