#include "sourceclash.h"

#include "fileidentity.h"
#include "mergeoutputs.h"
#include "projectentry.h"
#include "shownpath.h"
#include "translatedtext.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <algorithm>
#include <vector>

namespace {

// One file as the comparison sees it, with how the message names it.
struct NamedComparedFile
{
    QString shownPath; // as the merge forms it, for the message
    QString what;
    ComparedFile file;
};

NamedComparedFile identify(const NamedFile &named)
{
    return {named.path, named.what, comparedFile(named.path)};
}

std::vector<NamedComparedFile> identify(const std::vector<NamedFile> &files)
{
    std::vector<NamedComparedFile> identities;
    for (const NamedFile &file : files)
        identities.push_back(identify(file));
    return identities;
}

} // namespace

ComparedFile comparedFile(const QString &path)
{
    const QString resolved = resolvedPath(path);
    return {resolved, fileIdentity(QFile::encodeName(resolved))};
}

bool sameFile(const ComparedFile &a, const ComparedFile &b)
{
    return a.resolved == b.resolved
           || (a.id.exists && b.id.exists && a.id.device == b.id.device && a.id.inode == b.id.inode);
}

bool holdsFile(const std::vector<ComparedFile> &files, const ComparedFile &file)
{
    return std::any_of(files.begin(), files.end(), [&](const ComparedFile &other) { return sameFile(other, file); });
}

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

Problem findSourceClash(const MergePlan &plan)
{
    const std::vector<NamedComparedFile> outputs = identify(namedFiles(plan.outputs));
    for (const ProjectEntry &project : plan.projects) {
        for (const NamedComparedFile &source : identify(namedFiles(project))) {
            for (const NamedComparedFile &output : outputs) {
                if (sameFile(output.file, source.file))
                    return tr("The new project's %1 %2 would overwrite the %3 of the source project %4. "
                              "Nothing was written: choose another folder or name for the new project.")
                        .arg(output.what, shownPath(output.shownPath), source.what, shownPath(project.prjFile));
            }
        }
    }
    return Problem();
}
