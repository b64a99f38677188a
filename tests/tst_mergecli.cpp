#include "mergefixture.h"
#include "testfiles.h"

#include <QtTest>

namespace {

struct Run
{
    int exitCode = -1;
    QString out;
    QString err;
};

Run runCli(const QStringList &arguments, const QString &program = binPath("q7prjmerge-cli"))
{
    QProcess cli;
    cli.start(program, arguments);
    Run run;
    if (cli.waitForFinished(120000) && cli.exitStatus() == QProcess::NormalExit)
        run.exitCode = cli.exitCode();
    run.out = QString::fromLocal8Bit(cli.readAllStandardOutput());
    run.err = QString::fromLocal8Bit(cli.readAllStandardError());
    return run;
}

// Copies a file, keeping its permissions.
bool copyInto(const QString &from, const QString &folder)
{
    return QDir().mkpath(folder) && QFile::copy(from, folder + "/" + QFileInfo(from).fileName());
}

} // namespace

class TestMergeCli : public QObject
{
    Q_OBJECT

private slots:
    void init();

    void mergesAndSummarises();
    void helpExplainsUsage();
    void refusesToStart_data();
    void refusesToStart();
    void refusesUnreadableProjectsBeforeWriting();
    void failedSolverEndsWithExitOne();
    void printsTimingsOnRequest();
    void sizeLimitKeepsEarlierFilesAndEndsWithExitOne();
    void runsFromACopyOfItsFolder();

private:
    std::unique_ptr<QTemporaryDir> tempDir;
    QString temp;
    QStringList samples;
};

void TestMergeCli::init()
{
    temp = freshTempDir(tempDir);
    QVERIFY(!temp.isEmpty());
    samples = makeSampleProjects(temp + "/src", 2, 20);
    QCOMPARE(samples.size(), 2);
}

void TestMergeCli::mergesAndSummarises()
{
    const Run run = runCli(QStringList{"--dir", temp, "--name", "m"} + samples);
    QCOMPARE(run.exitCode, 0);
    QVERIFY2(run.out.endsWith(QString("Merged 2 projects into %1//m: 4 cameras, 39 images.\n").arg(temp)),
             qPrintable(run.out));
    QCOMPARE(tableRows(temp + "/m/m.temp", "imageinfos", "Name").size(), 39);
}

void TestMergeCli::helpExplainsUsage()
{
    const Run run = runCli({"--help"});
    QCOMPARE(run.exitCode, 0);
    QVERIFY(run.out.contains("--dir <DIR>"));
    QVERIFY(run.out.contains("Exit codes: 0"));
}

void TestMergeCli::refusesToStart_data()
{
    const QString examples = Q7_SOURCE_DIR "/examples";
    const QString project = examples + "/block01/block01.Q7D";
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("message");
    QTest::newRow("no project") << QStringList{"--dir", "/tmp", "--name", "m"} << "Usage:";
    QTest::newRow("no name") << QStringList{"--dir", "/tmp", project} << "Usage:";
    QTest::newRow("unknown option") << QStringList{"--fast", project} << "Unknown option 'fast'.";
    QTest::newRow("empty dir") << QStringList{"--dir", "", "--name", "m", project}
                               << "Tips: Please enter the saved path.";
    QTest::newRow("empty name") << QStringList{"--dir", "/tmp", "--name", "", project}
                                << "Tips: Please enter a save file name.";
    QTest::newRow("missing parent") << QStringList{"--dir", "/nonexistent/deeper", "--name", "m", project}
                                    << "Tips: Folder creation failed!";
    QTest::newRow("overwrites a source") << QStringList{"--dir", examples, "--name", "block01", project}
                                         << QString("Tips: The new project's project file %1//block01/block01.Q7D "
                                                    "would overwrite the project file of the source project %2.")
                                                .arg(examples, project);
    QTest::newRow("missing project file") << QStringList{"--dir", "/tmp", "--name", "m", project, "/no/such/p.Q7D"}
                                          << "No such project file: /no/such/p.Q7D";
    QTest::newRow("not a project file") << QStringList{"--dir", "/tmp", "--name", "m", "/etc/passwd", project}
                                        << "Not a readable project file: /etc/passwd";
}

