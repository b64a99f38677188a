#include "shownpath.h"

#include <QDir>
#include <QRegularExpression>

QString shownPath(const QString &text)
{
    // After anything but a blank, a separator or the start: a separator
    // followed by more separators or by "." and a separator.
    static const QString separator = QRegularExpression::escape(QDir::separator());
    static const QRegularExpression repeated(QString("(?<=[^\\s%1])%1(?:%1|\\.%1)+").arg(separator));
    return QDir::toNativeSeparators(text).replace(repeated, QDir::separator());
}
