#ifndef DATABASECARRYOVER_H
#define DATABASECARRYOVER_H

#include <QSqlDatabase>
#include <QString>
#include <QStringList>
#include <functional>

// Told while a table's rows are carried over: its name, the rows carried so
// far and its rows in all; at its start, every rowsBetweenReports rows (see
// databaserecords.h) and at its end, with done == total.
using RowsCarried = std::function<void(const QString &table, qint64 done, qint64 total)>;

// Carries over into the database attached to db as schema everything of
// db's main database but the rows of leftOut, in one transaction: the tables
// missing there made as the main database's schema text makes them, every
// table's rows with their rowids (those of a table there already in place of
// its own), then the indexes, views and triggers (made after the rows, so
// that no trigger fires on them), and the user version. SQLite's own tables
// are left to SQLite, but for the counters of AUTOINCREMENT. Empty when
// done, else SQLite's reason, the transaction rolled back. The rows of each
// table are told to carried as they come.
QString carryOver(QSqlDatabase &db, const QString &schema, const QStringList &leftOut,
                  const RowsCarried &carried = {});

#endif // DATABASECARRYOVER_H
