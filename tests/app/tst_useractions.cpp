#include "support/MainWindowFixture.h"
#include "support/UserInput.h"

#include "about/frmAbout.h"
#include "app/Module1.h"
#include "app/frmCV.h"
#include "settings/frmOptions.h"
#include "tab/frmBrowser.h"
#include "widgets/PanelBar.h"

#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QTest>
#include <QToolBar>

#include <memory>

using namespace Qt::StringLiterals;

namespace {

// What a person expects to see happen.
enum class Effect {
    NewTab,
    TabClosed,
    OtherTabInFront,
    BrowserCall, // the front tab's browser is asked `detail`, the other's nothing
    AddressBoxFocused,
    SearchBoxFocused,
    FindBarOpen,
    Zoom, // the front tab's zoom becomes `detail`
    OptionsShown,
    AboutShown,
    NetworkOptionsStarted,
};

using Keys = QList<QKeyCombination>;

struct Action
{
    const char *name;
    Keys keys;
    Effect effect;
    QString detail;
};

// Every everyday key and menu key of the main window with a tab in front.
// Each row's keys are pressed one after the other.
const QList<Action> &everyAction()
{
    static const QList<Action> actions = {
        {"F12", {Qt::Key_F12}, Effect::NewTab, {}},
        {"Ctrl+T", {Qt::CTRL | Qt::Key_T}, Effect::NewTab, {}},
        {"Alt+F, N (Fichier, Nouvel Onglet)", {Qt::ALT | Qt::Key_F, Qt::Key_N}, Effect::NewTab, {}},
        {"Ctrl+W", {Qt::CTRL | Qt::Key_W}, Effect::TabClosed, {}},
        {"Ctrl+Tab", {Qt::CTRL | Qt::Key_Tab}, Effect::OtherTabInFront, {}},
        {"Ctrl+Shift+Tab", {Qt::CTRL | Qt::SHIFT | Qt::Key_Backtab}, Effect::OtherTabInFront, {}},
        {"Alt+Left", {Qt::ALT | Qt::Key_Left}, Effect::BrowserCall, u"GoBack"_s},
        {"Alt+Right", {Qt::ALT | Qt::Key_Right}, Effect::BrowserCall, u"GoForward"_s},
        {"F5", {Qt::Key_F5}, Effect::BrowserCall, u"Refresh"_s},
        {"Ctrl+R", {Qt::CTRL | Qt::Key_R}, Effect::BrowserCall, u"Refresh"_s},
        {"Alt+Home", {Qt::ALT | Qt::Key_Home}, Effect::BrowserCall, u"Navigate "_s},
        {"Escape while loading", {Qt::Key_Escape}, Effect::BrowserCall, u"Stop"_s},
        {"Ctrl+L", {Qt::CTRL | Qt::Key_L}, Effect::AddressBoxFocused, {}},
        {"Alt+D", {Qt::ALT | Qt::Key_D}, Effect::AddressBoxFocused, {}},
        {"Ctrl+K", {Qt::CTRL | Qt::Key_K}, Effect::SearchBoxFocused, {}},
        {"Ctrl+F", {Qt::CTRL | Qt::Key_F}, Effect::FindBarOpen, {}},
        {"Ctrl++", {Qt::CTRL | Qt::Key_Plus}, Effect::Zoom, u"1.75"_s},
        {"Ctrl+=", {Qt::CTRL | Qt::Key_Equal}, Effect::Zoom, u"1.75"_s},
        {"Ctrl+-", {Qt::CTRL | Qt::Key_Minus}, Effect::Zoom, u"1.25"_s},
        {"Ctrl+0", {Qt::CTRL | Qt::Key_0}, Effect::Zoom, u"1"_s},
        {"F11", {Qt::Key_F11}, Effect::OptionsShown, {}},
        {"F9", {Qt::Key_F9}, Effect::NetworkOptionsStarted, {}},
        {"F1", {Qt::Key_F1}, Effect::AboutShown, {}},
        {"Alt+?, Enter (?, A propos)",
         {Qt::ALT | Qt::Key_Question, Qt::Key_Return},
         Effect::AboutShown,
         {}},
    };
    return actions;
}

const char *nameOf(Focus focus)
{
    switch (focus) {
    case Focus::Page:
        return "page";
    case Focus::AddressBox:
        return "address box";
    case Focus::SearchBox:
        return "search box";
    case Focus::FindBox:
        return "find box";
    }
    return "?";
}

} // namespace

Q_DECLARE_METATYPE(Effect)

// The program driven as a person drives it: the focus put somewhere by a
// click, then keys pressed in the window, or a button clicked; each action
// does what it says wherever the focus is.
class TestUserActions : public QObject, public MainWindowFixture
{
    Q_OBJECT

