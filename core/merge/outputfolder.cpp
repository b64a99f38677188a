#include "outputfolder.h"

#include "positionexport.h"
#include "shownpath.h"
#include "solverinputlist.h"

#include <QCoreApplication>
#include <QDebug>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <cerrno>
#include <cstring>

namespace {

// Makes the output folder unless a folder is there already. A plain file of
// that name is refused: nothing could be written into it. Returns an empty
// text when the folder is there, else the system's reason.
QString makeOutputFolder(const QString &outDir)
{
    int error = 0;
    if (!QDir().exists(outDir)) {
        const bool made = QDir().mkdir(outDir); // one level only
        error = made ? 0 : errno;
        qDebug() << made;
    } else if (QFileInfo(outDir).isDir()) {
        qDebug().noquote() << "wenjianjiayi cun zai";
        return QString();
    } else {
        qDebug().noquote() << outDir << "is not a folder";
        error = ENOTDIR;
    }
    qDebug().noquote() << (error == 0 ? "wenjianjiachuanjianchenggong" : "wenjianjiachuanjianshibai");
    return error == 0 ? QString() : QString::fromLocal8Bit(std::strerror(error));
}

} // namespace

bool makeq7cListFile(const MergeRequest &request, MergeState &state, UserMessages &messages,
                     PreparedFiles *written, MergedPositions positions)
{
    const QString outDir = request.outputFolder();
    qDebug().noquote() << "makeq7cListFile: " + outDir;
    const QString failure = makeOutputFolder(outDir);
    if (!failure.isEmpty()) {
        // The second line names the folder and why it could not be made.
        messages.warning(QCoreApplication::translate("mergeprj", "Tips"),
                         QCoreApplication::translate("mergeprj", "Folder creation failed!") + "\n"
                             + shownPath(outDir) + ": " + failure);
        return false;
    }
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
