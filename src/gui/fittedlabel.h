#pragma once
// A label that shows its text fitted to its width (cut with "=>" when too long, one blank when
// empty) and the whole text as its tool tip; it fits the text again whenever its width changes.
// A file path is rather shortened in the middle ("...") so that both its folder and its name show.
#include <QLabel>

namespace velmora::gui {

class FittedLabel : public QLabel {
    Q_OBJECT
public:
    explicit FittedLabel(QWidget* parent = nullptr);
    void SetFullText(const QString& text);
    const QString& FullText() const { return m_full; }
    // Shortens in the middle instead of cutting the end.
    void SetMiddleElided(bool middle);

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void Fit();
    QString m_full;
    bool m_middle = false;
};

} // namespace velmora::gui
