#include "blockmap.h"
#include "blockmapsvg.h"

#include <QtTest>

namespace {

// Two blocks side by side, their shared image at (10, 0), the first's last
// image where the second's last is, and a third far off in degrees.
ReadinessReport threeBlocks()
{
    ReadinessReport report;
    report.projects.resize(3);
    report.points = {{0, 0, 0, false},  {10, 0, 0, true},  {20, 0, 0, false},
                     {10, 0, 1, true},  {20, 0, 1, false}, {117, 30, 2, false}};
    report.projects[2].images = 1;
    report.findings.push_back({FindingKind::Degrees, "in degrees", {2, 0}, {}});
    return report;
}

// The projects drawn along the map's middle row, left to right, "-" for none
// and "s" for a shared image.
QString middleRow(const BlockMapGrid &grid)
{
    QString row;
    for (int x = 0; x < grid.width(); ++x) {
        const int project = grid.project(x, grid.height() / 2);
        row += project < 0 ? QChar('-') : grid.shared(x, grid.height() / 2) ? QChar('s') : QChar('0' + project);
    }
    return row;
}

// A row of 25 cells, empty but for the given ones.
QString row(std::initializer_list<std::pair<int, char>> cells)
{
    QString text(25, '-');
    for (const auto &[x, drawn] : cells)
        text[x] = QChar(drawn);
    return text;
}

} // namespace

class TestBlockMap : public QObject
{
    Q_OBJECT

private slots:
    void grid_data();
    void grid();
    void svgMarksFindings();
};

void TestBlockMap::grid_data()
{
    QTest::addColumn<int>("topProject");
    QTest::addColumn<std::vector<int>>("focus");
    QTest::addColumn<QString>("drawn");
    QTest::addColumn<std::vector<int>>("offMap");

    // 25 cells: two of room each side, the 20 units at one a cell.
    QTest::newRow("all, degrees left off") << -1 << std::vector<int>{} << row({{2, '0'}, {12, 's'}, {22, '1'}})
                                           << std::vector<int>{2};
    QTest::newRow("the first on top") << 0 << std::vector<int>{} << row({{2, '0'}, {12, 's'}, {22, '0'}})
                                      << std::vector<int>{2};
    // The second's 10 units at two cells a unit; the first's image at 0 left off.
    QTest::newRow("focus on the second") << -1 << std::vector<int>{1} << row({{2, 's'}, {22, '1'}})
                                         << std::vector<int>{};
}

void TestBlockMap::grid()
{
    QFETCH(int, topProject);
    QFETCH(std::vector<int>, focus);
    QFETCH(QString, drawn);
    QFETCH(std::vector<int>, offMap);
    const BlockMapGrid grid(threeBlocks(), drawn.size(), 5, topProject, focus);
    QCOMPARE(middleRow(grid), drawn);
    QCOMPARE(grid.offMap(), offMap);
}

void TestBlockMap::svgMarksFindings()
{
    ReadinessReport report = threeBlocks();
    report.findings.push_back({FindingKind::FarApart, "a & b", {0, 1}, {{"IMG_1", 2.5, 10, 0}}});
    const QByteArray svg = blockMapSvg(report, "merge <1>");
    QVERIFY(svg.contains("<title>merge &lt;1&gt;</title>"));
    QVERIFY(svg.contains("2. a &amp; b"));
    QCOMPARE(svg.count("<circle"), 1);
    QCOMPARE(svg.count("stroke-dasharray"), 1); // the block in degrees, framed
    QVERIFY(svg.contains("not on the map: "));
    QVERIFY(svg.contains("fill=\"#" + QByteArray::number(sharedColour, 16).rightJustified(6, '0') + "\""));
}

QTEST_GUILESS_MAIN(TestBlockMap)
#include "tst_blockmap.moc"
