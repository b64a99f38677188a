#include "mergefixture.h"
#include "mergesidework.h"
#include "mergeworkflow.h"
#include "projectfile.h"
#include "q7photodatabase.h"
#include "shownpath.h"
#include "sourceclash.h"
#include "testfiles.h"

#include <QtTest>
#ifndef Q_OS_WIN
#include <sys/stat.h>
#endif
#include <optional>

Q_DECLARE_METATYPE(Tolerances)
#ifdef Q_OS_UNIX
#include <unistd.h>
#endif

namespace {

QStringList failedSteps(const MergeReport &report)
{
    QStringList names;
    for (const MergeStep &step : report.steps)
        if (!step.ok)
            names.append(step.name);
    return names;
}

QString refusal(const QString &outputKind, const QString &outputPath, const QString &sourceKind,
                const QString &sourceProject)
{
    return QString("warning|Tips|The new project's %1 %2 would overwrite the %3 of the source project %4. "
                   "Nothing was written: choose another folder or name for the new project.")
        .arg(outputKind, outputPath, sourceKind, sourceProject);
}

} // namespace

class TestMergeWorkflow : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();

    void mergesTwoProjects();
    void textFilesEndLinesAsTheSystemDoes();
    void refusesEmptyListOrFields();
    void blankNamePasses();
    void nameWithDotNamesSolverFileByBaseName();
    void missingSolverLeavesEarlierProjectWhole();
    void saveFailedOnlyWhenBothFilesFail();
    void groupsCountedWithoutImageList();
    void parametersComeFromFirstListedProject();
    void unreadableFirstProjectFileWritesNoProjectFile();
    void failedStepLeavesItsDependantsNotRun_data();
    void failedStepLeavesItsDependantsNotRun();
    void stepsNeedOnlyEarlierSteps();
    void stopDuringCheckTakesNoFindings();
    void earlierCheckTakenWhenAlike_data();
    void earlierCheckTakenWhenAlike();
    void laterMergeWritesItsOwnDatabase();
    void failedPreparationWritesAreFailedSteps_data();
    void failedPreparationWritesAreFailedSteps();
    void nullOnlyRequestRunsNoSolver();
    void remergeReplacesDatabaseRows();
    void unusableSourcePositionFileIsReported_data();
    void unusableSourcePositionFileIsReported();
    void foreignDatabaseRefusesTheMerge_data();
    void foreignDatabaseRefusesTheMerge();
    void resolvedPaths();
    void sourceClashIsRefusedAndNothingWritten_data();
    void sourceClashIsRefusedAndNothingWritten();
    void mergeBesideSourcesGoesAhead();

private:
    MergeReport merge(const QStringList &projects, const QString &dir, const QString &name);

    std::unique_ptr<QTemporaryDir> tempDir;
    QString temp;
    QStringList samples;
    RecordedMessages messages;
    std::unique_ptr<MergeWorkflow> workflow;
};

void TestMergeWorkflow::initTestCase()
{
    QCoreApplication::addLibraryPath(Q7_BIN_DIR);
}

void TestMergeWorkflow::init()
{
    temp = freshTempDir(tempDir);
    QVERIFY(!temp.isEmpty());
    samples = makeSampleProjects(temp + "/src", 2, 20);
    QCOMPARE(samples.size(), 2);
    messages.shown.clear();
    workflow.reset(); // one "configpage" connection at a time
    workflow = std::make_unique<MergeWorkflow>(messages);
    workflow->setSolverPath(binPath("AT/Z7Uzurer"));
}

MergeReport TestMergeWorkflow::merge(const QStringList &projects, const QString &dir, const QString &name)
{
    return workflow->mergePrj({projects, dir, name});
}

