// The browser in front of hostile pages: its real main window on the real
// engine, with the program's own dialogs for the pages' questions and its
// own message boxes, which the harness answers as a user would. The bench
// drives it through Channel.
//
// Commands:
//   open ADDRESS [load]  open a tab with ADDRESS as its start address (the
//                        settings file holds the quiet page again once the
//                        tab has read it); answers "opened TABS", with load
//                        once its page has loaded
//   goto ADDRESS         the hostile tab (the one opened last) goes to ADDRESS
//   dialogs N|hold       from now on, answer the pages' dialogs, ticking
//                        "stop the dialogs" in the Nth (0: never); hold:
//                        leave them on screen. Each dialog is reported as
//                        "dialog SEQ OFFERED TICKED MODAL" when it is
//                        answered, or "dialog SEQ OFFERED held MODAL" when
//                        it is left up; MODAL 1 when the dialog, or any
//                        window, held the others back
//   questions refuse [N] from now on, answer the pages' questions (save,
//                        sign-in, certificate, permission) "no" as Escape
//                        does, but accept the first N; each is counted by
//                        its kind
//   questions            the questions shown so far, by kind: "questions
//                        TOTAL SAVE SIGNIN CERTIFICATE OTHER"
//   close                unload the hostile tab; answers "closed TABS"
//   latest               the hostile tab: "latest SAME CAPTIONS", SAME 1
//                        when its caption and panel show its page's current
//                        name, CAPTIONS how often its caption changed
//   stall reset | stall  the worst gap of the main thread since the reset:
//                        "stall WORST_MS OVER_200 TICKS AT_MS OTHER_MS",
//                        AT_MS when the worst gap began, from the reset,
//                        OTHER_MS the worst gap but those in which the
//                        harness opened a tab (mNew_Click)
//   block MS             keep the main thread busy for MS ms (the bench's
//                        check that a stall is seen); answers "blocked"
//   tabs                 "tabs N"
//   boxes                message boxes answered so far:
//                        "boxes LIMIT QUESTIONS OTHER"
//   probe                a script run in the first tab: "probe 1 MS" or
//                        "probe 0 -" when it had not answered within 5 s
//   title                the hostile tab: "title CAPTION PANEL NAME PAINT_MS"
//                        (lengths of its caption, its panel's text and its
//                        page's name; the main window's repaint)
//   crashed              the hostile tab: "crashed 1|0"
//   navigations          how often the hostile tab's page changed its
//                        address, as the engine told the program:
//                        "navigations N"
//   ctrlq                answers "pressing NS ACTIVE_WINDOW", then presses
//                        Ctrl+Q on the main window (made active first when
//                        no window is)
//   quit
// Message boxes are answered with their default button 300 ms after they
// show; the pages' dialogs 150 ms after.

#include "Channel.h"
#include "ChildArguments.h"
#include "Clock.h"

#include "app/Module1.h"
#include "app/Program.h"
#include "engine/EngineProfile.h"
#include "engine/ErrorPages.h"
#include "engine/WebEngineBrowser.h"
#include "tab/PopupInterceptor.h"
#include "tab/frmBrowser.h"
#include "widgets/PanelBar.h"

#include <QApplication>
#include <QCheckBox>
#include <QDialog>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QHash>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QSet>
#include <QTest>
#include <QTimer>
#include <QWebEnginePage>
#include <QWebEngineProfile>

#include <cstdio>
#include <memory>
#include <utility>

namespace {

WebEngineBrowser *engineOf(const frmBrowser *tab)
{
    return tab ? qobject_cast<WebEngineBrowser *>(tab->browser()) : nullptr;
}

// The settings file as the user leaves it: the start address, then the
// popup mode, CR LF line ends. Every tab reads it when it loads.
bool writeSettings(const QString &folder, const QString &address, const QString &popupMode)
{
    QFile file(QDir(folder).filePath(QStringLiteral("Corvane.ini")));
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate)
        && file.write(address.toUtf8() + "\r\n" + popupMode.toUtf8() + "\r\n") > 0 && file.flush();
}

// The longest time the main thread went without running a 5 ms timer. The
// timer fires in every event loop of the thread, the nested ones of a
// message box or a page's dialog among them, so a gap is time spent
// outside any event loop, or inside one that starved its timers.
class StallWatch : public QObject
{
public:
    static constexpr qint64 TargetNs = 200'000'000;

    StallWatch()
    {
        m_timer.setTimerType(Qt::PreciseTimer);
        m_timer.setInterval(5);
        connect(&m_timer, &QTimer::timeout, this, &StallWatch::tick);
        reset();
        m_timer.start();
    }

