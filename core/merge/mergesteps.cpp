#include "mergesteps.h"

#include <QCoreApplication>

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
