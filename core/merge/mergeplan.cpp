#include "mergeplan.h"

#include "solverinputlist.h"

MergePlan makeMergePlan(const MergeRequest &request)
{
    MergePlan plan;
    readList(request.projectFiles, plan.projects);
    plan.outputs = mergeOutputs(request);
    return plan;
}
