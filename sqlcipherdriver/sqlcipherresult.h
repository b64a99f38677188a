#ifndef SQLCIPHERRESULT_H
#define SQLCIPHERRESULT_H

#include <QSqlError>
#include <QSqlRecord>
#include <QSqlResult>
#include <QVector>

struct sqlite3;
struct sqlite3_stmt;
class SqlCipherDriver;

// One statement of a SqlCipherDriver connection. Prepared once, it can be
// executed again and again with new values bound to its "?" placeholders.
// Rows are read as Qt values; a query that reads forward only keeps just the
// current row.
class SqlCipherResult : public QSqlResult
{
public:
    explicit SqlCipherResult(const SqlCipherDriver *driver);
    ~SqlCipherResult() override;

    // Releases the statement; called by the driver before it closes the file.
    void finalize();

protected:
    sqlite3 *connection() const;
    sqlite3_stmt *statement() const { return stmt; }

    bool prepare(const QString &query) override;
    bool exec() override;
    bool reset(const QString &query) override;
    using QSqlResult::bindValue;
    void bindValue(int index, const QVariant &value, QSql::ParamType type) override;

    QVariant data(int column) override;
    bool isNull(int column) override;
    bool fetch(int index) override;
    bool fetchNext() override;
    bool fetchFirst() override;
    bool fetchLast() override;
    int size() override;
    int numRowsAffected() override;
    QSqlRecord record() const override;
    QVariant lastInsertId() const override;
    void detachFromResultSet() override;

private:
    const SqlCipherDriver *cipherDriver() const;
    QVector<QVariant> valuesToBind(bool *valid) const;
    bool bindValues();
    int bindOne(int position, const QVariant &value);
    int step();
    void readRow();
    QVariant readReal(int column) const;
    void readColumns(bool onRow);
    bool readNextRow();

    sqlite3_stmt *stmt = nullptr;
    QVector<QByteArray> utf8Texts;       // the texts bound, by placeholder
    QSqlRecord columns;                   // of the statement last executed
    QVector<QVariant> row;                // the current row
    QVector<QVector<QVariant>> readRows;  // the rows read, unless reading forward only
    int rowsRead = 0;
    bool rowPending = false;              // exec stepped onto a row not yet fetched
    bool moreRows = false;                // the statement may yield further rows
};

// Binds a text to the statement's placeholder at position (from 1) as Qt's
// SQLite driver stores it: in UTF-8, made in utf8, which must stay untouched
// until the statement has run; a null text as NULL.
int bindString(sqlite3_stmt *stmt, int position, const QString &string, QByteArray &utf8);

#endif // SQLCIPHERRESULT_H
