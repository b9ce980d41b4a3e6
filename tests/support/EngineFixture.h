#pragma once

#include "support/EngineTest.h"
#include "support/HttpServer.h"
#include "support/TestPlatform.h"

#include "platform/Platform.h"

#include <QByteArray>
#include <QTest>

#include <memory>

class QWebEngineProfile;

// The real engine's browsers over a TestPlatform, and a local server on
// 127.0.0.1 for their pages. A test class derives from it next to QObject,
// sets m_profile in its initTestCase() (EngineTest::offTheRecordProfile)
// and calls startTest() from its init() and endTest() from its cleanup().
class EngineFixture
{
protected:
    void startTest()
    {
        failOnStrayWarnings();
        m_platform = std::make_unique<TestPlatform>();
        m_server = std::make_unique<HttpServer>();
        QVERIFY(m_server->listen());
    }
    void endTest()
    {
        m_server.reset();
        m_platform.reset();
    }

    Platform enginePlatform() { return EngineTest::withEngine(m_platform->platform(), m_profile); }

    // A page of that title, the body reading as given (the title when none is).
    static QByteArray page(const QByteArray &title, const QByteArray &body = {})
    {
        return "<!doctype html><html><head><meta charset=\"utf-8\"><title>" + title
            + "</title></head><body>" + (body.isEmpty() ? title : body) + "</body></html>";
    }

    QWebEngineProfile *m_profile = nullptr;
    std::unique_ptr<TestPlatform> m_platform;
    std::unique_ptr<HttpServer> m_server;
};
