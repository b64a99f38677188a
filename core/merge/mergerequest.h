#ifndef MERGEREQUEST_H
#define MERGEREQUEST_H

#include "readiness.h"

#include <QString>
#include <QStringList>

// What the user asked for: the listed source project files, in list order, and
// the texts of the two fields. The dialog and the batch program fill it.
struct MergeRequest
{
    QStringList projectFiles; // the list items' texts
    QString prjDir;           // "prjDir:", the folder in which the new project is made
    QString prjName;          // "PrjName:", the new project's name
    double tolerance = defaultTolerance; // of the readiness check: shared images farther apart across (metres) are a finding
    double verticalTolerance = defaultTolerance; // and in height

    // The new project's folder: joined with "//", never normalised.
    QString outputFolder() const { return prjDir + "//" + prjName; }
};

#endif // MERGEREQUEST_H
