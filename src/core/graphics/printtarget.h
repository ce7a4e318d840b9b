#pragma once
// A printer as the drawing code sees it: a page of known size in device pixels, a print job with
// pages, text, and straight copies of bitmaps. The GUI wraps a real printer (a PDF file when none
// is present); tests use RecordingPrintTarget.
#include "graphics/canvas.h"

#include <memory>
#include <string>
#include <string_view>

namespace velmora {

class PrintTarget {
public:
    virtual ~PrintTarget() = default;
    virtual int PageWidth() const = 0;  // device pixels
    virtual int PageHeight() const = 0; // device pixels
    // A job starts on page 1; every NewPage counts one up.
    virtual void BeginDoc() = 0;
    virtual void NewPage() = 0;
    virtual void EndDoc() = 0;
    // Number of the page being printed (1 after BeginDoc).
    virtual int PageNumber() const = 0;
    // Text with its top-left corner at (x, y); fontSize in points at the printer's resolution.
    virtual void TextOut(int x, int y, std::string_view text, const std::string& fontName, int fontSize,
                         FontStyle style = FontStyle::None) = 0;
    // A bitmap that this target can copy onto its pages.
    virtual std::unique_ptr<Bitmap> CreateBitmap(int width, int height) = 0;
    // Copies the bitmap pixel for pixel with its top-left corner at (x, y).
    virtual void CopyBitmap(int x, int y, const Bitmap& bitmap) = 0;
};

} // namespace velmora
