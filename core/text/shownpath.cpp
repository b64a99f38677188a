#include "shownpath.h"

#include <QRegularExpression>

QString shownPath(const QString &text)
{
    // After anything but a blank or the start: a separator followed by more
    // separators or by "./" segments.
    static const QRegularExpression repeated(QStringLiteral("(?<=[^\\s/])/(?:/|\\./)+"));
    return QString(text).replace(repeated, QStringLiteral("/"));
}
