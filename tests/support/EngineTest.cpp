#include "EngineTest.h"

#include "engine/EngineProfile.h"
#include "engine/WebEngineBrowser.h"

#include <QByteArrayList>
#include <QLoggingCategory>
#include <QTemporaryDir>
#include <QWebEngineProfile>

#include <memory>

#include <unistd.h>

namespace EngineTest {

void prepareEnvironment()
{
    // The engine refuses to start its sandbox as root.
    if (geteuid() == 0)
        qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");

    // Without a runtime folder Qt warns and makes one of its own in /tmp.
    if (qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR")) {
        static std::unique_ptr<QTemporaryDir> runtimeDir;
        runtimeDir = std::make_unique<QTemporaryDir>();
        if (runtimeDir->isValid())
            qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtimeDir->path()));
    }

    // The engine lists its whole configuration at start-up when it has no
    // OpenGL, which is always the case here. QT_LOGGING_RULES still wins.
    QLoggingCategory::setFilterRules(QStringLiteral("qt.webenginecontext.info=false"));
}

Program::Arguments applicationArguments(const char *programName)
{
    // Switches the caller gave the engine in its variable would replace the
    // program's own: they go after them instead.
    QByteArrayList switches;
    for (const QByteArray &flag : qgetenv("QTWEBENGINE_CHROMIUM_FLAGS").split(' '))
        if (!flag.isEmpty())
            switches.append(flag);
    qunsetenv("QTWEBENGINE_CHROMIUM_FLAGS");
    // The offscreen platform has no OpenGL and the engine does without the GPU
    // there anyway; on an X server without one it would try and complain.
    if (!switches.contains("--disable-gpu"))
        switches.append("--disable-gpu");
    return Program::applicationArguments(programName, switches);
}

QWebEngineProfile *offTheRecordProfile(QObject *parent)
{
    return EngineProfile::createOffTheRecord(parent);
}

Platform withEngine(Platform platform, QWebEngineProfile *profile)
{
    platform.createBrowser = [profile](QWidget *parent) -> WebBrowser * {
        return new WebEngineBrowser(profile, parent);
    };
    return platform;
}

} // namespace EngineTest
