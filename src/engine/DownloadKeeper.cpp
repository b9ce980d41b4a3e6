#include "engine/DownloadKeeper.h"

#include "engine/DownloadFiles.h"
#include "engine/WebEngineBrowser.h"
#include "platform/BrowserPrompter.h"
#include "platform/WebBrowser.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTimer>
#include <QWebEngineDownloadRequest>
#include <QWebEnginePage>
#include <QWebEngineProfile>

#include <cerrno>
#include <cstdio>

#include <signal.h>

namespace {

// How long a page is kept once its browser went, after the last download
// the engine handed over: the engine hands a page's downloads over one after
// the other, each once the one before is answered.
constexpr int KeptQuietMs = 2000;

// Moves from over to, replacing what is there: one step, never a moment
// without the old file or the new one.
bool replaceWith(const QString &from, const QString &to)
{
    return std::rename(QFile::encodeName(from).constData(), QFile::encodeName(to).constData()) == 0;
}

} // namespace

namespace {

bool processRunning(qint64 pid)
{
    return ::kill(pid_t(pid), 0) == 0 || errno == EPERM;
}

} // namespace

DownloadKeeper::DownloadKeeper(QWebEngineProfile *profile, const QString &recordPath)
    : QObject(profile)
    , m_recordPath(recordPath)
{
    connect(profile, &QWebEngineProfile::downloadRequested, this, &DownloadKeeper::requested);
    // What a program killed mid-download left behind.
    if (!m_recordPath.isEmpty())
        DownloadFiles::removeAbandoned(m_recordPath, processRunning);
}

void DownloadKeeper::keepRecord() const
{
    if (m_recordPath.isEmpty())
        return;
    const qint64 self = QCoreApplication::applicationPid();
    QList<DownloadFiles::Unfinished> entries = DownloadFiles::readRecord(m_recordPath);
    entries.removeIf([self](const DownloadFiles::Unfinished &entry) { return entry.pid == self; });
    for (const Download &download : m_downloads)
        entries.append({self, download.partialPath});
    // A record that cannot be written only costs a partial file left after
    // a crash: the download goes on.
    QDir().mkpath(QFileInfo(m_recordPath).absolutePath());
    DownloadFiles::writeRecord(m_recordPath, entries);
}

DownloadKeeper::~DownloadKeeper()
{
    for (const Download &download : std::as_const(m_downloads)) {
        if (download.request) {
            disconnect(download.request, nullptr, this, nullptr);
            download.request->cancel();
        }
        DownloadFiles::removePartial(download.partialPath);
    }
    m_downloads.clear();
    keepRecord();
    releaseKept();
}

DownloadKeeper *DownloadKeeper::of(const QWebEngineProfile *profile)
{
    return profile ? profile->findChild<DownloadKeeper *>(QString(), Qt::FindDirectChildrenOnly)
                   : nullptr;
}

void DownloadKeeper::adopt(QWebEnginePage *page, WebEngineBrowser *browser,
                           BrowserPrompter *prompter)
{
    if (!page)
        return;
    m_owners.insert(page, {browser, prompter, {}, false});
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

    // Taken now: the page may be gone once the question is answered, and
    // the request cannot tell it then.
    const QWebEnginePage *page = request->page();
    // The engine is still handing over the downloads of a page kept for it.
    if (m_keptQuiet && m_keptQuiet->isActive())
        m_keptQuiet->start();
    const QPointer<DownloadKeeper> self(this);
    const QPointer<QWebEngineDownloadRequest> guard(request);
    const std::optional<QString> chosen = destination(request, page);
    if (!self || !guard)
        return;
    const Owner owner = m_owners.value(page);
    if (!chosen || chosen->isEmpty() || !owner.browser
        || request->state() != QWebEngineDownloadRequest::DownloadRequested) {
        request->cancel();
        return;
    }

    Download download;
    download.page = page;
    download.browser = owner.browser;
    download.finalPath = QFileInfo(*chosen).absoluteFilePath();
    const QFileInfo target(download.finalPath);
    download.replace = target.exists();
    if (target.isDir() || !target.dir().exists()) {
        request->cancel();
        report(download, DownloadReport::State::Failed);
        return;
    }
    download.partialPath = DownloadFiles::partialPath(
        download.finalPath, [this](const QString &path) { return taken(path); });
    m_downloads.insert(id, download);
    keepRecord();
    start(id, request);
}

