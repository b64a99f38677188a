#include "atomicfile.h"
#include "camerafile.h"
#include "imagelistfile.h"
#include "positionfile.h"
#include "positionexport.h"
#include "projectfile.h"
#include "solverinputlist.h"
#include "testfiles.h"

#include <QtTest>
#include <csignal>
#include <functional>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

constexpr rlim_t sizeLimit = 4096;
constexpr int fewRecords = 1;
constexpr int manyRecords = 2000; // far more than sizeLimit bytes in every file

// Runs work in a child process whose files may not grow beyond sizeLimit
// bytes, with SIGXFSZ ignored so that a write past the limit fails (EFBIG)
// instead of ending the process. Returns the child's exit code: 0 when work
// returned true, 1 when it returned false; -1 when the child died.
int inSizeLimitedChild(const std::function<bool()> &work)
{
    std::fflush(nullptr);
    const pid_t child = fork();
    if (child == 0) {
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{sizeLimit, sizeLimit};
        if (setrlimit(RLIMIT_FSIZE, &limit) != 0)
            _exit(2);
        _exit(work() ? 0 : 1);
    }
    int status = 0;
    if (child < 0 || waitpid(child, &status, 0) != child || !WIFEXITED(status))
        return -1;
    return WEXITSTATUS(status);
}

mode_t permissions(const QString &path)
{
    struct stat info;
    return stat(QFile::encodeName(path).constData(), &info) == 0 ? info.st_mode & 07777 : 0;
}

QStringList filesIn(const QString &folder)
{
    return QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name);
}

// Writes text through an AtomicFile; commits only when asked to.
bool writeAtomically(const QString &path, const QByteArray &text, bool commit = true)
{
    AtomicFile file(QFile::encodeName(path));
    std::FILE *stream = file.open(platform::LineEnds::Unchanged);
    if (!stream)
        return false;
    std::fputs(text.constData(), stream);
    return commit && file.commit();
}

} // namespace

class TestWriteFailures : public QObject
{
    Q_OBJECT

private slots:
    void init();

    void atomicFileReplacesOnlyOnCommit();
    void atomicFileKeepsPermissionsAndRefusesLinks();
    void atomicFileNewFileGetsUsualPermissions();
    void atomicFileRefusesFoldersAndSpecialFiles();
    void atomicFileRemovesThoseOfKilledWriters();

    void failedWriteKeepsEarlierFile_data();
    void failedWriteKeepsEarlierFile();
    void failedFirstWriteLeavesNothing_data();
    void failedFirstWriteLeavesNothing();

private:
    // Writes one of the merge's files with `records` records into temp/m.
    bool write(const QString &kind, int records);
    QString output(const QString &fileName) const { return temp + "/m/" + fileName; }

    std::unique_ptr<QTemporaryDir> tempDir; // a fresh one for each test
    QString temp;
};

void TestWriteFailures::init()
{
    temp = freshTempDir(tempDir);
    QVERIFY(!temp.isEmpty());
    QVERIFY(QDir().mkpath(temp + "/m"));
    QVERIFY(QDir().mkpath(temp + "/src"));
    // The position files the merged position file is made of; written here,
    // as a size-limited child could not write them.
    for (int records : {fewRecords, manyRecords}) {
        QByteArray lines;
        for (int i = 0; i < records; ++i)
            lines += "IMG_" + QByteArray::number(i) + ".JPG 512035.25 3340000 812.375 0.25 -0.125 0 1\n";
        QVERIFY(writeBytes(temp + QString("/src/p%1_xyz.txt").arg(records), lines));
    }
}

bool TestWriteFailures::write(const QString &kind, int records)
{
    const QString folder = temp + "/m";
    if (kind == "camera file") {
        return writeCameraFile(folder + "/m.cmr", std::vector<CameraRecord>(size_t(records)));
    }
    if (kind == "image list") {
        return writeImageList(folder + "/m.lst", std::vector<ImageRecord>(size_t(records)),
                              std::vector<CameraRecord>(1));
    }
    if (kind == "solver input list") {
        std::vector<ProjectEntry> projects;
        for (int i = 0; i < records; ++i)
            projects.push_back(makeProjectEntry(QString("/survey/block%1/block%1.Q7D").arg(i)));
        return makeQ7cList(folder + "//m.txt", projects);
    }
    if (kind == "position file") {
        PositionsRead read;
        return makeXyzFile({makeProjectEntry(temp + QString("/src/p%1.Q7D").arg(records))}, temp + "//m//m_xyz.txt",
                           read);
    }
    ProjectParams params; // the project file
    params.prj_dir = folder;
    params.prj_name = "m";
    params.map_projection = QString(records * 8, QChar('x'));
    return writeProjectFile(folder + "/m.Q7D", params);
}

void TestWriteFailures::atomicFileReplacesOnlyOnCommit()
{
    const QString path = temp + "/m/file.txt";
    QVERIFY(writeBytes(path, "old\n"));

    QVERIFY(!writeAtomically(path, "abandoned\n", false));
    QCOMPARE(readBytes(path), QByteArray("old\n"));
    QCOMPARE(filesIn(temp + "/m"), QStringList{"file.txt"});

    AtomicFile file(QFile::encodeName(path));
    std::FILE *stream = file.open(platform::LineEnds::Unchanged);
    QVERIFY(stream);
    std::fputs("new\n", stream);
    std::fflush(stream);
    QCOMPARE(readBytes(path), QByteArray("old\n")); // not in place before the commit
    QVERIFY(file.commit());
    QCOMPARE(readBytes(path), QByteArray("new\n"));
    QCOMPARE(filesIn(temp + "/m"), QStringList{"file.txt"});
    QVERIFY(!file.commit()); // once only
}

