#include "readinessjson.h"

namespace {

QJsonArray projectsJson(const std::vector<ReadinessProject> &projects)
{
    QJsonArray array;
    for (const ReadinessProject &project : projects) {
        array.append(QJsonObject{{"label", project.label},
                                 {"readable", project.readable},
                                 {"images", project.images},
                                 {"namesTwice", project.namesTwice},
                                 {"withoutFix", project.withoutFix},
                                 {"unit", unitName(project.unit)},
                                 {"projection", project.projection},
                                 {"min", QJsonArray{project.minX, project.minY, project.minZ}},
                                 {"max", QJsonArray{project.maxX, project.maxY, project.maxZ}}});
    }
    return array;
}

QJsonArray pairsJson(const std::vector<ReadinessPair> &pairs)
{
    QJsonArray array;
    for (const ReadinessPair &pair : pairs) {
        array.append(QJsonObject{{"projects", QJsonArray{pair.first + 1, pair.second + 1}},
                                 {"shared", pair.shared},
                                 {"median", pair.median},
                                 {"largest", pair.largest},
                                 {"compared", pair.compared},
                                 {"offset", QJsonArray{pair.east, pair.north, pair.up}},
                                 {"spread", pair.spread}});
    }
    return array;
}

} // namespace

QJsonArray findingsJson(const std::vector<ReadinessFinding> &findings)
{
    QJsonArray array;
    for (const ReadinessFinding &finding : findings) {
        QJsonArray projects;
        for (int project : finding.projects)
            projects.append(project + 1);
        QJsonArray images;
        for (const FindingImage &image : finding.images)
            images.append(QJsonObject{{"name", image.name}, {"distance", image.distance}});
        array.append(QJsonObject{{"kind", findingKindName(finding.kind)},
                                 {"text", finding.text},
                                 {"projects", projects},
                                 {"images", images}});
    }
    return array;
}

QJsonObject readinessJson(const ReadinessReport &report)
{
    return QJsonObject{{"tolerance", report.tolerance},
                       {"verticalTolerance", report.verticalTolerance},
                       {"finished", report.finished},
                       {"projects", projectsJson(report.projects)},
                       {"pairs", pairsJson(report.pairs)},
                       {"findings", findingsJson(report.findings)}};
}
