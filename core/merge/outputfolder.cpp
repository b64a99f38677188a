#include "outputfolder.h"

#include <QCoreApplication>
#include <QDebug>
#include <QDir>
#include <QFileInfo>

namespace {

// Makes the output folder unless a folder is there already. A plain file of
// that name is refused: nothing could be written into it.
bool makeOutputFolder(const QString &outDir)
{
    bool made = false;
    if (!QDir().exists(outDir)) {
        made = QDir().mkdir(outDir); // one level only
        qDebug() << made;
    } else if (QFileInfo(outDir).isDir()) {
        qDebug().noquote() << "wenjianjiayi cun zai";
        return true;
    } else {
        qDebug().noquote() << outDir << "is not a folder";
    }
    qDebug().noquote() << (made ? "wenjianjiachuanjianchenggong" : "wenjianjiachuanjianshibai");
    return made;
}

} // namespace

bool makeq7cListFile(const QString &outDir, UserMessages &messages)
{
    qDebug().noquote() << "makeq7cListFile: " + outDir;
    if (makeOutputFolder(outDir))
        return true;
    messages.warning(QCoreApplication::translate("mergeprj", "Tips"),
                     QCoreApplication::translate("mergeprj", "Folder creation failed!"));
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
