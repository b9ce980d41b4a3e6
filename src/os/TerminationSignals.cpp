#include "TerminationSignals.h"

#include <QSocketNotifier>

#include <csignal>
#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

constexpr int Signals[] = {SIGTERM, SIGINT, SIGHUP};
// The handler's end of the pair: a signal handler may only write to it.
int s_writeEnd = -1;
int s_readEnd = -1;

void onSignal(int)
{
    const char byte = 1;
    // Nothing can be done in a handler about a full pipe: one byte waiting
    // is enough to end the program.
    [[maybe_unused]] const ssize_t written = ::write(s_writeEnd, &byte, 1);
}

} // namespace

TerminationSignals::TerminationSignals(QObject *parent)
    : QObject(parent)
{
    int ends[2];
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, ends) != 0)
        return;
    s_readEnd = ends[0];
    s_writeEnd = ends[1];
    m_notifier = new QSocketNotifier(s_readEnd, QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, [this] {
        char bytes[16];
        while (::read(s_readEnd, bytes, sizeof bytes) > 0) { }
        Q_EMIT received();
    });
    struct sigaction action = {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int number : Signals)
        ::sigaction(number, &action, nullptr);
}

TerminationSignals::~TerminationSignals()
{
    if (!m_notifier)
        return;
    struct sigaction action = {};
    action.sa_handler = SIG_DFL;
    sigemptyset(&action.sa_mask);
    for (const int number : Signals)
        ::sigaction(number, &action, nullptr);
    delete m_notifier;
    ::close(s_readEnd);
    ::close(s_writeEnd);
    s_readEnd = s_writeEnd = -1;
}
