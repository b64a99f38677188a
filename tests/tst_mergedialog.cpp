#include "dialogtesting.h"
#include "mergefixture.h"
#include "mergeprj.h"
#include "mergeresultdialog.h"
#include "projectitemdelegate.h"
#include "projectlist.h"
#include "testfiles.h"
#include "windowfit.h"

#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QMimeData>
#include <QPushButton>
#include <QtTest>

namespace {

// Answers the file and folder choosers from prepared lists, in order; notes
// the captions and start folders of the file chooser.
class ScriptedFileDialogs : public FileDialogs
{
public:
    ScriptedFileDialogs(QList<QStringList> files, QStringList folders, QStringList *captions, QStringList *starts)
        : files(std::move(files)), folders(std::move(folders)), captions(captions), starts(starts)
    {
    }

    QStringList openProjectFiles(QWidget *, const QString &caption, const QString &folder) override
    {
        captions->append(caption);
        starts->append(folder);
        return files.takeFirst();
    }

    QString existingDirectory(QWidget *) override { return folders.takeFirst(); }

private:
    QList<QStringList> files;
    QStringList folders;
    QStringList *captions;
    QStringList *starts;
};

// Runs action while answering every message box it opens with answer (OK
// where the box has no such button); returns the boxes as "<title>|<text>".
QStringList answerMessageBoxes(const std::function<void()> &action,
                               QMessageBox::StandardButton answer = QMessageBox::Ok)
{
    QStringList boxes;
    QTimer timer;
    QObject::connect(&timer, &QTimer::timeout, [&boxes, answer] {
        if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
            boxes.append(box->windowTitle() + "|" + box->text());
            (box->button(answer) ? box->button(answer) : box->button(QMessageBox::Ok))->click();
        } else if (auto *result = qobject_cast<MergeResultDialog *>(QApplication::activeModalWidget())) {
            const auto *accepted = result->findChild<QLabel *>("acceptedLabel");
            boxes.append(result->windowTitle() + "|" + result->summary() + (accepted ? "|" + accepted->text() : ""));
            result->accept();
        }
    });
    timer.start(20);
    action();
    return boxes;
}

QStringList itemTexts(const QListWidget *list)
{
    QStringList texts;
    for (int i = 0; i < list->count(); ++i)
        texts.append(list->item(i)->text());
    return texts;
}

} // namespace

class TestMergeDialog : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void opensEmptyWithTitle();
    void widgetTexts();
    void layoutPositions();
    void addSameFileTwiceGivesOneItemAndNote();
    void addManyInOrderAndRemember();
    void dropFilesAndFolder();
    void reorderKeepsRequestEqualToRows();
    void deleteKeyRemovesCurrentItem();
    void flaggedProjectAsksBeforeMerge();
    void readyOnlyWithEveryFile();
    void largeProjectLoadsWithoutBlocking();
    void addCancelledChangesNothing();
    void removeWithoutCurrentItemDoesNothing();
    void removeTakesCurrentItem();
    void removeOneOfTwoIdenticalItems();
    void removeTakesItemsInsideRemovedFolder();
    void removeAllOnEmptyAndOnFive();
    void openFolderCancelledAndChosen();
    void cancelClosesDialog();
    void mergeWritesProjectAndTellsCounts();
    void mergeWithEmptyFieldsWarnsOnce();
    void laterMergeWritesItsOwnDatabase();
    void windowFitsTheScreen_data();
    void windowFitsTheScreen();
    void pathKeepsItsFileNameAndLastFolders_data();
    void pathKeepsItsFileNameAndLastFolders();