void TestMergeWorkflow::mergesTwoProjects()
{
    QStringList told; // the tables' rows, as the progress hears of them
    MergeProgress progress;
    progress.rowsWritten = [&](MergeStepId table, qint64 done, qint64 total) {
        told << QString("%1 %2/%3").arg(stepName(table)).arg(done).arg(total);
    };
    workflow->setProgress(progress);
    const MergeReport report = merge(samples, temp, "merged");
    QVERIFY2(report.succeeded(), qPrintable(report.summary()));
    QCOMPARE(report.summary(), QString("Merged 2 projects into %1: 4 cameras, 39 images.\n"
                                       "Images: 40 read from the source position files, 39 in the merged "
                                       "project (1 shared image merged once).").arg(shown(temp + "/merged")));
    QVERIFY(messages.shown.isEmpty());
    QCOMPARE(told, QStringList({"imageinfos 0/39", "imageinfos 39/39", "eofInfo 0/39", "eofInfo 39/39",
                                "groups 0/4", "groups 4/4"}));

    // Cameras renumbered in merged order; the shared image kept once.
    QCOMPARE(report.cameras, 4);
    QCOMPARE(report.images, 39);
    const QString out = temp + "//merged//merged";
    const QByteArray cameraFile = readText(out + ".cmr");
    for (int i = 0; i < 4; ++i)
        QVERIFY(cameraFile.contains(QString("\n<C_%1>\n    <CamIdx value=\"%1\"").arg(i).toLatin1()));
    const QList<QByteArray> listLines = readBytes(out + ".lst").split('\n');
    QCOMPARE(listLines.size(), 40); // 39 lines and the end
    QCOMPARE(listLines[0], QByteArray("/survey/photos/block01/IMG_0000001.JPG 0 6153.85"));
    QCOMPARE(listLines[20], QByteArray("/survey/photos/block02/IMG_0000021.JPG 2 6282.05"));
    QCOMPARE(readBytes(out + "_xyz.txt").count('\n'), 39);

    ProjectParams params;
    QVERIFY(readProjectFile(out + ".Q7D", params));
    QCOMPARE(params.num_images, 39);
    QCOMPARE(params.pos_file, QDir::toNativeSeparators(temp + "//merged//merged_xyz.txt"));

    const auto groups = tableRows(out + ".temp", "groups", "GroupID");
    QCOMPARE(groups.size(), 4);
    QCOMPARE(groups[2].mid(0, 3), QVariantList({3, 9, "NULL"}));
    for (int i : {0, 1, 3}) // each camera's run of images
        QCOMPARE(groups[i].mid(0, 2), QVariantList({i + 1, 10}));
    const auto images = tableRows(out + ".temp", "imageinfos", "Name");
    QCOMPARE(images.size(), 39);
    QCOMPARE(images[20].mid(0, 3), QVariantList({"IMG_0000021", "3", "/survey/photos/block02/IMG_0000021.JPG"}));
    QCOMPARE(tableRows(out + ".temp", "eofInfo", "Name").size(), 39);
}

// The files written in text mode end their lines with the system's text line
// end; the image list, the project file and the merge record with '\n'
// everywhere.
void TestMergeWorkflow::textFilesEndLinesAsTheSystemDoes()
{
    QVERIFY(merge(samples, temp, "merged").succeeded());
#ifdef Q_OS_WIN
    const QByteArray textLineEnd = "\r\n";
#else
    const QByteArray textLineEnd = "\n";
#endif
    const struct
    {
        const char *file;
        bool textMode;
    } files[] = {{"merged.txt", true},  {"merged_xyz.txt", true}, {"merged.cmr", true},
                 {"merged.lst", false}, {"merged.Q7D", false},    {"Log/merge.log", false}};
    for (const auto &row : files) {
        const QByteArray bytes = readBytes(temp + "/merged/" + row.file);
        const QByteArray lineEnd = row.textMode ? textLineEnd : QByteArray("\n");
        QVERIFY2(bytes.endsWith(lineEnd), row.file);
        QVERIFY2(bytes.count(lineEnd) == bytes.count('\n'), row.file);
        QVERIFY2(bytes.count('\r') == (lineEnd.size() == 2 ? bytes.count('\n') : 0), row.file);
    }
}

void TestMergeWorkflow::refusesEmptyListOrFields()
{
    MergeReport report = merge({}, QString(), QString());
    QVERIFY(!report.started);
    QVERIFY(messages.shown.isEmpty());

    report = merge(samples, QString(), QString());
    QVERIFY(!report.started);
    QCOMPARE(messages.shown, QStringList({"warning|Tips|Please enter the saved path."}));

    messages.shown.clear();
    report = merge(samples, temp, QString());
    QVERIFY(!report.started);
    QCOMPARE(messages.shown, QStringList({"warning|Tips|Please enter a save file name."}));
    QCOMPARE(QDir(temp).entryList(QDir::NoDotAndDotDot | QDir::AllEntries), QStringList({"src"}));
}

