#include "q7photodatabase.h"

#include "databasecarryover.h"
#include "platform.h"

#include <QDebug>
#include <QFile>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QStringList>
#include <glog/logging.h>
#include <cerrno>
#include <cstring>
#include <utility>

namespace {

const QLatin1String driverName("SQLITECIPHER");
const QLatin1String password("tessellat3crypt");
const QLatin1String createKeyOption("QSQLITE_CREATE_KEY");
// The new file of a merge run again, attached to the earlier file's connection.
const QLatin1String replacementSchema("merged");

// The tables, exactly as every photo database has them, each with %1 for the
// schema it is made in (which the stored text leaves out); the runs of
// blanks are part of the stored schema text.
const char *const groupsTable =
    "CREATE TABLE IF NOT EXISTS %1.groups("
    "  GroupID         INTEGER PRIMARY KEY               UNIQUE,"
    "   Photos          INTEGER                           DEFAULT 0,"
    "   Camera          TEXT                            DEFAULT UNKNOWN,"
    "   Sensor           REAL                             DEFAULT 0,"
    "   Focal            REAL                             DEFAULT 0,"
    "   Focal35mm             REAL                             DEFAULT 0,"
    "   width            INTEGER                            DEFAULT 0,"
    "   height          INTEGER                             DEFAULT 0,"
    "   x0              REAL                                DEFAULT 0,"
    "   y0              REAL                                DEFAULT 0,"
    "   k0              REAL                                DEFAULT 0,"
    "   k1              REAL                                DEFAULT 0,"
    "   k2              REAL                                DEFAULT 0,"
    "   k3              REAL                                DEFAULT 0,"
    "   p1              REAL                                DEFAULT 0,"
    "   p2              REAL                                DEFAULT 0);";

const char *const imageInfosTable =
    "CREATE TABLE IF NOT EXISTS %1.imageinfos("
    "  Name         TEXT PRIMARY KEY               NOT NULL UNIQUE,"
    "   GroupID      TEXT                           NOT NULL,"
    "   loc          TEXT                           NOT NULL,"
    "   StripNo             INTEGER                           DEFAULT -1,"
    "   Lon            REAL                           DEFAULT 0,"
    "   Lat           REAL                            DEFAULT 0,"
    "   Alti          REAL                            DEFAULT 0,"
    "   X             REAL                            DEFAULT 0,"
    "   Y       REAL                              DEFAULT 0,"
    "   Z         REAL                              DEFAULT 0,"
    "   Omega   REAL                                DEFAULT 0,"
    "  Phi        REAL                              DEFAULT 0,"
    " Kappa       REAL                              DEFAULT 0,"
    "Focal          REAL                            DEFAULT 0,"
    "Focal35mm      REAL                            DEFAULT 0,"
    "CameraModel    TEXT                            DEFAULT NULL,"
    "width          INTEGER                         NOT NULL,"
    "height         INTEGER                         NOT NULL,"
    "PhotoSENSOR    REAL                            NOT NULL);";

const char *const prjInfoTable =
    "CREATE TABLE IF NOT EXISTS %1.q7prjinfo("
    "  Name         TEXT PRIMARY KEY               NOT NULL UNIQUE,"
    "   Value             TEXT                          DEFAULT NULL);";

const char *const eofInfoTable =
    "CREATE TABLE IF NOT EXISTS %1.eofInfo("
    "  Name         TEXT PRIMARY KEY               NOT NULL UNIQUE,"
    "   StripNo             INTEGER                           DEFAULT -1,"
    "   Lon            REAL                           DEFAULT 0,"
    "   Lat           REAL                            DEFAULT 0,"
    "   X             REAL                            DEFAULT 0,"
    "   Y       REAL                              DEFAULT 0,"
    "   Z         REAL                              DEFAULT 0,"
    "   Omega   REAL                                DEFAULT 0,"
    "  Phi        REAL                              DEFAULT 0,"
    " Kappa       REAL                              DEFAULT 0);";

// The connection, and each table that could not be created, for the log.
void logOpening(const DatabaseOpening &opening)
{
    if (!opening.open)
        return;
    qDebug().noquote() << "connect to db";
    for (const auto &table : opening.tableErrors) {
        qDebug().noquote() << table.first << table.second;
        LOG(ERROR) << table.second.toUtf8().constData();
    }
}

} // namespace

