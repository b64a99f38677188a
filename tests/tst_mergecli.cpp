#include "mergefixture.h"
#include "q7version.h"
#include "testfiles.h"

#include <QtTest>
#include <csignal>
#ifdef Q_OS_UNIX
#include <unistd.h>
#endif
#ifdef Q_OS_WIN
#include <windows.h>
#endif

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
    cli.start(program, arguments, QIODevice::ReadWrite | QIODevice::Text);
    Run run;
    if (cli.waitForFinished(patientMs) && cli.exitStatus() == QProcess::NormalExit)
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

// A copy of the batch program in folder whose solver is slow: it leaves a
// mark that it ran, merges as the real one does, says so with its process id
// on standard error ("solver <pid> merged") and only then ends, a minute later.
// With mergeLate it says "solver <pid> started" and merges only two seconds
// later.
QString cliWithSlowSolver(const QString &folder, bool mergeLate = false)
{
    if (!copyInto(programFile("q7prjmerge-cli"), folder))
        return QString();
    for (const QString &driver : QDir(binPath("sqldrivers")).entryList(QDir::Files)) {
        if (!copyInto(binPath("sqldrivers/") + driver, folder + "/sqldrivers"))
            return QString();
    }
    const QString solver = folder + "/AT/Z7Uzurer";
    const QByteArray late = mergeLate ? "echo \"solver $$ started\" >&2\nsleep 2\n" : "";
    const QByteArray script = "#!/bin/sh\ntouch \"$0.ran\"\n" + late + "\"" + binPath("AT/Z7Uzurer").toLocal8Bit()
                              + "\" \"$@\" || exit $?\necho \"solver $$ merged\" >&2\nexec sleep 60\n";
    if (!QDir().mkpath(folder + "/AT") || !writeBytes(solver, script)
        || !QFile::setPermissions(solver, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner))
        return QString();
    return folder + "/q7prjmerge-cli";
}

// Ends the process pid at once, as a power cut would.
void killProcess(qint64 pid)
{
#ifdef Q_OS_WIN
    if (HANDLE process = OpenProcess(PROCESS_TERMINATE, FALSE, DWORD(pid))) {
        TerminateProcess(process, 9);
        CloseHandle(process);
    }
#else
    ::kill(pid_t(pid), SIGKILL);
#endif
}

#ifdef Q_OS_LINUX
// Whether the process pid has ended: gone, or a zombie no one collected yet.
bool processGone(qint64 pid)
{
    QFile stat(QString("/proc/%1/stat").arg(pid));
    return !stat.open(QIODevice::ReadOnly) || stat.readAll().contains(") Z ");
}
#endif

// Starts the program and waits until its standard error holds marker;
// returns that standard error.
QString startUntilSaid(QProcess &cli, const QString &program, const QStringList &arguments, const QString &marker)
{
    cli.setReadChannel(QProcess::StandardError);
    cli.start(program, arguments, QIODevice::ReadWrite | QIODevice::Text);
    QString err;
    while (!err.contains(marker) && cli.waitForReadyRead(patientMs))
        err += QString::fromLocal8Bit(cli.readAllStandardError());
    return err;
}

// Starts the program and kills it (SIGKILL) once its standard error holds
// marker; returns that standard error.
QString killWhenSaid(QProcess &cli, const QString &program, const QStringList &arguments, const QString &marker)
{
    const QString err = startUntilSaid(cli, program, arguments, marker);
    cli.kill();
    cli.waitForFinished();
    return err;
}

} // namespace

class TestMergeCli : public QObject
{
    Q_OBJECT

private slots:
    void init();

