#include "mergefixture.h"
#include "mergeprj.h"
#include "mergeresultdialog.h"
#include "testfiles.h"

#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QtTest>

namespace {

// Answers the file and folder choosers from prepared lists, in order.
class ScriptedFileDialogs : public FileDialogs
{
public:
    ScriptedFileDialogs(QStringList files, QStringList folders, QStringList *captions)
        : files(std::move(files)), folders(std::move(folders)), captions(captions)
    {
    }

    QString openProjectFile(QWidget *, const QString &caption) override
    {
        captions->append(caption);
        return files.takeFirst();
    }

    QString existingDirectory(QWidget *) override { return folders.takeFirst(); }

private:
    QStringList files;
    QStringList folders;
    QStringList *captions;
};

// Runs action while answering every message box it opens with OK; returns
// the boxes as "<title>|<text>".
QStringList answerMessageBoxes(const std::function<void()> &action)
{
    QStringList boxes;
    QTimer timer;
    QObject::connect(&timer, &QTimer::timeout, [&boxes] {
        if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
            boxes.append(box->windowTitle() + "|" + box->text());
            box->button(QMessageBox::Ok)->click();
        } else if (auto *result = qobject_cast<MergeResultDialog *>(QApplication::activeModalWidget())) {
            boxes.append(result->windowTitle() + "|" + result->summary());
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

    void opensEmptyWithoutTitle();
    void widgetTexts();
    void layoutPositions();
    void addTwiceGivesTwoItems();
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

private:
    QPushButton *button(const char *name) const { return dialog->findChild<QPushButton *>(name); }
    QListWidget *list() const { return dialog->findChild<QListWidget *>("projectList"); }
    QLineEdit *edit(const char *name) const { return dialog->findChild<QLineEdit *>(name); }
    void answer(QStringList files, QStringList folders = {})
    {
        dialog->setFileDialogs(std::make_unique<ScriptedFileDialogs>(files, folders, &captions));
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
        QVERIFY(ended.wait(60000));
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
};

void TestMergeDialog::initTestCase()
{
    QCoreApplication::addLibraryPath(Q7_BIN_DIR); // the SQLITECIPHER driver
}

void TestMergeDialog::init()
{
    dialog = new mergeprj;
    captions.clear();
    temp = freshTempDir(tempDir);
    QVERIFY(!temp.isEmpty());
}

void TestMergeDialog::cleanup()
{
    delete dialog;
    dialog = nullptr;
}

void TestMergeDialog::opensEmptyWithoutTitle()
{
    dialog->show();
    QVERIFY(QTest::qWaitForWindowExposed(dialog));
    QCOMPARE(list()->count(), 0);
    QVERIFY(edit("prjNameEdit")->text().isEmpty());
    QVERIFY(edit("prjDirEdit")->text().isEmpty());
    QVERIFY(dialog->windowTitle().isEmpty());
    QCOMPARE(QString(dialog->metaObject()->className()), QString("mergeprj"));
    const MergeState &state = dialog->mergeState();
    QVERIFY(state.projects.empty() && state.positions.empty());
    QVERIFY(state.cameraRecords.empty() && state.imageRecords.empty());
    QVERIFY(state.groupCounts.empty());
    QVERIFY(state.listFilePath.isEmpty() && state.posFilePath.isEmpty());
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
        {"mergeButton", 9, 3, 1, 1},  {"cancelButton", 9, 4, 1, 1}, {"progressPanel", 10, 0, 1, 5}};
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

void TestMergeDialog::addTwiceGivesTwoItems()
{
    addItems({"/data/a.Q7D", "/data/a.Q7D"});
    QCOMPARE(itemTexts(list()), QStringList({"/data/a.Q7D", "/data/a.Q7D"}));
    QCOMPARE(captions, QStringList({"AddQ7D", "AddQ7D"}));
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
    addItems({"/data/a.Q7D", "/data/a.Q7D"});
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
    QCOMPARE(boxes, QStringList({QString("Tips|Merged 2 projects into %1//m: 4 cameras, 39 images.").arg(temp)}));
    QCOMPARE(dialog->mergeState().imageRecords.size(), size_t(39));
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
    QVERIFY2(boxes[0].startsWith("Tips|Merged 2 projects"), qPrintable(boxes[0]));
    QCOMPARE(tableRows(temp + "/first/first.temp", "eofInfo", "Name").size(), 39);
    QCOMPARE(tableRows(temp + "/second/second.temp", "eofInfo", "Name").size(), 39);
}

QTEST_MAIN(TestMergeDialog)
#include "tst_mergedialog.moc"
