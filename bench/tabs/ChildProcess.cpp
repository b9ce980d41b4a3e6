#include "ChildProcess.h"

#include "BenchEnvironment.h"

#include <QDir>
#include <QEventLoop>
#include <QTimer>

using namespace std::chrono_literals;

ChildProcess::ChildProcess(QString label, QString program, QStringList arguments)
    : m_label(std::move(label))
    , m_program(std::move(program))
    , m_arguments(std::move(arguments))
{
    connect(&m_process, &QProcess::readyReadStandardOutput, this, &ChildProcess::readAnswers);
    connect(&m_process, &QProcess::readyReadStandardError, this, [this] {
        // The engine can be talkative; the end is what tells why a run failed.
        m_errors += m_process.readAllStandardError();
        if (m_errors.size() > 256 * 1024)
            m_errors = m_errors.right(128 * 1024);
    });
    connect(&m_process, &QProcess::finished, this, &ChildProcess::ended);
}

ChildProcess::~ChildProcess()
{
    stop();
}

bool ChildProcess::start(const BenchEnvironment &environment, QString *error)
{
    m_scratch = std::make_unique<QTemporaryDir>(
        QDir::temp().filePath(QStringLiteral("corvane-bench-XXXXXX")));
    const QString home = m_scratch->filePath(QStringLiteral("home"));
    const QString folder = m_scratch->filePath(QStringLiteral("program"));
    if (!m_scratch->isValid() || !environment.prepareHome(home) || !QDir().mkpath(folder)) {
        *error = QStringLiteral("cannot prepare a home for %1 under %2")
                     .arg(m_label, m_scratch->path());
        return false;
    }
    m_process.setProgram(m_program);
    m_process.setArguments(m_arguments + QStringList {QStringLiteral("--folder"), folder});
    m_process.setWorkingDirectory(folder);
    m_process.setProcessEnvironment(environment.forHome(home));
    m_process.start();
    if (!m_process.waitForStarted(10000)) {
        *error = QStringLiteral("%1 failed to start: %2").arg(m_label, m_process.errorString());
        return false;
    }
    return true;
}

void ChildProcess::send(const QString &command)
{
    m_process.write(command.toUtf8() + '\n');
}

void ChildProcess::readAnswers()
{
    m_pending += m_process.readAllStandardOutput();
    bool any = false;
    for (qsizetype end = m_pending.indexOf('\n'); end >= 0; end = m_pending.indexOf('\n')) {
        const QString line = QString::fromUtf8(m_pending.left(end)).trimmed();
        m_pending.remove(0, end + 1);
        const QStringList words = line.split(QLatin1Char(' '), Qt::SkipEmptyParts);
        if (words.isEmpty())
            continue;
        m_answers.append(words);
        any = true;
    }
    if (any)
        emit answered();
}

std::optional<QStringList> ChildProcess::take(const QString &word)
{
    for (qsizetype i = 0; i < m_answers.size(); ++i) {
        if (m_answers.at(i).constFirst() == word)
            return m_answers.takeAt(i).mid(1);
    }
    return std::nullopt;
}

ProcessTree::Memory ChildProcess::ownMemory() const
{
    const QList<ProcessTree::Process> tree = ProcessTree::of(pid());
    return ProcessTree::memory(tree.mid(0, 1));
}

ProcessTree::Memory ChildProcess::treeMemory() const
{
    return ProcessTree::memory(ProcessTree::of(pid()));
}

QString ChildProcess::errorTail(int lines) const
{
    QList<QByteArray> all = m_errors.split('\n');
    if (all.size() > lines)
        all = all.mid(all.size() - lines);
    return QString::fromLocal8Bit(all.join('\n'));
}

void ChildProcess::stop()
{
    if (m_process.state() == QProcess::NotRunning)
        return;
    // The helpers are found before their parent goes: once it has, they no
    // longer hang under it.
    const QList<ProcessTree::Process> tree = ProcessTree::of(pid());
    send(QStringLiteral("quit"));
    if (!m_process.waitForFinished(5000)) {
        m_process.terminate();
        if (!m_process.waitForFinished(5000)) {
            m_process.kill();
            m_process.waitForFinished(5000);
        }
    }
    ProcessTree::killSurvivors(tree, 5s);
}

bool waitUntil(const std::function<bool()> &done, int timeoutMs,
               const QList<ChildProcess *> &programs, QString *failure)
{
    QEventLoop loop;
    QTimer poll;
    poll.setInterval(5);
    QTimer timeout;
    timeout.setSingleShot(true);
    bool result = false;
    failure->clear();
    // done() may take answers: once it has held, it is not asked again.
    const auto check = [&] {
        if (result || !failure->isEmpty())
            return;
        if (done()) {
            result = true;
            loop.quit();
            return;
        }
        for (ChildProcess *program : programs) {
            if (const std::optional<QStringList> error = program->take(QStringLiteral("error"))) {
                *failure = QStringLiteral("%1: %2").arg(program->label(), error->join(u' '));
                loop.quit();
                return;
            }
            if (!program->running()) {
                *failure = QStringLiteral("%1 ended").arg(program->label());
                loop.quit();
            }
        }
    };
    QObject::connect(&poll, &QTimer::timeout, &loop, check);
    QObject::connect(&timeout, &QTimer::timeout, &loop, [&] {
        *failure = QStringLiteral("no answer within %1 s").arg(timeoutMs / 1000.0);
        loop.quit();
    });
    for (ChildProcess *program : programs) {
        QObject::connect(program, &ChildProcess::answered, &loop, check);
        QObject::connect(program, &ChildProcess::ended, &loop, check);
    }
    check();
    if (result || !failure->isEmpty())
        return result;
    poll.start();
    timeout.start(timeoutMs);
    loop.exec();
    return result;
}

void pause(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}
