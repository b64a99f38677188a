#include "orientationfilereader.h"
#include "commalocale.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>
#include <algorithm>
#include <clocale>
#include <cstdio>
#include <unistd.h>

namespace {

const QByteArray cameraLine =
    "4 6000 4000 0.0039 24.5 3000.5 -2000.25 1e-3 -2e-4 3 4 5 6 7.5 -8e2\n";

QByteArray imageBlock(int imageIdx, int camIdx, int stripNo, const QByteArray &name)
{
    return QByteArray::number(imageIdx) + " " + QByteArray::number(camIdx) + " "
           + QByteArray::number(stripNo) + "\n" + name + "\n"
           + "0.5 0 0 0 1 0 0 0 -1\n" + "100.5 200.25 -30.125\n";
}

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(bytes), qint64(bytes.size()));
}

struct ReadOutcome
{
    OrientationRead result;
    QByteArray printed; // what the reader wrote to standard output
};

// Runs the reader with standard output sent to a temporary file.
ReadOutcome readCapturingStdout(const QByteArray &path, std::vector<CameraRecord> *cameras,
                                std::vector<ImageRecord> *images)
{
    std::FILE *capture = std::tmpfile();
    std::fflush(stdout);
    const int savedStdout = dup(STDOUT_FILENO);
    dup2(fileno(capture), STDOUT_FILENO);
    const OrientationRead result = OrientationFileReader().readOrientationFile(path, cameras, images);
    std::fflush(stdout);
    dup2(savedStdout, STDOUT_FILENO);
    close(savedStdout);

    QByteArray printed;
    std::rewind(capture);
    char chunk[256];
    size_t count;
    while ((count = std::fread(chunk, 1, sizeof(chunk), capture)) > 0)
        printed.append(chunk, int(count));
    std::fclose(capture);
#ifdef Q_OS_WIN
    printed.replace("\r\n", "\n"); // standard output is in text mode
#endif
    return {result, printed};
}

CameraRecord markedCamera()
{
    CameraRecord camera;
    camera.camIdx = 42;
    return camera;
}

ImageRecord markedImage()
{
    ImageRecord image;
    image.imageIdx = 42;
    return image;
}

bool isDefaultImage(const ImageRecord &image)
{
    const double *rotation = image.rotation;
    return QByteArray(image.name) == "NULL" && image.imageIdx == 0 && image.camIdx == 0
           && image.stripNo == 0 && image.X == 0.0 && image.Y == 0.0 && image.Z == 0.0
           && std::all_of(rotation, rotation + 9, [](double value) { return value == 0.0; });
}

} // namespace

class TestOrientationFileReader : public QObject
{
    Q_OBJECT

private slots:
    void init();

    void headerOfThreeZeros();
    void failuresLeaveListsUntouched_data();
    void failuresLeaveListsUntouched();
    void oneCameraThreeImagesInFileOrder();
    void nonFiniteValueRefusesTheFile_data();
    void nonFiniteValueRefusesTheFile();
    void sensorSizes();
    void cameraLineOfSevenValues();
    void crLfLineEnds();
    void opensTheQ7cOfAnyPath_data();
    void opensTheQ7cOfAnyPath();
    void rebuiltPaths_data();
    void rebuiltPaths();
    void rebuiltPathLongerThan259Bytes();
    void nameLineWithFurtherWord();
    void nullLists();
    void tooLongNameIsCut();
    void overlongLinesDoNotShiftLaterLines();
    void shortFileLeavesMissingRecordsAtDefaults();
    void numbersReadWithDecimalPointInAnyLocale();
    void roomMadeAheadIsFilledAfresh_data();
    void roomMadeAheadIsFilledAfresh();

private:
    QString filePath(const QString &name) const { return dir.filePath(name); }
    ReadOutcome read(const QString &name)
    {
        return readCapturingStdout(filePath(name).toLocal8Bit(), &cameras, &images);
    }

