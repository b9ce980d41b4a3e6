#include "support/TabFixture.h"
#include "support/TestPlatform.h"

#include "app/Module1.h"
#include "tab/frmBrowser.h"
#include "widgets/Forms.h"
#include "widgets/PanelBar.h"
#include "widgets/ProgressBar.h"

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QScopeGuard>
#include <QTest>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>

#include <memory>

using namespace Qt::StringLiterals;

class TestFrmBrowser : public QObject, public TabFixture
{
    Q_OBJECT

    template<class T> static T *control(const frmBrowser *tab, const char *name)
    {
        T *found = tab->findChild<T *>(QString::fromLatin1(name));
        if (!found)
            qFatal("no control %s", name);
        return found;
    }

private Q_SLOTS:
    void init() { startTest(); }
    void cleanup() { endTest(); }

    // The address box shows highlighted text's colour on the buttons' text
    // colour, whatever the desktop's colours; where they are those already,
    // every tab's box shares the window's palette (a palette of its own per
    // box would fill the style's cache of drawn boxes, tab after tab).
    void addressBoxColours_data()
    {
        QTest::addColumn<bool>("darkDesktop");
        QTest::newRow("Qt's own colours") << false;
        QTest::newRow("a dark desktop") << true;
    }
    void addressBoxColours()
    {
        QFETCH(bool, darkDesktop);
        const QPalette before = QApplication::palette();
        auto restore = qScopeGuard([&] { QApplication::setPalette(before); });
        if (darkDesktop) {
            QPalette dark = before;
            dark.setColor(QPalette::Base, QColor(30, 30, 30));
            dark.setColor(QPalette::Text, QColor(220, 220, 220));
            QApplication::setPalette(dark);
        }
        std::unique_ptr<frmBrowser> tab(newTab());
        auto *address = control<QComboBox>(tab.get(), "cboAddress");
        const QPalette desktop = QApplication::palette();
        QCOMPARE(address->palette().color(QPalette::Base),
                 desktop.color(QPalette::HighlightedText));
        QCOMPARE(address->palette().color(QPalette::Text), desktop.color(QPalette::ButtonText));
        QCOMPARE(address->testAttribute(Qt::WA_SetPalette), darkDesktop);
    }

    void controlsAsDesigned()
    {
        frmBrowser *tab = newTab();
        QCOMPARE(control<QLabel>(tab, "lblAddress")->text(), u"&Adresse:"_s);
        QCOMPARE(control<QLabel>(tab, "lblAddress")->buddy(),
                 control<QComboBox>(tab, "cboAddress"));
        QCOMPARE(control<QLabel>(tab, "lblSearch")->text(), u"Recherche"_s);
        auto *address = control<QComboBox>(tab, "cboAddress");
        QVERIFY(address->isEditable());
        QCOMPARE(address->currentText(), TabControls::HomePage);
        QCOMPARE(address->count(), 0);
        auto *search = control<QComboBox>(tab, "cboSearch");
        QVERIFY(search->isEditable());
        QCOMPARE(search->currentText(), QString());
        QCOMPARE(search->count(), 0);
        auto *choice = control<QComboBox>(tab, "cboSearchChoix");
        QVERIFY(!choice->isEditable());
        QCOMPARE(itemsOf(choice),
                 (QStringList {u"Web"_s, u"Images"_s, u"Logiciels"_s, u"Jeux"_s, u"Cracks"_s}));
        auto *progress = control<ProgressBar>(tab, "ProgressBar1");
        QCOMPARE(progress->min(), 0.0001f);
        QCOMPARE(progress->max(), 100.f);
        auto *status = control<PanelBar>(tab, "StatusBar");
        QCOMPARE(status->count(), 2);
        QCOMPARE(status->panel(2)->width(), 1440.f);
        QCOMPARE(status->panel(1)->text(), QString());
        auto *timer = control<QTimer>(tab, "timTimer");
        QCOMPARE(timer->interval(), 5);
        QVERIFY(!timer->isActive());
        QVERIFY(tab->findChild<QWidget *>(u"brwWebbrowser"_s));
        QVERIFY(tab->findChild<QWidget *>(u"picAddress"_s)->isAncestorOf(address));
        delete tab;
    }

