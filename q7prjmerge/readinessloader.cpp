#include "readinessloader.h"

ReadinessLoader::ReadinessLoader(QObject *parent)
    : QObject(parent)
{
    // One check at a time: each reads every position file.
    pool.setMaxThreadCount(1);
}

ReadinessLoader::~ReadinessLoader()
{
    pool.clear();
    pool.waitForDone();
}

void ReadinessLoader::check(const QStringList &projectFiles, double tolerance)
{
    const quint64 ticket = ++lastTicket;
    pool.clear(); // an earlier request not started yet is out of date
    pool.start([this, ticket, projectFiles, tolerance] {
        std::vector<ProjectEntry> projects;
        for (const QString &file : projectFiles)
            projects.push_back(makeProjectEntry(file));
        auto report = std::make_shared<const ReadinessReport>(checkReadiness(projects, tolerance, MapPoints::Kept));
        // Queued: runs on the loader's thread, and not at all once it is gone.
        QMetaObject::invokeMethod(
            this,
            [this, ticket, projectFiles, report] {
                if (ticket == lastTicket)
                    emit checked(projectFiles, report);
            },
            Qt::QueuedConnection);
    });
}
