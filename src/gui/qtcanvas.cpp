#include "qtcanvas.h"

#include "graphics/fontmetrics.h"
#include "graphics/xmltext.h"

#include <QPen>

#include <algorithm>

namespace velmora::gui {

QColor ToQColor(Color color) { return QColor(RedOf(color), GreenOf(color), BlueOf(color)); }

namespace {

QString Decoded(std::string_view text)
{
    const std::u32string codes = DecodeText(text);
    return QString::fromUcs4(codes.data(), static_cast<qsizetype>(codes.size()));
}

QFont ToQFont(const Font& font)
{
    QFont qfont(QString::fromStdString(font.name));
    qfont.setStyleHint(IsMonospaceFont(font.name) ? QFont::Monospace : QFont::SansSerif);
    qfont.setPixelSize(std::max(1, MeasureFont(font).emPixels));
    qfont.setBold(HasStyle(font.style, FontStyle::Bold));
    qfont.setItalic(HasStyle(font.style, FontStyle::Italic));
    qfont.setUnderline(HasStyle(font.style, FontStyle::Underline));
    return qfont;
}

} // namespace

QtCanvas::QtCanvas(QImage& image) : m_image(image), m_painter(&image) {}

QtCanvas::~QtCanvas() { m_painter.end(); }

void QtCanvas::Line(int x1, int y1, int x2, int y2)
{
    if (x1 == x2 && y1 == y2)
        return;
    const Pen& pen = GetPen();
    QPen qpen(ToQColor(pen.color));
    qpen.setWidth(std::max(pen.width, 1));
    if (pen.style == PenStyle::Dashed)
        qpen.setDashPattern({4.0, 2.0});
    else
        qpen.setCapStyle(Qt::RoundCap);
    m_painter.setPen(qpen);
    // The not-xor pen is a pixel operation: no smoothing, so drawing twice restores the picture.
    const bool notXor = pen.mode == PenMode::NotXor;
    m_painter.setRenderHint(QPainter::Antialiasing, !notXor);
    m_painter.setCompositionMode(notXor ? QPainter::RasterOp_NotSourceXorDestination
                                        : QPainter::CompositionMode_SourceOver);
    // Odd widths on pixel centres keep one-pixel lines sharp, as in the SVG pictures.
    const double shift = qpen.width() % 2 == 1 ? 0.5 : 0.0;
    m_painter.drawLine(QPointF(x1 + shift, y1 + shift), QPointF(x2 + shift, y2 + shift));
    m_painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
}

void QtCanvas::FillRect(int left, int top, int right, int bottom)
{
    if (right <= left || bottom <= top)
        return;
    m_painter.fillRect(QRect(left, top, right - left, bottom - top), ToQColor(GetBrush().color));
}

void QtCanvas::SetPixel(int x, int y, Color c)
{
    m_painter.fillRect(QRect(x, y, 1, 1), ToQColor(c));
}

void QtCanvas::TextOut(int x, int y, std::string_view text)
{
    if (text.empty())
        return;
    const Font& font = GetFont();
    const FontBox box = MeasureFont(font);
    const int width = MeasureTextWidth(font, text);
    if (GetBrush().style == BrushStyle::Solid)
        m_painter.fillRect(QRect(x, y, width, box.Height()), ToQColor(GetBrush().color));
    const QFont qfont = ToQFont(font);
    const QString shown = Decoded(text);
    m_painter.setFont(qfont);
    m_painter.setPen(ToQColor(font.color));
    m_painter.setRenderHint(QPainter::TextAntialiasing, true);
    // Centred in the box the core measured, as the SVG canvas anchors its text.
    const double drawn = QFontMetricsF(qfont, &m_image).horizontalAdvance(shown);
    m_painter.drawText(QPointF(x + (width - drawn) / 2.0, y + box.ascent), shown);
}

int QtCanvas::TextWidth(std::string_view text) { return MeasureTextWidth(GetFont(), text); }

int QtCanvas::TextHeight(std::string_view) { return MeasureFont(GetFont()).Height(); }

std::unique_ptr<Bitmap> QtCanvas::CreateBitmap(int width, int height)
{
    return std::make_unique<QtBitmap>(width, height);
}

void QtCanvas::DrawBitmap(int x, int y, const Bitmap& bitmap)
{
    const auto* qt = dynamic_cast<const QtBitmap*>(&bitmap);
    if (!qt)
        throw std::invalid_argument("QtCanvas::DrawBitmap: not a Qt bitmap");
    m_painter.drawImage(QPoint(x, y), qt->Image());
}

void QtCanvas::Clear() { m_painter.fillRect(m_image.rect(), ToQColor(GetBrush().color)); }

QtBitmap::QtBitmap(int width, int height)
    : m_image(std::max(width, 1), std::max(height, 1), QImage::Format_RGB32), m_canvas(m_image)
{
    m_canvas.Clear(); // the default brush is white
}

} // namespace velmora::gui
