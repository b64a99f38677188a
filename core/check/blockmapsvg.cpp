#include "blockmapsvg.h"

#include "atomicfile.h"
#include "blockmap.h"

#include <QString>
#include <vector>
#include <map>

namespace {

constexpr int gridWidth = 240;
constexpr int gridHeight = 180;
constexpr int cell = 4; // picture units a cell, its dot three square
constexpr int mapWidth = gridWidth * cell;
constexpr int mapHeight = gridHeight * cell;
constexpr int legendWidth = 360;
constexpr int lineHeight = 16;
constexpr uint32_t findingColour = 0xe00000;
constexpr int lineLength = 170; // characters of a finding's line under the map

QByteArray hex(uint32_t colour)
{
    return "#" + QByteArray::number(colour, 16).rightJustified(6, '0');
}

QByteArray escaped(const QString &text)
{
    return text.toHtmlEscaped().toUtf8();
}

// The dots: one path a colour, each run of cells of that colour in a row one
// rectangle.
QByteArray dots(const BlockMapGrid &grid)
{
    std::map<uint32_t, QByteArray> paths;
    constexpr uint32_t none = 0xffffffff;
    for (int y = 0; y < grid.height(); ++y) {
        for (int x = 0; x < grid.width();) {
            const uint32_t colour = grid.colour(x, y, none);
            int end = x + 1;
            while (end < grid.width() && grid.colour(end, y, none) == colour)
                ++end;
            if (colour != none)
                paths[colour] += "M" + QByteArray::number(x * cell) + " " + QByteArray::number(y * cell) + "h"
                                 + QByteArray::number((end - x) * cell - 1) + "v3h-"
                                 + QByteArray::number((end - x) * cell - 1) + "z";
            x = end;
        }
    }
    QByteArray svg;
    for (const auto &[colour, path] : paths)
        svg += "<path fill=\"" + hex(colour) + "\" d=\"" + path + "\"/>\n";
    return svg;
}

// Rings round the images of findings, one where several would overlap;
// frames round blocks unconnected.
QByteArray findingMarks(const ReadinessReport &report, const BlockMapGrid &grid)
{
    QByteArray svg = "<g fill=\"none\" stroke=\"" + hex(findingColour) + "\" stroke-width=\"1.5\">\n";
    std::vector<QPointF> rings;
    for (const ReadinessFinding &finding : report.findings) {
        for (const QPointF &ring : ringCentres(grid, finding.images, cell, rings))
            svg += "<circle cx=\"" + QByteArray::number(ring.x(), 'f', 1) + "\" cy=\""
                   + QByteArray::number(ring.y(), 'f', 1) + "\" r=\"" + QByteArray::number(ringRadius) + "\"/>\n";
        if (finding.kind != FindingKind::Unconnected)
            continue;
        const ReadinessProject &project = report.projects[size_t(finding.projects.front())];
        double left = 0, top = 0, right = 0, bottom = 0;
        if (project.unit == PositionUnit::Metres && grid.toCell(project.minX, project.maxY, left, top)
            && grid.toCell(project.maxX, project.minY, right, bottom))
            svg += "<rect stroke-dasharray=\"6 4\" x=\"" + QByteArray::number(left * cell - 6, 'f', 1) + "\" y=\""
                   + QByteArray::number(top * cell - 6, 'f', 1) + "\" width=\""
                   + QByteArray::number((right - left) * cell + 12, 'f', 1) + "\" height=\""
                   + QByteArray::number((bottom - top) * cell + 12, 'f', 1) + "\"/>\n";
    }
    return svg + "</g>\n";
}

// A scale bar of about a quarter of the map's width at its bottom left, and
// an arrow pointing north at its top right.
QByteArray scaleAndNorth(const BlockMapGrid &grid)
{
    const double metres = roundScaleLength(grid.metresPerCell() * gridWidth / 4);
    if (!(metres > 0))
        return QByteArray();
    const QByteArray length = QByteArray::number(metres / grid.metresPerCell() * cell, 'f', 1);
    const QByteArray bottom = QByteArray::number(mapHeight - 12);
    QByteArray svg = "<g stroke=\"#000000\" stroke-width=\"2\" fill=\"none\"><path d=\"M12 " + bottom + "h" + length
                     + "M12 " + bottom + "v-6M" + QByteArray::number(12 + length.toDouble(), 'f', 1) + " " + bottom
                     + "v-6\"/></g>\n";
    svg += "<text x=\"12\" y=\"" + QByteArray::number(mapHeight - 22) + "\">" + escaped(scaleText(metres)) + "</text>\n";
    const QByteArray east = QByteArray::number(mapWidth - 20);
    svg += "<path fill=\"#000000\" d=\"M" + east + " 14l-7 20l7-5l7 5z\"/><text x=\"" + east
           + "\" y=\"46\" text-anchor=\"middle\">N</text>\n";
    return svg;
}

QByteArray legendLine(int line, const QByteArray &swatch, const QString &text)
{
    const QByteArray y = QByteArray::number(24 + line * lineHeight);
    return "<rect x=\"" + QByteArray::number(mapWidth + 12) + "\" y=\"" + QByteArray::number(24 + line * lineHeight - 10)
           + "\" width=\"10\" height=\"10\" fill=\"" + swatch + "\"/><text x=\"" + QByteArray::number(mapWidth + 28)
           + "\" y=\"" + y + "\">" + escaped(text) + "</text>\n";
}

QByteArray legend(const ReadinessReport &report, const BlockMapGrid &grid)
{
    QByteArray svg;
    int line = 0;
    for (size_t p = 0; p < report.projects.size(); ++p)
        svg += legendLine(line++, hex(projectColour(report.projects[p].colour)),
                          QString("%1: %2 images").arg(report.projects[p].label).arg(report.projects[p].images));
    svg += legendLine(line++, hex(sharedColour), "shared images");
    svg += legendLine(line++, hex(findingColour),
                      report.findings.empty() ? QString("no findings") : QString("findings: %1").arg(report.findings.size()));
    if (!grid.offMap().empty())
        svg += legendLine(line++, "none", "not on the map (far off or in another unit):");
    for (int project : grid.offMap())
        svg += legendLine(line++, hex(projectColour(report.projects[size_t(project)].colour)),
                          report.projects[size_t(project)].label);
    return svg;
}

// The text in lines of at most lineLength characters, broken at blanks.
QStringList wrapped(const QString &text)
{
    QStringList lines{QString()};
    for (const QString &word : text.split(' ')) {
        if (!lines.last().isEmpty() && lines.last().size() + 1 + word.size() > lineLength)
            lines << QString();
        lines.last() += (lines.last().isEmpty() ? "" : " ") + word;
    }
    return lines;
}

QStringList findingTextLines(const ReadinessReport &report)
{
    QStringList lines;
    for (size_t i = 0; i < report.findings.size(); ++i)
        lines << wrapped(QString("%1. %2").arg(i + 1).arg(report.findings[i].text));
    return lines;
}

// The findings' sentences under the map.
QByteArray findingLines(const QStringList &lines)
{
    QByteArray svg;
    for (int i = 0; i < lines.size(); ++i)
        svg += "<text x=\"8\" y=\"" + QByteArray::number(mapHeight + 20 + i * lineHeight) + "\">"
               + escaped(lines[i]) + "</text>\n";
    return svg;
}

} // namespace

