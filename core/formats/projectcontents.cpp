#include "projectcontents.h"

#include "linecount.h"
#include "orientationfilereader.h"
#include "projectentry.h"
#include "projectfile.h"
#include "translatedtext.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>

namespace {

bool canOpen(const QString &path)
{
    QFile file(path);
    return QFileInfo(path).isFile() && file.open(QIODevice::ReadOnly);
}

} // namespace

ProjectContents checkProject(const QString &prjFile)
{
    const ProjectEntry entry = makeProjectEntry(prjFile);
    ProjectContents contents;
    if (!isProjectFile(entry.prjFile))
        contents.unreadable << tr("project file %1").arg(entry.prjFile);
    if (!canOpen(entry.xyzFile))
        contents.unreadable << tr("position file %1").arg(entry.xyzFile);
    OrientationHeader header;
    if (readOrientationHeader(QFile::encodeName(entry.oriFile), header)) {
        contents.orientationCameras = header.cameras;
        contents.orientationImages = header.images;
    } else {
        contents.unreadable << tr("orientation file %1").arg(entry.oriFile);
    }
    return contents;
}

ProjectContents readProjectContents(const QString &prjFile)
{
    ProjectContents contents = checkProject(prjFile);
    contents.positionImages = countNonEmptyLines(makeProjectEntry(prjFile).xyzFile);
    return contents;
}
