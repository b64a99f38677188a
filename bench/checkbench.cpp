// q7checkbench: the readiness check measured beside the position export, and
// the map's drawing, on the same source projects. One measure a run, so that
// each run's peak memory is its own:
//
//   q7checkbench export OUT_XYZ PROJECT.Q7D...   the position export
//   q7checkbench check PROJECT.Q7D...            the check, as --check runs it
//   q7checkbench map PROJECT.Q7D...              the map of the dialog drawn
//
// Prints "<what>: <milliseconds> ms" and "peak memory: <KiB> KiB".

#include "blockmapview.h"
#include "positionfile.h"
#include "readinesscheck.h"

#include <QElapsedTimer>
#include <QGuiApplication>
#include <QPainter>
#include <cstdio>
#include <sys/resource.h>

namespace {

// The dialog's map at its size on a large screen.
constexpr int mapWidth = 1000;
constexpr int mapHeight = 750;

std::vector<ProjectEntry> entries(const QStringList &files)
{
    std::vector<ProjectEntry> projects;
    for (const QString &file : files)
        projects.push_back(makeProjectEntry(file));
    return projects;
}

qint64 exportMs(const QString &out, const std::vector<ProjectEntry> &projects)
{
    QStringList xyzFiles;
    for (const ProjectEntry &project : projects)
        xyzFiles << project.xyzFile;
    QElapsedTimer timer;
    timer.start();
    writeMergedPositions(xyzFiles, out, nullptr);
    return timer.elapsed();
}

qint64 checkMs(const std::vector<ProjectEntry> &projects)
{
    QElapsedTimer timer;
    timer.start();
    const ReadinessReport report = checkReadiness(projects);
    std::fprintf(stderr, "%d findings\n", int(report.findings.size()));
    return timer.elapsed();
}

// As the view paints: the cells filled, their dots drawn, the picture shown.
qint64 mapMs(const std::vector<ProjectEntry> &projects)
{
    const ReadinessReport report = checkReadiness(projects, Tolerances{}, MapPoints::Kept);
    QImage window(mapWidth, mapHeight, QImage::Format_RGB32);
    QElapsedTimer timer;
    timer.start();
    const QImage dots = blockMapImage(report, mapWidth, mapHeight, 0, {}, {}, nullptr, nullptr);
    QPainter painter(&window);
    painter.drawImage(0, 0, dots);
    painter.end();
    const qint64 ms = timer.elapsed();
    std::fprintf(stderr, "%zu positions\n", report.points.size());
    return ms;
}

} // namespace

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    QStringList arguments = app.arguments().mid(1);
    const QString mode = arguments.value(0);
    arguments.removeFirst();
    qint64 ms = -1;
    if (mode == "export" && arguments.size() >= 2)
        ms = exportMs(arguments.takeFirst(), entries(arguments));
    else if (mode == "check" && !arguments.isEmpty())
        ms = checkMs(entries(arguments));
    else if (mode == "map" && !arguments.isEmpty())
        ms = mapMs(entries(arguments));
    if (ms < 0) {
        std::fprintf(stderr, "usage: q7checkbench export OUT_XYZ|check|map PROJECT.Q7D...\n");
        return 2;
    }
    rusage self{};
    getrusage(RUSAGE_SELF, &self);
    std::printf("%s: %lld ms\npeak memory: %ld KiB\n", qPrintable(mode), static_cast<long long>(ms), self.ru_maxrss);
    return 0;
}
