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

#include <unistd.h>

using namespace std::chrono_literals;

StartupRunner::StartupRunner(PageServer *server, int timeoutSeconds)
    : m_server(server)
    , m_timeoutSeconds(timeoutSeconds)
    , m_base(QProcessEnvironment::systemEnvironment())
{
    // Without a display both programs render offscreen; with one they use it,
    // as a person starting them would.
    if (m_base.value(QStringLiteral("DISPLAY")).isEmpty()
        && m_base.value(QStringLiteral("WAYLAND_DISPLAY")).isEmpty()) {
        m_base.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        m_offscreen = true;
    }
    // The X server's cookie is found through HOME unless named; HOME is about
    // to change for every run.
    const QString xauthority
        = QDir(m_base.value(QStringLiteral("HOME"))).filePath(QStringLiteral(".Xauthority"));
    if (!m_base.value(QStringLiteral("DISPLAY")).isEmpty()
        && !m_base.contains(QStringLiteral("XAUTHORITY")) && QFileInfo::exists(xauthority))
        m_base.insert(QStringLiteral("XAUTHORITY"), xauthority);
    // The engine refuses to start as root with its sandbox on.
    if (::geteuid() == 0) {
        m_base.insert(QStringLiteral("QTWEBENGINE_DISABLE_SANDBOX"), QStringLiteral("1"));
        m_sandboxDisabled = true;
    }
    m_base.insert(QStringLiteral("QTWEBENGINE_CHROMIUM_FLAGS"), chromiumFlags());
    // The runtime folder holds the display's socket under Wayland and is kept
    // when there is one; it never holds a profile or a cache.
    m_ownRuntimeDir = m_base.value(QStringLiteral("XDG_RUNTIME_DIR")).isEmpty();
}

QString StartupRunner::chromiumFlags()
{
    // The machine reaches nothing beyond loopback: the engine must not spend
    // a run waiting on background fetches, update checks or first-run work.
    return QStringLiteral(
        "--disable-background-networking --disable-component-update --no-first-run");
}

QStringList StartupRunner::environmentNotes() const
{
    QStringList notes;
    notes << (m_offscreen ? QStringLiteral("display  none: both run with QT_QPA_PLATFORM=offscreen")
                          : QStringLiteral("display  the caller's (DISPLAY=%1 WAYLAND_DISPLAY=%2)")
                                .arg(m_base.value(QStringLiteral("DISPLAY")),
                                     m_base.value(QStringLiteral("WAYLAND_DISPLAY"))));
    if (m_sandboxDisabled)
        notes << QStringLiteral("sandbox  off (running as root: QTWEBENGINE_DISABLE_SANDBOX=1)");
    notes << QStringLiteral("flags    QTWEBENGINE_CHROMIUM_FLAGS=\"%1\"").arg(chromiumFlags());
    notes << QStringLiteral("profile  fresh empty HOME and XDG_* folders for every run");
    return notes;
}

QProcessEnvironment StartupRunner::environmentFor(const QString &home) const
{
    QProcessEnvironment environment = m_base;
    const QDir dir(home);
    environment.insert(QStringLiteral("HOME"), home);
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), dir.filePath(QStringLiteral(".config")));
    environment.insert(QStringLiteral("XDG_CACHE_HOME"), dir.filePath(QStringLiteral(".cache")));
    environment.insert(QStringLiteral("XDG_DATA_HOME"),
                       dir.filePath(QStringLiteral(".local/share")));
    environment.insert(QStringLiteral("XDG_STATE_HOME"),
                       dir.filePath(QStringLiteral(".local/state")));
    if (m_ownRuntimeDir)
        environment.insert(QStringLiteral("XDG_RUNTIME_DIR"),
                           dir.filePath(QStringLiteral(".runtime")));
    return environment;
}

RunResult StartupRunner::run(const Program &program, int runNumber)
{
    RunResult result;
    QTemporaryDir scratch(QDir::temp().filePath(QStringLiteral("corvane-bench-XXXXXX")));
    const QString home = scratch.filePath(QStringLiteral("home"));
    const QString folder = scratch.filePath(QStringLiteral("program"));
    const QString binary = QDir(folder).filePath(QFileInfo(program.path).fileName());
    const QUrl page = m_server->pageUrl(runNumber);
    bool prepared = scratch.isValid() && QDir().mkpath(home) && QDir().mkpath(folder)
        && QFile::copy(program.path, binary);
    if (prepared && m_ownRuntimeDir) {
        // The runtime folder must be private to its owner, or Qt complains.
        const QString runtime = QDir(home).filePath(QStringLiteral(".runtime"));
        prepared = QDir().mkpath(runtime)
            && QFile::setPermissions(runtime,
                                     QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
    if (!prepared) {
        result.failure = QStringLiteral("cannot prepare a folder for %1 under %2")
                             .arg(program.path, scratch.path());
        return result;
    }
    QStringList arguments;
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
    process.setProcessEnvironment(environmentFor(home));
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
