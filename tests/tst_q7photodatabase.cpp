// The photo database: connection, schema and teardown, with the real driver.
#include "databasetesting.h"
#include "q7photodatabase.h"
#include "testfiles.h"

#include <QtTest>
#include <QProcess>
#include <QSqlError>
#include <QStandardPaths>

using namespace databasetesting;

namespace {

// The tables as the file stores them: the statements' own text, blanks and all.
const char *const storedGroups =
    "CREATE TABLE groups("
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
    "   p2              REAL                                DEFAULT 0)";

const char *const storedImageInfos =
    "CREATE TABLE imageinfos("
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
    "PhotoSENSOR    REAL                            NOT NULL)";

const char *const storedPrjInfo =
    "CREATE TABLE q7prjinfo("
    "  Name         TEXT PRIMARY KEY               NOT NULL UNIQUE,"
    "   Value             TEXT                          DEFAULT NULL)";

const char *const storedEofInfo =
    "CREATE TABLE eofInfo("
    "  Name         TEXT PRIMARY KEY               NOT NULL UNIQUE,"
    "   StripNo             INTEGER                           DEFAULT -1,"
    "   Lon            REAL                           DEFAULT 0,"
    "   Lat           REAL                            DEFAULT 0,"
    "   X             REAL                            DEFAULT 0,"
    "   Y       REAL                              DEFAULT 0,"
    "   Z         REAL                              DEFAULT 0,"
    "   Omega   REAL                                DEFAULT 0,"
    "  Phi        REAL                              DEFAULT 0,"
    " Kappa       REAL                              DEFAULT 0)";

// PRAGMA table_info of each table: cid|name|type|notnull|dflt_value|pk.
const QStringList groupsColumns = {
    "0|GroupID|INTEGER|0|<null>|1", "1|Photos|INTEGER|0|0|0",  "2|Camera|TEXT|0|UNKNOWN|0",
    "3|Sensor|REAL|0|0|0",          "4|Focal|REAL|0|0|0",      "5|Focal35mm|REAL|0|0|0",
    "6|width|INTEGER|0|0|0",        "7|height|INTEGER|0|0|0",  "8|x0|REAL|0|0|0",
    "9|y0|REAL|0|0|0",              "10|k0|REAL|0|0|0",        "11|k1|REAL|0|0|0",
    "12|k2|REAL|0|0|0",             "13|k3|REAL|0|0|0",        "14|p1|REAL|0|0|0",
    "15|p2|REAL|0|0|0"};
const QStringList imageInfosColumns = {
    "0|Name|TEXT|1|<null>|1",        "1|GroupID|TEXT|1|<null>|0",   "2|loc|TEXT|1|<null>|0",
    "3|StripNo|INTEGER|0|-1|0",      "4|Lon|REAL|0|0|0",            "5|Lat|REAL|0|0|0",
    "6|Alti|REAL|0|0|0",             "7|X|REAL|0|0|0",              "8|Y|REAL|0|0|0",
    "9|Z|REAL|0|0|0",                "10|Omega|REAL|0|0|0",         "11|Phi|REAL|0|0|0",
    "12|Kappa|REAL|0|0|0",           "13|Focal|REAL|0|0|0",         "14|Focal35mm|REAL|0|0|0",
    "15|CameraModel|TEXT|0|NULL|0",  "16|width|INTEGER|1|<null>|0", "17|height|INTEGER|1|<null>|0",
    "18|PhotoSENSOR|REAL|1|<null>|0"};
const QStringList prjInfoColumns = {"0|Name|TEXT|1|<null>|1", "1|Value|TEXT|0|NULL|0"};
const QStringList eofInfoColumns = {
    "0|Name|TEXT|1|<null>|1", "1|StripNo|INTEGER|0|-1|0", "2|Lon|REAL|0|0|0",
    "3|Lat|REAL|0|0|0",       "4|X|REAL|0|0|0",           "5|Y|REAL|0|0|0",
    "6|Z|REAL|0|0|0",         "7|Omega|REAL|0|0|0",       "8|Phi|REAL|0|0|0",
    "9|Kappa|REAL|0|0|0"};

QSqlDatabase programConnection()
{
    return QSqlDatabase::database(connectionName, false);
}

// Runs a command-line program with input on its standard input.
struct ProgramRun
{
    int exitCode;
    QByteArray output;
    QByteArray errors;
};

ProgramRun runProgram(const QString &program, const QStringList &arguments, const QByteArray &input)
{
    QProcess process;
    process.start(program, arguments);
    process.waitForStarted();
    process.write(input);
    process.closeWriteChannel();
    process.waitForFinished(patientMs);
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
            process.readAllStandardOutput(), process.readAllStandardError()};
}

} // namespace

