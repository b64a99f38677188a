#include "outputfolder.h"

#include "positionexport.h"
#include "solverinputlist.h"

#include <QCoreApplication>
#include <QDebug>
#include <QDir>
#include <QElapsedTimer>
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

bool makeq7cListFile(const MergeRequest &request, MergeState &state, UserMessages &messages,
                     PreparedFiles *written, MergedPositions positions, const std::function<bool()> &folderReady)
{
    const QString outDir = request.outputFolder();
    qDebug().noquote() << "makeq7cListFile: " + outDir;
    if (!makeOutputFolder(outDir)) {
        messages.warning(QCoreApplication::translate("mergeprj", "Tips"),
                         QCoreApplication::translate("mergeprj", "Folder creation failed!"));
        return false;
    }
    if (folderReady && !folderReady())
        return false;
    readList(request.projectFiles, state.projects);
    PreparedFiles files;
    files.listFile = makeQ7cList(outDir, request.prjName, state.projects, state.listFilePath);
    // Without its list the solver does not run: the position file that goes
    // with the earlier merge's project stays as it is.
    if (files.listFile) {
        QElapsedTimer timer;
        timer.start();
        files.positionFile = makeXyzFile(request, state, positions, &files.positionsRead);
        files.positionExportMs = timer.elapsed();
    }
    if (written)
        *written = files;
    return true;
}

QStringList prjFolderSuffixes()
{
    return {"//Adjustment", "//Detail", "//DSM", "//FeaturePoints", "//Images",
            "//Log", "//Match", "//Product", "//TieEdit"};
}

void createPrjFolders(const MergeRequest &request)
{
    const QString outDir = request.outputFolder();
    for (const QString &suffix : prjFolderSuffixes()) {
        const QString path = outDir + suffix;
        if (!QDir().exists(path))
            QDir().mkpath(path);
    }
}
