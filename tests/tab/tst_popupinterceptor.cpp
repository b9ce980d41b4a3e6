#include "support/FakeBrowser.h"
#include "support/MainWindowFixture.h"
#include "support/TabStrip.h"
#include "support/TestPlatform.h"
#include "support/UserInput.h"

#include "app/Module1.h"
#include "app/frmCV.h"
#include "tab/PopupInterceptor.h"
#include "tab/frmBrowser.h"
#include "widgets/PanelBar.h"

#include <QComboBox>
#include <QDialog>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPointer>
#include <QTest>

#include <memory>

using namespace Qt::StringLiterals;
using PopupDecision::Burst;
using PopupDecision::Step;

Q_DECLARE_METATYPE(Burst)
Q_DECLARE_METATYPE(Step)

namespace {

const QUrl PopupUrl(u"http://127.0.0.1/popup"_s);

enum class Shown { Nothing, Question, Limit };
enum class UserAction {
    None,
    ClickOnPage,
    KeyInAddressBox,
    UserInitiatedRequest,
    ClickInOtherTab,
    KeyInTabsDialog,
};
enum class Closing { OpenerUnloaded, OpenerDeleted, MainWindowClosed, MainWindowDeleted };

} // namespace

Q_DECLARE_METATYPE(Shown)
Q_DECLARE_METATYPE(UserAction)
Q_DECLARE_METATYPE(Closing)

// A page's requests for new windows, through the handler every tab installs
// on its browser control, in a real main window with fake browsers.
class TestPopupInterceptor : public QObject, public MainWindowFixture
{
    Q_OBJECT

    MessageBoxAnswerer &messageBox() const { return m_platform->messageBox; }

    QStringList keys() const { return TabStrip::keys(m_window->Bar()); }
    QList<int> insetPanels() const
    {
        QList<int> inset;
        for (const Panel *panel : m_window->Bar()->panels()) {
            if (panel->bevel() == Panel::Bevel::Inset)
                inset.append(panel->index());
        }
        return inset;
    }
    // Asks from the page of the tab with that ID.
    NewWindowRequest request(qint16 id, bool userInitiated = false)
    {
        return fake(tab(id))->raiseNewWindow2(PopupUrl, userInitiated);
    }
    QList<Shown> shown() const
    {
        QList<Shown> shown;
        for (const MessageBox::Request &request : messageBox().requests()) {
            if (request.text == u"Popup intercepté, l'afficher ?"
                && request.title == u"Popup Interceptor"
                && request.icon == MessageBox::Icon::Information
                && request.buttons == MessageBox::Buttons::YesNo)
                shown.append(Shown::Question);
            else if (request.text == u"Le nombre maximal de Tabs est atteint, désolé !"
                     && request.title == u"Attention"
                     && request.icon == MessageBox::Icon::Information
                     && request.buttons == MessageBox::Buttons::Ok)
                shown.append(Shown::Limit);
            else
                qWarning("unexpected message: %s", qPrintable(request.text));
        }
        return shown;
    }

private Q_SLOTS:
    void init() { startTest(); }
    void cleanup() { endTest(); }

