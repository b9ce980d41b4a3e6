#include "PageStatus.h"

#include "app/Module1.h"
#include "platform/PanelBar.h"
#include "platform/Platform.h"
#include "platform/ProgressBar.h"
#include "platform/WebBrowser.h"
#include "tab/frmBrowser.h"

#include <QComboBox>

#include <cmath>

namespace PageProgress {

Display of(qint32 progress, qint32 progressMax)
{
    Display display;
    if (progress == -1) {
        display.status = Done.toString();
        return display;
    }
    if (progressMax == 0)
        return display;
    // Multiplying first keeps the whole part exact: 29 of 100 is 29 %, where
    // 29 / 100 * 100 comes to 28.999...
    float v = float(std::floor(double(progress) * 100.0 / double(progressMax)));
    if (v > 100)
        v = 100;
    else if (v < 0.01f)
        v = 0.01f;
    display.bar = v;
    if (double(progress) / double(progressMax) == 1.0) {
        display.status = Done.toString();
        display.tabTitle = TabTitle::PageTitle;
    } else {
        display.status = QStringLiteral("%1 %").arg(int(v));
        display.tabTitle = TabTitle::Loading;
    }
    return display;
}

} // namespace PageProgress

PageStatus::PageStatus(frmBrowser *tab, const TabControls &controls, const Platform &platform)
    : QObject(tab)
    , m_tab(tab)
    , m_controls(controls)
    , m_forms(platform.forms)
{
    WebBrowser *browser = controls.brwWebbrowser;
    connect(browser, &WebBrowser::StatusTextChange, this, &PageStatus::StatusTextChange);
    connect(browser, &WebBrowser::ProgressChange, this, &PageStatus::ProgressChange);
    connect(browser, &WebBrowser::DownloadComplete, this, &PageStatus::DownloadComplete);
}

void PageStatus::StatusTextChange(const QString &text)
{
    m_controls.StatusBar->panel(1)->setText(text);
    // The box's list stays as it is: only the text changes.
    m_controls.cboAddress->setEditText(m_controls.brwWebbrowser->LocationURL());
}

void PageStatus::ProgressChange(qint32 progress, qint32 progressMax)
{
    const PageProgress::Display display = PageProgress::of(progress, progressMax);
    if (display.status)
        m_controls.StatusBar->panel(2)->setText(*display.status);
    if (display.bar)
        m_controls.ProgressBar1->setValue(*display.bar);
    switch (display.tabTitle) {
    case PageProgress::TabTitle::Unchanged:
        break;
    case PageProgress::TabTitle::Loading:
        setTabTitle(PageProgress::Loading.toString());
        break;
    case PageProgress::TabTitle::PageTitle:
        setTabTitle(m_controls.brwWebbrowser->LocationName());
        break;
    }
}

void PageStatus::DownloadComplete()
{
    const QString title = m_controls.brwWebbrowser->LocationName();
    m_tab->setCaption(title);
    setTabTitle(title);
    m_controls.cboAddress->setEditText(m_controls.brwWebbrowser->LocationURL());
}

void PageStatus::setTabTitle(const QString &text) const
{
    if (!m_forms)
        return;
    Panel *panel = Module1::GetTabPanel(*m_forms, QString::number(m_tab->getID()));
    if (panel)
        panel->setText(panel->key() + QStringLiteral(" - ") + text);
}
