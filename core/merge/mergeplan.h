#ifndef MERGEPLAN_H
#define MERGEPLAN_H

#include "mergeoutputs.h"
#include "mergerequest.h"
#include "projectentry.h"

#include <vector>

// Every path of one merge, made once from the request before anything is
// written: the source projects' files and the new project's folder and files.
// Each step is handed the paths it reads or writes from here.
struct MergePlan
{
    std::vector<ProjectEntry> projects; // the listed projects, "NULL" items left out
    MergeOutputs outputs;
};

MergePlan makeMergePlan(const MergeRequest &request);

#endif // MERGEPLAN_H
