#include "arguments.h"

#include "projectfile.h"
#include "requestcheck.h"
#include "shownpath.h"

#include <QCommandLineParser>
#include <QDir>
#include <QFileInfo>

QString missingArguments(const QCommandLineParser &parser)
{
    QStringList missing;
    // A check alone writes nothing, and needs no folder or name.
    for (const char *option : {"dir", "name"}) {
        if (!parser.isSet("check") && !parser.isSet(option))
            missing << QString("--") + option;
    }
    if (parser.positionalArguments().isEmpty())
        missing << "PROJECT.Q7D";
    if (missing.isEmpty())
        return QString();
    return QString("Missing %1. See 'q7prjmerge-cli --help'.").arg(missing.join(", "));
}

QString absolutePath(const QString &path)
{
    if (path.isEmpty() || QDir::isAbsolutePath(path))
        return path;
    return QDir::cleanPath(QDir::current().absoluteFilePath(path));
}

QStringList absolutePaths(const QStringList &paths)
{
    QStringList absolute;
    for (const QString &path : paths)
        absolute << absolutePath(path);
    return absolute;
}

QStringList unusableProjectFiles(const QStringList &files)
{
    QStringList unusable;
    for (const QString &file : files) {
        if (!isProjectFile(file))
            unusable << (QFileInfo::exists(file) ? "Not a readable project file: " : "No such project file: ")
                            + shownPath(file);
    }
    for (const QString &file : repeatedProjects(files))
        unusable << "Listed more than once: " + shownPath(file);
    return unusable;
}