private:
    QPushButton *button(const char *name) const { return dialog->findChild<QPushButton *>(name); }
    QListWidget *list() const { return dialog->findChild<QListWidget *>("projectList"); }
    QLineEdit *edit(const char *name) const { return dialog->findChild<QLineEdit *>(name); }
    ProjectList *projects() const { return dialog->findChild<ProjectList *>("projectList"); }
    QString status() const { return dialog->findChild<QLabel *>("statusLabel")->text(); }
    // One file per Add (an empty text: cancelled).
    void answer(const QStringList &files, QStringList folders = {})
    {
        QList<QStringList> answers;
        for (const QString &file : files)
            answers.append(file.isEmpty() ? QStringList() : QStringList{file});
        answerMany(answers, folders);
    }
    void answerMany(const QList<QStringList> &answers, QStringList folders = {})
    {
        dialog->setFileDialogs(std::make_unique<ScriptedFileDialogs>(answers, folders, &captions, &starts));
    }
    void drop(const QStringList &paths)
    {
        QMimeData data;
        QList<QUrl> urls;
        for (const QString &path : paths)
            urls.append(QUrl::fromLocalFile(path));
        data.setUrls(urls);
        // A drop goes where the drag entered.
        QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(list()->viewport(), &enter);
        QDropEvent event(QPointF(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(list()->viewport(), &event);
    }
    // Waits for every row's contents to be read.
    bool contentsRead() const
    {
        for (int i = 0; i < list()->count(); ++i) {
            if (!list()->item(i)->data(ProjectList::PositionImagesRole).isValid())
                return false;
        }
        return true;
    }
    void addItems(const QStringList &paths)
    {
        answer(paths);
        for (int i = 0; i < paths.size(); ++i)
            button("addButton")->click();
    }

    // Starts a merge and waits for its end.
    void merge()
    {
        QSignalSpy ended(dialog, &mergeprj::mergeEnded);
        button("mergeButton")->click();
        QVERIFY(!ended.isEmpty() || ended.wait(patientMs)); // a merge refused ends at once
    }

    void prepareMerge(const QString &name)
    {
        samples = makeSampleProjects(temp + "/src", 2, 20);
        addItems(samples);
        edit("prjDirEdit")->setText(temp);
        edit("prjNameEdit")->setText(name);
        dialog->mergeWorkflow().setSolverPath(binPath("AT/Z7Uzurer"));
    }

    mergeprj *dialog = nullptr;
    std::unique_ptr<QTemporaryDir> tempDir;
    QString temp;
    QStringList samples;
    QStringList captions;
    QStringList starts;
};

void TestMergeDialog::initTestCase()
{
    QCoreApplication::addLibraryPath(Q7_BIN_DIR); // the SQLITECIPHER driver
    QVERIFY(ownSettingsFolder);
}

void TestMergeDialog::init()
{
    forgetDialogSettings();
    dialog = new mergeprj;
    captions.clear();
    starts.clear();
    temp = freshTempDir(tempDir);
    QVERIFY(!temp.isEmpty());
}

void TestMergeDialog::cleanup()
{
    delete dialog;
    dialog = nullptr;
}

void TestMergeDialog::opensEmptyWithTitle()
{
    dialog->show();
    QVERIFY(QTest::qWaitForWindowExposed(dialog));
    QCOMPARE(list()->count(), 0);
    QVERIFY(edit("prjNameEdit")->text().isEmpty());
    QVERIFY(edit("prjDirEdit")->text().isEmpty());
    QVERIFY(dialog->windowTitle().startsWith("q7prjmerge"));
    QCOMPARE(QString(dialog->metaObject()->className()), QString("mergeprj"));
}

void TestMergeDialog::widgetTexts()
{
    const QList<QPair<const char *, QString>> buttons = {
        {"addButton", "Add"},        {"removeButton", "Remove"}, {"removeAllButton", "Removr All"},
        {"openButton", "Open"},      {"mergeButton", "MergePrj"}, {"cancelButton", "Cancal"}};
    for (const auto &[name, text] : buttons)
        QCOMPARE(button(name)->text(), text);
    QCOMPARE(dialog->findChild<QLabel *>("prjNameLabel")->text(), QString("PrjName:"));
    QCOMPARE(dialog->findChild<QLabel *>("prjDirLabel")->text(), QString("prjDir:"));
}

void TestMergeDialog::layoutPositions()
{
    auto *grid = qobject_cast<QGridLayout *>(dialog->layout());
    QVERIFY(grid);
    QCOMPARE(grid->horizontalSpacing(), 1);
    QCOMPARE(list()->minimumWidth(), 450);

    struct Place { const char *name; int row, column, rowSpan, columnSpan; };
    const Place places[] = {
        {"projectList", 0, 0, 6, 4},  {"addButton", 0, 4, 1, 1},   {"removeButton", 1, 4, 1, 1},
        {"removeAllButton", 2, 4, 1, 1}, {"prjNameLabel", 7, 0, 1, 1}, {"prjNameEdit", 7, 1, 1, 3},
        {"prjDirLabel", 8, 0, 1, 1},  {"prjDirEdit", 8, 1, 1, 3},  {"openButton", 8, 4, 1, 1},
        {"mergeButton", 9, 3, 1, 1},  {"cancelButton", 9, 4, 1, 1}, {"upButton", 3, 4, 1, 1},
        {"downButton", 4, 4, 1, 1},   {"statusLabel", 11, 0, 1, 5}, {"progressPanel", 10, 0, 1, 5},
        {"readinessPanel", 0, 5, 12, 1}};
    QCOMPARE(grid->count(), int(std::size(places)));
    for (const Place &place : places) {
        auto *widget = dialog->findChild<QWidget *>(place.name);
        QVERIFY2(widget, place.name);
        int row, column, rowSpan, columnSpan;
        grid->getItemPosition(grid->indexOf(widget), &row, &column, &rowSpan, &columnSpan);
        QCOMPARE(QList<int>({row, column, rowSpan, columnSpan}),
                 QList<int>({place.row, place.column, place.rowSpan, place.columnSpan}));
    }
}

void TestMergeDialog::addSameFileTwiceGivesOneItemAndNote()
{
    addItems({"/data/a.Q7D", "/data/b.Q7D"});
    QVERIFY(status().isEmpty());
    addItems({"/data/./a.Q7D"});
    QCOMPARE(itemTexts(list()), QStringList({"/data/a.Q7D", "/data/b.Q7D"}));
    QCOMPARE(captions, QStringList({"AddQ7D", "AddQ7D", "AddQ7D"}));
    QVERIFY2(status().contains("a.Q7D"), qPrintable(status()));
    button("upButton")->click(); // the next action clears the note
    QVERIFY(status().isEmpty());
    // A note of many names wraps: the window needs no more width for it.
    const int width = dialog->minimumSizeHint().width();
    QStringList many;
    for (int i = 0; i < 40; ++i)
        many << QString("/data/survey/block-with-a-long-name-%1.Q7D").arg(i);
    dialog->addProjectFiles(many);
    dialog->addProjectFiles(many);
    QVERIFY2(status().size() > 1000, qPrintable(status()));
    QCOMPARE(dialog->minimumSizeHint().width(), width);
}

void TestMergeDialog::addManyInOrderAndRemember()
{
    answerMany({{"/d1/c.Q7D", "/d1/a.Q7D", "/d1/b.Q7D"}, {"/d2/e.Q7D"}});
    button("addButton")->click();
    button("addButton")->click();
    QCOMPARE(itemTexts(list()), QStringList({"/d1/c.Q7D", "/d1/a.Q7D", "/d1/b.Q7D", "/d2/e.Q7D"}));
    // (A start folder is absolute: on Windows with the current drive.)
    const QString d1 = QFileInfo("/d1/c.Q7D").absolutePath();
    QCOMPARE(starts, QStringList({"", d1}));

    // A new run starts where the last one left off, with the list and the fields.
    edit("prjDirEdit")->setText("/out");
    edit("prjNameEdit")->setText("m");
    delete dialog;
    dialog = new mergeprj;
    QCOMPARE(edit("prjDirEdit")->text(), QString("/out"));
    QCOMPARE(edit("prjNameEdit")->text(), QString("m"));
    QCOMPARE(itemTexts(list()), QStringList({"/d1/c.Q7D", "/d1/a.Q7D", "/d1/b.Q7D", "/d2/e.Q7D"}));
    answerMany({{}});
    button("addButton")->click();
    QCOMPARE(starts.last(), QFileInfo("/d2/e.Q7D").absolutePath());
}

void TestMergeDialog::dropFilesAndFolder()
{
    for (const char *folder : {"/f/sub/deeper", "/f/sub2"})
        QVERIFY(QDir().mkpath(temp + folder));
    for (const char *file : {"/x.Q7D", "/notes.txt", "/f/b.Q7D", "/f/a.q7d", "/f/sub/c.Q7D",
                             "/f/sub/deeper/d.Q7D", "/f/sub2/e.Q7D"})
        QVERIFY(writeBytes(temp + file, ""));
    drop({temp + "/x.Q7D", temp + "/notes.txt", temp + "/f"});
    QCOMPARE(itemTexts(list()), QStringList({temp + "/x.Q7D", temp + "/f/a.q7d", temp + "/f/b.Q7D",
                                             temp + "/f/sub/c.Q7D", temp + "/f/sub2/e.Q7D"}));

#ifdef Q_OS_WIN
    return; // QFile::link makes a Windows shortcut, which paths do not lead through
#endif
    // The same file through a link is not added again.
    QVERIFY(QFile::link(temp + "/x.Q7D", temp + "/link.Q7D"));
    drop({temp + "/link.Q7D"});
    QCOMPARE(list()->count(), 5);
    QVERIFY2(status().contains("link.Q7D"), qPrintable(status()));
}

void TestMergeDialog::reorderKeepsRequestEqualToRows()
{
    samples = makeSampleProjects(temp + "/src", 3, 12);
    addItems(samples);
    auto firstRowMarked = [this] {
        for (int i = 0; i < list()->count(); ++i) {
            const QListWidgetItem *item = list()->item(i);
            if (item->font().bold() != (i == 0) || item->toolTip().contains("parameters") != (i == 0))
                return false;
        }
        return true;
    };
    QVERIFY(firstRowMarked());

    list()->setCurrentRow(2);
    button("upButton")->click(); // 1 3 2
    list()->setCurrentRow(0);
    QTest::keyClick(list(), Qt::Key_Down, Qt::AltModifier); // 3 1 2
    QCOMPARE(list()->currentRow(), 1);
    button("downButton")->click(); // 3 2 1
    button("downButton")->click(); // already last
    QCOMPARE(itemTexts(list()), QStringList({samples[2], samples[1], samples[0]}));
    QVERIFY(firstRowMarked());
    QCOMPARE(projects()->colourSlots(), QList<int>({2, 1, 0})); // each project keeps its colour
    // What an item dragged to the top does to the list's rows.
    QVERIFY(list()->model()->moveRow(QModelIndex(), 2, QModelIndex(), 0)); // 1 3 2
    QCOMPARE(itemTexts(list()), QStringList({samples[0], samples[2], samples[1]}));
    QVERIFY(firstRowMarked());

    edit("prjDirEdit")->setText(temp);
    edit("prjNameEdit")->setText("m");
    dialog->mergeWorkflow().setSolverPath(binPath("AT/Z7Uzurer"));
    answerMessageBoxes([this] { merge(); });
    // The solver input list names the projects in list order.
    QByteArray expected;
    for (const QString &item : itemTexts(list()))
        expected += makeProjectEntry(item).oriFile.toLocal8Bit() + "\n";
    QCOMPARE(readText(temp + "/m/m.txt"), expected);
}

void TestMergeDialog::deleteKeyRemovesCurrentItem()
{
    addItems({"/data/x", "/data/x/a.Q7D", "/data/y/b.Q7D"});
    list()->setCurrentRow(0);
    QTest::keyClick(list(), Qt::Key_Delete);
    QCOMPARE(itemTexts(list()), QStringList({"/data/y/b.Q7D"}));
}

void TestMergeDialog::flaggedProjectAsksBeforeMerge()
{
    samples = makeSampleProjects(temp + "/src", 2, 20);
    QVERIFY(QFile::remove(temp + "/src/block02/block02_xyz.txt"));
    addItems(samples);
    edit("prjDirEdit")->setText(temp);
    edit("prjNameEdit")->setText("m");
    dialog->mergeWorkflow().setSolverPath(binPath("AT/Z7Uzurer"));
    QTRY_VERIFY(contentsRead());
    QVERIFY(list()->item(0)->icon().isNull());
    QVERIFY(!list()->item(1)->icon().isNull());
    QVERIFY2(list()->item(1)->toolTip().contains("position file " + shown(temp + "/src/block02/block02_xyz.txt")),
             qPrintable(list()->item(1)->toolTip()));
    QCOMPARE(list()->item(1)->data(ProjectList::OrientationImagesRole).toInt(), 20);
    // The missing file is named as the cause; project 1 is not called unconnected.
    const auto *findings = dialog->findChild<QListWidget *>("findingsList");
    QTRY_COMPARE(findings->count(), 1);
    QVERIFY2(findings->item(0)->text().startsWith("project 2 (block02) has no usable position line (its position "
                                                  "file is missing or unreadable)"),
             qPrintable(findings->item(0)->text()));

    QStringList boxes = answerMessageBoxes([this] { button("mergeButton")->click(); }, QMessageBox::No);
    QCOMPARE(boxes.size(), 1);
    QVERIFY2(boxes[0].startsWith("Missing files|") && boxes[0].contains("block02.Q7D"), qPrintable(boxes[0]));
    QVERIFY(!QFileInfo::exists(temp + "/m"));

    boxes = answerMessageBoxes([this] { merge(); }, QMessageBox::Yes);
    QCOMPARE(boxes.size(), 2);
    QVERIFY2(boxes[1].startsWith("Merge result|"), qPrintable(boxes[1]));
    // The result says what was accepted.
    QVERIFY2(boxes[1].contains("|Merged anyway, as asked: 1 project with files missing or unreadable"),
             qPrintable(boxes[1]));
    QVERIFY(QFileInfo::exists(temp + "/m/m.Q7D"));
}

// "Ready to merge" only while every listed project's files are there.
void TestMergeDialog::readyOnlyWithEveryFile()
{
    samples = makeSampleProjects(temp + "/src", 2, 20);
    const QString oriFile = makeProjectEntry(samples[1]).oriFile;
    const QByteArray orientations = readBytes(oriFile);
    QVERIFY(QFile::remove(oriFile));
    addItems(samples);
    const auto *summary = dialog->findChild<QLabel *>("findingsSummary");
    QTRY_COMPARE(summary->text(), QString("No findings in the positions, but 1 project with files missing or "
                                          "unreadable (marked in the list)."));
    QVERIFY(writeBytes(oriFile, orientations));
    projects()->recheckProjects();
    QTRY_COMPARE(summary->text(), QString("No findings: the projects look ready to merge."));
}

void TestMergeDialog::largeProjectLoadsWithoutBlocking()
{
    const int lines = 100000;
    QByteArray positions;
    for (int i = 0; i < lines; ++i)
        positions += "IMG_" + QByteArray::number(i) + ".JPG 1.0 2.0 3.0 0 0 0 1\n";
    QVERIFY(QDir().mkpath(temp + "/big/Adjustment"));
    QVERIFY(writeBytes(temp + "/big/big_xyz.txt", positions));
    QVERIFY(writeBytes(temp + "/big/Adjustment/big_ori.q7c", "100000 2 0\n" + QByteArray(4 * lines + 2, '\n')));
    QVERIFY(writeBytes(temp + "/big/big.Q7D", "<q7d_project/>"));

    addItems({temp + "/big/big.Q7D"});
    // Add has returned; the contents come later, through the event loop.
    QListWidgetItem *item = list()->item(0);
    QVERIFY(!item->data(ProjectList::PositionImagesRole).isValid());
    QTRY_VERIFY_WITH_TIMEOUT(item->data(ProjectList::PositionImagesRole).isValid(), patientMs);
    QCOMPARE(item->data(ProjectList::PositionImagesRole).toLongLong(), qint64(lines));
    QCOMPARE(item->data(ProjectList::OrientationCamerasRole).toInt(), 2);
    QCOMPARE(item->data(ProjectList::OrientationImagesRole).toInt(), lines);
    QVERIFY(item->icon().isNull());
}

void TestMergeDialog::addCancelledChangesNothing()
{
    addItems({"/data/a.Q7D"});
    answer({QString()});
    button("addButton")->click();
    QCOMPARE(itemTexts(list()), QStringList({"/data/a.Q7D"}));
}

void TestMergeDialog::removeWithoutCurrentItemDoesNothing()
{
    button("removeButton")->click(); // empty list
    addItems({"/data/a.Q7D", "/data/b.Q7D"});
    list()->setCurrentRow(-1);
    button("removeButton")->click();
    QCOMPARE(list()->count(), 2);
}

void TestMergeDialog::removeTakesCurrentItem()
{
    addItems({"/data/a.Q7D", "/data/b.Q7D", "/data/c.Q7D"});
    list()->setCurrentRow(1);
    button("removeButton")->click();
    QCOMPARE(itemTexts(list()), QStringList({"/data/a.Q7D", "/data/c.Q7D"}));
}

void TestMergeDialog::removeOneOfTwoIdenticalItems()
{
    list()->addItems({"/data/a.Q7D", "/data/a.Q7D"}); // Add no longer lists a file twice
    list()->setCurrentRow(0);
    button("removeButton")->click();
    QCOMPARE(itemTexts(list()), QStringList({"/data/a.Q7D"}));
}

void TestMergeDialog::removeTakesItemsInsideRemovedFolder()
{
    // An item whose folder is the removed item's text goes with it.
    addItems({"/data/x", "/data/x/a.Q7D", "/data/y/b.Q7D", "/data/x/c.Q7D"});
    list()->setCurrentRow(0);
    button("removeButton")->click();
    QCOMPARE(itemTexts(list()), QStringList({"/data/y/b.Q7D"}));
}

void TestMergeDialog::removeAllOnEmptyAndOnFive()
{
    button("removeAllButton")->click();
    QCOMPARE(list()->count(), 0);
    addItems({"/1.Q7D", "/2.Q7D", "/3.Q7D", "/4.Q7D", "/5.Q7D"});
    QCOMPARE(list()->count(), 5);
    button("removeAllButton")->click();
    QCOMPARE(list()->count(), 0);
}

void TestMergeDialog::openFolderCancelledAndChosen()
{
    edit("prjDirEdit")->setText("/earlier");
    answer({}, {QString(), "/chosen"});
    button("openButton")->click();
    QCOMPARE(edit("prjDirEdit")->text(), QString("/earlier"));
    button("openButton")->click();
    QCOMPARE(edit("prjDirEdit")->text(), QString("/chosen"));
    QVERIFY(edit("prjNameEdit")->text().isEmpty());
}

void TestMergeDialog::cancelClosesDialog()
{
    dialog->show();
    QVERIFY(QTest::qWaitForWindowExposed(dialog));
    button("cancelButton")->click();
    QVERIFY(!dialog->isVisible());
}

void TestMergeDialog::mergeWritesProjectAndTellsCounts()
{
    prepareMerge("m");
    const QStringList boxes = answerMessageBoxes([this] { merge(); });
    QCOMPARE(boxes, QStringList({QString("Merge result|Merged 2 projects into %1: 4 cameras, 39 images.\n"
                                         "Images: 40 read from the source position files, 39 in the merged "
                                         "project (1 shared image merged once).").arg(shown(temp + "/m"))}));
    QCOMPARE(readBytes(temp + "/m/m.lst").count('\n'), 39);
    QCOMPARE(tableRows(temp + "/m/m.temp", "groups", "GroupID").size(), 4);
}

void TestMergeDialog::mergeWithEmptyFieldsWarnsOnce()
{
    merge(); // empty list: nothing at all
    addItems({temp + "/x.Q7D"});
    const QStringList boxes = answerMessageBoxes([this] { merge(); });
    QCOMPARE(boxes, QStringList({"Tips|Please enter the saved path."}));
}

void TestMergeDialog::laterMergeWritesItsOwnDatabase()
{
    prepareMerge("first");
    answerMessageBoxes([this] { merge(); });
    edit("prjNameEdit")->setText("second");
    const QStringList boxes = answerMessageBoxes([this] { merge(); });
    QCOMPARE(boxes.size(), 1);
    QVERIFY2(boxes[0].startsWith("Merge result|Merged 2 projects"), qPrintable(boxes[0]));
    QCOMPARE(tableRows(temp + "/first/first.temp", "eofInfo", "Name").size(), 39);
    QCOMPARE(tableRows(temp + "/second/second.temp", "eofInfo", "Name").size(), 39);
}

void TestMergeDialog::windowFitsTheScreen_data()
{
    QTest::addColumn<QRect>("geometry");
    QTest::addColumn<QRect>("fitted");
    // The room on a 1024x768 screen with a 32 px panel, less a frame of 4 px
    // and a 24 px title bar: 4,56 1016x708.
    QTest::newRow("fits to the pixel") << QRect(4, 56, 1016, 708) << QRect(4, 56, 1016, 708);
    QTest::newRow("one pixel too wide") << QRect(4, 56, 1017, 708) << QRect(4, 56, 1016, 708);
    QTest::newRow("remembered on a larger screen") << QRect(300, 200, 1600, 1100) << QRect(4, 56, 1016, 708);
    QTest::newRow("opened too far right") << QRect(41, 100, 1013, 500) << QRect(7, 100, 1013, 500);
}

void TestMergeDialog::windowFitsTheScreen()
{
    QFETCH(QRect, geometry);
    QFETCH(QRect, fitted);
    const QRect screen(0, 32, 1024, 736);
    QCOMPARE(fittedOnScreen(geometry, QMargins(4, 24, 4, 4), QSize(400, 300), screen), fitted);
    // A window that cannot be as narrow as the room keeps its top left corner on it.
    QCOMPARE(fittedOnScreen(QRect(200, 0, 900, 500), QMargins(4, 24, 4, 4), QSize(1100, 300), screen),
             QRect(4, 56, 1100, 500));
}

void TestMergeDialog::pathKeepsItsFileNameAndLastFolders_data()
{
    QTest::addColumn<QString>("fits");
    QTest::addColumn<int>("less");
    QTest::addColumn<QString>("shown");
    const QString path = QDir::toNativeSeparators("/tmp/survey/north/block07/block07.Q7D");
    const QString lastTwo = QString("…") + QDir::toNativeSeparators("/block07/block07.Q7D");
    QTest::newRow("whole, to the pixel") << path << 0 << path;
    QTest::newRow("one pixel less") << path << 1
                                    << QString("…") + QDir::toNativeSeparators("/survey/north/block07/block07.Q7D");
    QTest::newRow("last folder, to the pixel") << lastTwo << 0 << lastTwo;
    QTest::newRow("one pixel less: the file name") << lastTwo << 1 << QString("…") + QDir::separator() + "block07.Q7D";
}

// In room for the text named fits, less some pixels.
void TestMergeDialog::pathKeepsItsFileNameAndLastFolders()
{
    QFETCH(QString, fits);
    QFETCH(int, less);
    QFETCH(QString, shown);
    const QFontMetrics metrics(QApplication::font());
    const QString path = QDir::toNativeSeparators("/tmp/survey/north/block07/block07.Q7D");
    QCOMPARE(ProjectItemDelegate::elidedPath(path, metrics, metrics.horizontalAdvance(fits) - less), shown);
    // Beside it, what the project holds gets all the path leaves, and not one pixel more.
    QCOMPARE(ProjectItemDelegate::contentsColumnWidth(600, 150, 450), 450);
    QCOMPARE(ProjectItemDelegate::contentsColumnWidth(600, 150, 451), 450);
}

QTEST_MAIN(TestMergeDialog)
#include "tst_mergedialog.moc"
