#include "mergeworkflow.h"

#include "shownpath.h"

#include "camerafile.h"
#include "imagelistfile.h"
#include "databaserecords.h"
#include "fileidentity.h"
#include "linkedoutput.h"
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

QString unless(bool ok, const QString &problem)
{
    return ok ? QString() : problem;
}

// What went wrong in the position export: its file not written whole, and
// each source position file that gave nothing.
QString positionExportProblems(bool written, const PositionsRead &read, const QString &positionFile)
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
    return problems.join("; ");
}

// A photo database in the new project's place that the merge could not use:
// found at its step, it would come after the text files were replaced.
QString unusableDatabase(q7PhotoDataBase &database, const QString &path)
{
    const QString what = database.unusableFile(path);
    return what.isEmpty() ? QString()
                          : tr("The new project's photo database %1 %2. Nothing was written: remove it, or choose "
                               "another folder or name for the new project.")
                                .arg(shownPath(path), what);
}

// Why the merge must not write anything: a name that is no plain file name,
// a path too long, an output over a source project's file, one that is a
// link or a linked folder, or a photo database the merge cannot use.
QString refusalBeforeWriting(const QString &prjName, const MergePlan &plan, q7PhotoDataBase &database)
{
    const std::function<QString()> checks[] = {[&] { return projectNameProblem(prjName); },
                                               [&] { return pathTooLong(plan.outputs); },
                                               [&] { return findSourceClash(plan); },
                                               [&] { return findLinkedOutput(plan.outputs); },
                                               [&] { return unusableDatabase(database, plan.outputs.database); }};
    for (const auto &check : checks) {
        const QString refusal = check();
        if (!refusal.isEmpty())
            return refusal;
    }
    return QString();
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
    outcomes = StepOutcomes();
    MergeReport report;
    report.outputFolder = request.outputFolder();
    if (!fieldsFilled(request))
        return report;
    const MergePlan plan = makeMergePlan(request);
    // Before the output folder is made: a refused merge writes nothing.
    const QString refusal = refusalBeforeWriting(request.prjName, plan, *photoDatabase);
    if (!refusal.isEmpty()) {
        messages.warning(tr("Tips"), refusal);
        return report;
    }

    // With its offset from UTC, which the record and the JSON show.
    const QDateTime now = QDateTime::currentDateTime();
    const QDateTime startTime = now.toOffsetFromUtc(now.offsetFromUtc());
    const bool folderMade = step(report, MergeStepId::OutputFolder, [&] {
        return unless(makeq7cListFile(plan.outputs.folder, messages),
                      tr("%1 could not be made").arg(plan.outputs.folder));
    });
    if (!folderMade)
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
    sideWork.emplace(*photoDatabase, stopFlag);
    // The check only tells: it runs beside the merge, for the record and the map.
    sideWork->startCheck(plan.projects, {request.tolerance, request.verticalTolerance}, request.checked.get());

    if (writeSolverInputs(plan, report))
        runMerge(plan, request.prjName, report);
    // A stopped merge writes nothing after the stop but its record, which
    // says what the folder holds; its map is left out.
    sideWork->takeCheck(report);
    sideWork.reset();
    if (!appendMergeLog(report))
        record(report, {stepName(MergeStepId::MergeRecord), false,
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

bool MergeWorkflow::stopping(MergeReport &report)
{
    if (stopFlag)
        report.stopped = true;
    return report.stopped;
}

bool MergeWorkflow::step(MergeReport &report, MergeStepId id, const std::function<QString()> &work)
{
    if (stopping(report))
        return false;
    const QString name = stepName(id);
    if (!outcomes.needsMet(id)) {
        record(report, {name, false, tr("not run"), 0, id, false});
        return false;
    }
    pauseIfAsked(name);
    if (progress.stepStarted)
        progress.stepStarted(name);
    QElapsedTimer timer;
    timer.start();
    const QString problem = work();
    record(report, {name, problem.isEmpty(), problem, timer.elapsed(), id});
    return problem.isEmpty();
}

void MergeWorkflow::record(MergeReport &report, MergeStep step)
{
    outcomes.record(step.id, step.ok);
    report.steps.push_back(step);
    if (progress.stepFinished)
        progress.stepFinished(step);
}

// The solver would merge from an earlier merge's files: the merge ends at a
// list or position file not written whole, and leaves every file as it was.
// Without a source project there is no list to give it.
bool MergeWorkflow::writeSolverInputs(const MergePlan &plan, MergeReport &report)
{
    const bool listWritten = step(report, MergeStepId::SolverInputList, [&] {
        if (plan.projects.empty())
            return tr("no source project to merge");
        return unless(makeQ7cList(plan.outputs.listFile, plan.projects),
                      tr("%1 could not be written").arg(plan.outputs.listFile));
    });
    bool positionsWritten = false;
    if (listWritten) {
        step(report, MergeStepId::PositionExport, [&] {
            PositionsRead read;
            positionsWritten = makeXyzFile(plan.projects, plan.outputs.positionFile, read);
            report.positionsRead = read.lines;
            report.positionsMerged = read.merged;
            return positionExportProblems(positionsWritten, read, plan.outputs.positionFile);
        });
    }
    report.stoppedBeforeSolver = !report.stopped && !positionsWritten;
    return positionsWritten;
}

void MergeWorkflow::runMerge(const MergePlan &plan, const QString &prjName, MergeReport &report)
{
    // The memory of an earlier merge's records goes back before this merge's come.
    mergeState = MergeState();

    step(report, MergeStepId::ProjectFolders, [&] {
        createPrjFolders(plan.outputs.folder);
        return unless(QFileInfo(plan.outputs.adjustment).isDir(), tr("the Adjustment folder could not be made"));
    });
    // Only a merged orientation file that this merge's solver wrote is read:
    // one left by an earlier merge, when the solver failed before writing,
    // would make this merge's project of the earlier merge's cameras.
    const FileIdentity earlierOrientation = fileIdentity(plan.outputs.orientationFile.toLocal8Bit());
    runSolver(plan, report);
    report.projects = int(plan.projects.size());
    // Without the merge's cameras and images the steps that follow are not
    // run (the table says so): the earlier project stays as it was, whole.
    readMergedOrientation(plan.outputs.orientationFile, earlierOrientation, report);
    mergeState.groupCounts = imageGroupCounts(mergeState.imageRecords);

    const QString &cameraPath = plan.outputs.cameraFile;
    const QString &listPath = plan.outputs.imageList;
    bool cameraFileWritten = false;
    bool imageListWritten = false;
    step(report, MergeStepId::CameraFile, [&] {
        cameraFileWritten = writeCameraFile(cameraPath, mergeState.cameraRecords);
        return unless(cameraFileWritten, tr("%1 could not be written").arg(cameraPath));
    });
    step(report, MergeStepId::ImageList, [&] {
        imageListWritten = writeImageList(listPath, mergeState.imageRecords, mergeState.cameraRecords);
        return unless(imageListWritten, tr("%1 could not be written").arg(listPath));
    });
    if (!cameraFileWritten && !imageListWritten && !report.stopped && outcomes.needsMet(MergeStepId::CameraFile))
        qDebug().noquote() << "Save failed";

    report.cameras = int(mergeState.cameraRecords.size());
    report.images = int(mergeState.imageRecords.size());
    writeProject(plan, prjName, report);
    writeDatabase(plan.outputs.database, report);
}

void MergeWorkflow::runSolver(const MergePlan &plan, MergeReport &report)
{
    const QStringList arguments = {"-t", "mergeq7c", "-l", plan.outputs.listFile,
                                   "-p", plan.outputs.positionFile, "-d", plan.outputs.adjustment};
    qDebug().noquote() << arguments.join(' ');
    report.solverCommand = commandLine(QStringList{solverPath} + arguments);
    step(report, MergeStepId::Solver, [&] {
        SolverRun solver;
        if (!solver.start(solverPath, arguments))
            return tr("%1 could not be started").arg(solverPath);
        // What need not wait for the solver is done while it runs on one
        // core, on the other: the photo database made ready (its key is
        // derived on the first write; its step tells what came of it), then
        // room for the images the solver will give, one per merged position,
        // so that the reader fills memory already faulted in.
        sideWork->prepareWhileSolverRuns(plan.outputs.database, size_t(report.positionsMerged));
        const bool ended = solver.waitForExit([&](const QString &line) { passSolverLine(line, report); },
                                              [&] { return stopping(report); });
        // Ctrl-C reaches the solver too: its end by the signal is the stop's.
        if (!ended || (solver.crashed() && stopping(report)))
            return stoppedProblem();
        if (solver.crashed())
            return tr("%1 crashed").arg(solverPath);
        report.solverExitCode = solver.exitCode();
        return unless(report.solverExitCode == 0,
                      tr("%1 exited with code %2").arg(solverPath).arg(report.solverExitCode));
    });
}

void MergeWorkflow::passSolverLine(const QString &line, MergeReport &report)
{
    report.solverOutput.append(line);
    if (progress.solverOutput)
        progress.solverOutput(line);
}

void MergeWorkflow::readMergedOrientation(const QString &orientationFile, const FileIdentity &earlier,
                                          MergeReport &report)
{
    step(report, MergeStepId::OrientationFile, [&] {
        if (fileIdentity(orientationFile.toLocal8Bit()) == earlier)
            return tr("%1 was not written by the solver").arg(orientationFile);
        OrientationFileReader reader;
        reader.setImageRoom(sideWork->takeImageRoom());
        const OrientationRead read = reader.readOrientationFile(orientationFile.toLocal8Bit(),
                                                                &mergeState.cameraRecords, &mergeState.imageRecords);
        qDebug().noquote() << QString("%1 %2").arg(mergeState.cameraRecords.size()).arg(mergeState.imageRecords.size());
        return unless(read == OrientationRead::Complete, tr("%1 could not be read").arg(orientationFile));
    });
}

void MergeWorkflow::writeProject(const MergePlan &plan, const QString &prjName, MergeReport &report)
{
    // The new project inherits the first source project's parameters.
    ProjectParams params;
    step(report, MergeStepId::ProjectParameters, [&] {
        const QString &source = plan.projects.front().prjFile;
        return unless(readProjectFile(source, params), tr("%1 could not be read").arg(source));
    });
    params.prj_dir = plan.outputs.folder;
    params.prj_name = prjName;
    params.num_images = report.images;
    params.pos_file = plan.outputs.positionFile;
    step(report, MergeStepId::ProjectFile, [&] {
        return unless(writeProjectFile(plan.outputs.projectFile, params),
                      tr("%1 could not be written").arg(plan.outputs.projectFile));
    });
}

void MergeWorkflow::writeDatabase(const QString &databasePath, MergeReport &report)
{
    qDebug().noquote() << databasePath;
    step(report, MergeStepId::PhotoDatabase, [&] {
        const DatabaseOpening opening = photoDatabase->connectDataBase(databasePath);
        if (!opening)
            messages.critical(tr("Database Error"), opening.openError);
        return opening.problem;
    });
    const RowsTarget target = photoDatabase->rowsTarget();
    QStringList stored; // the tables of this merge's rows, by their names
    const auto problem = [&stored](MergeStepId table, const TableWrite &written) {
        if (written)
            stored << stepName(table);
        return written.stopped ? stoppedProblem() : written.reason;
    };
    step(report, MergeStepId::ImageInfos, [&] {
        return problem(MergeStepId::ImageInfos,
                       insertImageInfos(target, mergeState.imageRecords, mergeState.cameraRecords,
                                        tableWatch(MergeStepId::ImageInfos, true)));
    });
    step(report, MergeStepId::EofInfo, [&] {
        return problem(MergeStepId::EofInfo,
                       insertEofInfo(target, mergeState.imageRecords, tableWatch(MergeStepId::EofInfo, true)));
    });
    // The last table also puts a database written anew in the earlier one's place.
    step(report, MergeStepId::Groups, [&] {
        const QString groups = problem(MergeStepId::Groups, insertGroups(target, mergeState.cameraRecords,
                                                                         mergeState.groupCounts,
                                                                         tableWatch(MergeStepId::Groups, false)));
        const QString finished = photoDatabase->finishReplacement(stored);
        return groups.isEmpty() ? finished : groups;
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
