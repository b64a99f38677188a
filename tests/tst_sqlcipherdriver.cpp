// The "SQLITECIPHER" driver plugin, loaded by name from the build's bin folder
// exactly as the program loads it. behavesAsQsqlite runs the same operations
// on it and on Qt's own "QSQLITE" driver (Debian's libqt5sql5-sqlite) and
// compares what they give; the other cases are about the key, the file and
// what this driver does on its own (rebinding, UTF-8 texts, closing).
#include <QtTest>
#include <QSqlDatabase>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlField>
#include <QSqlIndex>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QSemaphore>
#include <limits>
#include <sqlcipherrows.h>

namespace {

const QString driverName = QStringLiteral("SQLITECIPHER");
const QString key = QStringLiteral("s3cret key");

QSqlDatabase addConnection(const QString &name, const QString &path, const QString &password,
                           const QString &options = QString())
{
    QSqlDatabase db = QSqlDatabase::addDatabase(driverName, name);
    db.setDatabaseName(path);
    db.setPassword(password);
    db.setConnectOptions(options);
    return db;
}

// Runs one statement and returns the first column of every row, as text.
QStringList column(QSqlDatabase db, const QString &sql)
{
    QSqlQuery query(sql, db);
    QStringList values;
    while (query.next())
        values << query.value(0).toString();
    return values;
}

// One driver under test: its connections open files of its own folder, and
// the encrypting driver's with the key.
struct Side
{
    QString driver;
    QString folder;