    void mergesAndSummarises();
    void terminalShowsTheTablesRows_data();
    void terminalShowsTheTablesRows();
    void helpExplainsUsage();
    void jsonAnswersHelpAndVersion();
    void refusesToStart_data();
    void refusesToStart();
    void refusesUnreadableProjectsBeforeWriting();
    void projectListedTwiceThroughHardLinkIsRefused();
    void failedSolverEndsWithExitOne();
    void relativePathsMadeAbsolute();
    void printsTimingsOnRequest();
    void sizeLimitKeepsEarlierFilesAndEndsWithExitOne();
    void runsFromACopyOfItsFolder();
    void missingPositionFileEndsWithExitOne();
    void unwritableListRunsNoSolver();
    void signalStopsAsStopDoes_data();
    void signalStopsAsStopDoes();
    void killedMergeLeavesNoSolverBehind();
    void secondMergeIntoOneProjectIsRefused();
    void refusesToWriteThroughLinks_data();
    void refusesToWriteThroughLinks();
    void hardLinkedBackupKeepsItsBytes();
    void pathLimits_data();
    void pathLimits();
    void killedMergeRunAgainEqualsCleanMerge_data();
    void killedMergeRunAgainEqualsCleanMerge();

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
    QVERIFY2(run.out.contains(QRegularExpression(
                 QRegularExpression::escape(QString("Merged 2 projects into %1: 4 cameras, 39 images.\n"
                                                    "Images: 40 read from the source position files, 39 in the "
                                                    "merged project (1 shared image merged once).\n").arg(shown(temp + "/m")))
                 + "Total time: \\d+\\.\\d s\n" + QRegularExpression::escape("New project file: " + shown(temp + "/m/m.Q7D") + "\n")
                 + "$")),
             qPrintable(run.out));
    QCOMPARE(tableRows(temp + "/m/m.temp", "imageinfos", "Name").size(), 39);
}

void TestMergeCli::terminalShowsTheTablesRows_data()
{
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<bool>("rows");
    QTest::newRow("summary") << QStringList{} << true;
    QTest::newRow("json") << QStringList{"--json"} << false;
}

// On a terminal the running step's line also counts a table's rows, but not
// with --json; standard output is as it is off a terminal.
void TestMergeCli::terminalShowsTheTablesRows()
{
    QFETCH(QStringList, options);
    QFETCH(bool, rows);
#ifdef Q_OS_WIN
    QSKIP("script(1) and its pseudo terminal are POSIX ones");
#endif
    // script(1) gives the program a terminal; standard output goes to a file.
    const QString command = (QStringList{binPath("q7prjmerge-cli")} + options
                             + QStringList{"--dir", temp, "--name", "m"} + samples).join(' ');
    const Run run = runCli({"-qec", command + " >" + temp + "/out", "/dev/null"}, "script");
    QCOMPARE(run.exitCode, 0);
    // (Read in text mode: without the carriage returns.)
    QVERIFY(run.out.contains("\033[Kimageinfos..."));
    for (const char *line : {"imageinfos 0 of 39...", "eofInfo 39 of 39...", "groups 4 of 4..."})
        QCOMPARE(run.out.contains(line), rows);
    const QByteArray out = readBytes(temp + "/out");
    QVERIFY(!out.contains(" of 39") && !out.contains('\r'));
}

void TestMergeCli::helpExplainsUsage()
{
    const Run run = runCli({"--help"});
    QCOMPARE(run.exitCode, 0);
    QVERIFY(run.out.contains("--dir <DIR>"));
    QVERIFY(run.out.contains("Exit codes: 0"));
}

// One object and nothing else on standard output.
void TestMergeCli::jsonAnswersHelpAndVersion()
{
    for (const char *option : {"--help", "--version"}) {
        const Run run = runCli({"--json", option});
        const QJsonObject object = QJsonDocument::fromJson(run.out.toUtf8()).object();
        QVERIFY2(run.exitCode == 0 && run.out.count('\n') == 1, qPrintable(run.out));
        QCOMPARE(object.value("version").toString(), QString(Q7_VERSION));
        QCOMPARE(object.value("help").toString().contains("--dir <DIR>"), option == QByteArray("--help"));
    }
}

