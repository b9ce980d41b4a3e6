#include "support/TabFixture.h"
#include "support/TestPlatform.h"
#include "support/UserInput.h"

#include "tab/frmBrowser.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QMdiArea>
#include <QTest>
#include <QTimer>

#include <memory>
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

} // namespace

class TestAddressBar : public QObject, public TabFixture
{
    Q_OBJECT

    static QComboBox *addressBox(const frmBrowser *tab)
    {
        return tab->findChild<QComboBox *>(u"cboAddress"_s);
    }
    // The addresses the tab's browser was sent to after its first page.
    static QStringList navigationsAfterLoad(const frmBrowser *tab)
    {
        return static_cast<FakeBrowser *>(tab->browser())->navigations().mid(1);
    }
    // Types the text into the box as a user would: a click in it, its text
    // selected, then the keys.
    static void typeInto(QComboBox *box, const QString &text) { UserInput::replaceText(box, text); }
    QStringList folderEntries() const
    {
        return QDir(m_platform->folder.path())
            .entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot);
    }

private Q_SLOTS:
    void init()
    {
        // The offscreen platform's notices about the list's popup window are
        // no fault of the code under test.
        QTest::failOnWarning(QRegularExpression(u"^(?!This plugin does not support )"_s));
        startTest(false);
    }
    void cleanup() { endTest(); }

    // Enter goes to the text as typed, lists it and appends it to the
    // history, which a tab opened later lists as one entry.
    void enter_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<int>("key");
        QTest::addColumn<QString>("existingName"); // a history made before, or none
        QTest::addColumn<QByteArray>("line");      // what the history gains
        QTest::addColumn<QString>("readBack");     // the entry a later tab lists

        const int ret = Qt::Key_Return;
        QTest::newRow("plain address") << u"http://127.0.0.1/a"_s << ret << QString()
                                       << "http://127.0.0.1/a\r\n"_ba << u"http://127.0.0.1/a"_s;
        QTest::newRow("keypad Enter") << u"http://127.0.0.1/b"_s << int(Qt::Key_Enter) << QString()
                                      << "http://127.0.0.1/b\r\n"_ba << u"http://127.0.0.1/b"_s;
        QTest::newRow("empty box: an empty line, no entry later")
            << QString() << ret << QString() << "\r\n"_ba << QString();
        QTest::newRow("comma: quoted, read back whole")
            << u"http://x.fr/?a=1,2"_s << ret << QString() << "\"http://x.fr/?a=1,2\"\r\n"_ba
            << u"http://x.fr/?a=1,2"_s;
        QTest::newRow("leading quote: %22 inside quotes")
            << u"\"http://x.fr/"_s << ret << QString() << "\"%22http://x.fr/\"\r\n"_ba
            << u"%22http://x.fr/"_s;
        QTest::newRow("leading blank kept")
            << u" x.fr"_s << ret << QString() << "\" x.fr\"\r\n"_ba << u" x.fr"_s;
        QTest::newRow("accented address in UTF-8")
            << u"http://café.fr/"_s << ret << QString() << "http://caf\xC3\xA9.fr/\r\n"_ba
            << u"http://café.fr/"_s;
        QTest::newRow("history made by hand as visited.MRU")
            << u"http://127.0.0.1/c"_s << ret << u"visited.MRU"_s << "http://127.0.0.1/c\r\n"_ba
            << u"http://127.0.0.1/c"_s;
        QTest::newRow("history named in capitals")
            << u"http://127.0.0.1/d"_s << ret << u"VISITED.MRU"_s << "http://127.0.0.1/d\r\n"_ba
            << u"http://127.0.0.1/d"_s;
        // A listed address that begins with the typed text is not put in
        // its place.
        QTest::newRow("prefix of a listed address")
            << u"http://a"_s << ret << u"visited.MRU"_s << "http://a\r\n"_ba << u"http://a"_s;
    }
    void enter()
    {
        QFETCH(QString, typed);
        QFETCH(int, key);
        QFETCH(QString, existingName);
        QFETCH(QByteArray, line);
        QFETCH(QString, readBack);
        const QByteArray before = "http://abc.fr/\r\n"_ba;
        if (!existingName.isEmpty())
            m_platform->folder.write(existingName, before);
        const QString fileName = existingName.isEmpty() ? u"Visited.MRU"_s : existingName;

        frmBrowser *tab = openTab();
        QComboBox *box = addressBox(tab);
        const QStringList listed = itemsOf(box);
        // The control stays busy with the page, so the busy timer the
        // navigation starts runs on, however long the key events take.
        static_cast<FakeBrowser *>(tab->browser())->setBusy(true);
        QVERIFY(!tab->findChild<QTimer *>(u"timTimer"_s)->isActive());
        // Typing into a box that has the focus, where completion would act.
        typeInto(box, typed);
        UserInput::press(Qt::Key(key));

        QCOMPARE(navigationsAfterLoad(tab), QStringList {typed});
        QVERIFY(tab->findChild<QTimer *>(u"timTimer"_s)->isActive());
        QCOMPARE(box->currentText(), typed);
        QStringList expected = listed + QStringList {typed};
        expected.sort(Qt::CaseInsensitive);
        QCOMPARE(itemsOf(box), expected);
        QCOMPARE(folderEntries(), QStringList {fileName});
        QCOMPARE(m_platform->folder.read(fileName),
                 (existingName.isEmpty() ? QByteArray() : before) + line);
        if (existingName.isEmpty())
            QCOMPARE(modeOf(m_platform->folder.filePath(fileName)), 0600);

        QStringList later
            = existingName.isEmpty() ? QStringList() : QStringList {u"http://abc.fr/"_s};
        if (!readBack.isEmpty())
            later.append(readBack);
        later.sort(Qt::CaseInsensitive);
        QCOMPARE(itemsOf(addressBox(openTab())), later);
    }

    void sameAddressTwice()
    {
        frmBrowser *tab = openTab();
        QComboBox *box = addressBox(tab);
        for (int i = 0; i < 2; ++i) {
            typeInto(box, u"http://127.0.0.1/"_s);
            UserInput::press(Qt::Key_Return);
        }
        QCOMPARE(navigationsAfterLoad(tab), QStringList(2, u"http://127.0.0.1/"_s));
        QCOMPARE(itemsOf(box), QStringList(2, u"http://127.0.0.1/"_s));
        QCOMPARE(m_platform->folder.read(u"Visited.MRU"_s),
                 "http://127.0.0.1/\r\nhttp://127.0.0.1/\r\n"_ba);
        QCOMPARE(itemsOf(addressBox(openTab())), QStringList(2, u"http://127.0.0.1/"_s));
    }

    // A pick in the list goes to the picked address at once, once, and
    // neither lists nor records it again.
    void pick_data()
    {
        QTest::addColumn<QString>("how");
        QTest::newRow("arrow key in the open list, then Enter") << u"popup keys"_s;
        QTest::newRow("click in the open list") << u"popup click"_s;
        QTest::newRow("arrow key in the closed box") << u"arrow"_s;
    }
    void pick()
    {
        QFETCH(QString, how);
        const QByteArray history = "http://b.fr/\r\nhttp://a.fr/\r\nhttp://c.fr/\r\n"_ba;
        m_platform->folder.write(u"visited.MRU"_s, history);
        frmBrowser *tab = openTab();
        QComboBox *box = addressBox(tab);
        QCOMPARE(itemsOf(box),
                 (QStringList {u"http://a.fr/"_s, u"http://b.fr/"_s, u"http://c.fr/"_s}));
        static_cast<FakeBrowser *>(tab->browser())->setBusy(true);
        QVERIFY(!tab->findChild<QTimer *>(u"timTimer"_s)->isActive());

        if (how == u"arrow") {
            UserInput::click(box);
            UserInput::press(Qt::Key_Down);
        } else {
            box->showPopup();
            QAbstractItemView *view = box->view();
            QVERIFY(view->isVisible());
            if (how == u"popup keys") {
                view->setCurrentIndex(view->model()->index(0, 0));
                QTest::keyClick(view, Qt::Key_Down);
                QTest::keyClick(view, Qt::Key_Return);
            } else {
                const QRect row = view->visualRect(view->model()->index(1, 0));
                QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, row.center());
            }
            QVERIFY(!view->isVisible());
        }
        const QString picked = how == u"arrow" ? u"http://a.fr/"_s : u"http://b.fr/"_s;
        QCOMPARE(navigationsAfterLoad(tab), QStringList {picked});
        QCOMPARE(box->currentText(), picked);
        QVERIFY(tab->findChild<QTimer *>(u"timTimer"_s)->isActive());
        QCOMPARE(box->count(), 3);
        QCOMPARE(folderEntries(), QStringList {u"visited.MRU"_s});
        QCOMPARE(m_platform->folder.read(u"visited.MRU"_s), history);
    }

    void otherKeysDoNothing_data()
    {
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("modifiers");
        QTest::newRow("letter") << int(Qt::Key_X) << int(Qt::NoModifier);
        QTest::newRow("space") << int(Qt::Key_Space) << int(Qt::NoModifier);
        QTest::newRow("backspace") << int(Qt::Key_Backspace) << int(Qt::NoModifier);
        QTest::newRow("escape") << int(Qt::Key_Escape) << int(Qt::NoModifier);
        QTest::newRow("Ctrl+Enter") << int(Qt::Key_Return) << int(Qt::ControlModifier);
        QTest::newRow("Alt+Enter") << int(Qt::Key_Enter) << int(Qt::AltModifier);
    }
    void otherKeysDoNothing()
    {
        QFETCH(int, key);
        QFETCH(int, modifiers);
        m_platform->folder.write(u"visited.MRU"_s, "http://a.fr/\r\n");
        frmBrowser *tab = openTab();
        QComboBox *box = addressBox(tab);
        // The box shows a listed entry: the box itself would take the key for
        // a pick of it.
        typeInto(box, u"http://a.fr/"_s);
        UserInput::press(QKeyCombination(Qt::KeyboardModifiers(modifiers), Qt::Key(key)));
        QVERIFY(navigationsAfterLoad(tab).isEmpty());
        QCOMPARE(itemsOf(box), QStringList {u"http://a.fr/"_s});
        QCOMPARE(folderEntries(), QStringList {u"visited.MRU"_s});
        QCOMPARE(m_platform->folder.read(u"visited.MRU"_s), "http://a.fr/\r\n"_ba);
    }

    // Leaving the box is no pick, even when its text is a listed entry.
    void leavingTheBoxDoesNothing()
    {
        m_platform->folder.write(u"visited.MRU"_s, "http://a.fr/\r\n");
        std::unique_ptr<frmBrowser> tab(
            new frmBrowser(TabHost {m_platform->platform(), nullptr, nullptr}));
        tab->Show();
        QVERIFY(QTest::qWaitForWindowActive(tab.get()));
        QComboBox *box = addressBox(tab.get());
        box->setFocus();
        typeInto(box, u"http://a.fr/"_s);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QVERIFY(!box->hasFocus());
        QVERIFY(navigationsAfterLoad(tab.get()).isEmpty());
    }

    // A history that cannot be written stops neither the page nor the list,
    // and never holds the tab up.
    void unwritableHistory_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::newRow("folder of that name") << u"folder"_s;
        QTest::newRow("FIFO nobody reads") << u"fifo"_s;
    }
    void unwritableHistory()
    {
        QFETCH(QString, kind);
        const QString path = m_platform->folder.filePath(u"Visited.MRU"_s);
        if (kind == u"folder")
            QVERIFY(QDir(m_platform->folder.path()).mkdir(u"Visited.MRU"_s));
        else
            QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
        frmBrowser *tab = openTab();
        QComboBox *box = addressBox(tab);
        typeInto(box, u"http://127.0.0.1/"_s);
        UserInput::press(Qt::Key_Return);
        QCOMPARE(navigationsAfterLoad(tab), QStringList {u"http://127.0.0.1/"_s});
        QCOMPARE(itemsOf(box), QStringList {u"http://127.0.0.1/"_s});
        QCOMPARE(folderEntries(), QStringList {u"Visited.MRU"_s});
    }

    // An address no browser could use is still gone to and recorded, but
    // not listed.
    void unusableAddressIsNotListed()
    {
        frmBrowser *tab = openTab();
        QComboBox *box = addressBox(tab);
        const QString huge = u"http://127.0.0.1/"_s + QString(5000, u'a');
        typeInto(box, huge);
        UserInput::press(Qt::Key_Return);
        QCOMPARE(navigationsAfterLoad(tab), QStringList {huge});
        QCOMPARE(box->count(), 0);
        QCOMPARE(m_platform->folder.read(u"Visited.MRU"_s), huge.toUtf8() + "\r\n");
    }
};

QTEST_MAIN(TestAddressBar)
#include "tst_addressbar.moc"