    QTemporaryDir dir;
    std::vector<CameraRecord> cameras;
    std::vector<ImageRecord> images;
};

void TestOrientationFileReader::init()
{
    QVERIFY(dir.isValid());
    cameras.clear();
    images.clear();
}

void TestOrientationFileReader::headerOfThreeZeros()
{
    writeFile(filePath("zero.q7c"), "0 0 0\n");
    const ReadOutcome outcome = read("zero.q7c");
    QCOMPARE(outcome.result, OrientationRead::Complete);
    QCOMPARE(outcome.printed, QByteArray());
    QVERIFY(cameras.empty());
    QVERIFY(images.empty());
}

void TestOrientationFileReader::failuresLeaveListsUntouched_data()
{
    QTest::addColumn<bool>("written");
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QByteArray>("message");
    const QByteArray wrongFormat = "ERROR: wrong format: ";
    QTest::newRow("missing file") << false << QByteArray() << QByteArray("can not open ");
    QTest::newRow("two integers") << true << QByteArray("3 1\n" + cameraLine) << wrongFormat;
    QTest::newRow("empty file") << true << QByteArray() << wrongFormat;
    QTest::newRow("words") << true << QByteArray("images cameras 0\n") << wrongFormat;
    QTest::newRow("negative images") << true << QByteArray("-1 0 0\n") << wrongFormat;
    QTest::newRow("negative cameras") << true << QByteArray("0 -3 0\n") << wrongFormat;
    // Counts no file of this size could hold are not taken as sizes to allocate.
    QTest::newRow("billions of cameras") << true << QByteArray("0 2000000000 0\n") << wrongFormat;
    QTest::newRow("billions of images") << true << QByteArray("1000000000 0 0\n" + cameraLine) << wrongFormat;
    QTest::newRow("more lines than bytes") << true << QByteArray("1 1 0\n\n\n\n\n") << wrongFormat;
}

void TestOrientationFileReader::failuresLeaveListsUntouched()
{
    QFETCH(bool, written);
    QFETCH(QByteArray, content);
    QFETCH(QByteArray, message);
    if (written)
        writeFile(filePath("bad.q7c"), content);
    cameras = {markedCamera()};
    images = {markedImage()};

    const ReadOutcome outcome = read("bad.txt");
    QCOMPARE(outcome.result, written ? OrientationRead::WrongFormat : OrientationRead::NotOpened);
    QCOMPARE(outcome.printed, message + filePath("bad.q7c").toLocal8Bit() + "!\n");
    QCOMPARE(cameras.size(), size_t(1));
    QCOMPARE(cameras[0].camIdx, 42);
    QCOMPARE(images.size(), size_t(1));
    QCOMPARE(images[0].imageIdx, 42);
}

void TestOrientationFileReader::nonFiniteValueRefusesTheFile_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<int>("line");
    const QByteArray image = imageBlock(10, 4, 1, "IMG_0001");
    const QByteArray second = imageBlock(11, 4, 1, "IMG_0002");
    QTest::newRow("focal NaN") << "2 1 0\n" + QByteArray(cameraLine).replace("24.5", "nan") + image + second << 2;
    QTest::newRow("distortion inf") << "2 1 0\n" + QByteArray(cameraLine).replace("-8e2", "inf") + image + second << 2;
    QTest::newRow("rotation -inf") << "2 1 0\n" + cameraLine + image + QByteArray(second).replace("0.5 0", "-inf 0") << 9;
    QTest::newRow("Z NaN") << "2 1 0\n" + cameraLine + image + QByteArray(second).replace("-30.125", "NaN") << 10;
    QTest::newRow("largest finite") << "2 1 0\n" + cameraLine + image + QByteArray(second).replace("-30.125", "1.7976931348623157e308") << 0;
}

