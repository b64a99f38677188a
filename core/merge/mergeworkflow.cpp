#include "mergeworkflow.h"

#include "shownpath.h"

#include "camerafile.h"
#include "imagelistfile.h"
#include "databaserecords.h"
#include "fileidentity.h"
#include "linkedoutput.h"
#include "mergecontext.h"
#include "mergelog.h"
#include "orientationfilereader.h"
#include "pathlimits.h"
#include "platform.h"
#include "projectlock.h"
#include "outputfolder.h"
#include "positionexport.h"
#include "projectfile.h"
#include "projectname.h"
#include "q7photodatabase.h"
#include "requestcheck.h"
#include "solverinputlist.h"
#include "solverrun.h"
#include "sourceclash.h"
#include "translatedtext.h"
#include "usermessages.h"

#include <QCoreApplication>
#include <QDebug>
#include <QElapsedTimer>
#include <QFileInfo>
#include <chrono>
#include <cstdio>
#include <thread>

namespace {

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

// What went wrong in the position export: its file not written whole, and
// each source position file that gave nothing.
Problem positionExportProblems(bool written, const PositionsRead &read, const QString &positionFile)
{
    QStringList problems;
    if (!written)
        problems << tr("%1 could not be written").arg(positionFile);
    for (const QString &file : read.unreadable)
        problems << tr("%1 could not be read").arg(file);
    for (const QString &file : read.withoutLines)
        problems << tr("%1 has no usable line").arg(file);
    for (const PositionsRead::Damaged &file : read.damaged)
        problems << (file.onward ? tr("%1 is damaged from line %2 on") : tr("%1 is damaged at line %2: a value is no finite number"))
                        .arg(file.file)
                        .arg(file.fromLine);
    return problemOf(problems.join("; "));
}

// A photo database in the new project's place that the merge could not use:
// found at its step, it would come after the text files were replaced.
Problem unusableDatabase(q7PhotoDataBase &database, const QString &path)
{
    const QString what = database.unusableFile(path);
    return what.isEmpty() ? Problem()
                          : tr("The new project's photo database %1 %2. Nothing was written: remove it, or choose "
                               "another folder or name for the new project.")
                                .arg(shownPath(path), what);
}

// Why the merge must not write anything: a name that is no plain file name,
// a path too long, an output over a source project's file, one that is a
// link or a linked folder, or a photo database the merge cannot use.
Problem refusalBeforeWriting(const QString &prjName, const MergePlan &plan, q7PhotoDataBase &database)
{
    const std::function<Problem()> checks[] = {[&] { return projectNameProblem(prjName); },
                                               [&] { return pathTooLong(plan.outputs); },
                                               [&] { return findSourceClash(plan); },
                                               [&] { return findLinkedOutput(plan.outputs); },
                                               [&] { return unusableDatabase(database, plan.outputs.database); }};
    for (const auto &check : checks) {
        if (Problem refusal = check())
            return refusal;
    }
    return Problem();
}

} // namespace

MergeWorkflow::MergeWorkflow(UserMessages &messages)
    : messages(messages),
      solverPath(defaultSolverPath()),
      photoDatabase(std::make_unique<q7PhotoDataBase>(nullptr, "configpage"))
{
}

MergeWorkflow::~MergeWorkflow() = default;

QString MergeWorkflow::defaultSolverPath()
{
    return QCoreApplication::applicationDirPath() + "//AT//Z7Uzurer" + platform::programSuffix;
}

