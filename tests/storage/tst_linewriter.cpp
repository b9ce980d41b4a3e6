#include "storage/FieldReader.h"
#include "storage/LineWriter.h"
#include "support/TempProgramFolder.h"

#include <QDir>
#include <QFile>
#include <QTest>

#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>

using namespace Qt::StringLiterals;

namespace {

int modeOf(const QString &path)
{
    struct stat info;
    if (::stat(QFile::encodeName(path).constData(), &info) != 0)
        return -1;
    return int(info.st_mode & 07777);
}

QStringList entries(const QString &path)
{
    return QDir(path).entryList(QDir::AllEntries | QDir::Hidden | QDir::System
                                | QDir::NoDotAndDotDot);
}

QStringList readBack(const QString &path)
{
    QStringList fields;
    std::optional<FieldReader> reader = FieldReader::open(path, 1024 * 1024);
    if (!reader)
        return {u"<cannot open>"_s};
    while (!reader->atEnd() && fields.size() < 10000)
        fields.append(reader->next().value_or(u"<missing>"_s));
    return fields;
}

// Lowers the largest file size this process may write, as a full disk would,
// for the lifetime of the object.
class FileSizeLimit
{
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        m_ok = ::getrlimit(RLIMIT_FSIZE, &m_old) == 0;
        if (!m_ok)
            return;
        m_oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit lowered = m_old;
        lowered.rlim_cur = bytes;
        m_ok = ::setrlimit(RLIMIT_FSIZE, &lowered) == 0;
    }
    ~FileSizeLimit()
    {
        ::setrlimit(RLIMIT_FSIZE, &m_old);
        std::signal(SIGXFSZ, m_oldHandler);
    }
    bool isActive() const { return m_ok; }

private:
    rlimit m_old {};
    void (*m_oldHandler)(int) = SIG_DFL;
    bool m_ok = false;
};

} // namespace

class tst_LineWriter : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void replace_data();
    void replace();
    void replaceMissingFolder();
    void replaceReadOnlyFolder();
    void replaceDiskFull();
    void replaceKeepsPermissions();
    void appendLines();
    void appendKeepsExistingLines();
    void appendFailures();
    void appendOnlyToRegularFiles_data();
    void appendOnlyToRegularFiles();
    void appendDiskFull();
    void quoted_data();
    void quoted();
    void roundTrip_data();
    void roundTrip();
};

void tst_LineWriter::replace_data()
{
    QTest::addColumn<QStringList>("lines");
    QTest::addColumn<QByteArray>("expected");

    QTest::newRow("no line") << QStringList() << ""_ba;
    QTest::newRow("one line") << QStringList {u"a"_s} << "a\r\n"_ba;
    QTest::newRow("two lines") << QStringList {u"http://127.0.0.1/"_s, u"1"_s}
                               << "http://127.0.0.1/\r\n1\r\n"_ba;
    QTest::newRow("empty lines") << QStringList {u""_s, u""_s} << "\r\n\r\n"_ba;
    QTest::newRow("UTF-8, no BOM") << QStringList {u"café"_s, u"€"_s, u"\U0001F600"_s}
                                   << "caf\xC3\xA9\r\n\xE2\x82\xAC\r\n\xF0\x9F\x98\x80\r\n"_ba;
}

void tst_LineWriter::replace()
{
    QFETCH(QStringList, lines);
    QFETCH(QByteArray, expected);

    TempProgramFolder folder;
    QVERIFY(folder.isValid());
    const QString path = folder.filePath(u"Corvane.ini"_s);

    QVERIFY(LineWriter::replace(path, lines));
    QCOMPARE(folder.read(u"Corvane.ini"_s), expected);

    // A longer old file is replaced, not overwritten in place.
    folder.write(u"Corvane.ini"_s, QByteArray(4096, 'x') + "\r\n");
    QVERIFY(LineWriter::replace(path, lines));
    QCOMPARE(folder.read(u"Corvane.ini"_s), expected);
    QCOMPARE(entries(folder.path()), QStringList {u"Corvane.ini"_s});
}

void tst_LineWriter::replaceMissingFolder()
{
    TempProgramFolder folder;
    QVERIFY(folder.isValid());
    const QString path = folder.filePath(u"missing/Corvane.ini"_s);
    QVERIFY(!LineWriter::replace(path, {u"a"_s}));
    QVERIFY(entries(folder.path()).isEmpty());
}

void tst_LineWriter::replaceReadOnlyFolder()
{
    TempProgramFolder folder;
    QVERIFY(folder.isValid());
    folder.write(u"Corvane.ini"_s, "old\r\n"_ba);
    QVERIFY(QFile::setPermissions(folder.path(), QFileDevice::ReadOwner | QFileDevice::ExeOwner));
    const auto restore = qScopeGuard([&] {
        QFile::setPermissions(folder.path(),
                              QFileDevice::ReadOwner | QFileDevice::WriteOwner
                                  | QFileDevice::ExeOwner);
    });

    // The superuser writes in a read-only folder all the same.
    QFile probe(folder.filePath(u"probe"_s));
    if (probe.open(QIODevice::WriteOnly)) {
        probe.close();
        probe.remove();
        QSKIP("a read-only folder is still writable for this user (root?)");
    }

    QVERIFY(!LineWriter::replace(folder.filePath(u"Corvane.ini"_s), {u"new"_s}));
    QCOMPARE(folder.read(u"Corvane.ini"_s), "old\r\n"_ba);
    QCOMPARE(entries(folder.path()), QStringList {u"Corvane.ini"_s});
}

