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

    // The offscreen platform has no OpenGL and the engine does without the GPU
    // there anyway; on an X server without one it would try and complain.
    QByteArray flags = qgetenv("QTWEBENGINE_CHROMIUM_FLAGS");
    if (!flags.split(' ').contains("--disable-gpu"))
        flags = (flags + " --disable-gpu").trimmed();
    qputenv("QTWEBENGINE_CHROMIUM_FLAGS", flags);

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