class TestPhotoDataBase : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void newFileHoldsTheFourTablesEncrypted();
    void columnsAreExactlyTheSchema();
    void defaultsOfOmittedColumns();
    void connectingAgainKeepsRowsAndLogsNothing();
    void emptyPathIsRefusedQuietly();
    void laterConnectWithAnotherPathWritesItsOwnFile();
    void connectAfterFileWasDeletedMakesItAnew();
    void unopenableFileAnswersWhy();
    void fileThatIsNoDatabaseAnswersWhy();
    void failedTableIsLoggedAndOthersCreated();
    void mergeRunAgainKeepsWhatItDidNotWrite_data();
    void mergeRunAgainKeepsWhatItDidNotWrite();
    void carriedTablesKeepTheirRowsAndTellThem_data();
    void carriedTablesKeepTheirRowsAndTellThem();
    void preparationIsAnsweredOnConnect_data();
    void preparationIsAnsweredOnConnect();
    void discardedPreparationRemovesOnlyAFileItMade();
    void destructorClosesAndRemovesTheConnection();
    void destructorWithoutConnectionLeavesRegistryClean();
    void otherClientReadsFileOnlyWithTheKey();

private:
    QString path(const QString &fileName) const { return dir->filePath(fileName); }
    // A database file where the name eofInfo is taken by an index.
    static void makeFileWhereEofInfoClashes(const QString &file)
    {
        {
            QSqlDatabase db = openWithKey("prepare", file, true);
            QVERIFY(QSqlQuery("CREATE TABLE other(a)", db).isActive());
            QVERIFY(QSqlQuery("CREATE INDEX eofInfo ON other(a)", db).isActive());
        }
        QSqlDatabase::removeDatabase("prepare");
    }

    std::unique_ptr<QTemporaryDir> dir;
};

void TestPhotoDataBase::initTestCase()
{
    useBuiltDrivers();
}

void TestPhotoDataBase::init()
{
    dir = std::make_unique<QTemporaryDir>();
    QVERIFY(dir->isValid());
}

void TestPhotoDataBase::cleanup()
{
    for (const QString &name : QSqlDatabase::connectionNames())
        QSqlDatabase::removeDatabase(name);
    dir.reset();
}

void TestPhotoDataBase::newFileHoldsTheFourTablesEncrypted()
{
    q7PhotoDataBase photoDatabase(nullptr, connectionName);
    QCOMPARE(photoDatabase.connectionName, connectionName);
    QVERIFY(!QSqlDatabase::contains(connectionName));
    DebugMessages debug;
    QVERIFY(photoDatabase.connectDataBase(path("merged.temp")));
    QCOMPARE(debug.lines, QStringList{"connect to db"});

    QSqlDatabase db = programConnection();
    QVERIFY(db.isOpen());
    QCOMPARE(db.driverName(), QString("SQLITECIPHER"));
    QCOMPARE(db.databaseName(), path("merged.temp"));
    QCOMPARE(db.password(), QString("tessellat3crypt"));
    QCOMPARE(db.connectOptions(), QString("QSQLITE_CREATE_KEY"));
    QCOMPARE(db.tables(), (QStringList{"groups", "imageinfos", "q7prjinfo", "eofInfo"}));
    QCOMPARE(rows(db, "SELECT name, sql FROM sqlite_master WHERE type = 'table'"),
             (QStringList{QString("groups|") + storedGroups, QString("imageinfos|") + storedImageInfos,
                          QString("q7prjinfo|") + storedPrjInfo, QString("eofInfo|") + storedEofInfo}));
    // Nothing else but the indexes SQLite keeps for the keys by itself.
    QCOMPARE(rows(db, "SELECT type, name FROM sqlite_master WHERE type <> 'table'"
                      " AND name NOT LIKE 'sqlite\\_autoindex\\_%' ESCAPE '\\'"),
             QStringList());
    for (const QString &table : db.tables())
        QCOMPARE(rows(db, "SELECT count(*) FROM " + table), QStringList{"0"});

    QFile file(path("merged.temp"));
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    QVERIFY(!bytes.startsWith("SQLite format 3"));
    QVERIFY(!bytes.contains("imageinfos"));
}