    QSqlDatabase open(const QString &name, const QString &options = QString()) const
    {
        const bool cipher = driver == driverName;
        QSqlDatabase db = QSqlDatabase::addDatabase(driver, name);
        db.setDatabaseName(folder + "/" + name + ".db");
        db.setPassword(cipher ? key : QString());
        db.setConnectOptions(cipher ? "QSQLITE_CREATE_KEY;" + options : options);
        if (!db.open())
            qWarning().noquote() << driver << db.lastError().text();
        return db;
    }
};

QString describe(const QVariant &value)
{
    return QString("%1(%2)%3").arg(value.typeName(), value.toString(), value.isNull() ? "null" : "");
}

QString describe(const QSqlError &error)
{
    if (error.type() == QSqlError::NoError)
        return "ok";
    return QString("error %1 [%2] [%3] %4")
        .arg(error.type()).arg(error.driverText(), error.databaseText(), error.nativeErrorCode());
}

QString describe(const QSqlRecord &record)
{
    QStringList fields;
    for (int i = 0; i < record.count(); ++i) {
        const QSqlField field = record.field(i);
        fields << QString("%1.%2 %3 req=%4 auto=%5 default=%6")
                      .arg(field.tableName(), field.name(), QVariant::typeToName(field.type()))
                      .arg(field.requiredStatus()).arg(field.isAutoValue())
                      .arg(describe(field.defaultValue()));
    }
    return "{" + fields.join("; ") + "}";
}

// Everything a query tells after its execution, its rows included.
QStringList outcome(QSqlQuery &query, bool executed)
{
    QStringList lines{QString("exec=%1 active=%2 select=%3 %4").arg(executed).arg(query.isActive())
                          .arg(query.isSelect()).arg(describe(query.lastError())),
                      QString("affected=%1 id=%2 record=%3").arg(query.numRowsAffected())
                          .arg(describe(query.lastInsertId()), describe(query.record()))};
    while (query.next()) {
        QStringList values;
        for (int i = 0; i < query.record().count(); ++i)
            values << describe(query.value(i));
        lines << values.join(", ") + " " + describe(query.record());
    }
    lines << QString("after rows: affected=%1 id=%2").arg(query.numRowsAffected())
                 .arg(describe(query.lastInsertId()));
    return lines;
}

QStringList run(QSqlDatabase db, const QString &sql, const QVariantList &values = {})
{
    QSqlQuery query(db);
    QStringList lines{sql};
    if (values.isEmpty()) {
        lines << outcome(query, query.exec(sql));
        return lines;
    }
    const bool prepared = query.prepare(sql);
    lines << QString("prepared=%1 record=%2 %3").arg(prepared)
                 .arg(describe(query.record()), describe(query.lastError()));
    for (const QVariant &value : values)
        query.addBindValue(value);
    lines << outcome(query, query.exec());
    return lines;
}

QStringList types(const Side &side)
{
    QSqlDatabase db = side.open("types");
    QStringList lines = run(db, "CREATE TABLE t(id INTEGER PRIMARY KEY, a int, b integer, c bigint,"
                                " d bool, e boolean, f real, g double, h float, i numeric(10,2),"
                                " j text, k varchar(20), l blob, m date, n, o unknown, p BOOLEAN)");
    lines << describe(db.record("t"));
    lines << run(db, "INSERT INTO t VALUES(1, 2, 3, 4, 1, 0, 1.5, 2.5, 3.5, 4.25, 'x', 'y', x'00ff',"
                     " '2024-01-02', 5, 6, 1)");
    lines << run(db, "INSERT INTO t(id) VALUES(2)");
    lines << run(db, "SELECT * FROM t ORDER BY id");
    lines << run(db, "SELECT SUM(id), id + 1, 'x', NULL, 1.5, x'00', a * 1.5, COUNT(*) FROM t"
                     " GROUP BY id ORDER BY id DESC");
    lines << run(db, "SELECT ?, ?, ?, ?", {QVariant(7), QVariant(QString("s")), QVariant(), QVariant(2.5)});
    return lines;
}

QStringList records(const Side &side)
{
    QSqlDatabase db = side.open("records");
    QStringList lines;
    for (const QString &sql : QStringList{
             "CREATE TABLE t(id INTEGER PRIMARY KEY, s TEXT DEFAULT 'defaultVal', q TEXT DEFAULT 'it''s',"
             " n INTEGER NOT NULL DEFAULT 0, r REAL DEFAULT -1.5, d TEXT DEFAULT CURRENT_TIMESTAMP,"
             " z DEFAULT NULL)",
             "CREATE TABLE u(k TEXT, v INT, PRIMARY KEY(v, k))",
             "CREATE TABLE w(rid integer primary key desc, x)",
             "CREATE TEMP TABLE tmp(a)",
             "CREATE TABLE seq(id INTEGER PRIMARY KEY AUTOINCREMENT, b int(11), c INTEGER(8))",
             "CREATE TABLE pairs(a INTEGER, b, PRIMARY KEY(a, b))",
             "CREATE TABLE single(b INT PRIMARY KEY)",
             "CREATE TABLE \"odd \"\"name\"(a TEXT NOT NULL, b REAL DEFAULT 0, c BLOB)",
             "CREATE VIEW vw AS SELECT id, s FROM t"})
        lines << run(db, sql);
    for (const QString &table : QStringList{"t", "main.t", "\"main\".\"t\"", "u", "w", "tmp", "temp.tmp", "vw",
                                 "seq", "pairs", "single", "odd \"name", "absent", "main.absent"}) {
        lines << table + ": " + describe(db.record(table));
        lines << "index " + db.primaryIndex(table).name() + describe(db.primaryIndex(table));
    }
    for (const QString &name : QStringList{"t", "main.t", "a\"b", "\"q\"", "x.y.z", "[x.y]", "", "\"half",
                                                     "half\""})
        lines << db.driver()->escapeIdentifier(name, QSqlDriver::TableName) + " "
                     + db.driver()->escapeIdentifier(name, QSqlDriver::FieldName);
    QSqlRecord values = db.record("t");
    values.setValue("s", QString("it's"));
    values.setValue("r", 2.5);
    values.setValue("z", QByteArray("\x01\xff", 2));
    for (QSqlDriver::StatementType type : {QSqlDriver::InsertStatement, QSqlDriver::UpdateStatement,
                                           QSqlDriver::SelectStatement, QSqlDriver::WhereStatement})
        lines << db.driver()->sqlStatement(type, "main.t", values, false);
    for (const QVariant &value : {QVariant(true), QVariant(QDateTime(QDate(2024, 5, 17), QTime(1, 2, 3))),
                                  QVariant(QDate(2024, 5, 17)), QVariant(QString("a'b"))}) {
        QSqlField field("f", value.type());
        field.setValue(value);
        lines << db.driver()->formatValue(field) + " " + db.driver()->formatValue(field, true);
    }
    lines << QString("escaped %1 %2 %3").arg(db.driver()->isIdentifierEscaped("\"a\"", QSqlDriver::TableName))
                 .arg(db.driver()->isIdentifierEscaped("[a]", QSqlDriver::TableName))
                 .arg(db.driver()->stripDelimiters("\"a\"", QSqlDriver::FieldName));
    for (QSql::TableType type : {QSql::Tables, QSql::Views, QSql::SystemTables, QSql::AllTables})
        lines << db.tables(type).join(",");
    QSqlQuery query(db);
    lines << "unexecuted " + describe(query.record());
    query.prepare("SELECT t.id, u.k AS key, t.s || u.k AS joined FROM t, u");
    lines << "prepared " + describe(query.record());
    lines << run(db, "INSERT INTO t(id, d) VALUES(5, '2024-05-17 01:02:03')");
    lines << run(db, "INSERT INTO u VALUES('k', 1)");
    lines << run(db, "SELECT t.id, u.k AS key, t.s || u.k AS joined, t.* FROM t, u");
    lines << run(db, "SELECT * FROM vw");
    db.close();
    lines << "closed " + db.tables(QSql::AllTables).join(",") + describe(db.record("t"));
    return lines;
}

QStringList results(const Side &side)
{
    QSqlDatabase db = side.open("results");
    QStringList lines = run(db, "CREATE TABLE t(id INTEGER PRIMARY KEY, a)");
    lines << run(db, "CREATE TABLE plain(a) ");
    lines << run(db, "INSERT INTO t(a) VALUES(1), (2), (3)");
    lines << run(db, "INSERT INTO t(id, a) VALUES(0, 0)");
    lines << run(db, "SELECT a FROM t");
    lines << run(db, "SELECT a FROM t WHERE a > 5");
    lines << run(db, "UPDATE t SET a = a + 1 WHERE id > 1");
    lines << run(db, "DELETE FROM t WHERE id = 3");
    lines << run(db, "INSERT INTO plain VALUES(?)", {QVariant(1)});
    lines << run(db, "INSERT INTO t(a) VALUES(?)", {QVariant(1), QVariant(2)});
    lines << run(db, "INSERT INTO t(a, id) VALUES(?, ?)", {QVariant(1)});
    lines << run(db, "INSERT INTO t(a) VALUES(:a)", {QVariant(4)});
    QSqlQuery named(db);
    lines << QString("named %1").arg(named.prepare("INSERT INTO t(a, id) VALUES(:v, :v + 100)"));
    named.bindValue(":v", 7);
    lines << outcome(named, named.exec());
    named.bindValue(":w", 8);
    lines << outcome(named, named.exec());
    for (const QString &sql : QStringList{"SELECT 1; SELECT 2", "SELECT 1;;", "SELECT 1; x", "SELECT 1;  ",
                               "SELECT 1 AS one -- note", "SELECT 1; -- note\n", "SELECT 1; /* c */",
                               "", "  ", "-- nothing", "SELEC 1", "SELECT * FROM absent"})
        lines << run(db, sql);
    lines << run(db, "CREATE TABLE u(k TEXT PRIMARY KEY NOT NULL)");
    for (const QVariant &key : {QVariant("a"), QVariant("a"), QVariant(), QVariant("b")})
        lines << run(db, "INSERT INTO u VALUES(?)", {key});
    lines << run(db, "PRAGMA user_version = 3");
    lines << run(db, "PRAGMA user_version");
    lines << QString("begin %1 %2").arg(db.transaction()).arg(describe(db.lastError()));
    lines << QString("begin %1 %2").arg(db.transaction()).arg(describe(db.lastError()));
    lines << QString("commit %1 %2").arg(db.commit()).arg(describe(db.lastError()));
    lines << QString("commit %1 %2").arg(db.commit()).arg(describe(db.lastError()));
    lines << QString("rollback %1 %2").arg(db.rollback()).arg(describe(db.lastError()));
    lines << QString("begin %1").arg(db.transaction()) << run(db, "INSERT INTO u VALUES('c')");
    lines << QString("rollback %1").arg(db.rollback()) << run(db, "SELECT count(*) FROM u");
    QSqlQuery reading("SELECT k FROM u", db);
    reading.next();
    db.close();
    lines << QString("closed %1 %2 %3").arg(reading.next()).arg(reading.isActive())
                 .arg(describe(reading.value(0)));
    lines << QString("closed begin %1 %2").arg(db.transaction()).arg(describe(db.lastError()));
    return lines;
}

// Values of Qt's types bound and read back, with the type SQLite stored;
// batches; moving about in a result.
QStringList binding(const Side &side)
{
    QSqlDatabase db = side.open("binding");
    QStringList lines = run(db, "CREATE TABLE t(v)");
    const QVariantList values = {
        true, 7, 7u, -(qlonglong(1) << 40), qulonglong(7), qulonglong(9223372036854775809ULL), 0.1, 2.5f,
        QString::fromUtf8("Gr\xc3\xbc\xc3\x9f" "e"), QString(""), QByteArray("\0\1", 2), QByteArray(),
        QDate(2024, 5, 17), QTime(13, 4, 5, 6), QDateTime(QDate(2024, 5, 17), QTime(1, 2, 3), Qt::UTC),
        QVariant(), QVariant(QVariant::String), QChar('x'), QStringList{"a", "b"},
        QVariant::fromValue(5L), QVariant::fromValue(5UL), QVariant::fromValue(short(3)),
        QVariant::fromValue(ushort(3)), QVariant::fromValue('c'), QVariant::fromValue(qint8(4)),
        QVariant::fromValue(quint8(5))};
    for (const QVariant &value : values) {
        lines << describe(value);
        lines << run(db, "INSERT INTO t VALUES(?)", {value});
        lines << run(db, "SELECT ?, typeof(?)", {value, value});
    }
    lines << run(db, "SELECT v, typeof(v) FROM t");
    QSqlQuery batch(db);
    batch.prepare("INSERT INTO t VALUES(?)");
    batch.addBindValue(QVariantList{1, 2, QVariant(), "x"});
    lines << QString("batch %1 %2").arg(batch.execBatch()).arg(describe(batch.lastError()));
    QSqlQuery moving("SELECT v FROM t WHERE typeof(v) = 'integer' ORDER BY v", db);
    lines << QString("moves %1 %2 %3 %4 %5 %6").arg(moving.last()).arg(moving.at()).arg(moving.previous())
                 .arg(moving.seek(1)).arg(moving.seek(-2, true)).arg(moving.at());
    lines << QString("moves %1 %2 %3 %4").arg(moving.seek(99)).arg(moving.at()).arg(moving.first())
                 .arg(describe(moving.value(0)));
    moving.setForwardOnly(true);
    moving.exec();
    lines << QString("forward %1 %2 %3 %4").arg(moving.next()).arg(moving.next()).arg(moving.previous())
                 .arg(moving.at());
    return lines;
}

QStringList options(const Side &side)
{
    QStringList lines;
    QSqlDatabase db = side.open("options");
    lines << run(db, "CREATE TABLE t(s TEXT)");
    lines << run(db, "INSERT INTO t VALUES('abc'), ('xyz'), (NULL), ('ABC')");
    db.close();
    for (const QString &options : QStringList
         {"QSQLITE_BUSY_TIMEOUT=100", "QSQLITE_BUSY_TIMEOUT = 100", "QSQLITE_BUSY_TIMEOUT=x",
          "QSQLITE_OPEN_READONLY", "QSQLITE_ENABLE_SHARED_CACHE", "QSQLITE_ENABLE_REGEXP",
          "QSQLITE_ENABLE_REGEXP=2", "QSQLITE_ENABLE_REGEXP=x", "QSQLITE_OPEN_URI",
          "QSQLITE_OPEN_READONLY;QSQLITE_ENABLE_REGEXP"}) {
        db.setConnectOptions(side.driver == driverName ? "QSQLITE_CREATE_KEY;" + options : options);
        lines << options + QString(": open %1 %2").arg(db.open()).arg(describe(db.lastError()));
        lines << run(db, "SELECT s FROM t WHERE s REGEXP '^a' ORDER BY s");
        lines << run(db, "SELECT s REGEXP '[', 'b' REGEXP NULL, NULL REGEXP 'a' FROM t LIMIT 1");
        lines << run(db, "INSERT INTO t VALUES('new')");
        db.close();
    }
    db.setDatabaseName(side.folder + "/no/such/folder.db");
    lines << QString("missing folder: open %1 %2").arg(db.open()).arg(describe(db.lastError()));
    // A URI names the file and its options.
    db.setDatabaseName("file:" + side.folder + "/options.db?mode=ro");
#ifdef Q_OS_WIN
    // Without the option the URI would be a file name, which Windows does not
    // allow (':' and '?'): the two SQLite versions refuse it differently.
    const QStringList uriOptions{"QSQLITE_OPEN_URI"};
#else
    const QStringList uriOptions{"QSQLITE_OPEN_URI", ""};
#endif
    for (const QString &options : uriOptions) {
        db.setConnectOptions(side.driver == driverName ? "QSQLITE_CREATE_KEY;" + options : options);
        lines << options + QString(": open %1 %2").arg(db.open()).arg(describe(db.lastError()));
        lines << run(db, "SELECT count(*) FROM t");
        lines << run(db, "INSERT INTO t VALUES('uri')");
        db.close();
    }
    return lines;
}

QStringList precision(const Side &side)
{
    QSqlDatabase db = side.open("precision");
    QStringList lines = run(db, "CREATE TABLE t(i INTEGER, r REAL, s TEXT, n NUMERIC)");
    lines << run(db, "INSERT INTO t VALUES(12345678901, 2.75, '3.5', 1.25), (-3, -2.5, 'x', 7)");
    for (QSql::NumericalPrecisionPolicy policy :
         {QSql::LowPrecisionInt32, QSql::LowPrecisionInt64, QSql::LowPrecisionDouble, QSql::HighPrecision}) {
        QSqlQuery query(db);
        query.setNumericalPrecisionPolicy(policy);
        lines << QString("policy %1").arg(policy);
        lines << outcome(query, query.exec("SELECT i, r, s, n, i / 2.0, NULL FROM t"));
        db.setNumericalPrecisionPolicy(policy);
        lines << run(db, "SELECT r, i FROM t");
    }
    return lines;
}

QStringList notifications(const Side &side)
{
    QSqlDatabase db = side.open("notifications");
    QStringList lines = run(db, "CREATE TABLE t(id INTEGER PRIMARY KEY, a)");
    QSqlDriver *driver = db.driver();
    QObject::connect(driver, QOverload<const QString &, QSqlDriver::NotificationSource, const QVariant &>::of(
                                 &QSqlDriver::notification),
                     [&](const QString &name, QSqlDriver::NotificationSource source, const QVariant &payload) {
                         lines << QString("notified %1 %2 %3").arg(name).arg(source).arg(describe(payload));
                     });
    lines << QString("subscribe %1 %2").arg(driver->subscribeToNotification("t"))
                 .arg(driver->subscribeToNotification("t"));
    lines << QString("subscribe other %1").arg(driver->subscribeToNotification("other"));
    lines << driver->subscribedToNotifications().join(",");
    lines << run(db, "INSERT INTO t(a) VALUES(1), (2)");
    lines << run(db, "UPDATE t SET a = 3 WHERE id = 2");
    lines << run(db, "CREATE TABLE other(x)");
    lines << run(db, "INSERT INTO other VALUES(1)");
    lines << run(db, "DELETE FROM t WHERE id = 1");
    QCoreApplication::processEvents();
    lines << QString("unsubscribe %1 %2").arg(driver->unsubscribeFromNotification("t"))
                 .arg(driver->unsubscribeFromNotification("t"));
    lines << run(db, "INSERT INTO t(a) VALUES(4)");
    lines << driver->subscribedToNotifications().join(",");
    db.close();
    lines << QString("closed %1 %2").arg(driver->subscribedToNotifications().join(","))
                 .arg(driver->subscribeToNotification("t"));
    lines << QString("handle %1 %2").arg(db.driver()->handle().typeName())
                 .arg(db.driver()->handle().isValid());
    db.open();
    lines << QString("handle %1 %2").arg(db.driver()->handle().typeName())
                 .arg(*static_cast<void *const *>(db.driver()->handle().data()) != nullptr);
    QStringList features;
    for (int feature = QSqlDriver::Transactions; feature <= QSqlDriver::CancelQuery; ++feature)
        features << QString::number(db.driver()->hasFeature(QSqlDriver::DriverFeature(feature)));
    lines << "features " + features.join("");
    return lines;
}

// Another thread's connection reads or writes the same file: a write waits
// for its lock rather than failing at once.
QStringList twoThreads(const Side &side)
{
    QSqlDatabase db = side.open("threads");
    QStringList lines = run(db, "CREATE TABLE t(a)");
    lines << run(db, "INSERT INTO t VALUES(0)");
    for (const QString &hold : QStringList{"BEGIN IMMEDIATE", "BEGIN EXCLUSIVE", "SELECT"}) {
        QSemaphore holding, release;
        QStringList other;
        QThread *holder = QThread::create([&] {
            {
                QSqlDatabase mine = side.open("holder");
                QSqlQuery reading(mine);
                if (hold == "SELECT") {
                    other << run(mine, "BEGIN");
                    reading.exec("SELECT a FROM t");
                    reading.next();
                } else {
                    other << run(mine, hold);
                    other << run(mine, "INSERT INTO t VALUES(1)");
                }
                holding.release();
                release.acquire();
                QThread::msleep(200);
                reading.finish();
                other << run(mine, "COMMIT");
            }
            QSqlDatabase::removeDatabase("holder");
        });
        holder->start();
        holding.acquire();
        release.release();
        lines << hold << run(db, "INSERT INTO t VALUES(2)");
        holder->wait();
        delete holder;
        lines << other;
        lines << run(db, "SELECT count(*) FROM t");
    }
    return lines;
}

using Scenario = QStringList (*)(const Side &);
const Scenario scenarios[] = {types, records, results, binding, options, precision, notifications, twoThreads};

} // namespace

