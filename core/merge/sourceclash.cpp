#include "sourceclash.h"

#include "mergeoutputs.h"
#include "projectentry.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <sys/stat.h>
#include <vector>

namespace {

QString tr(const char *text)
{
    return QCoreApplication::translate("mergeprj", text);
}

// One file as the comparison sees it.
struct FileIdentity
{
    QString shownPath; // as the merge forms it, for the message
    QString what;
    QString resolved;
    bool exists = false;
    dev_t device = 0;
    ino_t inode = 0;
};

FileIdentity identify(const NamedFile &named)
{
    FileIdentity file{named.path, named.what, resolvedPath(named.path)};
    struct stat info;
    if (stat(QFile::encodeName(file.resolved).constData(), &info) == 0) {
        file.exists = true;
        file.device = info.st_dev;
        file.inode = info.st_ino;
    }
    return file;
}

bool sameFile(const FileIdentity &a, const FileIdentity &b)
{
    return a.resolved == b.resolved
           || (a.exists && b.exists && a.device == b.device && a.inode == b.inode);
}

std::vector<FileIdentity> identify(const std::vector<NamedFile> &files)
{
    std::vector<FileIdentity> identities;
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
    const std::vector<FileIdentity> outputs = identify(namedFiles(plan.outputs));
    for (const ProjectEntry &project : plan.projects) {
        for (const FileIdentity &source : identify(namedFiles(project))) {
            for (const FileIdentity &output : outputs) {
                if (sameFile(output, source))
                    return tr("The new project's %1 %2 would overwrite the %3 of the source project %4. "
                              "Nothing was written: choose another folder or name for the new project.")
                        .arg(output.what, output.shownPath, source.what, project.prjFile);
            }
        }
    }
    return QString();
}