void TestPhotoDataBase::columnsAreExactlyTheSchema()
{
    q7PhotoDataBase photoDatabase(nullptr, connectionName);
    QVERIFY(photoDatabase.connectDataBase(path("schema.temp")));
    QSqlDatabase db = programConnection();
    QCOMPARE(rows(db, "PRAGMA table_info(groups)"), groupsColumns);
    QCOMPARE(rows(db, "PRAGMA table_info(imageinfos)"), imageInfosColumns);
    QCOMPARE(rows(db, "PRAGMA table_info(q7prjinfo)"), prjInfoColumns);
    QCOMPARE(rows(db, "PRAGMA table_info(eofInfo)"), eofInfoColumns);

    // GroupID, the INTEGER PRIMARY KEY, is the row id of groups.
    QVERIFY(QSqlQuery("INSERT INTO groups(GroupID) VALUES(7)", db).isActive());
    QCOMPARE(rows(db, "SELECT rowid, GroupID FROM groups"), QStringList{"7|7"});
    // The keys are unique.
    QVERIFY(!QSqlQuery("INSERT INTO groups(GroupID) VALUES(7)", db).isActive());
    QVERIFY(QSqlQuery("INSERT INTO eofInfo(Name) VALUES('a')", db).isActive());
    QVERIFY(!QSqlQuery("INSERT INTO eofInfo(Name) VALUES('a')", db).isActive());
    QVERIFY(!QSqlQuery("INSERT INTO q7prjinfo(Value) VALUES('v')", db).isActive());
}

void TestPhotoDataBase::defaultsOfOmittedColumns()
{
    q7PhotoDataBase photoDatabase(nullptr, connectionName);
    QVERIFY(photoDatabase.connectDataBase(path("defaults.temp")));
    QSqlDatabase db = programConnection();
    QVERIFY(QSqlQuery("INSERT INTO groups(GroupID) VALUES(1)", db).isActive());
    QVERIFY(QSqlQuery("INSERT INTO imageinfos(Name, GroupID, loc, width, height, PhotoSENSOR)"
                      " VALUES('a', 1, 'a', 10, 20, 0.5)", db).isActive());
    QVERIFY(QSqlQuery("INSERT INTO eofInfo(Name) VALUES('a')", db).isActive());
    QVERIFY(QSqlQuery("INSERT INTO q7prjinfo(Name) VALUES('n')", db).isActive());

    QCOMPARE(rows(db, "SELECT Camera, typeof(Camera), Photos, Sensor, width FROM groups"),
             QStringList{"UNKNOWN|text|0|0|0"});
    QCOMPARE(rows(db, "SELECT CameraModel, StripNo, Lon, Focal35mm FROM imageinfos"),
             QStringList{"<null>|-1|0|0"});
    QCOMPARE(rows(db, "SELECT StripNo, Lon, Lat, X, Kappa FROM eofInfo"), QStringList{"-1|0|0|0|0"});
    QCOMPARE(rows(db, "SELECT Value FROM q7prjinfo"), QStringList{"<null>"});
    // The NOT NULL columns of imageinfos have no default.
    QVERIFY(!QSqlQuery("INSERT INTO imageinfos(Name, GroupID, loc) VALUES('b', 1, 'b')", db).isActive());
}

