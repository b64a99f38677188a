// q7samplegen: writes source projects for trying out, testing and measuring
// merges. Each project is a folder holding its project file, its position file
// and Adjustment/<name>_ori.q7c. The last images of a project are the first
// images of the next one (same file name, other folder), as where flight
// blocks overlap. Everything follows from the counts: the same arguments
// always write the same bytes.

#include "numericlocale.h"
#include "projectfile.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <cmath>
#include <cstdio>

namespace {

struct Layout
{
    int projects = 3;
    int images = 20;  // per project
    int cameras = 2;  // per project
    int shared = 1;   // images a project shares with the next one
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

QByteArray imagePath(int project, long number)
{
    return QString("/survey/photos/%1/IMG_%2.JPG")
        .arg(projectName(project))
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
    const double kappa = (strip % 2 == 0) ? 0.0 : M_PI;
    return {512000.0 + along * 35.25, 3340000.0 + strip * 60.5, 812.0 + (number % 7) * 0.375, kappa, strip + 1};
}

bool writePositions(const Layout &layout, int project, const QString &path)
{
    FILE *file = std::fopen(QFile::encodeName(path).constData(), "w");
    if (!file)
        return false;
    for (int i = 0; i < layout.images; ++i) {
        const long number = imageNumber(layout, project, i);
        const Pose pose = poseOf(number);
        // Odd projects list bare file names, even ones full paths.
        QByteArray name = imagePath(project, number);
        if (project % 2 == 1)
            name = name.mid(name.lastIndexOf('/') + 1);
        std::fprintf(file, "%s %.3f %.3f %.3f %.6f %.6f %.6f %d\n", name.constData(), pose.x, pose.y,
                     pose.z, 0.5 - (number % 3) * 0.25, -0.125, pose.kappa * 180.0 / M_PI, pose.strip);
    }
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
        const Pose pose = poseOf(number);
        const double c = std::cos(pose.kappa), s = std::sin(pose.kappa);
        std::fprintf(file, "%d %d %d\n%s\n", i, cameraOf(layout, i), pose.strip,
                     imagePath(project, number).constData());
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
                       {"shared", "Percent of a project's images shared with the next.", "P", "5"}});
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

    const QString folder = parser.positionalArguments().first();
    for (int p = 0; p < layout.projects; ++p) {
        if (!writeProject(layout, p, folder)) {
            std::fprintf(stderr, "q7samplegen: cannot write %s\n", qPrintable(folder + "/" + projectName(p)));
            return 1;
        }
    }
    return 0;
}
