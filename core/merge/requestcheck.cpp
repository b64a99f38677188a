#include "requestcheck.h"

#include "mergeoutputs.h"
#include "sourceclash.h"
#include "translatedtext.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <vector>

MissingField missingField(const MergeRequest &request)
{
    if (request.prjDir.isEmpty())
        return MissingField::PrjDir;
    return request.prjName.isEmpty() ? MissingField::PrjName : MissingField::None;
}

QString missingFieldText(MissingField field)
{
    switch (field) {
    case MissingField::PrjDir:
        return tr("Please enter the saved path.");
    case MissingField::PrjName:
        return tr("Please enter a save file name.");
    case MissingField::None:
        break;
    }
    return QString();
}

bool holdsProject(const MergeRequest &request)
{
    for (const NamedFile &file : namedFiles(mergeOutputs(request))) {
        if (QFileInfo::exists(file.path))
            return true;
    }
    return false;
}

QStringList repeatedProjects(const QStringList &projectFiles)
{
    std::vector<ComparedFile> seen;
    QStringList repeated;
    for (const QString &file : projectFiles) {
        const ComparedFile compared = comparedFile(file);
        if (holdsFile(seen, compared))
            repeated << file;
        seen.push_back(compared);
    }
    return repeated;
}
