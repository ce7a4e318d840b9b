#include "graphics/recordingcanvas.h"

#include "graphics/fontmetrics.h"
#include "graphics/xmltext.h"

#include <stdexcept>

namespace velmora {

DrawCall RecordingCanvas::Make(DrawCall::Kind kind) const
{
    DrawCall call;
    call.kind = kind;
    call.pen = GetPen();
    call.brush = GetBrush();
    call.font = GetFont();
    return call;
}

std::vector<DrawCall> RecordingCanvas::Only(DrawCall::Kind kind) const
{
    std::vector<DrawCall> result;
    for (const auto& call : m_calls)
        if (call.kind == kind)
            result.push_back(call);
    return result;
}

void RecordingCanvas::Line(int x1, int y1, int x2, int y2)
{
    DrawCall call = Make(DrawCall::Kind::Line);
    call.x1 = x1, call.y1 = y1, call.x2 = x2, call.y2 = y2;
    m_calls.push_back(std::move(call));
}

void RecordingCanvas::FillRect(int left, int top, int right, int bottom)
{
    DrawCall call = Make(DrawCall::Kind::FillRect);
    call.x1 = left, call.y1 = top, call.x2 = right, call.y2 = bottom;
    call.color = GetBrush().color;
    m_calls.push_back(std::move(call));
}

void RecordingCanvas::SetPixel(int x, int y, Color c)
{
    DrawCall call = Make(DrawCall::Kind::Pixel);
    call.x1 = x, call.y1 = y;
    call.color = c;
    m_calls.push_back(std::move(call));
}

void RecordingCanvas::TextOut(int x, int y, std::string_view text)
{
    DrawCall call = Make(DrawCall::Kind::Text);
    call.x1 = x, call.y1 = y;
    call.text = std::string(text);
    call.color = GetFont().color;
    m_calls.push_back(std::move(call));
}

int RecordingCanvas::TextWidth(std::string_view text)
{
    if (m_charWidth > 0)
        return m_charWidth * static_cast<int>(DecodeText(text).size());
    return MeasureTextWidth(GetFont(), text);
}

int RecordingCanvas::TextHeight(std::string_view)
{
    if (m_textHeight > 0)
        return m_textHeight;
    return MeasureFont(GetFont()).Height();
}

std::unique_ptr<Bitmap> RecordingCanvas::CreateBitmap(int width, int height)
{
    return std::make_unique<RecordingBitmap>(width, height);
}

void RecordingCanvas::DrawBitmap(int x, int y, const Bitmap& bitmap)
{
    const auto* recorded = dynamic_cast<const RecordingBitmap*>(&bitmap);
    if (!recorded)
        throw std::invalid_argument("RecordingCanvas::DrawBitmap: not a recording bitmap");
    DrawCall call = Make(DrawCall::Kind::Bitmap);
    call.x1 = x, call.y1 = y, call.x2 = bitmap.Width(), call.y2 = bitmap.Height();
    call.bitmapCalls = std::make_shared<const std::vector<DrawCall>>(recorded->Recording().Calls());
    m_calls.push_back(std::move(call));
}

} // namespace velmora
