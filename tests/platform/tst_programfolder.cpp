#include "platform/ProgramFolder.h"
#include "support/TempProgramFolder.h"

#include <QDir>
#include <QTest>

using namespace Qt::StringLiterals;

class tst_ProgramFolder : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void file_data();
    void file();
    void sameFileWhateverTheCase();
    void missingFolder();
};

void tst_ProgramFolder::file_data()
{
    QTest::addColumn<QStringList>("files");
    QTest::addColumn<QStringList>("folders");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("expected");

    const QStringList none;
    QTest::newRow("exact name") << QStringList {u"visited.MRU"_s} << none << u"visited.MRU"_s
                                << u"visited.MRU"_s;
    QTest::newRow("leading backslash")
        << QStringList {u"visited.MRU"_s} << none << u"\\visited.MRU"_s << u"visited.MRU"_s;
    QTest::newRow("leading slash")
        << QStringList {u"Corvane.ini"_s} << none << u"/Corvane.ini"_s << u"Corvane.ini"_s;
    QTest::newRow("upper case asked")
        << QStringList {u"visited.MRU"_s} << none << u"VISITED.mru"_s << u"visited.MRU"_s;
    QTest::newRow("capital asked")
        << QStringList {u"visited.MRU"_s} << none << u"\\Visited.MRU"_s << u"visited.MRU"_s;
    QTest::newRow("file renamed by the user")
        << QStringList {u"CORVANE.INI"_s} << none << u"\\Corvane.ini"_s << u"CORVANE.INI"_s;
    QTest::newRow("accented name")
        << QStringList {u"CAFÉ.INI"_s} << none << u"café.ini"_s << u"CAFÉ.INI"_s;
    QTest::newRow("among other files")
        << QStringList {u"Corvane.ini"_s, u"visited.MRU.bak"_s, u"visited.MRU"_s, u"xvisited.MRU"_s}
        << none << u"\\visited.mru"_s << u"visited.MRU"_s;
    QTest::newRow("two matches") << QStringList {u"visited.MRU"_s, u"Visited.MRU"_s} << none
                                 << u"\\visited.MRU"_s << u"Visited.MRU"_s;
    QTest::newRow("three matches")
        << QStringList {u"visited.mru"_s, u"Visited.MRU"_s, u"VISITED.MRU"_s, u"vIsited.MRU"_s}
        << none << u"\\visited.mru"_s << u"VISITED.MRU"_s;
    QTest::newRow("no match") << QStringList {u"visited.MRU.bak"_s, u"Corvane.ini"_s} << none
                              << u"\\visited.MRU"_s << u"visited.MRU"_s;
    QTest::newRow("no match keeps the case asked")
        << none << none << u"\\Visited.mru"_s << u"Visited.mru"_s;
    QTest::newRow("only one backslash stripped")
        << none << none << u"\\\\visited.MRU"_s << u"\\visited.MRU"_s;
    QTest::newRow("folder is not a file")
        << none << QStringList {u"visited.mru"_s} << u"\\visited.MRU"_s << u"visited.MRU"_s;
    QTest::newRow("file preferred to a folder")
        << QStringList {u"visited.MRU"_s} << QStringList {u"VISITED.MRU"_s} << u"\\visited.mru"_s
        << u"visited.MRU"_s;
}

void tst_ProgramFolder::file()
{
    QFETCH(QStringList, files);
    QFETCH(QStringList, folders);
    QFETCH(QString, name);
    QFETCH(QString, expected);

    TempProgramFolder folder;
    QVERIFY(folder.isValid());
    for (const QString &file : files)
        folder.write(file, "x\r\n"_ba);
    for (const QString &subfolder : folders)
        QVERIFY(QDir(folder.path()).mkdir(subfolder));

    const ProgramFolder programFolder = folder.folder();
    QCOMPARE(programFolder.path(), folder.path());
    QCOMPARE(programFolder.file(name), QDir(folder.path()).filePath(expected));
}

void tst_ProgramFolder::sameFileWhateverTheCase()
{
    // Whichever file a caller writes must be the one every other caller reads.
    TempProgramFolder folder;
    QVERIFY(folder.isValid());
    folder.write(u"visited.MRU"_s, "a\r\n"_ba);
    folder.write(u"Visited.mru"_s, "b\r\n"_ba);
    const ProgramFolder programFolder = folder.folder();

    const QString chosen = programFolder.file(u"\\visited.MRU"_s);
    QVERIFY(chosen == folder.filePath(u"visited.MRU"_s)
            || chosen == folder.filePath(u"Visited.mru"_s));
    for (const QString &name : {u"visited.MRU"_s, u"Visited.mru"_s, u"VISITED.MRU"_s,
                                u"/visited.mru"_s, u"\\vISITED.mRU"_s})
        QCOMPARE(programFolder.file(name), chosen);
}

void tst_ProgramFolder::missingFolder()
{
    TempProgramFolder folder;
    QVERIFY(folder.isValid());
    const QString missing = folder.filePath(u"missing"_s);
    QCOMPARE(ProgramFolder(missing).file(u"\\Corvane.ini"_s), missing + u"/Corvane.ini"_s);
    QVERIFY(!folder.exists(u"missing"_s));
}

QTEST_GUILESS_MAIN(tst_ProgramFolder)
#include "tst_programfolder.moc"
