#ifndef MERGELOG_H
#define MERGELOG_H

#include "mergereport.h"

#include <QString>
#include <QStringList>

// The record of a merge that started, appended as plain text to the new
// project's Log//merge.log: when, by which program and how, from which
// sources into which folder, the solver's run, each step and the counts.
// Earlier records stay as they are. False when the record could not be written.
bool appendMergeLog(const MergeReport &report);

// The record's text.
QString mergeLogRecord(const MergeReport &report);

// Arguments joined into one line a shell would split back into them.
QString commandLine(const QStringList &arguments);

#endif // MERGELOG_H
