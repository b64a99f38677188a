#include "sqlcipherdriver.h"

#include "sqlcipherresult.h"

#include <QSqlField>
#include <QSqlIndex>
#include <QSqlRecord>
#include <QStringList>
#include <algorithm>
#include <sqlite3.h>

namespace {

const QLatin1String createKeyOption("QSQLITE_CREATE_KEY");
const QLatin1String busyTimeoutOption("QSQLITE_BUSY_TIMEOUT");

// How long a statement waits for another connection's lock on the file.
const int defaultBusyTimeout = 5000;

// Reads the text of every column of the current row.
QStringList rowTexts(sqlite3_stmt *stmt)
{
    QStringList texts;
    const int columns = sqlite3_column_count(stmt);
    for (int column = 0; column < columns; ++column) {
        const auto *text = reinterpret_cast<const char *>(sqlite3_column_text(stmt, column));
        texts << QString::fromUtf8(text, sqlite3_column_bytes(stmt, column));
    }
    return texts;
}

// The number after '=' in "NAME=number"; the fallback when there is none.
int numberOption(const QString &option, int fallback)
{
    bool valid = false;
    const int number = option.section(QLatin1Char('='), 1).trimmed().toInt(&valid);
    return valid ? number : fallback;
}

// SQLite keeps count of its memory under a lock of its own on every
// allocation, which nothing here reads: it is told not to, once, before its
// first connection (later the setting is refused and changes nothing).
void configureSqlite()
{
    static const int configured = sqlite3_config(SQLITE_CONFIG_MEMSTATUS, 0);
    Q_UNUSED(configured);
}

} // namespace

QVariant::Type fieldTypeOf(const QString &declaredType)
{
    const QString type = declaredType.toUpper();
    if (type.isEmpty())
        return QVariant::Invalid;
    if (type.contains(QLatin1String("INT")))
        return QVariant::LongLong;
    if (type.contains(QLatin1String("CHAR")) || type.contains(QLatin1String("CLOB"))
        || type.contains(QLatin1String("TEXT")))
        return QVariant::String;
    if (type.contains(QLatin1String("BLOB")))
        return QVariant::ByteArray;
    return QVariant::Double;
}

QSqlError sqliteError(const QString &driverText, sqlite3 *db, QSqlError::ErrorType type)
{
    return QSqlError(driverText, QString::fromUtf8(sqlite3_errmsg(db)), type,
                     QString::number(sqlite3_errcode(db)));
}

SqlCipherDriver::SqlCipherDriver(QObject *parent)
    : QSqlDriver(parent)
{
}

SqlCipherDriver::~SqlCipherDriver()
{
    close();
}

bool SqlCipherDriver::hasFeature(DriverFeature feature) const
{
    switch (feature) {
    case Transactions:
    case BLOB:
    case Unicode:
    case PreparedQueries:
    case PositionalPlaceholders:
    case LastInsertId:
    case FinishQuery:
        return true;
    default:
        return false;
    }
}

bool SqlCipherDriver::open(const QString &path, const QString &, const QString &password,
                           const QString &, int, const QString &options)
{
    if (isOpen())
        close();

    bool create = false;
    int busyTimeout = defaultBusyTimeout;
    for (const QString &entry : options.split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
        const QString option = entry.trimmed();
        if (option == createKeyOption)
            create = true;
        else if (option.section(QLatin1Char('='), 0, 0).trimmed() == busyTimeoutOption)
            busyTimeout = numberOption(option, busyTimeout);
        else
            return failOpen(tr("unknown connect option: %1").arg(option), SQLITE_MISUSE);
    }

    // Qt lets a connection be used only by the thread that made it, so SQLite
    // need not lock it on every call.
    configureSqlite();
    const int flags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX | (create ? SQLITE_OPEN_CREATE : 0);
    int rc = sqlite3_open_v2(path.toUtf8().constData(), &db, flags, nullptr);
    // Another connection may hold the file locked for a while: wait for it,
    // already while the key is checked below.
    if (rc == SQLITE_OK)
        rc = sqlite3_busy_timeout(db, busyTimeout);
    if (rc == SQLITE_OK && !password.isEmpty()) {
        const QByteArray key = password.toUtf8();
        rc = sqlite3_key(db, key.constData(), key.size());
    }
    // A wrong key shows only when a page is read: read the schema now.
    if (rc == SQLITE_OK)
        rc = sqlite3_exec(db, "SELECT count(*) FROM sqlite_master;", nullptr, nullptr, nullptr);
    if (rc != SQLITE_OK) {
        const QString message = db ? QString::fromUtf8(sqlite3_errmsg(db))
                                   : QString::fromUtf8(sqlite3_errstr(rc));
        sqlite3_close_v2(db);
        db = nullptr;
        return failOpen(message, rc);
    }

    // Every page is encrypted on its way to the file: a larger page cache lets
    // a big transaction spill fewer pages before its commit.
    sqlite3_exec(db, "PRAGMA cache_size = -65536;", nullptr, nullptr, nullptr);
    setOpen(true);
    setOpenError(false);
    return true;
}

