#ifndef CHECKCOMMAND_H
#define CHECKCOMMAND_H

#include "mergerequest.h"
#include "readiness.h"

#include <QStringList>
#include <memory>

// --check: the readiness check of the listed projects alone. Prints the
// findings, the projects and the pairs that share images (shared, median and
// largest distance, the median offset and its spread, in metres), or with
// json one object; with mapFile given, writes the map there and nothing else.
// Returns the exit code: 0 nothing found, 1 something was (or the map could
// not be written).
int runReadinessCheck(const QStringList &projectFiles, Tolerances tolerances, bool json, const QString &mapFile);

// The check before a batch merge: its findings on standard error, so that
// they come before the merge's own lines. Returns the check, its map's points
// kept, for the merge to take up rather than check again.
std::shared_ptr<const EarlierCheck> checkBeforeMerge(const QStringList &projectFiles, Tolerances tolerances);

#endif // CHECKCOMMAND_H
