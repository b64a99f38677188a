#include "projectfile.h"

#include "atomicfile.h"
#include "numericlocale.h"

#include <QDebug>
#include <QDir>
#include <QFileInfo>
#include <QStringList>
#include <cstdio>
#include <pugixml.hpp>
#include <vector>

namespace {

// The merge writes the image list as "<name>.lst". Where file names ignore
// case (Windows) the project file names it with the suite's traditional
// ".Lst"; elsewhere only the exact name finds the file.
const char *const imageListSuffix = platform::fileNamesIgnoreCase ? ".Lst" : ".lst";

const char rootName[] = "q7d_project";

// Leaves field as it is when root has no element key; an element without
// "value" counts as an empty value.
void readValue(const pugi::xml_node &root, const char *key, QString &field)
{
    if (const pugi::xml_node element = root.child(key))
        field = QString::fromUtf8(element.attribute("value").value());
}

void readValue(const pugi::xml_node &root, const char *key, int &field)
{
    if (const pugi::xml_node element = root.child(key))
        field = element.attribute("value").as_int(0);
}

void readValue(const pugi::xml_node &root, const char *key, double &field)
{
    if (const pugi::xml_node element = root.child(key))
        field = element.attribute("value").as_double(0);
}

// Six comma-separated numbers; any other count leaves the box as it is, and a
// piece that is not a number as a whole reads as 0.
void readValue(const pugi::xml_node &root, const char *key, std::array<double, 6> &box)
{
    const pugi::xml_attribute value = root.child(key).attribute("value");
    if (!value)
        return;
    const QStringList pieces = QString::fromUtf8(value.value()).split(QLatin1Char(','));
    if (pieces.size() != int(box.size()))
        return;
    for (size_t i = 0; i < box.size(); ++i)
        box[i] = pieces[int(i)].toDouble();
}

// One number in a printf format ("%d" or "%.17g", at most 24 characters).
template <typename Number>
QByteArray printed(const char *format, Number value)
{
    char text[32];
    std::snprintf(text, sizeof text, format, value);
    return text;
}

QByteArray boundBoxText(const std::array<double, 6> &box)
{
    QStringList numbers;
    for (double value : box)
        numbers << QString::number(value, 'f', 8);
    return numbers.join(QLatin1Char(',')).toUtf8();
}

struct ParameterLine
{
    const char *key;
    QByteArray value; // UTF-8
    const char *description;
};

// The parameters in the order the file lists them.
std::vector<ParameterLine> parameterLines(const ProjectParams &params)
{
    const QString imageList = params.prj_dir + "/" + params.prj_name + imageListSuffix;
    return {
        {"image_lst", QDir::toNativeSeparators(imageList).toUtf8(), "image list file path"},
        {"pos_file", QDir::toNativeSeparators(params.pos_file).toUtf8(), "pos file path"},
        {"use_gps", printed("%d", params.use_gps), "use gps data or not (1/0)?"},
        {"use_imu", printed("%d", params.use_imu), "use imu data or not (1/0)?"},
        {"grd_height", printed("%.17g", params.grd_height), "the average ground height."},
        {"key_density", params.key_density.toUtf8(),
         "extract Normal or High density key points."},
        {"mesh_tile_size", printed("%.17g", params.mesh_tile_size),
         "The size of the reconstructed tile"},
        {"select_pair_mode", params.select_pair_mode.toUtf8(), "Pair selection mode."},
        {"num_images", printed("%d", params.num_images), "Num of Images in Project."},
        {"ortho_image_downsample", printed("%.17g", params.ortho_image_downsample),
         "Downsample the images when generate orthophoto."},
        {"map_projection", params.map_projection.toUtf8(), "map projection infomation."},
        {"recon_boundbox", boundBoxText(params.recon_boundbox),
         "bound box of reconstruction area."},
    };
}

// A project file holds a few dozen values; this leaves room for any comments.
constexpr qint64 largestProjectFile = 16 * 1024 * 1024;

// Only a regular file is handed to the parser: a folder opens as a stream
// of unknown length, and a pipe or device could block or never end. The
// parser holds the whole file in memory: a file far larger than any project
// file (a wrong or sparse one) is not read.
bool loadDocument(const QString &path, pugi::xml_document &document)
{
    const QFileInfo info(path);
    if (!info.isFile())
        return false;
    if (info.size() > largestProjectFile) {
        qDebug().noquote() << path << "is too large for a project file, not read";
        return false;
    }
    return document.load_file(path.toLocal8Bit().constData());
}

} // namespace

bool readProjectFile(QString path, ProjectParams &params)
{
    const QFileInfo info(path);
    params.prj_dir = info.path();
    params.prj_name = info.baseName();

    pugi::xml_document document;
    if (!loadDocument(path, document))
        return false;

    const CNumericLocale cNumbers;
    const pugi::xml_node root = document.child(rootName);
    readValue(root, "pos_file", params.pos_file);
    readValue(root, "use_gps", params.use_gps);
    readValue(root, "use_imu", params.use_imu);
    readValue(root, "grd_height", params.grd_height);
    readValue(root, "key_density", params.key_density);
    readValue(root, "mesh_tile_size", params.mesh_tile_size);
    readValue(root, "select_pair_mode", params.select_pair_mode);
    readValue(root, "num_images", params.num_images);
    readValue(root, "ortho_image_downsample", params.ortho_image_downsample);
    readValue(root, "map_projection", params.map_projection);
    readValue(root, "recon_boundbox", params.recon_boundbox);
    return true;
}

bool isProjectFile(const QString &path)
{
    pugi::xml_document document;
    return loadDocument(path, document) && document.child(rootName);
}

bool writeProjectFile(const QString &path, const ProjectParams &params)
{
    pugi::xml_document document;
    document.prepend_child(pugi::node_declaration).append_attribute("encoding") = "utf-8";
    pugi::xml_node root = document.append_child(rootName);
    const pugi::xml_node description = root.append_child("description");
    description.text().set("Quorvane project file.");

    const CNumericLocale cNumbers;
    for (const ParameterLine &line : parameterLines(params)) {
        pugi::xml_node element = root.insert_child_before(line.key, description);
        element.append_attribute("value") = line.value.constData();
        element.append_attribute("name") = line.description;
    }

    AtomicFile projectFile(path.toLocal8Bit());
    FILE *file = projectFile.open(platform::LineEnds::Unchanged);
    if (!file)
        return false;
    pugi::xml_writer_file writer(file);
    document.save(writer, "\t", pugi::format_indent, pugi::encoding_auto);
    return projectFile.commit();
}
