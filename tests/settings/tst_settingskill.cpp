#include "support/TempProgramFolder.h"

#include "settings/SettingsFile.h"
#include "storage/LineWriter.h"

#include <QCoreApplication>
#include <QRandomGenerator>
#include <QSet>
#include <QTest>
#include <QThread>

#include <csignal>
#include <sys/wait.h>

#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

// Values of several lengths, some of them written quoted.
const QStringList Addresses = {
    QString(),
    u"http://a.fr/"_s,
    u"http://exemple.fr/chemin/très/long/"_s + QString(3000, u'x'),
    u"http://b.fr/?x=1,2,3"_s,
    u" http://c.fr/\"q\""_s,
};
const QStringList Modes = {u"1"_s, u"2"_s, u"3"_s};

QByteArray fileFor(qsizetype step)
{
    return LineWriter::quoted(Addresses.at(step % Addresses.size())).toUtf8() + "\r\n"
        + Modes.at(step % Modes.size()).toUtf8() + "\r\n";
}

// The helper: rewrites the settings file until it is killed, and says on
// ready when it has written once.
int writeInALoop(const QString &folder, int ready)
{
    const ProgramFolder programFolder(folder);
    for (qsizetype step = 1;; ++step) {
        if (!SettingsFile::write(programFolder, Addresses.at(step % Addresses.size()),
                                 Modes.at(step % Modes.size())))
            return 2;
        if (step == 1 && ::write(ready, "w", 1) != 1)
            return 3;
    }
}

} // namespace

class TestSettingsKill : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void killedWhileApplyingLeavesAWholeFile()
    {
        TempProgramFolder folder;
        QVERIFY(folder.isValid());
        QSet<QByteArray> whole;
        for (qsizetype step = 0; step < Addresses.size() * Modes.size(); ++step)
            whole.insert(fileFor(step));
        folder.write(u"Corvane.ini"_s, fileFor(0));

        constexpr int Kills = 220;
        QSet<QByteArray> seen;
        int killed = 0;
        for (int round = 0; round < Kills; ++round) {
            // The helper is a copy of this process that runs the writing
            // loop alone: it starts in no time, so the kills are many.
            int ready[2];
            QCOMPARE(::pipe(ready), 0);
            const pid_t writer = ::fork();
            QVERIFY(writer >= 0);
            if (writer == 0) {
                ::close(ready[0]);
                ::_exit(writeInALoop(folder.path(), ready[1]));
            }
            ::close(ready[1]);
            char signal = 0;
            const ssize_t got = ::read(ready[0], &signal, 1);
            ::close(ready[0]);
            QThread::usleep(QRandomGenerator::global()->bounded(3000));
            QCOMPARE(::kill(writer, SIGKILL), 0);
            int status = 0;
            QCOMPARE(::waitpid(writer, &status, 0), writer);
            QCOMPARE(got, ssize_t(1));
            if (WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL)
                ++killed;

            const QByteArray bytes = folder.read(u"Corvane.ini"_s);
            QVERIFY2(whole.contains(bytes),
                     qPrintable(u"after kill %1: %2 bytes"_s.arg(round).arg(bytes.size())));
            // It reads back as one of the values written.
            const SettingsFile::Fields fields = SettingsFile::read(folder.folder());
            QVERIFY(fields.startAddress && fields.popupMode);
            QString address = *fields.startAddress;
            QVERIFY(Addresses.contains(address.replace(u"%22"_s, u"\""_s)));
            QVERIFY(Modes.contains(*fields.popupMode));
            seen.insert(bytes);
        }
        qInfo("%d kills, %lld different files seen", killed, qsizetype(seen.size()));
        QVERIFY(killed >= 200);
        // The kills fell at different moments of the writing.
        QVERIFY(seen.size() > 1);
    }
};

QTEST_GUILESS_MAIN(TestSettingsKill)
#include "tst_settingskill.moc"
