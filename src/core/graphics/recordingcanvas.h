#pragma once
// A canvas that keeps every drawing call with the state it was drawn in, for tests that assert
// exactly what a picture consists of. Text is measured with the built-in metrics unless fixed
// metrics are set.
#include "graphics/canvas.h"

#include <memory>
#include <string>
#include <vector>

namespace velmora {

struct DrawCall {
    enum class Kind { Line, FillRect, Pixel, Text, Bitmap };
    Kind kind = Kind::Line;
    int x1 = 0, y1 = 0, x2 = 0, y2 = 0; // Line: ends; FillRect: left, top, right, bottom;
                                        // Pixel, Text, Bitmap: x1, y1 (Bitmap: x2, y2 = size)
    std::string text;
    Color color = kBlack; // Pixel
    Pen pen;
    Brush brush;
    Font font;
    std::shared_ptr<const std::vector<DrawCall>> bitmapCalls; // Bitmap: what the bitmap held
};

class RecordingCanvas : public Canvas {
public:
    RecordingCanvas() = default;

    const std::vector<DrawCall>& Calls() const { return m_calls; }
    void Clear() { m_calls.clear(); }
    std::vector<DrawCall> Lines() const { return Only(DrawCall::Kind::Line); }
    std::vector<DrawCall> Texts() const { return Only(DrawCall::Kind::Text); }
    std::vector<DrawCall> Rects() const { return Only(DrawCall::Kind::FillRect); }

    // Every character charWidth pixels wide and every text height pixels high; 0, 0 restores the
    // built-in metrics.
    void SetFixedTextMetrics(int charWidth, int height)
    {
        m_charWidth = charWidth;
        m_textHeight = height;
    }

    void Line(int x1, int y1, int x2, int y2) override;
    void FillRect(int left, int top, int right, int bottom) override;
    void SetPixel(int x, int y, Color c) override;
    void TextOut(int x, int y, std::string_view text) override;
    int TextWidth(std::string_view text) override;
    int TextHeight(std::string_view text) override;
    std::unique_ptr<Bitmap> CreateBitmap(int width, int height) override;
    // bitmap must come from a RecordingCanvas; anything else throws std::invalid_argument.
    void DrawBitmap(int x, int y, const Bitmap& bitmap) override;

private:
    DrawCall Make(DrawCall::Kind kind) const;
    std::vector<DrawCall> Only(DrawCall::Kind kind) const;
    std::vector<DrawCall> m_calls;
    int m_charWidth = 0;
    int m_textHeight = 0;
};

// A bitmap whose canvas records; what it holds is kept by value when it is copied anywhere.
class RecordingBitmap : public Bitmap {
public:
    RecordingBitmap(int width, int height) : m_width(width), m_height(height) {}
    int Width() const override { return m_width; }
    int Height() const override { return m_height; }
    Canvas& GetCanvas() override { return m_canvas; }
    const RecordingCanvas& Recording() const { return m_canvas; }

private:
    int m_width;
    int m_height;
    RecordingCanvas m_canvas;
};

} // namespace velmora
