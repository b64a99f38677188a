#ifndef DIALOGSETTINGS_H
#define DIALOGSETTINGS_H

#include "readinesscheck.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

// What the dialog keeps between runs: its geometry, the listed projects in
// order, the two fields and the folder the last Add chose from.
struct DialogSettings
{
    QByteArray geometry;
    QString prjDir;
    QString addFolder;
    QStringList projects;
    QString prjName;
    double tolerance = defaultTolerance; // shared images farther apart across, in metres, are a finding of the check
    double verticalTolerance = defaultTolerance; // and in height

    static DialogSettings load();
    void save() const;
};

#endif // DIALOGSETTINGS_H
