#ifndef SQLCIPHERDRIVER_H
#define SQLCIPHERDRIVER_H

#include "sqlcipherrows.h"

#include <QSqlDriver>
#include <QSqlError>
#include <QSqlField>
#include <QStringList>
#include <QVector>

struct sqlite3;
class SqlCipherResult;

// A Qt SQL driver for SQLite database files encrypted with a key. The
// connection's password is the key; an empty password opens a plain file.
// Apart from the key it behaves as Qt's SQLite driver. Connect options,
// separated by ';':
//   QSQLITE_CREATE_KEY          the file may be new: create it, encrypted with the key.
//   QSQLITE_BUSY_TIMEOUT=<ms>   how long to wait for another connection's lock on
//                               the file (5000 ms unless given).
//   QSQLITE_OPEN_READONLY       open the file for reading only.
//   QSQLITE_OPEN_URI            accepted; a "file:" URI is taken as one without it too.
//   QSQLITE_ENABLE_SHARED_CACHE share one cache among the connections to the file.
//   QSQLITE_ENABLE_REGEXP[=<n>] a REGEXP function, keeping n patterns compiled (25).
// Without QSQLITE_CREATE_KEY only an existing file is opened. The key is
// checked at open, so a wrong key or a file that is no such database fails
// open(). An option not known fails open() as well.
// Beyond Qt SQL it writes rows with values bound one by one (SqlCipherRows).
class SqlCipherDriver : public QSqlDriver, public SqlCipherRows
{
    Q_OBJECT
    Q_INTERFACES(SqlCipherRows)

public:
    explicit SqlCipherDriver(QObject *parent = nullptr);
    ~SqlCipherDriver() override;

    bool hasFeature(DriverFeature feature) const override;
    bool open(const QString &path, const QString &user, const QString &password,
              const QString &host, int port, const QString &options) override;
    void close() override;
    QSqlResult *createResult() const override;

    bool beginTransaction() override;
    bool commitTransaction() override;
    bool rollbackTransaction() override;

    QStringList tables(QSql::TableType type) const override;
    QSqlRecord record(const QString &tableName) const override;
    QSqlIndex primaryIndex(const QString &tableName) const override;
    QString escapeIdentifier(const QString &identifier, IdentifierType type) const override;
    QVariant handle() const override;
    std::unique_ptr<SqlCipherRowStatement> prepareRows(const QString &sql, QSqlError *error) const override;

    // Changes to the rows of a table subscribed to come as notification()
    // with the row id, from SQLite's update hook.
    bool subscribeToNotification(const QString &name) override;
    bool unsubscribeFromNotification(const QString &name) override;
    QStringList subscribedToNotifications() const override;

    // The results created here register themselves, so that close() can
    // finalize their statements before it closes the file.
    sqlite3 *connection() const { return db; }
    void attach(SqlCipherResult *result) const;
    void detach(SqlCipherResult *result) const;

private slots:
    void handleNotification(const QString &table, qint64 rowid);

private:
    bool failOpen(const QString &databaseText, int code);
    bool execute(const char *sql, const QString &what);
    QVector<QStringList> selectRows(const QString &sql) const;
    QVector<QStringList> tableInfo(const QString &tableName) const;
    QSqlField field(const QString &tableName, const QStringList &column) const;

    sqlite3 *db = nullptr;
    mutable QVector<SqlCipherResult *> results;
    QStringList subscriptions;
};

Q_DECLARE_OPAQUE_POINTER(sqlite3 *)
Q_DECLARE_METATYPE(sqlite3 *)

// The Qt field type for a column declared with the given SQL type, by the
// type names Qt's SQLite driver knows; any other type is a text.
QVariant::Type fieldTypeOf(const QString &declaredType);

// A QSqlError for a failure of the connection, with SQLite's message and code.
QSqlError sqliteError(const QString &driverText, sqlite3 *db, QSqlError::ErrorType type);

#endif // SQLCIPHERDRIVER_H