// A value that is no finite number would pass into every file of a merge:
// the file is refused, the line named.
void TestOrientationFileReader::nonFiniteValueRefusesTheFile()
{
    QFETCH(QByteArray, content);
    QFETCH(int, line);
    writeFile(filePath("nan_ori.q7c"), content);
    const ReadOutcome outcome = read("nan_ori.q7c");
    if (line == 0) {
        QCOMPARE(outcome.result, OrientationRead::Complete);
        return;
    }
    QCOMPARE(outcome.result, OrientationRead::WrongFormat);
    const QByteArray path = filePath("nan_ori.q7c").toLocal8Bit();
    QCOMPARE(outcome.printed, "ERROR: line " + QByteArray::number(line) + " of " + path
                                  + " holds a value that is no finite number\nERROR: wrong format: " + path + "!\n");
}

void TestOrientationFileReader::oneCameraThreeImagesInFileOrder()
{
    writeFile(filePath("block_ori.q7c"),
              "3 1 -17\n" + cameraLine + imageBlock(10, 4, 1, "/d/IMG_0001.JPG")
                  + imageBlock(11, 4, 2, "/d/IMG_0002.JPG")
                  + imageBlock(12, 4, 3, "/d/IMG_0003.JPG") + "trailing text is not read\n");
    const ReadOutcome outcome = read("block_ori.q7c");
    QCOMPARE(outcome.result, OrientationRead::Complete);
    QCOMPARE(outcome.printed, QByteArray());

    QCOMPARE(cameras.size(), size_t(1));
    const CameraRecord &camera = cameras[0];
    QCOMPARE(QByteArray(camera.name), QByteArray("NULL"));
    QCOMPARE(camera.camIdx, 4);
    QCOMPARE(camera.width, 6000);
    QCOMPARE(camera.height, 4000);
    QCOMPARE(camera.pixelSize, 0.0039);
    QCOMPARE(camera.focal, 24.5);
    QCOMPARE(camera.x0, 3000.5);
    QCOMPARE(camera.y0, -2000.25);
    const double distortion[8] = {1e-3, -2e-4, 3, 4, 5, 6, 7.5, -8e2};
    for (int i = 0; i < 8; ++i)
        QCOMPARE(camera.distortion[i], distortion[i]);

    QCOMPARE(images.size(), size_t(3));
    for (int i = 0; i < 3; ++i) {
        const ImageRecord &image = images[i];
        QCOMPARE(QByteArray(image.name), "/d/IMG_000" + QByteArray::number(i + 1) + ".JPG");
        QCOMPARE(image.imageIdx, 10 + i);
        QCOMPARE(image.camIdx, 4);
        QCOMPARE(image.stripNo, 1 + i);
        const double rotation[9] = {0.5, 0, 0, 0, 1, 0, 0, 0, -1};
        for (int k = 0; k < 9; ++k)
            QCOMPARE(image.rotation[k], rotation[k]);
        QCOMPARE(image.X, 100.5);
        QCOMPARE(image.Y, 200.25);
        QCOMPARE(image.Z, -30.125);
        QCOMPARE(image.omega, 0.0);
        QCOMPARE(image.phi, 0.0);
        QCOMPARE(image.kappa, 0.0);
    }
}

void TestOrientationFileReader::sensorSizes()
{
    writeFile(filePath("s.q7c"), "0 1 0\n1 4000 3000 0.5 10 0 0 0 0 0 0 0 0 0 0\n");
    QCOMPARE(read("s.q7c").result, OrientationRead::Complete);
    QCOMPARE(cameras[0].sensorWidth, 2000.0);
    QCOMPARE(cameras[0].sensorHeight, 1500.0);
}

void TestOrientationFileReader::cameraLineOfSevenValues()
{
    writeFile(filePath("seven.q7c"), "0 1 0\n2 100 50 0.25 8 1.5 2.5\n");
    QCOMPARE(read("seven.q7c").result, OrientationRead::Complete);
    QCOMPARE(cameras[0].camIdx, 2);
    QCOMPARE(cameras[0].x0, 1.5);
    QCOMPARE(cameras[0].y0, 2.5);
    for (double value : cameras[0].distortion)
        QCOMPARE(value, 0.0);
}

