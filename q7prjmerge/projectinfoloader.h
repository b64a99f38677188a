#ifndef PROJECTINFOLOADER_H
#define PROJECTINFOLOADER_H

#include "projectcontents.h"

#include <QObject>
#include <QThreadPool>

// Reads what source projects hold on worker threads, so that large position
// files never hold up the window. Each load gets a ticket; its result comes
// back as loaded() on the loader's own thread.
class ProjectInfoLoader : public QObject
{
    Q_OBJECT

public:
    explicit ProjectInfoLoader(QObject *parent = nullptr);
    // Drops the loads not started yet and waits for the running ones.
    ~ProjectInfoLoader() override;

    // Starts reading prjFile's contents; returns the ticket its result carries.
    quint64 load(const QString &prjFile);

signals:
    void loaded(quint64 ticket, const ProjectContents &contents);

private:
    QThreadPool pool;
    quint64 lastTicket = 0;
};

#endif // PROJECTINFOLOADER_H