    // The gap under way holds the harness's opening of a tab.
    void tabOpened() { m_opening = true; }

    void reset()
    {
        m_reset = m_last = monotonicNs();
        m_worstAt = 0;
        m_worstOutsideOpenings = 0;
        m_opening = false;
        m_worst = 0;
        m_over = 0;
        m_ticks = 0;
    }

    QString report()
    {
        tick();
        return QStringLiteral("stall %1 %2 %3 %4 %5")
            .arg(double(m_worst) / 1e6, 0, 'f', 1)
            .arg(m_over)
            .arg(m_ticks)
            .arg(double(m_worstAt - m_reset) / 1e6, 0, 'f', 0)
            .arg(double(m_worstOutsideOpenings) / 1e6, 0, 'f', 1);
    }

private:
    void tick()
    {
        const qint64 now = monotonicNs();
        const qint64 gap = now - m_last;
        m_last = now;
        ++m_ticks;
        if (!std::exchange(m_opening, false))
            m_worstOutsideOpenings = std::max(m_worstOutsideOpenings, gap);
        if (gap > m_worst) {
            m_worst = gap;
            m_worstAt = now - gap;
        }
        if (gap > TargetNs)
            ++m_over;
    }

    QTimer m_timer;
    qint64 m_reset = 0;
    qint64 m_last = 0;
    qint64 m_worst = 0;
    qint64 m_worstAt = 0;
    qint64 m_worstOutsideOpenings = 0;
    bool m_opening = false;
    int m_over = 0;
    int m_ticks = 0;
};

// Answers what comes on screen as a user would, a little after it shows:
// the program's message boxes with their default button, the pages'
// dialogs with their accepting button, ticking the box that stops a page's
// dialogs in the one the bench chose.
class Answerer : public QObject
{
public:
    int limits = 0;
    int questions = 0;
    int others = 0;
    // Which dialog in a row gets the box ticked (0: none); whether dialogs
    // are left on screen.
    int tickAt = 0;
    bool hold = false;
    // The pages' questions answered "no", all but the first acceptFirst.
    bool refuse = false;
    int acceptFirst = 0;
    QHash<QString, int> questionsByTitle;
    int questionTotal = 0;

    Answerer()
    {
        connect(&m_look, &QTimer::timeout, this, &Answerer::look);
        m_look.start(20);
    }

    void release()
    {
        hold = false;
        m_held.clear();
    }

private:
    void look()
    {
        for (QWidget *widget : QApplication::topLevelWidgets()) {
            if (!widget->isVisible() || m_seen.contains(widget))
                continue;
            if (auto *box = qobject_cast<QMessageBox *>(widget)) {
                m_seen.insert(widget);
                QTimer::singleShot(300, this, [this, guard = QPointer<QMessageBox>(box)] {
                    if (guard)
                        answerBox(guard);
                });
            } else if (auto *dialog = qobject_cast<QDialog *>(widget);
                       dialog && dialog->objectName() == QLatin1String("browserQuestion")) {
                if (hold) {
                    if (!m_held.contains(dialog)) {
                        m_held.insert(dialog);
                        Channel::answer(QStringLiteral("dialog %1 %2 held %3")
                                            .arg(++m_dialogs)
                                            .arg(offersToStop(dialog) ? 1 : 0)
                                            .arg(holdsBack(dialog) ? 1 : 0));
                    }
                    continue;
                }
                m_seen.insert(widget);
                if (refuse) {
                    ++questionTotal;
                    ++questionsByTitle[dialog->windowTitle()];
                }
                QTimer::singleShot(150, this, [this, guard = QPointer<QDialog>(dialog)] {
                    if (guard && refuse)
                        answerQuestion(guard);
                    else if (guard)
                        answerDialog(guard);
                });
            }
        }
        // A widget seen may be deleted and its address used again.
        for (auto it = m_seen.begin(); it != m_seen.end();) {
            if (!QApplication::topLevelWidgets().contains(*it) || !(*it)->isVisible())
                it = m_seen.erase(it);
            else
                ++it;
        }
    }

    static QCheckBox *stopBox(QDialog *dialog)
    {
        return dialog->findChild<QCheckBox *>(QStringLiteral("stopDialogs"));
    }

    static bool offersToStop(QDialog *dialog)
    {
        const QCheckBox *box = stopBox(dialog);
        return box && box->isVisibleTo(dialog)
            && box->text()
            == QStringLiteral("Empêcher cette page d'ouvrir d'autres boîtes de dialogue");
    }