void TestMergeCli::refusesToStart_data()
{
    const QString examples = Q7_SOURCE_DIR "/examples";
    const QString project = examples + "/block01/block01.Q7D";
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("message");
    const QString seeHelp = " See 'q7prjmerge-cli --help'.";
    QTest::newRow("no project") << QStringList{"--dir", "/tmp", "--name", "m"} << "Missing PROJECT.Q7D." + seeHelp;
    QTest::newRow("no name") << QStringList{"--dir", "/tmp", project} << "Missing --name." + seeHelp;
    QTest::newRow("nothing") << QStringList{} << "Missing --dir, --name, PROJECT.Q7D." + seeHelp;
    QTest::newRow("unknown option") << QStringList{"--fast", project} << "Unknown option 'fast'." + seeHelp;
    QTest::newRow("empty dir") << QStringList{"--dir", "", "--name", "m", project}
                               << "Please enter the saved path.";
    QTest::newRow("empty name") << QStringList{"--dir", "/tmp", "--name", "", project}
                                << "Please enter a save file name.";
    QTest::newRow("missing parent") << QStringList{"--dir", "/nonexistent/deeper", "--name", "m", project}
                                    << "Folder creation failed!\n" + shown("/nonexistent/deeper/m") + ": No such file or directory";
    QTest::newRow("output is a file") << QStringList{"--dir", "/etc", "--name", "passwd", project}
                                      << "Folder creation failed!\n" + shown("/etc/passwd") + ": Not a directory";
    QTest::newRow("name ..") << QStringList{"--dir", "/tmp", "--name", "..", project}
                             << "The project name \"..\" names a folder, not a new project.";
    QTest::newRow("name ../x") << QStringList{"--dir", "/tmp", "--name", "../x", project}
                               << "The project name must not contain \"/\".";
    QTest::newRow("overwrites a source") << QStringList{"--dir", examples, "--name", "block01", project}
                                         << QString("The new project's project file %1 "
                                                    "would overwrite the project file of the source project %2.")
                                                .arg(shown(examples + "/block01/block01.Q7D"), shown(project));
    QTest::newRow("missing project file") << QStringList{"--dir", "/tmp", "--name", "m", project, "/no/such/p.Q7D"}
                                          << "No such project file: " + shown("/no/such/p.Q7D");
    QTest::newRow("not a project file") << QStringList{"--dir", "/tmp", "--name", "m", "/etc/passwd", project}
                                        << "Not a readable project file: " + shown("/etc/passwd");
    QTest::newRow("same project twice") << QStringList{"--dir", "/tmp", "--name", "m", project,
                                                       examples + "/block02/block02.Q7D", examples + "/block01/../block01/block01.Q7D"}
                                        << "Listed more than once: " + shown(examples + "/block01/../block01/block01.Q7D");
}

// Nothing on standard output but, with --json, one object with the reason.
void TestMergeCli::refusesToStart()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, message);
    const Run run = runCli(arguments);
    QCOMPARE(run.exitCode, 2);
    QVERIFY2(run.err.count(message) == 1, qPrintable(run.err)); // told once
    QVERIFY(run.out.isEmpty());

    const Run json = runCli(QStringList{"--json"} + arguments);
    QCOMPARE(json.exitCode, 2);
    QVERIFY2(json.err.contains(message), qPrintable(json.err));
    QJsonParseError error;
    const QJsonObject object = QJsonDocument::fromJson(json.out.toUtf8(), &error).object();
    QVERIFY2(error.error == QJsonParseError::NoError && json.out.count('\n') == 1, qPrintable(json.out));
    QCOMPARE(object.value("started").toBool(true), false);
    QCOMPARE(object.value("exitCode").toInt(), 2);
    // The reason, not the caption of the dialog's message box.
    QVERIFY2(object.value("reason").toString().startsWith(message), qPrintable(json.out));
}

// The same project file under another path, through a hard link.
void TestMergeCli::projectListedTwiceThroughHardLinkIsRefused()
{
#ifdef Q_OS_WIN
    QSKIP("hard links are made with the POSIX call here");
#else
    const QString twin = temp + "/twin/block01.Q7D";
    QVERIFY(QDir().mkpath(temp + "/twin"));
    QCOMPARE(::link(QFile::encodeName(samples[0]).constData(), QFile::encodeName(twin).constData()), 0);
    const Run run = runCli(QStringList{"--dir", temp, "--name", "m"} + samples + QStringList{twin});
    QCOMPARE(run.exitCode, 2);
    QVERIFY2(run.err.contains("Listed more than once: " + twin), qPrintable(run.err));
    QVERIFY(!QFileInfo::exists(temp + "/m"));
#endif
}

