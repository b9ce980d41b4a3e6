#include "engine/DownloadKeeper.h"

#include "platform/BrowserPrompter.h"
#include "platform/WebBrowser.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QWebEngineDownloadRequest>
#include <QWebEnginePage>
#include <QWebEngineProfile>

#include <cstdio>

namespace {

// What the engine writes under while the body comes in, beside the name it
// was given.
const QString EngineSuffix = QStringLiteral(".download");

void removeFile(const QString &path)
{
    if (!path.isEmpty())
        QFile::remove(path);
}

// Moves from over to, replacing what is there: one step, never a moment
// without the old file or the new one.
bool replaceWith(const QString &from, const QString &to)
{
    return std::rename(QFile::encodeName(from).constData(), QFile::encodeName(to).constData()) == 0;
}

} // namespace

namespace DownloadFiles {

QString proposedPath(const QString &folder, const QString &suggestedName)
{
    QString name = suggestedName;
    name.replace(QLatin1Char('/'), QLatin1Char('_'));
    name.remove(QChar(0));
    name = name.trimmed();
    if (name.isEmpty() || name == QLatin1String(".") || name == QLatin1String(".."))
        name = QStringLiteral("téléchargement");
    return QDir(folder).filePath(name);
}

QString partialPath(const QString &finalPath, const Taken &taken)
{
    QString candidate = finalPath + QStringLiteral(".part");
    for (int n = 2; taken(candidate) || taken(candidate + EngineSuffix); ++n)
        candidate = finalPath + QStringLiteral(".%1.part").arg(n);
    return candidate;
}

QString freePath(const QString &finalPath, const Taken &taken)
{
    if (!taken(finalPath))
        return finalPath;
    const QFileInfo info(finalPath);
    const QString name = info.fileName();
    // A leading dot starts a hidden name, not an extension.
    qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    if (dot <= 0)
        dot = name.size();
    const QString stem = name.left(dot);
    const QString extension = name.mid(dot);
    const QDir folder = info.dir();
    QString candidate;
    for (int n = 2;; ++n) {
        candidate = folder.filePath(stem + QStringLiteral(" (%1)").arg(n) + extension);
        if (!taken(candidate))
            return candidate;
    }
}

} // namespace DownloadFiles

DownloadKeeper::DownloadKeeper(QWebEngineProfile *profile)
    : QObject(profile)
{
    connect(profile, &QWebEngineProfile::downloadRequested, this, &DownloadKeeper::requested);
}

DownloadKeeper::~DownloadKeeper()
{
    for (const Download &download : std::as_const(m_downloads)) {
        if (download.request) {
            disconnect(download.request, nullptr, this, nullptr);
            download.request->cancel();
        }
        removeFile(download.partialPath);
        removeFile(download.partialPath + EngineSuffix);
    }
}

DownloadKeeper *DownloadKeeper::of(const QWebEngineProfile *profile)
{
    return profile ? profile->findChild<DownloadKeeper *>(QString(), Qt::FindDirectChildrenOnly)
                   : nullptr;
}

void DownloadKeeper::adopt(QWebEnginePage *page, WebBrowser *browser, BrowserPrompter *prompter)
{
    if (!page)
        return;
    m_owners.insert(page, {browser, prompter});
    connect(page, &QObject::destroyed, this, [this, page] { m_owners.remove(page); });
}

bool DownloadKeeper::cancelFor(const QWebEnginePage *page)
{
    QList<QPointer<QWebEngineDownloadRequest>> running;
    for (const Download &download : std::as_const(m_downloads)) {
        if (download.page == page && download.request)
            running.append(download.request);
    }
    for (const QPointer<QWebEngineDownloadRequest> &request : running) {
        if (request)
            request->cancel();
    }
    return !running.isEmpty();
}

bool DownloadKeeper::taken(const QString &path) const
{
    if (QFileInfo::exists(path))
        return true;
    for (const Download &download : m_downloads) {
        if (download.partialPath == path || download.finalPath == path)
            return true;
    }
    return false;
}

