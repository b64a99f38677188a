#ifndef MERGEREADINESS_H
#define MERGEREADINESS_H

#include "mergereport.h"
#include "readiness.h"

#include <future>

// The readiness check beside a merge, so that its record and report carry
// the findings and Log/ gets the map of what was merged. It only tells: the
// merge's steps and files are the same with it.

// Starts the check of the merge's projects on a thread of its own, with the
// map's points; `stop` ends it early (see checkReadiness).
std::future<ReadinessReport> startReadinessCheck(const std::vector<ProjectEntry> &projects, Tolerances tolerances,
                                                 std::function<bool()> stop);

// The map beside the record: Log//merge-<start time, to the millisecond>.svg.
QString mergeMapPath(const MergeReport &report);

// Waits for the check, writes its map beside the record and keeps the rest in
// report.readiness (its points dropped), the map's path in report.mapFile
// (empty when it could not be written). Only for a merge that was not
// stopped (MergeSideWork::takeCheck tells that one's check as not finished).
void takeReadiness(std::future<ReadinessReport> &check, MergeReport &report);

#endif // MERGEREADINESS_H
