// The floor: the least a tabbed program on this engine does. One window
// holding its views one above the other, only the current one shown, all on
// one profile that keeps nothing on disk. A page that asks for a new window
// gets a new view, which becomes the current one. The bench drives it
// through Channel.
//
// Commands:
//   new ADDRESS    point the link of the first view's page at ADDRESS and
//                  click it; answers "opened T0 RETURNED" at once, "created
//                  START END" when the engine has asked for the new window
//                  and its view is made, then "loaded T ok". Started with
//                  --fresh-pages, the floor makes the new view itself and
//                  loads ADDRESS in it: a page of its own, with a renderer of
//                  its own, as a browser's new tab has.
//   close          delete the view the click opened; answers "closed deleted"
//   fill N ADDRESS [MS]
//                  add views loading ADDRESS until N are open, each loaded
//                  and then on screen for MS before the next; answers
//                  "filled N VISIBLE_PAGES"
//   switch N SEED  make N views chosen at random the current one; answers
//                  "click ..." for each, as the browser does, then "switched"
//   trim           give the heap's free memory back to the system;
//                  answers "trimmed"
//   quit
// Times are nanoseconds of the monotonic clock.

#include "Channel.h"
#include "Clock.h"
#include "PaintWatch.h"

#include <QApplication>
#include <QPointer>
#include <QRandomGenerator>
#include <QStackedWidget>
#include <QTest>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineView>

#include <cstdio>

namespace {

class Floor;

class FloorView : public QWebEngineView
{
public:
    FloorView(QWebEngineProfile *profile, Floor *floor);

protected:
    QWebEngineView *createWindow(QWebEnginePage::WebWindowType type) override;

private:
    Floor *m_floor;
};

class Floor : public QStackedWidget
{
public:
    Floor(QWebEngineProfile *profile, bool allVisible, bool freshPages)
        : m_profile(profile)
        , m_allVisible(allVisible)
        , m_freshPages(freshPages)
    {
    }

    FloorView *addView()
    {
        auto *view = new FloorView(m_profile, this);
        addWidget(view);
        setCurrentWidget(view);
        // A trial: the views behind the current one stay shown, covered by
        // it, as the child windows of a multiple-document area are.
        if (m_allVisible) {
            for (int i = 0; i < count(); ++i)
                widget(i)->show();
            view->raise();
        }
        return view;
    }

    static bool waitLoaded(QWebEngineView *view, int timeoutMs)
    {
        bool loaded = false;
        const QMetaObject::Connection connection = QObject::connect(
            view->page(), &QWebEnginePage::loadFinished, view, [&](bool ok) { loaded = ok; });
        const bool done = waitUntil([&] { return loaded; }, timeoutMs);
        QObject::disconnect(connection);
        return done;
    }

    // The engine asks for the window the click opens.
    QWebEngineView *openWindow()
    {
        const qint64 start = monotonicNs();
        FloorView *view = addView();
        const qint64 end = monotonicNs();
        m_opened = view;
        QWebEnginePage *page = view->page();
        auto *watch = new QObject(page);
        const QUrl expected = m_expected;
        QObject::connect(
            page, &QWebEnginePage::loadFinished, watch, [page, watch, expected](bool ok) {
                if (page->url() != expected)
                    return;
                Channel::answer(QStringLiteral("loaded %1 %2").arg(monotonicNs()).arg(ok ? 1 : 0));
                watch->deleteLater();
            });
        Channel::answer(QStringLiteral("created %1 %2").arg(start).arg(end));
        return view;
    }

    void handle(const QStringList &words)
    {
        const QString &command = words.constFirst();
        if (command == QLatin1String("new") && words.size() == 2)
            m_freshPages ? openOwnPage(words.at(1)) : clickLink(words.at(1));
        else if (command == QLatin1String("close"))
            closeOpened();
        else if (command == QLatin1String("fill") && (words.size() == 3 || words.size() == 4))
            fill(words.at(1).toInt(), words.at(2), words.value(3).toInt());
        else if (command == QLatin1String("switch") && words.size() == 3)
            switchViews(words.at(1).toInt(), words.at(2).toUInt());
        else if (command == QLatin1String("trim"))
            trimHeap();
        else if (command == QLatin1String("quit"))
            QCoreApplication::quit();
        else
            Channel::answer(QStringLiteral("error unknown command: ") + words.join(u' '));
    }

private:
    void clickLink(const QString &address)
    {
        auto *opener = qobject_cast<QWebEngineView *>(widget(0));
        if (count() != 1 || !opener || !opener->focusProxy()) {
            Channel::answer(QStringLiteral("error the first view is not the only one"));
            return;
        }
        bool pointed = false;
        opener->page()->runJavaScript(
            QStringLiteral("document.getElementById('l').href = '%1'").arg(address),
            [&pointed](const QVariant &) { pointed = true; });
        if (!waitUntil([&] { return pointed; }, 10000)) {
            Channel::answer(QStringLiteral("error the link could not be pointed"));
            return;
        }
        m_expected = QUrl(address);
        QWidget *target = opener->focusProxy();
        const qint64 start = monotonicNs();
        QTest::mouseClick(target, Qt::LeftButton, Qt::KeyboardModifiers(), target->rect().center());
        const qint64 returned = monotonicNs();
        Channel::answer(QStringLiteral("opened %1 %2").arg(start).arg(returned));
    }

