#include "camerafile.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>
#include <algorithm>
#include <cstring>

namespace {

// The camera file is written in text mode: read back the same way, its line
// ends are '\n' on every system.
QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly | QIODevice::Text) ? file.readAll() : QByteArray("<unreadable>");
}

CameraRecord camera(int32_t camIdx)
{
    CameraRecord record;
    record.camIdx = camIdx;
    return record;
}

} // namespace

class TestCameraFile : public QObject
{
    Q_OBJECT

private slots:
    void init();

    void emptyListGivesDeclarationOnly();
    void twoCamerasByteForByte();
    void negativeCamIdxLosesItsSign();
    void unwritablePath();

private:
    QTemporaryDir dir;
};

void TestCameraFile::init()
{
    QVERIFY(dir.isValid());
}

void TestCameraFile::emptyListGivesDeclarationOnly()
{
    const QString path = dir.filePath("empty.cmr");
    QVERIFY(writeCameraFile(path, {}));
    QCOMPARE(readAll(path), QByteArray("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"));
}

void TestCameraFile::twoCamerasByteForByte()
{
    CameraRecord first = camera(7);
    first.width = 6000;
    first.height = 4000;
    first.focal = 24;
    first.pixelSize = 0.0039;
    first.x0 = -1.5;
    first.y0 = 2999.123456789;
    const double distortion[8] = {1e-3, -2.5e-7, 3, -4, 0.5, 1234567.25, 77, 88};
    std::copy(std::begin(distortion), std::end(distortion), first.distortion);
    std::strcpy(first.name, "not written");

    CameraRecord second = camera(3);
    second.width = 100;
    second.height = 50;
    second.focal = 8;
    second.pixelSize = 0.5;

    const QString path = dir.filePath("block.cmr");
    QVERIFY(writeCameraFile(path, {first, second}));
    QCOMPARE(readAll(path),
             QByteArray("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                        "<C_7>\n"
                        "    <CamIdx value=\"0\" name=\"camera idx\"/>\n"
                        "    <width value=\"6000\" name=\"image width in pixels\"/>\n"
                        "    <height value=\"4000\" name=\"image height in pixels\"/>\n"
                        "    <x0 value=\"-1.500000000\" name=\"image principal point coordinate\"/>\n"
                        "    <y0 value=\"2999.123456789\" name=\"image principals  point coordinate\"/>\n"
                        "    <focus value=\"6153.846153846\" name=\"image focus length\"/>\n"
                        "    <pixelsz value=\"1\" name=\"pixel size\"/>\n"
                        "    <k0 value=\"0.001000000\" name=\"lens distortion correction par.\"/>\n"
                        "    <k1 value=\"-0.000000250\" name=\"lens distortion correction par.\"/>\n"
                        "    <k2 value=\"3.000000000\" name=\"lens distortion correction par.\"/>\n"
                        "    <k3 value=\"-4.000000000\" name=\"lens distortion correction par.\"/>\n"
                        "    <p1 value=\"0.500000000\" name=\"lens distortion correction par.\"/>\n"
                        "    <p2 value=\"1234567.250000000\" name=\"lens distortion correction par.\"/>\n"
                        "</C_7>\n"
                        "<C_3>\n"
                        "    <CamIdx value=\"1\" name=\"camera idx\"/>\n"
                        "    <width value=\"100\" name=\"image width in pixels\"/>\n"
                        "    <height value=\"50\" name=\"image height in pixels\"/>\n"
                        "    <x0 value=\"0.000000000\" name=\"image principal point coordinate\"/>\n"
                        "    <y0 value=\"0.000000000\" name=\"image principals  point coordinate\"/>\n"
                        "    <focus value=\"16.000000000\" name=\"image focus length\"/>\n"
                        "    <pixelsz value=\"1\" name=\"pixel size\"/>\n"
                        "    <k0 value=\"0.000000000\" name=\"lens distortion correction par.\"/>\n"
                        "    <k1 value=\"0.000000000\" name=\"lens distortion correction par.\"/>\n"
                        "    <k2 value=\"0.000000000\" name=\"lens distortion correction par.\"/>\n"
                        "    <k3 value=\"0.000000000\" name=\"lens distortion correction par.\"/>\n"
                        "    <p1 value=\"0.000000000\" name=\"lens distortion correction par.\"/>\n"
                        "    <p2 value=\"0.000000000\" name=\"lens distortion correction par.\"/>\n"
                        "</C_3>\n"));
}

void TestCameraFile::negativeCamIdxLosesItsSign()
{
    const QString path = dir.filePath("negative.cmr");
    QVERIFY(writeCameraFile(path, {camera(-5), camera(0), camera(123456)}));
    const QByteArray content = readAll(path);
    QVERIFY(content.contains("\n<C_5>\n    <CamIdx value=\"0\""));
    QVERIFY(content.contains("\n</C_5>\n<C_0>\n    <CamIdx value=\"1\""));
    QVERIFY(content.contains("\n</C_0>\n<C_123456>\n    <CamIdx value=\"2\""));
    QVERIFY(content.endsWith("\n</C_123456>\n"));
    // A camera of width 0 has no pixel size to divide by.
    QVERIFY(content.contains("<focus value=\"nan\" name=\"image focus length\"/>"));
}

void TestCameraFile::unwritablePath()
{
    const QString path = dir.filePath("missing/block.cmr");
    QTest::ignoreMessage(QtDebugMsg, "Error: Cannot open file");
    QVERIFY(!writeCameraFile(path, {camera(1)}));
    QVERIFY(!QFile::exists(path));
}

QTEST_APPLESS_MAIN(TestCameraFile)
#include "tst_camerafile.moc"
