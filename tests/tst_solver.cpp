#include "inputlist.h"
#include "orientationmerge.h"
#include "orientationtext.h"
#include "mergefixture.h"
#include "testfiles.h"
#include "solverrun.h"

#include <QProcess>
#include <QtTest>
#include <cmath>
#include <sys/stat.h>

using namespace solver;

namespace {

// One camera and two images; the numbers test that values survive a round trip.
const char twoImages[] =
    "2 1 0\n"
    "4 6000 4000 0.0039 24 3000.5 2000.25 0.1 -1e-300 0 0 0 0 0 1e+20\n"
    "0 4 1\n"
    "/survey/a/IMG_0001.JPG\n"
    "1 0 0 0 1 0 0 0 1\n"
    "100.5 200.25 -300.125\n"
    "1 4 -1\n"
    "/survey/a/IMG_0002.JPG trailing words\n"
    "0.1 0.2 0.3 0.4 0.5 0.6 0.7 0.8 0.9\n"
    "1 2 3\n";

Orientation parsed(const char *text)
{
    Orientation orientation;
    const std::string error = parseOrientation(text, orientation);
    if (!error.empty())
        qWarning("%s", error.c_str());
    return orientation;
}

Orientation oneCameraProject(int camIdx, const QStringList &imageNames)
{
    Orientation orientation;
    Camera camera;
    camera.camIdx = camIdx;
    orientation.cameras.push_back(camera);
    for (const QString &name : imageNames) {
        Image image;
        image.camIdx = camIdx;
        image.name = name.toStdString();
        orientation.images.push_back(image);
    }
    return orientation;
}


} // namespace

class TestSolver : public QObject
{
    Q_OBJECT

private slots:
    void parsesCamerasAndImagesInFileOrder();
    void shortCameraLineLeavesDistortionZero();
    void writtenNumbersReadBackExactly();
    void rejectsMalformedFiles_data();
    void rejectsMalformedFiles();
    void mergeRenumbersCamerasAndImages();
    void mergeDropsImagesWhoseBaseNameIsTaken();
    void mergeRefusesUndefinedOrRepeatedCameras();
    void inputListSkipsEmptyLinesAndCarriageReturns();
    void programMergesListedFiles();
    void programRefusesUsageErrors();
    void programKeepsEarlierResultWhenAnInputIsMissing();
    void programRefusesFoldersAsInputs();
    void programTellsAResultNotWritten();
    void solverLinesArePassedOnceWithoutLineEnds_data();
    void solverLinesArePassedOnceWithoutLineEnds();
};

void TestSolver::parsesCamerasAndImagesInFileOrder()
{
    const Orientation orientation = parsed(twoImages);
    QCOMPARE(orientation.cameras.size(), size_t(1));
    QCOMPARE(orientation.images.size(), size_t(2));
    const Camera &camera = orientation.cameras[0];
    QCOMPARE(camera.camIdx, 4);
    QCOMPARE(camera.width, 6000);
    QCOMPARE(camera.height, 4000);
    QCOMPARE(camera.values[0], 0.0039);
    QCOMPARE(camera.values[11], 1e20);
    QCOMPARE(orientation.images[0].name, std::string("/survey/a/IMG_0001.JPG"));
    QCOMPARE(orientation.images[1].name, std::string("/survey/a/IMG_0002.JPG"));
    QCOMPARE(orientation.images[1].stripNo, -1);
    QCOMPARE(orientation.images[1].rotation[8], 0.9);
    QCOMPARE(orientation.images[0].position[2], -300.125);
}

void TestSolver::shortCameraLineLeavesDistortionZero()
{
    const Orientation orientation = parsed("0 1 7\n3 40 30 0.5 10 20 15\n");
    QCOMPARE(orientation.cameras.size(), size_t(1));
    QCOMPARE(orientation.cameras[0].values[3], 15.0);
    for (int i = 4; i < 12; ++i)
        QCOMPARE(orientation.cameras[0].values[i], 0.0);
}

