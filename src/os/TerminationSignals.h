#pragma once

#include <QObject>

class QSocketNotifier;

// Turns the signals that ask a program to end (SIGTERM from a session that
// logs out or a `kill`, SIGINT from Ctrl+C in the terminal, SIGHUP when the
// terminal goes) into a Qt signal raised from the event loop, so that the
// program ends as its window's closing would: the engine then writes its
// cookies and site data to disk before the process goes. Only one object
// may exist at a time.
class TerminationSignals : public QObject
{
    Q_OBJECT

public:
    explicit TerminationSignals(QObject *parent = nullptr);
    ~TerminationSignals() override;

Q_SIGNALS:
    void received();

private:
    QSocketNotifier *m_notifier = nullptr;
};
