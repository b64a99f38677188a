#include "mergeworkflow.h"

#include "bulkrecords.h"
#include "camerafile.h"
#include "imagelistfile.h"
#include "databaserecords.h"
#include "fileidentity.h"
#include "linkedoutput.h"
#include "mergelog.h"
#include "mergeoutputs.h"
#include "orientationfilereader.h"
#include "outputfolder.h"
#include "projectfile.h"
#include "projectlock.h"
#include "projectname.h"
#include "q7photodatabase.h"
#include "sourceclash.h"
#include "usermessages.h"

#include <QCoreApplication>
#include <QDebug>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <chrono>
#include <cstdio>
#include <future>
#include <thread>

namespace {

QString tr(const char *text)
{
    return QCoreApplication::translate("mergeprj", text);
}

// For the tests that kill a merge part way: with Q7PRJMERGE_PAUSE_BEFORE set
// to a step's name, the merge says so on standard error and waits there to be
// killed. An environment variable, as the batch program is killed from
// outside and has no other way in between two steps.
void pauseIfAsked(const QString &name)
{
    if (qEnvironmentVariable("Q7PRJMERGE_PAUSE_BEFORE") != name)
        return;
    std::fprintf(stderr, "paused before %s\n", qPrintable(name));
    std::fflush(stderr);
    std::this_thread::sleep_for(std::chrono::minutes(10));
}

QString unless(bool ok, const QString &problem)
{
    return ok ? QString() : problem;
}

// How long a terminated solver has to end before it is killed.
constexpr int solverGraceMs = 1000;
// How long the solver is waited for between looks at its output and at a stop.
constexpr int solverPollMs = 50;

// What went wrong in the position export: its file not written whole, and
// each source position file that gave nothing.
QString positionExportProblems(const PreparedFiles &written, const QString &positionFile)
{
    QStringList problems;
    if (!written.positionFile)
        problems << tr("%1 could not be written").arg(positionFile);
    for (const QString &file : written.positionsRead.unreadable)
        problems << tr("%1 could not be read").arg(file);
    for (const QString &file : written.positionsRead.withoutLines)
        problems << tr("%1 has no usable line").arg(file);
    for (const PositionsRead::Damaged &file : written.positionsRead.damaged)
        problems << tr("%1 is damaged from line %2 on").arg(file.file).arg(file.fromLine);
    return problems.join("; ");
}

// Why the merge must not write anything: a name that is no plain file name,
// an output over a source project's file, or one that is a link.
QString refusalBeforeWriting(const MergeRequest &request)
{
    QString refusal = projectNameProblem(request.prjName);
    if (refusal.isEmpty())
        refusal = findSourceClash(request);
    if (refusal.isEmpty())
        refusal = findLinkedOutput(mergeOutputs(request));
    return refusal;
}

} // namespace

MergeWorkflow::MergeWorkflow(UserMessages &messages)
    : messages(messages),
      solverPath(defaultSolverPath()),
      photoDatabase(std::make_unique<q7PhotoDataBase>(nullptr, "configpage", messages))
{
}

MergeWorkflow::~MergeWorkflow() = default;

QString MergeWorkflow::defaultSolverPath()
{
#ifdef Q_OS_WIN
    return QCoreApplication::applicationDirPath() + "//AT//Z7Uzurer.exe";
#else
    return QCoreApplication::applicationDirPath() + "//AT//Z7Uzurer";
#endif
}

MergeReport MergeWorkflow::mergePrj(const MergeRequest &request)
{
    stopFlag = false;
    return checkAndMerge(request);
}

bool MergeWorkflow::stopping(MergeReport &report)
{
    if (stopFlag)
        report.stopped = true;
    return report.stopped;
}

// Runs one step unless the merge is stopping, timing it and recording how it
// went. `work` returns an empty text on success, else what went wrong.
void MergeWorkflow::step(MergeReport &report, const QString &name, const std::function<QString()> &work)
{
    if (stopping(report))
        return;
    pauseIfAsked(name);
    if (progress.stepStarted)
        progress.stepStarted(name);
    QElapsedTimer timer;
    timer.start();
    const QString problem = work();
    record(report, {name, problem.isEmpty(), problem, timer.elapsed()});
}

