#include "linkedoutput.h"

#include "translatedtext.h"

#include <QCoreApplication>
#include <QFileInfo>

QString findLinkedOutput(const MergeOutputs &outputs)
{
    for (const NamedFile &file : namedFiles(outputs)) {
        if (QFileInfo(file.path).isSymLink())
            return tr("The %1 %2 is a symbolic link; a merge does not write through it.")
                .arg(file.what, file.path);
    }
    return QString();
}
