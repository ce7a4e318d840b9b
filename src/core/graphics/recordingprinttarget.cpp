#include "graphics/recordingprinttarget.h"

#include <stdexcept>

namespace velmora {

std::vector<PrintEvent> RecordingPrintTarget::Bitmaps() const
{
    std::vector<PrintEvent> result;
    for (const auto& event : m_events)
        if (event.kind == PrintEvent::Kind::Bitmap)
            result.push_back(event);
    return result;
}

std::vector<PrintEvent> RecordingPrintTarget::Texts() const
{
    std::vector<PrintEvent> result;
    for (const auto& event : m_events)
        if (event.kind == PrintEvent::Kind::Text)
            result.push_back(event);
    return result;
}

const PrintEvent* RecordingPrintTarget::FindText(std::string_view prefix) const
{
    for (const auto& event : m_events)
        if (event.kind == PrintEvent::Kind::Text && std::string_view(event.text).substr(0, prefix.size()) == prefix)
            return &event;
    return nullptr;
}

void RecordingPrintTarget::BeginDoc()
{
    m_page = 1;
    PrintEvent event;
    event.kind = PrintEvent::Kind::BeginDoc;
    event.page = m_page;
    m_events.push_back(std::move(event));
}
void RecordingPrintTarget::NewPage()
{
    ++m_page;
    PrintEvent event;
    event.kind = PrintEvent::Kind::NewPage;
    event.page = m_page;
    m_events.push_back(std::move(event));
}
void RecordingPrintTarget::EndDoc()
{
    PrintEvent event;
    event.kind = PrintEvent::Kind::EndDoc;
    event.page = m_page;
    m_events.push_back(std::move(event));
}

void RecordingPrintTarget::TextOut(int x, int y, std::string_view text, const std::string& fontName,
                                   int fontSize, FontStyle style)
{
    PrintEvent event;
    event.kind = PrintEvent::Kind::Text;
    event.x = x, event.y = y;
    event.text = std::string(text);
    event.fontName = fontName;
    event.fontSize = fontSize;
    event.fontStyle = style;
    event.page = m_page;
    m_events.push_back(std::move(event));
}

std::unique_ptr<Bitmap> RecordingPrintTarget::CreateBitmap(int width, int height)
{
    return std::make_unique<RecordingBitmap>(width, height);
}

void RecordingPrintTarget::CopyBitmap(int x, int y, const Bitmap& bitmap)
{
    const auto* recorded = dynamic_cast<const RecordingBitmap*>(&bitmap);
    if (!recorded)
        throw std::invalid_argument("RecordingPrintTarget::CopyBitmap: not a recording bitmap");
    PrintEvent event;
    event.kind = PrintEvent::Kind::Bitmap;
    event.x = x, event.y = y;
    event.width = bitmap.Width(), event.height = bitmap.Height();
    event.bitmapCalls = recorded->Recording().Calls();
    event.page = m_page;
    m_events.push_back(std::move(event));
}

} // namespace velmora
