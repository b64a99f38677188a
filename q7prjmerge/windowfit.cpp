#include "windowfit.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <algorithm>

QRect availableScreen(const QWidget *widget)
{
    const QScreen *screen = widget ? QGuiApplication::screenAt(widget->geometry().center()) : nullptr;
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    return screen ? screen->availableGeometry() : QRect(0, 0, 1024, 768);
}

QRect fittedOnScreen(const QRect &geometry, const QMargins &frame, const QSize &least, const QRect &screen)
{
    const QRect room = screen.marginsRemoved(frame);
    const QSize size = geometry.size().boundedTo(room.size()).expandedTo(least);
    // Within the room, and where the window is larger than the room, its
    // top left corner (the title bar and the first controls) on the screen.
    const int x = std::max(room.left(), std::min(geometry.x(), room.right() + 1 - size.width()));
    const int y = std::max(room.top(), std::min(geometry.y(), room.bottom() + 1 - size.height()));
    return QRect(QPoint(x, y), size);
}

void fitOnScreen(QWidget *window)
{
    const QRect frame = window->frameGeometry();
    const QRect inside = window->geometry();
    const QMargins margins(inside.left() - frame.left(), inside.top() - frame.top(), frame.right() - inside.right(),
                           frame.bottom() - inside.bottom());
    const QSize least = window->minimumSizeHint().expandedTo(window->minimumSize());
    window->setGeometry(fittedOnScreen(inside, margins, least, availableScreen(window)));
}