    // A page's dialog must leave the other windows working.
    static bool holdsBack(const QDialog *dialog)
    {
        return dialog->isModal() || dialog->windowModality() != Qt::NonModal
            || QApplication::activeModalWidget() != nullptr;
    }

    void answerBox(QMessageBox *box)
    {
        const QString text = box->text();
        if (text == PopupDecision::LimitText)
            ++limits;
        else if (text == PopupDecision::QuestionText)
            ++questions;
        else
            ++others;
        if (QPushButton *button = box->defaultButton())
            button->click();
        else
            box->accept();
    }

    void answerQuestion(QDialog *dialog)
    {
        if (acceptFirst > 0) {
            --acceptFirst;
            if (auto *accept = dialog->findChild<QPushButton *>(QStringLiteral("accept")))
                accept->click();
            else
                dialog->accept();
            return;
        }
        QTest::keyClick(dialog, Qt::Key_Escape);
        if (dialog->isVisible())
            dialog->reject();
    }

    void answerDialog(QDialog *dialog)
    {
        const int sequence = ++m_dialogs;
        const bool offered = offersToStop(dialog);
        const bool tick = offered && sequence == tickAt;
        if (tick)
            QTest::mouseClick(stopBox(dialog), Qt::LeftButton);
        const bool ticked = stopBox(dialog) && stopBox(dialog)->isChecked();
        Channel::answer(QStringLiteral("dialog %1 %2 %3 %4")
                            .arg(sequence)
                            .arg(offered ? 1 : 0)
                            .arg(ticked ? 1 : 0)
                            .arg(holdsBack(dialog) ? 1 : 0));
        if (auto *accept = dialog->findChild<QPushButton *>(QStringLiteral("accept")))
            accept->click();
        else
            dialog->accept();
    }

    QTimer m_look;
    QSet<QWidget *> m_seen;
    QSet<QWidget *> m_held;
    int m_dialogs = 0;
};

class Harness : public QObject
{
public:
    Harness(Program &program, QString folder, QString page, QString popupMode)
        : m_program(program)
        , m_folder(std::move(folder))
        , m_page(std::move(page))
        , m_popupMode(std::move(popupMode))
    {
    }

    bool start()
    {
        frmBrowser *first = m_program.window().LastTab();
        if (!first || !waitLoaded(first, 60000)) {
            Channel::answer(QStringLiteral("error the first tab did not load"));
            return false;
        }
        m_first = first;
        frmCV *window = &m_program.window();
        window->activateWindow();
        waitUntil([window] { return QApplication::activeWindow() == window; }, 3000);
        Channel::answer(QStringLiteral("ready %1").arg(QApplication::activeWindow() == window));
        return true;
    }

    void handle(const QStringList &words)
    {
        const QString &command = words.constFirst();
        if (command == QLatin1String("open") && words.size() >= 2)
            open(words.at(1), words.value(2) == QLatin1String("load"));
        else if (command == QLatin1String("goto") && words.size() == 2)
            go(words.at(1));
        else if (command == QLatin1String("dialogs") && words.size() == 2)
            setDialogs(words.at(1));
        else if (command == QLatin1String("questions") && words.size() >= 2)
            setQuestions(words.at(1), words.value(2).toInt());
        else if (command == QLatin1String("questions"))
            questions();
        else if (command == QLatin1String("close"))
            closeHostile();
        else if (command == QLatin1String("latest"))
            latest();
        else if (command == QLatin1String("stall") && words.size() == 2)
            m_stalls.reset();
        else if (command == QLatin1String("stall"))
            Channel::answer(m_stalls.report());
        else if (command == QLatin1String("block") && words.size() == 2)
            block(words.at(1).toInt());
        else if (command == QLatin1String("tabs"))
            Channel::answer(QStringLiteral("tabs %1").arg(Module1::CountTabs(m_program.forms())));
        else if (command == QLatin1String("boxes"))
            Channel::answer(QStringLiteral("boxes %1 %2 %3")
                                .arg(m_answerer.limits)
                                .arg(m_answerer.questions)
                                .arg(m_answerer.others));
        else if (command == QLatin1String("probe"))
            probe();
        else if (command == QLatin1String("title"))
            title();
        else if (command == QLatin1String("crashed"))
            crashed();
        else if (command == QLatin1String("navigations"))
            Channel::answer(QStringLiteral("navigations %1").arg(m_addressChanges));
        else if (command == QLatin1String("ctrlq"))
            pressQuit();
        else if (command == QLatin1String("quit"))
            QCoreApplication::quit();
        else
            Channel::answer(QStringLiteral("error unknown command: ") + words.join(u' '));
    }

private:
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

