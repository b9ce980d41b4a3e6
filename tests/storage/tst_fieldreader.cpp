#include "storage/FieldReader.h"
#include "storage/TextDecoding.h"
#include "support/TempProgramFolder.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QRandomGenerator>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

// Reads every field, checking on the way that atEnd() and next() agree. Each
// field uses up at least one byte, so more fields than bytes means a loop.
QStringList readAll(FieldReader &reader, qsizetype bytes)
{
    QStringList fields;
    while (!reader.atEnd()) {
        const std::optional<QString> field = reader.next();
        if (!field) {
            qWarning("next() found nothing while atEnd() was false");
            fields.append(u"<missing>"_s);
            break;
        }
        fields.append(*field);
        if (fields.size() > bytes + 1) {
            qWarning("more fields than bytes: the reader does not advance");
            break;
        }
    }
    if (reader.next())
        fields.append(u"<field after the end>"_s);
    return fields;
}

QStringList readAll(const QByteArray &data)
{
    FieldReader reader(data);
    return readAll(reader, data.size());
}

// The text as a file saved in UTF-16 writes it: the byte-order mark, then
// each code unit in the given byte order.
QByteArray utf16(QStringView text, bool bigEndian = false)
{
    QByteArray bytes = bigEndian ? "\xFE\xFF"_ba : "\xFF\xFE"_ba;
    for (const QChar c : text) {
        const char high = char(c.unicode() >> 8);
        const char low = char(c.unicode() & 0xFF);
        bytes.append(bigEndian ? high : low).append(bigEndian ? low : high);
    }
    return bytes;
}

} // namespace

class tst_FieldReader : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void fields_data();
    void fields();
    void decode_data();
    void decode();
    void garbage_data();
    void garbage();
    void openMissing();
    void openDirectory();
    void openUnreadable();
    void openOnlyRegularFiles_data();
    void openOnlyRegularFiles();
    void openWindow_data();
    void openWindow();
    void largeHistory();
};

