// The rows of the photo database, written into a real encrypted file.
#include "databasetesting.h"
#include "databaserecords.h"
#include "q7photodatabase.h"

#include <QtTest>
#include <QSqlError>
#include <atomic>
#include <chrono>
#include <cstring>
#include <limits>
#include <thread>

using namespace databasetesting;

namespace {

CameraRecord camera(int32_t camIdx, double focal, double pixelSize, int32_t width, int32_t height)
{
    CameraRecord record;
    record.camIdx = camIdx;
    record.focal = focal;
    record.pixelSize = pixelSize;
    record.width = width;
    record.height = height;
    return record;
}

ImageRecord image(const char *name, int32_t camIdx)
{
    ImageRecord record;
    qstrncpy(record.name, name, sizeof record.name);
    record.camIdx = camIdx;
    return record;
}

// count images of camera 0 with names of their own.
std::vector<ImageRecord> manyImages(int count)
{
    std::vector<ImageRecord> records;
    for (int i = 0; i < count; ++i)
        records.push_back(image(qPrintable(QString("many_%1.tif").arg(i)), 0));
    return records;
}

std::vector<ImageRecord> images(std::initializer_list<int32_t> camIdxs)
{
    std::vector<ImageRecord> records;
    for (int32_t camIdx : camIdxs)
        records.push_back(image(qPrintable(QString("IMG_%1.JPG").arg(records.size())), camIdx));
    return records;
}

QSqlDatabase programConnection()
{
    return QSqlDatabase::database(connectionName, false);
}

QStringList tableRows(const QString &sql)
{
    return rows(programConnection(), sql);
}

QVariant single(const QString &sql)
{
    QSqlQuery query(sql, programConnection());
    return query.next() ? query.value(0) : QVariant();
}

// Another program reading the database file: a connection of its own, in a
// thread of its own, holding a read transaction (and so the file's shared
// lock) from construction until release(), or until holdFor has passed.
class HeldRead
{
public:
    HeldRead(const QString &path, std::chrono::milliseconds holdFor = std::chrono::hours(1))
        : thread([this, path, holdFor] { hold(path, holdFor); })
    {
        while (!holding && !finished)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    ~HeldRead() { release(); }

    void release()
    {
        released = true;
        if (thread.joinable())
            thread.join();
    }

    std::atomic<bool> holding{false};

private:
    void hold(const QString &path, std::chrono::milliseconds holdFor)
    {
        {
            QSqlDatabase db = openWithKey("reader", path);
            QSqlQuery query(db);
            if (db.transaction() && query.exec("SELECT count(*) FROM eofInfo") && query.next()) {
                holding = true;
                const auto end = std::chrono::steady_clock::now() + holdFor;
                while (!released && std::chrono::steady_clock::now() < end)
                    std::this_thread::sleep_for(std::chrono::milliseconds(5));
            }
            query.finish();
            db.commit();
        }
        QSqlDatabase::removeDatabase("reader");
        finished = true;
    }

    std::atomic<bool> released{false};
    std::atomic<bool> finished{false};
    std::thread thread;
};

} // namespace

class TestDatabaseRecords : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void imageInfosRow();
    void eofInfoRow();
    void groupsRow();
    void focalAndSensorInPixelsAndLength();
    void photosOfTheLastRun();
    void noImagesLeaveImageTablesEmpty();
    void duplicateBaseNamesLeaveImageTablesEmpty();
    void lastMatchingCameraWins();
    void imageWithoutCameraHasItsOwnZeros();
    void namesWithoutFolderOrExtension();
    void keyIsWhatQFileInfoCallsTheCompleteBaseName_data();
    void keyIsWhatQFileInfoCallsTheCompleteBaseName();
    void nameFillingItsWholeField();
    void cameraNameIsUtf8();
    void largestCameraIndexDoesNotOverflow();
    void rowsOfAnEarlierMergeAreReplaced();
    void rowsGoIntoTheTargetsSchemaOnly_data();
    void rowsGoIntoTheTargetsSchemaOnly();
    void stopPartWayKeepsEarlierRows();
    void rowsAreToldNowAndThen_data();
    void rowsAreToldNowAndThen();
    void readerHoldingTheFile();
    void transactionThatCannotBeginWritesNothing();
    void withoutOpenConnectionNothingHappens();

private:
    std::unique_ptr<QTemporaryDir> dir;
    std::unique_ptr<q7PhotoDataBase> photoDatabase;
};

