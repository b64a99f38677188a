#include "linkedoutput.h"

#include "platform.h"
#include "shownpath.h"
#include "translatedtext.h"

#include <QCoreApplication>
#include <QFile>
#include <vector>


Problem findLinkedOutput(const MergeOutputs &outputs)
{
    std::vector<NamedFile> entries = {{tr("project folder"), outputs.folder},
                                      {tr("Adjustment folder"), outputs.adjustment},
                                      {tr("Log folder"), outputs.folder + "//Log"}};
    const std::vector<NamedFile> files = namedFiles(outputs);
    entries.insert(entries.end(), files.begin(), files.end());
    for (const NamedFile &file : entries) {
        if (platform::entryAt(QFile::encodeName(file.path)).kind == platform::EntryKind::Link)
            return tr("The %1 %2 is a symbolic link; a merge does not write through it.")
                .arg(file.what, shownPath(file.path));
    }
    return Problem();
}
