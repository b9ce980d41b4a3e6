// The browser under test: its real main window on the real engine, set up
// as the program sets itself up, with the bench's hands on it. The bench
// drives it through Channel.
//
// Commands:
//   new ADDRESS    write ADDRESS as the start address, press F12; answers
//                  "opened T0 HANDLED MADE_START MADE_END SHOWN F12|mNew"
//                  at once (mNew: the window was not active, the action ran),
//                  then "loaded T ok" when the new tab's page has loaded
//   popup ADDRESS  point the full-page target=_blank link of the first
//                  tab's page at ADDRESS and click it; answers "opened T0
//                  HANDLED" at once, "created MADE_START MADE_END SHOWN"
//                  when the popup's tab is there, then "loaded T ok"
//   close          unload the tab opened last, delete what it left for
//                  later, make the first tab active again; answers
//                  "closed deleted|kept"
//   fill N ADDRESS [MS]
//                  open tabs on ADDRESS until N are open, each loaded and
//                  then on screen for MS before the next; answers
//                  "filled N VISIBLE_PAGES"
//   switch N SEED  click N panels of the tab strip, chosen at random;
//                  answers "click ..." for each, then "switched"
//   trim           give the heap's free memory back to the system;
//                  answers "trimmed"
//   quit
// Times are nanoseconds of the monotonic clock.

#include "Channel.h"
#include "ChildArguments.h"
#include "Clock.h"
#include "PaintWatch.h"

#include "app/Module1.h"
#include "app/Program.h"
#include "app/frmCV.h"
#include "engine/EngineProfile.h"
#include "engine/WebEngineBrowser.h"
#include "tab/frmBrowser.h"
#include "widgets/Forms.h"
#include "widgets/PanelBar.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPointer>
#include <QRandomGenerator>
#include <QTest>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineView>
#include <QWindow>

#include <cstdio>
#include <memory>

namespace {

WebEngineBrowser *engineOf(const frmBrowser *tab)
{
    return tab ? qobject_cast<WebEngineBrowser *>(tab->browser()) : nullptr;
}

// The settings file as the user leaves it: the start address, then popup
// mode 3, CR LF line ends. Every tab reads it when it loads.
bool writeSettings(const QString &folder, const QString &address)
{
    QFile file(QDir(folder).filePath(QStringLiteral("Corvane.ini")));
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate)
        && file.write(address.toUtf8() + "\r\n3\r\n") > 0 && file.flush();
}

// When the program made the latest tab's browser control.
struct BrowserStamps
{
    qint64 start = 0;
    qint64 end = 0;
};

// The moment the first child window is shown while it is installed.
class ShowWatch : public QObject
{
public:
    qint64 shown = 0;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (!shown && event->type() == QEvent::Show && qobject_cast<QMdiSubWindow *>(watched))
            shown = monotonicNs();
        return false;
    }
};

class Harness : public QObject
{
public:
    Harness(frmCV *window, Forms *forms, QString folder, QString page, BrowserStamps *stamps)
        : m_window(window)
        , m_forms(forms)
        , m_folder(std::move(folder))
        , m_page(std::move(page))
        , m_stamps(stamps)
    {
    }

    bool start()
    {
        frmBrowser *first = m_window->LastTab();
        if (!first || !waitLoaded(first, 60000)) {
            Channel::answer(QStringLiteral("error the first tab did not load"));
            return false;
        }
        m_window->activateWindow();
        waitUntil([this] { return QApplication::activeWindow() == m_window; }, 3000);
        // F12 is a shortcut of the main window: it needs the window active.
        m_useKey = QApplication::activeWindow() == m_window;
        const QWidget *view = engineOf(first)->view();
        Channel::answer(QStringLiteral("ready %1 %2 %3")
                            .arg(view->width())
                            .arg(view->height())
                            .arg(m_useKey ? QStringLiteral("F12") : QStringLiteral("mNew")));
        return true;
    }

