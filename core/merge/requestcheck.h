#ifndef REQUESTCHECK_H
#define REQUESTCHECK_H

#include "mergerequest.h"

#include <QString>
#include <QStringList>

// What the front ends look at in a request before a merge starts, so that
// nothing is shown or written for a request that cannot go ahead.

// The first of the two fields that is empty (only the exact empty text is).
enum class MissingField { None, PrjDir, PrjName };
MissingField missingField(const MergeRequest &request);
// The "Tips" warning that asks for the field.
QString missingFieldText(MissingField field);

// True when the new project's folder already holds a file a merge writes.
bool holdsProject(const MergeRequest &request);

// The project files listed more than once (the same file after links are
// resolved, or one file under two paths through hard links), each named by
// the text of its second listing.
QStringList repeatedProjects(const QStringList &projectFiles);

#endif // REQUESTCHECK_H
