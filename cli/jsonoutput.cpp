#include "jsonoutput.h"

#include "mergereportjson.h"

#include <QJsonDocument>
#include <cstdio>
#include <unistd.h>

void printJson(const MergeReport &report, int exitCode, const QString &reason)
{
    QJsonObject json = mergeReportJson(report);
    json.insert("exitCode", exitCode);
    json.insert("reason", reason);
    std::printf("%s\n", QJsonDocument(json).toJson(QJsonDocument::Compact).constData());
    std::fflush(stdout);
}

StandardOutputToError::StandardOutputToError()
{
    std::fflush(stdout);
    saved = dup(STDOUT_FILENO);
    dup2(STDERR_FILENO, STDOUT_FILENO);
}

StandardOutputToError::~StandardOutputToError()
{
    std::fflush(stdout);
    if (saved >= 0) {
        dup2(saved, STDOUT_FILENO);
        close(saved);
    }
}