    void handle(const QStringList &words)
    {
        const QString &command = words.constFirst();
        if (command == QLatin1String("new") && words.size() == 2)
            openTab(words.at(1));
        else if (command == QLatin1String("popup") && words.size() == 2)
            clickLink(words.at(1));
        else if (command == QLatin1String("close"))
            closeTab();
        else if (command == QLatin1String("fill") && (words.size() == 3 || words.size() == 4))
            fill(words.at(1).toInt(), words.at(2), words.value(3).toInt());
        else if (command == QLatin1String("switch") && words.size() == 3)
            switchPanels(words.at(1).toInt(), words.at(2).toUInt());
        else if (command == QLatin1String("trim"))
            trimHeap();
        else if (command == QLatin1String("quit"))
            QCoreApplication::quit();
        else
            Channel::answer(QStringLiteral("error unknown command: ") + words.join(u' '));
    }

private:
    void pressNewTab(bool byKey)
    {
        if (byKey) {
            QTest::keyClick(m_window, Qt::Key_F12);
            return;
        }
        if (auto *action = m_window->findChild<QAction *>(QStringLiteral("mNew")))
            action->trigger();
    }

    bool waitLoaded(frmBrowser *tab, int timeoutMs)
    {
        QWebEnginePage *page = engineOf(tab)->page();
        bool loaded = false;
        const QMetaObject::Connection connection
            = connect(page, &QWebEnginePage::loadFinished, this, [&](bool ok) { loaded = ok; });
        const bool done = waitUntil([&] { return loaded; }, timeoutMs);
        disconnect(connection);
        return done;
    }

    void openTab(const QString &address)
    {
        if (!writeSettings(m_folder, address)) {
            Channel::answer(QStringLiteral("error cannot write the settings file"));
            return;
        }
        // Another program's window may have taken the focus since (the
        // floor's, on a display both share). Where it cannot be taken back
        // (an X server without a window manager), the command's action runs
        // as F12 would have run it.
        if (m_useKey && QApplication::activeWindow() != m_window) {
            m_window->activateWindow();
            waitUntil([this] { return QApplication::activeWindow() == m_window; }, 1000);
        }
        const bool byKey = m_useKey && QApplication::activeWindow() == m_window;
        const frmBrowser *before = m_window->LastTab();
        *m_stamps = {};
        ShowWatch showWatch;
        qApp->installEventFilter(&showWatch);
        const qint64 start = monotonicNs();
        pressNewTab(byKey);
        const qint64 handled = monotonicNs();
        qApp->removeEventFilter(&showWatch);
        frmBrowser *tab = m_window->LastTab();
        if (!tab || tab == before) {
            Channel::answer(QStringLiteral("error the new-tab command opened no tab"));
            return;
        }
        watchOpened(tab, QUrl(address));
        Channel::answer(QStringLiteral("opened %1 %2 %3 %4 %5 %6")
                            .arg(start)
                            .arg(handled)
                            .arg(m_stamps->start)
                            .arg(m_stamps->end)
                            .arg(showWatch.shown)
                            .arg(byKey ? QStringLiteral("F12") : QStringLiteral("mNew")));
    }

    // The tab opened last answers "loaded" once its page is at expected.
    void watchOpened(frmBrowser *tab, const QUrl &expected)
    {
        m_opened = tab;
        QWebEnginePage *page = engineOf(tab)->page();
        auto *watch = new QObject(page);
        connect(page, &QWebEnginePage::loadFinished, watch, [page, watch, expected](bool ok) {
            if (page->url() != expected)
                return;
            Channel::answer(QStringLiteral("loaded %1 %2").arg(monotonicNs()).arg(ok ? 1 : 0));
            watch->deleteLater();
        });
    }