    void decide_data()
    {
        QTest::addColumn<QString>("mode");
        QTest::addColumn<int>("tabs");
        QTest::addColumn<Burst>("burst");
        QTest::addColumn<bool>("userInitiated");
        QTest::addColumn<Step>("step");
        const auto row = [](const char *name, const QString &mode, int tabs, Burst burst, bool user,
                            Step step) {
            QTest::newRow(name) << mode << tabs << burst << user << step;
        };
        // Block mode counts nothing and says nothing.
        row("block", u"1"_s, 1, Burst::Fresh, true, Step::Refuse);
        row("block, 16 tabs", u"1"_s, 16, Burst::Fresh, false, Step::Refuse);
        row("block after Oui", u"1"_s, 3, Burst::AfterYes, false, Step::Refuse);
        row("block written 01", u"01"_s, 3, Burst::Fresh, false, Step::Refuse);
        row("ask", u"2"_s, 15, Burst::Fresh, false, Step::Ask);
        row("ask written with blanks", u" 2 "_s, 3, Burst::Fresh, false, Step::Ask);
        row("ask, 16 tabs", u"2"_s, 16, Burst::Fresh, false, Step::TellLimit);
        row("ask, 17 tabs", u"2"_s, 17, Burst::Fresh, false, Step::TellLimit);
        row("allow", u"3"_s, 15, Burst::Fresh, false, Step::Open);
        row("allow, 16 tabs", u"3"_s, 16, Burst::Fresh, false, Step::TellLimit);
        row("allow, empty mode", QString(), 1, Burst::Fresh, false, Step::Open);
        row("allow, not a number", u"deux"_s, 1, Burst::Fresh, false, Step::Open);
        row("allow, 12", u"12"_s, 1, Burst::Fresh, false, Step::Open);
        // The rest of a burst follows the box it raised.
        row("ask after Oui", u"2"_s, 15, Burst::AfterYes, false, Step::Open);
        row("ask after Oui, 16 tabs", u"2"_s, 16, Burst::AfterYes, false, Step::Refuse);
        row("ask after Non", u"2"_s, 3, Burst::AfterRefusal, false, Step::Refuse);
        row("allow after the limit", u"3"_s, 3, Burst::AfterRefusal, false, Step::Refuse);
        row("allow after Oui, 16 tabs", u"3"_s, 16, Burst::AfterYes, false, Step::Refuse);
        row("ask while asking", u"2"_s, 3, Burst::Waiting, false, Step::Refuse);
        row("allow while telling the limit", u"3"_s, 3, Burst::Waiting, false, Step::Refuse);
        // What the user asks for gets the whole rule again.
        row("ask after Non, user's request", u"2"_s, 3, Burst::AfterRefusal, true, Step::Ask);
        row("ask after Oui, user's request", u"2"_s, 3, Burst::AfterYes, true, Step::Ask);
        row("allow after the limit, user's request", u"3"_s, 3, Burst::AfterRefusal, true,
            Step::Open);
        row("ask after Oui, 16 tabs, user's request", u"2"_s, 16, Burst::AfterYes, true,
            Step::TellLimit);
    }
    void decide()
    {
        QFETCH(QString, mode);
        QFETCH(int, tabs);
        QFETCH(Burst, burst);
        QFETCH(bool, userInitiated);
        QFETCH(Step, step);
        QCOMPARE(PopupDecision::decide(mode, qint16(tabs), burst, userInitiated), step);
    }

    void after_data()
    {
        QTest::addColumn<Burst>("burst");
        QTest::addColumn<Step>("step");
        QTest::addColumn<int>("answer");
        QTest::addColumn<Burst>("result");
        QTest::newRow("Oui") << Burst::Waiting << Step::Ask << int(MessageBox::Yes)
                             << Burst::AfterYes;
        QTest::newRow("Non") << Burst::Waiting << Step::Ask << int(MessageBox::No)
                             << Burst::AfterRefusal;
        QTest::newRow("question closed")
            << Burst::Waiting << Step::Ask << int(MessageBox::Ok) << Burst::AfterRefusal;
        QTest::newRow("limit") << Burst::AfterYes << Step::TellLimit << int(MessageBox::Ok)
                               << Burst::AfterRefusal;
        QTest::newRow("opened, no box")
            << Burst::AfterYes << Step::Open << int(MessageBox::Ok) << Burst::AfterYes;
        QTest::newRow("opened in a fresh burst")
            << Burst::Fresh << Step::Open << int(MessageBox::Ok) << Burst::Fresh;
        QTest::newRow("refused, no box")
            << Burst::AfterRefusal << Step::Refuse << int(MessageBox::Ok) << Burst::AfterRefusal;
    }
    void after()
    {
        QFETCH(Burst, burst);
        QFETCH(Step, step);
        QFETCH(int, answer);
        QFETCH(Burst, result);
        QCOMPARE(PopupDecision::after(burst, step, MessageBox::Answer(answer)), result);
    }

