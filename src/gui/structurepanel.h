#pragma once
// One structure drawn to fit a panel, the way the result pages show them: cleared white, drawn with
// the core's structure drawing 10 pixels inside, bonds at most 50 pixels; optionally a caption at
// the lower right corner, a note line at the lower left, and a black frame. The panel keeps its own copy of the structure and
// redraws it at whatever size it is given.
#include "model/ctab.h"

#include <QImage>
#include <QString>
#include <QWidget>

namespace velmora::gui {

class StructurePanel : public QWidget {
    Q_OBJECT
public:
    explicit StructurePanel(QWidget* parent = nullptr, QSize hint = {220, 165});

    void SetStructure(const TCTab& structure);
    void Clear(); // an empty picture
    bool HasStructure() const { return m_has; }
    const TCTab& Structure() const { return m_structure; }
    // Written in Arial 8 point 15 pixels left of and above the lower right corner.
    void SetCaption(const QString& caption);
    const QString& Caption() const { return m_caption; }
    // A line at the lower left, under the drawing (which then keeps clear of it), cut to fit beside
    // the caption: which query or library a result came from. None by default.
    void SetNote(const QString& note);
    const QString& Note() const { return m_note; }
    void SetFramed(bool framed);
    // A clickable panel shows a pointing hand and says clicked() on a left click.
    void SetClickable(bool clickable);
    bool Clickable() const { return m_clickable; }

    // The picture at size (the panel's own when empty).
    QImage Picture(QSize size = {}) const;
    QSize sizeHint() const override { return m_hint; }
    QSize minimumSizeHint() const override { return m_hint / 2; }

signals:
    void clicked();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    TCTab m_structure;
    bool m_has = false;
    QString m_caption;
    QString m_note;
    bool m_framed = false;
    bool m_clickable = false;
    QSize m_hint;
};

} // namespace velmora::gui
