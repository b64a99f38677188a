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
    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override;
};

#endif // PROJECTITEMDELEGATE_H
