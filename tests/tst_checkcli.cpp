#include "mergefixture.h"
#include "testfiles.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QtTest>

// q7prjmerge-cli --check over sample projects with mistakes made on purpose.
class TestCheckCli : public QObject
{
    Q_OBJECT

private slots:
    void exitCodesAndJson_data();
    void exitCodesAndJson();
    void mergeCarriesFindingsAndMap();
    void strictRefusesAFinding_data();
    void strictRefusesAFinding();
};

void TestCheckCli::exitCodesAndJson_data()
{
    QTest::addColumn<QStringList>("mistakes"); // q7samplegen's options
    QTest::addColumn<QStringList>("options");  // the check's own
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QStringList>("kinds");

    QTest::newRow("fine") << QStringList{} << QStringList{} << 0 << QStringList{};
    // One shared image tells no common offset, four do.
    QTest::newRow("shifted") << QStringList{"--shift", "2"} << QStringList{} << 1
                             << QStringList{"farApart", "farApart"};
    QTest::newRow("shifted, four shared, map written")
        << QStringList{"--shift", "2", "--shared", "20"} << QStringList{"--map", "MAP"} << 1
        << QStringList{"offset", "offset"};
    QTest::newRow("shifted within the tolerance")
        << QStringList{"--shift", "2"} << QStringList{"--tolerance", "30"} << 0 << QStringList{};
    QTest::newRow("in degrees") << QStringList{"--degrees", "3"} << QStringList{} << 1
                                << QStringList{"degrees"};
    QTest::newRow("isolated") << QStringList{"--isolated", "3"} << QStringList{} << 1
                              << QStringList{"unconnected"};
    QTest::newRow("shared image moved") << QStringList{"--move-shared", "2"} << QStringList{} << 1
                                        << QStringList{"farApart"};
    QTest::newRow("name twice") << QStringList{"--name-twice", "1"} << QStringList{} << 1
                                << QStringList{"nameTwice"};
    QTest::newRow("tolerance not a number") << QStringList{} << QStringList{"--tolerance", "far"} << 2
                                            << QStringList{};
    QTest::newRow("vertical tolerance below 0") << QStringList{} << QStringList{"--vertical-tolerance", "-1"} << 2
                                                << QStringList{};
}

void TestCheckCli::exitCodesAndJson()
{
    QFETCH(QStringList, mistakes);
    QFETCH(QStringList, options);
    QFETCH(int, exitCode);
    QFETCH(QStringList, kinds);
    QTemporaryDir folder, mapFolder;
    QCOMPARE(QProcess::execute(binPath("q7samplegen"),
                               QStringList{"--projects", "3", "--images", "20"} + mistakes + QStringList{folder.path()}),
             0);
    const QString map = mapFolder.path() + "/map.svg";
    options.replaceInStrings(QRegularExpression("^MAP$"), map);
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
    QCOMPARE(readBytes(map).contains(">N</text>"), options.contains(map));

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
                                                        "--shared", "20", folder.path() + "/src"}),
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
    QCOMPARE(findings[0].toObject().value("kind").toString(), QString("offset"));
    const QByteArray map = readBytes(json.value("map").toString());
    QVERIFY2(map.startsWith("<?xml") && map.contains(findings[0].toObject().value("text").toString().toUtf8().left(40)),
             map.left(200).constData());
    QVERIFY(readBytes(folder.path() + "/m/Log/merge.log").contains("check (tolerance 1): 1 finding:\n  project 2 (block02)'s shared images lie 26.9 m east"));
}

void TestCheckCli::strictRefusesAFinding_data()
{
    QTest::addColumn<QStringList>("mistakes");
    QTest::addColumn<int>("exitCode");
    QTest::newRow("a finding: refused") << QStringList{"--shift", "2"} << 1;
    QTest::newRow("none: merged") << QStringList{} << 0;
}

// --strict: a finding refuses the merge before anything is written; the
// findings come on standard error before the merge, their count after it.
void TestCheckCli::strictRefusesAFinding()
{
    QFETCH(QStringList, mistakes);
    QFETCH(int, exitCode);
    QTemporaryDir folder;
    QCOMPARE(QProcess::execute(binPath("q7samplegen"),
                               QStringList{"--projects", "2", "--images", "20", "--shared", "20"} + mistakes
                                   + QStringList{folder.path() + "/src"}),
             0);
    QProcess cli;
    cli.start(binPath("q7prjmerge-cli"), {"--strict", "--dir", folder.path(), "--name", "m",
                                          folder.path() + "/src/block01/block01.Q7D",
                                          folder.path() + "/src/block02/block02.Q7D"},
              QIODevice::ReadWrite | QIODevice::Text); // its lines as a text-mode reader gets them
    QVERIFY(cli.waitForFinished(patientMs));
    QCOMPARE(cli.exitCode(), exitCode);
    QCOMPARE(QFileInfo::exists(folder.path() + "/m"), exitCode == 0);
    const QString errors = QString::fromLocal8Bit(cli.readAllStandardError());
    QCOMPARE(errors.contains("Check before the merge: 1 finding:\n  project 2 (block02)'s shared images lie 26.9 m"),
             exitCode == 1);
    QVERIFY(QString::fromLocal8Bit(cli.readAllStandardOutput()).contains("Findings of the check: 0") == (exitCode == 0));
}

QTEST_GUILESS_MAIN(TestCheckCli)
#include "tst_checkcli.moc"