void TestSolver::writtenNumbersReadBackExactly()
{
    Orientation original = parsed(twoImages);
    original.images[0].position[0] = 0.1 + 0.2; // needs all 17 digits
    original.images[0].rotation[4] = -std::nextafter(1.0, 2.0);
    const std::string text = formatOrientation(original);
    QVERIFY(text.rfind("2 1 0\n", 0) == 0);

    const Orientation again = parsed(text.c_str());
    QCOMPARE(again.images.size(), size_t(2));
    QCOMPARE(again.images[0].position[0], original.images[0].position[0]);
    QCOMPARE(again.images[0].rotation[4], original.images[0].rotation[4]);
    QCOMPARE(again.cameras[0].values[4], original.cameras[0].values[4]);
    QCOMPARE(again.images[1].name, std::string("/survey/a/IMG_0002.JPG"));
    QCOMPARE(formatOrientation(again), text);
}

void TestSolver::rejectsMalformedFiles_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QString>("error");
    const QByteArray image = "0 0 0\nIMG\n1 0 0 0 1 0 0 0 1\n1 2 3\n";
    QTest::newRow("empty") << QByteArray() << "the file ends";
    QTest::newRow("two integers") << QByteArray("1 1\n") << "line 1: expected 3 integers";
    QTest::newRow("negative count") << QByteArray("-1 0 0\n") << "line 1: negative count";
    QTest::newRow("huge count") << QByteArray("2000000000 0 0\n") << "line 1: the counts";
    QTest::newRow("short camera") << QByteArray("0 1 0\n0 1 1 1 1 1\n") << "line 2: expected a camera";
    QTest::newRow("camera word") << QByteArray("0 1 0\n0 1 1 1 x 1 1\n") << "line 2: not a number: 'x'";
    QTest::newRow("fewer images") << "2 1 0\n0 1 1 1 1 1 1\n" + image << "the file ends";
    QTest::newRow("blank name") << QByteArray("1 1 0\n0 1 1 1 1 1 1\n0 0 0\n  \n") << "line 4: expected an image name";
    QTest::newRow("long name") << "1 1 0\n0 1 1 1 1 1 1\n0 0 0\n" + QByteArray(512, 'n') + "\n"
                               << "line 4: image name longer than 511 bytes";
    QTest::newRow("camera NaN") << QByteArray("0 1 0\n0 1 1 1 nan 1 1\n") << "line 2: not a number: 'nan'";
    QTest::newRow("X -inf") << "1 1 0\n0 1 1 1 1 1 1\n" + QByteArray(image).replace("1 2 3", "-inf 2 3")
                            << "line 6: not a number: '-inf'";
    QTest::newRow("rotation inf") << "1 1 0\n0 1 1 1 1 1 1\n" + QByteArray(image).replace("1 0 0 0 1", "inf 0 0 0 1")
                                  << "line 5: not a number: 'inf'";
    QTest::newRow("eight rotations") << QByteArray("1 1 0\n0 1 1 1 1 1 1\n0 0 0\nIMG\n1 0 0 0 1 0 0 0\n")
                                     << "line 5: expected 9 reals";
}

void TestSolver::rejectsMalformedFiles()
{
    QFETCH(QByteArray, text);
    QFETCH(QString, error);
    Orientation orientation;
    const QString found = QString::fromStdString(parseOrientation(text.toStdString(), orientation));
    QVERIFY2(found.startsWith(error), qPrintable(found));
}

