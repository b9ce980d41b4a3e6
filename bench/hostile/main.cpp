// The browser in front of hostile pages: a hundred window.open on load, an
// endless run of alert(), a 50 MB title, a page navigating itself every
// millisecond, a page allocating until its renderer dies, and storms: a
// page setting its title 220,000 times, fifty downloads, thirty sign-in
// requests, thirty subresources with invalid certificates, a tab closed
// while its download questions wait. For each, the
// worst stall of the program's main thread, how many tabs are open, whether
// another tab still answers and whether Ctrl+Q still ends the program. The
// program runs in a process of its own (hostile_child.cpp), a fresh one for
// each scenario, driven through its standard input; the bench serves the
// pages and pings the program all along.

#include "BenchEnvironment.h"
#include "ChildProcess.h"
#include "Clock.h"
#include "PageServer.h"
#include "TlsPageServer.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QTemporaryDir>
#include <QTextStream>
#include <QTimer>

#include <functional>
#include <memory>
#include <optional>

#include <unistd.h>

namespace {

QTextStream out(stdout);
QTextStream err(stderr);

constexpr double TargetMs = 200;
// How long the program may take to end after Ctrl+Q.
constexpr int QuitTimeoutMs = 5000;

QString fixed(double value, int decimals = 1)
{
    return QString::number(value, 'f', decimals);
}

// The pages, by path. Each does its harm as soon as it has loaded.
const QByteArray QuietPage = "<!DOCTYPE html><html lang=\"fr\"><head><meta charset=\"utf-8\">"
                             "<title>Page tranquille</title></head>"
                             "<body><p>Rien ne se passe ici.</p></body></html>\n";

QByteArray hostilePage(const QByteArray &title, const QByteArray &script)
{
    return "<!DOCTYPE html><html lang=\"fr\"><head><meta charset=\"utf-8\"><title>" + title
        + "</title></head><body><p>" + title + "</p><script>\n" + script
        + "\n</script></body></html>\n";
}

// The processor time a process has used so far, in seconds.
double cpuSeconds(qint64 pid)
{
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return 0;
    const QByteArray line = stat.readAll();
    // After the command's closing parenthesis: state, then utime and stime
    // are the 12th and 13th fields.
    const QList<QByteArray> fields = line.mid(line.lastIndexOf(')') + 2).split(' ');
    const double ticks = double(::sysconf(_SC_CLK_TCK));
    return (fields.value(11).toDouble() + fields.value(12).toDouble()) / ticks;
}

// One scenario's figures, and the checks that tell whether the program came
// through it.
struct Result
{
    QString name;
    double stallMs = -1;
    int stallsOver = 0;
    double stallAtMs = -1;
    // The worst gap but those in which the harness opened a tab.
    double stallOtherMs = -1;
    // The measure's own check, whose stall is made on purpose.
    bool stallWanted = false;
    double pingMs = -1;
    // The storms': the pages' questions shown, and the processor time the
    // program used after the storm (-1: not measured).
    int questions = -1;
    double cpuAfter = -1;
    int tabs = -1;
    bool otherAnswered = false;
    double otherMs = -1;
    bool quitEnded = false;
    double quitMs = -1;
    QString quitFrom;
    QStringList notes;
    QList<QPair<QString, bool>> checks;

    void check(const QString &what, bool ok) { checks.append({what, ok}); }
    bool passed() const
    {
        for (const auto &[what, ok] : checks) {
            if (!ok)
                return false;
        }
        return stallWanted || (stallMs >= 0 && stallMs <= TargetMs && pingMs <= TargetMs);
    }
};

// Pings the program every 20 ms on its standard input; the program answers
// as soon as its event loop looks at its input. The worst time an answer
// took, or a ping has been waiting for one.
class Pinger : public QObject
{
public:
    explicit Pinger(ChildProcess *child)
        : m_child(child)
    {
        connect(child, &ChildProcess::answered, this, &Pinger::takeAnswers);
        connect(&m_timer, &QTimer::timeout, this, [this] {
            m_sent.insert(++m_sequence, monotonicNs());
            m_child->send(QStringLiteral("ping %1").arg(m_sequence));
        });
        m_timer.start(20);
    }

    void stop() { m_timer.stop(); }

    double worstMs()
    {
        takeAnswers();
        qint64 worst = m_worst;
        const qint64 now = monotonicNs();
        for (const qint64 sent : std::as_const(m_sent))
            worst = std::max(worst, now - sent);
        return double(worst) / 1e6;
    }

private:
    void takeAnswers()
    {
        while (const std::optional<QStringList> pong = m_child->take(QStringLiteral("pong"))) {
            const qint64 sent = m_sent.take(pong->value(0).toInt());
            if (sent)
                m_worst = std::max(m_worst, monotonicNs() - sent);
        }
    }

    ChildProcess *m_child;
    QTimer m_timer;
    QHash<int, qint64> m_sent;
    int m_sequence = 0;
    qint64 m_worst = 0;
};

class Bench
{
public:
    Bench(QString childPath, int stormSeconds, int heapMiB)
        : m_childPath(std::move(childPath))
        , m_stormSeconds(stormSeconds)
        , m_heapMiB(heapMiB)
    {
    }

