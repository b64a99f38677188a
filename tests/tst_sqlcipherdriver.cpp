// The "SQLITECIPHER" driver plugin, loaded by name from the build's bin folder
// exactly as the program loads it.
#include <QtTest>
#include <QSqlDatabase>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlField>
#include <QSqlIndex>
#include <QSqlQuery>
#include <QSqlRecord>

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

} // namespace

class TestSqlCipherDriver : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void registeredUnderItsName();
    void createdFileIsEncryptedAndReopensWithKey();
    void wrongKeyFailsAtOpen();
    void fileThatIsNoDatabaseFailsAtOpen();
    void plainFileFailsWithKey();
    void withoutCreateOptionMissingFileFails();
    void unknownConnectOptionFails();
    void bindsIntegersRealsTextsAndNull();
    void textsAreStoredInUtf8ByteForByte();
    void preparedStatementIsRebound();
    void parameterCountMismatchFails();
    void transactionsCommitAndRollBack();
    void failedRowReportsStatementError();
    void syntaxErrorFailsPrepare();
    void multipleStatementsAreRefused();
    void selectReadsRowsForward();
    void emptySelectIsActiveWithoutRows();
    void tablesRecordAndPrimaryIndex();
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
                                    " QSQLITE_CREATE_KEY ; QSQLITE_OPEN_READONLY");
    QVERIFY(!db.open());
    QCOMPARE(db.lastError().databaseText(), QString("unknown connect option: QSQLITE_OPEN_READONLY"));
    QVERIFY(!QFile::exists(path("options.db")));

    db.setConnectOptions(" QSQLITE_CREATE_KEY ;");
    QVERIFY2(db.open(), qPrintable(db.lastError().text()));
}

void TestSqlCipherDriver::bindsIntegersRealsTextsAndNull()
{
    QSqlDatabase db = newDatabase("bind");
    QVERIFY(QSqlQuery("CREATE TABLE t(i INTEGER, big INTEGER, r REAL, s TEXT, e TEXT, n TEXT, b BLOB, f)", db)
                .isActive());
    QSqlQuery insert(db);
    QVERIFY(insert.prepare("INSERT INTO t VALUES(?,?,?,?,?,?,?,?)"));
    const QString text = QString::fromUtf8("Gr\xc3\xbc\xc3\x9f" "e 'quoted' \"double\" ?");
    insert.bindValue(0, -7);
    insert.bindValue(1, qlonglong(1) << 40);
    insert.bindValue(2, 0.1);
    insert.bindValue(3, text);
    insert.bindValue(4, QString(""));
    insert.bindValue(5, QVariant());
    insert.bindValue(6, QByteArray("\0\1\2", 3));
    insert.bindValue(7, 2.5f);
    QVERIFY2(insert.exec(), qPrintable(insert.lastError().text()));
    QCOMPARE(insert.numRowsAffected(), 1);
    QCOMPARE(insert.lastInsertId().toLongLong(), 1LL);

    QSqlQuery select("SELECT i, big, r, s, e, n, b, f, typeof(i), typeof(r), typeof(s), typeof(e),"
                     " typeof(n), typeof(b), typeof(f) FROM t", db);
    QVERIFY(select.next());
    QCOMPARE(select.value(0), QVariant(qlonglong(-7)));
    QCOMPARE(select.value(1), QVariant(qlonglong(1) << 40));
    QCOMPARE(select.value(2), QVariant(0.1));
    QCOMPARE(select.value(3), QVariant(text));
    QCOMPARE(select.value(4).toString(), QString(""));
    QVERIFY(!select.isNull(4));
    QVERIFY(select.isNull(5));
    QVERIFY(select.value(5).isNull());
    QCOMPARE(select.value(6), QVariant(QByteArray("\0\1\2", 3)));
    QCOMPARE(select.value(7), QVariant(2.5));
    const QStringList types = {"integer", "real", "text", "text", "null", "blob", "real"};
    for (int i = 0; i < types.size(); ++i)
        QCOMPARE(select.value(8 + i).toString(), types.at(i));
    QVERIFY(!select.next());

    // Unsigned values beyond SQLite's integers stay exact, as text; dates as ISO text.
    QSqlQuery wide(db);
    QVERIFY(wide.prepare("SELECT ?, typeof(?), ?, typeof(?), ?"));
    wide.bindValue(0, quint64(7));
    wide.bindValue(1, quint64(7));
    wide.bindValue(2, quint64(9223372036854775809ULL));
    wide.bindValue(3, quint64(9223372036854775809ULL));
    wide.bindValue(4, QDate(2024, 5, 17));
    QVERIFY2(wide.exec(), qPrintable(wide.lastError().text()));
    QVERIFY(wide.next());
    QCOMPARE(wide.value(0), QVariant(qlonglong(7)));
    QCOMPARE(wide.value(1).toString(), QString("integer"));
    QCOMPARE(wide.value(2), QVariant(QString("9223372036854775809")));
    QCOMPARE(wide.value(3).toString(), QString("text"));
    QCOMPARE(wide.value(4), QVariant(QString("2024-05-17")));
}

