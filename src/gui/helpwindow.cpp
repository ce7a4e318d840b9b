#include "helpwindow.h"

#include <algorithm>

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QPushButton>
#include <QScreen>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>

// The pages live in a resource file of this static library; it must be registered explicitly.
static void InitHelpResources()
{
    Q_INIT_RESOURCE(velmora_help);
}

namespace velmora::gui {

namespace {

QUrl TopicUrl(int context)
{
    switch (context) {
    case 2: return QUrl(QStringLiteral("qrc:/help/searching.html"));
    case 3: return QUrl(QStringLiteral("qrc:/help/features.html"));
    default: return QUrl(QStringLiteral("qrc:/help/contents.html"));
    }
}

} // namespace

HelpWindow::HelpWindow(QWidget* parent) : QWidget(parent, Qt::Window)
{
    InitHelpResources();
    setWindowTitle(QStringLiteral("Velmora Help"));
    m_browser = new QTextBrowser(this);
    m_browser->setOpenExternalLinks(true);
    auto* contents = new QPushButton(QStringLiteral("&Contents"), this);
    auto* back = new QPushButton(QStringLiteral("&Back"), this);
    auto* forward = new QPushButton(QStringLiteral("&Forward"), this);
    auto* close = new QPushButton(QStringLiteral("Close"), this);
    back->setEnabled(false);
    forward->setEnabled(false);
    connect(contents, &QPushButton::clicked, this, [this] { m_browser->setSource(TopicUrl(1)); });
    connect(back, &QPushButton::clicked, m_browser, &QTextBrowser::backward);
    connect(forward, &QPushButton::clicked, m_browser, &QTextBrowser::forward);
    connect(m_browser, &QTextBrowser::backwardAvailable, back, &QPushButton::setEnabled);
    connect(m_browser, &QTextBrowser::forwardAvailable, forward, &QPushButton::setEnabled);
    connect(close, &QPushButton::clicked, this, &QWidget::close);
    connect(m_browser, &QTextBrowser::sourceChanged, this, [this] {
        const QString title = m_browser->documentTitle();
        setWindowTitle(title.isEmpty() ? QStringLiteral("Velmora Help") : QStringLiteral("Velmora Help - ") + title);
    });
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(contents);
    buttons->addWidget(back);
    buttons->addWidget(forward);
    buttons->addStretch(1);
    buttons->addWidget(close);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(buttons);
    layout->addWidget(m_browser, 1);
    resize(640, 560);
}

void HelpWindow::FitOnScreen()
{
    QWidget* parent = parentWidget();
    const QScreen* screen = parent ? parent->screen() : this->screen();
    if (!screen)
        return;
    const QRect room = screen->availableGeometry();
    // The frame the window manager adds is known only once the window was shown: until then a
    // title bar and borders of the usual size are allowed for.
    QMargins frame(8, 36, 8, 8);
    if (m_placed && frameGeometry() != geometry())
        frame = QMargins(geometry().left() - frameGeometry().left(), geometry().top() - frameGeometry().top(),
                         frameGeometry().right() - geometry().right(), frameGeometry().bottom() - geometry().bottom());
    const QRect inner = room.marginsRemoved(frame);
    resize(std::min(width(), inner.width()), std::min(height(), inner.height()));
    // pos() is the frame's corner; at is the corner of the window's inside.
    QPoint at = pos() + QPoint(frame.left(), frame.top());
    if (!m_placed && parent) // first opening: over the middle of the workbench
        at = parent->geometry().center() - QPoint(width() / 2, height() / 2);
    at.setX(std::clamp(at.x(), inner.left(), inner.right() + 1 - width()));
    at.setY(std::clamp(at.y(), inner.top(), inner.bottom() + 1 - height()));
    move(at - QPoint(frame.left(), frame.top()));
    m_placed = true;
}

void HelpWindow::ShowTopic(int context)
{
    m_browser->setSource(TopicUrl(context));
    if (!isVisible())
        FitOnScreen();
    show();
    raise();
    activateWindow();
}

void HelpWindow::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape) {
        close();
        return;
    }
    QWidget::keyPressEvent(event);
}

} // namespace velmora::gui