void TestSolver::mergeRenumbersCamerasAndImages()
{
    OrientationMerge merge;
    QVERIFY(merge.append(oneCameraProject(7, {"a/1.JPG", "a/2.JPG"})).empty());
    Orientation second = oneCameraProject(0, {"b/3.JPG"});
    Camera another;
    another.camIdx = 5;
    second.cameras.push_back(another);
    second.images[0].camIdx = 5;
    QVERIFY(merge.append(second).empty());

    const Orientation &merged = merge.merged();
    QCOMPARE(merged.cameras.size(), size_t(3));
    for (int i = 0; i < 3; ++i)
        QCOMPARE(merged.cameras[size_t(i)].camIdx, i);
    QCOMPARE(merged.images.size(), size_t(3));
    QCOMPARE(merged.images[0].camIdx, 0);
    QCOMPARE(merged.images[2].camIdx, 2); // camera 5 of the second file
    QCOMPARE(merged.images[2].imageIdx, 2);
    QCOMPARE(merge.projectCount(), 2);
}

void TestSolver::mergeDropsImagesWhoseBaseNameIsTaken()
{
    OrientationMerge merge;
    QVERIFY(merge.append(oneCameraProject(0, {"/a/IMG_1.JPG", "/a/IMG_2.JPG"})).empty());
    QVERIFY(merge.append(oneCameraProject(0, {"/b/IMG_2.tif", "/b/IMG_3.JPG", "IMG_1"})).empty());
    QCOMPARE(merge.droppedCount(), 2);
    const Orientation &merged = merge.merged();
    QCOMPARE(merged.images.size(), size_t(3));
    QCOMPARE(merged.images[1].name, std::string("/a/IMG_2.JPG")); // first wins
    QCOMPARE(merged.images[2].name, std::string("/b/IMG_3.JPG"));
    QCOMPARE(merged.images[2].imageIdx, 2);
    QCOMPARE(merged.images[2].camIdx, 1);
    QCOMPARE(completeBaseName("/x.y/IMG.tar.gz"), std::string_view("IMG.tar"));
    QCOMPARE(completeBaseName("/x.y/IMG"), std::string_view("IMG"));
}

void TestSolver::mergeRefusesUndefinedOrRepeatedCameras()
{
    OrientationMerge merge;
    Orientation undefined = oneCameraProject(0, {"a.JPG"});
    undefined.images[0].camIdx = 3;
    QCOMPARE(merge.append(undefined), std::string("image a.JPG refers to camera 3, which the file does not define"));
    Orientation repeated = oneCameraProject(1, {});
    repeated.cameras.push_back(repeated.cameras[0]);
    QCOMPARE(merge.append(repeated), std::string("camera 1 is defined twice"));
    QVERIFY(merge.merged().cameras.empty());
    QCOMPARE(merge.projectCount(), 0);
}

void TestSolver::inputListSkipsEmptyLinesAndCarriageReturns()
{
    const auto paths = parseInputList("/a b/x_ori.q7c\r\n\n/c/y_ori.q7c");
    QCOMPARE(paths, (std::vector<std::string>{"/a b/x_ori.q7c", "/c/y_ori.q7c"}));
}

void TestSolver::programMergesListedFiles()
{
    QTemporaryDir dir;
    QVERIFY(writeBytes(dir.filePath("p1_ori.q7c"), twoImages));
    QVERIFY(writeBytes(dir.filePath("p2_ori.q7c"),
              "1 1 0\n9 10 10 1 1 1 1\n0 9 2\n/other/IMG_0002.JPG\n0 0 0 0 0 0 0 0 0\n0 0 0\n"));
    QVERIFY(writeBytes(dir.filePath("a.b.txt"), (dir.filePath("p1_ori.q7c") + "\n" + dir.filePath("p2_ori.q7c") + "\n").toLocal8Bit()));
    QDir().mkdir(dir.filePath("Adjustment"));

    QProcess solver;
    solver.start(binPath("AT/Z7Uzurer"), {"-t", "mergeq7c", "-l", dir.filePath("a.b.txt"), "-p",
                                           dir.filePath("a.b_xyz.txt"), "-d", dir.filePath("Adjustment")},
                 QIODevice::ReadWrite | QIODevice::Text);
    QVERIFY(solver.waitForFinished());
    QCOMPARE(solver.exitCode(), 0);
    QCOMPARE(solver.readAllStandardOutput(),
             QByteArray("Z7Uzurer: merged 2 projects: 2 cameras, 2 images, 1 duplicates dropped\n"));

    QFile merged(dir.filePath("Adjustment/a_ori.q7c"));
    QVERIFY(merged.open(QIODevice::ReadOnly));
    const QByteArray text = merged.readAll();
    QVERIFY(text.startsWith("2 2 0\n0 6000 4000 0.0039 24 3000.5 2000.25 0.1 -1e-300 0 0 0 0 0 1e+20\n"
                            "1 10 10 1 1 1 1 0 0 0 0 0 0 0 0\n"));
    QVERIFY(text.contains("\n1 0 -1\n/survey/a/IMG_0002.JPG\n"));
    QCOMPARE(QDir(dir.filePath("Adjustment")).entryList(QDir::Files), QStringList({"a_ori.q7c"}));
}

