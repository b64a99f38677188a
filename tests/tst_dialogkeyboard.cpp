#include "dialogtesting.h"
#include "mergefixture.h"
#include "mergeprj.h"
#include "mergeresultdialog.h"
#include "testfiles.h"

#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QtTest>

// The dialog as the keyboard finds it: Enter presses the focused button and
// elsewhere starts MergePrj, Tab follows the eye, a merge that cannot start
// changes nothing on screen, and an existing project is replaced only when
// the user says so.

namespace {

// Notes every file or folder chooser that is opened, and answers none.
class NotedFileDialogs : public FileDialogs
{
public:
    explicit NotedFileDialogs(int *opened) : opened(opened) {}
    QStringList openProjectFiles(QWidget *, const QString &, const QString &) override
    {
        ++*opened;
        return {};
    }
    QString existingDirectory(QWidget *) override
    {
        ++*opened;
        return {};
    }

private:
    int *opened;
};

} // namespace

class TestDialogKeyboard : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void enterStartsMergeOnly_data();
    void enterStartsMergeOnly();
    void enterPressesTheFocusedButton_data();
    void enterPressesTheFocusedButton();
    void tabFollowsTheEyeAndEveryControlTellsWhatItDoes();
    void replacesExistingProjectOnlyWhenAsked_data();
    void replacesExistingProjectOnlyWhenAsked();

private:
    template <typename T> T *child(const char *name) const { return dialog->findChild<T *>(name); }
    // Runs action answering each message box with answer; returns them as
    // "<title>|<text>" and closes the result dialog.
    QStringList answering(QMessageBox::StandardButton answer, const std::function<void()> &action)
    {
        QStringList boxes;
        QTimer timer;
        connect(&timer, &QTimer::timeout, [&] {
            QWidget *modal = QApplication::activeModalWidget();
            if (auto *box = qobject_cast<QMessageBox *>(modal)) {
                boxes << box->windowTitle() + "|" + box->text();
                (box->button(answer) ? box->button(answer) : box->button(QMessageBox::Ok))->click();
            } else if (auto *result = qobject_cast<MergeResultDialog *>(modal)) {
                result->accept();
            }
        });
        timer.start(20);
        action();
        return boxes;
    }

    mergeprj *dialog = nullptr;
    int choosersOpened = 0;
    std::unique_ptr<QTemporaryDir> tempDir;
    QString temp;
};

void TestDialogKeyboard::initTestCase()
{
    QCoreApplication::addLibraryPath(Q7_BIN_DIR); // the SQLITECIPHER driver
    QVERIFY(ownSettingsFolder);
}

void TestDialogKeyboard::init()
{
    temp = freshTempDir(tempDir);
    QVERIFY(!temp.isEmpty());
    forgetDialogSettings();
    dialog = new mergeprj;
    choosersOpened = 0;
    dialog->setFileDialogs(std::make_unique<NotedFileDialogs>(&choosersOpened));
    dialog->show();
    QVERIFY(QTest::qWaitForWindowExposed(dialog));
}

void TestDialogKeyboard::cleanup()
{
    delete dialog;
    dialog = nullptr;
}

void TestDialogKeyboard::enterStartsMergeOnly_data()
{
    QTest::addColumn<QString>("focus");
    QTest::addColumn<QString>("prjDir");
    QTest::addColumn<QString>("prjName");
    QTest::addColumn<QString>("warning");
    QTest::addColumn<QString>("focusAfter");
    QTest::newRow("in PrjName, prjDir empty") << "prjNameEdit" << "" << "m" << "Please enter the saved path."
                                              << "prjDirEdit";
    QTest::newRow("in prjDir, PrjName empty") << "prjDirEdit" << "/tmp" << "" << "Please enter a save file name."
                                              << "prjNameEdit";
    QTest::newRow("both empty") << "prjNameEdit" << "" << "" << "Please enter the saved path." << "prjDirEdit";
    // Refused before "Merge anyway?" (the listed project is missing).
    QTest::newRow("name with /") << "prjDirEdit" << "/tmp" << "a/b" << "The project name must not contain \"/\"."
                                 << "prjNameEdit";
    QTest::newRow("folder under a missing one") << "prjNameEdit" << "/nonexistent/deeper" << "m"
                                                << "Folder creation failed!\n" + shown("/nonexistent/deeper/m")
                                                       + ": No such file or directory"
                                                << "prjDirEdit";
    QTest::newRow("folder under a file") << "prjNameEdit" << "/etc/passwd" << "m"
                                         << "Folder creation failed!\n" + shown("/etc/passwd/m") + ": Not a directory"
                                         << "prjDirEdit";
}