void TestDatabaseRecords::initTestCase()
{
    useBuiltDrivers();
}

void TestDatabaseRecords::init()
{
    dir = std::make_unique<QTemporaryDir>();
    QVERIFY(dir->isValid());
    photoDatabase = std::make_unique<q7PhotoDataBase>(nullptr, connectionName);
    QVERIFY(photoDatabase->connectDataBase(dir->filePath("photos.temp")));
}

void TestDatabaseRecords::cleanup()
{
    photoDatabase.reset();
    dir.reset();
}

void TestDatabaseRecords::imageInfosRow()
{
    std::vector<ImageRecord> imageRecords = {image("D:/photos/IMG_0001.JPG", 0)};
    ImageRecord &first = imageRecords[0];
    first.imageIdx = 42;
    first.stripNo = 3;
    first.X = 512345.125;
    first.Y = -2.25;
    first.Z = 1234.5;
    first.omega = 0.5;
    first.phi = -0.25;
    first.kappa = 3.75;
    const std::vector<CameraRecord> cameraRecords = {camera(0, 24.0, 0.004, 6000, 4000)};

    GlogRecords glog;
    DebugMessages debug;
    QVERIFY(insertImageInfos(connectionName, imageRecords, cameraRecords));
    QCOMPARE(tableRows("SELECT Name, GroupID, typeof(GroupID), loc, StripNo, Lon, Lat, Alti, X, Y, Z,"
                       " Omega, Phi, Kappa, Focal, Focal35mm, CameraModel, typeof(CameraModel),"
                       " width, height, PhotoSENSOR FROM imageinfos"),
             QStringList{"IMG_0001|1|text|D:/photos/IMG_0001.JPG|3|0|0|1234.5|512345.125|-2.25|1234.5"
                         "|0.5|-0.25|3.75|6000|0|NULL|text|6000|4000|24"});
    QCOMPARE(tableRows("SELECT typeof(Lon), typeof(Focal35mm), typeof(width), typeof(Focal)"
                       " FROM imageinfos"),
             QStringList{"real|real|integer|real"});
    QCOMPARE(glog.records, QStringList());
    QCOMPARE(debug.lines, QStringList());
}

void TestDatabaseRecords::eofInfoRow()
{
    std::vector<ImageRecord> imageRecords = {image("C:/survey/a.b.jpg", 7)};
    ImageRecord &first = imageRecords[0];
    first.stripNo = -4;
    first.X = 1.5;
    first.Y = 2.5;
    first.Z = 3.5;
    first.omega = 0.125;
    first.phi = 0.25;
    first.kappa = 0.375;

    QVERIFY(insertEofInfo(connectionName, imageRecords));
    QCOMPARE(tableRows("SELECT * FROM eofInfo"), QStringList{"a.b|-4|0|0|1.5|2.5|3.5|0.125|0.25|0.375"});
    QCOMPARE(tableRows("SELECT typeof(Lon), typeof(Lat), typeof(StripNo) FROM eofInfo"),
             QStringList{"real|real|integer"});
}

void TestDatabaseRecords::groupsRow()
{
    CameraRecord record = camera(0, 35.0, 0.005, 8000, 6000);
    record.x0 = 0.0125;
    record.y0 = -0.0375;
    const double distortion[8] = {1.5, -2.5, 3.5, -4.5, 5.5, -6.5, 7.5, 8.5};
    std::memcpy(record.distortion, distortion, sizeof distortion);

    QVERIFY(insertGroups(connectionName, {record}, {{0, 12}}));
    QCOMPARE(tableRows("SELECT * FROM groups"),
             QStringList{"1|12|NULL|40|7000|0|8000|6000|0.0125|-0.0375|1.5|-2.5|3.5|-4.5|5.5|-6.5"});
    QCOMPARE(tableRows("SELECT typeof(GroupID), typeof(Camera), typeof(Focal35mm) FROM groups"),
             QStringList{"integer|text|real"});
}

