#include "solverinputlist.h"

#include <QDebug>
#include <cstdio>

void readList(const QStringList &items, std::vector<ProjectEntry> &projects)
{
    qDebug().noquote() << "readList";
    projects.clear();
    for (const QString &item : items)
        processPath(item, projects);
}

void processPath(QString path, std::vector<ProjectEntry> &projects)
{
    qDebug().noquote() << "processPath";
    if (path == QLatin1String("NULL"))
        return;
    projects.push_back(makeProjectEntry(path));
}

void makeQ7cList(QString outDir, QString prjName,
                 const std::vector<ProjectEntry> &projects, QString &listFilePath)
{
    if (projects.empty())
        return;
    listFilePath = outDir + "//" + prjName + ".txt";
    qDebug().noquote() << "makeQ7cList : " << listFilePath;

    // "w" creates the file or empties the one there.
    FILE *file = std::fopen(listFilePath.toLocal8Bit().constData(), "w");
    if (!file)
        return;
    for (const ProjectEntry &entry : projects)
        std::fprintf(file, "%-s\n", entry.oriFile.toLocal8Bit().constData());
    std::fclose(file);
}
