#ifndef PROJECTNAME_H
#define PROJECTNAME_H

#include "problem.h"

#include <QString>

// The new project's name becomes a folder and the start of every file name
// in it, so it must be one plain path component: not "." or "..", without
// "/", "\", NUL or a line end, written alike in the local 8-bit encoding (in
// which the files are named), and short enough that the longest file name
// made from it still fits the file system's 255 bytes. Returns why name is
// refused, or none when it is fit. The empty name is left to the
// field check that asks for one.
Problem projectNameProblem(const QString &name);

// The longest name projectNameProblem accepts, in bytes of the local encoding.
int longestProjectNameBytes();

#endif // PROJECTNAME_H
