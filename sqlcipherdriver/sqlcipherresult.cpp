#include "sqlcipherresult.h"

#include "sqlcipherdriver.h"

#include <QCoreApplication>
#include <QSqlField>
#include <QSqlRecord>
#include <algorithm>
#include <limits>
#include <sqlite3.h>

namespace {

QString text(const char *sourceText)
{
    return QCoreApplication::translate("SqlCipherResult", sourceText);
}

// True when sql holds a statement, not only blanks or comments.
bool holdsStatement(sqlite3 *db, const char *sql)
{
    sqlite3_stmt *stmt = nullptr;
    const bool holds = sqlite3_prepare_v2(db, sql, -1, &stmt, nullptr) != SQLITE_OK || stmt;
    sqlite3_finalize(stmt);
    return holds;
}

bool holdsSurrogates(const QString &string)
{
    return std::any_of(string.begin(), string.end(), [](QChar c) { return c.isSurrogate(); });
}

} // namespace

SqlCipherResult::SqlCipherResult(const SqlCipherDriver *driver)
    : QSqlResult(driver)
{
    driver->attach(this);
}

SqlCipherResult::~SqlCipherResult()
{
    finalize();
    if (const SqlCipherDriver *driver = cipherDriver())
        driver->detach(this);
}

const SqlCipherDriver *SqlCipherResult::cipherDriver() const
{
    return static_cast<const SqlCipherDriver *>(driver());
}

sqlite3 *SqlCipherResult::connection() const
{
    const SqlCipherDriver *driver = cipherDriver();
    return driver ? driver->connection() : nullptr;
}

void SqlCipherResult::finalize()
{
    sqlite3_finalize(stmt);
    stmt = nullptr;
    utf8Texts.clear();
    columnTypes.clear();
    detachFromResultSet();
    setActive(false);
}

bool SqlCipherResult::prepare(const QString &query)
{
    finalize();
    setSelect(false);
    sqlite3 *db = connection();
    if (!db) {
        setLastError(QSqlError(text("Unable to execute statement"), text("database not open"),
                               QSqlError::ConnectionError));
        return false;
    }

    const QByteArray sql = query.toUtf8();
    const char *tail = nullptr;
    if (sqlite3_prepare_v2(db, sql.constData(), sql.size() + 1, &stmt, &tail) != SQLITE_OK) {
        setLastError(sqliteError(text("Unable to execute statement"), db, QSqlError::StatementError));
        return false;
    }
    if (tail && holdsStatement(db, tail)) {
        finalize();
        setLastError(QSqlError(text("Unable to execute multiple statements at a time"), QString(),
                               QSqlError::StatementError));
        return false;
    }
    // An empty query or a lone comment prepares to no statement at all.
    if (!stmt) {
        setLastError(QSqlError(text("Unable to execute statement"), text("no statement"),
                               QSqlError::StatementError));
        return false;
    }

    const int columns = sqlite3_column_count(stmt);
    for (int column = 0; column < columns; ++column)
        columnTypes << fieldTypeOf(QString::fromUtf8(sqlite3_column_decltype(stmt, column)));
    return true;
}

bool SqlCipherResult::reset(const QString &query)
{
    return prepare(query) && exec();
}

bool SqlCipherResult::exec()
{
    if (!stmt) {
        setLastError(QSqlError(text("Unable to execute statement"), text("no prepared statement"),
                               QSqlError::StatementError));
        return false;
    }
    detachFromResultSet();
    setAt(QSql::BeforeFirstRow);
    setActive(false);
    rowsAffected = -1;
    if (!bindValues())
        return false;

    const int rc = step();
    if (rc == SQLITE_ROW)
        rowPending = moreRows = true;
    else if (rc == SQLITE_DONE)
        rowsAffected = sqlite3_changes(connection());
    else
        return false;
    setSelect(sqlite3_column_count(stmt) > 0);
    setActive(true);
    return true;
}

// A placeholder bound before is rebound in place: a statement executed once
// per record need not repeat Qt's bookkeeping of placeholders for every value.
void SqlCipherResult::bindValue(int index, const QVariant &value, QSql::ParamType type)
{
    QVector<QVariant> &values = boundValues();
    if (type == QSql::In && index >= 0 && index < values.size() && !hasOutValues()) {
        values[index] = value;
        return;
    }
    QSqlResult::bindValue(index, value, type);
}

bool SqlCipherResult::bindValues()
{
    const QVector<QVariant> &values = boundValues();
    const int count = sqlite3_bind_parameter_count(stmt);
    utf8Texts.resize(count);
    if (values.size() != count) {
        setLastError(QSqlError(text("Parameter count mismatch"),
                               text("%1 values bound to %2 placeholders").arg(values.size()).arg(count),
                               QSqlError::StatementError));
        return false;
    }
    for (int index = 0; index < count; ++index) {
        if (bindOne(index + 1, values.at(index)) != SQLITE_OK) {
            setLastError(sqliteError(text("Unable to bind parameters"), connection(),
                                     QSqlError::StatementError));
            return false;
        }
    }
    return true;
}

