#include "databasecarryover.h"

#include "databaserecords.h"

#include <QRegularExpression>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>
#include <initializer_list>
#include <limits>
#include <utility>
#include <vector>

namespace {

// One object of a database as its schema table holds it.
struct SchemaObject
{
    QString type;
    QString name;
    QString sql; // empty for the indexes SQLite makes itself
};

QString quoted(const QString &name)
{
    return QLatin1Char('"') + QString(name).replace(QLatin1Char('"'), QLatin1String("\"\"")) + QLatin1Char('"');
}

// The stored text of an object, made in schema instead: SQLite stores it
// from the object's name on, which gets the schema in front.
QString madeIn(const QString &sql, const QString &schema)
{
    static const QRegularExpression head(
        QStringLiteral("^CREATE\\s+(?:UNIQUE\\s+INDEX|VIRTUAL\\s+TABLE|TABLE|INDEX|VIEW|TRIGGER)\\s+"),
        QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch match = head.match(sql);
    if (!match.hasMatch())
        return sql;
    return sql.left(match.capturedEnd()) + quoted(schema) + QLatin1Char('.') + sql.mid(match.capturedEnd());
}

// Runs the statements one after the other; false, with query's error, at
// the first that fails.
bool ranAll(QSqlQuery &query, const QStringList &statements)
{
    for (const QString &statement : statements) {
        if (!query.exec(statement))
            return false;
    }
    return true;
}

std::vector<SchemaObject> schemaObjects(QSqlQuery &query, const QString &schema)
{
    std::vector<SchemaObject> objects;
    if (!query.exec(QStringLiteral("SELECT type, name, sql FROM %1.sqlite_master ORDER BY rowid").arg(quoted(schema))))
        return objects;
    while (query.next())
        objects.push_back({query.value(0).toString(), query.value(1).toString(), query.value(2).toString()});
    return objects;
}

bool isTable(const SchemaObject &object)
{
    return object.type == QLatin1String("table");
}

// SQLite's own tables, which it makes itself.
bool isSqlites(const SchemaObject &object)
{
    return object.name.startsWith(QLatin1String("sqlite_"), Qt::CaseInsensitive);
}

bool isVirtual(const SchemaObject &object)
{
    return object.sql.startsWith(QLatin1String("CREATE VIRTUAL"), Qt::CaseInsensitive);
}

bool isIn(const std::vector<SchemaObject> &objects, const QString &name)
{
    for (const SchemaObject &object : objects) {
        if (object.name.compare(name, Qt::CaseInsensitive) == 0)
            return true;
    }
    return false;
}

// What carries everything over, in the order the header tells: the tables
// made, the tables whose rows are carried (each with whether they may come
// in chunks: a table made here from the earlier text, no virtual one), then
// the statements that come after the rows.
struct Carrying
{
    QStringList made;
    std::vector<std::pair<QString, bool>> tables;
    QStringList after;
};

Carrying carrying(const std::vector<SchemaObject> &earlier, const std::vector<SchemaObject> &there,
                  const QString &schema, const QStringList &leftOut)
{
    const QString to = quoted(schema) + QLatin1Char('.');
    Carrying plan;
    for (const SchemaObject &object : earlier) {
        if (!isTable(object)) { // none there yet but SQLite's own
            if (!object.sql.isEmpty())
                plan.after << madeIn(object.sql, schema);
            continue;
        }
        const bool madeHere = !isSqlites(object) && !isIn(there, object.name);
        if (madeHere)
            plan.made << madeIn(object.sql, schema);
        if (object.name == QLatin1String("sqlite_sequence")) // its counters, as the earlier file had them
            plan.after << QStringLiteral("DELETE FROM %1sqlite_sequence").arg(to)
                       << QStringLiteral("INSERT INTO %1sqlite_sequence SELECT * FROM main.sqlite_sequence").arg(to);
        else if (!isSqlites(object) && !leftOut.contains(object.name))
            plan.tables.emplace_back(object.name, madeHere && !isVirtual(object));
    }
    return plan;
}

// Prepares the statement and runs it with the values bound in their order.
bool ranWith(QSqlQuery &query, const QString &statement, std::initializer_list<QVariant> values)
{
    if (!query.prepare(statement))
        return false;
    for (const QVariant &value : values)
        query.addBindValue(value);
    return query.exec();
}

// The first answer of the statement that ran on query, as a number; false
// when it did not run or answered nothing.
bool numberOf(QSqlQuery &query, bool ran, qint64 &number)
{
    if (!ran || !query.next())
        return false;
    number = query.value(0).toLongLong();
    return true;
}

// The columns of the earlier file's table, in their order.
QStringList columnsOf(QSqlQuery &query, const QString &table)
{
    QStringList columns;
    if (query.exec(QStringLiteral("PRAGMA main.table_info(%1)").arg(quoted(table)))) {
        while (query.next())
            columns << quoted(query.value(1).toString());
    }
    return columns;
}

// The name that reaches the rowid of the earlier file's table: the first of
// SQLite's three that no column takes. Empty when there is none: a table
// WITHOUT ROWID, or one whose columns take all three names.
QString rowidName(QSqlQuery &query, const QString &table, const QStringList &columns)
{
    for (const char *name : {"rowid", "_rowid_", "oid"}) {
        if (columns.contains(quoted(QLatin1String(name)), Qt::CaseInsensitive))
            continue;
        const QString statement = QStringLiteral("SELECT %1 FROM main.%2").arg(QLatin1String(name), quoted(table));
        const bool reached = query.prepare(statement);
        query.finish();
        return reached ? QLatin1String(name) : QString();
    }
    return QString();
}

// The table's rows carried from the earlier file into the table of the same
// name at `to` (a schema and its dot), rowsBetweenReports at a time in rowid
// order, each chunk told. Every row keeps its rowid, which other programs
// may hold on to (an INTEGER PRIMARY KEY is that rowid).
bool chunksCarried(QSqlQuery &query, const QString &table, const QString &to, const QString &rowid,
                   const QStringList &columns, qint64 total, const RowsCarried &carried)
{
    const QString into = to + quoted(table);
    const QString from = QStringLiteral("FROM main.%1 WHERE %2 >= ? ORDER BY %2").arg(quoted(table), rowid);
    const QString chunk = QStringLiteral("INSERT INTO %1(%2, %3) SELECT %2, * %4 LIMIT %5")
                              .arg(into, rowid, columns.join(QStringLiteral(", ")), from)
                              .arg(rowsBetweenReports);
    // The rows come in rising rowid order, so the last one carried holds the largest.
    const QString last = QStringLiteral("SELECT max(%1) FROM %2").arg(rowid, into);
    qint64 first = std::numeric_limits<qint64>::min();
    qint64 done = 0;
    while (done < total) {
        if (!ranWith(query, chunk, {first}))
            return false;
        const int rows = query.numRowsAffected();
        if (rows <= 0)
            break;
        done += rows;
        if (carried)
            carried(table, done, total);
        qint64 lastRowid = 0;
        if (done < total && !numberOf(query, query.exec(last), lastRowid))
            return false;
        first = lastRowid + 1; // used only while rows are left, which lie above it
    }
    return true;
}

// The rows of the earlier file's table carried into the table of the same
// name in schema, which loses its own: in chunks where they may be and the
// table has a rowid, else whole. Told to carried at the start and as they
// come, to done == total.
bool rowsCarried(QSqlQuery &query, const QString &table, bool chunked, const QString &schema,
                 const RowsCarried &carried)
{
    const QString to = quoted(schema) + QLatin1Char('.');
    const QString into = to + quoted(table);
    qint64 total = 0;
    if (!query.exec(QStringLiteral("DELETE FROM %1").arg(into))
        || !numberOf(query, query.exec(QStringLiteral("SELECT count(*) FROM main.%1").arg(quoted(table))), total))
        return false;
    if (carried)
        carried(table, 0, total);
    const QStringList columns = chunked ? columnsOf(query, table) : QStringList();
    const QString rowid = columns.isEmpty() ? QString() : rowidName(query, table, columns);
    if (!rowid.isEmpty())
        return chunksCarried(query, table, to, rowid, columns, total, carried);
    if (!query.exec(QStringLiteral("INSERT INTO %1 SELECT * FROM main.%2").arg(into, quoted(table))))
        return false;
    if (carried && total > 0)
        carried(table, total, total);
    return true;
}

// The numbers in the earlier file's header that other programs may have set.
bool headerCarried(QSqlQuery &query, const QString &schema)
{
    for (const char *pragma : {"user_version", "application_id"}) {
        qint64 value = 0;
        if (!numberOf(query, query.exec(QStringLiteral("PRAGMA main.%1").arg(QLatin1String(pragma))), value))
            return false;
        if (!query.exec(QStringLiteral("PRAGMA %1.%2 = %3").arg(quoted(schema), QLatin1String(pragma)).arg(value)))
            return false;
    }
    return true;
}

} // namespace

QString carryOver(QSqlDatabase &db, const QString &schema, const QStringList &leftOut, const RowsCarried &carried)
{
    if (!db.transaction())
        return db.lastError().text();
    QSqlError error;
    {
        QSqlQuery query(db);
        const std::vector<SchemaObject> earlier = schemaObjects(query, QStringLiteral("main"));
        const std::vector<SchemaObject> there = schemaObjects(query, schema);
        const Carrying plan = carrying(earlier, there, schema, leftOut);
        bool done = query.lastError().type() == QSqlError::NoError && ranAll(query, plan.made);
        for (auto table = plan.tables.begin(); done && table != plan.tables.end(); ++table)
            done = rowsCarried(query, table->first, table->second, schema, carried);
        if (done && ranAll(query, plan.after) && headerCarried(query, schema))
            query.finish();
        error = query.lastError();
    }
    if (error.type() == QSqlError::NoError && db.commit())
        return QString();
    if (error.type() == QSqlError::NoError)
        error = db.lastError();
    db.rollback();
    return error.text();
}
