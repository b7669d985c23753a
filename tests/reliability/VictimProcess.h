#pragma once
// Runs tests/reliability/reliability_victim: once to its end (with a time limit), or as a
// server whose forked children are killed with SIGKILL at chosen moments.

#include <QProcess>
#include <QStringList>

#include <chrono>
#include <memory>

namespace quenno::test {

struct VictimRun {
    bool started = false;  // the victim said "ready"
    bool killed = false;  // ended by a signal: the test's kill, or a crash
    bool hung = false;  // runVictim killed it at its time limit
    int exitCode = -1;  // when it ended by itself
    QByteArray output;  // everything it printed, "ready" included
};

// Runs the victim to its end, killing it after `timeout`.
VictimRun runVictim(const QStringList& arguments, std::chrono::milliseconds timeout);

// One victim program that forks a fresh worker for each run: a kill costs a fork, not a
// program start.
class VictimServer {
public:
    explicit VictimServer(const QStringList& arguments);
    ~VictimServer();
    VictimServer(const VictimServer&) = delete;
    VictimServer& operator=(const VictimServer&) = delete;

    // Starts a worker, waits until it says "ready", lets it work for `delay` and kills it
    // with SIGKILL. A worker that finished first is not killed.
    VictimRun killAfter(std::chrono::microseconds delay);
    // Lets a worker do `cycles` rounds of its work (or finish first), then kills it; the
    // time those rounds took, so that kill moments can be spread over the work on this
    // machine, in this build.
    std::chrono::microseconds timeRounds(int cycles);

private:
    QByteArray readLineStartingWith(const QByteArray& start, QByteArray& output);

    QProcess m_process;
};

}  // namespace quenno::test