void tst_FieldReader::fields_data()
{
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<QStringList>("expected");

    QTest::newRow("empty data") << ""_ba << QStringList();
    QTest::newRow("one field, no line end") << "a"_ba << QStringList {u"a"_s};
    QTest::newRow("one field, line end") << "a\r\n"_ba << QStringList {u"a"_s};
    QTest::newRow("commas") << "a,b,c"_ba << QStringList {u"a"_s, u"b"_s, u"c"_s};
    QTest::newRow("trailing comma") << "a,\r\n"_ba << QStringList {u"a"_s, u""_s};
    QTest::newRow("trailing comma at end") << "a,"_ba << QStringList {u"a"_s};
    QTest::newRow("two commas") << "a,,b"_ba << QStringList {u"a"_s, u""_s, u"b"_s};
    QTest::newRow("leading blanks skipped") << "  a,\t b"_ba << QStringList {u"a"_s, u"b"_s};
    QTest::newRow("trailing blanks kept") << "a  ,b \t"_ba << QStringList {u"a  "_s, u"b \t"_s};
    QTest::newRow("inner blanks kept") << "a b,c"_ba << QStringList {u"a b"_s, u"c"_s};
    QTest::newRow("blanks do not cross a line end")
        << "a\r\n  \r\nb"_ba << QStringList {u"a"_s, u""_s, u"b"_s};
    QTest::newRow("blank line at end") << "a\r\n  "_ba << QStringList {u"a"_s, u""_s};
    QTest::newRow("empty line") << "\r\n"_ba << QStringList {u""_s};
    QTest::newRow("empty lines between")
        << "a\r\n\r\n\r\nb\r\n"_ba << QStringList {u"a"_s, u""_s, u""_s, u"b"_s};
    QTest::newRow("LF") << "a\nb\n"_ba << QStringList {u"a"_s, u"b"_s};
    QTest::newRow("lone CR") << "a\rb\r"_ba << QStringList {u"a"_s, u"b"_s};
    QTest::newRow("CR then CR LF") << "a\r\r\nb"_ba << QStringList {u"a"_s, u""_s, u"b"_s};
    QTest::newRow("LF then CR") << "a\n\rb"_ba << QStringList {u"a"_s, u""_s, u"b"_s};
    QTest::newRow("quoted comma") << "\"a,b\",c"_ba << QStringList {u"a,b"_s, u"c"_s};
    QTest::newRow("quoted blanks kept") << "\"  a \"\r\nb"_ba << QStringList {u"  a "_s, u"b"_s};
    QTest::newRow("blanks before quote") << "  \"a,b\""_ba << QStringList {u"a,b"_s};
    QTest::newRow("quoted empty") << "\"\"\r\nb"_ba << QStringList {u""_s, u"b"_s};
    QTest::newRow("junk after quote dropped") << "\"a\"junk,c"_ba << QStringList {u"a"_s, u"c"_s};
    QTest::newRow("junk after quote up to line end")
        << "\"a\" x \"y\r\nb"_ba << QStringList {u"a"_s, u"b"_s};
    QTest::newRow("junk after quote at end") << "\"a\"junk"_ba << QStringList {u"a"_s};
    QTest::newRow("unterminated quote ends with its line")
        << "\"a,b\r\nc,d\r\ne"_ba << QStringList {u"a,b"_s, u"c"_s, u"d"_s, u"e"_s};
    QTest::newRow("unterminated quote on the last line")
        << "a\r\n  \"b,c"_ba << QStringList {u"a"_s, u"b,c"_s};
    QTest::newRow("quote closed on a later line")
        << "\"a\r\nb\"\r\n\"c"_ba << QStringList {u"a\r\nb"_s, u"c"_s};
    QTest::newRow("lone quote") << "\""_ba << QStringList {u""_s};
    QTest::newRow("quoted line ends")
        << "\"a\r\nb\nc\",d\r\ne"_ba << QStringList {u"a\r\nb\nc"_s, u"d"_s, u"e"_s};
    QTest::newRow("quote inside unquoted field") << "a\"b,c"_ba << QStringList {u"a\"b"_s, u"c"_s};
    QTest::newRow("BOM") << "\xEF\xBB\xBF"
                            "a,b\r\n"_ba
                         << QStringList {u"a"_s, u"b"_s};
    QTest::newRow("BOM alone") << "\xEF\xBB\xBF"_ba << QStringList();
    QTest::newRow("BOM then quote") << "\xEF\xBB\xBF\"a,b\""_ba << QStringList {u"a,b"_s};
    QTest::newRow("BOM only at the start") << "a\r\n\xEF\xBB\xBF"
                                              "b"_ba
                                           << QStringList {u"a"_s, u"\uFEFFb"_s};
    QTest::newRow("Windows-1252") << "caf\xE9\r\n\x80"_ba << QStringList {u"café"_s, u"€"_s};
    QTest::newRow("UTF-8") << "caf\xC3\xA9\r\n\xE2\x82\xAC"_ba << QStringList {u"café"_s, u"€"_s};
    QTest::newRow("mixed lines") << "caf\xC3\xA9\r\ncaf\xE9\r\n\xE2\x82\xAC\r\n\x80"_ba
                                 << QStringList {u"café"_s, u"café"_s, u"€"_s, u"€"_s};
    QTest::newRow("mixed fields of a line")
        << "caf\xE9,caf\xC3\xA9"_ba << QStringList {u"café"_s, u"café"_s};
    QTest::newRow("UTF-16 LE") << utf16(u"http://a.fr/,b\r\ncaf\u00E9\r\n\u20AC")
                               << QStringList {u"http://a.fr/"_s, u"b"_s, u"café"_s, u"€"_s};
    QTest::newRow("UTF-16 BE") << utf16(u"http://a.fr/,b\r\ncaf\u00E9\r\n\u20AC", true)
                               << QStringList {u"http://a.fr/"_s, u"b"_s, u"café"_s, u"€"_s};
    QTest::newRow("UTF-16, LF and quotes")
        << utf16(u"  \"a,b\"\n3\n") << QStringList {u"a,b"_s, u"3"_s};
    QTest::newRow("UTF-16 surrogate pair")
        << utf16(u"\U0001F600,x") << QStringList {u"\U0001F600"_s, u"x"_s};
    QTest::newRow("UTF-16 lone surrogate")
        << utf16(u"a"_s + QChar(0xD800) + u"b\r\nc"_s) << QStringList {u"a\uFFFDb"_s, u"c"_s};
    QTest::newRow("UTF-16 odd final byte") << utf16(u"ab") + "c"_ba << QStringList {u"ab\uFFFD"_s};
    QTest::newRow("UTF-16 mark alone") << "\xFF\xFE"_ba << QStringList();
    QTest::newRow("UTF-16 mark later is text")
        << utf16(u"a\r\n\uFEFFb") << QStringList {u"a"_s, u"\uFEFFb"_s};
    QTest::newRow("UTF-32 mark is not UTF-16")
        << QByteArray("\xFF\xFE\0\0a", 5) << QStringList {u"ÿþ"_s + QChar(0) + QChar(0) + u"a"_s};
    QTest::newRow("NUL bytes") << QByteArray("a\0b,\0\r\n", 7)
                               << QStringList {u"a"_s + QChar(0) + u"b"_s, QString(QChar(0))};
}