// Texts are handed to SQLite in UTF-8, or in UTF-16 when they hold
// surrogates: the bytes stored are the same either way.
void TestSqlCipherDriver::textsAreStoredInUtf8ByteForByte()
{
    QSqlDatabase db = newDatabase("utf8");
    QVERIFY(QSqlQuery("CREATE TABLE t(s TEXT)", db).isActive());
    QSqlQuery insert(db);
    QVERIFY(insert.prepare("INSERT INTO t VALUES(?)"));
    const QString texts[] = {
        QString::fromUtf8("\xc3\xa9t\xc3\xa9"),       // two-byte characters
        QString::fromUtf8("\xe2\x82\xac"),             // three bytes
        QString::fromUtf8("\xf0\x9f\x98\x80 ok"),      // a surrogate pair, four bytes
        QString("a") + QChar(0) + "b",                 // a NUL inside
        QString(QChar(0xd800)) + "x",                  // a lone surrogate, taken as a pair
        QString(QChar(0xfffe)),                        // a noncharacter
    };
    for (const QString &text : texts) {
        insert.bindValue(0, text);
        QVERIFY2(insert.exec(), qPrintable(insert.lastError().text()));
    }
    QCOMPARE(column(db, "SELECT hex(s) FROM t ORDER BY rowid"),
             (QStringList{"C3A974C3A9", "E282AC", "F09F9880206F6B", "610062", "F09081B8", "EFBFBE"}));
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

void TestSqlCipherDriver::parameterCountMismatchFails()
{
    QSqlDatabase db = newDatabase("mismatch");
    QVERIFY(QSqlQuery("CREATE TABLE t(a, b)", db).isActive());
    QSqlQuery insert(db);
    QVERIFY(insert.prepare("INSERT INTO t VALUES(?, ?)"));
    insert.bindValue(0, 1);
    QVERIFY(!insert.exec());
    QCOMPARE(insert.lastError().type(), QSqlError::StatementError);
    QCOMPARE(insert.lastError().driverText(), QString("Parameter count mismatch"));
    QCOMPARE(column(db, "SELECT count(*) FROM t"), QStringList{"0"});

    QSqlQuery unbound("INSERT INTO t VALUES(?, ?)", db);
    QVERIFY(!unbound.isActive());
    QCOMPARE(unbound.lastError().driverText(), QString("Parameter count mismatch"));
}

void TestSqlCipherDriver::transactionsCommitAndRollBack()
{
    QSqlDatabase db = newDatabase("transactions");
    QVERIFY(QSqlQuery("CREATE TABLE t(a)", db).isActive());

    QVERIFY(db.transaction());
    QVERIFY(QSqlQuery("INSERT INTO t VALUES(1)", db).isActive());
    QVERIFY(!db.transaction());
    QCOMPARE(db.lastError().type(), QSqlError::TransactionError);
    QCOMPARE(db.lastError().databaseText(), QString("cannot start a transaction within a transaction"));
    QVERIFY(db.rollback());
    QCOMPARE(column(db, "SELECT count(*) FROM t"), QStringList{"0"});

    QVERIFY(db.transaction());
    QVERIFY(QSqlQuery("INSERT INTO t VALUES(2)", db).isActive());
    QVERIFY(db.commit());
    QCOMPARE(column(db, "SELECT a FROM t"), QStringList{"2"});

    QVERIFY(!db.commit());
    QCOMPARE(db.lastError().type(), QSqlError::TransactionError);
    QCOMPARE(db.lastError().driverText(), QString("Unable to commit transaction"));
    QCOMPARE(db.lastError().databaseText(), QString("cannot commit - no transaction is active"));

    db.close();
    QVERIFY(!db.transaction());
    QCOMPARE(db.lastError().type(), QSqlError::TransactionError);
}

void TestSqlCipherDriver::failedRowReportsStatementError()
{
    QSqlDatabase db = newDatabase("unique");
    QVERIFY(QSqlQuery("CREATE TABLE t(k TEXT PRIMARY KEY NOT NULL UNIQUE)", db).isActive());
    QSqlQuery insert(db);
    QVERIFY(insert.prepare("INSERT INTO t VALUES(?)"));
    insert.bindValue(0, "a");
    QVERIFY(insert.exec());
    QVERIFY(!insert.exec());
    const QSqlError error = insert.lastError();
    QCOMPARE(error.type(), QSqlError::StatementError);
    QCOMPARE(error.databaseText(), QString("UNIQUE constraint failed: t.k"));
    QCOMPARE(error.driverText(), QString("Unable to fetch row"));
    QCOMPARE(error.nativeErrorCode(), QString("19"));

    // The statement recovers: the next row goes in and clears the error.
    insert.bindValue(0, QVariant());
    QVERIFY(!insert.exec());
    QCOMPARE(insert.lastError().databaseText(), QString("NOT NULL constraint failed: t.k"));
    insert.bindValue(0, "b");
    QVERIFY(insert.exec());
    QCOMPARE(insert.lastError().type(), QSqlError::NoError);
    QCOMPARE(column(db, "SELECT k FROM t"), (QStringList{"a", "b"}));
}

void TestSqlCipherDriver::syntaxErrorFailsPrepare()
{
    QSqlDatabase db = newDatabase("syntax");
    QSqlQuery query(db);
    QVERIFY(!query.prepare("SELEC 1"));
    QCOMPARE(query.lastError().type(), QSqlError::StatementError);
    QCOMPARE(query.lastError().databaseText(), QString("near \"SELEC\": syntax error"));
    QVERIFY(!query.exec());

    QSqlQuery missing("INSERT INTO nowhere VALUES(1)", db);
    QVERIFY(!missing.isActive());
    QCOMPARE(missing.lastError().databaseText(), QString("no such table: nowhere"));
}

void TestSqlCipherDriver::multipleStatementsAreRefused()
{
    QSqlDatabase db = newDatabase("multiple");
    QSqlQuery two("CREATE TABLE a(x); CREATE TABLE b(x);", db);
    QVERIFY(!two.isActive());
    QCOMPARE(two.lastError().driverText(), QString("Unable to execute multiple statements at a time"));
    QCOMPARE(db.tables(), QStringList());

    // A trailing comment or blanks are no second statement.
    QVERIFY(QSqlQuery("CREATE TABLE a(x);  -- the first table\n ", db).isActive());
    QCOMPARE(db.tables(), QStringList{"a"});
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
    QCOMPARE(query.record().field(0).type(), QVariant::LongLong);
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

void TestSqlCipherDriver::emptySelectIsActiveWithoutRows()
{
    QSqlDatabase db = newDatabase("empty");
    QVERIFY(QSqlQuery("CREATE TABLE t(k)", db).isActive());
    QSqlQuery query("SELECT k FROM t", db);
    QVERIFY(query.isActive());
    QVERIFY(query.isSelect());
    QVERIFY(!query.next());
    QVERIFY(!query.next());
    QVERIFY(!query.last());
    QCOMPARE(query.size(), -1);

    QSqlQuery insert("INSERT INTO t VALUES(1)", db);
    QVERIFY(insert.isActive());
    QVERIFY(!insert.isSelect());
    QVERIFY(!insert.next());
    QCOMPARE(column(db, "SELECT count(*) FROM t"), QStringList{"1"});
}

void TestSqlCipherDriver::tablesRecordAndPrimaryIndex()
{
    QSqlDatabase db = newDatabase("schema");
    QVERIFY(QSqlQuery("CREATE TABLE second(id INTEGER PRIMARY KEY AUTOINCREMENT, note TEXT)", db)
                .isActive());
    QVERIFY(QSqlQuery("CREATE TABLE \"odd \"\"name\"(a INTEGER NOT NULL, b REAL DEFAULT 0,"
                      " c TEXT DEFAULT UNKNOWN, d BLOB, e, PRIMARY KEY(c, a))", db).isActive());
    QVERIFY(QSqlQuery("CREATE VIEW notes AS SELECT note FROM second", db).isActive());
    QVERIFY(QSqlQuery("CREATE INDEX by_note ON second(note)", db).isActive());

    QCOMPARE(db.tables(), (QStringList{"second", "odd \"name"}));
    QCOMPARE(db.tables(QSql::Views), QStringList{"notes"});
    QCOMPARE(db.tables(QSql::SystemTables), (QStringList{"sqlite_master", "sqlite_sequence"}));

    const QSqlRecord record = db.record("odd \"name");
    QCOMPARE(record.count(), 5);
    const QStringList names = {"a", "b", "c", "d", "e"};
    const QList<QVariant::Type> types = {QVariant::LongLong, QVariant::Double, QVariant::String,
                                         QVariant::ByteArray, QVariant::Invalid};
    for (int i = 0; i < record.count(); ++i) {
        QCOMPARE(record.field(i).name(), names.at(i));
        QCOMPARE(record.field(i).type(), types.at(i));
        QCOMPARE(record.field(i).tableName(), QString("odd \"name"));
    }
    QCOMPARE(record.field("a").requiredStatus(), QSqlField::Required);
    QCOMPARE(record.field("b").requiredStatus(), QSqlField::Optional);
    QCOMPARE(record.field("b").defaultValue(), QVariant("0"));
    QCOMPARE(record.field("c").defaultValue(), QVariant("UNKNOWN"));
    QVERIFY(record.field("d").defaultValue().isNull());

    const QSqlIndex key = db.primaryIndex("odd \"name");
    QCOMPARE(key.count(), 2);
    QCOMPARE(key.fieldName(0), QString("c"));
    QCOMPARE(key.fieldName(1), QString("a"));
    QCOMPARE(db.primaryIndex("second").fieldName(0), QString("id"));
    QVERIFY(db.record("absent").isEmpty());

    db.close();
    QCOMPARE(db.tables(), QStringList());
    QVERIFY(db.record("second").isEmpty());
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