    bool listen()
    {
        QString error;
        if (!m_server.listen(&error)) {
            err << "corvane_hostile: cannot listen on 127.0.0.1: " << error << '\n';
            return false;
        }
        m_quiet = m_server.addPage(QStringLiteral("/quiet"), QuietPage);
        m_popups = m_server.addPage(QStringLiteral("/popups"),
                                    hostilePage("Cent fenêtres",
                                                "onload = () => { for (let i = 0; i < 100; i++) "
                                                "window.open('/quiet?popup=' + i); };"));
        m_alerts = m_server.addPage(
            QStringLiteral("/alerts"),
            hostilePage("Alertes sans fin",
                        "onload = () => setTimeout(() => { for (;;) alert(1); }, 0);"));
        m_title = m_server.addPage(
            QStringLiteral("/title"),
            hostilePage("Titre",
                        "onload = () => { document.title = 'x'.repeat(50 * 1024 * 1024); };"));
        m_navigate = m_server.addPage(
            QStringLiteral("/navigate"),
            hostilePage("Navigation sans fin",
                        "let n = Number(new URLSearchParams(location.search).get('n')) || 0;\n"
                        "setInterval(() => location.replace('/navigate?n=' + (++n)), 1);"));
        // The same within the document: four new fragments a millisecond.
        m_fragments
            = m_server.addPage(QStringLiteral("/fragments"),
                               hostilePage("Fragments sans fin",
                                           "let n = 0;\n"
                                           "setInterval(() => { for (let i = 0; i < 4; i++) "
                                           "location.replace('#' + (++n)); }, 1);"));
        m_allocate = m_server.addPage(
            QStringLiteral("/allocate"),
            hostilePage("Mémoire sans fin",
                        "onload = () => setTimeout(() => { const kept = []; "
                        "for (;;) kept.push(new Array(1 << 20).fill(kept.length + 0.5)); }, 0);"));
        // 220,000 titles in bursts of 220 every 10 ms, for 10 s at most, then
        // a word to the bench with how many were set.
        m_titleStorm = m_server.addPage(
            QStringLiteral("/titlestorm"),
            hostilePage("Tempête de titres",
                        "onload = () => { let n = 0; const end = Date.now() + 10000;\n"
                        "  const burst = () => {\n"
                        "    for (let i = 0; i < 220 && n < 220000; i++) document.title = 'Titre ' "
                        "+ (++n);\n"
                        "    if (n < 220000 && Date.now() < end) setTimeout(burst, 10);\n"
                        "    else new Image().src = '/titlestorm-done?n=' + n; };\n"
                        "  burst(); };"));
        m_server.addResponse(QStringLiteral("/titlestorm-done"), "204 No Content", QByteArray(),
                             QByteArray());
        m_server.addResponse(QStringLiteral("/file"), "200 OK", "application/octet-stream",
                             QByteArray(1024, 'x'),
                             {"Content-Disposition: attachment; filename=\"fichier.bin\""});
        m_downloadsScript = m_server.addPage(
            QStringLiteral("/downloads-script"),
            hostilePage("Cinquante téléchargements",
                        "onload = () => { for (let i = 0; i < 50; i++) { "
                        "const a = document.createElement('a'); a.href = '/file?i=' + i; "
                        "a.download = 'fichier' + i + '.bin'; document.body.appendChild(a); "
                        "a.click(); } };"));
        QByteArray frames;
        for (int i = 0; i < 50; ++i)
            frames += "<iframe src=\"/file?frame=" + QByteArray::number(i) + "\"></iframe>";
        m_downloadsFrames = m_server.addPage(QStringLiteral("/downloads-frames"),
                                             hostilePage("Cinquante cadres à télécharger", "")
                                                 .replace("</body>", frames + "</body>"));
        m_server.addResponse(QStringLiteral("/auth"), "401 Unauthorized",
                             "text/html; charset=utf-8", "<!DOCTYPE html><p>Non.</p>",
                             {"WWW-Authenticate: Basic realm=\"Corvane\""});
        QByteArray images;
        for (int i = 0; i < 30; ++i)
            images += "<img src=\"/auth?i=" + QByteArray::number(i) + "\">";
        m_signIn = m_server.addPage(
            QStringLiteral("/signin"),
            hostilePage("Trente authentifications", "").replace("</body>", images + "</body>"));
        return true;
    }

    void printHeader() const
    {
        out << "bench    hostile pages\n"
            << "program  " << m_childPath << '\n';
        for (const QString &note : m_environment.notes())
            out << note << '\n';
        out << "heap     every renderer's script heap capped at " << m_heapMiB
            << " MiB (--js-flags=--max-old-space-size)\n"
            << "target   no stall of the main thread over " << TargetMs << " ms\n";
        out.flush();
    }

    // What the same figures are without a hostile page: a quiet tab opened
    // and loaded, then 3 s of nothing.
    Result quiet()
    {
        return run(3, [&](ChildProcess *child, Result &result) {
            const std::optional<QStringList> opened
                = ask(child, result, QStringLiteral("open %1 load").arg(address(m_quiet)),
                      QStringLiteral("opened"));
            result.check(QStringLiteral("the quiet tab opened and loaded"), bool(opened));
            pause(3000);
            probe(child, result, QString());
            return true;
        });
    }

