#ifndef CHECKCOMMAND_H
#define CHECKCOMMAND_H

#include <QStringList>

// --check: the readiness check of the listed projects alone. Prints the
// findings and the pairs that share images (shared, median and largest
// distance), or with json one object; writes no file. Returns the exit code:
// 0 nothing found, 1 something was.
int runReadinessCheck(const QStringList &projectFiles, double tolerance, bool json);

#endif // CHECKCOMMAND_H