    // As "new", answered the same way, but the floor makes the new view
    // itself and loads the address in it.
    void openOwnPage(const QString &address)
    {
        if (count() != 1) {
            Channel::answer(QStringLiteral("error the first view is not the only one"));
            return;
        }
        m_expected = QUrl(address);
        const qint64 start = monotonicNs();
        Channel::answer(QStringLiteral("opened %1 %2").arg(start).arg(monotonicNs()));
        openWindow()->load(m_expected);
    }

    void closeOpened()
    {
        QPointer<QWebEngineView> view = m_opened;
        if (!view) {
            Channel::answer(QStringLiteral("error no view to close"));
            return;
        }
        QPointer<QWebEnginePage> page = view->page();
        removeWidget(view);
        delete view;
        setCurrentIndex(0);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        Channel::answer(QStringLiteral("closed ")
                        + (page ? QStringLiteral("kept") : QStringLiteral("deleted")));
    }

    void fill(int views, const QString &address, int lookMs)
    {
        while (count() < views) {
            FloorView *view = addView();
            view->load(QUrl(address));
            if (!waitLoaded(view, 60000)) {
                Channel::answer(QStringLiteral("error view %1 did not load").arg(count()));
                return;
            }
            QTest::qWait(lookMs);
        }
        int visible = 0;
        for (int i = 0; i < count(); ++i)
            visible += static_cast<QWebEngineView *>(widget(i))->page()->isVisible() ? 1 : 0;
        Channel::answer(QStringLiteral("filled %1 %2").arg(count()).arg(visible));
    }

    // As the browser's panel clicks, measured the same way: another view,
    // chosen at random, becomes the current one.
    void switchViews(int switches, quint32 seed)
    {
        QRandomGenerator random(seed);
        PaintWatch watch;
        qApp->installEventFilter(&watch);
        for (int round = 1; round <= switches; ++round) {
            int index = currentIndex();
            while (index == currentIndex())
                index = random.bounded(count());
            auto *view = static_cast<QWebEngineView *>(widget(index));
            QWidget *pageView = view->focusProxy() ? view->focusProxy() : view;
            watch.arm(this, view, pageView);
            const qint64 start = monotonicNs();
            setCurrentIndex(index);
            const qint64 returned = monotonicNs();
            waitUntil([&] { return watch.windowDrawn != 0; }, 2000);
            waitUntil([] { return false; }, 300);
            watch.disarm();
            const auto since = [start](qint64 stamp) {
                return stamp ? QString::number(stamp - start) : QStringLiteral("-");
            };
            Channel::answer(QStringLiteral("click %1 1 %2 %3 %4 %5 %6 %7 %8")
                                .arg(round)
                                .arg(since(returned), since(returned), since(watch.firstInTab),
                                     since(watch.firstOfView), since(watch.lastOfView))
                                .arg(watch.viewPaints)
                                .arg(since(watch.windowDrawn)));
        }
        qApp->removeEventFilter(&watch);
        Channel::answer(QStringLiteral("switched ")
                        + QString::fromLatin1(widget(0)->focusProxy()->metaObject()->className()));
    }

    QWebEngineProfile *m_profile;
    bool m_allVisible;
    bool m_freshPages;
    QPointer<QWebEngineView> m_opened;
    QUrl m_expected;
};

FloorView::FloorView(QWebEngineProfile *profile, Floor *floor)
    : QWebEngineView(profile, floor)
    , m_floor(floor)
{
}

QWebEngineView *FloorView::createWindow(QWebEnginePage::WebWindowType)
{
    return m_floor->openWindow();
}

} // namespace

int main(int argc, char *argv[])
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    const QString page = argumentValue(arguments, QStringLiteral("--page"));
    const QStringList size
        = argumentValue(arguments, QStringLiteral("--size"), QStringLiteral("1024x768"))
              .split(QLatin1Char('x'));
    if (page.isEmpty() || size.size() != 2) {
        std::fprintf(stderr,
                     "usage: %s --page ADDRESS [--size WxH] [--all-visible] [--fresh-pages]\n",
                     argv[0]);
        return 2;
    }

    int qtArgc = 1;
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(qtArgc, argv);
    QWebEngineProfile profile;
    Floor floor(&profile, arguments.contains(QStringLiteral("--all-visible")),
                arguments.contains(QStringLiteral("--fresh-pages")));
    floor.resize(size.at(0).toInt(), size.at(1).toInt());
    // On a display it shares with the browser, the floor must not take the
    // focus the browser's F12 needs; its clicks reach its view directly.
    floor.setAttribute(Qt::WA_ShowWithoutActivating);
    FloorView *first = floor.addView();
    first->load(QUrl(page));
    floor.show();
    if (!Floor::waitLoaded(first, 60000)) {
        Channel::answer(QStringLiteral("error the first view did not load"));
        return 1;
    }
    Channel::answer(QStringLiteral("ready %1 %2 click").arg(first->width()).arg(first->height()));
    Channel channel;
    QObject::connect(&channel, &Channel::command, &floor, &Floor::handle);
    return app.exec();
}
