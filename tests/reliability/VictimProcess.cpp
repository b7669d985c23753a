#include "VictimProcess.h"

#include <QThread>

#include <sys/wait.h>

namespace quenno::test {

VictimRun runVictim(const QStringList& arguments, std::chrono::milliseconds timeout)
{
    VictimRun run;
    QProcess process;
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process.start(QStringLiteral(QUENNO_VICTIM), arguments);
    run.started = process.waitForStarted(10000);
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (process.state() != QProcess::NotRunning && std::chrono::steady_clock::now() < deadline) {
        process.waitForReadyRead(50);
        run.output += process.readAllStandardOutput();
    }
    run.hung = process.state() != QProcess::NotRunning;
    if (run.hung)
        process.kill();
    process.waitForFinished(10000);
    run.output += process.readAllStandardOutput();
    run.started = run.started && run.output.startsWith("ready ");
    run.killed = process.exitStatus() == QProcess::CrashExit;
    if (!run.killed)
        run.exitCode = process.exitCode();
    return run;
}

VictimServer::VictimServer(const QStringList& arguments)
{
    m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    m_process.start(QStringLiteral(QUENNO_VICTIM), QStringList{"serve"} + arguments);
    m_process.waitForStarted(10000);
}

VictimServer::~VictimServer()
{
    m_process.closeWriteChannel();
    if (!m_process.waitForFinished(10000))
        m_process.kill();
}

QByteArray VictimServer::readLineStartingWith(const QByteArray& start, QByteArray& output)
{
    for (;;) {
        while (m_process.canReadLine()) {
            const QByteArray line = m_process.readLine();
            output += line;
            if (line.startsWith(start))
                return line.mid(start.size()).trimmed();
        }
        if (!m_process.waitForReadyRead(20000))
            return {};
    }
}

VictimRun VictimServer::killAfter(std::chrono::microseconds delay)
{
    VictimRun run;
    m_process.write("go\n");
    const QByteArray pid = readLineStartingWith("ready ", run.output);
    run.started = !pid.isEmpty();
    if (!run.started)
        return run;
    QThread::usleep(static_cast<unsigned long>(delay.count()));
    // A worker that already ended is a zombie until the server reaps it: the kill then
    // does nothing and its wait status stays an exit.
    m_process.write("kill\n");
    m_process.waitForBytesWritten(10000);
    const QByteArray ended = readLineStartingWith("ended ", run.output);
    const int status = ended.toInt();
    run.killed = !ended.isEmpty() && WIFSIGNALED(status);
    if (!ended.isEmpty() && WIFEXITED(status))
        run.exitCode = WEXITSTATUS(status);
    return run;
}

std::chrono::microseconds VictimServer::timeRounds(int cycles)
{
    QByteArray output;
    m_process.write("go\n");
    if (readLineStartingWith("ready ", output).isEmpty())
        return {};
    const auto start = std::chrono::steady_clock::now();
    int done = 0;
    while (done < cycles) {
        while (!m_process.canReadLine() && m_process.waitForReadyRead(20000)) { }
        if (!m_process.canReadLine())
            return {};
        const QByteArray line = m_process.readLine();
        if (line.startsWith("cycle"))
            ++done;
        else if (line.startsWith("ended "))
            break;
    }
    const auto took = std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - start);
    m_process.write("kill\n");
    m_process.waitForBytesWritten(10000);
    readLineStartingWith("ended ", output);
    return took;
}

}  // namespace quenno::test
