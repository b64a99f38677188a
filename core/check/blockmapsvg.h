#ifndef BLOCKMAPSVG_H
#define BLOCKMAPSVG_H

#include "readinesscheck.h"

#include <QByteArray>
#include <QString>

// The map of the blocks as an SVG picture: every position a dot in its
// project's colour (at most one a cell of a 240 x 180 grid), shared images
// dark, the images of findings ringed, unconnected blocks and blocks in
// degrees framed, and a legend of the projects and the findings.
QByteArray blockMapSvg(const ReadinessReport &report, const QString &title);

// Writes it to path whole or not at all; false when it could not be written.
bool writeBlockMapSvg(const QString &path, const ReadinessReport &report, const QString &title);

#endif // BLOCKMAPSVG_H
