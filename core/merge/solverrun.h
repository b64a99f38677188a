#ifndef SOLVERRUN_H
#define SOLVERRUN_H

#include <QProcess>
#include <QString>
#include <QStringList>
#include <functional>

// The solver's process, tied to this one: it ends when this process ends,
// however that ends.
class SolverProcess : public QProcess
{
public:
    SolverProcess();

protected:
    void setupChildProcess() override;

private:
    qint64 parent;
};

// One run of the solver: started, its output and error lines passed on as
// they come, stopped on request (terminated, then killed after a short
// grace), and how it ended.
class SolverRun
{
public:
    using LineSink = std::function<void(const QString &line)>;
    using StopRequested = std::function<bool()>;

    // Starts program with arguments; false when it could not be started.
    bool start(const QString &program, const QStringList &arguments);

    // Waits for the solver to exit, handing each line of its output and error
    // to sink, without its line end. Each line is also echoed to this
    // program's standard error, as when the solver's channels were the
    // program's own, while standard output stays the batch program's. On a
    // stop it is ended; returns false then.
    bool waitForExit(const LineSink &sink, const StopRequested &stop);

    bool crashed() const { return process.exitStatus() == QProcess::CrashExit; }
    int exitCode() const { return process.exitCode(); }

private:
    void stopProcess();
    void passLines(const LineSink &sink, bool atEnd);

    SolverProcess process;
};

#endif // SOLVERRUN_H
