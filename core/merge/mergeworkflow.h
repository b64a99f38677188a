#ifndef MERGEWORKFLOW_H
#define MERGEWORKFLOW_H

#include "mergeplan.h"
#include "mergereport.h"
#include "mergerequest.h"
#include "mergesidework.h"
#include "mergestate.h"
#include "mergesteps.h"
#include "problem.h"
#include "camerarecords.h"

#include <QString>
#include <atomic>
#include <functional>
#include <memory>
#include <optional>

struct FileIdentity;
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
};

// A whole merge, as the MergePrj button and the batch program start it: the
// field checks, the plan of its paths, the output folder with the solver's
// inputs, the solver, and the new project's camera file, image list, project
// file and photo database. Owns what merges work on for as long as it lives;
// the database connection "configpage" stays open from one merge to the next.
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

    const MergeState &state() const { return mergeState; }

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
    bool stopping(MergeReport &report);
    // Runs one step unless the merge is stopping, timing it and recording how
    // it went. `work` returns what went wrong, if anything. True when the
    // step ran and succeeded.
    bool step(MergeReport &report, MergeStepId id, const std::function<Problem()> &work);
    void record(MergeReport &report, MergeStep step);
    bool makeOutputFolder(const MergePlan &plan, MergeReport &report);
    bool writeSolverInputs(const MergePlan &plan, MergeReport &report);
    void runMerge(const MergePlan &plan, const QString &prjName, MergeReport &report);
    void runSolver(const MergePlan &plan, MergeReport &report);
    void passSolverLine(const QString &line, MergeReport &report);
    void readMergedOrientation(const QString &orientationFile, const FileIdentity &earlier, MergeReport &report);
    void writeProject(const MergePlan &plan, const QString &prjName, MergeReport &report);
    void writeDatabase(const QString &databasePath, MergeReport &report);
    TableWatch tableWatch(MergeStepId table, bool stoppable) const;

    MergeState mergeState;
    StepOutcomes outcomes; // of the merge under way
    UserMessages &messages;
    QString solverPath;
    QString startedAs;
    MergeProgress progress;
    std::atomic<bool> stopFlag{false};
    std::unique_ptr<q7PhotoDataBase> photoDatabase;
    std::optional<MergeSideWork> sideWork; // while a merge runs
};

#endif // MERGEWORKFLOW_H
