#ifndef READINESSLOADER_H
#define READINESSLOADER_H

#include "readinesscheck.h"

#include <QObject>
#include <QStringList>
#include <QThreadPool>
#include <memory>

// Runs the readiness check of the listed projects on a worker thread, with
// the map's points, so that the window never waits for it. Only the result
// of the latest request is told; a request made while one runs waits for it.
class ReadinessLoader : public QObject
{
    Q_OBJECT

public:
    explicit ReadinessLoader(QObject *parent = nullptr);
    // Drops a request not started yet and waits for the running one.
    ~ReadinessLoader() override;

    // colourSlots: each project's colour on the map, in list order.
    void check(const QStringList &projectFiles, Tolerances tolerances, const QList<int> &colourSlots);

signals:
    // The check of projectFiles, for the latest request only.
    void checked(const QStringList &projectFiles, std::shared_ptr<const ReadinessReport> report);

private:
    QThreadPool pool;
    quint64 lastTicket = 0;
};

#endif // READINESSLOADER_H
