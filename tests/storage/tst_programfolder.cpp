#include "storage/ProgramFolder.h"
#include "support/TempProgramFolder.h"

#include "settings/SettingsFile.h"
#include "tab/VisitedHistory.h"

#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QTest>

#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

const QStringList Names {u"\\Corvane.ini"_s, u"\\visited.MRU"_s};
const QFile::Permissions ReadOnly = QFile::ReadOwner | QFile::ExeOwner | QFile::ReadGroup
    | QFile::ExeGroup | QFile::ReadOther | QFile::ExeOther;

// Runs a test as an unprivileged user when the tests run as the superuser,
// whom file permissions do not stop. The folders, and all they hold, are
// given to that user first.
class UnprivilegedScope
{
public:
    explicit UnprivilegedScope(const QStringList &folders)
    {
        if (geteuid() != 0)
            return;
        for (const QString &folder : folders) {
            QStringList paths {folder};
            QDirIterator it(folder, QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot,
                            QDirIterator::Subdirectories);
            while (it.hasNext())
                paths.append(it.next());
            for (const QString &path : paths) {
                if (::chown(QFile::encodeName(path).constData(), 65534, 65534) != 0)
                    return;
            }
        }
        m_dropped = seteuid(65534) == 0;
    }
    ~UnprivilegedScope()
    {
        if (m_dropped && seteuid(0) != 0)
            qFatal("cannot take back the superuser's rights");
    }
    bool stopsWriting() const { return geteuid() != 0; }

private:
    bool m_dropped = false;
};

// The names and contents of a folder's files.
QMap<QString, QByteArray> contents(const QString &folder)
{
    QMap<QString, QByteArray> found;
    for (const QFileInfo &info : QDir(folder).entryInfoList(QDir::Files | QDir::Hidden)) {
        QFile file(info.filePath());
        found.insert(info.fileName(), file.open(QIODevice::ReadOnly) ? file.readAll() : "?"_ba);
    }
    return found;
}

} // namespace

using Files = QMap<QString, QByteArray>;
Q_DECLARE_METATYPE(Files)

class tst_ProgramFolder : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void file_data();
    void file();
    void sameFileWhateverTheCase();
    void missingFolder();
    void forProgram_data();
    void forProgram();
    void readOnlyInstallWritesInTheUserFolder();
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

void tst_ProgramFolder::forProgram_data()
{
    QTest::addColumn<bool>("writable");
    QTest::addColumn<Files>("program");
    QTest::addColumn<Files>("user");
    QTest::addColumn<bool>("inUserFolder");
    QTest::addColumn<Files>("userAfter");

    const Files none;
    const Files settings {{u"Corvane.ini"_s, "http://a.fr/\r\n2\r\n"_ba}};
    const Files both {{u"CORVANE.INI"_s, "http://a.fr/\r\n2\r\n"_ba},
                      {u"Visited.MRU"_s, "http://b.fr/\r\n"_ba},
                      {u"notes.txt"_s, "x"_ba}};
    QTest::newRow("writable folder keeps its files") << true << both << none << false << none;
    QTest::newRow("writable empty folder") << true << none << none << false << none;
    QTest::newRow("read-only empty folder") << false << none << none << true << none;
    QTest::newRow("read-only folder: its files start the user's")
        << false << both << none << true
        << Files {{u"CORVANE.INI"_s, "http://a.fr/\r\n2\r\n"_ba},
                  {u"Visited.MRU"_s, "http://b.fr/\r\n"_ba}};
    QTest::newRow("the user's copy is kept")
        << false << settings << Files {{u"corvane.ini"_s, "http://c.fr/\r\n1\r\n"_ba}} << true
        << Files {{u"corvane.ini"_s, "http://c.fr/\r\n1\r\n"_ba}};
    QTest::newRow("only the missing file is copied")
        << false << both << Files {{u"visited.mru"_s, "http://d.fr/\r\n"_ba}} << true
        << Files {{u"CORVANE.INI"_s, "http://a.fr/\r\n2\r\n"_ba},
                  {u"visited.mru"_s, "http://d.fr/\r\n"_ba}};
}

