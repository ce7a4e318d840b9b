#include "structurepanel.h"

#include "base/fitlabel.h"
#include "graphics/grafctab.h"
#include "qtcanvas.h"

#include <QMouseEvent>
#include <QPainter>

namespace velmora::gui {

StructurePanel::StructurePanel(QWidget* parent, QSize hint) : QWidget(parent), m_hint(hint)
{
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
}

void StructurePanel::SetStructure(const TCTab& structure)
{
    m_structure.Assign(structure);
    m_has = true;
    update();
}

void StructurePanel::Clear()
{
    m_structure.Clear();
    m_has = false;
    update();
}

void StructurePanel::SetCaption(const QString& caption)
{
    m_caption = caption;
    update();
}

void StructurePanel::SetNote(const QString& note)
{
    m_note = note;
    update();
}

void StructurePanel::SetFramed(bool framed)
{
    m_framed = framed;
    update();
}

QImage StructurePanel::Picture(QSize size) const
{
    if (!size.isValid())
        size = this->size();
    QImage image(size.expandedTo(QSize(20, 20)), QImage::Format_RGB32);
    QtCanvas canvas(image);
    canvas.SetBrushColor(kWhite);
    canvas.SetBrushStyle(BrushStyle::Solid);
    canvas.Clear();
    const int width = image.width();
    const int height = image.height();
    // A note takes a line of its own below the drawing.
    const int noteHeight = m_note.isEmpty() ? 0 : 14;
    if (m_has) {
        TGrafCtab drawing(&canvas);
        drawing.Assign(m_structure);
        drawing.ClipRect = {0, 0, width, height - noteHeight};
        drawing.DrawFitted(1, 10, 10, width - 10, height - 10 - noteHeight, 50);
    }
    int captionLeft = width;
    if (!m_caption.isEmpty()) {
        canvas.SetFont(Font{"Arial", 8, FontStyle::None, kBlack});
        canvas.SetBrushStyle(BrushStyle::Clear);
        const std::string caption = m_caption.toStdString();
        // Longer captions keep their right end 4 pixels inside the frame.
        const int x = std::min(width - 15, width - 4 - canvas.TextWidth(caption));
        canvas.TextOut(x, height - 15, caption);
        captionLeft = x;
    }
    if (!m_note.isEmpty()) {
        canvas.SetFont(Font{"Arial", 8, FontStyle::None, kBlack});
        canvas.SetBrushStyle(BrushStyle::Clear);
        const int room = captionLeft - 8 - 6;
        canvas.TextOut(5, height - 15, FitLabel(m_note.toStdString(), room, [&canvas](std::string_view text) {
                           return canvas.TextWidth(text);
                       }));
    }
    if (m_framed) {
        canvas.SetPen(Pen{});
        canvas.SetPenColor(kBlack);
        canvas.SetPenWidth(1);
        canvas.Line(0, 0, width - 1, 0);
        canvas.Line(width - 1, 0, width - 1, height - 1);
        canvas.Line(width - 1, height - 1, 0, height - 1);
        canvas.Line(0, height - 1, 0, 0);
    }
    return image;
}

void StructurePanel::SetClickable(bool clickable)
{
    m_clickable = clickable;
    if (clickable)
        setCursor(Qt::PointingHandCursor);
    else
        unsetCursor();
}

void StructurePanel::mouseReleaseEvent(QMouseEvent* event)
{
    if (m_clickable && event->button() == Qt::LeftButton && rect().contains(event->position().toPoint())) {
        emit clicked();
        return;
    }
    QWidget::mouseReleaseEvent(event);
}

void StructurePanel::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.drawImage(0, 0, Picture());
}

} // namespace velmora::gui
