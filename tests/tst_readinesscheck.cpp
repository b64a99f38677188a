#include "readinesscheck.h"
#include "testfiles.h"
#include "testfindings.h"

#include <QtTest>

namespace {

// Writes one project a position file (its lines joined by "|") into folder and
// returns the projects' entries in order.
std::vector<ProjectEntry> projectsWith(const QString &folder, const QStringList &positionFiles)
{
    std::vector<ProjectEntry> projects;
    for (int p = 0; p < positionFiles.size(); ++p) {
        const QString name = QString("block%1").arg(p + 1);
        projects.push_back(makeProjectEntry(folder + "/" + name + ".Q7D"));
        QByteArray lines;
        for (const QString &line : positionFiles[p].split('|'))
            lines += line.toUtf8() + " 0.5 -0.125 90 1\n";
        writeBytes(projects.back().xyzFile, lines);
    }
    return projects;
}


} // namespace

class TestReadinessCheck : public QObject
{
    Q_OBJECT

private slots:
    void findings_data();
    void findings();
    void pairsAndExtents();
    void stopEndsCheckBeforeNextProject_data();
    void stopEndsCheckBeforeNextProject();
};

void TestReadinessCheck::findings_data()
{
    QTest::addColumn<QStringList>("positionFiles");
    QTest::addColumn<QStringList>("expected");

    const QString a = "a 512000 3340000 800", s = "s 512100 3340000 800", b = "b 512200 3340000 800";
    QTest::newRow("one project") << QStringList{a} << QStringList{};
    QTest::newRow("sharing, all fine") << QStringList{a + "|" + s, "/photos/s.JPG 512100 3340000 800|" + b}
                                       << QStringList{};
    QTest::newRow("shared 0.99 apart") << QStringList{a + "|" + s, "s.JPG 512100.99 3340000 800|" + b}
                                       << QStringList{};
    QTest::newRow("shared 1.01 apart") << QStringList{a + "|" + s, "s.JPG 512100 3340001.01 800|" + b}
                                       << QStringList{"farApart:1,2"};
    QTest::newRow("shared 1.01 apart in Z") << QStringList{a + "|" + s, "s 512100 3340000 798.99|" + b}
                                            << QStringList{"farApart:1,2"};
    QTest::newRow("third unconnected") << QStringList{a + "|" + s, s + "|" + b, "c 512300 3340000 800"}
                                       << QStringList{"unconnected:3"};
    QTest::newRow("two alone") << QStringList{a, b} << QStringList{"unconnected:1", "unconnected:2"};
    QTest::newRow("one without usable lines") << QStringList{a, ""} << QStringList{"noPositions:2"};
    // Degrees: within ±180 and ±90 in either order, spanning at most 2.
    QTest::newRow("X 179.9 is degrees") << QStringList{"a 179.9 30 800|s 179.8 30.1 800", s + "|" + b}
                                        << QStringList{"degrees:2,1"};
    QTest::newRow("X -180.1 is not") << QStringList{"a -180.1 30 800|s -179.9 30.1 800", s + "|" + b}
                                     << QStringList{"farApart:1,2"};
    QTest::newRow("Y 89.9 is degrees") << QStringList{s + "|" + b, "s 117 -89.9 800|c 117.1 -89.8 800"}
                                       << QStringList{"degrees:2,1"};
    QTest::newRow("Y 90.1 is not") << QStringList{s + "|" + b, "s 117 90.1 800|c 117.1 90 800"}
                                   << QStringList{"farApart:1,2"};
    QTest::newRow("latitude first, X 89.9") << QStringList{s + "|" + b, "s 89.9 117 800|c 89.8 117.1 800"}
                                            << QStringList{"degrees:2,1"};
    QTest::newRow("latitude first, X 90.1 is not") << QStringList{s + "|" + b, "s 90.1 117 800|c 90 117.1 800"}
                                                   << QStringList{"farApart:1,2"};
    QTest::newRow("span 2.0 is degrees") << QStringList{s + "|" + b, "s 117 30 800|c 119 32 800"}
                                         << QStringList{"degrees:2,1"};
    QTest::newRow("span 2.1 is not") << QStringList{s + "|" + b, "s 117 30 800|c 119.1 30 800"}
                                     << QStringList{"farApart:1,2"};
    QTest::newRow("all in degrees") << QStringList{"a 117 30 0|s 117.1 30 0", "s 117.1 30 0|b 117.2 30 0"}
                                    << QStringList{};
    QTest::newRow("a name twice") << QStringList{a + "|" + s + "|a.JPG 512000 3340000 801", s}
                                  << QStringList{"nameTwice:1"};
}