void TestDatabaseRecords::focalAndSensorInPixelsAndLength()
{
    const std::vector<CameraRecord> cameraRecords = {camera(0, 4.5, 0.0045, 6000, 4000)};
    QVERIFY(insertImageInfos(connectionName, {image("IMG.JPG", 0)}, cameraRecords));
    QVERIFY(insertGroups(connectionName, cameraRecords, {{0, 1}}));
    QVERIFY(qFuzzyCompare(single("SELECT Focal FROM imageinfos").toDouble(), 1000.0));
    QVERIFY(qFuzzyCompare(single("SELECT PhotoSENSOR FROM imageinfos").toDouble(), 27.0));
    QVERIFY(qFuzzyCompare(single("SELECT Focal FROM groups").toDouble(), 1000.0));
    QVERIFY(qFuzzyCompare(single("SELECT Sensor FROM groups").toDouble(), 27.0));
}

void TestDatabaseRecords::photosOfTheLastRun()
{
    std::vector<CameraRecord> cameraRecords = {camera(1, 1, 1, 1, 1), camera(2, 1, 1, 1, 1),
                                               camera(5, 1, 1, 1, 1)};
    QVERIFY(insertGroups(connectionName, cameraRecords, {{1, 2}, {2, 1}}));
    QCOMPARE(tableRows("SELECT GroupID, Photos FROM groups"), (QStringList{"2|2", "3|1", "6|0"}));

    // Images 1, 2, 1: camera 1 counts its last run only.
    QSqlQuery("DELETE FROM groups", programConnection());
    QVERIFY(insertGroups(connectionName, cameraRecords, {{1, 1}, {2, 1}, {1, 1}}));
    QCOMPARE(tableRows("SELECT GroupID, Photos FROM groups"), (QStringList{"2|1", "3|1", "6|0"}));
}

void TestDatabaseRecords::noImagesLeaveImageTablesEmpty()
{
    const std::vector<CameraRecord> cameraRecords = {camera(0, 1, 1, 1, 1), camera(1, 1, 1, 1, 1)};
    GlogRecords glog;
    QVERIFY(insertImageInfos(connectionName, {}, cameraRecords));
    QVERIFY(insertEofInfo(connectionName, {}));
    QVERIFY(insertGroups(connectionName, cameraRecords, {}));
    QCOMPARE(tableRows("SELECT count(*) FROM imageinfos"), QStringList{"0"});
    QCOMPARE(tableRows("SELECT count(*) FROM eofInfo"), QStringList{"0"});
    QCOMPARE(tableRows("SELECT GroupID, Photos FROM groups"), (QStringList{"1|0", "2|0"}));
    QCOMPARE(tableRows("SELECT count(*) FROM q7prjinfo"), QStringList{"0"});
    QCOMPARE(glog.records, QStringList());
}

// imageinfos and eofInfo stop at the first failing row (SQLite may have
// rolled the transaction back already) and keep no row; the reason names the
// file and SQLite's words. groups goes its own way.
void TestDatabaseRecords::duplicateBaseNamesLeaveImageTablesEmpty()
{
    const std::vector<ImageRecord> imageRecords = {
        image("C:/a/IMG_0001.JPG", 0), image("C:/b/IMG_0001.JPG", 0), image("C:/c/IMG_0002.JPG", 0),
        image("C:/c/IMG_0001.JPG", 0)};
    const std::vector<CameraRecord> cameraRecords = {camera(0, 1, 1, 1, 1)};

    GlogRecords glog;
    DebugMessages debug;
    const TableWrite images = insertImageInfos(connectionName, imageRecords, cameraRecords);
    QVERIFY(!images);
    const QString imageError = "UNIQUE constraint failed: imageinfos.Name Unable to fetch row";
    const QString failed = "ERROR mergeprj.cpp: failed to insert image: " + imageError + " fileName:: IMG_0001";
    QCOMPARE(glog.records, QStringList{failed});
    QCOMPARE(images.reason, dir->filePath("photos.temp") + ": its rows were not stored: " + imageError);
    QCOMPARE(debug.lines, QStringList());
    QCOMPARE(tableRows("SELECT count(*) FROM imageinfos"), QStringList{"0"});

    glog.records.clear();
    QVERIFY(!insertEofInfo(connectionName, imageRecords));
    const QString eofError = "UNIQUE constraint failed: eofInfo.Name Unable to fetch row";
    QCOMPARE(glog.records, QStringList{"ERROR mergeprj.cpp: " + eofError});
    QCOMPARE(debug.lines, QStringList{eofError});
    QCOMPARE(tableRows("SELECT count(*) FROM eofInfo"), QStringList{"0"});

    glog.records.clear();
    QVERIFY(insertGroups(connectionName, cameraRecords, {{0, 4}}));
    QCOMPARE(tableRows("SELECT GroupID, Photos FROM groups"), QStringList{"1|4"});
    QCOMPARE(glog.records, QStringList());
    QCOMPARE(debug.warnings, QStringList());

    // No transaction was left open: the connection takes the next one.
    QVERIFY(programConnection().transaction());
    QVERIFY(programConnection().rollback());
}

