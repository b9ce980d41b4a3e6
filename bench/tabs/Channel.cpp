#include "Channel.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>

#include <cstdio>

#include <malloc.h>

#include <unistd.h>

Channel::Channel(QObject *parent)
    : QObject(parent)
    , m_notifier(STDIN_FILENO, QSocketNotifier::Read)
{
    connect(&m_notifier, &QSocketNotifier::activated, this, &Channel::readCommands);
}

void Channel::answer(const QString &line)
{
    const QByteArray bytes = line.toUtf8() + '\n';
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout);
    std::fflush(stdout);
}

void Channel::readCommands()
{
    char chunk[4096];
    const ssize_t got = ::read(STDIN_FILENO, chunk, sizeof chunk);
    if (got <= 0) {
        // The bench is gone: nobody is left to answer to.
        m_notifier.setEnabled(false);
        QCoreApplication::exit(0);
        return;
    }
    m_buffer.append(chunk, got);
    answerPings();
    if (m_handling)
        return;
    m_handling = true;
    for (qsizetype end = m_buffer.indexOf('\n'); end >= 0; end = m_buffer.indexOf('\n')) {
        const QString line = QString::fromUtf8(m_buffer.left(end)).trimmed();
        m_buffer.remove(0, end + 1);
        const QStringList words = line.split(QLatin1Char(' '), Qt::SkipEmptyParts);
        if (!words.isEmpty())
            emit command(words);
    }
    m_handling = false;
}

void Channel::answerPings()
{
    QByteArray kept;
    qsizetype from = 0;
    for (qsizetype end = m_buffer.indexOf('\n'); end >= 0; end = m_buffer.indexOf('\n', from)) {
        const QByteArray line = m_buffer.mid(from, end + 1 - from);
        if (line.startsWith("ping "))
            answer(QStringLiteral("pong ") + QString::fromUtf8(line.mid(5)).trimmed());
        else
            kept += line;
        from = end + 1;
    }
    m_buffer = kept + m_buffer.mid(from);
}

bool waitUntil(const std::function<bool()> &done, int timeoutMs)
{
    if (done())
        return true;
    QEventLoop loop;
    QTimer poll;
    QTimer timeout;
    bool result = false;
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (!result && done()) {
            result = true;
            loop.quit();
        }
    });
    timeout.setSingleShot(true);
    QObject::connect(&timeout, &QTimer::timeout, &loop, &QEventLoop::quit);
    poll.start(2);
    timeout.start(timeoutMs);
    loop.exec();
    return result;
}

QString argumentValue(const QStringList &arguments, const QString &name, const QString &fallback)
{
    const qsizetype at = arguments.indexOf(name);
    return at >= 0 && at + 1 < arguments.size() ? arguments.at(at + 1) : fallback;
}

void trimHeap()
{
    ::malloc_trim(0);
    Channel::answer(QStringLiteral("trimmed"));
}
