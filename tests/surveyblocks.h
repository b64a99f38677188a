#ifndef SURVEYBLOCKS_H
#define SURVEYBLOCKS_H

// Blocks cut from a real drone survey (tests/data/survey/agung-positions.txt:
// four adjacent flights and a few images with mistakes), written as source
// projects with the mistakes operators make.

#include "projectentry.h"
#include "projectfile.h"
#include "testfiles.h"

#include <QFile>
#include <QStringList>
#include <cmath>
#include <map>
#include <vector>

struct SurveyImage
{
    QString shortName, fullName; // DJI_0345.JPG, and the name with its time
    double longitude, latitude, altitude, east, north;
};

// The survey's images by task ("task-ne", ... and "issues"), in file order.
inline std::map<QString, std::vector<SurveyImage>> readSurvey()
{
    std::map<QString, std::vector<SurveyImage>> tasks;
    QFile file(QStringLiteral(Q7_SOURCE_DIR "/tests/data/survey/agung-positions.txt"));
    if (!file.open(QIODevice::ReadOnly))
        return tasks;
    while (!file.atEnd()) {
        const QStringList f = QString::fromUtf8(file.readLine()).split(' ', Qt::SkipEmptyParts);
        tasks[f[0]].push_back({f[1], f[2], f[3].toDouble(), f[4].toDouble(), f[5].toDouble(), f[6].toDouble(),
                               f[7].toDouble()});
    }
    return tasks;
}

// How a block is written.
struct BlockForm
{
    enum Unit { Metres, LonLat, LatLon } unit = Metres;
    double east = 0, north = 0, up = 0; // metres added to every position
    bool shortNames = false;
    bool lowerCase = false;
    int withoutFix = 0; // the first images written as 0 0 0
};

// One position file line per image.
inline QByteArray positionLines(const std::vector<SurveyImage> &images, const BlockForm &form)
{
    // Metres to degrees near the survey (8.3° S).
    constexpr double metresPerLatitude = 110598.0, metresPerLongitude = 110166.0;
    QByteArray lines;
    for (size_t i = 0; i < images.size(); ++i) {
        const SurveyImage &image = images[i];
        QString name = form.shortNames ? image.shortName : image.fullName;
        if (form.lowerCase)
            name = name.toLower();
        double x = image.east + form.east, y = image.north + form.north;
        if (form.unit != BlockForm::Metres) {
            x = image.longitude + form.east / metresPerLongitude;
            y = image.latitude + form.north / metresPerLatitude;
            if (form.unit == BlockForm::LatLon)
                std::swap(x, y);
        }
        const bool fix = int(i) >= form.withoutFix && image.altitude != 0;
        lines += QString("%1 %2 %3 %4 0.0 -80.0 90.0 1\n")
                     .arg(name)
                     .arg(fix ? x : 0, 0, 'f', 8)
                     .arg(fix ? y : 0, 0, 'f', 8)
                     .arg(fix ? image.altitude + form.up : 0, 0, 'f', 3)
                     .toUtf8();
    }
    return lines;
}

// Writes folder/blockN.Q7D (naming projection) and its position file.
inline ProjectEntry writeBlock(const QString &folder, int n, const QByteArray &lines, const QString &projection)
{
    const QString file = QString("%1/block%2.Q7D").arg(folder).arg(n);
    ProjectEntry entry = makeProjectEntry(file);
    ProjectParams params;
    params.pos_file = entry.xyzFile;
    params.map_projection = projection;
    writeProjectFile(file, params);
    writeBytes(entry.xyzFile, lines);
    return entry;
}

#endif // SURVEYBLOCKS_H