    // The first tab's page is one target=_blank link over the whole page; a
    // click on it makes the engine ask for a new window, which the tab's
    // popup handling opens in a new tab.
    void clickLink(const QString &address)
    {
        frmBrowser *first = m_forms->of<frmBrowser>().value(0);
        QWebEngineView *view = first ? engineOf(first)->view() : nullptr;
        if (!view || m_forms->of<frmBrowser>().size() != 1) {
            Channel::answer(QStringLiteral("error the first tab is not the only one"));
            return;
        }
        if (!writeSettings(m_folder, m_page)) {
            Channel::answer(QStringLiteral("error cannot write the settings file"));
            return;
        }
        bool pointed = false;
        view->page()->runJavaScript(
            QStringLiteral("document.getElementById('l').href = '%1'").arg(address),
            [&pointed](const QVariant &) { pointed = true; });
        QWidget *target = nullptr;
        if (!waitUntil(
                [&] {
                    target = view->focusProxy();
                    return pointed && target && target->isVisible();
                },
                10000)) {
            Channel::answer(QStringLiteral("error the link could not be pointed"));
            return;
        }
        *m_stamps = {};
        ShowWatch showWatch;
        qApp->installEventFilter(&showWatch);
        const qint64 start = monotonicNs();
        QTest::mouseClick(target, Qt::LeftButton, Qt::KeyboardModifiers(), target->rect().center());
        const qint64 handled = monotonicNs();
        Channel::answer(QStringLiteral("opened %1 %2").arg(start).arg(handled));
        frmBrowser *popup = nullptr;
        waitUntil(
            [&] {
                for (frmBrowser *tab : m_forms->of<frmBrowser>())
                    popup = tab != first ? tab : popup;
                return popup != nullptr;
            },
            10000);
        qApp->removeEventFilter(&showWatch);
        if (!popup) {
            Channel::answer(QStringLiteral("error the click opened no tab"));
            return;
        }
        watchOpened(popup, QUrl(address));
        Channel::answer(QStringLiteral("created %1 %2 %3")
                            .arg(m_stamps->start)
                            .arg(m_stamps->end)
                            .arg(showWatch.shown));
    }

    void closeTab()
    {
        QPointer<frmBrowser> tab = m_opened;
        if (!tab) {
            Channel::answer(QStringLiteral("error no tab to close"));
            return;
        }
        const WebEngineBrowser *browser = engineOf(tab);
        const QPointer<QWebEngineView> view = browser->view();
        const QPointer<QWebEnginePage> page = browser->page();
        const QPointer<QMdiSubWindow> window = tab->subWindow();
        tab->Unload();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        if (frmBrowser *first = m_forms->of<frmBrowser>().value(0))
            m_window->mdiArea()->setActiveSubWindow(first->subWindow());
        const bool deleted = !tab && !view && !page && !window;
        Channel::answer(QStringLiteral("closed ")
                        + (deleted ? QStringLiteral("deleted") : QStringLiteral("kept")));
    }

    void fill(int count, const QString &address, int lookMs)
    {
        if (!writeSettings(m_folder, address)) {
            Channel::answer(QStringLiteral("error cannot write the settings file"));
            return;
        }
        while (Module1::CountTabs(*m_forms) < count) {
            const frmBrowser *before = m_window->LastTab();
            m_window->mNew_Click();
            frmBrowser *tab = m_window->LastTab();
            if (!tab || tab == before || !waitLoaded(tab, 60000)) {
                Channel::answer(QStringLiteral("error tab %1 did not open and load")
                                    .arg(Module1::CountTabs(*m_forms)));
                return;
            }
            QTest::qWait(lookMs);
        }
        int visible = 0;
        for (const frmBrowser *tab : m_forms->of<frmBrowser>())
            visible += engineOf(tab)->page()->isVisible() ? 1 : 0;
        Channel::answer(
            QStringLiteral("filled %1 %2").arg(Module1::CountTabs(*m_forms)).arg(visible));
    }