class TestSqlCipherDriver : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void behavesAsQsqlite_data();
    void behavesAsQsqlite();
    void registeredUnderItsName();
    void createdFileIsEncryptedAndReopensWithKey();
    void wrongKeyFailsAtOpen();
    void fileThatIsNoDatabaseFailsAtOpen();
    void plainFileFailsWithKey();
    void withoutCreateOptionMissingFileFails();
    void unknownConnectOptionFails();
    void textsAreStoredInUtf8ByteForByte();
    void preparedStatementIsRebound();
    void rowStatementWritesAsQuery_data();
    void rowStatementWritesAsQuery();
    void rowStatementFailsAsQuery();
    void selectReadsRowsForward();
    void closeFinalizesLiveQueries();
    void queryMayOutliveItsConnection();
    void lockedFileIsWaitedFor();

private:
    QString path(const QString &fileName) const { return dir->filePath(fileName); }
    QSqlDatabase newDatabase(const QString &name);

    std::unique_ptr<QTemporaryDir> dir;
};

void TestSqlCipherDriver::initTestCase()
{
    QCoreApplication::addLibraryPath(QStringLiteral(Q7_BIN_DIR));
}

void TestSqlCipherDriver::init()
{
    dir = std::make_unique<QTemporaryDir>();
    QVERIFY(dir->isValid());
}