    // The measure's own check: the program's main thread kept busy for
    // 300 ms by the harness must show as a stall of 300 ms at least, in
    // the timer's gap and in the ping.
    Result blocked()
    {
        Result blocked = run(3, [&](ChildProcess *child, Result &result) {
            pause(500);
            if (!ask(child, result, QStringLiteral("block 300"), QStringLiteral("blocked")))
                return false;
            pause(500);
            probe(child, result, QString());
            return true;
        });
        blocked.check(QStringLiteral("a busy main thread of 300 ms seen by both measures"),
                      blocked.stallMs >= 300 && blocked.pingMs >= 250);
        blocked.stallWanted = true;
        return blocked;
    }

    Result popups(int popupMode)
    {
        return run(popupMode, [&](ChildProcess *child, Result &result) {
            if (!ask(child, result, QStringLiteral("open ") + address(m_popups),
                     QStringLiteral("opened")))
                return false;
            // The tabs are counted until their number has held for 3 s.
            const std::optional<QStringList> counted
                = askUntilSteady(child, result, QStringLiteral("tabs"), 60'000'000'000);
            if (!counted)
                return false;
            const int tabs = counted->value(0).toInt();
            const std::optional<QStringList> boxes
                = ask(child, result, QStringLiteral("boxes"), QStringLiteral("boxes"));
            if (!boxes)
                return false;
            const int limits = boxes->value(0).toInt();
            const int questions = boxes->value(1).toInt();
            const int others = boxes->value(2).toInt();
            result.notes << QStringLiteral(
                                "boxes    %1 tab-limit message(s), %2 question(s), %3 other(s)")
                                .arg(limits)
                                .arg(questions)
                                .arg(others);
            result.check(QStringLiteral("16 tabs open"), tabs == 16);
            if (popupMode == 3)
                result.check(QStringLiteral("one tab-limit message, no question"),
                             limits == 1 && questions == 0 && others == 0);
            else
                result.check(QStringLiteral("one question, answered Oui, no tab-limit message"),
                             questions == 1 && limits == 0 && others == 0);
            probe(child, result, QString());
            return true;
        });
    }

    Result alerts()
    {
        return run(3, [&](ChildProcess *child, Result &result) {
            constexpr int TickAt = 5;
            if (!ask(child, result, QStringLiteral("dialogs %1").arg(TickAt),
                     QStringLiteral("dialogs"))
                || !ask(child, result, QStringLiteral("open ") + address(m_alerts),
                        QStringLiteral("opened")))
                return false;
            QList<QStringList> dialogs;
            QString failure;
            waitUntil(
                [&] {
                    while (const std::optional<QStringList> dialog
                           = child->take(QStringLiteral("dialog")))
                        dialogs << *dialog;
                    return dialogs.size() >= TickAt;
                },
                30000, {child}, &failure);
            QStringList offers;
            bool offeredRight = dialogs.size() >= TickAt;
            bool modal = false;
            for (const QStringList &dialog : std::as_const(dialogs)) {
                const int sequence = dialog.value(0).toInt();
                const bool offered = dialog.value(1) == QLatin1String("1");
                offers << (offered ? QStringLiteral("%1 offered").arg(sequence)
                                   : QStringLiteral("%1 not offered").arg(sequence));
                offeredRight = offeredRight && offered == (sequence >= 3);
                modal = modal || dialog.value(3) == QLatin1String("1");
            }
            const bool ticked
                = dialogs.size() >= TickAt && dialogs.at(TickAt - 1).value(2) == QLatin1String("1");
            result.notes << QStringLiteral("dialogs  answered %1 (%2)")
                                .arg(dialogs.size())
                                .arg(offers.join(QStringLiteral(", ")));
            result.check(QStringLiteral("the stop box offered from the third dialog in a row on"),
                         offeredRight);
            result.check(QStringLiteral("the stop box ticked in dialog %1").arg(TickAt), ticked);
            result.check(QStringLiteral("no dialog held the other windows back"),
                         !dialogs.isEmpty() && !modal);
            // Silence: no dialog for 3 s once the box was ticked. The page's
            // loop still calls alert(), each call answered by the program.
            const double cpuBefore = cpuSeconds(child->pid());
            const qint64 silenceBegan = monotonicNs();
            pause(3000);
            const double busy = (cpuSeconds(child->pid()) - cpuBefore)
                / (double(monotonicNs() - silenceBegan) / 1e9);
            int later = 0;
            while (child->take(QStringLiteral("dialog")))
                ++later;
            result.notes << QStringLiteral(
                                "silence  %1 dialog(s) in the 3 s after the box was ticked; "
                                "the program's process busy %2% of a core meanwhile")
                                .arg(later)
                                .arg(fixed(busy * 100, 0));
            result.check(QStringLiteral("the page silent once stopped"), later == 0 && ticked);
            probe(child, result, QStringLiteral("while the stopped page runs its loop"));

            // The same page in a new tab, its first alert left on screen: the
            // program must still end with Ctrl+Q.
            if (!ask(child, result, QStringLiteral("dialogs hold"), QStringLiteral("dialogs"))
                || !ask(child, result, QStringLiteral("open ") + address(m_alerts),
                        QStringLiteral("opened")))
                return false;
            std::optional<QStringList> held;
            waitUntil([&] { return bool(held = child->take(QStringLiteral("dialog"))); }, 30000,
                      {child}, &failure);
            result.notes << QStringLiteral("held     %1")
                                .arg(held ? QStringLiteral(
                                         "an alert of a second tab on the same page left on screen")
                                          : QStringLiteral("no alert came up in the second tab: ")
                                             + failure);
            result.check(QStringLiteral("an alert on screen for Ctrl+Q, not modal"),
                         held && held->value(3) == QLatin1String("0"));
            return true;
        });
    }

    Result title()
    {
        return run(3, [&](ChildProcess *child, Result &result) {
            if (!ask(child, result, QStringLiteral("open ") + address(m_title),
                     QStringLiteral("opened")))
                return false;
            // Until the tab's name is the long title, or 30 s.
            std::optional<QStringList> shown;
            const qint64 began = monotonicNs();
            while (monotonicNs() - began < 30'000'000'000) {
                shown = ask(child, result, QStringLiteral("title"), QStringLiteral("title"));
                if (!shown)
                    return false;
                if (shown->value(2).toInt() > 100)
                    break;
                pause(250);
            }
            pause(1000);
            shown = ask(child, result, QStringLiteral("title"), QStringLiteral("title"));
            if (!shown)
                return false;
            const int name = shown->value(2).toInt();
            result.notes << QStringLiteral(
                                "title    the page's name %1 characters, the tab's caption %2, "
                                "its panel's text %3; the main window repainted in %4 ms")
                                .arg(name)
                                .arg(shown->value(0), shown->value(1), shown->value(3));
            result.check(QStringLiteral("the long title reached the tab"), name > 100);
            result.check(QStringLiteral("the window repainted within %1 ms").arg(TargetMs),
                         shown->value(3).toDouble() <= TargetMs);
            probe(child, result, QString());
            return true;
        });
    }

    // A page that sets its title up to 220,000 times in 10 s, then stops:
    // how soon the tab shows the last title, and the processor time the
    // program spends in the 10 s after the page stopped. The page says
    // when it stopped; when its word does not come within 12 s of the tab
    // opening (the program may hold it back behind the titles it still
    // handles), the page has stopped by its own clock and the 10 s begin
    // there.
    Result titleStorm()
    {
        return run(3, [&](ChildProcess *child, Result &result) {
            const QString done = QStringLiteral("/titlestorm-done");
            const int before = m_server.requests(done);
            const qint64 began = monotonicNs();
            if (!ask(child, result, QStringLiteral("open ") + address(m_titleStorm),
                     QStringLiteral("opened")))
                return false;
            const auto reported = [&] {
                return m_server.requests(done) > before;
            };
            QString failure;
            waitUntil(reported, 12000, {child}, &failure);
            const qint64 stopped = monotonicNs();
            const bool reportedInTime = reported();
            const double cpuAtStop = cpuSeconds(child->pid());
            double caughtUpMs = -1;
            double reportMs = reportedInTime ? 0 : -1;
            std::optional<QStringList> latest;
            while (monotonicNs() - stopped < 10'000'000'000) {
                latest = ask(child, result, QStringLiteral("latest"), QStringLiteral("latest"));
                if (!latest)
                    return false;
                if (reportMs < 0 && reported())
                    reportMs = double(monotonicNs() - stopped) / 1e6;
                // Only the page's word tells which title was its last.
                if (caughtUpMs < 0 && reported() && latest->value(0) == QLatin1String("1"))
                    caughtUpMs = double(monotonicNs() - stopped) / 1e6;
                pause(250);
            }
            result.cpuAfter = cpuSeconds(child->pid()) - cpuAtStop;
            const QString titles = reported()
                ? m_server.lastQuery(done).queryItemValue(QStringLiteral("n"))
                : QStringLiteral("?");
            result.notes << (reportedInTime
                                 ? QStringLiteral("storm    %1 titles set; the page stopped %2 s "
                                                  "after the tab was asked for")
                                       .arg(titles, fixed(double(stopped - began) / 1e9))
                                 : QStringLiteral(
                                       "storm    no word from the page 12 s after the tab "
                                       "was asked for; %1")
                                       .arg(reportMs >= 0
                                                ? QStringLiteral("it came %1 ms later (%2 titles)")
                                                      .arg(fixed(reportMs, 0), titles)
                                                : QStringLiteral("it had not come 10 s later")));
            result.notes << QStringLiteral("shown    the tab showed the last title %1; its "
                                           "caption changed %2 times")
                                .arg(caughtUpMs >= 0
                                         ? QStringLiteral("%1 ms after the page stopped")
                                               .arg(fixed(caughtUpMs, 0))
                                         : QStringLiteral("not within 10 s of the page stopping"))
                                .arg(latest->value(1));
            result.notes << QStringLiteral(
                                "cpu      the program's process used %1 s of processor time in the "
                                "10 s after the page stopped")
                                .arg(fixed(result.cpuAfter, 2));
            result.check(QStringLiteral("the tab showed the last title within 10 s"),
                         caughtUpMs >= 0);
            probe(child, result, QString());
            return true;
        });
    }

    // A page's storm of questions, answered "no" (Escape) as they come but
    // the first acceptFirst: how many were shown, counted until their
    // number has held for 3 s.
    Result questionStorm(const QUrl &page, int acceptFirst = 0)
    {
        return run(3, [&](ChildProcess *child, Result &result) {
            if (!ask(child, result, QStringLiteral("questions refuse %1").arg(acceptFirst),
                     QStringLiteral("questions"))
                || !ask(child, result, QStringLiteral("open ") + address(page),
                        QStringLiteral("opened")))
                return false;
            const std::optional<QStringList> shown
                = askUntilSteady(child, result, QStringLiteral("questions"), 90'000'000'000);
            if (!shown)
                return false;
            const int total = shown->value(0).toInt();
            result.questions = total;
            result.notes << QStringLiteral("asked    %1 question(s): %2 save, %3 sign-in, %4 "
                                           "certificate, %5 other; %6 accepted, the rest refused")
                                .arg(total)
                                .arg(shown->value(1), shown->value(2), shown->value(3),
                                     shown->value(4))
                                .arg(std::min(acceptFirst, total));
            probe(child, result, QString());
            return true;
        });
    }

    Result downloads(bool frames)
    {
        return questionStorm(frames ? m_downloadsFrames : m_downloadsScript);
    }

    Result signIn() { return questionStorm(m_signIn); }

    // A plain https page from a self-signed server (its question accepted),
    // holding 15 images and 15 frames from a second self-signed server.
    Result certificates()
    {
        if (!m_tls) {
            m_tls = std::make_unique<TlsServers>();
            QString error;
            if (!m_tls->folder.isValid()
                || !m_tls->page.start(m_tls->folder.path(), QStringLiteral("page"), &error)
                || !m_tls->parts.start(m_tls->folder.path(), QStringLiteral("parts"), &error)) {
                Result failed;
                failed.notes << QStringLiteral("failed   ") + error;
                failed.check(QStringLiteral("the https servers started"), false);
                m_tls.reset();
                return failed;
            }
            QByteArray body = "<!DOCTYPE html><html lang=\"fr\"><head><meta charset=\"utf-8\">"
                              "<title>Certificats</title></head><body>";
            for (int i = 0; i < 15; ++i) {
                body += "<img src=\"" + m_tls->parts.url(QStringLiteral("/image")).toEncoded()
                    + "?i=" + QByteArray::number(i) + "\">";
                body += "<iframe src=\"" + m_tls->parts.url(QStringLiteral("/frame")).toEncoded()
                    + "?i=" + QByteArray::number(i) + "\"></iframe>";
            }
            body += "</body></html>";
            m_tls->page.addPage(QStringLiteral("/page"), "text/html; charset=utf-8", body);
            m_tls->parts.addPage(QStringLiteral("/image"), "image/svg+xml",
                                 "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"8\" "
                                 "height=\"8\"/>");
            m_tls->parts.addPage(QStringLiteral("/frame"), "text/html; charset=utf-8",
                                 "<!DOCTYPE html><p>Cadre</p>");
        }
        return questionStorm(m_tls->page.url(QStringLiteral("/page")), 1);
    }

    // Fifty downloads whose questions wait on screen, then the tab closed:
    // the program must come through, and the questions go.
    Result closeDuringDownloads()
    {
        return run(3, [&](ChildProcess *child, Result &result) {
            if (!ask(child, result, QStringLiteral("dialogs hold"), QStringLiteral("dialogs"))
                || !ask(child, result, QStringLiteral("open ") + address(m_downloadsScript),
                        QStringLiteral("opened")))
                return false;
            QString failure;
            int held = 0;
            waitUntil(
                [&] {
                    while (child->take(QStringLiteral("dialog")))
                        ++held;
                    return held > 0;
                },
                30000, {child}, &failure);
            pause(1000);
            while (child->take(QStringLiteral("dialog")))
                ++held;
            const std::optional<QStringList> closed
                = ask(child, result, QStringLiteral("close"), QStringLiteral("closed"));
            pause(2000);
            // What is still on screen is answered "no" from now on.
            ask(child, result, QStringLiteral("questions refuse"), QStringLiteral("questions"));
            pause(3000);
            const bool survived = child->running();
            result.notes << QStringLiteral("close    %1 question(s) waiting when the tab was "
                                           "closed; the program %2")
                                .arg(held)
                                .arg(survived ? QStringLiteral("survived")
                                              : QStringLiteral("did NOT survive"));
            result.check(QStringLiteral("a question waited when the tab closed"), held > 0);
            result.check(QStringLiteral("the tab closed"), bool(closed));
            result.check(QStringLiteral("the program survived"), survived);
            if (!survived)
                return false;
            probe(child, result, QString());
            return true;
        });
    }

    // Another document for every navigation, or a fragment of the same one.
    Result navigation(bool fragments)
    {
        const QUrl page = fragments ? m_fragments : m_navigate;
        const QString path = page.path();
        return run(3, [&](ChildProcess *child, Result &result) {
            const int before = m_server.requests(path);
            const qint64 began = monotonicNs();
            if (!ask(child, result, QStringLiteral("open ") + address(page),
                     QStringLiteral("opened")))
                return false;
            pause(m_stormSeconds * 1000);
            const double seconds = double(monotonicNs() - began) / 1e9;
            const int loads = m_server.requests(path) - before;
            const std::optional<QStringList> shown
                = ask(child, result, QStringLiteral("title"), QStringLiteral("title"));
            const std::optional<QStringList> changes
                = ask(child, result, QStringLiteral("navigations"), QStringLiteral("navigations"));
            result.notes << QStringLiteral("storm    %1 s: %2 documents requested (%3 a second), "
                                           "%4 address changes reported to the program%5")
                                .arg(fixed(seconds))
                                .arg(loads)
                                .arg(fixed(loads / seconds, 0))
                                .arg(changes ? changes->value(0) : QStringLiteral("?"))
                                .arg(shown ? QStringLiteral("; the main window repainted in %1 ms")
                                                 .arg(shown->value(3))
                                           : QString());
            // The engine says on the console when it holds a page's navigations
            // back.
            if (child->errorTail(2000).contains(QLatin1String("Throttling navigation")))
                result.notes << QStringLiteral(
                    "throttle the engine said it throttled the page's navigations");
            result.check(QStringLiteral("the page navigated"),
                         changes && changes->value(0).toInt() > 1);
            probe(child, result, QStringLiteral("while the storm goes on"));
            return true;
        });
    }

    Result allocation()
    {
        return run(3, [&](ChildProcess *child, Result &result) {
            const qint64 began = monotonicNs();
            if (!ask(child, result, QStringLiteral("open ") + address(m_allocate),
                     QStringLiteral("opened")))
                return false;
            bool crashed = false;
            while (!crashed && monotonicNs() - began < 60'000'000'000) {
                pause(250);
                const std::optional<QStringList> answer
                    = ask(child, result, QStringLiteral("crashed"), QStringLiteral("crashed"));
                if (!answer)
                    return false;
                crashed = answer->value(0) == QLatin1String("1");
            }
            result.notes
                << (crashed ? QStringLiteral(
                                  "crash    the tab showed the crash page %1 s after it opened")
                                  .arg(fixed(double(monotonicNs() - began) / 1e9))
                            : QStringLiteral("crash    no crash page within 60 s"));
            result.check(QStringLiteral("the crash page shown"), crashed);
            probe(child, result, QString());
            const std::optional<QStringList> opened
                = ask(child, result, QStringLiteral("open %1 load").arg(address(m_quiet)),
                      QStringLiteral("opened"));
            result.check(QStringLiteral("a new tab opens and loads after the crash"), bool(opened));
            return true;
        });
    }

private:
    static QString address(const QUrl &url) { return url.toString(QUrl::FullyEncoded); }

    // A scenario: the program started with the popup mode, the ping running
    // and the stall measure reset, then the scenario's own steps; once they
    // have gone through (true), the figures and Ctrl+Q. A step that failed
    // is noted in the result.
    Result run(int popupMode, const std::function<bool(ChildProcess *child, Result &result)> &steps)
    {
        Result result;
        const std::unique_ptr<ChildProcess> child = start(result, popupMode);
        if (!child)
            return result;
        Pinger pinger(child.get());
        if (ask(child.get(), result, QStringLiteral("stall reset"), {})
            && steps(child.get(), result))
            finish(child.get(), pinger, result);
        return result;
    }

    std::unique_ptr<ChildProcess> start(Result &result, int popupMode)
    {
        auto child = std::make_unique<ChildProcess>(
            QStringLiteral("corvane"), m_childPath,
            QStringList {QStringLiteral("--page"), address(m_quiet), QStringLiteral("--popup-mode"),
                         QString::number(popupMode), QStringLiteral("--js-heap"),
                         QString::number(m_heapMiB)});
        QString error;
        if (!child->start(m_environment, &error)) {
            result.notes << QStringLiteral("failed   ") + error;
            result.check(QStringLiteral("the program started"), false);
            return nullptr;
        }
        if (!ask(child.get(), result, QString(), QStringLiteral("ready"), 90000))
            return nullptr;
        return child;
    }

    // Sends command (none when empty) and waits for the answer starting with
    // word (none when empty); a failure is noted in the result.
    // Asks the command (whose answer's word is the command itself) every
    // 250 ms until the first number of its answer has held for 3 s, or
    // limitNs has passed; the last answer.
    std::optional<QStringList> askUntilSteady(ChildProcess *child, Result &result,
                                              const QString &command, qint64 limitNs)
    {
        std::optional<QStringList> answer;
        int value = -1;
        qint64 changed = monotonicNs();
        const qint64 began = changed;
        while (monotonicNs() - changed < 3'000'000'000 && monotonicNs() - began < limitNs) {
            pause(250);
            answer = ask(child, result, command, command);
            if (!answer)
                return std::nullopt;
            if (answer->value(0).toInt() != value) {
                value = answer->value(0).toInt();
                changed = monotonicNs();
            }
        }
        return answer;
    }

    std::optional<QStringList> ask(ChildProcess *child, Result &result, const QString &command,
                                   const QString &word, int timeoutMs = 30000)
    {
        if (!command.isEmpty())
            child->send(command);
        if (word.isEmpty())
            return QStringList();
        std::optional<QStringList> answer;
        QString failure;
        if (waitUntil([&] { return bool(answer = child->take(word)); }, timeoutMs, {child},
                      &failure))
            return answer;
        result.notes << QStringLiteral("failed   %1: %2")
                            .arg(command.isEmpty() ? word : command.section(u' ', 0, 0), failure);
        result.notes << QStringLiteral("stderr   ")
                + child->errorTail(15).replace(u'\n', QStringLiteral("\n         "));
        result.check(QStringLiteral("the program answered %1").arg(word), false);
        return std::nullopt;
    }

    void probe(ChildProcess *child, Result &result, const QString &when)
    {
        const std::optional<QStringList> answer
            = ask(child, result, QStringLiteral("probe"), QStringLiteral("probe"));
        const bool answered = answer && answer->value(0) == QLatin1String("1");
        // The last probe is the one the figures give.
        result.otherAnswered = answered;
        result.otherMs = answered ? answer->value(1).toDouble() : -1;
        result.notes << QStringLiteral("other    the first tab %1%2")
                            .arg(answered
                                     ? QStringLiteral("ran a script in %1 ms").arg(answer->value(1))
                                     : QStringLiteral("did not run a script within 5 s"),
                                 when.isEmpty() ? QString() : QLatin1Char(' ') + when);
        result.check(QStringLiteral("another tab answered")
                         + (when.isEmpty() ? QString() : QLatin1Char(' ') + when),
                     answered);
    }

    // The scenario's figures, then Ctrl+Q: the program must end by itself.
    void finish(ChildProcess *child, Pinger &pinger, Result &result)
    {
        const std::optional<QStringList> stall
            = ask(child, result, QStringLiteral("stall"), QStringLiteral("stall"));
        const std::optional<QStringList> tabs
            = ask(child, result, QStringLiteral("tabs"), QStringLiteral("tabs"));
        pinger.stop();
        result.pingMs = pinger.worstMs();
        if (!stall || !tabs)
            return;
        result.stallMs = stall->value(0).toDouble();
        result.stallsOver = stall->value(1).toInt();
        result.stallAtMs = stall->value(3).toDouble();
        result.stallOtherMs = stall->value(4).toDouble();
        result.tabs = tabs->value(0).toInt();

        qint64 endedAt = 0;
        const QMetaObject::Connection connection = QObject::connect(
            child, &ChildProcess::ended, child, [&endedAt] { endedAt = monotonicNs(); });
        const std::optional<QStringList> pressing
            = ask(child, result, QStringLiteral("ctrlq"), QStringLiteral("pressing"));
        if (pressing) {
            result.quitFrom = pressing->value(1);
            QString failure;
            waitUntil([&] { return endedAt != 0; }, QuitTimeoutMs, {}, &failure);
            result.quitEnded = endedAt != 0;
            if (result.quitEnded)
                result.quitMs = double(endedAt - pressing->value(0).toLongLong()) / 1e6;
        }
        QObject::disconnect(connection);
        result.check(
            QStringLiteral("Ctrl+Q ended the program within %1 s").arg(QuitTimeoutMs / 1000),
            result.quitEnded);
        // What is left of it, if anything, goes now.
        child->stop();
    }

    QString m_childPath;
    int m_stormSeconds;
    int m_heapMiB;
    BenchEnvironment m_environment;
    PageServer m_server;
    QUrl m_quiet;
    QUrl m_popups;
    QUrl m_alerts;
    QUrl m_title;
    QUrl m_navigate;
    QUrl m_fragments;
    QUrl m_allocate;
    QUrl m_titleStorm;
    QUrl m_downloadsScript;
    QUrl m_downloadsFrames;
    QUrl m_signIn;
    struct TlsServers
    {
        QTemporaryDir folder;
        TlsPageServer page;
        TlsPageServer parts;
    };
    std::unique_ptr<TlsServers> m_tls;
};

void print(const Result &result)
{
    out << "\nscenario " << result.name << '\n';
    for (const QString &note : result.notes)
        out << note << '\n';
    out << "stall    worst gap of the main thread " << fixed(result.stallMs) << " ms (beginning "
        << fixed(result.stallAtMs / 1000, 2) << " s in; " << fixed(result.stallOtherMs)
        << " ms outside the harness's tab openings; " << result.stallsOver << " over " << TargetMs
        << " ms), worst ping " << fixed(result.pingMs) << " ms: target "
        << (result.stallMs >= 0 && result.stallMs <= TargetMs && result.pingMs <= TargetMs
                ? "met"
                : "MISSED")
        << '\n'
        << "tabs     " << result.tabs << '\n'
        << "ctrl+q   "
        << (result.quitEnded
                ? QStringLiteral("the program ended %1 ms after Ctrl+Q").arg(fixed(result.quitMs))
                : QStringLiteral("the program did not end within %1 s").arg(QuitTimeoutMs / 1000))
        << " (pressed with " << (result.quitFrom.isEmpty() ? QStringLiteral("-") : result.quitFrom)
        << " active)\n";
    for (const auto &[what, ok] : result.checks)
        out << (ok ? "ok       " : "FAILED   ") << what << '\n';
    out.flush();
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Puts the browser in front of hostile local pages and prints, for each, the worst stall "
        "of its main thread, its tabs, whether another tab answers and whether Ctrl+Q ends it."));
    parser.addHelpOption();
    const QStringList all {QStringLiteral("quiet"),
                           QStringLiteral("popups-allow"),
                           QStringLiteral("popups-ask"),
                           QStringLiteral("alerts"),
                           QStringLiteral("title"),
                           QStringLiteral("navigation"),
                           QStringLiteral("fragments"),
                           QStringLiteral("allocation"),
                           QStringLiteral("title-storm"),
                           QStringLiteral("downloads-script"),
                           QStringLiteral("downloads-frames"),
                           QStringLiteral("signin"),
                           QStringLiteral("certificates"),
                           QStringLiteral("close-downloads")};
    parser.addPositionalArgument(QStringLiteral("SCENARIO"),
                                 QStringLiteral("Which to run (default: all): ") + all.join(u' ')
                                     + QStringLiteral("; also blocked, the measure's own check"),
                                 QStringLiteral("[SCENARIO...]"));
    const QCommandLineOption secondsOption(
        QStringLiteral("seconds"), QStringLiteral("How long the navigating page runs (12)."),
        QStringLiteral("S"));
    const QCommandLineOption heapOption(
        QStringLiteral("heap"), QStringLiteral("The renderers' script heap cap in MiB (512)."),
        QStringLiteral("MIB"));
    const QCommandLineOption childOption(QStringLiteral("program"),
                                         QStringLiteral("The browser's harness to drive."),
                                         QStringLiteral("PATH"));
    parser.addOptions({secondsOption, heapOption, childOption});
    parser.process(app);