void MergeWorkflow::record(MergeReport &report, MergeStep step)
{
    report.steps.push_back(step);
    if (progress.stepFinished)
        progress.stepFinished(step);
}

MergeReport MergeWorkflow::checkAndMerge(const MergeRequest &request)
{
    MergeReport report;
    report.outputFolder = request.outputFolder();
    const int count = request.projectFiles.size();
    if (count == 0)
        return report;

    qDebug().noquote() << "makeq7cListFile: " + request.prjDir;
    if (request.prjDir.isEmpty()) {
        messages.warning(tr("Tips"), tr("Please enter the saved path."));
        return report;
    }
    if (request.prjName.isEmpty()) {
        messages.warning(tr("Tips"), tr("Please enter a save file name."));
        return report;
    }
    qDebug().noquote() << "fileCount: " + QString::number(count);
    // Before the output folder is made: a refused merge writes nothing.
    const QString refusal = refusalBeforeWriting(request);
    if (!refusal.isEmpty()) {
        messages.warning(tr("Tips"), refusal);
        return report;
    }

    if (stopping(report))
        return report;
    if (progress.stepStarted)
        progress.stepStarted(tr("preparation"));
    pauseIfAsked(tr("preparation"));
    // With its offset from UTC, which the record and the JSON show.
    const QDateTime now = QDateTime::currentDateTime();
    const QDateTime startTime = now.toOffsetFromUtc(now.offsetFromUtc());
    QElapsedTimer timer;
    timer.start();
    PreparedFiles written;
    ProjectLock lock; // to the end of the merge, its record included
    const auto locked = [&] {
        if (lock.lock(request.outputFolder()))
            return true;
        messages.warning(tr("Tips"), tr("another merge into %1 is running").arg(request.prjName));
        return false;
    };
    // The merge needs the merged position file, not the records in memory.
    if (!makeq7cListFile(request, mergeState, messages, &written, MergedPositions::Dropped, locked))
        return report;
    report.started = true;
    report.startTime = startTime;
    report.startedAs = startedAs;
    report.sources = mergeState.projects;
    record(report, {tr("preparation"), true, QString(), timer.elapsed() - written.positionExportMs});
    const MergeOutputs outputs = mergeOutputs(request);
    report.outputs = outputs;
    if (preparedForSolver(report, written, outputs)) {
        step(report, tr("project folders"), [&] {
            createPrjFolders(request);
            return unless(QFileInfo(request.outputFolder() + "//Adjustment").isDir(),
                          tr("the Adjustment folder could not be made"));
        });
        runMerge(request, report);
    }
    // A database made ready for a merge that stopped before its step goes.
    photoDatabase->discardPreparation();
    // A stopped merge writes nothing after the stop, its record included.
    if (!report.stopped && !appendMergeLog(report))
        record(report, {tr("merge record"), false, tr("%1 could not be written").arg(outputs.mergeLog), 0});
    return report;
}

// The solver would merge from an earlier merge's files: the merge ends at a
// list or position file not written whole, and leaves every file as it was.
// The list is written in the preparation; only its failure gets a line.
bool MergeWorkflow::preparedForSolver(MergeReport &report, const PreparedFiles &written,
                                      const MergeOutputs &outputs)
{
    if (!written.listFile) {
        record(report, {tr("solver input list"), false, tr("%1 could not be written").arg(outputs.listFile), 0});
        report.stoppedBeforeSolver = true;
        return false;
    }
    const QString positionProblems = positionExportProblems(written, outputs.positionFile);
    record(report, {tr("position export"), positionProblems.isEmpty(), positionProblems, written.positionExportMs});
    report.positionsRead = written.positionsRead.lines;
    report.positionsMerged = written.positionsRead.merged;
    report.stoppedBeforeSolver = !written.positionFile;
    return written.positionFile;
}