void TestDialogKeyboard::enterStartsMergeOnly()
{
    QFETCH(QString, focus);
    QFETCH(QString, prjDir);
    QFETCH(QString, prjName);
    QFETCH(QString, warning);
    QFETCH(QString, focusAfter);
    for (QPushButton *button : dialog->findChildren<QPushButton *>())
        QCOMPARE(button->isDefault(), button->objectName() == "mergeButton");
    dialog->addProjectFiles({temp + "/a.Q7D"});
    child<QLineEdit>("prjDirEdit")->setText(prjDir);
    child<QLineEdit>("prjNameEdit")->setText(prjName);
    QWidget *edit = child<QWidget>(qPrintable(focus));
    edit->setFocus();
    QSignalSpy ended(dialog, &mergeprj::mergeEnded);
    const QStringList boxes = answering(QMessageBox::Ok, [edit] { QTest::keyClick(edit, Qt::Key_Return); });
    QCOMPARE(boxes, QStringList{"Tips|" + warning});
    QCOMPARE(choosersOpened, 0);
    QCOMPARE(ended.size(), 1);
    QVERIFY(!ended.first().first().value<MergeReport>().started);
    QVERIFY(!child<QWidget>("progressPanel")->isVisible());
    QVERIFY(dialog->focusWidget());
    QCOMPARE(dialog->focusWidget()->objectName(), focusAfter);
}

void TestDialogKeyboard::enterPressesTheFocusedButton_data()
{
    QTest::addColumn<QString>("button");
    QTest::newRow("Add") << "addButton";
    QTest::newRow("Open") << "openButton";
}

// Its chooser opens, and no merge is asked for.
void TestDialogKeyboard::enterPressesTheFocusedButton()
{
    QFETCH(QString, button);
    dialog->addProjectFiles({temp + "/a.Q7D"});
    child<QLineEdit>("prjDirEdit")->setText(temp);
    child<QLineEdit>("prjNameEdit")->setText("m");
    QWidget *focused = child<QWidget>(qPrintable(button));
    focused->setFocus();
    QSignalSpy ended(dialog, &mergeprj::mergeEnded);
    const QStringList boxes = answering(QMessageBox::No, [focused] { QTest::keyClick(focused, Qt::Key_Return); });
    QCOMPARE(boxes, QStringList());
    QCOMPARE(choosersOpened, 1);
    QCOMPARE(ended.size(), 0);
}

void TestDialogKeyboard::tabFollowsTheEyeAndEveryControlTellsWhatItDoes()
{
    const QStringList order = {"projectList", "addButton",  "removeButton", "removeAllButton",
                               "upButton",    "downButton", "prjNameEdit",  "prjDirEdit",
                               "openButton",  "mergeButton", "cancelButton"};
    QStringList tabbed;
    QWidget *widget = child<QWidget>("projectList");
    while (tabbed.size() < order.size()) {
        if (order.contains(widget->objectName()) && !tabbed.contains(widget->objectName()))
            tabbed << widget->objectName();
        widget = widget->nextInFocusChain();
    }
    QCOMPARE(tabbed, order);
    for (const QString &name : order + QStringList{"detailsButton", "stopButton", "progressBar", "blockMap",
                                                   "findingsList"})
        QVERIFY2(!child<QWidget>(qPrintable(name))->toolTip().isEmpty(), qPrintable(name));
}

void TestDialogKeyboard::replacesExistingProjectOnlyWhenAsked_data()
{
    QTest::addColumn<int>("answer");
    QTest::addColumn<bool>("replaced");
    QTest::newRow("No keeps every file") << int(QMessageBox::No) << false;
    QTest::newRow("Yes merges anew") << int(QMessageBox::Yes) << true;
}

void TestDialogKeyboard::replacesExistingProjectOnlyWhenAsked()
{
    QFETCH(int, answer);
    QFETCH(bool, replaced);
    const QStringList samples = makeSampleProjects(temp + "/src", 2, 12);
    dialog->addProjectFiles(samples);
    child<QLineEdit>("prjDirEdit")->setText(temp + "/");
    child<QLineEdit>("prjNameEdit")->setText("m");
    dialog->mergeWorkflow().setSolverPath(binPath("AT/Z7Uzurer"));
    QSignalSpy ended(dialog, &mergeprj::mergeEnded);
    QVERIFY(answering(QMessageBox::Ok, [&] {
                child<QPushButton>("mergeButton")->click();
                QVERIFY(ended.wait(patientMs));
            }).isEmpty());
    QVERIFY(writeBytes(temp + "/m/m.cmr", "earlier"));

    const QStringList boxes = answering(QMessageBox::StandardButton(answer), [&] {
        child<QPushButton>("mergeButton")->click();
        QVERIFY(ended.size() == 2 || ended.wait(patientMs));
    });
    QCOMPARE(boxes, QStringList{"Replace project|m already exists in " + shown(temp + "/") + ". Replace its files?"});
    QCOMPARE(ended.last().first().value<MergeReport>().started, replaced);
    QCOMPARE(readBytes(temp + "/m/m.cmr") != "earlier", replaced);
}

QTEST_MAIN(TestDialogKeyboard)
#include "tst_dialogkeyboard.moc"
