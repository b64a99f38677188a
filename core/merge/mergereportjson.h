#ifndef MERGEREPORTJSON_H
#define MERGEREPORTJSON_H

#include "mergereport.h"

#include <QJsonObject>

// The report as one JSON object, for pipelines: whether the merge started and
// succeeded, the sources, the solver's run, each step, the counts and the
// output files with their sizes as they are now (-1: missing).
QJsonObject mergeReportJson(const MergeReport &report);

#endif // MERGEREPORTJSON_H