void TestMergeWorkflow::blankNamePasses()
{
    const MergeReport report = merge(samples, temp, "  ");
#ifdef Q_OS_WIN
    // Windows holds no folder named by blanks: the merge stops at its folder.
    QCOMPARE(failedSteps(report), QStringList{"output folder"});
    return;
#endif
    QVERIFY2(report.succeeded(), qPrintable(report.summary()));
    QVERIFY(QFileInfo::exists(temp + "/  /  .lst"));
}

void TestMergeWorkflow::nameWithDotNamesSolverFileByBaseName()
{
    const MergeReport report = merge(samples, temp, "a.b");
    QVERIFY2(report.succeeded(), qPrintable(report.summary()));
    const QDir out(temp + "/a.b");
    QVERIFY(out.exists("Adjustment/a_ori.q7c"));
    for (const char *file : {"a.b.txt", "a.b_xyz.txt", "a.b.cmr", "a.b.lst", "a.b.Q7D", "a.b.temp"})
        QVERIFY2(out.exists(file), file);
    QCOMPARE(report.images, 39);
}

void TestMergeWorkflow::missingSolverLeavesEarlierProjectWhole()
{
    QVERIFY(merge(samples, temp, "m").succeeded());
    auto earlier = snapshot(temp + "/m");
    QVERIFY(earlier.erase("Log/merge.log") == 1);

    workflow->setSolverPath(temp + "/AT/Z7Uzurer");
    const MergeReport report = merge(samples, temp, "m");
    QVERIFY(report.started);
    QCOMPARE(failedSteps(report), QStringList({"solver", "merged orientation file", "camera file", "image list",
                                               "project parameters", "project file", "photo database",
                                               "imageinfos", "eofInfo", "groups"}));
    QVERIFY(report.summary().contains("- solver: " + shown(temp + "/AT/Z7Uzurer") + " could not be started"));
    QVERIFY(report.summary().contains("- merged orientation file: " + shown(temp + "/m/Adjustment/m_ori.q7c")
                                      + " was not written by the solver"));
    QVERIFY(report.summary().contains("did not write the new project"));
    QVERIFY(report.summary().contains("\nNot run: camera file, image list, project parameters, project file, "
                                      "photo database, imageinfos, eofInfo, groups."));
    auto after = snapshot(temp + "/m");
    QVERIFY(after.erase("Log/merge.log") == 1);
    eraseMergeMaps(after);
    eraseMergeMaps(earlier);
    QVERIFY(after == earlier);
}

void TestMergeWorkflow::saveFailedOnlyWhenBothFilesFail()
{
    // A folder in the place of a file makes that file unwritable.
    QVERIFY(QDir().mkpath(temp + "/one/one.cmr"));
    QVERIFY(QDir().mkpath(temp + "/both/both.cmr"));
    QVERIFY(QDir().mkpath(temp + "/both/both.lst"));

    std::optional<DebugMessages> debug(std::in_place);
    const MergeReport one = merge(samples, temp, "one");
    QVERIFY(!debug->lines.contains("Save failed"));
    debug.emplace();
    const MergeReport both = merge(samples, temp, "both");
    QVERIFY(debug->lines.contains("Save failed"));
    debug.reset();

    QCOMPARE(failedSteps(one), QStringList({"camera file"}));
    QCOMPARE(failedSteps(both), QStringList({"camera file", "image list"}));
}

// The groups table counts the images of each camera also when the image list
// could not be written.
void TestMergeWorkflow::groupsCountedWithoutImageList()
{
    QVERIFY(QDir().mkpath(temp + "/m/m.lst"));
    const MergeReport report = merge(samples, temp, "m");
    QCOMPARE(failedSteps(report), QStringList{"image list"});
    QList<int> photos;
    for (const QVariantList &row : tableRows(temp + "/m/m.temp", "groups", "GroupID"))
        photos.append(row[1].toInt());
    QCOMPARE(photos, QList<int>({10, 10, 9, 10}));
}

void TestMergeWorkflow::parametersComeFromFirstListedProject()
{
    QVERIFY(merge({samples[1], samples[0]}, temp, "m").succeeded());
    ProjectParams merged, second;
    QVERIFY(readProjectFile(temp + "/m/m.Q7D", merged));
    QVERIFY(readProjectFile(samples[1], second));
    QCOMPARE(merged.key_density, QString("Normal"));
    QCOMPARE(merged.use_imu, second.use_imu);
    QCOMPARE(merged.grd_height, second.grd_height);
    QCOMPARE(merged.map_projection, second.map_projection);
    QCOMPARE(merged.recon_boundbox, second.recon_boundbox);
}