void TestSqlCipherDriver::cleanup()
{
    for (const QString &name : QSqlDatabase::connectionNames())
        QSqlDatabase::removeDatabase(name);
    dir.reset();
}

// A new keyed database "<name>.db", open.
QSqlDatabase TestSqlCipherDriver::newDatabase(const QString &name)
{
    QSqlDatabase db = addConnection(name, path(name + ".db"), key, "QSQLITE_CREATE_KEY");
    if (!db.open())
        qWarning().noquote() << db.lastError().text();
    return db;
}

void TestSqlCipherDriver::behavesAsQsqlite_data()
{
    QTest::addColumn<int>("scenario");
    const char *names[] = {"types", "records", "results", "binding", "options", "precision", "notifications",
                           "two threads"};
    for (int scenario = 0; scenario < int(std::size(names)); ++scenario)
        QTest::newRow(names[scenario]) << scenario;
}

// The same operations on Qt's own SQLite driver and on this one, each on
// files of its own folder: their outcomes are the same, line by line.
void TestSqlCipherDriver::behavesAsQsqlite()
{
    QFETCH(int, scenario);
    const Scenario run = scenarios[scenario];
    QVERIFY(QDir(path(QString())).mkpath("qsqlite") && QDir(path(QString())).mkpath("cipher"));
    const QStringList expected = run(Side{"QSQLITE", path("qsqlite")});
    const QStringList actual = run(Side{driverName, path("cipher")});
    for (int line = 0; line < qMax(expected.size(), actual.size()); ++line)
        QCOMPARE(actual.value(line), expected.value(line));
}

