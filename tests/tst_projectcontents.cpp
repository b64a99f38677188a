#include "linecount.h"
#include "orientationfilereader.h"
#include "projectcontents.h"
#include "projectfile.h"
#include "testfiles.h"

#include <QDir>
#include <QtTest>

// The look at a source project before a merge: line counts, the orientation
// file's header, the project file check, and which files are missing.
class TestProjectContents : public QObject
{
    Q_OBJECT

private slots:
    void init();

    void countsNonEmptyLines_data();
    void countsNonEmptyLines();
    void readsOnlyTheOrientationHeader_data();
    void readsOnlyTheOrientationHeader();
    void knowsProjectFiles();
    void namesMissingFiles();

private:
    std::unique_ptr<QTemporaryDir> tempDir;
    QString temp;
};

void TestProjectContents::init()
{
    temp = freshTempDir(tempDir);
    QVERIFY(!temp.isEmpty());
}

void TestProjectContents::countsNonEmptyLines_data()
{
    const QByteArray block(256 * 1024, 'x'); // one read block
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<qint64>("lines");
    QTest::newRow("empty") << QByteArray() << qint64(0);
    QTest::newRow("no line feed") << QByteArray("a") << qint64(1);
    QTest::newRow("one line") << QByteArray("a\n") << qint64(1);
    QTest::newRow("blank lines") << QByteArray("\n\na\n\nb") << qint64(2);
    QTest::newRow("line feed opens the next block") << block + "\n" << qint64(1);
    QTest::newRow("line runs into the next block") << block + "yz\n\nw" << qint64(2);
    QTest::newRow("blank line at the block's end") << block.left(block.size() - 1) + "\n\nz" << qint64(2);
}

void TestProjectContents::countsNonEmptyLines()
{
    QFETCH(QByteArray, bytes);
    QFETCH(qint64, lines);
    QVERIFY(writeBytes(temp + "/f.txt", bytes));
    QCOMPARE(countNonEmptyLines(temp + "/f.txt"), lines);
    QCOMPARE(countNonEmptyLines(temp + "/missing.txt"), qint64(-1));
    QCOMPARE(countNonEmptyLines(temp), qint64(-1)); // a folder
}

void TestProjectContents::readsOnlyTheOrientationHeader_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("read");
    QTest::addColumn<int>("images");
    QTest::addColumn<int>("cameras");
    QTest::newRow("header and room") << QByteArray("3 2 7\n") + QByteArray(14, '\n') << true << 3 << 2;
    QTest::newRow("too short for its header") << QByteArray("3 2 7\n") + QByteArray(13, '\n') << false << 0 << 0;
    QTest::newRow("zeros") << QByteArray("0 0 0\n") << true << 0 << 0;
    QTest::newRow("two integers") << QByteArray("0 0\n") << false << 0 << 0;
    QTest::newRow("negative") << QByteArray("-1 0 0\n") << false << 0 << 0;
    QTest::newRow("empty") << QByteArray() << false << 0 << 0;
}

void TestProjectContents::readsOnlyTheOrientationHeader()
{
    QFETCH(QByteArray, bytes);
    QFETCH(bool, read);
    QFETCH(int, images);
    QFETCH(int, cameras);
    QVERIFY(writeBytes(temp + "/p_ori.q7c", bytes));
    OrientationHeader header;
    QCOMPARE(readOrientationHeader(QFile::encodeName(temp + "/p_ori.q7c"), header), read);
    if (read) {
        QCOMPARE(header.images, images);
        QCOMPARE(header.cameras, cameras);
    }
}

void TestProjectContents::knowsProjectFiles()
{
    QVERIFY(isProjectFile(Q7_SOURCE_DIR "/examples/block01/block01.Q7D"));
    QVERIFY(writeBytes(temp + "/other.Q7D", "<other/>"));
    for (const QString &path : {QString("/etc/passwd"), temp + "/other.Q7D", temp, temp + "/missing.Q7D"})
        QVERIFY2(!isProjectFile(path), qPrintable(path));
}

void TestProjectContents::namesMissingFiles()
{
    const ProjectContents example = readProjectContents(Q7_SOURCE_DIR "/examples/block02/block02.Q7D");
    QVERIFY2(example.complete(), qPrintable(example.unreadable.join('\n')));
    QCOMPARE(example.positionImages, qint64(12));
    QCOMPARE(example.orientationCameras, 2);
    QCOMPARE(example.orientationImages, 12);

    const ProjectContents missing = readProjectContents(temp + "/a.b.Q7D");
    QCOMPARE(missing.unreadable, QStringList({"project file " + temp + "/a.b.Q7D",
                                              "position file " + temp + "//a.b_xyz.txt",
                                              "orientation file " + temp + "//Adjustment//a.b_ori.q7c"}));
    QCOMPARE(missing.positionImages, qint64(-1));
    QCOMPARE(missing.orientationImages, -1);

    // The quick look does not count.
    QCOMPARE(checkProject(Q7_SOURCE_DIR "/examples/block02/block02.Q7D").positionImages, qint64(-1));
}

QTEST_GUILESS_MAIN(TestProjectContents)
#include "tst_projectcontents.moc"
