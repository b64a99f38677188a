#ifndef MERGEREQUEST_H
#define MERGEREQUEST_H

#include "readiness.h"

#include <QString>
#include <QStringList>
#include <memory>

// A readiness check made before the merge (the batch program's): of which
// project files, with which tolerances, and what it found, the map's points
// kept.
struct EarlierCheck
{
    QStringList projectFiles;
    Tolerances tolerances;
    ReadinessReport report;
};

// What the user asked for: the listed source project files, in list order, and
// the texts of the two fields. The dialog and the batch program fill it.
struct MergeRequest
{
    QStringList projectFiles; // the list items' texts
    QString prjDir;           // "prjDir:", the folder in which the new project is made
    QString prjName;          // "PrjName:", the new project's name
    double tolerance = defaultTolerance; // of the readiness check: shared images farther apart across (metres) are a finding
    double verticalTolerance = defaultTolerance; // and in height
    // The merge takes this check's findings rather than checking the same
    // projects with the same tolerances again; null: it checks them itself.
    std::shared_ptr<const EarlierCheck> checked = nullptr;

    // The new project's folder: joined with "//", never normalised.
    QString outputFolder() const { return prjDir + "//" + prjName; }
};

#endif // MERGEREQUEST_H
