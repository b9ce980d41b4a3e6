// Five figures of the tabs, each against its floor where there is one:
// opening a tab, opening a page's popup in a tab, the memory of sixteen,
// switching between them with the tab strip, and the memory left behind by
// opening and closing one many times. The programs under test run in
// processes of their own, driven through their standard input; the bench
// serves their pages and reads the clock and their memory.

#include "BenchEnvironment.h"
#include "ChildProcess.h"
#include "Clock.h"
#include "Figures.h"
#include "PageServer.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QMap>
#include <QSize>
#include <QTextStream>

#include <algorithm>
#include <memory>
#include <optional>

using Figures::median;

namespace {

QTextStream out(stdout);
QTextStream err(stderr);

QString padded(const QString &label)
{
    return label.leftJustified(8) + QLatin1Char(' ');
}

double ms(qint64 ns)
{
    return double(ns) / 1e6;
}

QString fixed(double value, int decimals = 1)
{
    return QString::number(value, 'f', decimals);
}

QString samplesText(const QList<double> &values)
{
    QStringList texts;
    for (double value : values)
        texts << fixed(value);
    return texts.join(QLatin1Char(' '));
}

QString ratioText(double numerator, double denominator)
{
    return denominator > 0 ? fixed(numerator / denominator, 2) : QStringLiteral("n/a");
}

// Least squares slope of y over x.
double slope(const QList<double> &x, const QList<double> &y)
{
    const qsizetype n = x.size();
    if (n < 2)
        return 0;
    double mx = 0;
    double my = 0;
    for (qsizetype i = 0; i < n; ++i) {
        mx += x.at(i) / double(n);
        my += y.at(i) / double(n);
    }
    double sxy = 0;
    double sxx = 0;
    for (qsizetype i = 0; i < n; ++i) {
        sxy += (x.at(i) - mx) * (y.at(i) - my);
        sxx += (x.at(i) - mx) * (x.at(i) - mx);
    }
    return sxx > 0 ? sxy / sxx : 0;
}

// The PSS of a process tree by kind of process: the program itself, the
// engine's helpers it started by the --type= they were started with, and
// those the zygote forked (the pages' renderers), which keep its command line.
QString pssByKind(qint64 rootPid)
{
    QMap<QString, QPair<int, qint64>> kinds;
    for (const ProcessTree::Process &process : ProcessTree::of(rootPid)) {
        QString kind = QStringLiteral("program");
        if (process.pid != rootPid) {
            QFile stat(QStringLiteral("/proc/%1/stat").arg(process.pid));
            QFile cmdline(QStringLiteral("/proc/%1/cmdline").arg(process.pid));
            if (!stat.open(QIODevice::ReadOnly) || !cmdline.open(QIODevice::ReadOnly))
                continue;
            const QByteArray line = stat.readAll();
            const qint64 parent
                = line.mid(line.lastIndexOf(')') + 2).split(' ').value(1).toLongLong();
            kind = QStringLiteral("other");
            for (const QByteArray &argument : cmdline.readAll().split('\0')) {
                if (argument.startsWith("--type="))
                    kind = QString::fromLatin1(argument.mid(7));
            }
            if (parent != rootPid)
                kind = QStringLiteral("forked by ") + kind;
        }
        auto &entry = kinds[kind];
        ++entry.first;
        entry.second += ProcessTree::memory({process}).pssKiB;
    }
    QStringList parts;
    for (auto it = kinds.cbegin(); it != kinds.cend(); ++it)
        parts << QStringLiteral("%1 %2x %3")
                     .arg(it.key())
                     .arg(it->first)
                     .arg(fixed(double(it->second) / 1024));
    return parts.join(QStringLiteral(", ")) + QStringLiteral(" MiB");
}

// The memory of the child's processes once it has settled for the given
// time, with its PSS by kind of process; the child is stopped after.
ProcessTree::Memory settledMemory(ChildProcess &child, int settleSeconds, QString &kinds)
{
    pause(settleSeconds * 1000);
    const ProcessTree::Memory memory = child.treeMemory();
    kinds = pssByKind(child.pid());
    child.stop();
    return memory;
}

// One new tab, or one new window of the floor: the stamps the program sent,
// turned into milliseconds from the moment the key was pressed or the link
// clicked.
struct TabSample
{
    double onload = 0;      // the page's onload report reached the bench
    double loaded = 0;      // the view's loadFinished
    double handled = 0;     // the key press or click handler returned
    double asked = 0;       // the engine asked for the new window (floor), the
                            // popup's browser control began to be made (popup)
    double made = 0;        // making the view and its page
    double shown = 0;       // the tab's child window shown (browser only)
    bool byKey = true;      // F12 pressed, rather than its action run
    bool madeAhead = false; // the popup's tab was made before the click
};

class Bench
{
public:
    struct Paths
    {
        QString corvane;
        QString floor;
    };

