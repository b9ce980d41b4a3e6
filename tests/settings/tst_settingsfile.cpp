#include "support/TempProgramFolder.h"

#include "settings/PopupPolicy.h"
#include "settings/SettingsFile.h"

#include <QDir>
#include <QFile>
#include <QStringEncoder>
#include <QTest>

#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

Q_DECLARE_METATYPE(PopupPolicy)

namespace {
const QString None = u"<none>"_s; // a field the file did not give

// The text as an editor saving "Unicode" writes it: a byte-order mark, then
// UTF-16.
QByteArray utf16(const QString &text, QStringConverter::Encoding encoding)
{
    QStringEncoder encoder(encoding, QStringEncoder::Flag::WriteBom);
    return encoder.encode(text);
}
QString shown(const std::optional<QString> &field)
{
    return field.value_or(None);
}
} // namespace

class TestSettingsFile : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void read_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QString>("startAddress");
        QTest::addColumn<QString>("popupMode");

        QTest::newRow("two lines") << "http://a.fr/\r\n2\r\n"_ba << u"http://a.fr/"_s << u"2"_s;
        QTest::newRow("one field") << "http://a.fr/\r\n"_ba << u"http://a.fr/"_s << None;
        QTest::newRow("one field, no line end") << "http://a.fr/"_ba << u"http://a.fr/"_s << None;
        QTest::newRow("empty file") << QByteArray() << None << None;
        QTest::newRow("empty first line") << "\r\n3\r\n"_ba << QString() << u"3"_s;
        QTest::newRow("comma in line 1")
            << "http://a.fr/?x=1,2\r\n3\r\n"_ba << u"http://a.fr/?x=1"_s << u"2"_s;
        QTest::newRow("quoted line 1")
            << "\"http://a.fr/?x=1,2\"\r\n1\r\n"_ba << u"http://a.fr/?x=1,2"_s << u"1"_s;
        QTest::newRow("leading blanks")
            << "  \thttp://a.fr/\r\n   2\r\n"_ba << u"http://a.fr/"_s << u"2"_s;
        QTest::newRow("more than two fields") << "a,b,c\r\nd\r\n"_ba << u"a"_s << u"b"_s;
        QTest::newRow("LF only") << "http://a.fr/\n1\n"_ba << u"http://a.fr/"_s << u"1"_s;
        QTest::newRow("UTF-8") << "http://a.fr/été\r\n3\r\n"_ba << u"http://a.fr/été"_s << u"3"_s;
        QTest::newRow("Windows-1252")
            << "http://a.fr/\xe9t\xe9\r\n3\r\n"_ba << u"http://a.fr/été"_s << u"3"_s;
        QTest::newRow("byte-order mark")
            << "\xef\xbb\xbfhttp://a.fr/\r\n2\r\n"_ba << u"http://a.fr/"_s << u"2"_s;
        QTest::newRow("UTF-16 LE")
            << utf16(u"http://a.fr/été\r\n2\r\n"_s, QStringConverter::Utf16LE)
            << u"http://a.fr/été"_s << u"2"_s;
        QTest::newRow("UTF-16 BE")
            << utf16(u"\"http://a.fr/?x=1,2\"\r\n1\r\n"_s, QStringConverter::Utf16BE)
            << u"http://a.fr/?x=1,2"_s << u"1"_s;
        QTest::newRow("unterminated quote on line 1")
            << "\"http://a.fr/\r\n2\r\n"_ba << u"http://a.fr/"_s << u"2"_s;
    }
    void read()
    {
        QFETCH(QByteArray, file);
        QFETCH(QString, startAddress);
        QFETCH(QString, popupMode);
        TempProgramFolder folder;
        folder.write(u"Corvane.ini"_s, file);
        const SettingsFile::Fields fields = SettingsFile::read(folder.folder());
        QCOMPARE(shown(fields.startAddress), startAddress);
        QCOMPARE(shown(fields.popupMode), popupMode);
    }

    void readFindsTheFileWhateverItsLetterCase()
    {
        TempProgramFolder folder;
        folder.write(u"CORVANE.INI"_s, "http://a.fr/\r\n1\r\n");
        QCOMPARE(shown(SettingsFile::read(folder.folder()).popupMode), u"1"_s);
    }

    void missingOrUnreadableFileGivesNothing()
    {
        TempProgramFolder folder;
        SettingsFile::Fields fields = SettingsFile::read(folder.folder());
        QVERIFY(!fields.startAddress && !fields.popupMode);
        // A folder where the file should be.
        QVERIFY(QDir(folder.path()).mkdir(u"Corvane.ini"_s));
        fields = SettingsFile::read(folder.folder());
        QVERIFY(!fields.startAddress && !fields.popupMode);
    }

    // A huge file is read no further than the two settings need: a first
    // line of 64 MiB gives a start address cut at the read limit at once.
    void hugeFileIsNotReadWhole()
    {
        TempProgramFolder folder;
        QFile file(folder.filePath(u"Corvane.ini"_s));
        QVERIFY(file.open(QIODevice::WriteOnly));
        const QByteArray chunk(1024 * 1024, 'a');
        for (int i = 0; i < 64; ++i)
            QCOMPARE(file.write(chunk), chunk.size());
        file.close();
        const SettingsFile::Fields fields = SettingsFile::read(folder.folder());
        QVERIFY(fields.startAddress);
        QVERIFY(fields.startAddress->size() <= 1024 * 1024);
        QVERIFY(fields.startAddress->size() > 1000);
        QVERIFY(!fields.popupMode);
    }

    void writeThenRead_data()
    {
        QTest::addColumn<QString>("startAddress");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("readBack");
        QTest::newRow("plain") << u"http://a.fr/"_s << "http://a.fr/\r\n2\r\n"_ba
                               << u"http://a.fr/"_s;
        QTest::newRow("empty") << QString() << "\r\n2\r\n"_ba << QString();
        QTest::newRow("accented, as UTF-8")
            << u"http://a.fr/été"_s << "http://a.fr/été\r\n2\r\n"_ba << u"http://a.fr/été"_s;
        // A comma would cut the address and turn its tail into the popup
        // mode: such an address is written quoted and reads back whole.
        QTest::newRow("comma") << u"http://a.fr/?x=1,2"_s << "\"http://a.fr/?x=1,2\"\r\n2\r\n"_ba
                               << u"http://a.fr/?x=1,2"_s;
        QTest::newRow("leading blank")
            << u" http://a.fr/"_s << "\" http://a.fr/\"\r\n2\r\n"_ba << u" http://a.fr/"_s;
        QTest::newRow("double quote")
            << u"http://a.fr/?q=\"x\""_s << "\"http://a.fr/?q=%22x%22\"\r\n2\r\n"_ba
            << u"http://a.fr/?q=%22x%22"_s;
    }
    void writeThenRead()
    {
        QFETCH(QString, startAddress);
        QFETCH(QByteArray, bytes);
        QFETCH(QString, readBack);
        TempProgramFolder folder;
        QVERIFY(SettingsFile::write(folder.folder(), startAddress, u"2"_s));
        QCOMPARE(folder.read(u"Corvane.ini"_s), bytes);
        const SettingsFile::Fields fields = SettingsFile::read(folder.folder());
        QCOMPARE(shown(fields.startAddress), readBack);
        QCOMPARE(shown(fields.popupMode), u"2"_s);
    }

    // What an editor saved as UTF-16 is read, and the next write is the
    // program's own UTF-8.
    void writeAfterUtf16GivesUtf8_data()
    {
        QTest::addColumn<QStringConverter::Encoding>("encoding");
        QTest::newRow("little endian") << QStringConverter::Utf16LE;
        QTest::newRow("big endian") << QStringConverter::Utf16BE;
    }
    void writeAfterUtf16GivesUtf8()
    {
        QFETCH(QStringConverter::Encoding, encoding);
        TempProgramFolder folder;
        folder.write(u"Corvane.ini"_s, utf16(u"http://a.fr/\r\n1\r\n"_s, encoding));
        QCOMPARE(shown(SettingsFile::read(folder.folder()).popupMode), u"1"_s);
        QVERIFY(SettingsFile::write(folder.folder(), u"http://b.fr/é"_s, u"2"_s));
        QCOMPARE(folder.read(u"Corvane.ini"_s), "http://b.fr/\xC3\xA9\r\n2\r\n"_ba);
    }

    // Only a regular file counts, and nothing waits on what is not one.
    void onlyARegularFileIsRead_data() { TempProgramFolder::addNotARegularFileRows(); }
    void onlyARegularFileIsRead()
    {
        QFETCH(QString, kind);
        QFETCH(bool, read);
        TempProgramFolder folder;
        QVERIFY(folder.isValid());
        QVERIFY(folder.place(kind, u"Corvane.ini"_s, "http://a.fr/\r\n1\r\n"_ba));
        const SettingsFile::Fields fields = SettingsFile::read(folder.folder());
        QCOMPARE(shown(fields.startAddress), read ? u"http://a.fr/"_s : None);
        QCOMPARE(shown(fields.popupMode), read ? u"1"_s : None);
    }

    // A full disk, made by a file-size limit in a child process: the write
    // says it failed, the old file stays whole and no temporary file is
    // left beside it.
    void writeOnAFullDiskKeepsTheOldFile()
    {
        TempProgramFolder folder;
        const QByteArray old = "http://a.fr/\r\n1\r\n"_ba;
        folder.write(u"Corvane.ini"_s, old);
        const pid_t child = ::fork();
        QVERIFY(child >= 0);
        if (child == 0) {
            std::signal(SIGXFSZ, SIG_IGN);
            rlimit limit {};
            if (::getrlimit(RLIMIT_FSIZE, &limit) != 0)
                ::_exit(3);
            limit.rlim_cur = 4096;
            if (::setrlimit(RLIMIT_FSIZE, &limit) != 0)
                ::_exit(3);
            const QString address = u"http://b.fr/"_s + QString(64 * 1024, u'x');
            ::_exit(SettingsFile::write(folder.folder(), address, u"2"_s) ? 0 : 1);
        }
        int status = 0;
        QCOMPARE(::waitpid(child, &status, 0), child);
        QVERIFY(WIFEXITED(status));
        if (WEXITSTATUS(status) == 3)
            QSKIP("cannot lower the file size limit");
        QCOMPARE(WEXITSTATUS(status), 1);
        QCOMPARE(folder.read(u"Corvane.ini"_s), old);
        QCOMPARE(
            QDir(folder.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
            QStringList {u"Corvane.ini"_s});
    }

    void writeIntoMissingFolderFails()
    {
        TempProgramFolder folder;
        const ProgramFolder missing(folder.filePath(u"gone"_s));
        QVERIFY(!SettingsFile::write(missing, u"http://a.fr/"_s, u"1"_s));
        QVERIFY(!QFile::exists(folder.filePath(u"gone"_s)));
    }

    void popupPolicy_data()
    {
        QTest::addColumn<QString>("mode");
        QTest::addColumn<PopupPolicy>("policy");
        QTest::newRow("1") << u"1"_s << PopupPolicy::Block;
        QTest::newRow("01") << u"01"_s << PopupPolicy::Block;
        QTest::newRow("blanks around 1") << u" 1 "_s << PopupPolicy::Block;
        QTest::newRow("1.0") << u"1.0"_s << PopupPolicy::Block;
        QTest::newRow("2") << u"2"_s << PopupPolicy::Ask;
        QTest::newRow("3") << u"3"_s << PopupPolicy::Allow;
        QTest::newRow("0") << u"0"_s << PopupPolicy::Allow;
        QTest::newRow("9") << u"9"_s << PopupPolicy::Allow;
        QTest::newRow("-1") << u"-1"_s << PopupPolicy::Allow;
        QTest::newRow("12") << u"12"_s << PopupPolicy::Allow;
        QTest::newRow("abc") << u"abc"_s << PopupPolicy::Allow;
        QTest::newRow("1abc") << u"1abc"_s << PopupPolicy::Allow;
        QTest::newRow("empty") << QString() << PopupPolicy::Allow;
    }
    void popupPolicy()
    {
        QFETCH(QString, mode);
        QFETCH(PopupPolicy, policy);
        QCOMPARE(::popupPolicy(mode), policy);
    }
};

QTEST_GUILESS_MAIN(TestSettingsFile)
#include "tst_settingsfile.moc"