// Without the first source's parameters no project file of default parameters
// is written; the rest of the new project is.
void TestMergeWorkflow::unreadableFirstProjectFileWritesNoProjectFile()
{
    QVERIFY(writeBytes(samples[0], "<broken"));
    const MergeReport report = merge(samples, temp, "m");
    QCOMPARE(failedSteps(report), QStringList({"project parameters", "project file"}));
    QVERIFY(!report.steps[size_t(MergeStepId::ProjectFile)].ran);
    QVERIFY(report.steps[size_t(MergeStepId::ProjectParameters)].ran);
    QVERIFY(report.summary().contains("\nNot run: project file."));
    QVERIFY(!QFileInfo::exists(temp + "/m/m.Q7D"));
    QCOMPARE(tableRows(temp + "/m/m.temp", "groups", "GroupID").size(), 4);
}

// The steps each failed step leaves out, as the table of steps has it.
void TestMergeWorkflow::failedStepLeavesItsDependantsNotRun_data()
{
    QTest::addColumn<int>("failed");
    QTest::addColumn<QStringList>("notRun");
    const QStringList afterOrientation = {"camera file", "image list", "project parameters", "project file",
                                          "photo database", "imageinfos", "eofInfo", "groups"};
    QTest::newRow("output folder") << int(MergeStepId::OutputFolder)
                                   << QStringList({"solver input list", "position export"});
    QTest::newRow("solver") << int(MergeStepId::Solver) << QStringList();
    QTest::newRow("orientation") << int(MergeStepId::OrientationFile) << afterOrientation;
    QTest::newRow("camera file") << int(MergeStepId::CameraFile) << QStringList();
    QTest::newRow("parameters") << int(MergeStepId::ProjectParameters) << QStringList({"project file"});
    QTest::newRow("project file") << int(MergeStepId::ProjectFile) << QStringList();
    QTest::newRow("imageinfos") << int(MergeStepId::ImageInfos) << QStringList();
}

void TestMergeWorkflow::failedStepLeavesItsDependantsNotRun()
{
    QFETCH(int, failed);
    QFETCH(QStringList, notRun);
    StepOutcomes outcomes;
    QStringList left;
    for (int id = 0; id < plannedMergeSteps; ++id) {
        const bool runs = outcomes.needsMet(MergeStepId(id));
        if (!runs)
            left << stepName(MergeStepId(id));
        outcomes.record(MergeStepId(id), runs && id != failed);
    }
    QCOMPARE(left, notRun);
}

// A step that needed a later one would never run.
void TestMergeWorkflow::stepsNeedOnlyEarlierSteps()
{
    for (int id = 0; id <= plannedMergeSteps; ++id) {
        for (const MergeStepId need : stepNeeds(MergeStepId(id)))
            QVERIFY2(int(need) < id, qPrintable(stepName(MergeStepId(id)) + " needs " + stepName(need)));
    }
}

// A stop while the check beside the merge still reads its many projects ends
// the check with the merge: no findings of part of the projects, no map.
void TestMergeWorkflow::stopDuringCheckTakesNoFindings()
{
    q7PhotoDataBase database(nullptr, "sidework");
    std::atomic<bool> stop{false};
    MergeReport report;
    report.outputs.folder = temp + "/m";
    {
        MergeSideWork side(database, stop);
        side.startCheck(std::vector<ProjectEntry>(5000, makeProjectEntry(samples[0])), Tolerances{});
        stop = true;
        side.takeCheck(report);
    }
    QVERIFY(report.readiness.projects.empty());
    QVERIFY(report.mapFile.isEmpty());
    QVERIFY(!QFileInfo::exists(temp + "/m"));
}

void TestMergeWorkflow::earlierCheckTakenWhenAlike_data()
{
    QTest::addColumn<int>("checkedProjects");
    QTest::addColumn<Tolerances>("tolerances");
    QTest::addColumn<bool>("taken");
    QTest::newRow("the same") << 2 << Tolerances{} << true;
    QTest::newRow("another tolerance") << 2 << Tolerances{2.0, 1.0} << false;
    QTest::newRow("another vertical tolerance") << 2 << Tolerances{1.0, 2.0} << false;
    QTest::newRow("a project fewer") << 1 << Tolerances{} << false;
}

