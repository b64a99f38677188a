#ifndef BLOCKMAPVIEW_H
#define BLOCKMAPVIEW_H

#include "readinesscheck.h"

#include <QImage>
#include <QStringList>
#include <QWidget>
#include <memory>

// The overview map of the listed blocks: every position a dot in its
// project's colour, shared images dark, one block drawn over the others, the
// images of a chosen finding ringed. Draws at most one dot per cell of two
// by two pixels, so that a million positions draw at once.
class BlockMapView : public QWidget
{
    Q_OBJECT

public:
    explicit BlockMapView(QWidget *parent = nullptr);

    // What to draw; null while the first check runs.
    void setReport(std::shared_ptr<const ReadinessReport> report);
    // The block drawn over the others, -1 for none.
    void setTopProject(int project);
    // The images to ring (a finding's).
    void setMarkedImages(std::vector<FindingImage> images);

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void redraw();

    std::shared_ptr<const ReadinessReport> report;
    int topProject = -1;
    std::vector<FindingImage> marked;
    QImage picture; // the dots at one pixel a cell, drawn scaled
    std::vector<QPointF> markedCells;
    QStringList offMap; // labels of the blocks that lie outside it
};

// The map of report's points on width x height cells, topProject on top, as
// an image of one pixel a cell; markedCells receives where images lie, offMap
// the projects left off the map.
QImage blockMapImage(const ReadinessReport &report, int width, int height, int topProject,
                     const std::vector<FindingImage> &images, std::vector<QPointF> *markedCells,
                     QStringList *offMap);

#endif // BLOCKMAPVIEW_H
