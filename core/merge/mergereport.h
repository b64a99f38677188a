#ifndef MERGEREPORT_H
#define MERGEREPORT_H

#include "mergeoutputs.h"
#include "mergesteps.h"
#include "projectentry.h"
#include "readiness.h"

#include <QDateTime>
#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

// One step of a merge: whether it did what the new project needs, what went
// wrong if not, and how long it took.
struct MergeStep
{
    QString name; // stepName(id)
    bool ok = true;
    QString problem;
    qint64 milliseconds = 0;
    MergeStepId id = MergeStepId::OutputFolder;
    bool ran = true; // false: left out, the step it needs having failed

    // "succeeded", "failed", "stopped" (cut short by a stop) or "not run",
    // as the user is shown it.
    QString result() const;
};

// The problem of a step that a stop cut short.
QString stoppedProblem();

// A count as the user reads it, grouped by the user's locale ("40,000").
QString shownCount(qint64 count);

// What a merge did, for the word the user gets at its end, the merge record
// and the batch program's JSON.
struct MergeReport
{
    bool started = false; // false: refused before anything was written
    QDateTime startTime;
    QString startedAs; // the front end and its command line
    QString outputFolder;
    std::vector<ProjectEntry> sources; // in list order
    ReadinessReport readiness; // the check of the sources' positions, without the map's points
    QString mapFile;           // the map of the merge beside the record; empty when not written
    MergeOutputs outputs;
    int projects = 0;
    int cameras = 0;
    int images = 0;
    QString solverCommand;
    // How the solver exited; none when it did not start, crashed or was stopped
    // (the record and the JSON write -1 then).
    std::optional<int> solverExitCode;
    QStringList solverOutput; // its standard output and error, line by line as they came
    bool stoppedBeforeSolver = false; // its input list or position file was not written whole
    qint64 positionsRead = 0;   // usable lines of the source position files
    qint64 positionsMerged = 0; // lines of the merged position file
    std::vector<MergeStep> steps;
    bool stopped = false; // the user stopped it; steps holds those that ran

    bool succeeded() const;
    // Whether the step ran and did its work (the file it writes was written).
    bool stepSucceeded(MergeStepId id) const;
    // The steps after the last that ran, for a merge that stopped part way.
    std::vector<MergeStepId> notRun() const;
    // The counts when every step succeeded, else each step that failed, or,
    // for a stopped merge, each step that ran; then the images that came in
    // and went out.
    QString summary() const;
    // The images read from the source position files against those of the
    // merged project, the difference explained.
    QString imageCounts() const;
    // The summary, the counts, one line a step (those not run included), the
    // solver's command line, how it ended and its output, as the user copies it.
    QString text() const;
    // How the solver ended: "exit code N", or why it has none.
    QString solverEnd() const;
    // One line a step with its time, for measuring.
    QString timings() const;
};

#endif // MERGEREPORT_H
