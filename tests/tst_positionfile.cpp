#include "positionfile.h"
#include "positionexport.h"
#include "commalocale.h"
#include "numericlocale.h"
#include "testfiles.h"

#include <QDir>
#include <QtTest>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <exception>
#include <map>
#include <optional>
#ifdef Q_OS_UNIX
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace {

QByteArray names(const std::vector<ImageRecord> &records)
{
    QByteArrayList list;
    for (const ImageRecord &record : records)
        list.append(record.name);
    return list.join(' ');
}

// The bytes of address space this process has mapped.
#ifdef Q_OS_UNIX
rlim_t addressSpaceInUse()
{
    QFile status("/proc/self/status");
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("VmSize:"))
            return rlim_t(line.mid(7).trimmed().split(' ').first().toULongLong()) << 10;
    }
    return 0;
}
#endif

} // namespace

class TestPositionFile : public QObject
{
    Q_OBJECT

private slots:
    void init();

    void splitFilePath_data();
    void splitFilePath();

    void readsValuesAndStripNumbers();
    void byteOrderMarkAndNonFiniteValues_data();
    void byteOrderMarkAndNonFiniteValues();
    void coordinateBound_data();
    void coordinateBound();
    void overlongLinesAndNamesAreSkippedWhole();
    void missingFileReturnsZero();

    void mergedFileSortedAndDeduplicated();
    void firstOfEachNameSurvives();
    void namesSortedByteWisePastSharedPrefix();
    void secondExportWritesTheSameFile();
    void noProjectsGivesEmptyFile();
    void unreadablePositionFileSkipped();
    void memoryFollowsLinesReadNotFileSize();
    void unwritableOutputNotMade();
    void decimalCommaLocaleDoesNotLeakIntoFiles();
    void numberScopesNest();

private:
    // Writes a source project's position file and lists the project.
    void addProject(const QString &baseName, const QByteArray &lines);
    std::vector<ImageRecord> read(const QByteArray &lines);
    bool exportPositions() { return makeXyzFile(projects, positionFile, positionsRead); }
    // The merged records, as the merged file gives them back.
    std::vector<ImageRecord> exported() const;

    std::unique_ptr<QTemporaryDir> tempDir; // a fresh one for each test
    QString temp;
    std::vector<ProjectEntry> projects;
    QString positionFile;
    PositionsRead positionsRead;
};

void TestPositionFile::init()
{
    temp = freshTempDir(tempDir);
    QVERIFY(!temp.isEmpty());
    QVERIFY(QDir().mkpath(temp + "/out/m"));
    projects.clear();
    positionFile = temp + "/out//m//m_xyz.txt";
    positionsRead = PositionsRead();
}

void TestPositionFile::addProject(const QString &baseName, const QByteArray &lines)
{
    const ProjectEntry entry = makeProjectEntry(temp + "/" + baseName + ".Q7D");
    if (!lines.isNull())
        QVERIFY(writeBytes(entry.xyzFile, lines));
    projects.push_back(entry);
}

std::vector<ImageRecord> TestPositionFile::exported() const
{
    std::vector<ImageRecord> records;
    readXyzFile(positionFile.toLocal8Bit(), &records);
    return records;
}

std::vector<ImageRecord> TestPositionFile::read(const QByteArray &lines)
{
    const QString path = temp + "/p_xyz.txt";
    writeBytes(path, lines);
    std::vector<ImageRecord> records;
    const PositionFileReading result = readXyzFile(path.toLocal8Bit(), &records);
    if (result != PositionFileReading::Read)
        qWarning("readXyzFile returned %d", int(result));
    return records;
}

void TestPositionFile::splitFilePath_data()
{
    QTest::addColumn<QByteArray>("path");
    QTest::addColumn<QByteArray>("drive");
    QTest::addColumn<QByteArray>("dir");
    QTest::addColumn<QByteArray>("baseName");
    QTest::addColumn<QByteArray>("ext");

    QTest::newRow("windows path") << QByteArray("C:\\photos\\IMG_0001.JPG")
                                  << QByteArray("C:") << QByteArray("\\photos\\")
                                  << QByteArray("IMG_0001") << QByteArray(".JPG");
    QTest::newRow("bare name") << QByteArray("IMG_0001.JPG") << QByteArray() << QByteArray()
                               << QByteArray("IMG_0001") << QByteArray(".JPG");
    QTest::newRow("no extension") << QByteArray("/data/img") << QByteArray()
                                  << QByteArray("/data/") << QByteArray("img") << QByteArray();
    QTest::newRow("last dot only") << QByteArray("a.b.c") << QByteArray() << QByteArray()
                                   << QByteArray("a.b") << QByteArray(".c");
    QTest::newRow("mixed separators") << QByteArray("D:/x\\y/z.tif") << QByteArray("D:")
                                      << QByteArray("/x\\y/") << QByteArray("z")
                                      << QByteArray(".tif");
    QTest::newRow("dot in folder") << QByteArray("C:/my.dir/file") << QByteArray("C:")
                                   << QByteArray("/my.dir/") << QByteArray("file")
                                   << QByteArray(".dir/file");
    QTest::newRow("name of a dot first") << QByteArray("/d/.hidden") << QByteArray() << QByteArray("/d/")
                                         << QByteArray() << QByteArray(".hidden");
    QTest::newRow("name ending in a dot") << QByteArray("\\d\\a.b.") << QByteArray() << QByteArray("\\d\\")
                                          << QByteArray("a.b") << QByteArray(".");
}