void TestSolver::programRefusesUsageErrors()
{
    const QList<QStringList> calls = {
        {},
        {"-t", "mergeq7c", "-l", "x", "-p", "y"},
        {"-t", "other", "-l", "x", "-p", "y", "-d", "z"},
        {"-t", "mergeq7c", "-l", "x", "-p", "y", "-d", "z", "-d", "w"},
        {"-t", "mergeq7c", "-l", "x", "-p", "y", "-q", "z"},
        {"-t", "mergeq7c", "-l", "x", "-p", "y", "-d"}};
    for (const QStringList &arguments : calls) {
        QProcess solver;
        solver.start(binPath("AT/Z7Uzurer"), arguments);
        QVERIFY(solver.waitForFinished());
        QCOMPARE(solver.exitCode(), 2);
        const QByteArray error = solver.readAllStandardError();
        QVERIFY(error.startsWith("usage: Z7Uzurer"));
        QVERIFY2(!error.contains('\r'), "its lines end in LF alone, on Windows too");
    }
}

void TestSolver::programKeepsEarlierResultWhenAnInputIsMissing()
{
    QTemporaryDir dir;
    QVERIFY(writeBytes(dir.filePath("p1_ori.q7c"), twoImages));
    QVERIFY(writeBytes(dir.filePath("m.txt"), (dir.filePath("p1_ori.q7c") + "\n" + dir.filePath("gone_ori.q7c") + "\n").toLocal8Bit()));
    QVERIFY(writeBytes(dir.filePath("m_ori.q7c"), "earlier result"));

    QProcess solver;
    solver.start(binPath("AT/Z7Uzurer"), {"-t", "mergeq7c", "-l", dir.filePath("m.txt"), "-p", "unused", "-d", dir.path()});
    QVERIFY(solver.waitForFinished());
    QCOMPARE(solver.exitCode(), 1);
    QVERIFY(solver.readAllStandardError().contains(dir.filePath("gone_ori.q7c").toLocal8Bit()));
    QFile merged(dir.filePath("m_ori.q7c"));
    QVERIFY(merged.open(QIODevice::ReadOnly));
    QCOMPARE(merged.readAll(), QByteArray("earlier result"));
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files).size(), 3);
}