void TestOrientationFileReader::crLfLineEnds()
{
    QByteArray content = "1 1 0\n" + cameraLine + imageBlock(3, 4, 5, "IMG_9.JPG");
    content.replace("\n", "\r\n");
    writeFile(filePath("crlf.q7c"), content);
    QCOMPARE(read("crlf.q7c").result, OrientationRead::Complete);
    QCOMPARE(cameras[0].distortion[7], -8e2);
    QCOMPARE(QByteArray(images[0].name), QByteArray("IMG_9.JPG"));
    QCOMPARE(images[0].Z, -30.125);
}

void TestOrientationFileReader::opensTheQ7cOfAnyPath_data()
{
    QTest::addColumn<QString>("given");
    QTest::newRow("txt") << "block_ori.txt";
    QTest::newRow("no extension") << "block_ori";
    QTest::newRow("q7c") << "block_ori.q7c";
}

void TestOrientationFileReader::opensTheQ7cOfAnyPath()
{
    QFETCH(QString, given);
    writeFile(filePath("block_ori.q7c"), "0 1 0\n" + cameraLine);
    const ReadOutcome outcome = read(given);
    QCOMPARE(outcome.result, OrientationRead::Complete);
    QCOMPARE(outcome.printed, QByteArray());
    QCOMPARE(cameras.size(), size_t(1));
}

void TestOrientationFileReader::rebuiltPaths_data()
{
    QTest::addColumn<QByteArray>("given");
    QTest::addColumn<QByteArray>("expected");
    QTest::newRow("two dots") << QByteArray("/p/a.b.txt") << QByteArray("/p/a.b.q7c");
    QTest::newRow("dotted folder") << QByteArray("/p.d/name") << QByteArray("/p.d/name.q7c");
    QTest::newRow("double slashes") << QByteArray("x//Adjustment//m_ori.q7c")
                                    << QByteArray("x//Adjustment//m_ori.q7c");
    QTest::newRow("backslashes") << QByteArray("C:\\p.d\\a") << QByteArray("C:\\p.d\\a.q7c");
    QTest::newRow("drive only") << QByteArray("C:a.txt") << QByteArray("C:a.q7c");
    QTest::newRow("dot file") << QByteArray("/p/.txt") << QByteArray("/p/.q7c");
    QTest::newRow("empty") << QByteArray() << QByteArray(".q7c");
}

void TestOrientationFileReader::rebuiltPaths()
{
    QFETCH(QByteArray, given);
    QFETCH(QByteArray, expected);
    QCOMPARE(orientationFilePath(given), expected);
}

void TestOrientationFileReader::rebuiltPathLongerThan259Bytes()
{
    const QString folder = QString("f").repeated(120);
    const QString relative = folder + "/" + folder + "/" + folder;
    QVERIFY(QDir(dir.path()).mkpath(relative));
    const QString name = relative + "/" + QString("n").repeated(100) + "_ori";
    writeFile(filePath(name + ".q7c"), "0 1 0\n" + cameraLine);
    QVERIFY(filePath(name).size() > 400);

    QCOMPARE(read(name + ".txt").result, OrientationRead::Complete);
    QCOMPARE(cameras.size(), size_t(1));

    const ReadOutcome missing = read(name + "x.txt");
    QCOMPARE(missing.result, OrientationRead::NotOpened);
    QCOMPARE(missing.printed, "can not open " + filePath(name + "x.q7c").toLocal8Bit() + "!\n");
}

