#include "engine/LoadTracker.h"

#include <QTest>

using namespace Qt::StringLiterals;

// The control's events for what the engine reports, one line each:
// "status <text>", "progress <n>", "complete".
struct Recorder
{
    Recorder()
    {
        QObject::connect(&tracker, &LoadTracker::StatusTextChange, &tracker,
                         [this](const QString &text) { events.append(u"status "_s + text); });
        QObject::connect(&tracker, &LoadTracker::ProgressChange, &tracker, [this](qint32 progress) {
            events.append(u"progress "_s + QString::number(progress));
        });
        QObject::connect(&tracker, &LoadTracker::DownloadComplete, &tracker,
                         [this] { events.append(u"complete"_s); });
    }

    // Each step is "ask", "forget", "start <address>", "progress <n>",
    // "finish", "title" or "url <address>".
    void run(const QStringList &steps)
    {
        for (const QString &step : steps) {
            const QString verb = step.section(u' ', 0, 0);
            const QString argument = step.section(u' ', 1);
            if (verb == u"ask")
                tracker.asked();
            else if (verb == u"forget")
                tracker.forgetAsked();
            else if (verb == u"start")
                tracker.started(QUrl(argument));
            else if (verb == u"progress")
                tracker.progressed(argument.toInt());
            else if (verb == u"finish")
                tracker.finished();
            else if (verb == u"title")
                tracker.titleChanged();
            else if (verb == u"url")
                tracker.urlChanged(QUrl(argument));
            else
                qFatal("unknown step: %s", qPrintable(step));
        }
    }

    LoadTracker tracker;
    QStringList events;
};

class TestLoadTracker : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void events_data()
    {
        QTest::addColumn<QStringList>("steps");
        QTest::addColumn<QStringList>("events");
        QTest::addColumn<bool>("busy");

        QTest::newRow("asked, not yet started") << QStringList {u"ask"_s} << QStringList() << true;
        QTest::newRow("one load") << QStringList {u"ask"_s,          u"start http://a.test/"_s,
                                                  u"progress 40"_s,  u"progress 40"_s,
                                                  u"progress 100"_s, u"finish"_s}
                                  << QStringList {u"status http://a.test/"_s,
                                                  u"progress 0"_s,
                                                  u"progress 40"_s,
                                                  u"progress 100"_s,
                                                  u"complete"_s,
                                                  u"progress -1"_s,
                                                  u"status "_s}
                                  << false;
        QTest::newRow("an end without 100 sends it")
            << QStringList {u"ask"_s, u"start http://a.test/"_s, u"finish"_s}
            << QStringList {u"status http://a.test/"_s, u"progress 0"_s,
                            u"progress 100"_s,          u"complete"_s,
                            u"progress -1"_s,           u"status "_s}
            << false;
        QTest::newRow("a navigation during a load joins it")
            << QStringList {u"ask"_s,    u"start http://a.test/"_s,
                            u"ask"_s,    u"start http://b.test/"_s,
                            u"finish"_s, u"finish"_s}
            << QStringList {u"status http://a.test/"_s, u"progress 0"_s,
                            u"progress 100"_s,          u"complete"_s,
                            u"progress -1"_s,           u"status "_s}
            << false;
        QTest::newRow("progress outside a load")
            << QStringList {u"progress 30"_s, u"finish"_s} << QStringList() << false;
        QTest::newRow("stopped before it started")
            << QStringList {u"ask"_s, u"forget"_s, u"finish"_s} << QStringList() << false;
        QTest::newRow("a move within the page ends the navigation")
            << QStringList {u"url http://a.test/"_s, u"ask"_s, u"url http://a.test/#bas"_s}
            << QStringList {u"complete"_s, u"complete"_s} << false;
        QTest::newRow("another document's address before its load")
            << QStringList {u"url http://a.test/"_s, u"ask"_s, u"url http://b.test/"_s}
            << QStringList {u"complete"_s} << true;
        QTest::newRow("address changes during a load")
            << QStringList {u"ask"_s, u"start http://a.test/"_s, u"url http://a.test/"_s}
            << QStringList {u"status http://a.test/"_s, u"progress 0"_s} << true;
        QTest::newRow("a title during a load waits for its end")
            << QStringList {u"ask"_s, u"start http://a.test/"_s, u"title"_s}
            << QStringList {u"status http://a.test/"_s, u"progress 0"_s} << true;
        QTest::newRow("a title while idle, then more within the interval")
            << QStringList {u"title"_s, u"title"_s, u"title"_s} << QStringList {u"complete"_s}
            << false;
    }
    void events()
    {
        QFETCH(QStringList, steps);
        QFETCH(QStringList, events);
        QFETCH(bool, busy);
        Recorder recorder;
        recorder.run(steps);
        QCOMPARE(recorder.events, events);
        QCOMPARE(recorder.tracker.busy(), busy);
    }

    // The titles that came within the interval reach the tab once, at its
    // end; none does when a load began meanwhile, whose end tells the tab.
    void titlesAtTheIntervalsEnd_data()
    {
        QTest::addColumn<QStringList>("during");
        QTest::addColumn<QStringList>("events");

        QTest::newRow("more titles")
            << QStringList {u"title"_s, u"title"_s} << QStringList {u"complete"_s, u"complete"_s};
        QTest::newRow("no more titles") << QStringList() << QStringList {u"complete"_s};
        QTest::newRow("a load began")
            << QStringList {u"title"_s, u"ask"_s} << QStringList {u"complete"_s};
    }
    void titlesAtTheIntervalsEnd()
    {
        QFETCH(QStringList, during);
        QFETCH(QStringList, events);
        Recorder recorder;
        recorder.run({u"title"_s});
        recorder.run(during);
        // What comes, comes within the interval; waiting out three shows that
        // nothing more does.
        QTest::qWait(LoadTracker::TitleInterval * 3);
        QCOMPARE(recorder.events, events);
    }
};

QTEST_MAIN(TestLoadTracker)
#include "tst_loadtracker.moc"
