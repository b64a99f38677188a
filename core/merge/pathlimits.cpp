#include "pathlimits.h"

#include "atomicfile.h"
#include "platform.h"
#include "shownpath.h"
#include "translatedtext.h"

#include <QDir>
#include <QFile>

namespace {

// The bytes of path as the system gets it: made absolute against the working
// folder, as SQLite does, in the local 8-bit encoding.
int absoluteBytes(const QString &path)
{
    const QString absolute = QDir::isAbsolutePath(path) ? path : QDir::currentPath() + "/" + path;
    return QFile::encodeName(absolute).size();
}

QString tooLong(const NamedFile &file, int bytes, int limit)
{
    return tr("The path of the new project's %1, %2, would be %3 bytes long; at most %4 fit. "
              "Nothing was written: choose a shorter prjDir or PrjName.")
        .arg(file.what, shownPath(file.path))
        .arg(bytes)
        .arg(limit);
}

} // namespace

Problem pathTooLong(const MergeOutputs &outputs)
{
    const NamedFile database{tr("photo database"), outputs.database};
    const int databaseLimit = sqlitePathBytes - journalSuffixBytes;
    const int databaseBytes = absoluteBytes(outputs.database);
    if (databaseBytes > databaseLimit)
        return tooLong(database, databaseBytes, databaseLimit);
    std::vector<NamedFile> files = namedFiles(outputs);
    // The map beside the record, its time in the name as long as it gets.
    files.push_back({tr("map"), outputs.folder + "//Log//merge-yyyyMMdd-HHmmss-zzz.svg"});
    for (const NamedFile &file : files) {
        const int bytes = absoluteBytes(file.path) + AtomicFile::longestSiblingSuffixBytes;
        if (bytes > platform::longestPathBytes())
            return tooLong(file, bytes, platform::longestPathBytes());
    }
    return Problem();
}
