#ifndef REGULARFILE_H
#define REGULARFILE_H

#include <QByteArray>
#include <cstdio>

// Opens the file at path (local 8-bit encoding) for reading as a C stream,
// only when it is a regular file (after links): a pipe, a device or a folder
// would hold a reader up for ever or give endless bytes. Null, with errno
// set, when it cannot be opened or is no regular file.
std::FILE *openRegularFile(const QByteArray &path);

#endif // REGULARFILE_H
