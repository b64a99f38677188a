#include "solverinputlist.h"
#include "testfiles.h"

#include <QDir>
#include <QtTest>

class TestSolverInputList : public QObject
{
    Q_OBJECT

private slots:
    void init();

    void twoProjectsKeepDoubledSeparators();
    void nullItemsGiveNoEntry();
    void emptyListWritesNothing();
    void secondListReplacesFirst();
    void namesWithTwoDots();
    void unwritableListNotMade();

private:
    QString folder(const QString &name) const;

    std::unique_ptr<QTemporaryDir> tempDir; // a fresh one for each test
    QString temp;
    std::vector<ProjectEntry> projects;
};

QString TestSolverInputList::folder(const QString &name) const
{
    const QString path = temp + "/" + name;
    QDir().mkpath(path);
    return path;
}

void TestSolverInputList::init()
{
    temp = freshTempDir(tempDir);
    QVERIFY(!temp.isEmpty());
    projects.clear();
}

void TestSolverInputList::twoProjectsKeepDoubledSeparators()
{
    folder("m");
    const QString expectedPath = temp + "//m//m.txt";
    QTest::ignoreMessage(QtDebugMsg, "readList");
    QTest::ignoreMessage(QtDebugMsg, "processPath");
    QTest::ignoreMessage(QtDebugMsg, "processPath");
    QTest::ignoreMessage(QtDebugMsg, qPrintable("makeQ7cList :  " + expectedPath));

    readList({"C:/a/p1.Q7D", "C:/b/p2.Q7D"}, projects);
    QVERIFY(makeQ7cList(expectedPath, projects));

    QCOMPARE(readBytes(expectedPath),
             QByteArray("C:/a//Adjustment//p1_ori.q7c\n"
                        "C:/b//Adjustment//p2_ori.q7c\n"));
    QCOMPARE(int(projects.size()), 2);
    QCOMPARE(projects[0].prjFile, QString("C:/a/p1.Q7D"));
    QCOMPARE(projects[0].xyzFile, QString("C:/a//p1_xyz.txt"));
    QCOMPARE(projects[1].oriFile, QString("C:/b//Adjustment//p2_ori.q7c"));
}

void TestSolverInputList::nullItemsGiveNoEntry()
{
    // Only the exact text "NULL" is passed over.
    readList({"NULL", "C:/a/p1.Q7D", "NULL", "null", "NULL "}, projects);
    QCOMPARE(int(projects.size()), 3);
    QCOMPARE(projects[0].prjFile, QString("C:/a/p1.Q7D"));
    QCOMPARE(projects[1].oriFile, QString(".//Adjustment//null_ori.q7c"));
    QCOMPARE(projects[2].prjFile, QString("NULL "));

    const QString listFilePath = folder("m") + "//m.txt";
    makeQ7cList(listFilePath, projects);
    QCOMPARE(readBytes(listFilePath),
             QByteArray("C:/a//Adjustment//p1_ori.q7c\n"
                        ".//Adjustment//null_ori.q7c\n"
                        ".//Adjustment//NULL _ori.q7c\n"));
}

void TestSolverInputList::emptyListWritesNothing()
{
    const QString outDir = folder("m");
    projects.push_back(makeProjectEntry("C:/stale/old.Q7D"));

    for (const QStringList &items : {QStringList(), QStringList{"NULL", "NULL"}}) {
        readList(items, projects);
        QVERIFY(projects.empty());
        QVERIFY(makeQ7cList(outDir + "//m.txt", projects)); // nothing to write, nothing failed
        QVERIFY(QDir(outDir).isEmpty());
    }
}

void TestSolverInputList::secondListReplacesFirst()
{
    const QString listFilePath = folder("m") + "//m.txt";
    readList({"/x/first.Q7D", "/x/second.Q7D", "/x/third.Q7D"}, projects);
    makeQ7cList(listFilePath, projects);
    readList({"/y/only.Q7D"}, projects);
    makeQ7cList(listFilePath, projects);

    QCOMPARE(int(projects.size()), 1);
    QCOMPARE(readBytes(listFilePath), QByteArray("/y//Adjustment//only_ori.q7c\n"));
}

void TestSolverInputList::namesWithTwoDots()
{
    const QString outDir = folder("a.b");
    readList({"/d/site.north.Q7D"}, projects);
    QCOMPARE(projects[0].xyzFile, QString("/d//site.north_xyz.txt"));
    makeQ7cList(outDir + "//a.b.txt", projects);

    QCOMPARE(readBytes(temp + "/a.b/a.b.txt"),
             QByteArray("/d//Adjustment//site.north_ori.q7c\n"));
}

void TestSolverInputList::unwritableListNotMade()
{
    readList({"/d/p.Q7D"}, projects);
    const QString listFilePath = temp + "//missing//m.txt";
    QVERIFY(!makeQ7cList(listFilePath, projects));
    QVERIFY(!QFileInfo::exists(listFilePath));
}

QTEST_APPLESS_MAIN(TestSolverInputList)
#include "tst_solverinputlist.moc"