    QList<frmBrowser *> tabs() const { return m_platform->forms.of<frmBrowser>(); }
    static QComboBox *box(const frmBrowser *tab, const QString &name)
    {
        return tab->findChild<QComboBox *>(name);
    }
    // The window with `count` tabs, the last one opened in front.
    void addTabs(int count)
    {
        for (int i = 1; i < count; ++i)
            m_window->mNew_Click();
        QCOMPARE(tabs().size(), count);
        QCOMPARE(front(), tabs().last());
        for (frmBrowser *tab : tabs())
            fake(tab)->setLocation(u"Page %1"_s.arg(tab->getID()), u"http://127.0.0.1:1/"_s);
    }

private Q_SLOTS:
    void init()
    {
        startTest();
        QVERIFY(QTest::qWaitForWindowActive(startUp()));
    }
    void cleanup() { endTest(); }

    void keys_data()
    {
        QTest::addColumn<Keys>("keys");
        QTest::addColumn<int>("tabCount");
        QTest::addColumn<Focus>("where");
        QTest::addColumn<Effect>("effect");
        QTest::addColumn<QString>("detail");
        for (const Action &action : everyAction()) {
            for (const int count : {1, 2}) {
                // Going round the tabs needs two of them.
                if (action.effect == Effect::OtherTabInFront && count == 1)
                    continue;
                for (const Focus where : {Focus::Page, Focus::AddressBox, Focus::SearchBox}) {
                    QTest::addRow("%s, %d tab(s), in the %s", action.name, count, nameOf(where))
                        << action.keys << count << where << action.effect << action.detail;
                }
            }
        }
    }
    void keys()
    {
        QFETCH(Keys, keys);
        QFETCH(int, tabCount);
        QFETCH(Focus, where);
        QFETCH(Effect, effect);
        QFETCH(QString, detail);
        addTabs(tabCount);
        frmBrowser *tab = front();
        const QPointer<frmBrowser> watched(tab);
        for (frmBrowser *each : tabs()) {
            fake(each)->SetZoomFactor(1.5);
            // Escape stops a page only while it loads.
            fake(each)->raiseProgressChange(10, 100);
        }
        focusIn(where);
        QHash<frmBrowser *, qsizetype> callsBefore;
        for (frmBrowser *each : tabs())
            callsBefore[each] = fake(each)->calls().size();

        for (const QKeyCombination key : keys)
            UserInput::press(key);
        QCoreApplication::processEvents();

        switch (effect) {
        case Effect::NewTab:
            QCOMPARE(tabs().size(), tabCount + 1);
            QCOMPARE(front(), tabs().last());
            break;
        case Effect::TabClosed:
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
            QVERIFY(watched.isNull());
            QCOMPARE(tabs().size(), tabCount - 1);
            QCOMPARE(m_window->Bar()->count(), tabCount - 1);
            break;
        case Effect::OtherTabInFront:
            QVERIFY(front() && front() != tab);
            break;
        case Effect::BrowserCall:
            for (frmBrowser *each : tabs()) {
                const QStringList calls = fake(each)->calls().mid(callsBefore[each]);
                QCOMPARE(calls, each == tab ? QStringList {detail} : QStringList());
            }
            break;
        case Effect::AddressBoxFocused:
        case Effect::SearchBoxFocused: {
            QComboBox *expected
                = box(tab, effect == Effect::AddressBoxFocused ? u"cboAddress"_s : u"cboSearch"_s);
            QCOMPARE(QApplication::focusWidget(), expected);
            QCOMPARE(expected->lineEdit()->selectedText(), expected->currentText());
            break;
        }
        case Effect::FindBarOpen: {
            auto *edit = tab->findChild<QLineEdit *>(u"findText"_s);
            QVERIFY(edit->isVisible());
            QCOMPARE(QApplication::focusWidget(), edit);
            break;
        }
        case Effect::Zoom:
            QCOMPARE(fake(tab)->ZoomFactor(), detail.toDouble());
            for (frmBrowser *each : tabs()) {
                if (each != tab)
                    QCOMPARE(fake(each)->ZoomFactor(), 1.5);
            }
            break;
        case Effect::OptionsShown:
            QVERIFY(m_window->Options() && m_window->Options()->isVisible());
            break;
        case Effect::AboutShown:
            QVERIFY(m_window->About() && m_window->About()->isVisible());
            break;
        case Effect::NetworkOptionsStarted: {
            // The desktop's tool where one is installed, else the message
            // that there is none.
            const QList<MessageBox::Request> said = m_platform->messageBox.requests();
            QCOMPARE(m_platform->launcher.started.size() + said.size(), 1);
            if (!said.isEmpty())
                QCOMPARE(said.first().title, u"Options Internet"_s);
            return;
        }
        }
        QCOMPARE(m_platform->messageBox.count(), 0);
    }