q7PhotoDataBase::q7PhotoDataBase(QObject *parent, QString connectionName)
    : QObject(parent)
    , connectionName(std::move(connectionName))
{
}

q7PhotoDataBase::~q7PhotoDataBase()
{
    dropReplacement();
    removeConnection();
}

DatabaseOpening q7PhotoDataBase::connectDataBase(QString path)
{
    if (path.isEmpty()) {
        qDebug().noquote() << "no valid database name";
        DatabaseOpening none;
        none.problem = tr("no valid database name");
        return none;
    }
    DatabaseOpening opening;
    if (prepared && prepared->path == path)
        opening = std::move(*prepared);
    else
        opening = open(path);
    prepared.reset();
    logOpening(opening);
    return opening;
}

void q7PhotoDataBase::prepare(const QString &path)
{
    if (!path.isEmpty())
        prepared = open(path);
}

void q7PhotoDataBase::discardPreparation()
{
    dropReplacement();
    if (!prepared)
        return;
    removeConnection();
    forgetMadeFile(*prepared);
    prepared.reset();
}

RowsTarget q7PhotoDataBase::rowsTarget() const
{
    return replacement.isEmpty() ? RowsTarget(connectionName) : RowsTarget(connectionName, replacementSchema);
}

QString q7PhotoDataBase::finishReplacement(const QStringList &storedTables, const RowsCarried &carried)
{
    if (replacement.isEmpty())
        return QString();
    const QString earlier = QSqlDatabase::database(connectionName, false).databaseName();
    QString problem;
    {
        QSqlDatabase db = QSqlDatabase::database(connectionName, false);
        problem = carryOver(db, replacementSchema, storedTables, carried);
    }
    if (problem.isEmpty()) {
        removeConnection(); // the earlier file closed before the new one takes its place
        if (!platform::replaceFile(QFile::encodeName(replacement), QFile::encodeName(earlier)))
            problem = tr("%1 could not replace %2: %3").arg(replacement, earlier, QString::fromLocal8Bit(std::strerror(errno)));
        else
            replacement.clear();
    }
    if (!problem.isEmpty()) {
        problem = tr("%1: the earlier database was kept: %2").arg(earlier, problem);
        dropReplacement();
    }
    return problem;
}

// Attaches the new file beside the earlier database at path, a killed
// merge's leftover removed first. It takes the key the connection derived
// for the earlier file, salt included, so that its key is not derived again
// and the key alone opens it. Empty when attached, else SQLite's reason.
QString q7PhotoDataBase::attachReplacement(const QString &path)
{
    const QString file = path + QLatin1String(".new");
    QFile::remove(file);
    QFile::remove(file + QLatin1String("-journal"));
    // Made empty here: an attached file opens as the earlier one did, which
    // makes no file.
    QFile made(file);
    if (!made.open(QIODevice::WriteOnly))
        return made.errorString();
    made.close();
    QSqlQuery query(QSqlDatabase::database(connectionName, false));
    query.prepare(QStringLiteral("ATTACH DATABASE ? AS %1").arg(replacementSchema));
    query.addBindValue(file);
    if (!query.exec())
        return query.lastError().text();
    replacement = file;
    return QString();
}

// Closes the connection and removes the unfinished new file, which leaves
// the earlier database as it was.
void q7PhotoDataBase::dropReplacement()
{
    if (replacement.isEmpty())
        return;
    removeConnection();
    QFile::remove(replacement);
    QFile::remove(replacement + QLatin1String("-journal"));
    replacement.clear();
}

// A file this opening made, and could not make whole (or was not wanted
// after all), goes with its journal: the next merge makes it anew rather
// than finish a schema in another order.
void q7PhotoDataBase::forgetMadeFile(DatabaseOpening &opening)
{
    if (!opening.madeFile)
        return;
    if (opening.open) // a connection that failed to open stays, closed, as ever
        removeConnection();
    opening.open = false;
    if (opening.openError.isEmpty())
        opening.openError = opening.problem;
    QFile::remove(opening.path);
    QFile::remove(opening.path + "-journal");
    opening.madeFile = false;
}

// A new file beside an earlier one that could not be made whole goes, and
// with it the connection: the earlier file stays as it was.
void q7PhotoDataBase::forgetReplacement(DatabaseOpening &opening)
{
    if (replacement.isEmpty())
        return;
    dropReplacement();
    opening.open = false;
    opening.openError = opening.problem;
}