void TestSqlCipherDriver::registeredUnderItsName()
{
    QVERIFY(QSqlDatabase::drivers().contains(driverName));
    QVERIFY(QSqlDatabase::isDriverAvailable(driverName));
    QSqlDatabase db = QSqlDatabase::addDatabase(driverName, "registered");
    QVERIFY(db.isValid());
    QVERIFY(db.driver()->hasFeature(QSqlDriver::PreparedQueries));
    QVERIFY(db.driver()->hasFeature(QSqlDriver::PositionalPlaceholders));
    QVERIFY(db.driver()->hasFeature(QSqlDriver::Transactions));
}

void TestSqlCipherDriver::createdFileIsEncryptedAndReopensWithKey()
{
    {
        QSqlDatabase db = newDatabase("create");
        QVERIFY(db.isOpen());
        QVERIFY(QSqlQuery("CREATE TABLE t(a TEXT)", db).isActive());
        QVERIFY(QSqlQuery("INSERT INTO t VALUES('visible words')", db).isActive());
        db.close();
    }
    QFile file(path("create.db"));
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    QVERIFY(bytes.size() >= 1024);
    QVERIFY(!bytes.startsWith(QByteArray("SQLite format 3\0", 16)));
    QVERIFY(!bytes.contains("visible words"));
    QVERIFY(!bytes.contains("CREATE TABLE"));

    QSqlDatabase again = addConnection("reopen", path("create.db"), key);
    QVERIFY2(again.open(), qPrintable(again.lastError().text()));
    QCOMPARE(column(again, "SELECT a FROM t"), QStringList{"visible words"});
}

void TestSqlCipherDriver::wrongKeyFailsAtOpen()
{
    {
        QSqlDatabase db = newDatabase("keyed");
        QVERIFY(QSqlQuery("CREATE TABLE t(a)", db).isActive());
    }
    QSqlDatabase::removeDatabase("keyed");

    QSqlDatabase db = addConnection("wrong", path("keyed.db"), "not the key");
    QVERIFY(!db.open());
    QVERIFY(!db.isOpen());
    QVERIFY(db.isOpenError());
    const QSqlError error = db.lastError();
    QCOMPARE(error.type(), QSqlError::ConnectionError);
    QCOMPARE(error.databaseText(), QString("file is encrypted or is not a database"));
    QCOMPARE(error.driverText(), QString("Error opening database"));
    QCOMPARE(error.nativeErrorCode(), QString("26"));
    QCOMPARE(error.text(), QString("file is encrypted or is not a database Error opening database"));

    // The right key still opens it afterwards.
    db.setPassword(key);
    QVERIFY2(db.open(), qPrintable(db.lastError().text()));
    QVERIFY(!db.isOpenError());
    QCOMPARE(db.tables(), QStringList{"t"});
}

void TestSqlCipherDriver::fileThatIsNoDatabaseFailsAtOpen()
{
    QFile file(path("notes.txt"));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(QByteArray(4096, 'x'));
    file.close();

    QSqlDatabase db = addConnection("notes", path("notes.txt"), key);
    QVERIFY(!db.open());
    QCOMPARE(db.lastError().databaseText(), QString("file is encrypted or is not a database"));
    QCOMPARE(db.lastError().type(), QSqlError::ConnectionError);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), QByteArray(4096, 'x'));
}