void TestMergeCli::refusesUnreadableProjectsBeforeWriting()
{
    const Run run = runCli(QStringList{"--dir", temp, "--name", "m", "/no/such/p.Q7D", temp + "/src"} + samples);
    QCOMPARE(run.exitCode, 2);
    QVERIFY2(run.err.contains("No such project file: " + shown("/no/such/p.Q7D") + "\nNot a readable project file: "
                                 + shown(temp + "/src") + "\n"),
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
    QVERIFY2(run.out.endsWith("No new project file was written.\n") && !run.out.contains("New project file:"),
             qPrintable(run.out));

    // The reader's own lines do not spoil the JSON.
    const Run json = runCli(QStringList{"--json", "--dir", temp, "--name", "m"} + samples);
    QCOMPARE(json.exitCode, 1);
    const QJsonObject object = QJsonDocument::fromJson(json.out.toUtf8()).object();
    QVERIFY2(object.value("reason").toString().contains("- solver: "), qPrintable(json.out));
    QCOMPARE(object.value("exitCode").toInt(), 1);
}

// A relative --dir and relative project files are taken from where the
// program runs: the new project names them absolutely.
void TestMergeCli::relativePathsMadeAbsolute()
{
    QProcess cli;
    cli.setWorkingDirectory(temp);
    cli.start(binPath("q7prjmerge-cli"), {"--dir", ".", "--name", "m", "src/block01/block01.Q7D", "src/block02/block02.Q7D"});
    QVERIFY(cli.waitForFinished(patientMs));
    QCOMPARE(cli.exitCode(), 0);
    QVERIFY2(readBytes(temp + "/m/m.Q7D").contains(nativePath(temp + "//m/m" + imageListEnding)),
             readBytes(temp + "/m/m.Q7D").constData());
    QCOMPARE(readText(temp + "/m/m.txt"), (temp + "/src/block01//Adjustment//block01_ori.q7c\n" + temp
                                            + "/src/block02//Adjustment//block02_ori.q7c\n").toLocal8Bit());
}

void TestMergeCli::printsTimingsOnRequest()
{
    const Run run = runCli(QStringList{"--timings", "--dir", temp, "--name", "m"} + samples);
    QCOMPARE(run.exitCode, 0);
    for (const char *step : {"output folder:", "solver input list:", "position export:", "solver:", "camera file:", "image list:",
                             "groups:", "total:"})
        QVERIFY2(run.out.contains(QRegularExpression(QString("\n%1 +\\d+ ms\n").arg(step))), step);
#ifdef Q_OS_UNIX
    // Both programs need memory: neither figure can be zero (the system
    // counts them where it has getrusage).
    for (const char *figure : {"peak memory:", "solver peak memory:"})
        QVERIFY2(run.out.contains(QRegularExpression(QString("\n%1 +[1-9]\\d* KiB\n").arg(figure))), figure);
#endif
}

void TestMergeCli::sizeLimitKeepsEarlierFilesAndEndsWithExitOne()
{
#ifdef Q_OS_WIN
    QSKIP("Windows has no file size limit for a process to run under");
#endif
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
    QVERIFY2(run.out.contains(QString("\n- position export: %1 could not be written").arg(shown(temp + "/m/m_xyz.txt"))),
             qPrintable(run.out));
    QCOMPARE(readBytes(out + "m_xyz.txt"), positions);
    QDirIterator it(out, QDirIterator::Subdirectories);
    while (it.hasNext())
        QVERIFY2(!it.next().contains(".part"), qPrintable(it.filePath()));
}

void TestMergeCli::runsFromACopyOfItsFolder()
{
    const QString bin = temp + "/copy/bin";
    QVERIFY(copyInto(programFile("q7prjmerge-cli"), bin));
    QVERIFY(copyInto(programFile("AT/Z7Uzurer"), bin + "/AT"));
    for (const QString &driver : QDir(binPath("sqldrivers")).entryList(QDir::Files))
        QVERIFY(copyInto(binPath("sqldrivers/") + driver, bin + "/sqldrivers"));
    // On Windows the libraries come with the program.
    for (const QString &library : QDir(binPath("")).entryList({"*.dll"}, QDir::Files))
        QVERIFY(copyInto(binPath(library), bin));

    const Run run = runCli(QStringList{"--dir", temp, "--name", "m"} + samples, bin + "/q7prjmerge-cli");
    QCOMPARE(run.exitCode, 0);
    QCOMPARE(tableRows(temp + "/m/m.temp", "groups", "GroupID").size(), 4);
}

void TestMergeCli::missingPositionFileEndsWithExitOne()
{
    const QString xyz = temp + "/src/block02/block02_xyz.txt";
    QVERIFY(QFile::remove(xyz));
    const Run run = runCli(QStringList{"--dir", temp, "--name", "m"} + samples);
    QCOMPARE(run.exitCode, 1);
    QVERIFY2(run.out.contains("\n- position export: " + shown(temp + "/src/block02/block02_xyz.txt") + " could not be read\n"),
             qPrintable(run.out));
    QVERIFY(run.out.contains("20 read from the source position files, 39 in the merged project; "
                             "the merged position file holds 20.\nTotal time: "));
}

void TestMergeCli::unwritableListRunsNoSolver()
{
#ifdef Q_OS_WIN
    QSKIP("the slow solver is a shell script");
#endif
    const QString cli = cliWithSlowSolver(temp + "/bin");
    QVERIFY(!cli.isEmpty());
    // A folder in the place of the list makes it unwritable.
    QVERIFY(QDir().mkpath(temp + "/m/m.txt/kept"));
    const Run run = runCli(QStringList{"--dir", temp, "--name", "m"} + samples, cli);
    QCOMPARE(run.exitCode, 1);
    QVERIFY2(run.out.contains(QString("\n- solver input list: %1/m/m.txt could not be written").arg(temp)),
             qPrintable(run.out));
    QVERIFY(!QFileInfo::exists(temp + "/bin/AT/Z7Uzurer.ran"));
    QVERIFY(!QFileInfo::exists(temp + "/m/m.temp"));
}

void TestMergeCli::signalStopsAsStopDoes_data()
{
    QTest::addColumn<int>("signal");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<bool>("toSolverToo");
    QTest::newRow("Ctrl-C") << int(SIGINT) << 130 << false;
    QTest::newRow("SIGTERM") << int(SIGTERM) << 143 << false;
#ifdef SIGHUP // a closed terminal, where there are terminals to close
    QTest::newRow("SIGHUP") << int(SIGHUP) << 129 << false;
#endif
    // A terminal's Ctrl-C reaches the whole process group, the solver too.
    QTest::newRow("Ctrl-C on a terminal") << int(SIGINT) << 130 << true;
}

// Sent while the solver runs: the solver is ended, the record written, and
// the summary says what did not run.
void TestMergeCli::signalStopsAsStopDoes()
{
#ifdef Q_OS_WIN
    QSKIP("the slow solver is a shell script, and Windows sends no signals");
#else
    QFETCH(int, signal);
    QFETCH(int, exitCode);
    QFETCH(bool, toSolverToo);
    const QString slowCli = cliWithSlowSolver(temp + "/bin");
    QVERIFY(!slowCli.isEmpty());
    QProcess cli;
    cli.setReadChannel(QProcess::StandardError);
    // In a process group of its own (setsid runs it in its own process).
    cli.start("setsid", QStringList{slowCli, "--dir", temp, "--name", "m"} + samples);
    QString err;
    while (!err.contains(" merged\n") && cli.waitForReadyRead(patientMs))
        err += QString::fromLocal8Bit(cli.readAllStandardError());
    ::kill(toSolverToo ? -pid_t(cli.processId()) : pid_t(cli.processId()), signal);
    QVERIFY(cli.waitForFinished(patientMs));
    QCOMPARE(cli.exitStatus(), QProcess::NormalExit);
    QCOMPARE(cli.exitCode(), exitCode);
    const QString out = QString::fromLocal8Bit(cli.readAllStandardOutput());
    QVERIFY2(out.contains("was stopped") && out.contains("Not run: merged orientation file, camera file"),
             qPrintable(out));
    // The solver was stopped, not crashed, and no project file is named.
    QVERIFY2(out.contains("\n- solver: stopped\n") && out.endsWith("No new project file was written.\n"),
             qPrintable(out));
    QVERIFY(readBytes(temp + "/m/Log/merge.log")
                .contains("stopped before merged orientation file: the folder holds an incomplete project\n"
                          "result: stopped\n"));
    // The check cut short is not told as an answer.
    QVERIFY(readBytes(temp + "/m/Log/merge.log")
                .contains("check (tolerance 1): Not finished: the check was cut short when the merge stopped"));
    QVERIFY(readBytes(temp + "/m/Log/merge.log").contains("map: not written: the merge stopped\n"));
    QVERIFY(!QFileInfo::exists(temp + "/m/m.cmr"));
#endif
}

// Killed at once while its solver works, the batch program takes the solver
// with it: nothing writes into the project after it.
void TestMergeCli::killedMergeLeavesNoSolverBehind()
{
#ifndef Q_OS_LINUX
    QSKIP("the slow solver is a shell script, ended by Linux's parent-death signal");
#else
    const QString slowCli = cliWithSlowSolver(temp + "/bin", true);
    QVERIFY(!slowCli.isEmpty());
    QProcess cli;
    const QString err = killWhenSaid(cli, slowCli, QStringList{"--dir", temp, "--name", "m"} + samples, " started\n");
    const QRegularExpressionMatch solver = QRegularExpression("solver (\\d+) started").match(err);
    QVERIFY2(solver.hasMatch(), qPrintable(err));
    const auto killed = snapshot(temp + "/m");
    QTRY_VERIFY_WITH_TIMEOUT(processGone(solver.captured(1).toLongLong()), patientMs);
    QThread::sleep(3); // past the time the solver would have merged
    QVERIFY(snapshot(temp + "/m") == killed);
    QVERIFY(!QFileInfo::exists(temp + "/m/Adjustment/m_ori.q7c"));
#endif
}

void TestMergeCli::secondMergeIntoOneProjectIsRefused()
{
    const QStringList arguments = QStringList{"--dir", temp, "--name", "m"} + samples;
    QProcess first;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("Q7PRJMERGE_PAUSE_BEFORE", "camera file");
    first.setProcessEnvironment(environment);
    const QString err = startUntilSaid(first, binPath("q7prjmerge-cli"), arguments, "paused before camera file");
    QVERIFY2(err.contains("paused before camera file"), qPrintable(err));
    const auto during = snapshot(temp + "/m");

    const Run second = runCli(arguments);
    first.kill();
    first.waitForFinished();
    QCOMPARE(second.exitCode, 2);
    QVERIFY2(second.err.contains("another merge into m is running"), qPrintable(second.err));
    QVERIFY(snapshot(temp + "/m") == during);
    QCOMPARE(runCli(arguments).exitCode, 0); // the lock went with the process
}

void TestMergeCli::refusesToWriteThroughLinks_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("what");
    QTest::newRow("image list") << "m.lst" << "image list";
    QTest::newRow("merge record") << "Log/merge.log" << "merge record";
    QTest::newRow("project folder") << "" << "project folder";
    QTest::newRow("Adjustment folder") << "Adjustment" << "Adjustment folder";
    QTest::newRow("Log folder") << "Log" << "Log folder";
}

