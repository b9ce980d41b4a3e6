#include "support/TabFixture.h"
#include "support/TestPlatform.h"
#include "support/UserInput.h"

#include "tab/SearchBar.h"
#include "tab/frmBrowser.h"

#include <QComboBox>
#include <QLineEdit>
#include <QMdiArea>
#include <QPointer>
#include <QTest>
#include <QTimer>

#include <memory>

using namespace Qt::StringLiterals;

namespace {

const QString WebSearch = u"http://www.google.fr/search?ie=UTF-8&oe=UTF-8&q="_s;
const QString CrackSearch = u"http://recherche-cracks.invalid/?srch="_s;

} // namespace

class TestSearchBar : public QObject, public TabFixture
{
    Q_OBJECT

    static QComboBox *box(const frmBrowser *tab, const QString &name)
    {
        return tab->findChild<QComboBox *>(name);
    }
    static QComboBox *queryBox(const frmBrowser *tab) { return box(tab, u"cboSearch"_s); }
    static void chooseCategory(const frmBrowser *tab, const QString &category)
    {
        QComboBox *choice = box(tab, u"cboSearchChoix"_s);
        choice->setCurrentIndex(choice->findText(category));
        QCOMPARE(choice->currentText(), category);
    }
    // Clicks into the query box, types the query over what it held, then
    // the key; the search it starts runs once the event loop turns.
    static void type(const frmBrowser *tab, const QString &query, Qt::Key key = Qt::Key_Return,
                     Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        UserInput::click(queryBox(tab));
        QCOMPARE(QApplication::focusWidget(), queryBox(tab));
        UserInput::press(Qt::CTRL | Qt::Key_A);
        UserInput::press(Qt::Key_Backspace);
        UserInput::type(query);
        UserInput::press(QKeyCombination(modifiers, key));
        QCoreApplication::processEvents();
    }
    // The navigations after the tab's first page.
    static QStringList searches(const frmBrowser *tab) { return fake(tab)->navigations().mid(1); }

private Q_SLOTS:
    void init() { startTest(); }
    void cleanup() { endTest(); }

    void address_data()
    {
        QTest::addColumn<QString>("category");
        QTest::addColumn<QString>("query");
        QTest::addColumn<QString>("expected"); // empty: no address

        QTest::newRow("Web, a blank") << u"Web"_s << u"chat noir"_s << WebSearch + u"chat%20noir"_s;
        QTest::newRow("Web, untrimmed")
            << u"Web"_s << u" a=b? "_s << WebSearch + u"%20a%3Db%3F%20"_s;
        QTest::newRow("Images, accented")
            << u"Images"_s << u"crème brûlée"_s
            << u"http://www.google.fr/images?ie=UTF-8&q=cr%C3%A8me%20br%C3%BBl%C3%A9e"_s;
        QTest::newRow("Logiciels, ampersand")
            << u"Logiciels"_s << u"tom & jerry"_s
            << u"http://www.telecharger.com/Total.php?searchstring=tom%20%26%20jerry"
               u"&system=windows&x=17&y=9"_s;
        QTest::newRow("Jeux, plus")
            << u"Jeux"_s << u"c++"_s
            << u"http://www.telecharger.com/Total.php?searchstring=c%2B%2B&system=jeux&x=17&y=9"_s;
        QTest::newRow("Cracks, percent and hash")
            << u"Cracks"_s << u"100% #1"_s << CrackSearch + u"100%25%20%231"_s;
        QTest::newRow("other letter case") << u"web"_s << u"chat"_s << QString();
        QTest::newRow("trailing blank") << u"Cracks "_s << u"chat"_s << QString();
        QTest::newRow("empty category") << QString() << u"chat"_s << QString();
    }
    void address()
    {
        QFETCH(QString, category);
        QFETCH(QString, query);
        QFETCH(QString, expected);
        const std::optional<QString> address = SearchAddress::build(category, query);
        QCOMPARE(address.has_value(), !expected.isEmpty());
        if (address)
            QCOMPARE(*address, expected);
    }

