#include "drawpenabout.h"

#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace velmora::gui {

TDrawpenAboutBx::TDrawpenAboutBx(QWidget* parent) : QDialog(parent)
{
    setWindowTitle("About");
    auto* icon = new QLabel(this);
    icon->setPixmap(QIcon(":/icons/molecule.svg").pixmap(48, 48));
    auto* name = new QLabel("Drawpen", this);
    QFont font("Arial");
    font.setPixelSize(36);
    font.setBold(true);
    name->setFont(font);
    name->setStyleSheet("color: rgb(128, 0, 0);");
    auto* version = new QLabel("Version 0.1", this);
    auto* ok = new QPushButton("OK", this);
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);

    auto* top = new QHBoxLayout;
    top->addWidget(icon);
    top->addSpacing(12);
    top->addWidget(name);
    top->addStretch(1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(ok);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(version);
    layout->addSpacing(8);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

} // namespace velmora::gui
