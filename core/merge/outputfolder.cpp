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

// The warning's text: the second line names the folder and why it could not
// be made.
QString failureText(const QString &outDir, const QString &failure)
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

bool makeq7cListFile(const QString &outDir, UserMessages &messages)
{
    qDebug().noquote() << "makeq7cListFile: " + outDir;
    const QString failure = makeOutputFolder(outDir);
    if (failure.isEmpty())
        return true;
    messages.warning(tr("Tips"), failureText(outDir, failure));
    return false;
}

QString outputFolderProblem(const QString &outDir)
{
    const int error = expectedError(outDir);
    return error == 0 ? QString() : failureText(outDir, QString::fromLocal8Bit(std::strerror(error)));
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
