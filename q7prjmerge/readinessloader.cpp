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

void ReadinessLoader::check(const QStringList &projectFiles, Tolerances tolerances, const QList<int> &colourSlots)
{
    const quint64 ticket = ++lastTicket;
    pool.clear(); // an earlier request not started yet is out of date
    pool.start([this, ticket, projectFiles, tolerances, colourSlots] {
        std::vector<ProjectEntry> projects;
        for (const QString &file : projectFiles)
            projects.push_back(makeProjectEntry(file));
        ReadinessReport result = checkReadiness(projects, tolerances, MapPoints::Kept);
        for (int p = 0; p < colourSlots.size() && p < int(result.projects.size()); ++p)
            result.projects[size_t(p)].colour = colourSlots[p];
        auto report = std::make_shared<const ReadinessReport>(std::move(result));
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