// SQLite takes texts and blobs without copying them: the bound values (and
// the UTF-8 texts made of them) stay untouched until the statement has run,
// and every execution binds every placeholder anew.
int SqlCipherResult::bindOne(int position, const QVariant &value)
{
    if (value.isNull())
        return sqlite3_bind_null(stmt, position);
    switch (value.userType()) {
    case QMetaType::Bool:
    case QMetaType::Char:
    case QMetaType::SChar:
    case QMetaType::UChar:
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::Int:
        return sqlite3_bind_int(stmt, position, value.toInt());
    case QMetaType::UInt:
    case QMetaType::Long:
    case QMetaType::LongLong:
        return sqlite3_bind_int64(stmt, position, value.toLongLong());
    case QMetaType::ULong:
    case QMetaType::ULongLong:
        if (value.toULongLong() <= quint64(std::numeric_limits<qint64>::max()))
            return sqlite3_bind_int64(stmt, position, value.toLongLong());
        break; // beyond SQLite's integers: kept exact as text
    case QMetaType::Float:
    case QMetaType::Double:
        return sqlite3_bind_double(stmt, position, value.toDouble());
    case QMetaType::QString: {
        // Texts are stored in UTF-8: handed over in UTF-8, SQLite need not
        // convert them. Only a text with surrogates goes as UTF-16, so that
        // SQLite treats a lone one as it always did.
        const auto *string = static_cast<const QString *>(value.constData());
        if (holdsSurrogates(*string))
            return sqlite3_bind_text16(stmt, position, string->utf16(),
                                       string->size() * int(sizeof(QChar)), SQLITE_STATIC);
        QByteArray &utf8 = utf8Texts[position - 1];
        utf8 = string->toUtf8();
        return sqlite3_bind_text(stmt, position, utf8.constData(), utf8.size(), SQLITE_STATIC);
    }
    case QMetaType::QByteArray: {
        const auto *bytes = static_cast<const QByteArray *>(value.constData());
        return sqlite3_bind_blob(stmt, position, bytes->constData(), bytes->size(), SQLITE_STATIC);
    }
    default:
        break;
    }
    const QString string = value.toString();
    return sqlite3_bind_text16(stmt, position, string.utf16(), string.size() * int(sizeof(QChar)),
                               SQLITE_TRANSIENT);
}

// Steps onto the next row and reads it. At the end, or on an error (which
// becomes the last error), the statement is reset, releasing its locks.
int SqlCipherResult::step()
{
    const int rc = sqlite3_step(stmt);
    if (rc == SQLITE_ROW) {
        readRow();
        return rc;
    }
    if (rc != SQLITE_DONE)
        setLastError(sqliteError(text("Unable to fetch row"), connection(), QSqlError::StatementError));
    sqlite3_reset(stmt);
    return rc;
}

void SqlCipherResult::readRow()
{
    const int columns = sqlite3_column_count(stmt);
    row.resize(columns);
    for (int column = 0; column < columns; ++column) {
        switch (sqlite3_column_type(stmt, column)) {
        case SQLITE_INTEGER:
            row[column] = qlonglong(sqlite3_column_int64(stmt, column));
            break;
        case SQLITE_FLOAT:
            row[column] = sqlite3_column_double(stmt, column);
            break;
        case SQLITE_TEXT: {
            const auto *chars = reinterpret_cast<const char *>(sqlite3_column_text(stmt, column));
            row[column] = QString::fromUtf8(chars, sqlite3_column_bytes(stmt, column));
            break;
        }
        case SQLITE_BLOB: {
            const auto *bytes = static_cast<const char *>(sqlite3_column_blob(stmt, column));
            row[column] = QByteArray(bytes, sqlite3_column_bytes(stmt, column));
            break;
        }
        default:
            row[column] = QVariant(columnTypes.value(column));
            break;
        }
    }
}

// Makes the statement's next row the one last read. Unless the query reads
// forward only, the rows read are kept, so that any of them can be revisited.
bool SqlCipherResult::readNextRow()
{
    if (rowPending) {
        rowPending = false;
    } else if (!moreRows || step() != SQLITE_ROW) {
        moreRows = false;
        return false;
    }
    ++rowsRead;
    if (!isForwardOnly())
        readRows << row;
    return true;
}

bool SqlCipherResult::fetch(int index)
{
    if (!stmt || index < 0)
        return false;
    while (rowsRead <= index) {
        if (!readNextRow())
            return false;
    }
    if (index < readRows.size())
        row = readRows.at(index);
    else if (index != rowsRead - 1)
        return false; // forward only: a row once left cannot be returned to
    setAt(index);
    return true;
}

bool SqlCipherResult::fetchNext()
{
    return at() != QSql::AfterLastRow && fetch(at() + 1);
}

bool SqlCipherResult::fetchFirst()
{
    return fetch(0);
}

bool SqlCipherResult::fetchLast()
{
    while (readNextRow()) {
    }
    return fetch(rowsRead - 1);
}

QVariant SqlCipherResult::data(int column)
{
    return row.value(column);
}

bool SqlCipherResult::isNull(int column)
{
    return row.value(column).isNull();
}

int SqlCipherResult::size()
{
    return -1;
}

int SqlCipherResult::numRowsAffected()
{
    return rowsAffected;
}

QSqlRecord SqlCipherResult::record() const
{
    QSqlRecord columns;
    if (!stmt)
        return columns;
    for (int column = 0; column < columnTypes.size(); ++column)
        columns.append(QSqlField(QString::fromUtf8(sqlite3_column_name(stmt, column)),
                                 columnTypes.at(column)));
    return columns;
}

QVariant SqlCipherResult::lastInsertId() const
{
    sqlite3 *db = connection();
    return db ? QVariant(qlonglong(sqlite3_last_insert_rowid(db))) : QVariant();
}

void SqlCipherResult::detachFromResultSet()
{
    if (stmt)
        sqlite3_reset(stmt);
    row.clear();
    readRows.clear();
    rowsRead = 0;
    rowPending = moreRows = false;
}
