#ifndef BLOCKMAPVIEW_H
#define BLOCKMAPVIEW_H

#include "readinesscheck.h"

#include <QImage>
#include <QStringList>
#include <QWidget>

class QPainter;
#include <memory>

// The overview map of the listed blocks: every position a dot in its
// project's colour, shared images dark, one block drawn over the others, the
// images of a chosen finding ringed. Draws at most one dot per cell of four
// by four pixels, so that a million positions draw at once.
class BlockMapView : public QWidget
{
    Q_OBJECT

public:
    explicit BlockMapView(QWidget *parent = nullptr);

    // What to draw; null while the first check runs.
    void setReport(std::shared_ptr<const ReadinessReport> report);
    // The block drawn over the others, -1 for none.
    void setTopProject(int project);
    // A finding chosen: its images ringed, the map showing the focus
    // projects alone (all for none), topProject drawn on top.
    void showFinding(std::vector<FindingImage> images, std::vector<int> focus, int topProject);

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void redraw();
    QString offMapNote() const;
    // The pixels the note of blocks left off takes under the map.
    int noteHeight() const;
    void drawScaleAndNorth(QPainter &painter) const;

    std::shared_ptr<const ReadinessReport> report;
    int topProject = -1;
    std::vector<FindingImage> marked;
    std::vector<int> focus;
    QImage picture; // the dots
    std::vector<QPointF> markedCells; // centres of the rings, in pixels
    QStringList offMap; // labels of the blocks that lie outside it
    double metresPerPixel = 0;
};

// The map of report's points as an image of width x height pixels, topProject
// on top, the focus projects alone where given; markedCells receives the
// centres of the rings round the images (in pixels, none overlapping),
// offMap the projects left off the map, scaleMetres the metres a pixel.
QImage blockMapImage(const ReadinessReport &report, int width, int height, int topProject,
                     const std::vector<int> &focus, const std::vector<FindingImage> &images,
                     std::vector<QPointF> *markedCells, QStringList *offMap, double *scaleMetres = nullptr);

#endif // BLOCKMAPVIEW_H