void tst_FieldReader::fields()
{
    QFETCH(QByteArray, data);
    QFETCH(QStringList, expected);
    QCOMPARE(readAll(data), expected);
}

void tst_FieldReader::decode_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("expected");

    QTest::newRow("empty") << ""_ba << QString();
    QTest::newRow("ASCII") << "http://127.0.0.1/"_ba << u"http://127.0.0.1/"_s;
    QTest::newRow("UTF-8 two bytes") << "caf\xC3\xA9"_ba << u"café"_s;
    QTest::newRow("UTF-8 three bytes") << "\xE2\x82\xAC"_ba << u"€"_s;
    QTest::newRow("UTF-8 four bytes") << "\xF0\x9F\x98\x80"_ba << u"\U0001F600"_s;
    QTest::newRow("UTF-8 BOM kept") << "\xEF\xBB\xBF"
                                       "a"_ba
                                    << u"\uFEFFa"_s;
    QTest::newRow("Latin-1 range") << "\xA0\xC0\xE9\xFF"_ba << u"\u00A0\u00C0\u00E9\u00FF"_s;
    QTest::newRow("1252 punctuation")
        << "\x82\x84\x85\x91\x92\x93\x94\x96\x97\x99"_ba
        << u"\u201A\u201E\u2026\u2018\u2019\u201C\u201D\u2013\u2014\u2122"_s;
    QTest::newRow("1252 letters") << "\x83\x8A\x8C\x8E\x9A\x9C\x9E\x9F"_ba
                                  << u"\u0192\u0160\u0152\u017D\u0161\u0153\u017E\u0178"_s;
    QTest::newRow("1252 euro") << "\x80"_ba << u"€"_s;
    QTest::newRow("1252 undefined bytes")
        << "\x81\x8D\x8F\x90\x9D"_ba << u"\u0081\u008D\u008F\u0090\u009D"_s;
    QTest::newRow("UTF-8 cut short") << "caf\xC3"_ba << u"cafÃ"_s;
    QTest::newRow("overlong UTF-8") << "\xC0\xAF"_ba << u"À¯"_s;
    QTest::newRow("UTF-8 surrogate") << "\xED\xA0\x80"_ba << u"í\u00A0€"_s;
    QTest::newRow("beyond U+10FFFF") << "\xF4\x90\x80\x80"_ba << u"ô\u0090€€"_s;
    QTest::newRow("one bad byte in UTF-8") << "\xC3\xA9\xE9"_ba << u"Ã©é"_s;
}

void tst_FieldReader::decode()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, expected);
    QCOMPARE(TextDecoding::decode(bytes), expected);
}

void tst_FieldReader::garbage_data()
{
    QTest::addColumn<QByteArray>("alphabet");
    QTest::addColumn<int>("size");

    QByteArray everyByte;
    for (int i = 0; i < 256; ++i)
        everyByte.append(char(i));
    // Bytes the reader treats specially, so that garbage hits every branch.
    const QByteArray special("\",\r\n \t\xEF\xBB\xBF\0a\x80\xC3\xFF\xFE", 15);

    for (const int size : {1, 2, 3, 7, 64, 4096}) {
        QTest::addRow("any byte, %d", size) << everyByte << size;
        QTest::addRow("special bytes, %d", size) << special << size;
    }
}

void tst_FieldReader::garbage()
{
    QFETCH(QByteArray, alphabet);
    QFETCH(int, size);

    QRandomGenerator random(quint32(size) * 7919u + quint32(alphabet.size()));
    for (int round = 0; round < 200; ++round) {
        QByteArray data(size, Qt::Uninitialized);
        for (char &c : data)
            c = alphabet.at(random.bounded(int(alphabet.size())));
        FieldReader reader(data);
        const QStringList fields = readAll(reader, data.size());
        QVERIFY2(fields.size() <= data.size() + 1, data.toHex().constData());
        QVERIFY2(!fields.contains(u"<missing>"_s), data.toHex().constData());
        QVERIFY2(!fields.contains(u"<field after the end>"_s), data.toHex().constData());
        QVERIFY(reader.atEnd());
    }
}

