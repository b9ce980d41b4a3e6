#include "ToolBarCommands.h"

#include "app/MainWindowOperations.h"
#include "platform/WebBrowser.h"
#include "tab/frmBrowser.h"

#include <QAction>
#include <QTimer>
#include <QToolBar>

namespace {

// The keyboard's way to the buttons, as in other desktop browsers. They act
// in the tab that has the focus. Escape is left to the page.
struct ButtonShortcut
{
    const char *key;
    QList<QKeySequence> keys;
};

const ButtonShortcut ButtonShortcuts[] = {
    {"Back", {Qt::ALT | Qt::Key_Left}},
    {"Next", {Qt::ALT | Qt::Key_Right}},
    {"Refresh", {Qt::Key_F5, Qt::CTRL | Qt::Key_R}},
    {"Home", {Qt::ALT | Qt::Key_Home}},
    {"NewTab", {Qt::CTRL | Qt::Key_T}},
    {"Close", {Qt::CTRL | Qt::Key_W}},
};

} // namespace

ToolBarCommands::ToolBarCommands(frmBrowser &tab, QToolBar *toolBar, QTimer *timer,
                                 MainWindowOperations *main)
    : m_tab(&tab)
    , m_timer(timer)
    , m_main(main)
{
    connect(m_timer, &QTimer::timeout, this, &ToolBarCommands::timTimer_Timer);
    connect(toolBar, &QToolBar::actionTriggered, this,
            [this](QAction *action) { ButtonClick(action->data().toString()); });

    for (const ButtonShortcut &shortcut : ButtonShortcuts) {
        auto *action = toolBar->findChild<QAction *>(QString::fromLatin1(shortcut.key));
        if (!action)
            continue;
        action->setShortcuts(shortcut.keys);
        action->setShortcutContext(Qt::WidgetWithChildrenShortcut);
        // The toolbar is inside the tab, so the keys act wherever the focus
        // is in it.
        tab.addAction(action);
    }
}

void ToolBarCommands::ButtonClick(const QString &key)
{
    startBusyTimer();
    WebBrowser *browser = m_tab->browser();
    if (key == u"Back") {
        browser->GoBack();
    } else if (key == u"Next") {
        browser->GoForward();
    } else if (key == u"Refresh") {
        browser->Refresh();
    } else if (key == u"Home") {
        browser->Navigate(m_tab->StartingAddress());
    } else if (key == u"Stop") {
        stopBusyTimer();
        browser->Stop();
        m_tab->setCaption(browser->LocationName());
    } else if (key == u"NewTab") {
        if (m_main)
            m_main->mNew_Click();
    } else if (key == u"kOptions") {
        if (m_main)
            m_main->mOptions_Click();
    } else if (key == u"Close") {
        m_tab->Unload();
    }
}

void ToolBarCommands::startBusyTimer()
{
    if (!m_timer->isActive())
        m_timer->start();
}

void ToolBarCommands::stopBusyTimer()
{
    m_timer->stop();
}

void ToolBarCommands::timTimer_Timer()
{
    if (!m_tab->browser()->Busy()) {
        m_timer->stop();
        m_tab->setCaption(m_tab->browser()->LocationName());
    } else {
        m_tab->setCaption(QStringLiteral("Traitement en cours..."));
    }
}
