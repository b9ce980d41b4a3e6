#pragma once

#include <QList>
#include <QtGlobal>

#include <chrono>

// A program on this engine is a tree of processes: the program itself and the
// engine's helpers it spawns. This reads that tree from /proc, so that the
// bench can add up its memory and make sure no helper outlives its run.
class ProcessTree
{
public:
    struct Process
    {
        qint64 pid = 0;
        // Together with the pid, tells a process from a later one that
        // happens to get the same pid.
        quint64 startTime = 0;
    };

    struct Memory
    {
        qint64 rssKiB = 0;
        qint64 pssKiB = 0;
        int processes = 0;
    };

    // The process and all its descendants that are alive now.
    static QList<Process> of(qint64 rootPid);
    static Memory memory(const QList<Process> &processes);
    // Kills whichever of these processes are still alive and waits, up to
    // the grace period, for them to be gone. Returns how many were left.
    static int killSurvivors(const QList<Process> &processes, std::chrono::milliseconds grace);

private:
    struct Stat
    {
        qint64 ppid = 0;
        quint64 startTime = 0;
        char state = 0;
    };

    static bool readStat(qint64 pid, Stat *stat);
    static bool isAlive(const Process &process);
    static qint64 kibField(qint64 pid, const char *file, const char *field);
};
