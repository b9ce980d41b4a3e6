#pragma once

#include <QObject>
#include <QString>

#include <optional>

class Forms;
class PanelBar;
class ProgressBar;
class QComboBox;
class WebBrowser;
class frmBrowser;

// What a progress event of the browser control comes to on the screen,
// worked out without any widget.
namespace PageProgress {

inline constexpr QStringView Done = u"Terminé";
inline constexpr QStringView Loading = u"Chargement en cours...";

enum class TabTitle {
    Unchanged, // the tab's panel keeps its text
    Loading,   // key, " - ", "Chargement en cours..."
    PageTitle, // key, " - ", the page title
};

struct Display
{
    // The text panel 2 of the tab's status bar ends with; none leaves it.
    std::optional<QString> status;
    // The value for the progress bar: 0.01 or a whole number from 1 to 100.
    std::optional<float> bar;
    TabTitle tabTitle = TabTitle::Unchanged;

    friend bool operator==(const Display &, const Display &) = default;
};

// progress -1 means the download is over; a total of 0 shows nothing.
Display of(qint32 progress, qint32 progressMax);

} // namespace PageProgress

struct DownloadReport;

// What a download's report comes to on the tab's status line and progress
// bar, worked out without any widget.
namespace DownloadProgress {

struct Display
{
    QString status; // for panel 1 of the tab's status bar
    // The value for the progress bar, as for a page; none leaves it.
    std::optional<float> bar;

    friend bool operator==(const Display &, const Display &) = default;
};

// A size as the status line gives it: "512 octets", "1,5 Ko", "20,0 Mo"...
QString size(qint64 bytes);

Display of(const DownloadReport &report);

} // namespace DownloadProgress

// What one tab shows of its page's progress: its status line, its progress
// bar, its caption, its panel on the tab strip and the address box. Every
// text is read afresh from the event and the browser control; nothing is
// kept between events.
class PageStatus : public QObject
{
    Q_OBJECT

public:
    // The tab's panel on the strip is found through the loaded windows;
    // without them, the tab has none.
    PageStatus(frmBrowser &tab, PanelBar *statusBar, ProgressBar *progressBar, QComboBox *address,
               WebBrowser *browser, const Forms *forms);

    void StatusTextChange(const QString &text);
    void ProgressChange(qint32 progress, qint32 progressMax);
    void DownloadComplete();
    void DownloadChange(const DownloadReport &report);

private:
    // Sets the tab's panel to its key, " - " and the text; nothing when the
    // tab has no panel on the strip.
    void setTabTitle(const QString &text) const;

    frmBrowser &m_tab;
    PanelBar *m_statusBar;
    ProgressBar *m_progressBar;
    QComboBox *m_address;
    WebBrowser *m_browser;
    const Forms *m_forms;
};
