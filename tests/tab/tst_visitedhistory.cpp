#include "support/TempProgramFolder.h"

#include "tab/AddressList.h"
#include "tab/AddressOrder.h"
#include "tab/VisitedHistory.h"

#include <QDir>
#include <QFile>
#include <QSet>
#include <QStringEncoder>
#include <QTest>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {
// The text as an editor saving "Unicode" writes it: a byte-order mark, then
// UTF-16.
QByteArray utf16(const QString &text, QStringConverter::Encoding encoding)
{
    QStringEncoder encoder(encoding, QStringEncoder::Flag::WriteBom);
    return encoder.encode(text);
}
} // namespace

class TestVisitedHistory : public QObject
{
    Q_OBJECT

    // One for every test, as the program keeps one for its run.
    VisitedHistory m_history;

private Q_SLOTS:
    // A garbled file gives what can be addresses in it, and nothing else.
    void loadsWhatItCan_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QStringList>("entries");

        const QString longest = u"http://x.fr/"_s + QString(AddressList::MaxEntryLength - 12, u'a');
        QTest::newRow("empty file") << QByteArray() << QStringList();
        QTest::newRow("lone CR line ends") << "http://b.fr/\rhttp://a.fr/\r\r"_ba
                                           << QStringList {u"http://a.fr/"_s, u"http://b.fr/"_s};
        QTest::newRow("NUL bytes: that entry left out")
            << QByteArray("http://a.fr/\0x\r\nhttp://b.fr/\r\n\0\0\0\r\n", 35)
            << QStringList {u"http://b.fr/"_s};
        QTest::newRow("other control characters")
            << "http://a.fr/\x01\r\nhttp://b\x1b.fr/\r\nhttp://c.fr/\x7f\r\nhttp://d.fr/\r\n"_ba
            << QStringList {u"http://d.fr/"_s};
        QTest::newRow("invalid UTF-8 read as Windows-1252")
            << "http://caf\xE9.fr/\r\nhttp://\xC3(.fr/\r\n"_ba
            << QStringList {u"http://Ã(.fr/"_s, u"http://café.fr/"_s};
        QTest::newRow("a Windows-1252 byte that is a control character")
            << "http://a\x81.fr/\r\nhttp://b.fr/\r\n"_ba << QStringList {u"http://b.fr/"_s};
        QTest::newRow("longest entry kept, one more left out")
            << (longest.toLatin1() + "\r\n" + longest.toLatin1() + "b\r\n")
            << QStringList {longest};
        QTest::newRow("a 50 MB line between two addresses")
            << "http://a.fr/\r\n"_ba + QByteArray(50 * 1000 * 1000, 'x') + "\r\nhttp://b.fr/\r\n"
            << QStringList {u"http://a.fr/"_s, u"http://b.fr/"_s};
        QTest::newRow("UTF-16 LE")
            << utf16(u"http://b.fr/\r\nhttp://café.fr/\r\n"_s, QStringConverter::Utf16LE)
            << QStringList {u"http://b.fr/"_s, u"http://café.fr/"_s};
        QTest::newRow("UTF-16 BE")
            << utf16(u"http://b.fr/\r\nhttp://café.fr/\r\n"_s, QStringConverter::Utf16BE)
            << QStringList {u"http://b.fr/"_s, u"http://café.fr/"_s};
        QTest::newRow("an unterminated quote keeps the later lines")
            << "\"http://a.fr/\r\nhttp://b.fr/\r\nhttp://c.fr/\r\n"_ba
            << QStringList {u"http://a.fr/"_s, u"http://b.fr/"_s, u"http://c.fr/"_s};
        QTest::newRow("byte-order marks: alone left out, leading dropped")
            << "http://a.fr/,\xEF\xBB\xBF\r\n\xEF\xBB\xBF\xEF\xBB\xBF\r\n"
               "\xEF\xBB\xBF\xEF\xBB\xBFhttp://b.fr/\xEF\xBB\xBF\r\n"_ba
            << QStringList {u"http://a.fr/"_s, u"http://b.fr/\uFEFF"_s};
        QTest::newRow("long line of accented letters left out") << QByteArray(3 * 4000, '\xE9')
                + "\r\nhttp://b.fr/"_ba << QStringList {u"http://b.fr/"_s};
    }
    void loadsWhatItCan()
    {
        QFETCH(QByteArray, file);
        QFETCH(QStringList, entries);
        TempProgramFolder folder;
        QVERIFY(folder.isValid());
        folder.write(u"visited.MRU"_s, file);
        QCOMPARE(m_history.load(folder.folder()).toList(), entries);
    }

    // A line added to a history saved as UTF-16 goes in in the same
    // encoding, so the whole file still reads back.
    void appendKeepsTheFileEncoding_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QByteArray>("appended");
        const QString old = u"http://a.fr/\r\n"_s;
        const QString line = u"http://é.fr/\r\n"_s;
        QTest::newRow("UTF-8") << old.toUtf8() << line.toUtf8();
        QTest::newRow("UTF-8 with mark") << "\xEF\xBB\xBF"_ba + old.toUtf8() << line.toUtf8();
        QTest::newRow("Windows-1252") << "http://caf\xE9.fr/\r\n"_ba << line.toUtf8();
        for (const auto encoding : {QStringConverter::Utf16LE, QStringConverter::Utf16BE}) {
            QStringEncoder plain(encoding);
            QTest::newRow(encoding == QStringConverter::Utf16LE ? "UTF-16 LE" : "UTF-16 BE")
                << utf16(old, encoding) << QByteArray(plain.encode(line));
        }
    }
    void appendKeepsTheFileEncoding()
    {
        QFETCH(QByteArray, file);
        QFETCH(QByteArray, appended);
        TempProgramFolder folder;
        QVERIFY(folder.isValid());
        folder.write(u"visited.MRU"_s, file);
        const QStringList before = m_history.load(folder.folder()).toList();
        QCOMPARE(before.size(), 1);
        QVERIFY(VisitedHistory::append(folder.folder(), u"http://é.fr/"_s));
        QCOMPARE(folder.read(u"visited.MRU"_s), file + appended);
        QCOMPARE(m_history.load(folder.folder()).toList(),
                 (QStringList {before.first(), u"http://é.fr/"_s}));
    }

    // A UTF-16 history cut in the middle of a character still takes lines
    // that read back whole.
    void appendAfterACutCharacter_data()
    {
        QTest::addColumn<QByteArray>("file");
        for (const auto encoding : {QStringConverter::Utf16LE, QStringConverter::Utf16BE}) {
            const QByteArray whole = utf16(u"http://a.fr/\r\nhttp://b.fr/"_s, encoding);
            QTest::newRow(encoding == QStringConverter::Utf16LE ? "UTF-16 LE" : "UTF-16 BE")
                << whole + whole.right(2).left(1);
        }
    }
    void appendAfterACutCharacter()
    {
        QFETCH(QByteArray, file);
        TempProgramFolder folder;
        QVERIFY(folder.isValid());
        folder.write(u"visited.MRU"_s, file);
        QVERIFY(VisitedHistory::append(folder.folder(), u"http://é.fr/"_s));
        QVERIFY(VisitedHistory::append(folder.folder(), u"http://c.fr/"_s));
        QCOMPARE(folder.read(u"visited.MRU"_s).size() % 2, 0);
        const QStringList entries = m_history.load(folder.folder()).toList();
        for (const QString &entry : {u"http://a.fr/"_s, u"http://é.fr/"_s, u"http://c.fr/"_s})
            QVERIFY2(entries.contains(entry), qPrintable(entries.join(u' ')));
    }

    // Only a regular file counts, and nothing waits on what is not one.
    void onlyARegularFileIsRead_data() { TempProgramFolder::addNotARegularFileRows(); }
    void onlyARegularFileIsRead()
    {
        QFETCH(QString, kind);
        QFETCH(bool, read);
        TempProgramFolder folder;
        QVERIFY(folder.isValid());
        QVERIFY(folder.place(kind, u"visited.MRU"_s, "http://a.fr/\r\n"_ba));
        QCOMPARE(m_history.load(folder.folder()).toList(),
                 read ? QStringList {u"http://a.fr/"_s} : QStringList());
    }

    // Two programs adding to the history at the same moment: every line
    // arrives whole, none cut into another.
    void twoWritersAtOnceKeepEveryLineWhole()
    {
        TempProgramFolder folder;
        QVERIFY(folder.isValid());
        constexpr int Lines = 10000;
        // Lines of many lengths, some far longer than a pipe's or a page's
        // worth, so that a write split in two would show.
        const auto line = [](int writer, int i) {
            return u"http://w%1.fr/%2/"_s.arg(writer).arg(i)
                + QString((i * 37) % 5000, QChar(u'a' + writer));
        };
        int go[2];
        QCOMPARE(::pipe(go), 0);
        QList<pid_t> writers;
        for (int writer = 0; writer < 2; ++writer) {
            const pid_t child = ::fork();
            QVERIFY(child >= 0);
            if (child == 0) {
                ::close(go[1]);
                char c;
                if (::read(go[0], &c, 1) != 0)
                    ::_exit(3);
                for (int i = 0; i < Lines; ++i) {
                    if (!VisitedHistory::append(folder.folder(), line(writer, i)))
                        ::_exit(1);
                }
                ::_exit(0);
            }
            writers.append(child);
        }
        ::close(go[0]);
        ::close(go[1]); // both start now
        for (const pid_t child : writers) {
            int status = 0;
            QCOMPARE(::waitpid(child, &status, 0), child);
            QVERIFY(WIFEXITED(status));
            QCOMPARE(WEXITSTATUS(status), 0);
        }

        const QList<QByteArray> written = folder.read(u"Visited.MRU"_s).split('\n');
        QCOMPARE(written.size(), 2 * Lines + 1);
        QVERIFY(written.last().isEmpty());
        QSet<QByteArray> expected;
        for (int writer = 0; writer < 2; ++writer) {
            for (int i = 0; i < Lines; ++i)
                expected.insert(line(writer, i).toUtf8() + '\r');
        }
        QSet<QByteArray> seen;
        int turns = 0; // how often the file goes from one writer's lines to the other's
        for (qsizetype i = 0; i + 1 < written.size(); ++i) {
            QVERIFY2(expected.contains(written.at(i)), written.at(i).left(80).constData());
            seen.insert(written.at(i));
            turns += i > 0 && written.at(i).at(8) != written.at(i - 1).at(8);
        }
        QCOMPARE(seen.size(), 2 * Lines);
        qInfo("%d lines, every one whole; the writers took turns %d times", 2 * Lines, turns);
    }

    // Far longer than the 1 MiB the history was once read up to: every
    // line counts, oldest included.
    void longHistoryLoadsWhole()
    {
        QByteArray file;
        const int lines = 100000;
        for (int i = 0; i < lines; ++i)
            file += "http://site" + QByteArray::number(i) + ".example/\r\n";
        QVERIFY(file.size() > 2 * 1024 * 1024);
        TempProgramFolder folder;
        QVERIFY(folder.isValid());
        folder.write(u"visited.MRU"_s, file);
        const QStringList entries = m_history.load(folder.folder()).toList();
        QCOMPARE(entries.size(), lines);
        QVERIFY(entries.contains(u"http://site0.example/"_s));
        for (int i = 1; i < entries.size(); ++i)
            QVERIFY(!AddressOrder::before(entries.at(i), entries.at(i - 1)));
    }

    // Tabs that load an unchanged history share it; any change is seen by
    // the next load.
    void loadsShareAnUnchangedFile()
    {
        TempProgramFolder folder;
        QVERIFY(folder.isValid());
        folder.write(u"visited.MRU"_s, "http://a.fr/\r\n"_ba);
        const AddressList::Entries first = m_history.load(folder.folder());
        const AddressList::Entries second = m_history.load(folder.folder());
        QVERIFY(first.sharesWith(second));

        QVERIFY(VisitedHistory::append(folder.folder(), u"http://b.fr/"_s));
        const AddressList::Entries appended = m_history.load(folder.folder());
        QVERIFY(!appended.sharesWith(first));
        QCOMPARE(appended.toList(), (QStringList {u"http://a.fr/"_s, u"http://b.fr/"_s}));
        QCOMPARE(first.toList(), QStringList {u"http://a.fr/"_s});

        // Rewritten in place with as many bytes.
        folder.write(u"visited.MRU"_s, "http://c.fr/\r\nhttp://d.fr/\r\n"_ba);
        QCOMPARE(m_history.load(folder.folder()).toList(),
                 (QStringList {u"http://c.fr/"_s, u"http://d.fr/"_s}));

        TempProgramFolder other;
        QVERIFY(other.isValid());
        other.write(u"visited.MRU"_s, "http://c.fr/\r\nhttp://e.fr/\r\n"_ba);
        QCOMPARE(m_history.load(other.folder()).toList(),
                 (QStringList {u"http://c.fr/"_s, u"http://e.fr/"_s}));
    }
};

QTEST_GUILESS_MAIN(TestVisitedHistory)
#include "tst_visitedhistory.moc"
