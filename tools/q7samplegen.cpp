// q7samplegen: writes source projects for trying out, testing and measuring
// merges. Each project is a folder holding its project file, its position file
// and Adjustment/<name>_ori.q7c. The last images of a project are the first
// images of the next one (same file name, other folder), as where flight
// blocks overlap. Everything follows from the counts: the same arguments
// always write the same bytes.
//
// Options make the mistakes a merge should be warned of: a block shifted by an
// offset, a block in degrees, a block that shares no image, a shared image
// moved, a name listed twice in a position file.

#include "numericlocale.h"
#include "projectfile.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <cmath>
#include <cstdio>
#include <set>

namespace {

// M_PI is not standard C++: MinGW leaves it out in strict mode.
constexpr double pi = 3.14159265358979323846;

struct Layout
{
    int projects = 3;
    int images = 20;  // per project
    int cameras = 2;  // per project
    int shared = 1;   // images a project shares with the next one
    // Projects (from 0) with a mistake made on purpose.
    std::set<int> shifted;  // every position moved by shift
    std::set<int> degrees;  // positions as longitude and latitude
    std::set<int> isolated; // image names no other project has
    std::set<int> moved;    // the first shared image moved by 5 m
    std::set<int> twice;    // the position file lists its first image again
    double shiftX = 25.0, shiftY = 10.0;
};

QString projectName(int project)
{
    return QString("block%1").arg(project + 1, 2, 10, QChar('0'));
}

// The global number of image i of a project: neighbours overlap by `shared`.
long imageNumber(const Layout &layout, int project, int i)
{
    return long(project) * (layout.images - layout.shared) + i + 1;
}

QByteArray imagePath(const Layout &layout, int project, long number)
{
    return QString("/survey/photos/%1/%2_%3.JPG")
        .arg(projectName(project))
        .arg(layout.isolated.count(project) ? "GAP" : "IMG")
        .arg(number, 7, 10, QChar('0'))
        .toUtf8();
}

// Images are taken by the project's cameras in consecutive runs.
int cameraOf(const Layout &layout, int i)
{
    return int(long(i) * layout.cameras / layout.images);
}

struct Pose
{
    double x, y, z, kappa;
    int strip;
};

Pose poseOf(long number)
{
    const int perStrip = 40;
    const int strip = int(number / perStrip);
    const int along = int(number % perStrip);
    const double kappa = (strip % 2 == 0) ? 0.0 : pi;
    return {512000.0 + along * 35.25, 3340000.0 + strip * 60.5, 812.0 + (number % 7) * 0.375, kappa, strip + 1};
}

// Image i's pose as project lists it, mistakes included.
Pose projectPose(const Layout &layout, int project, int i)
{
    Pose pose = poseOf(imageNumber(layout, project, i));
    if (layout.shifted.count(project)) {
        pose.x += layout.shiftX;
        pose.y += layout.shiftY;
    }
    const int firstShared = project > 0 ? 0 : layout.images - layout.shared;
    if (layout.moved.count(project) && i == firstShared && layout.shared > 0)
        pose.x += 5.0;
    if (layout.degrees.count(project)) {
        pose.x = 117.0 + (pose.x - 500000.0) / 96000.0;
        pose.y = 30.0 + (pose.y - 3320000.0) / 110900.0;
    }
    return pose;
}

void writePositionLine(FILE *file, const Layout &layout, int project, int i, double dz)
{
    const long number = imageNumber(layout, project, i);
    const Pose pose = projectPose(layout, project, i);
    // Odd projects list bare file names, even ones full paths.
    QByteArray name = imagePath(layout, project, number);
    if (project % 2 == 1)
        name = name.mid(name.lastIndexOf('/') + 1);
    std::fprintf(file, "%s %.3f %.3f %.3f %.6f %.6f %.6f %d\n", name.constData(), pose.x, pose.y, pose.z + dz,
                 0.5 - (number % 3) * 0.25, -0.125, pose.kappa * 180.0 / pi, pose.strip);
}

bool writePositions(const Layout &layout, int project, const QString &path)
{
    FILE *file = std::fopen(QFile::encodeName(path).constData(), "w");
    if (!file)
        return false;
    for (int i = 0; i < layout.images; ++i)
        writePositionLine(file, layout, project, i, 0.0);
    if (layout.twice.count(project))
        writePositionLine(file, layout, project, 0, 0.5);
    return std::fclose(file) == 0;
}

bool writeOrientation(const Layout &layout, int project, const QString &path)
{
    FILE *file = std::fopen(QFile::encodeName(path).constData(), "w");
    if (!file)
        return false;
    std::fprintf(file, "%d %d 0\n", layout.images, layout.cameras);
    for (int c = 0; c < layout.cameras; ++c) {
        const double focal = 24.0 + project * 0.5 + c * 11.0;
        std::fprintf(file, "%d %d %d %.9f %.9f %.6f %.6f %.9g %.9g %.9g %.9g %.9g %.9g 0 0\n", c,
                     6000 + 2000 * c, 4000 + 1000 * c, 0.0039, focal, 3000.5 + c, 2000.25 - c,
                     -1.25e-9 * (c + 1), 3.5e-16, 0.0, 0.0, 2.0e-8, -1.0e-8);
    }
    for (int i = 0; i < layout.images; ++i) {
        const long number = imageNumber(layout, project, i);
        const Pose pose = projectPose(layout, project, i);
        const double c = std::cos(pose.kappa), s = std::sin(pose.kappa);
        std::fprintf(file, "%d %d %d\n%s\n", i, cameraOf(layout, i), pose.strip,
                     imagePath(layout, project, number).constData());
        std::fprintf(file, "%.12f %.12f 0 %.12f %.12f 0 0 0 1\n", c, -s, s, c);
        std::fprintf(file, "%.6f %.6f %.6f\n", pose.x + 0.011, pose.y - 0.017, pose.z + 0.004);
    }
    return std::fclose(file) == 0;
}

bool writeProject(const Layout &layout, int project, const QString &folder)
{
    const QString name = projectName(project);
    const QString dir = folder + "/" + name;
    if (!QDir().mkpath(dir + "/Adjustment"))
        return false;
    ProjectParams params;
    params.prj_dir = dir;
    params.prj_name = name;
    params.num_images = layout.images;
    params.pos_file = dir + "/" + name + "_xyz.txt";
    params.use_gps = 1;
    params.use_imu = project % 2;
    params.grd_height = 812.5 + project;
    params.key_density = project == 0 ? "High" : "Normal";
    params.map_projection = "WGS 84 / UTM zone 50N";
    params.recon_boundbox = {512000.0, 3340000.0, 700.0, 514000.0, 3350000.0, 900.0};
    return writePositions(layout, project, params.pos_file)
           && writeOrientation(layout, project, dir + "/Adjustment/" + name + "_ori.q7c")
           && writeProjectFile(dir + "/" + name + ".Q7D", params);
}

int intOption(const QCommandLineParser &parser, const QString &name, int least)
{
    bool ok = false;
    const int value = parser.value(name).toInt(&ok);
    if (!ok || value < least) {
        std::fprintf(stderr, "q7samplegen: --%s needs a whole number of at least %d\n",
                     qPrintable(name), least);
        std::exit(2);
    }
    return value;
}

// The projects (numbered from 1) given to a repeatable option, from 0.
std::set<int> projectsOption(const QCommandLineParser &parser, const QString &name, int projects)
{
    std::set<int> chosen;
    for (const QString &value : parser.values(name)) {
        bool ok = false;
        const int project = value.toInt(&ok);
        if (!ok || project < 1 || project > projects) {
            std::fprintf(stderr, "q7samplegen: --%s needs a project number from 1 to %d\n", qPrintable(name),
                         projects);
            std::exit(2);
        }
        chosen.insert(project - 1);
    }
    return chosen;
}

void readShift(const QCommandLineParser &parser, Layout &layout)
{
    const QStringList parts = parser.value("offset").split(',');
    bool okX = false, okY = false;
    layout.shiftX = parts.value(0).toDouble(&okX);
    layout.shiftY = parts.value(1).toDouble(&okY);
    if (parts.size() != 2 || !okX || !okY) {
        std::fprintf(stderr, "q7samplegen: --offset needs DX,DY\n");
        std::exit(2);
    }
}

void readMistakes(const QCommandLineParser &parser, Layout &layout)
{
    layout.shifted = projectsOption(parser, "shift", layout.projects);
    layout.degrees = projectsOption(parser, "degrees", layout.projects);
    layout.isolated = projectsOption(parser, "isolated", layout.projects);
    layout.moved = projectsOption(parser, "move-shared", layout.projects);
    layout.twice = projectsOption(parser, "name-twice", layout.projects);
    readShift(parser, layout);
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const CNumericLocale cNumbers; // the files spell numbers with '.'
    QCommandLineParser parser;
    parser.setApplicationDescription("Writes source projects whose neighbours share images.");
    parser.addHelpOption();
    parser.addOptions({{"projects", "Number of projects.", "N", "3"},
                       {"images", "Images per project.", "M", "20"},
                       {"cameras", "Cameras per project.", "C", "2"},
                       {"shared", "Percent of a project's images shared with the next.", "P", "5"},
                       {"shift", "Shift every position of project N by --offset (repeatable).", "N"},
                       {"offset", "The shift of --shift in X and Y.", "DX,DY", "25,10"},
                       {"degrees", "Write project N's positions in degrees (repeatable).", "N"},
                       {"isolated", "Give project N image names no other project has (repeatable).", "N"},
                       {"move-shared", "Move project N's first shared image by 5 in X (repeatable).", "N"},
                       {"name-twice", "List project N's first image twice in its position file (repeatable).", "N"}});
    parser.addPositionalArgument("folder", "Folder that receives one folder per project.");
    parser.process(app);
    if (parser.positionalArguments().size() != 1)
        parser.showHelp(2);

    Layout layout;
    layout.projects = intOption(parser, "projects", 1);
    layout.images = intOption(parser, "images", 1);
    layout.cameras = std::min(intOption(parser, "cameras", 1), layout.images);
    const int percent = intOption(parser, "shared", 0);
    layout.shared = std::min(layout.images - 1, int(std::lround(layout.images * percent / 100.0)));
    if (percent > 0 && layout.images > 1)
        layout.shared = std::max(layout.shared, 1);
    readMistakes(parser, layout);

    const QString folder = parser.positionalArguments().first();
    for (int p = 0; p < layout.projects; ++p) {
        if (!writeProject(layout, p, folder)) {
            std::fprintf(stderr, "q7samplegen: cannot write %s\n", qPrintable(folder + "/" + projectName(p)));
            return 1;
        }
    }
    return 0;
}