void tst_LineWriter::replaceDiskFull()
{
    TempProgramFolder folder;
    QVERIFY(folder.isValid());
    const QByteArray old = "http://127.0.0.1/old\r\n"_ba;
    folder.write(u"visited.MRU"_s, old);
    const QStringList lines(200, u"http://127.0.0.1/a-rather-long-address/"_s);

    bool written = true;
    {
        FileSizeLimit limit(1024);
        if (!limit.isActive())
            QSKIP("cannot lower the file size limit");
        written = LineWriter::replace(folder.filePath(u"visited.MRU"_s), lines);
    }
    QVERIFY(!written);
    QCOMPARE(folder.read(u"visited.MRU"_s), old);
    QCOMPARE(entries(folder.path()), QStringList {u"visited.MRU"_s});

    // Once there is room again, the same call succeeds.
    QVERIFY(LineWriter::replace(folder.filePath(u"visited.MRU"_s), lines));
    QCOMPARE(readBack(folder.filePath(u"visited.MRU"_s)), lines);
}

void tst_LineWriter::replaceKeepsPermissions()
{
    TempProgramFolder folder;
    QVERIFY(folder.isValid());
    const QString path = folder.filePath(u"visited.MRU"_s);
    QVERIFY(LineWriter::append(path, u"http://127.0.0.1/"_s));
    QCOMPARE(modeOf(path), 0600);
    QVERIFY(LineWriter::replace(path, {u"http://127.0.0.1/other"_s}));
    QCOMPARE(modeOf(path), 0600);
    QCOMPARE(folder.read(u"visited.MRU"_s), "http://127.0.0.1/other\r\n"_ba);
}

void tst_LineWriter::appendLines()
{
    TempProgramFolder folder;
    QVERIFY(folder.isValid());
    const QString path = folder.filePath(u"visited.MRU"_s);

    QVERIFY(LineWriter::append(path, u"http://127.0.0.1/1"_s));
    QCOMPARE(modeOf(path), 0600);
    QVERIFY(LineWriter::append(path, u"http://127.0.0.1/café"_s));
    QVERIFY(LineWriter::append(path, u""_s));
    QVERIFY(LineWriter::append(path, u"http://127.0.0.1/3"_s));
    QCOMPARE(folder.read(u"visited.MRU"_s),
             "http://127.0.0.1/1\r\nhttp://127.0.0.1/caf\xC3\xA9\r\n\r\nhttp://127.0.0.1/3\r\n"_ba);
    QCOMPARE(modeOf(path), 0600);
}

void tst_LineWriter::appendKeepsExistingLines()
{
    TempProgramFolder folder;
    QVERIFY(folder.isValid());
    const QString path = folder.filePath(u"visited.MRU"_s);
    folder.write(u"visited.MRU"_s, "caf\xE9\r\n"_ba);
    QVERIFY(QFile::setPermissions(
        path, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadGroup));

    QVERIFY(LineWriter::append(path, u"café"_s));
    QCOMPARE(folder.read(u"visited.MRU"_s), "caf\xE9\r\ncaf\xC3\xA9\r\n"_ba);
    // The user's own choice of permissions is left alone.
    QCOMPARE(modeOf(path), 0640);
    QCOMPARE(readBack(path), (QStringList {u"café"_s, u"café"_s}));
}

void tst_LineWriter::appendFailures()
{
    TempProgramFolder folder;
    QVERIFY(folder.isValid());
    QVERIFY(!LineWriter::append(folder.filePath(u"missing/visited.MRU"_s), u"a"_s));
    QVERIFY(entries(folder.path()).isEmpty());

    QVERIFY(QDir(folder.path()).mkdir(u"visited.MRU"_s));
    QVERIFY(!LineWriter::append(folder.filePath(u"visited.MRU"_s), u"a"_s));
    QVERIFY(entries(folder.filePath(u"visited.MRU"_s)).isEmpty());
}

void tst_LineWriter::appendOnlyToRegularFiles_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<bool>("appends");
    QTest::newRow("FIFO nobody reads") << u"fifo"_s << false;
    QTest::newRow("link to a device") << u"link to /dev/null"_s << false;
    QTest::newRow("link to a regular file") << u"link to file"_s << true;
}

// Never waits for a reader, and never hands a line to a device.
void tst_LineWriter::appendOnlyToRegularFiles()
{
    QFETCH(QString, kind);
    QFETCH(bool, appends);
    TempProgramFolder folder;
    QVERIFY(folder.isValid());
    QVERIFY(folder.place(kind, u"Visited.MRU"_s, "a\r\n"_ba));
    QCOMPARE(LineWriter::append(folder.filePath(u"Visited.MRU"_s), u"b"_s), appends);
    if (appends)
        QCOMPARE(folder.read(u"other"_s), "a\r\nb\r\n"_ba);
}