    // Mode and tab count decide, through the message boxes.
    void modeAndLimit_data()
    {
        QTest::addColumn<QString>("mode");
        QTest::addColumn<int>("tabs");
        QTest::addColumn<int>("answer");
        QTest::addColumn<Shown>("box");
        QTest::addColumn<bool>("opens");
        const int none = MessageBox::Ok;
        QTest::newRow("block") << u"1"_s << 1 << none << Shown::Nothing << false;
        QTest::newRow("block, 16 tabs") << u"1"_s << 16 << none << Shown::Nothing << false;
        QTest::newRow("block written 01") << u"01"_s << 2 << none << Shown::Nothing << false;
        QTest::newRow("ask, 15 tabs, Oui")
            << u"2"_s << 15 << int(MessageBox::Yes) << Shown::Question << true;
        QTest::newRow("ask, 15 tabs, Non")
            << u"2"_s << 15 << int(MessageBox::No) << Shown::Question << false;
        QTest::newRow("ask, 16 tabs") << u"2"_s << 16 << none << Shown::Limit << false;
        QTest::newRow("allow, 15 tabs") << u"3"_s << 15 << none << Shown::Nothing << true;
        QTest::newRow("allow, 16 tabs") << u"3"_s << 16 << none << Shown::Limit << false;
        QTest::newRow("first run, no settings") << QString() << 1 << none << Shown::Nothing << true;
    }
    void modeAndLimit()
    {
        QFETCH(QString, mode);
        QFETCH(int, tabs);
        QFETCH(int, answer);
        QFETCH(Shown, box);
        QFETCH(bool, opens);

        openTabs(tabs);
        Module1::PopupMode = mode;
        messageBox().queueAnswer(MessageBox::Answer(answer));
        const QList<frmBrowser *> before = forms().of<frmBrowser>();
        const QStringList keysBefore = keys();
        frmBrowser *lastTab = m_window->LastTab();
        const qint16 lastTabID = m_window->LastTabID();

        const NewWindowRequest result = request(1);

        QCOMPARE(shown(), box == Shown::Nothing ? QList<Shown>() : QList<Shown> {box});
        QCOMPARE(result.Cancel, !opens);
        // The main window's record of the tab it opened last stays.
        QCOMPARE(m_window->LastTab(), lastTab);
        QCOMPARE(m_window->LastTabID(), lastTabID);
        QList<frmBrowser *> after = forms().of<frmBrowser>();
        if (!opens) {
            QCOMPARE(after, before);
            QCOMPARE(keys(), keysBefore);
            return;
        }
        QCOMPARE(after.size(), before.size() + 1);
        frmBrowser *popup = after.last();
        QVERIFY(!before.contains(popup));
        QCOMPARE(result.ppDisp, popup->browser());
        QVERIFY(popup->browser()->RegisterAsBrowser());
        QVERIFY(!fake(tab(1))->RegisterAsBrowser());
        QCOMPARE(popup->getID(), qint16(tabs + 1));
        QCOMPARE(keys(), keysBefore + QStringList {QString::number(tabs + 1)});
    }

