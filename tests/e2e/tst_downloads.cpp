#include "support/EngineTest.h"
#include "support/HttpServer.h"
#include "support/PrompterAnswerer.h"
#include "support/TestPlatform.h"

#include "engine/WebEngineBrowser.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QWebEngineProfile>

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

    HttpServer m_server;
    QWebEngineProfile *m_profile = nullptr;
    std::unique_ptr<QWidget> m_window;
    PrompterAnswerer m_answerer;
    QPointer<WebEngineBrowser> m_browser;
    std::unique_ptr<QTemporaryDir> m_folder;
    QList<DownloadReport> m_reports;

    QString saved(const QString &name) const { return m_folder->filePath(name); }
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
        QVERIFY(m_server.listen());
        m_server.addPage(u"/page"_s, "<!DOCTYPE html><title>Page</title>");
        m_profile = EngineTest::offTheRecordProfile(this);
    }

    void init()
    {
        failOnStrayWarnings();
        m_server.addPage(u"/fichier"_s, SmallBody, "application/octet-stream");
        m_server.addHeader(u"/fichier"_s, "Content-Disposition",
                           "attachment; filename=\"rapport annuel.bin\"");
        m_server.addPage(u"/gros"_s, bigBody(), "application/octet-stream");
        m_server.addHeader(u"/gros"_s, "Content-Disposition", "attachment; filename=gros.bin");
        m_folder = std::make_unique<QTemporaryDir>();
        QVERIFY(m_folder->isValid());
        m_answerer = PrompterAnswerer();
        m_reports.clear();
        m_window = std::make_unique<QWidget>();
        m_browser = new WebEngineBrowser(m_profile, m_window.get(), &m_answerer);
        connect(m_browser, &WebBrowser::DownloadChange, this,
                [this](const DownloadReport &report) { m_reports.append(report); });
        m_browser->Navigate(m_server.url(u"/page"_s).toString());
        QTRY_COMPARE_WITH_TIMEOUT(m_browser->LocationName(), u"Page"_s, Timeout);
        QTRY_VERIFY_WITH_TIMEOUT(!m_browser->Busy(), Timeout);
    }

    void cleanup()
    {
        m_server.releaseHeld();
        m_window.reset();
        m_folder.reset();
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
        // A second download after it shows that the first one is over.
        answerWith(u"apres.bin"_s);
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
        auto *browser = new WebEngineBrowser(profile, window.get(), &m_answerer);
        connect(browser, &WebBrowser::DownloadChange, this,
                [this](const DownloadReport &report) { m_reports.append(report); });
        answerWith(u"gros.bin"_s);
        m_server.holdBodyAfter(u"/gros"_s, 50000);
        browser->Navigate(m_server.url(u"/gros"_s).toString());
        QVERIFY(runningMidway());
        window.reset();
        delete profile;
        QTRY_COMPARE_WITH_TIMEOUT(folderEntries(), QStringList(), Timeout);
    }
};

CORVANE_ENGINE_TEST_MAIN(TestDownloads)

#include "tst_downloads.moc"
