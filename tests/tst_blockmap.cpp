#include "blockmap.h"
#include "blockmapsvg.h"

#include <QtTest>

namespace {

// Two blocks side by side, their shared image at (10, 0), the first's last
// image where the second's last is, a third in degrees, and a fourth in
// metres 100 km off.
ReadinessReport threeBlocks()
{
    ReadinessReport report;
    report.projects.resize(4);
    report.points = {{0, 0, 0, false},  {10, 0, 0, true},  {20, 0, 0, false},
                     {10, 0, 1, true},  {20, 0, 1, false}, {117, 30, 2, false}, {100000, 0, 3, false}};
    for (size_t p = 0; p < report.projects.size(); ++p) {
        report.projects[p].images = 1;
        report.projects[p].unit = p == 2 ? PositionUnit::DegreesLonLat : PositionUnit::Metres;
        report.projects[p].colour = int(p);
    }
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
    void scaleLength_data();
    void scaleLength();
    void fortyColours();
};

void TestBlockMap::grid_data()
{
    QTest::addColumn<int>("topProject");
    QTest::addColumn<std::vector<int>>("focus");
    QTest::addColumn<QString>("drawn");
    QTest::addColumn<std::vector<int>>("offMap");

    // 25 cells: two of room each side, the 20 units at one a cell.
    QTest::newRow("all, degrees and far off left off") << -1 << std::vector<int>{}
                                                       << row({{2, '0'}, {12, 's'}, {22, '1'}})
                                                       << std::vector<int>{2, 3};
    QTest::newRow("the first on top") << 0 << std::vector<int>{} << row({{2, '0'}, {12, 's'}, {22, '0'}})
                                      << std::vector<int>{2, 3};
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
    QCOMPARE(svg.count("stroke-dasharray"), 0); // only unconnected blocks are framed
    QCOMPARE(svg.count("not on the map (far off or in another unit):"), 1); // over the two left off
    QVERIFY(svg.contains(">N</text>") && svg.contains(">5 m</text>")); // north, and a quarter of 20 m
    QVERIFY(svg.contains("fill=\"#" + QByteArray::number(sharedColour, 16).rightJustified(6, '0') + "\""));
}

void TestBlockMap::scaleLength_data()
{
    QTest::addColumn<double>("metres");
    QTest::addColumn<double>("bar");
    for (auto [metres, bar] : {std::pair{0.99, 0.5}, {1.0, 1.0}, {1.99, 1.0}, {2.0, 2.0}, {4.99, 2.0}, {5.0, 5.0},
                               {9.99, 5.0}, {2500.0, 2000.0}, {0.0, 0.0}})
        QTest::addRow("%g m", metres) << metres << bar;
}

void TestBlockMap::scaleLength()
{
    QFETCH(double, metres);
    QFETCH(double, bar);
    QCOMPARE(roundScaleLength(metres), bar);
}

void TestBlockMap::fortyColours()
{
    QSet<uint32_t> colours{sharedColour};
    for (int slot = 0; slot < projectColours; ++slot)
        colours.insert(projectColour(slot));
    QCOMPARE(colours.size(), projectColours + 1);
    QCOMPARE(projectColour(projectColours), projectColour(0));
}

QTEST_GUILESS_MAIN(TestBlockMap)
#include "tst_blockmap.moc"
