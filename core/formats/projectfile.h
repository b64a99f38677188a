#ifndef PROJECTFILE_H
#define PROJECTFILE_H

#include <QString>
#include <array>

// The parameters of a project file (".Q7D"). A merge presets a record with
// these defaults, fills it from the first source project's file, replaces what
// describes the new project (folder, name, image count, position file) and
// writes it as the new project's file.
struct ProjectParams
{
    QString prj_name;           // the file name up to its first '.'; no element
    QString prj_dir;            // the folder holding the file; no element
    int num_images = 0;
    QString pos_file;
    int use_gps = 0;            // 1 or 0
    int use_imu = 0;            // 1 or 0
    double grd_height = 0.0;    // average ground height
    QString key_density = QStringLiteral("High");
    QString select_pair_mode = QStringLiteral("Intelligent");
    QString map_projection = QStringLiteral("NOT DEFINE");
    double ortho_image_downsample = 3.0;
    double mesh_tile_size = 1800.0;
    std::array<double, 6> recon_boundbox{}; // carried through in file order
};

// Sets prj_dir and prj_name from path, then loads the file and takes every
// parameter whose element the root "q7d_project" has; the others keep their
// values. False when the file cannot be opened or parsed (then only prj_dir
// and prj_name have changed).
bool readProjectFile(QString path, ProjectParams &params);

// Whether path names a regular file that can be read and parsed as a project
// file, with the root element "q7d_project".
bool isProjectFile(const QString &path);

// Writes params to path (the new project's prj_dir + "/" + prj_name + ".Q7D"),
// replacing any file there once the new one is written whole. False when the file cannot be
// created or written; the file that was there then stays as it was.
bool writeProjectFile(const QString &path, const ProjectParams &params);

#endif // PROJECTFILE_H