    // The popup's tab: loaded, keyed above the largest ID even with lower
    // ones free, at the right end of the strip, the one in front; its
    // caption counts every loaded window but the main window.
    void popupTabTakesItsPlace()
    {
        openTabs(4);
        Module1::UnloadTabByID(forms(), 2);
        Module1::UnloadTabByID(forms(), 3);
        QCOMPARE(ids(), (QList<qint16> {1, 4}));
        frmBrowser *lastTab = m_window->LastTab();
        QDialog dialog;
        forms().load(&dialog);

        const NewWindowRequest result = request(1);

        QVERIFY(!result.Cancel);
        QCOMPARE(ids(), (QList<qint16> {1, 4, 5}));
        frmBrowser *popup = tab(5);
        QCOMPARE(result.ppDisp, popup->browser());
        QVERIFY(popup->isLoaded());
        // Its load asked for its start page before the popup's content came.
        QCOMPARE(fake(popup)->navigations().size(), 1);
        QCOMPARE(keys(), (QStringList {u"1"_s, u"4"_s, u"5"_s}));
        QCOMPARE(insetPanels(), QList<int> {3});
        QCOMPARE(m_window->mdiArea()->activeSubWindow(), popup->subWindow());
        // The main window, three tabs and the dialog.
        QCOMPARE(popup->caption(), u"4"_s);
        Panel *panel = m_window->Bar()->panel(3);
        QCOMPARE(panel->text(), u"4"_s);
        QCOMPARE(panel->alignment(), Panel::Alignment::Center);
        QCOMPARE(Module1::PanelCount, qint16(3));
        QCOMPARE(m_window->LastTab(), lastTab);
        QCOMPARE(m_window->LastTabID(), qint16(4));
        forms().unload(&dialog);

        // From then on it is a tab like any other.
        Module1::UnloadTabByID(forms(), 5);
        QCOMPARE(keys(), (QStringList {u"1"_s, u"4"_s}));
    }

    // Once a page has loaded, the tab the next popup opens in is made ahead,
    // neither loaded nor shown; the popup takes it, and the main window
    // keeps its image until the popup's page has loaded. That load has the
    // next one made.
    void popupOpensInTheTabMadeAhead()
    {
        startUp();
        Module1::PopupMode = u"3"_s;
        const NewWindowTabs &tabs = m_window->newWindowTabs();
        QVERIFY(!tabs.waiting());
        fake(tab(1))->raiseDownloadComplete();
        const QPointer<const frmBrowser> ahead = tabs.waiting();
        QVERIFY(ahead);
        QVERIFY(!ahead->isLoaded());
        QVERIFY(!ahead->isVisible());
        QVERIFY(fake(ahead)->navigations().isEmpty());
        QCOMPARE(forms().of<frmBrowser>().size(), 1);
        // A second load makes no second one.
        fake(tab(1))->raiseDownloadComplete();
        QCOMPARE(tabs.waiting(), ahead.data());

        const NewWindowRequest result = request(1);

        QVERIFY(!result.Cancel);
        frmBrowser *popup = tab(2);
        QCOMPARE(static_cast<const frmBrowser *>(popup), ahead.data());
        QCOMPARE(result.ppDisp, popup->browser());
        QVERIFY(popup->isLoaded());
        QCOMPARE(m_window->mdiArea()->activeSubWindow(), popup->subWindow());
        QCOMPARE(keys(), (QStringList {u"1"_s, u"2"_s}));
        QVERIFY(!tabs.waiting());
        QVERIFY(tabs.holding());
        QVERIFY(!m_window->updatesEnabled());
        QVERIFY(!popup->updatesEnabled());

        fake(popup)->raiseDownloadComplete();
        QVERIFY(!tabs.holding());
        QVERIFY(m_window->updatesEnabled());
        QVERIFY(popup->updatesEnabled());
        QVERIFY(tabs.waiting());
        QVERIFY(tabs.waiting() != popup);
    }

    // A popup whose page never loads holds the main window's image for a
    // moment only; one whose tab closes at once, too.
    void heldImageComesBackWithoutALoad_data()
    {
        QTest::addColumn<bool>("closed");
        QTest::newRow("page still loading") << false;
        QTest::newRow("tab closed") << true;
    }
    void heldImageComesBackWithoutALoad()
    {
        QFETCH(bool, closed);
        startUp();
        Module1::PopupMode = u"3"_s;
        const NewWindowRequest result = request(1);
        QVERIFY(!result.Cancel);
        QVERIFY(!m_window->updatesEnabled());
        if (closed)
            tab(2)->Unload();
        QTRY_VERIFY_WITH_TIMEOUT(m_window->updatesEnabled(), 2000);
        QVERIFY(!m_window->newWindowTabs().holding());
    }