    void open(const QString &address, bool waitForLoad)
    {
        if (!writeSettings(m_folder, address, m_popupMode)) {
            Channel::answer(QStringLiteral("error cannot write the settings file"));
            return;
        }
        const frmBrowser *before = m_program.window().LastTab();
        m_program.window().mNew_Click();
        m_stalls.tabOpened();
        frmBrowser *tab = m_program.window().LastTab();
        // The tab has read its start address: the tabs a page opens later
        // start on the quiet page.
        writeSettings(m_folder, m_page, m_popupMode);
        if (!tab || tab == before) {
            Channel::answer(QStringLiteral("error no tab opened"));
            return;
        }
        m_hostile = tab;
        m_addressChanges = 0;
        m_captionChanges = 0;
        tab->installEventFilter(this);
        connect(engineOf(tab)->page(), &QWebEnginePage::urlChanged, this, [this, tab] {
            if (tab == m_hostile)
                ++m_addressChanges;
        });
        if (waitForLoad && !waitLoaded(tab, 60000)) {
            Channel::answer(QStringLiteral("error the new tab did not load"));
            return;
        }
        Channel::answer(QStringLiteral("opened %1").arg(Module1::CountTabs(m_program.forms())));
    }

    void go(const QString &address)
    {
        if (!m_hostile) {
            Channel::answer(QStringLiteral("error no hostile tab"));
            return;
        }
        m_hostile->browser()->Navigate(address);
        Channel::answer(QStringLiteral("went"));
    }

    void setDialogs(const QString &how)
    {
        if (how == QLatin1String("hold")) {
            m_answerer.hold = true;
        } else {
            m_answerer.release();
            m_answerer.tickAt = how.toInt();
        }
        Channel::answer(QStringLiteral("dialogs set"));
    }

    void setQuestions(const QString &how, int acceptFirst)
    {
        m_answerer.release();
        m_answerer.refuse = how == QLatin1String("refuse");
        m_answerer.acceptFirst = acceptFirst;
        Channel::answer(QStringLiteral("questions set"));
    }

    void questions()
    {
        const QHash<QString, int> &byTitle = m_answerer.questionsByTitle;
        const int save = byTitle.value(QStringLiteral("Enregistrer sous"));
        const int signIn = byTitle.value(QStringLiteral("Authentification requise"));
        const int certificate = byTitle.value(QStringLiteral("Certificat non valide"));
        Channel::answer(QStringLiteral("questions %1 %2 %3 %4 %5")
                            .arg(m_answerer.questionTotal)
                            .arg(save)
                            .arg(signIn)
                            .arg(certificate)
                            .arg(m_answerer.questionTotal - save - signIn - certificate));
    }

    void closeHostile()
    {
        if (m_hostile)
            m_hostile->Unload();
        Channel::answer(QStringLiteral("closed %1").arg(Module1::CountTabs(m_program.forms())));
    }