    QStringList chosen = parser.positionalArguments();
    if (chosen.isEmpty())
        chosen = all;
    for (const QString &name : std::as_const(chosen)) {
        if (!all.contains(name) && name != QLatin1String("blocked")) {
            err << "corvane_hostile: no scenario " << name << "; there are " << all.join(u' ')
                << '\n';
            return 2;
        }
    }
    const auto positive = [&parser](const QCommandLineOption &option, int fallback) {
        bool ok = false;
        const int value = parser.value(option).toInt(&ok);
        return parser.value(option).isEmpty() ? fallback : ok && value > 0 ? value : -1;
    };
    const int seconds = positive(secondsOption, 12);
    const int heap = positive(heapOption, 512);
    if (seconds <= 0 || heap <= 0) {
        err << "corvane_hostile: --seconds and --heap take a positive number\n";
        return 2;
    }
    const QString childPath = parser.isSet(childOption)
        ? parser.value(childOption)
        : QStringLiteral(CORVANE_BENCH_HOSTILE_CHILD_PATH);
    if (!QFileInfo(childPath).isExecutable()) {
        err << "corvane_hostile: " << childPath << " is not an executable file (build it first)\n";
        return 2;
    }

    Bench bench(childPath, seconds, heap);
    if (!bench.listen())
        return 1;
    bench.printHeader();
    QList<Result> results;
    for (const QString &name : std::as_const(chosen)) {
        err << "corvane_hostile: " << name << "...\n";
        err.flush();
        Result result = name == QLatin1String("blocked") ? bench.blocked()
            : name == QLatin1String("quiet")             ? bench.quiet()
            : name == QLatin1String("popups-allow")      ? bench.popups(3)
            : name == QLatin1String("popups-ask")        ? bench.popups(2)
            : name == QLatin1String("alerts")            ? bench.alerts()
            : name == QLatin1String("title")             ? bench.title()
            : name == QLatin1String("navigation")        ? bench.navigation(false)
            : name == QLatin1String("fragments")         ? bench.navigation(true)
            : name == QLatin1String("title-storm")       ? bench.titleStorm()
            : name == QLatin1String("downloads-script")  ? bench.downloads(false)
            : name == QLatin1String("downloads-frames")  ? bench.downloads(true)
            : name == QLatin1String("signin")            ? bench.signIn()
            : name == QLatin1String("certificates")      ? bench.certificates()
            : name == QLatin1String("close-downloads")   ? bench.closeDuringDownloads()
                                                         : bench.allocation();
        result.name = name;
        print(result);
        results << result;
    }