void TestReadinessCheck::findings()
{
    QFETCH(QStringList, positionFiles);
    QFETCH(QStringList, expected);
    QTemporaryDir folder;
    const ReadinessReport report = checkReadiness(projectsWith(folder.path(), positionFiles));
    QCOMPARE(findingsOf(report), expected);
    for (const ReadinessFinding &finding : report.findings)
        QVERIFY2(finding.text.contains("project " + QString::number(finding.projects.front() + 1)),
                 qPrintable(finding.text));
}

void TestReadinessCheck::pairsAndExtents()
{
    QTemporaryDir folder;
    // Three shared images 0, 0.5 and 4 apart; the fourth image of the first
    // project is listed twice, 2 apart.
    const ReadinessReport report = checkReadiness(projectsWith(
        folder.path(), {"p 5010 6020 5|q 5011 6020 5|r 5012 6020 5|t 5003 5996 -2|t 5003 5996 0",
                        "p 5010 6020 5|q 5011 6020.5 5|r 5012 6020 9"}));
    QCOMPARE(report.pairs.size(), size_t(1));
    QCOMPARE(report.pairs[0].shared, qint64(3));
    QCOMPARE(report.pairs[0].median, 0.5);
    QCOMPARE(report.pairs[0].largest, 4.0);
    const ReadinessProject &first = report.projects[0];
    QCOMPARE(QList<double>({first.minX, first.maxX, first.minY, first.maxY, first.minZ, first.maxZ}),
             QList<double>({5003, 5012, 5996, 6020, -2, 5}));
    QCOMPARE(first.images, qint64(5));
    QCOMPARE(first.namesTwice, qint64(1));
    QCOMPARE(findingsOf(report), QStringList({"nameTwice:1", "farApart:1,2"}));
    QCOMPARE(report.findings[1].images.size(), size_t(1));
    QCOMPARE(report.findings[1].images[0].name, QString("r"));
    QVERIFY2(report.findings[1].text.endsWith(": r 4.000."), qPrintable(report.findings[1].text));
    QCOMPARE(report.findings[0].images[0].distance, 2.0);
}

void TestReadinessCheck::stopEndsCheckBeforeNextProject_data()
{
    QTest::addColumn<int>("stopAfter"); // projects read before the stop
    QTest::addColumn<int>("read");
    QTest::addColumn<QStringList>("expected");
    QTest::newRow("stopped at once") << 0 << 0 << QStringList();
    QTest::newRow("stopped before the last") << 2 << 2 << QStringList();
    QTest::newRow("stopped after the last") << 3 << 3 << QStringList({"unconnected:3"});
}

// A stop asked for while the check reads ends it before the next project,
// without findings drawn from part of the projects.
void TestReadinessCheck::stopEndsCheckBeforeNextProject()
{
    QFETCH(int, stopAfter);
    QFETCH(int, read);
    QFETCH(QStringList, expected);
    QTemporaryDir folder;
    int asked = 0;
    const ReadinessReport report =
        checkReadiness(projectsWith(folder.path(), {"a 1 1 1|s 2 1 1", "s 2 1 1|b 3 1 1", "c 9 9 9"}),
                       Tolerances{}, MapPoints::Kept, [&] { return asked++ >= stopAfter; });
    QCOMPARE(int(report.projects.size()), read);
    QCOMPARE(findingsOf(report), expected);
    QCOMPARE(report.points.empty(), read < 3);
}

QTEST_GUILESS_MAIN(TestReadinessCheck)
#include "tst_readinesscheck.moc"
