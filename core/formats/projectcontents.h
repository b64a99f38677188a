#ifndef PROJECTCONTENTS_H
#define PROJECTCONTENTS_H

#include <QString>
#include <QStringList>

// What a source project holds, as far as a look before the merge tells: the
// images of its position file, the counts of its orientation file's header,
// and which of its files are missing or cannot be read.
struct ProjectContents
{
    qint64 positionImages = -1;  // non-empty lines of the position file; -1 not counted or unreadable
    int orientationCameras = -1; // from the orientation file's header; -1 when unreadable
    int orientationImages = -1;
    QStringList unreadable;      // "<which file> <path>" of every file missing or unreadable

    bool complete() const { return unreadable.isEmpty(); }
};

// The quick look: opens the project file, its position file and its
// orientation file and reads only the orientation file's header.
ProjectContents checkProject(const QString &prjFile);

// The quick look, and the images of the position file counted besides; takes
// as long as reading the position file once.
ProjectContents readProjectContents(const QString &prjFile);

#endif // PROJECTCONTENTS_H