void tst_FieldReader::openMissing()
{
    TempProgramFolder folder;
    QVERIFY(folder.isValid());
    QVERIFY(!FieldReader::open(folder.filePath(u"visited.MRU"_s), 1024));
    QVERIFY(!FieldReader::open(folder.filePath(u"visited.MRU"_s), 1024, FieldReader::Window::Tail));
}

void tst_FieldReader::openDirectory()
{
    TempProgramFolder folder;
    QVERIFY(folder.isValid());
    QVERIFY(QDir(folder.path()).mkdir(u"visited.MRU"_s));
    QVERIFY(!FieldReader::open(folder.filePath(u"visited.MRU"_s), 1024));
    QVERIFY(!FieldReader::open(folder.filePath(u"visited.MRU"_s), 1024, FieldReader::Window::Tail));
}

void tst_FieldReader::openUnreadable()
{
    TempProgramFolder folder;
    QVERIFY(folder.isValid());
    folder.write(u"Corvane.ini"_s, "http://127.0.0.1/\r\n"_ba);
    const QString path = folder.filePath(u"Corvane.ini"_s);
    QVERIFY(QFile::setPermissions(path, QFileDevice::WriteOwner));
    QFile probe(path);
    if (probe.open(QIODevice::ReadOnly))
        QSKIP("a file without read permission is still readable for this user (root?)");
    QVERIFY(!FieldReader::open(path, 1024));
    QVERIFY(!FieldReader::open(path, 1024, FieldReader::Window::Tail));
}

void tst_FieldReader::openOnlyRegularFiles_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<bool>("opens");
    QTest::newRow("FIFO nobody writes to") << u"fifo"_s << false;
    QTest::newRow("link to an endless device") << u"link to /dev/zero"_s << false;
    QTest::newRow("link to a regular file") << u"link to file"_s << true;
}

// Neither waits for a writer nor reads a device's endless bytes.
void tst_FieldReader::openOnlyRegularFiles()
{
    QFETCH(QString, kind);
    QFETCH(bool, opens);
    TempProgramFolder folder;
    QVERIFY(folder.isValid());
    QVERIFY(folder.place(kind, u"visited.MRU"_s, "a\r\n"_ba));
    const QString path = folder.filePath(u"visited.MRU"_s);
    QCOMPARE(bool(FieldReader::open(path, 1024)), opens);
    QCOMPARE(bool(FieldReader::open(path, 1024, FieldReader::Window::Tail)), opens);
}

