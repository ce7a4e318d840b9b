#include "graphics/svgcanvas.h"

#include "graphics/fontmetrics.h"
#include "graphics/xmltext.h"

#include <algorithm>
#include <charconv>
#include <stdexcept>

namespace velmora {

namespace {

void AppendInt(std::string& out, long long value)
{
    char buffer[24];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    out.append(buffer, result.ptr);
}

// Shortest round-trip text of a double; locale-independent.
void AppendNumber(std::string& out, double value)
{
    char buffer[32];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    out.append(buffer, result.ptr);
}

void AppendColor(std::string& out, Color c)
{
    static const char* digits = "0123456789abcdef";
    out += '#';
    for (int channel : {RedOf(c), GreenOf(c), BlueOf(c)}) {
        out += digits[channel >> 4];
        out += digits[channel & 15];
    }
}

void AppendAttribute(std::string& out, const char* name, long long value)
{
    out += ' ';
    out += name;
    out += "=\"";
    AppendInt(out, value);
    out += '"';
}

void AppendAttribute(std::string& out, const char* name, double value)
{
    out += ' ';
    out += name;
    out += "=\"";
    AppendNumber(out, value);
    out += '"';
}

class SvgBitmap : public Bitmap {
public:
    SvgBitmap(int width, int height) : m_canvas(width, height) {}
    int Width() const override { return m_canvas.Width(); }
    int Height() const override { return m_canvas.Height(); }
    Canvas& GetCanvas() override { return m_canvas; }
    const SvgCanvas& Svg() const { return m_canvas; }

private:
    SvgCanvas m_canvas;
};

} // namespace

SvgCanvas::SvgCanvas(int width, int height) : m_width(std::max(width, 0)), m_height(std::max(height, 0))
{
    m_body.reserve(4096);
}

std::string SvgCanvas::Element() const
{
    std::string out;
    out.reserve(m_body.size() + 160);
    out += "<svg xmlns=\"http://www.w3.org/2000/svg\"";
    AppendAttribute(out, "width", static_cast<long long>(m_width));
    AppendAttribute(out, "height", static_cast<long long>(m_height));
    out += " viewBox=\"0 0 ";
    AppendInt(out, m_width);
    out += ' ';
    AppendInt(out, m_height);
    out += "\">\n";
    out += m_body;
    out += "</svg>\n";
    return out;
}

std::string SvgCanvas::Document() const
{
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n" + Element();
}

void SvgCanvas::Line(int x1, int y1, int x2, int y2)
{
    if (x1 == x2 && y1 == y2)
        return; // a zero-length line draws nothing, as on a screen
    const Pen& pen = GetPen();
    const int width = std::max(pen.width, 1);
    // Odd widths are centred on pixel centres so that 1-pixel lines stay sharp.
    const double shift = width % 2 == 1 ? 0.5 : 0.0;
    m_body += "<line";
    AppendAttribute(m_body, "x1", x1 + shift);
    AppendAttribute(m_body, "y1", y1 + shift);
    AppendAttribute(m_body, "x2", x2 + shift);
    AppendAttribute(m_body, "y2", y2 + shift);
    m_body += " stroke=\"";
    // NotXor with a colour c inverts what lies below where c is black and keeps it where c is white:
    // a difference blend with the inverted colour does the same on black and white pictures.
    AppendColor(m_body, pen.mode == PenMode::NotXor ? (~pen.color & 0xFFFFFFu) : pen.color);
    m_body += '"';
    if (width != 1)
        AppendAttribute(m_body, "stroke-width", static_cast<long long>(width));
    if (pen.style == PenStyle::Dashed) {
        m_body += " stroke-dasharray=\"";
        AppendInt(m_body, 4LL * width);
        m_body += ' ';
        AppendInt(m_body, 2LL * width);
        m_body += '"';
    } else {
        m_body += " stroke-linecap=\"round\"";
    }
    if (pen.mode == PenMode::NotXor)
        m_body += " style=\"mix-blend-mode:difference\"";
    m_body += "/>\n";
}

void SvgCanvas::AppendRect(int x, int y, int width, int height, Color c)
{
    m_body += "<rect";
    AppendAttribute(m_body, "x", static_cast<long long>(x));
    AppendAttribute(m_body, "y", static_cast<long long>(y));
    AppendAttribute(m_body, "width", static_cast<long long>(width));
    AppendAttribute(m_body, "height", static_cast<long long>(height));
    m_body += " fill=\"";
    AppendColor(m_body, c);
    m_body += "\"/>\n";
}

void SvgCanvas::FillRect(int left, int top, int right, int bottom)
{
    if (right <= left || bottom <= top)
        return;
    AppendRect(left, top, right - left, bottom - top, GetBrush().color);
}

void SvgCanvas::SetPixel(int x, int y, Color c) { AppendRect(x, y, 1, 1, c); }

void SvgCanvas::TextOut(int x, int y, std::string_view text)
{
    if (text.empty())
        return;
    const Font& font = GetFont();
    const FontBox box = MeasureFont(font);
    const int width = MeasureTextWidth(font, text);
    if (GetBrush().style == BrushStyle::Solid)
        AppendRect(x, y, width, box.Height(), GetBrush().color);
    m_body += "<text";
    AppendAttribute(m_body, "x", x + width / 2.0);
    AppendAttribute(m_body, "y", static_cast<long long>(y + box.ascent));
    m_body += " font-family=\"";
    m_body += FontFamilyList(font.name);
    m_body += '"';
    AppendAttribute(m_body, "font-size", static_cast<long long>(box.emPixels));
    m_body += " fill=\"";
    AppendColor(m_body, font.color);
    m_body += "\" text-anchor=\"middle\"";
    if (HasStyle(font.style, FontStyle::Bold))
        m_body += " font-weight=\"bold\"";
    if (HasStyle(font.style, FontStyle::Italic))
        m_body += " font-style=\"italic\"";
    if (HasStyle(font.style, FontStyle::Underline))
        m_body += " text-decoration=\"underline\"";
    if (text.front() == ' ' || text.back() == ' ' || text.find("  ") != std::string_view::npos)
        m_body += " xml:space=\"preserve\"";
    m_body += '>';
    m_body += XmlEscape(text);
    m_body += "</text>\n";
}

int SvgCanvas::TextWidth(std::string_view text) { return MeasureTextWidth(GetFont(), text); }

int SvgCanvas::TextHeight(std::string_view) { return MeasureFont(GetFont()).Height(); }

std::unique_ptr<Bitmap> SvgCanvas::CreateBitmap(int width, int height)
{
    return std::make_unique<SvgBitmap>(width, height);
}

void SvgCanvas::DrawBitmap(int x, int y, const Bitmap& bitmap)
{
    const auto* svg = dynamic_cast<const SvgBitmap*>(&bitmap);
    if (!svg)
        throw std::invalid_argument("SvgCanvas::DrawBitmap: not an SVG bitmap");
    // A nested viewport clips the bitmap to its own size, like a pixel copy.
    m_body += "<svg";
    AppendAttribute(m_body, "x", static_cast<long long>(x));
    AppendAttribute(m_body, "y", static_cast<long long>(y));
    AppendAttribute(m_body, "width", static_cast<long long>(svg->Width()));
    AppendAttribute(m_body, "height", static_cast<long long>(svg->Height()));
    m_body += " overflow=\"hidden\">\n";
    m_body += svg->Svg().Body();
    m_body += "</svg>\n";
}

} // namespace velmora