    Bench(const Paths &paths, int timeoutSeconds)
        : m_paths(paths)
        , m_timeoutMs(timeoutSeconds * 1000)
    {
        QObject::connect(&m_server, &PageServer::onloadReported, &m_server,
                         [this](int run) { m_onloads.insert(run, monotonicNs()); });
    }

    bool listen()
    {
        QString error;
        if (m_server.listen(&error))
            return true;
        err << "corvane_tabs: cannot listen on 127.0.0.1: " << error << '\n';
        return false;
    }

    void printHeader(const QString &what) const
    {
        out << "bench    " << what << '\n'
            << padded(QStringLiteral("corvane")) << m_paths.corvane << '\n';
        if (!m_paths.floor.isEmpty())
            out << padded(QStringLiteral("floor")) << m_paths.floor << '\n';
        for (const QString &note : m_environment.notes())
            out << note << '\n';
        out << "page     " << m_server.pageUrl(0).adjusted(QUrl::RemoveQuery).toString() << '\n';
        out.flush();
    }

    PageServer &server() { return m_server; }
    int timeoutMs() const { return m_timeoutMs; }

    // Starts the browser on page; its answer to being ready tells the size
    // of its tab's page view, which the floor then gets.
    std::unique_ptr<ChildProcess> startCorvane(const QUrl &page, const QStringList &extra = {})
    {
        auto child = std::make_unique<ChildProcess>(
            QStringLiteral("corvane"), m_paths.corvane,
            QStringList {QStringLiteral("--page"), page.toString(QUrl::FullyEncoded)} + extra);
        const std::optional<QStringList> ready = startChild(child.get());
        if (!ready)
            return nullptr;
        m_viewSize = QSize(ready->value(0).toInt(), ready->value(1).toInt());
        m_trigger = ready->value(2);
        return child;
    }

    std::unique_ptr<ChildProcess> startFloor(const QUrl &page, const QStringList &extra = {})
    {
        auto child = std::make_unique<ChildProcess>(
            QStringLiteral("floor"), m_paths.floor,
            QStringList {QStringLiteral("--page"), page.toString(QUrl::FullyEncoded),
                         QStringLiteral("--size"),
                         QStringLiteral("%1x%2").arg(m_viewSize.width()).arg(m_viewSize.height())}
                + extra);
        return startChild(child.get()) ? std::move(child) : nullptr;
    }

    QSize viewSize() const { return m_viewSize; }
    QString trigger() const { return m_trigger; }

    // Sends a command and waits for the answer starting with word.
    std::optional<QStringList> ask(ChildProcess *child, const QString &command, const QString &word,
                                   int timeoutMs)
    {
        child->send(command);
        std::optional<QStringList> answer;
        QString failure;
        if (waitUntil([&] { return bool(answer = child->take(word)); }, timeoutMs, {child},
                      &failure))
            return answer;
        fail(child, QStringLiteral("%1: %2").arg(command.section(u' ', 0, 0), failure));
        return std::nullopt;
    }

    // Opens tabs (or the floor's views) on page until there are that many,
    // each loaded and then on screen for the look time before the next; the
    // answer tells how many pages are visible.
    std::optional<QStringList> fill(ChildProcess *child, int tabs, const QUrl &page)
    {
        return ask(child,
                   QStringLiteral("fill %1 %2 %3")
                       .arg(tabs)
                       .arg(page.toString(QUrl::FullyEncoded))
                       .arg(m_lookMs),
                   QStringLiteral("filled"), m_timeoutMs * 4);
    }
    void setLookMs(int ms) { m_lookMs = ms; }
    int lookMs() const { return m_lookMs; }