void tst_FieldReader::openWindow_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<qint64>("maxBytes");
    QTest::addColumn<FieldReader::Window>("window");
    QTest::addColumn<QStringList>("expected");

    using W = FieldReader::Window;
    const QByteArray lines = "line1\r\nline2\r\nline3\r\n"_ba; // 7 bytes a line
    const QStringList all {u"line1"_s, u"line2"_s, u"line3"_s};

    QTest::newRow("head, whole file") << lines << qint64(1024) << W::Head << all;
    QTest::newRow("head, exact size") << lines << qint64(21) << W::Head << all;
    QTest::newRow("head, cut in a line")
        << lines << qint64(9) << W::Head << QStringList {u"line1"_s, u"li"_s};
    QTest::newRow("head, cut between CR and LF")
        << lines << qint64(6) << W::Head << QStringList {u"line1"_s};
    QTest::newRow("head, nothing") << lines << qint64(0) << W::Head << QStringList();
    QTest::newRow("head, BOM skipped") << "\xEF\xBB\xBF"
                                          "a\r\nb"_ba
                                       << qint64(5) << W::Head << QStringList {u"a"_s};

    QTest::newRow("tail, smaller file") << lines << qint64(1024) << W::Tail << all;
    QTest::newRow("tail, exact size") << lines << qint64(21) << W::Tail << all;
    QTest::newRow("tail, smaller file with BOM")
        << "\xEF\xBB\xBF"
           "a\r\nb"_ba
        << qint64(1024) << W::Tail << QStringList {u"a"_s, u"b"_s};
    QTest::newRow("tail, cut in a line")
        << lines << qint64(10) << W::Tail << QStringList {u"line3"_s};
    QTest::newRow("tail, starts at a line start")
        << lines << qint64(14) << W::Tail << QStringList {u"line2"_s, u"line3"_s};
    QTest::newRow("tail, starts between CR and LF")
        << lines << qint64(8) << W::Tail << QStringList {u"line3"_s};
    QTest::newRow("tail, starts on the CR")
        << lines << qint64(9) << W::Tail << QStringList {u"line3"_s};
    QTest::newRow("tail, LF lines")
        << "one\ntwo\nthree\n"_ba << qint64(9) << W::Tail << QStringList {u"three"_s};
    QTest::newRow("tail, lone CR lines")
        << "a\rb\rc\r"_ba << qint64(4) << W::Tail << QStringList {u"b"_s, u"c"_s};
    QTest::newRow("tail, no line end in the window")
        << "a\r\nbbbbbbbbbb"_ba << qint64(5) << W::Tail << QStringList();
    QTest::newRow("tail, last line without line end")
        << "aaaa\r\nbbbb\r\ncc"_ba << qint64(6) << W::Tail << QStringList {u"cc"_s};
    QTest::newRow("tail, nothing") << lines << qint64(0) << W::Tail << QStringList();

    // 44 bytes: the mark, then 7 code units a line.
    const QByteArray wide = utf16(u"line1\r\nline2\r\nline3\r\n");
    QTest::newRow("head, UTF-16") << wide << qint64(1024) << W::Head << all;
    QTest::newRow("head, UTF-16 cut in a code unit")
        << wide << qint64(17) << W::Head << QStringList {u"line1"_s, u"\uFFFD"_s};
    QTest::newRow("tail, UTF-16 cut in a line")
        << wide << qint64(20) << W::Tail << QStringList {u"line3"_s};
    QTest::newRow("tail, UTF-16 at a line start")
        << wide << qint64(28) << W::Tail << QStringList {u"line2"_s, u"line3"_s};
    QTest::newRow("tail, UTF-16 odd window at a line start")
        << wide << qint64(29) << W::Tail << QStringList {u"line2"_s, u"line3"_s};
    QTest::newRow("tail, UTF-16 odd window in a line")
        << wide << qint64(27) << W::Tail << QStringList {u"line3"_s};
    QTest::newRow("tail, UTF-16 big endian")
        << utf16(u"line1\r\nline2\r\nline3\r\n", true) << qint64(28) << W::Tail
        << QStringList {u"line2"_s, u"line3"_s};
    QTest::newRow("tail, UTF-16 window reaching the mark") << wide << qint64(43) << W::Tail << all;
    QTest::newRow("tail, UTF-16 nothing") << wide << qint64(0) << W::Tail << QStringList();
}

void tst_FieldReader::openWindow()
{
    QFETCH(QByteArray, content);
    QFETCH(qint64, maxBytes);
    QFETCH(FieldReader::Window, window);
    QFETCH(QStringList, expected);

    TempProgramFolder folder;
    QVERIFY(folder.isValid());
    folder.write(u"visited.MRU"_s, content);
    std::optional<FieldReader> reader
        = FieldReader::open(folder.filePath(u"visited.MRU"_s), maxBytes, window);
    QVERIFY(reader);
    QCOMPARE(readAll(*reader, content.size()), expected);
}

void tst_FieldReader::largeHistory()
{
    // A history far larger than the window; only its last lines are read,
    // and quickly, whatever the machine's load.
    QByteArray content;
    int line = 0;
    while (content.size() < 4 * 1024 * 1024)
        content += "http://127.0.0.1:8080/page/" + QByteArray::number(line++) + "?q=caf\xE9\r\n";
    TempProgramFolder folder;
    QVERIFY(folder.isValid());
    folder.write(u"visited.MRU"_s, content);

    QElapsedTimer timer;
    timer.start();
    std::optional<FieldReader> reader = FieldReader::open(folder.filePath(u"visited.MRU"_s),
                                                          1024 * 1024, FieldReader::Window::Tail);
    QVERIFY(reader);
    const QStringList fields = readAll(*reader, content.size());
    const qint64 elapsed = timer.elapsed();

    QVERIFY(fields.size() > 1000);
    QCOMPARE(fields.last(), u"http://127.0.0.1:8080/page/%1?q=café"_s.arg(line - 1));
    QVERIFY(fields.first().startsWith(u"http://127.0.0.1:8080/page/"_s));
    QVERIFY2(elapsed < 1000, qPrintable(u"reading 1 MiB took %1 ms"_s.arg(elapsed)));
}

QTEST_GUILESS_MAIN(tst_FieldReader)
#include "tst_fieldreader.moc"
