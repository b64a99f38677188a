#ifndef DATABASETESTING_H
#define DATABASETESTING_H

// Helpers of the photo database suites: they load the build's SQL driver, and
// record what the code under test writes to the debug stream and glog.

#include "testmessages.h"

#include <QCoreApplication>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QStringList>
#include <QVariant>
#include <glog/logging.h>

namespace databasetesting {

const QString connectionName = QStringLiteral("configpage");
const QString password = QStringLiteral("tessellat3crypt");

// The programs find the driver in their own folder; the suites are elsewhere.
inline void useBuiltDrivers()
{
    QCoreApplication::addLibraryPath(QStringLiteral(Q7_BIN_DIR));
}

// The glog records written while it lives, as "<severity> <file>: <text>".
class GlogRecords : public google::LogSink
{
public:
    GlogRecords() { google::AddLogSink(this); }
    ~GlogRecords() override { google::RemoveLogSink(this); }

    void send(google::LogSeverity severity, const char *, const char *baseName, int,
              const std::tm *, const char *message, size_t length) override
    {
        records << QString("%1 %2: %3")
                       .arg(google::GetLogSeverityName(severity), QString::fromUtf8(baseName),
                            QString::fromUtf8(message, int(length)));
    }

    QStringList records;
};

// The rows of a query, each as its columns joined by '|'; SQL NULL as <null>.
inline QStringList rows(QSqlDatabase db, const QString &sql)
{
    QSqlQuery query(sql, db);
    QStringList result;
    while (query.next()) {
        QStringList columns;
        for (int i = 0; i < query.record().count(); ++i)
            columns << (query.isNull(i) ? QStringLiteral("<null>") : query.value(i).toString());
        result << columns.join('|');
    }
    return result;
}

// A connection of its own to the database file at path, opened with the
// program's key (and created when create is set).
inline QSqlDatabase openWithKey(const QString &name, const QString &path, bool create = false)
{
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("SQLITECIPHER"), name);
    db.setDatabaseName(path);
    db.setPassword(password);
    if (create)
        db.setConnectOptions(QStringLiteral("QSQLITE_CREATE_KEY"));
    db.open();
    return db;
}

} // namespace databasetesting

#endif // DATABASETESTING_H