// A linked file or folder at any level of the new project: refused and named,
// and nothing written where it leads.
void TestMergeCli::refusesToWriteThroughLinks()
{
    QFETCH(QString, file);
    QFETCH(QString, what);
#ifdef Q_OS_WIN
    QSKIP("QFile::link makes a Windows shortcut, not a link that writes go through");
#endif
    const bool folder = what.endsWith("folder");
    const QString outside = temp + (folder ? "/outside" : "/outside.txt");
    QVERIFY(folder ? QDir().mkpath(outside) : writeBytes(outside, "not the project's\n"));
    const auto before = snapshot(temp + "/outside");
    QVERIFY(QDir().mkpath(temp + (file.isEmpty() ? "" : folder ? "/m" : "/m/Log")));
    QVERIFY(QFile::link(outside, temp + "/m" + (file.isEmpty() ? QString() : "/" + file)));

    const Run run = runCli(QStringList{"--dir", temp, "--name", "m"} + samples);
    QCOMPARE(run.exitCode, 2);
    // Named with single separators, as people are shown paths.
    const QString link = temp + "/m" + (file.isEmpty() ? QString() : "/" + file);
    QVERIFY2(run.err.contains(QString("The %1 %2 is a symbolic link").arg(what, link)), qPrintable(run.err));
    if (folder)
        QVERIFY(snapshot(outside) == before);
    else
        QCOMPARE(readBytes(outside), QByteArray("not the project's\n"));
    QVERIFY(!QFileInfo::exists(temp + "/m/m.txt"));
}

