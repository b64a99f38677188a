#include "mergefixture.h"
#include "testfiles.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QtTest>

// q7prjmerge-cli --check over sample projects with mistakes made on purpose.
class TestCheckCli : public QObject
{
    Q_OBJECT

private slots:
    void exitCodesAndJson_data();
    void exitCodesAndJson();
    void mergeCarriesFindingsAndMap();
};

void TestCheckCli::exitCodesAndJson_data()
{
    QTest::addColumn<QStringList>("mistakes"); // q7samplegen's options
    QTest::addColumn<QStringList>("options");  // the check's own
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QStringList>("kinds");

    QTest::newRow("fine") << QStringList{} << QStringList{} << 0 << QStringList{};
    QTest::newRow("shifted") << QStringList{"--shift", "2"} << QStringList{} << 1
                             << QStringList{"farApart", "farApart"};
    QTest::newRow("shifted within the tolerance")
        << QStringList{"--shift", "2"} << QStringList{"--tolerance", "30"} << 0 << QStringList{};
    QTest::newRow("in degrees") << QStringList{"--degrees", "3"} << QStringList{} << 1
                                << QStringList{"farApart", "degrees"};
    QTest::newRow("isolated") << QStringList{"--isolated", "3"} << QStringList{} << 1
                              << QStringList{"unconnected"};
    QTest::newRow("shared image moved") << QStringList{"--move-shared", "2"} << QStringList{} << 1
                                        << QStringList{"farApart"};
    QTest::newRow("name twice") << QStringList{"--name-twice", "1"} << QStringList{} << 1
                                << QStringList{"nameTwice"};
    QTest::newRow("tolerance not a number") << QStringList{} << QStringList{"--tolerance", "far"} << 2
                                            << QStringList{};
}

void TestCheckCli::exitCodesAndJson()
{
    QFETCH(QStringList, mistakes);
    QFETCH(QStringList, options);
    QFETCH(int, exitCode);
    QFETCH(QStringList, kinds);
    QTemporaryDir folder;
    QCOMPARE(QProcess::execute(binPath("q7samplegen"),
                               QStringList{"--projects", "3", "--images", "20"} + mistakes + QStringList{folder.path()}),
             0);
    const auto before = snapshot(folder.path());
    QStringList projects;
    for (const char *name : {"block01", "block02", "block03"})
        projects << folder.path() + "/" + name + "/" + QString(name) + ".Q7D";

    QProcess cli;
    cli.start(binPath("q7prjmerge-cli"), QStringList{"--check", "--json"} + options + projects);
    QVERIFY(cli.waitForFinished(patientMs));
    QCOMPARE(cli.exitCode(), exitCode);
    QCOMPARE(snapshot(folder.path()), before); // nothing written
    if (exitCode == 2)
        return;
    const QJsonObject json = QJsonDocument::fromJson(cli.readAllStandardOutput()).object();
    QCOMPARE(json.value("exitCode").toInt(), exitCode);
    QStringList found;
    for (const QJsonValue &finding : json.value("check").toObject().value("findings").toArray())
        found << finding.toObject().value("kind").toString();
    QCOMPARE(found, kinds);
    QCOMPARE(json.value("check").toObject().value("pairs").toArray().size(), kinds.contains("unconnected") ? 1 : 2);

    cli.start(binPath("q7prjmerge-cli"), QStringList{"--check"} + options + projects);
    QVERIFY(cli.waitForFinished(patientMs));
    QCOMPARE(cli.exitCode(), exitCode);
    QVERIFY(QString::fromLocal8Bit(cli.readAllStandardOutput()).contains(exitCode == 0 ? "No findings" : " finding"));
}

// A merge of a shifted block: the findings in its JSON and its record, and
// its map in Log/.
void TestCheckCli::mergeCarriesFindingsAndMap()
{
    QTemporaryDir folder;
    QCOMPARE(QProcess::execute(binPath("q7samplegen"), {"--projects", "2", "--images", "20", "--shift", "2",
                                                        folder.path() + "/src"}),
             0);
    QProcess cli;
    cli.start(binPath("q7prjmerge-cli"), {"--json", "--dir", folder.path(), "--name", "m",
                                          folder.path() + "/src/block01/block01.Q7D",
                                          folder.path() + "/src/block02/block02.Q7D"});
    QVERIFY(cli.waitForFinished(patientMs));
    QCOMPARE(cli.exitCode(), 0); // advice only
    const QJsonObject json = QJsonDocument::fromJson(cli.readAllStandardOutput()).object();
    const QJsonArray findings = json.value("check").toObject().value("findings").toArray();
    QCOMPARE(findings.size(), 1);
    QCOMPARE(findings[0].toObject().value("kind").toString(), QString("farApart"));
    const QByteArray map = readBytes(json.value("map").toString());
    QVERIFY2(map.startsWith("<?xml") && map.contains(findings[0].toObject().value("text").toString().toUtf8().left(40)),
             map.left(200).constData());
    QVERIFY(readBytes(folder.path() + "/m/Log/merge.log").contains("check (tolerance 1): 1 finding:\n  project 1"));
}

QTEST_GUILESS_MAIN(TestCheckCli)
#include "tst_checkcli.moc"