QByteArray blockMapSvg(const ReadinessReport &report, const QString &title)
{
    const BlockMapGrid grid(report, gridWidth, gridHeight);
    const int legendLines = int(report.projects.size() + grid.offMap().size()) + 3;
    const QStringList findingText = findingTextLines(report);
    const int height = std::max(mapHeight, 24 + legendLines * lineHeight) + 12 + int(findingText.size()) * lineHeight;
    QByteArray svg = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<svg xmlns=\"http://www.w3.org/2000/svg\" width=\""
                     + QByteArray::number(mapWidth + legendWidth) + "\" height=\"" + QByteArray::number(height)
                     + "\" font-family=\"sans-serif\" font-size=\"12\">\n<title>" + escaped(title) + "</title>\n";
    svg += "<rect width=\"100%\" height=\"100%\" fill=\"#ffffff\"/>\n";
    svg += "<rect width=\"" + QByteArray::number(mapWidth) + "\" height=\"" + QByteArray::number(mapHeight)
           + "\" fill=\"#f4f4f0\"/>\n";
    svg += dots(grid) + findingMarks(report, grid) + scaleAndNorth(grid) + legend(report, grid)
           + findingLines(findingText);
    return svg + "</svg>\n";
}

bool writeBlockMapSvg(const QString &path, const ReadinessReport &report, const QString &title)
{
    AtomicFile file(path.toLocal8Bit());
    FILE *out = file.open(platform::LineEnds::Unchanged);
    if (!out)
        return false;
    const QByteArray svg = blockMapSvg(report, title);
    std::fwrite(svg.constData(), 1, size_t(svg.size()), out);
    return file.commit();
}