    void toolBarButtons()
    {
        std::unique_ptr<frmBrowser> tab(newTab());
        const QList<QAction *> actions = control<QToolBar>(tab.get(), "tbToolBar")->actions();
        QStringList keys;
        for (QAction *action : actions)
            keys.append(action->data().toString());
        QCOMPARE(keys,
                 (QStringList {u"Back"_s, u"Next"_s, u"Stop"_s, u"Refresh"_s, u"Home"_s,
                               u"kOptions"_s, u"NewTab"_s, u"none"_s, u"Close"_s}));
        QVERIFY(actions.at(7)->isSeparator());
        QCOMPARE(actions.at(0)->toolTip(), u"Précédent"_s);
        QCOMPARE(actions.at(4)->toolTip(), u"Démarrage"_s);
        QCOMPARE(actions.at(8)->toolTip(), u"Cliquez ici pour fermer l'onglet en cours"_s);
        QCOMPARE(actions.at(6)->text(), u"Nouvel onglet"_s);
        QCOMPARE(actions.at(8)->text(), u"Fermer l'onglet"_s);
        for (QAction *action : actions) {
            if (!action->isSeparator())
                QVERIFY2(!action->icon().isNull(), qPrintable(action->data().toString()));
        }
        auto *newTabButton = qobject_cast<QToolButton *>(
            control<QToolBar>(tab.get(), "tbToolBar")->widgetForAction(actions.at(6)));
        QCOMPARE(newTabButton->toolButtonStyle(), Qt::ToolButtonTextBesideIcon);
    }

    // Tab moves from the address box to the search row, then to the page.
    void focusOrder()
    {
        std::unique_ptr<frmBrowser> tab(
            new frmBrowser(TabHost {m_platform->platform(), nullptr, nullptr}));
        tab->Show();
        QVERIFY(QTest::qWaitForWindowActive(tab.get()));
        control<QComboBox>(tab.get(), "cboAddress")->setFocus();
        QStringList visited;
        for (int i = 0; i < 4; ++i) {
            QWidget *focus = QApplication::focusWidget();
            QVERIFY(focus);
            // A combo box's focus sits in its line edit.
            QWidget *control = focus->objectName().isEmpty() ? focus->parentWidget() : focus;
            visited.append(control->objectName());
            QTest::keyClick(focus, Qt::Key_Tab);
        }
        QCOMPARE(visited,
                 (QStringList {u"cboAddress"_s, u"cboSearch"_s, u"cboSearchChoix"_s,
                               u"brwWebbrowser"_s}));
    }

    void createdTabIsNeitherShownNorLoaded()
    {
        std::unique_ptr<frmBrowser> tab(newTab());
        QCOMPARE(tab->getID(), qint16(0));
        const qint16 id = 7;
        tab->setID(id);
        QCOMPARE(tab->getID(), qint16(7));
        QVERIFY(!tab->isLoaded());
        QVERIFY(!tab->isVisible());
        QVERIFY(!m_platform->forms.isLoaded(tab.get()));
        QVERIFY(fake(tab.get())->calls().isEmpty());
        QCOMPARE(tab->StartingAddress(), QString());
    }

    void loadWithoutSettingsOpensTheHomePage()
    {
        Module1::PopupMode = u"2"_s;
        frmBrowser *tab = newTab();
        tab->Show();
        QVERIFY(tab->isLoaded());
        QVERIFY(m_platform->forms.isLoaded(tab));
        QVERIFY(tab->subWindow()->isMaximized());
        QCOMPARE(fake(tab)->navigations(), QStringList {TabControls::HomePage});
        QCOMPARE(tab->StartingAddress(), QString());
        QCOMPARE(Module1::PopupMode, u"2"_s);
        QCOMPARE(control<QComboBox>(tab, "cboAddress")->count(), 0);
        QVERIFY(!control<QTimer>(tab, "timTimer")->isActive());
        QCOMPARE(control<QComboBox>(tab, "cboSearchChoix")->currentText(), u"Web"_s);
        // The load moves the address box under its label: 50 and 330 twips.
        QCOMPARE(control<QComboBox>(tab, "cboAddress")->pos(), QPoint(3, 22));
        QCOMPARE(tab->caption(), QString());
        // A second Show() does not load again.
        tab->Show();
        QCOMPARE(fake(tab)->navigations().size(), 1);
    }

