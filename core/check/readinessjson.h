#ifndef READINESSJSON_H
#define READINESSJSON_H

#include "readinesscheck.h"

#include <QJsonArray>
#include <QJsonObject>

// The check as JSON: the tolerance, each project with its extent, the pairs
// that share images and the findings.
QJsonObject readinessJson(const ReadinessReport &report);

// The findings alone: kind, text, projects (numbers from 1) and images.
QJsonArray findingsJson(const std::vector<ReadinessFinding> &findings);

#endif // READINESSJSON_H