void DownloadKeeper::requested(QWebEngineDownloadRequest *request)
{
    const quint32 id = request->id();
    // The engine starts a download broken off by the network again, with a
    // new request of the same id: it goes where the user said the first time.
    if (m_downloads.contains(id)) {
        start(id, request);
        return;
    }

    const Owner owner = m_owners.value(request->page());
    if (!owner.browser || !owner.prompter) {
        request->cancel();
        return;
    }
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::DownloadLocation);
    BrowserPrompter::SaveRequest question;
    question.proposedPath = DownloadFiles::proposedPath(
        folder.isEmpty() ? QDir::homePath() : folder, request->suggestedFileName());

    // The question may wait while the request, the page or its tab go.
    const QPointer<QWebEngineDownloadRequest> guard(request);
    const QPointer<WebBrowser> browser = owner.browser;
    const QString chosen = owner.prompter->saveLocation(browser->widget(), question);
    if (!guard)
        return;
    if (chosen.isEmpty() || !browser
        || request->state() != QWebEngineDownloadRequest::DownloadRequested) {
        request->cancel();
        return;
    }

    Download download;
    download.page = request->page();
    download.browser = browser;
    download.finalPath = QFileInfo(chosen).absoluteFilePath();
    const QFileInfo target(download.finalPath);
    download.replace = target.exists();
    const bool usable = !target.isDir() && target.dir().exists();
    if (usable)
        download.partialPath = DownloadFiles::partialPath(
            download.finalPath, [this](const QString &path) { return taken(path); });
    if (!usable) {
        request->cancel();
        report(download, DownloadReport::State::Failed);
        return;
    }
    m_downloads.insert(id, download);
    start(id, request);
}

void DownloadKeeper::start(quint32 id, QWebEngineDownloadRequest *request)
{
    Download &download = m_downloads[id];
    download.request = request;
    const QFileInfo partial(download.partialPath);
    request->setDownloadDirectory(partial.absolutePath());
    request->setDownloadFileName(partial.fileName());
    auto progress = [this, id] {
        const auto found = m_downloads.constFind(id);
        if (found != m_downloads.cend())
            report(*found, DownloadReport::State::Running);
    };
    connect(request, &QWebEngineDownloadRequest::receivedBytesChanged, this, progress);
    connect(request, &QWebEngineDownloadRequest::totalBytesChanged, this, progress);
    connect(request, &QWebEngineDownloadRequest::stateChanged, this,
            [this, id] { stateChanged(id); });
    request->accept();
}

void DownloadKeeper::stateChanged(quint32 id)
{
    const auto found = m_downloads.find(id);
    if (found == m_downloads.end() || !found->request)
        return;
    QWebEngineDownloadRequest *request = found->request;
    // isFinished() may not have caught up with the state when it changes.
    const QWebEngineDownloadRequest::DownloadState state = request->state();
    if (state == QWebEngineDownloadRequest::DownloadRequested
        || state == QWebEngineDownloadRequest::DownloadInProgress)
        return;
    Download download = *found;
    m_downloads.erase(found);
    disconnect(request, nullptr, this, nullptr);

    switch (state) {
    case QWebEngineDownloadRequest::DownloadCompleted: {
        // A file that came under the chosen name since the user chose it is
        // not the user's to lose.
        if (!download.replace)
            download.finalPath = DownloadFiles::freePath(
                download.finalPath, [this](const QString &path) { return taken(path); });
        if (replaceWith(download.partialPath, download.finalPath)) {
            report(download, DownloadReport::State::Done);
        } else {
            removeFile(download.partialPath);
            report(download, DownloadReport::State::Failed);
        }
        break;
    }
    case QWebEngineDownloadRequest::DownloadInterrupted:
        // The engine keeps a broken download to take it up again; nothing
        // here ever does.
        request->cancel();
        removeFile(download.partialPath + EngineSuffix);
        removeFile(download.partialPath);
        report(download, DownloadReport::State::Failed);
        break;
    default:
        removeFile(download.partialPath + EngineSuffix);
        removeFile(download.partialPath);
        report(download, DownloadReport::State::Cancelled);
        break;
    }
}

void DownloadKeeper::report(const Download &download, DownloadReport::State state) const
{
    if (!download.browser)
        return;
    DownloadReport report;
    report.path = download.finalPath;
    report.fileName = QFileInfo(download.finalPath).fileName();
    report.state = state;
    if (download.request) {
        report.received = download.request->receivedBytes();
        report.total = download.request->totalBytes();
    }
    Q_EMIT download.browser->DownloadChange(report);
}
