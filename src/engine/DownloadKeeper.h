#pragma once

#include "platform/WebBrowser.h"

#include <QHash>
#include <QObject>
#include <QPointer>
#include <QString>

#include <functional>

class BrowserPrompter;
class QWebEngineDownloadRequest;
class QWebEnginePage;
class QWebEngineProfile;

// Where a download goes on disk, worked out without the engine.
namespace DownloadFiles {

// Tells whether a path is in use (on disk, or by another download).
using Taken = std::function<bool(const QString &path)>;

// The path the save dialog proposes: the engine's suggested name in folder.
// A name that is empty, or that would leave the folder, becomes
// "téléchargement".
QString proposedPath(const QString &folder, const QString &suggestedName);

// The name a download is written under until it is whole, next to its final
// name: "nom.ext.part", else "nom.ext.2.part", "nom.ext.3.part"...
QString partialPath(const QString &finalPath, const Taken &taken);

// finalPath when it is free, else the first free one of "nom (2).ext",
// "nom (3).ext"... (the number goes before the last extension).
QString freePath(const QString &finalPath, const Taken &taken);

} // namespace DownloadFiles

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
// profile (the program ending).
class DownloadKeeper : public QObject
{
    Q_OBJECT

public:
    // A child of the profile; the profile's downloads come to it.
    explicit DownloadKeeper(QWebEngineProfile *profile);
    ~DownloadKeeper() override;

    // The keeper of the profile, if it has one.
    static DownloadKeeper *of(const QWebEngineProfile *profile);

    // The downloads the page asks for belong to browser and are asked about
    // with prompter; without a prompter, they are cancelled at once.
    void adopt(QWebEnginePage *page, WebBrowser *browser, BrowserPrompter *prompter);

    // Cancels the downloads that page asked for that are still running;
    // false when there were none.
    bool cancelFor(const QWebEnginePage *page);

private:
    struct Owner
    {
        QPointer<WebBrowser> browser;
        BrowserPrompter *prompter = nullptr;
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
    void start(quint32 id, QWebEngineDownloadRequest *request);
    void stateChanged(quint32 id);
    void report(const Download &download, DownloadReport::State state) const;
    bool taken(const QString &path) const;

    QHash<const QWebEnginePage *, Owner> m_owners;
    // Running downloads by the engine's id, which stays the same when the
    // engine starts a broken download again with a new request.
    QHash<quint32, Download> m_downloads;
};