    void latest()
    {
        if (!m_hostile) {
            Channel::answer(QStringLiteral("error no hostile tab"));
            return;
        }
        const QString name = m_hostile->browser()->LocationName();
        const Panel *panel
            = Module1::GetTabPanel(m_program.forms(), QString::number(m_hostile->getID()));
        const bool same = m_hostile->caption() == name && panel
            && panel->text().endsWith(QStringLiteral(" - ") + name);
        Channel::answer(QStringLiteral("latest %1 %2").arg(same ? 1 : 0).arg(m_captionChanges));
    }

    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (watched == m_hostile && event->type() == QEvent::WindowTitleChange)
            ++m_captionChanges;
        return false;
    }

    void probe()
    {
        WebEngineBrowser *browser = engineOf(m_first);
        if (!browser) {
            Channel::answer(QStringLiteral("error the first tab is gone"));
            return;
        }
        // The answer may come after the wait has given up on it.
        struct Answer
        {
            qint64 at = 0;
            bool right = false;
        };
        const auto answer = std::make_shared<Answer>();
        const qint64 start = monotonicNs();
        browser->page()->runJavaScript(QStringLiteral("6 * 7"), [answer](const QVariant &value) {
            answer->at = monotonicNs();
            answer->right = value.toInt() == 42;
        });
        waitUntil([&] { return answer->at != 0; }, 5000);
        if (!answer->at)
            Channel::answer(QStringLiteral("probe 0 -"));
        else
            Channel::answer(QStringLiteral("probe %1 %2")
                                .arg(answer->right ? 1 : 0)
                                .arg(double(answer->at - start) / 1e6, 0, 'f', 1));
    }

    void title()
    {
        if (!m_hostile) {
            Channel::answer(QStringLiteral("error no hostile tab"));
            return;
        }
        const Panel *panel
            = Module1::GetTabPanel(m_program.forms(), QString::number(m_hostile->getID()));
        QElapsedTimer painting;
        painting.start();
        m_program.window().repaint();
        const qint64 paintNs = painting.nsecsElapsed();
        Channel::answer(QStringLiteral("title %1 %2 %3 %4")
                            .arg(m_hostile->caption().size())
                            .arg(panel ? panel->text().size() : -1)
                            .arg(m_hostile->browser()->LocationName().size())
                            .arg(double(paintNs) / 1e6, 0, 'f', 1));
    }

    void crashed()
    {
        const bool shown
            = m_hostile && m_hostile->browser()->LocationName() == ErrorPages::crashedTitle();
        Channel::answer(QStringLiteral("crashed %1").arg(shown ? 1 : 0));
    }

    static void block(int ms)
    {
        QElapsedTimer busy;
        busy.start();
        while (busy.elapsed() < ms) { }
        Channel::answer(QStringLiteral("blocked"));
    }

    void pressQuit()
    {
        // Offscreen, no window is active again once a message box has gone,
        // where a window manager would give the focus back: the user's
        // click on the main window, before the keys.
        frmCV *window = &m_program.window();
        if (!QApplication::activeWindow()) {
            window->activateWindow();
            waitUntil([window] { return QApplication::activeWindow() == window; }, 1000);
        }
        const QWidget *active = QApplication::activeWindow();
        Channel::answer(QStringLiteral("pressing %1 %2")
                            .arg(monotonicNs())
                            .arg(!active                             ? QStringLiteral("none")
                                     : active == &m_program.window() ? QStringLiteral("main")
                                     : active->objectName().isEmpty()
                                     ? QString::fromLatin1(active->metaObject()->className())
                                     : active->objectName()));
        QTest::keyClick(&m_program.window(), Qt::Key_Q, Qt::ControlModifier);
    }

    Program &m_program;
    QString m_folder;
    QString m_page;
    QString m_popupMode;
    QPointer<frmBrowser> m_first;
    QPointer<frmBrowser> m_hostile;
    int m_addressChanges = 0;
    int m_captionChanges = 0;
    StallWatch m_stalls;
    Answerer m_answerer;
};

} // namespace

int main(int argc, char *argv[])
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    const QString folder = argumentValue(arguments, QStringLiteral("--folder"));
    const QString page = argumentValue(arguments, QStringLiteral("--page"));
    const QString popupMode
        = argumentValue(arguments, QStringLiteral("--popup-mode"), QStringLiteral("3"));
    const QString heapMiB = argumentValue(arguments, QStringLiteral("--js-heap"));
    if (folder.isEmpty() || page.isEmpty()) {
        std::fprintf(stderr,
                     "usage: %s --page ADDRESS [--popup-mode 1|2|3] [--js-heap MIB] "
                     "--folder DIR\n",
                     argv[0]);
        return 2;
    }
    if (!writeSettings(folder, page, popupMode)) {
        std::fprintf(stderr, "cannot write the settings file in %s\n", qPrintable(folder));
        return 1;
    }
    // A page that allocates without end is stopped by its own heap's limit,
    // well before it takes the machine's memory.
    if (!heapMiB.isEmpty())
        arguments << QStringLiteral("--engine-switch")
                  << QStringLiteral("--js-flags=--max-old-space-size=") + heapMiB;

    Program::Arguments qtArguments = childApplicationArguments(argv[0], arguments);
    Program::prepareApplication();
    QApplication app(qtArguments.count(), qtArguments.values());
    Program::setUpApplication();
    // A profile that keeps nothing, so that no run finds what an earlier one
    // left; the pages go with the program, before it.
    const std::unique_ptr<QWebEngineProfile> profile(EngineProfile::createOffTheRecord());
    Program::Options options;
    options.profile = profile.get();
    Program program(ProgramFolder(folder), options);

    Harness harness(program, folder, page, popupMode);
    if (!harness.start())
        return 1;
    Channel channel;
    QObject::connect(&channel, &Channel::command, &harness, &Harness::handle);
    return app.exec();
}