void TestSqlCipherDriver::plainFileFailsWithKey()
{
    {
        QSqlDatabase plain = addConnection("plain", path("plain.db"), QString(), "QSQLITE_CREATE_KEY");
        QVERIFY(plain.open());
        QVERIFY(QSqlQuery("CREATE TABLE t(a)", plain).isActive());
    }
    QSqlDatabase::removeDatabase("plain");
    QFile file(path("plain.db"));
    QVERIFY(file.open(QIODevice::ReadOnly));
    QVERIFY(file.read(16) == QByteArray("SQLite format 3\0", 16));

    QSqlDatabase keyed = addConnection("keyed", path("plain.db"), key);
    QVERIFY(!keyed.open());
    QCOMPARE(keyed.lastError().databaseText(), QString("file is encrypted or is not a database"));
}

void TestSqlCipherDriver::withoutCreateOptionMissingFileFails()
{
    QSqlDatabase db = addConnection("missing", path("missing.db"), key);
    QVERIFY(!db.open());
    QCOMPARE(db.lastError().type(), QSqlError::ConnectionError);
    QCOMPARE(db.lastError().databaseText(), QString("unable to open database file"));
    QVERIFY(!QFile::exists(path("missing.db")));

    QSqlDatabase inMissingFolder =
        addConnection("folder", path("no/such/folder.db"), key, "QSQLITE_CREATE_KEY");
    QVERIFY(!inMissingFolder.open());
    QCOMPARE(inMissingFolder.lastError().databaseText(), QString("unable to open database file"));
}

void TestSqlCipherDriver::unknownConnectOptionFails()
{
    QSqlDatabase db = addConnection("options", path("options.db"), key,
                                    " QSQLITE_CREATE_KEY ; QSQLITE_OPEN_SOMEHOW");
    QVERIFY(!db.open());
    QCOMPARE(db.lastError().databaseText(), QString("unknown connect option: QSQLITE_OPEN_SOMEHOW"));
    QVERIFY(!QFile::exists(path("options.db")));

    db.setConnectOptions(" QSQLITE_CREATE_KEY ;");
    QVERIFY2(db.open(), qPrintable(db.lastError().text()));
}

// Texts are handed to SQLite in UTF-8, or in UTF-16 when they hold
// surrogates: the bytes stored are the same either way. Plain ASCII goes
// through a buffer kept from row to row: longer and shorter texts, and
// other texts, follow one another in it.
void TestSqlCipherDriver::textsAreStoredInUtf8ByteForByte()
{
    QSqlDatabase db = newDatabase("utf8");
    QVERIFY(QSqlQuery("CREATE TABLE t(s TEXT)", db).isActive());
    QSqlQuery insert(db);
    QVERIFY(insert.prepare("INSERT INTO t VALUES(?)"));
    const QString texts[] = {
        QString("longer plain"),                       // ASCII
        QString("short"),                              // shorter, in the same buffer
        QString(""),                                   // empty, not NULL
        QString::fromUtf8("ab\xc3\xa9"),                // ASCII, then not
        QString::fromUtf8("\xc3\xa9t\xc3\xa9"),       // two-byte characters
        QString::fromUtf8("\xe2\x82\xac"),             // three bytes
        QString::fromUtf8("\xf0\x9f\x98\x80 ok"),      // a surrogate pair, four bytes
        QString("a") + QChar(0) + "b",                 // a NUL inside
        QString(QChar(0xd800)) + "x",                  // a lone surrogate, taken as a pair
        QString(QChar(0xfffe)),                        // a noncharacter
        QString("ok"),                                 // ASCII after the others
    };
    for (const QString &text : texts) {
        insert.bindValue(0, text);
        QVERIFY2(insert.exec(), qPrintable(insert.lastError().text()));
    }
    QCOMPARE(column(db, "SELECT hex(s) FROM t ORDER BY rowid"),
             (QStringList{"6C6F6E67657220706C61696E", "73686F7274", "", "6162C3A9", "C3A974C3A9", "E282AC",
                          "F09F9880206F6B", "610062", "F09081B8", "EFBFBE", "6F6B"}));
}

void TestSqlCipherDriver::preparedStatementIsRebound()
{
    QSqlDatabase db = newDatabase("rebind");
    QVERIFY(QSqlQuery("CREATE TABLE t(k INTEGER, name TEXT)", db).isActive());
    QSqlQuery insert(db);
    QVERIFY(insert.prepare("INSERT INTO t VALUES(?, ?)"));
    QVERIFY(db.transaction());
    for (int i = 0; i < 500; ++i) {
        insert.bindValue(0, i);
        insert.bindValue(1, QString("name %1").arg(i));
        QVERIFY2(insert.exec(), qPrintable(insert.lastError().text()));
    }
    QVERIFY(db.commit());
    QCOMPARE(column(db, "SELECT count(*), sum(k) FROM t"), QStringList{"500"});
    QCOMPARE(column(db, "SELECT sum(k) FROM t"), QStringList{"124750"});
    QCOMPARE(column(db, "SELECT name FROM t WHERE k = 321"), QStringList{"name 321"});

    // A value left bound stays bound for the next execution.
    insert.bindValue(0, 1000);
    QCOMPARE(insert.boundValue(0), QVariant(1000));
    QVERIFY(insert.exec());
    QCOMPARE(column(db, "SELECT name FROM t WHERE k = 1000"), QStringList{"name 499"});

    // Named placeholders and values added in order are rebound as well.
    QSqlQuery named(db);
    QVERIFY(named.prepare("INSERT INTO t VALUES(:k, :name)"));
    for (int k : {2000, 2001}) {
        named.bindValue(":name", QString("named %1").arg(k));
        named.bindValue(":k", k);
        QVERIFY2(named.exec(), qPrintable(named.lastError().text()));
        QCOMPARE(named.boundValue(":k"), QVariant(k));
    }
    for (int k : {3000, 3001}) {
        insert.addBindValue(k);
        insert.addBindValue(QString("added %1").arg(k));
        QVERIFY(insert.exec());
    }
    QCOMPARE(column(db, "SELECT name FROM t WHERE k >= 2000 ORDER BY k"),
             (QStringList{"named 2000", "named 2001", "added 3000", "added 3001"}));
}

