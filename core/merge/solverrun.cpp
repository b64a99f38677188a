#include "solverrun.h"

#include "platform.h"

#include <cstdio>

namespace {

// How long a terminated solver has to end before it is killed.
constexpr int solverGraceMs = 1000;
// How long the solver is waited for between looks at its output and at a stop.
constexpr int solverPollMs = 50;

} // namespace

SolverProcess::SolverProcess()
    : parent(platform::processId())
{
}

void SolverProcess::setupChildProcess()
{
    platform::endWithParent(parent);
}

bool SolverRun::start(const QString &program, const QStringList &arguments)
{
    process.start(program, arguments);
    if (!process.waitForStarted(-1))
        return false;
    platform::endWithThisProcess(process.processId());
    return true;
}

bool SolverRun::waitForExit(const LineSink &sink, const StopRequested &stop)
{
    while (process.state() != QProcess::NotRunning && !process.waitForFinished(solverPollMs)) {
        passLines(sink, false);
        if (stop()) {
            stopProcess();
            passLines(sink, true);
            return false;
        }
    }
    passLines(sink, true);
    return true;
}

void SolverRun::stopProcess()
{
    process.terminate();
    if (!process.waitForFinished(solverGraceMs)) {
        process.kill();
        process.waitForFinished(-1);
    }
}

// Passes on the complete lines of both channels (at the end also an
// unfinished last one), each once, without its line end: a solver's CR LF
// would otherwise come out as CR CR LF from a text-mode standard error.
void SolverRun::passLines(const LineSink &sink, bool atEnd)
{
    for (const auto channel : {QProcess::StandardOutput, QProcess::StandardError}) {
        process.setReadChannel(channel);
        while (process.canReadLine() || (atEnd && process.bytesAvailable() > 0)) {
            QByteArray bytes = process.canReadLine() ? process.readLine() : process.readAll();
            while (bytes.endsWith('\n') || bytes.endsWith('\r'))
                bytes.chop(1);
            std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stderr);
            std::fputc('\n', stderr);
            sink(QString::fromLocal8Bit(bytes));
        }
    }
}