void TestPhotoDataBase::connectingAgainKeepsRowsAndLogsNothing()
{
    {
        q7PhotoDataBase first(nullptr, connectionName);
        QVERIFY(first.connectDataBase(path("again.temp")));
        QVERIFY(QSqlQuery("INSERT INTO groups(GroupID, Photos) VALUES(1, 5)", programConnection())
                    .isActive());

        // The same object, the same file: the open connection is used as it is.
        GlogRecords glog;
        DebugMessages debug;
        QVERIFY(first.connectDataBase(path("again.temp")));
        QCOMPARE(debug.lines, QStringList{"connect to db"});
        QCOMPARE(glog.records, QStringList());
        QCOMPARE(rows(programConnection(), "SELECT GroupID, Photos FROM groups"), QStringList{"1|5"});
    }
    QVERIFY(!QSqlDatabase::contains(connectionName));

    // A new object opens the existing file with the key, without creating it.
    q7PhotoDataBase second(nullptr, connectionName);
    GlogRecords glog;
    DebugMessages debug;
    QVERIFY(second.connectDataBase(path("again.temp")));
    QCOMPARE(debug.lines, QStringList{"connect to db"});
    QCOMPARE(debug.warnings, QStringList());
    QCOMPARE(glog.records, QStringList());
    QCOMPARE(programConnection().connectOptions(), QString());
    QCOMPARE(rows(programConnection(), "SELECT GroupID, Photos FROM groups"), QStringList{"1|5"});
}

void TestPhotoDataBase::emptyPathIsRefusedQuietly()
{
    q7PhotoDataBase photoDatabase(nullptr, connectionName);
    GlogRecords glog;
    DebugMessages debug;
    QVERIFY(!photoDatabase.connectDataBase(QString()));
    QCOMPARE(debug.lines, QStringList{"no valid database name"});
    QCOMPARE(glog.records, QStringList());
    QVERIFY(!QSqlDatabase::contains(connectionName));
}

// A later merge in the same session must not write into the earlier merge's file.
void TestPhotoDataBase::laterConnectWithAnotherPathWritesItsOwnFile()
{
    q7PhotoDataBase photoDatabase(nullptr, connectionName);
    QVERIFY(photoDatabase.connectDataBase(path("first.temp")));
    QVERIFY(QSqlQuery("INSERT INTO groups(GroupID) VALUES(1)", programConnection()).isActive());

    DebugMessages debug;
    QVERIFY(photoDatabase.connectDataBase(path("second.temp")));
    QCOMPARE(debug.warnings, QStringList());
    QCOMPARE(QSqlDatabase::connectionNames(), QStringList{connectionName});
    QSqlDatabase db = programConnection();
    QVERIFY(db.isOpen());
    QCOMPARE(db.databaseName(), path("second.temp"));
    QCOMPARE(db.tables(), (QStringList{"groups", "imageinfos", "q7prjinfo", "eofInfo"}));
    QVERIFY(QSqlQuery("INSERT INTO groups(GroupID) VALUES(2)", db).isActive());
    QCOMPARE(rows(db, "SELECT GroupID FROM groups"), QStringList{"2"});

    QSqlDatabase first = openWithKey("check", path("first.temp"));
    QVERIFY2(first.isOpen(), qPrintable(first.lastError().text()));
    QCOMPARE(rows(first, "SELECT GroupID FROM groups"), QStringList{"1"});
}

// The output folder was deleted and made anew between two merges: the rows
// must reach a new file at the path, not the deleted one.
void TestPhotoDataBase::connectAfterFileWasDeletedMakesItAnew()
{
    q7PhotoDataBase photoDatabase(nullptr, connectionName);
    QVERIFY(photoDatabase.connectDataBase(path("gone.temp")));
    QVERIFY(QSqlQuery("INSERT INTO groups(GroupID) VALUES(1)", programConnection()).isActive());
#ifdef Q_OS_WIN
    QSKIP("Windows removes no file that is open");
#endif
    QVERIFY(QFile::remove(path("gone.temp")));

    QVERIFY(photoDatabase.connectDataBase(path("gone.temp")));
    QVERIFY(QSqlQuery("INSERT INTO groups(GroupID) VALUES(2)", programConnection()).isActive());
    photoDatabase.connectDataBase(path("other.temp"));

    QSqlDatabase db = openWithKey("check", path("gone.temp"));
    QVERIFY2(db.isOpen(), qPrintable(db.lastError().text()));
    QCOMPARE(rows(db, "SELECT GroupID FROM groups"), QStringList{"2"});
}