void TestOrientationFileReader::nameLineWithFurtherWord()
{
    writeFile(filePath("w.q7c"), "1 0 0\n" + imageBlock(1, 0, 0, "  /d/IMG 1.JPG further"));
    QCOMPARE(read("w.q7c").result, OrientationRead::Complete);
    QCOMPARE(QByteArray(images[0].name), QByteArray("/d/IMG"));
    QCOMPARE(images[0].X, 100.5);
}

void TestOrientationFileReader::nullLists()
{
    writeFile(filePath("n.q7c"), "1 1 0\n" + cameraLine + imageBlock(1, 4, 0, "a.jpg"));

    QCOMPARE(readCapturingStdout(filePath("n.q7c").toLocal8Bit(), &cameras, nullptr).result, OrientationRead::CamerasOnly);
    QCOMPARE(cameras.size(), size_t(1));
    QCOMPARE(cameras[0].camIdx, 4);

    images = {markedImage(), markedImage()};
    const ReadOutcome outcome = readCapturingStdout(filePath("n.q7c").toLocal8Bit(), nullptr, &images);
    QCOMPARE(outcome.result, OrientationRead::NoList);
    QCOMPARE(outcome.printed, QByteArray());
    QCOMPARE(images.size(), size_t(2));
    QCOMPARE(images[0].imageIdx, 42);
}

void TestOrientationFileReader::tooLongNameIsCut()
{
    const QByteArray longName = "/d/" + QByteArray(597, 'n');
    writeFile(filePath("long.q7c"),
              "2 0 0\n" + imageBlock(1, 0, 0, longName) + imageBlock(2, 0, 0, "b.jpg"));
    QCOMPARE(read("long.q7c").result, OrientationRead::Complete);
    QCOMPARE(QByteArray(images[0].name), longName.left(511));
    QCOMPARE(images[0].X, 100.5);
    QCOMPARE(images[1].imageIdx, 2);
    QCOMPARE(QByteArray(images[1].name), QByteArray("b.jpg"));
}

void TestOrientationFileReader::overlongLinesDoNotShiftLaterLines()
{
    // A name line and a rotation line of well over 1023 bytes: what lies past
    // the line buffer must not be taken for the next line.
    const QByteArray nameLine = QByteArray(1500, 'a') + " 9 9 9";
    const QByteArray rotationLine = "1 2 3 4 5 6 7 8 9" + QByteArray(1100, ' ') + "77 77 77";
    const QByteArray content = "2 0 0\n1 0 0\n" + nameLine + "\n" + rotationLine + "\n"
                               + "10 20 30\n" + imageBlock(2, 5, 6, "second.jpg");
    writeFile(filePath("over.q7c"), content);
    QCOMPARE(read("over.q7c").result, OrientationRead::Complete);

    QCOMPARE(QByteArray(images[0].name), QByteArray(511, 'a'));
    QCOMPARE(images[0].rotation[8], 9.0);
    QCOMPARE(images[0].X, 10.0);
    QCOMPARE(images[0].Z, 30.0);
    QCOMPARE(images[1].imageIdx, 2);
    QCOMPARE(images[1].camIdx, 5);
    QCOMPARE(QByteArray(images[1].name), QByteArray("second.jpg"));
}