// Opens the file at path, creating it encrypted when there is no file yet,
// and creates the four tables where missing.
DatabaseOpening q7PhotoDataBase::open(const QString &path)
{
    DatabaseOpening opening;
    opening.path = path;
    dropReplacement(); // one an earlier opening left unfinished
    // Only a connection open on this very file is used again. One left open
    // on an earlier merge's file (or on a file since deleted) would take this
    // merge's rows, and a closed one holds the settings of a failed attempt:
    // they make way for a new one.
    if (QSqlDatabase::contains(connectionName) && !isOpenOn(path))
        removeConnection();

    // An earlier file is only read: the rows go into a new file that then
    // takes its name, so that a file of other names too (a backup made with
    // hard links) keeps its bytes.
    if (!QSqlDatabase::contains(connectionName)) {
        QSqlDatabase db = QSqlDatabase::addDatabase(driverName, connectionName);
        db.setDatabaseName(path);
        db.setPassword(password);
        opening.madeFile = !QFileInfo::exists(path);
        if (opening.madeFile)
            db.setConnectOptions(createKeyOption);
        if (!db.open()) {
            opening.openError = db.lastError().text();
            opening.problem = tr("%1 could not be opened: %2").arg(path, opening.openError);
            forgetMadeFile(opening);
            return opening;
        }
    }
    opening.open = true;
    if (!opening.madeFile) { // an earlier merge's database: a new file beside it
        const QString error = attachReplacement(path);
        if (!error.isEmpty()) {
            removeConnection();
            opening.open = false;
            opening.openError = error;
            opening.problem = tr("%1 could not be opened: %2").arg(path, error);
            return opening;
        }
    }
    const QString schema = rowsTarget().schema;
    struct Table
    {
        const char *statement;
        const char *label;
        const char *name;
    };
    const Table tables[] = {{groupsTable, "group table", "groups"},
                            {imageInfosTable, "camera table", "imageinfos"},
                            {prjInfoTable, "q7prjinfo table", "q7prjinfo"},
                            {eofInfoTable, "camera table", "eofInfo"}};
    QStringList missing;
    for (const Table &table : tables) {
        QString error;
        if (tableCreated(QString::fromLatin1(table.statement).arg(schema), error)) // every table, also after one failed
            continue;
        opening.tableErrors.emplace_back(table.label, error);
        missing << tr("table %1 could not be created: %2").arg(table.name, error);
    }
    if (!missing.isEmpty()) {
        opening.problem = path + ": " + missing.join("; ");
        forgetReplacement(opening);
        forgetMadeFile(opening);
    }
    return opening;
}

// Creates the table where missing; false, with the error, when it cannot be.
bool q7PhotoDataBase::tableCreated(const QString &statement, QString &error) const
{
    QSqlQuery query(statement, QSqlDatabase::database(connectionName, false));
    const bool created = query.isActive();
    if (!created)
        error = query.lastError().text();
    query.finish();
    return created;
}

QString q7PhotoDataBase::unusableFile(const QString &path)
{
    switch (platform::entryAt(QFile::encodeName(path)).kind) {
    case platform::EntryKind::Missing:
        return QString();
    case platform::EntryKind::Folder:
        return tr("is a folder");
    case platform::EntryKind::Link:
        return tr("is a symbolic link");
    case platform::EntryKind::Other:
        return tr("is no regular file");
    case platform::EntryKind::Regular:
        break;
    }
    // Opened on the merge's own connection, as open() would: the merge's
    // opening takes this connection up, and the key is derived once.
    if (QSqlDatabase::contains(connectionName) && !isOpenOn(path))
        removeConnection();
    if (QSqlDatabase::contains(connectionName))
        return QString();
    QString error;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(driverName, connectionName);
        db.setDatabaseName(path);
        db.setPassword(password);
        if (!db.open())
            error = db.lastError().text();
    }
    if (error.isEmpty())
        return QString();
    removeConnection();
    return tr("cannot be opened with this program's key: %1").arg(error);
}

bool q7PhotoDataBase::isOpenOn(const QString &path) const
{
    const QSqlDatabase db = QSqlDatabase::database(connectionName, false);
    return db.isOpen() && db.databaseName() == path && platform::linkCount(QFile::encodeName(path)) == 1;
}

void q7PhotoDataBase::removeConnection()
{
    {
        QSqlDatabase db = QSqlDatabase::database(connectionName, false);
        if (db.isOpen())
            db.close();
    }
    QSqlDatabase::removeDatabase(connectionName);
}