    // Every toolbar button, clicked, acts in its own tab.
    void toolBarButtons_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<Effect>("effect");
        QTest::addColumn<QString>("detail");
        QTest::newRow("Back") << u"Back"_s << Effect::BrowserCall << u"GoBack"_s;
        QTest::newRow("Next") << u"Next"_s << Effect::BrowserCall << u"GoForward"_s;
        QTest::newRow("Stop") << u"Stop"_s << Effect::BrowserCall << u"Stop"_s;
        QTest::newRow("Refresh") << u"Refresh"_s << Effect::BrowserCall << u"Refresh"_s;
        QTest::newRow("Home") << u"Home"_s << Effect::BrowserCall << u"Navigate "_s;
        QTest::newRow("kOptions") << u"kOptions"_s << Effect::OptionsShown << QString();
        QTest::newRow("NewTab") << u"NewTab"_s << Effect::NewTab << QString();
        QTest::newRow("Close") << u"Close"_s << Effect::TabClosed << QString();
    }
    void toolBarButtons()
    {
        QFETCH(QString, key);
        QFETCH(Effect, effect);
        QFETCH(QString, detail);
        addTabs(2);
        frmBrowser *tab = front();
        const QPointer<frmBrowser> watched(tab);
        auto *toolBar = tab->findChild<QToolBar *>(u"tbToolBar"_s);
        QAction *button = nullptr;
        for (QAction *action : toolBar->actions()) {
            if (action->data().toString() == key)
                button = action;
        }
        QVERIFY(button);
        const qsizetype before = fake(tab)->calls().size();

        UserInput::clickButton(toolBar, button);
        QCoreApplication::processEvents();
        switch (effect) {
        case Effect::BrowserCall:
            QCOMPARE(fake(tab)->calls().mid(before), QStringList {detail});
            break;
        case Effect::OptionsShown:
            QVERIFY(m_window->Options() && m_window->Options()->isVisible());
            break;
        case Effect::NewTab:
            QCOMPARE(tabs().size(), 3);
            break;
        case Effect::TabClosed:
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
            QVERIFY(watched.isNull());
            QCOMPARE(tabs().size(), 1);
            break;
        default:
            QFAIL("no such row");
        }
    }

    // The menu bar's own command and a menu's item, clicked.
    void menusClicked()
    {
        QMenuBar *bar = m_window->menuBar();
        auto *newTab = m_window->findChild<QAction *>(u"mNewTab"_s);
        UserInput::click(bar, bar->actionGeometry(newTab).center());
        QCOMPARE(tabs().size(), 2);

        auto *fichier = m_window->findChild<QMenu *>(u"mFichier"_s);
        UserInput::click(bar, bar->actionGeometry(fichier->menuAction()).center());
        QTRY_VERIFY(fichier->isVisible());
        auto *item = m_window->findChild<QAction *>(u"mNew"_s);
        UserInput::click(fichier, fichier->actionGeometry(item).center());
        QCOMPARE(tabs().size(), 3);
    }

    // A click on a panel of the strip brings its tab forward; a double
    // click closes it.
    void tabStripClicked()
    {
        addTabs(2);
        frmBrowser *first = tabs().first();
        Panel *firstPanel = m_window->Bar()->panel(1);
        UserInput::click(firstPanel->label());
        QCOMPARE(front(), first);
        QCOMPARE(firstPanel->bevel(), Panel::Bevel::Inset);

        const QPointer<frmBrowser> watched(first);
        UserInput::doubleClick(firstPanel->label());
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(watched.isNull());
        QCOMPARE(tabs().size(), 1);
    }

    // Enter and Escape where a person uses them: the address box goes to
    // its text, the find bar finds and closes, the dialogs close.
    void enterAndEscape()
    {
        frmBrowser *tab = front();
        const qsizetype before = fake(tab)->calls().size();
        focusIn(Focus::AddressBox);
        UserInput::press(Qt::CTRL | Qt::Key_A);
        UserInput::type(u"http://127.0.0.1:1/essai"_s);
        UserInput::press(Qt::Key_Return);
        QCOMPARE(fake(tab)->calls().mid(before),
                 QStringList {u"Navigate http://127.0.0.1:1/essai"_s});

        focusIn(Focus::Page);
        UserInput::press(Qt::CTRL | Qt::Key_F);
        UserInput::type(u"ab"_s);
        UserInput::press(Qt::Key_Return);
        QCOMPARE(fake(tab)->calls().last(), u"FindText ab"_s);
        UserInput::press(Qt::SHIFT | Qt::Key_Return);
        QCOMPARE(fake(tab)->calls().last(), u"FindText back ab"_s);
        auto *findEdit = tab->findChild<QLineEdit *>(u"findText"_s);
        UserInput::press(Qt::Key_Escape);
        QVERIFY(!findEdit->isVisible());

        UserInput::press(Qt::Key_F11);
        QVERIFY(m_window->Options()->isVisible());
        QVERIFY(QTest::qWaitForWindowActive(m_window->Options()));
        UserInput::press(Qt::Key_Escape);
        QVERIFY(!m_window->Options()->isVisible());

        for (const Qt::Key closing : {Qt::Key_Return, Qt::Key_Escape}) {
            UserInput::windowManagerActivates(m_window.get());
            UserInput::press(Qt::Key_F1);
            QVERIFY(m_window->About());
            QVERIFY(m_window->About()->isVisible());
            QVERIFY(QTest::qWaitForWindowActive(m_window->About()));
            UserInput::press(closing);
            QVERIFY(!m_window->About()->isVisible());
        }
    }
};

QTEST_MAIN(TestUserActions)
#include "tst_useractions.moc"