void TestDatabaseRecords::lastMatchingCameraWins()
{
    const std::vector<CameraRecord> cameraRecords = {
        camera(3, 10.0, 0.01, 100, 50), camera(4, 30.0, 0.01, 300, 150), camera(3, 20.0, 0.01, 200, 100)};
    QVERIFY(insertImageInfos(connectionName, {image("a.jpg", 3), image("b.jpg", 4)}, cameraRecords));
    QCOMPARE(tableRows("SELECT Name, GroupID, round(Focal), width, height, round(PhotoSENSOR)"
                       " FROM imageinfos"),
             (QStringList{"a|4|2000|200|100|2", "b|5|3000|300|150|3"}));
}

// A row must not take its camera values from the image before it.
void TestDatabaseRecords::imageWithoutCameraHasItsOwnZeros()
{
    const std::vector<CameraRecord> cameraRecords = {camera(0, 4.5, 0.0045, 6000, 4000)};
    GlogRecords glog;
    QVERIFY(insertImageInfos(connectionName, {image("first.jpg", 9), image("second.jpg", 0), image("third.jpg", 9)},
                             cameraRecords));
    QCOMPARE(tableRows("SELECT Name, GroupID, round(Focal), width, height, round(PhotoSENSOR),"
                       " typeof(Focal), typeof(PhotoSENSOR) FROM imageinfos"),
             (QStringList{"first|10|0|0|0|0|real|real", "second|1|1000|6000|4000|27|real|real",
                          "third|10|0|0|0|0|real|real"}));
    QCOMPARE(glog.records, QStringList());
}

void TestDatabaseRecords::namesWithoutFolderOrExtension()
{
    const std::vector<ImageRecord> imageRecords = {image("IMG_0002", 0), image("/data/x/.hidden", 0),
                                                   image("relative/a.b.c", 0)};
    QVERIFY(insertImageInfos(connectionName, imageRecords, {}));
    QVERIFY(insertEofInfo(connectionName, imageRecords));
    QCOMPARE(tableRows("SELECT Name, loc FROM imageinfos"),
             (QStringList{"IMG_0002|IMG_0002", "|/data/x/.hidden", "a.b|relative/a.b.c"}));
    QCOMPARE(tableRows("SELECT Name FROM eofInfo ORDER BY rowid"), (QStringList{"IMG_0002", "", "a.b"}));
}

void TestDatabaseRecords::keyIsWhatQFileInfoCallsTheCompleteBaseName_data()
{
    QTest::addColumn<QByteArray>("name");
    for (const char *name : {"a.b.jpg", ".hidden", "dir/", "/", "", "/a/b.c/d", "D:\\x\\y.z", "D:\\odd.dir\\IMG",
                             "a/b/.c", "a..b", "trailing.", "x/..", "x/.", "./a.b", "..", "a//b.c", "C:file.tif",
                             "/survey/photos/block01/IMG_0000001.JPG", "\xc3\xa9t\xc3\xa9/\xc3\xa9.t\xc3\xa9"})
        QTest::newRow(name) << QByteArray(name);
}

// The key is computed without QFileInfo, for speed: it must stay what
// QFileInfo gives.
void TestDatabaseRecords::keyIsWhatQFileInfoCallsTheCompleteBaseName()
{
    QFETCH(QByteArray, name);
    QVERIFY(insertEofInfo(connectionName, {image(name.constData(), 0)}));
    QCOMPARE(tableRows("SELECT Name FROM eofInfo"),
             QStringList{QFileInfo(QString::fromLocal8Bit(name)).completeBaseName()});
}

