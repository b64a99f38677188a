#include "sqlcipherrowwriter.h"

#include "sqlcipherdriver.h"

#include <QCoreApplication>
#include <sqlite3.h>

namespace {

QString text(const char *sourceText)
{
    return QCoreApplication::translate("SqlCipherResult", sourceText);
}

} // namespace

SqlCipherRowWriter::SqlCipherRowWriter(const SqlCipherDriver *driver)
    : SqlCipherResult(driver)
{
}

bool SqlCipherRowWriter::prepareRows(const QString &sql)
{
    if (!SqlCipherResult::prepare(sql))
        return false;
    utf8Texts.resize(sqlite3_bind_parameter_count(statement()));
    return true;
}

// The first failure of a row's values is its error; exec() then fails.
void SqlCipherRowWriter::bound(int rc)
{
    if (rc == SQLITE_OK || bindFailed)
        return;
    bindFailed = true;
    setLastError(sqliteError(text("Unable to bind parameters"), connection(), QSqlError::StatementError));
}

void SqlCipherRowWriter::bindInteger(int column, qint64 value)
{
    bound(sqlite3_bind_int64(statement(), column + 1, value));
}

void SqlCipherRowWriter::bindReal(int column, double value)
{
    bound(sqlite3_bind_double(statement(), column + 1, value));
}

void SqlCipherRowWriter::bindNull(int column)
{
    bound(sqlite3_bind_null(statement(), column + 1));
}

void SqlCipherRowWriter::bindUtf8(int column, const char *utf8, int bytes)
{
    bound(sqlite3_bind_text(statement(), column + 1, utf8, bytes, SQLITE_STATIC));
}

void SqlCipherRowWriter::bindText(int column, const QString &text)
{
    // A placeholder SQLite does not know fails as SQLite fails it.
    const bool known = column >= 0 && column < utf8Texts.size();
    bound(known ? bindString(statement(), column + 1, text, utf8Texts[column])
                : sqlite3_bind_null(statement(), column + 1));
}

// Like SqlCipherResult::exec() of a statement that yields no rows: the
// error of a failed step is the connection's, and the statement is reset
// after it, releasing its locks.
bool SqlCipherRowWriter::exec()
{
    sqlite3_stmt *stmt = statement();
    if (!stmt) {
        setLastError(QSqlError(text("Unable to fetch row"), text("No query"), QSqlError::ConnectionError));
        return false;
    }
    if (bindFailed) {
        bindFailed = false;
        return false;
    }
    const int rc = sqlite3_step(stmt);
    if (rc != SQLITE_DONE && rc != SQLITE_ROW)
        setLastError(sqliteError(text("Unable to fetch row"), connection(), QSqlError::ConnectionError));
    sqlite3_reset(stmt);
    return rc == SQLITE_DONE || rc == SQLITE_ROW;
}

QSqlError SqlCipherRowWriter::lastError() const
{
    return SqlCipherResult::lastError();
}