void TestPositionFile::splitFilePath()
{
    QFETCH(QByteArray, path);
    QByteArray drive = "x", dir = "x", baseName = "x", ext = "x";
    ::splitFilePath(path, drive, dir, baseName, ext);
    QTEST(drive, "drive");
    QTEST(dir, "dir");
    QTEST(baseName, "baseName");
    QTEST(ext, "ext");
}

void TestPositionFile::byteOrderMarkAndNonFiniteValues_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QByteArray>("names");
    QTest::addColumn<int>("damagedLine");
    const QByteArray bom = "\xEF\xBB\xBF";
    QTest::newRow("mark before the first line") << bom + "a 1 2 3 4 5 6\nb 1 2 3 4 5 6\n" << QByteArray("a b") << 0;
    QTest::newRow("mark on a later line") << "a 1 2 3 4 5 6\n" + bom + "b 1 2 3 4 5 6\n" << "a " + bom + "b" << 0;
    QTest::newRow("X NaN") << QByteArray("a 1 2 3 4 5 6\nb nan 2 3 4 5 6\nc 1 2 3 4 5 6\n") << QByteArray("a c") << 2;
    QTest::newRow("kappa inf") << QByteArray("a 1 2 3 4 5 inf\nb 1 2 3 4 5 6\n") << QByteArray("b") << 1;
    QTest::newRow("Z -inf, then omega NaN") << QByteArray("a 1 2 3 4 5 6\nb 1 2 -inf 4 5 6\nc 1 2 3 nan 5 6\n")
                                            << QByteArray("a") << 2;
    QTest::newRow("largest finite") << QByteArray("a 1 2 1.7976931348623157e308 4 5 6\n") << QByteArray("a") << 0;
}

// A byte-order mark is no part of the first name; a line of values that are
// not finite numbers is left out, and the first such named.
void TestPositionFile::byteOrderMarkAndNonFiniteValues()
{
    QFETCH(QByteArray, content);
    QFETCH(QByteArray, names);
    QFETCH(int, damagedLine);
    addProject("p", content);
    QVERIFY(exportPositions());
    std::vector<ImageRecord> merged;
    QCOMPARE(readXyzFile(QFile::encodeName(positionFile), &merged), PositionFileReading::Read);
    QCOMPARE(::names(merged), names);
    QCOMPARE(positionsRead.damaged.size(), size_t(damagedLine > 0 ? 1 : 0));
    if (damagedLine > 0) {
        QCOMPARE(positionsRead.damaged[0].fromLine, damagedLine);
        QVERIFY(!positionsRead.damaged[0].onward);
    }
}

void TestPositionFile::readsValuesAndStripNumbers()
{
    const std::vector<ImageRecord> records = read(
        "C:\\photos\\IMG_0001.JPG 1.5 -2 3e2 0.1 0.2 0.3 17\n"
        "six 1 2 3 4 5\n"
        "\n"
        "  \t \n"
        "words one two three four five six\n"
        "/data/seven.tif\t1 2 3 4 5 6\r\n"
        "last 6 5 4 3 2 1 9");
    QCOMPARE(names(records), QByteArray("IMG_0001 seven last"));

    const ImageRecord &first = records[0];
    QCOMPARE(first.X, 1.5);
    QCOMPARE(first.Y, -2.0);
    QCOMPARE(first.Z, 300.0);
    QCOMPARE(first.omega, 0.1);
    QCOMPARE(first.phi, 0.2);
    QCOMPARE(first.kappa, 0.3);
    QCOMPARE(first.stripNo, 17);
    QCOMPARE(first.imageIdx, 0);
    QCOMPARE(first.camIdx, 0);
    for (double value : first.rotation)
        QCOMPARE(value, 0.0);
    // The name field holds the base name alone, cleared behind it.
    for (size_t i = sizeof("IMG_0001"); i < sizeof(first.name); ++i)
        QCOMPARE(first.name[i], '\0');

    QCOMPARE(records[1].stripNo, -1);
    QCOMPARE(records[1].kappa, 6.0);
    QCOMPARE(records[2].stripNo, 9);
}

