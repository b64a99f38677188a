#ifndef MERGEWORKFLOW_H
#define MERGEWORKFLOW_H

#include "mergereport.h"
#include "mergerequest.h"
#include "mergestate.h"

#include <QString>
#include <functional>
#include <memory>

class q7PhotoDataBase;
class UserMessages;

// A whole merge, as the MergePrj button and the batch program start it: the
// field checks, the output folder with the solver's inputs, the solver, and
// the new project's camera file, image list, project file and photo database.
// Owns what merges work on for as long as it lives; the database connection
// "configpage" stays open from one merge to the next.
class MergeWorkflow
{
public:
    explicit MergeWorkflow(UserMessages &messages);
    ~MergeWorkflow();

    // Checks the request and, when it can go ahead, merges. Problems with the
    // request are told through the messages; the report says how each step went.
    MergeReport mergePrj(const MergeRequest &request);

    const MergeState &state() const { return mergeState; }

    // The solver to run: by default AT/Z7Uzurer beside the program.
    void setSolverPath(const QString &path) { solverPath = path; }
    static QString defaultSolverPath();

    // How the merges were started (the front end and its command line), for
    // the merge record.
    void setStartedAs(const QString &text) { startedAs = text; }
    // Called with each step's name as it begins.
    void setStepStartedHook(std::function<void(const QString &step)> hook) { stepStarted = std::move(hook); }

private:
    // Runs one step, timing it and recording how it went. `work` returns an
    // empty text on success, else what went wrong.
    void step(MergeReport &report, const QString &name, const std::function<QString()> &work);
    void runMerge(const MergeRequest &request, MergeReport &report);
    void runSolver(const MergeRequest &request, MergeReport &report);
    void writeProject(const MergeRequest &request, MergeReport &report);
    void writeDatabase(const MergeRequest &request, MergeReport &report);

    MergeState mergeState;
    UserMessages &messages;
    QString solverPath;
    QString startedAs;
    std::function<void(const QString &step)> stepStarted;
    std::unique_ptr<q7PhotoDataBase> photoDatabase;
};

#endif // MERGEWORKFLOW_H