bool SqlCipherDriver::failOpen(const QString &databaseText, int code)
{
    setLastError(QSqlError(tr("Error opening database"), databaseText,
                           QSqlError::ConnectionError, QString::number(code)));
    setOpenError(true);
    return false;
}

void SqlCipherDriver::close()
{
    if (!db)
        return;
    for (SqlCipherResult *result : qAsConst(results))
        result->finalize();
    sqlite3_close_v2(db);
    db = nullptr;
    setOpen(false);
    setOpenError(false);
}

QSqlResult *SqlCipherDriver::createResult() const
{
    return new SqlCipherResult(this);
}

void SqlCipherDriver::attach(SqlCipherResult *result) const
{
    results.append(result);
}

void SqlCipherDriver::detach(SqlCipherResult *result) const
{
    results.removeOne(result);
}

bool SqlCipherDriver::beginTransaction()
{
    return execute("BEGIN", tr("Unable to begin transaction"));
}

bool SqlCipherDriver::commitTransaction()
{
    return execute("COMMIT", tr("Unable to commit transaction"));
}

bool SqlCipherDriver::rollbackTransaction()
{
    return execute("ROLLBACK", tr("Unable to rollback transaction"));
}

bool SqlCipherDriver::execute(const char *sql, const QString &what)
{
    if (!db) {
        setLastError(QSqlError(what, tr("database not open"), QSqlError::TransactionError));
        return false;
    }
    if (sqlite3_exec(db, sql, nullptr, nullptr, nullptr) != SQLITE_OK) {
        setLastError(sqliteError(what, db, QSqlError::TransactionError));
        return false;
    }
    return true;
}

QVector<QStringList> SqlCipherDriver::selectRows(const QString &sql) const
{
    QVector<QStringList> rows;
    sqlite3_stmt *stmt = nullptr;
    if (!db || sqlite3_prepare_v2(db, sql.toUtf8().constData(), -1, &stmt, nullptr) != SQLITE_OK)
        return rows;
    while (sqlite3_step(stmt) == SQLITE_ROW)
        rows << rowTexts(stmt);
    sqlite3_finalize(stmt);
    return rows;
}

QStringList SqlCipherDriver::tables(QSql::TableType type) const
{
    QStringList conditions;
    if (type & QSql::Tables)
        conditions << QStringLiteral("(type = 'table' AND name NOT LIKE 'sqlite\\_%' ESCAPE '\\')");
    if (type & QSql::Views)
        conditions << QStringLiteral("type = 'view'");
    if (type & QSql::SystemTables)
        conditions << QStringLiteral("(type = 'table' AND name LIKE 'sqlite\\_%' ESCAPE '\\')");

    QStringList names;
    if (!db || conditions.isEmpty())
        return names;
    if (type & QSql::SystemTables)
        names << QStringLiteral("sqlite_master");
    const QString sql = QStringLiteral("SELECT name FROM sqlite_master WHERE ")
                        + conditions.join(QLatin1String(" OR "));
    for (const QStringList &row : selectRows(sql))
        names << row.value(0);
    return names;
}

// One row per column: cid, name, type, notnull, dflt_value, pk.
QVector<QStringList> SqlCipherDriver::tableInfo(const QString &tableName) const
{
    const QString table = stripDelimiters(tableName, TableName);
    return selectRows(QStringLiteral("PRAGMA table_info(%1)").arg(escapeIdentifier(table, TableName)));
}

QSqlField SqlCipherDriver::field(const QString &tableName, const QStringList &column) const
{
    QSqlField field(column.value(1), fieldTypeOf(column.value(2)),
                    stripDelimiters(tableName, TableName));
    field.setRequired(column.value(3) != QLatin1String("0"));
    if (!column.value(4).isEmpty())
        field.setDefaultValue(column.value(4));
    return field;
}

QSqlRecord SqlCipherDriver::record(const QString &tableName) const
{
    QSqlRecord columns;
    for (const QStringList &column : tableInfo(tableName))
        columns.append(field(tableName, column));
    return columns;
}

QSqlIndex SqlCipherDriver::primaryIndex(const QString &tableName) const
{
    QVector<QStringList> keys;
    for (const QStringList &column : tableInfo(tableName)) {
        if (column.value(5).toInt() > 0)
            keys << column;
    }
    std::sort(keys.begin(), keys.end(), [](const QStringList &a, const QStringList &b) {
        return a.value(5).toInt() < b.value(5).toInt();
    });
    QSqlIndex index(stripDelimiters(tableName, TableName));
    for (const QStringList &column : qAsConst(keys))
        index.append(field(tableName, column));
    return index;
}

QString SqlCipherDriver::escapeIdentifier(const QString &identifier, IdentifierType type) const
{
    if (isIdentifierEscaped(identifier, type))
        return identifier;
    QString escaped = identifier;
    escaped.replace(QLatin1Char('"'), QLatin1String("\"\""));
    return QLatin1Char('"') + escaped + QLatin1Char('"');
}
