#include "support/EngineTest.h"
#include "support/HttpServer.h"
#include "support/TestPlatform.h"

#include "engine/WebEngineBrowser.h"

#include <QDir>
#include <QFile>
#include <QHash>
#include <QWebEnginePage>
#include <QWidget>

#include <memory>

#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

constexpr int Timeout = 30000;
// What the frame's script holds on to, and the least a renderer holding it
// has resident; a renderer of an ordinary page has far less.
constexpr int MarkMiB = 384;
constexpr qint64 MarkedKiB = qint64(MarkMiB - 64) * 1024;

QByteArray readProcFile(qint64 pid, const char *name)
{
    QFile file(u"/proc/%1/%2"_s.arg(pid).arg(QLatin1StringView(name)));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The engine's renderer processes under this one, each with its resident size
// in KiB. They hang below the engine's zygote, which forks them.
QHash<qint64, qint64> renderers()
{
    QHash<qint64, QList<qint64>> children;
    const QStringList entries = QDir(u"/proc"_s).entryList(QDir::Dirs);
    for (const QString &entry : entries) {
        bool isPid = false;
        const qint64 pid = entry.toLongLong(&isPid);
        if (!isPid)
            continue;
        // "pid (name) state ppid ...": the name may hold blanks and brackets.
        const QByteArray stat = readProcFile(pid, "stat");
        const qsizetype end = stat.lastIndexOf(')');
        if (end < 0)
            continue;
        const QList<QByteArray> fields = stat.mid(end + 2).split(' ');
        if (fields.size() > 1)
            children[fields[1].toLongLong()].append(pid);
    }
    const auto typed = [](qint64 pid, const QByteArray &type) {
        return readProcFile(pid, "cmdline").split('\0').contains("--type=" + type);
    };
    QHash<qint64, qint64> found;
    QList<QPair<qint64, qint64>> toVisit; // a process and its parent
    for (const qint64 child : children.value(::getpid()))
        toVisit.append({child, ::getpid()});
    while (!toVisit.isEmpty()) {
        const auto [pid, parent] = toVisit.takeLast();
        for (const qint64 child : children.value(pid))
            toVisit.append({child, pid});
        // A renderer the zygote forked keeps the zygote's command line.
        if (!typed(pid, "renderer") && !(typed(parent, "zygote") && children.value(pid).isEmpty()))
            continue;
        qint64 residentKiB = 0;
        for (const QByteArray &line : readProcFile(pid, "status").split('\n'))
            if (line.startsWith("VmRSS:"))
                residentKiB = line.mid(6).trimmed().split(' ').value(0).toLongLong();
        found.insert(pid, residentKiB);
    }
    return found;
}

} // namespace

// The program's engine isolates sites: a frame from another site runs in a
// renderer process of its own, not in its page's.
class TestSiteIsolation : public QObject
{
    Q_OBJECT

    QWebEngineProfile *m_profile = nullptr;

private Q_SLOTS:
    void initTestCase() { m_profile = EngineTest::offTheRecordProfile(this); }
    void init() { failOnStrayWarnings(); }

    void frameOfAnotherSiteRunsInARendererOfItsOwn_data()
    {
        QTest::addColumn<QString>("frameHost");
        QTest::addColumn<bool>("ownRenderer");
        // A site is a scheme and a registrable domain: the loopback address
        // and localhost are two sites; another port is the same site.
        QTest::newRow("another site") << u"localhost"_s << true;
        QTest::newRow("same site, another port") << u"127.0.0.1"_s << false;
    }
    void frameOfAnotherSiteRunsInARendererOfItsOwn()
    {
        QFETCH(QString, frameHost);
        QFETCH(bool, ownRenderer);

        HttpServer pageServer;
        HttpServer frameServer;
        QVERIFY(pageServer.listen());
        QVERIFY(frameServer.listen());
        QVERIFY(pageServer.port() != frameServer.port());
        // The frame marks the renderer it runs in by the memory it holds,
        // then says so.
        frameServer.addPage(u"/cadre"_s,
                            "<!doctype html><title>Cadre</title><script>"
                            "window.mark = new Uint8Array("
                                + QByteArray::number(MarkMiB)
                                + " * 1024 * 1024).fill(1);"
                                  "new Image().src = '/marque';</script>");
        frameServer.addPage(u"/marque"_s, QByteArray(), "image/gif");
        QUrl frameUrl = frameServer.url(u"/cadre"_s);
        frameUrl.setHost(frameHost);
        pageServer.addPage(u"/page"_s,
                           "<!doctype html><title>Page</title><iframe src=\"" + frameUrl.toEncoded()
                               + "\"></iframe>");

        QWidget tab;
        auto *browser = new WebEngineBrowser(m_profile, &tab);
        browser->Navigate(pageServer.url(u"/page"_s).toString());
        QTRY_VERIFY_WITH_TIMEOUT(frameServer.requestCount(u"/marque"_s) >= 1, Timeout);
        QTRY_VERIFY_WITH_TIMEOUT(!browser->Busy(), Timeout);
        const qint64 pageRenderer = browser->page()->renderProcessPid();
        QVERIFY(pageRenderer > 0);

        // Exactly one renderer holds the frame's memory, whichever it is.
        qint64 frameRenderer = 0;
        QHash<qint64, qint64> found;
        QTRY_VERIFY_WITH_TIMEOUT(
            [&] {
                found = renderers();
                const QList<qint64> marked = found.keys();
                int count = 0;
                for (const qint64 pid : marked)
                    if (found.value(pid) >= MarkedKiB) {
                        frameRenderer = pid;
                        ++count;
                    }
                return count == 1;
            }(),
            Timeout);
        QVERIFY(found.contains(pageRenderer));
        QCOMPARE(frameRenderer != pageRenderer, ownRenderer);

        delete browser;
    }
};

CORVANE_ENGINE_TEST_MAIN(TestSiteIsolation)
#include "tst_siteisolation.moc"
