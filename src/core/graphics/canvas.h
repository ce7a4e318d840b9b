#pragma once
// The drawing surface every picture of the system is drawn on: structure drawings, the chart, the
// printed pages' bitmaps. Implemented by the SVG canvas (core), the recording canvas (tests) and a
// QPainter canvas (GUI); all of them must give the same pictures for the same calls.
//
// Coordinates are integer device pixels, y growing downward. The state (pen, brush, font) is held
// here and read by the drawing operations; setting it draws nothing.
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace velmora {

// 0x00BBGGRR, the byte order of a desktop colour value: red in the low byte.
using Color = std::uint32_t;

constexpr Color Rgb(int red, int green, int blue)
{
    return static_cast<Color>((red & 0xFF) | ((green & 0xFF) << 8) | ((blue & 0xFF) << 16));
}
constexpr int RedOf(Color c) { return static_cast<int>(c & 0xFF); }
constexpr int GreenOf(Color c) { return static_cast<int>((c >> 8) & 0xFF); }
constexpr int BlueOf(Color c) { return static_cast<int>((c >> 16) & 0xFF); }

constexpr Color kBlack = Rgb(0, 0, 0);
constexpr Color kWhite = Rgb(255, 255, 255);
constexpr Color kSilver = Rgb(192, 192, 192);
constexpr Color kAqua = Rgb(0, 255, 255);

enum class PenStyle { Solid, Dashed };
// NotXor: the result is NOT(pen XOR destination); drawing the same line twice restores the picture.
enum class PenMode { Copy, NotXor };
// Clear: text is written without a background and rectangles are not filled by the brush.
enum class BrushStyle { Solid, Clear };

enum class FontStyle : std::uint8_t { None = 0, Bold = 1, Italic = 2, Underline = 4 };
constexpr FontStyle operator|(FontStyle a, FontStyle b)
{
    return static_cast<FontStyle>(static_cast<std::uint8_t>(a) | static_cast<std::uint8_t>(b));
}
constexpr bool HasStyle(FontStyle set, FontStyle flag)
{
    return (static_cast<std::uint8_t>(set) & static_cast<std::uint8_t>(flag)) != 0;
}

struct Pen {
    Color color = kBlack;
    int width = 1;
    PenStyle style = PenStyle::Solid;
    PenMode mode = PenMode::Copy;
    friend bool operator==(const Pen&, const Pen&) = default;
};

struct Brush {
    Color color = kWhite;
    BrushStyle style = BrushStyle::Solid;
    friend bool operator==(const Brush&, const Brush&) = default;
};

struct Font {
    std::string name = "Arial";
    int size = 10; // points
    FontStyle style = FontStyle::None;
    Color color = kBlack;
    friend bool operator==(const Font&, const Font&) = default;
};

class Canvas;

// An off-screen picture with its own canvas. Made by a canvas (or a print target) and drawable
// only onto canvases of the same kind.
class Bitmap {
public:
    virtual ~Bitmap() = default;
    virtual int Width() const = 0;
    virtual int Height() const = 0;
    virtual Canvas& GetCanvas() = 0;
};

class Canvas {
public:
    virtual ~Canvas() = default;

    const Pen& GetPen() const { return m_pen; }
    const Brush& GetBrush() const { return m_brush; }
    const Font& GetFont() const { return m_font; }

    void SetPen(const Pen& pen) { m_pen = pen; }
    void SetPenColor(Color c) { m_pen.color = c; }
    void SetPenWidth(int width) { m_pen.width = width; }
    void SetPenStyle(PenStyle style) { m_pen.style = style; }
    void SetPenMode(PenMode mode) { m_pen.mode = mode; }
    void SetBrush(const Brush& brush) { m_brush = brush; }
    void SetBrushColor(Color c) { m_brush.color = c; }
    void SetBrushStyle(BrushStyle style) { m_brush.style = style; }
    void SetFont(const Font& font) { m_font = font; }
    void SetFontName(std::string name) { m_font.name = std::move(name); }
    void SetFontSize(int points) { m_font.size = points; }
    void SetFontStyle(FontStyle style) { m_font.style = style; }
    void SetFontColor(Color c) { m_font.color = c; }

    // A line from (x1, y1) to (x2, y2) with the pen.
    virtual void Line(int x1, int y1, int x2, int y2) = 0;
    // Fills [left, right) x [top, bottom) with the brush colour (whatever the brush style).
    virtual void FillRect(int left, int top, int right, int bottom) = 0;
    virtual void SetPixel(int x, int y, Color c) = 0;
    // Text with its top-left corner at (x, y) in the font; with a solid brush its box is filled
    // with the brush colour first. Text is 8-bit: UTF-8, or code page 437 where it is not.
    virtual void TextOut(int x, int y, std::string_view text) = 0;
    // Extent of the text in the current font, in pixels.
    virtual int TextWidth(std::string_view text) = 0;
    virtual int TextHeight(std::string_view text) = 0;

    virtual std::unique_ptr<Bitmap> CreateBitmap(int width, int height) = 0;
    // Copies a bitmap made by a canvas of the same kind with its top-left corner at (x, y).
    virtual void DrawBitmap(int x, int y, const Bitmap& bitmap) = 0;

private:
    Pen m_pen;
    Brush m_brush;
    Font m_font;
};

} // namespace velmora