MergeReport MergeWorkflow::mergePrj(const MergeRequest &request)
{
    stopFlag = false;
    MergeReport report;
    report.outputFolder = request.outputFolder();
    if (!fieldsFilled(request))
        return report;
    const MergePlan plan = makeMergePlan(request);
    // Before the output folder is made: a refused merge writes nothing.
    if (const Problem refusal = refusalBeforeWriting(request.prjName, plan, *photoDatabase)) {
        messages.warning(tr("Tips"), *refusal);
        return report;
    }

    // With its offset from UTC, which the record and the JSON show.
    const QDateTime now = QDateTime::currentDateTime();
    const QDateTime startTime = now.toOffsetFromUtc(now.offsetFromUtc());
    MergeContext merge(plan, request.prjName, report);
    if (!makeOutputFolder(merge))
        return report;
    ProjectLock lock; // to the end of the merge, its record included
    if (!lock.lock(plan.outputs.folder)) {
        messages.warning(tr("Tips"), tr("another merge into %1 is running").arg(request.prjName));
        return report;
    }
    report.started = true;
    report.startTime = startTime;
    report.startedAs = startedAs;
    report.sources = plan.projects;
    report.outputs = plan.outputs;
    merge.sideWork.emplace(*photoDatabase, stopFlag);
    // The check only tells: it runs beside the merge, for the record and the map.
    merge.sideWork->startCheck(plan.projects, {request.tolerance, request.verticalTolerance}, request.checked.get());

    if (writeSolverInputs(merge))
        runMerge(merge);
    // A stopped merge writes nothing after the stop but its record, which
    // says what the folder holds; its map is left out.
    merge.sideWork->takeCheck(report);
    merge.sideWork.reset();
    if (!appendMergeLog(report))
        record(merge, {stepName(MergeStepId::MergeRecord), false,
                       tr("%1 could not be written").arg(plan.outputs.mergeLog), 0, MergeStepId::MergeRecord});
    return report;
}

// The checks of the two fields; an empty list is no merge and no message.
bool MergeWorkflow::fieldsFilled(const MergeRequest &request)
{
    const int count = request.projectFiles.size();
    if (count == 0)
        return false;
    qDebug().noquote() << "makeq7cListFile: " + request.prjDir;
    const MissingField missing = missingField(request);
    if (missing != MissingField::None) {
        messages.warning(tr("Tips"), missingFieldText(missing));
        return false;
    }
    qDebug().noquote() << "fileCount: " + QString::number(count);
    return true;
}

bool MergeWorkflow::stopping(MergeContext &merge)
{
    merge.stopping = merge.stopping || stopFlag;
    merge.report.stopped = merge.stopping;
    return merge.stopping;
}

bool MergeWorkflow::step(MergeContext &merge, MergeStepId id, const std::function<Problem()> &work)
{
    if (stopping(merge))
        return false;
    const QString name = stepName(id);
    if (!merge.outcomes.needsMet(id)) {
        record(merge, {name, false, tr("not run"), 0, id, false});
        return false;
    }
    pauseIfAsked(name);
    if (progress.stepStarted)
        progress.stepStarted(name);
    QElapsedTimer timer;
    timer.start();
    const Problem problem = work();
    record(merge, {name, !problem, problem.value_or(QString()), timer.elapsed(), id});
    return !problem;
}

void MergeWorkflow::record(MergeContext &merge, MergeStep step)
{
    merge.outcomes.record(step.id, step.ok);
    merge.report.steps.push_back(step);
    if (progress.stepFinished)
        progress.stepFinished(step);
}

// The step "output folder". A folder that cannot be made ends the merge: the
// user is told why once, in the "Tips" warning, which is also the step's problem.
bool MergeWorkflow::makeOutputFolder(MergeContext &merge)
{
    Problem failure;
    const bool made = step(merge, MergeStepId::OutputFolder, [&] {
        failure = makeq7cListFile(merge.plan.outputs.folder);
        return failure;
    });
    if (failure)
        messages.warning(tr("Tips"), *failure);
    return made;
}

// The solver would merge from an earlier merge's files: the merge ends at a
// list or position file not written whole, and leaves every file as it was.
// Without a source project there is no list to give it.
bool MergeWorkflow::writeSolverInputs(MergeContext &merge)
{
    const MergeOutputs &outputs = merge.plan.outputs;
    const bool listWritten = step(merge, MergeStepId::SolverInputList, [&] {
        if (merge.plan.projects.empty())
            return Problem(tr("no source project to merge"));
        return unless(makeQ7cList(outputs.listFile, merge.plan.projects),
                      tr("%1 could not be written").arg(outputs.listFile));
    });
    bool positionsWritten = false;
    if (listWritten) {
        step(merge, MergeStepId::PositionExport, [&] {
            PositionsRead read;
            positionsWritten = makeXyzFile(merge.plan.projects, outputs.positionFile, read);
            merge.positionsRead = read.lines;
            merge.positionsMerged = read.merged;
            return positionExportProblems(positionsWritten, read, outputs.positionFile);
        });
    }
    merge.report.positionsRead = merge.positionsRead;
    merge.report.positionsMerged = merge.positionsMerged;
    merge.report.stoppedBeforeSolver = !merge.stopping && !positionsWritten;
    return positionsWritten;
}

