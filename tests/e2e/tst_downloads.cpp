#include "support/EngineTest.h"
#include "support/HttpServer.h"
#include "support/PrompterAnswerer.h"
#include "support/TestPlatform.h"

#include "engine/DownloadFiles.h"
#include "engine/EngineProfile.h"
#include "engine/WebEngineBrowser.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QWebEnginePage>
#include <QWebEngineProfile>

#include <algorithm>
#include <memory>

using namespace Qt::StringLiterals;

namespace {

constexpr int Timeout = 20000;

// A body of every byte value, long enough to come in several pieces.
QByteArray bigBody()
{
    QByteArray body;
    for (int i = 0; i < 300000; ++i)
        body.append(char((i * 7 + i / 256) & 0xff));
    return body;
}

const QByteArray SmallBody("octets\0\x01\xff fin"_ba);

enum class Ending { StoppedMidway, ServerGone };

} // namespace

Q_DECLARE_METATYPE(Ending)
Q_DECLARE_METATYPE(DownloadReport::State)

// Downloads with the real engine: what reaches the disk, under which name,
// and what a cancel or a failure leaves.
class TestDownloads : public QObject
{
    Q_OBJECT

    QTemporaryDir m_home;
    HttpServer m_server;
    QWebEngineProfile *m_profile = nullptr;
    std::unique_ptr<QWidget> m_window;
    PrompterAnswerer m_answerer;
    QPointer<WebEngineBrowser> m_browser;
    std::unique_ptr<QTemporaryDir> m_folder;
    QList<DownloadReport> m_reports;

    QString saved(const QString &name) const { return m_folder->filePath(name); }
    static QString downloadFolder()
    {
        return QStandardPaths::writableLocation(QStandardPaths::DownloadLocation);
    }
    static QStringList entries(const QString &folder)
    {
        return QDir(folder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden,
                                      QDir::Name);
    }
    int done() const
    {
        return int(std::count_if(m_reports.cbegin(), m_reports.cend(), [](const DownloadReport &r) {
            return r.state == DownloadReport::State::Done;
        }));
    }
    QStringList folderEntries() const
    {
        return QDir(m_folder->path())
            .entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden, QDir::Name);
    }
    static QByteArray contents(const QString &path)
    {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(absent)");
    }
    void answerWith(const QString &name)
    {
        m_answerer.saveAnswer = [path = saved(name)](const BrowserPrompter::SaveRequest &) {
            return path;
        };
    }
    bool ended() const
    {
        return !m_reports.isEmpty() && m_reports.last().state != DownloadReport::State::Running;
    }
    // A browser whose download reports the test keeps.
    WebEngineBrowser *reportingBrowser(QWebEngineProfile *profile, QWidget *window)
    {
        auto *browser = new WebEngineBrowser(profile, window, &m_answerer);
        connect(browser, &WebBrowser::DownloadChange, this,
                [this](const DownloadReport &report) { m_reports.append(report); });
        return browser;
    }
    // The big download saved as gros.bin, its body held after the first
    // piece: true once that piece is on the way.
    bool bigDownloadHeld(WebBrowser *browser)
    {
        answerWith(u"gros.bin"_s);
        m_server.holdBodyAfter(u"/gros"_s, 50000);
        browser->Navigate(m_server.url(u"/gros"_s).toString());
        return runningMidway();
    }
    // Waits until the big download has its first piece on the way.
    bool runningMidway()
    {
        return QTest::qWaitFor(
            [this] {
                return !m_reports.isEmpty() && m_reports.last().received >= 50000
                    && m_reports.last().state == DownloadReport::State::Running;
            },
            Timeout);
    }

