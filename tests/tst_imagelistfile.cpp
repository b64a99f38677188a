#include "imagelistfile.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>
#include <cstring>
#include <limits>

Q_DECLARE_METATYPE(GroupCounts)

namespace {

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

ImageRecord image(const char *name, int32_t camIdx)
{
    ImageRecord record;
    std::strcpy(record.name, name);
    record.camIdx = camIdx;
    return record;
}

CameraRecord camera(int32_t camIdx, double focal, double pixelSize)
{
    CameraRecord record;
    record.camIdx = camIdx;
    record.focal = focal;
    record.pixelSize = pixelSize;
    return record;
}

} // namespace

class TestImageListFile : public QObject
{
    Q_OBJECT

private slots:
    void init();

    void emptyListGivesEmptyFile();
    void linesByteForByte();
    void runsOfCameras_data();
    void runsOfCameras();
    void lastCameraWithTheIndexWins();
    void imagesWithoutCamera();
    void nameBytesUnchanged();
    void listOfManyPiecesWithHardValues();
    void unwritablePath();

private:
    QString path() const { return dir.filePath("block.lst"); }

    QTemporaryDir dir;
};

void TestImageListFile::init()
{
    QVERIFY(dir.isValid());
}

void TestImageListFile::emptyListGivesEmptyFile()
{
    QVERIFY(writeImageList(path(), {}, {camera(0, 24, 0.0039)}));
    QVERIFY(QFile::exists(path()));
    QCOMPARE(readAll(path()), QByteArray());
    QVERIFY(imageGroupCounts({}).empty());
}

void TestImageListFile::linesByteForByte()
{
    const std::vector<CameraRecord> cameras = {camera(0, 24, 0.0039), camera(1, 12345678.9, 1),
                                               camera(2, 2000, 0.5), camera(3, 1, 2),
                                               camera(4, 1, 100000)};
    const std::vector<ImageRecord> images = {image("IMG_0001.JPG", 0), image("/d/b.jpg", 1),
                                             image("c", 2), image("d", 3), image("e", 4),
                                             image("f", 0)};
    QVERIFY(writeImageList(path(), images, cameras));
    QCOMPARE(readAll(path()), QByteArray("IMG_0001.JPG 0 6153.85\n"
                                         "/d/b.jpg 1 1.23457e+07\n"
                                         "c 2 4000\n"
                                         "d 3 0.5\n"
                                         "e 4 1e-05\n"
                                         "f 0 6153.85\n"));
}

void TestImageListFile::runsOfCameras_data()
{
    QTest::addColumn<std::vector<int32_t>>("camIdxs");
    QTest::addColumn<GroupCounts>("expected");
    QTest::newRow("1 1 2 2") << std::vector<int32_t>{1, 1, 2, 2} << GroupCounts{{1, 2}, {2, 2}};
    QTest::newRow("1 1 2") << std::vector<int32_t>{1, 1, 2} << GroupCounts{{1, 2}, {2, 1}};
    QTest::newRow("1 2 1") << std::vector<int32_t>{1, 2, 1}
                           << GroupCounts{{1, 1}, {2, 1}, {1, 1}};
    QTest::newRow("5") << std::vector<int32_t>{5} << GroupCounts{{5, 1}};
    QTest::newRow("0 0 0 -1") << std::vector<int32_t>{0, 0, 0, -1} << GroupCounts{{0, 3}, {-1, 1}};
}

void TestImageListFile::runsOfCameras()
{
    QFETCH(std::vector<int32_t>, camIdxs);
    QFETCH(GroupCounts, expected);
    std::vector<ImageRecord> images;
    for (int32_t camIdx : camIdxs)
        images.push_back(image("i.jpg", camIdx));
    QCOMPARE(imageGroupCounts(images), expected);
}

void TestImageListFile::lastCameraWithTheIndexWins()
{
    const std::vector<CameraRecord> cameras = {camera(3, 10, 1), camera(4, 99, 1),
                                               camera(3, 20, 1)};
    QVERIFY(writeImageList(path(), {image("a", 3), image("b", 4), image("c", 3)}, cameras));
    QCOMPARE(readAll(path()), QByteArray("a 3 20\nb 4 99\nc 3 20\n"));
}

void TestImageListFile::imagesWithoutCamera()
{
    // The first line without a camera gets 0; later ones repeat the line before.
    const std::vector<ImageRecord> images = {image("a", 7), image("b", 1), image("c", 7),
                                             image("d", 8), image("e", 2), image("f", 7)};
    QVERIFY(writeImageList(path(), images, {camera(1, 50, 1), camera(2, 3, 0.5)}));
    QCOMPARE(readAll(path()), QByteArray("a 7 0\nb 1 50\nc 7 50\nd 8 50\ne 2 6\nf 7 6\n"));
    QCOMPARE(imageGroupCounts(images).size(), size_t(6));
}

void TestImageListFile::nameBytesUnchanged()
{
    // Names are written exactly as read, whatever their encoding; a name that
    // fills its whole field without a terminator ends at the field.
    ImageRecord full;
    std::memset(full.name, 'x', sizeof(full.name));
    const std::vector<ImageRecord> images = {image("caf\xe9.jpg", 1), image("\xc3\xbc\xff.jpg", 1),
                                             full};
    QVERIFY(writeImageList(path(), images, {camera(1, 4, 2)}));
    QCOMPARE(readAll(path()), "caf\xe9.jpg 1 2\n\xc3\xbc\xff.jpg 1 2\n" + QByteArray(512, 'x')
                                  + " 0 2\n");
}

// Over a megabyte goes out in several pieces; focal lengths that are no
// plain numbers and the extreme camIdx are written as a text stream writes them.
void TestImageListFile::listOfManyPiecesWithHardValues()
{
    const int32_t lowest = std::numeric_limits<int32_t>::min();
    const std::vector<CameraRecord> cameras = {camera(lowest, 0, 0), camera(1, 1, 0), camera(2, -0.0, 1),
                                               camera(3, 1e300, 1e-300)};
    const QByteArray name(400, 'n');
    const QByteArray lineEnds[] = {" -2147483648 nan\n", " 1 inf\n", " 2 0\n", " 3 inf\n"};
    std::vector<ImageRecord> images;
    QByteArray expected;
    for (int i = 0; i < 3000; ++i) {
        images.push_back(image(name.constData(), cameras[size_t(i % 4)].camIdx));
        expected += name + lineEnds[i % 4];
    }
    QVERIFY(writeImageList(path(), images, cameras));
    QCOMPARE(readAll(path()), expected);
}

void TestImageListFile::unwritablePath()
{
    const QString missing = dir.filePath("missing/block.lst");
    QTest::ignoreMessage(QtDebugMsg, "Error: Cannot open file");
    QVERIFY(!writeImageList(missing, {image("a", 1)}, {camera(1, 1, 1)}));
    QVERIFY(!QFile::exists(missing));
}

QTEST_APPLESS_MAIN(TestImageListFile)
#include "tst_imagelistfile.moc"