    out << "\n| scenario | worst stall (ms) | outside tab openings (ms) | worst ping (ms) | tabs | "
           "questions | CPU after (s) | other tab answered | Ctrl+Q ended (ms) | checks |\n"
        << "| --- | --- | --- | --- | --- | --- | --- | --- | --- | --- |\n";
    bool allPassed = true;
    for (const Result &result : std::as_const(results)) {
        int failed = 0;
        for (const auto &check : result.checks)
            failed += check.second ? 0 : 1;
        allPassed = allPassed && result.passed();
        out << "| " << result.name << " | " << fixed(result.stallMs) << " | "
            << fixed(result.stallOtherMs) << " | " << fixed(result.pingMs) << " | " << result.tabs
            << " | "
            << (result.questions >= 0 ? QString::number(result.questions) : QStringLiteral("-"))
            << " | " << (result.cpuAfter >= 0 ? fixed(result.cpuAfter, 2) : QStringLiteral("-"))
            << " | "
            << (result.otherAnswered ? QStringLiteral("yes, %1 ms").arg(fixed(result.otherMs))
                                     : QStringLiteral("no"))
            << " | " << (result.quitEnded ? fixed(result.quitMs, 0) : QStringLiteral("no")) << " | "
            << (failed ? QStringLiteral("%1 failed").arg(failed) : QStringLiteral("all passed"))
            << " |\n";
    }
    out.flush();
    return allPassed ? 0 : 1;
}
