#include "sourceclash.h"

#include "fileidentity.h"
#include "mergeoutputs.h"
#include "projectentry.h"
#include "translatedtext.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <vector>

namespace {

// One file as the comparison sees it.
struct ComparedFile
{
    QString shownPath; // as the merge forms it, for the message
    QString what;
    QString resolved;
    FileIdentity id;
};

ComparedFile identify(const NamedFile &named)
{
    ComparedFile file{named.path, named.what, resolvedPath(named.path), {}};
    file.id = fileIdentity(QFile::encodeName(file.resolved));
    return file;
}

bool sameFile(const ComparedFile &a, const ComparedFile &b)
{
    return a.resolved == b.resolved
           || (a.id.exists && b.id.exists && a.id.device == b.id.device && a.id.inode == b.id.inode);
}

std::vector<ComparedFile> identify(const std::vector<NamedFile> &files)
{
    std::vector<ComparedFile> identities;
    for (const NamedFile &file : files)
        identities.push_back(identify(file));
    return identities;
}

} // namespace

QString resolvedPath(const QString &path)
{
    const QString absolute = QDir::isAbsolutePath(path) ? path : QDir::currentPath() + "/" + path;
    // Not QDir::cleanPath on the whole: "link/.." must go where the link leads.
    const QStringList parts = absolute.split('/', Qt::SkipEmptyParts);
    for (int kept = parts.size(); kept >= 0; --kept) {
        const QString existing = QFileInfo("/" + parts.mid(0, kept).join('/')).canonicalFilePath();
        if (!existing.isEmpty())
            return QDir::cleanPath(existing + "/" + parts.mid(kept).join('/'));
    }
    return QDir::cleanPath(absolute);
}

QString findSourceClash(const MergePlan &plan)
{
    const std::vector<ComparedFile> outputs = identify(namedFiles(plan.outputs));
    for (const ProjectEntry &project : plan.projects) {
        for (const ComparedFile &source : identify(namedFiles(project))) {
            for (const ComparedFile &output : outputs) {
                if (sameFile(output, source))
                    return tr("The new project's %1 %2 would overwrite the %3 of the source project %4. "
                              "Nothing was written: choose another folder or name for the new project.")
                        .arg(output.what, output.shownPath, source.what, project.prjFile);
            }
        }
    }
    return QString();
}