void TestPositionFile::coordinateBound_data()
{
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<bool>("kept");
    QTest::newRow("Z at the bound") << QByteArray("n 0 0 -999999 0 0 0 1") << true;
    QTest::newRow("all at the bound") << QByteArray("n -999999 -999999 -999999 0 0 0") << true;
    QTest::newRow("Z below") << QByteArray("n 0 0 -1000000 0 0 0 1") << false;
    QTest::newRow("Z just below") << QByteArray("n 0 0 -999999.001 0 0 0 1") << false;
    QTest::newRow("X below") << QByteArray("n -1000000 0 0 0 0 0 1") << false;
    QTest::newRow("Y below") << QByteArray("n 0 -1000000 0 0 0 0 1") << false;
    QTest::newRow("Z not a number") << QByteArray("n 0 0 nan 0 0 0 1") << false;
    QTest::newRow("angles unbounded") << QByteArray("n 0 0 0 -5e9 -5e9 -5e9 1") << true;
}

void TestPositionFile::coordinateBound()
{
    QFETCH(QByteArray, line);
    QFETCH(bool, kept);
    QCOMPARE(read(line + "\n").size(), size_t(kept ? 1 : 0));
}

void TestPositionFile::overlongLinesAndNamesAreSkippedWhole()
{
    const QByteArray values = " 1 2 3 4 5 6 7";
    const QByteArray name511(511, 'n');
    // A line of 1023 bytes and its newline is the longest that fits.
    const QByteArray longest = "fits" + values + QByteArray(1023 - 4 - values.size(), ' ');
    QCOMPARE(longest.size(), 1023);
    // Its tail, past the buffer, looks like a record of its own.
    const QByteArray split = "head" + values + QByteArray(1100, ' ') + "ghost" + values;

    const std::vector<ImageRecord> records = read(
        "before" + values + "\n"
        + name511 + values + "\n"
        + QByteArray(512, 'x') + values + "\n"
        // Cut at 511 bytes, this name's last digit would pass for X.
        + QByteArray(511, 'y') + "5 1 2 3 4 5 6\n"
        + longest + "\n"
        + longest + " \n"
        + split + "\n"
        + QByteArray(5000, 'z') + "\n"
        + "after" + values + "\n");

    QCOMPARE(names(records), "before " + name511 + " fits after");
    QCOMPARE(records[1].X, 1.0);
    QCOMPARE(records[3].stripNo, 7);
}

void TestPositionFile::missingFileReturnsZero()
{
    std::vector<ImageRecord> records(1);
    QCOMPARE(readXyzFile(QFile::encodeName(temp + "/none_xyz.txt"), &records), PositionFileReading::NotOpened);
    QCOMPARE(names(records), QByteArray("NULL"));
}

void TestPositionFile::mergedFileSortedAndDeduplicated()
{
    addProject("a", "C:\\photos\\IMG_0001.JPG 1 2 3 4 5 6 7\n"
                    "IMG_10 10 20 30 0.25 0.5 0.75\n"
                    "a 2.5 2.5 2.5 2.5 2.5 2.5 1\n"
                    "B -1.5 0 0 0 0 0 2\n"
                    "IMG_1 1234567890.5 0 0 1234567890.5 0 0 3\n"
                    "low 0 0 -1000000 0 0 0 4\n"
                    "edge 0 0 -999999 0 0 0 5\n");
    addProject("b", "IMG_0001.JPG 9 9 9 9 9 9 9\n"
                    "\xc3\xa9t\xc3\xa9 0 0 0 0 0 0 6\n"
                    "z 0 0 0 0 0 0 12345\n");
    QTest::ignoreMessage(QtDebugMsg, "8");

    QVERIFY(exportPositions());

    // No blank between Z and omega: a 20-character omega runs into Z.
    QCOMPARE(readText(positionFile), QByteArray(
        "B         -1.500000000          0.000000000          0.000000000         0.000000000          0.000000000          0.000000000     2\n"
        "IMG_0001          1.000000000          2.000000000          3.000000000         4.000000000          5.000000000          6.000000000     7\n"
        "IMG_1 1234567890.500000000          0.000000000          0.0000000001234567890.500000000          0.000000000          0.000000000     3\n"
        "IMG_10         10.000000000         20.000000000         30.000000000         0.250000000          0.500000000          0.750000000    -1\n"
        "a          2.500000000          2.500000000          2.500000000         2.500000000          2.500000000          2.500000000     1\n"
        "edge          0.000000000          0.000000000    -999999.000000000         0.000000000          0.000000000          0.000000000     5\n"
        "z          0.000000000          0.000000000          0.000000000         0.000000000          0.000000000          0.000000000 12345\n"
        "\xc3\xa9t\xc3\xa9          0.000000000          0.000000000          0.000000000         0.000000000          0.000000000          0.000000000     6\n"));
}

