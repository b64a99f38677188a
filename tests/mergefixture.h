#ifndef MERGEFIXTURE_H
#define MERGEFIXTURE_H

#include "testmessages.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QStringList>
#include <QVariantList>

// What the end-to-end suites share: sample projects from the generator, the
// programs of the build, and a look into the photo databases a merge wrote.

inline QString binPath(const QString &relative)
{
    return QString(Q7_BIN_DIR) + "/" + relative;
}

// The file of a program of the build, to copy (a program starts by its name
// without ".exe" on Windows too).
inline QString programFile(const QString &relative)
{
#ifdef Q_OS_WIN
    return binPath(relative + ".exe");
#else
    return binPath(relative);
#endif
}

// Writes `projects` sample projects of `images` images each (two cameras, each
// project sharing its last image with the next) into folder; returns their
// project files in order.
inline QStringList makeSampleProjects(const QString &folder, int projects, int images)
{
    const int exitCode = QProcess::execute(binPath("q7samplegen"), {"--projects", QString::number(projects),
                                                                    "--images", QString::number(images),
                                                                    "--cameras", "2", "--shared", "5", folder});
    QStringList files;
    for (int p = 1; exitCode == 0 && p <= projects; ++p) {
        const QString name = QString("block%1").arg(p, 2, 10, QChar('0'));
        files.append(folder + "/" + name + "/" + name + ".Q7D");
    }
    return files;
}

// The rows of a table of a photo database, ordered by the given column.
inline QList<QVariantList> tableRows(const QString &databasePath, const QString &table, const QString &orderBy)
{
    QCoreApplication::addLibraryPath(Q7_BIN_DIR); // the SQLITECIPHER driver
    QList<QVariantList> rows;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase("SQLITECIPHER", "tablerows");
        db.setDatabaseName(databasePath);
        db.setPassword("tessellat3crypt");
        if (db.open()) {
            QSqlQuery query(QString("SELECT * FROM %1 ORDER BY %2").arg(table, orderBy), db);
            while (query.next()) {
                QVariantList row;
                for (int i = 0; i < query.record().count(); ++i)
                    row.append(query.value(i));
                rows.append(row);
            }
        }
        db.close();
    }
    QSqlDatabase::removeDatabase("tablerows");
    return rows;
}

// A stored value with its storage class: integer, real (all 17 digits), text,
// blob or NULL.
inline QString typedValue(const QVariant &value)
{
    if (value.isNull())
        return "N";
    switch (value.userType()) {
    case QMetaType::LongLong:
        return "I" + value.toString();
    case QMetaType::Double:
        return "R" + QString::number(value.toDouble(), 'g', 17);
    case QMetaType::QByteArray:
        return "B" + value.toByteArray().toHex();
    default:
        return "T" + value.toString();
    }
}

// The schema and every row of every table, in the order of storage, one line
// a row.
inline QByteArray databaseDump(const QString &path)
{
    QCoreApplication::addLibraryPath(Q7_BIN_DIR); // the SQLITECIPHER driver
    QByteArray dump;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase("SQLITECIPHER", "dump");
        db.setDatabaseName(path);
        db.setPassword("tessellat3crypt");
        if (!db.open())
            return "<unreadable>";
        QSqlQuery tables("SELECT name, sql FROM sqlite_master WHERE type = 'table' ORDER BY rowid", db);
        while (tables.next()) {
            dump += tables.value(1).toString().toUtf8() + "\n";
            QSqlQuery rows(QString("SELECT * FROM \"%1\" ORDER BY rowid").arg(tables.value(0).toString()), db);
            while (rows.next()) {
                QStringList values;
                for (int i = 0; i < rows.record().count(); ++i)
                    values << typedValue(rows.value(i));
                dump += values.join('|').toUtf8() + "\n";
            }
        }
        db.close();
    }
    QSqlDatabase::removeDatabase("dump");
    return dump;
}

#endif // MERGEFIXTURE_H
