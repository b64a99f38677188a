#include "projectinfoloader.h"

ProjectInfoLoader::ProjectInfoLoader(QObject *parent)
    : QObject(parent)
{
    // Reading is bound by the disk more than by the processor.
    pool.setMaxThreadCount(2);
}

ProjectInfoLoader::~ProjectInfoLoader()
{
    pool.clear();
    pool.waitForDone();
}

quint64 ProjectInfoLoader::load(const QString &prjFile)
{
    const quint64 ticket = ++lastTicket;
    pool.start([this, ticket, prjFile] {
        const ProjectContents contents = readProjectContents(prjFile);
        // Queued: runs on the loader's thread, and not at all once it is gone.
        QMetaObject::invokeMethod(
            this, [this, ticket, contents] { emit loaded(ticket, contents); }, Qt::QueuedConnection);
    });
    return ticket;
}