    // Enter searches, whichever Enter key; the search starts no busy timer
    // and leaves the address box as it was.
    void enterSearches_data()
    {
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("modifiers");
        QTest::newRow("Return") << int(Qt::Key_Return) << int(Qt::NoModifier);
        QTest::newRow("keypad Enter") << int(Qt::Key_Enter) << int(Qt::KeypadModifier);
        QTest::newRow("Shift+Return") << int(Qt::Key_Return) << int(Qt::ShiftModifier);
    }
    void enterSearches()
    {
        QFETCH(int, key);
        QFETCH(int, modifiers);
        frmBrowser *tab = openTab();
        QComboBox *address = box(tab, u"cboAddress"_s);
        address->setEditText(u"http://127.0.0.1:1/ailleurs"_s);
        const QStringList addressItems = itemsOf(address);
        auto *timer = tab->findChild<QTimer *>(u"timTimer"_s);
        QVERIFY(!timer->isActive());

        type(tab, u"chat noir"_s, Qt::Key(key), Qt::KeyboardModifiers(modifiers));
        QCOMPARE(searches(tab), QStringList {WebSearch + u"chat%20noir"_s});
        QCOMPARE(itemsOf(queryBox(tab)), QStringList {u"chat noir"_s});
        QVERIFY(!timer->isActive());
        QCOMPARE(address->currentText(), u"http://127.0.0.1:1/ailleurs"_s);
        QCOMPARE(itemsOf(address), addressItems);
        QCOMPARE(m_platform->messageBox.count(), 0);
        tab->Unload();
    }

    void otherKeysDoNothing_data()
    {
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("modifiers");
        QTest::newRow("letter") << int(Qt::Key_X) << int(Qt::NoModifier);
        QTest::newRow("Escape") << int(Qt::Key_Escape) << int(Qt::NoModifier);
        QTest::newRow("Ctrl+Return") << int(Qt::Key_Return) << int(Qt::ControlModifier);
        QTest::newRow("Alt+Return") << int(Qt::Key_Return) << int(Qt::AltModifier);
    }
    void otherKeysDoNothing()
    {
        QFETCH(int, key);
        QFETCH(int, modifiers);
        frmBrowser *tab = openTab();
        chooseCategory(tab, u"Cracks"_s);
        type(tab, u"chat"_s, Qt::Key(key), Qt::KeyboardModifiers(modifiers));
        QCOMPARE(searches(tab), QStringList());
        QCOMPARE(queryBox(tab)->count(), 0);
        QCOMPARE(m_platform->messageBox.count(), 0);
        tab->Unload();
    }

    void emptyQueryDoesNothing_data()
    {
        QTest::addColumn<QString>("category");
        QTest::newRow("Web") << u"Web"_s;
        QTest::newRow("Cracks") << u"Cracks"_s;
    }
    void emptyQueryDoesNothing()
    {
        QFETCH(QString, category);
        frmBrowser *tab = openTab();
        chooseCategory(tab, category);
        type(tab, QString());
        QCOMPARE(searches(tab), QStringList());
        QCOMPARE(queryBox(tab)->count(), 0);
        QCOMPARE(m_platform->messageBox.count(), 0);
        tab->Unload();
    }

    // The warning comes before every such search; the query is listed
    // before it opens and the navigation follows once it has closed.
    void warningBeforeEveryCracksSearch()
    {
        frmBrowser *tab = openTab();
        chooseCategory(tab, u"Cracks"_s);
        QStringList seenWhileOpen;
        m_platform->messageBox.setWhileOpen([&](const MessageBox::Request &) {
            seenWhileOpen.append(QStringLiteral("%1 searches, %2 listed")
                                     .arg(searches(tab).size())
                                     .arg(queryBox(tab)->count()));
        });
        type(tab, u"jeu"_s);
        type(tab, u"jeu"_s);

        QCOMPARE(seenWhileOpen,
                 (QStringList {u"0 searches, 1 listed"_s, u"1 searches, 2 listed"_s}));
        QCOMPARE(searches(tab), (QStringList {CrackSearch + u"jeu"_s, CrackSearch + u"jeu"_s}));
        const QList<MessageBox::Request> requests = m_platform->messageBox.requests();
        QCOMPARE(requests.size(), 2);
        for (const MessageBox::Request &request : requests) {
            QCOMPARE(request.title, u"Oulala !"_s);
            QCOMPARE(request.text,
                     u"Attention !\r\nSi rechercher un crack est autorisé, il est\r\n"
                     u"par contre interdit de s'en servir!"_s);
            QCOMPARE(request.icon, MessageBox::Icon::Critical);
            QCOMPARE(request.buttons, MessageBox::Buttons::Ok);
        }
        tab->Unload();
    }

