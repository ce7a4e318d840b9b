#include "fittedlabel.h"

#include "base/fitlabel.h"

namespace velmora::gui {

FittedLabel::FittedLabel(QWidget* parent) : QLabel(parent)
{
    setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
}

void FittedLabel::SetFullText(const QString& text)
{
    m_full = text;
    setToolTip(text);
    Fit();
}

void FittedLabel::SetMiddleElided(bool middle)
{
    m_middle = middle;
    Fit();
}

void FittedLabel::resizeEvent(QResizeEvent* event)
{
    QLabel::resizeEvent(event);
    Fit();
}

void FittedLabel::Fit()
{
    if (m_full.isEmpty()) {
        clear();
        return;
    }
    const QFontMetrics metrics(font());
    const int width = contentsRect().width() - 2 * margin();
    if (m_middle) {
        setText(metrics.elidedText(m_full, Qt::ElideMiddle, width));
        return;
    }
    setText(QString::fromStdString(FitLabel(m_full.toStdString(), width, [&metrics](std::string_view text) {
        return metrics.horizontalAdvance(QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())));
    })));
}

} // namespace velmora::gui