void TestPhotoDataBase::unopenableFileAnswersWhy()
{
    q7PhotoDataBase photoDatabase(nullptr, connectionName);
    DebugMessages debug;
    const DatabaseOpening opening = photoDatabase.connectDataBase(path("missing//folder.temp"));
    QVERIFY(!opening);
    QCOMPARE(opening.openError, QString("unable to open database file Error opening database"));
    QCOMPARE(debug.lines, QStringList());
    QVERIFY(QSqlDatabase::contains(connectionName));
    QVERIFY(!programConnection().isOpen());
    QVERIFY(!QFile::exists(path("missing")));

    // The failed connection makes way for the next attempt.
    QVERIFY(photoDatabase.connectDataBase(path("found.temp")));
    QCOMPARE(debug.warnings, QStringList());
    QCOMPARE(programConnection().tables().size(), 4);
}

void TestPhotoDataBase::fileThatIsNoDatabaseAnswersWhy()
{
    QFile file(path("notes.temp"));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("field notes, not a database\n");
    file.close();

    q7PhotoDataBase photoDatabase(nullptr, connectionName);
    const DatabaseOpening opening = photoDatabase.connectDataBase(path("notes.temp"));
    QVERIFY(!opening);
    QCOMPARE(opening.openError, QString("file is encrypted or is not a database Error opening database"));
    QVERIFY(!programConnection().isOpen());
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), QByteArray("field notes, not a database\n"));
}

// An earlier file whose objects cannot all be carried over (its index eofInfo
// clashes with the table) stays as it was, and the new file goes.
void TestPhotoDataBase::failedTableIsLoggedAndOthersCreated()
{
    makeFileWhereEofInfoClashes(path("clash.temp"));
    const QByteArray before = readBytes(path("clash.temp"));

    q7PhotoDataBase photoDatabase(nullptr, connectionName);
    DebugMessages debug;
    const DatabaseOpening opening = photoDatabase.connectDataBase(path("clash.temp"));
    QVERIFY(opening);
    QCOMPARE(debug.lines, QStringList{"connect to db"});
    QCOMPARE(photoDatabase.rowsTarget().schema, QString("merged"));
    const QString problem = photoDatabase.finishReplacement({"imageinfos", "eofInfo", "groups"});
    QVERIFY2(problem.startsWith(path("clash.temp") + ": the earlier database was kept: "), qPrintable(problem));
    QVERIFY2(problem.contains("eofInfo"), qPrintable(problem));
    QCOMPARE(readBytes(path("clash.temp")), before);
    QVERIFY(!QFileInfo::exists(path("clash.temp.new")));
    QCOMPARE(photoDatabase.rowsTarget().schema, QString("main"));
}

// A merge run again into a database that other programs added to keeps what
// they added (tables, rows, an index, a trigger, the user version) and
// q7prjinfo's rows, and replaces the rows of the tables it wrote; those it
// did not write keep their earlier rows. The key alone opens the result.
void TestPhotoDataBase::mergeRunAgainKeepsWhatItDidNotWrite_data()
{
    QTest::addColumn<QStringList>("stored");
    QTest::addColumn<QStringList>("groupsRows");
    QTest::newRow("all written") << QStringList{"imageinfos", "eofInfo", "groups"} << QStringList{"2|new"};
    QTest::newRow("groups failed") << QStringList{"imageinfos", "eofInfo"} << QStringList{"1|old"};
}