// A backup of the project made with hard links ("cp -al") keeps its bytes
// through a merge over the project: its database and record included.
void TestMergeCli::hardLinkedBackupKeepsItsBytes()
{
#ifdef Q_OS_WIN
    QSKIP("hard links are made with the POSIX call here");
#else
    const QStringList arguments = QStringList{"--dir", temp, "--name", "m"} + samples;
    QCOMPARE(runCli(QStringList{"--dir", temp, "--name", "m", samples[0]}).exitCode, 0);
    const auto project = snapshot(temp + "/m");
    for (const auto &entry : project) {
        const QString from = temp + "/m/" + entry.first;
        const QString to = temp + "/m.bak/" + entry.first;
        if (entry.second == "<dir>")
            QVERIFY(QDir().mkpath(to));
        else
            QCOMPARE(::link(QFile::encodeName(from).constData(), QFile::encodeName(to).constData()), 0);
    }
    QCOMPARE(runCli(arguments).exitCode, 0);
    QVERIFY(snapshot(temp + "/m.bak") == project);
    QVERIFY(snapshot(temp + "/m") != project);
#endif
}

void TestMergeCli::pathLimits_data()
{
    QTest::addColumn<int>("databaseBytes");
    QTest::addColumn<int>("exitCode");
    QTest::newRow("the longest database path") << 500 << 0;
    QTest::newRow("one byte more") << 501 << 2;
}

