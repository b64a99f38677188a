#include "shownpath.h"

#include <QRegularExpression>

QString shownPath(const QString &text)
{
    // Two or more separators after anything but a blank or the start.
    static const QRegularExpression repeated(QStringLiteral("(?<=[^\\s/])/{2,}"));
    return QString(text).replace(repeated, QStringLiteral("/"));
}