std::optional<QString> DownloadKeeper::destination(QWebEngineDownloadRequest *request,
                                                   const QWebEnginePage *page)
{
    const auto owner = m_owners.find(page);
    if (owner == m_owners.end())
        return QString();
    owner->askedForDownloads = true;
    if (!owner->browser || !owner->prompter)
        return QString();
    QString folder = QStandardPaths::writableLocation(QStandardPaths::DownloadLocation);
    if (folder.isEmpty())
        folder = QDir::homePath();
    const QString proposed = DownloadFiles::proposedPath(folder, request->suggestedFileName());
    // A fresh account may not have its download folder yet: the one the
    // program proposes is made when a download goes there.
    auto inFolder = [folder](const QString &path) {
        if (!path.isEmpty() && QFileInfo(path).absolutePath() == QDir(folder).absolutePath())
            QDir().mkpath(folder);
        return path;
    };
    auto freeProposed = [this, &proposed, &inFolder] {
        return inFolder(
            DownloadFiles::freePath(proposed, [this](const QString &path) { return taken(path); }));
    };

    const DownloadBurst::Step step = owner->burst.next();
    switch (step) {
    case DownloadBurst::Step::Refuse:
        return QString();
    case DownloadBurst::Step::SaveUnasked:
        return freeProposed();
    case DownloadBurst::Step::AskWhere:
    case DownloadBurst::Step::AskMany:
        break;
    }

    // The question waits while the request, the page, its tab or the whole
    // program go.
    const QPointer<DownloadKeeper> self(this);
    const QPointer<WebEngineBrowser> browser = owner->browser;
    BrowserPrompter *prompter = owner->prompter;
    const QUrl site = page->url();
    // The page stays while its question waits, also when its tab closes:
    // the engine may still hand the page's other downloads over meanwhile.
    const std::shared_ptr<void> kept = browser->keepPageWhileAsking();
    owner->burst.asking();
    QString chosen;
    bool yes = false;
    if (step == DownloadBurst::Step::AskWhere) {
        chosen = prompter->saveLocation(browser->widget(), {proposed});
        yes = !chosen.isEmpty();
    } else {
        yes = prompter->multipleDownloads(browser->widget(), site);
    }
    if (!self)
        return std::nullopt;
    const auto still = m_owners.find(page);
    if (still == m_owners.end() || !browser || still->browser != browser)
        return std::nullopt;
    still->burst.answered(step, yes);
    if (step == DownloadBurst::Step::AskMany)
        return yes ? freeProposed() : QString();
    return inFolder(chosen);
}

bool DownloadKeeper::letGo(QWebEnginePage *page)
{
    DownloadKeeper *keeper = page ? of(page->profile()) : nullptr;
    if (!keeper)
        return false;
    const auto owner = keeper->m_owners.constFind(page);
    if (owner == keeper->m_owners.cend() || !owner->askedForDownloads || keeper->m_quitting)
        return false;
    keeper->keep(page);
    return true;
}

void DownloadKeeper::keep(QWebEnginePage *page)
{
    page->setParent(nullptr);
    // Its scripts stop, so that a closed tab starts nothing more; its
    // contents stay, for the engine to name.
    page->setVisible(false);
    page->setLifecycleState(QWebEnginePage::LifecycleState::Frozen);
    m_kept.append(page);
    if (!m_keptQuiet) {
        m_keptQuiet = new QTimer(this);
        m_keptQuiet->setSingleShot(true);
        m_keptQuiet->setInterval(KeptQuietMs);
        connect(m_keptQuiet, &QTimer::timeout, this, &DownloadKeeper::releaseKept);
        // Once the event loop is over, the engine hands nothing over.
        connect(QCoreApplication::instance(), &QCoreApplication::aboutToQuit, this, [this] {
            m_quitting = true;
            releaseKept();
        });
    }
    m_keptQuiet->start();
}

void DownloadKeeper::releaseKept()
{
    for (const QPointer<QWebEnginePage> &page : std::exchange(m_kept, {}))
        delete page;
}

void DownloadKeeper::userActed(const QWebEnginePage *page)
{
    const auto owner = m_owners.find(page);
    if (owner != m_owners.end())
        owner->burst.userActed();
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
    keepRecord();

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
            DownloadFiles::removePartial(download.partialPath);
            report(download, DownloadReport::State::Failed);
        }
        break;
    }
    case QWebEngineDownloadRequest::DownloadInterrupted:
        // The engine keeps a broken download to take it up again; nothing
        // here ever does.
        request->cancel();
        DownloadFiles::removePartial(download.partialPath);
        report(download, DownloadReport::State::Failed);
        break;
    default:
        DownloadFiles::removePartial(download.partialPath);
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
