#include "outputfolder.h"
#include "testfiles.h"

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

    void newFolderMadeBeforeSubfolders();
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
};

void TestOutputFolder::init()
{
    temp = freshTempDir(tempDir);
    QVERIFY(!temp.isEmpty());
    outDir = temp + "/out//m";
    QVERIFY(QDir().mkpath(temp + "/out"));
}

void TestOutputFolder::newFolderMadeBeforeSubfolders()
{
    QTest::ignoreMessage(QtDebugMsg, qPrintable("makeq7cListFile: " + outDir));
    QTest::ignoreMessage(QtDebugMsg, "true");
    QTest::ignoreMessage(QtDebugMsg, "wenjianjiachuanjianchenggong");

    QVERIFY(!makeq7cListFile(outDir));

    QCOMPARE(entries(temp + "/out/m"), QStringList());
    createPrjFolders(outDir);
    QCOMPARE(entries(temp + "/out/m"), sorted(subfolders));
}

void TestOutputFolder::existingFolderReused()
{
    QVERIFY(QDir().mkpath(temp + "/out/m"));
    QVERIFY(writeBytes(temp + "/out/m/keep.txt", "kept"));
    QTest::ignoreMessage(QtDebugMsg, "wenjianjiayi cun zai");

    QVERIFY(!makeq7cListFile(outDir));

    QCOMPARE(entries(temp + "/out/m"), QStringList({"keep.txt"}));
    QCOMPARE(readBytes(temp + "/out/m/keep.txt"), QByteArray("kept"));
}

void TestOutputFolder::missingParentRefused()
{
    // Only one level is made: the folder's own parent must be there.
    QTest::ignoreMessage(QtDebugMsg, "false");
    QTest::ignoreMessage(QtDebugMsg, "wenjianjiachuanjianshibai");

    QCOMPARE(makeq7cListFile(temp + "/missing//m").value_or(QString()),
             "Folder creation failed!\n" + shown(temp + "/missing/m") + ": No such file or directory");
    QVERIFY(!QFileInfo::exists(temp + "/missing"));
}

void TestOutputFolder::plainFileInPlaceRefused()
{
    QVERIFY(writeBytes(temp + "/out/m", "not a folder"));
    QTest::ignoreMessage(QtDebugMsg, "wenjianjiachuanjianshibai");

    QCOMPARE(makeq7cListFile(outDir).value_or(QString()), "Folder creation failed!\n" + shown(temp + "/out/m") + ": Not a directory");
    QCOMPARE(entries(temp + "/out"), QStringList{"m"});
    QCOMPARE(readBytes(temp + "/out/m"), QByteArray("not a folder"));
}

void TestOutputFolder::relativeFolderTakenFromWorkingDirectory()
{
    const QString previous = QDir::currentPath();
    QVERIFY(QDir::setCurrent(temp));

    const Problem failure = makeq7cListFile("out//m");
    createPrjFolders("out//m");
    QDir::setCurrent(previous);

    QVERIFY(!failure);
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

    createPrjFolders(outDir);

    QCOMPARE(entries(temp + "/out/m"), sorted(subfolders));
    for (const QString &name : subfolders)
        QVERIFY2(QFileInfo(temp + "/out/m/" + name).isDir(), qPrintable(name));
    QCOMPARE(entries(temp + "/out/m/Log"), QStringList({"old", "run.log"}));
    QCOMPARE(readBytes(temp + "/out/m/Log/run.log"), QByteArray("earlier run"));
    QCOMPARE(readBytes(temp + "/out/m/Adjustment/m_ori.q7c"), QByteArray("merged before"));
}

QTEST_APPLESS_MAIN(TestOutputFolder)
#include "tst_outputfolder.moc"