void TestPhotoDataBase::mergeRunAgainKeepsWhatItDidNotWrite()
{
    QFETCH(QStringList, stored);
    QFETCH(QStringList, groupsRows);
    const QString file = path("again.temp");
    {
        q7PhotoDataBase first(nullptr, connectionName);
        QVERIFY(first.connectDataBase(file));
        QSqlDatabase db = programConnection();
        for (const char *statement :
             {"INSERT INTO groups(GroupID, Camera) VALUES(1, 'old')", "INSERT INTO q7prjinfo VALUES('unit', 'm')",
              "CREATE TABLE notes(id INTEGER PRIMARY KEY AUTOINCREMENT, text TEXT)",
              "CREATE INDEX notesText ON notes(text)", "INSERT INTO notes(id, text) VALUES(7, 'seen')",
              "CREATE TRIGGER noteCount AFTER INSERT ON notes BEGIN UPDATE q7prjinfo SET Value = 'x'; END",
              "PRAGMA user_version = 42"})
            QVERIFY2(QSqlQuery(db).exec(statement), statement);
    }
    q7PhotoDataBase again(nullptr, connectionName);
    QVERIFY(again.connectDataBase(file));
    QVERIFY(QSqlQuery(programConnection()).exec("INSERT INTO merged.groups(GroupID, Camera) VALUES(2, 'new')"));
    QCOMPARE(again.finishReplacement(stored), QString());
    QVERIFY(!QFileInfo::exists(file + ".new"));

    QSqlDatabase reader = openWithKey("reader", file, false);
    QCOMPARE(rows(reader, "SELECT GroupID, Camera FROM groups"), groupsRows);
    QCOMPARE(rows(reader, "SELECT * FROM q7prjinfo"), QStringList{"unit|m"});
    QCOMPARE(rows(reader, "SELECT * FROM notes"), QStringList{"7|seen"});
    QCOMPARE(rows(reader, "SELECT name, seq FROM sqlite_sequence"), QStringList{"notes|7"});
    QCOMPARE(rows(reader, "SELECT type, name FROM sqlite_master WHERE name IN ('notesText', 'noteCount')"),
             (QStringList{"index|notesText", "trigger|noteCount"}));
    QCOMPARE(rows(reader, "PRAGMA user_version"), QStringList{"42"});
    QCOMPARE(rows(reader, "SELECT sql FROM sqlite_master WHERE name = 'eofInfo'"), QStringList{storedEofInfo});
    reader.close();
    reader = QSqlDatabase();
    QSqlDatabase::removeDatabase("reader");
    QVERIFY(!readBytes(file).startsWith("SQLite format 3"));
}

// Another program's tables come over in chunks, every row with its rowid,
// whether the table has an index or none; a table WITHOUT ROWID whole. Each
// table's rows are told as they come, up to its total.
void TestPhotoDataBase::carriedTablesKeepTheirRowsAndTellThem_data()
{
    QTest::addColumn<int>("count");
    QTest::addColumn<QStringList>("told"); // of each chunked table
    QTest::newRow("one chunk") << 1000 << QStringList{"0/1000", "1000/1000"};
    QTest::newRow("one row more") << 1001 << QStringList{"0/1001", "1000/1001", "1001/1001"};
}