void MergeWorkflow::runMerge(MergeContext &merge)
{
    const MergeOutputs &outputs = merge.plan.outputs;
    step(merge, MergeStepId::ProjectFolders, [&] {
        createPrjFolders(outputs.folder);
        return unless(QFileInfo(outputs.adjustment).isDir(), tr("the Adjustment folder could not be made"));
    });
    // Only a merged orientation file that this merge's solver wrote is read:
    // one left by an earlier merge, when the solver failed before writing,
    // would make this merge's project of the earlier merge's cameras.
    const FileIdentity earlierOrientation = fileIdentity(outputs.orientationFile.toLocal8Bit());
    runSolver(merge);
    merge.report.projects = int(merge.plan.projects.size());
    // Without the merge's cameras and images the steps that follow are not
    // run (the table says so): the earlier project stays as it was, whole.
    readMergedOrientation(merge, earlierOrientation);
    writeImageFiles(merge);
    merge.report.cameras = int(merge.records.cameraRecords.size());
    merge.report.images = int(merge.records.imageRecords.size());
    writeProject(merge);
    writeDatabase(merge);
}

void MergeWorkflow::runSolver(MergeContext &merge)
{
    const MergeOutputs &outputs = merge.plan.outputs;
    const QStringList arguments = {"-t", "mergeq7c", "-l", outputs.listFile,
                                   "-p", outputs.positionFile, "-d", outputs.adjustment};
    qDebug().noquote() << arguments.join(' ');
    merge.report.solverCommand = commandLine(QStringList{solverPath} + arguments);
    step(merge, MergeStepId::Solver, [&] {
        SolverRun solver;
        if (!solver.start(solverPath, arguments))
            return Problem(tr("%1 could not be started").arg(solverPath));
        // What need not wait for the solver is done while it runs on one
        // core, on the other: the photo database made ready (its key is
        // derived on the first write; its step tells what came of it), then
        // room for the images the solver will give, one per merged position,
        // so that the reader fills memory already faulted in.
        merge.sideWork->prepareWhileSolverRuns(outputs.database, size_t(merge.positionsMerged));
        const bool ended = solver.waitForExit([&](const QString &line) { passSolverLine(line, merge.report); },
                                              [&] { return stopping(merge); });
        // Ctrl-C reaches the solver too: its end by the signal is the stop's.
        if (!ended || (solver.crashed() && stopping(merge)))
            return Problem(stoppedProblem());
        if (solver.crashed())
            return Problem(tr("%1 crashed").arg(solverPath));
        const int exitCode = solver.exitCode();
        merge.report.solverExitCode = exitCode;
        return unless(exitCode == 0, tr("%1 exited with code %2").arg(solverPath).arg(exitCode));
    });
}

void MergeWorkflow::passSolverLine(const QString &line, MergeReport &report)
{
    report.solverOutput.append(line);
    if (progress.solverOutput)
        progress.solverOutput(line);
}

void MergeWorkflow::readMergedOrientation(MergeContext &merge, const FileIdentity &earlier)
{
    const QString &orientationFile = merge.plan.outputs.orientationFile;
    MergeState &records = merge.records;
    step(merge, MergeStepId::OrientationFile, [&] {
        if (fileIdentity(orientationFile.toLocal8Bit()) == earlier)
            return Problem(tr("%1 was not written by the solver").arg(orientationFile));
        OrientationFileReader reader;
        reader.setImageRoom(merge.sideWork->takeImageRoom());
        const OrientationRead read = reader.readOrientationFile(orientationFile.toLocal8Bit(),
                                                                &records.cameraRecords, &records.imageRecords);
        qDebug().noquote() << QString("%1 %2").arg(records.cameraRecords.size()).arg(records.imageRecords.size());
        return unless(read == OrientationRead::Complete, tr("%1 could not be read").arg(orientationFile));
    });
    records.groupCounts = imageGroupCounts(records.imageRecords);
}

