#pragma once

#include "engine/QuestionBurst.h"
#include "platform/WebBrowser.h"

#include <QHash>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>

#include <optional>

class BrowserPrompter;
class QTimer;
class QWebEngineDownloadRequest;
class QWebEnginePage;
class QWebEngineProfile;
class WebEngineBrowser;

// The downloads of one profile. Each belongs to the browser whose page asked
// for it: that browser's prompter asks where to save it, and the browser
// reports its progress and its end (WebBrowser::DownloadChange).
//
// A download is written under a partial name next to the chosen one (the
// engine itself writes under that name followed by ".download" and renames
// it when the body is whole), and takes the chosen name only once it is
// whole. A download that is cancelled or fails leaves no file. The chosen
// name replaces a file already there only when that file was there when the
// user chose it (the save dialog asked to replace it); one that appeared
// since is kept, and the download takes a free name beside it.
//
// A download goes on when its tab closes, and reports to nobody; it is
// cancelled, and its partial file removed, when the keeper goes with its
// profile (the program ending). One whose question still waits when its tab
// closes is cancelled without a word. A keeper given a record (the program's
// own profile) lists its running downloads there, and removes at its start
// the partial files a killed program left.
//
// A page's downloads go by bursts (see DownloadBurst): the first after a
// user action asks where to save it, the page's further ones ask once for
// all of them.
class DownloadKeeper : public QObject
{
    Q_OBJECT

public:
    // A child of the profile; the profile's downloads come to it. The record
    // path may be empty: nothing is recorded.
    explicit DownloadKeeper(QWebEngineProfile *profile, const QString &recordPath = {});
    ~DownloadKeeper() override;

    // The keeper of the profile, if it has one.
    static DownloadKeeper *of(const QWebEngineProfile *profile);

    // The downloads the page asks for belong to browser and are asked about
    // with prompter; without a prompter, they are cancelled at once.
    void adopt(QWebEnginePage *page, WebEngineBrowser *browser, BrowserPrompter *prompter);

    // Cancels the downloads that page asked for that are still running;
    // false when there were none.
    bool cancelFor(const QWebEnginePage *page);

    // The user acted in the page's tab: its next download starts a burst.
    void userActed(const QWebEnginePage *page);

    // For a page whose browser goes. The engine may still hand over
    // downloads the page asked for after the page is gone, naming the page
    // it no longer has: a page that asked for any is kept by its keeper,
    // without its view and discarded, until the engine has been quiet about
    // it for a while (or the program quits), and goes then. True when the
    // keeper took the page; the caller deletes it otherwise.
    static bool letGo(QWebEnginePage *page);
    // Deletes the pages kept so far; the profile's own destructor calls it,
    // as every page must go before its profile.
    void releaseKept();

private:
    struct Owner
    {
        QPointer<WebEngineBrowser> browser;
        BrowserPrompter *prompter = nullptr;
        DownloadBurst burst;
        bool askedForDownloads = false;
    };
    struct Download
    {
        QPointer<QWebEngineDownloadRequest> request;
        const QWebEnginePage *page = nullptr;
        QPointer<WebBrowser> browser;
        QString finalPath;
        QString partialPath;
        bool replace = false; // the chosen file was there when chosen
    };

    void requested(QWebEngineDownloadRequest *request);
    // Where the download is to go, after whatever question the page's burst
    // raises; empty: nowhere. Null when the question outlived the request
    // or the page.
    std::optional<QString> destination(QWebEngineDownloadRequest *request,
                                       const QWebEnginePage *page);
    void start(quint32 id, QWebEngineDownloadRequest *request);
    void stateChanged(quint32 id);
    void report(const Download &download, DownloadReport::State state) const;
    bool taken(const QString &path) const;
    void keepRecord() const;

    void keep(QWebEnginePage *page);

    QString m_recordPath;
    QHash<const QWebEnginePage *, Owner> m_owners;
    // The pages kept once their browser went, and the wait since the last
    // download the engine handed over for any of them.
    QList<QPointer<QWebEnginePage>> m_kept;
    QTimer *m_keptQuiet = nullptr;
    bool m_quitting = false;
    // Running downloads by the engine's id, which stays the same when the
    // engine starts a broken download again with a new request.
    QHash<quint32, Download> m_downloads;
};
