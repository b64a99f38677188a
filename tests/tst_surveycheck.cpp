#include "readinesscheck.h"
#include "surveyblocks.h"
#include "testfindings.h"

#include <QtTest>
#include <algorithm>

// The check's findings on blocks cut from a real drone survey, written with
// the mistakes operators make: blocks A and B share the middle fifth of one
// flight (the same position records unless a row changes them).
class TestSurveyCheck : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void findings_data();
    void findings();

private:
    std::map<QString, std::vector<SurveyImage>> survey;
};

namespace {

std::vector<SurveyImage> inFlightOrder(std::vector<SurveyImage> images)
{
    std::sort(images.begin(), images.end(),
              [](const SurveyImage &a, const SurveyImage &b) { return a.fullName < b.fullName; });
    return images;
}

std::vector<SurveyImage> part(const std::vector<SurveyImage> &images, double from, double to)
{
    return std::vector<SurveyImage>(images.begin() + long(from * double(images.size())),
                                    images.begin() + long(to * double(images.size())));
}

// A block of the row: the images of a task (or "A", "B" of task-ne), how
// they are written, and the project file's map projection.
struct RowBlock
{
    QString images;
    BlockForm form;
    QString projection = "WGS 84 / UTM zone 50S";
};

using Blocks = std::vector<RowBlock>;

} // namespace

Q_DECLARE_METATYPE(Blocks)

void TestSurveyCheck::initTestCase()
{
    survey = readSurvey();
    QCOMPARE(survey.size(), size_t(5));
    for (auto &[task, images] : survey)
        images = inFlightOrder(images);
}

void TestSurveyCheck::findings_data()
{
    QTest::addColumn<Blocks>("blocks");
    QTest::addColumn<QStringList>("expected");
    QTest::addColumn<QString>("text"); // in the first finding

    using F = BlockForm;
    const QString wgs = "WGS 84";
    auto row = [](const char *name, Blocks blocks, QStringList expected, QString text = QString()) {
        QTest::newRow(name) << blocks << expected << text;
    };
    row("same records, metres", {{"A", {}}, {"B", {}}}, {});
    row("same records, degrees", {{"A", {F::LonLat}, wgs}, {"B", {F::LonLat}, wgs}}, {});
    row("0.9 m east", {{"A", {}}, {"B", {F::Metres, 0.9}}}, {});
    row("1.1 m east", {{"A", {}}, {"B", {F::Metres, 1.1}}}, {"offset:1,2"}, "1.1 m east of project 1");
    row("0.9 m higher", {{"A", {}}, {"B", {F::Metres, 0, 0, 0.9}}}, {});
    row("1.1 m lower", {{"A", {}}, {"B", {F::Metres, 0, 0, -1.1}}}, {"offset:1,2"}, "1.1 m lower than");
    row("266 m north-east, in degrees", {{"A", {F::LonLat}, wgs}, {"B", {F::LonLat, 188, 188}, wgs}},
        {"offset:1,2"}, "lie 265.9 m north-east of project 1 (block1)'s (spread 0.0 m): another coordinate");
    row("266 m north-east and 3 m lower", {{"A", {}}, {"B", {F::Metres, 188, 188, -3}}}, {"offset:1,2"},
        "lie 265.9 m north-east of and 3.0 m lower than project 1 (block1)'s (spread 0.0 m): another");
    row("47.9 m higher: geoid against ellipsoid", {{"A", {}}, {"B", {F::Metres, 0, 0, 47.9}}}, {"offset:1,2"},
        "47.9 m higher than project 1 (block1)'s (spread 0.0 m): ellipsoidal against geoid heights?");
    row("degrees beside metres", {{"A", {}}, {"B", {F::LonLat}}}, {"degrees:2,1"},
        "read as degrees (longitude first), those of project 1 (block1) as metres");
    row("latitude first beside longitude first", {{"A", {F::LonLat}, wgs}, {"B", {F::LatLon}, wgs}},
        {"degrees:2,1"}, "degrees (latitude first)");
    row("latitude first beside metres, projections differ", {{"A", {}}, {"B", {F::LatLon}, wgs}},
        {"degrees:2,1", "projection:2,1"});
    row("five images without a fix", {{"A", {}}, {"B", {F::Metres, 0, 0, 0, false, false, 5}}}, {"noFix:2"},
        "lists 5 images without a position fix");
    // Among them 3 images placed in Paris, 2 at -325, 250: strays, the block stays one in degrees.
    row("the survey's own mistakes, in degrees", {{"A+issues", {F::LonLat}, wgs}, {"B", {F::LonLat}, wgs}},
        {"noFix:1"}, "lists 5 images without a position fix");
    row("an empty block between two", {{"A", {}}, {"empty", {}}, {"B", {}}}, {"noPositions:2"},
        "has no usable position line (its position file holds none)");
    row("a missing position file", {{"A", {}}, {"missing", {}}}, {"noPositions:2"},
        "its position file is missing or unreadable");
    row("cards numbered alike, two flights", {{"task-ne", {F::Metres, 0, 0, 0, true}}, {"task-sw", {F::Metres, 0, 0, 0, true}}},
        {"sameNames:1,2"}, "these are different photos with the same names. The merge keeps project 1 (block1)'s and drops");
    row("names in lower case", {{"A", {}}, {"B", {F::Metres, 0, 0, 0, false, true}}},
        {"caseNames:1,2", "unconnected:1", "unconnected:2"}, "that differ only in case");
    row("flights side by side", {{"task-ne", {}}, {"task-nw", {}}}, {"unconnected:1", "unconnected:2"});
}

void TestSurveyCheck::findings()
{
    QFETCH(Blocks, blocks);
    QFETCH(QStringList, expected);
    QFETCH(QString, text);
    QTemporaryDir folder;
    const std::vector<SurveyImage> &ne = survey["task-ne"];
    std::vector<ProjectEntry> projects;
    for (const RowBlock &block : blocks) {
        std::vector<SurveyImage> images = block.images.startsWith("A") ? part(ne, 0, 0.6)
                                          : block.images == "B"         ? part(ne, 0.4, 1)
                                                                        : survey[block.images];
        if (block.images.endsWith("+issues"))
            images.insert(images.end(), survey["issues"].begin(), survey["issues"].end());
        projects.push_back(writeBlock(folder.path(), int(projects.size()) + 1, positionLines(images, block.form),
                                      block.projection));
        if (block.images == "missing")
            QFile::remove(projects.back().xyzFile);
    }
    const ReadinessReport report = checkReadiness(projects);
    QCOMPARE(findingsOf(report), expected);
    if (!text.isEmpty())
        QVERIFY2(report.findings.front().text.contains(text), qPrintable(report.findings.front().text));
}

QTEST_GUILESS_MAIN(TestSurveyCheck)
#include "tst_surveycheck.moc"
