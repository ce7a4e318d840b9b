#pragma once
// The core's Canvas over a QPainter on a QImage; off-screen bitmaps are QImages too. Text extents
// come from the core's built-in metrics, so a picture drawn here matches the SVG of the same calls;
// on screen and in bitmaps a point is one 96-dpi pixel. Font names are mapped to installed fonts
// by InstallFontSubstitutions (fonts.h).
#include "graphics/canvas.h"

#include <QFont>
#include <QImage>
#include <QPainter>
#include <QString>

#include <string_view>

namespace velmora::gui {

// 0x00BBGGRR to a QColor.
QColor ToQColor(Color color);

class QtCanvas final : public Canvas {
public:
    // Draws on image, which must outlive the canvas (its format should be a 32-bit RGB one so the
    // not-xor pen works).
    explicit QtCanvas(QImage& image);
    ~QtCanvas() override;

    void Line(int x1, int y1, int x2, int y2) override;
    void FillRect(int left, int top, int right, int bottom) override;
    void SetPixel(int x, int y, Color c) override;
    void TextOut(int x, int y, std::string_view text) override;
    int TextWidth(std::string_view text) override;
    int TextHeight(std::string_view text) override;
    std::unique_ptr<Bitmap> CreateBitmap(int width, int height) override;
    void DrawBitmap(int x, int y, const Bitmap& bitmap) override;

    // Clears the whole image to the brush colour.
    void Clear();
    QImage& Image() { return m_image; }

private:
    QImage& m_image;
    QPainter m_painter;
};

// A QImage with its own QtCanvas.
class QtBitmap final : public Bitmap {
public:
    QtBitmap(int width, int height);
    int Width() const override { return m_image.width(); }
    int Height() const override { return m_image.height(); }
    Canvas& GetCanvas() override { return m_canvas; }
    const QImage& Image() const { return m_image; }

private:
    QImage m_image;
    QtCanvas m_canvas;
};

} // namespace velmora::gui
