#ifndef WINDOWFIT_H
#define WINDOWFIT_H

#include <QMargins>
#include <QRect>

class QWidget;

// The room the desktop leaves windows on the screen widget lies on (the
// primary screen when it lies on none, or widget is null).
QRect availableScreen(const QWidget *widget);

// geometry (the inside of a window whose frame adds frame's margins round it)
// shrunk to fit screen, but not below least, and moved so that its frame
// lies within screen; as it is when it fits already.
QRect fittedOnScreen(const QRect &geometry, const QMargins &frame, const QSize &least, const QRect &screen);

// Moves and shrinks window onto its screen, as fittedOnScreen does.
void fitOnScreen(QWidget *window);

#endif // WINDOWFIT_H
