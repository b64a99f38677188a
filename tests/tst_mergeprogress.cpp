#include "dialogtesting.h"
#include "mergefixture.h"
#include "mergeprj.h"
#include "mergeprogresspanel.h"
#include "mergeresultdialog.h"
#include "shownpath.h"
#include "testfiles.h"

#include <QClipboard>
#include <QCryptographicHash>
#include <QDirIterator>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTableWidget>

#include <QtTest>

// A merge runs off the GUI thread: the window keeps handling events, shows
// the solver's lines, stops on request and asks before closing mid-merge.

namespace {

// A solver that talks and sleeps for tenths of a second before handing over
// to the real stand-in; with ignoreTerm it must be killed to stop. A shell
// script: the tests that need it are left out on Windows.
#ifdef Q_OS_WIN
#define SKIP_WITHOUT_SHELL() QSKIP("the slow solver is a shell script")
#else
#define SKIP_WITHOUT_SHELL()
#endif
QString writeSlowSolver(const QString &folder, int tenths, bool ignoreTerm = false)
{
    const QString path = folder + "/slowsolver.sh";
    const QString script = QString("#!/bin/sh\n%1i=0\nwhile [ $i -lt %2 ]; do\n"
                                   "  echo \"slow solver line $i\"\n  echo \"slow solver note $i\" >&2\n"
                                   "  sleep 0.1\n  i=$((i+1))\ndone\nexec \"%3\" \"$@\"\n")
                               .arg(ignoreTerm ? "trap '' TERM\n" : "")
                               .arg(tenths)
                               .arg(binPath("AT/Z7Uzurer"));
    writeBytes(path, script.toUtf8());
    QFile(path).setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    return path;
}

// Every file under folder with the SHA-256 of its bytes.
QMap<QString, QByteArray> fileHashes(const QString &folder)
{
    QMap<QString, QByteArray> hashes;
    QDirIterator files(folder, QDir::Files, QDirIterator::Subdirectories);
    while (files.hasNext()) {
        const QString path = files.next();
        hashes[path] = QCryptographicHash::hash(readBytes(path), QCryptographicHash::Sha256);
    }
    return hashes;
}

QStringList stepNames(const MergeReport &report)
{
    QStringList names;
    for (const MergeStep &step : report.steps)
        names.append(step.name);
    return names;
}

} // namespace

class TestMergeProgress : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void windowLivesAndShowsSolverLines();
    void stopDuringSolver_data();
    void stopDuringSolver();
    void stopDuringDatabaseStep();
    void closingDuringMergeAsksFirst();
    void stopQuestionGoesWhenMergeEnds();
    void resultListsFailedStepsFirstAndCopiesReport();
    void copiedReportOfStoppedMergeIsWhole();
    void barMovesByWork_data();
    void barMovesByWork();

private:
    QPushButton *button(const char *name) const { return dialog->findChild<QPushButton *>(name); }

    void prepare(const QString &solver)
    {
        samples = makeSampleProjects(temp + "/src", 2, 20);
        auto *list = dialog->findChild<QListWidget *>("projectList");
        for (const QString &sample : samples)
            list->addItem(sample);
        dialog->findChild<QLineEdit *>("prjDirEdit")->setText(temp);
        dialog->findChild<QLineEdit *>("prjNameEdit")->setText("m");
        dialog->mergeWorkflow().setSolverPath(solver);
    }

    // Answers every message box with `answer` and closes every result dialog,
    // recording them as "<title>|<text>".
    void answerBoxes(QMessageBox::StandardButton answer)
    {
        answers.disconnect();
        connect(&answers, &QTimer::timeout, this, [this, answer] {
            QWidget *modal = QApplication::activeModalWidget();
            if (auto *box = qobject_cast<QMessageBox *>(modal)) {
                boxes.append(box->windowTitle() + "|" + box->text());
                // A question to an OK: Yes (replace the project of the last run).
                (box->button(answer) ? box->button(answer) : box->button(QMessageBox::Yes))->click();
            } else if (auto *result = qobject_cast<MergeResultDialog *>(modal)) {
                boxes.append(result->windowTitle() + "|" + result->summary());
                resultRows = result->findChild<QTableWidget *>("stepTable")->rowCount();
                result->accept();
            }
        });
        answers.start(20);
    }

    // Waits for the end of the merge under way and returns its report.
    MergeReport waitForEnd(QSignalSpy &ended)
    {
        if (ended.isEmpty() && !ended.wait(patientMs))
            return {};
        return ended.takeFirst().at(0).value<MergeReport>();
    }

    QString solverText() const { return dialog->findChild<QPlainTextEdit *>("solverOutput")->toPlainText(); }

    mergeprj *dialog = nullptr;
    std::unique_ptr<QTemporaryDir> tempDir;
    QString temp;
    QStringList samples;
    QTimer answers;
    QStringList boxes;
    int resultRows = -1;
};