    // No tab waits while the strip is full: the one made with fifteen tabs
    // open goes once a sixteenth has loaded, and is made again when a tab
    // has closed and a page loads. A waiting tab goes with the main window.
    void noTabWaitsWhenTheStripIsFull()
    {
        openTabs(15);
        const NewWindowTabs &tabs = m_window->newWindowTabs();
        fake(tab(15))->raiseDownloadComplete();
        const QPointer<const frmBrowser> ahead = tabs.waiting();
        QVERIFY(ahead);

        m_window->mNew_Click();
        fake(tab(16))->raiseDownloadComplete();
        QVERIFY(!tabs.waiting());
        QTRY_VERIFY(!ahead);

        Module1::UnloadTabByID(forms(), 16);
        fake(tab(1))->raiseDownloadComplete();
        const QPointer<const frmBrowser> again = tabs.waiting();
        QVERIFY(again);
        m_window.reset();
        QVERIFY(!again);
    }

    // A burst raises one box at most; a new action of the user's in the tab
    // (or a request the user made) ends it.
    void burstAsksOnce_data()
    {
        QTest::addColumn<QString>("mode");
        QTest::addColumn<UserAction>("action");
        QTest::addColumn<QList<Shown>>("boxes");
        QTest::addColumn<int>("opened");
        const QList<Shown> one {Shown::Question};
        const QList<Shown> two {Shown::Question, Shown::Question};
        // Non to the first question; the second, when there is one, gets
        // Oui and the two requests after it open silently.
        QTest::newRow("no action") << u"2"_s << UserAction::None << one << 0;
        QTest::newRow("click on the page") << u"2"_s << UserAction::ClickOnPage << two << 3;
        QTest::newRow("key in the address box")
            << u"2"_s << UserAction::KeyInAddressBox << two << 3;
        QTest::newRow("request the user made")
            << u"2"_s << UserAction::UserInitiatedRequest << two << 3;
        QTest::newRow("click in another tab") << u"2"_s << UserAction::ClickInOtherTab << one << 0;
        // A dialog of the tab's (a page's alert, say) is a window of its own.
        QTest::newRow("key in a dialog of the tab's")
            << u"2"_s << UserAction::KeyInTabsDialog << one << 0;
    }
    void burstAsksOnce()
    {
        QFETCH(QString, mode);
        QFETCH(UserAction, action);
        QFETCH(QList<Shown>, boxes);
        QFETCH(int, opened);

        openTabs(2);
        // The asking tab in front, where a person can click in it; for a
        // click in the other tab, that one stays in front.
        if (action != UserAction::ClickInOtherTab) {
            UserInput::click(Module1::GetTabPanel(forms(), u"1"_s)->label());
            QCOMPARE(front(), tab(1));
        }
        Module1::PopupMode = mode;
        messageBox().queueAnswer(MessageBox::No);
        messageBox().queueAnswer(MessageBox::Yes);
        for (int i = 0; i < 3; ++i)
            QVERIFY(request(1).Cancel);
        QCOMPARE(shown(), QList<Shown> {Shown::Question});

        // The tab's control hears of the same actions, for its own questions.
        auto *control = static_cast<FakeBrowser *>(tab(1)->browser());
        const int toldBefore = control->userActions();
        bool userInitiated = false;
        switch (action) {
        case UserAction::None:
            break;
        case UserAction::ClickOnPage:
            UserInput::click(tab(1)->browser()->widget());
            break;
        case UserAction::KeyInAddressBox:
            UserInput::click(tab(1)->findChild<QComboBox *>(u"cboAddress"_s));
            UserInput::press(Qt::Key_A);
            break;
        case UserAction::UserInitiatedRequest:
            userInitiated = true;
            break;
        case UserAction::ClickInOtherTab:
            UserInput::click(tab(2)->browser()->widget());
            break;
        case UserAction::KeyInTabsDialog: {
            QDialog dialog(tab(1));
            dialog.show();
            QVERIFY(QTest::qWaitForWindowExposed(&dialog));
            UserInput::pressIn(&dialog, Qt::Key_A);
            break;
        }
        }
        QCOMPARE(control->userActions() > toldBefore,
                 action == UserAction::ClickOnPage || action == UserAction::KeyInAddressBox);
        request(1, userInitiated);
        request(1);
        request(1);
        QCOMPARE(shown(), boxes);
        QCOMPARE(Module1::CountTabs(forms()), qint16(2 + opened));
    }