void TestWriteFailures::atomicFileKeepsPermissionsAndRefusesLinks()
{
    const QString real = temp + "/src/real.txt";
    const QString link = temp + "/m/link.txt";
    QVERIFY(writeBytes(real, "old\n"));
    QVERIFY(chmod(QFile::encodeName(real).constData(), 0640) == 0);
    QVERIFY(writeAtomically(real, "new\n"));
    QCOMPARE(permissions(real), mode_t(0640));
    QVERIFY(QFile::link(real, link));

    QVERIFY(!writeAtomically(link, "through\n")); // a link may lead out of the project
    QVERIFY(QFileInfo(link).isSymLink());
    QCOMPARE(readBytes(real), QByteArray("new\n"));
    QCOMPARE(filesIn(temp + "/m"), QStringList{"link.txt"});
    QCOMPARE(filesIn(temp + "/src").filter("real"), QStringList{"real.txt"});
}

void TestWriteFailures::atomicFileNewFileGetsUsualPermissions()
{
    std::FILE *plain = std::fopen(QFile::encodeName(temp + "/m/plain.txt").constData(), "w");
    QVERIFY(plain);
    std::fclose(plain);
    QVERIFY(writeAtomically(temp + "/m/new.txt", "text\n"));
    QCOMPARE(permissions(temp + "/m/new.txt"), permissions(temp + "/m/plain.txt"));
}

void TestWriteFailures::atomicFileRefusesFoldersAndSpecialFiles()
{
    const QString folder = temp + "/m/folder.txt";
    QVERIFY(QDir().mkpath(folder + "/inside"));
    QVERIFY(!writeAtomically(folder, "text\n"));
    QVERIFY(QFileInfo(folder + "/inside").isDir());

    const QString fifo = temp + "/m/fifo.txt";
    QVERIFY(mkfifo(QFile::encodeName(fifo).constData(), 0600) == 0);
    QVERIFY(!writeAtomically(fifo, "text\n")); // neither blocks nor replaces it
    struct stat info;
    QVERIFY(lstat(QFile::encodeName(fifo).constData(), &info) == 0 && S_ISFIFO(info.st_mode));

    QVERIFY(!writeAtomically(temp + "/missing/file.txt", "text\n"));
    QCOMPARE(filesIn(temp + "/m"), QStringList{"fifo.txt"});
}

// A writer killed part way leaves its new file; the next one removes it,
// while those of running processes and other files stay.
void TestWriteFailures::atomicFileRemovesThoseOfKilledWriters()
{
    const pid_t gone = fork();
    if (gone == 0)
        _exit(0);
    QVERIFY(gone > 0 && waitpid(gone, nullptr, 0) == gone);
    const QString stem = temp + "/m/file.txt.part";
    const QStringList kept = {"file.txt", "file.txt.part1-0", "file.txt.partial", "other.txt.part" + QString::number(gone) + "-0",
                              "file.txt.part" + QString::number(getpid()) + "-99"};
    for (const QString &name : kept + QStringList{"file.txt.part" + QString::number(gone) + "-3"})
        QVERIFY(writeBytes(temp + "/m/" + name, "left\n"));

    QVERIFY(writeAtomically(temp + "/m/file.txt", "new\n"));
    QCOMPARE(readBytes(temp + "/m/file.txt"), QByteArray("new\n"));
    QStringList expected = kept;
    expected.sort();
    QCOMPARE(filesIn(temp + "/m"), expected);
}

void TestWriteFailures::failedWriteKeepsEarlierFile_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("fileName");
    QTest::newRow("camera file") << "camera file" << "m.cmr";
    QTest::newRow("image list") << "image list" << "m.lst";
    QTest::newRow("solver input list") << "solver input list" << "m.txt";
    QTest::newRow("position file") << "position file" << "m_xyz.txt";
    QTest::newRow("project file") << "project file" << "m.Q7D";
}

void TestWriteFailures::failedWriteKeepsEarlierFile()
{
    QFETCH(QString, kind);
    QFETCH(QString, fileName);
    QVERIFY(write(kind, fewRecords));
    const QByteArray earlier = readBytes(output(fileName));
    QVERIFY(earlier.size() > 0 && earlier.size() < int(sizeLimit));

    QCOMPARE(inSizeLimitedChild([&] { return write(kind, manyRecords); }), 1);
    QCOMPARE(readBytes(output(fileName)), earlier);
    QCOMPARE(filesIn(temp + "/m"), QStringList{fileName});

    // Without the limit the same write succeeds: the limit made it fail. The
    // file replaced keeps the permissions the user gave it.
    QVERIFY(chmod(QFile::encodeName(output(fileName)).constData(), 0604) == 0);
    QVERIFY(write(kind, manyRecords));
    QVERIFY(QFileInfo(output(fileName)).size() > qint64(sizeLimit));
    QCOMPARE(permissions(output(fileName)), mode_t(0604));
}

void TestWriteFailures::failedFirstWriteLeavesNothing_data()
{
    failedWriteKeepsEarlierFile_data();
}

void TestWriteFailures::failedFirstWriteLeavesNothing()
{
    QFETCH(QString, kind);
    QCOMPARE(inSizeLimitedChild([&] { return write(kind, manyRecords); }), 1);
    QCOMPARE(filesIn(temp + "/m"), QStringList());
}

QTEST_GUILESS_MAIN(TestWriteFailures)
#include "tst_writefailures.moc"
