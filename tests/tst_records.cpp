#include "bulkrecords.h"
#include "camerarecords.h"
#include "projectentry.h"

#include <QtTest>
#include <cstddef>
#include <limits>
#include <type_traits>

class TestRecords : public QObject
{
    Q_OBJECT

private slots:
    void cameraRecordDefaults();
    void imageRecordDefaults();
    void recordsArePlainFixedSizeValues();
    void fieldsAreInDeclaredOrder();
    void projectEntryDropsOnlyLastExtension();
    void projectEntryOfBareFileName();
    void roomMadeAheadIsTouchedAndEmpty();
};

void TestRecords::cameraRecordDefaults()
{
    const CameraRecord camera;
    QCOMPARE(QByteArray(camera.name), QByteArray("NULL"));
    QCOMPARE(camera.camIdx, 0);
    QCOMPARE(camera.width, 0);
    QCOMPARE(camera.height, 0);
    for (double value : {camera.x0, camera.y0, camera.focal, camera.pixelSize,
                         camera.sensorWidth, camera.sensorHeight})
        QCOMPARE(value, 0.0);
    for (double value : camera.distortion)
        QCOMPARE(value, 0.0);
    // Everything after the terminator is zero, so no stale bytes reach a file.
    for (size_t i = 4; i < sizeof(camera.name); ++i)
        QCOMPARE(camera.name[i], '\0');
}

void TestRecords::imageRecordDefaults()
{
    const ImageRecord image;
    QCOMPARE(QByteArray(image.name), QByteArray("NULL"));
    QCOMPARE(image.imageIdx, 0);
    QCOMPARE(image.camIdx, 0);
    QCOMPARE(image.stripNo, 0);
    for (double value : {image.X, image.Y, image.Z, image.omega, image.phi, image.kappa})
        QCOMPARE(value, 0.0);
    for (double value : image.rotation)
        QCOMPARE(value, 0.0);
    for (size_t i = 4; i < sizeof(image.name); ++i)
        QCOMPARE(image.name[i], '\0');
}

void TestRecords::recordsArePlainFixedSizeValues()
{
    static_assert(std::is_trivially_copyable_v<CameraRecord>);
    static_assert(std::is_trivially_copyable_v<ImageRecord>);
    static_assert(std::is_standard_layout_v<CameraRecord>);
    static_assert(std::is_standard_layout_v<ImageRecord>);
    QCOMPARE(sizeof(CameraRecord::name), size_t(256));
    QCOMPARE(sizeof(ImageRecord::name), size_t(512));
    QCOMPARE(sizeof(CameraRecord::distortion) / sizeof(double), size_t(8));
    QCOMPARE(sizeof(ImageRecord::rotation) / sizeof(double), size_t(9));

    // A growing list default-constructs its new records.
    std::vector<ImageRecord> images(3);
    QCOMPARE(QByteArray(images[2].name), QByteArray("NULL"));
}

void TestRecords::fieldsAreInDeclaredOrder()
{
    const std::vector<size_t> camera = {
        offsetof(CameraRecord, name), offsetof(CameraRecord, camIdx),
        offsetof(CameraRecord, x0), offsetof(CameraRecord, y0),
        offsetof(CameraRecord, focal), offsetof(CameraRecord, pixelSize),
        offsetof(CameraRecord, sensorWidth), offsetof(CameraRecord, sensorHeight),
        offsetof(CameraRecord, width), offsetof(CameraRecord, height),
        offsetof(CameraRecord, distortion)};
    QVERIFY(std::is_sorted(camera.begin(), camera.end()));

    const std::vector<size_t> image = {
        offsetof(ImageRecord, name), offsetof(ImageRecord, imageIdx),
        offsetof(ImageRecord, camIdx), offsetof(ImageRecord, stripNo),
        offsetof(ImageRecord, X), offsetof(ImageRecord, Y), offsetof(ImageRecord, Z),
        offsetof(ImageRecord, rotation), offsetof(ImageRecord, omega),
        offsetof(ImageRecord, phi), offsetof(ImageRecord, kappa)};
    QVERIFY(std::is_sorted(image.begin(), image.end()));
}

void TestRecords::projectEntryDropsOnlyLastExtension()
{
    const ProjectEntry entry = makeProjectEntry("C:/p/a.b.Q7D");
    QCOMPARE(entry.prjFile, QString("C:/p/a.b.Q7D"));
    QCOMPARE(entry.xyzFile, QString("C:/p//a.b_xyz.txt"));
    QCOMPARE(entry.oriFile, QString("C:/p//Adjustment//a.b_ori.q7c"));
}

void TestRecords::projectEntryOfBareFileName()
{
    const ProjectEntry entry = makeProjectEntry("site.north.Q7D");
    QCOMPARE(entry.xyzFile, QString(".//site.north_xyz.txt"));
    QCOMPARE(entry.oriFile, QString(".//Adjustment//site.north_ori.q7c"));
}

// Room is made only where it fits; made, it holds nothing yet.
void TestRecords::roomMadeAheadIsTouchedAndEmpty()
{
    QVERIFY(fitsHalfFreeMemory(0));
    QVERIFY(!fitsHalfFreeMemory(std::numeric_limits<size_t>::max()));
    const std::vector<ImageRecord> room = touchedRoom<ImageRecord>(1000);
    QVERIFY(room.empty());
    QVERIFY(room.capacity() >= 1000);
    QVERIFY(touchedRoom<ImageRecord>(std::numeric_limits<size_t>::max() / sizeof(ImageRecord)).empty());
}

QTEST_APPLESS_MAIN(TestRecords)
#include "tst_records.moc"
