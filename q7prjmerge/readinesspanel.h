#ifndef READINESSPANEL_H
#define READINESSPANEL_H

#include "readinessloader.h"

#include <QTimer>
#include <QWidget>

class BlockMapView;
class ProjectList;
class QLabel;
class QListWidget;

// The overview map of the listed projects with the findings of the check
// under it. Checks again, off the GUI thread, whenever the list changes;
// the current row's block is drawn on top, and choosing a finding rings its
// images and draws its block on top.
class ReadinessPanel : public QWidget
{
    Q_OBJECT

public:
    ReadinessPanel(ProjectList *list, Tolerances tolerances, QWidget *parent = nullptr);

    // The findings' sentences when the last check was of exactly these
    // project files, else none (a check still under way holds nothing up).
    QStringList findingsFor(const QStringList &projectFiles) const;

private:
    void checkSoon();
    void checkNow();
    void showReport(const QStringList &projectFiles, std::shared_ptr<const ReadinessReport> report);
    // The line over the findings: their count, or ready when there are none
    // and every project's files are there.
    void showSummary();
    void showFinding(int row);

    ProjectList *projectList;
    Tolerances tolerances;
    BlockMapView *map;
    QLabel *summary;
    QListWidget *findings;
    ReadinessLoader loader;
    QTimer soon;
    QStringList checkedFiles;
    std::shared_ptr<const ReadinessReport> report;
};

#endif // READINESSPANEL_H
