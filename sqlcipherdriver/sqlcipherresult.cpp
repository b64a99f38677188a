#include "sqlcipherresult.h"

#include "sqlcipherdriver.h"

#include <QCoreApplication>
#include <QSqlField>
#include <QSqlRecord>
#include <algorithm>
#include <sqlite3.h>

namespace {

QString text(const char *sourceText)
{
    return QCoreApplication::translate("SqlCipherResult", sourceText);
}

// The Qt type of a column without a declared type: that of its value.
QVariant::Type valueType(sqlite3_stmt *stmt, int column)
{
    switch (sqlite3_column_type(stmt, column)) {
    case SQLITE_INTEGER:
        return QVariant::Int;
    case SQLITE_FLOAT:
        return QVariant::Double;
    case SQLITE_BLOB:
        return QVariant::ByteArray;
    case SQLITE_TEXT:
        return QVariant::String;
    default:
        return QVariant::Invalid;
    }
}

bool holdsSurrogates(const QString &string)
{
    return std::any_of(string.begin(), string.end(), [](QChar c) { return c.isSurrogate(); });
}

// Copies a text of ASCII characters only into bytes, whose room is kept from
// one execution to the next; false, bytes unusable, for any other text.
bool copyAscii(const QString &string, QByteArray &bytes)
{
    const int size = string.size();
    bytes.resize(size);
    char *out = bytes.data();
    const QChar *in = string.constData();
    for (int i = 0; i < size; ++i) {
        const ushort code = in[i].unicode();
        if (code >= 0x80)
            return false;
        out[i] = char(code);
    }
    return true;
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
    columns.clear();
    detachFromResultSet();
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
    if (tail && !QByteArray(tail).trimmed().isEmpty()) {
        finalize();
        setLastError(QSqlError(text("Unable to execute multiple statements at a time"),
                               QString::fromUtf8(sqlite3_errmsg(db)), QSqlError::StatementError,
                               QString::number(SQLITE_MISUSE)));
        return false;
    }
    return true;
}

bool SqlCipherResult::reset(const QString &query)
{
    return prepare(query) && exec();
}

bool SqlCipherResult::exec()
{
    // An empty query or a lone comment prepares to no statement at all.
    if (!stmt) {
        setLastError(QSqlError(text("Unable to fetch row"), text("No query"), QSqlError::ConnectionError));
        return false;
    }
    detachFromResultSet();
    setAt(QSql::BeforeFirstRow);
    setActive(false);
    if (!bindValues())
        return false;

    const int rc = step();
    if (rc == SQLITE_ROW)
        rowPending = moreRows = true;
    else if (rc != SQLITE_DONE)
        return false;
    readColumns(rc == SQLITE_ROW);
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

// A name used for several placeholders is one parameter of SQLite: it takes
// the value bound to that name.
QVector<QVariant> SqlCipherResult::valuesToBind(bool *valid) const
{
    const QVector<QVariant> values = boundValues();
    const int count = sqlite3_bind_parameter_count(stmt);
    *valid = values.size() == count;
    if (count < 1 || count >= values.size())
        return values;
    // Every value bound goes to a name SQLite knows.
    QStringList parameters;
    for (int position = 1; position <= count; ++position)
        parameters << QString::fromUtf8(sqlite3_bind_parameter_name(stmt, position));
    for (int index = 0; index < values.size(); ++index) {
        if (!parameters.contains(boundValueName(index)))
            return values;
    }
    QVector<QVariant> named;
    for (const QString &name : qAsConst(parameters))
        named << boundValue(name);
    *valid = true;
    return named;
}

bool SqlCipherResult::bindValues()
{
    bool valid = false;
    const QVector<QVariant> values = valuesToBind(&valid);
    if (!valid) {
        setLastError(QSqlError(text("Parameter count mismatch"), QString(), QSqlError::StatementError));
        return false;
    }
    utf8Texts.resize(values.size());
    for (int index = 0; index < values.size(); ++index) {
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
    // Of the numbers only these go as numbers, as in Qt's SQLite driver;
    // others (unsigned 64 bits, float, short, char...) go as their text.
    switch (value.userType()) {
    case QMetaType::Bool:
    case QMetaType::Int:
        return sqlite3_bind_int(stmt, position, value.toInt());
    case QMetaType::UInt:
    case QMetaType::LongLong:
        return sqlite3_bind_int64(stmt, position, value.toLongLong());
    case QMetaType::Double:
        return sqlite3_bind_double(stmt, position, value.toDouble());
    case QMetaType::QString:
        return bindString(stmt, position, *static_cast<const QString *>(value.constData()),
                          utf8Texts[position - 1]);
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

int bindString(sqlite3_stmt *stmt, int position, const QString &string, QByteArray &utf8)
{
    if (string.isNull())
        return sqlite3_bind_null(stmt, position);
    // Texts are stored in UTF-8: handed over in UTF-8, SQLite need not
    // convert them. Only a text with surrogates goes as UTF-16, so that
    // SQLite treats a lone one as it always did.
    if (copyAscii(string, utf8))
        return sqlite3_bind_text(stmt, position, utf8.constData(), utf8.size(), SQLITE_STATIC);
    if (holdsSurrogates(string))
        return sqlite3_bind_text16(stmt, position, string.utf16(), string.size() * int(sizeof(QChar)),
                                   SQLITE_STATIC);
    utf8 = string.toUtf8();
    return sqlite3_bind_text(stmt, position, utf8.constData(), utf8.size(), SQLITE_STATIC);
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
        setLastError(sqliteError(text("Unable to fetch row"), connection(), QSqlError::ConnectionError));
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
            row[column] = readReal(column);
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
            row[column] = QVariant(QVariant::String);
            break;
        }
    }
}

// A real number, as the precision policy asks.
QVariant SqlCipherResult::readReal(int column) const
{
    switch (numericalPrecisionPolicy()) {
    case QSql::LowPrecisionInt32:
        return sqlite3_column_int(stmt, column);
    case QSql::LowPrecisionInt64:
        return qlonglong(sqlite3_column_int64(stmt, column));
    default:
        return sqlite3_column_double(stmt, column);
    }
}

// The columns of the statement just executed, with their tables. A column
// without a declared type (an expression) takes the type of its value in
// the first row.
void SqlCipherResult::readColumns(bool onRow)
{
    columns.clear();
    const int count = sqlite3_column_count(stmt);
    for (int column = 0; column < count; ++column) {
        const QString declared = QString::fromUtf8(sqlite3_column_decltype(stmt, column));
        const QVariant::Type type = !declared.isEmpty() ? fieldTypeOf(declared)
                                    : onRow              ? valueType(stmt, column)
                                                         : QVariant::Invalid;
        columns.append(QSqlField(QString::fromUtf8(sqlite3_column_name(stmt, column)), type,
                                 QString::fromUtf8(sqlite3_column_table_name(stmt, column))));
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

// The rows changed by the connection's last INSERT, UPDATE or DELETE.
int SqlCipherResult::numRowsAffected()
{
    sqlite3 *db = connection();
    return db ? sqlite3_changes(db) : -1;
}

QSqlRecord SqlCipherResult::record() const
{
    return isActive() && isSelect() ? columns : QSqlRecord();
}

QVariant SqlCipherResult::lastInsertId() const
{
    sqlite3 *db = connection();
    const qint64 id = db && isActive() ? sqlite3_last_insert_rowid(db) : 0;
    return id ? QVariant(qlonglong(id)) : QVariant();
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