// How a value goes to a row statement.
enum class RowBinding { Integer, Real, Null, Utf8, Text };
Q_DECLARE_METATYPE(RowBinding)

void TestSqlCipherDriver::rowStatementWritesAsQuery_data()
{
    QTest::addColumn<QVariant>("value");
    QTest::addColumn<RowBinding>("binding");
    const QString long_ = QString(70000, QChar('x')) + QString::fromUtf8("\xc3\xa9");
    const QString nonAscii = QString::fromUtf8("Z\xc3\xbcrich_\xce\xa9_\xe6\x97\xa5\xf0\x9f\x98\x80");
    QTest::newRow("smallest integer") << QVariant(std::numeric_limits<qlonglong>::min()) << RowBinding::Integer;
    QTest::newRow("largest integer") << QVariant(std::numeric_limits<qlonglong>::max()) << RowBinding::Integer;
    QTest::newRow("int") << QVariant(-7) << RowBinding::Integer;
    QTest::newRow("real") << QVariant(0.1) << RowBinding::Real;
    QTest::newRow("whole real") << QVariant(-0.0) << RowBinding::Real;
    QTest::newRow("largest real") << QVariant(std::numeric_limits<double>::max()) << RowBinding::Real;
    QTest::newRow("null") << QVariant() << RowBinding::Null;
    QTest::newRow("null text") << QVariant(QString()) << RowBinding::Text;
    QTest::newRow("empty text") << QVariant(QString("")) << RowBinding::Text;
    QTest::newRow("empty bytes") << QVariant(QString("")) << RowBinding::Utf8;
    QTest::newRow("non-ASCII text") << QVariant(nonAscii) << RowBinding::Text;
    QTest::newRow("non-ASCII bytes") << QVariant(nonAscii) << RowBinding::Utf8;
    QTest::newRow("lone surrogate") << QVariant(QString(QChar(0xd800)) + "x") << RowBinding::Text;
    QTest::newRow("long text") << QVariant(long_) << RowBinding::Text;
    QTest::newRow("long bytes") << QVariant(long_) << RowBinding::Utf8;
}

// The same value, written once through QSqlQuery and once through the
// driver's row statement, between two other values, is stored alike.
void TestSqlCipherDriver::rowStatementWritesAsQuery()
{
    QFETCH(QVariant, value);
    QFETCH(RowBinding, binding);
    QSqlDatabase db = newDatabase("rows");
    for (const char *table : {"viaQuery", "viaRows"})
        QVERIFY(QSqlQuery(QString("CREATE TABLE %1(a, v, b)").arg(table), db).isActive());
    QSqlQuery query(db);
    QVERIFY(query.prepare("INSERT INTO viaQuery VALUES(?, ?, ?)"));
    query.addBindValue(1);
    query.addBindValue(value);
    query.addBindValue("after");
    QVERIFY2(query.exec(), qPrintable(query.lastError().text()));

    const auto *driver = qobject_cast<SqlCipherRows *>(db.driver());
    QVERIFY(driver);
    QSqlError error;
    const auto row = driver->prepareRows("INSERT INTO viaRows VALUES(?, ?, ?)", &error);
    QVERIFY2(row, qPrintable(error.text()));
    const QByteArray utf8 = value.toString().toUtf8();
    for (int twice = 0; twice < 2; ++twice) { // the statement is ready again after a row
        row->bindInteger(0, 1);
        switch (binding) {
        case RowBinding::Integer: row->bindInteger(1, value.toLongLong()); break;
        case RowBinding::Real: row->bindReal(1, value.toDouble()); break;
        case RowBinding::Null: row->bindNull(1); break;
        case RowBinding::Utf8: row->bindUtf8(1, utf8.constData(), utf8.size()); break;
        case RowBinding::Text: row->bindText(1, value.toString()); break;
        }
        row->bindText(2, "after");
        QVERIFY2(row->exec(), qPrintable(row->lastError().text()));
    }
    const QString stored = "SELECT typeof(a) || a || typeof(v) || ':' || hex(v) || typeof(b) || b FROM %1";
    const QStringList expected = column(db, stored.arg("viaQuery"));
    QCOMPARE(expected.size(), 1);
    QCOMPARE(column(db, stored.arg("viaRows")), expected + expected);
}

// A statement that cannot be prepared fails as QSqlQuery::prepare() fails;
// a placeholder SQLite does not know fails the row, which is not written.
void TestSqlCipherDriver::rowStatementFailsAsQuery()
{
    QSqlDatabase db = newDatabase("rowfailures");
    QVERIFY(QSqlQuery("CREATE TABLE t(v)", db).isActive());
    const auto *driver = qobject_cast<SqlCipherRows *>(db.driver());
    QSqlError error;
    QVERIFY(!driver->prepareRows("INSERT INTO missing VALUES(?)", &error));
    QSqlQuery query(db);
    QVERIFY(!query.prepare("INSERT INTO missing VALUES(?)"));
    QCOMPARE(error.text(), query.lastError().text());

    const auto row = driver->prepareRows("INSERT INTO t VALUES(?)", &error);
    row->bindText(1, "beyond");
    QVERIFY(!row->exec());
    QVERIFY(row->lastError().text().contains("Unable to bind parameters"));
    row->bindText(0, "in place");
    QVERIFY2(row->exec(), qPrintable(row->lastError().text()));
    QCOMPARE(column(db, "SELECT v FROM t"), QStringList{"in place"});
}

