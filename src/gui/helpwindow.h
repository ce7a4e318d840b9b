#pragma once
// The program's help: our own HTML pages, kept in the Qt resources, in a browser window.
#include <QWidget>

class QTextBrowser;

namespace velmora::gui {

class HelpWindow : public QWidget {
    Q_OBJECT
public:
    explicit HelpWindow(QWidget* parent = nullptr);
    // 1 contents, 2 how to search, 3 features and applications; other values show the contents.
    // A window that opens is made to fit on its screen, frame and all.
    void ShowTopic(int context);
    QTextBrowser* Browser() const { return m_browser; }

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void FitOnScreen();

    QTextBrowser* m_browser;
    bool m_placed = false;
};

} // namespace velmora::gui
