#pragma once

#include "ProcessTree.h"

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>

#include <functional>
#include <memory>
#include <optional>

class BenchEnvironment;

// A program under test, started by the bench in a fresh home and driven
// through its standard input, one command a line. It answers on its standard
// output, one line per answer, whose first word says what it is; answers are
// kept in arrival order until taken.
class ChildProcess : public QObject
{
    Q_OBJECT

public:
    ChildProcess(QString label, QString program, QStringList arguments);
    ~ChildProcess() override;

    QString label() const { return m_label; }

    // The program gets "--folder DIR", an empty folder of its own, after its
    // arguments.
    bool start(const BenchEnvironment &environment, QString *error);
    void send(const QString &command);
    // The words after the first of the oldest answer starting with word,
    // which leaves the queue; nothing when there is none yet.
    std::optional<QStringList> take(const QString &word);
    bool running() const { return m_process.state() == QProcess::Running; }

    qint64 pid() const { return m_process.processId(); }
    // The program alone, and the program with every engine helper under it.
    ProcessTree::Memory ownMemory() const;
    ProcessTree::Memory treeMemory() const;

    // The end of what the program wrote on its standard error.
    QString errorTail(int lines) const;

    // Asks the program to quit, then ends it and every helper it left.
    void stop();

signals:
    void answered();
    void ended();

private:
    void readAnswers();

    QString m_label;
    QString m_program;
    QStringList m_arguments;
    std::unique_ptr<QTemporaryDir> m_scratch;
    QProcess m_process;
    QByteArray m_pending;
    QList<QStringList> m_answers;
    QByteArray m_errors;
};

// Runs the event loop until done() holds (true), one of the programs ends
// or the timeout passes (false, with the reason in *failure). done() is
// asked again whenever a program answers and every few milliseconds.
bool waitUntil(const std::function<bool()> &done, int timeoutMs,
               const QList<ChildProcess *> &programs, QString *failure);
// Runs the event loop for a while.
void pause(int ms);
