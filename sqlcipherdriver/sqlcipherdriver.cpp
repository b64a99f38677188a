#include "sqlcipherdriver.h"

#include "sqlcipherresult.h"
#include "sqlcipherrowwriter.h"

#include <QCache>
#include <QRegularExpression>
#include <QSqlField>
#include <QSqlIndex>
#include <QSqlRecord>
#include <QStringList>
#include <sqlite3.h>

namespace {

// How long a statement waits for another connection's lock on the file.
const int defaultBusyTimeout = 5000;
// How many compiled patterns of REGEXP are kept, unless told otherwise.
const int defaultRegexpCache = 25;

// The connect options, as read from their text.
struct ConnectOptions
{
    bool create = false;
    bool readOnly = false;
    bool sharedCache = false;
    bool regexp = false;
    int regexpCache = defaultRegexpCache;
    int busyTimeout = defaultBusyTimeout;
    QString unknown; // the first option not known, if any

    int openFlags() const
    {
        // Qt lets a connection be used only by the thread that made it, so
        // SQLite need not lock it on every call. A "file:" URI names the file
        // with or without QSQLITE_OPEN_URI, as the system's SQLite takes it.
        return SQLITE_OPEN_NOMUTEX | SQLITE_OPEN_URI
               | (readOnly ? SQLITE_OPEN_READONLY
                           : SQLITE_OPEN_READWRITE | (create ? SQLITE_OPEN_CREATE : 0))
               | (sharedCache ? SQLITE_OPEN_SHAREDCACHE : 0);
    }
};

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

ConnectOptions parseOptions(const QString &text)
{
    ConnectOptions options;
    for (const QString &entry : text.split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
        const QString option = entry.trimmed();
        const QString name = option.section(QLatin1Char('='), 0, 0).trimmed();
        if (option == QLatin1String("QSQLITE_CREATE_KEY"))
            options.create = true;
        else if (option == QLatin1String("QSQLITE_OPEN_READONLY"))
            options.readOnly = true;
        else if (option == QLatin1String("QSQLITE_ENABLE_SHARED_CACHE"))
            options.sharedCache = true;
        else if (name == QLatin1String("QSQLITE_BUSY_TIMEOUT"))
            options.busyTimeout = numberOption(option, options.busyTimeout);
        else if (option == QLatin1String("QSQLITE_ENABLE_REGEXP"))
            options.regexp = true;
        else if (name == QLatin1String("QSQLITE_ENABLE_REGEXP")) {
            // A cache size that is no number leaves the function out.
            options.regexpCache = numberOption(option, -1);
            options.regexp = options.regexpCache >= 0;
        } else if (option != QLatin1String("QSQLITE_OPEN_URI") && options.unknown.isEmpty())
            options.unknown = option; // URIs are taken with or without QSQLITE_OPEN_URI
    }
    return options;
}

using RegexpCache = QCache<QString, QRegularExpression>;

// "subject REGEXP pattern": whether the pattern matches somewhere in the
// subject. Compiled patterns are kept in the connection's cache.
void regexp(sqlite3_context *context, int argc, sqlite3_value **argv)
{
    if (argc != 2) {
        sqlite3_result_int(context, 0);
        return;
    }
    const QString pattern = QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_value_text(argv[0])));
    const QString subject = QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_value_text(argv[1])));
    auto *cache = static_cast<RegexpCache *>(sqlite3_user_data(context));
    bool found = false;
    if (const QRegularExpression *cached = cache->object(pattern)) {
        found = subject.contains(*cached);
    } else {
        auto *expression = new QRegularExpression(pattern, QRegularExpression::DontCaptureOption);
        found = subject.contains(*expression);
        cache->insert(pattern, expression); // a cache of size 0 deletes it at once
    }
    sqlite3_result_int(context, found ? 1 : 0);
}

void deleteRegexpCache(void *cache)
{
    delete static_cast<RegexpCache *>(cache);
}

