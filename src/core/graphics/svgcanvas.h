#pragma once
// A canvas that writes a self-contained SVG picture: no external fonts, images or styles.
// Text is measured with the built-in metrics (fontmetrics.h) and placed by its centre, so a label
// stays centred where it was laid out even when the viewer substitutes a font.
#include "graphics/canvas.h"

#include <string>

namespace velmora {

class SvgCanvas : public Canvas {
public:
    SvgCanvas(int width, int height);

    int Width() const { return m_width; }
    int Height() const { return m_height; }
    // The picture as an <svg> element, for embedding in HTML.
    std::string Element() const;
    // A standalone SVG file: the XML declaration and the element.
    std::string Document() const;
    // The drawing elements alone, without the enclosing element.
    const std::string& Body() const { return m_body; }
    // Forgets everything drawn; the state is kept.
    void ClearPicture() { m_body.clear(); }

    void Line(int x1, int y1, int x2, int y2) override;
    void FillRect(int left, int top, int right, int bottom) override;
    void SetPixel(int x, int y, Color c) override;
    void TextOut(int x, int y, std::string_view text) override;
    int TextWidth(std::string_view text) override;
    int TextHeight(std::string_view text) override;
    std::unique_ptr<Bitmap> CreateBitmap(int width, int height) override;
    // bitmap must come from an SvgCanvas; anything else throws std::invalid_argument.
    void DrawBitmap(int x, int y, const Bitmap& bitmap) override;

private:
    void AppendRect(int x, int y, int width, int height, Color c);
    int m_width;
    int m_height;
    std::string m_body;
};

} // namespace velmora
