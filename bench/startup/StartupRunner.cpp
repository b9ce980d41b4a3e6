#include "StartupRunner.h"

#include "PageServer.h"

#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>

#include <memory>

using namespace std::chrono_literals;

StartupRunner::StartupRunner(PageServer *server, int timeoutSeconds)
    : m_server(server)
    , m_timeoutSeconds(timeoutSeconds)
{
}

QStringList StartupRunner::environmentNotes() const
{
    return m_environment.notes();
}

RunResult StartupRunner::run(const Program &program, int runNumber)
{
    RunResult result;
    QTemporaryDir scratch(QDir::temp().filePath(QStringLiteral("corvane-bench-XXXXXX")));
    const QString home = scratch.filePath(QStringLiteral("home"));
    const QString folder = scratch.filePath(QStringLiteral("program"));
    const QString binary = QDir(folder).filePath(QFileInfo(program.path).fileName());
    const QUrl page = m_server->pageUrl(runNumber);
    const bool prepared = scratch.isValid() && m_environment.prepareHome(home)
        && QDir().mkpath(folder) && QFile::copy(program.path, binary);
    if (!prepared) {
        result.failure = QStringLiteral("cannot prepare a folder for %1 under %2")
                             .arg(program.path, scratch.path());
        return result;
    }
    QStringList arguments = program.options;
    if (program.address == Program::Address::SettingsFile) {
        // The browser reads its start page from the settings file beside it.
        QFile settings(QDir(folder).filePath(QStringLiteral("Corvane.ini")));
        if (!settings.open(QIODevice::WriteOnly)
            || settings.write(page.toEncoded() + "\r\n3\r\n") < 0 || !settings.flush()) {
            result.failure = QStringLiteral("cannot write %1").arg(settings.fileName());
            return result;
        }
    } else {
        arguments << page.toString(QUrl::FullyEncoded);
    }

    QProcess process;
    process.setProgram(binary);
    process.setArguments(arguments);
    process.setWorkingDirectory(folder);
    process.setProcessEnvironment(m_environment.forHome(home));
    process.setProcessChannelMode(QProcess::MergedChannels);

    QEventLoop loop;
    // Whichever of these ends the wait decides the outcome; the watcher goes
    // with the wait, so that ending the program afterwards cannot change it.
    auto watcher = std::make_unique<QObject>();
    QTimer timeout;
    timeout.setSingleShot(true);
    timeout.setTimerType(Qt::PreciseTimer);
    QElapsedTimer clock;
    bool reported = false;
    QObject::connect(m_server, &PageServer::onloadReported, watcher.get(), [&](int run) {
        if (run != runNumber || reported)
            return;
        result.milliseconds = clock.elapsed();
        reported = true;
        result.memory = ProcessTree::memory(ProcessTree::of(process.processId()));
        loop.quit();
    });
    QObject::connect(
        &process, &QProcess::finished, watcher.get(), [&](int code, QProcess::ExitStatus status) {
            result.failure = status == QProcess::CrashExit
                ? QStringLiteral("%1 crashed before its page loaded").arg(program.label)
                : QStringLiteral("%1 exited with code %2 before its page loaded")
                      .arg(program.label)
                      .arg(code);
            loop.quit();
        });
    QObject::connect(&process, &QProcess::errorOccurred, watcher.get(),
                     [&](QProcess::ProcessError error) {
                         if (error != QProcess::FailedToStart)
                             return;
                         result.failure = QStringLiteral("%1 failed to start: %2")
                                              .arg(program.label, process.errorString());
                         loop.quit();
                     });
    QObject::connect(&timeout, &QTimer::timeout, watcher.get(), [&] {
        result.failure = QStringLiteral("%1 did not report its page loaded within %2 s")
                             .arg(program.label)
                             .arg(m_timeoutSeconds);
        loop.quit();
    });

    timeout.start(m_timeoutSeconds * 1000);
    clock.start();
    process.start();
    loop.exec();
    watcher.reset();
    result.ok = reported;
    if (!result.ok)
        result.milliseconds = clock.elapsed();

    // The helpers are found before their parent goes: once it has, they no
    // longer hang under it and could linger into the next run.
    const QList<ProcessTree::Process> tree = ProcessTree::of(process.processId());
    if (process.state() != QProcess::NotRunning) {
        process.terminate();
        if (!process.waitForFinished(5000)) {
            process.kill();
            process.waitForFinished(5000);
        }
    }
    const int left = ProcessTree::killSurvivors(tree, 5s);
    result.output = process.readAll();
    if (left > 0 && result.ok) {
        result.ok = false;
        result.failure = QStringLiteral("%1 left %2 processes that would not end")
                             .arg(program.label)
                             .arg(left);
    }
    return result;
}