void TestPhotoDataBase::carriedTablesKeepTheirRowsAndTellThem()
{
    QFETCH(int, count);
    QFETCH(QStringList, told);
    const QString file = path("carried.temp");
    // Rowids with gaps, below zero too, from the smallest SQLite has to the largest.
    const QString rowsFrom = QString("WITH RECURSIVE s(i) AS (SELECT 0 UNION ALL SELECT i + 1 FROM s WHERE i + 1 < %1) "
                                     "SELECT CASE i WHEN 0 THEN -9223372036854775807 - 1 WHEN %1 - 1 THEN "
                                     "9223372036854775807 ELSE 3 * i - 1000 END, 'tile' || i, i * 0.5 FROM s")
                                 .arg(count);
    QStringList tiles, plain;
    {
        q7PhotoDataBase first(nullptr, connectionName);
        QVERIFY(first.connectDataBase(file));
        QSqlDatabase db = programConnection();
        for (const QString &statement :
             {QString("CREATE TABLE tiles(name TEXT UNIQUE, v REAL)"), QString("CREATE TABLE plain(name, v)"),
              QString("CREATE TABLE keyed(k TEXT PRIMARY KEY, v) WITHOUT ROWID"),
              "INSERT INTO tiles(rowid, name, v) " + rowsFrom, "INSERT INTO plain(rowid, name, v) " + rowsFrom,
              QString("INSERT INTO keyed VALUES('b', 2), ('a', 1)")})
            QVERIFY2(QSqlQuery(db).exec(statement), qPrintable(statement));
        tiles = rows(db, "SELECT rowid, * FROM tiles ORDER BY rowid");
        plain = rows(db, "SELECT rowid, * FROM plain ORDER BY rowid");
    }
    q7PhotoDataBase again(nullptr, connectionName);
    QVERIFY(again.connectDataBase(file));
    QStringList heard;
    QCOMPARE(again.finishReplacement({"imageinfos", "eofInfo", "groups"},
                                     [&](const QString &table, qint64 done, qint64 total) {
                                         heard << QString("%1 %2/%3").arg(table).arg(done).arg(total);
                                     }),
             QString());
    QStringList expected{"q7prjinfo 0/0"};
    for (const char *table : {"tiles", "plain"})
        for (const QString &chunk : told)
            expected << QString("%1 %2").arg(table, chunk);
    QCOMPARE(heard, expected << "keyed 0/2" << "keyed 2/2");

    QSqlDatabase reader = openWithKey("reader", file, false);
    QCOMPARE(rows(reader, "SELECT rowid, * FROM tiles ORDER BY rowid"), tiles);
    QCOMPARE(rows(reader, "SELECT rowid, * FROM plain ORDER BY rowid"), plain);
    QCOMPARE(rows(reader, "SELECT * FROM keyed"), (QStringList{"a|1", "b|2"}));
    reader.close();
    reader = QSqlDatabase();
    QSqlDatabase::removeDatabase("reader");
}

void TestPhotoDataBase::destructorClosesAndRemovesTheConnection()
{
    auto photoDatabase = std::make_unique<q7PhotoDataBase>(nullptr, connectionName);
    QVERIFY(photoDatabase->connectDataBase(path("closed.temp")));
    QVERIFY(QSqlDatabase::contains(connectionName));
    photoDatabase.reset();
    QVERIFY(!QSqlDatabase::contains(connectionName));

    // The file was closed whole: another connection reads it.
    QSqlDatabase db = openWithKey("reader", path("closed.temp"));
    QVERIFY(db.isOpen());
    QCOMPARE(db.tables().size(), 4);
}

void TestPhotoDataBase::destructorWithoutConnectionLeavesRegistryClean()
{
    QSqlDatabase other = openWithKey("unrelated", path("unrelated.temp"), true);
    {
        QObject parent;
        new q7PhotoDataBase(&parent, connectionName);
    }
    QVERIFY(!QSqlDatabase::contains(connectionName));
    QCOMPARE(QSqlDatabase::connectionNames(), QStringList{"unrelated"});
    QVERIFY(other.isOpen());
}

