#include "Figures.h"
#include "PageServer.h"
#include "StartupRunner.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFileInfo>
#include <QTextStream>

using Figures::joined;
using Figures::median;

namespace {

struct Samples
{
    QList<qint64> milliseconds;
    QList<qint64> rssKiB;
    QList<qint64> pssKiB;
    QList<int> processes;
};

QString padded(const QString &label)
{
    return label.leftJustified(8) + QLatin1Char(' ');
}

// The end of what a failed program printed, which is where the engine says
// why it could not start.
QString tail(const QByteArray &output, int lines)
{
    QList<QByteArray> all = output.split('\n');
    if (all.size() > lines)
        all = all.mid(all.size() - lines);
    return QString::fromLocal8Bit(all.join('\n'));
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
    QTextStream out(stdout);
    QTextStream err(stderr);

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Measures the time from process start to the first page loaded, for the browser and for\n"
        "the single-view floor program, in interleaved runs, and prints both medians."));
    parser.addHelpOption();
    const QCommandLineOption runsOption(QStringLiteral("runs"),
                                        QStringLiteral("Measured runs of each program."),
                                        QStringLiteral("N"), QStringLiteral("5"));
    const QCommandLineOption warmupOption(QStringLiteral("warmup"),
                                          QStringLiteral("Unreported runs of each program first."),
                                          QStringLiteral("N"), QStringLiteral("1"));
    const QCommandLineOption timeoutOption(
        QStringLiteral("timeout"),
        QStringLiteral("Seconds a run may take before it counts as failed."), QStringLiteral("S"),
        QStringLiteral("60"));
    const QCommandLineOption corvaneOption(QStringLiteral("corvane"),
                                           QStringLiteral("The browser to measure."),
                                           QStringLiteral("PATH"));
    const QCommandLineOption floorOption(
        QStringLiteral("floor"), QStringLiteral("The floor program."), QStringLiteral("PATH"));
    const QCommandLineOption selfOption(
        QStringLiteral("compare-floor-with-itself"),
        QStringLiteral(
            "Run the floor in both places instead of the browser, which shows the bench's noise."));
    const QCommandLineOption memoryOption(
        QStringLiteral("also-memory"),
        QStringLiteral(
            "Also print the memory of each program's process tree when its page loaded."));
    const QCommandLineOption persistentOption(
        QStringLiteral("floor-persistent"),
        QStringLiteral("Give the floor a profile kept on disk, as the browser's is (the floor's "
                       "--persistent)."));
    parser.addOptions({runsOption, warmupOption, timeoutOption, corvaneOption, floorOption,
                       selfOption, memoryOption, persistentOption});
    parser.process(app);

    bool runsOk = false;
    bool warmupOk = false;
    bool timeoutOk = false;
    const int runs = parser.value(runsOption).toInt(&runsOk);
    const int warmup = parser.value(warmupOption).toInt(&warmupOk);
    const int timeout = parser.value(timeoutOption).toInt(&timeoutOk);
    if (!runsOk || runs < 1 || !warmupOk || warmup < 0 || !timeoutOk || timeout < 1) {
        err << "corvane_startup: --runs and --timeout take a positive number, --warmup zero or "
               "more\n";
        return 2;
    }

#ifdef CORVANE_BENCH_FLOOR_PATH
    const QString builtFloor = QStringLiteral(CORVANE_BENCH_FLOOR_PATH);
#else
    const QString builtFloor;
#endif
#ifdef CORVANE_BENCH_CORVANE_PATH
    const QString builtCorvane = QStringLiteral(CORVANE_BENCH_CORVANE_PATH);
#else
    const QString builtCorvane;