void MergeWorkflow::runMerge(const MergeRequest &request, MergeReport &report)
{
    // The memory of an earlier merge's records goes back before this merge's come.
    std::vector<CameraRecord>().swap(mergeState.cameraRecords);
    std::vector<ImageRecord>().swap(mergeState.imageRecords);
    const MergeOutputs outputs = mergeOutputs(request);

    // Only a merged orientation file that this merge's solver wrote is read:
    // one left by an earlier merge, when the solver failed before writing,
    // would make this merge's project of the earlier merge's cameras.
    const FileIdentity earlierOrientation = fileIdentity(outputs.orientationFile.toLocal8Bit());
    runSolver(request, report);

    bool orientationRead = false;
    step(report, tr("merged orientation file"), [&] {
        const QString &oriPath = outputs.orientationFile;
        if (fileIdentity(oriPath.toLocal8Bit()) == earlierOrientation)
            return tr("%1 was not written by the solver").arg(oriPath);
        OrientationFileReader reader;
        if (imageRoom.valid())
            reader.setImageRoom(imageRoom.get());
        const int result = reader.readOrientationFile(oriPath.toLocal8Bit(), &mergeState.cameraRecords,
                                                      &mergeState.imageRecords);
        qDebug().noquote() << QString("%1 %2").arg(mergeState.cameraRecords.size()).arg(mergeState.imageRecords.size());
        orientationRead = result == 4;
        return unless(orientationRead, tr("%1 could not be read").arg(oriPath));
    });

    report.projects = int(mergeState.projects.size());
    if (orientationRead) {
        writeCamerasAndImages(outputs, report);
        writeProject(request, report);
        writeDatabase(request, report);
    } else if (!report.stopped) {
        // Without the merge's cameras and images nothing of the new project
        // can be written: the earlier project stays as it was, whole.
        for (const QString &name : {tr("camera file"), tr("image list"), tr("project parameters"),
                                    tr("project file"), tr("photo database"), QString("imageinfos"),
                                    QString("eofInfo"), QString("groups")})
            record(report, {name, false, tr("not run"), 0});
    }
    imageRoom = {}; // a room the reader did not take, once it is made
}

void MergeWorkflow::writeCamerasAndImages(const MergeOutputs &outputs, MergeReport &report)
{
    const QString &cameraPath = outputs.cameraFile;
    const QString &listPath = outputs.imageList;
    bool cameraFileWritten = false;
    bool imageListWritten = false;
    step(report, tr("camera file"), [&] {
        cameraFileWritten = writeCameraFile(cameraPath, mergeState.cameraRecords);
        return unless(cameraFileWritten, tr("%1 could not be written").arg(cameraPath));
    });
    step(report, tr("image list"), [&] {
        imageListWritten = writeImageList(listPath, mergeState.imageRecords, mergeState.cameraRecords,
                                          mergeState.groupCounts);
        return unless(imageListWritten, tr("%1 could not be written").arg(listPath));
    });
    if (!cameraFileWritten && !imageListWritten && !report.stopped)
        qDebug().noquote() << "Save failed";
    report.cameras = int(mergeState.cameraRecords.size());
    report.images = int(mergeState.imageRecords.size());
}

void MergeWorkflow::runSolver(const MergeRequest &request, MergeReport &report)
{
    const QStringList arguments = {"-t", "mergeq7c", "-l", mergeState.listFilePath, "-p", mergeState.posFilePath,
                                   "-d", request.outputFolder() + "//Adjustment"};
    qDebug().noquote() << arguments.join(' ');
    report.solverCommand = commandLine(QStringList{solverPath} + arguments);
    step(report, tr("solver"), [&] {
        QProcess solver;
        solver.start(solverPath, arguments);
        if (!solver.waitForStarted(-1))
            return tr("%1 could not be started").arg(solverPath);
        workWhileSolverRuns(request, report);
        if (!waitForSolver(solver, report))
            return tr("stopped");
        if (solver.exitStatus() == QProcess::CrashExit)
            return tr("%1 crashed").arg(solverPath);
        report.solverExitCode = solver.exitCode();
        return unless(report.solverExitCode == 0,
                      tr("%1 exited with code %2").arg(solverPath).arg(report.solverExitCode));
    });
}

