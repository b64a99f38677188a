#ifndef PROJECTITEMDELEGATE_H
#define PROJECTITEMDELEGATE_H

#include <QStyledItemDelegate>

// Paints a project list row: the project file's path as usual and, at the
// row's right end in a muted colour, what the project holds: the images of
// its position file, then the cameras and images its orientation file's
// header announces.
class ProjectItemDelegate : public QStyledItemDelegate
{
    Q_OBJECT

public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override;
    // The path as people are shown it (shownPath).
    QString displayText(const QVariant &value, const QLocale &locale) const override;
    // The width the contents get in a row: all they need, as long as the
    // path keeps its least width ("…/" and its file name); the path gets the
    // rest (and is shortened as elidedPath does), the contents cut at their end.
    static int contentsColumnWidth(int rowWidth, int leastPathWidth, int contentsWidth);
    // path as it fits room pixels: whole, else "…/" with its file name and as
    // many of its last folders as fit, else its file name shortened in the middle.
    static QString elidedPath(const QString &path, const QFontMetrics &metrics, int room);
    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override;
};

#endif // PROJECTITEMDELEGATE_H
