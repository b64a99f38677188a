#include "mergeoutputs.h"

#include "translatedtext.h"

#include <QCoreApplication>
#include <QFileInfo>

MergeOutputs mergeOutputs(const MergeRequest &request)
{
    const QString outDir = request.outputFolder();
    const QString stem = outDir + "//" + request.prjName;
    MergeOutputs outputs;
    outputs.folder = outDir;
    outputs.adjustment = outDir + "//Adjustment";
    outputs.listFile = stem + ".txt";
    outputs.positionFile = stem + "_xyz.txt";
    // The solver names its result after the list, up to the list name's first dot.
    outputs.orientationFile = outputs.adjustment + "//" + QFileInfo(outputs.listFile).baseName() + "_ori.q7c";
    outputs.cameraFile = stem + ".cmr";
    outputs.imageList = stem + ".lst";
    outputs.projectFile = outDir + "/" + request.prjName + ".Q7D";
    outputs.database = stem + ".temp";
    outputs.mergeLog = outDir + "//Log//merge.log";
    return outputs;
}

std::vector<NamedFile> namedFiles(const MergeOutputs &outputs)
{
    return {{tr("solver input list"), outputs.listFile},
            {tr("position file"), outputs.positionFile},
            {tr("merged orientation file"), outputs.orientationFile},
            {tr("camera file"), outputs.cameraFile},
            {tr("image list"), outputs.imageList},
            {tr("project file"), outputs.projectFile},
            {tr("photo database"), outputs.database},
            {tr("merge record"), outputs.mergeLog}};
}

std::vector<NamedFile> namedFiles(const ProjectEntry &project)
{
    return {{tr("project file"), project.prjFile},
            {tr("position file"), project.xyzFile},
            {tr("orientation file"), project.oriFile}};
}
