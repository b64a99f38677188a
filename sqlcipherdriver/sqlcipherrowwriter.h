#ifndef SQLCIPHERROWWRITER_H
#define SQLCIPHERROWWRITER_H

#include "sqlcipherresult.h"
#include "sqlcipherrows.h"

#include <QByteArray>
#include <QVector>

// A statement that writes rows with values bound one by one (see
// SqlCipherRowStatement). A result of the driver like any other, so that
// closing the connection finalizes it.
class SqlCipherRowWriter : public SqlCipherResult, public SqlCipherRowStatement
{
public:
    explicit SqlCipherRowWriter(const SqlCipherDriver *driver);

    // Prepares sql; false, with the error QSqlQuery::prepare() would give.
    bool prepareRows(const QString &sql);

    void bindInteger(int column, qint64 value) override;
    void bindReal(int column, double value) override;
    void bindNull(int column) override;
    void bindUtf8(int column, const char *utf8, int bytes) override;
    void bindText(int column, const QString &text) override;
    bool exec() override;
    QSqlError lastError() const override;

private:
    void bound(int rc);

    QVector<QByteArray> utf8Texts; // the texts bound with bindText, by placeholder
    bool bindFailed = false;       // since the last exec()
};

#endif // SQLCIPHERROWWRITER_H
