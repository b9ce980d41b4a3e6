#include "BenchEnvironment.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <unistd.h>

BenchEnvironment::BenchEnvironment()
    : m_base(QProcessEnvironment::systemEnvironment())
{
    // Without a display the programs render offscreen; with one they use it,
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

QString BenchEnvironment::chromiumFlags()
{
    // The machine reaches nothing beyond loopback: the engine must not spend
    // a run waiting on background fetches, update checks or first-run work.
    return QStringLiteral(
        "--disable-background-networking --disable-component-update --no-first-run");
}

QStringList BenchEnvironment::notes() const
{
    QStringList notes;
    notes << (m_offscreen
                  ? QStringLiteral("display  none: programs run with QT_QPA_PLATFORM=offscreen")
                  : QStringLiteral("display  the caller's (DISPLAY=%1 WAYLAND_DISPLAY=%2)")
                        .arg(m_base.value(QStringLiteral("DISPLAY")),
                             m_base.value(QStringLiteral("WAYLAND_DISPLAY"))));
    if (m_sandboxDisabled)
        notes << QStringLiteral("sandbox  off (running as root: QTWEBENGINE_DISABLE_SANDBOX=1)");
    notes << QStringLiteral("flags    QTWEBENGINE_CHROMIUM_FLAGS=\"%1\"").arg(chromiumFlags());
    notes << QStringLiteral("profile  fresh empty HOME and XDG_* folders for every run");
    return notes;
}

bool BenchEnvironment::prepareHome(const QString &home) const
{
    if (!QDir().mkpath(home))
        return false;
    if (!m_ownRuntimeDir)
        return true;
    // The runtime folder must be private to its owner, or Qt complains.
    const QString runtime = QDir(home).filePath(QStringLiteral(".runtime"));
    return QDir().mkpath(runtime)
        && QFile::setPermissions(runtime, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

QProcessEnvironment BenchEnvironment::forHome(const QString &home) const
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