// What need not wait for the solver is done while it runs on one core, on
// the other, one thing after the other: this thread makes the photo database
// ready (its key is derived on the first write; its step tells what came of
// it), then a thread of its own makes room for the images the solver will
// give, one per merged position, so that the reader fills memory already
// faulted in. The room only while it leaves the solver enough: near the
// machine's limit the reader takes fresh memory, after the solver.
void MergeWorkflow::workWhileSolverRuns(const MergeRequest &request, const MergeReport &report)
{
    photoDatabase->prepare(mergeOutputs(request).database);
    const size_t images = size_t(report.positionsMerged);
    if (images > 0 && fitsHalfFreeMemory(images * sizeof(ImageRecord)))
        imageRoom = std::async(std::launch::async, touchedRoom<ImageRecord>, images);
}

// Waits for the solver to exit, passing its lines on as they come. On a stop
// it is terminated, and killed when it outlives the grace; returns false then.
bool MergeWorkflow::waitForSolver(QProcess &solver, MergeReport &report)
{
    while (solver.state() != QProcess::NotRunning && !solver.waitForFinished(solverPollMs)) {
        passSolverLines(solver, report, false);
        if (stopping(report)) {
            solver.terminate();
            if (!solver.waitForFinished(solverGraceMs)) {
                solver.kill();
                solver.waitForFinished(-1);
            }
            passSolverLines(solver, report, true);
            return false;
        }
    }
    passSolverLines(solver, report, true);
    return true;
}

// Passes on the solver's complete lines of both channels (at its end also
// an unfinished last one). They are echoed to this program's standard error,
// as when the solver's channels were the program's own, while standard
// output stays the batch program's.
void MergeWorkflow::passSolverLines(QProcess &solver, MergeReport &report, bool atEnd)
{
    for (const auto channel : {QProcess::StandardOutput, QProcess::StandardError}) {
        solver.setReadChannel(channel);
        while (solver.canReadLine() || (atEnd && solver.bytesAvailable() > 0)) {
            QByteArray bytes = solver.canReadLine() ? solver.readLine() : solver.readAll();
            std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stderr);
            while (bytes.endsWith('\n') || bytes.endsWith('\r'))
                bytes.chop(1);
            const QString line = QString::fromLocal8Bit(bytes);
            report.solverOutput.append(line);
            if (progress.solverOutput)
                progress.solverOutput(line);
        }
    }
}

void MergeWorkflow::writeProject(const MergeRequest &request, MergeReport &report)
{
    // The new project inherits the first source project's parameters.
    ProjectParams params;
    step(report, tr("project parameters"), [&] {
        if (mergeState.projects.empty())
            return tr("no source project to take them from");
        const QString source = mergeState.projects.front().prjFile;
        return unless(readProjectFile(source, params) == 1, tr("%1 could not be read").arg(source));
    });
    params.prj_dir = request.outputFolder();
    params.prj_name = request.prjName;
    params.num_images = report.images;
    params.pos_file = mergeState.posFilePath;
    step(report, tr("project file"), [&] {
        return unless(writeProjectFile(params) == 1,
                      tr("%1 could not be written").arg(mergeOutputs(request).projectFile));
    });
}

void MergeWorkflow::writeDatabase(const MergeRequest &request, MergeReport &report)
{
    const QString databasePath = mergeOutputs(request).database;
    qDebug().noquote() << databasePath;
    const QString connection = photoDatabase->connectionName;
    step(report, tr("photo database"), [&] {
        photoDatabase->connectDataBase(databasePath);
        return photoDatabase->problem();
    });
    // A stop during a table rolls it back to its earlier rows.
    const StopRequested stop = [this] { return stopFlag.load(); };
    const auto problem = [](const TableWrite &written) { return written.stopped ? tr("stopped") : written.reason; };
    step(report, "imageinfos", [&] {
        return problem(insertImageInfos(connection, mergeState.imageRecords, mergeState.cameraRecords, stop));
    });
    step(report, "eofInfo", [&] { return problem(insertEofInfo(connection, mergeState.imageRecords, stop)); });
    step(report, "groups", [&] {
        return problem(insertGroups(connection, mergeState.cameraRecords, mergeState.groupCounts));
    });
}