    void switchPanels(int clicks, quint32 seed)
    {
        QMdiArea *area = m_window->mdiArea();
        QRandomGenerator random(seed);
        PaintWatch watch;
        qApp->installEventFilter(&watch);
        for (int click = 1; click <= clicks; ++click) {
            const QList<frmBrowser *> tabs = m_forms->of<frmBrowser>();
            frmBrowser *target = nullptr;
            while (!target || target->subWindow() == area->activeSubWindow())
                target = tabs.at(random.bounded(int(tabs.size())));
            Panel *panel = Module1::GetTabPanel(*m_forms, QString::number(target->getID()));
            QWebEngineView *view = engineOf(target)->view();
            QWidget *pageView = view->focusProxy() ? view->focusProxy() : view;
            if (!panel) {
                Channel::answer(QStringLiteral("error tab %1 has no panel").arg(target->getID()));
                break;
            }
            qint64 activated = 0;
            const QMetaObject::Connection connection
                = connect(area, &QMdiArea::subWindowActivated, this, [&](QMdiSubWindow *window) {
                      if (window == target->subWindow() && !activated)
                          activated = monotonicNs();
                  });
            watch.arm(m_window, target->subWindow(), pageView);
            QLabel *label = panel->label();
            const qint64 start = monotonicNs();
            QTest::mouseClick(label, Qt::LeftButton, Qt::KeyboardModifiers(),
                              label->rect().center());
            const qint64 returned = monotonicNs();
            const bool active = area->activeSubWindow() == target->subWindow();
            // Later paints of the view come with frames the engine sends.
            waitUntil([&] { return watch.windowDrawn != 0; }, 2000);
            waitUntil([] { return false; }, 300);
            watch.disarm();
            disconnect(connection);
            const auto since = [start](qint64 stamp) {
                return stamp ? QString::number(stamp - start) : QStringLiteral("-");
            };
            Channel::answer(QStringLiteral("click %1 %2 %3 %4 %5 %6 %7 %8 %9")
                                .arg(click)
                                .arg(active ? 1 : 0)
                                .arg(since(activated), since(returned), since(watch.firstInTab),
                                     since(watch.firstOfView), since(watch.lastOfView))
                                .arg(watch.viewPaints)
                                .arg(since(watch.windowDrawn)));
        }
        qApp->removeEventFilter(&watch);
        const frmBrowser *any = m_forms->of<frmBrowser>().constFirst();
        const QWebEngineView *view = engineOf(any)->view();
        Channel::answer(
            QStringLiteral("switched ")
            + QString::fromLatin1(
                (view->focusProxy() ? view->focusProxy() : view)->metaObject()->className()));
    }

    frmCV *m_window;
    Forms *m_forms;
    QString m_folder;
    QString m_page;
    BrowserStamps *m_stamps;
    QPointer<frmBrowser> m_opened;
    bool m_useKey = false;
};

} // namespace

int main(int argc, char *argv[])
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    const QString folder = argumentValue(arguments, QStringLiteral("--folder"));
    const QString page = argumentValue(arguments, QStringLiteral("--page"));
    if (folder.isEmpty() || page.isEmpty()) {
        std::fprintf(stderr,
                     "usage: %s --page ADDRESS [--engine-switch SWITCH]... [--no-site-isolation] "
                     "--folder DIR\n",
                     argv[0]);
        return 2;
    }
    if (!writeSettings(folder, page)) {
        std::fprintf(stderr, "cannot write the settings file in %s\n", qPrintable(folder));
        return 1;
    }

    // As the program starts: Qt sees the program's arguments, the same
    // attribute, names, locale and translation; the pages' questions are
    // answered "no" at once.
    Program::Arguments qtArguments = childApplicationArguments(argv[0], arguments);
    Program::prepareApplication();
    QApplication app(qtArguments.count(), qtArguments.values());
    Program::setUpApplication();
    // A profile that keeps nothing, so that no run finds what an earlier one
    // left; the pages go with the program, before it.
    const std::unique_ptr<QWebEngineProfile> profile(EngineProfile::createOffTheRecord());
    BrowserStamps stamps;
    Program::Options options;
    options.profile = profile.get();
    options.askQuestions = false;
    options.beforeCreate = [&stamps] {
        stamps.start = monotonicNs();
    };
    options.afterCreate = [&stamps] {
        stamps.end = monotonicNs();
    };
    Program program(ProgramFolder(folder), options);
    frmCV &window = program.window();
    Forms &forms = program.forms();

    Harness harness(&window, &forms, folder, page, &stamps);
    if (!harness.start())
        return 1;
    Channel channel;
    QObject::connect(&channel, &Channel::command, &harness, &Harness::handle);
    return app.exec();
}
