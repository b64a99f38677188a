#ifndef LINECOUNT_H
#define LINECOUNT_H

#include <QString>

// The number of lines of the regular file at path that hold at least one
// byte (a last line without a line feed counts), read block by block so that
// a file of any size takes little memory. Returns -1 when the file cannot be
// opened or read, or is not a regular file.
qint64 countNonEmptyLines(const QString &path);

#endif // LINECOUNT_H
