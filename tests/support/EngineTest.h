#pragma once

#include <QApplication>
#include <QTest>

#include "app/Program.h"
#include "platform/Platform.h"

class QObject;
class QWebEngineProfile;

// What every test that drives the real engine does before the application
// exists, and the profile its browsers share.
namespace EngineTest {

// Sets up the environment the engine reads when it starts: no sandbox when
// running as root, the offscreen platform unless another one was asked for,
// and a private runtime folder when the session has none.
void prepareEnvironment();

// The arguments the test's application is made with: the program's own
// (app/Program), so that the engine runs as it runs in the program, with
// the tests' switches added. Called after prepareEnvironment().
Program::Arguments applicationArguments(const char *programName);

// A profile that keeps nothing on disk, configured as the program configures
// its own. Every page made on it must be deleted before it.
QWebEngineProfile *offTheRecordProfile(QObject *parent);

// The platform with the real engine's browsers, made on the profile.
Platform withEngine(Platform platform, QWebEngineProfile *profile);

} // namespace EngineTest

#define CORVANE_ENGINE_TEST_MAIN(TestClass)                                                        \
    int main(int argc, char *argv[])                                                               \
    {                                                                                              \
        EngineTest::prepareEnvironment();                                                          \
        Program::Arguments engineArguments = EngineTest::applicationArguments(argv[0]);            \
        QApplication app(engineArguments.count(), engineArguments.values());                       \
        app.setAttribute(Qt::AA_Use96Dpi, true);                                                   \
        TestClass tc;                                                                              \
        QTEST_SET_MAIN_SOURCE_PATH                                                                 \
        return QTest::qExec(&tc, argc, argv);                                                      \
    }
