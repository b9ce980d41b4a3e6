#include "engine/DownloadKeeper.h"

#include <QSet>
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
};

QTEST_GUILESS_MAIN(TestDownloadFiles)

#include "tst_downloadfiles.moc"
