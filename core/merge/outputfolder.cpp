#include "outputfolder.h"

#include "platform.h"
#include "shownpath.h"
#include "translatedtext.h"

#include <QCoreApplication>
#include <QDebug>
#include <QDir>
#include <QFileInfo>
#include <cerrno>

namespace {

// Makes the output folder unless a folder is there already. A plain file of
// that name is refused: nothing could be written into it. Returns an empty
// text when the folder is there, else the system's reason.
QString makeOutputFolder(const QString &outDir)
{
    platform::SystemError error;
    if (!QDir().exists(outDir)) {
        error = platform::makeFolder(QFile::encodeName(outDir)); // one level only
        qDebug() << !error;
    } else if (QFileInfo(outDir).isDir()) {
        qDebug().noquote() << "wenjianjiayi cun zai";
        return QString();
    } else {
        qDebug().noquote() << outDir << "is not a folder";
        error = {ENOTDIR};
    }
    qDebug().noquote() << (error ? "wenjianjiachuanjianshibai" : "wenjianjiachuanjianchenggong");
    return error ? error.reason() : QString();
}

} // namespace

bool makeq7cListFile(const QString &outDir, UserMessages &messages)
{
    qDebug().noquote() << "makeq7cListFile: " + outDir;
    const QString failure = makeOutputFolder(outDir);
    if (failure.isEmpty())
        return true;
    // The second line names the folder and why it could not be made.
    messages.warning(tr("Tips"),
                     tr("Folder creation failed!") + "\n" + shownPath(outDir)
                         + ": " + failure);
    return false;
}

QStringList prjFolderSuffixes()
{
    return {"//Adjustment", "//Detail", "//DSM", "//FeaturePoints", "//Images",
            "//Log", "//Match", "//Product", "//TieEdit"};
}

void createPrjFolders(const QString &outDir)
{
    for (const QString &suffix : prjFolderSuffixes()) {
        const QString path = outDir + suffix;
        if (!QDir().exists(path))
            QDir().mkpath(path);
    }
}
