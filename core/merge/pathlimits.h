#ifndef PATHLIMITS_H
#define PATHLIMITS_H

#include "mergeoutputs.h"
#include "problem.h"

#include <QString>

// The longest path SQLite opens (its journal's included), and the most a
// merge adds to the photo database's path: the journal of the new file a
// merge run again writes beside the earlier one (".new-journal").
constexpr int sqlitePathBytes = 512;
constexpr int journalSuffixBytes = 12;

// Every path a merge makes must fit: the photo database's, with its journal's
// name, SQLite's limit, and every file's, with the new file written beside it
// first, the system's. Found only when the database is opened, a path too
// long would leave a project without a database for good. Returns the
// "Tips" text naming the first path that does not fit and the fields that
// make it, or none when every path fits.
Problem pathTooLong(const MergeOutputs &outputs);

#endif // PATHLIMITS_H