    // What the page asks for while the question is on screen belongs to the
    // burst, whose answer is not known yet: it is refused without a word.
    void requestWhileAsking()
    {
        openTabs(1);
        Module1::PopupMode = u"2"_s;
        QList<NewWindowRequest> meanwhile;
        messageBox().setWhileOpen([&](const MessageBox::Request &) {
            if (meanwhile.isEmpty())
                meanwhile.append(request(1, true));
        });
        const NewWindowRequest first = request(1);
        QCOMPARE(shown(), QList<Shown> {Shown::Question});
        QCOMPARE(meanwhile.size(), 1);
        QVERIFY(meanwhile.first().Cancel);
        QVERIFY(!first.Cancel);
        QCOMPARE(ids(), (QList<qint16> {1, 2}));
    }

    // The question waits while other things happen: the opener or the main
    // window may be gone once it is answered, and the popup with them.
    void closedWhileAsking_data()
    {
        QTest::addColumn<Closing>("closing");
        QTest::newRow("opener unloaded") << Closing::OpenerUnloaded;
        QTest::newRow("opener deleted") << Closing::OpenerDeleted;
        QTest::newRow("main window closed") << Closing::MainWindowClosed;
        QTest::newRow("main window deleted") << Closing::MainWindowDeleted;
    }
    void closedWhileAsking()
    {
        QFETCH(Closing, closing);

        openTabs(3);
        Module1::PopupMode = u"2"_s;
        QPointer<frmBrowser> opener = tab(2);
        QPointer<WebBrowser> openerBrowser = opener->browser();
        messageBox().setWhileOpen([&](const MessageBox::Request &) {
            switch (closing) {
            case Closing::OpenerUnloaded:
                opener->Unload();
                break;
            case Closing::OpenerDeleted:
                opener->Unload();
                // As the box's own event loop would.
                QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
                break;
            case Closing::MainWindowClosed:
                m_window->close();
                break;
            case Closing::MainWindowDeleted:
                m_window.reset();
                break;
            }
        });

        const NewWindowRequest result = fake(opener)->raiseNewWindow2(PopupUrl, false);

        QCOMPARE(shown(), QList<Shown> {Shown::Question});
        QVERIFY(result.Cancel);
        QCOMPARE(result.ppDisp, nullptr);
        switch (closing) {
        case Closing::OpenerUnloaded:
            QCOMPARE(ids(), (QList<qint16> {1, 3}));
            QCOMPARE(keys(), (QStringList {u"1"_s, u"3"_s}));
            break;
        case Closing::OpenerDeleted:
            QVERIFY(!opener && !openerBrowser);
            QCOMPARE(ids(), (QList<qint16> {1, 3}));
            break;
        case Closing::MainWindowClosed:
        case Closing::MainWindowDeleted:
            QCOMPARE(Module1::CountTabs(forms()), qint16(0));
            break;
        }
    }
};

QTEST_MAIN(TestPopupInterceptor)
#include "tst_popupinterceptor.moc"