void TestMergeCli::refusesToStart()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, message);
    const Run run = runCli(arguments);
    QCOMPARE(run.exitCode, 2);
    QVERIFY2(run.err.contains(message), qPrintable(run.err));
    QVERIFY(run.out.isEmpty());
}

void TestMergeCli::refusesUnreadableProjectsBeforeWriting()
{
    const Run run = runCli(QStringList{"--dir", temp, "--name", "m", "/no/such/p.Q7D", temp + "/src"} + samples);
    QCOMPARE(run.exitCode, 2);
    QVERIFY2(run.err.contains("No such project file: /no/such/p.Q7D\nNot a readable project file: " + temp + "/src\n"),
             qPrintable(run.err));
    QCOMPARE(QDir(temp).entryList(QDir::NoDotAndDotDot | QDir::AllEntries), QStringList({"src"}));
}

void TestMergeCli::failedSolverEndsWithExitOne()
{
    QVERIFY(QFile::remove(temp + "/src/block02/Adjustment/block02_ori.q7c"));
    const Run run = runCli(QStringList{"--dir", temp, "--name", "m"} + samples);
    QCOMPARE(run.exitCode, 1);
    QVERIFY(run.err.contains("block02_ori.q7c"));
    QVERIFY2(run.out.contains("- solver: "), qPrintable(run.out));
    QVERIFY(run.out.contains("- merged orientation file: "));
}

void TestMergeCli::printsTimingsOnRequest()
{
    const Run run = runCli(QStringList{"--timings", "--dir", temp, "--name", "m"} + samples);
    QCOMPARE(run.exitCode, 0);
    for (const char *step : {"preparation:", "position export:", "solver:", "camera file:", "image list:",
                             "groups:", "total:"})
        QVERIFY2(run.out.contains(QRegularExpression(QString("\n%1 +\\d+ ms\n").arg(step))), step);
    // Both programs need memory: neither figure can be zero.
    for (const char *figure : {"peak memory:", "solver peak memory:"})
        QVERIFY2(run.out.contains(QRegularExpression(QString("\n%1 +[1-9]\\d* KiB\n").arg(figure))), figure);
}

void TestMergeCli::sizeLimitKeepsEarlierFilesAndEndsWithExitOne()
{
    QVERIFY(QFileInfo::exists("/usr/bin/prlimit"));
    QCOMPARE(runCli(QStringList{"--dir", temp, "--name", "m"} + samples).exitCode, 0);
    const QString out = temp + "/m/";
    const QByteArray positions = readBytes(out + "m_xyz.txt");
    QVERIFY(positions.size() > 4096);

    // Files may not grow beyond 4096 bytes: the position file (and the
    // solver's result and the database) cannot be written this time.
    const Run run = runCli(QStringList{"--fsize=4096", binPath("q7prjmerge-cli"), "--dir", temp, "--name", "m"} + samples,
                           "/usr/bin/prlimit");
    QCOMPARE(run.exitCode, 1);
    QVERIFY2(run.out.contains(QString("\n- position export: %1//m//m_xyz.txt could not be written").arg(temp)),
             qPrintable(run.out));
    QCOMPARE(readBytes(out + "m_xyz.txt"), positions);
    QDirIterator it(out, QDirIterator::Subdirectories);
    while (it.hasNext())
        QVERIFY2(!it.next().contains(".part"), qPrintable(it.filePath()));
}

void TestMergeCli::runsFromACopyOfItsFolder()
{
    const QString bin = temp + "/copy/bin";
    QVERIFY(copyInto(binPath("q7prjmerge-cli"), bin));
    QVERIFY(copyInto(binPath("AT/Z7Uzurer"), bin + "/AT"));
    for (const QString &driver : QDir(binPath("sqldrivers")).entryList(QDir::Files))
        QVERIFY(copyInto(binPath("sqldrivers/") + driver, bin + "/sqldrivers"));

    const Run run = runCli(QStringList{"--dir", temp, "--name", "m"} + samples, bin + "/q7prjmerge-cli");
    QCOMPARE(run.exitCode, 0);
    QCOMPARE(tableRows(temp + "/m/m.temp", "groups", "GroupID").size(), 4);
}

QTEST_GUILESS_MAIN(TestMergeCli)
#include "tst_mergecli.moc"