#endif
    const QString floorPath = parser.isSet(floorOption) ? parser.value(floorOption) : builtFloor;
    const bool selfCompare = parser.isSet(selfOption);
    Program first {QStringLiteral("corvane"),
                   parser.isSet(corvaneOption) ? parser.value(corvaneOption) : builtCorvane,
                   Program::Address::SettingsFile,
                   {}};
    Program second {QStringLiteral("floor"), floorPath, Program::Address::Argument, {}};
    if (parser.isSet(persistentOption))
        second.options << QStringLiteral("--persistent");
    if (selfCompare) {
        first = Program {QStringLiteral("floor-a"), floorPath, Program::Address::Argument, {}};
        first.options = second.options;
        second.label = QStringLiteral("floor-b");
    }
    for (const Program &program : {first, second}) {
        if (program.path.isEmpty()) {
            err << "corvane_startup: no " << program.label
                << " program known to this build: pass --" << program.label
                << " PATH (or --compare-floor-with-itself)\n";
            return 2;
        }
        if (!usable(program.path)) {
            err << "corvane_startup: " << program.path
                << " is not an executable file (build it first)\n";
            return 2;
        }
    }

    PageServer server;
    QString listenError;
    if (!server.listen(&listenError)) {
        err << "corvane_startup: cannot listen on 127.0.0.1: " << listenError << '\n';
        return 1;
    }
    StartupRunner runner(&server, timeout);

    out << padded(first.label) << first.path << '\n' << padded(second.label) << second.path << '\n';
    const QStringList notes = runner.environmentNotes();
    for (const QString &note : notes)
        out << note << '\n';
    out << "page     " << server.pageUrl(0).adjusted(QUrl::RemoveQuery).toString() << '\n';
    out << "runs     " << runs << " of each, interleaved, after " << warmup
        << " unreported warm-up run" << (warmup == 1 ? "" : "s")
        << " of each; sample = wall time from start to the page's onload\n";
    out.flush();

    const Program programs[] = {first, second};
    Samples samples[2];
    int runNumber = 0;
    for (int round = 0; round < warmup + runs; ++round) {
        const bool measured = round >= warmup;
        for (int i = 0; i < 2; ++i) {
            const RunResult result = runner.run(programs[i], ++runNumber);
            const QString which = measured
                ? QStringLiteral("run %1/%2").arg(round - warmup + 1).arg(runs)
                : QStringLiteral("warm-up %1/%2").arg(round + 1).arg(warmup);
            if (!result.ok) {
                err << "corvane_startup: " << which << ": " << result.failure << " (after "
                    << result.milliseconds << " ms)\n";
                err << "---- its output, last lines ----\n"
                    << tail(result.output, 40) << "\n----\n";
                return 1;
            }
            err << which << "  " << padded(programs[i].label) << result.milliseconds << " ms";
            if (parser.isSet(memoryOption))
                err << "  rss " << result.memory.rssKiB / 1024 << " MiB  pss "
                    << result.memory.pssKiB / 1024 << " MiB  " << result.memory.processes
                    << " processes";
            err << '\n';
            err.flush();
            if (!measured)
                continue;
            samples[i].milliseconds << result.milliseconds;
            samples[i].rssKiB << result.memory.rssKiB;
            samples[i].pssKiB << result.memory.pssKiB;
            samples[i].processes << result.memory.processes;
        }
    }

    out << '\n';
    for (int i = 0; i < 2; ++i) {
        out << padded(programs[i].label) << "median " << qRound64(median(samples[i].milliseconds))
            << " ms  (samples " << joined(samples[i].milliseconds) << ")\n";
    }
    if (parser.isSet(memoryOption)) {
        for (int i = 0; i < 2; ++i) {
            out << padded(programs[i].label) << "memory at onload, medians: RSS sum "
                << qRound64(median(samples[i].rssKiB) / 1024) << " MiB, PSS sum "
                << qRound64(median(samples[i].pssKiB) / 1024) << " MiB, "
                << median(samples[i].processes) << " processes\n";
        }
    }
    const double floorMedian = median(samples[1].milliseconds);
    out << padded(QStringLiteral("ratio"))
        << (floorMedian > 0 ? QString::number(median(samples[0].milliseconds) / floorMedian, 'f', 2)
                            : QStringLiteral("n/a"))
        << '\n';
    return 0;
}
