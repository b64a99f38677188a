#include "jsonoutput.h"

#include "mergereportjson.h"

#include <QCoreApplication>
#include <QJsonDocument>
#include <cstdio>
#include <unistd.h>

namespace {

void printObject(const QJsonObject &json)
{
    std::printf("%s\n", QJsonDocument(json).toJson(QJsonDocument::Compact).constData());
    std::fflush(stdout);
}

} // namespace

void printJson(const MergeReport &report, int exitCode, const QString &reason)
{
    QJsonObject json = mergeReportJson(report);
    json.insert("exitCode", exitCode);
    json.insert("reason", reason);
    printObject(json);
}

void printJsonAbout(const QString &help)
{
    QJsonObject json{{"program", QCoreApplication::applicationName()},
                     {"version", QCoreApplication::applicationVersion()},
                     {"exitCode", 0}};
    if (!help.isEmpty())
        json.insert("help", help);
    printObject(json);
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
