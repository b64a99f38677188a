#include "solverinputlist.h"

#include "atomicfile.h"

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

bool makeQ7cList(const QString &listPath, const std::vector<ProjectEntry> &projects)
{
    if (projects.empty())
        return true;
    qDebug().noquote() << "makeQ7cList : " << listPath;

    AtomicFile list(listPath.toLocal8Bit());
    FILE *file = list.open(platform::LineEnds::Text);
    if (!file)
        return false;
    for (const ProjectEntry &entry : projects)
        std::fprintf(file, "%-s\n", entry.oriFile.toLocal8Bit().constData());
    return list.commit();
}