void TestPositionFile::firstOfEachNameSurvives()
{
    // Enough records with the same names that an unstable sort mixes them up.
    QByteArray first, second;
    for (int i = 0; i < 100; ++i) {
        first += QByteArray(i % 2 ? "C" : "D") + " " + QByteArray::number(i) + " 0 0 0 0 0 1\n";
        second += QByteArray(i % 2 ? "D" : "C") + " " + QByteArray::number(100 + i) + " 0 0 0 0 0 2\n";
    }
    addProject("first", first);
    addProject("second", second);

    exportPositions();

    QCOMPARE(readText(positionFile), QByteArray(
        "C          1.000000000          0.000000000          0.000000000         0.000000000          0.000000000          0.000000000     1\n"
        "D          0.000000000          0.000000000          0.000000000         0.000000000          0.000000000          0.000000000     1\n"));
}

// Names that share a long prefix and differ only past the eight bytes after
// it, names that begin other names, bytes above 0x7f and repeated names, over
// several files: byte order and the first of each name, as a map of the names
// in reading order gives them.
void TestPositionFile::namesSortedByteWisePastSharedPrefix()
{
    const QByteArrayList tails = {"", "a", "ab", "abcdefgh", "abcdefghZ", "abcdefghA", "abcdefgh\xc3\xa9",
                                  "\xc3\xa9", "b", "abcdefg", "abcdefgi", "A"};
    std::map<QByteArray, int> firsts;
    int line = 0;
    for (int file = 0; file < 3; ++file) {
        QByteArray lines;
        for (int i = 0; i < tails.size(); ++i) {
            const QByteArray name = "block/long_shared_prefix_" + tails[(i * 5 + file * 7) % tails.size()];
            lines += name + " " + QByteArray::number(line) + " 0 0 0 0 0 1\n";
            firsts.emplace(name.mid(int(strlen("block/"))), line++);
        }
        addProject("p" + QString::number(file), lines);
    }

    QVERIFY(exportPositions());

    const std::vector<ImageRecord> merged = exported();
    QCOMPARE(merged.size(), firsts.size());
    auto expected = firsts.begin();
    for (const ImageRecord &record : merged) {
        QCOMPARE(QByteArray(record.name), expected->first);
        QCOMPARE(record.X, double(expected->second));
        ++expected;
    }
}

// A merge run again writes the same file over the first.
void TestPositionFile::secondExportWritesTheSameFile()
{
    addProject("a", "IMG_2 2 0 0 0 0 0 1\nIMG_1 1 0 0 0 0 0 1\nIMG_2 3 0 0 0 0 0 1\n");
    exportPositions();
    const QByteArray kept = readBytes(positionFile);
    QCOMPARE(exported().size(), size_t(2));

    exportPositions();
    QCOMPARE(readBytes(positionFile), kept);
    QVERIFY(kept.startsWith("IMG_1          1.000000000 "));
}

void TestPositionFile::noProjectsGivesEmptyFile()
{
    const QString path = temp + "/out/m/m_xyz.txt";
    QVERIFY(writeBytes(path, "left from an earlier merge\n"));

    exportPositions();

    QVERIFY(QFileInfo::exists(path));
    QCOMPARE(readBytes(path), QByteArray());
}