// A check made before the merge stands for the merge's own only when it
// checked the same projects with the same tolerances; the empty one given
// here, once taken, leaves the report without projects.
void TestMergeWorkflow::earlierCheckTakenWhenAlike()
{
    QFETCH(int, checkedProjects);
    QFETCH(Tolerances, tolerances);
    QFETCH(bool, taken);
    const EarlierCheck earlier{samples.mid(0, checkedProjects), tolerances, ReadinessReport()};
    std::vector<ProjectEntry> projects;
    for (const QString &sample : qAsConst(samples))
        projects.push_back(makeProjectEntry(sample));
    q7PhotoDataBase database(nullptr, "sidework");
    std::atomic<bool> stop{false};
    MergeReport report;
    report.outputs.folder = temp + "/m";
    {
        MergeSideWork side(database, stop);
        side.startCheck(projects, Tolerances{}, &earlier);
        side.takeCheck(report);
    }
    QCOMPARE(report.readiness.projects.empty(), taken);
}

void TestMergeWorkflow::laterMergeWritesItsOwnDatabase()
{
    QVERIFY(merge(samples, temp, "first").succeeded());
    const MergeReport later = merge(samples, temp, "second");
    QVERIFY2(later.succeeded(), qPrintable(later.summary()));
    QCOMPARE(tableRows(temp + "/first/first.temp", "imageinfos", "Name").size(), 39);
    QCOMPARE(tableRows(temp + "/second/second.temp", "imageinfos", "Name").size(), 39);
}

void TestMergeWorkflow::failedPreparationWritesAreFailedSteps_data()
{
    QTest::addColumn<QString>("blocked");
    QTest::addColumn<QStringList>("failed");
    QTest::newRow("solver input list") << "m.txt" << QStringList{"solver input list"};
    QTest::newRow("position file") << "m_xyz.txt" << QStringList{"position export"};
}

// The solver would run on an earlier merge's file: the merge stops before it
// and leaves the earlier merge's files as they were.
void TestMergeWorkflow::failedPreparationWritesAreFailedSteps()
{
    QFETCH(QString, blocked);
    QFETCH(QStringList, failed);
    QVERIFY(merge(samples.mid(0, 1), temp, "m").succeeded());
    QVERIFY(QFile::remove(temp + "/m/" + blocked));
    // A folder in the place of the file makes it unwritable.
    QVERIFY(QDir().mkpath(temp + "/m/" + blocked + "/kept"));
    auto before = snapshot(temp + "/m");

    const MergeReport report = merge(samples, temp, "m");
    QVERIFY(report.started);
    QCOMPARE(failedSteps(report), failed);
    QVERIFY2(report.summary().contains(QString("\n- %1: %2 could not be written").arg(failed[0], shown(temp + "/m/" + blocked))),
             qPrintable(report.summary()));
    QCOMPARE(report.steps.back().name, failed[0]);
    QVERIFY(report.summary().startsWith(QString("The merge into %1 stopped before the solver").arg(shown(temp + "/m"))));
    auto after = snapshot(temp + "/m");
    if (blocked == "m_xyz.txt") // written before the position file
        QVERIFY(after["m.txt"] != before["m.txt"] && after.erase("m.txt") && before.erase("m.txt"));
    // Only the record of this merge is added, after the earlier one.
    const QByteArray earlierRecord = before["Log/merge.log"];
    QVERIFY(after["Log/merge.log"].startsWith(earlierRecord) && after["Log/merge.log"].size() > earlierRecord.size());
    QVERIFY(after.erase("Log/merge.log") && before.erase("Log/merge.log"));
    QVERIFY(eraseMergeMaps(after) == eraseMergeMaps(before) + 1); // this merge's map added
    QVERIFY(after == before);
}

// A later merge into the same folder and name gives the database that merge
// alone gives: its own rows in the three tables, q7prjinfo as it was.
// "NULL" items alone after a merge into the same folder: the solver is not
// run on the earlier merge's list, and its files stay as they were.
void TestMergeWorkflow::nullOnlyRequestRunsNoSolver()
{
    QVERIFY(merge(samples, temp, "m").succeeded());
    auto before = snapshot(temp + "/m");

    const MergeReport report = merge({"NULL", "NULL"}, temp, "m");
    QVERIFY(report.started && report.stoppedBeforeSolver);
    QCOMPARE(failedSteps(report), QStringList{"solver input list"});
    QCOMPARE(report.steps.back().problem, QString("no source project to merge"));
    QVERIFY(report.solverCommand.isEmpty() && report.solverOutput.isEmpty());
    auto after = snapshot(temp + "/m");
    QVERIFY(after.erase("Log/merge.log") && before.erase("Log/merge.log"));
    eraseMergeMaps(after);
    eraseMergeMaps(before);
    QVERIFY(after == before);
}

