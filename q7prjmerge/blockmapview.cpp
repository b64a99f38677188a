#include "blockmapview.h"

#include "blockmap.h"

#include <QPainter>

namespace {

constexpr int cellPixels = 2;
constexpr QRgb background = 0xf4f4f0;

} // namespace

QImage blockMapImage(const ReadinessReport &report, int width, int height, int topProject,
                     const std::vector<FindingImage> &images, std::vector<QPointF> *markedCells,
                     QStringList *offMap)
{
    const BlockMapGrid grid(report, width, height, topProject);
    QImage image(grid.width(), grid.height(), QImage::Format_RGB32);
    for (int y = 0; y < grid.height(); ++y) {
        QRgb *line = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (int x = 0; x < grid.width(); ++x)
            line[x] = 0xff000000 | grid.colour(x, y, background);
    }
    if (markedCells) {
        markedCells->clear();
        for (const FindingImage &marked : images) {
            double x = 0, y = 0;
            if (grid.toCell(marked.x, marked.y, x, y))
                markedCells->emplace_back(x, y);
        }
    }
    if (offMap) {
        offMap->clear();
        for (int project : grid.offMap())
            *offMap << report.projects[size_t(project)].label;
    }
    return image;
}

BlockMapView::BlockMapView(QWidget *parent)
    : QWidget(parent)
{
    setMinimumSize(240, 180);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
}

QSize BlockMapView::sizeHint() const
{
    return QSize(360, 270);
}

void BlockMapView::setReport(std::shared_ptr<const ReadinessReport> newReport)
{
    report = std::move(newReport);
    marked.clear();
    redraw();
}

void BlockMapView::setTopProject(int project)
{
    if (project == topProject)
        return;
    topProject = project;
    redraw();
}

void BlockMapView::setMarkedImages(std::vector<FindingImage> images)
{
    marked = std::move(images);
    redraw();
}

void BlockMapView::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    redraw();
}

void BlockMapView::redraw()
{
    if (report && !report->points.empty())
        picture = blockMapImage(*report, width() / cellPixels, height() / cellPixels, topProject, marked, &markedCells,
                                &offMap);
    else
        picture = QImage();
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
    painter.drawImage(QRect(0, 0, picture.width() * cellPixels, picture.height() * cellPixels), picture);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(QColor(0xe0, 0, 0), 2));
    for (const QPointF &cell : markedCells)
        painter.drawEllipse(cell * cellPixels, 7, 7);
    if (!offMap.isEmpty()) {
        painter.setPen(palette().color(QPalette::Text));
        painter.drawText(rect().adjusted(4, 4, -4, -4), Qt::AlignBottom | Qt::AlignLeft | Qt::TextWordWrap,
                         tr("Not on the map (far from the others): %1").arg(offMap.join(", ")));
    }
}
