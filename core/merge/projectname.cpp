#include "projectname.h"

#include "atomicfile.h"
#include "translatedtext.h"

#include <QCoreApplication>

namespace {

// The longest file name a merge makes from the name: the position file's
// new file beside its place, NAME_xyz.txt.part<pid>-<n>.
constexpr int longestSuffixBytes = int(sizeof "_xyz.txt") - 1 + AtomicFile::longestSiblingSuffixBytes;
constexpr int fileNameBytes = 255;

// The first character that has no place in one path component, as the
// message names it; empty when there is none.
QString forbiddenCharacter(const QString &name)
{
    for (const QChar c : name) {
        if (c == '/' || c == '\\')
            return QString("\"%1\"").arg(c);
        if (c == QChar(0))
            return tr("a NUL character");
        if (c == '\n' || c == '\r' || c == QChar(0x2028) || c == QChar(0x2029) || c == QChar(0x85))
            return tr("a line end");
    }
    return QString();
}

} // namespace

int longestProjectNameBytes()
{
    return fileNameBytes - longestSuffixBytes;
}

QString projectNameProblem(const QString &name)
{
    if (name.isEmpty())
        return QString();
    if (name == "." || name == "..")
        return tr("The project name \"%1\" names a folder, not a new project.").arg(name);
    const QString character = forbiddenCharacter(name);
    if (!character.isEmpty())
        return tr("The project name must not contain %1.").arg(character);
    const QByteArray local = name.toLocal8Bit();
    if (QString::fromLocal8Bit(local) != name)
        return tr("The project name \"%1\" cannot be written in this system's encoding.").arg(name);
    if (local.size() > longestProjectNameBytes())
        return tr("The project name is %1 bytes long; at most %2 fit in the names of its files.")
            .arg(local.size())
            .arg(longestProjectNameBytes());
    return QString();
}
