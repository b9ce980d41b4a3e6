#include "support/HttpServer.h"
#include "support/ProgramCopy.h"
#include "support/TempProgramFolder.h"

#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTest>

#include <xcb/xcb.h>

#include <cstdlib>
#include <memory>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

// The X server of the test, started on a display number it picks itself.
class VirtualDisplay
{
public:
    VirtualDisplay()
    {
        const QString xvfb = QStandardPaths::findExecutable(u"Xvfb"_s);
        if (xvfb.isEmpty())
            return;
        int fds[2];
        if (::pipe(fds) != 0)
            return;
        m_server.setProgram(xvfb);
        m_server.setArguments({u"-displayfd"_s, QString::number(fds[1]), u"-nolisten"_s, u"tcp"_s,
                               u"-screen"_s, u"0"_s, u"1280x1024x24"_s});
        m_server.setChildProcessModifier([fds] { ::close(fds[0]); });
        m_server.start();
        ::close(fds[1]);
        QByteArray number;
        char c;
        while (m_server.state() != QProcess::NotRunning && ::read(fds[0], &c, 1) == 1 && c != '\n')
            number += c;
        ::close(fds[0]);
        if (!number.isEmpty())
            m_name = u":"_s + QString::fromLatin1(number);
    }
    ~VirtualDisplay()
    {
        m_server.terminate();
        m_server.waitForFinished(5000);
    }
    QString name() const { return m_name; }

private:
    QProcess m_server;
    QString m_name;
};

std::optional<quint32> cardinalProperty(xcb_connection_t *connection, xcb_window_t window,
                                        xcb_atom_t property)
{
    std::unique_ptr<xcb_get_property_reply_t, decltype(&std::free)> reply(
        xcb_get_property_reply(
            connection, xcb_get_property(connection, 0, window, property, XCB_ATOM_CARDINAL, 0, 1),
            nullptr),
        &std::free);
    if (!reply || xcb_get_property_value_length(reply.get()) != 4)
        return std::nullopt;
    return *static_cast<const quint32 *>(xcb_get_property_value(reply.get()));
}

// The mapped top-level windows of the process, by the pid Qt puts on them.
QList<xcb_window_t> shownWindowsOf(xcb_connection_t *connection, qint64 pid)
{
    const xcb_screen_t *screen = xcb_setup_roots_iterator(xcb_get_setup(connection)).data;
    const char name[] = "_NET_WM_PID";
    std::unique_ptr<xcb_intern_atom_reply_t, decltype(&std::free)> atom(
        xcb_intern_atom_reply(connection, xcb_intern_atom(connection, 1, sizeof name - 1, name),
                              nullptr),
        &std::free);
    std::unique_ptr<xcb_query_tree_reply_t, decltype(&std::free)> tree(
        xcb_query_tree_reply(connection, xcb_query_tree(connection, screen->root), nullptr),
        &std::free);
    QList<xcb_window_t> windows;
    if (!atom || atom->atom == XCB_ATOM_NONE || !tree)
        return windows;
    const xcb_window_t *children = xcb_query_tree_children(tree.get());
    for (int i = 0; i < xcb_query_tree_children_length(tree.get()); ++i) {
        std::unique_ptr<xcb_get_window_attributes_reply_t, decltype(&std::free)> attributes(
            xcb_get_window_attributes_reply(
                connection, xcb_get_window_attributes(connection, children[i]), nullptr),
            &std::free);
        if (attributes && attributes->map_state == XCB_MAP_STATE_VIEWABLE
            && cardinalProperty(connection, children[i], atom->atom) == quint32(pid))
            windows.append(children[i]);
    }
    return windows;
}

} // namespace

// The built program on a real X server, whose main window is destroyed from
// outside, as a crashed window manager or a window-killing tool does.
class TestWindowLoss : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void programEndsWhenItsWindowIsDestroyed()
    {
        VirtualDisplay display;
        if (display.name().isEmpty())
            QSKIP("no X server to run the program on: Xvfb is missing or did not start");

        ProgramCopy copy(QStringLiteral(CORVANE_PROGRAM));
        QVERIFY(copy.isValid());
        const HttpServer &server = copy.server;
        const QString program = copy.program();
        QProcessEnvironment environment = copy.environment(u"xcb"_s);
        environment.insert(u"DISPLAY"_s, display.name());
        environment.remove(u"WAYLAND_DISPLAY"_s);
        environment.remove(u"XAUTHORITY"_s);

        QProcess process;
        process.setProcessEnvironment(environment);
        process.setProcessChannelMode(QProcess::MergedChannels);
        process.start(program, {});
        QVERIFY2(process.waitForStarted(10000), qPrintable(process.errorString()));
        const auto stop = qScopeGuard([&process] {
            if (process.state() != QProcess::NotRunning) {
                process.kill();
                process.waitForFinished(10000);
            }
        });
        QTRY_VERIFY_WITH_TIMEOUT(server.requestCount(u"/loaded"_s) >= 1
                                     || process.state() == QProcess::NotRunning,
                                 60000);
        QVERIFY2(server.requestCount(u"/loaded"_s) >= 1, process.readAll().constData());

        const QByteArray displayName = display.name().toLatin1();
        std::unique_ptr<xcb_connection_t, decltype(&xcb_disconnect)> connection(
            xcb_connect(displayName.constData(), nullptr), &xcb_disconnect);
        QVERIFY(!xcb_connection_has_error(connection.get()));
        QList<xcb_window_t> windows;
        QTRY_VERIFY_WITH_TIMEOUT(
            !(windows = shownWindowsOf(connection.get(), process.processId())).isEmpty(), 10000);
        QCOMPARE(windows.size(), 1);
        xcb_destroy_window(connection.get(), windows.first());
        QVERIFY(xcb_flush(connection.get()) > 0);

        QVERIFY2(process.waitForFinished(15000), "the program runs on without its window");
        QCOMPARE(process.exitStatus(), QProcess::NormalExit);
        QVERIFY2(process.exitCode() == 0, process.readAll().constData());
        // Nothing was written on the way out.
        QCOMPARE(copy.folder.read(u"Corvane.ini"_s), copy.settings);
    }
};

QTEST_GUILESS_MAIN(TestWindowLoss)
#include "tst_windowloss.moc"
