#include "engine/DownloadFiles.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

// Where a download goes on disk: the proposed path, the partial name it is
// written under, and the free name it takes beside a file that came since.
class TestDownloadFiles : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void proposedPath_data()
    {
        QTest::addColumn<QString>("suggested");
        QTest::addColumn<QString>("expected");
        QTest::newRow("plain") << u"rapport.pdf"_s << u"/home/u/Téléchargements/rapport.pdf"_s;
        QTest::newRow("blanks around") << u"  a b.txt "_s << u"/home/u/Téléchargements/a b.txt"_s;
        QTest::newRow("slashes stay in the folder")
            << u"../../etc/passwd"_s << u"/home/u/Téléchargements/.._.._etc_passwd"_s;
        QTest::newRow("empty") << QString() << u"/home/u/Téléchargements/téléchargement"_s;
        QTest::newRow("dot dot") << u".."_s << u"/home/u/Téléchargements/téléchargement"_s;
        QTest::newRow("nul byte") << u"a\0b"_s << u"/home/u/Téléchargements/ab"_s;
    }
    void proposedPath()
    {
        QFETCH(QString, suggested);
        QFETCH(QString, expected);
        QCOMPARE(DownloadFiles::proposedPath(u"/home/u/Téléchargements"_s, suggested), expected);
    }

    // taken: the paths in use; the expected names of both functions.
    void names_data()
    {
        QTest::addColumn<QString>("finalPath");
        QTest::addColumn<QStringList>("taken");
        QTest::addColumn<QString>("partial");
        QTest::addColumn<QString>("free");
        const QString d = u"/d/"_s;
        QTest::newRow("nothing taken")
            << d + u"nom.ext"_s << QStringList() << d + u"nom.ext.part"_s << d + u"nom.ext"_s;
        QTest::newRow("final taken") << d + u"nom.ext"_s << QStringList {d + u"nom.ext"_s}
                                     << d + u"nom.ext.part"_s << d + u"nom (2).ext"_s;
        QTest::newRow("several taken")
            << d + u"nom.ext"_s
            << QStringList {d + u"nom.ext"_s, d + u"nom (2).ext"_s, d + u"nom.ext.part"_s}
            << d + u"nom.ext.2.part"_s << d + u"nom (3).ext"_s;
        QTest::newRow("engine's file of the partial name")
            << d + u"nom.ext"_s << QStringList {d + u"nom.ext.part.download"_s}
            << d + u"nom.ext.2.part"_s << d + u"nom.ext"_s;
        QTest::newRow("last extension only")
            << d + u"archive.tar.gz"_s << QStringList {d + u"archive.tar.gz"_s}
            << d + u"archive.tar.gz.part"_s << d + u"archive.tar (2).gz"_s;
        QTest::newRow("no extension") << d + u"LISEZMOI"_s << QStringList {d + u"LISEZMOI"_s}
                                      << d + u"LISEZMOI.part"_s << d + u"LISEZMOI (2)"_s;
        QTest::newRow("hidden name") << d + u".profil"_s << QStringList {d + u".profil"_s}
                                     << d + u".profil.part"_s << d + u".profil (2)"_s;
    }
    void names()
    {
        QFETCH(QString, finalPath);
        QFETCH(QStringList, taken);
        QFETCH(QString, partial);
        QFETCH(QString, free);
        const QSet<QString> used(taken.cbegin(), taken.cend());
        auto isTaken = [&used](const QString &path) {
            return used.contains(path);
        };
        QCOMPARE(DownloadFiles::partialPath(finalPath, isTaken), partial);
        QCOMPARE(DownloadFiles::freePath(finalPath, isTaken), free);
    }

    // The record of unfinished downloads reads back what was written, and a
    // garbled one yields what it can.
    void recordReadsBack()
    {
        QTemporaryDir folder;
        const QString record = folder.filePath(u"record"_s);
        const QList<DownloadFiles::Unfinished> entries {
            {12, u"/home/u/Téléchargements/a b, c%20.bin.part"_s},
            {345, u"/tmp/x\ny.part"_s},
        };
        QVERIFY(DownloadFiles::writeRecord(record, entries));
        QCOMPARE(DownloadFiles::readRecord(record), entries);
        QCOMPARE(QFile::permissions(record) & (QFile::ReadOther | QFile::ReadGroup),
                 QFile::Permissions());

        QFile garbled(record);
        QVERIFY(garbled.open(QIODevice::Append));
        garbled.write(
            "\r\nnombre /a.part\r\n-4 /b.part\r\n7 relatif.part\r\n\xff\xfe\r\n8 /c.part");
        garbled.close();
        QCOMPARE(DownloadFiles::readRecord(record).size(), 3);
        QCOMPARE(DownloadFiles::readRecord(record).last(),
                 (DownloadFiles::Unfinished {8, u"/c.part"_s}));
        QVERIFY(DownloadFiles::readRecord(folder.filePath(u"absent"_s)).isEmpty());
    }

    // At the start, the partial files of a program that no longer runs go,
    // and nothing else: not another running program's, not a file the
    // program did not write.
    void abandonedPartialFilesRemoved()
    {
        QTemporaryDir folder;
        const QDir dir(folder.path());
        auto make = [&dir](const QString &name) {
            QFile file(dir.filePath(name));
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write("x");
        };
        make(u"mort.bin.part"_s);
        make(u"mort2.bin.part.download"_s);
        make(u"vivant.bin.part.download"_s);
        make(u"rapport.pdf"_s);
        make(u"cible.part"_s);
        QVERIFY(QFile::link(dir.filePath(u"cible.part"_s), dir.filePath(u"lien.part"_s)));
        QVERIFY(dir.mkdir(u"dossier.part"_s));

        const qint64 dead = 1000001, alive = 1000002;
        const QString record = dir.filePath(u"record"_s);
        QVERIFY(DownloadFiles::writeRecord(record,
                                           {{dead, dir.filePath(u"mort.bin.part"_s)},
                                            {dead, dir.filePath(u"mort2.bin.part"_s)},
                                            {alive, dir.filePath(u"vivant.bin.part"_s)},
                                            {dead, dir.filePath(u"rapport.pdf"_s)},
                                            {dead, dir.filePath(u"lien.part"_s)},
                                            {dead, dir.filePath(u"dossier.part"_s)}}));
        DownloadFiles::removeAbandoned(record, [alive](qint64 pid) { return pid == alive; });

        QCOMPARE(dir.entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::System, QDir::Name),
                 (QStringList {u"cible.part"_s, u"dossier.part"_s, u"lien.part"_s, u"rapport.pdf"_s,
                               u"record"_s, u"vivant.bin.part.download"_s}));
        QCOMPARE(DownloadFiles::readRecord(record),
                 (QList<DownloadFiles::Unfinished> {{alive, dir.filePath(u"vivant.bin.part"_s)}}));
    }
};

QTEST_GUILESS_MAIN(TestDownloadFiles)

#include "tst_downloadfiles.moc"