void TestMergeWorkflow::remergeReplacesDatabaseRows()
{
    const QStringList bigger = makeSampleProjects(temp + "/src2", 2, 21);
    QVERIFY(merge(bigger, temp, "clean").succeeded());
    QVERIFY(merge(samples, temp, "m").succeeded());
    const QString database = temp + "/m/m.temp";
    {
        QSqlDatabase db = QSqlDatabase::addDatabase("SQLITECIPHER", "owner");
        db.setDatabaseName(database);
        db.setPassword("tessellat3crypt");
        QVERIFY(db.open());
        QVERIFY(QSqlQuery("INSERT INTO q7prjinfo VALUES('owner', 'kept')", db).isActive());
    }
    QSqlDatabase::removeDatabase("owner");

    QStringList carried; // the rows the progress hears of, table by table
    MergeProgress progress;
    progress.rowsCarried = [&](const QString &table, qint64 done, qint64 total) {
        carried << QString("%1 %2/%3").arg(table).arg(done).arg(total);
    };
    workflow->setProgress(progress);
    const MergeReport again = merge(bigger, temp, "m");
    QVERIFY2(again.succeeded(), qPrintable(again.summary()));
    QCOMPARE(again.images, 41);
    QCOMPARE(carried, QStringList({"q7prjinfo 0/1", "q7prjinfo 1/1"}));
    for (const char *table : {"imageinfos", "eofInfo", "groups"})
        QCOMPARE(tableRows(database, table, "1"), tableRows(temp + "/clean/clean.temp", table, "1"));
    QCOMPARE(tableRows(database, "q7prjinfo", "1"), QList<QVariantList>({{"owner", "kept"}}));
}

void TestMergeWorkflow::unusableSourcePositionFileIsReported_data()
{
    QTest::addColumn<QByteArray>("content"); // "<missing>", "<folder>" or the file's bytes
    QTest::addColumn<QString>("problem");
    QTest::newRow("missing") << QByteArray("<missing>") << "could not be read";
    QTest::newRow("folder") << QByteArray("<folder>") << "could not be read";
    QTest::newRow("empty") << QByteArray() << "has no usable line";
    QTest::newRow("no usable line") << QByteArray("IMG_1 1 2 3\n\nIMG_2 1 2 -1000000 4 5 6\n")
                                    << "has no usable line";
}

// The other projects' positions are still merged; the step is failed, naming
// the file, and the summary shows the images that came in against those that
// went out.
void TestMergeWorkflow::unusableSourcePositionFileIsReported()
{
    QFETCH(QByteArray, content);
    QFETCH(QString, problem);
    const QString xyz = temp + "/src/block02/block02_xyz.txt";
    QVERIFY(QFile::remove(xyz));
    if (content == "<folder>")
        QVERIFY(QDir().mkdir(xyz));
    else if (content != "<missing>")
        QVERIFY(writeBytes(xyz, content));

    const MergeReport report = merge(samples, temp, "m");
    QCOMPARE(failedSteps(report), QStringList{"position export"});
    const QString listed = report.sources[1].xyzFile; // as the project entry names it
    QVERIFY(QFileInfo(listed) == QFileInfo(xyz));
    QVERIFY2(report.summary().contains("\n- position export: " + shownPath(listed) + " " + problem + "\n"
                                       "Images: 20 read from the source position files, 39 in the merged "
                                       "project; the merged position file holds 20."),
             qPrintable(report.summary()));
    QCOMPARE(readBytes(temp + "/m/m_xyz.txt").count('\n'), 20);
    QCOMPARE(tableRows(temp + "/m/m.temp", "imageinfos", "Name").size(), 39);
}

void TestMergeWorkflow::foreignDatabaseRefusesTheMerge_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("what");
    const QString notOurs = "cannot be opened with this program's key: file is encrypted or is not a database "
                            "Error opening database";
    QTest::newRow("not a database") << "text" << notOurs;
    QTest::newRow("plain SQLite") << "plain" << notOurs;
    QTest::newRow("another key") << "other key" << notOurs;
    QTest::newRow("a folder") << "folder" << "is a folder";