// The photo database's path with the longest journal's name a merge gives it
// must fit SQLite's 512 bytes: a path one byte longer is refused before
// anything is written.
void TestMergeCli::pathLimits()
{
    QFETCH(int, databaseBytes);
    QFETCH(int, exitCode);
    // DIR//m//m.temp: DIR of nested folders, each a valid name.
    QString dir = temp;
    const int dirBytes = databaseBytes - int(strlen("//m//m.temp"));
    while (dir.size() < dirBytes)
        dir += "/" + QString(std::min(200, dirBytes - int(dir.size()) - 1), 'd');
    QCOMPARE(QFile::encodeName(dir).size(), dirBytes);
    QVERIFY(QDir().mkpath(dir));

    const Run run = runCli(QStringList{"--dir", dir, "--name", "m"} + samples);
    QCOMPARE(run.exitCode, exitCode);
    if (exitCode == 0) {
        QVERIFY(QFileInfo(dir + "/m/m.temp").size() > 0);
        // Run again, the rows go into a new file beside it, with its journal.
        QCOMPARE(runCli(QStringList{"--dir", dir, "--name", "m"} + samples).exitCode, 0);
        return;
    }
    QVERIFY2(run.err.contains(QString("The path of the new project's photo database, %1, would be "
                                      "501 bytes long; at most 500 fit.").arg(shown(dir + "/m/m.temp"))),
             qPrintable(run.err));
    QVERIFY(!QFileInfo::exists(dir + "/m"));
}

void TestMergeCli::killedMergeRunAgainEqualsCleanMerge_data()
{
    // "pause <step>": killed where it waits before the step; "solver": killed
    // while the slow solver runs, its result written; "commit": killed while
    // the new database beside the earlier one has its journal on disk, a
    // reader holding the earlier file.
    QTest::addColumn<QString>("how");
    for (const char *step : {"output folder", "camera file", "project file", "photo database", "imageinfos",
                             "eofInfo", "groups"})
        QTest::newRow(step) << QString("pause ") + step;
    QTest::newRow("solver") << "solver";
    QTest::newRow("imageinfos commit") << "commit";
}

