#include "mergeoutputs.h"

#include <QFileInfo>

MergeOutputs mergeOutputs(const MergeRequest &request)
{
    const QString outDir = request.outputFolder();
    const QString stem = outDir + "//" + request.prjName;
    MergeOutputs outputs;
    outputs.listFile = stem + ".txt";
    outputs.positionFile = stem + "_xyz.txt";
    // The solver names its result after the list, up to the list name's first dot.
    outputs.orientationFile = outDir + "//Adjustment//" + QFileInfo(outputs.listFile).baseName() + "_ori.q7c";
    outputs.cameraFile = stem + ".cmr";
    outputs.imageList = stem + ".lst";
    outputs.projectFile = outDir + "/" + request.prjName + ".Q7D";
    outputs.database = stem + ".temp";
    return outputs;
}