// The camera file and the image list of the merged records; "Save failed" on
// the debug stream when neither could be written although both could run.
void MergeWorkflow::writeImageFiles(MergeContext &merge)
{
    const QString &cameraPath = merge.plan.outputs.cameraFile;
    const QString &listPath = merge.plan.outputs.imageList;
    const MergeState &records = merge.records;
    bool cameraFileWritten = false;
    bool imageListWritten = false;
    step(merge, MergeStepId::CameraFile, [&] {
        cameraFileWritten = writeCameraFile(cameraPath, records.cameraRecords);
        return unless(cameraFileWritten, tr("%1 could not be written").arg(cameraPath));
    });
    step(merge, MergeStepId::ImageList, [&] {
        imageListWritten = writeImageList(listPath, records.imageRecords, records.cameraRecords);
        return unless(imageListWritten, tr("%1 could not be written").arg(listPath));
    });
    if (!cameraFileWritten && !imageListWritten && !merge.stopping && merge.outcomes.needsMet(MergeStepId::CameraFile))
        qDebug().noquote() << "Save failed";
}

void MergeWorkflow::writeProject(MergeContext &merge)
{
    const MergePlan &plan = merge.plan;
    // The new project inherits the first source project's parameters.
    ProjectParams params;
    step(merge, MergeStepId::ProjectParameters, [&] {
        const QString &source = plan.projects.front().prjFile;
        return unless(readProjectFile(source, params), tr("%1 could not be read").arg(source));
    });
    params.prj_dir = plan.outputs.folder;
    params.prj_name = merge.prjName;
    params.num_images = int(merge.records.imageRecords.size());
    params.pos_file = plan.outputs.positionFile;
    step(merge, MergeStepId::ProjectFile, [&] {
        return unless(writeProjectFile(plan.outputs.projectFile, params),
                      tr("%1 could not be written").arg(plan.outputs.projectFile));
    });
}

// The photo database and its rows. A database that will not open is told at
// once in the "Database Error" box, with the driver's words; its step's
// problem, which names the file too, is what the result and the record show.
void MergeWorkflow::writeDatabase(MergeContext &merge)
{
    const QString &databasePath = merge.plan.outputs.database;
    const MergeState &records = merge.records;
    qDebug().noquote() << databasePath;
    step(merge, MergeStepId::PhotoDatabase, [&] {
        const DatabaseOpening opening = photoDatabase->connectDataBase(databasePath);
        if (!opening)
            messages.critical(tr("Database Error"), opening.openError);
        return problemOf(opening.problem);
    });
    const RowsTarget target = photoDatabase->rowsTarget();
    QStringList stored; // the tables of this merge's rows, by their names
    const auto problem = [&stored](MergeStepId table, const TableWrite &written) {
        if (written)
            stored << stepName(table);
        return written.stopped ? Problem(stoppedProblem()) : problemOf(written.reason);
    };
    step(merge, MergeStepId::ImageInfos, [&] {
        return problem(MergeStepId::ImageInfos,
                       insertImageInfos(target, records.imageRecords, records.cameraRecords,
                                        tableWatch(MergeStepId::ImageInfos, true)));
    });
    step(merge, MergeStepId::EofInfo, [&] {
        return problem(MergeStepId::EofInfo,
                       insertEofInfo(target, records.imageRecords, tableWatch(MergeStepId::EofInfo, true)));
    });
    // The last table also puts a database written anew in the earlier one's place.
    step(merge, MergeStepId::Groups, [&] {
        const Problem groups = problem(MergeStepId::Groups, insertGroups(target, records.cameraRecords,
                                                                         records.groupCounts,
                                                                         tableWatch(MergeStepId::Groups, false)));
        const Problem finished = problemOf(photoDatabase->finishReplacement(stored, progress.rowsCarried));
        return groups ? groups : finished;
    });
}
// What a table's writer looks at: a stop, where the table can be stopped
// (rolled back to its earlier rows), and the progress, told its rows.
TableWatch MergeWorkflow::tableWatch(MergeStepId table, bool stoppable) const
{
    TableWatch watch;
    if (stoppable)
        watch.stop = [this] { return stopFlag.load(); };
    if (progress.rowsWritten)
        watch.rows = [this, table](qint64 done, qint64 total) { progress.rowsWritten(table, done, total); };
    return watch;
}
