#ifndef TESTFINDINGS_H
#define TESTFINDINGS_H

#include "readinesscheck.h"

#include <QStringList>

// The check's findings as "kind:projects", the projects numbered from 1.
inline QStringList findingsOf(const ReadinessReport &report)
{
    QStringList found;
    for (const ReadinessFinding &finding : report.findings) {
        QStringList projects;
        for (int project : finding.projects)
            projects << QString::number(project + 1);
        found << findingKindName(finding.kind) + ":" + projects.join(',');
    }
    return found;
}

#endif // TESTFINDINGS_H
