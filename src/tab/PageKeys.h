#pragma once

#include <QObject>

class FindBar;
class QComboBox;
class QShortcut;
class QWidget;
class ToolBarCommands;
class WebBrowser;

// The zoom levels Ctrl++ and Ctrl+- step through, as in other browsers.
namespace ZoomSteps {
// The level after `current` in the direction's sign (+1 larger, -1 smaller);
// the ends of the range stay where they are. Direction 0 gives the natural
// size.
qreal next(qreal current, int direction);
} // namespace ZoomSteps

// The everyday keys of a tab that are not toolbar buttons: Ctrl+L and Alt+D
// to the address box, Ctrl+K to the search box, Escape to stop a page that
// is loading (at other times Escape is the page's), Ctrl+F to find in the
// page, Ctrl +/-/0 to zoom. They act in the tab that has the focus.
class PageKeys : public QObject
{
    Q_OBJECT

public:
    // The keys act in the tab; Escape stops through the toolbar's command.
    PageKeys(QWidget &tab, QComboBox *address, QComboBox *search, WebBrowser *browser,
             ToolBarCommands &commands);

private:
    void zoom(int direction);

    WebBrowser *m_browser;
    FindBar *m_findBar;
    QShortcut *m_stop;
};