void TestSolver::programRefusesFoldersAsInputs()
{
    // A folder opens like a file and reads as nothing: no empty merge may come of it.
    QTemporaryDir dir;
    QDir().mkdir(dir.filePath("folder_ori.q7c"));
    QDir().mkdir(dir.filePath("n.txt"));
    QVERIFY(writeBytes(dir.filePath("m.txt"), (dir.filePath("folder_ori.q7c") + "\n").toLocal8Bit()));
    QVERIFY(writeBytes(dir.filePath("m_ori.q7c"), "earlier result"));
    QStringList lists{dir.filePath("m.txt"), dir.filePath("n.txt")};
#ifndef Q_OS_WIN
    // Nor may a pipe (or a device) hold the solver up for ever.
    QCOMPARE(mkfifo(QFile::encodeName(dir.filePath("pipe_ori.q7c")).constData(), 0600), 0);
    QCOMPARE(mkfifo(QFile::encodeName(dir.filePath("q.txt")).constData(), 0600), 0);
    QVERIFY(writeBytes(dir.filePath("p.txt"), (dir.filePath("pipe_ori.q7c") + "\n").toLocal8Bit()));
    QVERIFY(QFile::link("/dev/zero", dir.filePath("zero_ori.q7c")));
    QVERIFY(writeBytes(dir.filePath("z.txt"), (dir.filePath("zero_ori.q7c") + "\n").toLocal8Bit()));
    lists << dir.filePath("p.txt") << dir.filePath("q.txt") << dir.filePath("z.txt");
#endif

    for (const QString &list : lists) {
        QProcess solver;
        solver.start(binPath("AT/Z7Uzurer"), {"-t", "mergeq7c", "-l", list, "-p", "unused", "-d", dir.path()});
        QVERIFY(solver.waitForFinished());
        QCOMPARE(solver.exitCode(), 1);
        QVERIFY(solver.readAllStandardError().startsWith("Z7Uzurer: cannot read"));
    }
    QFile merged(dir.filePath("m_ori.q7c"));
    QVERIFY(merged.open(QIODevice::ReadOnly));
    QCOMPARE(merged.readAll(), QByteArray("earlier result"));
    QVERIFY(!QFileInfo::exists(dir.filePath("n_ori.q7c")));
}

void TestSolver::programTellsAResultNotWritten()
{
    // A folder with something in it takes the result's name: the rename fails.
    QTemporaryDir dir;
    QVERIFY(writeBytes(dir.filePath("p1_ori.q7c"), twoImages));
    QVERIFY(writeBytes(dir.filePath("m.txt"), (dir.filePath("p1_ori.q7c") + "\n").toLocal8Bit()));
    QVERIFY(QDir().mkpath(dir.filePath("m_ori.q7c/kept")));

    QProcess solver;
    solver.start(binPath("AT/Z7Uzurer"), {"-t", "mergeq7c", "-l", dir.filePath("m.txt"), "-p", "unused", "-d", dir.path()});
    QVERIFY(solver.waitForFinished());
    QCOMPARE(solver.exitCode(), 1);
    QVERIFY(solver.readAllStandardError().startsWith("Z7Uzurer: cannot write"));
    QVERIFY(QFileInfo(dir.filePath("m_ori.q7c/kept")).isDir());
    QVERIFY(!QFileInfo::exists(dir.filePath("m_ori.q7c.part")));
}

void TestSolver::solverLinesArePassedOnceWithoutLineEnds_data()
{
    QTest::addColumn<QByteArray>("printed");
    QTest::addColumn<QStringList>("lines");
    QTest::newRow("LF") << QByteArray("a\nb c\n") << QStringList{"a", "b c"};
    QTest::newRow("CR LF") << QByteArray("a\r\nb\r\n") << QStringList{"a", "b"};
    QTest::newRow("CR CR LF") << QByteArray("a\r\r\n\r\n") << QStringList{"a", ""};
    QTest::newRow("unfinished last") << QByteArray("a\r\nb") << QStringList{"a", "b"};
}

void TestSolver::solverLinesArePassedOnceWithoutLineEnds()
{
#ifdef Q_OS_WIN
    QSKIP("printed by a POSIX shell");
#else
    QFETCH(QByteArray, printed);
    QFETCH(QStringList, lines);
    SolverRun run;
    QVERIFY(run.start("/bin/sh", {"-c", "printf '%s' \"$0\"", QString::fromLatin1(printed)}));
    QStringList passed;
    QVERIFY(run.waitForExit([&](const QString &line) { passed << line; }, [] { return false; }));
    QCOMPARE(passed, lines);
#endif
}

QTEST_GUILESS_MAIN(TestSolver)
#include "tst_solver.moc"