void TestMergeProgress::initTestCase()
{
    QCoreApplication::addLibraryPath(Q7_BIN_DIR); // the SQLITECIPHER driver
    QVERIFY(ownSettingsFolder);
}

void TestMergeProgress::init()
{
    temp = freshTempDir(tempDir);
    QVERIFY(!temp.isEmpty());
    forgetDialogSettings();
    dialog = new mergeprj;
    dialog->show();
    QVERIFY(QTest::qWaitForWindowExposed(dialog));
    boxes.clear();
    resultRows = -1;
    answerBoxes(QMessageBox::Ok);
}

void TestMergeProgress::cleanup()
{
    answers.stop();
    delete dialog;
    dialog = nullptr;
}

void TestMergeProgress::windowLivesAndShowsSolverLines()
{
    SKIP_WITHOUT_SHELL();
    prepare(writeSlowSolver(temp, 20));
    QSignalSpy ended(dialog, &mergeprj::mergeEnded);
    int ticks = 0;
    int ticksWhileDisabled = 0;
    QTimer tick;
    connect(&tick, &QTimer::timeout, [&] {
        ++ticks;
        if (!button("mergeButton")->isEnabled() && !button("cancelButton")->isEnabled()
            && button("stopButton")->isEnabled())
            ++ticksWhileDisabled;
    });
    tick.start(10);
    button("mergeButton")->click();
    const MergeReport report = waitForEnd(ended);
    tick.stop();

    // Two seconds of solver: a blocked loop would give no tick at all.
    QVERIFY2(ticksWhileDisabled >= 20, qPrintable(QString::number(ticksWhileDisabled)));
    QVERIFY(report.succeeded());
    QCOMPARE(int(report.steps.size()), MergeWorkflow::plannedSteps);
    QTRY_COMPARE(resultRows, MergeWorkflow::plannedSteps);
    QCOMPARE(boxes, QStringList({QString("Merge result|Merged 2 projects into %1/m: 4 cameras, 39 images.\n"
                                         "Images: 40 read from the source position files, 39 in the merged "
                                         "project (1 shared image merged once).").arg(temp)}));
    QVERIFY(button("mergeButton")->isEnabled() && !button("stopButton")->isEnabled());

    // Both channels reach the details pane and the report, in each one's order.
    const QStringList shown = solverText().split('\n');
    QCOMPARE(shown, report.solverOutput);
    QCOMPARE(shown.filter("slow solver line").size(), 20);
    QCOMPARE(shown.filter("slow solver note").size(), 20);
    QCOMPARE(shown.filter("slow solver line").first(), QString("slow solver line 0"));
    QCOMPARE(shown.filter("Z7Uzurer: merged 2 projects").size(), 1);
    QCOMPARE(report.solverExitCode.value_or(-1), 0);
    QVERIFY(report.solverCommand.startsWith(temp + "/slowsolver.sh -t mergeq7c -l "));
}

void TestMergeProgress::stopDuringSolver_data()
{
    QTest::addColumn<bool>("ignoreTerm");
    QTest::newRow("ends on terminate") << false;
    QTest::newRow("must be killed") << true;
}

void TestMergeProgress::stopDuringSolver()
{
    QFETCH(bool, ignoreTerm);
    SKIP_WITHOUT_SHELL();
    prepare(writeSlowSolver(temp, 300, ignoreTerm)); // half a minute unless stopped
    const QMap<QString, QByteArray> sources = fileHashes(temp + "/src");
    QSignalSpy ended(dialog, &mergeprj::mergeEnded);
    button("mergeButton")->click();
    QTRY_VERIFY_WITH_TIMEOUT(solverText().contains("slow solver line 1"), patientMs);
    button("stopButton")->click();
    const MergeReport report = waitForEnd(ended);

    QVERIFY(report.stopped && !report.succeeded());
    QCOMPARE(stepNames(report), QStringList({"output folder", "solver input list", "position export", "project folders", "solver"}));
    QCOMPARE(report.steps.back().problem, QString("stopped"));
    // Told as stopped, not as a failure with an exit code.
    QCOMPARE(report.steps.back().result(), QString("stopped"));
    QCOMPARE(report.solverEnd(), QString("stopped"));
    QVERIFY(dialog->findChild<QProgressBar *>("progressBar")->format().startsWith("stopped: "));
    QVERIFY(!report.solverOutput.contains("slow solver line 299"));
    QTRY_COMPARE(boxes.size(), 1);
    QVERIFY2(boxes[0].startsWith(QString("Merge result|The merge into %1/m was stopped.").arg(temp)), qPrintable(boxes[0]));
    // Nothing after the solver was written, and the sources are as they were.
    QVERIFY(!QFile::exists(temp + "/m/Adjustment/m_ori.q7c"));
    QVERIFY(!QFile::exists(temp + "/m/m.cmr") && !QFile::exists(temp + "/m/m.temp"));
    QCOMPARE(fileHashes(temp + "/src"), sources);

    // The same merge runs again, to its end.
    dialog->mergeWorkflow().setSolverPath(binPath("AT/Z7Uzurer"));
    button("mergeButton")->click();
    QVERIFY(waitForEnd(ended).succeeded());
    QCOMPARE(tableRows(temp + "/m/m.temp", "eofInfo", "Name").size(), 39);
}