    // Opens a tab (or the floor's new window) on a page of its own, waits for
    // it to load, and closes it again. The browser opens it by command: "new"
    // (F12) or "popup" (a click on its first tab's target=_blank link).
    std::optional<TabSample> openAndClose(ChildProcess *child,
                                          const QString &command = QStringLiteral("new"))
    {
        const int run = ++m_run;
        const QUrl page = m_server.pageUrl(run);
        const bool floor = child->label() == QLatin1String("floor");
        const bool popup = !floor && command == QLatin1String("popup");
        child->send((floor ? QStringLiteral("new") : command) + QLatin1Char(' ')
                    + page.toString(QUrl::FullyEncoded));
        std::optional<QStringList> opened;
        std::optional<QStringList> created;
        std::optional<QStringList> loaded;
        QString failure;
        const bool done = waitUntil(
            [&] {
                if (!opened)
                    opened = child->take(QStringLiteral("opened"));
                if ((floor || popup) && !created)
                    created = child->take(QStringLiteral("created"));
                if (!loaded)
                    loaded = child->take(QStringLiteral("loaded"));
                return opened && (created || !(floor || popup)) && loaded
                    && m_onloads.contains(run);
            },
            m_timeoutMs, {child}, &failure);
        if (!done) {
            fail(child, QStringLiteral("new tab %1: %2").arg(run).arg(failure));
            return std::nullopt;
        }
        const qint64 start = opened->value(0).toLongLong();
        TabSample sample;
        sample.onload = ms(m_onloads.take(run) - start);
        sample.loaded = ms(loaded->value(0).toLongLong() - start);
        sample.handled = ms(opened->value(1).toLongLong() - start);
        if (popup && created->value(0).toLongLong() == 0) {
            sample.madeAhead = true;
            sample.shown = ms(created->value(2).toLongLong() - start);
        } else if (floor || popup) {
            sample.asked = ms(created->value(0).toLongLong() - start);
            sample.made = ms(created->value(1).toLongLong() - created->value(0).toLongLong());
            if (popup)
                sample.shown = ms(created->value(2).toLongLong() - start);
        } else {
            sample.made = ms(opened->value(3).toLongLong() - opened->value(2).toLongLong());
            sample.shown = ms(opened->value(4).toLongLong() - start);
            sample.byKey = opened->value(5) == QLatin1String("F12");
        }
        const std::optional<QStringList> closed
            = ask(child, QStringLiteral("close"), QStringLiteral("closed"), m_timeoutMs);
        if (!closed)
            return std::nullopt;
        if (closed->value(0) != QLatin1String("deleted"))
            err << child->label() << ": the closed tab's window, view or page was not deleted\n";
        return sample;
    }

    void fail(ChildProcess *child, const QString &failure) const
    {
        err << "corvane_tabs: " << child->label() << ": " << failure << '\n'
            << "---- its standard error, last lines ----\n"
            << child->errorTail(40) << "\n----\n";
        err.flush();
    }

private:
    std::optional<QStringList> startChild(ChildProcess *child)
    {
        QString failure;
        if (!child->start(m_environment, &failure)) {
            err << "corvane_tabs: " << failure << '\n';
            return std::nullopt;
        }
        std::optional<QStringList> ready;
        if (waitUntil([&] { return bool(ready = child->take(QStringLiteral("ready"))); },
                      m_timeoutMs, {child}, &failure))
            return ready;
        fail(child, QStringLiteral("start: ") + failure);
        return std::nullopt;
    }