// A merge killed part way, after an earlier merge of fewer projects into the
// same folder and name, then run again, leaves what an uninterrupted merge
// leaves: the same files byte for byte, no temporaries besides, the same
// database rows, and the source projects untouched.
void TestMergeCli::killedMergeRunAgainEqualsCleanMerge()
{
    QFETCH(QString, how);
    const QStringList arguments = QStringList{"--dir", temp + "/out", "--name", "m"} + samples;
    const QString out = temp + "/out/m";
    QVERIFY(QDir().mkpath(temp + "/out"));
    QCOMPARE(runCli(arguments).exitCode, 0);
    auto clean = snapshot(out);
    const QByteArray cleanDump = databaseDump(out + "/m.temp");
    clean.erase("m.temp"); // the same rows may sit in other pages
    clean.erase("Log/merge.log"); // dates and times: the record has a suite of its own
    eraseMergeMaps(clean);
    QVERIFY(QDir(out).removeRecursively());
    const auto sources = snapshot(temp + "/src");

    QCOMPARE(runCli(QStringList{"--dir", temp + "/out", "--name", "m", samples[0]}).exitCode, 0);
    QProcess cli;
    if (how == "solver") {
#ifdef Q_OS_WIN
        QSKIP("the slow solver is a shell script");
#endif
        const QString slowCli = cliWithSlowSolver(temp + "/bin");
        QVERIFY(!slowCli.isEmpty());
        const QString err = killWhenSaid(cli, slowCli, arguments, " merged\n");
        const QRegularExpressionMatch solver = QRegularExpression("solver (\\d+) merged").match(err);
        QVERIFY2(solver.hasMatch(), qPrintable(err));
        killProcess(solver.captured(1).toLongLong());
#ifdef Q_OS_LINUX
        // Gone before the rerun, which would otherwise race with it.
        QTRY_VERIFY_WITH_TIMEOUT(processGone(solver.captured(1).toLongLong()), patientMs);
#endif
    } else if (how == "commit") {
        QSqlDatabase reader = QSqlDatabase::addDatabase("SQLITECIPHER", "reader");
        reader.setDatabaseName(out + "/m.temp");
        reader.setPassword("tessellat3crypt");
        QVERIFY(reader.open() && reader.transaction());
        {
            QSqlQuery read("SELECT count(*) FROM eofInfo", reader);
            QVERIFY(read.next());
            cli.start(binPath("q7prjmerge-cli"), arguments, QIODevice::ReadWrite | QIODevice::Text);
            QElapsedTimer waited;
            waited.start();
            // The rows go into a new file beside the earlier one, which the
            // reader does not hold up: killed once the new file's journal shows.
            while (!QFileInfo::exists(out + "/m.temp.new-journal") && waited.elapsed() < patientMs
                   && cli.state() == QProcess::Running)
                QThread::msleep(1);
            cli.kill();
            QVERIFY(cli.waitForFinished());
            QVERIFY(!QFileInfo::exists(out + "/m.temp-journal")); // the earlier file was only read
        }
        reader.commit();
        reader.close();
    } else {
        const QString step = how.mid(int(strlen("pause ")));
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("Q7PRJMERGE_PAUSE_BEFORE", step);
        cli.setProcessEnvironment(environment);
        const QString err = killWhenSaid(cli, binPath("q7prjmerge-cli"), arguments, "paused before " + step);
        QVERIFY2(err.contains("paused before " + step), qPrintable(err));
    }
    QSqlDatabase::removeDatabase("reader");
    QCOMPARE(cli.exitStatus(), QProcess::CrashExit);

    const Run again = runCli(arguments);
    QCOMPARE(again.exitCode, 0);
    auto files = snapshot(out);
    QVERIFY(files.erase("m.temp") == 1);
    QVERIFY(files.erase("Log/merge.log") == 1);
    eraseMergeMaps(files);
    QVERIFY(files == clean);
    QCOMPARE(databaseDump(out + "/m.temp"), cleanDump);
    QVERIFY(snapshot(temp + "/src") == sources);
}

QTEST_GUILESS_MAIN(TestMergeCli)
#include "tst_mergecli.moc"
