#ifndef ARGUMENTS_H
#define ARGUMENTS_H

#include <QString>
#include <QStringList>

class QCommandLineParser;

// What the batch program makes of its arguments before a merge.

// One line saying which of --dir, --name (unless --check) and the project
// files is missing, pointing to --help; empty when none is.
QString missingArguments(const QCommandLineParser &parser);

// path taken against the working folder, so that the new project's files
// name it wherever they are opened from; an absolute path is kept as given,
// an empty one stays empty.
QString absolutePath(const QString &path);
QStringList absolutePaths(const QStringList &paths);

// One line for every listed file that is missing, not a readable project
// file, or the same project as one listed before it.
QStringList unusableProjectFiles(const QStringList &files);

#endif // ARGUMENTS_H