// SQLite reports every row written; the driver passes on those of the
// tables subscribed to, once control is back in the event loop.
void rowChanged(void *driver, int, const char *, const char *table, sqlite3_int64 rowid)
{
    QMetaObject::invokeMethod(static_cast<SqlCipherDriver *>(driver), "handleNotification",
                              Qt::QueuedConnection, Q_ARG(QString, QString::fromUtf8(table)),
                              Q_ARG(qint64, rowid));
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
    const QString type = declaredType.toLower();
    if (type == QLatin1String("integer") || type == QLatin1String("int"))
        return QVariant::Int;
    if (type == QLatin1String("double") || type == QLatin1String("float") || type == QLatin1String("real")
        || type.startsWith(QLatin1String("numeric")))
        return QVariant::Double;
    if (type == QLatin1String("blob"))
        return QVariant::ByteArray;
    if (type == QLatin1String("boolean") || type == QLatin1String("bool"))
        return QVariant::Bool;
    return QVariant::String;
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
    case NamedPlaceholders:
    case LastInsertId:
    case SimpleLocking:
    case LowPrecisionNumbers:
    case EventNotifications:
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

    const ConnectOptions connect = parseOptions(options);
    if (!connect.unknown.isEmpty())
        return failOpen(tr("unknown connect option: %1").arg(connect.unknown), SQLITE_MISUSE);

    configureSqlite();
    int rc = sqlite3_open_v2(path.toUtf8().constData(), &db, connect.openFlags(), nullptr);
    // Another connection may hold the file locked for a while: wait for it,
    // already while the key is checked below.
    if (rc == SQLITE_OK)
        rc = sqlite3_busy_timeout(db, connect.busyTimeout);
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

    if (connect.regexp)
        sqlite3_create_function_v2(db, "regexp", 2, SQLITE_UTF8 | SQLITE_DETERMINISTIC,
                                   new RegexpCache(connect.regexpCache), &regexp, nullptr, nullptr,
                                   &deleteRegexpCache);
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
    subscriptions.clear();
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
    // Closed, it fails and leaves the last error as it was.
    if (!db)
        return false;
    if (sqlite3_exec(db, sql, nullptr, nullptr, nullptr) != SQLITE_OK) {
        setLastError(QSqlError(what, QString::fromUtf8(sqlite3_errmsg(db)), QSqlError::TransactionError));
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
    QString kinds;
    if ((type & QSql::Tables) && (type & QSql::Views))
        kinds = QStringLiteral("type = 'table' OR type = 'view'");
    else if (type & QSql::Tables)
        kinds = QStringLiteral("type = 'table'");
    else if (type & QSql::Views)
        kinds = QStringLiteral("type = 'view'");

    QStringList names;
    if (!db)
        return names;
    if (!kinds.isEmpty()) {
        const QString sql = QStringLiteral("SELECT name FROM sqlite_master WHERE %1"
                                           " UNION ALL SELECT name FROM sqlite_temp_master WHERE %1");
        for (const QStringList &row : selectRows(sql.arg(kinds)))
            names << row.value(0);
    }
    if (type & QSql::SystemTables)
        names << QStringLiteral("sqlite_master");
    return names;
}

// One row per column: cid, name, type, notnull, dflt_value, pk. A name
// "schema.table" reads the table of that schema.
QVector<QStringList> SqlCipherDriver::tableInfo(const QString &tableName) const
{
    QString table = tableName;
    if (isIdentifierEscaped(table, TableName))
        table = stripDelimiters(table, TableName);
    QString schema;
    const int dot = table.indexOf(QLatin1Char('.'));
    if (dot >= 0) {
        schema = table.left(dot + 1);
        table = table.mid(dot + 1);
    }
    return selectRows(QStringLiteral("PRAGMA %1table_info(%2)")
                          .arg(schema, escapeIdentifier(table, TableName)));
}

// A column's default comes without the quotes of an SQL text; only an
// INTEGER PRIMARY KEY takes its value from the row id.
QSqlField SqlCipherDriver::field(const QString &tableName, const QStringList &column) const
{
    const QString type = column.value(2);
    QSqlField field(column.value(1), fieldTypeOf(type), tableName);
    field.setRequired(column.value(3) != QLatin1String("0"));
    QString defaultValue = column.value(4);
    if (defaultValue.startsWith(QLatin1Char('\''))) {
        const int end = defaultValue.lastIndexOf(QLatin1Char('\''));
        if (end > 0)
            defaultValue = defaultValue.mid(1, end - 1);
    }
    field.setDefaultValue(defaultValue);
    field.setAutoValue(column.value(5).toInt() > 0 && type.toLower() == QLatin1String("integer"));
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
    QSqlIndex index(tableName);
    for (const QStringList &column : tableInfo(tableName)) {
        if (column.value(5).toInt() > 0)
            index.append(field(tableName, column));
    }
    return index;
}

// A table's name "schema.table" is quoted part by part. A name in
// brackets, or already in quotes, is taken as it is.
QString SqlCipherDriver::escapeIdentifier(const QString &identifier, IdentifierType type) const
{
    if ((identifier.contains(QLatin1Char('[')) && identifier.contains(QLatin1Char(']')))
        || identifier.isEmpty() || identifier.startsWith(QLatin1Char('"'))
        || identifier.endsWith(QLatin1Char('"')))
        return identifier;
    QString escaped = identifier;
    escaped.replace(QLatin1Char('"'), QLatin1String("\"\""));
    escaped = QLatin1Char('"') + escaped + QLatin1Char('"');
    if (type == TableName)
        escaped.replace(QLatin1Char('.'), QLatin1String("\".\""));
    return escaped;
}

QVariant SqlCipherDriver::handle() const
{
    return QVariant::fromValue(db);
}

std::unique_ptr<SqlCipherRowStatement> SqlCipherDriver::prepareRows(const QString &sql, QSqlError *error) const
{
    auto writer = std::make_unique<SqlCipherRowWriter>(this);
    if (writer->prepareRows(sql))
        return writer;
    *error = writer->lastError();
    return nullptr;
}

bool SqlCipherDriver::subscribeToNotification(const QString &name)
{
    if (!isOpen()) {
        qWarning("Database not open.");
        return false;
    }
    if (subscriptions.contains(name)) {
        qWarning("Already subscribing to '%s'.", qPrintable(name));
        return false;
    }
    subscriptions << name;
    if (subscriptions.size() == 1)
        sqlite3_update_hook(db, &rowChanged, this);
    return true;
}

bool SqlCipherDriver::unsubscribeFromNotification(const QString &name)
{
    if (!isOpen()) {
        qWarning("Database not open.");
        return false;
    }
    if (!subscriptions.contains(name)) {
        qWarning("Not subscribed to '%s'.", qPrintable(name));
        return false;
    }
    subscriptions.removeAll(name);
    if (subscriptions.isEmpty())
        sqlite3_update_hook(db, nullptr, nullptr);
    return true;
}

QStringList SqlCipherDriver::subscribedToNotifications() const
{
    return subscriptions;
}

void SqlCipherDriver::handleNotification(const QString &table, qint64 rowid)
{
    if (!subscriptions.contains(table))
        return;
QT_WARNING_PUSH
QT_WARNING_DISABLE_DEPRECATED
    emit notification(table);
QT_WARNING_POP
    emit notification(table, UnknownSource, QVariant(rowid));
}
