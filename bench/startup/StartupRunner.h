#pragma once

#include "BenchEnvironment.h"
#include "ProcessTree.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

class PageServer;

// One program under test, and how it is told which page to open.
struct Program
{
    enum class Address { SettingsFile, Argument };

    QString label;
    QString path;
    Address address = Address::Argument;
    // Given before the address.
    QStringList options;
};

struct RunResult
{
    bool ok = false;
    qint64 milliseconds = 0;
    QString failure;
    QByteArray output;
    ProcessTree::Memory memory;
};

// Starts a program in a fresh folder with a fresh, empty home, and measures
// the wall time from just before its start to its page's onload report.
// Both programs go through the same steps and get the same environment, so
// that the difference between them is their own.
class StartupRunner
{
public:
    StartupRunner(PageServer *server, int timeoutSeconds);

    RunResult run(const Program &program, int runNumber);

    // Lines describing the environment the programs run in, for the output.
    QStringList environmentNotes() const;

private:
    PageServer *m_server;
    int m_timeoutSeconds;
    BenchEnvironment m_environment;
};
