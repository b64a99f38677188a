#include "blockmapview.h"

#include "blockmap.h"

#include <QPainter>
#include <cmath>
#include <algorithm>

namespace {

// A cell of the map is four pixels square, its dot three: apart enough to
// tell the colours, and few enough cells for a million positions.
constexpr int cellPixels = 4;
constexpr QRgb background = 0xf4f4f0;

void drawDot(QImage &image, int x, int y, QRgb colour)
{
    for (int row = 0; row < cellPixels - 1; ++row) {
        QRgb *line = reinterpret_cast<QRgb *>(image.scanLine(y * cellPixels + row)) + x * cellPixels;
        std::fill(line, line + cellPixels - 1, colour);
    }
}

} // namespace

QImage blockMapImage(const ReadinessReport &report, int width, int height, int topProject,
                     const std::vector<int> &focus, const std::vector<FindingImage> &images,
                     std::vector<QPointF> *markedCells, QStringList *offMap, double *scaleMetres)
{
    const BlockMapGrid grid(report, width / cellPixels, height / cellPixels, topProject, focus);
    QImage image(grid.width() * cellPixels, grid.height() * cellPixels, QImage::Format_RGB32);
    image.fill(background);
    for (int y = 0; y < grid.height(); ++y) {
        for (int x = 0; x < grid.width(); ++x) {
            if (grid.project(x, y) >= 0)
                drawDot(image, x, y, 0xff000000 | grid.colour(x, y, background));
        }
    }
    if (markedCells) {
        markedCells->clear();
        ringCentres(grid, images, cellPixels, *markedCells);
    }
    if (scaleMetres)
        *scaleMetres = grid.metresPerCell() / cellPixels;
    if (offMap) {
        offMap->clear();
        for (int project : grid.offMap())
            *offMap << report.projects[size_t(project)].label;
    }
    return image;
}

QString BlockMapView::offMapNote() const
{
    return tr("Not on the map (far from the others): %1").arg(offMap.join(", "));
}

int BlockMapView::noteHeight() const
{
    const QRect bounds = fontMetrics().boundingRect(QRect(0, 0, std::max(1, width() - 8), height()),
                                                    Qt::TextWordWrap, offMapNote());
    return std::min(height() / 2, bounds.height() + 4);
}

void BlockMapView::drawScaleAndNorth(QPainter &painter) const
{
    const double metres = roundScaleLength(metresPerPixel * picture.width() / 4);
    if (!(metres > 0))
        return;
    const int length = int(std::lround(metres / metresPerPixel));
    const int bottom = picture.height() - 8;
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setPen(QPen(palette().color(QPalette::WindowText), 2));
    painter.drawLine(8, bottom, 8 + length, bottom);
    painter.drawLine(8, bottom, 8, bottom - 5);
    painter.drawLine(8 + length, bottom, 8 + length, bottom - 5);
    painter.drawText(QPoint(8, bottom - 8), scaleText(metres));
    const int east = picture.width() - 16;
    painter.setBrush(palette().color(QPalette::WindowText));
    painter.drawPolygon(QPolygon({QPoint(east, 8), QPoint(east - 6, 24), QPoint(east, 20), QPoint(east + 6, 24)}));
    painter.drawText(QRect(east - 10, 26, 20, fontMetrics().height()), Qt::AlignHCenter, "N");
}

BlockMapView::BlockMapView(QWidget *parent)
    : QWidget(parent)
{
    setMinimumSize(240, 180);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
}

QSize BlockMapView::sizeHint() const
{
    return QSize(280, 210);
}

void BlockMapView::setReport(std::shared_ptr<const ReadinessReport> newReport)
{
    report = std::move(newReport);
    marked.clear();
    focus.clear();
    redraw();
}

void BlockMapView::setTopProject(int project)
{
    if (project == topProject)
        return;
    topProject = project;
    redraw();
}

void BlockMapView::showFinding(std::vector<FindingImage> images, std::vector<int> projects, int project)
{
    marked = std::move(images);
    focus = std::move(projects);
    topProject = project;
    redraw();
}

void BlockMapView::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    redraw();
}

void BlockMapView::redraw()
{
    picture = QImage();
    offMap.clear();
    if (report && !report->points.empty()) {
        // The note of blocks left off goes under the map, never over its dots.
        picture = blockMapImage(*report, width(), height(), topProject, focus, marked, &markedCells, &offMap,
                                &metresPerPixel);
        if (!offMap.isEmpty())
            picture = blockMapImage(*report, width(), height() - noteHeight(), topProject, focus, marked,
                                    &markedCells, &offMap, &metresPerPixel);
    }
    update();
}

void BlockMapView::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.fillRect(rect(), QColor(background));
    if (picture.isNull()) {
        painter.setPen(palette().color(QPalette::Disabled, QPalette::Text));
        painter.drawText(rect(), Qt::AlignCenter, report ? tr("No positions to show") : tr("Reading positions…"));
        return;
    }
    painter.drawImage(0, 0, picture);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(QColor(0xe0, 0, 0), 2));
    for (const QPointF &centre : markedCells)
        painter.drawEllipse(centre, ringRadius, ringRadius);
    drawScaleAndNorth(painter);
    if (!offMap.isEmpty()) {
        painter.setPen(palette().color(QPalette::Text));
        painter.drawText(rect().adjusted(4, picture.height() + 2, -4, -2), Qt::AlignTop | Qt::AlignLeft | Qt::TextWordWrap,
                         offMapNote());
    }
}
