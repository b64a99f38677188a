#ifndef DATABASERECORDS_H
#define DATABASERECORDS_H

#include "camerarecords.h"

#include <QString>
#include <QtGlobal>
#include <functional>
#include <utility>
#include <vector>

// Asked now and then while a table's rows go in: true ends the table, rolled
// back to its earlier rows, so that a stop need not wait for a large table.
using StopRequested = std::function<bool()>;

// Told while a table's rows go in: the rows stored so far and the rows in all.
// Told when the table starts, every rowsBetweenReports rows, and once at its
// end with done == total, so that a large table costs a handful of calls.
using RowsWritten = std::function<void(qint64 done, qint64 total)>;
constexpr qint64 rowsBetweenReports = 1000;

// What a table's writer looks at while its rows go in; either may be empty.
struct TableWatch
{
    StopRequested stop;
    RowsWritten rows;
};

// Where a table's rows go: the connection registered under connectionName
// and, within it, the database named schema ("main", the file the
// connection opened, or one attached to it).
struct RowsTarget
{
    RowsTarget(QString connectionName, QString schema = QStringLiteral("main"))
        : connectionName(std::move(connectionName))
        , schema(std::move(schema))
    {
    }
    RowsTarget(const char *connectionName)
        : RowsTarget(QString::fromUtf8(connectionName))
    {
    }
    QString connectionName;
    QString schema;
};

// How writing one table went: stored, or the reason it was not, naming the
// database file and SQLite's own words. True when stored.
struct TableWrite
{
    QString reason; // empty when the rows are stored
    bool stopped = false;
    explicit operator bool() const { return reason.isEmpty() && !stopped; }
};

// The rows of the photo database, written into the target's database (see
// q7PhotoDataBase). Each table gets one prepared
// statement and one transaction, which first deletes the rows the table held
// (those of an earlier merge into the same file): afterwards the table holds
// this call's rows, or, when it fails, its earlier rows whole. Each is true
// when the table's transaction was committed, and false when there is no open
// connection, the statement cannot be prepared, or a row failed: the first
// failing row ends the table, rolled back, and is logged.

// One imageinfos row per image, with the values of its camera (the last
// camera carrying its camIdx; zeros when none does).
TableWrite insertImageInfos(const RowsTarget &target, const std::vector<ImageRecord> &imageRecords,
                            const std::vector<CameraRecord> &cameraRecords, const TableWatch &watch = {});

// One eofInfo row per image.
TableWrite insertEofInfo(const RowsTarget &target, const std::vector<ImageRecord> &imageRecords,
                         const TableWatch &watch = {});

// One groups row per camera, with the image count of the camera's last run in
// groupCounts (0 when it has none).
TableWrite insertGroups(const RowsTarget &target, const std::vector<CameraRecord> &cameraRecords,
                        const GroupCounts &groupCounts, const TableWatch &watch = {});

#endif // DATABASERECORDS_H