void tst_ProgramFolder::forProgram()
{
    QFETCH(bool, writable);
    QFETCH(Files, program);
    QFETCH(Files, user);
    QFETCH(bool, inUserFolder);
    QFETCH(Files, userAfter);

    TempProgramFolder programFolder;
    TempProgramFolder home;
    QVERIFY(programFolder.isValid() && home.isValid());
    for (auto file = program.cbegin(); file != program.cend(); ++file)
        programFolder.write(file.key(), file.value());
    const QString userFolder = home.filePath(u"Corvane"_s);
    if (!user.isEmpty())
        QVERIFY(QDir().mkpath(userFolder));
    for (auto file = user.cbegin(); file != user.cend(); ++file)
        home.write(u"Corvane/"_s + file.key(), file.value());
    const QFile::Permissions before = QFile::permissions(programFolder.path());
    if (!writable)
        QVERIFY(QFile::setPermissions(programFolder.path(), ReadOnly));

    QString chosen;
    bool stopped = false;
    {
        UnprivilegedScope scope({programFolder.path(), home.path()});
        stopped = scope.stopsWriting();
        chosen = ProgramFolder::forProgram(programFolder.path(), userFolder, Names).path();
    }
    QVERIFY(QFile::setPermissions(programFolder.path(), before));
    if (!writable && !stopped)
        QSKIP("file permissions do not stop this user");

    QCOMPARE(chosen, inUserFolder ? userFolder : programFolder.path());
    QCOMPARE(contents(programFolder.path()), program);
    QCOMPARE(QFileInfo::exists(userFolder), inUserFolder);
    QCOMPARE(contents(userFolder), userAfter);
    // A copy may be the user's history: it is the user's alone.
    for (auto file = userAfter.cbegin(); file != userAfter.cend(); ++file) {
        if (!user.contains(file.key()))
            QCOMPARE(
                QFile::permissions(QDir(userFolder).filePath(file.key()))
                    & (QFile::ReadGroup | QFile::ReadOther | QFile::WriteGroup | QFile::WriteOther),
                QFile::Permissions());
    }
}

void tst_ProgramFolder::readOnlyInstallWritesInTheUserFolder()
{
    // An installed program, as the program itself starts: its folder read
    // only and holding the settings it came with, the user's configuration
    // folder under XDG_CONFIG_HOME.
    TempProgramFolder programFolder;
    TempProgramFolder config;
    QVERIFY(programFolder.isValid() && config.isValid());
    programFolder.write(u"Corvane.ini"_s, "http://a.fr/\r\n2\r\n"_ba);
    const QByteArray oldConfig = qgetenv("XDG_CONFIG_HOME");
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(config.path()));
    QCoreApplication::setApplicationName(u"Corvane"_s);
    const QString userFolder = ProgramFolder::userFolder();
    qputenv("XDG_CONFIG_HOME", oldConfig);
    QCOMPARE(userFolder, config.filePath(u"Corvane"_s));

    const QFile::Permissions before = QFile::permissions(programFolder.path());
    QVERIFY(QFile::setPermissions(programFolder.path(), ReadOnly));
    bool stopped = false;
    bool written = false;
    bool appended = false;
    SettingsFile::Fields read;
    {
        UnprivilegedScope scope({programFolder.path(), config.path()});
        stopped = scope.stopsWriting();
        const ProgramFolder folder
            = ProgramFolder::forProgram(programFolder.path(), userFolder, Names);
        read = SettingsFile::read(folder);
        written = SettingsFile::write(folder, u"http://b.fr/"_s, u"1"_s);
        appended = VisitedHistory::append(folder, u"http://c.fr/"_s);
    }
    QVERIFY(QFile::setPermissions(programFolder.path(), before));
    if (!stopped)
        QSKIP("file permissions do not stop this user");

    QCOMPARE(read.startAddress.value_or(QString()), u"http://a.fr/"_s);
    QVERIFY(written);
    QVERIFY(appended);
    QCOMPARE(contents(programFolder.path()),
             (Files {{u"Corvane.ini"_s, "http://a.fr/\r\n2\r\n"_ba}}));
    QCOMPARE(contents(userFolder),
             (Files {{u"Corvane.ini"_s, "http://b.fr/\r\n1\r\n"_ba},
                     {u"Visited.MRU"_s, "http://c.fr/\r\n"_ba}}));
}

QTEST_GUILESS_MAIN(tst_ProgramFolder)
#include "tst_programfolder.moc"
