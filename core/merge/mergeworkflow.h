#ifndef MERGEWORKFLOW_H
#define MERGEWORKFLOW_H

#include "mergereport.h"
#include "mergerequest.h"
#include "mergesteps.h"
#include "problem.h"

#include <QString>
#include <atomic>
#include <functional>
#include <memory>

struct FileIdentity;
struct MergeContext;
class q7PhotoDataBase;
struct TableWatch;
class UserMessages;

// What a merge tells while it runs, called on the thread that merges. Each
// callback may be left empty.
struct MergeProgress
{
    std::function<void(const QString &step)> stepStarted;
    std::function<void(const MergeStep &step)> stepFinished;
    // One line of the solver's standard output or error, without its line end.
    std::function<void(const QString &line)> solverOutput;
    // The rows a database table (its step) has stored so far of its rows in
    // all: at its start, every rowsBetweenReports rows and at its end.
    std::function<void(MergeStepId table, qint64 done, qint64 total)> rowsWritten;
    // The same for a table of an earlier database that a merge run again
    // carries over into the new one (another program's, or one the merge did
    // not write), by its name, while the step "groups" runs.
    std::function<void(const QString &table, qint64 done, qint64 total)> rowsCarried;
};

// A whole merge, as the MergePrj button and the batch program start it: the
// field checks, the plan of its paths, the output folder with the solver's
// inputs, the solver, and the new project's camera file, image list, project
// file and photo database. What one merge works on lives in its MergeContext
// and goes when mergePrj returns; the database connection "configpage" stays
// open from one merge to the next.
//
// A merge runs on the thread that calls mergePrj; requestStop may be called
// from any other. A stop ends the solver (terminated, then killed after a
// short grace) or lets the running step finish, and no further step runs.
class MergeWorkflow
{
public:
    // The steps of a merge that runs to its end, for progress bars.
    static constexpr int plannedSteps = plannedMergeSteps;

    explicit MergeWorkflow(UserMessages &messages);
    ~MergeWorkflow();

    // Checks the request and, when it can go ahead, merges. Problems with the
    // request are told through the messages; the report says how each step went.
    MergeReport mergePrj(const MergeRequest &request);

    void setProgress(MergeProgress callbacks) { progress = std::move(callbacks); }
    // Asks the merge under way to stop before its next step; no effect on a
    // merge started later.
    void requestStop() { stopFlag = true; }

    // The solver to run: by default AT/Z7Uzurer beside the program.
    void setSolverPath(const QString &path) { solverPath = path; }
    static QString defaultSolverPath();

    // How the merges were started (the front end and its command line), for
    // the merge record.
    void setStartedAs(const QString &text) { startedAs = text; }

private:
    bool fieldsFilled(const MergeRequest &request);
    // Whether the merge is stopping: a stop asked for is taken up here, and
    // from then on the merge stays stopping.
    bool stopping(MergeContext &merge);
    // Runs one step unless the merge is stopping, timing it and recording how
    // it went. `work` returns what went wrong, if anything. True when the
    // step ran and succeeded.
    bool step(MergeContext &merge, MergeStepId id, const std::function<Problem()> &work);
    void record(MergeContext &merge, MergeStep step);
    bool makeOutputFolder(MergeContext &merge);
    bool writeSolverInputs(MergeContext &merge);
    void runMerge(MergeContext &merge);
    void runSolver(MergeContext &merge);
    void passSolverLine(const QString &line, MergeReport &report);
    void readMergedOrientation(MergeContext &merge, const FileIdentity &earlier);
    void writeImageFiles(MergeContext &merge);
    void writeProject(MergeContext &merge);
    void writeDatabase(MergeContext &merge);
    TableWatch tableWatch(MergeStepId table, bool stoppable) const;

    UserMessages &messages;
    QString solverPath;
    QString startedAs;
    MergeProgress progress;
    std::atomic<bool> stopFlag{false};
    std::unique_ptr<q7PhotoDataBase> photoDatabase;
};

#endif // MERGEWORKFLOW_H