    // The warning waits in an event loop of its own, where the tab may be
    // closed and destroyed; the search then ends quietly.
    void tabClosedWhileWarningOpen()
    {
        QPointer<frmBrowser> tab = openTab();
        chooseCategory(tab, u"Cracks"_s);
        m_platform->messageBox.setWhileOpen([&](const MessageBox::Request &) {
            tab->Unload();
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        });
        type(tab, u"jeu"_s);
        QCOMPARE(m_platform->messageBox.count(), 1);
        QVERIFY(tab.isNull());
    }

    void unknownCategoryOnlyLists()
    {
        frmBrowser *tab = openTab();
        box(tab, u"cboSearchChoix"_s)->addItem(u"Torrents"_s);
        chooseCategory(tab, u"Torrents"_s);
        type(tab, u"chat"_s);
        QCOMPARE(searches(tab), QStringList());
        QCOMPARE(itemsOf(queryBox(tab)), QStringList {u"chat"_s});
        QCOMPARE(m_platform->messageBox.count(), 0);
        tab->Unload();
    }

    // Every query is listed and searched exactly as typed, even where the
    // box could complete it from its list.
    void queriesAsTyped_data()
    {
        QTest::addColumn<QStringList>("queries");
        QTest::newRow("the same twice") << QStringList {u"chat"_s, u"chat"_s};
        QTest::newRow("beginning of an earlier one") << QStringList {u"chat noir"_s, u"chat"_s};
        QTest::newRow("other letter case") << QStringList {u"chat"_s, u"Chat"_s, u"chat"_s};
    }
    void queriesAsTyped()
    {
        QFETCH(QStringList, queries);
        frmBrowser *tab = openTab();
        QStringList expected;
        for (const QString &query : queries) {
            type(tab, query);
            QCOMPARE(queryBox(tab)->currentText(), query);
            expected.append(WebSearch + QString::fromLatin1(QUrl::toPercentEncoding(query)));
        }
        QCOMPARE(itemsOf(queryBox(tab)), queries);
        QCOMPARE(searches(tab), expected);
        tab->Unload();
    }

    // Choosing a category searches nothing; the next Enter uses it.
    void choosingCategoryDoesNotSearch()
    {
        frmBrowser *tab = openTab();
        UserInput::click(queryBox(tab));
        UserInput::type(u"chat"_s);
        QComboBox *choice = box(tab, u"cboSearchChoix"_s);
        // Tab goes on to the category box; the down arrow picks the next one.
        UserInput::press(Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), choice);
        UserInput::press(Qt::Key_Down);
        QCoreApplication::processEvents();
        QCOMPARE(choice->currentText(), u"Images"_s);
        QCOMPARE(searches(tab), QStringList());
        QCOMPARE(queryBox(tab)->count(), 0);

        UserInput::press(Qt::SHIFT | Qt::Key_Backtab);
        QCOMPARE(QApplication::focusWidget(), queryBox(tab));
        UserInput::press(Qt::Key_Return);
        QCoreApplication::processEvents();
        QCOMPARE(searches(tab), QStringList {u"http://www.google.fr/images?ie=UTF-8&q=chat"_s});
        tab->Unload();
    }
};

QTEST_MAIN(TestSearchBar)
#include "tst_searchbar.moc"
