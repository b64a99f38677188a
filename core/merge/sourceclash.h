#ifndef SOURCECLASH_H
#define SOURCECLASH_H

#include "mergeplan.h"
#include "fileidentity.h"
#include "problem.h"

#include <QString>
#include <vector>

// A merge must never write over a source project. Compares every file the
// merge would write (the solver input list, the position file, the merged
// orientation file, the camera file, the image list, the project file and the
// photo database) with the project file, position file and orientation file
// of every source project of the plan, and returns a text naming
// the first clash, or none when there is none.
//
// Two paths clash when they name one file: after symbolic links, ".", ".."
// and doubled separators are resolved, as far as the path exists (so it works
// before the output folder is made), or when both name the same existing file
// through hard links.
Problem findSourceClash(const MergePlan &plan);

// One file as comparisons see it: its path resolved as resolvedPath does and,
// when it exists, which file it is (device and file number).
struct ComparedFile
{
    QString resolved;
    FileIdentity id;
};
ComparedFile comparedFile(const QString &path);
// Whether a and b name one file: the same resolved path, or the same existing
// file through another path (a hard link, a mount seen twice).
bool sameFile(const ComparedFile &a, const ComparedFile &b);
// Whether one of files is the same file as file.
bool holdsFile(const std::vector<ComparedFile> &files, const ComparedFile &file);

// path made absolute against the working folder and resolved as far as it
// exists; the part below the deepest existing folder is only cleaned.
QString resolvedPath(const QString &path);

#endif // SOURCECLASH_H
