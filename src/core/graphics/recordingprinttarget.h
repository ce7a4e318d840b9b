#pragma once
// A print target that records the print job for tests, including what every copied bitmap held.
#include "graphics/printtarget.h"
#include "graphics/recordingcanvas.h"

#include <vector>

namespace velmora {

struct PrintEvent {
    enum class Kind { BeginDoc, NewPage, EndDoc, Text, Bitmap };
    Kind kind = Kind::BeginDoc;
    int x = 0, y = 0;
    int width = 0, height = 0; // Bitmap
    std::string text, fontName;
    int fontSize = 0;
    FontStyle fontStyle = FontStyle::None;
    int page = 0; // page the event happened on
    std::vector<DrawCall> bitmapCalls;
};

class RecordingPrintTarget : public PrintTarget {
public:
    RecordingPrintTarget(int pageWidth, int pageHeight) : m_pageWidth(pageWidth), m_pageHeight(pageHeight) {}

    const std::vector<PrintEvent>& Events() const { return m_events; }
    std::vector<PrintEvent> Bitmaps() const;
    // The text events, and the first one whose text starts with prefix (nullptr when none).
    std::vector<PrintEvent> Texts() const;
    const PrintEvent* FindText(std::string_view prefix) const;

    int PageWidth() const override { return m_pageWidth; }
    int PageHeight() const override { return m_pageHeight; }
    void BeginDoc() override;
    void NewPage() override;
    void EndDoc() override;
    int PageNumber() const override { return m_page; }
    void TextOut(int x, int y, std::string_view text, const std::string& fontName, int fontSize,
                 FontStyle style = FontStyle::None) override;
    std::unique_ptr<Bitmap> CreateBitmap(int width, int height) override;
    // bitmap must be a RecordingBitmap; anything else throws std::invalid_argument.
    void CopyBitmap(int x, int y, const Bitmap& bitmap) override;

private:
    int m_pageWidth;
    int m_pageHeight;
    int m_page = 0;
    std::vector<PrintEvent> m_events;
};

} // namespace velmora
