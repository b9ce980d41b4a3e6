#include "PageStatus.h"

#include "app/Module1.h"
#include "platform/WebBrowser.h"
#include "tab/frmBrowser.h"
#include "widgets/PanelBar.h"
#include "widgets/ProgressBar.h"

#include <QComboBox>
#include <QLocale>

#include <algorithm>
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

namespace DownloadProgress {

QString size(qint64 bytes)
{
    if (bytes < 1024)
        return QStringLiteral("%1 %2").arg(bytes).arg(bytes > 1 ? u"octets" : u"octet");
    const QStringView units[] = {u"Ko", u"Mo", u"Go", u"To"};
    double value = double(bytes) / 1024;
    int unit = 0;
    while (value >= 1024 && unit < 3) {
        value /= 1024;
        ++unit;
    }
    // Truncated, like the percentages: 1023.96 Ko is no 1024,0 Ko.
    value = std::floor(value * 10) / 10;
    QLocale french(QLocale::French);
    french.setNumberOptions(QLocale::OmitGroupSeparator);
    return french.toString(value, 'f', 1) + u' ' + units[unit].toString();
}

Display of(const DownloadReport &report)
{
    Display display;
    switch (report.state) {
    case DownloadReport::State::Running:
        if (report.total > 0) {
            // As for a page: the whole percentage, truncated, 0.01 for none.
            float v = float(std::floor(double(report.received) * 100.0 / double(report.total)));
            v = std::clamp(v, 0.01f, 100.f);
            display.bar = v;
            display.status
                = QStringLiteral("Téléchargement de %1 : %2 %").arg(report.fileName).arg(int(v));
        } else {
            display.status = QStringLiteral("Téléchargement de %1 : %2")
                                 .arg(report.fileName, size(report.received));
        }
        break;
    case DownloadReport::State::Done:
        display.status = QStringLiteral("Téléchargement terminé : %1").arg(report.path);
        display.bar = 100;
        break;
    case DownloadReport::State::Failed:
        display.status = QStringLiteral("Échec du téléchargement de %1").arg(report.fileName);
        display.bar = 0.01f;
        break;
    case DownloadReport::State::Cancelled:
        display.status = QStringLiteral("Téléchargement annulé : %1").arg(report.fileName);
        display.bar = 0.01f;
        break;
    }
    return display;
}

} // namespace DownloadProgress

PageStatus::PageStatus(frmBrowser &tab, PanelBar *statusBar, ProgressBar *progressBar,
                       QComboBox *address, WebBrowser *browser, const Forms *forms)
    : m_tab(tab)
    , m_statusBar(statusBar)
    , m_progressBar(progressBar)
    , m_address(address)
    , m_browser(browser)
    , m_forms(forms)
{
    connect(browser, &WebBrowser::StatusTextChange, this, &PageStatus::StatusTextChange);
    connect(browser, &WebBrowser::ProgressChange, this, &PageStatus::ProgressChange);
    connect(browser, &WebBrowser::DownloadComplete, this, &PageStatus::DownloadComplete);
    connect(browser, &WebBrowser::DownloadChange, this, &PageStatus::DownloadChange);
}

void PageStatus::StatusTextChange(const QString &text)
{
    m_statusBar->panel(1)->setText(text);
    // The box's list stays as it is: only the text changes.
    m_address->setEditText(m_browser->LocationURL());
}

void PageStatus::ProgressChange(qint32 progress, qint32 progressMax)
{
    const PageProgress::Display display = PageProgress::of(progress, progressMax);
    if (display.status)
        m_statusBar->panel(2)->setText(*display.status);
    if (display.bar)
        m_progressBar->setValue(*display.bar);
    switch (display.tabTitle) {
    case PageProgress::TabTitle::Unchanged:
        break;
    case PageProgress::TabTitle::Loading:
        setTabTitle(PageProgress::Loading.toString());
        break;
    case PageProgress::TabTitle::PageTitle:
        setTabTitle(m_browser->LocationName());
        break;
    }
}

void PageStatus::DownloadComplete()
{
    const QString title = m_browser->LocationName();
    m_tab.setCaption(title);
    setTabTitle(title);
    m_address->setEditText(m_browser->LocationURL());
}

// A download shows on the status line and the progress bar only; the page's
// own events write over them, and the download's next report writes back.
void PageStatus::DownloadChange(const DownloadReport &report)
{
    const DownloadProgress::Display display = DownloadProgress::of(report);
    m_statusBar->panel(1)->setText(display.status);
    if (display.bar)
        m_progressBar->setValue(*display.bar);
}

void PageStatus::setTabTitle(const QString &text) const
{
    if (!m_forms)
        return;
    Panel *panel = Module1::GetTabPanel(*m_forms, QString::number(m_tab.getID()));
    if (panel)
        panel->setText(panel->key() + QStringLiteral(" - ") + text);
}
