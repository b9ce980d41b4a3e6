#include "ToolBarCommands.h"

#include "platform/WebBrowser.h"
#include "tab/frmBrowser.h"

#include <QTimer>

ToolBarCommands::ToolBarCommands(frmBrowser *tab, QTimer *timer)
    : QObject(tab)
    , m_tab(tab)
    , m_timer(timer)
{
    connect(m_timer, &QTimer::timeout, this, &ToolBarCommands::timTimer_Timer);
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
