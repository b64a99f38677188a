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

// The first letter of name that the local 8-bit encoding cannot hold (on
// Windows the ANSI code page), a lone surrogate as its code; empty when it
// holds them all.
QString unwritableLetter(const QString &name)
{
    for (int i = 0; i < name.size(); ++i) {
        const bool pair = name[i].isHighSurrogate() && i + 1 < name.size() && name[i + 1].isLowSurrogate();
        const QString letter = name.mid(i, pair ? 2 : 1);
        if (letter.at(0).isSurrogate() && !pair)
            return QString("U+%1").arg(letter.at(0).unicode(), 4, 16, QChar('0')).toUpper();
        if (QString::fromLocal8Bit(letter.toLocal8Bit()) != letter)
            return letter;
        i += pair ? 1 : 0;
    }
    return QString();
}

} // namespace

int longestProjectNameBytes()
{
    return fileNameBytes - longestSuffixBytes;
}

Problem projectNameProblem(const QString &name)
{
    if (name.isEmpty())
        return Problem();
    if (name == "." || name == "..")
        return tr("The project name \"%1\" names a folder, not a new project.").arg(name);
    const QString character = forbiddenCharacter(name);
    if (!character.isEmpty())
        return tr("The project name must not contain %1.").arg(character);
    const QString letter = unwritableLetter(name);
    if (!letter.isEmpty())
        return tr("The project name \"%1\" cannot be written in this system's encoding, which has no \"%2\".")
            .arg(name, letter);
    const QByteArray local = name.toLocal8Bit();
    if (local.size() > longestProjectNameBytes())
        return tr("The project name is %1 bytes long; at most %2 fit in the names of its files.")
            .arg(local.size())
            .arg(longestProjectNameBytes());
    return Problem();
}
