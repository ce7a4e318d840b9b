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

void RecordingPrintTarget::BeginDoc()
{
    PrintEvent event;
    event.kind = PrintEvent::Kind::BeginDoc;
    m_events.push_back(std::move(event));
}
void RecordingPrintTarget::NewPage()
{
    PrintEvent event;
    event.kind = PrintEvent::Kind::NewPage;
    m_events.push_back(std::move(event));
}
void RecordingPrintTarget::EndDoc()
{
    PrintEvent event;
    event.kind = PrintEvent::Kind::EndDoc;
    m_events.push_back(std::move(event));
}

void RecordingPrintTarget::TextOut(int x, int y, std::string_view text, const std::string& fontName,
                                   int fontSize)
{
    PrintEvent event;
    event.kind = PrintEvent::Kind::Text;
    event.x = x, event.y = y;
    event.text = std::string(text);
    event.fontName = fontName;
    event.fontSize = fontSize;
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
    m_events.push_back(std::move(event));
}

} // namespace velmora
