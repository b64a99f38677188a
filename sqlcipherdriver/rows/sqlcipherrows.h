#ifndef SQLCIPHERROWS_H
#define SQLCIPHERROWS_H

#include <QSqlError>
#include <QString>
#include <QtPlugin>
#include <memory>

// The one way into the "SQLITECIPHER" driver besides Qt SQL: a statement that
// writes many rows with each value bound straight from the caller's data,
// without a QVariant, a placeholder's name or a text conversion per value.
// Header only: a library that uses it reaches the driver's code through
// virtual calls and does not link SQLCipher.
class SqlCipherRowStatement
{
public:
    virtual ~SqlCipherRowStatement() = default;

    // Each binds a value of the next row to its placeholder, counted from 0.
    virtual void bindInteger(int column, qint64 value) = 0;
    virtual void bindReal(int column, double value) = 0;
    virtual void bindNull(int column) = 0;
    // A UTF-8 text of bytes bytes, not copied: it must stay as it is until
    // exec() has run.
    virtual void bindUtf8(int column, const char *utf8, int bytes) = 0;
    // A text stored as QSqlQuery::bindValue stores it.
    virtual void bindText(int column, const QString &text) = 0;

    // Writes the row bound, then readies the statement for the next one.
    // False when a value could not be bound or the row not written:
    // lastError() says why, in the words QSqlQuery::exec() would use.
    virtual bool exec() = 0;
    virtual QSqlError lastError() const = 0;
};

// What the driver of a connection offers beyond Qt SQL; found with
// qobject_cast<SqlCipherRows *>(database.driver()).
class SqlCipherRows
{
public:
    virtual ~SqlCipherRows() = default;

    // The statement sql prepared on the open connection, or null with error
    // set as QSqlQuery::prepare() would set it. The statement is finalized
    // when the connection closes, after which exec() fails.
    virtual std::unique_ptr<SqlCipherRowStatement> prepareRows(const QString &sql, QSqlError *error) const = 0;
};

#define SqlCipherRows_iid "ProjectMergeTool.SqlCipherRows/1"
Q_DECLARE_INTERFACE(SqlCipherRows, SqlCipherRows_iid)

#endif // SQLCIPHERROWS_H
