#include "ProcessTree.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QHash>
#include <QThread>

#include <csignal>
#include <sys/types.h>

QList<ProcessTree::Process> ProcessTree::of(qint64 rootPid)
{
    QMultiHash<qint64, Process> children;
    Stat root;
    if (!readStat(rootPid, &root))
        return {};
    const QStringList entries
        = QDir(QStringLiteral("/proc")).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QString &entry : entries) {
        bool numeric = false;
        const qint64 pid = entry.toLongLong(&numeric);
        Stat stat;
        if (numeric && readStat(pid, &stat))
            children.insert(stat.ppid, Process {pid, stat.startTime});
    }
    QList<Process> tree {Process {rootPid, root.startTime}};
    for (qsizetype i = 0; i < tree.size(); ++i) {
        const QList<Process> direct = children.values(tree.at(i).pid);
        tree.append(direct);
    }
    return tree;
}

ProcessTree::Memory ProcessTree::memory(const QList<Process> &processes)
{
    Memory memory;
    for (const Process &process : processes) {
        if (!isAlive(process))
            continue;
        memory.rssKiB += kibField(process.pid, "status", "VmRSS:");
        memory.pssKiB += kibField(process.pid, "smaps_rollup", "Pss:");
        ++memory.processes;
    }
    return memory;
}

int ProcessTree::killSurvivors(const QList<Process> &processes, std::chrono::milliseconds grace)
{
    for (const Process &process : processes) {
        if (isAlive(process))
            ::kill(static_cast<pid_t>(process.pid), SIGKILL);
    }
    QElapsedTimer clock;
    clock.start();
    for (;;) {
        int left = 0;
        for (const Process &process : processes)
            left += isAlive(process) ? 1 : 0;
        if (left == 0 || clock.elapsed() >= grace.count())
            return left;
        QThread::msleep(20);
    }
}

bool ProcessTree::readStat(qint64 pid, Stat *stat)
{
    QFile file(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QByteArray line = file.readAll();
    // The command name is in parentheses and may itself hold spaces or
    // parentheses; the fields that matter all come after the last one.
    const qsizetype nameEnd = line.lastIndexOf(')');
    if (nameEnd < 0)
        return false;
    const QList<QByteArray> fields = line.mid(nameEnd + 2).split(' ');
    // After the name: state, ppid, ..., with the start time 20th.
    if (fields.size() < 20 || fields.at(0).isEmpty())
        return false;
    stat->state = fields.at(0).at(0);
    stat->ppid = fields.at(1).toLongLong();
    stat->startTime = fields.at(19).toULongLong();
    return true;
}

bool ProcessTree::isAlive(const Process &process)
{
    Stat stat;
    return readStat(process.pid, &stat) && stat.startTime == process.startTime && stat.state != 'Z'
        && stat.state != 'X';
}

qint64 ProcessTree::kibField(qint64 pid, const char *file, const char *field)
{
    QFile source(QStringLiteral("/proc/%1/").arg(pid) + QLatin1String(file));
    if (!source.open(QIODevice::ReadOnly))
        return 0;
    const QList<QByteArray> lines = source.readAll().split('\n');
    for (const QByteArray &line : lines) {
        if (line.startsWith(field))
            return line.mid(qstrlen(field)).trimmed().split(' ').value(0).toLongLong();
    }
    return 0;
}