    void loadReadsTheSettings_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QString>("startingAddress");
        QTest::addColumn<QString>("popupMode"); // "unchanged": as before the load

        QTest::newRow("two lines")
            << "http://127.0.0.1/a\r\n1\r\n"_ba << u"http://127.0.0.1/a"_s << u"1"_s;
        QTest::newRow("LF line ends") << "http://x.fr/\n2\n"_ba << u"http://x.fr/"_s << u"2"_s;
        QTest::newRow("only the start address")
            << "http://x.fr/\r\n"_ba << u"http://x.fr/"_s << u"unchanged"_s;
        QTest::newRow("comma in the address: the rest is the popup mode")
            << "http://x.fr/a,2\r\n3\r\n"_ba << u"http://x.fr/a"_s << u"2"_s;
        QTest::newRow("quoted address keeps its comma")
            << "\"http://x.fr/a,b\"\r\n2\r\n"_ba << u"http://x.fr/a,b"_s << u"2"_s;
        QTest::newRow("leading blanks dropped")
            << "   http://x.fr/\r\n  1\r\n"_ba << u"http://x.fr/"_s << u"1"_s;
        QTest::newRow("empty first line") << "\r\n3\r\n"_ba << QString() << u"3"_s;
        QTest::newRow("empty file") << QByteArray() << QString() << u"unchanged"_s;
        QTest::newRow("Windows-1252 address")
            << "http://x.fr/caf\xe9\r\n3\r\n"_ba << u"http://x.fr/café"_s << u"3"_s;
        QTest::newRow("binary garbage")
            << QByteArray("\x00\xff\xfe\x01\x02", 5)
            << QString::fromLatin1("\x00\xff\xfe\x01\x02", 5) << u"unchanged"_s;
    }
    void loadReadsTheSettings()
    {
        QFETCH(QByteArray, file);
        QFETCH(QString, startingAddress);
        QFETCH(QString, popupMode);
        Module1::PopupMode = u"before"_s;
        m_platform->folder.write(u"Corvane.ini"_s, file);

        frmBrowser *tab = newTab();
        tab->Show();
        QCOMPARE(tab->StartingAddress(), startingAddress);
        QCOMPARE(Module1::PopupMode, popupMode == u"unchanged"_s ? u"before"_s : popupMode);
        auto *address = control<QComboBox>(tab, "cboAddress");
        auto *timer = control<QTimer>(tab, "timTimer");
        if (startingAddress.isEmpty()) {
            QCOMPARE(fake(tab)->navigations(), QStringList {TabControls::HomePage});
            QCOMPARE(address->count(), 0);
            QVERIFY(!timer->isActive());
        } else {
            QCOMPARE(fake(tab)->navigations(), QStringList {startingAddress});
            QCOMPARE(address->currentText(), startingAddress);
            QCOMPARE(itemsOf(address), QStringList {startingAddress});
            QVERIFY(timer->isActive());
        }
    }

    void loadFillsTheAddressListFromTheHistory_data()
    {
        QTest::addColumn<QString>("fileName");
        QTest::addColumn<QByteArray>("history");
        QTest::addColumn<QByteArray>("settings");
        QTest::addColumn<QStringList>("list");

        QTest::newRow("one entry per line, sorted")
            << u"visited.MRU"_s << "http://b.fr/\r\nhttp://A.fr/\r\nhttp://c.fr/\r\n"_ba
            << QByteArray()
            << QStringList {u"http://A.fr/"_s, u"http://b.fr/"_s, u"http://c.fr/"_s};
        QTest::newRow("commas split, empty lines and parts dropped")
            << u"visited.MRU"_s << "a.fr\r\n\r\nb.fr,c.fr\r\n,\r\n  \r\n"_ba << QByteArray()
            << QStringList {u"a.fr"_s, u"b.fr"_s, u"c.fr"_s};
        QTest::newRow("quoted entry keeps its comma")
            << u"visited.MRU"_s << "\"x.fr/?a=1,2\"\r\n"_ba << QByteArray()
            << QStringList {u"x.fr/?a=1,2"_s};
        QTest::newRow("start address listed once more than in the history")
            << u"visited.MRU"_s << "http://s.fr/\r\nhttp://s.fr/\n"_ba
            << "http://s.fr/\r\n3\r\n"_ba
            << QStringList {u"http://s.fr/"_s, u"http://s.fr/"_s, u"http://s.fr/"_s};
        QTest::newRow("file named in another letter case")
            << u"VISITED.mru"_s << "http://a.fr/\r\n"_ba << QByteArray()
            << QStringList {u"http://a.fr/"_s};
        QTest::newRow("file as the address box creates it")
            << u"Visited.MRU"_s << "http://a.fr/\r\n"_ba << QByteArray()
            << QStringList {u"http://a.fr/"_s};
        QTest::newRow("binary file: no entry holding NUL")
            << u"visited.MRU"_s << QByteArray("\x00,\xff\r\n", 5) << QByteArray()
            << QStringList {QString(QChar(0xff))};
    }
    void loadFillsTheAddressListFromTheHistory()
    {
        QFETCH(QString, fileName);
        QFETCH(QByteArray, history);
        QFETCH(QByteArray, settings);
        QFETCH(QStringList, list);
        m_platform->folder.write(fileName, history);
        if (!settings.isEmpty())
            m_platform->folder.write(u"Corvane.ini"_s, settings);

        frmBrowser *tab = newTab();
        tab->Show();
        auto *address = control<QComboBox>(tab, "cboAddress");
        QCOMPARE(itemsOf(address), list);
        // The box still shows the page it was sent to, not a history entry.
        QCOMPARE(address->currentText(), fake(tab)->navigations().constFirst());
    }

    // The history is read whole up to 64 MiB; a longer one gives its most
    // recent 64 MiB, from the first line that starts in them.
    void hugeHistoryLoadsItsMostRecentEntries()
    {
        const qint64 window = 64 * 1024 * 1024;
        const int lineLength = 4000; // CR LF included
        const int lines = int(window / lineLength) + 500;
        QByteArray history;
        history.reserve(qsizetype(lines) * lineLength);
        for (int i = 0; i < lines; ++i) {
            QByteArray line = "http://site" + QByteArray::number(i) + ".example/";
            line += QByteArray(lineLength - 2 - line.size(), 'p') + "\r\n";
            history += line;
        }
        m_platform->folder.write(u"visited.MRU"_s, history);
        const qint64 firstLine = (history.size() - window + lineLength - 1) / lineLength;
        history.clear();
        history.squeeze();

        frmBrowser *tab = newTab();
        tab->Show();
        auto *address = control<QComboBox>(tab, "cboAddress");
        QCOMPARE(address->count(), lines - firstLine);
        const QStringList items = itemsOf(address);
        QCOMPARE(items.filter(u"http://site%1.example/"_s.arg(firstLine)).size(), 1);
        QCOMPARE(items.filter(u"http://site%1.example/"_s.arg(firstLine - 1)).size(), 0);
        QCOMPARE(items.filter(u"http://site%1.example/"_s.arg(lines - 1)).size(), 1);
        // No entry is a piece of a line cut by the read window.
        for (const QString &item : items)
            QVERIFY2(item.startsWith(u"http://site"_s) && item.size() == lineLength - 2,
                     qPrintable(item.left(40)));
    }

    void busyTimerFollowsTheBrowser()
    {
        m_platform->folder.write(u"Corvane.ini"_s, "http://127.0.0.1:1/\r\n3\r\n");
        frmBrowser *tab = newTab();
        FakeBrowser *browser = nullptr;
        // The browser is made with the tab; it is busy as soon as the load
        // has asked it for the page.
        tab->Show();
        browser = fake(tab);
        browser->setBusy(true);
        QTRY_COMPARE(tab->caption(), u"Traitement en cours..."_s);
        QVERIFY(control<QTimer>(tab, "timTimer")->isActive());
        browser->setLocation(u"Accueil"_s, u"http://127.0.0.1:1/"_s);
        browser->setBusy(false);
        QTRY_COMPARE(tab->caption(), u"Accueil"_s);
        QVERIFY(!control<QTimer>(tab, "timTimer")->isActive());
        QCOMPARE(tab->subWindow()->windowTitle(), u"Accueil"_s);
    }

    // The worked example of the designed window, on a 96 DPI screen: one
    // pixel is 15 twips.
    void layoutFollowsTheWindowSize()
    {
        std::unique_ptr<frmBrowser> tab(
            new frmBrowser(TabHost {m_platform->platform(), nullptr, nullptr}));
        tab->Show();
        tab->resize(461, 417); // 6915 x 6255 twips
        QCoreApplication::processEvents();
        const int toolBar = control<QToolBar>(tab.get(), "tbToolBar")->height();
        QCOMPARE(control<QWidget>(tab.get(), "picAddress")->y(), toolBar);
        QCOMPARE(control<QWidget>(tab.get(), "picAddress")->width(), 461);

        QCOMPARE(control<QComboBox>(tab.get(), "cboAddress")->width(), 454); // 6815
        QWidget *browser = control<QWidget>(tab.get(), "brwWebbrowser");
        QCOMPARE(browser->pos(), QPoint(3, 80)); // 45, 1200
        QCOMPARE(browser->width(), 454);
        // H - (P + 675) - 300 - 135, P being the toolbar's own height.
        QCOMPARE(browser->height(), qRound((6255 - (toolBar * 15 + 675) - 300 - 135) / 15.0));
        auto *progress = control<ProgressBar>(tab.get(), "ProgressBar1");
        QCOMPARE(progress->geometry(), QRect(0, 392, 447, 9)); // 0, 5875, 6705, 135
        QCOMPARE(control<PanelBar>(tab.get(), "StatusBar")->panel(1)->width(), 5200.f);
        QCOMPARE(control<PanelBar>(tab.get(), "StatusBar")->geometry(), QRect(0, 400, 461, 17));
        QCOMPARE(control<QComboBox>(tab.get(), "cboSearchChoix")->x(), 392); // 5885
        QCOMPARE(control<QComboBox>(tab.get(), "cboSearch")->x(), 261);      // 3915
        // "Recherche" ends where its designed box ends (3215 + 735), and
        // starts at 3215 unless the font needs more room.
        auto *searchLabel = control<QLabel>(tab.get(), "lblSearch");
        QCOMPARE(searchLabel->geometry().right() + 1, 263);
        QVERIFY(searchLabel->x() <= 214);
        QVERIFY(searchLabel->width() >= searchLabel->sizeHint().width());

        // Too low for the browser: the pass stops there and the rest keeps
        // the previous pass's places.
        tab->resize(600, 80);
        QCoreApplication::processEvents();
        QCOMPARE(control<QComboBox>(tab.get(), "cboAddress")->width(), 593);
        QCOMPARE(browser->height(), qRound((6255 - (toolBar * 15 + 675) - 300 - 135) / 15.0));
        QCOMPARE(control<QComboBox>(tab.get(), "cboSearchChoix")->x(), 392);
        QCOMPARE(progress->y(), 392);
    }

    void minimizedTabKeepsItsLayout()
    {
        frmBrowser *tab = newTab();
        tab->Show();
        tab->subWindow()->showNormal();
        tab->subWindow()->resize(500, 450);
        QCoreApplication::processEvents();
        auto *address = control<QComboBox>(tab, "cboAddress");
        const int width = address->width();
        const QRect browser = control<QWidget>(tab, "brwWebbrowser")->geometry();
        tab->subWindow()->showMinimized();
        QCoreApplication::processEvents();
        QCOMPARE(address->width(), width);
        QCOMPARE(control<QWidget>(tab, "brwWebbrowser")->geometry(), browser);
        tab->subWindow()->showMaximized();
        QCoreApplication::processEvents();
        QCOMPARE(address->width(), qRound((tab->width() * 15 - 100) / 15.0));
    }

    void unloadRunsOnceWhoeverAsks()
    {
        frmBrowser *tab = newTab();
        tab->Show();
        QPointer<QMdiSubWindow> window = tab->subWindow();
        QCOMPARE(m_platform->forms.of<frmBrowser>().size(), 1);
        tab->Unload();
        QVERIFY(!m_platform->forms.isLoaded(tab));
        QTRY_VERIFY(window.isNull());

        // The child window's own close button does the same.
        frmBrowser *other = newTab();
        other->Show();
        QPointer<QMdiSubWindow> otherWindow = other->subWindow();
        QVERIFY(otherWindow->close());
        QVERIFY(!m_platform->forms.isLoaded(other));
        QTRY_VERIFY(otherWindow.isNull());
    }
};

QTEST_MAIN(TestFrmBrowser)
#include "tst_frmbrowser.moc"
