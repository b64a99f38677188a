#include "mergesteps.h"

#include <QCoreApplication>
#include <QLocale>

QString stepName(MergeStepId step)
{
    const auto tr = [](const char *text) { return QCoreApplication::translate("mergeprj", text); };
    switch (step) {
    case MergeStepId::OutputFolder: return tr("output folder");
    case MergeStepId::SolverInputList: return tr("solver input list");
    case MergeStepId::PositionExport: return tr("position export");
    case MergeStepId::ProjectFolders: return tr("project folders");
    case MergeStepId::Solver: return tr("solver");
    case MergeStepId::OrientationFile: return tr("merged orientation file");
    case MergeStepId::CameraFile: return tr("camera file");
    case MergeStepId::ImageList: return tr("image list");
    case MergeStepId::ProjectParameters: return tr("project parameters");
    case MergeStepId::ProjectFile: return tr("project file");
    case MergeStepId::PhotoDatabase: return tr("photo database");
    // The tables go by their own names.
    case MergeStepId::ImageInfos: return QStringLiteral("imageinfos");
    case MergeStepId::EofInfo: return QStringLiteral("eofInfo");
    case MergeStepId::Groups: return QStringLiteral("groups");
    case MergeStepId::MergeRecord: return tr("merge record");
    }
    return QString();
}

QString tableRowsText(MergeStepId table, qint64 done, qint64 total)
{
    const QLocale locale;
    return QCoreApplication::translate("mergeprj", "%1 %2 of %3")
        .arg(stepName(table), locale.toString(done), locale.toString(total));
}

int stepWeight(MergeStepId step)
{
    switch (step) {
    case MergeStepId::OutputFolder: return 5;
    case MergeStepId::SolverInputList: return 5;
    case MergeStepId::PositionExport: return 80;
    case MergeStepId::ProjectFolders: return 5;
    case MergeStepId::Solver: return 300;
    case MergeStepId::OrientationFile: return 50;
    case MergeStepId::CameraFile: return 5;
    case MergeStepId::ImageList: return 20;
    case MergeStepId::ProjectParameters: return 5;
    case MergeStepId::ProjectFile: return 5;
    case MergeStepId::PhotoDatabase: return 10;
    case MergeStepId::ImageInfos: return 270;
    case MergeStepId::EofInfo: return 230;
    case MergeStepId::Groups: return 10;
    case MergeStepId::MergeRecord: return 0;
    }
    return 0;
}