#ifndef Q_OS_WIN
    QTest::newRow("a pipe") << "pipe" << "is no regular file";
#endif
    QTest::newRow("our own, empty") << "empty" << QString();
}

// A photo database the merge could not use is found before anything is
// written, and left as it is.
void TestMergeWorkflow::foreignDatabaseRefusesTheMerge()
{
    QFETCH(QString, kind);
    QFETCH(QString, what);
    const QString database = temp + "/m/m.temp";
    QVERIFY(QDir().mkpath(temp + "/m"));
    if (kind == "text") {
        QVERIFY(writeBytes(database, "field notes of the survey, not a database\n"));
    } else if (kind == "folder") {
        QVERIFY(QDir().mkpath(database + "/kept"));
    } else if (kind == "pipe") {
#ifndef Q_OS_WIN
        QCOMPARE(mkfifo(QFile::encodeName(database).constData(), 0600), 0);
#endif
    } else if (kind == "empty") {
        QVERIFY(writeBytes(database, QByteArray()));
    } else {
        const bool plain = kind == "plain";
        {
            QSqlDatabase db = QSqlDatabase::addDatabase(plain ? "QSQLITE" : "SQLITECIPHER", "foreign");
            db.setDatabaseName(database);
            if (!plain) {
                db.setPassword("another key");
                db.setConnectOptions("QSQLITE_CREATE_KEY");
            }
            QVERIFY(db.open());
            QVERIFY(QSqlQuery("CREATE TABLE notes(x)", db).isActive());
            db.close();
        }
        QSqlDatabase::removeDatabase("foreign");
    }
    const auto before = snapshot(temp + "/m");

    const MergeReport report = merge(samples, temp, "m");
    if (what.isEmpty()) {
        QVERIFY(report.succeeded());
        return;
    }
    QVERIFY(!report.started);
    QCOMPARE(messages.shown, QStringList{shownPath(QString("warning|Tips|The new project's photo database %1//m//m.temp %2. "
                                                           "Nothing was written: remove it, or choose another folder or "
                                                           "name for the new project.")
                                                       .arg(temp, what))});
    QVERIFY(snapshot(temp + "/m") == before);
}

void TestMergeWorkflow::resolvedPaths()
{
#ifdef Q_OS_WIN
    QSKIP("QFile::link makes a Windows shortcut, which paths do not lead through");
#endif
    QVERIFY(QFile::link(temp + "/src", temp + "/alias"));
    const QString block = temp + "/src/block01";
    QCOMPARE(resolvedPath(temp + "//src//block01/"), block);
    QCOMPARE(resolvedPath(temp + "/src/./block02/../block01"), block);
    QCOMPARE(resolvedPath(temp + "/alias/block01/block01.Q7D"), block + "/block01.Q7D");
    // Below the deepest existing folder the path is only cleaned.
    QCOMPARE(resolvedPath(temp + "/alias//new/deeper/../x.txt"), temp + "/src/new/x.txt");
    // "link/.." is the folder the link is in only when the link points beside it.
    QVERIFY(QFile::link(temp + "/src/block01/Adjustment", temp + "/jump"));
    QCOMPARE(resolvedPath(temp + "/jump/../block01.Q7D"), block + "/block01.Q7D");
    QCOMPARE(resolvedPath("relative/x"), QDir::currentPath() + "/relative/x");
}

