#include "outputfolder.h"
#include "testfiles.h"
#include "testmessages.h"

#include <QDir>
#include <QtTest>

namespace {

const QStringList subfolders = {"Adjustment", "Detail", "DSM", "FeaturePoints", "Images",
                                "Log", "Match", "Product", "TieEdit"};

// The names in folder, sorted as byte strings; so are the expected lists.
QStringList entries(const QString &folder)
{
    QStringList names = QDir(folder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot);
    names.sort();
    return names;
}

QStringList sorted(QStringList names)
{
    names.sort();
    return names;
}

} // namespace

class TestOutputFolder : public QObject
{
    Q_OBJECT

private slots:
    void init();

    void newFolderGetsListAndPositionsBeforeSubfolders();
    void existingFolderReused();
    void missingParentRefused();
    void plainFileInPlaceRefused();
    void relativeFolderTakenFromWorkingDirectory();
    void subfoldersInOrder();
    void existingSubfoldersUntouched();

private:
    std::unique_ptr<QTemporaryDir> tempDir; // a fresh one for each test
    QString temp;
    QString outDir;
    MergeRequest request;
    MergeState state;
    RecordedMessages messages;
};

void TestOutputFolder::init()
{
    temp = freshTempDir(tempDir);
    QVERIFY(!temp.isEmpty());
    QVERIFY(QDir().mkpath(temp + "/src"));
    QVERIFY(writeBytes(temp + "/src/p_xyz.txt", "img 1 2 3 4 5 6 7\n"));
    request = MergeRequest{{temp + "/src/p.Q7D"}, temp + "/out", "m"};
    outDir = temp + "/out//m";
    QVERIFY(QDir().mkpath(temp + "/out"));
    state = MergeState();
    messages.shown.clear();
}

void TestOutputFolder::newFolderGetsListAndPositionsBeforeSubfolders()
{
    QTest::ignoreMessage(QtDebugMsg, qPrintable("makeq7cListFile: " + outDir));
    QTest::ignoreMessage(QtDebugMsg, "true");
    QTest::ignoreMessage(QtDebugMsg, "wenjianjiachuanjianchenggong");
    QTest::ignoreMessage(QtDebugMsg, "readList");
    QTest::ignoreMessage(QtDebugMsg, qPrintable("makeQ7cList :  " + outDir + "//m.txt"));

    QVERIFY(makeq7cListFile(request, state, messages));

    QVERIFY(messages.shown.isEmpty());
    QCOMPARE(int(state.projects.size()), 1);
    QCOMPARE(state.listFilePath, outDir + "//m.txt");
    QCOMPARE(state.posFilePath, outDir + "//m_xyz.txt");
    QCOMPARE(entries(temp + "/out/m"), QStringList({"m.txt", "m_xyz.txt"}));
    QCOMPARE(readBytes(state.listFilePath),
             (temp + "/src//Adjustment//p_ori.q7c\n").toLocal8Bit());
    QCOMPARE(readBytes(state.posFilePath), QByteArray(
        "img          1.000000000          2.000000000          3.000000000         4.000000000          5.000000000          6.000000000     7\n"));

    createPrjFolders(request);
    QCOMPARE(entries(temp + "/out/m"), sorted(subfolders + QStringList{"m.txt", "m_xyz.txt"}));
}

void TestOutputFolder::existingFolderReused()
{
    QVERIFY(QDir().mkpath(temp + "/out/m"));
    QVERIFY(writeBytes(temp + "/out/m/keep.txt", "kept"));
    QVERIFY(writeBytes(temp + "/out/m/m.txt", "an earlier, longer list of orientation files\n"));
    QTest::ignoreMessage(QtDebugMsg, "wenjianjiayi cun zai");

    QVERIFY(makeq7cListFile(request, state, messages));

    QVERIFY(messages.shown.isEmpty());
    QCOMPARE(entries(temp + "/out/m"), QStringList({"keep.txt", "m.txt", "m_xyz.txt"}));
    QCOMPARE(readBytes(temp + "/out/m/keep.txt"), QByteArray("kept"));
    QCOMPARE(readBytes(state.listFilePath),
             (temp + "/src//Adjustment//p_ori.q7c\n").toLocal8Bit());
}