// The file is an ordinary encrypted database: the sqlcipher shell reads it
// with the key; plain SQLite cannot.
void TestPhotoDataBase::otherClientReadsFileOnlyWithTheKey()
{
#ifdef Q_OS_WIN
    QSKIP("the sqlcipher and sqlite3 shells are not Windows programs here");
#endif
    const QString sqlcipher = QStandardPaths::findExecutable("sqlcipher");
    const QString sqlite3 = QStandardPaths::findExecutable("sqlite3");
    QVERIFY2(!sqlcipher.isEmpty() && !sqlite3.isEmpty(), "scripts/install-deps.sh installs both shells");
    {
        q7PhotoDataBase photoDatabase(nullptr, connectionName);
        QVERIFY(photoDatabase.connectDataBase(path("shared.temp")));
        QVERIFY(QSqlQuery("INSERT INTO groups(GroupID, Camera) VALUES(3, 'NULL')", programConnection())
                    .isActive());
    }

    const ProgramRun withKey = runProgram(
        sqlcipher, {path("shared.temp")},
        "PRAGMA key='tessellat3crypt';\n"
        "SELECT name FROM sqlite_master WHERE type = 'table';\n"
        "SELECT sql FROM sqlite_master WHERE name = 'groups';\n"
        "SELECT GroupID, Photos, Camera FROM groups;\n");
    QCOMPARE(withKey.errors, QByteArray());
    QCOMPARE(withKey.exitCode, 0);
    QCOMPARE(withKey.output, QByteArray("groups\nimageinfos\nq7prjinfo\neofInfo\n")
                                 + storedGroups + "\n3|0|NULL\n");

    const ProgramRun wrongKey = runProgram(sqlcipher, {path("shared.temp")},
                                           "PRAGMA key='wrong';\nSELECT count(*) FROM sqlite_master;\n");
    QVERIFY(wrongKey.errors.contains("not a database"));
    QVERIFY(!wrongKey.output.contains("groups"));

    const ProgramRun plain = runProgram(sqlite3, {path("shared.temp")},
                                        "SELECT name FROM sqlite_master;\n");
    QVERIFY(plain.errors.contains("not a database"));
    QVERIFY(!plain.output.contains("groups"));
}


void TestPhotoDataBase::preparationIsAnsweredOnConnect_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<bool>("connected");
    QTest::addColumn<QStringList>("debugLines");
    QTest::addColumn<QString>("openError");
    QTest::newRow("new file") << "new.temp" << true << QStringList{"connect to db"} << QString();
    QTest::newRow("unopenable") << "missing//folder.temp" << false << QStringList()
                                << "unable to open database file Error opening database";
    // The tables go into a new file beside it, where nothing clashes.
    QTest::newRow("table clash") << "clash.temp" << true << QStringList{"connect to db"} << QString();
}

// Made ready ahead, the database tells nothing until it is connected, and
// then tells what connecting alone would have told.
void TestPhotoDataBase::preparationIsAnsweredOnConnect()
{
    QFETCH(QString, file);
    QFETCH(bool, connected);
    QFETCH(QStringList, debugLines);
    QFETCH(QString, openError);
    if (file == "clash.temp")
        makeFileWhereEofInfoClashes(path(file));

    q7PhotoDataBase photoDatabase(nullptr, connectionName);
    GlogRecords glog;
    DebugMessages debug;
    photoDatabase.prepare(path(file));
    QCOMPARE(debug.lines, QStringList());
    QCOMPARE(glog.records.size(), 0);

    const DatabaseOpening opening = photoDatabase.connectDataBase(path(file));
    QCOMPARE(opening.open, connected);
    QCOMPARE(debug.lines, debugLines);
    QCOMPARE(glog.records.size(), debugLines.size() > 1 ? 1 : 0);
    QCOMPARE(opening.openError, openError);
}

void TestPhotoDataBase::discardedPreparationRemovesOnlyAFileItMade()
{
    q7PhotoDataBase photoDatabase(nullptr, connectionName);
    QVERIFY(photoDatabase.connectDataBase(path("kept.temp")));
    QVERIFY(QSqlQuery("INSERT INTO groups(GroupID) VALUES(7)", programConnection()).isActive());
    for (const QString file : {"kept.temp", "made.temp"}) {
        photoDatabase.prepare(path(file));
        QVERIFY(QFile::exists(path(file)));
        photoDatabase.discardPreparation();
    }
    QVERIFY(!QFile::exists(path("made.temp")));
    QVERIFY(!QSqlDatabase::contains(connectionName));
    QSqlDatabase kept = openWithKey("check", path("kept.temp"));
    QCOMPARE(rows(kept, "SELECT GroupID FROM groups"), QStringList{"7"});
}

QTEST_GUILESS_MAIN(TestPhotoDataBase)
#include "tst_q7photodatabase.moc"