private Q_SLOTS:
    void initTestCase()
    {
        // The user's download folder, which the program proposes, is one of
        // the test's own, and does not exist yet.
        QVERIFY(m_home.isValid());
        qputenv("HOME", QFile::encodeName(m_home.path()));
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_home.filePath(u".config"_s)));
        QVERIFY(!QFileInfo::exists(downloadFolder()));

        QVERIFY(m_server.listen());
        m_server.addPage(u"/page"_s, "<!DOCTYPE html><title>Page</title>");
        // Ten files at once, as frames, and twenty clicked by the page's
        // script: downloads nobody asked for.
        QByteArray frames = "<!DOCTYPE html><title>Cadres</title>";
        for (int i = 0; i < 10; ++i)
            frames += "<iframe src=\"/piece?n=" + QByteArray::number(i) + "\"></iframe>";
        m_server.addPage(u"/cadres"_s, frames);
        m_server.addPage(u"/rafale"_s,
                         "<!DOCTYPE html><title>Rafale</title><script>"
                         "let i = 0; const t = setInterval(() => {"
                         "const a = document.createElement('a');"
                         "a.href = '/piece?n=' + i; a.download = 'piece' + i + '.bin';"
                         "document.body.appendChild(a); a.click();"
                         "if (++i == 20) clearInterval(t); }, 20);</script>");
        m_profile = EngineTest::offTheRecordProfile(this);
    }

    void init()
    {
        failOnStrayWarnings();
        m_server.addPage(u"/fichier"_s, SmallBody, "application/octet-stream");
        m_server.addHeader(u"/fichier"_s, "Content-Disposition",
                           "attachment; filename=\"rapport annuel.bin\"");
        m_server.addPage(u"/piece"_s, SmallBody, "application/octet-stream");
        m_server.addHeader(u"/piece"_s, "Content-Disposition", "attachment; filename=piece.bin");
        m_server.addPage(u"/gros"_s, bigBody(), "application/octet-stream");
        m_server.addHeader(u"/gros"_s, "Content-Disposition", "attachment; filename=gros.bin");
        m_folder = std::make_unique<QTemporaryDir>();
        QVERIFY(m_folder->isValid());
        m_answerer = PrompterAnswerer();
        m_reports.clear();
        m_window = std::make_unique<QWidget>();
        m_browser = reportingBrowser(m_profile, m_window.get());
        m_browser->Navigate(m_server.url(u"/page"_s).toString());
        QTRY_COMPARE_WITH_TIMEOUT(m_browser->LocationName(), u"Page"_s, Timeout);
        QTRY_VERIFY_WITH_TIMEOUT(!m_browser->Busy(), Timeout);
    }

    void cleanup()
    {
        m_server.releaseHeld();
        m_window.reset();
        m_folder.reset();
        QDir(downloadFolder()).removeRecursively();
    }

    void savedWhereTheUserSaid()
    {
        answerWith(u"nom.bin"_s);
        m_browser->Navigate(m_server.url(u"/fichier"_s).toString());
        QTRY_VERIFY_WITH_TIMEOUT(ended(), Timeout);

        QCOMPARE(m_answerer.savesAsked.size(), 1);
        const QString folder = QStandardPaths::writableLocation(QStandardPaths::DownloadLocation);
        QCOMPARE(m_answerer.savesAsked.first().proposedPath,
                 QDir(folder).filePath(u"rapport annuel.bin"_s));
        QCOMPARE(m_reports.last().state, DownloadReport::State::Done);
        QCOMPARE(m_reports.last().path, saved(u"nom.bin"_s));
        QCOMPARE(contents(saved(u"nom.bin"_s)), SmallBody);
        QCOMPARE(folderEntries(), QStringList {u"nom.bin"_s});
        // The page the link was on stays.
        QCOMPARE(m_browser->LocationURL(), m_server.url(u"/page"_s).toString());
    }

    void notSavedWhenTheUserSaysNo()
    {
        m_browser->Navigate(m_server.url(u"/gros"_s).toString());
        QTRY_COMPARE_WITH_TIMEOUT(m_answerer.savesAsked.size(), 1, Timeout);
        QTRY_VERIFY_WITH_TIMEOUT(!m_browser->Busy(), Timeout);
        // A second download after it shows that the first one is over; the
        // user asks for it (as by a click), so the refusal does not hold for it.
        answerWith(u"apres.bin"_s);
        m_browser->userActed();
        m_browser->Navigate(m_server.url(u"/fichier"_s).toString());
        QTRY_VERIFY_WITH_TIMEOUT(ended(), Timeout);
        QCOMPARE(m_answerer.savesAsked.size(), 2);
        for (const DownloadReport &report : std::as_const(m_reports))
            QCOMPARE(report.fileName, u"apres.bin"_s);
        QCOMPARE(m_reports.last().state, DownloadReport::State::Done);
        QCOMPARE(folderEntries(), QStringList {u"apres.bin"_s});
    }

    void endedMidwayLeavesNothing_data()
    {
        QTest::addColumn<Ending>("ending");
        QTest::addColumn<DownloadReport::State>("state");
        QTest::newRow("Stop") << Ending::StoppedMidway << DownloadReport::State::Cancelled;
        QTest::newRow("server gone") << Ending::ServerGone << DownloadReport::State::Failed;
    }
    void endedMidwayLeavesNothing()
    {
        QFETCH(Ending, ending);
        QFETCH(DownloadReport::State, state);

        answerWith(u"gros.bin"_s);
        m_server.holdBodyAfter(u"/gros"_s, 50000);
        m_browser->Navigate(m_server.url(u"/gros"_s).toString());
        QVERIFY(runningMidway());
        QCOMPARE(m_reports.last().total, bigBody().size());
        // Nothing is under the chosen name while the body comes in.
        QVERIFY(!QFileInfo::exists(saved(u"gros.bin"_s)));
        QVERIFY(!folderEntries().isEmpty());

        if (ending == Ending::StoppedMidway) {
            QVERIFY(!m_browser->Busy());
            m_browser->Stop();
        } else {
            // The engine asks again once the connection breaks; the server
            // has nothing any more.
            m_server.addPage(u"/gros"_s, "parti", "text/plain", 404);
            m_server.dropHeld();
        }
        QTRY_VERIFY_WITH_TIMEOUT(ended(), Timeout);
        QCOMPARE(m_reports.last().state, state);
        QTRY_COMPARE_WITH_TIMEOUT(folderEntries(), QStringList(), Timeout);
        QCOMPARE(m_answerer.savesAsked.size(), 1);
    }

    void brokenOffAndTakenUpAgainAsksOnce()
    {
        answerWith(u"gros.bin"_s);
        m_server.holdBodyAfter(u"/gros"_s, 50000);
        m_browser->Navigate(m_server.url(u"/gros"_s).toString());
        QVERIFY(runningMidway());
        m_server.dropHeld();
        QTRY_VERIFY_WITH_TIMEOUT(ended(), Timeout);

        QCOMPARE(m_answerer.savesAsked.size(), 1);
        QCOMPARE(m_reports.last().state, DownloadReport::State::Done);
        QCOMPARE(contents(saved(u"gros.bin"_s)), bigBody());
        QCOMPARE(folderEntries(), QStringList {u"gros.bin"_s});
    }

    // What was there under the chosen name when the user chose it, the save
    // dialog asked to replace; what came there since is kept.
    void fileUnderTheChosenName_data()
    {
        QTest::addColumn<bool>("thereWhenChosen");
        QTest::addColumn<QString>("savedAs");
        QTest::addColumn<QStringList>("entries");
        QTest::newRow("there when chosen") << true << u"gros.bin"_s << QStringList {u"gros.bin"_s};
        QTest::newRow("came since")
            << false << u"gros (2).bin"_s << QStringList {u"gros (2).bin"_s, u"gros.bin"_s};
    }
    void fileUnderTheChosenName()
    {
        QFETCH(bool, thereWhenChosen);
        QFETCH(QString, savedAs);
        QFETCH(QStringList, entries);

        const QByteArray other("l'autre fichier");
        auto writeOther = [&] {
            QFile file(saved(u"gros.bin"_s));
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(other);
        };
        if (thereWhenChosen)
            writeOther();
        answerWith(u"gros.bin"_s);
        m_server.holdBodyAfter(u"/gros"_s, 50000);
        m_browser->Navigate(m_server.url(u"/gros"_s).toString());
        QVERIFY(runningMidway());
        if (!thereWhenChosen)
            writeOther();
        m_server.releaseHeld();
        QTRY_VERIFY_WITH_TIMEOUT(ended(), Timeout);

        QCOMPARE(m_reports.last().state, DownloadReport::State::Done);
        QCOMPARE(m_reports.last().path, saved(savedAs));
        QCOMPARE(contents(saved(savedAs)), bigBody());
        if (!thereWhenChosen)
            QCOMPARE(contents(saved(u"gros.bin"_s)), other);
        QCOMPARE(folderEntries(), entries);
    }

    // A fresh account has no download folder yet: the one proposed is made.
    void proposedFolderMadeWhenMissing()
    {
        m_answerer.saveAnswer = [](const BrowserPrompter::SaveRequest &request) {
            return request.proposedPath;
        };
        m_browser->Navigate(m_server.url(u"/fichier"_s).toString());
        QTRY_VERIFY_WITH_TIMEOUT(ended(), Timeout);
        QCOMPARE(m_reports.last().state, DownloadReport::State::Done);
        QCOMPARE(contents(QDir(downloadFolder()).filePath(u"rapport annuel.bin"_s)), SmallBody);
    }

    // Downloads the page starts by the dozen: the first asks where to save
    // it, the rest ask once for all of them; refused after "no".
    void burstOfDownloadsAsksOnce_data()
    {
        QTest::addColumn<QString>("page");
        QTest::addColumn<int>("started");
        QTest::addColumn<bool>("allow");
        QTest::addColumn<int>("files");
        QTest::newRow("frames, allowed") << u"/cadres"_s << 10 << true << 10;
        QTest::newRow("frames, refused") << u"/cadres"_s << 10 << false << 1;
        QTest::newRow("script, allowed") << u"/rafale"_s << 20 << true << 20;
        QTest::newRow("script, refused") << u"/rafale"_s << 20 << false << 1;
    }
    void burstOfDownloadsAsksOnce()
    {
        QFETCH(QString, page);
        QFETCH(int, started);
        QFETCH(bool, allow);
        QFETCH(int, files);
        answerWith(u"premier.bin"_s);
        m_answerer.multipleDownloadsAnswer = allow;

        const int before = m_server.requestCount(u"/piece"_s);
        m_browser->Navigate(m_server.url(page).toString());
        QTRY_VERIFY_WITH_TIMEOUT(m_server.requestCount(u"/piece"_s) >= before + started, Timeout);
        QTRY_COMPARE_WITH_TIMEOUT(done(), files, Timeout);
        // The last of them decided.
        QTest::qWait(300);
        QCOMPARE(done(), files);
        QCOMPARE(m_answerer.savesAsked.size(), 1);
        QCOMPARE(m_answerer.multipleDownloadsAsked.size(), 1);
        QCOMPARE(m_answerer.multipleDownloadsAsked.first().host(), u"127.0.0.1"_s);
        QCOMPARE(folderEntries(), QStringList {u"premier.bin"_s});
        // The others in the download folder, under free names.
        QTRY_COMPARE_WITH_TIMEOUT(entries(downloadFolder()).size(), files - 1, Timeout);
        if (allow)
            QVERIFY(entries(downloadFolder()).contains(u"piece (2).bin"_s)
                    || entries(downloadFolder()).contains(u"piece2.bin"_s));

        // A user action starts a burst of its own: asked again.
        m_browser->userActed();
        m_browser->Navigate(m_server.url(u"/fichier"_s).toString());
        QTRY_COMPARE_WITH_TIMEOUT(m_answerer.savesAsked.size(), 2, Timeout);
    }

    // While the save dialog waits, the page's other downloads are refused
    // without a dialog of their own.
    void downloadsWhileAskedAreRefused()
    {
        int asked = 0;
        bool allCame = false;
        const int before = m_server.requestCount(u"/piece"_s);
        m_answerer.saveAnswer = [&](const BrowserPrompter::SaveRequest &) {
            ++asked;
            // Another of the page's downloads on its way meanwhile.
            allCame = QTest::qWaitFor(
                [&] { return m_server.requestCount(u"/piece"_s) >= before + 2; }, Timeout);
            QTest::qWait(300);
            return saved(u"premier.bin"_s);
        };
        m_browser->Navigate(m_server.url(u"/cadres"_s).toString());
        QTRY_COMPARE_WITH_TIMEOUT(done(), 1, Timeout);
        QVERIFY(allCame);
        // Those the engine hands over once the dialog is answered are the
        // burst's further downloads: one question for them, refused here.
        QTest::qWait(300);
        QCOMPARE(asked, 1);
        QVERIFY(m_answerer.multipleDownloadsAsked.size() <= 1);
        QCOMPARE(folderEntries(), QStringList {u"premier.bin"_s});
        QVERIFY(!QFileInfo::exists(downloadFolder()));
    }

    // A page's downloads whose questions wait while its tab closes: each is
    // cancelled without a word, and the program goes on.
    void tabClosedWhileDownloadsWait()
    {
        int asked = 0;
        const int before = m_server.requestCount(u"/piece"_s);
        const QPointer<QWebEnginePage> page = m_browser->page();
        bool pageDuringWait = false;
        bool allCame = false;
        m_answerer.saveAnswer = [&](const BrowserPrompter::SaveRequest &) {
            ++asked;
            // The user answers the first, and closes the tab while more are
            // on their way, from within the question's own event loop. The engine
            // may still hand over the page's downloads meanwhile: the page
            // stays until the question is over.
            allCame = QTest::qWaitFor(
                [&] { return m_server.requestCount(u"/piece"_s) >= before + 2 || !m_window; },
                Timeout);
            if (m_window) {
                QTest::qWait(300);
                m_window.release()->deleteLater();
                QTest::qWait(300);
                pageDuringWait = !page.isNull();
            }
            return saved(u"piece.bin"_s);
        };
        m_browser->Navigate(m_server.url(u"/cadres"_s).toString());
        QTRY_VERIFY_WITH_TIMEOUT(!m_browser, Timeout);
        QTRY_VERIFY_WITH_TIMEOUT(asked >= 1, Timeout);
        QVERIFY(allCame);
        QVERIFY(pageDuringWait);
        QTRY_VERIFY_WITH_TIMEOUT(page.isNull(), Timeout);
        QTest::qWait(500);
        QCOMPARE(folderEntries(), QStringList());
        QCOMPARE(done(), 0);

        // The profile's other tabs still download.
        QWidget elsewhere;
        WebEngineBrowser *other = reportingBrowser(m_profile, &elsewhere);
        answerWith(u"autre.bin"_s);
        other->Navigate(m_server.url(u"/fichier"_s).toString());
        QTRY_COMPARE_WITH_TIMEOUT(done(), 1, Timeout);
        QCOMPARE(folderEntries(), QStringList {u"autre.bin"_s});
    }

    // The program's unfinished downloads are in its record while they run,
    // and leave it when they end.
    void recordedWhileUnfinished()
    {
        // The engine still writes to its folders for a while once the
        // profile is gone: they go with the test's other folders.
        const QString storage = m_home.filePath(u"data/profil"_s);
        auto *profile
            = EngineProfile::createPersistent(storage, m_home.filePath(u"data/cache"_s), this);
        const QString record = EngineProfile::downloadRecordPath(storage);
        QCOMPARE(record, m_home.filePath(u"data/downloads-in-progress"_s));
        auto window = std::make_unique<QWidget>();
        QVERIFY(bigDownloadHeld(reportingBrowser(profile, window.get())));

        const QList<DownloadFiles::Unfinished> running = DownloadFiles::readRecord(record);
        QCOMPARE(running.size(), 1);
        QCOMPARE(running.first().pid, QCoreApplication::applicationPid());
        QCOMPARE(running.first().partialPath, saved(u"gros.bin.part"_s));
        QVERIFY(QFileInfo::exists(running.first().partialPath + u".download"_s));

        m_server.releaseHeld();
        QTRY_VERIFY_WITH_TIMEOUT(ended(), Timeout);
        QCOMPARE(m_reports.last().state, DownloadReport::State::Done);
        QCOMPARE(DownloadFiles::readRecord(record), QList<DownloadFiles::Unfinished>());
        window.reset();
        delete profile;
    }

    // A download goes on when its tab closes.
    void goesOnWithoutItsTab()
    {
        answerWith(u"gros.bin"_s);
        m_server.holdBodyAfter(u"/gros"_s, 50000);
        m_browser->Navigate(m_server.url(u"/gros"_s).toString());
        QVERIFY(runningMidway());
        m_window.reset();
        QVERIFY(!m_browser);
        m_server.releaseHeld();
        QTRY_COMPARE_WITH_TIMEOUT(folderEntries(), QStringList {u"gros.bin"_s}, Timeout);
        QTRY_COMPARE_WITH_TIMEOUT(contents(saved(u"gros.bin"_s)), bigBody(), Timeout);
    }

    // The program ending ends its downloads, and leaves nothing of them.
    void cancelledWithItsProfile()
    {
        auto *profile = EngineTest::offTheRecordProfile(nullptr);
        auto window = std::make_unique<QWidget>();
        QVERIFY(bigDownloadHeld(reportingBrowser(profile, window.get())));
        window.reset();
        delete profile;
        QTRY_COMPARE_WITH_TIMEOUT(folderEntries(), QStringList(), Timeout);
    }
};

CORVANE_ENGINE_TEST_MAIN(TestDownloads)

#include "tst_downloads.moc"