void TestDatabaseRecords::nameFillingItsWholeField()
{
    ImageRecord full;
    std::memset(full.name, 'n', sizeof full.name);
    QVERIFY(insertImageInfos(connectionName, {full}, {}));
    QVERIFY(insertEofInfo(connectionName, {full}));
    const QString name(int(sizeof full.name), 'n');
    QCOMPARE(tableRows("SELECT Name, loc FROM imageinfos"), QStringList{name + "|" + name});
    QCOMPARE(tableRows("SELECT Name FROM eofInfo ORDER BY rowid"), QStringList{name});

    CameraRecord unterminated = camera(0, 1, 1, 1, 1);
    std::memset(unterminated.name, 'c', sizeof unterminated.name);
    QVERIFY(insertGroups(connectionName, {unterminated}, {}));
    QCOMPARE(tableRows("SELECT Camera FROM groups"), QStringList{QString(256, 'c')});
}

void TestDatabaseRecords::cameraNameIsUtf8()
{
    CameraRecord named = camera(0, 1, 1, 1, 1);
    qstrncpy(named.name, "Kamera \xc3\xa9 \xe2\x82\xac", sizeof named.name);
    QVERIFY(insertGroups(connectionName, {named}, {}));
    QCOMPARE(single("SELECT Camera FROM groups").toString(), QString::fromUtf8("Kamera \xc3\xa9 \xe2\x82\xac"));
}

void TestDatabaseRecords::largestCameraIndexDoesNotOverflow()
{
    const int32_t largest = std::numeric_limits<int32_t>::max();
    QVERIFY(insertImageInfos(connectionName, {image("a.jpg", largest)}, {}));
    QVERIFY(insertGroups(connectionName, {camera(largest, 1, 1, 1, 1)}, {}));
    QCOMPARE(tableRows("SELECT GroupID FROM imageinfos"), QStringList{"2147483648"});
    QCOMPARE(tableRows("SELECT GroupID FROM groups"), QStringList{"2147483648"});
}

// The same merge written twice into one file: the first rows stay, the second
// run's rows clash with them and are rolled back.
// A later merge into the same file replaces the rows of the three tables and
// leaves q7prjinfo alone; a later merge that fails keeps the earlier rows whole.
void TestDatabaseRecords::rowsGoIntoTheTargetsSchemaOnly_data()
{
    QTest::addColumn<QString>("table");
    QTest::newRow("imageinfos") << "imageinfos";
    QTest::newRow("eofInfo") << "eofInfo";
    QTest::newRow("groups") << "groups";
}

// A merge run again writes into the new file attached beside the earlier
// one: the earlier file's table keeps its rows.
void TestDatabaseRecords::rowsGoIntoTheTargetsSchemaOnly()
{
    QFETCH(QString, table);
    const std::vector<CameraRecord> cameraRecords = {camera(0, 1, 1, 1, 1)};
    QVERIFY(insertImageInfos(connectionName, images({0}), cameraRecords));
    QVERIFY(insertEofInfo(connectionName, images({0})));
    QVERIFY(insertGroups(connectionName, cameraRecords, {{0, 1}}));
    q7PhotoDataBase again(nullptr, "again");
    QVERIFY(again.connectDataBase(dir->filePath("photos.temp")));
    const RowsTarget target = again.rowsTarget();
    QCOMPARE(target.schema, QString("merged"));
    const std::vector<ImageRecord> later = images({0, 0});
    const TableWrite written = table == "imageinfos" ? insertImageInfos(target, later, cameraRecords)
                               : table == "eofInfo"  ? insertEofInfo(target, later)
                                                     : insertGroups(target, {camera(0, 1, 1, 1, 1), camera(1, 1, 1, 1, 1)}, {});
    QVERIFY(written);
    const QSqlDatabase db = QSqlDatabase::database("again", false);
    QCOMPARE(rows(db, "SELECT count(*) FROM main." + table), QStringList{"1"});
    QCOMPARE(rows(db, "SELECT count(*) FROM merged." + table), QStringList{"2"});
}

