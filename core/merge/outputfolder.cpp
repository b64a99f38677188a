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
// that name is refused: nothing could be written into it. Returns the
// system's reason when the folder is not there at its end.
std::optional<QString> makeOutputFolder(const QString &outDir)
{
    platform::SystemError error;
    if (!QDir().exists(outDir)) {
        error = platform::makeFolder(QFile::encodeName(outDir)); // one level only
        qDebug() << !error;
    } else if (QFileInfo(outDir).isDir()) {
        qDebug().noquote() << "wenjianjiayi cun zai";
        return std::nullopt;
    } else {
        qDebug().noquote() << outDir << "is not a folder";
        error = {ENOTDIR};
    }
    qDebug().noquote() << (error ? "wenjianjiachuanjianshibai" : "wenjianjiachuanjianchenggong");
    return error ? std::optional<QString>(error.reason()) : std::nullopt;
}

// The warning's text: the second line names the folder and why it could not
// be made.
Problem failureText(const QString &outDir, const QString &failure)
{
    return tr("Folder creation failed!") + "\n" + shownPath(outDir) + ": " + failure;
}

// The error making outDir would meet, looked at without making it.
int expectedError(const QString &outDir)
{
    const QFileInfo folder(outDir);
    if (folder.exists())
        return folder.isDir() ? 0 : ENOTDIR;
    const QFileInfo parent(QFileInfo(QDir::cleanPath(outDir)).path());
    if (!parent.exists())
        return ENOENT;
    if (!parent.isDir())
        return ENOTDIR;
    return parent.isWritable() ? 0 : EACCES;
}

} // namespace

Problem makeq7cListFile(const QString &outDir)
{
    qDebug().noquote() << "makeq7cListFile: " + outDir;
    const std::optional<QString> failure = makeOutputFolder(outDir);
    return failure ? failureText(outDir, *failure) : Problem();
}

Problem outputFolderProblem(const QString &outDir)
{
    const platform::SystemError error{expectedError(outDir)};
    return error ? failureText(outDir, error.reason()) : Problem();
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
