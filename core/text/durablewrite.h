#ifndef DURABLEWRITE_H
#define DURABLEWRITE_H

#include "platform.h"

#include <QByteArray>

// Writes that survive a power cut once they are told done. Paths in the
// local 8-bit encoding; each tells what went wrong, if anything did.

// Puts on the disk the folder entry of the file at path (just renamed or
// made there), so that a power cut keeps the file under its name.
platform::SystemError syncFolderOf(const QByteArray &path);

// Appends bytes to the regular file at path (made when missing) whole or not
// at all: written, on the disk, or, when any of it fails, the file cut back
// to its earlier length. A symbolic link, a folder or a pipe at path is not
// written to. A file that has other names (hard links) gets a copy of its
// own first, so that the other names keep their bytes.
platform::SystemError appendWhole(const QByteArray &path, const QByteArray &bytes);

#endif // DURABLEWRITE_H
