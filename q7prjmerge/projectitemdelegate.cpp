#include "projectitemdelegate.h"

#include "projectlist.h"

#include <QApplication>
#include <QPainter>

namespace {

constexpr int margin = 8;

QString count(const QVariant &value)
{
    const qint64 number = value.toLongLong();
    return number < 0 ? QStringLiteral("?") : QLocale().toString(number);
}

int contentsWidth(const QStyleOptionViewItem &option, const QString &text)
{
    return text.isEmpty() ? 0 : option.fontMetrics.horizontalAdvance(text) + 2 * margin;
}

} // namespace

QString ProjectItemDelegate::contentsText(const QModelIndex &index)
{
    const QVariant positions = index.data(ProjectList::PositionImagesRole);
    if (!index.data(ProjectList::TicketRole).isValid())
        return QString();
    if (!positions.isValid())
        return tr("reading…");
    return tr("positions: %1 images · orientation: %2 cameras, %3 images")
        .arg(count(positions), count(index.data(ProjectList::OrientationCamerasRole)),
             count(index.data(ProjectList::OrientationImagesRole)));
}

void ProjectItemDelegate::paint(QPainter *painter, const QStyleOptionViewItem &option,
                                const QModelIndex &index) const
{
    const QString text = contentsText(index);
    // The contents take at most half of the row; the path is elided first.
    const int width = std::min(contentsWidth(option, text), option.rect.width() / 2);
    QStyleOptionViewItem full(option);
    initStyleOption(&full, index);
    const QWidget *widget = option.widget;
    QStyle *style = widget ? widget->style() : QApplication::style();
    style->drawPrimitive(QStyle::PE_PanelItemViewItem, &full, painter, widget);

    QStyleOptionViewItem path(option);
    path.rect.setRight(option.rect.right() - width);
    QStyledItemDelegate::paint(painter, path, index);
    if (text.isEmpty())
        return;

    const QRect contents = option.rect.adjusted(option.rect.width() - width + margin, 0, -margin, 0);
    const bool selected = option.state & QStyle::State_Selected;
    painter->save();
    painter->setPen(selected ? option.palette.color(QPalette::HighlightedText)
                             : option.palette.color(QPalette::Disabled, QPalette::Text));
    painter->drawText(contents, Qt::AlignVCenter | Qt::AlignRight,
                      option.fontMetrics.elidedText(text, Qt::ElideRight, contents.width()));
    painter->restore();
}

QSize ProjectItemDelegate::sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const
{
    QSize size = QStyledItemDelegate::sizeHint(option, index);
    size.rwidth() += contentsWidth(option, contentsText(index));
    return size;
}