void TestDatabaseRecords::rowsOfAnEarlierMergeAreReplaced()
{
    const std::vector<CameraRecord> cameraRecords = {camera(0, 1, 1, 1, 1), camera(1, 1, 1, 1, 1)};
    QVERIFY(insertImageInfos(connectionName, images({0, 0, 1}), cameraRecords));
    QVERIFY(insertEofInfo(connectionName, images({0, 0, 1})));
    QVERIFY(insertGroups(connectionName, cameraRecords, {{0, 2}, {1, 1}}));
    QVERIFY(QSqlQuery("INSERT INTO q7prjinfo VALUES('owner', 'kept')", programConnection()).isActive());

    const std::vector<ImageRecord> later = images({1, 0, 0, 1});
    QVERIFY(insertImageInfos(connectionName, later, cameraRecords));
    QVERIFY(insertEofInfo(connectionName, later));
    QVERIFY(insertGroups(connectionName, {cameraRecords[1]}, {{1, 1}, {0, 2}, {1, 1}}));
    const QStringList names = {"IMG_0|2", "IMG_1|1", "IMG_2|1", "IMG_3|2"};
    const auto expectLaterRows = [&] {
        QCOMPARE(tableRows("SELECT Name, GroupID FROM imageinfos ORDER BY Name"), names);
        QCOMPARE(tableRows("SELECT Name FROM eofInfo ORDER BY Name"),
                 (QStringList{"IMG_0", "IMG_1", "IMG_2", "IMG_3"}));
        QCOMPARE(tableRows("SELECT GroupID, Photos FROM groups"), QStringList{"2|1"});
    };
    expectLaterRows();

    GlogRecords glog;
    DebugMessages debug;
    std::vector<ImageRecord> twice = later;
    twice.push_back(image("other/IMG_0.tif", 0));
    QVERIFY(!insertImageInfos(connectionName, twice, cameraRecords));
    QVERIFY(!insertEofInfo(connectionName, twice));
    QVERIFY(!insertGroups(connectionName, {cameraRecords[0], cameraRecords[0]}, {}));
    QCOMPARE(glog.records.size(), 3);
    expectLaterRows();
    QCOMPARE(tableRows("SELECT * FROM q7prjinfo"), QStringList{"owner|kept"});
}

// A stop asked while a table's rows go in ends the table at once, rolled
// back to the rows it held, without an error line.
void TestDatabaseRecords::stopPartWayKeepsEarlierRows()
{
    const std::vector<CameraRecord> cameraRecords = {camera(0, 1, 1, 1, 1)};
    QVERIFY(insertImageInfos(connectionName, images({0}), cameraRecords));
    QVERIFY(insertEofInfo(connectionName, images({0})));
    const std::vector<ImageRecord> many = manyImages(5000);

    GlogRecords glog;
    int looks = 0;
    const StopRequested stopAtSecondLook = [&] { return ++looks == 2; };
    QVERIFY(!insertImageInfos(connectionName, many, cameraRecords, {stopAtSecondLook, {}}));
    looks = 0;
    QVERIFY(!insertEofInfo(connectionName, many, {stopAtSecondLook, {}}));
    QCOMPARE(glog.records, QStringList());
    QCOMPARE(tableRows("SELECT Name FROM imageinfos"), QStringList{"IMG_0"});
    QCOMPARE(tableRows("SELECT Name FROM eofInfo"), QStringList{"IMG_0"});
}

void TestDatabaseRecords::rowsAreToldNowAndThen_data()
{
    QTest::addColumn<int>("rows");
    QTest::addColumn<QString>("told"); // done/total, each time
    QTest::newRow("none") << 0 << "0/0";
    QTest::newRow("one short of a report") << 999 << "0/999 999/999";
    QTest::newRow("a report's worth") << 1000 << "0/1000 1000/1000";
    QTest::newRow("one past a report") << 1001 << "0/1001 1000/1001 1001/1001";
}

// A table tells its rows at its start, every 1,000 rows and at its end; a
// table that fails tells no end.
void TestDatabaseRecords::rowsAreToldNowAndThen()
{
    QFETCH(int, rows);
    QFETCH(QString, told);
    QStringList heard;
    const TableWatch watch{{}, [&](qint64 done, qint64 total) { heard << QString("%1/%2").arg(done).arg(total); }};
    std::vector<ImageRecord> imageRecords = manyImages(rows);
    QVERIFY(insertEofInfo(connectionName, imageRecords, watch));
    QCOMPARE(heard.join(' '), told);
    heard.clear();
    imageRecords.insert(imageRecords.end(), 2, image("twice.tif", 0));
    QVERIFY(!insertEofInfo(connectionName, imageRecords, watch));
    QVERIFY(!heard.contains(QString("%1/%1").arg(imageRecords.size())));
}