    Paths m_paths;
    int m_timeoutMs;
    BenchEnvironment m_environment;
    PageServer m_server;
    QHash<int, qint64> m_onloads;
    int m_run = 0;
    int m_lookMs = 0;
    QSize m_viewSize {1024, 768};
    QString m_trigger;
};

QString mediansLine(const QList<TabSample> &samples, double TabSample::*field)
{
    QList<double> values;
    for (const TabSample &sample : samples)
        values << sample.*field;
    return fixed(median(values));
}

QList<double> column(const QList<TabSample> &samples, double TabSample::*field)
{
    QList<double> values;
    for (const TabSample &sample : samples)
        values << sample.*field;
    return values;
}

// new-tab, or with popup, the same against the same floor, the browser's
// new tab opened by a click on its first tab's target=_blank link.
int newTab(Bench &bench, int samples, int warmup, int pauseMs, const QStringList &extra, bool popup)
{
    const QString command = popup ? QStringLiteral("popup") : QStringLiteral("new");
    std::unique_ptr<ChildProcess> corvane
        = bench.startCorvane(popup ? bench.server().openerUrl() : bench.server().pageUrl(0), extra);
    if (!corvane)
        return 1;
    std::unique_ptr<ChildProcess> floor = bench.startFloor(bench.server().openerUrl());
    if (!floor)
        return 1;
    out << "corvane  "
        << (popup ? QStringLiteral("popup in a new tab by a click on a target=_blank link, "
                                   "popup mode 3")
                  : QStringLiteral("new tab by ") + bench.trigger())
        << "; view " << bench.viewSize().width() << "x" << bench.viewSize().height() << '\n'
        << "floor    new view by a click on a target=_blank link; view of the same size\n"
        << "samples  " << samples << " of each, interleaved, after " << warmup
        << " unreported of each; sample = from the key press or click to the new page's onload "
           "report\n";
    out.flush();

    ChildProcess *programs[] = {corvane.get(), floor.get()};
    QList<TabSample> results[2];
    for (int round = 0; round < warmup + samples; ++round) {
        // Who goes first alternates, so that neither always follows the other.
        for (int turn = 0; turn < 2; ++turn) {
            const int i = (round + turn) % 2;
            const std::optional<TabSample> sample = bench.openAndClose(programs[i], command);
            if (!sample)
                return 1;
            err << (round < warmup ? QStringLiteral("warm-up %1").arg(round + 1)
                                   : QStringLiteral("sample %1").arg(round - warmup + 1))
                << "  " << padded(programs[i]->label()) << fixed(sample->onload) << " ms\n";
            err.flush();
            if (round >= warmup)
                results[i] << *sample;
            pause(pauseMs);
        }
    }

    out << '\n';
    for (int i = 0; i < 2; ++i) {
        const QList<double> onloads = column(results[i], &TabSample::onload);
        out << padded(programs[i]->label()) << "median " << fixed(median(onloads))
            << " ms  (samples " << samplesText(onloads) << ")\n";
    }
    const auto byAction = std::count_if(results[0].cbegin(), results[0].cend(),
                                        [](const TabSample &sample) { return !sample.byKey; });
    if (byAction > 0)
        out << padded(QStringLiteral("note")) << byAction << " of the browser's samples ran the "
            << "mNew action instead of pressing F12: its window could not be made active\n";
    out << padded(QStringLiteral("ratio"))
        << ratioText(median(column(results[0], &TabSample::onload)),
                     median(column(results[1], &TabSample::onload)))
        << "  (corvane / floor)\n\nwhere the time goes, medians in ms from the key press or "
           "click:\n";
    if (popup) {
        QList<TabSample> madeInHandler;
        for (const TabSample &sample : results[0]) {
            if (!sample.madeAhead)
                madeInHandler << sample;
        }
        out << padded(QStringLiteral("corvane")) << "click handled "
            << mediansLine(results[0], &TabSample::handled) << "; popup's tab made ahead for "
            << (results[0].size() - madeInHandler.size()) << " of " << results[0].size();
        if (!madeInHandler.isEmpty())
            out << " (for the others, its browser control made at "
                << mediansLine(madeInHandler, &TabSample::asked) << " in "
                << mediansLine(madeInHandler, &TabSample::made) << ')';
        out << "; tab window shown at " << mediansLine(results[0], &TabSample::shown)
            << "; loadFinished " << mediansLine(results[0], &TabSample::loaded) << "; onload "
            << mediansLine(results[0], &TabSample::onload) << '\n';
    } else {
        out << padded(QStringLiteral("corvane")) << "browser control made in "
            << mediansLine(results[0], &TabSample::made) << "; tab window shown at "
            << mediansLine(results[0], &TabSample::shown)
            << "; F12 handled (tab made, page asked for) at "
            << mediansLine(results[0], &TabSample::handled) << "; loadFinished "
            << mediansLine(results[0], &TabSample::loaded) << "; onload "
            << mediansLine(results[0], &TabSample::onload) << '\n';
    }
    out << padded(QStringLiteral("floor")) << "click handled "
        << mediansLine(results[1], &TabSample::handled) << "; engine asks for the window "
        << mediansLine(results[1], &TabSample::asked) << ", view made in "
        << mediansLine(results[1], &TabSample::made) << "; loadFinished "
        << mediansLine(results[1], &TabSample::loaded) << "; onload "
        << mediansLine(results[1], &TabSample::onload) << '\n';
    return 0;
}

int memory(Bench &bench, int runs, int tabs, int settleSeconds, bool floorAllVisible,
           const QStringList &corvaneExtra)
{
    const QUrl page = bench.server().pageUrl(0);
    if (floorAllVisible)
        out << "floor    trial: the views behind the current one stay shown\n";
    out << "runs     " << runs << " of each, one program at a time; sample = PSS (and RSS) "
        << "summed over the program and its engine helpers, " << settleSeconds
        << " s after the last of " << tabs << " tabs on the same page loaded, each page on screen "
        << bench.lookMs() << " ms before the next tab (--look)\n";
    out.flush();
    QList<double> pss[2];
    QList<double> rss[2];
    QString kinds[2];
    const QString labels[] = {QStringLiteral("corvane"), QStringLiteral("floor")};
    const QStringList floorExtra
        = floorAllVisible ? QStringList {QStringLiteral("--all-visible")} : QStringList();
    for (int run = 1; run <= runs; ++run) {
        for (int i = 0; i < 2; ++i) {
            std::unique_ptr<ChildProcess> child = i == 0 ? bench.startCorvane(page, corvaneExtra)
                                                         : bench.startFloor(page, floorExtra);
            if (!child)
                return 1;
            const std::optional<QStringList> filled = bench.fill(child.get(), tabs, page);
            if (!filled)
                return 1;
            const ProcessTree::Memory memory = settledMemory(*child, settleSeconds, kinds[i]);
            pss[i] << double(memory.pssKiB) / 1024;
            rss[i] << double(memory.rssKiB) / 1024;
            err << "run " << run << "  " << padded(labels[i]) << "PSS " << fixed(pss[i].last())
                << " MiB  RSS " << fixed(rss[i].last()) << " MiB  " << memory.processes
                << " processes  " << filled->value(1) << " of " << filled->value(0)
                << " pages visible\n";
            err.flush();
        }
    }
    out << '\n';
    for (int i = 0; i < 2; ++i)
        out << padded(labels[i]) << "PSS median " << fixed(median(pss[i])) << " MiB  (samples "
            << samplesText(pss[i]) << ")  RSS sum median " << fixed(median(rss[i])) << " MiB\n";
    out << padded(QStringLiteral("ratio")) << ratioText(median(pss[0]), median(pss[1]))
        << "  (corvane / floor, PSS)\n\nPSS by process, last run:\n";
    for (int i = 0; i < 2; ++i)
        out << padded(labels[i]) << kinds[i] << '\n';
    return 0;
}

// What the engine's site isolation costs: the browser as the program sets
// it up, its pages' sites isolated, against the same browser whose harness
// left the program's --site-per-process out, runs alternating. Two pages:
// 16 tabs of one site, and one tab whose page holds three frames of three
// other sites (a.localhost, b.localhost and c.localhost: the engine takes
// every name under localhost for the loopback address, and each is a site of
// its own).
int isolation(Bench &bench, int runs, int tabs, int settleSeconds)
{
    PageServer &server = bench.server();
    const QUrl page = server.pageUrl(0);
    QByteArray frames = "<!DOCTYPE html><html lang=\"fr\"><head><meta charset=\"utf-8\">"
                        "<title>Trois cadres</title></head><body>";
    for (const char *site : {"a", "b", "c"}) {
        QUrl frame = server.pageUrl(0);
        frame.setHost(QString::fromLatin1(site) + QStringLiteral(".localhost"));
        frames += "<iframe src=\"" + frame.toEncoded() + "\"></iframe>";
    }
    frames += "</body></html>";
    const QUrl framesPage = server.addPage(QStringLiteral("/frames"), frames);

    out << "runs     " << runs << " of each, alternating; sample = PSS (and RSS) summed over the "
        << "program and its engine helpers, " << settleSeconds
        << " s after the last page loaded; time from the program's start to its first page "
           "loaded, and for the tabs the time to open the others one by one, each on screen "
        << bench.lookMs() << " ms (--look)\n";
    out.flush();
    struct Scene
    {
        QString name;
        QUrl page;
        int tabs;
    };
    const Scene scenes[] = {
        {QStringLiteral("%1 tabs of one site").arg(tabs), page, tabs},
        {QStringLiteral("one page with three frames of other sites"), framesPage, 1},
    };
    const QString labels[] = {QStringLiteral("isolated"), QStringLiteral("shared")};
    const QStringList extras[] = {{}, {QStringLiteral("--no-site-isolation")}};
    for (const Scene &scene : scenes) {
        QList<double> pss[2];
        QList<double> rss[2];
        QList<double> started[2];
        QList<double> filled[2];
        QList<int> processes[2];
        QString kinds[2];
        for (int run = 1; run <= runs; ++run) {
            for (int j = 0; j < 2; ++j) {
                // The first of each round alternates.
                const int i = (run % 2) ? j : 1 - j;
                const qint64 start = monotonicNs();
                std::unique_ptr<ChildProcess> child = bench.startCorvane(scene.page, extras[i]);
                if (!child)
                    return 1;
                started[i] << ms(monotonicNs() - start);
                const qint64 fillStart = monotonicNs();
                if (scene.tabs > 1 && !bench.fill(child.get(), scene.tabs, scene.page))
                    return 1;
                filled[i] << ms(monotonicNs() - fillStart);
                const ProcessTree::Memory memory = settledMemory(*child, settleSeconds, kinds[i]);
                pss[i] << double(memory.pssKiB) / 1024;
                rss[i] << double(memory.rssKiB) / 1024;
                processes[i] << memory.processes;
                err << scene.name << "  run " << run << "  " << padded(labels[i]) << "PSS "
                    << fixed(pss[i].last()) << " MiB  RSS " << fixed(rss[i].last()) << " MiB  "
                    << memory.processes << " processes  started " << fixed(started[i].last())
                    << " ms\n";
                err.flush();
            }
        }
        out << '\n' << scene.name << '\n';
        for (int i = 0; i < 2; ++i) {
            out << padded(labels[i]) << "PSS median " << fixed(median(pss[i])) << " MiB  (samples "
                << samplesText(pss[i]) << ")  RSS sum median " << fixed(median(rss[i]))
                << " MiB  processes " << Figures::joined(processes[i]) << "  first page "
                << fixed(median(started[i])) << " ms";
            if (scene.tabs > 1)
                out << "  the other tabs " << fixed(median(filled[i])) << " ms";
            out << '\n';
        }
        out << padded(QStringLiteral("ratio")) << ratioText(median(pss[0]), median(pss[1]))
            << "  (isolated / shared, PSS)\nPSS by process, last run:\n";
        for (int i = 0; i < 2; ++i)
            out << padded(labels[i]) << kinds[i] << '\n';
        out.flush();
    }
    return 0;
}

int panelSwitch(Bench &bench, int clicks, int tabs, quint32 seed, const QStringList &corvaneExtra,
                bool withFloor)
{
    const QUrl page = bench.server().pageUrl(0);
    out << "clicks   " << clicks << " on panels of the tab strip chosen at random (seed " << seed
        << "), never the active one, " << tabs
        << " tabs open; times from the click (press and release sent to the panel's label)\n";
    if (withFloor)
        out << "floor    as many views made current in the same order of chance, by "
               "QStackedWidget::setCurrentIndex\n";
    for (int program = 0; program < (withFloor ? 2 : 1); ++program) {
        std::unique_ptr<ChildProcess> child
            = program == 0 ? bench.startCorvane(page, corvaneExtra) : bench.startFloor(page);
        if (!child)
            return 1;
        if (!bench.fill(child.get(), tabs, page))
            return 1;
        child->send(QStringLiteral("switch %1 %2").arg(clicks).arg(seed));
        QList<double> activated, returned, tabPaint, viewPaint, lastViewPaint, windowDrawn;
        int inactive = 0;
        int unpainted = 0;
        QString failure;
        const auto value = [](const QString &text, QList<double> *into) {
            if (text != QLatin1String("-"))
                *into << ms(text.toLongLong());
        };
        std::optional<QStringList> switched;
        const bool done = waitUntil(
            [&] {
                while (const std::optional<QStringList> click
                       = child->take(QStringLiteral("click"))) {
                    inactive += click->value(1) == QLatin1String("1") ? 0 : 1;
                    unpainted += click->value(8) == QLatin1String("-") ? 1 : 0;
                    value(click->value(2), &activated);
                    value(click->value(3), &returned);
                    value(click->value(4), &tabPaint);
                    value(click->value(5), &viewPaint);
                    value(click->value(6), &lastViewPaint);
                    value(click->value(8), &windowDrawn);
                }
                return bool(switched = child->take(QStringLiteral("switched")));
            },
            clicks * 5000, {child.get()}, &failure);
        if (!done) {
            bench.fail(child.get(), QStringLiteral("switch: ") + failure);
            return 1;
        }
        const auto line = [](const QString &what, const QList<double> &values) {
            QList<double> sorted = values;
            std::sort(sorted.begin(), sorted.end());
            out << what.leftJustified(34) << "median " << fixed(median(values), 2) << " ms  max "
                << (sorted.isEmpty() ? QStringLiteral("-") : fixed(sorted.last(), 2)) << " ms  ("
                << values.size() << " clicks)\n";
        };
        out << '\n' << child->label() << '\n';
        line(QStringLiteral("tab active (subWindowActivated)"), activated);
        line(QStringLiteral("click handled"), returned);
        line(QStringLiteral("first paint in the tab"), tabPaint);
        line(QStringLiteral("window repaint with the tab done"), windowDrawn);
        line(QStringLiteral("first paint of its page's view"), viewPaint);
        line(QStringLiteral("last paint of its page's view"), lastViewPaint);
        out << "page's view: its widget " << switched->value(0)
            << "; not active after the click: " << inactive
            << "; window not repainted with the tab within 2 s: " << unpainted << '\n';
        out.flush();
    }
    return 0;
}

int cycles(Bench &bench, int count, int every, int settleSeconds, int pauseMs,
           const QStringList &extra, bool withFloor, bool floorFresh, bool trim)
{
    out << "cycles   " << count << " of: open a tab (F12; the floor: "
        << (floorFresh ? "a view of its own loading the page" : "its link")
        << "), wait for its page, "
        << "close it, delete what it left for later; memory read every " << every << " cycles, "
        << settleSeconds << " s after the last close"
        << (trim ? ", then again after the heap's free memory went back to the system" : "")
        << "\n";
    for (int program = 0; program < (withFloor ? 2 : 1); ++program) {
        std::unique_ptr<ChildProcess> child = program == 0
            ? bench.startCorvane(bench.server().pageUrl(0), extra)
            : bench.startFloor(bench.server().openerUrl(),
                               floorFresh ? QStringList {QStringLiteral("--fresh-pages")}
                                          : QStringList());
        if (!child)
            return 1;
        out << '\n'
            << child->label() << "\ncycle   VmRSS (MiB)   tree PSS (MiB)   processes"
            << (trim ? "   trimmed VmRSS   trimmed tree PSS" : "") << '\n';
        out.flush();
        QList<double> x, rss, pss;
        QList<double> onloads;
        for (int cycle = 0; cycle <= count; ++cycle) {
            if (cycle % every == 0 || cycle == count) {
                pause(settleSeconds * 1000);
                const ProcessTree::Memory own = child->ownMemory();
                const ProcessTree::Memory tree = child->treeMemory();
                x << cycle;
                rss << double(own.rssKiB) / 1024;
                pss << double(tree.pssKiB) / 1024;
                out << QString::number(cycle).leftJustified(8)
                    << fixed(rss.last()).leftJustified(14) << fixed(pss.last()).leftJustified(17)
                    << QString::number(tree.processes).leftJustified(12);
                if (trim) {
                    if (!bench.ask(child.get(), QStringLiteral("trim"), QStringLiteral("trimmed"),
                                   bench.timeoutMs()))
                        return 1;
                    out << fixed(double(child->ownMemory().rssKiB) / 1024).leftJustified(16)
                        << fixed(double(child->treeMemory().pssKiB) / 1024);
                }
                out << '\n';
                out.flush();
            }
            if (cycle == count)
                break;
            const std::optional<TabSample> sample = bench.openAndClose(child.get());
            if (!sample)
                return 1;
            onloads << sample->onload;
            pause(pauseMs);
        }
        const auto perCycle = [](double mib) {
            return fixed(mib * 1024, 1);
        };
        out << "slope    VmRSS " << perCycle(slope(x, rss)) << " KiB/cycle, tree PSS "
            << perCycle(slope(x, pss)) << " KiB/cycle (least squares over the rows above)\n";
        if (x.size() > 2) {
            const QList<double> lx = x.mid(1), lrss = rss.mid(1), lpss = pss.mid(1);
            out << "         from cycle " << lx.first() << " on: VmRSS "
                << perCycle(slope(lx, lrss)) << " KiB/cycle, tree PSS " << perCycle(slope(lx, lpss))
                << " KiB/cycle\n";
        }
        out << "new tab  median " << fixed(median(onloads)) << " ms over the " << onloads.size()
            << " cycles\n";
        out.flush();
    }
    return 0;
}

bool usable(const QString &path)
{
    const QFileInfo info(path);
    return info.isFile() && info.isExecutable();
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Figures of the browser's tabs. BENCH is one of:\n"
        "  new-tab   time from F12 to the new tab's page loaded, against a floor program\n"
        "            whose page opens a new view by a target=_blank link\n"
        "  popup     time from a click on a target=_blank link to its popup's tab loaded,\n"
        "            against the same floor\n"
        "  memory    memory of 16 tabs on one page, against 16 views of the floor\n"
        "  switch    time from a click on a tab-strip panel to its tab active and painted\n"
        "  cycles    memory while a tab is opened and closed many times\n"
        "  isolation memory and load times with the engine's site isolation and without it,\n"
        "            for 16 tabs of one site and for a page with three frames of other sites"));
    parser.addHelpOption();
    parser.addPositionalArgument(QStringLiteral("BENCH"), QStringLiteral("Which bench to run."));
    const auto number = [](const char *name, const char *text, const char *fallback) {
        return QCommandLineOption(QString::fromLatin1(name), QString::fromLatin1(text),
                                  QStringLiteral("N"), QString::fromLatin1(fallback));
    };
    const QCommandLineOption samplesOption
        = number("samples", "new-tab, popup: samples of each.", "15");
    const QCommandLineOption warmupOption
        = number("warmup", "new-tab, popup: unreported samples of each first.", "2");
    const QCommandLineOption pauseOption
        = number("pause", "new-tab, popup, cycles: milliseconds between tabs.", "300");
    const QCommandLineOption floorAllVisibleOption(
        QStringLiteral("floor-all-visible"),
        QStringLiteral("memory: keep the floor's views behind the current one shown (a trial)."));
    const QCommandLineOption withFloorOption(
        QStringLiteral("with-floor"),
        QStringLiteral("switch, cycles: also run the bench on the floor, after the browser."));
    const QCommandLineOption floorFreshOption(
        QStringLiteral("floor-fresh"),
        QStringLiteral("cycles, with --with-floor: the floor's new views load the page "
                       "themselves, each a page with a renderer of its own, as a new tab's."));
    const QCommandLineOption trimOption(
        QStringLiteral("trim"),
        QStringLiteral("cycles: at each reading, also read again after the program handed its "
                       "heap's free memory back to the system."));
    const QCommandLineOption runsOption
        = number("runs", "memory, isolation: runs of each program.", "3");
    const QCommandLineOption tabsOption
        = number("tabs", "memory, switch, isolation: tabs open.", "16");
    const QCommandLineOption settleOption = number(
        "settle",
        "memory, isolation, cycles: seconds to wait before reading memory (default 5; cycles 2).",
        "");
    const QCommandLineOption lookOption
        = number("look",
                 "memory, switch: milliseconds each page stays on screen after it loaded, before "
                 "the next tab opens, as a person looks at it (default 300; 0: at once).",
                 "300");
    const QCommandLineOption clicksOption = number("clicks", "switch: panel clicks.", "100");
    const QCommandLineOption seedOption = number("seed", "switch: random seed.", "1");
    const QCommandLineOption cyclesOption = number("cycles", "cycles: open-close cycles.", "200");
    const QCommandLineOption everyOption
        = number("every", "cycles: read memory every N cycles.", "50");
    const QCommandLineOption timeoutOption
        = number("timeout", "Seconds any one step may take before the bench fails.", "60");
    const QCommandLineOption corvaneOption(QStringLiteral("corvane"),
                                           QStringLiteral("The browser harness program."),
                                           QStringLiteral("PATH"));
    const QCommandLineOption floorOption(
        QStringLiteral("floor"), QStringLiteral("The floor program."), QStringLiteral("PATH"));
    parser.addOptions({samplesOption, warmupOption, pauseOption, runsOption, tabsOption,
                       settleOption, lookOption, clicksOption, seedOption, cyclesOption,
                       everyOption, timeoutOption, corvaneOption, floorOption,
                       floorAllVisibleOption, withFloorOption, floorFreshOption, trimOption});
    parser.process(app);

    const QStringList positional = parser.positionalArguments();
    const QString which = positional.value(0);
    const QStringList benches {QStringLiteral("new-tab"), QStringLiteral("popup"),
                               QStringLiteral("memory"),  QStringLiteral("switch"),
                               QStringLiteral("cycles"),  QStringLiteral("isolation")};
    if (positional.size() != 1 || !benches.contains(which)) {
        err << "corvane_tabs: name one bench: " << benches.join(QStringLiteral(", ")) << '\n';
        return 2;
    }
    const auto positive = [&](const QCommandLineOption &option, int fallback, bool zeroOk = false) {
        if (parser.value(option).isEmpty())
            return fallback;
        bool ok = false;
        const int value = parser.value(option).toInt(&ok);
        return ok && (value > 0 || (zeroOk && value == 0)) ? value : -1;
    };
    const int samples = positive(samplesOption, 15);
    const int warmup = positive(warmupOption, 2, true);
    const int pauseMs = positive(pauseOption, 300, true);
    const int runs = positive(runsOption, 3);
    const int tabs = positive(tabsOption, 16);
    const int settle = positive(settleOption, which == QLatin1String("cycles") ? 2 : 5, true);
    const int look = positive(lookOption, 300, true);
    const int clicks = positive(clicksOption, 100);
    const int seed = positive(seedOption, 1, true);
    const int cycleCount = positive(cyclesOption, 200);
    const int every = positive(everyOption, 50);
    const int timeout = positive(timeoutOption, 60);
    for (int value : {samples, warmup, pauseMs, runs, tabs, settle, look, clicks, seed, cycleCount,
                      every, timeout}) {
        if (value < 0) {
            err << "corvane_tabs: options take a positive number (--warmup, --pause, --settle, "
                   "--look and --seed also 0)\n";
            return 2;
        }
    }
    if (tabs < 2 || tabs > 16) {
        err << "corvane_tabs: --tabs takes 2 to 16, as many as the browser opens\n";
        return 2;
    }

    Bench::Paths paths {
        parser.isSet(corvaneOption) ? parser.value(corvaneOption)
                                    : QStringLiteral(CORVANE_BENCH_TABS_CORVANE_PATH),
        parser.isSet(floorOption) ? parser.value(floorOption)
                                  : QStringLiteral(CORVANE_BENCH_TABS_FLOOR_PATH),
    };
    const bool needsFloor = which == QLatin1String("new-tab") || which == QLatin1String("popup")
        || which == QLatin1String("memory") || parser.isSet(withFloorOption);
    if (!needsFloor)
        paths.floor.clear();
    for (const QString &path : {paths.corvane, paths.floor}) {
        if (!path.isEmpty() && !usable(path)) {
            err << "corvane_tabs: " << path << " is not an executable file (build it first)\n";
            return 2;
        }
    }

    // The trials change what the browser's harness does, never the program.
    QStringList corvaneExtra;
    QStringList trials;
    Bench bench(paths, timeout);
    bench.setLookMs(look);
    if (!bench.listen())
        return 1;
    bench.printHeader(which);
    for (const QString &trial : trials)
        out << "trial    " << trial << '\n';
    if (which == QLatin1String("new-tab") || which == QLatin1String("popup"))
        return newTab(bench, samples, warmup, pauseMs, corvaneExtra,
                      which == QLatin1String("popup"));
    if (which == QLatin1String("memory"))
        return memory(bench, runs, tabs, settle, parser.isSet(floorAllVisibleOption), corvaneExtra);
    if (which == QLatin1String("isolation"))
        return isolation(bench, runs, tabs, settle);
    if (which == QLatin1String("switch"))
        return panelSwitch(bench, clicks, tabs, quint32(seed), corvaneExtra,
                           parser.isSet(withFloorOption));
    return cycles(bench, cycleCount, every, settle, pauseMs, corvaneExtra,
                  parser.isSet(withFloorOption), parser.isSet(floorFreshOption),
                  parser.isSet(trimOption));
}
