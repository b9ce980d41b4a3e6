#include "support/ProgramCopy.h"

#include <QDirIterator>
#include <QFile>
#include <QProcess>
#include <QSignalSpy>
#include <QTest>

#include <unistd.h>

using namespace Qt::StringLiterals;

// The built program itself, started as a user starts it: from a folder of
// its own holding its settings file, with a home folder of its own.
class TestProgram : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void startsOnItsStartAddressKeepsItsSessionAndWritesNothingElse()
    {
        ProgramCopy copy(QStringLiteral(CORVANE_PROGRAM));
        QVERIFY(copy.isValid());
        HttpServer &server = copy.server;
        const TempProgramFolder &folder = copy.folder;
        const TempProgramFolder &home = copy.home;
        const QString program = copy.program();
        const QProcessEnvironment environment = copy.environment(u"offscreen"_s);

        // Each run loads the start page, then is asked to end as a session
        // asks (SIGTERM) and ends cleanly, with what its pages left on disk.
        const auto run = [&] {
            QProcess process;
            process.setProcessEnvironment(environment);
            process.setProcessChannelMode(QProcess::MergedChannels);
            const int before = server.requestCount(u"/loaded"_s);
            process.start(program, {});
            QVERIFY2(process.waitForStarted(10000), qPrintable(process.errorString()));
            QTRY_VERIFY_WITH_TIMEOUT(server.requestCount(u"/loaded"_s) > before
                                         || process.state() == QProcess::NotRunning,
                                     30000);
            const bool loaded = server.requestCount(u"/loaded"_s) > before;
            process.terminate();
            const bool ended = process.waitForFinished(20000);
            if (!ended)
                process.kill();
            QVERIFY2(loaded, process.readAll().constData());
            QVERIFY2(ended, "the program did not end on SIGTERM");
            QCOMPARE(process.exitStatus(), QProcess::NormalExit);
            QCOMPARE(process.exitCode(), 0);
        };
        server.addHeader(u"/accueil"_s, "Set-Cookie", "session=42; Max-Age=3600; Path=/");
        run();
        if (QTest::currentTestFailed())
            return;
        QCOMPARE(server.requestCount(u"/accueil"_s), 1);
        QVERIFY(!server.requestHeaders(u"/accueil"_s).contains("cookie"));
        // The session outlives the program.
        run();
        if (QTest::currentTestFailed())
            return;
        QCOMPARE(server.requestHeaders(u"/accueil"_s).value("cookie"), QByteArray("session=42"));

        // The program's folder holds its own files only; the engine keeps its
        // profile and cache in the user's folders named for the program, and
        // Qt its shader cache.
        QStringList files = QDir(folder.path()).entryList(QDir::Files | QDir::Hidden);
        files.sort();
        QCOMPARE(files, (QStringList {u"Corvane.ini"_s, u"corvane"_s}));
        QStringList written;
        QDirIterator it(home.path(), QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString file = it.next();
            // The font library may keep a cache of its own there.
            const QString inHome = file.mid(home.path().size());
            if (!file.contains(u"/fontconfig/"_s) && !inHome.startsWith(u"/.local/share/Corvane/"_s)
                && !inHome.startsWith(u"/.cache/Corvane/"_s)
                && !inHome.startsWith(u"/.cache/qtshadercache"_s))
                written.append(file);
        }
        QCOMPARE(written, QStringList());
        QVERIFY(QDir(home.filePath(u".local/share/Corvane/profil"_s)).exists());
    }
};

QTEST_GUILESS_MAIN(TestProgram)
#include "tst_program.moc"
