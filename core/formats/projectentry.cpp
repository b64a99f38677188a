#include "projectentry.h"

#include <QFileInfo>

ProjectEntry makeProjectEntry(const QString &prjFile)
{
    const QFileInfo info(prjFile);
    const QString folder = info.path();
    const QString baseName = info.completeBaseName();
    return ProjectEntry{prjFile,
                        folder + "//" + baseName + "_xyz.txt",
                        folder + "//Adjustment//" + baseName + "_ori.q7c"};
}