void TestSqlCipherDriver::selectReadsRowsForward()
{
    QSqlDatabase db = newDatabase("select");
    QVERIFY(QSqlQuery("CREATE TABLE t(k INTEGER, v TEXT)", db).isActive());
    QVERIFY(QSqlQuery("INSERT INTO t VALUES(1, 'one'), (2, 'two'), (3, 'three')", db).isActive());

    QSqlQuery query("SELECT k, v FROM t ORDER BY k", db);
    QVERIFY(query.isActive());
    QVERIFY(query.isSelect());
    QCOMPARE(query.at(), int(QSql::BeforeFirstRow));
    QCOMPARE(query.record().fieldName(0), QString("k"));
    QCOMPARE(query.record().fieldName(1), QString("v"));
    QCOMPARE(query.record().field(0).type(), QVariant::Int);
    QCOMPARE(query.record().field(1).type(), QVariant::String);
    QVERIFY(query.first());
    QCOMPARE(query.value("v").toString(), QString("one"));
    QVERIFY(query.next());
    QCOMPARE(query.at(), 1);
    QCOMPARE(query.value(0).toInt(), 2);
    QVERIFY(query.previous());
    QCOMPARE(query.at(), 0);
    QCOMPARE(query.value(1).toString(), QString("one"));
    QVERIFY(query.last());
    QCOMPARE(query.at(), 2);
    QCOMPARE(query.value(1).toString(), QString("three"));
    QVERIFY(!query.next());
    QVERIFY(!query.next());
    QVERIFY(query.seek(1));
    QCOMPARE(query.value(1).toString(), QString("two"));
    QVERIFY(!query.seek(3));

    // Reading forward only keeps no rows but the current one.
    query.setForwardOnly(true);
    QVERIFY(query.exec());
    QVERIFY(query.next());
    QCOMPARE(query.value(0).toInt(), 1);
    QVERIFY(query.last());
    QCOMPARE(query.at(), 2);
    QCOMPARE(query.value(1).toString(), QString("three"));
    QVERIFY(!query.next());

    // Executed again, the statement starts from its first row.
    QVERIFY(query.exec());
    QVERIFY(query.next());
    QCOMPARE(query.value(0).toInt(), 1);
    query.finish();
    QVERIFY(!query.isActive());
    QVERIFY(db.transaction());
    QVERIFY(QSqlQuery("DELETE FROM t", db).isActive());
    QVERIFY(db.commit());
}

void TestSqlCipherDriver::closeFinalizesLiveQueries()
{
    QSqlDatabase db = newDatabase("close");
    QVERIFY(QSqlQuery("CREATE TABLE t(a)", db).isActive());
    QVERIFY(QSqlQuery("INSERT INTO t VALUES(1), (2)", db).isActive());
    QSqlQuery reading("SELECT a FROM t", db);
    QVERIFY(reading.next());
    QSqlQuery insert(db);
    QVERIFY(insert.prepare("INSERT INTO t VALUES(?)"));

    db.close();
    QVERIFY(!db.isOpen());
    QVERIFY(!reading.next());
    insert.bindValue(0, 3);
    QVERIFY(!insert.exec());
    QTest::ignoreMessage(QtWarningMsg, "QSqlQuery::prepare: database not open");
    QVERIFY(!insert.prepare("INSERT INTO t VALUES(?)"));

    // Nothing kept the file busy: it opens again with both rows.
    QVERIFY(db.open());
    QCOMPARE(column(db, "SELECT a FROM t"), (QStringList{"1", "2"}));
}

void TestSqlCipherDriver::queryMayOutliveItsConnection()
{
    QSqlQuery survivor;
    {
        QSqlDatabase db = newDatabase("gone");
        QVERIFY(QSqlQuery("CREATE TABLE t(a)", db).isActive());
        survivor = QSqlQuery("SELECT a FROM t", db);
        QVERIFY(survivor.isActive());
    }
    QSqlDatabase::removeDatabase("gone");
    QVERIFY(!survivor.next());
}

// Another thread's connection holds the file locked for a while: a write
// waits for the lock (5 s unless told otherwise), where a timeout of 0 fails
// at once. Opening with the key check waits in the same way.
void TestSqlCipherDriver::lockedFileIsWaitedFor()
{
    QVERIFY(QSqlQuery("CREATE TABLE t(a)", newDatabase("locked")).isActive());
    QSemaphore locked, release;
    QThread *holder = QThread::create([&] {
        {
            QSqlDatabase db = addConnection("holder", path("locked.db"), key);
            db.open();
            QSqlQuery("BEGIN EXCLUSIVE", db);
            locked.release();
            release.acquire();
            QThread::msleep(300);
            QSqlQuery("COMMIT", db);
        }
        QSqlDatabase::removeDatabase("holder");
    });
    holder->start();
    locked.acquire();

    QSqlDatabase impatient = addConnection("impatient", path("locked.db"), key, "QSQLITE_BUSY_TIMEOUT=0");
    QVERIFY(!impatient.open());
    QCOMPARE(impatient.lastError().databaseText(), QString("database is locked"));

    release.release();
    QSqlDatabase patient = addConnection("patient", path("locked.db"), key);
    QVERIFY2(patient.open(), qPrintable(patient.lastError().text()));
    QVERIFY2(QSqlQuery("INSERT INTO t VALUES(1)", patient).isActive(),
             qPrintable(patient.lastError().text()));
    holder->wait();
    delete holder;
    QCOMPARE(column(patient, "SELECT count(*) FROM t"), QStringList{"1"});
}

QTEST_GUILESS_MAIN(TestSqlCipherDriver)
#include "tst_sqlcipherdriver.moc"