void TestPositionFile::unreadablePositionFileSkipped()
{
    addProject("gone", QByteArray());
    addProject("here", "img 1 2 3 4 5 6 7\nimg 1 2 3 4 5 6\n");
    addProject("useless", "img 1 2 3 4 5\n");
    // Neither a pipe nor endless bytes hold the merge up: a pipe (on Windows,
    // which has none in folders, a folder) is no file, and a line longer than
    // 64 KiB ends the reading of its file.
    addProject("pipe", QByteArray());
#ifdef Q_OS_WIN
    QVERIFY(QDir().mkdir(projects[3].xyzFile));
#else
    QCOMPARE(mkfifo(QFile::encodeName(projects[3].xyzFile).constData(), 0600), 0);
#endif
    const QByteArray endless(64 * 1024 + 1, 'x');
    addProject("damaged", "a 1 2 3 4 5 6\nb 1 2 3 4 5 6\n" + endless + "\nc 1 2 3 4 5 6\n");
    addProject("long", QByteArray(64 * 1024, 'y') + "\nd 1 2 3 4 5 6\n");

    QVERIFY(exportPositions());
    QCOMPARE(positionsRead.unreadable, (QStringList{projects[0].xyzFile, projects[3].xyzFile}));
    QCOMPARE(positionsRead.withoutLines, QStringList{projects[2].xyzFile});
    QCOMPARE(positionsRead.damaged.size(), size_t(1));
    QCOMPARE(positionsRead.damaged[0].file, projects[4].xyzFile);
    QCOMPARE(positionsRead.damaged[0].fromLine, 3);
    QCOMPARE(positionsRead.lines, 5);
    QCOMPARE(positionsRead.merged, 4);
    projects.resize(3);
    QVERIFY(exportPositions());

    QCOMPARE(readText(positionFile), QByteArray(
        "img          1.000000000          2.000000000          3.000000000         4.000000000          5.000000000          6.000000000     7\n"));
}

// A wrong file picked as a position file may announce any size (here a sparse
// file of 32 MiB holding one line): memory follows the lines read. A child
// merges it with its address space limited to what it uses now and 48 MiB.
void TestPositionFile::memoryFollowsLinesReadNotFileSize()
{
#ifdef Q_OS_WIN
    QSKIP("the limit on a child's address space is a POSIX one");
#else
    const QString sparse = temp + "/sparse_xyz.txt";
    QVERIFY(writeBytes(sparse, "img 1 2 3 4 5 6 7\n"));
    QVERIFY(QFile::resize(sparse, qint64(32) << 20));
    const QString out = temp + "/out/m/m_xyz.txt";
    const pid_t child = fork();
    if (child == 0) {
        // A failed allocation ends the child at once, without the test's
        // fatal error handling, which the fork left without its threads.
        std::signal(SIGABRT, SIG_DFL);
        std::set_terminate([] { _exit(4); });
        rlimit limit{};
        limit.rlim_cur = limit.rlim_max = addressSpaceInUse() + (rlim_t(48) << 20);
        PositionsRead read;
        const bool written = setrlimit(RLIMIT_AS, &limit) == 0 && writeMergedPositions({sparse}, out, &read);
        _exit(written && read.lines == 1 ? 0 : 3);
    }
    int status = 0;
    QVERIFY(child > 0 && waitpid(child, &status, 0) == child);
    QVERIFY2(WIFEXITED(status) && WEXITSTATUS(status) == 0, qPrintable(QString::number(status)));
    QCOMPARE(readBytes(out).left(4), QByteArray("img "));
#endif
}

void TestPositionFile::unwritableOutputNotMade()
{
    addProject("here", "img 1 2 3 4 5 6 7\n");
    positionFile = temp + "/out//missing//missing_xyz.txt";

    QVERIFY(!exportPositions());

    QVERIFY(!QFileInfo::exists(positionFile));
}

void TestPositionFile::decimalCommaLocaleDoesNotLeakIntoFiles()
{
    std::optional<CommaLocale> commaLocale(std::in_place);
    if (!commaLocale->isActive())
        QSKIP("no locale with a decimal comma could be made");
    char probe[16];

    addProject("a", "img 2.5 -0.5 1e3 0.25 0 0 7\n");
    exportPositions();
    std::snprintf(probe, sizeof(probe), "%.1f", 2.5);
    commaLocale.reset();

    QCOMPARE(QByteArray(probe), QByteArray("2,5")); // the caller's locale is back
    QCOMPARE(readText(positionFile), QByteArray(
        "img          2.500000000         -0.500000000       1000.000000000         0.250000000          0.000000000          0.000000000     7\n"));
}

// A reader's scope may hold another on the same thread (a reader called
// from a reader): each gives back the numbers as they were before it.
void TestPositionFile::numberScopesNest()
{
    const CommaLocale commaLocale;
    if (!commaLocale.isActive())
        QSKIP("no locale with a decimal comma could be made");
    char inner[16], between[16], after[16];
    {
        const CNumericLocale outer;
        {
            const CNumericLocale nested;
            std::snprintf(inner, sizeof(inner), "%.1f", 2.5);
        }
        std::snprintf(between, sizeof(between), "%.1f", 2.5);
    }
    std::snprintf(after, sizeof(after), "%.1f", 2.5);
    QCOMPARE(QByteArrayList({inner, between, after}), QByteArrayList({"2.5", "2.5", "2,5"}));
}

QTEST_APPLESS_MAIN(TestPositionFile)
#include "tst_positionfile.moc"
