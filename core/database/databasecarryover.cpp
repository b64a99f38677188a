#include "databasecarryover.h"

#include <QRegularExpression>
#include <QSqlError>
#include <QSqlQuery>
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

bool isIn(const std::vector<SchemaObject> &objects, const QString &name)
{
    for (const SchemaObject &object : objects) {
        if (object.name.compare(name, Qt::CaseInsensitive) == 0)
            return true;
    }
    return false;
}

// The statements that carry everything over, in the order the header tells.
QStringList carryingStatements(const std::vector<SchemaObject> &earlier, const std::vector<SchemaObject> &there,
                               const QString &schema, const QStringList &leftOut)
{
    const QString to = quoted(schema) + QLatin1Char('.');
    QStringList made, rows, after;
    for (const SchemaObject &object : earlier) {
        if (!isTable(object)) { // none there yet but SQLite's own
            if (!object.sql.isEmpty())
                after << madeIn(object.sql, schema);
            continue;
        }
        if (!isSqlites(object) && !isIn(there, object.name))
            made << madeIn(object.sql, schema);
        if (object.name == QLatin1String("sqlite_sequence")) // its counters, as the earlier file had them
            after << QStringLiteral("DELETE FROM %1sqlite_sequence").arg(to)
                  << QStringLiteral("INSERT INTO %1sqlite_sequence SELECT * FROM main.sqlite_sequence").arg(to);
        else if (!isSqlites(object) && !leftOut.contains(object.name))
            rows << QStringLiteral("DELETE FROM %1%2").arg(to, quoted(object.name))
                 << QStringLiteral("INSERT INTO %1%2 SELECT * FROM main.%2").arg(to, quoted(object.name));
    }
    return made + rows + after;
}

// The numbers in the earlier file's header that other programs may have set.
bool headerCarried(QSqlQuery &query, const QString &schema)
{
    for (const char *pragma : {"user_version", "application_id"}) {
        if (!query.exec(QStringLiteral("PRAGMA main.%1").arg(QLatin1String(pragma))) || !query.next())
            return false;
        const qint64 value = query.value(0).toLongLong();
        if (!query.exec(QStringLiteral("PRAGMA %1.%2 = %3").arg(quoted(schema), QLatin1String(pragma)).arg(value)))
            return false;
    }
    return true;
}

} // namespace

QString carryOver(QSqlDatabase &db, const QString &schema, const QStringList &leftOut)
{
    if (!db.transaction())
        return db.lastError().text();
    QSqlError error;
    {
        QSqlQuery query(db);
        const std::vector<SchemaObject> earlier = schemaObjects(query, QStringLiteral("main"));
        const std::vector<SchemaObject> there = schemaObjects(query, schema);
        if (query.lastError().type() == QSqlError::NoError
            && ranAll(query, carryingStatements(earlier, there, schema, leftOut)) && headerCarried(query, schema))
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
