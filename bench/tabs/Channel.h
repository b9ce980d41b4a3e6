#pragma once

#include <QByteArray>
#include <QObject>
#include <QSocketNotifier>
#include <QStringList>

#include <functional>

// The program-under-test end of the bench's link: commands arrive on
// standard input, one a line, and answers leave on standard output. A
// command is handled to its end before the next one is looked at, even when
// its handler runs the event loop to wait for something. Only "ping X" is
// answered at once, "pong X", whatever is under way: the time its answer
// takes is how long the program's event loop took to look at its input.
class Channel : public QObject
{
    Q_OBJECT

public:
    explicit Channel(QObject *parent = nullptr);

    static void answer(const QString &line);

signals:
    void command(const QStringList &words);

private:
    void readCommands();
    void answerPings();

    QSocketNotifier m_notifier;
    QByteArray m_buffer;
    bool m_handling = false;
};

// Runs the event loop until done() holds (true) or the timeout passes
// (false). Every event is delivered as it comes; done() is asked every few
// milliseconds.
bool waitUntil(const std::function<bool()> &done, int timeoutMs);

// Hands the heap's free memory back to the system, so that what is left is
// what is in use; answers "trimmed".
void trimHeap();

// The value after name among the arguments, or the fallback.
QString argumentValue(const QStringList &arguments, const QString &name,
                      const QString &fallback = QString());