void TestOutputFolder::missingParentRefused()
{
    // Only one level is made: the folder's own parent must be there.
    request.prjDir = temp + "/missing";
    state.projects.push_back(makeProjectEntry("/earlier/e.Q7D"));
    state.listFilePath = "earlier list";
    QTest::ignoreMessage(QtDebugMsg, "false");
    QTest::ignoreMessage(QtDebugMsg, "wenjianjiachuanjianshibai");

    QVERIFY(!makeq7cListFile(request, state, messages));

    QCOMPARE(messages.shown,
             QStringList{"warning|Tips|Folder creation failed!\n" + temp + "/missing/m: No such file or directory"});
    QVERIFY(!QFileInfo::exists(temp + "/missing"));
    QCOMPARE(state.projects[0].prjFile, QString("/earlier/e.Q7D"));
    QCOMPARE(state.listFilePath, QString("earlier list"));
    QVERIFY(state.posFilePath.isEmpty());
}

void TestOutputFolder::plainFileInPlaceRefused()
{
    QVERIFY(writeBytes(temp + "/out/m", "not a folder"));
    QTest::ignoreMessage(QtDebugMsg, "wenjianjiachuanjianshibai");

    QVERIFY(!makeq7cListFile(request, state, messages));

    QCOMPARE(messages.shown, QStringList{"warning|Tips|Folder creation failed!\n" + temp + "/out/m: Not a directory"});
    QCOMPARE(entries(temp + "/out"), QStringList{"m"});
    QCOMPARE(readBytes(temp + "/out/m"), QByteArray("not a folder"));
    QVERIFY(state.projects.empty());
    QVERIFY(state.listFilePath.isEmpty());
    QVERIFY(state.posFilePath.isEmpty());
}

void TestOutputFolder::relativeFolderTakenFromWorkingDirectory()
{
    const QString previous = QDir::currentPath();
    QVERIFY(QDir::setCurrent(temp));
    request.prjDir = "out";

    const bool made = makeq7cListFile(request, state, messages);
    createPrjFolders(request);
    QDir::setCurrent(previous);

    QVERIFY(made);
    QCOMPARE(state.listFilePath, QString("out//m//m.txt"));
    QVERIFY(QFileInfo(temp + "/out/m/m.txt").isFile());
    QVERIFY(QFileInfo(temp + "/out/m/TieEdit").isDir());
}

void TestOutputFolder::subfoldersInOrder()
{
    QStringList expected;
    for (const QString &name : subfolders)
        expected.append("//" + name);
    QCOMPARE(prjFolderSuffixes(), expected);
}

void TestOutputFolder::existingSubfoldersUntouched()
{
    QVERIFY(QDir().mkpath(temp + "/out/m/Log/old"));
    QVERIFY(QDir().mkpath(temp + "/out/m/Adjustment"));
    QVERIFY(writeBytes(temp + "/out/m/Log/run.log", "earlier run"));
    QVERIFY(writeBytes(temp + "/out/m/Adjustment/m_ori.q7c", "merged before"));

    createPrjFolders(request);

    QCOMPARE(entries(temp + "/out/m"), sorted(subfolders));
    for (const QString &name : subfolders)
        QVERIFY2(QFileInfo(temp + "/out/m/" + name).isDir(), qPrintable(name));
    QCOMPARE(entries(temp + "/out/m/Log"), QStringList({"old", "run.log"}));
    QCOMPARE(readBytes(temp + "/out/m/Log/run.log"), QByteArray("earlier run"));
    QCOMPARE(readBytes(temp + "/out/m/Adjustment/m_ori.q7c"), QByteArray("merged before"));
}

QTEST_APPLESS_MAIN(TestOutputFolder)
#include "tst_outputfolder.moc"
