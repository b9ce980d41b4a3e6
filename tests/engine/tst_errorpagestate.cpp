#include "engine/ErrorPageState.h"

#include <QTest>

using namespace Qt::StringLiterals;

namespace {

// Each step is "bad <text>", "failed <address>" (no answer), "stopped
// <address>" (a load stopped or replaced), "crashed <address>", "set" (the
// error page waiting, if any, is set on the page), "start <address>" or "url
// <address>" (what the engine reports). Returns the status line's text that
// the last failure gave.
QString run(ErrorPageState &state, const QStringList &steps)
{
    QString status;
    for (const QString &step : steps) {
        const QString verb = step.section(u' ', 0, 0);
        const QString argument = step.section(u' ', 1);
        if (verb == u"bad")
            state.badAddress(argument);
        else if (verb == u"failed")
            status = state.loadFailed(QUrl(argument), QWebEngineLoadingInfo::ConnectionErrorDomain,
                                      -102, u"net::ERR_CONNECTION_REFUSED"_s);
        else if (verb == u"stopped")
            status = state.loadFailed(QUrl(argument), QWebEngineLoadingInfo::InternalErrorDomain,
                                      -3, u"net::ERR_ABORTED"_s);
        else if (verb == u"crashed")
            state.crashed(QUrl(argument), ErrorPages::Ending::Crashed);
        else if (verb == u"set" && state.hasPage())
            state.takePage();
        else if (verb == u"start")
            state.loadStarted(QUrl(argument));
        else if (verb == u"url")
            state.urlChanged(QUrl(argument));
        else if (verb != u"set")
            qFatal("unknown step: %s", qPrintable(step));
    }
    return status;
}

const QString NoLocation = u"(the page's own)"_s;

} // namespace

// What the page stands for while one of the program's error pages shows.
class TestErrorPageState : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void location_data()
    {
        QTest::addColumn<QStringList>("steps");
        QTest::addColumn<QUrl>("current");
        QTest::addColumn<QString>("location");
        QTest::addColumn<QString>("statusAddress");
        QTest::addColumn<bool>("showing");

        const QString page = u"data:text/html;charset=UTF-8,%3Chtml%3E"_s;
        const QUrl pageUrl(page);
        QTest::newRow("bad address shown") << QStringList {u"bad exemple .com"_s, u"url "_s + page}
                                           << pageUrl << u"exemple .com"_s << page << false;
        QTest::newRow("bad address page not there yet")
            << QStringList {u"bad exemple .com"_s} << pageUrl << NoLocation << page << false;
        QTest::newRow("bad address left for a page")
            << QStringList {u"bad exemple .com"_s, u"url "_s + page, u"url http://a.test/"_s}
            << QUrl(u"http://a.test/"_s) << NoLocation << u"http://a.test/"_s << false;
        QTest::newRow("failed page shows")
            << QStringList {u"failed http://a.test/x"_s, u"set"_s, u"start "_s + page} << pageUrl
            << u"http://a.test/x"_s << u"http://a.test/x"_s << true;
        QTest::newRow("failed page set, its load not begun")
            << QStringList {u"failed http://a.test/x"_s, u"set"_s} << pageUrl << NoLocation << page
            << false;
        QTest::newRow("another load leaves the failed page behind")
            << QStringList {u"failed http://a.test/x"_s, u"set"_s, u"start "_s + page,
                            u"start http://b.test/"_s}
            << pageUrl << NoLocation << page << false;
        QTest::newRow("a stopped load gets no page")
            << QStringList {u"stopped http://a.test/x"_s, u"set"_s, u"start "_s + page} << pageUrl
            << NoLocation << page << false;
        QTest::newRow("a data address that fails gets no page")
            << QStringList {u"failed "_s + page, u"set"_s, u"start "_s + page} << pageUrl
            << NoLocation << page << false;
        QTest::newRow("crashed page shows")
            << QStringList {u"crashed http://a.test/x"_s, u"set"_s, u"start "_s + page} << pageUrl
            << u"http://a.test/x"_s << u"http://a.test/x"_s << true;
        QTest::newRow("the error page again for the same address")
            << QStringList {u"failed http://a.test/x"_s, u"set"_s, u"start "_s + page,
                            u"failed http://a.test/x"_s, u"set"_s, u"start "_s + page}
            << pageUrl << u"http://a.test/x"_s << u"http://a.test/x"_s << true;
    }
    void location()
    {
        QFETCH(QStringList, steps);
        QFETCH(QUrl, current);
        QFETCH(QString, location);
        QFETCH(QString, statusAddress);
        QFETCH(bool, showing);
        ErrorPageState state;
        run(state, steps);
        QCOMPARE(state.location(current).value_or(NoLocation), location);
        QCOMPARE(state.showing(current), showing);
        QCOMPARE(state.statusAddress(current).toString(), statusAddress);
    }

    // What the status line says once the load under way ends.
    void statusAfterLoad_data()
    {
        QTest::addColumn<QStringList>("steps");
        QTest::addColumn<QString>("failedStatus");
        QTest::addColumn<QString>("afterLoad");

        QTest::newRow("failed") << QStringList {u"failed http://a.test/"_s}
                                << u"Le site ne répond pas."_s << QString();
        QTest::newRow("stopped") << QStringList {u"stopped http://a.test/"_s} << QString()
                                 << QString();
        QTest::newRow("crashed")
            << QStringList {u"crashed http://a.test/"_s, u"set"_s, u"start data:,x"_s} << QString()
            << u"Le processus de la page s'est arrêté brutalement : rechargez-la."_s;
        QTest::newRow("crashed, then another page")
            << QStringList {u"crashed http://a.test/"_s, u"start http://b.test/"_s} << QString()
            << QString();
    }
    void statusAfterLoad()
    {
        QFETCH(QStringList, steps);
        QFETCH(QString, failedStatus);
        QFETCH(QString, afterLoad);
        ErrorPageState state;
        QCOMPARE(run(state, steps), failedStatus);
        QCOMPARE(state.takeStatusAfterLoad(), afterLoad);
        QCOMPARE(state.takeStatusAfterLoad(), QString());
    }
};

QTEST_MAIN(TestErrorPageState)
#include "tst_errorpagestate.moc"