void TestMergeProgress::stopDuringDatabaseStep()
{
    // Driven as the batch program drives it: on the caller's thread.
    RecordedMessages messages;
    MergeWorkflow workflow(messages);
    workflow.setSolverPath(binPath("AT/Z7Uzurer"));
    samples = makeSampleProjects(temp + "/src", 2, 20);
    const MergeRequest request{samples, temp, "m"};
    const QMap<QString, QByteArray> sources = fileHashes(temp + "/src");
    workflow.setProgress({[&](const QString &step) {
                              if (step == "photo database")
                                  workflow.requestStop();
                          },
                          {}, {}, {}, {}});
    const MergeReport stopped = workflow.mergePrj(request);
    QVERIFY(stopped.stopped);
    QCOMPARE(stepNames(stopped).mid(stopped.steps.size() - 2), QStringList({"project file", "photo database"}));
    QVERIFY(tableRows(temp + "/m/m.temp", "eofInfo", "Name").isEmpty());
    QCOMPARE(fileHashes(temp + "/src"), sources);

    workflow.setProgress({});
    const MergeReport again = workflow.mergePrj(request);
    QVERIFY(again.succeeded());
    QCOMPARE(tableRows(temp + "/m/m.temp", "eofInfo", "Name").size(), 39);
    QCOMPARE(messages.shown, QStringList());
}

void TestMergeProgress::closingDuringMergeAsksFirst()
{
    SKIP_WITHOUT_SHELL();
    prepare(writeSlowSolver(temp, 300));
    QSignalSpy ended(dialog, &mergeprj::mergeEnded);
    button("mergeButton")->click();
    QTRY_VERIFY_WITH_TIMEOUT(solverText().contains("slow solver line 1"), patientMs);

    answerBoxes(QMessageBox::No);
    dialog->close();
    const QString question = "Stop the merge|A merge is running. Stop it and close the window?";
    QCOMPARE(boxes, QStringList({question}));
    QVERIFY(dialog->isVisible() && ended.isEmpty());

    answerBoxes(QMessageBox::Yes);
    dialog->close();
    QVERIFY(waitForEnd(ended).stopped);
    QTRY_VERIFY(!dialog->isVisible());
    QCOMPARE(boxes, QStringList({question, question})); // no result dialog for a window that closes
}

// Nobody answers "Stop it and close the window?": the end of the merge
// answers it, the result shows and the window stays.
void TestMergeProgress::stopQuestionGoesWhenMergeEnds()
{
    SKIP_WITHOUT_SHELL();
    prepare(writeSlowSolver(temp, 5));
    answers.stop();
    QSignalSpy ended(dialog, &mergeprj::mergeEnded);
    button("mergeButton")->click();
    QTimer::singleShot(0, dialog, &QWidget::close);
    QTimer results;
    connect(&results, &QTimer::timeout, [] {
        if (auto *result = qobject_cast<MergeResultDialog *>(QApplication::activeModalWidget()))
            result->accept();
    });
    results.start(20);
    QVERIFY(waitForEnd(ended).succeeded());
    QTRY_VERIFY(!QApplication::activeModalWidget());
    QVERIFY(dialog->isVisible());
}