void TestMergeWorkflow::sourceClashIsRefusedAndNothingWritten_data()
{
    QTest::addColumn<QStringList>("projects");
    QTest::addColumn<QString>("prjDir");
    QTest::addColumn<QString>("prjName");
    QTest::addColumn<QString>("message");

    // "<temp>" stands for the test's folder.
    const QString src = "<temp>/src";
    const QString first = src + "/block01/block01.Q7D";
    const QString second = src + "/block02/block02.Q7D";
    QTest::newRow("project file") << QStringList{first, second} << src << "block01"
                                  << refusal("project file", src + "//block01/block01.Q7D", "project file", first);
    QTest::newRow("doubled separators and dots") << QStringList{second, first} << "<temp>//src/./" << "block01"
        << refusal("project file", "<temp>//src/.///block01/block01.Q7D", "project file", first);
    QTest::newRow("through a link") << QStringList{first} << "<temp>/alias" << "block01"
        << refusal("project file", "<temp>/alias//block01/block01.Q7D", "project file", first);
    QTest::newRow("source through ..") << QStringList{src + "/block02/../block01/block01.Q7D"} << src << "block01"
        << refusal("project file", src + "//block01/block01.Q7D", "project file",
                   src + "/block02/../block01/block01.Q7D");
    QTest::newRow("position file") << QStringList{first, "<temp>/out/p/p.xml"} << "<temp>/out" << "p"
        << refusal("position file", "<temp>/out//p//p_xyz.txt", "position file", "<temp>/out/p/p.xml");
    QTest::newRow("orientation file") << QStringList{"<temp>/out/m.v1/m.Q7D"} << "<temp>/out" << "m.v1"
        << refusal("merged orientation file", "<temp>/out//m.v1//Adjustment//m_ori.q7c", "orientation file",
                   "<temp>/out/m.v1/m.Q7D");
    const std::pair<const char *, const char *> outputs[] = {
        {"solver input list", ".txt"}, {"position file", "_xyz.txt"}, {"camera file", ".cmr"},
        {"image list", ".lst"}, {"photo database", ".temp"}};
    for (const auto &[kind, suffix] : outputs) {
        const QString source = QString("<temp>/out/m/m") + suffix;
        QTest::newRow(kind) << QStringList{first, source} << "<temp>/out" << "m"
                            << refusal(kind, QString("<temp>/out//m//m") + suffix, "project file", source);
    }
    QTest::newRow("hard link") << QStringList{first} << "<temp>/out" << "h"
        << refusal("camera file", "<temp>/out//h//h.cmr", "project file", first);
    QTest::newRow("output folder not made yet") << QStringList{"<temp>/new/x/x.Q7D"} << "<temp>/new" << "x"
        << refusal("project file", "<temp>/new//x/x.Q7D", "project file", "<temp>/new/x/x.Q7D");
    QTest::newRow("NULL items name nothing") << QStringList{"NULL", first} << src << "block01"
        << refusal("project file", src + "//block01/block01.Q7D", "project file", first);
}

void TestMergeWorkflow::sourceClashIsRefusedAndNothingWritten()
{
    QFETCH(QStringList, projects);
    QFETCH(QString, prjDir);
    QFETCH(QString, prjName);
    QFETCH(QString, message);
#ifdef Q_OS_WIN
    QSKIP("QFile::link makes a Windows shortcut, which paths do not lead through");
#endif
    projects.replaceInStrings("<temp>", temp);
    prjDir.replace("<temp>", temp);
    message.replace("<temp>", temp);

    // The listed projects' own files, where the samples have none.
    QVERIFY(QFile::link(temp + "/src", temp + "/alias"));
    for (const char *file : {"/out/p/p_xyz.txt", "/out/m.v1/Adjustment/m_ori.q7c", "/out/m/m.txt",
                                "/out/m/m_xyz.txt", "/out/m/m.cmr", "/out/m/m.lst", "/out/m/m.temp"}) {
        QVERIFY(QDir().mkpath(QFileInfo(temp + file).path()));
        QVERIFY(writeBytes(temp + file, "a source's own file\n"));
    }
    QVERIFY(QDir().mkpath(temp + "/out/h"));
#ifdef Q_OS_UNIX
    QVERIFY(::link(QFile::encodeName(samples[0]).constData(), QFile::encodeName(temp + "/out/h/h.cmr").constData()) == 0);
#endif
    const auto before = snapshot(temp);

    const MergeReport report = merge(projects, prjDir, prjName);

    QVERIFY(!report.started);
    // The paths as people are shown them.
    QCOMPARE(messages.shown, QStringList{shownPath(message)});
    QVERIFY(snapshot(temp) == before);
    QVERIFY(!QFileInfo::exists(temp + "/new"));
}

void TestMergeWorkflow::mergeBesideSourcesGoesAhead()
{
    // The source's own folder, another name: nothing of the source is written.
    const auto sources = snapshot(temp + "/src");
    const QString folder = QFileInfo(samples[0]).path();
    const MergeReport report = merge(samples, folder, "block01_merged");
    QVERIFY2(report.succeeded(), qPrintable(report.summary()));
    QVERIFY(messages.shown.isEmpty());
    auto after = snapshot(temp + "/src");
    for (auto it = after.begin(); it != after.end();)
        it = it->first.startsWith("block01/block01_merged") ? after.erase(it) : std::next(it);
    QVERIFY(after == sources);
}

QTEST_GUILESS_MAIN(TestMergeWorkflow)
#include "tst_mergeworkflow.moc"