void TestOrientationFileReader::shortFileLeavesMissingRecordsAtDefaults()
{
    // Lists filled by an earlier merge: nothing of them may remain.
    cameras = {markedCamera(), markedCamera(), markedCamera()};
    images = {markedImage(), markedImage(), markedImage(), markedImage()};

    writeFile(filePath("cut.q7c"), "3 2 0\n" + cameraLine + "7 8 9 0.5 1 2 3 4\n"
                                       + imageBlock(1, 4, 0, "a.jpg") + "5 7 2\n");
    QCOMPARE(read("cut.q7c").result, OrientationRead::Complete);

    QCOMPARE(cameras.size(), size_t(2));
    QCOMPARE(cameras[1].camIdx, 7);
    QCOMPARE(cameras[1].distortion[0], 4.0);
    QCOMPARE(cameras[1].distortion[1], 0.0);

    QCOMPARE(images.size(), size_t(3));
    QCOMPARE(QByteArray(images[0].name), QByteArray("a.jpg"));
    QCOMPARE(images[1].imageIdx, 5);
    QCOMPARE(images[1].camIdx, 7);
    QCOMPARE(QByteArray(images[1].name), QByteArray("NULL"));
    QCOMPARE(images[1].X, 0.0);
    QVERIFY(isDefaultImage(images[2]));

    // As many bytes as lines: the shortest file the counts fit.
    writeFile(filePath("lines.q7c"), "1 1 0\n\n\n\n\n\n");
    QCOMPARE(read("lines.q7c").result, OrientationRead::Complete);
    QCOMPARE(cameras.size(), size_t(1));
    QCOMPARE(images.size(), size_t(1));
    QVERIFY(isDefaultImage(images[0]));

    writeFile(filePath("cams.q7c"), "2 3 0\n" + cameraLine);
    QCOMPARE(read("cams.q7c").result, OrientationRead::Complete);
    QCOMPARE(cameras.size(), size_t(3));
    QCOMPARE(cameras[0].camIdx, 4);
    QCOMPARE(cameras[1].camIdx, 0);
    QCOMPARE(cameras[2].width, 0);
    QCOMPARE(images.size(), size_t(2));
    QVERIFY(isDefaultImage(images[0]));
    QVERIFY(isDefaultImage(images[1]));
}

void TestOrientationFileReader::numbersReadWithDecimalPointInAnyLocale()
{
    // The application object takes the locale from the environment; a locale
    // with a decimal comma must not change how the file's numbers read.
    const CommaLocale commaLocale;
    if (!commaLocale.isActive())
        QSKIP("no locale with a decimal comma could be made");
    double probe = 0;
    std::sscanf("0.5", "%lf", &probe);

    writeFile(filePath("de.q7c"), "1 1 0\n" + cameraLine + imageBlock(1, 4, 0, "a.jpg"));
    const OrientationRead result = read("de.q7c").result;

    QCOMPARE(probe, 0.0); // the locale really does read "0.5" differently
    QCOMPARE(result, OrientationRead::Complete);
    QCOMPARE(cameras[0].pixelSize, 0.0039);
    QCOMPARE(cameras[0].distortion[7], -8e2);
    QCOMPARE(images[0].rotation[0], 0.5);
    QCOMPARE(images[0].Y, 200.25);
}


void TestOrientationFileReader::roomMadeAheadIsFilledAfresh_data()
{
    QTest::addColumn<int>("roomSize");
    QTest::newRow("no room") << 0;
    QTest::newRow("too small") << 2;
    QTest::newRow("exact") << 3;
    QTest::newRow("larger") << 8;
}

// Whatever the room held before is gone: three images announced, two present,
// the third at its defaults.
void TestOrientationFileReader::roomMadeAheadIsFilledAfresh()
{
    QFETCH(int, roomSize);
    writeFile(filePath("room.q7c"), "3 1 0\n" + cameraLine + imageBlock(10, 4, 1, "/d/A.JPG")
                                        + imageBlock(11, 4, 2, "/d/B.JPG"));
    OrientationFileReader reader;
    reader.setImageRoom(std::vector<ImageRecord>(size_t(roomSize), markedImage()));
    QCOMPARE(reader.readOrientationFile(filePath("room.q7c").toLocal8Bit(), &cameras, &images), OrientationRead::Complete);
    QCOMPARE(images.size(), size_t(3));
    QCOMPARE(QByteArray(images[1].name), QByteArray("/d/B.JPG"));
    QCOMPARE(images[1].imageIdx, 11);
    QVERIFY(isDefaultImage(images[2]));
}

QTEST_APPLESS_MAIN(TestOrientationFileReader)
#include "tst_orientationfilereader.moc"
