#pragma once
// The structure editor's about box.
#include <QDialog>

namespace velmora::gui {

class TDrawpenAboutBx : public QDialog {
    Q_OBJECT
public:
    explicit TDrawpenAboutBx(QWidget* parent = nullptr);
};

} // namespace velmora::gui
