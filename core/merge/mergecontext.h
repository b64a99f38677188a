#ifndef MERGECONTEXT_H
#define MERGECONTEXT_H

#include "mergeplan.h"
#include "mergereport.h"
#include "mergesidework.h"
#include "mergestate.h"
#include "mergesteps.h"

#include <QString>
#include <QtGlobal>
#include <optional>

// One merge as its steps see it: made by MergeWorkflow::mergePrj on its
// stack, handed from step to step and gone, its records with it, when the
// merge returns. The steps decide from the context alone; the report is only
// written, for the user, and never read back to decide what runs.
struct MergeContext
{
    MergeContext(const MergePlan &plan, const QString &prjName, MergeReport &report)
        : plan(plan), prjName(prjName), report(report)
    {
    }

    const MergePlan &plan;
    const QString &prjName;
    MergeReport &report;                   // what the merge did, written only
    StepOutcomes outcomes;                 // how each step went so far
    bool stopping = false;                 // once set, no further step runs
    MergeState records;                    // from the merged orientation file on
    qint64 positionsRead = 0;              // usable lines of the source position files
    qint64 positionsMerged = 0;            // lines of the merged position file
    std::optional<MergeSideWork> sideWork; // from the folder's lock to the record
};

#endif // MERGECONTEXT_H