// A reader holding the file makes the commit wait, as long as the busy
// timeout allows: 5 s by default. When the wait runs out the commit fails, is
// reported and rolled back, so that the next table begins its own transaction
// and the file is free again.
void TestDatabaseRecords::readerHoldingTheFile()
{
    const std::vector<ImageRecord> imageRecords = images({0, 1});
    const std::vector<CameraRecord> cameraRecords = {camera(0, 1, 1, 1, 1)};
    const QString path = dir->filePath("photos.temp");
    {
        const HeldRead shortRead(path, std::chrono::milliseconds(300));
        QVERIFY(shortRead.holding);
        QVERIFY(insertEofInfo(connectionName, imageRecords));
    }

    QSqlDatabase impatient = openWithKey("impatient", path);
    impatient.close();
    impatient.setConnectOptions("QSQLITE_BUSY_TIMEOUT=100");
    QVERIFY(impatient.open());
    GlogRecords glog;
    DebugMessages debug;
    HeldRead longRead(path);
    QVERIFY(longRead.holding);
    QVERIFY(!insertImageInfos("impatient", imageRecords, cameraRecords));
    QVERIFY(!insertEofInfo("impatient", images({0})));
    QCOMPARE(glog.records.size(), 2);
    for (const QString &record : glog.records)
        QVERIFY2(record.startsWith("ERROR mergeprj.cpp: database is locked"), qPrintable(record));
    longRead.release();
    QVERIFY(insertGroups("impatient", cameraRecords, {{0, 2}}));
    QVERIFY(insertImageInfos("impatient", imageRecords, cameraRecords));
    impatient.close();
    QSqlDatabase::removeDatabase("impatient");
    QCOMPARE(tableRows("SELECT count(*) FROM imageinfos"), QStringList{"2"});
    QCOMPARE(tableRows("SELECT count(*) FROM eofInfo"), QStringList{"2"});
}

// Rows outside a transaction would go in one by one and stay when a later
// row fails: without a transaction the table gets none.
void TestDatabaseRecords::transactionThatCannotBeginWritesNothing()
{
    QSqlDatabase db = programConnection();
    QVERIFY(db.transaction());
    GlogRecords glog;
    DebugMessages debug;
    QVERIFY(!insertEofInfo(connectionName, images({0})));
    const QString error = "cannot start a transaction within a transaction Unable to begin transaction";
    QCOMPARE(glog.records, QStringList{"ERROR mergeprj.cpp: " + error});
    QCOMPARE(debug.lines, QStringList{error});
    QVERIFY(db.commit());
    QCOMPARE(tableRows("SELECT count(*) FROM eofInfo"), QStringList{"0"});
}

void TestDatabaseRecords::withoutOpenConnectionNothingHappens()
{
    const std::vector<ImageRecord> imageRecords = images({0});
    const std::vector<CameraRecord> cameraRecords = {camera(0, 1, 1, 1, 1)};
    photoDatabase.reset();
    GlogRecords glog;
    DebugMessages debug;
    QVERIFY(!insertImageInfos(connectionName, imageRecords, cameraRecords));
    QVERIFY(!insertEofInfo(connectionName, imageRecords));
    QVERIFY(!insertGroups(connectionName, cameraRecords, {{0, 1}}));

    // A connect that failed leaves the connection registered and closed; it
    // is not opened behind the user's back.
    photoDatabase = std::make_unique<q7PhotoDataBase>(nullptr, connectionName);
    QVERIFY(!photoDatabase->connectDataBase(dir->filePath("no/such/folder.temp")));
    QVERIFY(!insertImageInfos(connectionName, imageRecords, cameraRecords));
    QVERIFY(!insertEofInfo(connectionName, imageRecords));
    QVERIFY(!insertGroups(connectionName, cameraRecords, {{0, 1}}));
    QVERIFY(!programConnection().isOpen());
    QCOMPARE(glog.records, QStringList());
    QCOMPARE(debug.lines, QStringList());
    QCOMPARE(debug.warnings, QStringList());
}

QTEST_GUILESS_MAIN(TestDatabaseRecords)
#include "tst_databaserecords.moc"