void TestMergeProgress::resultListsFailedStepsFirstAndCopiesReport()
{
    MergeReport report;
    report.started = true;
    report.outputFolder = temp + "//m";
    report.steps = {{"a", true, {}, 1},         {"e", false, "not run", 0, MergeStepId::CameraFile, false},
                    {"b", false, "b broke", 2}, {"c", true, {}, 3}, {"d", false, "d broke", 4}};
    report.solverCommand = "solver -t mergeq7c";
    report.solverExitCode = 3;
    MergeResultDialog result(report);
    auto *table = result.findChild<QTableWidget *>("stepTable");
    QStringList rows;
    for (int row = 0; row < table->rowCount(); ++row)
        rows << table->item(row, 0)->text() + " " + table->item(row, 1)->text() + " " + table->item(row, 3)->text();
    QCOMPARE(rows, QStringList({"b failed b broke", "d failed d broke", "a succeeded ", "c succeeded ", "e not run "}));
    QVERIFY(!result.findChild<QPushButton *>("openFolderButton")->isEnabled()); // no folder was made

    result.findChild<QPushButton *>("copyReportButton")->click();
    const QString copied = QApplication::clipboard()->text();
    QCOMPARE(copied, report.text());
    QVERIFY(copied.startsWith(report.summary()));
    QVERIFY(copied.contains("solver -t mergeq7c (exit code 3)"));
    QCOMPARE(copied.count(" failed "), 2);
    QVERIFY(!result.findChild<QLabel *>("copiedLabel")->text().isEmpty()); // the copy is confirmed
}

// A stopped merge's copy holds the steps that did not run, the solver's
// command line with single separators, how it ended and its output.
void TestMergeProgress::copiedReportOfStoppedMergeIsWhole()
{
    MergeReport report;
    report.started = report.stopped = true;
    report.outputFolder = temp + "//m";
    report.steps = {{"output folder", true, {}, 1, MergeStepId::OutputFolder},
                    {"solver", false, "stopped", 2, MergeStepId::Solver}};
    report.solverCommand = temp + "//AT//Z7Uzurer -t mergeq7c";
    report.solverOutput = QStringList{"solver line 1", "solver line 2"};
    const QString copied = report.text();
    QVERIFY2(copied.contains("\nsolver:                  stopped ") && copied.contains("\ngroups:  ")
                 && copied.count(" not run ") == int(report.notRun().size()),
             qPrintable(copied));
    QVERIFY2(copied.endsWith("Solver: " + shownPath(temp + "/AT/Z7Uzurer") + " -t mergeq7c (stopped)\n"
                             "  solver line 1\n  solver line 2\n"),
             qPrintable(copied));
}

void TestMergeProgress::barMovesByWork_data()
{
    QTest::addColumn<QString>("localeName");
    QTest::addColumn<qint64>("done");
    QTest::addColumn<qint64>("total");
    QTest::addColumn<QString>("shown");
    QTest::newRow("part way") << "en_US" << qint64(45000) << qint64(95250) << "imageinfos 45,000 of 95,250";
    QTest::newRow("one row short") << "de_DE" << qint64(95249) << qint64(95250) << "imageinfos 95.249 of 95.250";
    QTest::newRow("all") << "de_DE" << qint64(95250) << qint64(95250) << "imageinfos 95.250 of 95.250";
    QTest::newRow("empty table") << "en_US" << qint64(0) << qint64(0) << "imageinfos 0 of 0";
}

// The bar goes by the steps' weights, and within a table by its rows; its
// text counts the steps. The weights of all steps fill it.
void TestMergeProgress::barMovesByWork()
{
    QFETCH(QString, localeName);
    QFETCH(qint64, done);
    QFETCH(qint64, total);
    QFETCH(QString, shown);
    QLocale::setDefault(QLocale(localeName));
    MergeProgressPanel panel(MergeWorkflow::plannedSteps);
    panel.start();
    int before = 0;
    for (int id = 0; id < int(MergeStepId::ImageInfos); before += stepWeight(MergeStepId(id++)))
        panel.stepFinished({{}, true, {}, 1, MergeStepId(id)});
    panel.rowsWritten(MergeStepId::ImageInfos, done, total);
    QLocale::setDefault(QLocale::c());
    QCOMPARE(panel.findChild<QLabel *>("rowsLabel")->text(), shown);
    const auto *bar = panel.findChild<QProgressBar *>("progressBar");
    QCOMPARE(bar->value(), before + int(total > 0 ? stepWeight(MergeStepId::ImageInfos) * done / total : 0));
    QCOMPARE(bar->format(), QString("11 of %1 steps").arg(MergeWorkflow::plannedSteps));
    // A step left out after a failure moves the bar no further.
    const int reached = bar->value();
    panel.stepFinished({{}, false, "not run", 0, MergeStepId::EofInfo, false});
    QCOMPARE(bar->value(), reached);
    QCOMPARE(bar->format(), QString("11 of %1 steps").arg(MergeWorkflow::plannedSteps));
    int all = 0;
    for (int id = 0; id < MergeWorkflow::plannedSteps; ++id)
        all += stepWeight(MergeStepId(id));
    QCOMPARE(all, bar->maximum());
}

QTEST_MAIN(TestMergeProgress)
#include "tst_mergeprogress.moc"