void tst_LineWriter::appendDiskFull()
{
    TempProgramFolder folder;
    QVERIFY(folder.isValid());
    const QString path = folder.filePath(u"visited.MRU"_s);
    const QByteArray old = QByteArray(1020, 'a') + "\r\n";
    folder.write(u"visited.MRU"_s, old);

    bool written = true;
    {
        FileSizeLimit limit(1024);
        if (!limit.isActive())
            QSKIP("cannot lower the file size limit");
        written = LineWriter::append(path, u"http://127.0.0.1/"_s);
    }
    QVERIFY(!written);
    QCOMPARE(folder.read(u"visited.MRU"_s), old);
}

void tst_LineWriter::quoted_data()
{
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("expected");

    QTest::newRow("address") << u"http://127.0.0.1:8080/a?b=c&d=e#f"_s
                             << u"http://127.0.0.1:8080/a?b=c&d=e#f"_s;
    QTest::newRow("empty") << u""_s << u""_s;
    QTest::newRow("inner blank") << u"a b"_s << u"a b"_s;
    QTest::newRow("trailing blank") << u"a "_s << u"a "_s;
    QTest::newRow("accented") << u"café"_s << u"café"_s;
    QTest::newRow("percent sign") << u"a%22b"_s << u"a%22b"_s;
    QTest::newRow("comma") << u"a,b"_s << u"\"a,b\""_s;
    QTest::newRow("leading space") << u" a"_s << u"\" a\""_s;
    QTest::newRow("leading tab") << u"\ta"_s << u"\"\ta\""_s;
    QTest::newRow("blanks only") << u"  "_s << u"\"  \""_s;
    QTest::newRow("quote") << u"a\"b"_s << u"\"a%22b\""_s;
    QTest::newRow("starting quote") << u"\"a"_s << u"\"%22a\""_s;
    QTest::newRow("two quotes") << u"\"\""_s << u"\"%22%22\""_s;
    QTest::newRow("CR LF") << u"a\r\nb"_s << u"\"a\r\nb\""_s;
    QTest::newRow("LF") << u"a\n"_s << u"\"a\n\""_s;
    QTest::newRow("CR") << u"\ra"_s << u"\"\ra\""_s;
    QTest::newRow("leading BOM") << u"\uFEFFa"_s << u"\"\uFEFFa\""_s;
}

void tst_LineWriter::quoted()
{
    QFETCH(QString, value);
    QFETCH(QString, expected);
    QCOMPARE(LineWriter::quoted(value), expected);
}

void tst_LineWriter::roundTrip_data()
{
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("expected");

    QTest::newRow("plain") << u"http://127.0.0.1/index.html"_s << u"http://127.0.0.1/index.html"_s;
    QTest::newRow("comma") << u"http://127.0.0.1/?a=1,2"_s << u"http://127.0.0.1/?a=1,2"_s;
    QTest::newRow("leading blank") << u" a"_s << u" a"_s;
    QTest::newRow("leading tab") << u"\t a"_s << u"\t a"_s;
    QTest::newRow("trailing blanks") << u"a  "_s << u"a  "_s;
    QTest::newRow("blanks only") << u"   "_s << u"   "_s;
    QTest::newRow("quote") << u"http://127.0.0.1/?q=\"x\""_s << u"http://127.0.0.1/?q=%22x%22"_s;
    QTest::newRow("starting quote") << u"\"a,b"_s << u"%22a,b"_s;
    QTest::newRow("accented") << u"http://127.0.0.1/été"_s << u"http://127.0.0.1/été"_s;
    QTest::newRow("empty") << u""_s << u""_s;
    QTest::newRow("line ends") << u"a\r\nb\rc\nd"_s << u"a\r\nb\rc\nd"_s;
    QTest::newRow("leading BOM") << u"\uFEFFa"_s << u"\uFEFFa"_s;
}

void tst_LineWriter::roundTrip()
{
    QFETCH(QString, value);
    QFETCH(QString, expected);

    TempProgramFolder folder;
    QVERIFY(folder.isValid());
    const QString path = folder.filePath(u"Corvane.ini"_s);

    // Alone, first, between others, last: the neighbours must come back too.
    const QString other = u"http://127.0.0.1/other"_s;
    const QList<QStringList> layouts {
        {value}, {value, other}, {other, value, other}, {other, value}};
    for (const QStringList &layout : layouts) {
        QStringList lines;
        QStringList readExpected;
        for (const QString &line : layout) {
            lines.append(LineWriter::quoted(line));
            readExpected.append(line == value ? expected : line);
        }
        QVERIFY(LineWriter::replace(path, lines));
        QCOMPARE(readBack(path), readExpected);
    }

    QVERIFY(QFile::remove(path));
    QVERIFY(LineWriter::append(path, LineWriter::quoted(value)));
    QVERIFY(LineWriter::append(path, LineWriter::quoted(other)));
    QCOMPARE(readBack(path), (QStringList {expected, other}));
}

QTEST_GUILESS_MAIN(tst_LineWriter)
#include "tst_linewriter.moc"
